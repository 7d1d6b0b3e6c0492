// Upgrading an installed station's database from schema version 1, as its first start after a new
// package does: the copy first, then every step.
//   bench_atualizacao [--usuarios N] [--acessos N] [--foto-kb N] [--banco FILE]
// The version-1 database is built from the scripts of the commit that made version 1, read from the
// repository's history, and seeded like the other benchmarks' (holders with photos, a year of
// accesses). Prints the copy's and the steps' times and the disk space taken.
#include "SementeBench.h"
#include "db/Esquema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace portaris;

namespace {
QByteArray git(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("git"), QStringList{QStringLiteral("-C"), QStringLiteral(PORTARIS_RAIZ)} + args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return p.readAllStandardOutput();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int usuarios = opt("--usuarios", 100000), acessos = opt("--acessos", 1000000), fotoKb = opt("--foto-kb", 8);
    QTemporaryDir pasta;
    const QString arquivo = a.contains("--banco") ? a[a.indexOf("--banco") + 1] : pasta.filePath("v1.fdb");
    const QString v1 = QStringLiteral("658e860664c13a7fe57368179d494e135d44b0d0");
    if (!QFileInfo::exists(arquivo)) {
        const QStringList nomes = QString::fromUtf8(git({"ls-tree", "--name-only", v1, "src/db/schema/"}))
                                      .split(u'\n', Qt::SkipEmptyParts);
        if (nomes.isEmpty()) {
            out << "os scripts da versão 1 não estão no histórico deste clone" << Qt::endl;
            return 1;
        }
        Banco b;
        b.criar(arquivo, "SYSDBA", "masterkey");
        for (const QString& nome : nomes)
            if (nome.endsWith(QLatin1String(".sql")))
                for (const QString& cmd : DividirScript(QString::fromUtf8(git({"show", v1 + u':' + nome})))) {
                    b.executar(cmd);
                    b.commit();
                }
        bench::semear(b, usuarios, 200, acessos, fotoKb, out);
    }
    const qint64 antes = QFileInfo(arquivo).size();
    Banco b;
    b.conectar(arquivo, "SYSDBA", "masterkey");
    const int versao = LerEstadoEsquema(b).versao;
    OpcoesAtualizacao o;
    o.usuario = QStringLiteral("SYSDBA");
    o.senha = QStringLiteral("masterkey");
    o.pastaCopia = pasta.filePath("copia");
    o.arquivoBanco = arquivo;
    QElapsedTimer t;
    t.start();
    qint64 copiaMs = -1;
    QStringList passos;
    o.relatorio = [&](const QString& l) {
        if (l.startsWith(QLatin1String("Esquema"))) {
            if (copiaMs < 0) copiaMs = t.elapsed();
            passos << QStringLiteral("%1 (%2 ms)").arg(l).arg(t.elapsed());
        }
    };
    const QString erro = PrepararEsquema(b, o);
    const qint64 totalMs = t.elapsed();
    const QStringList copias = QDir(o.pastaCopia).entryList({"*.FBK"});
    const qint64 copiaBytes = copias.isEmpty() ? 0 : QFileInfo(QDir(o.pastaCopia).filePath(copias.first())).size();
    b.desconectar();
    const qint64 depois = QFileInfo(arquivo).size();
    out << QStringLiteral("%1 titulares com foto de %2 KB, %3 acessos; banco na versão %4: %5 MB")
               .arg(usuarios)
               .arg(fotoKb)
               .arg(acessos)
               .arg(versao)
               .arg(antes / 1e6, 0, 'f', 0)
        << Qt::endl;
    if (!erro.isEmpty()) {
        out << "FALHOU: " << erro << Qt::endl;
        return 1;
    }
    out << QStringLiteral("cópia antes da atualização: %1 s, %2 MB (%3)")
               .arg(copiaMs / 1000.0, 0, 'f', 1)
               .arg(copiaBytes / 1e6, 0, 'f', 0)
               .arg(copias.value(0))
        << Qt::endl;
    out << QStringLiteral("passos: %1 s — %2").arg((totalMs - copiaMs) / 1000.0, 0, 'f', 2).arg(passos.join("; "))
        << Qt::endl;
    out << QStringLiteral("total %1 s; banco depois: %2 MB (+%3 MB); espaço em disco com a cópia: %4 MB")
               .arg(totalMs / 1000.0, 0, 'f', 1)
               .arg(depois / 1e6, 0, 'f', 0)
               .arg((depois - antes) / 1e6, 0, 'f', 1)
               .arg((depois + copiaBytes) / 1e6, 0, 'f', 0)
        << Qt::endl;
    return 0;
}
