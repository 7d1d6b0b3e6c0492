// Benchmark of the database layer on an embedded database it seeds itself:
//   bench_db [--usuarios N] [--dispositivos N] [--acessos N] [--foto KB] [--cartoes N] [--pasta DIR]
//   --banco FILE keeps the seeded database in FILE and reuses it on the next run.
// Prints the verdict chain + access insert (p50/p99), the report listings over one month (the
// search with its first page, and the whole listing), and the opening of setUSU (time and
// resident memory added).
#include "SementeBench.h"
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

using bench::cartao;
using bench::pct;

// Rows of the reports page's first page.
constexpr int kPagina = 100;

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int usuarios = opt("--usuarios", 100000), dispositivos = opt("--dispositivos", 200),
              acessos = opt("--acessos", 1000000), fotoKb = opt("--foto", 60),
              cartoes = opt("--cartoes", 10000);
    QTemporaryDir tmp(a.contains("--pasta") ? a[a.indexOf("--pasta") + 1] + "/bench-XXXXXX"
                                            : QDir::tempPath() + "/bench-XXXXXX");
    // --banco FILE keeps the seeded database (and reuses it when it exists already).
    const bool reusar = a.contains("--banco");
    const QString arquivo = reusar ? a[a.indexOf("--banco") + 1] : tmp.path() + "/bench.fdb";
    out << "usuarios=" << usuarios << " dispositivos=" << dispositivos << " acessos=" << acessos
        << " foto=" << fotoKb << "KB cartoes=" << cartoes << " arquivo=" << arquivo << Qt::endl;

    QElapsedTimer t;
    t.start();
    const bool semear = !QFile::exists(arquivo);
    if (semear) CriarBanco(arquivo, "SYSDBA", "masterkey");
    Banco b;
    b.conectar(arquivo, "SYSDBA", "masterkey");
    if (semear) bench::semear(b, usuarios, dispositivos, acessos, fotoKb, out);
    // Statistics of the fresh indexes.
    for (const char* idx :
         {"IDX_USUARIO_CARTAO", "IDX_ACESSO_DATA_COMPUTADOR", "IDX_HABILITADO_LCHAVE", "PK_HABILITADO"})
        b.executar(QStringLiteral("SET STATISTICS INDEX %1").arg(QString::fromLatin1(idx)));
    b.commit();
    b.desconectar();

    // The verdict chain and the access row of one card, as a station runs them.
    {
        Banco e;
        e.conectar(arquivo, "SYSDBA", "masterkey");
        Procedimento cuser(e, "CA_CUSER"), hlei(e, "CA_HLEI"), hcar(e, "CA_HCAR"), hfer(e, "CA_HFER"),
            hhor(e, "CA_HHOR"), pos(e, "BUSCA_ATUAL_POSICAO"), rec(e, "TEM_RECADO"), fam(e, "TEM_FAMILIA");
        Comando ace(e, "INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, AUTORIZADO, NOME, CARTAO, GRUPO, "
                       "TIPO, NOTA, NOTA2, "
                       "LOGIN, COMPUTADOR, ORIGEM, DESTINO, RONDA, RELATORIO) VALUES "
                       "(GEN_ID(GEN_CHAVE_ACESSO, 1), :D, :H, "
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
        // The rows written here go again, so every run lists the same month.
        e.executar("DELETE FROM ACESSO WHERE COMPUTADOR = 'Bench'");
        e.commitRetaining();

        // The listings of the reports page over one month: the search (the listing opened and its
        // first page read, what the operator waits for) and the whole listing (printing).
        const QDate hoje = QDate::currentDate();
        for (const char* proc : {"RELATORIO_COM_CARTAO", "RELATORIO_SEM_CARTAO", "RELATORIO_RONDA"}) {
            for (int ordem = 0; ordem < 8; ++ordem) {
                auto q = Conjunto::consulta(
                    e, "qrREL",
                    QStringLiteral("SELECT * FROM %1(:P00,:P01,:P02)").arg(QString::fromLatin1(proc)));
                q->definirParametro("P00", hoje.addMonths(-1).addDays(1));
                q->definirParametro("P01", hoje);
                q->definirParametro("P02", ordem);
                q->definirPagina(kPagina);
                QElapsedTimer r;
                r.start();
                q->abrir();
                const double pesquisa = r.nsecsElapsed() / 1e6;
                q->lerTodasLinhas();
                out << QStringLiteral(
                           "%1 ordem %2: pesquisa (%3 linhas) em %4 ms, listagem inteira (%5 linhas) "
                           "em %6 ms")
                           .arg(QString::fromLatin1(proc))
                           .arg(ordem)
                           .arg(std::min(kPagina, q->quantidade()))
                           .arg(pesquisa, 0, 'f', 1)
                           .arg(q->quantidade())
                           .arg(r.nsecsElapsed() / 1e6, 0, 'f', 1)
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
