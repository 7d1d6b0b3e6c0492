// Benchmark of the database layer on an embedded database it seeds itself:
//   bench_db [--usuarios N] [--dispositivos N] [--acessos N] [--foto KB] [--cartoes N] [--pasta DIR]
//   --banco FILE keeps the seeded database in FILE and reuses it on the next run.
// Prints the verdict chain + access insert (p50/p99), the report procedures over one month, and
// the opening of setUSU (time and resident memory added).
#include "db/Conjunto.h"
#include "db/Esquema.h"
#include "db/Firebird.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>

using namespace portaris;

namespace {

QTextStream out(stdout);

long rssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:")) return l.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

QString cartao(int i) { return QStringLiteral("%1").arg(i * 2654435761u % 0xFFFFFFFFu, 10, 16, QLatin1Char('0')).toUpper(); }

double pct(QList<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.value(std::min<qsizetype>(v.size() - 1, static_cast<qsizetype>(p * v.size())));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int usuarios = opt("--usuarios", 100000), dispositivos = opt("--dispositivos", 200),
              acessos = opt("--acessos", 1000000), fotoKb = opt("--foto", 60), cartoes = opt("--cartoes", 10000);
    QTemporaryDir tmp(a.contains("--pasta") ? a[a.indexOf("--pasta") + 1] + "/bench-XXXXXX" : QDir::tempPath() + "/bench-XXXXXX");
    // --banco FILE keeps the seeded database (and reuses it when it exists already).
    const bool reusar = a.contains("--banco");
    const QString arquivo = reusar ? a[a.indexOf("--banco") + 1] : tmp.path() + "/bench.fdb";
    out << "usuarios=" << usuarios << " dispositivos=" << dispositivos << " acessos=" << acessos << " foto=" << fotoKb
        << "KB cartoes=" << cartoes << " arquivo=" << arquivo << Qt::endl;

    QElapsedTimer t;
    t.start();
    const bool semear = !QFile::exists(arquivo);
    if (semear) CriarBanco(arquivo, "SYSDBA", "masterkey");
    Banco b;
    b.conectar(arquivo, "SYSDBA", "masterkey");
    if (semear) {
        Comando lei(b, "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM, POSICAO) VALUES (:K, :C, :D, 'BENCH', 'N')");
        for (int d = 1; d <= dispositivos; ++d) {
            lei.definir("K", d);
            lei.definir("C", 128 + d % 100);
            lei.definir("D", QStringLiteral("Leitora %1").arg(d));
            lei.executar();
        }
        b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_LEITORA TO %1").arg(dispositivos + 10));
        QByteArray foto(fotoKb * 1024, '\0');
        for (int i = 0; i < foto.size(); ++i) foto[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
        Comando usu(b, "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOACESSOFERIADOS, NAOLISTARELAT, "
                       "DESABILITAR, SEGE, SEGS, TERE, TERS, QUAE, QUAS, QUIE, QUIS, SEXE, SEXS, SABE, SABS, DOME, DOMS, "
                       "EXPIRA, EXPIRAEM, AVSREC, FOTO) VALUES (:K, :C, :N, 'Morador', 'Geral', '0', '0', '0', "
                       ":E, :S, :E, :S, :E, :S, :E, :S, :E, :S, :E, :S, :E, :S, '0', '2030-01-01', '0', :F)");
        Comando hab(b, "INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (:U, :L, 0)");
        for (int u = 1; u <= usuarios; ++u) {
            usu.definir("K", u);
            usu.definir("C", cartao(u));
            usu.definir("N", QStringLiteral("Morador número %1 do condomínio").arg(u));
            usu.definir("E", QTime(0, 0));
            usu.definir("S", QTime(23, 59, 59));
            usu.definir("F", fotoKb > 0 ? QVariant(foto) : QVariant());
            usu.executar();
            for (int k = 0; k < 2; ++k) {
                hab.definir("U", u);
                hab.definir("L", 1 + (u + k * 7) % dispositivos);
                hab.executar();
            }
            if (u % 5000 == 0) b.commitRetaining();
        }
        b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_USUARIO TO %1").arg(usuarios));
        b.commit();
        out << "semeou usuarios em " << t.elapsed() / 1000.0 << " s" << Qt::endl;
        t.restart();
        Comando ace(b, "INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, AUTORIZADO, NOME, CARTAO, GRUPO, TIPO, NOTA, "
                       "NOTA2, LOGIN, COMPUTADOR, ORIGEM, DESTINO, RONDA, RELATORIO) VALUES (:K, :D, :H, :L, 'Sim', :N, "
                       ":C, 'Geral', 'Morador', 'Acesso autorizado', '', 'admin', :PC, '', '', '0', '1')");
        const QDate fim = QDate::currentDate();
        for (int i = 1; i <= acessos; ++i) {
            const int u = 1 + i % usuarios;
            ace.definir("K", i);
            ace.definir("D", fim.addDays(-(i % 365)));
            ace.definir("H", QTime::fromMSecsSinceStartOfDay(static_cast<int>((qint64(i) * 7919) % 86400000)));
            ace.definir("L", QStringLiteral("Leitora %1").arg(1 + i % dispositivos));
            ace.definir("N", QStringLiteral("Morador número %1 do condomínio").arg(u));
            ace.definir("C", cartao(u));
            ace.definir("PC", QStringLiteral("Estação %1").arg(i % 4));
            ace.executar();
            if (i % 20000 == 0) b.commitRetaining();
        }
        b.executar(QStringLiteral("SET GENERATOR GEN_CHAVE_ACESSO TO %1").arg(acessos));
        b.commit();
        out << "semeou acessos em " << t.elapsed() / 1000.0 << " s" << Qt::endl;
    }
    // Statistics of the fresh indexes.
    for (const char* idx : {"IDX_USUARIO_CARTAO", "IDX_ACESSO_DATA_COMPUTADOR", "IDX_HABILITADO_LCHAVE", "PK_HABILITADO"})
        b.executar(QStringLiteral("SET STATISTICS INDEX %1").arg(QString::fromLatin1(idx)));
    b.commit();
    b.desconectar();

    // The verdict chain and the access row of one card, as a station runs them.
    {
        Banco e;
        e.conectar(arquivo, "SYSDBA", "masterkey");
        Procedimento cuser(e, "CA_CUSER"), hlei(e, "CA_HLEI"), hcar(e, "CA_HCAR"), hfer(e, "CA_HFER"), hhor(e, "CA_HHOR"),
            pos(e, "BUSCA_ATUAL_POSICAO"), rec(e, "TEM_RECADO"), fam(e, "TEM_FAMILIA");
        Comando ace(e, "INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, AUTORIZADO, NOME, CARTAO, GRUPO, TIPO, NOTA, NOTA2, "
                       "LOGIN, COMPUTADOR, ORIGEM, DESTINO, RONDA, RELATORIO) VALUES (GEN_ID(GEN_CHAVE_ACESSO, 1), :D, :H, "
                       ":L, :A, :N, :C, :G, :T, :NT, '', 'admin', 'Bench', '', '', '0', '1')");
        QList<double> ms;
        QElapsedTimer c;
        for (int i = 0; i < cartoes; ++i) {
            const int u = 1 + QRandomGenerator::global()->bounded(usuarios);
            const int l = 1 + QRandomGenerator::global()->bounded(dispositivos);
            c.start();
            cuser.definir("PCARTAO", cartao(u));
            cuser.executar();
            const QVariant k = cuser.saida("PCHAVE");
            hlei.definir("PUCHAVE", k);
            hlei.definir("PLCHAVE", l);
            hlei.executar();
            hcar.definir("PCHAVE", k);
            hcar.executar();
            hfer.definir("PCHAVE", k);
            hfer.executar();
            const QDateTime agora = QDateTime::currentDateTime();
            hhor.definir("PDIA", agora.date().dayOfWeek() % 7 + 1);
            hhor.definir("PCHAVE", k);
            hhor.definir("PHORA", agora.time());
            hhor.executar();
            pos.definir("PCHAVE", k);
            pos.executar();
            rec.definir("PCHAVE", k);
            rec.executar();
            fam.definir("PUCHAVE", k);
            fam.executar();
            ace.definir("D", agora.date());
            ace.definir("H", agora.time());
            ace.definir("L", QStringLiteral("Leitora %1").arg(l));
            ace.definir("A", hlei.saida("PSAIDA").toInt() > 0 ? "Sim" : "Não");
            ace.definir("N", cuser.saida("PNOME"));
            ace.definir("C", cartao(u));
            ace.definir("G", cuser.saida("PGRUPO"));
            ace.definir("T", cuser.saida("PTIPO"));
            ace.definir("NT", "Acesso autorizado");
            ace.executar();
            e.commitRetaining();
            ms << c.nsecsElapsed() / 1e6;
        }
        out << QStringLiteral("veredito+acesso: p50 %1 ms  p99 %2 ms  max %3 ms (%4 cartões)")
                   .arg(pct(ms, 0.5), 0, 'f', 3)
                   .arg(pct(ms, 0.99), 0, 'f', 3)
                   .arg(pct(ms, 1.0), 0, 'f', 3)
                   .arg(cartoes)
            << Qt::endl;

        // Report procedures over one month.
        const QDate hoje = QDate::currentDate();
        for (const char* proc : {"RELATORIO_COM_CARTAO", "RELATORIO_SEM_CARTAO", "RELATORIO_RONDA"}) {
            for (int ordem = 0; ordem < 8; ++ordem) {
                if (QString::fromLatin1(proc) != "RELATORIO_COM_CARTAO" && ordem > 0) break;
                QElapsedTimer r;
                r.start();
                Comando q(e, QStringLiteral("SELECT * FROM %1(:P00,:P01,:P02)").arg(QString::fromLatin1(proc)));
                q.definir("P00", hoje.addMonths(-1).addDays(1));
                q.definir("P01", hoje);
                q.definir("P02", ordem);
                q.abrir();
                int n = 0;
                while (q.proximo()) ++n;
                out << QStringLiteral("%1 ordem %2: %3 linhas em %4 ms").arg(QString::fromLatin1(proc)).arg(ordem).arg(n).arg(
                           r.nsecsElapsed() / 1e6, 0, 'f', 1)
                    << Qt::endl;
            }
        }
    }

    // Opening setUSU over every holder (photos stay in the database).
    {
        Banco e;
        e.conectar(arquivo, "SYSDBA", "masterkey");
        Conjunto setUSU(e, "setUSU", "USUARIO", {}, "NOME", "GEN_CHAVE_USUARIO");
        setUSU.campos(); // nothing loaded yet
        e.iniciarTransacao();
        const long antes = rssKb();
        QElapsedTimer r;
        r.start();
        setUSU.abrir();
        const double tempo = r.nsecsElapsed() / 1e6;
        const long depois = rssKb();
        out << QStringLiteral("setUSU: %1 linhas em %2 ms, memória residente +%3 MB")
                   .arg(setUSU.quantidade())
                   .arg(tempo, 0, 'f', 1)
                   .arg((depois - antes) / 1024.0, 0, 'f', 1)
            << Qt::endl;
    }
    return 0;
}
