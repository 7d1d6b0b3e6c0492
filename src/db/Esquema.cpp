#include "db/Esquema.h"

#include "db/Firebird.h"
#include "platform/Configuracoes.h"
#include "platform/PastaPrograma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace portaris {

QStringList DividirScript(const QString& script) {
    QStringList comandos;
    QString termo = QStringLiteral(";");
    QString atual;
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = script[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype fim = script.indexOf(c, i + 1);
            const qsizetype ate = fim < 0 ? n : fim + 1;
            atual += script.mid(i, ate - i);
            i = ate;
        } else if (c == u'-' && i + 1 < n && script[i + 1] == u'-') {
            const qsizetype fim = script.indexOf(u'\n', i);
            i = fim < 0 ? n : fim;
        } else if (c == u'/' && i + 1 < n && script[i + 1] == u'*') {
            const qsizetype fim = script.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype ate = fim < 0 ? n : fim + 2;
            // Comments inside a procedure body stay: they document the stored source.
            if (!atual.trimmed().isEmpty()) atual += script.mid(i, ate - i);
            i = ate;
        } else if (script.mid(i, termo.size()) == termo) {
            const QString cmd = atual.trimmed();
            atual.clear();
            i += termo.size();
            if (cmd.isEmpty()) continue;
            if (cmd.startsWith(QStringLiteral("SET TERM"), Qt::CaseInsensitive)) {
                termo = cmd.mid(8).trimmed();
                continue;
            }
            comandos << cmd;
        } else {
            atual += c;
            ++i;
        }
    }
    if (!atual.trimmed().isEmpty()) comandos << atual.trimmed();
    return comandos;
}

void CriarBanco(const QString& arquivo, const QString& usuario, const QString& senha) {
    if (QFileInfo::exists(arquivo))
        throw ErroBanco(QStringLiteral("O arquivo %1 já existe; nada foi criado.").arg(arquivo));
    const QDir pasta = QFileInfo(arquivo).absoluteDir();
    if (!pasta.exists()) QDir().mkpath(pasta.absolutePath());
    QDir recursos(QStringLiteral(":/db/schema"));
    const QStringList scripts = recursos.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
    if (scripts.isEmpty()) throw ErroBanco(QStringLiteral("Esquema do banco ausente do programa"));
    // Built under another name and renamed when whole: a start cut short (a power cut on the first
    // start) must not leave a file the next start would take for a database.
    const QString parcial = arquivo + QStringLiteral(".criando");
    QFile::remove(parcial);
    Banco banco;
    banco.criar(parcial, usuario, senha);
    try {
        for (const QString& nome : scripts) {
            QFile f(recursos.filePath(nome));
            if (!f.open(QIODevice::ReadOnly)) throw ErroBanco(QStringLiteral("Não foi possível ler %1").arg(nome));
            for (const QString& cmd : DividirScript(QString::fromUtf8(f.readAll()))) {
                try {
                    banco.executar(cmd);
                    // Metadata is committed one statement at a time so the next can use it.
                    banco.commit();
                } catch (const ErroBanco& e) {
                    throw ErroBanco(QStringLiteral("%1: %2\n%3").arg(nome, e.texto(), cmd.left(200)), e.codigo());
                }
            }
        }
        banco.desconectar();
    } catch (...) {
        banco.desconectar();
        QFile::remove(parcial);
        throw;
    }
    if (!QFile::rename(parcial, arquivo)) {
        QFile::remove(parcial);
        throw ErroBanco(QStringLiteral("Não foi possível dar ao banco criado o nome %1.").arg(arquivo));
    }
}

QString CriarBancoLocalSeFaltar() {
    if (cfg::firebird_server.ler() != QLatin1String("local")) return {};
    const QString arquivo = QFileInfo(PastaPrograma::traduzir(cfg::firebird_databasefile.ler())).absoluteFilePath();
    if (QFileInfo::exists(arquivo)) return {};
    try {
        CriarBanco(arquivo, cfg::firebird_username.ler(), cfg::firebird_password.ler());
        return {};
    } catch (const ErroBanco& e) {
        return QStringLiteral("Não foi possível criar o banco de dados %1:\n%2").arg(arquivo, e.texto());
    }
}

int ComandoCriarBanco(const QStringList& argumentos) {
    QTextStream out(stdout), err(stderr);
    QString arquivo;
    const qsizetype i = argumentos.indexOf(QStringLiteral("--criar-banco"));
    if (i >= 0 && i + 1 < argumentos.size() && !argumentos[i + 1].startsWith(QStringLiteral("--")))
        arquivo = argumentos[i + 1];
    if (arquivo.isEmpty()) arquivo = PastaPrograma::traduzir(cfg::firebird_databasefile.ler());
    arquivo = QFileInfo(arquivo).absoluteFilePath();
    try {
        CriarBanco(arquivo, cfg::firebird_username.ler(), cfg::firebird_password.ler());
        out << "Banco de dados criado: " << arquivo << Qt::endl;
        return 0;
    } catch (const ErroBanco& e) {
        err << "Não foi possível criar o banco de dados " << arquivo << ":\n" << e.texto() << Qt::endl;
        return 1;
    }
}

} // namespace portaris
