#include "ClientePty.h"
#include "Simulador.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>

using portaris::sim::Modelo;
using portaris::sim::Registro;
using portaris::sim::Simulador;

namespace {
// "qx71:200,qx64c:130" on COM1.
std::unique_ptr<Simulador> criar(const QString& dispositivos, bool ritmo = false) {
    auto s = std::make_unique<Simulador>(19200, ritmo);
    for (const QString& item : dispositivos.split(QLatin1Char(','))) {
        const QStringList p = item.split(QLatin1Char(':'));
        s->adicionar(1, *Simulador::modeloPorNome(p[0]), p[1].toInt());
    }
    return s;
}

QByteArray hex(const char* texto) {
    return QByteArray::fromHex(texto);
}

QString diferenca(const QByteArray& obtido, const QByteArray& esperado) {
    int i = 0;
    while (i < obtido.size() && i < esperado.size() && obtido[i] == esperado[i])
        ++i;
    return QStringLiteral("\n  esperado: %1\n  obtido:   %2\n  primeira diferença no byte %3")
        .arg(QString::fromLatin1(esperado.toHex(' ').toUpper()),
             QString::fromLatin1(obtido.toHex(' ').toUpper()))
        .arg(i);
}

void compararBytes(const QByteArray& obtido, const QByteArray& esperado, const QString& contexto) {
    QVERIFY2(obtido == esperado, qPrintable(contexto + diferenca(obtido, esperado)));
}

// Steps alternate a request and the exact reply (empty: the device must stay silent).
void executarPassos(ClientePty& cli, const QStringList& passos) {
    for (int i = 0; i + 1 < passos.size(); i += 2) {
        const QByteArray pedido = QByteArray::fromHex(passos[i].toLatin1());
        const QByteArray esperado = QByteArray::fromHex(passos[i + 1].toLatin1());
        QByteArray obtido = cli.trocar(pedido, int(esperado.size()));
        if (!esperado.isEmpty()) obtido += cli.ler(1, 60); // nothing may follow the reply
        compararBytes(obtido, esperado, QStringLiteral("passo %1, pedido %2").arg(i / 2 + 1).arg(passos[i]));
    }
}

// The station's frame, built here from the wire table so tests can vary addresses and data.
QByteArray quadro(quint8 endereco, char letra, const QByteArray& dados) {
    QByteArray q;
    q.append(char(2)).append(char(endereco)).append(char(30)).append(letra).append(char(dados.size()));
    q.append(char(28)).append(dados).append(char(3));
    quint8 s = 0;
    for (char c : q)
        s = quint8(s + quint8(c));
    return q.append(char(s)).append(char(4));
}

// A reply frame as the station expects it: STX, address, RS, N, FS, data, ETX, sum, EOT.
QByteArray quadroDeResposta(quint8 endereco, const QByteArray& dados) {
    QByteArray q;
    q.append(char(2)).append(char(endereco)).append(char(30)).append(char(dados.size())).append(char(28));
    q.append(dados).append(char(3));
    quint8 s = 0;
    for (char c : q)
        s = quint8(s + quint8(c));
    return q.append(char(s)).append(char(4));
}

QByteArray dadosDaResposta(const QByteArray& r) {
    return r.size() >= 8 ? r.mid(5, quint8(r[3])) : QByteArray();
}

// Reads the "COMn=path" lines up to the readiness line; empty when it never comes.
QMap<QString, QString> esperarPronto(QProcess& p) {
    QMap<QString, QString> portas;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (!p.canReadLine() && !p.waitForReadyRead(200)) continue;
        while (p.canReadLine()) {
            const QString l = QString::fromUtf8(p.readLine()).trimmed();
            if (l == QLatin1String("PRONTO")) return portas;
            portas.insert(l.section('=', 0, 0), l.section('=', 1));
        }
    }
    return {};
}

QString linhaDoEstado(Simulador& s, const QString& dispositivo, const QString& chave) {
    for (const QString& l : s.comando(QStringLiteral("estado ") + dispositivo).split(QLatin1Char('\n')))
        if (l.startsWith(chave + QLatin1Char(' '))) return l;
    return {};
}
} // namespace

class TstSim : public QObject {
    Q_OBJECT

private slots:
    void trocas_data() {
        QTest::addColumn<QString>("dispositivos");
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<QStringList>("passos");

        QTest::newRow("passiva: cartão lido uma vez")
            << "qx71:200" << QStringList{"cartao COM1 200 00001A2B3C"}
            << QStringList{"C8", "37", "41000000", "02 30303030314132423343 0D0A03",
                           "C8", "37", "41000000", "02 30303030303030303030 0D0A03"};
        QTest::newRow("passiva: 255 e registro, cada leitora no seu endereço")
            << "qx71:200,qx71:201" << QStringList{}
            << QStringList{"FF", "00", "43040102", "0401", "C9", "36", "45000000", "", "C7", ""};
        QTest::newRow("passiva: cabeça nova via 255")
            << "qx71:200" << QStringList{}
            << QStringList{"FF", "00", "430C0900", "0C09", "C9", "36", "46000000", "", "C8", ""};
        QTest::newRow("ativa: tag, estado, relé, cabeça via 170, beep")
            << "qx64ax:171"
            << QStringList{"tag COM1 171 00000ABCDE", "sensor COM1 171 presenca 1",
                           "sensor COM1 171 fechado 1"}
            << QStringList{"02 AB 1E 42 01 1C 53 03 80 04",
                           "02 AB 1E 0A 1C 30 30 30 30 30 41 42 43 44 45 03 33 04",
                           "02 AB 1E 45 00 1C 03 2F 04",
                           "02 AB 1E 02 1C 31 30 03 4D 04",
                           "02 AB 1E 43 05 1C 30 30 32 35 30 03 29 04",
                           "02 AB 1E 00 1C 03 EA 04",
                           "02 AA 1E 46 03 1C 47 05 B4 03 32 04",
                           "02 AA 1E 02 1C 4F 4B 03 85 04",
                           "02 B4 1E 48 00 1C 03 3B 04",
                           "02 B4 1E 00 1C 03 F3 04",
                           "02 AB 1E 48 00 1C 03 32 04",
                           ""};
        QTest::newRow("ativa: sem tag, soma errada não é atendida")
            << "qx64ax:171" << QStringList{}
            << QStringList{"02 AB 1E 42 01 1C 53 03 80 04",
                           "02 AB 1E 0A 1C 30 30 30 30 30 30 30 30 30 30 03 D4 04",
                           "02 AB 1E 42 01 1C 53 03 81 04", ""};
        QTest::newRow("bytes soltos e quadro malformado não travam a linha")
            << "qx64ax:171" << QStringList{} << QStringList{"55 66",
                                                            "",
                                                            "02 AB 99",
                                                            "",
                                                            "02 AB 1E 45 00 1C 03 2F 04",
                                                            "02 AB 1E 02 1C 30 31 03 4D 04"};
        QTest::newRow("controladora: comandos da tabela")
            << "qx64c:130" << QStringList{"vivo COM1 130 1 1A2B3C 2", "vivo COM1 130 8 FFEEDD 4"}
            << QStringList{
                   "02 82 1E 48 00 1C 03 09 04",
                   "02 82 1E 00 1C 03 C1 04",
                   "02 82 1E 44 04 1C 4C 00 00 01 03 56 04",
                   "02 82 1E 20 1C 3030303032303030303032303030303030303230303032303030303030303030 03 E9 04",
                   "02 82 1E 44 07 1C 47 01 00 03 11 22 33 03 BD 04",
                   "02 82 1E 02 1C 4F 4B 03 5D 04",
                   "02 82 1E 44 04 1C 4C 01 00 01 03 57 04",
                   "02 82 1E 20 1C 3131323233333030303030303030303030303030303030303030303030303030 03 ED 04",
                   "02 82 1E 46 01 1C 4C 03 54 04",
                   "02 82 1E 02 1C 32 30 03 25 04",
                   "02 82 1E 43 06 1C 02 30 31 35 30 30 03 02 04",
                   "02 82 1E 00 1C 03 C1 04",
                   "02 82 1E 47 03 1C 4C 80 00 03 D7 04",
                   "02 82 1E 20 1C 4130413141324133413438323034303430343034423030303030303041454146 03 B9 04",
                   "02 82 1E 4A 01 1C 4E 03 5A 04",
                   "02 82 1E 20 1C 3141303030303030303030303030464632423030303030303030303030304545 03 5D 04"
                   "02 82 1E 20 1C 3343303030303030303030303030444430313030303030303030303030303033 03 23 04",
                   "02 82 1E 45 0E 1C 47 00 07 00 01 02 06 04 01 03 04 05 00 09 03 85 04",
                   "02 82 1E 00 1C 03 C1 04",
                   "02 AA 1E 49 00 1C 03 32 04",
                   "02 AA 1E 00 1C 03 E9 04",
                   "02 82 1E 4A 01 1C 4E 03 5A 04",
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 04"
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 "
                   "04"};
    }
    void trocas() {
        QFETCH(QString, dispositivos);
        QFETCH(QStringList, preparo);
        QFETCH(QStringList, passos);
        auto sim = criar(dispositivos);
        for (const QString& c : preparo)
            QCOMPARE(sim->comando(c), QStringLiteral("ok"));
        ClientePty cli(sim->caminho(1));
        QVERIFY(cli.aberto());
        executarPassos(cli, passos);
        QCOMPARE(sim->intercalacoes(), 0);
    }

    void falhas_data() {
        QTest::addColumn<QString>("dispositivos");
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<QStringList>("passos");
        const QString estado = QStringLiteral("02 AB 1E 45 00 1C 03 2F 04");
        const QString resposta = QStringLiteral("02 AB 1E 02 1C 30 31 03 4D 04");

        QTest::newRow("quadro: silêncio")
            << "qx64ax:171" << QStringList{"falha 1 171 silencio"} << QStringList{estado, "", estado, ""};
        QTest::newRow("quadro: lixo antes") << "qx64ax:171" << QStringList{"falha 1 171 lixo 00 FF"}
                                            << QStringList{estado, "00 FF " + resposta};
        QTest::newRow("quadro: outro endereço") << "qx64ax:171" << QStringList{"falha 1 171 endereco"}
                                                << QStringList{estado, "02 AC 1E 02 1C 30 31 03 4E 04"};
        QTest::newRow("quadro: soma errada") << "qx64ax:171" << QStringList{"falha 1 171 soma"}
                                             << QStringList{estado, "02 AB 1E 02 1C 30 31 03 4E 04"};
        QTest::newRow("quadro: curta")
            << "qx64ax:171" << QStringList{"falha 1 171 curta"} << QStringList{estado, "02 AB 1E 02 1C 30"};
        QTest::newRow("quadro: curta 4")
            << "qx64ax:171" << QStringList{"falha 1 171 curta 4"} << QStringList{estado, "02 AB 1E 02"};
        QTest::newRow("quadro: comprimento 0") << "qx64ax:171" << QStringList{"falha 1 171 comprimento 0"}
                                               << QStringList{estado, "02 AB 1E 00 1C 03 EA 04"};
        QTest::newRow("quadro: comprimento 200")
            << "qx64ax:171" << QStringList{"falha 1 171 comprimento 200"}
            << QStringList{estado,
                           QString::fromLatin1(
                               quadroDeResposta(171, QByteArray("01").leftJustified(200, '0')).toHex())};
        QTest::newRow("quadro: só uma vez") << "qx64ax:171" << QStringList{"falha 1 171 silencio vezes 1"}
                                            << QStringList{estado, "", estado, resposta};
        QTest::newRow("quadro: limpa as falhas")
            << "qx64ax:171" << QStringList{"falha 1 171 soma", "falha 1 171 lixo", "falha 1 171 nenhuma"}
            << QStringList{estado, resposta};
        QTest::newRow("'J' curta: sem o segundo quadro")
            << "qx64c:130" << QStringList{"falha 1 130 curta"}
            << QStringList{"02 82 1E 4A 01 1C 4E 03 5A 04",
                           "02 82 1E 20 1C 30303030303030303030303030303030303030303030303030303030303030"};
        // Stray bytes right behind the first 'J' frame; a one-frame answer leaves the fault for the next 'J'.
        QTest::newRow("'J' entre: bytes soltos entre os quadros")
            << "qx64c:130" << QStringList{"falha 1 130 entre 55 0D vezes 1"}
            << QStringList{
                   "02 82 1E 48 00 1C 03 09 04",
                   "02 82 1E 00 1C 03 C1 04",
                   "02 82 1E 4A 01 1C 4E 03 5A 04",
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 04"
                   "55 0D "
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 04",
                   "02 82 1E 4A 01 1C 4E 03 5A 04",
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 04"
                   "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 03 E1 "
                   "04"};
        QTest::newRow("passiva: silêncio")
            << "qx71:200" << QStringList{"falha 1 200 silencio"} << QStringList{"C8", ""};
        QTest::newRow("passiva: lixo antes do complemento")
            << "qx71:200" << QStringList{"cartao 1 200 00001A2B3C", "falha 1 200 lixo"}
            << QStringList{"C8", "13 37 55 37", "41000000", "02 30303030314132423343 0D0A03"};
        QTest::newRow("passiva: complemento de outro endereço")
            << "qx71:200" << QStringList{"falha 1 200 endereco"} << QStringList{"C8", "36"};
        QTest::newRow("passiva: eco alterado")
            << "qx71:200" << QStringList{"falha 1 200 soma"} << QStringList{"C8", "37", "43070D02", "070E"};
        QTest::newRow("passiva: 10 de 14")
            << "qx71:200" << QStringList{"cartao 1 200 00001A2B3C", "falha 1 200 curta"}
            << QStringList{"C8", "37", "41000000", "02 303030303141324233"};
    }
    void falhas() { trocas(); }

    void tempos_data() {
        QTest::addColumn<QString>("dispositivos");
        QTest::addColumn<bool>("ritmo");
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<QStringList>("passos");
        QTest::addColumn<double>("minimoMs");
        // At 19200 baud a byte takes 10/19200 s ≈ 0.52 ms, both ways.
        QTest::newRow("ritmo: 13 + 40 bytes de memória")
            << "qx64c:130" << true << QStringList{}
            << QStringList{"02 82 1E 44 04 1C 4C 01 00 01 03 57 04",
                           "02 82 1E 20 1C 3030303030303030303030303030303030303030303030303030303030303030 "
                           "03 E1 04"}
            << 53 * 0.52;
        QTest::newRow("ritmo: cartão da passiva, 20 bytes")
            << "qx71:200" << true << QStringList{}
            << QStringList{"C8", "37", "41000000", "02 30303030303030303030 0D0A03"} << 20 * 0.52;
        QTest::newRow("ritmo a 9600 baud: cartão da passiva")
            << "qx71:200" << true << QStringList{"baud 9600"}
            << QStringList{"C8", "37", "41000000", "02 30303030303030303030 0D0A03"} << 20 * 1.04;
        QTest::newRow("atraso de 300 ms")
            << "qx64ax:171" << false << QStringList{"falha 1 171 atraso 300"}
            << QStringList{"02 AB 1E 48 00 1C 03 32 04", "02 AB 1E 00 1C 03 EA 04"} << 300.0;
    }
    void tempos() {
        QFETCH(QString, dispositivos);
        QFETCH(bool, ritmo);
        QFETCH(QStringList, preparo);
        QFETCH(QStringList, passos);
        QFETCH(double, minimoMs);
        auto sim = criar(dispositivos, ritmo);
        for (const QString& c : preparo)
            QCOMPARE(sim->comando(c), QStringLiteral("ok"));
        ClientePty cli(sim->caminho(1));
        QElapsedTimer t;
        t.start();
        for (int i = 0; i + 1 < passos.size(); i += 2) {
            const QByteArray esperado = QByteArray::fromHex(passos[i + 1].toLatin1());
            compararBytes(cli.trocar(QByteArray::fromHex(passos[i].toLatin1()), int(esperado.size())),
                          esperado, passos[i]);
        }
        const double ms = double(t.nsecsElapsed()) / 1e6;
        QVERIFY2(ms >= minimoMs * 0.9,
                 qPrintable(QStringLiteral("%1 ms, esperado ≥ %2").arg(ms).arg(minimoMs)));
    }

    // 255 and 170 reach the first device of their kind; the rest of the bus is left alone.
    void enderecamentoGeral() {
        auto sim = criar(QStringLiteral("qx71:200,qx71:201,qx64ax:171,qx64c:130"));
        ClientePty cli(sim->caminho(1));
        executarPassos(cli, {"FF", "00", "43020302", "0203", "C8", "37", "45000000", ""});
        QCOMPARE(linhaDoEstado(*sim, "1 200", "registros"), QStringLiteral("registros 0=200 1=0 2=35"));
        QCOMPARE(linhaDoEstado(*sim, "1 201", "registros"), QStringLiteral("registros 0=201 1=0 2=125"));
        QCOMPARE(sim->contar("rele", 1, 200), 1);
        const auto regs = sim->registros();
        auto rele =
            std::find_if(regs.begin(), regs.end(), [](const Registro& r) { return r.evento == "rele"; });
        QVERIFY(rele != regs.end());
        QVERIFY2(rele->descricao.startsWith("250 ms"), qPrintable(rele->descricao));

        const QByteArray beep = quadro(170, 'H', {});
        compararBytes(cli.trocar(beep, 8), hex("02 AA 1E 00 1C 03 E9 04"), "H via 170");
        QCOMPARE(sim->contar("beep", 1, 171), 1);
        QCOMPARE(sim->contar("beep", 1, 130), 0);
        QCOMPARE(cli.trocar(quadro(140, 'H', {}), 0), QByteArray());
        QCOMPARE(cli.trocar(hex("CA"), 0), QByteArray());
        QCOMPARE(linhaDoEstado(*sim, "1 200", "pulsos").section(' ', 0, 1), QStringLiteral("pulsos 1"));
        QCOMPARE(linhaDoEstado(*sim, "1 201", "pulsos").section(' ', 0, 1), QStringLiteral("pulsos 0"));
    }

    // Controller memory as the station fills and reads it: events, block memory, clock, restart.
    void controladoraMemoria() {
        auto sim = criar(QStringLiteral("qx64c:130"));
        QCOMPARE(sim->comando("evento COM1 130 1A2B3C 25/12/26 13:45:00 0x55"), QStringLiteral("ok"));
        QCOMPARE(sim->comando("evento COM1 130 000001 07/01/26 08:00:59 0"), QStringLiteral("ok"));
        ClientePty cli(sim->caminho(1));
        auto ler16 = [&](char cmd, int endereco) {
            const QByteArray dados = cmd == 'D'
                                         ? QByteArray("L") + char(endereco >> 8) + char(endereco) + char(1)
                                         : QByteArray("L") + char(endereco >> 8) + char(endereco);
            return QByteArray::fromHex(dadosDaResposta(cli.trocar(quadro(130, cmd, dados), 40)));
        };
        compararBytes(ler16('D', 0), hex("00 0020 00 0020 0000 0020 0034 00000000"), "cabeçalho");
        compararBytes(ler16('D', 32), hex("1A2B3C 251226 134500 55 000001 070126"), "eventos");

        // Block write and read back; the configuration's head takes effect at the restart.
        QByteArray bloco(128, '\0');
        for (int i = 0; i < 128; ++i)
            bloco[i] = char(i * 3);
        QByteArray g = QByteArray("G") + char(0xB0) + char(0x00) + bloco;
        QCOMPARE(dadosDaResposta(cli.trocar(quadro(130, 'G', g), 10)), QByteArray("OK"));
        compararBytes(ler16('G', 0xB010), bloco.mid(16, 16), "lista");
        QByteArray cfg = ler16('G', 0x8000);
        cfg[5] = char(140);
        QByteArray cfgCompleto;
        for (int a = 0x8000; a < 0x8080; a += 16)
            cfgCompleto += a == 0x8000 ? cfg : ler16('G', a);
        QCOMPARE(dadosDaResposta(cli.trocar(quadro(170, 'G', QByteArray("G\x80\x00", 3) + cfgCompleto), 10)),
                 QByteArray("OK"));
        QCOMPARE(linhaDoEstado(*sim, "1 130", "modelo"), QStringLiteral("modelo qx64c cabeca 130"));
        QCOMPARE(cli.trocar(quadro(170, 'I', {}), 8).size(), 8);
        QCOMPARE(linhaDoEstado(*sim, "1 140", "modelo"), QStringLiteral("modelo qx64c cabeca 140"));
        QCOMPARE(cli.trocar(quadro(130, 'H', {}), 0), QByteArray());
        compararBytes(cli.trocar(quadro(140, 'H', {}), 8), hex("02 8C 1E 00 1C 03 CB 04"),
                      "H na cabeça nova");

        // Clock set through the wire, read through the console; a bad date is acknowledged and ignored.
        cli.trocar(hex("02 8C 1E 45 0E 1C 47 00 07 00 01 02 06 04 01 03 04 05 00 09 03 8F 04"), 8);
        QVERIFY2(linhaDoEstado(*sim, "1 140", "relogio").startsWith("relogio 07/01/26 13:45:"),
                 qPrintable(linhaDoEstado(*sim, "1 140", "relogio")));
        QVERIFY(linhaDoEstado(*sim, "1 140", "relogio").endsWith(" dia 4"));
        QByteArray ruim = QByteArray("G") + QByteArray::fromHex("03020103020604010304050009"); // 32/13/26
        QCOMPARE(cli.trocar(quadro(140, 'E', ruim), 8).size(), 8);
        QVERIFY(linhaDoEstado(*sim, "1 140", "relogio").startsWith("relogio 07/01/26"));
        QCOMPARE(sim->comando("tamanho 1 140 64"), QStringLiteral("ok"));
        QCOMPARE(dadosDaResposta(cli.trocar(quadro(140, 'F', "L"), 10)), QByteArray("40"));
        QCOMPARE(sim->comando("limpar 1 140"), QStringLiteral("ok"));
        QVERIFY(linhaDoEstado(*sim, "1 140", "cabecalho").endsWith("eventos 0"));
    }

    // Tables written the way the station transfers them are read back as the controller sees them.
    void tabelasDaControladora() {
        auto sim = criar(QStringLiteral("qx64c:130"));
        ClientePty cli(sim->caminho(1));
        auto gravar = [&](char cmd, int endereco, const QByteArray& bytes) {
            QByteArray d = QByteArray(1, 'G') + char(endereco >> 8) + char(endereco);
            if (cmd == 'D') d += char(bytes.size());
            return dadosDaResposta(cli.trocar(quadro(130, cmd, d + bytes), 10));
        };
        QCOMPARE(gravar('D', 0, hex("02 0020 01 0024 0000 0041")), QByteArray("OK"));
        QCOMPARE(gravar('D', 32, hex("2512 0101")), QByteArray("OK"));
        QCOMPARE(gravar('D', 36, hex("00000000 08001800 08001800 08001800 08001800 08001800 09301200 01")),
                 QByteArray("OK"));
        QByteArray lista = hex("1A2B3C0F03 0000010101 ABCDEF0800 00 1234560302");
        QCOMPARE(gravar('G', 0xB000, lista.leftJustified(128, '\0')), QByteArray("OK"));
        QByteArray cfg;
        for (int a = 0x8000; a < 0x8080; a += 16)
            cfg += QByteArray::fromHex(dadosDaResposta(
                cli.trocar(quadro(130, 'G', QByteArray("L") + char(a >> 8) + char(a & 0xFF)), 40)));
        QCOMPARE(cfg.size(), 128);
        cfg.replace(10, 4, hex("B000 0004"));
        QCOMPARE(gravar('G', 0x8000, cfg), QByteArray("OK"));
        QCOMPARE(
            sim->comando("tabelas 1 130"),
            QStringLiteral(
                "feriados 2: 25/12 01/01\n"
                "grupo 1: 00:00-00:00 08:00-18:00 08:00-18:00 08:00-18:00 08:00-18:00 08:00-18:00 "
                "09:30-12:00 feriado 1\n"
                "eventos 0\n"
                "lista 4 em 45056\n"
                "cartao 1A2B3C 0F 003\ncartao 000001 01 001\ncartao ABCDEF 08 000\ncartao 123456 03 002"));
        // Bytes of the configuration block the station does not touch come back as they were.
        QCOMPARE(sim->comando("bloco 1 130 0x800E 2"), QStringLiteral("AE AF"));
        // An event stored after the header moved the base lands at the new base.
        QCOMPARE(sim->comando("evento 1 130 1A2B3C 25/12/26 13:45:00 0x55"), QStringLiteral("ok"));
        QVERIFY(sim->comando("tabelas 1 130").contains("eventos 1\nevento 1A2B3C 25/12/26 13:45:00 55"));
        QCOMPARE(sim->comando("memoria 1 130 65 10"), QStringLiteral("1A 2B 3C 25 12 26 13 45 00 55"));
    }

    void intercalacao_data() {
        QTest::addColumn<QString>("dispositivos");
        QTest::addColumn<QStringList>("preparo");
        QTest::addColumn<QStringList>("roteiro"); // w:<hex> write, r:<n> read n bytes, p:<ms> pause
        QTest::addColumn<int>("intercalacoes");
        QTest::addColumn<int>("descartados");
        const QString e = QStringLiteral("w:02AB1E45001C032F04");
        const QString d = QStringLiteral("w:02821E44041C4C01000103 5704");
        QTest::newRow("uma troca depois da outra")
            << "qx64ax:171" << QStringList{"ritmo on"} << QStringList{e, "r:10", e, "r:10"} << 0 << 0;
        QTest::newRow("quadro novo durante a resposta")
            << "qx64c:130" << QStringList{"ritmo on"} << QStringList{d, d, "r:80"} << 1 << 0;
        QTest::newRow("quadro novo entre os dois quadros de 'J'")
            << "qx64c:130" << QStringList{}
            << QStringList{"w:02821E4A011C4E035A04", "r:40", "w:02821E48001C030904", "r:48"} << 1 << 0;
        QTest::newRow("endereço no lugar do comando")
            << "qx71:200" << QStringList{} << QStringList{"w:C8", "r:1", "w:C8", "r:1"} << 1 << 0;
        QTest::newRow("quadro pela metade é esquecido")
            << "qx64ax:171" << QStringList{} << QStringList{"w:02AB1E45051C01", "p:500", e, "r:10"} << 0 << 0;
        QTest::newRow("troca parada não conta")
            << "qx64ax:171" << QStringList{"falha 1 171 atraso 1000 vezes 1"}
            << QStringList{e, "p:600", e, "r:10"} << 0 << 1;
    }
    void intercalacao() {
        QFETCH(QString, dispositivos);
        QFETCH(QStringList, preparo);
        QFETCH(QStringList, roteiro);
        QFETCH(int, intercalacoes);
        QFETCH(int, descartados);
        auto sim = criar(dispositivos);
        for (const QString& c : preparo)
            QCOMPARE(sim->comando(c), QStringLiteral("ok"));
        ClientePty cli(sim->caminho(1));
        for (const QString& passo : roteiro) {
            const QString arg = passo.mid(2);
            if (passo.startsWith("w:")) cli.escrever(QByteArray::fromHex(arg.toLatin1()));
            if (passo.startsWith("r:")) QCOMPARE(cli.ler(arg.toInt(), 1500).size(), arg.toInt());
            if (passo.startsWith("p:")) QThread::msleep(arg.toULong());
        }
        QCOMPARE(sim->intercalacoes(), intercalacoes);
        QCOMPARE(sim->contar("intercalado"), intercalacoes);
        QCOMPARE(sim->contar("descartado"), descartados);
    }

    // Two threads sharing one line under one lock, as the station's workers do: nothing interleaves.
    void duasThreadsComTrava() {
        auto sim = criar(QStringLiteral("qx71:200,qx64ax:171"), true);
        QCOMPARE(sim->comando("cartao 1 200 00001A2B3C"), QStringLiteral("ok"));
        ClientePty cli(sim->caminho(1));
        std::mutex linha;
        std::atomic<int> erros{0};
        auto passiva = [&] {
            for (int i = 0; i < 15; ++i) {
                std::lock_guard g(linha);
                if (cli.trocar(hex("C8"), 1) != hex("37") || cli.trocar(hex("41000000"), 14).size() != 14)
                    ++erros;
            }
        };
        auto ativa = [&] {
            for (int i = 0; i < 15; ++i) {
                std::lock_guard g(linha);
                if (cli.trocar(hex("02AB1E45001C032F04"), 10) != hex("02 AB 1E 02 1C 30 31 03 4D 04"))
                    ++erros;
            }
        };
        std::thread a(passiva), b(ativa);
        a.join();
        b.join();
        QCOMPARE(erros.load(), 0);
        QCOMPARE(sim->intercalacoes(), 0);
        QCOMPARE(sim->contar("rx", 1, 171), 15);
    }

    // The station may close its side and open it again; the bus keeps serving.
    void reabrirALinha() {
        auto sim = criar(QStringLiteral("qx71:200"));
        ClientePty cli(sim->caminho(1));
        executarPassos(cli, {"C8", "37", "46000000", ""});
        cli.fechar();
        QTRY_COMPARE(sim->contar("linha", 1), 1); // the bus saw the station let go
        QVERIFY(cli.abrir(sim->caminho(1)));
        executarPassos(cli, {"C8", "37", "46000000", ""});
        QCOMPARE(sim->contar("linha", 1), 2);
    }

    void console_data() {
        QTest::addColumn<QString>("linha");
        QTest::addColumn<QString>("resposta"); // a prefix
        QTest::newRow("comentário") << "   # nada"
                                    << "ok";
        QTest::newRow("falha com vezes") << "falha COM1 200 lixo 00 ff vezes 2"
                                         << "ok";
        QTest::newRow("ritmo") << "ritmo on"
                               << "ok";
        QTest::newRow("intercalacoes") << "intercalacoes"
                                       << "0";
        QTest::newRow("memória da passiva") << "memoria 1 200 0 3"
                                            << "C8 00 7D";
        QTest::newRow("comando desconhecido") << "abrir 1 200"
                                              << "erro: comando desconhecido";
        QTest::newRow("barramento inexistente") << "cartao COM4 200 00001A2B3C"
                                                << "erro: barramento";
        QTest::newRow("cabeça inexistente") << "cartao 1 199 00001A2B3C"
                                            << "erro: nenhum dispositivo";
        QTest::newRow("cartão curto") << "cartao 1 200 1A2B3C"
                                      << "erro:";
        QTest::newRow("cartão no modelo errado") << "cartao 1 130 00001A2B3C"
                                                 << "erro: comando cartao não serve";
        QTest::newRow("tag na passiva") << "tag 1 200 00001A2B3C"
                                        << "erro:";
        QTest::newRow("sensor desconhecido") << "sensor 1 171 porta 1"
                                             << "erro:";
        QTest::newRow("data impossível") << "evento 1 130 1A2B3C 31/02/26 10:00:00 0"
                                         << "erro: data";
        QTest::newRow("slot 9") << "vivo 1 130 9 1A2B3C 1"
                                << "erro:";
        QTest::newRow("porta 5") << "vivo 1 130 1 1A2B3C 5"
                                 << "erro:";
        QTest::newRow("porta 5 como falha") << "vivo 1 130 1 1A2B3C cru 04"
                                            << "ok";
        QTest::newRow("byte cru além de FF") << "vivo 1 130 1 1A2B3C cru 100"
                                             << "erro:";
        QTest::newRow("fora da memória") << "gravar 1 130 32767 0102"
                                         << "erro: fora";
        QTest::newRow("hex ímpar") << "gravar 1 130 0 012"
                                   << "erro:";
        QTest::newRow("falha desconhecida") << "falha 1 200 fogo"
                                            << "erro: falha desconhecida";
        QTest::newRow("entre sem hexadecimal") << "falha 1 130 entre zz"
                                               << "erro: entre";
        QTest::newRow("atraso sem ms") << "falha 1 200 atraso"
                                       << "erro:";
        QTest::newRow("vezes zero") << "falha 1 200 silencio vezes 0"
                                    << "erro:";
        QTest::newRow("baud absurdo") << "baud 0"
                                      << "erro:";
    }
    void console() {
        QFETCH(QString, linha);
        QFETCH(QString, resposta);
        auto sim = criar(QStringLiteral("qx71:200,qx64ax:171,qx64c:130"));
        const QString r = sim->comando(linha);
        QVERIFY2(r.startsWith(resposta), qPrintable(r));
    }

    // The program announces its buses and readiness, takes console lines on stdin, stops on SIGTERM.
    void programa() {
        QTemporaryFile script;
        QVERIFY(script.open());
        script.write("# the gate reader sees a tag from the start\ntag COM5 171 00000ABCDE\n");
        script.flush();
        QProcess p;
        p.start(QStringLiteral(PORTARIS_SIM_EXE),
                {"--script", script.fileName(), "COM3:qx71:200", "COM5:qx64c:130,qx64ax:171"});
        const QMap<QString, QString> portas = esperarPronto(p);
        QCOMPARE(portas.keys(), (QStringList{"COM3", "COM5"}));
        QVERIFY(portas["COM3"].startsWith("/dev/pts/"));

        p.write("cartao COM3 200 00001A2B3C\n");
        QVERIFY(p.waitForReadyRead(2000));
        QCOMPARE(p.readLine().trimmed(), QByteArray("ok"));
        ClientePty cli(portas["COM3"]);
        executarPassos(cli, {"C8", "37", "41000000", "02 30303030314132423343 0D0A03"});
        {
            ClientePty cli5(portas["COM5"]);
            executarPassos(cli5, {"02 AB 1E 42 01 1C 53 03 80 04",
                                  "02 AB 1E 0A 1C 30 30 30 30 30 41 42 43 44 45 03 33 04"});
        }
        QVERIFY(::kill(pid_t(p.processId()), SIGTERM) == 0);
        QVERIFY(p.waitForFinished(3000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(cli.desligada(1000));
    }

    void programaTerminaComStdin() {
        QProcess p;
        p.start(QStringLiteral(PORTARIS_SIM_EXE), {"COM1:qx64ax:171"});
        QCOMPARE(esperarPronto(p).size(), 1);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(3000));
        QCOMPARE(p.exitCode(), 0);
    }

    void programaRecusa_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("sem dispositivos") << QStringList{} << QByteArray();
        QTest::newRow("modelo desconhecido") << QStringList{"COM1:qx99:200"} << QByteArray();
        QTest::newRow("cabeça fora do byte") << QStringList{"COM1:qx71:300"} << QByteArray();
        QTest::newRow("sem COM") << QStringList{"1:qx71:200"} << QByteArray();
        QTest::newRow("script com erro")
            << QStringList{"COM1:qx71:200"} << QByteArray("cartao 1 200 00001A2B3C\ntag 1 200 x\n");
    }
    void programaRecusa() {
        QFETCH(QStringList, argumentos);
        QFETCH(QByteArray, script);
        QTemporaryFile f;
        if (!script.isEmpty()) {
            QVERIFY(f.open());
            f.write(script);
            f.flush();
            argumentos << "--script" << f.fileName();
        }
        QProcess p;
        p.start(QStringLiteral(PORTARIS_SIM_EXE), argumentos);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(!p.readAllStandardOutput().contains("PRONTO"));
    }
};

QTEST_GUILESS_MAIN(TstSim)
#include "tst_sim.moc"
