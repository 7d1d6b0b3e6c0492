#include "BancoTeste.h"

using namespace portaris;

class TstProcedimentos : public QObject {
    Q_OBJECT
private slots:
    void criacao();
};

void TstProcedimentos::criacao() {
    BancoAberto b;
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT DESCRICAO FROM GRUPOS")).toString(), QStringLiteral("Geral"));
}

QTEST_GUILESS_MAIN(TstProcedimentos)
#include "tst_procedimentos.moc"
