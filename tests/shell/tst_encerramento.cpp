// The console as a program, ended by the system (SIGTERM at shutdown, SIGINT from a terminal): it
// goes through its usual close without asking, so the operator is logged off and the station does
// not start again in auto-start mode.
#include "BancoTeste.h"
#include "PastaTeste.h"
#include "platform/Configuracoes.h"
#include "platform/LogEventos.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <dirent.h>
#include <unistd.h>

using namespace portaris;

namespace {

const QString kEstacao = QStringLiteral("PORTARIA1");

QVariantMap chamar(const QString& arquivo, const QString& proc, const QVariantMap& entradas) {
    Banco b;
    b.conectar(arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    Procedimento p(b, proc);
    for (auto i = entradas.cbegin(); i != entradas.cend(); ++i)
        p.definir(i.key(), i.value());
    p.executar();
    QVariantMap r;
    for (const QString& s : p.saidas())
        r.insert(s, p.saida(s));
    b.commit();
    return r;
}

// Whether the process holds the database file open: attached, seen without attaching. A probe that
// attached over and over while the console started could keep it from attaching at all.
bool abriuArquivo(pid_t pid, const QString& arquivo) {
    const QByteArray alvo = QFileInfo(arquivo).canonicalFilePath().toLocal8Bit();
    const QByteArray pasta = QStringLiteral("/proc/%1/fd").arg(pid).toLocal8Bit();
    DIR* d = ::opendir(pasta.constData());
    if (!d) return false;
    bool achou = false;
    while (const dirent* e = ::readdir(d)) {
        char destino[4096];
        const ssize_t n = ::readlink((pasta + '/' + e->d_name).constData(), destino, sizeof destino);
        if (n > 0 && QByteArray(destino, int(n)) == alvo) achou = true;
    }
    ::closedir(d);
    return achou;
}

QStringList linhasLog() {
    QFile f(CaminhoLog());
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList r;
    for (const QString& l : QString::fromUtf8(f.readAll()).split(u'\n'))
        if (!l.trimmed().isEmpty()) r << l.mid(l.indexOf(QStringLiteral(" : ")) + 3).trimmed();
    return r;
}

} // namespace

class TstEncerramento : public QObject {
    Q_OBJECT
private slots:
    void sinal_data();
    void sinal();
};

void TstEncerramento::sinal_data() {
    QTest::addColumn<int>("sinal");
    QTest::addColumn<bool>("logado");
    QTest::newRow("SIGTERM, logged in") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, logged in") << int(SIGINT) << true;
    QTest::newRow("SIGTERM, at the login window") << int(SIGTERM) << false;
}

void TstEncerramento::sinal() {
    QFETCH(int, sinal);
    QFETCH(bool, logado);
    PastaTeste pasta;
    const QString arquivo = BancoTeste::copia(pasta.caminho());
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar(QStringLiteral("masterkey"));
    cfg::outros_nomecomputador.gravar(kEstacao);
    cfg::outros_confirmaaofechar.gravar(true); // a question nobody answers would keep it running
    // Logged in and never logged off: the console starts logged in (auto-start mode).
    if (logado)
        chamar(arquivo, QStringLiteral("USERLOGIN"),
               {{QStringLiteral("PLOGIN"), QStringLiteral("admin")}, {QStringLiteral("PPONTO"), kEstacao}});

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PORTARIS_ESTACAO"), QStringLiteral("0A0B0C0D"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The way out is what is tested here; the leak check's own stop of the engine's threads at exit
    // would only blur the exit code.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/portaris"));
    QVERIFY(p.waitForStarted());
    const pid_t pid = pid_t(p.processId());
    if (logado) {
        // Up once its main window was first activated.
        QTRY_VERIFY_WITH_TIMEOUT(linhasLog().contains(QStringLiteral("Inicializa o Portaris")), 60000);
        QCOMPARE(::kill(pid, sinal), 0);
    } else {
        // Attached to the database, so well past the start of main(): from there on a signal is
        // answered, at once or once the start-up is over.
        QTRY_VERIFY_WITH_TIMEOUT(abriuArquivo(pid, arquivo), 60000);
        QCOMPARE(::kill(pid, sinal), 0);
    }
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        QFAIL("the console did not end on the signal");
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 3);
    QCOMPARE(linhasLog().contains(QStringLiteral("Finaliza o Portaris")), logado);
    const QVariantMap r =
        chamar(arquivo, QStringLiteral("USER_EFETUOU_LOGOFF"), {{QStringLiteral("PPONTO"), kEstacao}});
    QVERIFY2(r.value(QStringLiteral("PCHAVE")).isNull(), "the next start would log in by itself");
}

QTEST_GUILESS_MAIN(TstEncerramento)
#include "tst_encerramento.moc"
