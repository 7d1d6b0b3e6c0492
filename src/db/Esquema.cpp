#include "db/Esquema.h"

#include "db/Firebird.h"
#include "platform/Configuracoes.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
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

QList<PassoEsquema> PassosEsquema() {
    QList<PassoEsquema> passos;
    QDir recursos(QStringLiteral(":/db/schema/atualizacoes"));
    static const QRegularExpression nome(QStringLiteral("^(\\d+)_(.+)\\.sql$"));
    static const QRegularExpression compativel(QStringLiteral("^--\\s*compativel:\\s*(\\d+)"));
    for (const QString& arquivo : recursos.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = nome.match(arquivo);
        QFile f(recursos.filePath(arquivo));
        if (!m.hasMatch() || !f.open(QIODevice::ReadOnly))
            throw ErroBanco(QStringLiteral("Passo do esquema ilegível: %1").arg(arquivo));
        PassoEsquema p;
        p.versao = m.captured(1).toInt();
        p.nome = m.captured(2);
        p.script = QString::fromUtf8(f.readAll());
        const QRegularExpressionMatch c = compativel.match(p.script);
        p.compativel = c.hasMatch() ? c.captured(1).toInt() : p.versao;
        passos << p;
    }
    return passos;
}

namespace {

bool existeTabela(Banco& banco, const QString& tabela) {
    bool existe = false;
    Unidade::gravar(banco, [&] {
        existe = banco.valor(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '%1'")
                                 .arg(tabela))
                     .toInt() > 0;
    });
    return existe;
}

} // namespace

EstadoEsquema LerEstadoEsquema(Banco& banco) {
    EstadoEsquema e;
    if (!existeTabela(banco, QStringLiteral("VERSAO_ESQUEMA"))) return e;
    Unidade::gravar(banco, [&] {
        Comando c(banco, QStringLiteral("SELECT MAX(VERSAO), MAX(COMPATIVEL) FROM VERSAO_ESQUEMA"));
        c.abrir();
        if (c.proximo() && !c.campo(0).isNull()) {
            e.versao = c.campo(0).toInt();
            e.compativel = c.campo(1).toInt();
        }
        c.fechar();
    });
    return e;
}

int OutrasConexoes(Banco& banco) {
    int n = 0;
    // A transaction of its own: the monitoring tables keep one snapshot per transaction.
    Unidade::gravar(banco, [&] {
        n = banco
                .valor(QStringLiteral("SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0 "
                                      "AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION"))
                .toInt();
    });
    return n;
}

void AtualizarEsquema(Banco& banco, const QList<PassoEsquema>& passos,
                      const std::function<void(const QString&)>& relatorio) {
    const auto anotar = [&](const QString& l) {
        if (relatorio) relatorio(l);
    };
    if (!existeTabela(banco, QStringLiteral("VERSAO_ESQUEMA"))) {
        // Its own transactions: a table is usable only once the one that created it committed.
        Unidade::gravar(banco, [&] {
            banco.executar(QStringLiteral(
                "CREATE TABLE VERSAO_ESQUEMA (VERSAO INTEGER NOT NULL, COMPATIVEL INTEGER NOT NULL, ATUALIZADO TIMESTAMP)"));
        });
        Unidade::gravar(banco, [&] {
            banco.executar(QStringLiteral("INSERT INTO VERSAO_ESQUEMA (VERSAO, COMPATIVEL, ATUALIZADO) "
                                          "VALUES (1, 1, CURRENT_TIMESTAMP)"));
        });
    }
    EstadoEsquema e = LerEstadoEsquema(banco);
    for (const PassoEsquema& p : passos) {
        if (p.versao <= e.versao) continue;
        if (p.versao != e.versao + 1)
            throw ErroBanco(QStringLiteral("Falta o passo do esquema para a versão %1.").arg(e.versao + 1));
        const int compativel = std::max(e.compativel, p.compativel);
        try {
            Unidade u(banco);
            for (const QString& cmd : DividirScript(p.script))
                banco.executar(cmd);
            banco.executar(QStringLiteral("UPDATE VERSAO_ESQUEMA SET VERSAO = %1, COMPATIVEL = %2, "
                                          "ATUALIZADO = CURRENT_TIMESTAMP")
                               .arg(p.versao)
                               .arg(compativel));
            u.commit();
        } catch (const ErroBanco& x) {
            throw ErroBanco(QStringLiteral("A atualização do esquema para a versão %1 (%2) falhou: %3")
                                .arg(p.versao)
                                .arg(p.nome, x.texto()),
                            x.codigo());
        }
        e = {p.versao, compativel};
        anotar(QStringLiteral("Esquema do banco de dados na versão %1 (%2)").arg(p.versao).arg(p.nome));
    }
}

QString PrepararEsquema(Banco& banco, const OpcoesAtualizacao& o, const QList<PassoEsquema>& passos) {
    const auto anotar = [&](const QString& l) {
        if (o.relatorio) o.relatorio(l);
    };
    const int programa = passos.isEmpty() ? 1 : passos.last().versao;
    try {
        const EstadoEsquema e = LerEstadoEsquema(banco);
        if (e.versao > programa)
            return e.compativel > programa
                       ? QStringLiteral("O banco de dados está na versão %1 do esquema, que não aceita programas "
                                        "da versão %2, a deste Portaris. Instale nesta estação o Portaris das "
                                        "outras estações.")
                             .arg(e.versao)
                             .arg(programa)
                       : QString();
        if (e.versao == programa) return {};
        // Objects are never altered under running stations.
        if (const int outras = OutrasConexoes(banco); outras > 0)
            return QStringLiteral("O banco de dados precisa passar da versão %1 para a versão %2 do esquema, mas "
                                  "está em uso por mais %3 conexão(ões) (outras estações ou o programa de recados). "
                                  "Feche o Portaris nelas e inicie este de novo; nada foi alterado.")
                .arg(e.versao)
                .arg(programa)
                .arg(outras);
        const QString nome = QStringLiteral("antes-da-atualizacao-v%1-v%2-%3.FBK")
                                 .arg(e.versao)
                                 .arg(programa)
                                 .arg(relogio().agora().toString(QStringLiteral("yyyyMMdd-HHmmss")));
        QString copia;
        OpcoesServico op;
        op.usuario = o.usuario;
        op.senha = o.senha;
        op.servidor = o.servidor;
        if (o.servidor.isEmpty()) {
            QDir().mkpath(o.pastaCopia);
            copia = QDir(o.pastaCopia).filePath(nome);
        } else {
            copia = o.arquivoBanco + u'.' + nome; // on the server, beside the database
        }
        anotar(QStringLiteral("Cópia do banco de dados antes da atualização: ") + copia);
        try {
            CopiarBanco(o.arquivoBanco, copia, op, [](const QString&) {});
        } catch (const ErroBanco& x) {
            return QStringLiteral("Não foi possível copiar o banco de dados antes de atualizá-lo da versão %1 para "
                                  "a versão %2 do esquema; nada foi alterado.\n%3")
                .arg(e.versao)
                .arg(programa)
                .arg(x.texto());
        }
        try {
            AtualizarEsquema(banco, passos, anotar);
        } catch (const ErroBanco& x) {
            int ficou = e.versao;
            try {
                ficou = LerEstadoEsquema(banco).versao;
            } catch (const ErroBanco&) {
            }
            return QStringLiteral("%1\nO banco de dados ficou na versão %2 do esquema. A cópia feita antes da "
                                  "atualização está em %3.")
                .arg(x.texto())
                .arg(ficou)
                .arg(copia);
        }
        return {};
    } catch (const ErroBanco& x) {
        return x.texto();
    }
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
        // Version 1 plus every step: a new database is what an upgraded one is.
        AtualizarEsquema(banco, PassosEsquema());
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
