#pragma once
// The console's main window: six panels, the bar of large buttons that switches between them, the
// pop-up function columns and the registration button machine. It reaches the access engine only
// through ServicosConsole, so it is built and tested without devices.
#include "shell/uLogin.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>

class QButtonGroup;
class QFrame;
class QLabel;
class QStackedWidget;
class QTimer;
class QToolButton;

namespace portaris {

class TdmPORTARIS;
class TframeControleAcesso;

struct ServicosConsole {                        // every member may be empty (then the action does nothing)
    std::function<QStringList()> lugaresAcesso; // places for "Local de acesso"
    std::function<void(const QString& nome, const QString& origem, const QString& observacao,
                       const QString& lugar, const QString& destino)>
        abrirSemCartao;
    std::function<void()> suspenderDispositivos, retomarDispositivos;
    std::function<void()> mostrarStatus;                   // "Status"
    std::function<void(const QString& login)> logoffBanco; // USERLOGOFF on the database
    std::function<void()> webcamAoAtivar, desligarWebcam;  // the station's webcam
};

// What the registration functions call on the panel in front; each returns whether the dataset
// reached the state that lets the button machine go on. An empty member counts as not succeeded.
struct OperacoesCadastro {
    std::function<bool()> incluir, alterar, excluir, gravar, cancelar;
    // Optional. 'Aplicar horário de "Segunda" à todos' (card-holder and group pages): shown exactly
    // when "Incluir" / "Alterar" succeeded, hidden after every "Gravar" and "Cancelar".
    std::function<void(bool)> mostrarSegunda = {};
    // After a successful "Incluir" (the card-holder panel empties its card field and focuses it).
    std::function<void()> depoisIncluir = {};
    // After a successful save or deletion (a group's refreshes the card-holder panel's group list).
    std::function<void()> depoisGravar = {}, depoisExcluir = {};
};

class TfmPRS : public QMainWindow {
    Q_OBJECT
public:
    // Panel tags.
    enum Painel {
        pnACESSOS = 0,
        pnUSUARIOS = 1,
        pnRONDA = 2,
        pnCONFIGURAR = 3,
        pnRELATORIOS = 4,
        pnFAMILIAS = 5
    };

    // `login` may be null (tests, server configuration mode): definirSessao then gives the levels.
    TfmPRS(TdmPORTARIS& dm, TfmLOG* login, ServicosConsole servicos, QWidget* parent = nullptr);
    ~TfmPRS() override;

    const Sessao& sessao() const;
    void definirSessao(const Sessao& s) { m_sessao = s; }

    int painelAtual() const { return m_painel; }
    // -1 in server configuration mode, otherwise 0.
    int tag() const { return m_tag; }
    QWidget* painel(int tag) const;
    // A panel built later takes the place of its placeholder.
    void definirPainel(int tag, QWidget* painel);
    TframeControleAcesso* frameAcesso() const { return m_acesso; }
    // Shown above every panel while the database is out of reach.
    QLabel* avisoSemBanco() const { return m_semBanco; }

    // Operations of a registration panel (1, 2, 5); for the configuration panel, a function that
    // gives those of the page shown, or null on a page without a record.
    void definirOperacoes(int tag, OperacoesCadastro ops) { m_operacoes[tag] = std::move(ops); }
    std::function<const OperacoesCadastro*()> operacoesConfigurar;
    // The data-refresh option of the page "Rede local": reopen the lists on entering their panel.
    std::function<bool()> atualizarAoEntrar;

    // Server configuration mode: the database could not be reached; only the configuration panel.
    void ModoConfiguracaoServidor();

    // The close path without "Confirma sair do Portaris" (the system ends the program).
    void Encerrar();

    void FecharMenus();
    void BloquearNavegacao(bool bloquear);
    void VoltarBotao();
    // "F2 Abrir": the manual opening dialog, then the opening through the engine.
    void AbrirPorta();
    // Shows the function column of the panel in front (the pointer over "Funções").
    void MostrarMenu();
    QFrame* menuAberto() const;

    // Bar: Funções, Acessos, Usuários, Famílias, Ronda, Lembretes, Relatórios, Status, Logoff,
    // Configurar, Finalizar.
    QToolButton *btFUN, *btACE, *btUSU, *btFAM, *btRON, *btLEM, *btREL, *btSTA, *btLOF, *btCON, *btFIN;
    // Pop-up columns: registration, access and report functions.
    QFrame *pnFCAD, *pnFACE, *pnFREL;
    QToolButton *btINC, *btALT, *btEXC, *btGRA, *btCAN, *btIMP;
    QToolButton* btABR;
    QToolButton *btIMPEXP, *btATU, *btRACE, *btRUSU;
    QTimer* tmrMEN;

    static const QString legendaBase; // "PORTARIS"
    static QString sufixo(int tag);
    static const QString sufixoAutoInicio;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    QToolButton* criarBotao(const QString& legenda, const QString& icone, const QString& nome);
    QFrame* criarMenu(const QString& nome, const QList<QToolButton*>& botoes);
    QToolButton* botaoDoPainel(int tag) const;
    bool temNivel(int n) const;
    void recusar(QToolButton* botao);
    void mostrarPainel(int tag);
    void navegar(int tag);
    void Configurar();
    void Lembretes();
    void Logoff();
    void Finalizar();
    void aoAtivar();
    void vigiarMenu();
    const OperacoesCadastro* operacoesAtuais() const;
    void Incluir(bool alterar);
    void Gravar();
    void Cancelar();
    void Excluir();
    void modoEdicao(bool editando);
    void gravarLog(const QString& texto);

    TdmPORTARIS& m_dm;
    QPointer<TfmLOG> m_login;
    ServicosConsole m_servicos;
    Sessao m_sessao;
    QStackedWidget* m_paineis;
    QList<QWidget*> m_listaPaineis;
    TframeControleAcesso* m_acesso;
    QLabel* m_semBanco;
    QWidget* m_barra;
    QButtonGroup* m_grupo;
    QHash<int, OperacoesCadastro> m_operacoes;
    int m_painel = pnACESSOS;
    int m_tag = 0;
    bool m_confirmaAoFechar = true; // [outros] confirmaaofechar, read when the window is created
    bool m_encerrando = false;
};

} // namespace portaris
