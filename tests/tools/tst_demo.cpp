// portaris-demo run as the program it is, on a temporary program folder, checked through the
// database itself and through the console's data module.
#include "Demonstracao.h"
#include "PastaTeste.h"
#include "db/Firebird.h"
#include "db/TdmPORTARIS.h"
#include "platform/ArquivoIni.h"
#include "platform/Estacao.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace portaris;

namespace {

const QString kEstacao = QStringLiteral("0000DE30");

struct Saida {
    int codigo = -1;
    QString out, err;
};

Saida rodar(const QStringList& args = {}, const QString& casa = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PORTARIS_ESTACAO"), kEstacao);
    if (!casa.isEmpty()) {
        env.remove(QStringLiteral("PORTARIS_HOME"));
        env.insert(QStringLiteral("HOME"), casa);
    }
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/portaris-demo"), args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    Saida s;
    s.codigo = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    s.out = QString::fromUtf8(p.readAllStandardOutput());
    s.err = QString::fromUtf8(p.readAllStandardError());
    return s;
}

QByteArray resumo(const QString& arquivo) {
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString ini(const PastaTeste& pasta, const QString& secao, const QString& chave) {
    return ArquivoIni(pasta.caminho(QStringLiteral("ptconfig.ini")))
        .LerTexto(secao, chave, QStringLiteral("<ausente>"));
}

QVariant chamar(Banco& b, const QString& proc, const QVariantHash& entradas, const QString& saida) {
    Procedimento p(b, proc);
    for (auto it = entradas.begin(); it != entradas.end(); ++it)
        p.definir(it.key(), it.value());
    p.executar();
    return p.saida(saida);
}

} // namespace

class TstDemo : public QObject {
    Q_OBJECT
private slots:
    void criaInstalacao();
    void dispositivosDaEstacaoNoModulo();
    void instalacaoExistenteFicaComoEsta_data();
    void instalacaoExistenteFicaComoEsta();
    void portas_data();
    void portas();
    void portasNoPrograma();
    void semPastaDefinida();
};

void TstDemo::criaInstalacao() {
    PastaTeste pasta;
    const Saida s = rodar();
    QVERIFY2(s.codigo == 0, qPrintable(s.err));
    // The cards to present are printed, with the simulator's own commands.
    for (const char* linha :
         {"cartao COM1 200 00001A2B3C", "tag COM2 171 0000ABCDE1", "vivo COM3 130 1 1A2B3C 1", "admin"})
        QVERIFY2(s.out.contains(QLatin1String(linha)), linha);

    const QString arquivo = pasta.caminho(QStringLiteral("portaris.fdb"));
    QCOMPARE(ini(pasta, "firebird", "server"), QStringLiteral("local"));
    QCOMPARE(ini(pasta, "firebird", "databasefile"), arquivo);
    QCOMPARE(ini(pasta, "outros", "nomecomputador"), QStringLiteral("Demonstração"));
    QCOMPARE(ini(pasta, "som", "usarsom"), QStringLiteral("0"));

    Banco b;
    b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));

    // Devices: all of this station, enabled, on COM1..COM3.
    Comando lei(b, "SELECT CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR FROM LEITORA");
    lei.abrir();
    QVERIFY(lei.proximo());
    const int leitora = lei.campo(0).toInt();
    QCOMPARE(lei.linha().mid(1), (QList<QVariant>{200, "Portaria", "COM1", kEstacao, "0"}));
    QVERIFY(!lei.proximo());
    Comando l64(b, "SELECT CHAVE, DESCRICAO01, SERIAL, SERIALNUM, DESABILITAR, TFECHAMENTO FROM LEITORA64");
    l64.abrir();
    QVERIFY(l64.proximo());
    const int portao = l64.campo(0).toInt();
    QCOMPARE(l64.linha().mid(1), (QList<QVariant>{"Garagem", "COM2", kEstacao, "0", 2}));
    QVERIFY(!l64.proximo());
    Comando cnl(
        b, "SELECT SERIAL, SERIALNUM, DESABILITAR, ONLINE, DESCRICAO, PORTA01, PORTA02, PORTA03, PORTA04, "
           "CHAVE, CHAVEP01, CHAVEP02, CHAVEP03, CHAVEP04 FROM CONTROLADORA");
    cnl.abrir();
    QVERIFY(cnl.proximo());
    QCOMPARE(cnl.linha().mid(0, 9), (QList<QVariant>{"COM3", kEstacao, "0", "1", "Bloco A", "Social",
                                                     "Servico", "Garagem", "Terraco"}));
    QList<int> portas;
    for (int i = 10; i < 14; ++i)
        portas << cnl.campo(i).toInt();
    const int controladora = cnl.campo(9).toInt();
    QVERIFY(!cnl.proximo());
    // Every device key is distinct, door keys included.
    QSet<int> chaves{leitora, portao, controladora};
    for (int p : portas)
        chaves.insert(p);
    QCOMPARE(chaves.size(), 7);
    QVERIFY(!chaves.contains(0));

    // Holders: five, each with a picture the windows can show; their cards belong to them.
    QCOMPARE(b.valor("SELECT COUNT(*) FROM USUARIO").toInt(), 5);
    Comando fotos(b, "SELECT NOME, FOTO FROM USUARIO");
    fotos.abrir();
    while (fotos.proximo()) {
        QImage img;
        QVERIFY2(img.loadFromData(fotos.campo(1).toByteArray()), qPrintable(fotos.campo(0).toString()));
    }
    auto dono = [&](const char* cartao) {
        return chamar(b, "CA_CUSER", {{"PCARTAO", QString::fromLatin1(cartao)}}, "PCHAVE").toInt();
    };
    const int ana = dono("00001A2B3C"), carla = dono("00002B3C4D"), diego = dono("00003C4D5E"),
              carro = dono("0000ABCDE1");
    QVERIFY(ana > 0 && carla > 0 && diego > 0 && carro > 0);
    QCOMPARE(dono("0000FFFFFF"), 0);

    // Enablings as the verdict asks for them.
    auto habilitado = [&](const char* proc, int u, int l) {
        return chamar(b, proc, {{"PUCHAVE", u}, {"PLCHAVE", l}}, "PSAIDA").toInt() >= 1;
    };
    QVERIFY(habilitado("CA_HLEI", ana, leitora));
    for (int p : portas)
        QVERIFY(habilitado("CA_HLEI", ana, p));
    QVERIFY(habilitado("CA_HLEI64", carro, portao));
    QVERIFY(habilitado("CA_HLEI", carla, portas[0]));
    QVERIFY(!habilitado("CA_HLEI", carla, portas[3]));
    QCOMPARE(chamar(b, "CA_HCAR", {{"PCHAVE", diego}}, "PSAIDA").toString(), QStringLiteral("1"));
    QCOMPARE(chamar(b, "CA_HCAR", {{"PCHAVE", ana}}, "PSAIDA").toString(), QStringLiteral("0"));

    // One family with Ana in it; Carla has a message waiting.
    const QVariant familia = chamar(b, "TEM_FAMILIA", {{"PUCHAVE", ana}}, "PCHAVE");
    QVERIFY(!familia.isNull());
    Procedimento membros(b, "FAMILIA_MEMBROS");
    membros.definir("PCHAVE", familia);
    membros.executar();
    QCOMPARE(membros.saida("PMEMBRO1").toInt(), ana);
    QVERIFY(membros.saida("PMEMBRO2").toInt() > 0);
    QVERIFY(membros.saida("PMEMBRO3").isNull());
    QCOMPARE(chamar(b, "TEM_RECADO", {{"PCHAVE", carla}}, "PSN").toString(), QStringLiteral("1"));
    QCOMPARE(chamar(b, "TEM_RECADO", {{"PCHAVE", ana}}, "PSN").toString(), QStringLiteral("0"));

    // The patrol card: due every day, in a window at the door reader's head at any hour.
    const int ronda = chamar(b, "CA_RON", {{"PCARTAO", "00009F0001"}}, "PCHAVE").toInt();
    QVERIFY(ronda > 0);
    for (int dia = 1; dia <= 7; ++dia)
        QCOMPARE(chamar(b, "CA_ERON", {{"PCHAVE", ronda}, {"PDIA", dia}}, "PSAIDA").toString(),
                 QStringLiteral("1"));
    for (const QTime& h : {QTime(0, 0), QTime(11, 59, 59), QTime(12, 0), QTime(23, 59, 59)})
        QVERIFY(chamar(b, "CA_RTEM", {{"PCHAVE", ronda}, {"PCABECA", 200}, {"PHORA", h}}, "PSAIDA").toInt() >=
                1);
    QCOMPARE(
        chamar(b, "CA_RTEM", {{"PCHAVE", ronda}, {"PCABECA", 130}, {"PHORA", QTime(3, 0)}}, "PSAIDA").toInt(),
        0);
    b.commit();
}

void TstDemo::dispositivosDaEstacaoNoModulo() {
    // The console's data module, started on the demonstration folder, finds this station's devices.
    PastaTeste pasta;
    QCOMPARE(rodar().codigo, 0);
    const QByteArray anterior = qgetenv("PORTARIS_ESTACAO");
    qputenv("PORTARIS_ESTACAO", kEstacao.toLatin1());
    {
        TdmPORTARIS dm;
        const bool ok = dm.CONECTAR(QStringLiteral("ptconfig.ini"), true);
        QVERIFY2(ok, qPrintable(dm.ultimoErro()));
        QCOMPARE(dm.setLEI.quantidade(), 1);
        QCOMPARE(dm.setLEI64.quantidade(), 1);
        QCOMPARE(dm.setCNL.quantidade(), 1);
        QCOMPARE(dm.setCNL.valor("ONLINE").toString(), QStringLiteral("1"));
        QCOMPARE(TdmPORTARIS::NOME_COMPUTADOR(), QStringLiteral("Demonstração"));
        QVERIFY(dm.setCON.localizar("LOGIN", "admin"));
    }
    // Another station sees none of them.
    qputenv("PORTARIS_ESTACAO", "0000BEEF");
    {
        TdmPORTARIS dm;
        QVERIFY(dm.CONECTAR(QStringLiteral("ptconfig.ini"), true));
        QCOMPARE(dm.setLEI.quantidade() + dm.setLEI64.quantidade() + dm.setCNL.quantidade(), 0);
    }
    if (anterior.isEmpty())
        qunsetenv("PORTARIS_ESTACAO");
    else
        qputenv("PORTARIS_ESTACAO", anterior);
}

void TstDemo::instalacaoExistenteFicaComoEsta_data() {
    QTest::addColumn<bool>("demonstracao");
    QTest::addColumn<QString>("soConfig");
    QTest::addColumn<QString>("soBanco");
    QTest::newRow("segunda execução") << true << QString() << QString();
    QTest::newRow("configuração de outra instalação") << false << "[firebird]\nserver=remote\n" << QString();
    QTest::newRow("banco de outra instalação") << false << QString() << "não é a demonstração";
}

void TstDemo::instalacaoExistenteFicaComoEsta() {
    QFETCH(bool, demonstracao);
    QFETCH(QString, soConfig);
    QFETCH(QString, soBanco);
    PastaTeste pasta;
    const QString config = pasta.caminho(QStringLiteral("ptconfig.ini"));
    const QString banco = pasta.caminho(QStringLiteral("portaris.fdb"));
    if (demonstracao) QCOMPARE(rodar().codigo, 0);
    for (const auto& [arquivo, texto] : {std::pair{config, soConfig}, std::pair{banco, soBanco}}) {
        if (texto.isEmpty()) continue;
        QFile f(arquivo);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(texto.toUtf8());
    }
    const QByteArray antesConfig = resumo(config), antesBanco = resumo(banco);

    const Saida s = rodar();
    QCOMPARE(s.codigo, 0);
    QVERIFY2(s.out.contains(QStringLiteral("nada foi alterado")), qPrintable(s.out));
    QCOMPARE(resumo(config), antesConfig);
    QCOMPARE(resumo(banco), antesBanco);
    QCOMPARE(QFile::exists(config), demonstracao || !soConfig.isEmpty());
    QCOMPARE(QFile::exists(banco), demonstracao || !soBanco.isEmpty());
}

void TstDemo::portas_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("lidas"); // n=path;… or the error
    QTest::newRow("três linhas") << QStringList{"COM1=/dev/pts/7", "COM2=/dev/pts/8", "COM3=/dev/pts/9"}
                                 << "1=/dev/pts/7;2=/dev/pts/8;3=/dev/pts/9";
    QTest::newRow("minúsculas, uma só") << QStringList{"com2=/dev/pts/4"} << "2=/dev/pts/4";
    QTest::newRow("brancos em volta") << QStringList{" COM9=/dev/pts/4 "} << "9=/dev/pts/4";
    const QString invalida = QStringLiteral("Porta inválida: \"%1\" (esperado COMn=/caminho, n de 1 a 9); nada foi gravado.");
    QTest::newRow("COM0") << QStringList{"COM0=/dev/pts/1"} << invalida.arg("COM0=/dev/pts/1");
    QTest::newRow("COM10") << QStringList{"COM10=/dev/pts/1"} << invalida.arg("COM10=/dev/pts/1");
    QTest::newRow("sem caminho") << QStringList{"COM1="} << invalida.arg("COM1=");
    QTest::newRow("caminho relativo") << QStringList{"COM1=pts/1"} << invalida.arg("COM1=pts/1");
    QTest::newRow("uma inválida, nenhuma lida")
        << QStringList{"COM1=/dev/pts/1", "COMx=/dev/pts/2"} << invalida.arg("COMx=/dev/pts/2");
    QTest::newRow("nenhuma") << QStringList{} << "Nenhuma porta informada.";
}

void TstDemo::portas() {
    QFETCH(QStringList, args);
    QFETCH(QString, lidas);
    QString erro;
    QStringList obtidas;
    for (const auto& [n, caminho] : LerPortas(args, erro))
        obtidas << QStringLiteral("%1=%2").arg(n).arg(caminho);
    QCOMPARE(obtidas.isEmpty() ? erro : obtidas.join(u';'), lidas);
}

// Through the program: nothing to point without an installation; an invalid argument writes
// nothing; valid ones reach ptconfig.ini.
void TstDemo::portasNoPrograma() {
    PastaTeste pasta;
    const QStringList args{"COM1=/dev/pts/7", "com3=/dev/pts/9"};
    QCOMPARE(rodar(QStringList{"--portas"} + args).codigo, 1);
    QCOMPARE(rodar().codigo, 0);
    const Saida ruim = rodar({"--portas", "COM1=/dev/pts/5", "COM0=/dev/pts/6"});
    QCOMPARE(ruim.codigo, 2);
    QVERIFY(ruim.err.contains(QStringLiteral("COM0=/dev/pts/6")));
    QCOMPARE(CaminhoPortaSerial(1), QStringLiteral("/dev/ttyS0"));
    const Saida s = rodar(QStringList{"--portas"} + args);
    QVERIFY2(s.codigo == 0, qPrintable(s.err));
    QCOMPARE((QStringList{CaminhoPortaSerial(1), CaminhoPortaSerial(2), CaminhoPortaSerial(3)}),
             (QStringList{"/dev/pts/7", "/dev/ttyS1", "/dev/pts/9"}));
}

void TstDemo::semPastaDefinida() {
    // Without PORTARIS_HOME nothing lands in the station's own folder (~/Portaris).
    QTemporaryDir casa;
    for (const QStringList& args : {QStringList{}, QStringList{"--portas", "COM1=/dev/pts/1"}}) {
        const Saida s = rodar(args, casa.path());
        QCOMPARE(s.codigo, 2);
        QVERIFY(s.err.contains(QStringLiteral("PORTARIS_HOME")));
    }
    QVERIFY(QDir(casa.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TstDemo)
#include "tst_demo.moc"
