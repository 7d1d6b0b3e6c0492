// The console as the program starts it: data module, devices, login, status and main window, on a
// real database and the simulator, with the card of a holder going all the way into the live list.
#include "ModuloTeste.h"
#include "Simulador.h"
#include "reports/TfmRCX.h"
#include "shell/Console.h"
#include "shell/TframeControleAcesso.h"
#include "ui/ModeloConjunto.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace portaris;

class TstInicio : public QObject {
    Q_OBJECT
    std::unique_ptr<ModuloTeste> m;
    std::unique_ptr<sim::Simulador> simulador;

    void semear() {
        Banco b;
        b.conectar(m->arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        b.executar(QStringLiteral(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
            "POSICAO, PERMITIRREMOTO) VALUES (100, 200, 'Portaria', 'COM1', '0A0B0C0D', '0', 'N', '1')"));
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
    }
};

QTEST_MAIN(TstInicio)
#include "tst_inicio.moc"
