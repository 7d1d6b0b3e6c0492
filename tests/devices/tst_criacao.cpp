// Driver objects built from device rows, as the bring-up builds them, on a simulated line.
#include "PastaTeste.h"
#include "Simulador.h"
#include "devices/uControladora.h"
#include "devices/uLeitora64AX.h"
#include "devices/uLeitora71.h"
#include "platform/ArquivoIni.h"
#include "platform/Relogio.h"

#include <QTest>

using namespace portaris;
using portaris::sim::Modelo;
using portaris::sim::Simulador;

class TstCriacao : public QObject {
    Q_OBJECT
    RelogioFalso relogioFalso{QDateTime(QDate(2024, 5, 7), QTime(23, 55))};
    std::unique_ptr<PastaTeste> pasta;
    std::unique_ptr<Simulador> sim;
    TabelaPortas portas;

private slots:
    void init() {
        relogioFalso.definir(QDateTime(QDate(2024, 5, 7), QTime(23, 55)));
        definirRelogio(&relogioFalso);
        pasta = std::make_unique<PastaTeste>();
        sim = std::make_unique<Simulador>(19200, false);
        const ArquivoIni ini = ArquivoIni::config();
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com2"), sim->abrirBarramento(2));
        portas = TabelaPortas();
        for (int n : {2, 5})
            portas.marcarUsada(n); // COM5 names nothing that exists
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com5"), QStringLiteral("/dev/nao-existe"));
    }
    void cleanup() {
        portas.FECHAR_PORTAS();
        sim.reset();
        pasta.reset();
        definirRelogio(nullptr);
    }

    void leitora64() {
        const ArquivoIni ini = ArquivoIni::config();
        ini.GravarInteiro(QStringLiteral("qx64"), QStringLiteral("ignorarrepeticaopor"), 15);
        ini.GravarInteiro(QStringLiteral("qx64"), QStringLiteral("falhoutransito"), 30);
        sim->adicionar(2, Modelo::Leitora64AX, 171);
        portas.ABRIR_PORTAS();
        RegistroLeitora64 r;
        r.CHAVE = 44;
        r.CABECA = 171;
        r.SERIAL = QStringLiteral("COM2");
        r.DESCRICAO = QStringLiteral("Garagem subsolo bloco B");
        r.DESCRICAO01 = QStringLiteral("Portão");
        r.TFECHAMENTO = 2;
        r.FECHARPOS = 12;
        r.RELE = 750;
        r.POSICAO_L1 = QStringLiteral("SAIDA");
        r.PERMITIRREMOTO = QStringLiteral("1");
        r.ID_LEITORAMAE = 9;
        auto l = TLeitora64AX::Criar(r, portas); // without head addresses: 170 reaches it
        QVERIFY(l->PortaAberta && l->Respondeu);
        QCOMPARE(int(l->Cabeca), 170);
        QCOMPARE(l->Descricao, QStringLiteral("Garagem subsol"));
        QCOMPARE(l->Portao->Nome, QStringLiteral("Portão-Garagem subsolo bl"));
        QVERIFY(l->Portao->Ativo);
        QCOMPARE(l->Portao->FecharApos, 12000);
        QCOMPARE(l->Portao->TempoRele, 750);
        QCOMPARE(l->Portao->FalhaTransito, 30u);
        QCOMPARE(l->Portao->Posicao, QStringLiteral("S"));
        QCOMPARE(int(l->IgnorarRepeticaoPor), 15);
        QVERIFY(l->PermitirRemoto);
        QCOMPARE(l->IdLeitoraMae, 9);

        r.SERIAL = QStringLiteral("COM5");
        auto fechada = TLeitora64AX::Criar(r, portas);
        QVERIFY(!fechada->PortaAberta && !fechada->Respondeu);
        QVERIFY(!fechada->PermitirRemoto); // taken only with the port open
        QCOMPARE(fechada->IdLeitoraMae, 0);
    }

    // A gate reader without its own relay pulses its mother's relay with its own gate's time.
    void leitoraMae() {
        ArquivoIni::config().GravarTexto(QStringLiteral("outros"), QStringLiteral("semcabeca"),
                                         QStringLiteral("0"));
        sim->adicionar(2, Modelo::Leitora64AX, 171);
        sim->adicionar(2, Modelo::Leitora64AX, 172);
        portas.ABRIR_PORTAS();
        RegistroLeitora64 filha, mae, orfa;
        filha.CHAVE = 1, filha.CABECA = 171, filha.NAOBATERELE = QStringLiteral("1"), filha.ID_LEITORAMAE = 2;
        filha.RELE = 2000, filha.DESCRICAO01 = QStringLiteral("Saída");
        mae.CHAVE = 2, mae.CABECA = 172, mae.RELE = 250;
        orfa.CHAVE = 3, orfa.CABECA = 171, orfa.NAOBATERELE = QStringLiteral("1"), orfa.ID_LEITORAMAE = 99;
        for (auto* r : {&filha, &mae, &orfa})
            r->SERIAL = QStringLiteral("COM2");
        auto f = TLeitora64AX::Criar(filha, portas);
        auto m = TLeitora64AX::Criar(mae, portas);
        auto o = TLeitora64AX::Criar(orfa, portas);
        VincularLeitorasMae(QList<TLeitora64AX*>{f.get(), m.get(), o.get()});
        QCOMPARE(f->LeitoraMae, m.get());
        QVERIFY(!o->LeitoraMae && !m->LeitoraMae);
        quint8 erro = 0;
        f->PulsarPortao(erro);
        QCOMPARE(int(erro), 0);
        QTRY_VERIFY(sim->comando(QStringLiteral("estado 2 172"))
                        .contains(QLatin1String("pulsos 1 ultimo_rele_ms 2000")));
        QVERIFY(sim->comando(QStringLiteral("estado 2 171")).contains(QLatin1String("pulsos 0")));
        erro = 5;
        o->PulsarPortao(erro); // nothing to pulse: the error byte keeps its value
        QCOMPARE(int(erro), 5);

        TLeitora71 a, b, c;
        a.Chave = 10, a.NaoBateRele = true, a.IdLeitoraMae = 12;
        b.Chave = 11, b.NaoBateRele = true, b.IdLeitoraMae = 0;
        c.Chave = 12;
        VincularLeitorasMae(QList<TLeitora71*>{&a, &b, &c});
        QCOMPARE(a.LeitoraMae, &c);
        QVERIFY(!b.LeitoraMae);
    }

    void controladora_data() {
        QTest::addColumn<QString>("online");
        QTest::addColumn<int>("freqdown");
        QTest::addColumn<QString>("intervalo");
        QTest::addColumn<double>("proximo"); // fraction of a day, from 23:55:00.5 (after the 500 ms wait)
        QTest::newRow("on-line: nunca agenda") << "1" << 10 << "" << 0.0;
        QTest::newRow("nunca") << "0" << 0 << "" << 0.0;
        QTest::newRow("fora da tabela") << "0" << 45 << "" << 0.0;
        QTest::newRow("10 min às 23:55: passa da meia-noite")
            << "0" << 10 << "00:10:00" << (24 * 60 + 5 + 0.5 / 60) / 1440.0;
        QTest::newRow("6 h") << "0" << 360 << "06:00:00" << (29 * 60 + 55 + 0.5 / 60) / 1440.0;
    }
    void controladora() {
        QFETCH(QString, online);
        QFETCH(int, freqdown);
        QFETCH(QString, intervalo);
        QFETCH(double, proximo);
        sim->adicionar(2, Modelo::Controladora, 130);
        portas.ABRIR_PORTAS();
        RegistroControladora r;
        r.CHAVE = 5;
        r.CABECA = 130;
        r.SERIAL = QStringLiteral("COM2");
        r.DESCRICAO = QStringLiteral("Concentradora do bloco A, torre");
        r.ONLINE = online;
        r.FREQDOWN = freqdown;
        for (int i = 0; i < 4; ++i) {
            r.PORTA[i] = QStringLiteral("Porta %1").arg(i + 1);
            r.CHAVEP[i] = 100 + i;
            r.RELEP[i] = i + 1;
        }
        const quint32 antes = relogioFalso.tick();
        auto c = TControladora::Criar(r, portas);
        QCOMPARE(relogioFalso.tick() - antes, 500u);
        QVERIFY(c->PortaAberta && c->Respondeu);
        QCOMPARE(c->Online, online == QLatin1String("1"));
        QCOMPARE(c->DownloadAutomatico, !intervalo.isEmpty());
        QCOMPARE(c->IntervaloDownload, intervalo);
        QVERIFY(qAbs(c->ProximoDownload - proximo) < 1e-9);
        QCOMPARE(c->Descricao, QStringLiteral("Concentradora do bloco A,"));
        QCOMPARE(c->CabecaRef, qint16(130));
        QCOMPARE(c->Portas[3].Chave, 103);
        QCOMPARE(c->Portas[3].Nome, QStringLiteral("Porta 4"));
        QCOMPARE(c->Portas[3].TempoRele, quint16(4000));
    }
};

QTEST_GUILESS_MAIN(TstCriacao)
#include "tst_criacao.moc"
