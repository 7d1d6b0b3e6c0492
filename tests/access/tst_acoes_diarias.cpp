// The station's maintenance on its real database: copy files, the daily marker, the scheduled copy,
// backup, purge and restore through the engine's services, and a station that always comes back.
#include "ModuloTeste.h"
#include "access/AcoesDiarias.h"
#include "access/DispositivosEstacao.h"
#include "platform/LogEventos.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace portaris;

namespace {

void escrever(const QString& arquivo, const QByteArray& dados) {
    QFile f(arquivo);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(dados);
}
QByteArray ler(const QString& arquivo) {
    QFile f(arquivo);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TstAcoesDiarias : public QObject {
    Q_OBJECT

private slots:
    void arquivoCopia_data() {
        QTest::addColumn<QString>("pasta");
        QTest::addColumn<bool>("automatica");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("manual") << "/dados/copias" << false << "/dados/copias/copiaportaris.FBK";
        QTest::newRow("com barra") << "/dados/copias/" << false << "/dados/copias/copiaportaris.FBK";
        QTest::newRow("automática") << "/dados/copias" << true << "/dados/copias/copiaportaris240507.FBK";
    }
    void arquivoCopia() {
        QFETCH(QString, pasta);
        QFETCH(bool, automatica);
        QFETCH(QString, esperado);
        QCOMPARE(ArquivoCopia(pasta, QStringLiteral("copiaportaris"), automatica, QDate(2024, 5, 7)), esperado);
    }

    // The marker: done today only with exactly one line holding today's day; only its first line
    // is replaced; a failed transfer leaves "0" and is tried again at the next tick.
    void marcador_data() {
        QTest::addColumn<QByteArray>("antes");
        QTest::addColumn<bool>("sucesso");
        QTest::addColumn<int>("transferencias");
        QTest::addColumn<QByteArray>("depois");
        QTest::newRow("sem arquivo") << QByteArray() << true << 1 << QByteArray("07\r\n");
        QTest::newRow("feito hoje") << QByteArray("07\r\n") << true << 0 << QByteArray("07\r\n");
        QTest::newRow("outro dia") << QByteArray("06\r\n") << true << 1 << QByteArray("07\r\n");
        QTest::newRow("duas linhas") << QByteArray("07\r\n07\r\n") << true << 1 << QByteArray("07\r\n07\r\n");
        QTest::newRow("falhou") << QByteArray("06\r\n") << false << 1 << QByteArray("0\r\n");
    }
    void marcador() {
        QFETCH(QByteArray, antes);
        QFETCH(bool, sucesso);
        QFETCH(int, transferencias);
        QFETCH(QByteArray, depois);
        ModuloTeste m;
        DispositivosEstacao disp;
        AcoesDiarias a(*m.dm, disp);
        if (!antes.isEmpty()) escrever(AcoesDiarias::ArquivoMarcador(), antes);
        int vezes = 0;
        a.transferir = [&] {
            ++vezes;
            return sucesso;
        };
        a.Executar();
        QCOMPARE(vezes, transferencias);
        QCOMPARE(ler(AcoesDiarias::ArquivoMarcador()), depois);
        QVERIFY(a.tmrAUTO.isActive());
        QCOMPARE(a.tmrAUTO.interval(), 300000);
    }

    // A station without controllers keeps "0" and retries; nothing happens while a record is open.
    void semControladoras() {
        ModuloTeste m;
        DispositivosEstacao disp;
        AcoesDiarias a(*m.dm, disp);
        a.Executar();
        a.Executar();
        QCOMPARE(ler(AcoesDiarias::ArquivoMarcador()), QByteArray("0\r\n"));
        QFile::remove(AcoesDiarias::ArquivoMarcador());
        a.podeAgir = [] { return false; };
        a.Executar();
        QVERIFY(!QFile::exists(AcoesDiarias::ArquivoMarcador()));
    }

    // The scheduled copy: on a ticked weekday, after its time, once a day.
    void copiaProgramada() {
        ModuloTeste m;
        escrever(AcoesDiarias::ArquivoMarcador(), "07\r\n");
        cfg::autobackup_auto.gravar(true);
        cfg::autobackup_terca.gravar(true);
        cfg::autobackup_hora.gravar(QStringLiteral("23:50"));
        cfg::autobackup_pasta.gravar(m.pasta.caminho(QStringLiteral("copia")));
        DispositivosEstacao disp;
        AcoesDiarias a(*m.dm, disp);
        a.parametros.senha = QStringLiteral("masterkey");
        QStringList momentos;
        a.aoCopiar = [&](bool inicio) { momentos << (inicio ? QStringLiteral("início") : QStringLiteral("fim")); };
        QDir().mkpath(m.pasta.caminho(QStringLiteral("copia")));
        const QString arquivo = m.pasta.caminho(QStringLiteral("copia/copiaportaris240507.FBK"));

        m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(23, 49))); // Tuesday, too early
        a.Executar();
        QVERIFY(!QFile::exists(arquivo));
        m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(23, 55)));
        a.Executar();
        QVERIFY(QFileInfo(arquivo).size() > 0);
        QCOMPARE(momentos, (QStringList{"início", "fim"}));
        QVERIFY(m.dm->conectado() && m.dm->setACE.aberto());
        a.Executar(); // the day's file exists
        QCOMPARE(momentos.size(), 2);
        m.relogio.definir(QDateTime(QDate(2024, 5, 8), QTime(23, 55))); // Wednesday is not ticked
        a.Executar();
        QCOMPARE(momentos.size(), 2);
    }

    // Backup, purge with today's date, restore: the rows come back; the live list follows.
    void copiaApagaRestaura() {
        ModuloTeste m;
        Banco& b = m.dm->dbBANCO;
        Unidade::gravar(b, [&] {
            for (const QDate& d : {QDate(2024, 4, 1), QDate(2024, 5, 7)})
                b.executar(QStringLiteral("INSERT INTO ACESSO (DATA, HORA, NOME, COMPUTADOR) VALUES ('%1', '10:00', 'X', '%2')")
                               .arg(d.toString(Qt::ISODate), TdmPORTARIS::NOME_COMPUTADOR()));
        });
        m.dm->abrirAcessosDeHoje();
        QCOMPARE(m.dm->setACE.quantidade(), 1);
        ParametrosCopia p;
        p.senha = QStringLiteral("masterkey");
        p.tamanhoPagina = 4096;
        QDir().mkpath(m.pasta.caminho(QStringLiteral("copia")));
        const QString arquivo = m.pasta.caminho(QStringLiteral("copia/copiaportaris.FBK"));
        QStringList relatorio;
        auto anotar = [&](const QString& l) { relatorio << l; };
        QCOMPARE(IniciarCopia(*m.dm, p, arquivo, anotar), QString());
        QVERIFY(relatorio.first().startsWith(QStringLiteral("Desfazendo atual conexão as ")));
        QVERIFY(relatorio.size() > 10);
        QVERIFY(relatorio.last().startsWith(QStringLiteral("Conexão estabelecida as")));

        ApagarAcessos(*m.dm, QDate(2024, 5, 7));
        QCOMPARE(b.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO")).toInt(), 0);
        QCOMPARE(m.dm->setACE.quantidade(), 0);
        QFile log(CaminhoLog());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Confirmou apagar acessos/rondas"));

        relatorio.clear();
        QCOMPARE(RestaurarCopia(*m.dm, p, arquivo, anotar), QString());
        QCOMPARE(m.dm->dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO")).toInt(), 2);
        QCOMPARE(m.dm->setACE.quantidade(), 1);
        QCOMPARE(m.dm->dbBANCO.valor(QStringLiteral("SELECT MON$PAGE_SIZE FROM MON$DATABASE")).toInt(), 4096);
    }

    // A restore never replaces a file that another attachment still uses: refused with how many,
    // both databases intact; once the other has gone it goes ahead. A station on a server is told
    // to restore where the database lives.
    void restauracaoComOutraConexao() {
        ModuloTeste m;
        Banco& b = m.dm->dbBANCO;
        ParametrosCopia p;
        p.senha = QStringLiteral("masterkey");
        const QString arquivo = m.pasta.caminho(QStringLiteral("antes.FBK"));
        QCOMPARE(IniciarCopia(*m.dm, p, arquivo, {}), QString());
        Unidade::gravar(b, [&] { b.executar(QStringLiteral("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (2, 11, 'Finados')")); });
        const QString contar = QStringLiteral("SELECT COUNT(*) FROM FERIADOS WHERE DIA = 2 AND MES = 11");
        {
            Banco outra;
            outra.conectar(m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            QCOMPARE(RestaurarCopia(*m.dm, p, arquivo, {}),
                     QStringLiteral("@!000ERRO banco de dados está em uso por mais 1 conexão(ões) (outra estação ou o "
                                    "programa de recados). Feche-as antes de restaurar a cópia."));
            QCOMPARE(outra.valor(contar).toInt(), 1);
            QCOMPARE(b.valor(contar).toInt(), 1);
            QVERIFY(QFileInfo(arquivo).size() > 0);
        }
        QCOMPARE(RestaurarCopia(*m.dm, p, arquivo, {}), QString());
        QCOMPARE(b.valor(contar).toInt(), 0);

        m.dm->remoto = true;
        m.dm->nomeServidor = QStringLiteral("servidor");
        QVERIFY(RestaurarCopia(*m.dm, p, arquivo, {}).contains(QStringLiteral("servidor servidor")));
        QVERIFY(m.dm->conectado());
    }

    // A copy or restore that fails still leaves the station connected, and says why.
    void falhaReconecta_data() {
        QTest::addColumn<bool>("restaurar");
        QTest::addColumn<QString>("arquivo");
        QTest::newRow("pasta que não existe") << false << "nao/existe/copia.FBK";
        QTest::newRow("arquivo que não é cópia") << true << "ptconfig.ini";
    }
    void falhaReconecta() {
        QFETCH(bool, restaurar);
        QFETCH(QString, arquivo);
        ModuloTeste m;
        ParametrosCopia p;
        p.senha = QStringLiteral("masterkey");
        QStringList relatorio;
        auto anotar = [&](const QString& l) { relatorio << l; };
        const QString caminho = m.pasta.caminho(arquivo);
        if (restaurar) escrever(caminho, "[firebird]\r\n");
        const QString erro = restaurar ? RestaurarCopia(*m.dm, p, caminho, anotar) : IniciarCopia(*m.dm, p, caminho, anotar);
        QVERIFY(!erro.isEmpty());
        QVERIFY(relatorio.contains(erro));
        QVERIFY(relatorio.last().startsWith(QStringLiteral("Conexão estabelecida as")));
        QVERIFY(m.dm->conectado() && m.dm->setACE.aberto());
        QCOMPARE(m.dm->dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM CONTA")).toInt(), 1); // intact
    }
};

QTEST_GUILESS_MAIN(TstAcoesDiarias)
#include "tst_acoes_diarias.moc"
