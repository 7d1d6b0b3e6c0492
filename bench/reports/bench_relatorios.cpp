// Benchmark of the reports panel on the benchmark installation (one month ≈ 76,000 card rows):
//   bench_relatorios [--banco FILE] [--usuarios N] [--dispositivos N] [--acessos N] [--sem-estatisticas]
// --banco FILE keeps the seeded database in FILE and reuses it on the next run. Holders are seeded
// without photos: no listing reads them.
// Prints the search's first rows in every ordering of every listing, the whole month to PDF and to
// text (time, pages, resident memory added) and the preview's first page.
#include "SementeBench.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "reports/TfmVisualizacao.h"
#include "reports/TframeRelatorios.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int usuarios = opt("--usuarios", 100000), dispositivos = opt("--dispositivos", 200),
              acessos = opt("--acessos", 1000000);
    QTemporaryDir tmp;
    const QString arquivo = a.contains("--banco") ? a[a.indexOf("--banco") + 1] : tmp.path() + "/bench.fdb";
    qputenv("PORTARIS_HOME", tmp.path().toUtf8());
    out << "usuarios=" << usuarios << " acessos=" << acessos << " arquivo=" << arquivo << Qt::endl;
    if (!QFile::exists(arquivo)) {
        CriarBanco(arquivo, "SYSDBA", "masterkey");
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        bench::semear(b, usuarios, dispositivos, acessos, 0, out);
    }
    // Statistics measured on the seeded access indexes. A station never measures them again after its
    // database is made (or restored): --sem-estatisticas keeps them as made, on an empty table.
    if (!a.contains(QStringLiteral("--sem-estatisticas"))) {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        for (const char* idx : {"IDX_ACESSO_DATA_HORA", "IDX_ACESSO_DATA_COMPUTADOR"})
            b.executar(QStringLiteral("SET STATISTICS INDEX %1").arg(QString::fromLatin1(idx)));
        b.commit();
    }
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar(QStringLiteral("masterkey"));
    TdmPORTARIS dm;
    if (!dm.CONECTAR(QStringLiteral("ptconfig.ini"), true)) {
        out << dm.ultimoErro() << Qt::endl;
        return 1;
    }

    TframeRelatorios f(dm);
    f.resize(1200, 700);
    f.show();
    const QDate hoje = QDate::currentDate();
    f.caINI->setSelectedDate(hoje.addMonths(-1).addDays(1));
    f.caFIM->setSelectedDate(hoje);
    QPushButton* botoes[] = {f.btCCA, f.btSCA, f.btRON};
    const char* nomes[] = {"Com cartão", "Sem cartão", "Ronda"};
    double pior = 0;
    for (int b = 0; b < 3; ++b) {
        botoes[b]->setChecked(true);
        for (int ordem = 0; ordem < 8; ++ordem) {
            f.miORD[ordem]->setChecked(true);
            QElapsedTimer t;
            t.start();
            f.Pesquisar();
            const double abrir = t.nsecsElapsed() / 1e6;
            QCoreApplication::processEvents(); // the grid paints its first rows
            const double ms = t.nsecsElapsed() / 1e6;
            out << QStringLiteral("  (pesquisa %1 ms, grade %2 ms)")
                       .arg(abrir, 0, 'f', 1)
                       .arg(ms - abrir, 0, 'f', 1)
                << Qt::endl;
            pior = std::max(pior, ms);
            out << QStringLiteral("%1 ordem %2: primeiras linhas (%3) em %4 ms")
                       .arg(QString::fromUtf8(nomes[b]))
                       .arg(ordem)
                       .arg(f.gdREL->model()->rowCount())
                       .arg(ms, 0, 'f', 1)
                << Qt::endl;
        }
    }
    // The first search of the run again: the engine's cache now holds the month's pages.
    {
        f.btCCA->setChecked(true);
        f.miORD[0]->setChecked(true);
        QElapsedTimer t;
        t.start();
        f.Pesquisar();
        QCoreApplication::processEvents();
        out << QStringLiteral("Com cartão ordem 0, de novo: %1 ms").arg(t.nsecsElapsed() / 1e6, 0, 'f', 1)
            << Qt::endl;
    }
    out << QStringLiteral("pesquisa: pior %1 ms (limite 200 ms, razão %2)")
               .arg(pior, 0, 'f', 1)
               .arg(pior / 200, 0, 'f', 2)
        << Qt::endl;

    // The whole month with a card, in date order, as "Imp./Exp." renders it after a search.
    f.btCCA->setChecked(true);
    f.miORD[0]->setChecked(true);
    auto exportar = [&](const char* formato, double limiteS) {
        f.Pesquisar();
        FonteConjunto fonte(f.qrREL());
        RenderizadorRelatorio r(LayoutRelatorio::listagem("ReportCCartao", "mês", "Data / Hora", "Bench"),
                                fonte);
        const long antes = rssKb();
        long maximo = antes;
        int paginas = 0;
        const Progresso progresso = [&](int p) {
            paginas = p;
            maximo = std::max(maximo, rssKb());
            QCoreApplication::processEvents();
            return true;
        };
        const QString caminho = tmp.path() + "/mes." + QString::fromLatin1(formato);
        QElapsedTimer t;
        t.start();
        if (QByteArray(formato) == "pdf")
            r.exportarPdf(caminho, progresso);
        else
            r.exportarTexto(caminho, progresso);
        const double s = t.nsecsElapsed() / 1e9;
        maximo = std::max(maximo, rssKb());
        out << QStringLiteral("%1: %2 linhas, %3 páginas, %4 bytes em %5 s (limite %6 s, razão %7); memória "
                              "residente +%8 MB (limite 200 MB, razão %9)")
                   .arg(QString::fromLatin1(formato))
                   .arg(f.qrREL().quantidade())
                   .arg(paginas)
                   .arg(QFile(caminho).size())
                   .arg(s, 0, 'f', 2)
                   .arg(limiteS)
                   .arg(s / limiteS, 0, 'f', 2)
                   .arg((maximo - antes) / 1024.0, 0, 'f', 1)
                   .arg((maximo - antes) / 1024.0 / 200, 0, 'f', 2)
            << Qt::endl;
    };
    exportar("pdf", 15);
    exportar("txt", 5);

    // The preview's first page, right after a search.
    f.Pesquisar();
    {
        FonteConjunto fonte(f.qrREL());
        RenderizadorRelatorio r(LayoutRelatorio::listagem("ReportCCartao", "mês", "Data / Hora", "Bench"),
                                fonte);
        QElapsedTimer t;
        t.start();
        TfmVisualizacao v(r);
        v.show();
        QCoreApplication::processEvents();
        const double ms = t.nsecsElapsed() / 1e6;
        out << QStringLiteral("visualização: primeira página em %1 ms (limite 1000 ms, razão %2)")
                   .arg(ms, 0, 'f', 1)
                   .arg(ms / 1000, 0, 'f', 2)
            << Qt::endl;
    }
    return 0;
}
