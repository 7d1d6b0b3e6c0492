#pragma once
// A private Firebird server of one test case (scripts/firebird-servidor.sh): stopping or killing it
// disturbs no other test. Needs PORTARIS_RAIZ, the source folder.
#include <QFile>
#include <QProcess>
#include <QString>
#include <csignal>

struct ServidorPrivado {
    QString servidor, senha, pasta;
    qint64 pid = 0;

    static QString script() { return QStringLiteral(PORTARIS_RAIZ "/scripts/firebird-servidor.sh"); }
    static bool disponivel() { return QFile::exists(QStringLiteral("/usr/sbin/firebird")); }

    bool iniciar() {
        QProcess p;
        p.start(QStringLiteral("bash"), {script(), QStringLiteral("iniciar")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) return false;
        // export PORTARIS_FB_SERVIDOR=… PORTARIS_FB_SENHA=… PORTARIS_FB_PID=… PORTARIS_FB_PASTA=…
        for (const QString& par : QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u' ')) {
            const QString valor = par.section(u'=', 1);
            if (par.startsWith(QLatin1String("PORTARIS_FB_SERVIDOR="))) servidor = valor;
            if (par.startsWith(QLatin1String("PORTARIS_FB_SENHA="))) senha = valor;
            if (par.startsWith(QLatin1String("PORTARIS_FB_PID="))) pid = valor.toLongLong();
            if (par.startsWith(QLatin1String("PORTARIS_FB_PASTA="))) pasta = valor;
        }
        return pid > 0 && !pasta.isEmpty();
    }
    // Killed outright and started again on the same port, as after a crash.
    bool reiniciar() {
        QProcess p;
        p.start(QStringLiteral("bash"), {script(), QStringLiteral("reiniciar"), pasta});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) return false;
        pid = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toLongLong();
        return pid > 0;
    }
    void sinal(int s) const { ::kill(static_cast<pid_t>(pid), s); }
    ~ServidorPrivado() {
        if (pasta.isEmpty()) return;
        sinal(SIGCONT);
        QProcess::execute(QStringLiteral("bash"), {script(), QStringLiteral("parar"), pasta});
    }
};
