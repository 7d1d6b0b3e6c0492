#include "platform/Relogio.h"
#include "remote/uStatusLeitoras.h"

#include <QAbstractItemModelTester>
#include <QTableView>
#include <QTest>

using namespace portaris;

class TstStatus : public QObject {
    Q_OBJECT

    static QList<LinhaStatus> linhas() {
        return {{"Portaria", "08:00:00", "11", "", "S"},
                {"Garagem-Entrada•", "falhou..", "12", "", "S"},
                {"", "08:00:01", "13", "", "N"}};
    }

private slots:
    void atualizacao_data() {
        QTest::addColumn<QStringList>("antes"); // respondeu, erro of key 11
        QTest::addColumn<int>("chave");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QStringList>("depois");
        QTest::newRow("falha marca X") << QStringList{"08:00:00", ""} << 11 << 1 << QStringList{"08:00:00", "X"};
        QTest::newRow("falha mantém o que havia") << QStringList{"08:00:00", "Y"} << 11 << 4 << QStringList{"08:00:00", "Y"};
        QTest::newRow("sucesso grava a hora e limpa X") << QStringList{"08:00:00", "X"} << 11 << 0 << QStringList{"09:15:30", ""};
        QTest::newRow("sucesso não limpa outra marca") << QStringList{"08:00:00", "Y"} << 11 << 0 << QStringList{"09:15:30", "Y"};
        QTest::newRow("chave desconhecida") << QStringList{"08:00:00", ""} << 99 << 1 << QStringList{"08:00:00", ""};
    }
    void atualizacao() {
        QFETCH(QStringList, antes);
        QFETCH(int, chave);
        QFETCH(int, erro);
        QFETCH(QStringList, depois);
        RelogioFalso r(QDateTime(QDate(2024, 5, 7), QTime(9, 15, 30)));
        definirRelogio(&r);
        TfmSTATUS w;
        QAbstractItemModelTester tester(w.modelo(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        auto l = linhas();
        l[0].respondeu = antes[0];
        l[0].erro = antes[1];
        w.modelo()->definirLinhas(l);
        w.AtualizarStatus(chave, erro);
        QCOMPARE(w.modelo()->linhas()[0].respondeu, antes[0]); // hidden window: untouched
        w.show();
        w.AtualizarStatus(chave, erro);
        QCOMPARE(w.modelo()->linhas()[0].respondeu, depois[0]);
        QCOMPARE(w.modelo()->linhas()[0].erro, depois[1]);
        definirRelogio(nullptr);
    }

    void aparencia() {
        TfmSTATUS w;
        auto l = linhas();
        l[2].erro = "X";
        w.modelo()->definirLinhas(l);
        QCOMPARE(w.windowTitle(), QStringLiteral("Leitoras"));
        QCOMPARE(w.height(), 221);
        QCOMPARE(DelegadoStatus::fundo(*w.modelo(), 0), QColor(255, 255, 136));
        QCOMPARE(DelegadoStatus::fundo(*w.modelo(), 1), QColor(255, 255, 196));
        QCOMPARE(DelegadoStatus::fundo(*w.modelo(), 2), QColor(255, 0, 0));
        QVERIFY(w.gdSTA()->isColumnHidden(2) && w.gdSTA()->isColumnHidden(3) && w.gdSTA()->isColumnHidden(4));
        QCOMPARE(w.gdSTA()->columnWidth(0), 346);
        QCOMPARE(w.modelo()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Respondeu as"));
        w.modoServidor(true);
        QCOMPARE(w.windowTitle(), QStringLiteral("Leitoras (em modo servidor)"));
        QCOMPARE(w.height(), 407);
        w.show();
        // What the operator sees: each row painted in its colour (a cell's left edge, clear of text).
        const QImage tela = w.gdSTA()->viewport()->grab().toImage();
        for (int linha : {1, 2}) {
            const QRect r = w.gdSTA()->visualRect(w.modelo()->index(linha, 0));
            QCOMPARE(tela.pixelColor(r.left() + 2, r.center().y()), DelegadoStatus::fundo(*w.modelo(), linha));
        }
    }
};

QTEST_MAIN(TstStatus)
#include "tst_status.moc"
