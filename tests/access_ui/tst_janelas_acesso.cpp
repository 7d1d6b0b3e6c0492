#include "PastaTeste.h"
#include "access/AbrirLembretes.h"
#include "access/uAberturaSemCartao.h"
#include "access/uClassTfmPassa.h"
#include "access/uVisualizarFamilia.h"
#include "platform/JanelaPorTitulo.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using namespace portaris;

namespace {
QByteArray fotoPng(QColor cor) {
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(cor);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return b;
}
template <class W> void quandoAbrir(std::function<void(W*)> f) {
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, f] {
        auto* d = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        t->stop();
        t->deleteLater();
        f(d);
    });
    t->start();
}
} // namespace

class TstJanelasAcesso : public QObject {
    Q_OBJECT

private slots:
    void confirmacao_data() {
        QTest::addColumn<QString>("nota");
        QTest::addColumn<QString>("nome");
        QTest::addColumn<int>("chave");
        QTest::addColumn<QString>("digitar");
        QTest::addColumn<int>("tecla"); // Enter, Esc, 0 = close box, 1 = button Sim, 2 = button Não
        QTest::addColumn<bool>("sim");
        QTest::addColumn<int>("altura");
        QTest::addColumn<bool>("comFoto");
        QTest::newRow("cartão desconhecido, Enter") << "Cartão não consta" << "(desconhecido)" << 0 << "visitante"
                                                   << int(Qt::Key_Return) << true << 464 << false;
        QTest::newRow("autorizado, Esc") << "Acesso autorizado" << "Ana Souza" << 7 << "x" << int(Qt::Key_Escape)
                                         << false << 464 << true;
        QTest::newRow("nota em branco, botão Sim") << "  " << "Ana Souza" << 7 << "" << 1 << true << 418 << true;
        QTest::newRow("botão Não") << "Fora do horário" << "Ana Souza" << 7 << "" << 2 << false << 464 << true;
        QTest::newRow("caixa de fechar") << "Fora do horário" << "Ana Souza" << 7 << "" << 0 << false << 464 << true;
    }
    void confirmacao() {
        QFETCH(QString, nota);
        QFETCH(QString, nome);
        QFETCH(int, chave);
        QFETCH(QString, digitar);
        QFETCH(int, tecla);
        QFETCH(bool, sim);
        QFETCH(int, altura);
        QFETCH(bool, comFoto);
        const FonteFoto foto = [](int k) { return k == 7 ? fotoPng(Qt::blue) : QByteArray(); };
        QString titulo, nomeVisto, avisoVisto;
        bool avisoVisivel = false, temFoto = false, focoObs = false;
        QSize tamanho;
        quandoAbrir<TfmPASSA>([&](TfmPASSA* d) {
            titulo = d->windowTitle();
            nomeVisto = d->edNOM->text();
            avisoVisivel = d->edAVS->isVisible() && d->lbAVS->isVisible();
            avisoVisto = d->edAVS->text();
            temFoto = !d->imPCA->pixmap().isNull();
            tamanho = d->size();
            focoObs = d->focusWidget() == d->edOBS; // the window may not be active yet offscreen
            QTest::keyClicks(d->edOBS, digitar);
            if (tecla == 1) QTest::mouseClick(static_cast<QToolButton*>(d->btSIM), Qt::LeftButton);
            else if (tecla == 2) QTest::mouseClick(static_cast<QToolButton*>(d->btNAO), Qt::LeftButton);
            else if (tecla == 0) d->close();
            else QTest::keyClick(d->edOBS, Qt::Key(tecla));
        });
        const auto r = TfmPASSA::PedirConfirmacao(QStringLiteral("Portaria"), chave, nota, nome, foto);
        QCOMPARE(r.sim, sim);
        QCOMPARE(r.observacao, digitar);
        QCOMPARE(titulo, QStringLiteral("Portaria"));
        QCOMPARE(nomeVisto, nome);
        QCOMPARE(avisoVisivel, !nota.trimmed().isEmpty());
        if (avisoVisivel) QCOMPARE(avisoVisto, nota);
        QCOMPARE(temFoto, comFoto);
        QCOMPARE(tamanho, QSize(317, altura));
        QVERIFY(focoObs);
    }

    void observacaoTemNoMaximo25() {
        quandoAbrir<TfmPASSA>([](TfmPASSA* d) {
            QTest::keyClicks(d->edOBS, QString(40, QLatin1Char('a')));
            QTest::keyClick(d->edOBS, Qt::Key_Return);
        });
        QCOMPARE(TfmPASSA::PedirConfirmacao("P", 0, "x", "y", {}).observacao.size(), 25);
    }

    void popupContaEFecha() {
        QPointer<TfmPASSA> w = TfmPASSA::MostrarFoto(QStringLiteral("Garagem"), 3, 7, QStringLiteral("Acesso autorizado"),
                                                     QStringLiteral("Ana"), [](int) { return fotoPng(Qt::red); });
        QVERIFY(w->isVisible());
        QVERIFY(!w->isModal());
        QVERIFY(!w->edOBS->isVisible() && !w->lbMSG->isVisible() && !w->pnBOT->isVisible());
        QCOMPARE(w->edAVS->y(), 312);
        QCOMPARE(w->height(), 464 - 120);
        QStringList titulos{w->windowTitle()};
        connect(w, &QWidget::windowTitleChanged, this, [&](const QString& t) { titulos << t; });
        w->tmrCLO->setInterval(5); // the countdown's steps, not its seconds, are under test here
        QTRY_VERIFY(w.isNull());
        QCOMPARE(titulos, (QStringList{"Garagem", "Fechar em 2 seg.", "Fechar em 1 seg.", "Fechar em 0 seg."}));
    }

    void popupSemContagemFechaEmUmSegundo() {
        QElapsedTimer t;
        t.start();
        QPointer<TfmPASSA> w = TfmPASSA::MostrarFoto("Porta", 0, 1, "", "Ana", {});
        QCOMPARE(w->height(), 418 - 120);
        QTRY_VERIFY_WITH_TIMEOUT(w.isNull(), 3000);
        QVERIFY(t.elapsed() >= 900);
    }

    void familia() {
        const FonteMembro fonte = [](int k, QString& nome, QByteArray& foto) {
            if (k > 100) return false;
            nome = QStringLiteral("Membro %1").arg(k);
            foto = fotoPng(Qt::green);
            return true;
        };
        int cheios = 0;
        QString titulo;
        bool naoVisivel = false;
        quandoAbrir<TfmVFM>([&](TfmVFM* d) {
            for (int i = 0; i < 9; ++i) cheios += !d->nomes[i]->text().isEmpty() && !d->fotos[i]->pixmap().isNull();
            titulo = d->windowTitle();
            naoVisivel = d->btNAO->isVisible();
            QCOMPARE(d->quadros[4]->geometry(), QRect(245, 158, 182, 137));
            QCOMPARE(d->nomes[8]->geometry(), QRect(469, 452, 182, 19));
            QTest::mouseClick(d->btSIM, Qt::LeftButton);
        });
        QVERIFY(TfmVFM::ConfirmarFamilia({3, 0, 9, -1, 12, 0, 0, 0, 500}, fonte));
        QCOMPARE(cheios, 3);
        QCOMPARE(titulo, QStringLiteral("Confirma acesso :"));
        QVERIFY(naoVisivel);

        quandoAbrir<TfmVFM>([&](TfmVFM* d) {
            titulo = d->windowTitle();
            naoVisivel = d->btNAO->isVisible();
            QCOMPARE(d->btSIM->text(), QStringLiteral("&OK"));
            d->close();
        });
        TfmVFM::VisualizarFamilia({3, 0, 0, 0, 0, 0, 0, 0, 0}, fonte);
        QCOMPARE(titulo, QStringLiteral("Visualizar família"));
        QVERIFY(!naoVisivel);

        quandoAbrir<TfmVFM>([](TfmVFM* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QVERIFY(!TfmVFM::ConfirmarFamilia({3, 0, 0, 0, 0, 0, 0, 0, 0}, fonte));
    }

    void aberturaManual() {
        const QStringList locais{"Portaria", "Garagem-Entrada•", "Social©"};
        bool abrirAntes = true, abrirDepois = false;
        int maxNome = 0, maxOri = 0;
        quandoAbrir<TfmABRIR>([&](TfmABRIR* d) {
            abrirAntes = d->btABR->isEnabled();
            d->cbLOC->setCurrentIndex(1);
            abrirDepois = d->btABR->isEnabled();
            maxNome = d->edNOM->maxLength();
            maxOri = d->edORI->maxLength();
            QTest::keyClicks(d->edNOM, "Carlos");
            QTest::keyClicks(d->edDES, "Bloco B");
            QTest::mouseClick(d->btABR, Qt::LeftButton);
        });
        TfmABRIR::Pedido p;
        QVERIFY(TfmABRIR::Pedir(locais, p));
        QVERIFY(!abrirAntes);
        QVERIFY(abrirDepois);
        QCOMPARE(maxNome, 70);
        QCOMPARE(maxOri, 25);
        QCOMPARE(p.local, QStringLiteral("Garagem-Entrada•"));
        QCOMPARE(p.nome, QStringLiteral("Carlos"));
        QCOMPARE(p.destino, QStringLiteral("Bloco B"));
        quandoAbrir<TfmABRIR>([](TfmABRIR* d) { QTest::mouseClick(d->btCAN, Qt::LeftButton); });
        QVERIFY(!TfmABRIR::Pedir(locais, p));
    }

    void lembretes() {
        PastaTeste pasta;
        // The installed program: a script that records its command line.
        const QString programa = pasta.caminho("Lembretes");
        {
            QFile f(programa);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("#!/bin/sh\necho \"[$*]\" >> '%1'\n").arg(pasta.caminho("chamadas.txt")).toUtf8());
        }
        QFile::setPermissions(programa, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(ProgramaLembretes(), programa);

        QVERIFY(!AbrirLembretes(42, QStringLiteral("Ana Souza")));
        QVERIFY(!AbrirLembretes(0, QString()));
        const auto chamadas = [&] {
            QFile f(pasta.caminho("chamadas.txt"));
            QStringList linhas = QString::fromUtf8(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray())
                                     .split('\n', Qt::SkipEmptyParts);
            linhas.sort(); // detached programs may finish in any order
            return linhas.join(' ');
        };
        QTRY_COMPARE(chamadas(), QStringLiteral("[42] []"));

        // A window already showing that holder is brought to the front; nothing is started.
        QLocalServer janela;
        QVERIFY(janela.listen(CanalDaJanela(QStringLiteral("Ana Souza"))));
        QByteArray recebido;
        connect(&janela, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = janela.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, this, [&, s] { recebido += s->readAll(); });
        });
        QVERIFY(AbrirLembretes(42, QStringLiteral("Ana Souza")));
        QTRY_COMPARE(recebido, QByteArray("frente\n"));
        QVERIFY(!AbrirLembretes(43, QStringLiteral("Outro Nome")));
        QTRY_COMPARE(chamadas(), QStringLiteral("[42] [43] []"));
    }
};

QTEST_MAIN(TstJanelasAcesso)
#include "tst_janelas_acesso.moc"
