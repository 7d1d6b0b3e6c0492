// Schema versions and upgrades. A version-1 database is built from the scripts of the commit that
// made version 1, taken from the repository's history now (no binary fixture), filled with rows,
// and upgraded with every row kept.
#include "BancoTeste.h"
#include "ModuloTeste.h"
#include "ServidorPrivado.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"

#include <QDir>
#include <QProcess>

using namespace portaris;

namespace {

const QString kVersao1 = QStringLiteral("658e860664c13a7fe57368179d494e135d44b0d0");

QByteArray git(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("git"), QStringList{QStringLiteral("-C"), QStringLiteral(PORTARIS_RAIZ)} + args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return p.readAllStandardOutput();
}

// The database a station of version 1 created, from that version's own scripts.
bool criarVersao1(const QString& arquivo) {
    const QStringList nomes = QString::fromUtf8(git({QStringLiteral("ls-tree"), QStringLiteral("--name-only"), kVersao1,
                                                     QStringLiteral("src/db/schema/")}))
                                  .split(u'\n', Qt::SkipEmptyParts);
    if (nomes.isEmpty()) return false;
    Banco b;
    b.criar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    for (const QString& nome : nomes) {
        if (!nome.endsWith(QLatin1String(".sql"))) continue;
        for (const QString& cmd : DividirScript(QString::fromUtf8(git({QStringLiteral("show"), kVersao1 + u':' + nome})))) {
            b.executar(cmd);
            b.commit();
        }
    }
    return true;
}

// A station's life on version 1: holders, enablings, accesses, holidays, sessions.
void encher(const QString& arquivo) {
    Banco b;
    b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    b.executar(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM) VALUES (10, 200, 'Portaria', 'X')"));
    for (int k = 1; k <= 50; ++k) {
        b.executar(QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, GRUPO, DESABILITAR, EXPIRA) "
                                  "VALUES (%1, '%2', 'Pessoa %1', 'Geral', '0', '0')")
                       .arg(k)
                       .arg(k, 10, 10, QLatin1Char('0')));
        b.executar(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (%1, 10, 0)").arg(k));
    }
    b.commit();
    gravarAcessosDeListagem(b, 300, 100);
    b.executar(QStringLiteral("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (25, 12, 'Natal')"));
    b.executar(QStringLiteral("EXECUTE PROCEDURE USERLOGIN ('admin', 'Portaria')"));
    b.commit();
}

const QStringList kContagens = {QStringLiteral("SELECT COUNT(*) FROM USUARIO"), QStringLiteral("SELECT COUNT(*) FROM HABILITADO"),
                                QStringLiteral("SELECT COUNT(*) FROM ACESSO"), QStringLiteral("SELECT COUNT(*) FROM FERIADOS"),
                                QStringLiteral("SELECT COUNT(*) FROM SESSAO"), QStringLiteral("SELECT COUNT(*) FROM CONTA"),
                                QStringLiteral("SELECT SUM(CHAVE) FROM ACESSO")};

QStringList contar(Banco& b) {
    QStringList r;
    Unidade::gravar(b, [&] {
        for (const QString& c : kContagens)
            r << b.valor(c).toString();
    });
    return r;
}

OpcoesAtualizacao opcoes(const QString& arquivo, const QString& pasta) {
    OpcoesAtualizacao o;
    o.usuario = QStringLiteral("SYSDBA");
    o.senha = QStringLiteral("masterkey");
    o.pastaCopia = pasta;
    o.arquivoBanco = arquivo;
    return o;
}

} // namespace

class TstEsquema : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString v1;

private slots:
    void initTestCase() {
        v1 = dir.filePath(QStringLiteral("v1.fdb"));
        if (!criarVersao1(v1)) QSKIP("The commit that made version 1 is not in this clone's history");
        encher(v1);
    }

    // A new database is version 1 plus every step.
    void novoBancoNaVersaoAtual() {
        BancoAberto a;
        const EstadoEsquema e = LerEstadoEsquema(a.banco);
        QCOMPARE(e.versao, VersaoEsquema);
        QCOMPARE(PassosEsquema().last().versao, VersaoEsquema);
        QCOMPARE(e.compativel, 1);
    }

    // Version 1 upgraded: a copy first, every row kept, the new objects there and the procedures
    // answering as the program expects.
    void atualizaDaVersao1() {
        const QString arquivo = dir.filePath(QStringLiteral("atualizar.fdb"));
        QFile::remove(arquivo);
        QVERIFY(QFile::copy(v1, arquivo));
        const QString copias = dir.filePath(QStringLiteral("copias"));
        Banco b;
        b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        QCOMPARE(LerEstadoEsquema(b).versao, 1);
        const QStringList antes = contar(b);
        QStringList relatorio;
        OpcoesAtualizacao o = opcoes(arquivo, copias);
        o.relatorio = [&](const QString& l) { relatorio << l; };
        QCOMPARE(PrepararEsquema(b, o), QString());
        QCOMPARE(LerEstadoEsquema(b).versao, VersaoEsquema);
        QCOMPARE(contar(b), antes);
        const QStringList feitas =
            QDir(copias).entryList({QStringLiteral("antes-da-atualizacao-v1-v%1-*.FBK").arg(VersaoEsquema)});
        QCOMPARE(feitas.size(), 1);
        QVERIFY(QFileInfo(QDir(copias).filePath(feitas.first())).size() > 0);
        QVERIFY(relatorio.join(u'\n').contains(QStringLiteral("versão 2 (baixas_e_versao)")));
        QVERIFY(relatorio.join(u'\n').contains(QStringLiteral("versão 3 (posicao_sem_escrita_igual)")));
        Unidade::gravar(b, [&] {
            Procedimento p(b, QStringLiteral("CA_CUSER"));
            p.definir(QStringLiteral("PCARTAO"), QStringLiteral("0000000007"));
            p.executar();
            QCOMPARE(p.saida(QStringLiteral("PNOME")).toString(), QStringLiteral("Pessoa 7"));
            Procedimento l(b, QStringLiteral("USERLOGOFF"));
            l.definir(QStringLiteral("PLOGIN"), QStringLiteral("admin"));
            l.definir(QStringLiteral("PPONTO"), QStringLiteral("Portaria"));
            l.executar();
            QCOMPARE(b.valor(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE SAIDA IS NULL")).toInt(), 0);
            b.executar(QStringLiteral("INSERT INTO BAIXA_CONTROLADORA (CONTROLADORA, BASE, TOPO, RESUMO) VALUES (1, 2, 3, 'x')"));
        });
        // Nothing left to do the second time.
        QCOMPARE(PrepararEsquema(b, o), QString());
        QCOMPARE(QDir(copias).entryList({QStringLiteral("*.FBK")}).size(), 1);
    }

    // A step that fails leaves the database at the version before it, every row as it was, and
    // says where the copy is: whether its statement is refused at once or only when the engine
    // carries the step out at commit (an index the old rows break).
    void passoQueFalha_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("objeto");
        QTest::newRow("comando recusado") << QStringLiteral("CREATE TABLE NOVA (X INTEGER);\nUPDATE NAO_EXISTE SET X = 1;")
                                          << QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'NOVA'");
        QTest::newRow("recusado ao gravar")
            << QStringLiteral("ALTER TABLE USUARIO ADD APELIDO VARCHAR(30) DEFAULT '' NOT NULL;\n"
                              "CREATE UNIQUE INDEX IDX_USUARIO_GRUPO_UNICO ON USUARIO (GRUPO);")
            << QStringLiteral("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'USUARIO' "
                              "AND RDB$FIELD_NAME = 'APELIDO'");
    }
    void passoQueFalha() {
        QFETCH(QString, script);
        QFETCH(QString, objeto);
        const QString arquivo = dir.filePath(QStringLiteral("falha.fdb"));
        QFile::remove(arquivo);
        QVERIFY(QFile::copy(v1, arquivo));
        const QString copias = dir.filePath(QStringLiteral("copias-falha-%1").arg(QTest::currentDataTag()));
        Banco b;
        b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        const QStringList antes = contar(b);
        QList<PassoEsquema> passos = PassosEsquema();
        passos << PassoEsquema{VersaoEsquema + 1, QStringLiteral("quebrado"), 1, script};
        const QString erro = PrepararEsquema(b, opcoes(arquivo, copias), passos);
        QVERIFY2(erro.startsWith(QStringLiteral("A atualização do esquema para a versão %1 (quebrado) falhou").arg(VersaoEsquema + 1)),
                 qPrintable(erro));
        QVERIFY2(erro.contains(QStringLiteral("ficou na versão %1").arg(VersaoEsquema)), qPrintable(erro));
        QVERIFY2(erro.contains(copias + QStringLiteral("/antes-da-atualizacao-v1-v%1-").arg(VersaoEsquema + 1)),
                 qPrintable(erro));
        QCOMPARE(QDir(copias).entryList({QStringLiteral("*.FBK")}).size(), 1);
        const EstadoEsquema e = LerEstadoEsquema(b);
        QCOMPARE(e.versao, VersaoEsquema);
        QCOMPARE(e.compativel, 1);
        QCOMPARE(contar(b), antes);
        Unidade::gravar(b, [&] { QCOMPARE(b.valor(objeto).toInt(), 0); });
        // The attachment goes on working, and the next start tries the failed step again.
        const QString outraVez = PrepararEsquema(b, opcoes(arquivo, copias), passos);
        QVERIFY2(outraVez.startsWith(QStringLiteral("A atualização do esquema para a versão %1").arg(VersaoEsquema + 1)),
                 qPrintable(outraVez));
        QCOMPARE(LerEstadoEsquema(b).versao, VersaoEsquema);
    }

    // Several stations on one server: a version-1 database in use by a station of the old program
    // is left alone; once that station has closed, the upgrade runs through the server with the
    // copy beside the database, and the old program works on the upgraded schema.
    void servidorCompartilhado() {
        std::unique_ptr<ServidorPrivado> proprio;
        QString servidor = qEnvironmentVariable("PORTARIS_FB_SERVIDOR");
        QString senha = qEnvironmentVariable("PORTARIS_FB_SENHA");
        if (servidor.isEmpty()) {
            if (!ServidorPrivado::disponivel()) QSKIP("No Firebird server installed (package firebird3.0-server)");
            proprio = std::make_unique<ServidorPrivado>();
            QVERIFY(proprio->iniciar());
            servidor = proprio->servidor;
            senha = proprio->senha;
        }
        QTemporaryDir pasta;
        const QString arquivo = pasta.filePath(QStringLiteral("compartilhado.fdb"));
        QVERIFY(QFile::copy(v1, arquivo));
        QFile::setPermissions(arquivo, QFile::ReadOwner | QFile::WriteOwner);
        const QString nome = servidor + u':' + arquivo;
        OpcoesAtualizacao o;
        o.usuario = QStringLiteral("SYSDBA");
        o.senha = senha;
        o.arquivoBanco = arquivo;
        o.servidor = servidor;
        o.pastaCopia = pasta.filePath(QStringLiteral("nao-usada"));

        Banco antiga, nova;
        antiga.conectar(nome, QStringLiteral("SYSDBA"), senha);
        nova.conectar(nome, QStringLiteral("SYSDBA"), senha);
        const QStringList antes = contar(nova);
        const QString recusa = PrepararEsquema(nova, o);
        QVERIFY2(recusa.startsWith(QStringLiteral("O banco de dados precisa passar da versão 1 para a versão %1 do esquema, "
                                                  "mas está em uso por mais 1 conexão(ões)")
                                       .arg(VersaoEsquema)),
                 qPrintable(recusa));
        QCOMPARE(LerEstadoEsquema(nova).versao, 1);
        QCOMPARE(QDir(pasta.path()).entryList({QStringLiteral("*.FBK")}).size(), 0);

        antiga.desconectar();
        QCOMPARE(PrepararEsquema(nova, o), QString());
        QCOMPARE(LerEstadoEsquema(nova).versao, VersaoEsquema);
        QCOMPARE(contar(nova), antes);
        const QStringList copias = QDir(pasta.path()).entryList(
            {QStringLiteral("compartilhado.fdb.antes-da-atualizacao-v1-v%1-*.FBK").arg(VersaoEsquema)});
        QCOMPARE(copias.size(), 1);
        QVERIFY(QFileInfo(pasta.filePath(copias.first())).size() > 0);
        QVERIFY(!QDir(o.pastaCopia).exists());

        // The old program calls the logoff with the login alone and reads holders as before.
        antiga.conectar(nome, QStringLiteral("SYSDBA"), senha);
        Unidade::gravar(antiga, [&] {
            antiga.executar(QStringLiteral("EXECUTE PROCEDURE USERLOGOFF ('admin')"));
            QCOMPARE(antiga.valor(QStringLiteral("SELECT COUNT(*) FROM SESSAO WHERE SAIDA IS NULL")).toInt(), 0);
            Procedimento p(antiga, QStringLiteral("CA_CUSER"));
            p.definir(QStringLiteral("PCARTAO"), QStringLiteral("0000000007"));
            p.executar();
            QCOMPARE(p.saida(QStringLiteral("PNOME")).toString(), QStringLiteral("Pessoa 7"));
        });
    }

    // Another attachment open: nothing is altered under it, and the station is told why.
    void outraConexaoRecusa() {
        const QString arquivo = dir.filePath(QStringLiteral("ocupado.fdb"));
        QFile::remove(arquivo);
        QVERIFY(QFile::copy(v1, arquivo));
        Banco outra;
        outra.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        Banco b;
        b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        const QString erro = PrepararEsquema(b, opcoes(arquivo, dir.filePath(QStringLiteral("copias-ocupado"))));
        QCOMPARE(erro, QStringLiteral("O banco de dados precisa passar da versão 1 para a versão %1 do esquema, mas "
                                      "está em uso por mais 1 conexão(ões) (outras estações ou o programa de recados). "
                                      "Feche o Portaris nelas e inicie este de novo; nada foi alterado.")
                           .arg(VersaoEsquema));
        QCOMPARE(LerEstadoEsquema(b).versao, 1);
        QVERIFY(!QDir(dir.filePath(QStringLiteral("copias-ocupado"))).exists());
    }

    // A running station attached again to a database of another version (a restore of the copy
    // taken before an upgrade, another server set in "Rede local"): an older one is brought to
    // this program's version before the data is read, one it cannot use is refused; the test
    // connection of "Rede local" neither copies nor alters anything.
    void reconexaoConfereEsquema_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("maisNovo");
        QTest::addColumn<bool>("conecta");
        QTest::addColumn<int>("versaoDepois");
        QTest::newRow("cópia da versão 1 restaurada") << QStringLiteral("ptconfig.ini") << false << true << VersaoEsquema;
        QTest::newRow("banco que não aceita este programa") << QStringLiteral("ptconfig.ini") << true << false << VersaoEsquema + 1;
        QTest::newRow("conexão de teste") << QStringLiteral("teste.ini") << false << true << 1;
    }
    void reconexaoConfereEsquema() {
        QFETCH(QString, ini);
        QFETCH(bool, maisNovo);
        QFETCH(bool, conecta);
        QFETCH(int, versaoDepois);
        ModuloTeste m;
        QCOMPARE(LerEstadoEsquema(m.dm->dbBANCO).versao, VersaoEsquema);
        m.dm->FECHAR_TABELAS();
        QVERIFY(QFile::remove(m.arquivo));
        if (maisNovo) {
            QVERIFY(QFile::copy(BancoTeste::modelo(), m.arquivo));
            Banco b;
            b.conectar(m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            b.executar(QStringLiteral("UPDATE VERSAO_ESQUEMA SET VERSAO = %1, COMPATIVEL = %1").arg(VersaoEsquema + 1));
            b.commit();
        } else {
            QVERIFY(QFile::copy(v1, m.arquivo));
        }
        QFile::setPermissions(m.arquivo, QFile::ReadOwner | QFile::WriteOwner);
        if (ini == QLatin1String("teste.ini"))
            QVERIFY(QFile::copy(m.pasta.caminho(QStringLiteral("ptconfig.ini")), m.pasta.caminho(ini)));
        QCOMPARE(m.dm->CONECTAR(ini), conecta);
        QCOMPARE(m.dm->erroEsquema.isEmpty(), conecta);
        Banco b;
        b.conectar(m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        QCOMPARE(LerEstadoEsquema(b).versao, versaoDepois);
        const QStringList copias = QDir(m.pasta.caminho(QStringLiteral("copia"))).entryList({QStringLiteral("*.FBK")});
        QCOMPARE(copias.size(), versaoDepois == VersaoEsquema && !maisNovo ? 1 : 0);
    }

    // A database newer than the program: refused at start, before any door, when its last steps
    // do not accept this program; accepted when they only added things.
    void bancoMaisNovo_data() {
        QTest::addColumn<int>("compativel");
        QTest::addColumn<bool>("aceito");
        QTest::newRow("passos que só acrescentam") << VersaoEsquema << true;
        QTest::newRow("passos que mudam o que este programa usa") << VersaoEsquema + 1 << false;
    }
    void bancoMaisNovo() {
        QFETCH(int, compativel);
        QFETCH(bool, aceito);
        ModuloTeste m(false);
        {
            Banco b;
            b.conectar(m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            b.executar(QStringLiteral("UPDATE VERSAO_ESQUEMA SET VERSAO = %1, COMPATIVEL = %2").arg(VersaoEsquema + 1).arg(compativel));
            b.commit();
        }
        bool bringUp = false;
        m.dm->aoConectarInicial = [&] { bringUp = true; };
        QCOMPARE(m.dm->CONECTAR(QStringLiteral("ptconfig.ini"), true), aceito);
        QCOMPARE(bringUp, aceito);
        if (aceito) {
            QVERIFY(m.dm->erroEsquema.isEmpty());
        } else {
            QCOMPARE(m.dm->erroEsquema,
                     QStringLiteral("O banco de dados está na versão %1 do esquema, que não aceita programas da versão "
                                    "%2, a deste Portaris. Instale nesta estação o Portaris das outras estações.")
                         .arg(VersaoEsquema + 1)
                         .arg(VersaoEsquema));
            QVERIFY(!m.dm->conectado());
        }
    }
};

QTEST_GUILESS_MAIN(TstEsquema)
#include "tst_esquema.moc"
