// The gate cycle's rules against the simulated gate reader, with the test clock.
#include "Simulador.h"
#include "devices/uBateRele.h"
#include "devices/uLeitora64AX.h"
#include "platform/Relogio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <stdexcept>

using namespace portaris;
using portaris::sim::Modelo;
using portaris::sim::Simulador;

namespace {
constexpr int Com = 1, Cab = 171;

class VereditoRoteirizado : public VereditoTag {
public:
    bool resposta = false;
    QStringList tags;
    bool TratarTag64AX(TPORTAOATIVO& portao, TLeitora64AX&) override {
        tags << portao.Cartao;
        return resposta;
    }
};

class StatusGravado : public StatusLeitoras {
public:
    QList<int> erros;
    void AtualizarStatus(int chave, quint8 erro) override {
        if (chave == Cab) erros << erro;
    }
};

// Runs once, as the first call queued for the application object is delivered.
class ChegadaAoFechar : public QObject {
public:
    explicit ChegadaAoFechar(std::function<void()> f) : m_f(std::move(f)) {}
    int vezes = 0;
    bool eventFilter(QObject* alvo, QEvent* e) override {
        if (alvo == qApp && e->type() == QEvent::MetaCall && vezes++ == 0) m_f();
        return false;
    }

private:
    std::function<void()> m_f;
};

int contarPedidos(const Simulador& sim, char letra) {
    int n = 0;
    for (const auto& r : sim.registros())
        if (r.evento == QLatin1String("rx") && r.bytes.size() > 3 && r.bytes[0] == char(2) &&
            r.bytes[3] == letra)
            ++n;
    return n;
}
} // namespace

class TstPortao : public QObject {
    Q_OBJECT
    RelogioFalso relogioFalso;

private slots:
    void init() { definirRelogio(&relogioFalso); }
    void cleanup() {
        relogioFalso.aoDormir({});
        definirRelogio(nullptr);
    }

    void ciclo_data() {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QStringList>("acoes");
        QTest::addColumn<int>("vereditos");
        QTest::addColumn<int>("pulsos");
        QTest::addColumn<int>("leiturasTag");
        QTest::addColumn<int>("leiturasEstado");
        QTest::addColumn<QString>("relatos"); // status errors reported, in order
        QTest::addColumn<QString>("estado");

        const QString tag = QStringLiteral("sim tag 1 171 0000ABCDEF");
        QTest::newRow("portão sem nome: só os dois estados")
            << "semnome" << QStringList{tag, "sim sensor 1 171 fechado 1", "veredito sim", "ciclo 3"} << 0
            << 0 << 0 << 6 << ""
            << "aberto=0 comandado=0 desligado=0 ultimo=";
        QTest::newRow("repetição: uma vez, de novo depois de 40 s")
            << "" << QStringList{tag, "sim sensor 1 171 fechado 1", "ciclo 3", "+40001", "ciclo 2"} << 2 << 0
            << 5 << 10 << "0,0,0,0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=0000ABCDEF";
        QTest::newRow("repetição: 40 s ainda não bastam")
            << "" << QStringList{tag, "sim sensor 1 171 fechado 1", "ciclo", "+40000", "ciclo 2"} << 1 << 0
            << 3 << 6 << "0,0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=0000ABCDEF";
        QTest::newRow("outra tag passa na hora")
            << ""
            << QStringList{tag, "sim sensor 1 171 fechado 1", "ciclo 2", "sim tag 1 171 0000012345", "ciclo"}
            << 2 << 0 << 3 << 6 << "0,0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=0000012345";
        QTest::newRow("controle remoto sem presença: nenhuma tag lida")
            << "acionamento=1"
            << QStringList{tag,       "sim sensor 1 171 fechado 1",  "sim sensor 1 171 presenca 0",
                           "ciclo 2", "sim sensor 1 171 presenca 1", "ciclo"}
            << 1 << 0 << 1 << 6 << "0,0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=0000ABCDEF";
        QTest::newRow("autorizada abre; antena desligada por 10 s")
            << "desligar=10" << QStringList{tag,
                                            "sim sensor 1 171 fechado 1",
                                            "veredito sim",
                                            "ciclo",
                                            "+9999",
                                            "ciclo 2",
                                            "+1",
                                            "ciclo"}
            << 1 << 1 << 2 << 8 << "0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=0000ABCDEF";
        QTest::newRow("autorizada com o portão aberto: veredito sem pulso")
            << "" << QStringList{tag, "sim sensor 1 171 fechado 0", "veredito sim", "ciclo 2"} << 1 << 0 << 2
            << 4 << "0,0"
            << "aberto=1 comandado=0 desligado=0 ultimo=0000ABCDEF";
        QTest::newRow("sem relé próprio nem mãe: abre sem pulso e desliga a antena")
            << "naobate desligar=10"
            << QStringList{tag, "sim sensor 1 171 fechado 1", "veredito sim", "ciclo 2"} << 1 << 0 << 1 << 4
            << "0"
            << "aberto=1 comandado=0 desligado=1 ultimo=0000ABCDEF";
        QTest::newRow("falha no trânsito: um pulso a cada 30 s")
            << "falha=30" << QStringList{"sim sensor 1 171 fechado 0",
                                         "ciclo",
                                         "+30001",
                                         "ciclo",
                                         "+30000",
                                         "ciclo",
                                         "+1",
                                         "ciclo",
                                         "+29000",
                                         "ciclo"}
            << 0 << 2 << 5 << 10 << "0,0,0,0,0"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
        QTest::newRow("falha no trânsito: sem relé próprio, nenhum pulso")
            << "falha=30 naobate" << QStringList{"sim sensor 1 171 fechado 0", "ciclo", "+30001", "ciclo"}
            << 0 << 0 << 2 << 4 << "0,0"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
        QTest::newRow("interromper o trânsito e abrir: dois pulsos")
            << "tipo=1"
            << QStringList{"sim sensor 1 171 fechado 0", "sim sensor 1 171 presenca 1", "comandado", "ciclo"}
            << 0 << 2 << 1 << 2 << "0"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
        QTest::newRow("interromper o trânsito e abrir: um pulso só")
            << "tipo=1 paraabre"
            << QStringList{"sim sensor 1 171 fechado 0", "sim sensor 1 171 presenca 1", "comandado", "ciclo"}
            << 0 << 1 << 1 << 2 << "0"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
        QTest::newRow("fechamento comandado termina quando o portão fecha")
            << "" << QStringList{"sim sensor 1 171 fechado 1", "comandado", "ciclo"} << 0 << 0 << 1 << 2
            << "0"
            << "aberto=0 comandado=0 desligado=0 ultimo=";
        // Closing workers: the delay passes on the test clock at once; their closing runs here, on this
        // thread, when events are processed ("esperar").
        QTest::newRow("fecha por tempo: portão segue fechado, pulso")
            << "tipo=2 fecharapos=5000"
            << QStringList{"sim sensor 1 171 fechado 1", "ciclo", "ciclo", "esperar"} << 0 << 1 << 2 << 4
            << "0,0"
            << "aberto=0 comandado=0 desligado=0 ultimo=";
        QTest::newRow("fecha por tempo: aberto no fim do prazo, sem pulso")
            << "tipo=2 fecharapos=5000" << QStringList{"sim sensor 1 171 fechado 1", "ciclo", "esperar"} << 0
            << 0 << 1 << 2 << "0"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
        QTest::newRow("fecha por infravermelho quando a presença some")
            << "tipo=1 fecharapos=5000"
            << QStringList{"sim sensor 1 171 fechado 1",
                           "sim sensor 1 171 presenca 1",
                           "ciclo",
                           "ciclo",
                           "estado lido",
                           "sim sensor 1 171 presenca 0",
                           "esperar"}
            << 0 << 1 << 2 << -1 << "0,0"
            << "aberto=0 comandado=1 desligado=0 ultimo=";
        // The device hears the pulse but stays silent: the pulse is attempted, and as it failed the
        // commanded closing is not marked.
        // A vehicle arrives between the worker's last status read and its closing: no pulse then, the worker
        // waits for the sensor anew and closes once it clears (one pulse in all).
        QTest::newRow("infravermelho: presença volta antes do fechamento, recomeça")
            << "tipo=1 fecharapos=5000"
            << QStringList{"sim sensor 1 171 fechado 1",
                           "presenca ao fechar",
                           "ciclo",
                           "ciclo",
                           "fechamento adiado",
                           "pulsos 0",
                           "vivo",
                           "sim sensor 1 171 presenca 0",
                           "esperar"}
            << 0 << 1 << 2 << -1 << "0,0"
            << "aberto=0 comandado=1 desligado=0 ultimo=";
        QTest::newRow("leitura de estado falha: presença lida como ausente, tenta fechar")
            << "tipo=1 fecharapos=5000"
            << QStringList{"sim sensor 1 171 fechado 1", "ciclo", "sim falha 1 171 silencio", "ciclo",
                           "esperar"}
            << 0 << 1 << 2 << -1 << "0,7"
            << "aberto=1 comandado=0 desligado=0 ultimo=";
    }

    void ciclo() {
        QFETCH(QString, config);
        QFETCH(QStringList, acoes);
        QFETCH(int, vereditos);
        QFETCH(int, pulsos);
        QFETCH(int, leiturasTag);
        QFETCH(int, leiturasEstado);
        QFETCH(QString, relatos);
        QFETCH(QString, estado);

        Simulador sim(19200, false);
        const QString caminho = sim.abrirBarramento(Com);
        sim.adicionar(Com, Modelo::Leitora64AX, Cab);
        RegistroLeitora64 r;
        r.CHAVE = Cab;
        r.CABECA = Cab;
        r.DESCRICAO = QStringLiteral("Garagem");
        r.DESCRICAO01 =
            config.contains(QLatin1String("semnome")) ? QStringLiteral("  ") : QStringLiteral("Portão 1");
        r.RELE = 500;
        r.FECHARPOS = 5;
        r.POSICAO_L1 = QStringLiteral("E");
        for (const QString& c : config.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString chave = c.section(QLatin1Char('='), 0, 0);
            const int v = c.section(QLatin1Char('='), 1).toInt();
            if (chave == QLatin1String("tipo")) r.TFECHAMENTO = v;
            if (chave == QLatin1String("desligar")) r.DESLIGARPOR = v;
            if (chave == QLatin1String("acionamento")) r.ACIONAMENTO = v;
            if (chave == QLatin1String("naobate")) r.NAOBATERELE = QStringLiteral("1");
            if (chave == QLatin1String("paraabre")) r.PARAABREAUTO = QStringLiteral("1");
            if (chave == QLatin1String("fecharapos")) r.FECHARPOS = v / 1000;
        }
        PortaSerial porta = LinhaSerial::abrir(caminho, 19200);
        QVERIFY(porta);
        TabelaPortas portas;
        portas.definir(Com, porta);
        r.SERIAL = QStringLiteral("COM1");
        qputenv("PORTARIS_HOME", QByteArray("/nonexistent-portaris")); // settings at their defaults
        r.PERMITIRREMOTO = QStringLiteral("1");
        auto leitora = TLeitora64AX::Criar(r, portas);
        QVERIFY(leitora->Respondeu);
        const QString falha = config.section(QLatin1String("falha="), 1).section(QLatin1Char(' '), 0, 0);
        if (!falha.isEmpty()) leitora->Portao->FalhaTransito = falha.toUInt();
        leitora->Cabeca = Cab;
        sim.limparRegistros();

        VereditoRoteirizado veredito;
        StatusGravado status;
        int estadosAposCiclo = 0;
        // The worker hands its closing to this thread; the vehicle arrives just as that call is delivered,
        // after the worker's last status read.
        ChegadaAoFechar chegada([&] {
            leitora->Portao->Presenca = true;
            sim.comando(QStringLiteral("sensor 1 171 presenca 1"));
        });
        for (const QString& a : acoes) {
            if (a.startsWith(QLatin1String("sim "))) {
                QCOMPARE(sim.comando(a.mid(4)), QStringLiteral("ok"));
            } else if (a.startsWith(QLatin1Char('+'))) {
                relogioFalso.avancar(a.mid(1).toInt());
            } else if (a.startsWith(QLatin1String("ciclo"))) {
                const int n =
                    a.section(QLatin1Char(' '), 1).isEmpty() ? 1 : a.section(QLatin1Char(' '), 1).toInt();
                for (int i = 0; i < n; ++i) {
                    CicloPortao(*leitora, veredito, &status);
                    leitora->Portao->Cartao = QStringLiteral("0000000000"); // as the polling timer does
                }
                estadosAposCiclo = contarPedidos(sim, 'E');
            } else if (a == QLatin1String("veredito sim")) {
                veredito.resposta = true;
            } else if (a == QLatin1String("comandado")) {
                leitora->Portao->FechamentoComandado = true;
            } else if (a == QLatin1String("estado lido")) {
                // The worker's own status read, on top of the cycles' reads.
                QTRY_VERIFY_WITH_TIMEOUT(contarPedidos(sim, 'E') > estadosAposCiclo, 10000);
            } else if (a == QLatin1String("presenca ao fechar")) {
                qApp->installEventFilter(&chegada);
            } else if (a == QLatin1String("fechamento adiado")) {
                QTRY_VERIFY_WITH_TIMEOUT(chegada.vezes > 0, 10000);
                const int lidos = contarPedidos(sim, 'E');
                QTRY_VERIFY_WITH_TIMEOUT(contarPedidos(sim, 'E') > lidos, 10000); // waiting for the sensor anew
                qApp->removeEventFilter(&chegada);
            } else if (a.startsWith(QLatin1String("pulsos "))) {
                QCOMPARE(sim.contar(QStringLiteral("rele"), Com, Cab), a.mid(7).toInt());
            } else if (a == QLatin1String("vivo")) {
                QCOMPARE(leitora->FechadoresVivos.load(), 1);
            } else if (a == QLatin1String("esperar")) {
                QTRY_COMPARE_WITH_TIMEOUT(leitora->FechadoresVivos.load(), 0, 10000);
            } else {
                QFAIL(qPrintable(a));
            }
        }
        const TPORTAOATIVO& p = *leitora->Portao;
        QCOMPARE(veredito.tags.size(), vereditos);
        QCOMPARE(sim.contar(QStringLiteral("rele"), Com, Cab), pulsos);
        QCOMPARE(contarPedidos(sim, 'B'), leiturasTag);
        if (leiturasEstado >= 0) QCOMPARE(contarPedidos(sim, 'E'), leiturasEstado);
        QStringList rel;
        for (int e : status.erros)
            rel << QString::number(e);
        QCOMPARE(rel.join(QLatin1Char(',')), relatos);
        QCOMPARE(QStringLiteral("aberto=%1 comandado=%2 desligado=%3 ultimo=%4")
                     .arg(p.Aberto.load())
                     .arg(p.FechamentoComandado.load())
                     .arg(p.Desligado)
                     .arg(p.UltimoCartao),
                 estado);
        QCOMPARE(sim.intercalacoes(), 0);
    }

    // An exception raised while the cycle holds the reader's busy flag leaves the flag free: the next poll
    // (and a closing worker waiting for the flag) goes on instead of hanging.
    void excecaoNoCiclo_data() {
        QTest::addColumn<QString>("onde");
        QTest::newRow("relato de estado") << "status";
        QTest::newRow("pausa do pulso de falha no trânsito") << "pausa";
    }
    void excecaoNoCiclo() {
        QFETCH(QString, onde);
        Simulador sim(19200, false);
        PortaSerial porta = LinhaSerial::abrir(sim.abrirBarramento(Com), 19200);
        sim.adicionar(Com, Modelo::Leitora64AX, Cab);
        TLeitora64AX l(Cab, porta);
        l.Chave = Cab;
        l.Portao->Ativo = true;
        l.Portao->TempoRele = 250;
        l.Portao->FalhaTransito = 30;
        QCOMPARE(sim.comando(QStringLiteral("sensor 1 171 fechado 0")), QStringLiteral("ok"));
        struct StatusQueLanca : StatusLeitoras {
            bool lancar = false;
            void AtualizarStatus(int, quint8) override {
                if (lancar) throw std::runtime_error("janela de status");
            }
        } status;
        bool lancarNaPausa = false;
        relogioFalso.aoDormir([&](int ms) {
            if (lancarNaPausa && ms == 500) throw std::runtime_error("pausa");
        });
        VereditoRoteirizado veredito;
        CicloPortao(l, veredito, &status); // the gate is open: the transit-failure timer starts
        relogioFalso.avancar(30001);
        if (onde == QLatin1String("status"))
            status.lancar = true;
        else
            lancarNaPausa = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, CicloPortao(l, veredito, &status));
        lancarNaPausa = false;
        QVERIFY(!l.Ocupada.ativa());
        status.lancar = false;
        CicloPortao(l, veredito, &status);
        QVERIFY(!l.Ocupada.ativa());
    }

    // One tag read at a time over all gates: a read that finds the guard taken reports no tag and success.
    // A reader destroyed while its closing worker sleeps through a long delay (a minute to close
    // by time): the worker sees the end within one of its short sleeps, and the program's close
    // does not hang on it.
    void destruidaComFechadorEsperando() {
        struct RelogioContado : Relogio { // the real one, its sleeps counted
            RelogioReal real;
            std::atomic<int> sonos{0};
            QDateTime agora() const override { return real.agora(); }
            quint32 tick() const override { return real.tick(); }
            void dormir(int ms) override {
                ++sonos;
                real.dormir(ms);
            }
        } real;
        definirRelogio(&real);
        auto l = std::make_unique<TLeitora64AX>(Cab, PortaSerial{});
        l->TipoFechamento.store(2);
        TBateRele::Iniciar(*l, 60000);
        QCOMPARE(l->FechadoresVivos.load(), 1);
        QTRY_VERIFY(real.sonos.load() > 0); // asleep in its delay
        QElapsedTimer t;
        t.start();
        l.reset();
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
        definirRelogio(&relogioFalso);
    }

    void guardaDeLeitura() {
        Simulador sim(19200, false);
        PortaSerial porta = LinhaSerial::abrir(sim.abrirBarramento(Com), 19200);
        sim.adicionar(Com, Modelo::Leitora64AX, Cab);
        QCOMPARE(sim.comando(QStringLiteral("tag 1 171 0000ABCDEF")), QStringLiteral("ok"));
        TLeitora64AX a(Cab, porta), b(Cab, porta);
        b.Portao->Cartao = QStringLiteral("XXXXXXXXXX");
        quint8 erroB = 9;
        // b reads while a's read holds the guard: a's reply is delayed so the window is wide.
        QCOMPARE(sim.comando(QStringLiteral("falha 1 171 atraso 400 vezes 1")), QStringLiteral("ok"));
        std::atomic<bool> feita{false};
        std::thread t([&] {
            quint8 e = 0;
            a.LerTagProtegido(e);
            feita = true;
        });
        QVERIFY(QTest::qWaitFor([&] { return contarPedidos(sim, 'B') == 1; })); // a's request is out: a holds the guard
        QVERIFY(b.LerTagProtegido(erroB));
        QVERIFY(!feita.load()); // b read while a's read was still open
        t.join();
        QCOMPARE(int(erroB), 0);
        QCOMPARE(b.Portao->Cartao, QStringLiteral("0000000000"));
        QCOMPARE(a.Portao->Cartao, QStringLiteral("0000ABCDEF"));
        quint8 e = 9;
        QVERIFY(b.LerTagProtegido(e)); // free again
        QCOMPARE(b.Portao->Cartao, QStringLiteral("0000ABCDEF"));
    }
};

QTEST_GUILESS_MAIN(TstPortao)
#include "tst_portao.moc"
