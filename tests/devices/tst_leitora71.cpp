#include "Bytes.h"
#include "ParPty.h"
#include "PastaTeste.h"
#include "devices/uLeitora71.h"
#include "platform/ArquivoIni.h"
#include "platform/Relogio.h"

#include <QFile>
#include <QTest>

using namespace portaris;
using Passos = QList<ParPty::Passo>;
Q_DECLARE_METATYPE(Passos)

namespace {
constexpr int Cab = 200, Comp = 55; // 255 - 200

QByteArray cmd(int cab, char letra, int p1 = 0, int p2 = 0, int p3 = 0) {
    return bytes({cab, letra, p1, p2, p3});
}
QByteArray cartao(const char* dez) {
    return char(2) + QByteArray(dez) + bytes({13, 10, 3});
}
ParPty::Passo ok1() {
    return {1, bytes({Comp})};
}
} // namespace

class TstLeitora71 : public QObject {
    Q_OBJECT
    RelogioFalso relogioFalso;

private slots:
    void init() { definirRelogio(&relogioFalso); }
    void cleanup() { definirRelogio(nullptr); }

    void trocas_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<Passos>("passos");
        QTest::addColumn<QByteArray>("enviado");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("erro");
        QTest::addColumn<QString>("observado");

        const QByteArray A = cmd(Cab, 'A');
        QTest::newRow("A cartão") << "LerCartao" << Passos{ok1(), {4, cartao("1A2B3C4D5E")}}
                                  << (char(Cab) + A.mid(1)) << true << 0 << "1A2B3C4D5E";
        QTest::newRow("A sem cartão")
            << "LerCartao" << Passos{ok1(), {4, cartao("0000000000")}} << A << true << 0 << "0000000000";
        QTest::newRow("A lixo antes do complemento")
            << "LerCartao" << Passos{{1, bytes({0x13, 0x00, 0xFF, Comp})}, {4, cartao("00ABCDEF12")}} << A
            << true << 0 << "00ABCDEF12";
        QTest::newRow("A resposta curta: 64")
            << "LerCartao" << Passos{ok1(), {4, cartao("1A2B3C4D5E").left(9)}} << A << false << 64
            << "0000000000";
        QTest::newRow("A só bytes errados até o fim do prazo: 3")
            << "Complemento3" << Passos{} << QByteArray(1, char(Cab)) << false << 3 << "0000000000";
        QTest::newRow("A mudo: 2") << "LerCartao" << Passos{} << QByteArray(1, char(Cab)) << false << 2
                                   << "0000000000";
        QTest::newRow("A linha fechada: 1") << "LinhaFechada" << Passos{} << QByteArray() << false << 1 << "";
        QTest::newRow("A linha some antes do complemento: 2")
            << "LerCartao" << Passos{{1, QByteArray(), 0, true}} << QByteArray(1, char(Cab)) << false << 2
            << "0000000000";
        QTest::newRow("A comando não sai: 4")
            << "Comando4" << Passos{} << QByteArray(1, char(Cab)) << false << 4 << "0000000000";
        QTest::newRow("E relé") << "AcionarRele" << Passos{ok1()} << cmd(Cab, 'E') << true << 0 << "";
        QTest::newRow("E sem relé próprio: nada na linha")
            << "AcionarReleNaoBate" << Passos{ok1()} << QByteArray() << true << 0 << "";
        QTest::newRow("F sinalizar") << "Sinalizar" << Passos{ok1()} << cmd(Cab, 'F') << true << 0 << "";
        QTest::newRow("C tempo do relé 125") << "GravarTempoRele" << Passos{ok1(), {4, bytes({7, 13})}}
                                             << cmd(Cab, 'C', 7, 13, 2) << true << 0 << "";
        QTest::newRow("C eco diferente: 16") << "GravarTempoRele" << Passos{ok1(), {4, bytes({7, 12})}}
                                             << cmd(Cab, 'C', 7, 13, 2) << false << 16 << "";
        QTest::newRow("C eco incompleto: 64") << "GravarTempoRele" << Passos{ok1(), {4, bytes({7})}}
                                              << cmd(Cab, 'C', 7, 13, 2) << false << 64 << "";
        QTest::newRow("cabeça 180 via 255") << "GravarCabeca" << Passos{{1, bytes({0})}, {4, bytes({11, 4})}}
                                            << cmd(255, 'C', 11, 4, 0) << true << 0 << "180";
        QTest::newRow("cabeça eco diferente: 32, fica 255")
            << "GravarCabeca" << Passos{{1, bytes({0})}, {4, bytes({11, 5})}} << cmd(255, 'C', 11, 4, 0)
            << false << 32 << "255";
        // Worked examples: 1A2B3C4D5E → 180, 120; FF00FF0001 → 0, 0; then the count into register 1.
        QTest::newRow("memória: dois cartões")
            << "Memoria:1A2B3C4D5E - Fulano|FF00FF0001 - Beltrano"
            << Passos{ok1(), {4, bytes({11, 4})}, ok1(), {4, bytes({7, 8})}, ok1(), {4, bytes({0, 0})},
                      ok1(), {4, bytes({0, 0})},  ok1(), {4, bytes({0, 2})}}
            << (cmd(Cab, 'C', 11, 4, 6) + cmd(Cab, 'C', 7, 8, 7) + cmd(Cab, 'C', 0, 0, 8) +
                cmd(Cab, 'C', 0, 0, 9) + cmd(Cab, 'C', 0, 2, 1))
            << true << 0 << "";
        QTest::newRow("memória: primeiro valor falha, segundo não é escrito")
            << "Memoria:1A2B3C4D5E" << Passos{ok1(), {4, bytes({11, 5})}, ok1(), {4, bytes({0, 1})}}
            << (cmd(Cab, 'C', 11, 4, 6) + cmd(Cab, 'C', 0, 1, 1)) << true << 0 << "";
        QTest::newRow("memória: contagem falha")
            << "Memoria:" << Passos{ok1(), {4, bytes({0, 1})}} << cmd(Cab, 'C', 0, 0, 1) << false << 16 << "";
        QTest::newRow("memória: sem lista")
            << "MemoriaSemLista" << Passos{} << QByteArray() << false << 0 << "";
    }

    void trocas() {
        QFETCH(QString, op);
        QFETCH(Passos, passos);
        QFETCH(QByteArray, enviado);
        QFETCH(bool, ok);
        QFETCH(int, erro);
        QFETCH(QString, observado);

        ParPty par;
        const QString caminho = par.caminho();
        PortaSerial porta = LinhaSerial::abrir(caminho, 19200);
        QVERIFY(porta);
        par.roteiro(passos);
        TLeitora71 l(Cab, porta);
        quint8 e = 0;
        bool r = false;
        QString obs;
        if (op == QLatin1String("LerCartao")) {
            r = l.LerCartao(e);
            obs = l.Cartao;
        } else if (op == QLatin1String("LinhaFechada")) {
            PortaSerial copia = porta;
            FecharPortaSerial(copia);
            r = l.LerCartao(e);
        } else if (op == QLatin1String("Complemento3")) {
            // Wrong bytes keep coming for longer than the handshake limit.
            std::atomic<bool> fim{false};
            std::thread fluxo([&] {
                while (!fim) {
                    par.enviar(bytes({0x11}));
                    QThread::msleep(50);
                }
            });
            r = l.LerCartao(e);
            fim = true;
            fluxo.join();
            obs = l.Cartao;
        } else if (op == QLatin1String("Comando4")) {
            // Another opening of the same terminal stops its output once the address is in: the command
            // bytes cannot leave.
            const int outro = ::open(QFile::encodeName(caminho).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (outro < 0) QSKIP("the terminal cannot be opened a second time here");
            par.roteiro({{1, bytes({Comp}), 0, false, [outro] { tcflow(outro, TCOOFF); }}});
            r = l.LerCartao(e);
            tcflow(outro, TCOON);
            ::close(outro);
            obs = l.Cartao;
        } else if (op == QLatin1String("AcionarRele")) {
            r = l.AcionarRele(e);
        } else if (op == QLatin1String("AcionarReleNaoBate")) {
            l.NaoBateRele = true;
            e = 9;
            r = l.AcionarRele(e);
        } else if (op == QLatin1String("Sinalizar")) {
            r = l.Sinalizar(e);
        } else if (op == QLatin1String("GravarTempoRele")) {
            r = l.GravarTempoRele(125, e);
        } else if (op == QLatin1String("GravarCabeca")) {
            r = l.GravarCabeca(180, e);
            obs = QString::number(l.Cabeca);
        } else if (op.startsWith(QLatin1String("Memoria:"))) {
            const QString lista = op.mid(8);
            l.ListaMemoria = lista.isEmpty() ? QStringList() : lista.split(QLatin1Char('|'));
            r = l.EnviarCartoesMemoria(e);
        } else if (op == QLatin1String("MemoriaSemLista")) {
            r = l.EnviarCartoesMemoria(e);
        }
        ESPERAR_BYTES(par, porta, enviado);
        QCOMPARE(r, ok);
        QCOMPARE(int(e), erro);
        QCOMPARE(obs, observado);
    }

    // Card registers end at 255: cards past the 125th are not sent and cost no wait, the count names the
    // cards stored, and a list that did not fit fails.
    void memoriaAlemDoLimite_data() {
        QTest::addColumn<int>("cartoes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("erro");
        QTest::newRow("125 cabem") << 125 << true << 0;
        QTest::newRow("126: o último fica de fora") << 126 << false << int(TLeitora71::ErroMemoriaCheia);
        QTest::newRow("300: a contagem não dá a volta") << 300 << false << int(TLeitora71::ErroMemoriaCheia);
    }
    void memoriaAlemDoLimite() {
        QFETCH(int, cartoes);
        QFETCH(bool, ok);
        QFETCH(int, erro);
        ParPty par;
        PortaSerial porta = LinhaSerial::abrir(par.caminho(), 19200);
        Passos passos;
        QByteArray esperado;
        for (int reg = 6; reg <= 255; ++reg) {
            passos << ok1() << ParPty::Passo{4, bytes({0, 0})};
            esperado += cmd(Cab, 'C', 0, 0, reg);
        }
        passos << ok1() << ParPty::Passo{4, bytes({7, 13})};
        esperado += cmd(Cab, 'C', 7, 13, 1); // 125
        par.roteiro(passos);
        TLeitora71 l(Cab, porta);
        l.ListaMemoria = QStringList();
        for (int i = 0; i < cartoes; ++i)
            *l.ListaMemoria << QStringLiteral("0000000000 - X");
        quint8 e = 0;
        const quint32 antes = relogioFalso.tick();
        QCOMPARE(l.EnviarCartoesMemoria(e), ok);
        QCOMPARE(int(e), erro);
        QCOMPARE(relogioFalso.tick() - antes, 125u * 1000u); // two 500 ms pauses per card stored
        ESPERAR_BYTES(par, porta, esperado);
    }

    void valoresMemoria_data() {
        QTest::addColumn<QString>("linha");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("1A2B3C4D5E") << "1A2B3C4D5E - Fulano de Tal" << 180 << 120;
        QTest::newRow("FF00FF0001: soma com volta") << "FF00FF0001 - X" << 0 << 0;
        QTest::newRow("minúscula é ignorada") << "7a00000000 - Y" << 7 << 0;
        QTest::newRow("cartão curto") << "  0102 " << 1 << 2;
    }
    void valoresMemoria() {
        QFETCH(QString, linha);
        QFETCH(int, x);
        QFETCH(int, y);
        const auto v = TLeitora71::ValoresMemoria(linha);
        QCOMPARE(int(v.first), x);
        QCOMPARE(int(v.second), y);
    }

    void codigoTempoRele() {
        const QList<std::pair<const char*, int>> casos = {{"250 ms", 35}, {"500 ms", 65}, {"750 ms", 105},
                                                          {"1 seg", 125}, {"2 seg", 255}, {"3 seg", 125}};
        for (const auto& [escolha, codigo] : casos)
            QCOMPARE(int(TLeitora71::CodigoTempoRele(QString::fromUtf8(escolha))), codigo);
    }

    // Bring-up from a row: address 255 without head addresses, the row's address otherwise.
    void criacao_data() {
        QTest::addColumn<QString>("semcabeca");
        QTest::addColumn<int>("cabeca");
        QTest::newRow("padrão: sem cabeça") << "" << 255;
        QTest::newRow("com cabeça") << "0" << 140;
    }
    void criacao() {
        QFETCH(QString, semcabeca);
        QFETCH(int, cabeca);
        PastaTeste pasta;
        ParPty par;
        const ArquivoIni ini = ArquivoIni::config();
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com4"), par.caminho());
        if (!semcabeca.isEmpty())
            ini.GravarTexto(QStringLiteral("outros"), QStringLiteral("semcabeca"), semcabeca);
        TabelaPortas portas;
        portas.marcarUsada(4);
        portas.ABRIR_PORTAS();
        par.roteiro({{1, bytes({255 - cabeca})}});
        RegistroLeitora r;
        r.CHAVE = 17;
        r.CABECA = 140;
        r.SERIAL = QStringLiteral("COM4");
        r.DESCRICAO = QStringLiteral("Portaria social da entrada norte");
        r.NAOBATERELE = QStringLiteral("1");
        r.POSICAO = QStringLiteral("E");
        r.ID_LEITORAMAE = 9;
        const quint32 antes = relogioFalso.tick();
        auto l = TLeitora71::Criar(r, portas);
        QCOMPARE(relogioFalso.tick() - antes, 500u);
        QVERIFY(l->PortaAberta && l->Respondeu);
        QCOMPARE(int(l->Cabeca), cabeca);
        QCOMPARE(l->PortaCom, qint16(4));
        QCOMPARE(l->Descricao, QStringLiteral("Portaria social da entrad"));
        QVERIFY(l->NaoBateRele && !l->ConfirmarAcesso);
        QCOMPARE(l->Posicao, QStringLiteral("E"));
        QCOMPARE(l->IdLeitoraMae, 9);
        ESPERAR_BYTES(par, portas.handle(4), cmd(cabeca, 'F'));

        r.SERIAL = QStringLiteral("COM12"); // no such port: not open, never probed
        auto sem = TLeitora71::Criar(r, portas);
        QVERIFY(!sem->PortaAberta && !sem->Respondeu);
    }
};

QTEST_GUILESS_MAIN(TstLeitora71)
#include "tst_leitora71.moc"
