// The data module's connection: database names, the three tries, opening the data, reconnecting,
// creating a database, and the backup and restore services.
#include "ModuloTeste.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <thread>

using namespace portaris;

class TstConexao : public QObject {
    Q_OBJECT
private slots:
    void nomeDoBanco_data();
    void nomeDoBanco();
    void tresTentativasComEspera();
    void abrirOsDados();
    void reconectarDeixaOsDispositivos();
    void criarBanco();
    void copiarERestaurar();
    void servidorMudo();
};

void TstConexao::nomeDoBanco_data() {
    QTest::addColumn<QString>("protocolo");
    QTest::addColumn<QString>("servidor");
    QTest::addColumn<QString>("nomeServidor");
    QTest::addColumn<QString>("arquivo");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("local") << "TCPIP"
                           << "local"
                           << "srv"
                           << "/dados/x.fdb"
                           << "/dados/x.fdb";
    QTest::newRow("local ignora protocolo") << "NetBEUI"
                                            << "local"
                                            << ""
                                            << "/dados/x.fdb"
                                            << "/dados/x.fdb";
    QTest::newRow("tcp") << "TCPIP"
                         << "remoto"
                         << "srv"
                         << "D:\\dados\\x.fdb"
                         << "srv:D:\\dados\\x.fdb";
    QTest::newRow("tcp com porta") << "TCPIP"
                                   << "remoto"
                                   << "127.0.0.1/3051"
                                   << "/var/x.fdb"
                                   << "127.0.0.1/3051:/var/x.fdb";
    QTest::newRow("netbeui") << "NetBEUI"
                             << "remoto"
                             << "srv"
                             << "D:\\dados\\x.fdb"
                             << "\\\\srv\\dados\\x.fdb";
}

void TstConexao::nomeDoBanco() {
    QFETCH(QString, protocolo);
    QFETCH(QString, servidor);
    QFETCH(QString, nomeServidor);
    QFETCH(QString, arquivo);
    QFETCH(QString, esperado);
    QCOMPARE(TdmPORTARIS::NomeBanco(protocolo, servidor, nomeServidor, arquivo), esperado);
}

void TstConexao::tresTentativasComEspera() {
    ModuloTeste m(false);
    cfg::firebird_databasefile.gravar(m.pasta.caminho("nao-existe.fdb"));
    QList<int> esperas;
    m.relogio.aoDormir([&](int ms) { esperas << ms; });
    bool chamouDispositivos = false;
    m.dm->aoConectarInicial = [&] { chamouDispositivos = true; };
    QVERIFY(!m.dm->CONECTAR("ptconfig.ini", true));
    QCOMPARE(esperas, (QList<int>{5000, 5000, 5000}));
    QVERIFY(!m.dm->conectado());
    QVERIFY(!m.dm->ultimoErro().isEmpty());
    QVERIFY(!chamouDispositivos);
    QVERIFY(!m.dm->setUSU.aberto());
    // A database that appears between tries is reached on the next one.
    esperas.clear();
    m.relogio.aoDormir([&](int ms) {
        esperas << ms;
        cfg::firebird_databasefile.gravar(m.arquivo);
    });
    cfg::firebird_databasefile.gravar(m.pasta.caminho("nao-existe.fdb"));
    // The file name is read once per call, so the first call fails three times.
    QVERIFY(!m.dm->CONECTAR("ptconfig.ini"));
    QVERIFY(m.dm->CONECTAR("ptconfig.ini"));
    QCOMPARE(esperas.size(), 3);
}

void TstConexao::abrirOsDados() {
    ModuloTeste m(false);
    cfg::outros_nomecomputador.gravar("Portaria");
    {
        // Today's accesses of this computer only.
        Banco b;
        b.conectar(m.arquivo, "SYSDBA", "masterkey");
        for (auto [data, pc] :
             QList<std::pair<QDate, const char*>>{{m.relogio.hoje(), "Portaria"},
                                                  {m.relogio.hoje(), "Garagem"},
                                                  {m.relogio.hoje().addDays(-1), "Portaria"}}) {
            Comando c(b, "INSERT INTO ACESSO (DATA, COMPUTADOR) VALUES (:D, :C)");
            c.definir("D", data);
            c.definir("C", QString::fromLatin1(pc));
            c.executar();
        }
        b.executar("INSERT INTO LEITORA (DESCRICAO, SERIALNUM) VALUES ('Minha', '0A0B0C0D')");
        b.executar("INSERT INTO LEITORA (DESCRICAO, SERIALNUM) VALUES ('Alheia', 'FFFFFFFF')");
        b.commit();
    }
    QVERIFY(m.dm->CONECTAR("ptconfig.ini", true));
    auto& dm = *m.dm;
    QCOMPARE(TdmPORTARIS::NOME_COMPUTADOR(), QStringLiteral("Portaria"));
    QCOMPARE(dm.setACE.quantidade(), 1);
    QCOMPARE(dm.setCON.valor("LOGIN").toString(), QStringLiteral("admin"));
    QCOMPARE(dm.setGRP.valor("DESCRICAO").toString(), QStringLiteral("Geral"));
    QCOMPARE(dm.setLEI.quantidade(), 1);
    QCOMPARE(dm.qrLST_LEI_71->quantidade(), 2);
    QCOMPARE(dm.qrLST_LEI_71->valor("DESCRICAO").toString(), QStringLiteral("Alheia"));
    QVERIFY(dm.qrLST_LEI_64->aberto());
    QVERIFY(dm.tbRON.aberto() && dm.setRON.aberto() && dm.setUSU.aberto());
    struct Esperado {
        Conjunto* c;
        const char* campo;
        const char* mascara;
        Validador v;
    };
    for (const Esperado& e : QList<Esperado>{{&dm.setUSU, "SEGE", "!90:00:00;1;-", Validador::Hora},
                                             {&dm.setUSU, "DOMS", "!90:00:00;1;-", Validador::Hora},
                                             {&dm.setGRP, "QUIS", "!90:00:00;1;-", Validador::Hora},
                                             {&dm.tbRON, "INICIO", "!90:00:00;1;-", Validador::Hora},
                                             {&dm.tbRON, "CABECA", "!000;1;-", Validador::Cabeca},
                                             {&dm.setUSU, "EXPIRAEM", "!90/00/0000;1;-", Validador::Data},
                                             {&dm.setUSU, "CARTAO", "!aaaaaaaaaa;1; ", Validador::Nenhum},
                                             {&dm.setRON, "CARTAO", "!aaaaaaaaaa;1; ", Validador::Nenhum}}) {
        QCOMPARE(e.c->campo(e.campo).mascara, QString::fromLatin1(e.mascara));
        QCOMPARE(int(e.c->campo(e.campo).validador), int(e.v));
    }
    QCOMPARE(dm.usuario, QStringLiteral("SYSDBA"));
    QVERIFY(!dm.remoto);
    QCOMPARE(dm.diaSemanaInicio, 3); // 7 May 2024 was a Tuesday
    dm.FECHAR_TABELAS();
    QVERIFY(!dm.conectado());
    QVERIFY(!dm.setUSU.aberto() && !dm.setACE.aberto() && !dm.tbRON.aberto());
}

// Later calls (connection test with teste.ini, after a backup) reconnect and reopen only.
void TstConexao::reconectarDeixaOsDispositivos() {
    ModuloTeste m(false);
    int trazidos = 0;
    m.dm->aoConectarInicial = [&] { ++trazidos; };
    QVERIFY(m.dm->CONECTAR("ptconfig.ini", true));
    m.dm->setUSU.inserir();
    m.dm->setUSU.definir("NOME", "Antes");
    m.dm->setUSU.gravar();
    // teste.ini names another copy: the module moves there.
    const QString outro = BancoTeste::copia(m.pasta.caminho(), "teste.fdb");
    cfg::firebird_databasefile.gravar(outro, ArquivoIni::teste());
    cfg::firebird_password.gravar("masterkey", ArquivoIni::teste());
    QVERIFY(m.dm->CONECTAR("teste.ini"));
    QCOMPARE(m.dm->nomeBanco, outro);
    QCOMPARE(m.dm->setUSU.quantidade(), 0);
    QVERIFY(m.dm->CONECTAR("ptconfig.ini", true));
    QCOMPARE(m.dm->setUSU.quantidade(), 1);
    QCOMPARE(trazidos, 1);
}

void TstConexao::criarBanco() {
    PastaTeste pasta;
    const QString novo = pasta.caminho("sub/novo.fdb");
    QCOMPARE(ComandoCriarBanco({"portaris", "--criar-banco", novo}), 0);
    QVERIFY(QFileInfo::exists(novo));
    const qint64 tamanho = QFileInfo(novo).size();
    QCOMPARE(ComandoCriarBanco({"portaris", "--criar-banco", novo}), 1); // never overwrites
    QCOMPARE(QFileInfo(novo).size(), tamanho);
    Banco b;
    b.conectar(novo, "SYSDBA", "masterkey");
    QCOMPARE(b.valor("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = 'CA_CUSER'").toInt(), 1);
    // Without a name: the configured local database file of the program folder.
    cfg::firebird_databasefile.gravar("C:\\Portaris\\portaris.fdb");
    QCOMPARE(ComandoCriarBanco({"portaris", "--criar-banco"}), 0);
    QVERIFY(QFileInfo::exists(pasta.caminho("portaris.fdb")));

    // The first start of an installed console: the local database is made only when it is missing.
    // A creation cut short earlier left its partial file, which is no database and is replaced.
    const QString primeira = pasta.caminho("primeira.fdb");
    QFile resto(primeira + ".criando");
    QVERIFY(resto.open(QIODevice::WriteOnly));
    resto.write("meio banco");
    resto.close();
    cfg::firebird_databasefile.gravar("C:\\Portaris\\primeira.fdb");
    QCOMPARE(CriarBancoLocalSeFaltar(), QString());
    QVERIFY(QFileInfo::exists(primeira));
    QVERIFY(!QFileInfo::exists(primeira + ".criando"));
    {
        Banco b2;
        b2.conectar(primeira, "SYSDBA", "masterkey");
        QCOMPARE(b2.valor("SELECT LOGIN FROM CONTA").toString(), QStringLiteral("admin")); // the last script ran
    }
    const QDateTime feito = QFileInfo(primeira).lastModified();
    QCOMPARE(CriarBancoLocalSeFaltar(), QString());
    QCOMPARE(QFileInfo(primeira).lastModified(), feito);
    // A place that cannot hold it is named in the message (a regular file in the path stops root too).
    QFile arquivo(pasta.caminho("arquivo"));
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    arquivo.close();
    cfg::firebird_databasefile.gravar(pasta.caminho("arquivo/p.fdb"));
    const QString erro = CriarBancoLocalSeFaltar();
    QVERIFY2(erro.startsWith("Não foi possível criar o banco de dados " + pasta.caminho("arquivo/p.fdb")),
             qPrintable(erro));
    // A station of a shared server never makes a local file.
    cfg::firebird_server.gravar("remote");
    cfg::firebird_databasefile.gravar("C:\\Portaris\\servidor.fdb");
    QCOMPARE(CriarBancoLocalSeFaltar(), QString());
    QVERIFY(!QFileInfo::exists(pasta.caminho("servidor.fdb")));
    cfg::firebird_server.gravar("local");
}

void TstConexao::copiarERestaurar() {
    ModuloTeste m;
    m.dm->setUSU.inserir();
    m.dm->setUSU.definir("NOME", "Guardado");
    m.dm->setUSU.gravar();
    const QString copia = m.pasta.caminho("copia/copiaportaris.FBK");
    QDir().mkpath(m.pasta.caminho("copia"));
    m.dm->FECHAR_TABELAS();
    OpcoesServico op;
    op.senha = "masterkey";
    QStringList linhas;
    CopiarBanco(m.arquivo, copia, op, [&](const QString& l) { linhas << l; });
    QVERIFY(QFileInfo(copia).size() > 0);
    QVERIFY2(linhas.size() > 10, qPrintable(linhas.join('\n')));
    QVERIFY(linhas.join('\n').contains("USUARIO"));
    // Changes after the copy are undone by the restore.
    QVERIFY(m.dm->CONECTAR("ptconfig.ini"));
    m.dm->setUSU.apagar();
    m.dm->FECHAR_TABELAS();
    linhas.clear();
    op.tamanhoPagina = 4096;
    op.buffers = 3000;
    RestaurarBanco(copia, m.arquivo, op, [&](const QString& l) { linhas << l; });
    QVERIFY(linhas.size() > 10);
    QVERIFY(m.dm->CONECTAR("ptconfig.ini"));
    QCOMPARE(m.dm->setUSU.valor("NOME").toString(), QStringLiteral("Guardado"));
    QCOMPARE(m.dm->dbBANCO.valor("SELECT MON$PAGE_SIZE FROM MON$DATABASE").toInt(), 4096);
    // A missing copy file is the service's error, reported as such.
    m.dm->FECHAR_TABELAS();
    QVERIFY_THROWS_EXCEPTION(ErroBanco, RestaurarBanco(m.pasta.caminho("nada.FBK"), m.arquivo, op, {}));
    QVERIFY(m.dm->CONECTAR("ptconfig.ini")); // the database is intact
}

// A server that accepts the connection and never answers costs a bounded wait, not a frozen station.
void TstConexao::servidorMudo() {
    QTcpServer mudo;
    QVERIFY(mudo.listen(QHostAddress::LocalHost));
    QList<QTcpSocket*> aceitos; // kept open, never answered
    connect(&mudo, &QTcpServer::newConnection, [&] { aceitos << mudo.nextPendingConnection(); });
    // The rule is the same at any limit: one second keeps the suite from waiting the real ten.
    Banco::definirTempoLimiteConexao(1);
    std::atomic<bool> feito{false}, falhou{false};
    std::thread th([&] {
        Banco b;
        try {
            b.conectar(QStringLiteral("127.0.0.1/%1:/nada.fdb").arg(mudo.serverPort()), "SYSDBA", "x");
        } catch (const ErroBanco&) {
            falhou = true;
        }
        feito = true;
    });
    while (!feito)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    th.join();
    Banco::definirTempoLimiteConexao(Banco::TempoLimiteConexao);
    QVERIFY(falhou);
    QVERIFY(!aceitos.isEmpty()); // it did reach the server, which never answered
}

QTEST_GUILESS_MAIN(TstConexao)
#include "tst_conexao.moc"
