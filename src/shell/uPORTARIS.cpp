#include "uPORTARIS.h"

#include "ui/Protegido.h"
#include "Recursos.h"
#include "TframeControleAcesso.h"
#include "access/AbrirLembretes.h"
#include "access/uAberturaSemCartao.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace portaris {

const QString TfmPRS::legendaBase = QStringLiteral("PORTARIS");
const QString TfmPRS::sufixoAutoInicio =
    QStringLiteral(" - <<<<< EM MODO DE AUTO INICIALIZAÇÃO DEVIDO REINICIALIZAÇÃO BRUSCA DO WINDOWS  >>>>>");

namespace {

constexpr int kBotao = 70;

// Hints appear after 300 ms and follow each other after 500 ms.
class EstiloDicas : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
        if (h == SH_ToolTip_WakeUpDelay) return 300;
        if (h == SH_ToolTip_FallAsleepDelay) return 500;
        return QProxyStyle::styleHint(h, o, w, r);
    }
};

// The hourglass for the length of a handler, whatever way it leaves.
struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { restaurar(); }
    void restaurar() {
        if (ativa) QApplication::restoreOverrideCursor();
        ativa = false;
    }
    bool ativa = true;
};

const QString kRecusa = QStringLiteral("@!000AVISua conta não possui acesso a esta opção!");

} // namespace

QString TfmPRS::sufixo(int tag) {
    switch (tag) {
    case pnACESSOS:
        return QStringLiteral(" - Tela de controle de acessos");
    case pnUSUARIOS:
        return QStringLiteral(" - Tela de cadastro de pessoal");
    case pnRONDA:
        return QStringLiteral(" - Tela de cadastro de ronda");
    case pnCONFIGURAR:
        return QStringLiteral(" - Painel de configurações");
    case pnRELATORIOS:
        return QStringLiteral(" - Tela de relatórios");
    case pnFAMILIAS:
        return QStringLiteral(" - Tela de cadastro de famílias");
    }
    return {};
}

TfmPRS::TfmPRS(TdmPORTARIS& dm, TfmLOG* login, ServicosConsole servicos, QWidget* parent)
    : QMainWindow(parent), m_dm(dm), m_login(login), m_servicos(std::move(servicos)) {
    inicializarRecursosPortaris();
    setObjectName(QStringLiteral("fmPRS"));
    setToolTip(QString()); // the window's own hint is its caption base

    // Hints of the whole program.
    QPalette dica = QToolTip::palette();
    dica.setColor(QPalette::ToolTipBase, QColor(255, 174, 136));
    dica.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(dica);
    if (!dynamic_cast<EstiloDicas*>(QApplication::style())) QApplication::setStyle(new EstiloDicas);

    auto* central = new QWidget;
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    // Lost cards go to the event log without a box each (a box per card would bury the guard), so
    // the reason the doors stay shut has to be on the screen until the database is back.
    m_semBanco =
        new QLabel(QStringLiteral("Sem conexão com o banco de dados: os cartões lidos nesta estação são "
                                  "recusados e anotados no diário de eventos até ela voltar."));
    m_semBanco->setObjectName(QStringLiteral("lbSEMBANCO"));
    m_semBanco->setWordWrap(true);
    m_semBanco->setStyleSheet(
        QStringLiteral("background: #B00020; color: white; font-weight: bold; padding: 6px"));
    m_semBanco->hide();
    v->addWidget(m_semBanco);
    connect(&m_dm, &TdmPORTARIS::conexaoPerdida, m_semBanco, &QWidget::show);
    connect(&m_dm, &TdmPORTARIS::conexaoRestabelecida, m_semBanco, &QWidget::hide);
    m_paineis = new QStackedWidget;
    m_acesso = new TframeControleAcesso(m_dm.setACE);
    m_listaPaineis = {m_acesso};
    const QStringList nomes = {QString(),
                               QStringLiteral("frameCadastroUsuario"),
                               QStringLiteral("frameRonda"),
                               QStringLiteral("frameConfigurar"),
                               QStringLiteral("frameRelatorios"),
                               QStringLiteral("frameCadastroFamilias")};
    for (int t = 1; t < 6; ++t) {
        auto* p = new QWidget;
        p->setObjectName(nomes[t]);
        m_listaPaineis << p;
    }
    for (QWidget* p : m_listaPaineis)
        m_paineis->addWidget(p);
    v->addWidget(m_paineis, 1);

    m_barra = new QWidget;
    m_barra->setObjectName(QStringLiteral("pnBOTOES"));
    auto* h = new QHBoxLayout(m_barra);
    h->setContentsMargins(2, 2, 2, 2);
    h->setSpacing(2);
    btFUN = criarBotao(QStringLiteral("Funções"), QStringLiteral("list-details"), QStringLiteral("btFUN"));
    btACE = criarBotao(QStringLiteral("Acessos"), QStringLiteral("door-enter"), QStringLiteral("btACE"));
    btUSU = criarBotao(QStringLiteral("Usuários"), QStringLiteral("users"), QStringLiteral("btUSU"));
    btFAM = criarBotao(QStringLiteral("Famílias"), QStringLiteral("users-group"), QStringLiteral("btFAM"));
    btRON = criarBotao(QStringLiteral("Ronda"), QStringLiteral("walk"), QStringLiteral("btRON"));
    btLEM = criarBotao(QStringLiteral("Lembretes"), QStringLiteral("message-2"), QStringLiteral("btLEM"));
    btREL =
        criarBotao(QStringLiteral("Relatórios"), QStringLiteral("report-analytics"), QStringLiteral("btREL"));
    btSTA = criarBotao(QStringLiteral("Status"), QStringLiteral("device-desktop-analytics"),
                       QStringLiteral("btSTA"));
    btLOF = criarBotao(QStringLiteral("Logoff"), QStringLiteral("logout"), QStringLiteral("btLOF"));
    btCON = criarBotao(QStringLiteral("Configurar"), QStringLiteral("settings"), QStringLiteral("btCON"));
    btFIN = criarBotao(QStringLiteral("Finalizar"), QStringLiteral("power"), QStringLiteral("btFIN"));
    for (QToolButton* b : {btFUN, btACE, btUSU, btFAM, btRON, btLEM, btREL, btSTA, btLOF, btCON, btFIN})
        h->addWidget(b);
    h->addStretch();
    v->addWidget(m_barra);
    setCentralWidget(central);

    m_grupo = new QButtonGroup(this);
    m_grupo->setExclusive(true);
    for (QToolButton* b : {btACE, btUSU, btFAM, btRON, btREL, btCON}) {
        b->setCheckable(true);
        m_grupo->addButton(b);
    }
    btACE->setChecked(true);

    btUSU->setToolTip(QStringLiteral("Cadastro de usuários de cartão de acesso."));
    btFAM->setToolTip(QStringLiteral("Cadastro de usuários de cartão de acesso."));
    btREL->setToolTip(QStringLiteral("Opção de relatórios, com opção de exportação."));
    btCON->setToolTip(QStringLiteral("Configurações e ferramentas adicionais."));
    btRON->setToolTip(QStringLiteral("Cadastro de cartão de ronda."));
    btLEM->setToolTip(QStringLiteral("Janela de lembretes."));

    // Pop-up function columns.
    btINC = criarBotao(QStringLiteral("Incluir"), QStringLiteral("plus"), QStringLiteral("btINC"));
    btALT = criarBotao(QStringLiteral("Alterar"), QStringLiteral("pencil"), QStringLiteral("btALT"));
    btEXC = criarBotao(QStringLiteral("Excluir"), QStringLiteral("trash"), QStringLiteral("btEXC"));
    btGRA = criarBotao(QStringLiteral("Gravar"), QStringLiteral("device-floppy"), QStringLiteral("btGRA"));
    btCAN = criarBotao(QStringLiteral("Cancelar"), QStringLiteral("x"), QStringLiteral("btCAN"));
    btIMP = criarBotao(QStringLiteral("Imprimir"), QStringLiteral("list-details"), QStringLiteral("btIMP"));
    pnFCAD = criarMenu(QStringLiteral("pnFCAD"), {btINC, btALT, btEXC, btGRA, btCAN, btIMP});
    btABR = criarBotao(QStringLiteral("F2 Abrir"), QStringLiteral("lock-open"), QStringLiteral("btABR"));
    btABR->setToolTip(QStringLiteral("Permite abrir uma porta manual."));
    pnFACE = criarMenu(QStringLiteral("pnFACE"), {btABR});
    btIMPEXP = criarBotao(QStringLiteral("Imp./Exp."), QStringLiteral("report-analytics"),
                          QStringLiteral("btIMPEXP"));
    btIMPEXP->setToolTip(QStringLiteral("Imprimir / Exportar"));
    btATU = criarBotao(QStringLiteral("Atualizar"), QStringLiteral("arrow-back-up"), QStringLiteral("btATU"));
    btATU->setToolTip(QStringLiteral("Acessa a(s) controladora(s) e baixa os dados"));
    btRACE = criarBotao(QStringLiteral("Acessos"), QStringLiteral("door-enter"), QStringLiteral("btRACE"));
    btRACE->setToolTip(QStringLiteral("Listagem de acessos"));
    btRUSU = criarBotao(QStringLiteral("Usuários"), QStringLiteral("users"), QStringLiteral("btRUSU"));
    btRUSU->setToolTip(QStringLiteral("Relatórios diversos"));
    pnFREL = criarMenu(QStringLiteral("pnFREL"), {btIMPEXP, btATU, btRACE, btRUSU});
    modoEdicao(false);

    tmrMEN = new QTimer(this);
    tmrMEN->setInterval(500);
    connect(tmrMEN, &QTimer::timeout, this, &TfmPRS::vigiarMenu);

    connect(btFUN, &QToolButton::clicked, this, &TfmPRS::MostrarMenu);
    connect(btACE, &QToolButton::clicked, this, [this] { navegar(pnACESSOS); });
    connect(btUSU, &QToolButton::clicked, this, [this] { navegar(pnUSUARIOS); });
    connect(btFAM, &QToolButton::clicked, this, [this] { navegar(pnFAMILIAS); });
    connect(btRON, &QToolButton::clicked, this, [this] { navegar(pnRONDA); });
    connect(btREL, &QToolButton::clicked, this, [this] { navegar(pnRELATORIOS); });
    connect(btCON, &QToolButton::clicked, this, &TfmPRS::Configurar);
    connect(btLEM, &QToolButton::clicked, this, &TfmPRS::Lembretes);
    connect(btSTA, &QToolButton::clicked, this, [this] {
        FecharMenus();
        if (m_servicos.mostrarStatus) Protegido(m_servicos.mostrarStatus);
    });
    connect(btLOF, &QToolButton::clicked, this, &TfmPRS::Logoff);
    connect(btFIN, &QToolButton::clicked, this, &TfmPRS::Finalizar);
    connect(btABR, &QToolButton::clicked, this, &TfmPRS::AbrirPorta);
    connect(btINC, &QToolButton::clicked, this, [this] { Incluir(false); });
    connect(btALT, &QToolButton::clicked, this, [this] { Incluir(true); });
    connect(btGRA, &QToolButton::clicked, this, &TfmPRS::Gravar);
    connect(btCAN, &QToolButton::clicked, this, &TfmPRS::Cancelar);
    connect(btEXC, &QToolButton::clicked, this, &TfmPRS::Excluir);
    connect(btIMP, &QToolButton::clicked, this, &TfmPRS::FecharMenus);
    // The report column's own actions belong to the reports panel; the buttons close the column.
    for (QToolButton* b : {btIMPEXP, btATU, btRACE, btRUSU})
        connect(b, &QToolButton::clicked, this, &TfmPRS::FecharMenus);

    // The window sees key presses before its controls (F2).
    qApp->installEventFilter(this);

    mostrarPainel(pnACESSOS);
    const QScreen* tela = QGuiApplication::primaryScreen();
    if (tela && tela->size() == QSize(800, 600)) {
        setWindowState(Qt::WindowMaximized);
    } else {
        setWindowFlag(Qt::WindowMaximizeButtonHint, false);
        resize(800, 570);
        if (tela) move(tela->availableGeometry().center() - rect().center());
    }
    m_confirmaAoFechar = cfg::outros_confirmaaofechar.ler();
    if (m_dm.conectado()) Protegido([this] { m_dm.setACE.ultimo(); });
}

TfmPRS::~TfmPRS() {
    qApp->removeEventFilter(this);
}

QToolButton* TfmPRS::criarBotao(const QString& legenda, const QString& icone, const QString& nome) {
    auto* b = new QToolButton;
    b->setObjectName(nome);
    b->setText(legenda);
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icone)));
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setFixedSize(kBotao, kBotao);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTipDuration(25000);
    return b;
}

QFrame* TfmPRS::criarMenu(const QString& nome, const QList<QToolButton*>& botoes) {
    auto* f = new QFrame(this);
    f->setObjectName(nome);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(f);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto* titulo = new QLabel(QStringLiteral("Funções"));
    titulo->setAlignment(Qt::AlignCenter);
    titulo->setAutoFillBackground(true);
    QPalette p = titulo->palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    p.setColor(QPalette::WindowText, Qt::white);
    titulo->setPalette(p);
    titulo->setFixedHeight(20);
    v->addWidget(titulo);
    for (QToolButton* b : botoes)
        v->addWidget(b);
    v->addStretch();
    f->setFixedSize(kBotao, 20 + kBotao * static_cast<int>(botoes.size()));
    f->hide();
    return f;
}

const Sessao& TfmPRS::sessao() const {
    return m_login ? m_login->sessao() : m_sessao;
}

bool TfmPRS::temNivel(int n) const {
    return n >= 1 && n <= 5 && sessao().niveis[n - 1];
}

QWidget* TfmPRS::painel(int tag) const {
    return m_listaPaineis.value(tag);
}

void TfmPRS::definirPainel(int tag, QWidget* novo) {
    if (tag < 1 || tag >= m_listaPaineis.size() || !novo) return;
    QWidget* velho = m_listaPaineis[tag];
    const bool naFrente = m_paineis->currentWidget() == velho;
    m_paineis->insertWidget(tag, novo);
    m_paineis->removeWidget(velho);
    velho->deleteLater();
    m_listaPaineis[tag] = novo;
    if (naFrente) m_paineis->setCurrentWidget(novo);
}

QToolButton* TfmPRS::botaoDoPainel(int tag) const {
    switch (tag) {
    case pnACESSOS:
        return btACE;
    case pnUSUARIOS:
        return btUSU;
    case pnRONDA:
        return btRON;
    case pnCONFIGURAR:
        return btCON;
    case pnRELATORIOS:
        return btREL;
    case pnFAMILIAS:
        return btFAM;
    }
    return btACE;
}

void TfmPRS::VoltarBotao() {
    botaoDoPainel(m_painel)->setChecked(true);
}

void TfmPRS::recusar(QToolButton* botao) {
    MostrarMensagem(kRecusa);
    if (botao) botao->setChecked(false);
    VoltarBotao();
}

void TfmPRS::mostrarPainel(int tag) {
    setWindowTitle(legendaBase + sufixo(tag));
    m_paineis->setCurrentWidget(m_listaPaineis[tag]);
    m_painel = tag;
    VoltarBotao();
}

void TfmPRS::FecharMenus() {
    for (QFrame* f : {pnFCAD, pnFACE, pnFREL})
        f->hide();
    tmrMEN->stop();
}

void TfmPRS::BloquearNavegacao(bool bloquear) {
    for (QToolButton* b : {btACE, btUSU, btRON, btLEM, btREL, btLOF, btCON, btFIN})
        b->setEnabled(!bloquear);
}

void TfmPRS::navegar(int tag) {
    FecharMenus();
    if (m_dm.EM_EDICAO()) {
        VoltarBotao();
        return;
    }
    static const QHash<int, int> nivel = {{pnUSUARIOS, 1}, {pnFAMILIAS, 1}, {pnRONDA, 2}, {pnRELATORIOS, 4}};
    if (nivel.contains(tag) && !temNivel(nivel.value(tag))) {
        recusar(botaoDoPainel(tag));
        return;
    }
    if ((tag == pnUSUARIOS || tag == pnRONDA) && m_dm.conectado() && atualizarAoEntrar &&
        atualizarAoEntrar()) {
        Protegido([this, tag] {
            if (tag == pnUSUARIOS) {
                m_dm.setUSU.fechar();
                m_dm.setUSU.abrir();
            } else {
                m_dm.setRON.fechar();
                m_dm.setRON.abrir();
                m_dm.tbRON.definirParametro(QStringLiteral("PCHAVE"),
                                            m_dm.setRON.valor(QStringLiteral("CHAVE")));
                m_dm.tbRON.abrir();
            }
        });
    }
    if (tag == pnACESSOS && m_servicos.retomarDispositivos) Protegido(m_servicos.retomarDispositivos);
    mostrarPainel(tag);
}

void TfmPRS::Configurar() {
    btCON->setEnabled(false);
    QCoreApplication::processEvents();
    Ampulheta ampulheta;
    FecharMenus();
    const bool prosseguir = !m_dm.EM_EDICAO() && m_painel != pnCONFIGURAR;
    if (prosseguir && !temNivel(5)) {
        ampulheta.restaurar();
        recusar(btCON);
    } else if (prosseguir) {
        ampulheta.restaurar();
        if (Perguntar(
                QStringLiteral("Ao acessar a opção Configurar, a comunicação com a(s) leitora(s) será "
                               "interrompida.\r\n\r\nConfirma prosseguir?\r\n\r\nNota : a comunicação será "
                               "re-estabelecida ao clicar a opção Acessos")) == Resposta::Sim) {
            mostrarPainel(pnCONFIGURAR);
            if (m_servicos.suspenderDispositivos) Protegido(m_servicos.suspenderDispositivos);
        } else {
            btCON->setChecked(false);
            VoltarBotao();
        }
    } else {
        VoltarBotao();
    }
    btCON->setEnabled(m_tag != -1);
}

void TfmPRS::Lembretes() {
    FecharMenus();
    if (!temNivel(3)) {
        recusar(nullptr);
        return;
    }
    if (m_dm.setUSU.aberto() && !m_dm.setUSU.vazio()) AbrirLembretes(0, QString());
}

void TfmPRS::Logoff() {
    Ampulheta ampulheta;
    btLOF->setEnabled(false);
    QCoreApplication::processEvents();
    // A record open somewhere: nothing happens, and the bar is left usable.
    if (m_dm.EM_EDICAO()) {
        btLOF->setEnabled(true);
        return;
    }
    ampulheta.restaurar();
    btLOF->setEnabled(true);
    if (Perguntar(QStringLiteral("Confirma efetuar log-off")) != Resposta::Sim) return;
    setUpdatesEnabled(false);
    btACE->setChecked(true);
    navegar(pnACESSOS);
    if (m_servicos.logoffBanco) {
        Protegido([this] { m_servicos.logoffBanco(sessao().login); });
    }
    hide();
    setUpdatesEnabled(true);
    if (m_login) m_login->reabrir();
}

void TfmPRS::Finalizar() {
    {
        Ampulheta ampulheta;
        btFIN->setEnabled(false);
        QCoreApplication::processEvents();
        if (m_dm.EM_EDICAO()) {
            btFIN->setEnabled(true);
            return;
        }
    }
    close();
}

void TfmPRS::Encerrar() {
    m_encerrando = true;
    close();
}

void TfmPRS::closeEvent(QCloseEvent* e) {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    btFIN->setEnabled(true);
    // An end asked while the question is open goes on whatever the question was answered.
    if (m_confirmaAoFechar && !m_encerrando &&
        Perguntar(QStringLiteral("Confirma sair do Portaris")) != Resposta::Sim && !m_encerrando) {
        e->ignore();
        return;
    }
    FecharMenus();
    gravarLog(QStringLiteral("Finaliza o Portaris"));
    if (m_servicos.desligarWebcam) m_servicos.desligarWebcam();
    if (m_dm.conectado() && m_servicos.logoffBanco) {
        Protegido([this] { m_servicos.logoffBanco(sessao().login); });
    }
    e->accept();
    if (m_login) m_login->encerrar();
}

void TfmPRS::gravarLog(const QString& texto) {
    try {
        GravarLog({texto});
    } catch (const std::exception& erro) {
        MostrarMensagem(QStringLiteral("@!000ERRNão foi possível gravar o log de eventos: %1")
                            .arg(QString::fromLocal8Bit(erro.what())));
    }
}

void TfmPRS::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) aoAtivar();
}

void TfmPRS::aoAtivar() {
    if (m_login && m_login->autoInicio()) {
        setWindowTitle(windowTitle() + sufixoAutoInicio);
        m_login->sairDoAutoInicio();
    }
    if (m_servicos.webcamAoAtivar) Protegido([this] { m_servicos.webcamAoAtivar(); });
    gravarLog(QStringLiteral("Inicializa o Portaris"));
}

bool TfmPRS::eventFilter(QObject* obj, QEvent* e) {
    if (obj == btFUN && e->type() == QEvent::Enter) {
        MostrarMenu();
        return false;
    }
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F2) {
        auto* w = qobject_cast<QWidget*>(obj);
        if (w && w->window() == this && isVisible() && btACE->isChecked() && m_painel == pnACESSOS &&
            m_tag != -1) {
            e->accept();
            AbrirPorta();
            return true;
        }
    }
    return QMainWindow::eventFilter(obj, e);
}

void TfmPRS::AbrirPorta() {
    FecharMenus();
    Protegido([this] {
        const QStringList locais = m_servicos.lugaresAcesso ? m_servicos.lugaresAcesso() : QStringList();
        TfmABRIR::Pedido p;
        if (TfmABRIR::Pedir(locais, p, this) && m_servicos.abrirSemCartao)
            m_servicos.abrirSemCartao(p.nome, p.origem, p.observacao, p.local, p.destino);
    });
}

const OperacoesCadastro* TfmPRS::operacoesAtuais() const {
    if (m_painel == pnCONFIGURAR) return operacoesConfigurar ? operacoesConfigurar() : nullptr;
    auto i = m_operacoes.constFind(m_painel);
    return i == m_operacoes.constEnd() ? nullptr : &i.value();
}

QFrame* TfmPRS::menuAberto() const {
    for (QFrame* f : {pnFCAD, pnFACE, pnFREL})
        if (f->isVisible()) return f;
    return nullptr;
}

void TfmPRS::MostrarMenu() {
    if (!btFUN->isEnabled()) return;
    QFrame* menu = nullptr;
    switch (m_painel) {
    case pnACESSOS:
        menu = pnFACE;
        break;
    case pnRELATORIOS:
        menu = pnFREL;
        break;
    case pnCONFIGURAR:
        menu = operacoesAtuais() ? pnFCAD : nullptr;
        break;
    default:
        menu = pnFCAD;
        break;
    }
    if (!menu) return;
    for (QFrame* f : {pnFCAD, pnFACE, pnFREL})
        if (f != menu) f->hide();
    if (menu == pnFCAD) {
        const bool semImprimir = m_painel != pnCONFIGURAR;
        btIMP->setVisible(!semImprimir);
        menu->setFixedHeight(semImprimir ? 370 : 440);
        if (m_painel == pnFAMILIAS && focusWidget()) focusWidget()->clearFocus();
    }
    const QPoint canto = btFUN->mapTo(this, QPoint(0, 0));
    const int topoBarra = m_barra->mapTo(this, QPoint(0, 0)).y();
    menu->move(canto.x(), topoBarra - menu->height());
    menu->raise();
    menu->show();
    tmrMEN->start();
}

void TfmPRS::vigiarMenu() {
    QFrame* menu = menuAberto();
    if (!menu) {
        tmrMEN->stop();
        return;
    }
    QRect area(menu->mapToGlobal(QPoint(0, 0)), menu->size());
    area.setBottom(area.bottom() + 20);
    if (!area.contains(QCursor::pos())) FecharMenus();
}

void TfmPRS::modoEdicao(bool editando) {
    btINC->setEnabled(!editando);
    btALT->setEnabled(!editando);
    btEXC->setEnabled(!editando);
    btGRA->setEnabled(editando);
    btCAN->setEnabled(editando);
    BloquearNavegacao(editando);
}

// The registration machine: an operation that fails leaves the state as it was.
static bool chamar(const std::function<bool()>& op) {
    bool r = false;
    if (op) Protegido([&] { r = op(); });
    return r;
}

void TfmPRS::Incluir(bool alterar) {
    FecharMenus();
    const OperacoesCadastro* ops = operacoesAtuais();
    if (!ops) return;
    const bool ok = chamar(alterar ? ops->alterar : ops->incluir);
    if (ops->mostrarSegunda) ops->mostrarSegunda(ok);
    if (!ok) return;
    if (!alterar && ops->depoisIncluir) ops->depoisIncluir();
    modoEdicao(true);
}

void TfmPRS::Gravar() {
    FecharMenus();
    if (const OperacoesCadastro* ops = operacoesAtuais()) {
        const bool ok = chamar(ops->gravar);
        if (ops->mostrarSegunda) ops->mostrarSegunda(false);
        if (ok) {
            if (ops->depoisGravar) ops->depoisGravar();
            modoEdicao(false);
        }
    }
    if (focusWidget()) focusWidget()->clearFocus();
}

void TfmPRS::Cancelar() {
    FecharMenus();
    if (const OperacoesCadastro* ops = operacoesAtuais()) {
        const bool ok = chamar(ops->cancelar);
        if (ops->mostrarSegunda) ops->mostrarSegunda(false);
        if (ok) modoEdicao(false);
    }
    if (focusWidget()) focusWidget()->clearFocus();
}

void TfmPRS::Excluir() {
    FecharMenus();
    if (Perguntar(QStringLiteral("Confirma realizar a exclusão da informação selecionada?")) != Resposta::Sim)
        return;
    const OperacoesCadastro* ops = operacoesAtuais();
    if (ops && chamar(ops->excluir) && ops->depoisExcluir) ops->depoisExcluir();
    if (focusWidget()) focusWidget()->clearFocus();
}

void TfmPRS::ModoConfiguracaoServidor() {
    m_tag = -1;
    mostrarPainel(pnCONFIGURAR);
    setWindowTitle(QStringLiteral("O PORTARIS ESTÁ EM MODO DE CONFIGURAÇÃO DE SERVIDOR"));
    for (QToolButton* b : {btACE, btUSU, btRON, btLEM, btREL, btLOF, btCON, btFUN})
        b->setEnabled(false);
    btFIN->setEnabled(true);
    show();
    QMessageBox::information(this, QStringLiteral("Aviso"),
                             QStringLiteral("Após concluir e salvar as alterações, re-inicie o Portaris"));
}

} // namespace portaris
