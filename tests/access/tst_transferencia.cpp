// Holidays, groups and card lists from the database to the transfer files and into the simulator's
// controller: the files byte for byte against lines written by hand, the memory read back.
#include "EstacaoTeste.h"
#include "access/TransferenciaControladora.h"
#include "platform/Codec1252.h"
#include "platform/LogEventos.h"
#include "platform/PastaPrograma.h"

#include <QFile>
#include <QTest>

using namespace portaris;
namespace tr = portaris::transferencia;

namespace {

QByteArray ler(const QString& arquivo) {
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QByteArray crlf(const QStringList& linhas) {
    QString t;
    for (const QString& l : linhas)
        t += l + QStringLiteral("\r\n");
    return Codec1252::codificar(t);
}
QString hex(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' ').toUpper());
}
const QString kDiasAbertos = QStringLiteral("*00:00*23:59*00:00*23:59*00:00*23:59*00:00*23:59*00:00*23:59");

} // namespace

class TstTransferencia : public QObject {
    Q_OBJECT
    std::unique_ptr<EstacaoTeste> e;

    void semear(bool feriados = true) {
        e->sql(QStringLiteral(
            "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, CONFIRMARACESSO, "
            "VISUALIZAR, TEMPVISUAL, PORTA01, PORTA02, PORTA03, PORTA04, RELEP1, RELEP2, RELEP3, RELEP4, FREQDOWN, "
            "ONLINE) VALUES (102, 1, 'Bloco A', 'COM3', '0A0B0C0D', '0', '0', '0', 4, 'Social', 'Servico', "
            "'Garagem', 'Terraco', 1, 1, 1, 1, 0, '0')"));
        if (feriados)
            e->sql(QStringLiteral("EXECUTE BLOCK AS BEGIN "
                                  "INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (25, 12, 'Natal'); "
                                  "INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (1, 1, 'Confraternização'); "
                                  "INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (7, 9, 'Independência'); END"));
        e->sql(QStringLiteral(
            "INSERT INTO GRUPOS (CHAVE, DESCRICAO, NAOACESSOFERIADOS, DOME, DOMS, SEGE, SEGS, TERE, TERS, QUAE, QUAS, "
            "QUIE, QUIS, SEXE, SEXS, SABE, SABS) VALUES (2, 'Diurno', '1', '08:00', '12:00', '07:30', '18:45', "
            "'00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', "
            "'23:59:59')"));
        e->sql(QStringLiteral(
            "INSERT INTO GRUPOS (CHAVE, DESCRICAO, NAOACESSOFERIADOS, DOME, DOMS, SEGE, SEGS, TERE, TERS, QUAE, QUAS, "
            "QUIE, QUIS, SEXE, SEXS, SABE, SABS) VALUES (123, 'Zelador', '0', '00:00', '23:59:59', '00:00', "
            "'23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', '00:00', '23:59:59', "
            "'00:00', '23:59:59')"));
        e->sql(titular(1, QStringLiteral("0000A1B2C3"), QStringLiteral("Ana"), {}));
        e->sql(titular(2, QStringLiteral("0000ABC"), QStringLiteral("Beto"), {}));
        e->sql(titular(3, QStringLiteral("00000C0C0C"), QStringLiteral("Caio"), {}));
        e->sql(titular(4, QStringLiteral("00000D0D0D"), QStringLiteral("Dora"), {}));
        e->sql(titular(5, QStringLiteral("00000E0E0E"), QStringLiteral("Edu"), {}));
        e->sql(QStringLiteral("UPDATE USUARIO SET GRUPO = 'Diurno' WHERE CHAVE = 1"));
        e->sql(QStringLiteral("UPDATE USUARIO SET GRUPO = 'Zelador' WHERE CHAVE = 3"));
        e->sql(QStringLiteral("UPDATE USUARIO SET GRUPO = 'Inexistente' WHERE CHAVE = 4"));
        e->iniciar();
        const TControladora& c = controladora();
        auto habilitar = [&](int u, int porta) {
            e->sql(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (%1, %2)").arg(u).arg(c.Portas[porta - 1].Chave));
        };
        habilitar(1, 1);
        habilitar(1, 2);
        habilitar(2, 4);
        for (int p = 1; p <= 4; ++p)
            habilitar(3, p);
        habilitar(4, 3);
        e->sql(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (5, 999)")); // another reader
    }
    TControladora& controladora() { return *e->dispositivo<TControladora>(0); }
    void gerar() {
        tr::GerarArquivoGrupos(*e->m.dm);
        tr::GerarArquivoFeriados(*e->m.dm);
        tr::GerarArquivoLista(*e->m.dm, 102, 3);
        tr::NumerarGruposLista();
    }

private slots:
    void init() {
        e = std::make_unique<EstacaoTeste>();
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(14, 32)));
    }
    void cleanup() { e.reset(); }

    void arquivos() {
        semear();
        gerar();
        QCOMPARE(ler(tr::ArquivoFeriados()),
                 crlf({"QX64C-FERIADOS", "3", "01/01*Confraternização", "07/09*Independência", "25/12*Natal"}));
        const QString diurno = QStringLiteral("02*08:00*12:00*07:30*18:45") + kDiasAbertos + QStringLiteral("*Não");
        QCOMPARE(diurno.size(), 90);
        QCOMPARE(ler(tr::ArquivoGrupos()),
                 crlf({"QX64C-GRUPOS", "3", diurno,
                       QStringLiteral("01*00:00*23:59*00:00*23:59") + kDiasAbertos + QStringLiteral("*Sim"),
                       QStringLiteral("123*00:00*23:59*00:00*23:59") + kDiasAbertos + QStringLiteral("*Sim")}));
        // Numbered by position in the group file; a three-digit key and a missing group stay as they are.
        QCOMPARE(ler(tr::ArquivoLista()), crlf({"QX64C-LISTA", "4", "A1B2C3*03*001*nenhum", "000ABC*08*002*nenhum",
                                               "0C0C0C*0F*123*nenhum", "0D0D0D*04*000*nenhum"}));
        // The dated copies; the list's keeps the group keys and names the port.
        const QString pasta = PastaPrograma::caminho(QStringLiteral("AreaTemp/"));
        QCOMPARE(ler(pasta + QStringLiteral("txtFeriados05071432.txt")), ler(tr::ArquivoFeriados()));
        QCOMPARE(ler(pasta + QStringLiteral("txtGrupos05071432.txt")), ler(tr::ArquivoGrupos()));
        QCOMPARE(ler(pasta + QStringLiteral("txtLista05071432COM3.txt")),
                 crlf({"QX64C-LISTA", "4", "A1B2C3*03*002*nenhum", "000ABC*08*001*nenhum", "0C0C0C*0F*123*nenhum",
                       "0D0D0D*04*000*nenhum"}));
    }

    void imagens() {
        QCOMPARE(hex(tr::ImagemCabecalho(3, 3)), QStringLiteral("03 00 20 03 00 26 00 00 00 7D"));
        QCOMPARE(hex(tr::ImagemFeriados({"QX64C-FERIADOS", "2", "01/01*A", "25/12*Natal"})),
                 QStringLiteral("01 01 25 12"));
        const QString grupo = QStringLiteral("02*08:00*12:00*07:30*18:45") + kDiasAbertos + QStringLiteral("*Sim");
        const QByteArray g = tr::ImagemGrupos({"QX64C-GRUPOS", "1", grupo});
        QCOMPARE(g.size(), 29);
        QCOMPARE(hex(g.left(8)), QStringLiteral("08 00 12 00 07 30 18 45"));
        QCOMPARE(int(g[27]), 0x59);
        QCOMPARE(int(g[28]), 1);
        // 4 cards: 3 cards, a 0 byte, 1 card: 21 bytes in one block.
        const QByteArray l = tr::ImagemLista({"QX64C-LISTA", "4", "A1B2C3*03*001*nenhum", "000ABC*08*002*nenhum",
                                              "0C0C0C*0F*123*nenhum", "0D0D0D*04*000*nenhum"});
        QCOMPARE(l.size(), 128);
        QCOMPARE(hex(l.left(22)),
                 QStringLiteral("A1 B2 C3 03 01 00 0A BC 08 02 0C 0C 0C 0F 7B 00 0D 0D 0D 04 00 00"));
        QCOMPARE(l.count('\0'), 128 - 21 + 3); // padding, the separator and the two zero bytes of the data
    }

    // "Enviar dados": the controller's memory holds what the files say, and it restarts.
    void enviarParaControladora() {
        semear();
        gerar();
        QVERIFY(tr::EnviarArquivos(controladora(), true));
        QVERIFY(e->m.operador.textos().isEmpty());
        QCOMPARE(e->sim.comando(QStringLiteral("memoria 3 1 0 10")), QStringLiteral("03 00 20 03 00 26 00 00 00 7D"));
        QCOMPARE(e->sim.comando(QStringLiteral("memoria 3 1 32 6")), QStringLiteral("01 01 07 09 25 12"));
        QVERIFY(e->sim.comando(QStringLiteral("memoria 3 1 38 4")).startsWith(QStringLiteral("08 00 12 00")));
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 21")),
                 QStringLiteral("A1 B2 C3 03 01 00 0A BC 08 02 0C 0C 0C 0F 7B 00 0D 0D 0D 04 00"));
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0x800A 4")), QStringLiteral("B0 00 00 04"));
        QVERIFY(e->sim.contar(QStringLiteral("reinicio"), 3) >= 1);
    }

    // The list's blocks are addressed with 16 bits from 0xB000: 3,840 cards reach the last address,
    // one more would wrap over the header. Such a list is refused before anything is sent.
    void listaGrandeDemais_data() {
        QTest::addColumn<int>("cartoes");
        QTest::addColumn<bool>("enviada");
        QTest::newRow("3840 cabem") << 3840 << true;
        QTest::newRow("3841 não cabem") << 3841 << false;
    }
    void listaGrandeDemais() {
        QFETCH(int, cartoes);
        QFETCH(bool, enviada);
        semear();
        gerar();
        QStringList lista{QStringLiteral("QX64C-LISTA"), QString::number(cartoes)};
        for (int i = 0; i < cartoes; ++i)
            lista << QStringLiteral("%1*01*001*nenhum").arg(i, 6, 16, QLatin1Char('0')).toUpper();
        QFile f(tr::ArquivoLista());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lista.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        f.close();
        const QString cabecalho = e->sim.comando(QStringLiteral("memoria 3 1 0 16"));
        QCOMPARE(tr::EnviarArquivos(controladora(), true), enviada);
        if (enviada) {
            QVERIFY(e->m.operador.textos().isEmpty());
            QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 5")), QStringLiteral("00 00 00 01 01"));
        } else {
            QCOMPARE(e->m.operador.textos(),
                     QStringList{"A lista de 3841 cartões não cabe na memória da concentradora Bloco A (até 3840 "
                                 "cartões); nada foi enviado."});
            QCOMPARE(e->sim.comando(QStringLiteral("memoria 3 1 0 16")), cabecalho);
            QCOMPARE(e->sim.contar(QStringLiteral("reinicio"), 3), 0);
        }
    }

    // No holiday: no holiday file; the list still goes, the answer is a failure and says why.
    void semFeriados() {
        semear(false);
        gerar();
        QVERIFY(!QFile::exists(tr::ArquivoFeriados()));
        QVERIFY(!tr::EnviarArquivos(controladora(), true));
        QCOMPARE(e->m.operador.textos(), QStringList{"Arquivo txtFeriados ou txtGrupos não localizado!"});
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 5")), QStringLiteral("A1 B2 C3 03 01"));
    }

    // A controller that goes silent during the card list: the failure is told, and the next
    // transfer writes the list again.
    void listaInterrompida() {
        semear();
        gerar();
        e->sim.comando(QStringLiteral("falha 3 1 silencio"));
        QVERIFY(!tr::EnviarArquivos(controladora(), true));
        QVERIFY(e->m.operador.textos().contains(QStringLiteral("Erro ao enviar lista para o aparelho!")));
        e->sim.comando(QStringLiteral("falha 3 1 nenhuma"));
        e->m.operador.limpar();
        QVERIFY(tr::EnviarArquivos(controladora(), true));
        QVERIFY(e->m.operador.textos().isEmpty());
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 5")), QStringLiteral("A1 B2 C3 03 01"));
    }

    // The controller page's two buttons, on a controller object of their own.
    void botoesDaPagina() {
        semear();
        TControladora temporaria(1, e->disp.portas.handle(3));
        QVERIFY(tr::EnviarDados(*e->m.dm, temporaria, 102));
        QCOMPARE(e->m.operador.textos(), QStringList{"Configuração da eep gravada com sucesso."});
        QVERIFY(QFile::exists(PastaPrograma::caminho(QStringLiteral("AreaTemp/txtLista05071432COM0.txt"))));
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 5")), QStringLiteral("A1 B2 C3 03 01"));

        e->m.operador.limpar();
        const int timeouts[4] = {10, 20, 70, 5}, reles[4] = {1, 2, 3, 4};
        QVERIFY(tr::GravarTempos(temporaria, timeouts, reles));
        QCOMPARE(e->m.operador.textos(), QStringList{"Procedimento concluído com sucesso!"});
        QVERIFY(e->sim.comando(QStringLiteral("estado 3 1")).contains(QStringLiteral("07/05/24")));

        e->m.operador.limpar();
        e->sim.comando(QStringLiteral("falha 3 1 silencio"));
        QVERIFY(!tr::GravarTempos(temporaria, timeouts, reles));
        QCOMPARE(e->m.operador.textos(),
                 (QStringList{"Erro ao configurar relógio!!.", "Erro na programação do timeout dos leitores!!.",
                              "Erro ao gravar tempo de relês."}));
        e->m.operador.limpar();
        QVERIFY(!tr::EnviarDados(*e->m.dm, temporaria, 102));
        QCOMPARE(e->m.operador.textos().last(), QStringLiteral("Erro ao enviar configuração da eep!!."));
    }

    void transferenciaDiaria() {
        semear();
        QVERIFY(tr::TransferenciaDiaria(*e->m.dm, e->disp));
        const QString texto = QString::fromUtf8(ler(CaminhoLog()));
        QVERIFY(texto.contains(QStringLiteral("Enviar lista para cabeça :1")));
        QVERIFY(texto.contains(QStringLiteral("Configuração da eep gravada com sucesso.")));
        QCOMPARE(e->sim.comando(QStringLiteral("bloco 3 1 0xB000 5")), QStringLiteral("A1 B2 C3 03 01"));
        // Without controllers there is nothing to send, so the day is tried again.
        DispositivosEstacao vazio;
        QVERIFY(!tr::TransferenciaDiaria(*e->m.dm, vazio));
    }
};

QTEST_GUILESS_MAIN(TstTransferencia)
#include "tst_transferencia.moc"
