// Framed exchanges of the active-tag reader and the controller, byte for byte, with every error byte.
#include "Bytes.h"
#include "ParPty.h"
#include "devices/uControladora.h"
#include "devices/uLeitora64AX.h"
#include "platform/Relogio.h"

#include <QTest>
#include <functional>

using namespace portaris;
using Passos = QList<ParPty::Passo>;
// An operation returns its success and writes what it observed (card, flags, memory…) as text.
using Op64 = std::function<bool(TLeitora64AX&, quint8&, QString&)>;
using OpCtr = std::function<bool(TControladora&, quint8&, QString&)>;
Q_DECLARE_METATYPE(Passos)
Q_DECLARE_METATYPE(Op64)
Q_DECLARE_METATYPE(OpCtr)

namespace {
constexpr int Lei = 171, Ctr = 130;

QByteArray q(int end, char letra, const QByteArray& dados = {}) {
    return quadroDe(end, letra, dados);
}
QByteArray r(int end, const QByteArray& dados = {}) {
    return respostaDe(end, dados);
}
// 16 bytes as the controller sends them: 32 upper-case hex characters.
QByteArray hex16(const QByteArray& b) {
    return b.leftJustified(16, '\0', true).toHex().toUpper();
}
QByteArray seq(int inicio, int n) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += char((inicio + i) & 0xFF);
    return b;
}
QString hexTexto(const quint8* p, int n) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p), n).toHex());
}
ParPty::Passo passo(const QByteArray& pedido, const QByteArray& resposta) {
    return {static_cast<int>(pedido.size()), resposta};
}

// The configuration block's read (eight 'G' "L" steps) and its write, addressed to `end`.
void blocoConfiguracao(int end, const QByteArray& antes, const QByteArray& depois, Passos& passos,
                       QByteArray& enviado, const QByteArray& respostaEscrita = "OK") {
    for (int k = 0; k < 8; ++k) {
        const int a = 0x8000 + 16 * k;
        const QByteArray pedido = q(end, 'G', bytes({'L', a >> 8, a & 0xFF}));
        passos << passo(pedido, r(end, hex16(antes.mid(16 * k, 16))));
        enviado += pedido;
    }
    const QByteArray escrita = q(end, 'G', bytes({'G', 0x80, 0x00}) + depois);
    passos << passo(escrita, r(end, respostaEscrita));
    enviado += escrita;
}
} // namespace

class TstQuadro : public QObject {
    Q_OBJECT
    RelogioFalso relogioFalso;

    template <typename Driver, typename Op> void executar(int cabeca) {
        QFETCH(Op, op);
        QFETCH(Passos, passos);
        QFETCH(QByteArray, enviado);
        QFETCH(bool, ok);
        QFETCH(int, erro);
        QFETCH(QString, observado);
        ParPty par;
        PortaSerial porta = LinhaSerial::abrir(par.caminho(), 19200);
        QVERIFY(porta);
        par.roteiro(passos);
        Driver d(static_cast<quint8>(cabeca), porta);
        quint8 e = 0;
        QString obs;
        const bool res = op(d, e, obs);
        ESPERAR_BYTES(par, porta, enviado);
        QCOMPARE(res, ok);
        QCOMPARE(int(e), erro);
        QCOMPARE(obs, observado);
    }

    void colunas64() {
        QTest::addColumn<Op64>("op");
        QTest::addColumn<Passos>("passos");
        QTest::addColumn<QByteArray>("enviado");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QString>("observado");
    }

private slots:
    void init() { definirRelogio(&relogioFalso); }
    void cleanup() { definirRelogio(nullptr); }

    void leitora64_data() {
        colunas64();
        const Op64 lerTag = [](TLeitora64AX& l, quint8& e, QString& o) {
            const bool b = l.LerTag(e);
            o = l.Portao->Cartao;
            return b;
        };
        const Op64 lerEstado = [](TLeitora64AX& l, quint8& e, QString& o) {
            l.Portao->Presenca = true;
            l.Portao->Fechado = true;
            const bool b = l.LerEstado(e);
            o = QStringLiteral("presença %1 fechado %2")
                    .arg(l.Portao->Presenca.load())
                    .arg(l.Portao->Fechado.load());
            return b;
        };
        const Op64 sinalizar = [](TLeitora64AX& l, quint8& e, QString&) { return l.Sinalizar(e); };
        const QByteArray B = q(Lei, 'B', "S"), E = q(Lei, 'E'), H = q(Lei, 'H');

        QTest::newRow("H sinalizar") << sinalizar << Passos{passo(H, r(Lei))} << H << true << 0 << "";
        QTest::newRow("B tag, fechamento por tempo: S")
            << lerTag << Passos{passo(B, r(Lei, "0000ABCDEF"))} << B << true << 0 << "0000ABCDEF";
        const Op64 lerTagInfra = [lerTag](TLeitora64AX& l, quint8& e, QString& o) {
            l.TipoFechamento = 1;
            return lerTag(l, e, o);
        };
        QTest::newRow("B tag, fechamento por infravermelho: N")
            << lerTagInfra << Passos{passo(q(Lei, 'B', "N"), r(Lei, "0000ABCDEF"))} << q(Lei, 'B', "N")
            << true << 0 << "0000ABCDEF";
        QTest::newRow("E presença e fechado")
            << lerEstado << Passos{passo(E, r(Lei, "10"))} << E << true << 0 << "presença 1 fechado 1";
        QTest::newRow("E livre e aberto")
            << lerEstado << Passos{passo(E, r(Lei, "01"))} << E << true << 0 << "presença 0 fechado 0";
        const QByteArray C = q(Lei, 'C', "00250");
        QTest::newRow("C relé 250 ms")
            << Op64([](TLeitora64AX& l, quint8& e, QString&) { return l.AcionarRele(250, e); })
            << Passos{passo(C, r(Lei))} << C << true << 0 << "";
        const Op64 gravarCabeca = [](TLeitora64AX& l, quint8& e, QString& o) {
            const bool b = l.GravarCabeca(180, e);
            o = QString::number(l.Cabeca);
            return b;
        };
        const QByteArray F = q(170, 'F', bytes({'G', 5, 180}));
        QTest::newRow("F cabeça via 170, cabeça mantida")
            << gravarCabeca << Passos{passo(F, r(170, "OK"))} << F << true << 0 << QString::number(Lei);
        QTest::newRow("F sem OK") << gravarCabeca << Passos{passo(F, r(170, "NO"))} << F << false << 0
                                  << QString::number(Lei);

        // Error bytes of the frame layer; a failed status read clears both inputs, a failed tag read
        // leaves the card as it was.
        QTest::newRow("7 sem resposta") << lerEstado << Passos{} << E << false << 7 << "presença 0 fechado 0";
        QTest::newRow("6 lixo antes do quadro")
            << lerTag << Passos{passo(B, char(0x13) + r(Lei, "0000ABCDEF"))} << B << false << 6
            << "0000000000";
        QTest::newRow("5 outro endereço")
            << lerTag << Passos{passo(B, r(Lei + 1, "0000ABCDEF"))} << B << false << 5 << "0000000000";
        QByteArray somaErrada = r(Lei, "0000ABCDEF");
        somaErrada[somaErrada.size() - 2] = char(somaErrada[somaErrada.size() - 2] + 1);
        QTest::newRow("8 soma errada por um")
            << lerTag << Passos{passo(B, somaErrada)} << B << false << 8 << "0000000000";
        QTest::newRow("4 corpo incompleto") << lerEstado << Passos{passo(E, r(Lei, "10").chopped(4))} << E
                                            << false << 4 << "presença 0 fechado 0";
        QTest::newRow("4 tamanho declarado não cabe")
            << lerEstado << Passos{passo(E, bytes({2, Lei, 30, 121}))} << E << false << 4
            << "presença 0 fechado 0";
        QTest::newRow("tamanho máximo que cabe")
            << lerEstado << Passos{passo(E, r(Lei, "10" + QByteArray(118, 'x')))} << E << true << 0
            << "presença 1 fechado 1";
        const Op64 fechada = [](TLeitora64AX& l, quint8& e, QString&) {
            PortaSerial c = l.Porta;
            FecharPortaSerial(c);
            return l.Sinalizar(e);
        };
        QTest::newRow("2 quadro não escrito") << fechada << Passos{} << QByteArray() << false << 2 << "";
    }
    void leitora64() { executar<TLeitora64AX, Op64>(Lei); }

    void controladora_data() {
        QTest::addColumn<OpCtr>("op");
        QTest::addColumn<Passos>("passos");
        QTest::addColumn<QByteArray>("enviado");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QString>("observado");

        auto simples = [](char letra) {
            const QByteArray p = q(Ctr, letra);
            return std::make_pair(p, Passos{passo(p, r(Ctr))});
        };
        {
            const auto [p, ps] = simples('H');
            QTest::newRow("H sinalizar")
                << OpCtr([](TControladora& c, quint8& e, QString&) { return c.Sinalizar(e); }) << ps << p
                << true << 0 << "";
        }
        {
            const auto [p, ps] = simples('I');
            QTest::newRow("I reiniciar")
                << OpCtr([](TControladora& c, quint8& e, QString&) { return c.Reiniciar(e); }) << ps << p
                << true << 0 << "";
        }
        {
            const auto [p, ps] = simples('H');
            const OpCtr sinalizar = [](TControladora& c, quint8& e, QString&) { return c.Sinalizar(e); };
            QTest::newRow("4 tamanho declarado não cabe em 256")
                << sinalizar << Passos{passo(p, bytes({2, Ctr, 30, 249}) + QByteArray(300, 'x'))} << p
                << false << 4 << "";
            QTest::newRow("maior resposta que cabe")
                << sinalizar << Passos{passo(p, r(Ctr, QByteArray(248, 'x')))} << p << true << 0 << "";
        }
        const QByteArray C = q(Ctr, 'C', char(1) + QByteArray("01000"));
        QTest::newRow("C porta 2, 1000 ms")
            << OpCtr([](TControladora& c, quint8& e, QString&) { return c.AcionarPorta(2, 1000, e); })
            << Passos{passo(C, r(Ctr))} << C << true << 0 << "";
        QTest::newRow("C porta inexistente: nada sai")
            << OpCtr([](TControladora& c, quint8& e, QString&) { return c.AcionarPorta(5, 1000, e); })
            << Passos{} << QByteArray() << false << 2 << "";

        auto relogioOp = [](const char* hora, const char* data) {
            return OpCtr([=](TControladora& c, quint8& e, QString&) {
                return c.AcertarRelogio(QString::fromLatin1(hora), QString::fromLatin1(data), e);
            });
        };
        const QByteArray domingo = q(Ctr, 'E', bytes({'G', 2, 5, 1, 2, 2, 2, 7, 1, 3, 4, 5, 0, 7}));
        QTest::newRow("E relógio num domingo: 7")
            << relogioOp("13:45:07", "25/12/22") << Passos{passo(domingo, r(Ctr))} << domingo << true << 0
            << "";
        const QByteArray quarta = q(Ctr, 'E', bytes({'G', 2, 4, 1, 2, 2, 5, 3, 0, 0, 0, 0, 5, 9}));
        QTest::newRow("E relógio numa quarta: 3")
            << relogioOp("00:00:59", "24/12/25") << Passos{passo(quarta, r(Ctr))} << quarta << true << 0
            << "";
        const QByteArray ilegivel = q(Ctr, 'E', bytes({'G', 3, 1, 0, 2, 2, 5, 7, 1, 2, 0, 0, 0, 0}));
        QTest::newRow("E data ilegível: 7") << relogioOp("12:00:00", "31/02/25")
                                            << Passos{passo(ilegivel, r(Ctr))} << ilegivel << true << 0 << "";

        const OpCtr eventos = [](TControladora& c, quint8& e, QString& o) {
            const bool b = c.LerEventos(e);
            QStringList l;
            for (int i = 0; i < 8; ++i)
                l << c.CartoesLidos[i] + QLatin1Char('/') + c.PortasLidas[i];
            o = l.join(QLatin1Char(' '));
            return b;
        };
        const QByteArray J = q(Ctr, 'J', "N");
        const QString vazios = QStringLiteral("0000000000/01 ").repeated(8).trimmed();
        QTest::newRow("J todas as vagas vazias")
            << eventos << Passos{passo(J, r(Ctr, hex16({})) + r(Ctr, hex16({})))} << J << true << 0 << vazios;
        QByteArray a(16, '\0'), b(16, '\0');
        a[0] = char(0x1A), a[8] = char(0x2B), b[0] = char(0x3C), b[8] = char(1);
        a[7] = char(0xFF), a[15] = char(0x00), b[7] = char(0x01), b[15] = char(3);
        QTest::newRow("J duas vagas")
            << eventos << Passos{passo(J, r(Ctr, hex16(a))), {0, r(Ctr, hex16(b)), 30}} << J << true << 0
            << QStringLiteral("00001A2B3C/02 ") + QStringLiteral("0000000000/01 ").repeated(6) +
                   QStringLiteral("0000FF0001/04");
        // A stray byte between the frames, even one that looks like a frame's start, is passed over.
        const QString duasVagas = QStringLiteral("00001A2B3C/02 ") +
                                  QStringLiteral("0000000000/01 ").repeated(6) +
                                  QStringLiteral("0000FF0001/04");
        QTest::newRow("J byte solto entre os quadros")
            << eventos << Passos{passo(J, r(Ctr, hex16(a)) + char(0x55) + r(Ctr, hex16(b)))} << J << true << 0
            << duasVagas;
        QTest::newRow("J STX solto entre os quadros")
            << eventos << Passos{passo(J, r(Ctr, hex16(a)) + char(2) + r(Ctr, hex16(b)))} << J << true << 0
            << duasVagas;
        QTest::newRow("J segundo quadro falta: 7")
            << eventos << Passos{passo(J, r(Ctr, hex16({})))} << J << false << 7
            << QStringLiteral("0000000000/00 ").repeated(8).trimmed();

        const OpCtr lerMemoria = [](TControladora& c, quint8& e, QString& o) {
            quint8 destino[40];
            std::memset(destino, 0xEE, sizeof destino);
            int progresso = 0;
            const bool b = c.LerMemoria(
                0x0100, 40, [&](int n) { progresso += n; }, destino, e);
            o = hexTexto(destino, 40) + QStringLiteral(" progresso %1").arg(progresso);
            return b;
        };
        Passos pm;
        QByteArray em;
        for (int k = 0; k < 3; ++k) {
            const QByteArray p = q(Ctr, 'D', bytes({'L', 0x01, 0x10 * k, 1}));
            pm << passo(p, r(Ctr, hex16(seq(16 * k, 16))));
            em += p;
        }
        QTest::newRow("D ler 40 bytes em três trocas")
            << lerMemoria << pm << em << true << 0
            << QString::fromLatin1(seq(0, 40).toHex()) + QStringLiteral(" progresso 48");
        QTest::newRow("D falha na segunda troca: fica o que veio")
            << lerMemoria << Passos{pm[0]} << em.left(2 * 13) << false << 7
            << QString::fromLatin1((seq(0, 16) + QByteArray(24, '\0')).toHex()) +
                   QStringLiteral(" progresso 32");

        const OpCtr gravarMemoria = [](TControladora& c, quint8& e, QString&) {
            const QByteArray dados = seq(0, 200);
            return c.GravarMemoria(0x0000, 200, reinterpret_cast<const quint8*>(dados.constData()), e);
        };
        const QByteArray g1 = q(Ctr, 'D', bytes({'G', 0, 0, 128}) + seq(0, 128));
        const QByteArray g2 = q(Ctr, 'D', bytes({'G', 0, 0x80, 72}) + seq(128, 72));
        QTest::newRow("D gravar 200 bytes em dois pedaços")
            << gravarMemoria << Passos{passo(g1, r(Ctr, "OK")), passo(g2, r(Ctr, "OK"))} << g1 + g2 << true
            << 0 << "";
        QTest::newRow("D gravar sem OK para")
            << gravarMemoria << Passos{passo(g1, r(Ctr, "ER"))} << g1 << false << 0 << "";

        const OpCtr tamanho = [](TControladora& c, quint8& e, QString& o) {
            quint8 e0 = 0;
            c.AcionarPorta(3, 250, e0);
            int t = -1;
            const bool b = c.LerTamanhoMemoria(t, e);
            o = QString::number(t);
            return b;
        };
        const QByteArray C3 = q(Ctr, 'C', char(2) + QByteArray("00250"));
        const QByteArray F = q(Ctr, 'F', bytes({2})); // the byte the previous command left first
        QTest::newRow("F código 20: 32768")
            << tamanho << Passos{passo(C3, r(Ctr)), passo(F, r(Ctr, "20"))} << C3 + F << true << 0 << "32768";
        QTest::newRow("F código 02: 2048")
            << tamanho << Passos{passo(C3, r(Ctr)), passo(F, r(Ctr, "02"))} << C3 + F << true << 0 << "2048";
        QTest::newRow("F código 64: 0")
            << tamanho << Passos{passo(C3, r(Ctr)), passo(F, r(Ctr, "40"))} << C3 + F << true << 0 << "0";

        QByteArray cab = bytes({3, 0, 32, 2, 0, 38, 0, 0, 0x00, 0x60, 0x01, 0x00, 9, 9, 9, 9});
        QByteArray zerado = cab;
        zerado[10] = cab[8];
        zerado[11] = cab[9];
        const QByteArray lz = q(Ctr, 'D', bytes({'L', 0, 0, 1}));
        const QByteArray gz = q(Ctr, 'D', bytes({'G', 0, 0, 16}) + zerado);
        QTest::newRow("zerar pilha: topo = base")
            << OpCtr([](TControladora& c, quint8& e, QString&) { return c.ZerarPilha(e); })
            << Passos{passo(lz, r(Ctr, hex16(cab))), passo(gz, r(Ctr, "OK"))} << lz + gz << true << 0 << "";

        const QByteArray bloco = seq(0x40, 128);
        {
            QByteArray depois = bloco;
            depois[6] = 4, depois[7] = 1, depois[8] = 8, depois[9] = 2;
            Passos ps;
            QByteArray env;
            blocoConfiguracao(Ctr, bloco, depois, ps, env);
            QTest::newRow("tempos de relé: 1000 ms → 4") << OpCtr([](TControladora& c, quint8& e, QString&) {
                return c.GravarTemposRele(1000, 250, 2000, 500, e);
            }) << ps << env << true << 0 << "";
        }
        {
            QByteArray depois = bloco;
            depois[16] = 0, depois[17] = 10, depois[18] = 63, depois[19] = 5;
            Passos ps;
            QByteArray env;
            blocoConfiguracao(Ctr, bloco, depois, ps, env);
            QTest::newRow("timeouts") << OpCtr([](TControladora& c, quint8& e, QString&) {
                return c.GravarTimeouts(0, 10, 63, 5, e);
            }) << ps << env << true << 0
                                      << "";
        }
        {
            QByteArray depois = bloco;
            depois[10] = char(0xB0), depois[11] = 0, depois[12] = 1, depois[13] = 2;
            Passos ps;
            QByteArray env;
            blocoConfiguracao(Ctr, bloco, depois, ps, env, "NO");
            QTest::newRow("dados da lista, escrita recusada")
                << OpCtr([](TControladora& c, quint8& e, QString&) {
                       return c.GravarDadosLista(0xB000, 258, e);
                   })
                << ps << env << false << 0 << "";
        }
        {
            QByteArray depois = bloco;
            depois[5] = char(140);
            Passos ps;
            QByteArray env;
            blocoConfiguracao(170, bloco, depois, ps, env);
            const QByteArray I = q(170, 'I');
            ps << passo(I, r(170));
            env += I;
            QTest::newRow("cabeça via 170 e reinício, cabeça restaurada")
                << OpCtr([](TControladora& c, quint8& e, QString& o) {
                       const bool b = c.GravarCabeca(140, e);
                       o = QString::number(c.Cabeca);
                       return b;
                   })
                << ps << env << true << 0 << QString::number(Ctr);
        }
        {
            Passos ps;
            QByteArray env;
            blocoConfiguracao(Ctr, bloco, bloco, ps, env);
            ps.removeLast();
            ps << passo(env.right(140), QByteArray()); // silence on the write
            ps.removeAt(3);                            // and on the fourth read
            QTest::newRow("bloco: falha no meio da leitura")
                << OpCtr([](TControladora& c, quint8& e, QString& o) {
                       quint8 d[128];
                       const bool b = c.LerBloco(0x8000, d, e);
                       o = hexTexto(d, 64);
                       return b;
                   })
                << Passos(ps.mid(0, 3)) << env.left(4 * 12) << false << 7
                << QString::fromLatin1((bloco.left(48) + QByteArray(16, '\0')).toHex());
        }
    }
    void controladora() { executar<TControladora, OpCtr>(Ctr); }
};

QTEST_GUILESS_MAIN(TstQuadro)
#include "tst_quadro.moc"
