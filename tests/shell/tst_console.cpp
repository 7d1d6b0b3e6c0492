// The console's main window: navigation with the account's levels, the edit lock, shutdown,
// logoff, activation, the manual opening and the live list.
#include "ConsoleTeste.h"
#include "access/uAberturaSemCartao.h"
#include "shell/TframeControleAcesso.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

using namespace portaris;

Q_DECLARE_METATYPE(portaris::Resposta)

namespace {

const QString kRecusa = QStringLiteral("Sua conta não possui acesso a esta opção!");
const QString kPerguntaConfigurar = QStringLiteral(
    "Ao acessar a opção Configurar, a comunicação com a(s) leitora(s) será interrompida.\r\n\r\nConfirma "
    "prosseguir?\r\n\r\nNota : a comunicação será re-estabelecida ao clicar a opção Acessos");

QToolButton* botao(TfmPRS& w, const QString& nome) {
    return w.findChild<QToolButton*>(nome);
}

// Runs `f` on the next modal window that opens while `acao` runs; returns whether one opened.
template <class F, class A> bool comModal(F f, A acao) {
    bool abriu = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            abriu = true;
            f(m);
        }
    });
    acao();
    return abriu;
}

void gravarAcesso(TdmPORTARIS& dm, const QString& nome, const QString& autorizado) {
    Conjunto& a = dm.setACE;
    a.inserir();
    a.definir(QStringLiteral("DATA"), relogio().hoje());
    a.definir(QStringLiteral("HORA"), relogio().agora().time());
    a.definir(QStringLiteral("NOME"), nome);
    a.definir(QStringLiteral("AUTORIZADO"), autorizado);
    a.definir(QStringLiteral("CARTAO"), QStringLiteral("00A1B2C3D4"));
    a.definir(QStringLiteral("COMPUTADOR"), TdmPORTARIS::NOME_COMPUTADOR());
    a.gravar();
}

QImage pintar(const QAbstractItemDelegate& d, const QModelIndex& i, bool selecionada) {
    QImage img(120, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QStyleOptionViewItem op;
    op.rect = img.rect();
    op.state = QStyle::State_Enabled | (selecionada ? QStyle::State_Selected : QStyle::State_None);
    d.paint(&p, op, i);
    return img;
}

int pixelsVermelhos(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 90 && c.blue() < 90) ++n;
        }
    return n;
}

} // namespace

class TstConsole : public QObject {
    Q_OBJECT
private slots:
    void navegacao_data();
    void navegacao();
    void registroEmEdicaoTravaTudo();
    void maquinaDeCadastro();
    void fechar_data();
    void fechar();
    void encerrar_data();
    void encerrar();
    void loginSoCancelarEncerra();
    void abrirSemCartao_data();
    void abrirSemCartao();
    void logoffEAtivacao();
    void autoInicio();
    void modoConfiguracaoServidor();
    void menus();
    void listaDeAcessos();
};

void TstConsole::navegacao_data() {
    QTest::addColumn<int>("inicio");
    QTest::addColumn<QString>("niveis");
    QTest::addColumn<QString>("botao");
    QTest::addColumn<Resposta>("resposta");
    QTest::addColumn<int>("painel");
    QTest::addColumn<QStringList>("mensagens");
    QTest::addColumn<int>("suspensoes");
    QTest::addColumn<int>("retomadas");
    using P = TfmPRS;
    const Resposta s = Resposta::Sim, n = Resposta::Nao;
    // clang-format off
    QTest::newRow("Usuários with NIVEL01") << int(P::pnACESSOS) << "10000" << "btUSU" << n << int(P::pnUSUARIOS) << QStringList() << 0 << 0;
    QTest::newRow("Usuários without NIVEL01") << int(P::pnACESSOS) << "01111" << "btUSU" << n << int(P::pnACESSOS) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Famílias with NIVEL01") << int(P::pnACESSOS) << "10000" << "btFAM" << n << int(P::pnFAMILIAS) << QStringList() << 0 << 0;
    QTest::newRow("Famílias without NIVEL01") << int(P::pnRONDA) << "01111" << "btFAM" << n << int(P::pnRONDA) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Ronda with NIVEL02") << int(P::pnUSUARIOS) << "01000" << "btRON" << n << int(P::pnRONDA) << QStringList() << 0 << 0;
    QTest::newRow("Ronda without NIVEL02") << int(P::pnUSUARIOS) << "10111" << "btRON" << n << int(P::pnUSUARIOS) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Relatórios with NIVEL04") << int(P::pnACESSOS) << "00010" << "btREL" << n << int(P::pnRELATORIOS) << QStringList() << 0 << 0;
    QTest::newRow("Relatórios without NIVEL04 from Famílias") << int(P::pnFAMILIAS) << "11101" << "btREL" << n << int(P::pnFAMILIAS) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Configurar answered Sim") << int(P::pnACESSOS) << "00001" << "btCON" << s << int(P::pnCONFIGURAR) << QStringList{kPerguntaConfigurar} << 1 << 0;
    QTest::newRow("Configurar answered Não on Usuários") << int(P::pnUSUARIOS) << "10001" << "btCON" << n << int(P::pnUSUARIOS) << QStringList{kPerguntaConfigurar} << 0 << 0;
    QTest::newRow("Configurar without NIVEL05") << int(P::pnACESSOS) << "11110" << "btCON" << s << int(P::pnACESSOS) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Configurar again on Configurar") << int(P::pnCONFIGURAR) << "11111" << "btCON" << s << int(P::pnCONFIGURAR) << QStringList() << 0 << 0;
    QTest::newRow("Lembretes without NIVEL03") << int(P::pnUSUARIOS) << "11011" << "btLEM" << n << int(P::pnUSUARIOS) << QStringList{kRecusa} << 0 << 0;
    QTest::newRow("Lembretes without card holders") << int(P::pnACESSOS) << "00100" << "btLEM" << n << int(P::pnACESSOS) << QStringList() << 0 << 0;
    QTest::newRow("Acessos resumes the devices") << int(P::pnCONFIGURAR) << "00000" << "btACE" << n << int(P::pnACESSOS) << QStringList() << 0 << 1;
    QTest::newRow("Acessos on Acessos") << int(P::pnACESSOS) << "00000" << "btACE" << n << int(P::pnACESSOS) << QStringList() << 0 << 1;
    // clang-format on
}

// Each bar button: the panel in front, its caption, the pressed button, the refusal with the
// current panel kept, and the devices suspended only by entering the configuration panel.
void TstConsole::navegacao() {
    QFETCH(int, inicio);
    QFETCH(QString, niveis);
    QFETCH(QString, botao);
    QFETCH(Resposta, resposta);
    QFETCH(int, painel);
    QFETCH(QStringList, mensagens);
    QFETCH(int, suspensoes);
    QFETCH(int, retomadas);
    ConsoleTeste c;
    TfmPRS& w = *c.w;
    w.show();
    const QHash<int, QToolButton*> botoes = {{TfmPRS::pnACESSOS, w.btACE},    {TfmPRS::pnUSUARIOS, w.btUSU},
                                             {TfmPRS::pnRONDA, w.btRON},      {TfmPRS::pnCONFIGURAR, w.btCON},
                                             {TfmPRS::pnRELATORIOS, w.btREL}, {TfmPRS::pnFAMILIAS, w.btFAM}};
    if (inicio != TfmPRS::pnACESSOS) {
        c.m.operador.roteiro({Resposta::Sim});
        botoes[inicio]->click();
        QCOMPARE(w.painelAtual(), inicio);
    }
    c.definirNiveis(niveis);
    c.chamadas = {};
    c.m.operador.limpar();
    c.m.operador.roteiro({resposta});
    const QString legendaAntes = w.windowTitle();

    ::botao(w, botao)->click();

    QCOMPARE(c.m.operador.textos(), mensagens);
    QCOMPARE(w.painelAtual(), painel);
    QVERIFY(w.painel(painel)->isVisible());
    // A refusal or a button that leads nowhere leaves the caption as it was.
    const bool navegou = painel != inicio || botao == QLatin1String("btACE");
    // The captions as the operator reads them, written out.
    static const QHash<int, QString> legendas = {
        {TfmPRS::pnACESSOS, QStringLiteral("PORTARIS - Tela de controle de acessos")},
        {TfmPRS::pnUSUARIOS, QStringLiteral("PORTARIS - Tela de cadastro de pessoal")},
        {TfmPRS::pnRONDA, QStringLiteral("PORTARIS - Tela de cadastro de ronda")},
        {TfmPRS::pnCONFIGURAR, QStringLiteral("PORTARIS - Painel de configurações")},
        {TfmPRS::pnRELATORIOS, QStringLiteral("PORTARIS - Tela de relatórios")},
        {TfmPRS::pnFAMILIAS, QStringLiteral("PORTARIS - Tela de cadastro de famílias")}};
    QCOMPARE(w.windowTitle(), navegou ? legendas.value(painel) : legendaAntes);
    for (auto i = botoes.cbegin(); i != botoes.cend(); ++i)
        QCOMPARE(i.value()->isChecked(), i.key() == painel);
    QCOMPARE(c.chamadas.suspensoes, suspensoes);
    QCOMPARE(c.chamadas.retomadas, retomadas);
    QVERIFY(w.btCON->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

// While a record is open nothing moves: no panel change, no question, no logoff, no shutdown;
// the buttons and the cursor are left usable.
void TstConsole::registroEmEdicaoTravaTudo() {
    ConsoleTeste c;
    cfg::outros_confirmaaofechar.gravar(false);
    c.recriar();
    TfmPRS& w = *c.w;
    w.show();
    c.m.dm->setGRP.inserir();
    QVERIFY(c.m.dm->EM_EDICAO());
    for (QToolButton* b : {w.btUSU, w.btFAM, w.btRON, w.btREL, w.btCON, w.btLOF, w.btFIN}) {
        b->click();
        QCOMPARE(w.painelAtual(), int(TfmPRS::pnACESSOS));
        QVERIFY(w.btACE->isChecked());
        QVERIFY(w.isVisible());
        QVERIFY(b->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }
    QVERIFY(c.m.operador.textos().isEmpty());
    QVERIFY(c.chamadas.logoffs.isEmpty());
    w.btSTA->click(); // the status window is not locked
    QCOMPARE(c.chamadas.status, 1);
    QVERIFY(!ConsoleTeste::linhasLog().contains(QStringLiteral("Finaliza o Portaris")));

    c.m.dm->setGRP.cancelar();
    w.btFIN->click();
    QVERIFY(!w.isVisible());
}

// Incluir / Alterar lock navigation until a save or cancel succeeds; a refused save keeps the
// record open; a panel without operations does nothing.
void TstConsole::maquinaDeCadastro() {
    ConsoleTeste c;
    TfmPRS& w = *c.w;
    Conjunto& g = c.m.dm->setGRP;
    bool recusarGravacao = true;
    int exclusoes = 0;
    OperacoesCadastro ops;
    ops.incluir = [&] {
        g.inserir();
        return g.estado() == EstadoConjunto::Inserindo;
    };
    ops.alterar = [&] {
        g.editar();
        return g.estado() == EstadoConjunto::Editando;
    };
    ops.gravar = [&] {
        if (recusarGravacao) Recusar(QStringLiteral("@!000ERRDescrição obrigatória!"));
        g.gravar();
        return !g.emEdicao();
    };
    ops.cancelar = [&] {
        g.cancelar();
        return !g.emEdicao();
    };
    ops.excluir = [&] {
        ++exclusoes;
        return true;
    };
    w.definirOperacoes(TfmPRS::pnUSUARIOS, ops);
    w.show();

    const QList<QToolButton*> navegacao = {w.btACE, w.btUSU, w.btRON, w.btLEM,
                                           w.btREL, w.btLOF, w.btCON, w.btFIN};
    auto editando = [&](bool sim) {
        for (QToolButton* b : navegacao)
            if (b->isEnabled() == sim) return false;
        return w.btINC->isEnabled() != sim && w.btALT->isEnabled() != sim && w.btEXC->isEnabled() != sim &&
               w.btGRA->isEnabled() == sim && w.btCAN->isEnabled() == sim && w.btFAM->isEnabled() &&
               w.btSTA->isEnabled() && w.btFUN->isEnabled();
    };

    w.btINC->click(); // on the access panel: no operations
    QVERIFY(editando(false));
    QVERIFY(!g.emEdicao());

    w.btUSU->click();
    w.btINC->click();
    QVERIFY(editando(true));
    QVERIFY(g.emEdicao());
    w.btGRA->click();
    QCOMPARE(c.m.operador.textos(), QStringList{QStringLiteral("Descrição obrigatória!")});
    QVERIFY(editando(true));
    w.btCAN->click();
    QVERIFY(editando(false));
    QVERIFY(!g.emEdicao());

    const int antes = g.quantidade();
    w.btALT->click();
    QVERIFY(editando(true));
    recusarGravacao = false;
    g.definir(QStringLiteral("DESCRICAO"), QStringLiteral("Prestadores"));
    w.btGRA->click();
    QVERIFY(editando(false));
    QCOMPARE(g.quantidade(), antes);
    QCOMPARE(g.texto(QStringLiteral("DESCRICAO")), QStringLiteral("Prestadores"));

    c.m.operador.roteiro({Resposta::Nao, Resposta::Sim});
    w.btEXC->click();
    QCOMPARE(exclusoes, 0);
    w.btEXC->click();
    QCOMPARE(exclusoes, 1);
    QVERIFY(editando(false));
}

void TstConsole::fechar_data() {
    QTest::addColumn<bool>("confirmar");
    QTest::addColumn<int>("depois"); // written after the window was created; -1 leaves the file
    QTest::addColumn<Resposta>("resposta");
    QTest::addColumn<bool>("fechou");
    QTest::newRow("confirmaaofechar, Sim") << true << -1 << Resposta::Sim << true;
    QTest::newRow("confirmaaofechar, Não") << true << -1 << Resposta::Nao << false;
    QTest::newRow("confirmaaofechar, dialog closed") << true << -1 << Resposta::Fechada << false;
    QTest::newRow("no confirmation") << false << -1 << Resposta::Nao << true;
    QTest::newRow("confirmation turned off after the start") << true << 0 << Resposta::Nao << false;
    QTest::newRow("confirmation turned on after the start") << false << 1 << Resposta::Nao << true;
}

// "Finalizar": the question when configured at the start; closing logs "Finaliza o Portaris" and
// logs the operator off in the database; a refused close changes nothing and leaves "Finalizar"
// usable.
void TstConsole::fechar() {
    QFETCH(bool, confirmar);
    QFETCH(int, depois);
    QFETCH(Resposta, resposta);
    QFETCH(bool, fechou);
    ConsoleTeste c;
    cfg::outros_confirmaaofechar.gravar(confirmar);
    c.recriar();
    if (depois >= 0) cfg::outros_confirmaaofechar.gravar(depois == 1);
    c.w->show();
    c.m.operador.roteiro({resposta});
    c.w->btFIN->click();
    QCOMPARE(c.m.operador.textos(),
             confirmar ? QStringList{QStringLiteral("Confirma sair do Portaris")} : QStringList());
    QCOMPARE(c.w->isVisible(), !fechou);
    QCOMPARE(ConsoleTeste::linhasLog().contains(QStringLiteral("Finaliza o Portaris")), fechou);
    QCOMPARE(c.chamadas.logoffs, fechou ? QStringList{QStringLiteral("porteiro")} : QStringList());
    QVERIFY(c.w->btFIN->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

// Ended by the system (SIGTERM): the same close, without the question even when it is configured,
// also when the operator is logged off and the window hidden, or while the question is open.
void TstConsole::encerrar_data() {
    QTest::addColumn<bool>("visivel");
    QTest::addColumn<bool>("perguntando");
    QTest::newRow("logged in") << true << false;
    QTest::newRow("logged off, window hidden") << false << false;
    QTest::newRow("while Finalizar asks") << true << true;
}

void TstConsole::encerrar() {
    QFETCH(bool, visivel);
    QFETCH(bool, perguntando);
    ConsoleTeste c;
    cfg::outros_confirmaaofechar.gravar(true);
    c.recriar();
    if (visivel) c.w->show();
    if (perguntando) {
        // The system's end comes while the question is on screen; the operator then answers Não.
        struct Operador : public OperadorRoteirizado {
            TfmPRS* w = nullptr;
            Resposta exibir(const MensagemCodificada& m) override {
                OperadorRoteirizado::exibir(m);
                w->Encerrar();
                return Resposta::Nao;
            }
        } op;
        op.w = c.w.get();
        c.w->btFIN->click();
        QCOMPARE(op.textos(), QStringList{QStringLiteral("Confirma sair do Portaris")});
    } else {
        c.w->Encerrar();
        QVERIFY(c.m.operador.textos().isEmpty());
    }
    QVERIFY(!c.w->isVisible());
    QCOMPARE(ConsoleTeste::linhasLog().count(QStringLiteral("Finaliza o Portaris")), 1);
    QCOMPARE(c.chamadas.logoffs, QStringList{QStringLiteral("porteiro")});
}

// Logged off, the login window stays up until "Cancelar": Esc and the close box leave it, and the
// program, running (the doors are polled while nobody is logged in).
void TstConsole::loginSoCancelarEncerra() {
    ModuloTeste m;
    ProcsModulo procs(*m.dm);
    TfmLOG login(&procs, [] { return QStringList{QStringLiteral("admin")}; });
    QSignalSpy fechou(&login, &QDialog::finished);
    QSignalSpy cancelou(&login, &TfmLOG::cancelou);
    login.iniciar();
    login.show();
    login.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&login));

    QTest::keyClick(login.edSEN, Qt::Key_Escape);
    QVERIFY(login.isVisible());
    QTest::keyClick(&login, Qt::Key_Escape);
    QVERIFY(login.isVisible());
    QVERIFY(!login.close()); // the close box
    QVERIFY(login.isVisible());
    QCOMPARE(fechou.size(), 0);
    QCOMPARE(cancelou.size(), 0);

    QTest::mouseClick(login.btCAN, Qt::LeftButton);
    QVERIFY(!login.isVisible());
    QCOMPARE(cancelou.size(), 1);
    QCOMPARE(fechou.size(), 1); // closed: the program ends
}

void TstConsole::abrirSemCartao_data() {
    QTest::addColumn<int>("painel");
    QTest::addColumn<bool>("tecla");
    QTest::addColumn<bool>("abrir");
    QTest::addColumn<bool>("dialogo");
    QTest::addColumn<QString>("erro");
    QTest::newRow("F2 on the access panel, Abrir")
        << int(TfmPRS::pnACESSOS) << true << true << true << QString();
    QTest::newRow("F2 on the access panel, Cancelar")
        << int(TfmPRS::pnACESSOS) << true << false << true << QString();
    QTest::newRow("button F2 Abrir") << int(TfmPRS::pnACESSOS) << false << true << true << QString();
    QTest::newRow("Abrir, the engine fails") << int(TfmPRS::pnACESSOS) << true << true << true
                                             << QStringLiteral("lock conflict on no wait transaction");
    QTest::newRow("F2 on Usuários does nothing")
        << int(TfmPRS::pnUSUARIOS) << true << true << false << QString();
}

// F2 reaches the window before the focused grid; the dialog opens in the middle of the desktop,
// lists the engine's places and hands the typed values to the opening without card.
void TstConsole::abrirSemCartao() {
    QFETCH(int, painel);
    QFETCH(bool, tecla);
    QFETCH(bool, abrir);
    QFETCH(bool, dialogo);
    QFETCH(QString, erro);
    ConsoleTeste c;
    c.chamadas.erroAbertura = erro;
    TfmPRS& w = *c.w;
    w.show();
    w.move(w.pos() + QPoint(300, 200)); // the console away from the middle of the desktop
    if (painel == TfmPRS::pnUSUARIOS) w.btUSU->click();
    QStringList itens;
    QPoint centro;
    bool abrirHabilitadoSemLugar = true;
    const bool abriu = comModal(
        [&](QWidget* m) {
            auto* d = qobject_cast<TfmABRIR*>(m);
            if (!d) {
                m->close();
                return;
            }
            centro = d->geometry().center();
            for (int i = 0; i < d->cbLOC->count(); ++i)
                itens << d->cbLOC->itemText(i);
            d->cbLOC->setCurrentIndex(-1);
            abrirHabilitadoSemLugar = d->btABR->isEnabled();
            d->cbLOC->setCurrentIndex(1);
            d->edNOM->setText(QStringLiteral("João da Silva"));
            d->edORI->setText(QStringLiteral("Bloco A"));
            d->edDES->setText(QStringLiteral("Apto 12"));
            d->edOBS->setText(QStringLiteral("Entrega"));
            (abrir ? d->btABR : d->btCAN)->click();
        },
        [&] {
            if (tecla) {
                w.frameAcesso()->gdACE()->setFocus();
                QTest::keyClick(w.frameAcesso()->gdACE(), Qt::Key_F2);
            } else {
                w.btABR->click();
            }
        });
    QCOMPARE(abriu, dialogo);
    if (!dialogo) {
        QVERIFY(c.chamadas.aberturas.isEmpty());
        return;
    }
    QCOMPARE(itens, c.chamadas.lugares);
    QVERIFY(!abrirHabilitadoSemLugar);
    // Centred on the desktop (give or take its frame), not over the console.
    const QPoint meio = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2((centro - meio).manhattanLength() <= 8,
             qPrintable(QStringLiteral("centre %1,%2").arg(centro.x()).arg(centro.y())));
    if (abrir)
        QCOMPARE(c.chamadas.aberturas,
                 (QList<QStringList>{{QStringLiteral("João da Silva"), QStringLiteral("Bloco A"),
                                      QStringLiteral("Entrega"), QStringLiteral("Garagem•"),
                                      QStringLiteral("Apto 12")}}));
    else
        QVERIFY(c.chamadas.aberturas.isEmpty());
    // An engine error is shown as it came and stops there.
    QCOMPARE(c.m.operador.textos(), erro.isEmpty() ? QStringList() : QStringList{erro});
    QVERIFY(w.isVisible());
}

// Logoff with a real login window: the question, USERLOGOFF recorded, the console hidden on the
// access panel with devices running, the login window back; each activation logs its line.
void TstConsole::logoffEAtivacao() {
    ModuloTeste* mod = nullptr;
    ConsoleTeste c(QStringLiteral("00000"));
    mod = &c.m;
    ProcsModulo procs(*mod->dm);
    TfmLOG login(&procs, [&] { return QStringList{QStringLiteral("admin")}; });
    c.w = std::make_unique<TfmPRS>(*mod->dm, &login, c.servicos());
    TfmPRS& w = *c.w;
    connect(&login, &TfmLOG::acessou, &w, [&](const QString& nome) {
        w.setWindowTitle(QStringLiteral("PORTARIS ") + nome);
        w.show();
        w.activateWindow();
    });
    auto entrar = [&] {
        login.iniciar();
        login.show();
        login.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        login.lsLOG->setCurrentIndex(0);
        login.edSEN->setText(QStringLiteral("admin"));
        login.btACE->click();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    };
    auto inicializacoes = [] {
        return ConsoleTeste::linhasLog().count(QStringLiteral("Inicializa o Portaris"));
    };

    entrar();
    QCOMPARE(inicializacoes(), 1);
    QCOMPARE(w.windowTitle(), QStringLiteral("PORTARIS Administrador"));
    w.btUSU->click(); // admin holds every level
    QCOMPARE(w.painelAtual(), int(TfmPRS::pnUSUARIOS));

    mod->operador.roteiro({Resposta::Nao});
    w.btLOF->click();
    QCOMPARE(mod->operador.textos(), QStringList{QStringLiteral("Confirma efetuar log-off")});
    QVERIFY(w.isVisible());
    QVERIFY(c.chamadas.logoffs.isEmpty());

    mod->operador.roteiro({Resposta::Sim});
    w.btLOF->click();
    QCOMPARE(c.chamadas.logoffs, QStringList{QStringLiteral("admin")});
    QVERIFY(!w.isVisible());
    QVERIFY(login.isVisible());
    QVERIFY(login.edSEN->text().isEmpty());
    QCOMPARE(login.lsLOG->currentIndex(), 0);
    QCOMPARE(w.painelAtual(), int(TfmPRS::pnACESSOS));
    QVERIFY(w.btACE->isChecked());
    QCOMPARE(w.windowTitle(), QStringLiteral("PORTARIS - Tela de controle de acessos"));
    QCOMPARE(c.chamadas.retomadas, 1);
    QCOMPARE(c.chamadas.suspensoes, 0);
    // The database knows this station is logged off: no automatic login at the next start.
    const QVariantMap r =
        procs.executar(QStringLiteral("USER_EFETUOU_LOGOFF"), {{QStringLiteral("PPONTO"), QString()}});
    QVERIFY(r.value(QStringLiteral("PCHAVE")).isNull());
    QCOMPARE(inicializacoes(), 1); // logging off itself writes nothing

    entrar();
    QCOMPARE(inicializacoes(), 2);
}

// A station switched off while logged in: the automatic login, the caption's suffix at the first
// activation only, and "Inicializa o Portaris" at every activation.
void TstConsole::autoInicio() {
    ConsoleTeste c(QStringLiteral("00000"));
    cfg::outros_nomecomputador.gravar(QStringLiteral("PORTARIA1"));
    ProcsModulo procs(*c.m.dm);
    procs.executar(QStringLiteral("USERLOGIN"), {{QStringLiteral("PLOGIN"), QStringLiteral("admin")},
                                                 {QStringLiteral("PPONTO"), QStringLiteral("PORTARIA1")}});
    TfmLOG login(&procs, [] { return QStringList{QStringLiteral("admin")}; });
    c.w = std::make_unique<TfmPRS>(*c.m.dm, &login, c.servicos());
    TfmPRS& w = *c.w;
    connect(&login, &TfmLOG::acessou, &w, [&](const QString& nome) {
        w.setWindowTitle(QStringLiteral("PORTARIS ") + nome);
        w.show();
        w.activateWindow();
    });
    login.iniciar();
    QVERIFY(login.autoInicio() || w.isVisible());
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QString legenda = w.windowTitle();
    QVERIFY2(legenda.endsWith(TfmPRS::sufixoAutoInicio), qPrintable(legenda));
    QVERIFY(!login.autoInicio());
    QCOMPARE(ConsoleTeste::linhasLog().count(QStringLiteral("Inicializa o Portaris")), 1);

    QWidget outra;
    outra.show();
    outra.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&outra));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.windowTitle(), legenda);
    QCOMPARE(ConsoleTeste::linhasLog().count(QStringLiteral("Inicializa o Portaris")), 2);
}

void TstConsole::modoConfiguracaoServidor() {
    ConsoleTeste c;
    TfmPRS& w = *c.w;
    QString titulo, texto;
    const bool abriu = comModal(
        [&](QWidget* m) {
            if (auto* caixa = qobject_cast<QMessageBox*>(m)) {
                titulo = caixa->windowTitle();
                texto = caixa->text();
            }
            m->close();
        },
        [&] { w.ModoConfiguracaoServidor(); });
    QVERIFY(abriu);
    QCOMPARE(titulo, QStringLiteral("Aviso"));
    QCOMPARE(texto, QStringLiteral("Após concluir e salvar as alterações, re-inicie o Portaris"));
    QCOMPARE(w.tag(), -1);
    QCOMPARE(w.windowTitle(), QStringLiteral("O PORTARIS ESTÁ EM MODO DE CONFIGURAÇÃO DE SERVIDOR"));
    QCOMPARE(w.painelAtual(), int(TfmPRS::pnCONFIGURAR));
    QVERIFY(w.painel(TfmPRS::pnCONFIGURAR)->isVisible());
    for (QToolButton* b : {w.btACE, w.btUSU, w.btRON, w.btLEM, w.btREL, w.btLOF, w.btCON, w.btFUN})
        QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
    QVERIFY(w.btFIN->isEnabled());
    // F2 opens nothing here.
    const bool dialogo = comModal([](QWidget* m) { m->close(); }, [&] { QTest::keyClick(&w, Qt::Key_F2); });
    QVERIFY(!dialogo);
    QCOMPARE(c.chamadas.suspensoes + c.chamadas.retomadas, 0);
}

// The column of the panel in front, placed above "Funções"; the watcher closes it once the
// pointer leaves it (20 pixels below it still count as inside).
void TstConsole::menus() {
    ConsoleTeste c;
    TfmPRS& w = *c.w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto aberto = [&] { return w.menuAberto(); };

    QEnterEvent entrada(QPointF(5, 5), QPointF(5, 5), w.btFUN->mapToGlobal(QPointF(5, 5)));
    QCursor::setPos(w.btFUN->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(w.btFUN, &entrada);
    QCOMPARE(aberto(), w.pnFACE);
    QCOMPARE(w.pnFACE->geometry().bottom() + 1, w.btFUN->parentWidget()->mapTo(&w, QPoint(0, 0)).y());
    QCOMPARE(w.pnFACE->x(), w.btFUN->mapTo(&w, QPoint(0, 0)).x());

    w.btUSU->click(); // every button closes the column first
    QVERIFY(!aberto());
    w.MostrarMenu();
    QCOMPARE(aberto(), w.pnFCAD);
    QCOMPARE(w.pnFCAD->height(), 370);
    QVERIFY(!w.btIMP->isVisible());

    w.btREL->click();
    w.MostrarMenu();
    QCOMPARE(aberto(), w.pnFREL);
    QVERIFY(!w.pnFCAD->isVisible() && !w.pnFACE->isVisible());

    // Just below the column: kept; far away: closed by the watcher.
    QCursor::setPos(w.pnFREL->mapToGlobal(QPoint(10, w.pnFREL->height() + 15)));
    QTest::qWait(700);
    QCOMPARE(aberto(), w.pnFREL);
    QCursor::setPos(w.pnFREL->mapToGlobal(QPoint(10, w.pnFREL->height() + 60)));
    QTRY_VERIFY_WITH_TIMEOUT(!aberto(), 3000);
    QVERIFY(!w.tmrMEN->isActive());

    // No column on the configuration panel while its page has no record.
    c.m.operador.roteiro({Resposta::Sim});
    w.btCON->click();
    w.MostrarMenu();
    QVERIFY(!aberto());
}

// The live list: the newest access is current, selected and in the top panel; the painting of
// odd, even and selected rows and of a refused access.
void TstConsole::listaDeAcessos() {
    ConsoleTeste c;
    TfmPRS& w = *c.w;
    TdmPORTARIS& dm = *c.m.dm;
    w.show();
    TframeControleAcesso* f = w.frameAcesso();
    GradeConjunto* g = f->gdACE();
    QCOMPARE(g->model()->rowCount(), 0);

    gravarAcesso(dm, QStringLiteral("Ana"), QStringLiteral("Sim"));
    gravarAcesso(dm, QStringLiteral("Bruno"), QStringLiteral("Não"));
    gravarAcesso(dm, QStringLiteral("Carla"), QStringLiteral("Sim"));
    QCOMPARE(g->currentIndex().row(), 2);
    QVERIFY(g->selectionModel()->isRowSelected(2, {}));
    QCOMPARE(f->campo(QStringLiteral("NOME"))->text(), QStringLiteral("Carla"));
    QCOMPARE(f->campo(QStringLiteral("CARTAO"))->text(), QStringLiteral("00A1B2C3D4"));
    QVERIFY(f->campo(QStringLiteral("NOME"))->isReadOnly());
    QVERIFY(f->campo(QStringLiteral("NOME"))->font().bold());
    QCOMPARE(f->campo(QStringLiteral("NOME"))->font().pixelSize(), 16);
    // While the engine builds the next row, the top panel stays read-only.
    dm.setACE.inserir();
    QVERIFY(f->campo(QStringLiteral("NOME"))->isReadOnly());
    dm.setACE.cancelar();

    QStringList titulos;
    for (int i = 0; i < g->model()->columnCount(); ++i)
        titulos << g->model()->headerData(i, Qt::Horizontal).toString();
    QCOMPARE(titulos,
             (QStringList{"Hora", "Autorizado", "Pessoa", "Leitora", "Comentário Portaris", "Observações"}));
    QCOMPARE(g->columnWidth(0), 72);
    QCOMPARE(g->columnWidth(4), 200);
    QCOMPARE(g->columnWidth(5), 282);
    QCOMPARE(g->selectionBehavior(), QAbstractItemView::SelectRows);
    // The row of titles shows at the header's own height; no row numbers beside the rows.
    QHeaderView* cabecalho = g->horizontalHeader();
    QVERIFY(cabecalho->isVisible());
    QCOMPARE(cabecalho->height(), cabecalho->sizeHint().height());
    QVERIFY(cabecalho->height() >= cabecalho->fontMetrics().height());
    QCOMPARE(cabecalho->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(!g->verticalHeader()->isVisible());

    const QAbstractItemDelegate& d = *g->itemDelegate();
    auto* m = g->model();
    const QPoint canto(117, 1);                                                          // right of any text
    QCOMPARE(pintar(d, m->index(0, 2), false).pixelColor(canto), QColor(255, 255, 196)); // record 1, odd
    QCOMPARE(pintar(d, m->index(1, 2), false).pixelColor(canto), QColor(255, 255, 136)); // record 2, even
    QCOMPARE(pintar(d, m->index(2, 2), true).pixelColor(canto), QColor(192, 192, 192));  // selected
    QVERIFY(pixelsVermelhos(pintar(d, m->index(1, 1), false)) > 0);                      // "Não"
    QVERIFY(pixelsVermelhos(pintar(d, m->index(1, 1), true)) > 0);
    QCOMPARE(pixelsVermelhos(pintar(d, m->index(0, 1), false)), 0); // "Sim"
    QCOMPARE(pixelsVermelhos(pintar(d, m->index(1, 2), false)), 0); // a name
    // Selected text is bold: more ink than the same text in regular weight.
    auto tinta = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += qGray(img.pixel(x, y)) < 100;
        return n;
    };
    QVERIFY(tinta(pintar(d, m->index(2, 2), true)) > tinta(pintar(d, m->index(2, 2), false)));
}

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
