#pragma once
// The card verdict: the chain of stored procedures that decides whether a card may pass at a
// reading point now, and the handling every flow applies right after it.
#include <QDate>
#include <QHash>
#include <QString>
#include <QVariantMap>
#include <array>
#include <functional>

namespace portaris {

// One call of a batch: given inputs, and inputs taken from an output of an earlier call.
struct ChamadaProcedimento {
    QString procedimento;
    QVariantMap entradas;
    struct Origem {
        int chamada;
        QString saida;
    };
    QHash<QString, Origem> ligadas;
};

// Executes a stored procedure by name with named inputs and returns its named outputs (a null
// QVariant for NULL). Throws on any database error; the card's handling ends there.
class Procedimentos {
public:
    virtual ~Procedimentos() = default;
    virtual QVariantMap executar(const QString& procedimento, const QVariantMap& entradas) = 0;
    // The calls in order, each one's outputs in its place; by default one by one. A station on a
    // server pays a round trip per call, so the database runs them in one.
    virtual QList<QVariantMap> executarJuntos(const QList<ChamadaProcedimento>& chamadas);
};

// What the verdict asks of the user interface; tests script it.
class InterfaceAcesso {
public:
    struct Confirmacao {
        bool sim = false;
        QString observacao;
    };
    virtual ~InterfaceAcesso() = default;
    virtual Confirmacao PedirConfirmacao(const QString& ponto, int chave, const QString& nota,
                                         const QString& nome) = 0;
    virtual bool ConfirmarFamilia(const std::array<int, 9>& membros) = 0;
    virtual void MostrarFoto(const QString& ponto, int segundos, int chave, const QString& nota,
                             const QString& nome) = 0;
    virtual void AbrirLembretes(int chave, const QString& nome) = 0;
    virtual void TocarSom(const QString& arquivo) = 0;
    virtual void CopiarTexto(const QString& texto) = 0;
    virtual void ProcessarEventos() = 0;
    // A plain message box, closed by itself after `segundos` (0 = waits for the operator).
    virtual void MostrarCaixa(const QString& texto, int segundos) = 0;
};

enum class ModeloPonto { Passiva, Ativa, Controladora };

struct PontoLeitura {
    ModeloPonto modelo = ModeloPonto::Passiva;
    int chaveLeitora = 0; // reader key, or the controller door's key
    int cabecaRonda = 0;  // patrol head
    QString posicao;      // "E", "S", "N"; empty at a controller door (no anti-passback)
    bool permitirReingresso = false;
    bool confirmar = false; // manual confirmation
    QString nome;           // caption of the dialogs
    QString posicaoGravada() const {
        return modelo == ModeloPonto::Controladora ? QStringLiteral(" ") : posicao;
    }
    QString procedimentoPermissao() const {
        return modelo == ModeloPonto::Ativa ? QStringLiteral("CA_HLEI64") : QStringLiteral("CA_HLEI");
    }
};

struct VereditoAcesso {
    int ChaveUsuario = 0;
    bool Autorizado = false;
    QString NOME = QStringLiteral("(desconhecido)");
    QString TIPO;
    QString GRUPO;
    QString NOTA;
    QString RONDA = QStringLiteral("0");
    QString RELATORIO = QStringLiteral("1");
    QString NOTA2;
    QString AUTORIZADO;
    QString expira = QStringLiteral("0");
    QDate expiraEm;
    // A patrol card that is not disabled: the passive and active-tag flows beep once.
    bool SinalizarRonda = false;
};

// The station values the chain reads and the services it uses. Lives as long as the main window.
class MotorVeredito {
public:
    MotorVeredito(Procedimentos& procs, InterfaceAcesso& ui) : m_procs(procs), m_ui(ui) {}

    // Read with the main window: [som] usarsom, som1, som2.
    void configurarSom(bool usar, const QString& som1, const QString& som2);
    // Whether a date is a holiday; asked again whenever the date changes.
    void definirCalendario(std::function<bool(const QDate&)> ehFeriado);
    bool feriadoHoje();

    VereditoAcesso AvaliarCartao(const QString& cartao, const PontoLeitura& ponto);
    void ConcluirVeredito(VereditoAcesso& v, const PontoLeitura& ponto);

    Procedimentos& procedimentos() { return m_procs; }
    InterfaceAcesso& ui() { return m_ui; }

private:
    void tocarSom(const VereditoAcesso& v);

    Procedimentos& m_procs;
    InterfaceAcesso& m_ui;
    bool m_usarSom = false;
    QString m_som1, m_som2;
    std::function<bool(const QDate&)> m_ehFeriado;
    QDate m_diaFeriado;
    bool m_feriado = false;
};

} // namespace portaris
