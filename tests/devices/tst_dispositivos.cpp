// The three drivers against the simulated devices: round trips through device memory, faults as the
// devices produce them, a worker thread sharing a line with this thread, and a line that disappears.
#include "Simulador.h"
#include "devices/uControladora.h"
#include "devices/uLeitora64AX.h"
#include "devices/uLeitora71.h"
#include "platform/Relogio.h"

#include <QRandomGenerator>
#include <QTest>
#include <atomic>
#include <pthread.h>
#include <sched.h>
#include <thread>

using namespace portaris;
using portaris::sim::Modelo;
using portaris::sim::Simulador;

namespace {
constexpr int Com = 3, C71 = 200, C64 = 171, Ctr = 130;

QByteArray aleatorios(int n, quint32 semente) {
    QRandomGenerator g(semente);
    QByteArray b(n, '\0');
    for (char& c : b)
        c = char(g.bounded(256));
    return b;
}
quint8* u(QByteArray& b) {
    return reinterpret_cast<quint8*>(b.data());
}
const quint8* u(const QByteArray& b) {
    return reinterpret_cast<const quint8*>(b.constData());
}
// Keeps the calling thread on one core, the previous set of cores returned for restoring. At idle priority
// the thread yields that core to anyone it wakes, at once: letting go of a lock hands the line over
// before its next instruction, as a loaded machine may do at any time.
cpu_set_t fixarNucleo(int nucleo, bool ocioso) {
    cpu_set_t antes, so;
    pthread_getaffinity_np(pthread_self(), sizeof antes, &antes);
    CPU_ZERO(&so);
    CPU_SET(nucleo, &so);
    pthread_setaffinity_np(pthread_self(), sizeof so, &so);
    if (ocioso) {
        const sched_param p{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &p);
    }
    return antes;
}
} // namespace

class TstDispositivos : public QObject {
    Q_OBJECT
    RelogioFalso relogioFalso;
    std::unique_ptr<Simulador> sim;
    PortaSerial porta;

    QString estado(int cab) { return sim->comando(QStringLiteral("estado %1 %2").arg(Com).arg(cab)); }
    void ok(const QString& c) { QCOMPARE(sim->comando(c), QStringLiteral("ok")); }

private slots:
    void init() {
        definirRelogio(&relogioFalso);
        sim = std::make_unique<Simulador>(19200, false);
        const QString caminho = sim->abrirBarramento(Com);
        sim->adicionar(Com, Modelo::Leitora71, C71);
        sim->adicionar(Com, Modelo::Leitora64AX, C64);
        sim->adicionar(Com, Modelo::Controladora, Ctr);
        porta = LinhaSerial::abrir(caminho, 19200);
        QVERIFY(porta);
    }
    void cleanup() {
        if (sim) QCOMPARE(sim->intercalacoes(), 0);
        porta.reset();
        sim.reset();
        definirRelogio(nullptr);
    }

    void leitora71() {
        TLeitora71 l(C71, porta);
        quint8 e = 0;
        ok(QStringLiteral("cartao 3 200 00001A2B3C"));
        QVERIFY(l.LerCartao(e));
        QCOMPARE(l.Cartao, QStringLiteral("00001A2B3C"));
        QVERIFY(l.LerCartao(e)); // the slot empties once read
        QCOMPARE(l.Cartao, QStringLiteral("0000000000"));
        QVERIFY(l.GravarTempoRele(TLeitora71::CodigoTempoRele(QStringLiteral("500 ms")), e));
        QVERIFY(l.AcionarRele(e));
        QTRY_VERIFY2(estado(C71).contains(QLatin1String("pulsos 1 ultimo_rele_ms 500")),
                     qPrintable(estado(C71)));
        l.ListaMemoria =
            QStringList{QStringLiteral("1A2B3C4D5E - Fulano"), QStringLiteral("FF00FF0001 - Beltrano")};
        QVERIFY(l.EnviarCartoesMemoria(e));
        QCOMPARE(sim->comando(QStringLiteral("memoria 3 200 6 4")), QStringLiteral("B4 78 00 00"));
        QVERIFY(estado(C71).contains(QLatin1String("registros 0=200 1=2 2=65")));
        // Head address written through 255; the reader then answers at its new address only.
        QVERIFY(l.GravarCabeca(201, e));
        QCOMPARE(int(l.Cabeca), 201);
        QVERIFY(l.Sinalizar(e));
        TLeitora71 antiga(C71, porta);
        QVERIFY(!antiga.Sinalizar(e));
        QCOMPARE(int(e), int(TLeitora71::ErroSemComplemento));
    }

    // Faults as the simulated devices produce them, mapped to each driver's error byte.
    void falhas_data() {
        QTest::addColumn<QString>("modelo");
        QTest::addColumn<QString>("falha");
        QTest::addColumn<int>("erro");
        QTest::newRow("71 lixo antes da resposta") << "71"
                                                   << "lixo 13 99" << 0;
        QTest::newRow("71 mudo") << "71"
                                 << "silencio" << 2;
        QTest::newRow("71 eco alterado") << "71"
                                         << "soma" << 16;
        QTest::newRow("71 resposta curta") << "71"
                                           << "curta" << 64;
        QTest::newRow("64 mudo") << "64"
                                 << "silencio" << 7;
        QTest::newRow("64 lixo antes do quadro") << "64"
                                                 << "lixo" << 6;
        QTest::newRow("64 outro endereço") << "64"
                                           << "endereco" << 5;
        QTest::newRow("64 soma") << "64"
                                 << "soma" << 8;
        QTest::newRow("64 resposta curta") << "64"
                                           << "curta" << 4;
        QTest::newRow("64 atraso dentro do prazo") << "64"
                                                   << "atraso 300" << 0;
        QTest::newRow("controladora soma") << "ctr"
                                           << "soma" << 8;
        QTest::newRow("controladora atraso além do prazo") << "ctr"
                                                           << "atraso 800" << 7;
    }
    void falhas() {
        QFETCH(QString, modelo);
        QFETCH(QString, falha);
        QFETCH(int, erro);
        TLeitora71 l71(C71, porta);
        TLeitora64AX l64(C64, porta);
        TControladora ctr(Ctr, porta);
        const int cab = modelo == QLatin1String("71") ? C71 : modelo == QLatin1String("64") ? C64 : Ctr;
        ok(QStringLiteral("falha 3 %1 %2 vezes 1").arg(cab).arg(falha));
        sim->limparRegistros();
        quint8 e = 99;
        bool r;
        if (modelo == QLatin1String("71"))
            r = l71.GravarTempoRele(125, e);
        else if (modelo == QLatin1String("64"))
            r = l64.LerEstado(e);
        else
            r = ctr.Sinalizar(e);
        QCOMPARE(int(e), erro);
        QCOMPARE(r, erro == 0);
        // The driver stays usable for the next command, once the device is done with the spoiled exchange: its
        // answer (late, cut or noisy) has gone out, or, silent, it has heard the command.
        QTRY_VERIFY_WITH_TIMEOUT(sim->contar(QStringLiteral("tx"), Com, cab) > 0 ||
                                     (falha == QLatin1String("silencio") && sim->contar(QStringLiteral("falha"), Com, cab) > 0),
                                 5000);
        e = 99;
        if (modelo == QLatin1String("71"))
            QVERIFY(l71.GravarTempoRele(125, e));
        else if (modelo == QLatin1String("64"))
            QVERIFY(l64.LerEstado(e));
        else
            QVERIFY(ctr.Sinalizar(e));
        QCOMPARE(int(e), 0);
    }

    void memoriaDaControladora() {
        TControladora c(Ctr, porta);
        quint8 e = 0;
        const QByteArray dados = aleatorios(300, 7);
        QVERIFY(c.GravarMemoria(0x0200, 300, u(dados), e));
        QByteArray lido(300, '\0');
        int progresso = 0;
        QVERIFY(c.LerMemoria(
            0x0200, 300, [&](int n) { progresso += n; }, u(lido), e));
        QCOMPARE(lido.toHex(), dados.toHex());
        QCOMPARE(progresso, 304); // 19 exchanges of 16

        const QByteArray bloco = aleatorios(128, 11);
        QVERIFY(c.GravarBloco(0xB080, u(bloco), e));
        QByteArray blocoLido(128, '\0');
        QVERIFY(c.LerBloco(0xB080, u(blocoLido), e));
        QCOMPARE(blocoLido.toHex(), bloco.toHex());

        int tamanho = 0;
        QVERIFY(c.LerTamanhoMemoria(tamanho, e));
        QCOMPARE(tamanho, 32768);
        ok(QStringLiteral("tamanho 3 130 64"));
        QVERIFY(c.LerTamanhoMemoria(tamanho, e));
        QCOMPARE(tamanho, 0);
    }

    void pilhaDeEventos() {
        TControladora c(Ctr, porta);
        quint8 e = 0;
        // Header: no holidays or groups, events from 0x0020.
        const QByteArray cab = QByteArray::fromHex("00002000002000000020002000000000");
        QVERIFY(c.GravarMemoria(0, 16, u(cab), e));
        ok(QStringLiteral("eventos 3 130 5"));
        QVERIFY(estado(Ctr).contains(QLatin1String("eventos 5")));
        QVERIFY(c.ZerarPilha(e));
        QVERIFY(estado(Ctr).contains(QLatin1String("base 32 topo 32 eventos 0")));
    }

    void configuracaoDaControladora() {
        // Alone on its own line, so that 170 reaches it.
        PortaSerial linha = LinhaSerial::abrir(sim->abrirBarramento(4), 19200);
        sim->adicionar(4, Modelo::Controladora, Ctr);
        const auto estado = [this] { return sim->comando(QStringLiteral("estado 4 %1").arg(Ctr)); };
        TControladora c(Ctr, linha);
        quint8 e = 0;
        QVERIFY(c.GravarTemposRele(1000, 250, 2000, 750, e));
        QVERIFY(c.GravarTimeouts(5, 10, 63, 0, e));
        QVERIFY(c.GravarDadosLista(0xB000, 300, e));
        QVERIFY2(estado().contains(QLatin1String("reles 4 1 8 3 lista 45056 cartoes 300 timeouts 5 10 63 0")),
                 qPrintable(estado()));
        QVERIFY(c.AcertarRelogio(QStringLiteral("08:30:00"), QStringLiteral("07/01/24"), e)); // a Sunday
        QVERIFY2(estado().contains(QLatin1String("dia 7")), qPrintable(estado()));
        QVERIFY(c.AcionarPorta(3, 2000, e));
        QTRY_VERIFY2(estado().contains(QLatin1String("pulsos_porta 0 0 1 0")), qPrintable(estado()));
        QVERIFY(c.GravarCabeca(140, e));
        QCOMPARE(int(c.Cabeca), Ctr);
        TControladora nova(140, linha);
        QVERIFY(nova.Sinalizar(e));
        QVERIFY(!c.Sinalizar(e));
    }

    void vagasAoVivo() {
        TControladora c(Ctr, porta);
        quint8 e = 0;
        QVERIFY(c.LerEventos(e));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(c.CartoesLidos[i], QStringLiteral("0000000000"));
        ok(QStringLiteral("vivo 3 130 3 1A2B3C 2"));
        ok(QStringLiteral("vivo 3 130 8 FFFFFF 4"));
        QVERIFY(c.LerEventos(e));
        QCOMPARE(c.CartoesLidos[2], QStringLiteral("00001A2B3C"));
        QCOMPARE(c.PortasLidas[2], QStringLiteral("02"));
        QCOMPARE(c.CartoesLidos[7], QStringLiteral("0000FFFFFF"));
        QCOMPARE(c.PortasLidas[7], QStringLiteral("04"));
        QCOMPARE(c.CartoesLidos[0], QStringLiteral("0000000000"));
    }

    // Stray bytes between the two frames of the live slots: every poll still delivers the card.
    void vagasAoVivoComBytesSoltos_data() {
        QTest::addColumn<QString>("soltos");
        QTest::newRow("um byte") << "55";
        QTest::newRow("um STX") << "02";
        QTest::newRow("fim de linha") << "0D 0A";
    }
    void vagasAoVivoComBytesSoltos() {
        QFETCH(QString, soltos);
        TControladora c(Ctr, porta);
        ok(QStringLiteral("vivo 3 130 3 1A2B3C 2"));
        ok(QStringLiteral("falha 3 130 entre ") + soltos);
        for (int i = 0; i < 3; ++i) {
            quint8 e = 99;
            c.CartoesLidos[2] = QString();
            QVERIFY2(c.LerEventos(e), qPrintable(QStringLiteral("leitura %1, erro %2").arg(i).arg(e)));
            QCOMPARE(int(e), 0);
            QCOMPARE(c.CartoesLidos[2], QStringLiteral("00001A2B3C"));
            QCOMPARE(c.PortasLidas[2], QStringLiteral("02"));
        }
        QCOMPARE(sim->contar(QStringLiteral("falha"), Com, Ctr), 3);
    }

    // A closing-worker-like thread and this thread exchange on one line at once; the devices see every
    // exchange whole.
    void duasThreadsNumaLinha() {
        TLeitora64AX l64(C64, porta);
        TLeitora71 l71(C71, porta);
        TControladora ctr(Ctr, porta);
        std::atomic<int> falhasTrabalhador{0};
        std::atomic<int> pedidosRele{0}; // counted as they arrive: the simulator's log keeps only the latest
        sim->aoRegistrar([&](const sim::Registro& r) {
            if (r.evento == QLatin1String("rx") && r.cabeca == C64 && r.bytes.size() > 3 && r.bytes[3] == 'C')
                ++pedidosRele;
        });
        std::atomic<bool> fim{false};
        std::thread trabalhador([&] {
            while (!fim) {
                l64.Ocupada.tomar();
                quint8 e = 0;
                if (!l64.LerEstado(e)) ++falhasTrabalhador;
                l64.Ocupada.liberar();
                QThread::msleep(2);
            }
        });
        int falhas = 0;
        for (int i = 0; i < 40; ++i) {
            quint8 e = 0;
            if (!l71.LerCartao(e)) ++falhas;
            QByteArray m(48, '\0');
            if (!ctr.LerMemoria(0, 48, {}, u(m), e)) ++falhas;
            l64.Ocupada.tomar();
            if (!l64.AcionarRele(250, e)) ++falhas;
            l64.Ocupada.liberar();
        }
        fim = true;
        trabalhador.join();
        sim->aoRegistrar({});
        QCOMPARE(falhas, 0);
        QCOMPARE(falhasTrabalhador.load(), 0);
        QCOMPARE(sim->intercalacoes(), 0);
        QCOMPARE(pedidosRele.load(), 40);
    }

    // A gate's closing worker reads its reader while this thread pulses the same reader as another gate's
    // mother: each decodes its own reply, never the buffer the other exchange is refilling.
    void leituraDaMaeDuranteOPulso_data() {
        QTest::addColumn<QString>("leitura");
        QTest::newRow("estado") << "estado";
        QTest::newRow("tag") << "tag";
        QTest::newRow("cabeça") << "cabeca";
    }
    void leituraDaMaeDuranteOPulso() {
        QFETCH(QString, leitura);
        ok(QStringLiteral("sensor 3 171 presenca 1"));
        ok(QStringLiteral("sensor 3 171 fechado 1"));
        ok(QStringLiteral("tag 3 171 0000ABCDEF"));
        TLeitora64AX mae(C64, porta);
        TLeitora64AX filha(C64 + 1, porta); // never addressed: its relay is the mother's
        filha.NaoBateRele = true;
        filha.LeitoraMae = &mae;
        filha.Portao->TempoRele = 250;
        const int nucleo = std::max(sched_getcpu(), 0);
        const cpu_set_t antes = fixarNucleo(nucleo, false);
        std::atomic<int> erradas{0}, leituras{0};
        std::atomic<bool> fim{false};
        std::thread trabalhador([&] {
            fixarNucleo(nucleo, true);
            while (!fim) {
                mae.Ocupada.tomar();
                quint8 e = 0;
                bool certa;
                if (leitura == QLatin1String("estado")) {
                    certa = mae.LerEstado(e) && mae.Portao->Presenca && mae.Portao->Fechado;
                } else if (leitura == QLatin1String("tag")) {
                    mae.Portao->Cartao = QStringLiteral("0000000000");
                    certa = mae.LerTag(e) && mae.Portao->Cartao == QLatin1String("0000ABCDEF");
                } else {
                    certa = mae.GravarCabeca(C64, e);
                }
                mae.Ocupada.liberar();
                if (!certa) ++erradas;
                ++leituras;
            }
        });
        constexpr int Pulsos = 30;
        int pulsosFalhos = 0;
        for (int i = 0; i < Pulsos; ++i) {
            quint8 e = 0;
            filha.PulsarPortao(e);
            if (e != 0) ++pulsosFalhos;
            QThread::usleep(200); // the core is the worker's: its next read takes the line
        }
        fim = true;
        trabalhador.join();
        pthread_setaffinity_np(pthread_self(), sizeof antes, &antes);
        QVERIFY(leituras.load() > 0);
        QCOMPARE(erradas.load(), 0);
        QCOMPARE(pulsosFalhos, 0);
        QTRY_COMPARE(sim->contar(QStringLiteral("rele"), Com, C64), Pulsos);
    }

    // The far end disappears: every driver reports its error byte, nothing crashes.
    void linhaSome() {
        TLeitora71 l71(C71, porta);
        TLeitora64AX l64(C64, porta);
        TControladora ctr(Ctr, porta);
        quint8 e = 0;
        QVERIFY(l71.Sinalizar(e));
        sim.reset();
        QVERIFY(!l71.LerCartao(e));
        QVERIFY(e == TLeitora71::ErroSemComplemento || e == TLeitora71::ErroEscritaEndereco);
        QVERIFY(!l64.LerEstado(e));
        QVERIFY(e == 7 || e == 2);
        QVERIFY(!l64.Portao->Presenca && !l64.Portao->Fechado);
        QByteArray m(64, '\0');
        QVERIFY(!ctr.LerMemoria(0, 64, {}, u(m), e));
        QVERIFY(!ctr.LerEventos(e));
    }
};

QTEST_GUILESS_MAIN(TstDispositivos)
#include "tst_dispositivos.moc"
