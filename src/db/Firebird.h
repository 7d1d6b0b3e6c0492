#pragma once
// The Firebird layer: one attachment, one shared transaction, statements with named parameters,
// procedures with named inputs and outputs, BLOBs and generators. Every handle is owned by an object
// and released in its destructor. Errors of the database arrive as ErroBanco with the database's text.
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace Firebird {
class IAttachment;
class ITransaction;
class IStatement;
class IResultSet;
class IMessageMetadata;
class IStatus;
} // namespace Firebird

namespace portaris {

// An error of the database or of the client library. what() and texto() are the database's own
// text; a procedure's refusal is its coded message "@!…" alone, without the engine's lines.
class ErroBanco : public std::runtime_error {
public:
    ErroBanco(const QString& texto, long codigo = 0);
    QString texto() const { return m_texto; }
    // The first Firebird error code of the status vector (isc_…), 0 when not from the engine.
    long codigo() const { return m_codigo; }
    bool conflitoDeBloqueio() const; // a nowait update conflict with another transaction
    bool conexaoPerdida() const;

private:
    QString m_texto;
    long m_codigo;
};

class Banco;

// One prepared statement. Parameters are named (":PCHAVE") and translated once to positions, so
// one name may appear several times. Values are QVariants: int/qlonglong, double, QString, QDate,
// QTime, QDateTime, QByteArray (for BLOB parameters) and null.
class Comando {
public:
    Comando(Banco& banco, const QString& sql);
    ~Comando();
    Comando(const Comando&) = delete;
    Comando& operator=(const Comando&) = delete;

    const QString& sql() const { return m_sql; }
    const QStringList& nomesParametros() const { return m_nomesUnicos; }
    void definir(const QString& nome, const QVariant& valor);
    QVariant parametro(const QString& nome) const { return m_valores.value(nome.toUpper()); }
    void limparParametros();

    // Runs a statement without a cursor (insert, update, delete, execute procedure). The outputs of
    // an EXECUTE PROCEDURE are available through campo() afterwards.
    void executar();
    // Rows the last executar() inserted, updated or deleted. Asked of the server only here: on a
    // remote attachment it is a round trip that most statements (a card's procedures) never need.
    quint64 linhasAfetadas();

    // A select: open, then proximo() while it returns true; campo() reads the current row.
    void abrir();
    bool proximo();
    void fechar();
    bool aberto() const;

    int colunas() const { return m_nomesColunas.size(); }
    const QStringList& nomesColunas() const { return m_nomesColunas; }
    // Value of a result column of the current row (BLOB columns come whole: QByteArray, or QString
    // for text BLOBs). Throws ErroBanco for an unknown column.
    QVariant campo(const QString& nome) const;
    QVariant campo(int indice) const { return linha().value(indice); }
    const QList<QVariant>& linha() const; // decoded when first asked for
    // A column of the current row as the message holds it, for callers that copy many rows
    // without converting each value (datasets keep their rows encoded). Other kinds (scaled
    // numbers, timestamps, CHAR, BLOB, ...) are Outro: read them through campo().
    struct Bruto {
        enum Tipo { Nulo, Texto, Octetos, Inteiro, Longo, Data, Hora, Outro } tipo = Nulo;
        qint64 numero = 0;           // Inteiro, Longo; Data: Julian day; Hora: ms since midnight
        const char* dados = nullptr; // Texto (UTF-8), Octetos
        int tamanho = 0;
    };
    Bruto bruto(int indice) const;
    // Whether the column is a BLOB (callers that must not load pictures skip it).
    bool colunaBlob(int indice) const;

private:
    friend class Banco;
    void soltar() noexcept; // the attachment goes away: forget the handles, prepare again later
    void preparar();
    void montarEntrada(std::vector<unsigned char>& buf, Firebird::IMessageMetadata*& meta);
    void lerSaida() const;

    Banco& m_banco;
    QString m_sql;
    QString m_sqlTraduzido;
    QStringList m_posicoes; // name of each '?' in order
    QStringList m_nomesUnicos;
    QHash<QString, QVariant> m_valores;
    Firebird::IStatement* m_stmt = nullptr;
    Firebird::IResultSet* m_cursor = nullptr;
    Firebird::IMessageMetadata* m_saidaMeta = nullptr;
    std::vector<unsigned char> m_saida;
    struct Coluna {
        unsigned tipo, subtipo, offset, nulo, tamanho, charset;
        int escala;
    };
    std::vector<Coluna> m_colunas; // read once at prepare, so fetching a row asks the library nothing
    QStringList m_nomesColunas;
    mutable QList<QVariant> m_linha;
    mutable bool m_linhaLida = true;
    bool m_temSaida = false;
    std::optional<quint64> m_afetadas; // empty: not asked yet
};

// A stored procedure called by name with named inputs and outputs:
//   Procedimento p(banco, "CA_CUSER"); p.definir("PCARTAO", c); p.executar(); p.saida("PCHAVE")
// The parameter lists come from the database's catalogue the first time.
class Procedimento {
public:
    Procedimento(Banco& banco, const QString& nome);
    ~Procedimento();
    void definir(const QString& nome, const QVariant& valor);
    void executar();
    QVariant saida(const QString& nome) const;
    const QStringList& entradas() const { return m_entradas; }
    const QStringList& saidas() const { return m_saidas; }

private:
    void preparar();
    Banco& m_banco;
    QString m_nome;
    QStringList m_entradas, m_saidas;
    std::unique_ptr<Comando> m_cmd;
};

// A stored procedure's parameters as the catalogue has them, inputs and outputs each in order, with
// the domain each takes its type from. Throws ErroBanco for a procedure that does not exist.
struct ParametrosProcedimento {
    struct Parametro {
        QString nome, dominio;
        // The parameter's own type, for a block variable that carries its value.
        QString tipo() const { return QStringLiteral("TYPE OF \"%1\"").arg(dominio); }
    };
    QList<Parametro> entradas, saidas;
};
ParametrosProcedimento parametrosDoProcedimento(Banco& banco, const QString& procedimento);

// Several executable procedures run in order in one exchange with the server, an output of one
// feeding an input of a later one: on a remote attachment every call alone is a round trip.
//   LoteProcedimentos l(banco, {{"CA_CUSER", {}}, {"CA_HCAR", {{"PCHAVE", {0, "PCHAVE"}}}}});
//   l.definir(0, "PCARTAO", c); l.executar(); l.saida(1, "PSAIDA")
// It is one EXECUTE BLOCK typed from the catalogue (each value takes its parameter's own type),
// built and prepared the first time.
class LoteProcedimentos {
public:
    struct Origem {
        int chamada;  // an earlier call of the batch
        QString saida;
    };
    struct Chamada {
        QString procedimento;
        QHash<QString, Origem> ligadas; // inputs taken from earlier outputs; the rest are given
    };
    LoteProcedimentos(Banco& banco, QList<Chamada> chamadas);
    ~LoteProcedimentos();
    LoteProcedimentos(const LoteProcedimentos&) = delete;
    LoteProcedimentos& operator=(const LoteProcedimentos&) = delete;

    void definir(int chamada, const QString& entrada, const QVariant& valor);
    void executar();
    QVariant saida(int chamada, const QString& nome) const;
    const QStringList& saidas(int chamada) const;

private:
    void preparar();
    Banco& m_banco;
    QList<Chamada> m_chamadas;
    QList<QStringList> m_entradas, m_saidas; // per call, from the catalogue
    QList<qsizetype> m_primeiraSaida;        // per call, its first output's column
    QList<QVariant> m_linha;                 // the outputs of the last run
    std::unique_ptr<Comando> m_cmd;
};

class Unidade;

// One attachment with its shared transaction (read committed, rec_version, nowait), started on
// demand, and the units of work opened on it. Statements run in the unit of work that is current
// (see Unidade) or else in the shared transaction.
//
// A remote server that stops answering must not hold the station: a call on a remote attachment
// that gets no answer within tempoLimite() is cancelled with abort, fails with ErroBanco and the
// connection is marked lost. A lost connection fails every call at once until it is attached
// again (reconectar, or iniciarReconexao / concluirReconexao without blocking the caller).
class Banco {
public:
    // Seconds a remote server may take to accept the attachment (every attachment of the process).
    static constexpr int TempoLimiteConexao = 10;
    static void definirTempoLimiteConexao(int segundos);
    static int tempoLimiteConexao();
    // Seconds a call on a remote attachment may wait for its answer.
    static constexpr int TempoLimiteResposta = 10;
    Banco();
    ~Banco();
    Banco(const Banco&) = delete;
    Banco& operator=(const Banco&) = delete;

    // Attaches with exactly the user name and password (and the UTF8 connection character set).
    // A local name (a file path) is opened by the embedded engine.
    void conectar(const QString& nomeBanco, const QString& usuario, const QString& senha);
    // Detaches; an open transaction is rolled back. Never throws.
    void desconectar() noexcept;
    bool conectado() const { return m_att != nullptr; }
    const QString& nomeBanco() const { return m_nome; }

    bool emTransacao() const { return m_tra != nullptr; }
    void iniciarTransacao(); // no-op when one is open
    void commit();
    void commitRetaining();
    void rollback();
    void rollbackRetaining();
    // A console keeps its shared transaction read-only: every write belongs to a unit of work, so
    // nothing that ends the shared transaction can undo or half-commit anybody's work, and a write
    // that strays outside its unit fails at once instead of waiting there for someone's commit.
    void definirCompartilhadaSomenteLeitura(bool sim) { m_somenteLeitura = sim; }
    bool compartilhadaSomenteLeitura() const { return m_somenteLeitura; }
    // Units of work still open (not committed nor rolled back) on this attachment.
    int unidadesAbertas() const;
    // Starts ahead the next unit of work opened with `esperaBloqueio` (a card's), so that it begins
    // with no exchange with the server: a start costs a round trip and a page the server forces to
    // its disk, which a door would wait for. A reserve kept idle for SegundosReserva is ended and
    // started again, so that an idle station never holds back the server's cleanup of replaced
    // rows for longer. Never throws: a start that fails leaves no reserve, and the next unit starts
    // as usual and meets the fault itself.
    void reservarUnidade(int esperaBloqueio) noexcept;
    // Ends a reserve kept for SegundosReserva without starting another: the console's own timer
    // calls it, so a reserve outlives polling that stopped (a download, a dialog) by seconds only.
    void expirarReserva() noexcept;
    static constexpr int SegundosReserva = 5;
    bool temReserva() const { return m_reserva != nullptr; }

    // Runs one statement without parameters (DDL too) in the transaction.
    void executar(const QString& sql);
    // The next value of a generator (GEN_ID(name, 1)).
    qint64 gerador(const QString& nome, int passo = 1);
    // The first column of the first row of a select, null when none.
    QVariant valor(const QString& sql, const QVariantHash& parametros = {});

    // Internal handles for the statements of this layer.
    Firebird::IAttachment* att() const { return m_att; }
    Firebird::ITransaction* tra();

    // Creates a database file (UTF8, dialect 3) and leaves it attached. Throws when it exists.
    void criar(const QString& arquivo, const QString& usuario, const QString& senha,
               int tamanhoPagina = 8192);

    // Ends the attachment after a lost connection without asking the server anything.
    void abandonar() noexcept;

    // Milliseconds a call on a remote attachment may wait (0 = no limit); local files are never
    // cancelled, their engine runs in this process.
    void definirTempoLimite(int ms);
    int tempoLimite() const;
    // The server went away: every call fails at once until the next attachment.
    bool perdida() const { return m_perdida; }
    // Attaches again with the same name and credentials. Statements stay valid: each prepares
    // again when next used. Throws ErroBanco like conectar.
    void reconectar();
    // The same without blocking: the attachment is made on another thread and adopted by
    // concluirReconexao, which answers Conectado once, Falhou (ultimoErroReconexao) or EmAndamento.
    enum class Reconexao { Nenhuma, EmAndamento, Conectado, Falhou };
    // Detached, and to be attached again in the background to this database: the state of a lost
    // connection (every call fails at once) without an attachment to abandon.
    void aguardarReconexao(const QString& nomeBanco, const QString& usuario, const QString& senha);
    void iniciarReconexao();
    Reconexao concluirReconexao();
    QString ultimoErroReconexao() const { return m_erroReconexao; }

    // Internal: calls of this layer mark the connection lost.
    void marcarPerdida() { m_perdida = true; }
    struct Vigia;
    Vigia* vigia() const { return m_vigia.get(); }

private:
    friend class Unidade;
    void adotar(Firebird::IAttachment* att);
    void soltarComandos() noexcept;
    void encerrarUnidades() noexcept;

    Firebird::IAttachment* m_att = nullptr;
    Firebird::ITransaction* m_tra = nullptr;
    bool m_somenteLeitura = false;
    Unidade* m_unidade = nullptr; // the innermost unit; each names the one it was opened over
    void soltarReserva() noexcept;
    Firebird::ITransaction* m_reserva = nullptr;
    int m_esperaReserva = 0;
    quint32 m_reservadaEm = 0; // tick of the clock
    QString m_nome, m_usuario, m_senha;
    bool m_perdida = false;
    std::shared_ptr<Vigia> m_vigia;
    struct Tentativa;
    std::unique_ptr<Tentativa> m_tentativa;
    QString m_erroReconexao;
};

// A unit of work: a transaction of its own (read committed, rec_version, nowait) for one
// all-or-nothing job. With `esperaBloqueio` seconds it waits that long at most for a row another
// transaction is changing, and reads that row only once the other ends (no_rec_version): jobs on
// the same row take turns, each seeing what the one before it stored, without a guessed pause.
// The server counts the wait in whole seconds of its clock: n waits between n - 1 and n seconds
// (1 may end a few milliseconds in), and a wait that runs out is a lock conflict like any other.
// While it lives, the statements its job runs on this attachment go into it; it commits only when
// asked and rolls back in its destructor, so no exit path, exception or refusal leaves the job half
// done.
//
//   { Unidade u(banco); gravarLinha(); atualizarPosicao(); u.commit(); }
//
// A unit belongs to the event loop it was opened in: work that a nested loop (a modal box, a
// remote request served meanwhile) starts does not join it. A job never waits on the operator
// inside its unit.
class Unidade {
public:
    explicit Unidade(Banco& banco, int esperaBloqueio = 0);
    ~Unidade();
    Unidade(const Unidade&) = delete;
    Unidade& operator=(const Unidade&) = delete;

    void commit();
    void rollback() noexcept;
    bool aberta() const { return m_tra != nullptr; }
    Banco& banco() const { return m_banco; }
    // The unit in which statements run now on `banco`, or null.
    static Unidade* atual(const Banco& banco);
    // Runs `f` in a unit of its own and commits it: a direct write, stored when it is made.
    static void gravar(Banco& banco, const std::function<void()>& f);

private:
    friend class Banco;
    void encerrar() noexcept; // the attachment goes away under the unit

    Banco& m_banco;
    Firebird::ITransaction* m_tra = nullptr;
    Unidade* m_anterior = nullptr;
    int m_nivel = 0;
};

// Runs `f` and turns a Firebird status error into ErroBanco.
void lancarStatus(Firebird::IStatus* status);

// The backup and restore services. Each progress line reaches `linha` as the service gives it.
// Local databases go through the embedded engine's service manager, remote ones through the
// server's. Failures throw ErroBanco with the service's text.
struct OpcoesServico {
    QString usuario = QStringLiteral("SYSDBA");
    QString senha;
    QString servidor;          // empty = the local engine
    bool ignorarLimbo = false; // backup: ignore transactions in limbo
    int tamanhoPagina = 0;     // restore: 0 keeps the backup's
    int buffers = 0;           // restore: page buffers, 0 keeps the default
};
void CopiarBanco(const QString& banco, const QString& arquivoCopia, const OpcoesServico& opcoes,
                 const std::function<void(const QString&)>& linha);
void RestaurarBanco(const QString& arquivoCopia, const QString& banco, const OpcoesServico& opcoes,
                    const std::function<void(const QString&)>& linha);

} // namespace portaris
