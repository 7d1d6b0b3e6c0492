// The console as the program starts it: data module, devices, login, status and main window, on a
// real database and the simulator, with the card of a holder going all the way into the live list.
#include "ClienteNaInterface.h"
#include "ModuloTeste.h"
#include "Simulador.h"
#include "access/uClassTfmPassa.h"
#include "remote/ServidorRemoto.h"
#include "reports/TfmRCX.h"
#include "access/CapVideo.h"
#include "registration/TframeCadastroUsuario.h"
#include "shell/Console.h"
#include "shell/TframeControleAcesso.h"
#include "platform/LogEventos.h"
#include "ui/ModeloConjunto.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace portaris;

namespace {
QString lerLog() {
    QFile f(CaminhoLog());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

namespace {

// A Firebird server of this test alone (scripts/firebird-servidor.sh: its own port and folder), so
// the test may stop it without touching the server other tests share.
class ServidorProprio {
public:
    QString servidor, senha;
    QString iniciar() {
        QProcess p;
        p.start(QStringLiteral("bash"), {script(), QStringLiteral("iniciar")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return QString::fromUtf8(p.readAllStandardError());
        // "export PORTARIS_FB_SERVIDOR=… PORTARIS_FB_SENHA=… PORTARIS_FB_PID=… PORTARIS_FB_PASTA=…"
        for (const QString& par : QString::fromUtf8(p.readAllStandardOutput()).simplified().split(u' ')) {
            const QString chave = par.section(u'=', 0, 0), valor = par.section(u'=', 1);
            if (chave == QLatin1String("PORTARIS_FB_SERVIDOR")) servidor = valor;
            if (chave == QLatin1String("PORTARIS_FB_SENHA")) senha = valor;
            if (chave == QLatin1String("PORTARIS_FB_PASTA")) m_pasta = valor;
        }
        return servidor.isEmpty() || m_pasta.isEmpty() ? QStringLiteral("no server in the script's answer")
                                                       : QString();
    }
    void parar() {
        if (m_pasta.isEmpty()) return;
        QProcess::execute(QStringLiteral("bash"), {script(), QStringLiteral("parar"), m_pasta});
        m_pasta.clear();
    }
    ~ServidorProprio() { parar(); }

private:
    static QString script() { return QStringLiteral(PORTARIS_RAIZ "/scripts/firebird-servidor.sh"); }
    QString m_pasta;
};

} // namespace

class TstInicio : public QObject {
    Q_OBJECT
    std::unique_ptr<ModuloTeste> m;
    std::unique_ptr<sim::Simulador> simulador;

    // The reader "Portaria" (head 200 on COM1) and the holder Ana, enabled on it. `confirmar`: the
    // reader asks the operator for every card. Written through the embedded engine, or through a
    // server when `nome` names one.
    void semear(bool confirmar = false, const QString& nome = {}, const QString& senha = {}) {
        Banco b;
        b.conectar(nome.isEmpty() ? m->arquivo : nome, QStringLiteral("SYSDBA"),
                   senha.isEmpty() ? QStringLiteral("masterkey") : senha);
        b.executar(
            QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
                           "POSICAO, PERMITIRREMOTO, CONFIRMARACESSO) VALUES (100, 200, 'Portaria', 'COM1', "
                           "'0A0B0C0D', '0', 'N', '1', '%1')")
                .arg(confirmar ? QStringLiteral("1") : QStringLiteral("0")));
        QString cols, vals;
        for (const char* d : {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB"}) {
            cols += QStringLiteral(", %1E, %1S").arg(QLatin1String(d));
            vals += QStringLiteral(", '00:00:00', '23:59:59'");
        }
        b.executar(QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, DESABILITAR, EXPIRA%1) VALUES "
                                  "(1, '00000A0001', 'Ana', '0', '0'%2)")
                       .arg(cols, vals));
        b.executar(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (1, 100)"));
        b.commit();
    }
    static void entrar(Console& c) {
        c.login()->lsLOG->setCurrentIndex(c.login()->lsLOG->findText(QStringLiteral("admin")));
        c.login()->edSEN->setText(QStringLiteral("admin"));
        c.login()->Acessar();
    }

private slots:
    void init() {
        m = std::make_unique<ModuloTeste>(false);
        simulador = std::make_unique<sim::Simulador>(19200, false);
        ArquivoIni::config().GravarTexto(QStringLiteral("portas"), QStringLiteral("com1"),
                                         simulador->abrirBarramento(1));
        simulador->adicionar(1, sim::Modelo::Leitora71, 200);
    }
    void cleanup() {
        simulador.reset();
        m.reset();
    }

    // Start, login, and a card presented at the reader shows up in the main window's list.
    void inicioECartao() {
        semear();
        Console c;
        c.iniciar();
        QVERIFY(c.login()->isVisible());
        QVERIFY(!c.principal());
        QCOMPARE(c.dispositivos.lista.size(), 1);
        QVERIFY(c.dispositivos.temporizadores.isEmpty()); // timers come with the main window
        const auto linhas = c.status()->modelo()->linhas();
        QCOMPARE(linhas.size(), 1);
        QCOMPARE(linhas.first().leitora, QStringLiteral("Portaria"));
        QCOMPARE(linhas.first().respondeu,
                 QStringLiteral("14:32:02")); // after the splash and the reader's wait
        QCOMPARE(linhas.first().remoto, QStringLiteral("S"));

        entrar(c);
        QVERIFY(c.principal());
        QVERIFY(c.principal()->isVisible());
        QVERIFY(!c.login()->isVisible());
        QCOMPARE(c.principal()->painel(TfmPRS::pnRELATORIOS), c.relatorios());
        // The connections report over the main window, modal; the doors work meanwhile.
        auto* rcx = c.principal()->findChild<TfmRCX*>();
        QVERIFY(rcx && rcx->isVisible() && rcx->isModal());
        QCOMPARE(rcx->gdPOR->item(0, 0)->text() + rcx->gdPOR->item(0, 1)->text(),
                 QStringLiteral("COM1Aberta"));
        // Generic heads (the default): the reader is addressed, and listed, as 255.
        QCOMPARE(rcx->gdLEI->item(0, 0)->text() + rcx->gdLEI->item(0, 1)->text(),
                 QStringLiteral("255Operante"));
        rcx->btOK->click();
        QTRY_VERIFY(!c.principal()->findChild<TfmRCX*>());
        QCOMPARE(c.dispositivos.temporizadores.size(), 1);
        QVERIFY(c.dispositivos.temporizadores.first()->isActive());

        const int antes = simulador->contar(QStringLiteral("rele"), 1);
        simulador->comando(QStringLiteral("cartao 1 200 00000A0001"));
        QTRY_COMPARE_WITH_TIMEOUT(c.dm.setACE.quantidade(), 1, 10000);
        QCOMPARE(c.dm.setACE.texto(QStringLiteral("NOME")), QStringLiteral("Ana"));
        QCOMPARE(c.dm.setACE.texto(QStringLiteral("LOGIN")), QStringLiteral("admin"));
        QTRY_COMPARE_WITH_TIMEOUT(simulador->contar(QStringLiteral("rele"), 1), antes + 1, 5000);
        const QAbstractItemModel* grade = c.principal()->frameAcesso()->findChild<ModeloConjunto*>();
        QVERIFY(grade);
        QCOMPARE(grade->rowCount(), 1);
        // Logged off, the devices keep granting access.
        c.principal()->hide();
        simulador->comando(QStringLiteral("cartao 1 200 00000A0001"));
        m->relogio.avancar(5000);
        QTRY_COMPARE_WITH_TIMEOUT(c.dm.setACE.quantidade(), 2, 10000);
    }

    // The daily actions (the copy closes the connection) wait while a record of any panel is being
    // typed, families included, or while "Configurar" is in use; the console's own condition.
    void acoesDiariasEsperam() {
        semear();
        Console c;
        c.iniciar();
        entrar(c);
        QVERIFY(c.acoesDiarias());
        const auto pode = [&] { return c.acoesDiarias()->podeAgir(); };
        QVERIFY(pode());
        for (Conjunto* s : {&c.dm.setFAM, &c.dm.setUSU, &c.dm.setGRP}) {
            s->inserir();
            QVERIFY2(!pode(), qPrintable(s->nome()));
            s->cancelar();
            QVERIFY(pode());
        }
        m->operador.roteiro({Resposta::Sim}); // "Confirma prosseguir?" before "Configurar"
        c.principal()->btCON->click();
        QTRY_COMPARE(c.principal()->painelAtual(), int(TfmPRS::pnCONFIGURAR));
        QVERIFY(!pode());
    }

    // "Logoff" closes this station's session only: another station's operator keeps theirs, and
    // with it that station's auto-start after a power cut.
    void logoffSoDestaEstacao() {
        semear();
        {
            Banco b;
            b.conectar(m->arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            b.executar(QStringLiteral("EXECUTE PROCEDURE USERLOGIN ('admin', 'Garagem')"));
            b.commit();
        }
        Console c;
        c.iniciar();
        entrar(c);
        m->operador.roteiro({Resposta::Sim, Resposta::Sim});
        c.principal()->btLOF->click();
        Banco outra;
        outra.conectar(m->arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        QTRY_COMPARE(outra.valor(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE SAIDA IS NULL AND PONTO <> 'Garagem'")).toInt(), 0);
        QCOMPARE(outra.valor(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE SAIDA IS NULL AND PONTO = 'Garagem'")).toInt(), 1);
        QCOMPARE(outra.valor(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE PONTO <> 'Garagem'")).toInt(), 1);
    }

    // The running console looks the holiday up again when the date changes: a holder barred on
    // holidays passes at 23:59 and is refused a minute later, on the holiday.
    void feriadoDepoisDaMeiaNoite() {
        semear();
        {
            Banco b;
            b.conectar(m->arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            b.executar(QStringLiteral("UPDATE USUARIO SET NAOACESSOFERIADOS = '1' WHERE CHAVE = 1"));
            b.executar(QStringLiteral("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (8, 5, 'teste')"));
            b.commit();
        }
        m->relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(23, 58)));
        Console c;
        c.iniciar();
        entrar(c);
        if (auto* rcx = c.principal()->findChild<TfmRCX*>()) rcx->btOK->click();
        QTRY_COMPARE(c.dispositivos.temporizadores.size(), 1);
        const auto passar = [&](int linhas) {
            simulador->comando(QStringLiteral("cartao 1 200 00000A0001"));
            QTRY_VERIFY_WITH_TIMEOUT(c.dm.dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO")).toInt() >= linhas, 10000);
            simulador->comando(QStringLiteral("cartao 1 200 -"));
        };
        passar(1);
        m->relogio.definir(QDateTime(QDate(2024, 5, 8), QTime(0, 0, 30)));
        passar(2);
        Banco outra;
        outra.conectar(m->arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        Comando q(outra, QStringLiteral("SELECT DATA, AUTORIZADO, NOTA FROM ACESSO ORDER BY CHAVE"));
        q.abrir();
        QStringList linhas;
        while (q.proximo())
            linhas << q.campo(0).toDate().toString(QStringLiteral("dd/MM")) + u'|' + q.campo(1).toString() + u'|' +
                          q.campo(2).toString();
        QCOMPARE(linhas, (QStringList{QStringLiteral("07/05|Sim|Acesso autorizado"),
                                      QStringLiteral("08/05|Não|Não habilitado feriado")}));
    }

    void servidorInacessivel_data() {
        QTest::addColumn<bool>("configurar");
        QTest::newRow("Não") << false;
        QTest::newRow("Sim") << true;
    }
    void servidorInacessivel() {
        QFETCH(bool, configurar);
        cfg::firebird_databasefile.gravar(m->pasta.caminho(QStringLiteral("nao-existe.fdb")));
        Console c;
        QStringList caixas;
        c.caixaErro = [&](const QString& titulo, const QString& texto) { caixas << titulo + u'|' + texto; };
        c.caixaPergunta = [&](const QString& titulo, const QString& texto) {
            caixas << titulo + u'|' + texto;
            return configurar;
        };
        // The main window's "Aviso" box of server configuration mode is answered OK.
        QTimer fecharAviso;
        connect(&fecharAviso, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        fecharAviso.start(50);
        c.iniciar(false);
        QCOMPARE(caixas,
                 (QStringList{"Erro|O Portaris não conseguiu acessar o servidor!",
                              "Modo de configuração|Deseja entrar em modo de configuração de servidor?"}));
        QCOMPARE(c.modoServidor(), configurar);
        if (configurar) {
            QVERIFY(c.principal());
            QCOMPARE(c.principal()->tag(), -1);
            QCOMPARE(c.principal()->windowTitle(),
                     QStringLiteral("O PORTARIS ESTÁ EM MODO DE CONFIGURAÇÃO DE SERVIDOR"));
            QVERIFY(!c.login()->isVisible());
        } else {
            QVERIFY(!c.principal());
            QVERIFY(c.login()->isVisible());
            QCOMPARE(c.login()->lsLOG->count(), 0);
        }
        QVERIFY(c.dispositivos.temporizadores.isEmpty());
    }

    // The server goes away between a logoff and the next login: "Acessar" (click and Enter) shows
    // the error and the console goes on, logged off, polling its doors; a card at the reader is
    // still read and handled.
    void servidorCaiAntesDoLogin() {
        ServidorProprio servidor;
        const QString erro = servidor.iniciar();
        if (!erro.isEmpty()) QSKIP(qPrintable(QStringLiteral("no private Firebird server: ") + erro));
        const QString arquivo = BancoTeste::copia(m->pasta.caminho(), QStringLiteral("servidor.fdb"));
        semear(false, servidor.servidor + u':' + arquivo, servidor.senha);
        cfg::firebird_server.gravar(QStringLiteral("remoto"));
        cfg::firebird_servername.gravar(servidor.servidor);
        cfg::firebird_databasefile.gravar(arquivo);
        cfg::firebird_password.gravar(servidor.senha);

        Console c;
        c.iniciar(false);
        QVERIFY2(c.dm.remoto && c.dm.conectado(), qPrintable(c.dm.ultimoErro()));
        entrar(c);
        QVERIFY(c.principal() && c.principal()->isVisible());
        m->operador.roteiro({Resposta::Sim});
        c.principal()->btLOF->click();
        QVERIFY(c.login()->isVisible());
        QVERIFY(!c.principal()->isVisible());
        QCOMPARE(c.dispositivos.temporizadores.size(), 1);

        servidor.parar();
        m->operador.limpar();
        TfmLOG& login = *c.login();
        login.lsLOG->setCurrentIndex(login.lsLOG->findText(QStringLiteral("admin")));
        login.edSEN->setText(QStringLiteral("admin"));
        QTest::mouseClick(login.btACE, Qt::LeftButton);
        QCOMPARE(m->operador.mostradas().size(), 1);
        login.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&login));
        login.edSEN->setFocus(); // back in the password field
        QTest::keyClick(login.edSEN, Qt::Key_Return);
        QVERIFY2(m->operador.mostradas().size() == 2, qPrintable(m->operador.textos().join(u'|')));
        for (const MensagemCodificada& msg : m->operador.mostradas()) {
            QCOMPARE(msg.tipo, TipoMensagem::Erro);
            QVERIFY(!msg.texto.isEmpty());
        }
        QVERIFY(login.isVisible());
        QVERIFY(!login.lbERR->isVisible()); // not a wrong password
        QVERIFY(!c.principal()->isVisible());
        QCOMPARE(c.principal()->sessao().login, QStringLiteral("admin")); // the session as it was

        // The doors: the reader's card reaches its flow, which logs the card it could not decide
        // (no box for a database that is away) and goes on.
        QGuiApplication::clipboard()->clear();
        simulador->comando(QStringLiteral("cartao 1 200 00000A0001"));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::clipboard()->text(), QStringLiteral("00000A0001"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(lerLog().contains(QStringLiteral("cartão 00000A0001")), 10000);
        QCOMPARE(m->operador.mostradas().size(), 2);
        QTRY_VERIFY(c.dispositivos.temporizadores.first()->isActive());
        QVERIFY(login.isVisible());
    }

    // A card's confirmation window closes the main window's open function column before it shows.
    void confirmacaoFechaColunaDeFuncoes() {
        semear(true);
        Console c;
        c.iniciar(false);
        entrar(c);
        TfmPRS& w = *c.principal();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.MostrarMenu();
        QCOMPARE(w.menuAberto(), w.pnFACE);
        QCursor::setPos(w.pnFACE->mapToGlobal(w.pnFACE->rect().center())); // the pointer rests on it

        bool dialogo = false;
        QFrame* colunaNoDialogo = w.pnFACE;
        QTimer responder;
        connect(&responder, &QTimer::timeout, [&] {
            auto* d = qobject_cast<TfmPASSA*>(QApplication::activeModalWidget());
            if (!d) return;
            dialogo = true;
            colunaNoDialogo = w.menuAberto();
            static_cast<QToolButton*>(d->btSIM)->click();
        });
        responder.start(20);
        simulador->comando(QStringLiteral("cartao 1 200 00000A0001"));
        QTRY_COMPARE_WITH_TIMEOUT(c.dm.setACE.quantidade(), 1, 10000);
        QVERIFY(dialogo);
        QCOMPARE(colunaNoDialogo, nullptr);
        QCOMPARE(c.dm.setACE.texto(QStringLiteral("AUTORIZADO")), QStringLiteral("Sim"));
    }

    // [remoto] ativo: the status window is created with the server listening and shown at once; a
    // remote station logs in and opens the door through the console's own engine and database, also
    // before anyone logged in here. Without a database the login check fails.
    void servidorRemoto_data() {
        QTest::addColumn<bool>("banco");
        QTest::newRow("com banco") << true;
        QTest::newRow("sem banco") << false;
    }
    void servidorRemoto() {
        QFETCH(bool, banco);
        semear();
        cfg::remoto_ativo.gravar(true);
        cfg::remoto_porta.gravar(0);
        if (!banco) cfg::firebird_databasefile.gravar(m->pasta.caminho(QStringLiteral("nao-existe.fdb")));
        Console c;
        c.caixaErro = [](const QString&, const QString&) {};
        c.caixaPergunta = [](const QString&, const QString&) { return false; };
        c.iniciar(false);
        TfmSTATUS* w = c.status();
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Leitoras (em modo servidor)"));
        QCOMPARE(w->height(), 407);
        QVERIFY(w->servidor() && w->servidor()->porta() != 0);

        Cliente cliente;
        QVERIFY(cliente.conectar(w->servidor()->porta()));
        RegistroRemoto login = RegistroRemoto::resposta(QStringLiteral("LOGIN"), QStringLiteral("admin"));
        login[RegistroRemoto::Senha] = QStringLiteral("admin");
        cliente.enviar(login.codificar());
        QCOMPARE(cliente.resposta()[RegistroRemoto::Texto],
                 banco ? QStringLiteral("OKK") : QStringLiteral("ERR"));
        if (!banco) return;
        const int antes = simulador->contar(QStringLiteral("rele"), 1);
        cliente.enviar(
            RegistroRemoto::resposta(QStringLiteral("ABRIR"), QStringLiteral("Portaria")).codificar());
        QCOMPARE(cliente.resposta()[RegistroRemoto::Comando], QStringLiteral("RE:ABRIR"));
        QTRY_COMPARE(simulador->contar(QStringLiteral("rele"), 1), antes + 1);
        QCOMPARE(c.dm.setACE.quantidade(), 1);
        QCOMPARE(c.dm.setACE.texto(QStringLiteral("TIPO")), QStringLiteral("Sem cartão"));
        QVERIFY(w->memoServidor()->toPlainText().contains(QStringLiteral("- Pediu p/ abrir - Portaria")));
    }

    // The webcam comes up with the main window only when [webcam] ativarwebcam is on, and only then
    // does the holder panel get its "Captura foto da Webcam".
    void webcamComAJanela_data() {
        QTest::addColumn<bool>("ativar");
        QTest::newRow("desligada") << false;
        QTest::newRow("ligada") << true;
    }
    void webcamComAJanela() {
        QFETCH(bool, ativar);
        struct Camera final : ServicoCaptura {
            Conexao conectar(int) override { return Conexao::Ok; }
            QString descricao() const override { return QStringLiteral("teste"); }
            void mostrar() override {
                chegouQuadro([] {
                    QImage q(64, 48, QImage::Format_RGB32);
                    q.fill(Qt::green);
                    return q;
                });
            }
            bool iniciarFluxo() override { return true; }
            void pararFluxo() override {}
            void desconectar() override {}
        };
        ServicoCaptura::fabrica = [] { return std::make_unique<Camera>(); };
        struct Fim {
            ~Fim() { ServicoCaptura::fabrica = {}; }
        } fim;
        semear();
        cfg::webcam_ativarwebcam.gravar(ativar);
        Console c;
        c.iniciar(false);
        entrar(c);
        QVERIFY(c.principal());
        QCOMPARE(c.webcam().ativa(), ativar);
        QCOMPARE(static_cast<bool>(c.usuarios()->capturarWebcam), ativar);
        if (ativar) {
            c.webcam().exibir = [](TfmCAP&) { return int(QDialog::Accepted); };
            QCOMPARE(c.usuarios()->capturarWebcam().size(), QSize(64, 48));
        }
    }

    // A station switched off while logged in starts again logged in, in auto-start mode.
    void autoInicio() {
        {
            Console c;
            c.iniciar(false);
            entrar(c);
            QVERIFY2(c.principal(), qPrintable(QStringLiteral("%1 logins, %2")
                                                   .arg(c.login()->lsLOG->count())
                                                   .arg(m->operador.textos().join(u'/'))));
            // switched off: no logoff
        }
        Console c;
        c.iniciar(false);
        QVERIFY(c.principal());
        QVERIFY(c.login()->autoInicio());
        QVERIFY(!c.login()->isVisible());
        // In auto-start mode the connections report is shown and closed at once.
        QTRY_VERIFY(!c.principal()->findChild<TfmRCX*>());
        QCOMPARE(c.principal()->sessao().login, QStringLiteral("admin"));
        // The operator's name and permissions come back with the session, not an empty account.
        QCOMPARE(c.principal()->sessao().nome, QStringLiteral("Administrador"));
        for (bool nivel : c.principal()->sessao().niveis)
            QVERIFY(nivel);
    }
};

QTEST_MAIN(TstInicio)
#include "tst_inicio.moc"
