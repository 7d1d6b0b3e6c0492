// The manual download's progress panel, driven by a real download from the simulator's controller.
#include "EstacaoTeste.h"
#include "access/uProgressoDownload.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace portaris;

class TstProgressoDownload : public QObject {
    Q_OBJECT
private slots:
    void mostraLeituraEProcessamento() {
        EstacaoTeste e;
        e.sql(QStringLiteral(
            "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, ONLINE, FREQDOWN, "
            "PORTA01) VALUES (102, 1, 'Bloco A', 'COM3', '0A0B0C0D', '0', '0', 0, 'Social')"));
        e.iniciar();
        QWidget janela;
        TfrProgressoDownload painel(&janela);
        BaixadorEventos b(*e.m.dm, *e.motor, e.disp);
        painel.ligar(b.progresso);
        QStringList rotulos;
        int maiorLeitura = 0;
        int leituraNoProcessamento = -1;
        auto leitura = b.progresso.leitura;
        b.progresso.leitura = [&](int lidos) {
            leitura(lidos);
            if (!rotulos.contains(painel.lbROT->text())) rotulos << painel.lbROT->text();
            QVERIFY(painel.isVisible() && painel.pbDOWN->isVisible() && !painel.pbPROC->isVisible());
            maiorLeitura = painel.pbDOWN->value();
        };
        auto processamento = b.progresso.processamento;
        b.progresso.processamento = [&](int feitos) {
            processamento(feitos);
            if (!rotulos.contains(painel.lbROT->text())) rotulos << painel.lbROT->text();
            if (feitos == 10) leituraNoProcessamento = painel.pbDOWN->value();
        };
        janela.show();
        e.sim.comando(QStringLiteral("eventos 3 1 40 0x10"));
        b.BaixarEventos(nullptr);
        QCOMPARE(rotulos, (QStringList{"Buscando na memória...", "Processandos dados..."}));
        QCOMPARE(maiorLeitura, 400);
        QCOMPARE(leituraNoProcessamento, 30); // the download bar goes back one per record
        QCOMPARE(painel.pbPROC->value(), 40);
        QVERIFY(!painel.isVisible());
        QCOMPARE(e.acessos().size(), 40);
    }
};

QTEST_MAIN(TstProgressoDownload)
#include "tst_progresso_download.moc"
