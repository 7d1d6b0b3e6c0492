// The controllers' event download against the simulator's controller and a real database: every
// event becomes a row, the area is emptied only after the rows are safe, the clock is set.
#include "EstacaoTeste.h"
#include "access/BaixarEventos.h"
#include "access/TransferenciaControladora.h"
#include "platform/LogEventos.h"

#include <QFile>
#include <QTest>

using namespace portaris;

namespace {

QString lerLog() {
    QFile f(CaminhoLog());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TstDownload : public QObject {
    Q_OBJECT
    std::unique_ptr<EstacaoTeste> e;
    std::unique_ptr<BaixadorEventos> b;
    int pesquisas = 0;

    // One off-line controller "Bloco A" (COM3, head 1) with doors Social, Servico, Garagem, Terraco.
    void iniciar(const QString& extra = {}) {
        e->sql(QStringLiteral(
            "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
            "CONFIRMARACESSO, VISUALIZAR, TEMPVISUAL, PORTA01, PORTA02, PORTA03, PORTA04, RELEP1, RELEP2, "
            "RELEP3, RELEP4, FREQDOWN, ONLINE) VALUES (102, 1, 'Bloco A', 'COM3', '0A0B0C0D', '0', '0', '0', "
            "4, 'Social', 'Servico', 'Garagem', 'Terraco', 1, 1, 1, 1, 0, '0')"));
        if (!extra.isEmpty()) e->sql(QStringLiteral("UPDATE CONTROLADORA SET ") + extra);
        e->sql(titular(1, QStringLiteral("0000000001"), QStringLiteral("Ana"), {}));
        e->iniciar();
        b = std::make_unique<BaixadorEventos>(*e->m.dm, *e->motor, e->disp);
        b->progresso.pesquisar = [this] { ++pesquisas; };
    }
    TControladora& controladora() { return *e->dispositivo<TControladora>(0); }
    QString area() { return e->sim.comando(QStringLiteral("tabelas 3 1")); }
    // Events waiting in the controller's area, from its header's base and top.
    int naArea() {
        const QStringList b = e->sim.comando(QStringLiteral("memoria 3 1 8 4")).split(u' ', Qt::SkipEmptyParts);
        if (b.size() != 4) return -1;
        const int base = (b[0].toInt(nullptr, 16) << 8) | b[1].toInt(nullptr, 16);
        const int topo = (b[2].toInt(nullptr, 16) << 8) | b[3].toInt(nullptr, 16);
        return std::max(0, topo - base) / BaixadorEventos::TamanhoEvento;
    }
    // Rows the downloads stored, by card: each event once.
    QMap<QString, int> porCartao() {
        QMap<QString, int> n;
        for (const auto& r : e->acessos())
            if (r["NOTA"].toString().startsWith(u'©')) ++n[r["CARTAO"].toString() + r["HORA"].toString()];
        return n;
    }

private slots:
    void init() {
        e = std::make_unique<EstacaoTeste>();
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(14, 32)));
        pesquisas = 0;
    }
    void cleanup() {
        b.reset();
        e.reset();
    }

    // 300 events: 300 rows in one go, the area emptied, the clock set; a second press finds nothing.
    void trezentosEventos() {
        iniciar();
        QCOMPARE(e->sim.comando(QStringLiteral("eventos 3 1 300 0x10")), QStringLiteral("ok"));
        b->BaixarEventos(nullptr);
        const auto rows = e->acessos();
        QCOMPARE(rows.size(), 300);
        QCOMPARE(rows.first()["NOME"].toString(), QStringLiteral("Ana")); // card 000001
        QCOMPARE(rows.first()["CARTAO"].toString(), QStringLiteral("0000000001"));
        QCOMPARE(rows.first()["LEITORA"].toString(), QStringLiteral("Social"));
        QCOMPARE(rows.first()["NOTA"].toString(), QStringLiteral("©Acesso autorizado"));
        QCOMPARE(rows.last()["NOME"].toString(), QStringLiteral("Desconhecido"));
        QCOMPARE(pesquisas, 1);
        QVERIFY(e->m.operador.textos().isEmpty());
        const QString log = lerLog();
        for (const char* linha : {"Inicio btCONClick(Sender: TObject)", "Executando em modo manual",
                                  "Sucesso ao executar QX64C_RX_EEPROM($0000,16,BUFFER,byERR,nil)",
                                  "Executar QX64C_PILHA_ZERAR", "QX64C_PILHA_ZERAR retornou byERR = 0 valor em decimal",
                                  "QX64C_TX_RELOGIO retornou byERR = 0 valor em decimal",
                                  "Fim btCONClick(Sender: TObject)"})
            QVERIFY2(log.contains(QString::fromUtf8(linha)), linha);
        QVERIFY(e->sim.comando(QStringLiteral("estado 3 1")).contains(QStringLiteral("07/05/24")));

        b->BaixarEventos(nullptr);
        QCOMPARE(e->acessos().size(), 300);
        QCOMPARE(e->m.operador.textos(), QStringList{"Não existem registros a serem lidos!"});
        QCOMPARE(pesquisas, 1);
        QVERIFY(lerLog().contains(QStringLiteral("Aviso : Não existem registros a serem lidos!")));
    }

    // The status byte: door, authorised, holiday, result; a door past the fourth keeps the last.
    void decodificacao_data() {
        QTest::addColumn<QStringList>("eventos"); // "card date time status"
        QTest::addColumn<QStringList>("esperado"); // "LEITORA|AUTORIZADO|NOTA|NOTA2|DATA HORA"
        QTest::newRow("porta 3, autorizado, feriado")
            << QStringList{"000001 06/05/24 09:15:30 0x32"}
            << QStringList{"Garagem|Sim|©Acesso autorizado|Hoje é feriado|06/05/2024 09:15:30"};
        QTest::newRow("status 85 fica com a porta anterior")
            << QStringList{"000001 06/05/24 09:15:30 0x13", "00ABCD 06/05/24 09:16:00 85"}
            << QStringList{"Terraco|Sim|©Acesso autorizado||06/05/2024 09:15:30",
                           "Terraco|Sim|©Cartão não cadastrado!||06/05/2024 09:16:00"};
        QTest::newRow("status 85 no começo: sem porta")
            << QStringList{"00ABCD 31/12/99 23:59:59 85"}
            << QStringList{"|Sim|©Cartão não cadastrado!||31/12/1999 23:59:59"};
        QTest::newRow("fora do horário, porta negada")
            << QStringList{"000001 07/05/24 01:00:00 0x81", "000001 07/05/24 01:00:01 0xC0"}
            << QStringList{"Servico|Não|©Fora do horário!||07/05/2024 01:00:00",
                           "Social|Não|©Acesso a porta não autorizada!||07/05/2024 01:00:01"};
    }
    void decodificacao() {
        QFETCH(QStringList, eventos);
        QFETCH(QStringList, esperado);
        iniciar();
        for (const QString& ev : eventos)
            QCOMPARE(e->sim.comando(QStringLiteral("evento 3 1 ") + ev), QStringLiteral("ok"));
        b->BaixarEventos(&controladora());
        QStringList vistos;
        for (const auto& r : e->acessos())
            vistos << QStringLiteral("%1|%2|%3|%4|%5 %6")
                          .arg(r["LEITORA"].toString(), r["AUTORIZADO"].toString(), r["NOTA"].toString(),
                               r["NOTA2"].toString(), r["DATA"].toDate().toString(QStringLiteral("dd/MM/yyyy")),
                               r["HORA"].toTime().toString(QStringLiteral("HH:mm:ss")));
        QCOMPARE(vistos, esperado);
        QVERIFY(lerLog().contains(QStringLiteral("Executando em modo automatico")));
        QCOMPARE(pesquisas, 0); // only a manual download lists the rows
    }

    // A holder kept out of the reports is kept out for the controller's events too.
    void foraDosRelatorios() {
        iniciar();
        e->sql(QStringLiteral("UPDATE USUARIO SET NAOLISTARELAT = '1' WHERE CHAVE = 1"));
        e->sim.comando(QStringLiteral("evento 3 1 000001 06/05/24 09:15:30 0x10"));
        e->sim.comando(QStringLiteral("evento 3 1 00ABCD 06/05/24 09:16:00 0x50"));
        b->BaixarEventos(&controladora());
        const auto rows = e->acessos();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0]["NOME"].toString(), QStringLiteral("Ana"));
        QCOMPARE(rows[0]["RELATORIO"].toString(), QStringLiteral("0"));
        QCOMPARE(rows[1]["NOME"].toString(), QStringLiteral("Desconhecido"));
        QCOMPARE(rows[1]["RELATORIO"].toString(), QStringLiteral("1"));
    }

    // An event with an impossible date is shown, logged with its bytes, and the others go on.
    void dataImpossivel() {
        iniciar();
        for (int i = 0; i < 4; ++i)
            e->sim.comando(QStringLiteral("evento 3 1 000001 06/05/24 09:15:3%1 0x10").arg(i));
        // The second and third records spoiled in the controller's memory: 32/13/24 and 25:61:00.
        const int base = e->sim.comando(QStringLiteral("memoria 3 1 8 2")).remove(u' ').toInt(nullptr, 16);
        QCOMPARE(e->sim.comando(QStringLiteral("gravar 3 1 %1 32 13").arg(base + 10 + 3)), QStringLiteral("ok"));
        QCOMPARE(e->sim.comando(QStringLiteral("gravar 3 1 %1 25 61 00").arg(base + 20 + 6)), QStringLiteral("ok"));
        b->BaixarEventos(nullptr);
        QCOMPARE(e->acessos().size(), 2);
        QCOMPARE(e->m.operador.textos(), (QStringList{"Erro ao receber dado - bloco 02", "Erro ao receber dado - bloco 02"}));
        QCOMPARE(e->m.operador.mostradas().first().fecharApos, MotorAcesso::SegundosCaixaFalha);
        const QString log = lerLog();
        QVERIFY(log.contains(QStringLiteral("Registro não convertido (Bloco A): 00 00 01 32 13 24 09 15 31 10")));
        QVERIFY(log.contains(QStringLiteral("Registro não convertido (Bloco A): 00 00 01 06 05 24 25 61 00 10")));
        const auto rows = e->acessos();
        QCOMPARE(rows.first()["HORA"].toTime(), QTime(9, 15, 30));
        QCOMPARE(rows.last()["HORA"].toTime(), QTime(9, 15, 33));
        b->BaixarEventos(nullptr);
        QCOMPARE(e->acessos().size(), 2); // emptied: nothing read twice
    }

    // Whatever goes wrong before the rows are safe, the controller keeps its events and the next
    // download stores them.
    void nadaSePerde_data() {
        QTest::addColumn<QString>("falha");
        QTest::newRow("controladora muda no meio da leitura") << "leitura";
        QTest::newRow("banco recusa as linhas") << "banco";
    }
    void nadaSePerde() {
        QFETCH(QString, falha);
        iniciar();
        e->sim.comando(QStringLiteral("eventos 3 1 40 0x10"));
        if (falha == QLatin1String("leitura")) {
            b->progresso.leitura = [&](int lidos) {
                if (lidos >= 160 && lidos < 176) e->sim.comando(QStringLiteral("falha 3 1 silencio"));
            };
        } else {
            b->progresso.processamento = [&](int feitos) {
                if (feitos == 20) e->m.dm->dbBANCO.marcarPerdida();
            };
        }
        b->BaixarEventos(nullptr);
        QVERIFY(e->acessos().isEmpty());
        QCOMPARE(pesquisas, 0);
        QCOMPARE(e->m.dm->setACE.quantidade(), 0);
        QVERIFY(!lerLog().contains(QStringLiteral("Executar QX64C_PILHA_ZERAR")));

        b->progresso.leitura = {};
        b->progresso.processamento = {};
        e->sim.comando(QStringLiteral("falha 3 1 nenhuma"));
        if (e->m.dm->dbBANCO.perdida()) e->m.dm->dbBANCO.reconectar();
        b->BaixarEventos(nullptr);
        QCOMPARE(e->acessos().size(), 40);
        QCOMPARE(pesquisas, 1);
    }

    // Whatever happens while a download stores its 40 events, every event ends as exactly one row,
    // and the area is emptied only of events that are stored.
    void cadaEventoUmaVez_data() {
        QTest::addColumn<QString>("acao");
        QTest::addColumn<int>("linhasDepois");  // event rows after the first download
        QTest::addColumn<int>("naAreaDepois");  // events left in the controller then
        QTest::addColumn<int>("linhasNoFim");   // event rows after the second download
        QTest::newRow("evento gravado durante a baixa") << "evento" << 41 << 0 << 41;
        QTest::newRow("esvaziar falha depois de gravar") << "esvaziar" << 40 << 40 << 40;
        QTest::newRow("segundo Atualizar durante a baixa") << "atualizar" << 40 << 0 << 40;
        QTest::newRow("abertura sem cartão e depois falha") << "abertura" << 0 << 40 << 40;
        QTest::newRow("data impossível no meio") << "data" << 39 << 0 << 39;
    }
    void cadaEventoUmaVez() {
        QFETCH(QString, acao);
        QFETCH(int, linhasDepois);
        QFETCH(int, naAreaDepois);
        QFETCH(int, linhasNoFim);
        iniciar();
        e->sim.comando(QStringLiteral("eventos 3 1 40 0x10"));
        if (acao == QLatin1String("data")) {
            const int base = e->sim.comando(QStringLiteral("memoria 3 1 8 2")).remove(u' ').toInt(nullptr, 16);
            e->sim.comando(QStringLiteral("gravar 3 1 %1 32 13").arg(base + 10 * 25 + 3));
        }
        bool aninhada = false; // what a second "Atualizar" inside the first answers
        b->progresso.processamento = [&](int feitos) {
            if (acao == QLatin1String("evento") && feitos == 20)
                e->sim.comando(QStringLiteral("evento 3 1 000002 07/05/24 14:31:59 0x10"));
            if (acao == QLatin1String("esvaziar") && feitos == 40)
                e->sim.comando(QStringLiteral("falha 3 1 silencio"));
            if (acao == QLatin1String("atualizar") && feitos == 20) aninhada = b->BaixarEventos(nullptr);
            if (acao == QLatin1String("abertura") && feitos == 20)
                e->motor->AbrirSemCartao(QStringLiteral("Visitante"), {}, {}, QStringLiteral("Social©"), {});
            if (acao == QLatin1String("abertura") && feitos == 30) e->m.dm->dbBANCO.marcarPerdida();
        };
        b->BaixarEventos(nullptr);
        QCOMPARE(porCartao().size(), linhasDepois);
        QCOMPARE(naArea(), naAreaDepois);
        QVERIFY(!aninhada);
        // A second attachment sees the opening made in the middle, whatever became of the download.
        if (acao == QLatin1String("abertura"))
            QCOMPARE(e->valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO WHERE NOME = 'Visitante'")).toInt(), 1);

        b->progresso.processamento = {};
        e->sim.comando(QStringLiteral("falha 3 1 nenhuma"));
        if (e->m.dm->dbBANCO.perdida()) e->m.dm->dbBANCO.reconectar();
        b->BaixarEventos(nullptr);
        const auto vistos = porCartao();
        QCOMPARE(vistos.size(), linhasNoFim);
        for (auto it = vistos.cbegin(); it != vistos.cend(); ++it)
            QVERIFY2(it.value() == 1, qPrintable(it.key()));
        QCOMPARE(naArea(), 0);
    }

    // New tables move the event area: the daily transfer stores the waiting events first, and
    // sends nothing to a controller whose events could not be stored.
    void transferenciaBaixaAntes_data() {
        QTest::addColumn<bool>("bancoFalha");
        QTest::newRow("eventos gravados, tabelas enviadas") << false;
        QTest::newRow("banco recusa: nada enviado") << true;
    }
    void transferenciaBaixaAntes() {
        QFETCH(bool, bancoFalha);
        iniciar();
        e->sql(QStringLiteral("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (25, 12, 'Natal')"));
        e->disp.baixarAntesDeEnviar = [&](TControladora& c) {
            return b->BaixarAntesDeEnviar(c) != BaixadorEventos::Resultado::Falhou;
        };
        e->sim.comando(QStringLiteral("eventos 3 1 3 0x10"));
        const QString antes = e->sim.comando(QStringLiteral("memoria 3 1 0 16"));
        // The note of what was stored cannot be read: the download fails before anything is stored.
        if (bancoFalha) e->sql(QStringLiteral("RECREATE TABLE BAIXA_CONTROLADORA (X INTEGER)"));
        transferencia::TransferenciaDiaria(*e->m.dm, e->disp);
        if (bancoFalha) {
            QCOMPARE(e->sim.comando(QStringLiteral("memoria 3 1 0 16")), antes); // nothing sent
            QCOMPARE(naArea(), 3);
            QVERIFY(e->acessos().isEmpty());
        } else {
            QCOMPARE(e->acessos().size(), 3);
            QCOMPARE(naArea(), 0);
            QVERIFY(e->sim.comando(QStringLiteral("tabelas 3 1")).contains(QStringLiteral("25/12")));
        }
    }

    // The schedule is a date and time: a due time past midnight is reached the next day.
    void agendaPassaDaMeiaNoite() {
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(23, 55)));
        iniciar(QStringLiteral("FREQDOWN = 10"));
        QVERIFY(controladora().DownloadAutomatico);
        QCOMPARE(controladora().ProximoDownloadEm.toString(QStringLiteral("dd/MM HH:mm")), QStringLiteral("08/05 00:05"));
        int chamadas = 0;
        e->disp.baixarEventos = [&](TControladora& c) {
            ++chamadas;
            b->BaixarEventos(&c);
        };
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 8), QTime(0, 4)));
        e->sondar(0);
        QCOMPARE(chamadas, 0);
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 8), QTime(0, 6)));
        e->sim.comando(QStringLiteral("eventos 3 1 2 0x10"));
        e->sondar(0);
        QCOMPARE(chamadas, 1);
        QCOMPARE(e->acessos().size(), 2);
        QCOMPARE(controladora().ProximoDownloadEm.toString(QStringLiteral("dd/MM HH:mm")), QStringLiteral("08/05 00:16"));
        e->sondar(0);
        QCOMPARE(chamadas, 1);
    }
};

QTEST_GUILESS_MAIN(TstDownload)
#include "tst_download.moc"
