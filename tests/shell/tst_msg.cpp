#include "shell/uMSG.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using namespace portaris;

namespace {
// Runs `f` on the modal dialog that is open next (polled, as an operator would find it).
void quandoAbrir(std::function<void(TfmMSG*)> f, TfmMSG* alemDe = nullptr) {
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, f, alemDe] {
        auto* d = qobject_cast<TfmMSG*>(QApplication::activeModalWidget());
        if (!d || d == alemDe || !d->isVisible()) return;
        t->stop();
        t->deleteLater();
        f(d);
    });
    t->start();
}
QString visiveis(TfmMSG* d) {
    QString s;
    for (int i = 1; i <= 3; ++i) s += d->botao(i)->isVisible() ? d->botao(i)->text() : QStringLiteral("-");
    return s;
}
} // namespace

class TstMsg : public QObject {
    Q_OBJECT
    OperadorDialogo operador;

private slots:
    void initTestCase() { definirOperador(&operador); }
    void cleanupTestCase() { definirOperador(nullptr); }

    void aparencia_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("botoes");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QColor>("fundo");
        QTest::addColumn<QColor>("letra");
        QTest::addColumn<QString>("memo");
        QTest::newRow("erro") << "falha\n@!000ERRCabeça inválida!" << "--&OK" << "Atenção" << QColor(255, 0, 0)
                              << QColor(Qt::white) << "Cabeça inválida!";
        QTest::newRow("pergunta") << "@!-01AVIConfirma apagar acessos/rondas?" << "-&Sim&Não" << "Aviso"
                                  << QColor(191, 255, 191) << QColor(Qt::black) << "Confirma apagar acessos/rondas?";
        QTest::newRow("sucesso") << "@!000OKKConfiguração salva com sucesso." << "--&OK" << "Aviso"
                                 << QColor(250, 245, 188) << QColor(Qt::black) << "Configuração salva com sucesso.";
        QTest::newRow("tipo desconhecido após sucesso") << "@!000ZZZx" << "--&OK" << "Aviso" << QColor(250, 245, 188)
                                                        << QColor(Qt::black) << "x";
        QTest::newRow("outro código") << "@!007ERRsem botões" << "---" << "Atenção" << QColor(255, 0, 0)
                                      << QColor(Qt::white) << "sem botões";
        QTest::newRow("erro do banco") << "lock conflict on no wait transaction" << "--&OK" << "Atenção"
                                       << QColor(255, 0, 0) << QColor(Qt::white) << "lock conflict on no wait transaction";
        QTest::newRow("duas linhas") << "@!000ERRHora Inválida\r\nInício deve ser <= que fim!" << "--&OK" << "Atenção"
                                     << QColor(255, 0, 0) << QColor(Qt::white) << "Hora Inválida\nInício deve ser <= que fim!";
    }
    void aparencia() {
        QFETCH(QString, texto);
        QFETCH(QString, botoes);
        QFETCH(QString, titulo);
        QFETCH(QColor, fundo);
        QFETCH(QColor, letra);
        QFETCH(QString, memo);
        QString vistos, tituloVisto, memoVisto;
        QColor fundoVisto, letraVisto;
        QSize tamanho;
        QRect geometriaMemo, geometriaBotao3;
        bool italico = false, somenteLeitura = false;
        quandoAbrir([&](TfmMSG* d) {
            vistos = visiveis(d);
            tituloVisto = d->windowTitle();
            fundoVisto = d->memo()->palette().color(QPalette::Base);
            letraVisto = d->memo()->palette().color(QPalette::Text);
            memoVisto = d->memo()->toPlainText();
            tamanho = d->size();
            geometriaMemo = d->memo()->geometry();
            geometriaBotao3 = d->botao(3)->geometry();
            italico = d->memo()->font().italic() && d->memo()->font().pointSize() == 13;
            somenteLeitura = d->memo()->isReadOnly();
            d->reject();
        });
        QCOMPARE(MostrarMensagem(texto), Resposta::Fechada);
        QCOMPARE(vistos, botoes);
        QCOMPARE(tituloVisto, titulo);
        QCOMPARE(fundoVisto, fundo);
        QCOMPARE(letraVisto, letra);
        QCOMPARE(memoVisto, memo);
        QCOMPARE(tamanho, QSize(210, 305));
        QCOMPARE(geometriaMemo, QRect(0, 0, 210, 235));
        QCOMPARE(geometriaBotao3, QRect(140, 235, 70, 70));
        QVERIFY(italico);
        QVERIFY(somenteLeitura);
    }

    void respostas_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("acao"); // 1..3 click that button, 4..6 Alt+S/N/O, 0 close box
        QTest::addColumn<int>("resposta");
        QTest::newRow("Sim") << "@!-01AVIConfirma?" << 2 << int(Resposta::Sim);
        QTest::newRow("Não") << "@!-01AVIConfirma?" << 3 << int(Resposta::Nao);
        QTest::newRow("OK") << "@!000AVIOperação concluída." << 3 << int(Resposta::OK);
        QTest::newRow("Alt+S") << "@!-01AVIConfirma?" << 4 << int(Resposta::Sim);
        QTest::newRow("Alt+N") << "@!-01AVIConfirma?" << 5 << int(Resposta::Nao);
        QTest::newRow("Alt+O") << "@!000AVIOperação concluída." << 6 << int(Resposta::OK);
        QTest::newRow("caixa de fechar na pergunta") << "@!-01AVIConfirma?" << 0 << int(Resposta::Fechada);
    }
    void respostas() {
        QFETCH(QString, texto);
        QFETCH(int, acao);
        QFETCH(int, resposta);
        quandoAbrir([acao](TfmMSG* d) {
            if (acao >= 1 && acao <= 3) QTest::mouseClick(d->botao(acao), Qt::LeftButton);
            else if (acao >= 4) QTest::keyClick(d, "sno"[acao - 4], Qt::AltModifier);
            else d->close();
        });
        QCOMPARE(int(MostrarMensagem(texto)), resposta);
    }

    // A failure box raised inside a card flow closes by itself after its seconds, measured on the
    // program's clock: an unattended door is not stopped by a message nobody reads.
    void caixaFechaSozinha() {
        RelogioFalso relogio;
        definirRelogio(&relogio);
        bool aberta14 = false, fechouAntes = false;
        quandoAbrir([&](TfmMSG* d) {
            relogio.avancar(14900);
            QTest::qWait(300);
            aberta14 = d->isVisible();
            relogio.avancar(100);
            fechouAntes = !QTest::qWaitFor([d] { return !d->isVisible(); }, 5000) ? false : true;
        });
        const Resposta r = MostrarMensagem(QStringLiteral("@!000ERRFalha ao gravar o acesso"), 15);
        definirRelogio(nullptr);
        QVERIFY(aberta14);
        QVERIFY(fechouAntes);
        QCOMPARE(r, Resposta::Fechada);
    }

    void mensagensEmpilhadasTemCadaUmaSuaResposta() {
        Resposta interna = Resposta::Fechada;
        quandoAbrir([&](TfmMSG* primeira) {
            quandoAbrir([](TfmMSG* segunda) { QTest::mouseClick(segunda->botao(2), Qt::LeftButton); }, primeira);
            interna = MostrarMensagem(QStringLiteral("@!-01AVISegunda?"));
            QVERIFY(primeira->isVisible());
            QCOMPARE(primeira->memo()->toPlainText(), QStringLiteral("Primeira?"));
            QTest::mouseClick(primeira->botao(3), Qt::LeftButton);
        });
        QCOMPARE(MostrarMensagem(QStringLiteral("@!-01AVIPrimeira?")), Resposta::Nao);
        QCOMPARE(interna, Resposta::Sim);
    }
};

QTEST_MAIN(TstMsg)
#include "tst_msg.moc"
