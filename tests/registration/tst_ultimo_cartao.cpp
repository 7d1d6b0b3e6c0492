// The card of a controller's newest stored event, read through the simulator on a pseudo-terminal.
#include "EstacaoTeste.h"
#include "registration/LerUltimoCartao.h"

#include <QTest>

using namespace portaris;

class TstUltimoCartao : public QObject {
    Q_OBJECT
private slots:
    void ler_data();
    void ler();
};

void TstUltimoCartao::ler_data() {
    QTest::addColumn<QStringList>("comandos");
    QTest::addColumn<int>("desvio"); // added to the controller's head reference
    QTest::addColumn<QString>("cartao");
    QTest::addColumn<QStringList>("mensagens");
    QTest::newRow("o mais novo de dois")
        << QStringList{"evento 3 1 1A2B3C 07/05/24 14:00:00 0x10", "evento 3 1 abcdef 07/05/24 14:01:00 0x10"}
        << 0 << "0000ABCDEF" << QStringList();
    QTest::newRow("sem eventos") << QStringList() << 0 << QString()
                                 << QStringList{"Não existem registros a serem lidos!"};
    QTest::newRow("controladora calada")
        << QStringList{"evento 3 1 1A2B3C 07/05/24 14:00:00 0x10", "falha 3 1 silencio"} << 0 << QString()
        << QStringList{"Não foi possível ler os dados da eeprom!"};
    QTest::newRow("item de outra controladora")
        << QStringList{"evento 3 1 1A2B3C 07/05/24 14:00:00 0x10"} << 1 << QString() << QStringList();
}

void TstUltimoCartao::ler() {
    QFETCH(QStringList, comandos);
    QFETCH(int, desvio);
    QFETCH(QString, cartao);
    QFETCH(QStringList, mensagens);
    EstacaoTeste e;
    e.sql(QStringLiteral(
        "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
        "CONFIRMARACESSO, "
        "VISUALIZAR, TEMPVISUAL, PORTA01, RELEP1, RELEP2, RELEP3, RELEP4, FREQDOWN, ONLINE) VALUES (102, 1, "
        "'Bloco A', 'COM3', '0A0B0C0D', '0', '0', '0', 4, 'Social', 1, 2, 3, 4, 0, '0')"));
    e.iniciar();
    auto* c = e.dispositivo<TControladora>(0);
    QVERIFY(c->Respondeu);
    for (const QString& cmd : comandos)
        QCOMPARE(e.sim.comando(cmd), QStringLiteral("ok"));
    QList<int> esperas;
    e.m.relogio.aoDormir([&](int ms) { esperas << ms; });
    e.m.operador.limpar();
    QCOMPARE(LerUltimoCartao({c}, c->CabecaRef + desvio), cartao);
    QCOMPARE(e.m.operador.textos(), mensagens);
    QVERIFY(!esperas.isEmpty());
    QCOMPARE(esperas.last(), 1000);
}

QTEST_MAIN(TstUltimoCartao)
#include "tst_ultimo_cartao.moc"
