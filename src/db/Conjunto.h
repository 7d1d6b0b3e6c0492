#pragma once
// A dataset: the rows of one table (or a read-only query) in memory, a current row, a state
// (browse, insert, edit) and the hooks where the data module's record rules live.
//
//   setUSU.abrir();                       // select; rows in memory; BLOB columns are not loaded
//   setUSU.inserir();                     // key drawn from the generator, then the after-insert rule
//   setUSU.definirTexto("SEGE", "08:00:00"); // through the field's validator
//   setUSU.gravar();                      // before-post rule, insert/update in a unit of work
//
// A refusing rule shows its coded message and throws Abort; a database error arrives as ErroBanco.
// In both cases the dataset stays in insert/edit with the operator's values and nothing of the save
// remains in the database. A save is a unit of work of its own, committed when it succeeds, unless
// a job's unit is open (Unidade): then the row is part of that job and commits with it.
#include "db/Firebird.h"

#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>

namespace portaris {

enum class EstadoConjunto { Fechado, Navegando, Inserindo, Editando };

// How text typed into a bound control is stored into a field.
enum class Validador { Nenhum, Hora, Data, Cabeca };

// A field: its name, type, whether it is a BLOB (read on demand), its input mask (Delphi form,
// "!90:00:00;1;-") and validator.
struct Campo {
    QString nome;
    int tipo = QMetaType::QString; // QMetaType id of its values
    bool blob = false;
    bool blobTexto = false;
    QString mascara;
    Validador validador = Validador::Nenhum;
    int tamanho = 0; // characters a text column holds (0 = not known); longer texts are cut to it
};

// "!90:00:00;1;-" → "09:99:99;-": Delphi 0 (required digit) is Qt 9, Delphi 9 (optional) is Qt 0,
// Delphi a (optional letter or digit) is Qt n; the leading "!" and the save-literals part go.
QString MascaraQt(const QString& mascaraDelphi);

class Conjunto : public QObject {
    Q_OBJECT
public:
    // An editable dataset of `tabela`. `filtro` is the WHERE text (may use :PARAMS), `ordem` the
    // ORDER BY text, `gerador` the key generator ("" = none: the key comes from elsewhere).
    // `chaves` are the columns that name a row for update/delete/refresh ({"CHAVE"} for every
    // table but RONDAD, whose rows are named by all their old values).
    Conjunto(Banco& banco, QString nome, QString tabela, QString filtro = {}, QString ordem = {},
             QString gerador = {}, QStringList chaves = {QStringLiteral("CHAVE")});
    // A read-only query.
    static std::unique_ptr<Conjunto> consulta(Banco& banco, QString nome, QString sql);
    ~Conjunto() override;

    const QString& nome() const { return m_nome; }
    const QString& tabela() const { return m_tabela; }
    Banco& banco() const { return m_banco; }
    bool somenteLeitura() const { return m_tabela.isEmpty(); }

    // The select text of a query (read-only datasets only); takes effect at the next abrir().
    void definirSql(const QString& sql);
    QString sql() const;
    // Parameters of the selection (":PDATA", ":PSERIALNUM", ...), kept across reopenings.
    void definirParametro(const QString& nome, const QVariant& valor);

    void abrir();
    void fechar();
    // Read-only datasets may read their rows a page at a time: abrir() reads the first `linhas`
    // and keeps the cursor; moving past the rows read, locating or asking reads on. 0 (the
    // default) reads every row at abrir().
    void definirPagina(int linhas) { m_pagina = linhas; }
    int pagina() const { return m_pagina; }
    bool haMaisLinhas() const { return m_cursor != nullptr; }
    int lerMaisLinhas(int n); // rows read
    void lerTodasLinhas() { lerMaisLinhas(-1); }
    // Reopens and returns to the row with the same key (or the nearest position).
    void atualizar();
    bool aberto() const { return m_estado != EstadoConjunto::Fechado; }
    EstadoConjunto estado() const { return m_estado; }
    bool emEdicao() const {
        return m_estado == EstadoConjunto::Inserindo || m_estado == EstadoConjunto::Editando;
    }

    int quantidade() const { return static_cast<int>(m_linhas.size()); } // rows read so far
    bool vazio() const { return m_linhas.isEmpty(); }
    int posicao() const { return m_atual; } // -1 when empty
    void irPara(int linha);
    void primeiro() { irPara(0); }
    void ultimo();
    void proximo() { irPara(m_atual + 1); }
    void anterior() { irPara(m_atual - 1); }
    bool localizar(const QString& campo, const QVariant& valor);

    const QList<Campo>& campos() const { return m_campos; }
    int indiceCampo(const QString& nome) const; // -1 when unknown
    Campo& campo(const QString& nome);

    // Values of the current row (the edit buffer while inserting or editing).
    QVariant valor(const QString& campo) const;
    QVariant valor(int linha, const QString& campo) const; // any row, as stored
    // The field as text: times "HH:mm:ss", dates "dd/MM/yyyy".
    QString texto(const QString& campo) const;
    QString texto(int linha, const QString& campo) const;
    // Only while inserting or editing.
    void definir(const QString& campo, const QVariant& valor);
    // Text typed into a bound control, through the field's validator (which may refuse: Abort).
    void definirTexto(const QString& campo, const QString& texto);

    // BLOB columns: read from the database when asked (current row), written with the record.
    QVariant lerBlob(const QString& campo);
    void definirBlob(const QString& campo, const QVariant& dados);

    void inserir();
    void editar();
    void gravar();
    // A stored procedure that a new row's insert runs first, in the same statement: one round trip
    // for both, both or neither stored, and a key drawn at the insert (chaveAoGravar) drawn only
    // once the procedure ran. Inputs not given are null. Only while inserting.
    struct ProcedimentoAntes {
        QString procedimento;
        QList<QPair<QString, QVariant>> entradas;
    };
    void gravar(const ProcedimentoAntes& antes);
    void cancelar();
    void apagar();

    // A save or delete that reaches no row: another station deleted the record (or changed the
    // values that name it) since it was read.
    static inline const QString MensagemRegistroSumiu = QStringLiteral(
        "@!000ERREste registro foi alterado ou excluído em outra estação. Cancele para ver os dados atuais.");

    // A save or delete that still meets the row held by another unit (a card at a door, another
    // station's save) after waiting for it.
    static inline const QString MensagemRegistroOcupado = QStringLiteral(
        "@!000ERREste registro está sendo gravado em outra estação ou porta. Tente gravar novamente.");
    static constexpr int TentativasConflito = 5;

    // Record rules, run inside the operations above.
    std::function<void(Conjunto&)> antesInserir, depoisInserir, antesGravar, antesApagar, depoisRolar;
    // A saved row is read back for the values the database filled in; a table whose rows hold
    // exactly what the program wrote spares the round trip.
    bool relerAposGravar = true;
    // The new row's key is drawn by the insert itself (RETURNING) instead of when the row is begun:
    // one round trip less, and rows stored in units that hold a lock take their keys in the
    // order the lock was held. The key reads null until the row is stored.
    bool chaveAoGravar = false;

signals:
    void estadoMudou();
    void rolou();
    void dadosMudaram();                        // opened, closed, reloaded, row added/removed or written
    void linhasLidas(int primeira, int ultima); // rows a later page appended

private:
    void carregarCampos();
    QString textoSelect() const;
    QList<QVariant> decodificar(int linha) const;
    static QByteArray codificar(const QList<QVariant>& valores);
    void mudarEstado(EstadoConjunto e);
    void rolarPara(int linha, bool forcar);
    QByteArray codificarLinha(const Comando& c) const;
    void refrescarLinha(int linha);
    // The write and refresh statements, prepared once each: a dataset writes the same few again
    // and again (a download stores hundreds of rows in a row).
    Comando& comando(const QString& sql);
    void executarEsperando(const std::function<void()>& executar, bool propria);
    void gravar(const ProcedimentoAntes* antes);

    Banco& m_banco;
    QString m_nome, m_tabela, m_filtro, m_ordem, m_gerador, m_sqlConsulta;
    QStringList m_chaves;
    QList<Campo> m_campos;
    QList<int> m_colunasSelect; // field index of each selected column
    QList<int> m_colunaDoCampo; // selected column of each field, -1 when not selected
    QHash<QString, QVariant> m_parametros;
    QList<QByteArray> m_linhas;
    std::unique_ptr<Comando> m_cursor; // rows still to read (paged read-only datasets)
    QHash<QString, std::shared_ptr<Comando>> m_comandos;
    QHash<QString, ParametrosProcedimento> m_procedimentos; // of ProcedimentoAntes, read once each
    int m_pagina = 0;
    int m_atual = -1;
    EstadoConjunto m_estado = EstadoConjunto::Fechado;
    QList<QVariant> m_buffer;     // edit buffer (all fields; BLOBs null unless set)
    QList<QVariant> m_antigos;    // values before editing, for the WHERE of update/delete
    QHash<int, QVariant> m_blobs; // BLOBs set in the edit buffer
    int m_linhaAntesInserir = -1;
    bool m_camposCarregados = false;
};

} // namespace portaris
