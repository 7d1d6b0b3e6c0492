// The registration panels on the benchmark installation (100,000 holders with photos, 200 readers
// of this station), against the limits a condominium of that size must still meet:
//   bench_cadastro [--banco FILE] [--passos N] [--vezes N]
// --banco FILE keeps the seeded database in FILE and reuses it on the next run.
#include "SementeBench.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "registration/TfmBUSCA.h"
#include "registration/TfmHABILITAR_LISTA.h"
#include "shell/Cadastros.h"
#include "shell/uPORTARIS.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

using namespace portaris;

namespace {

struct OperadorMudo : Operador {
    Resposta exibir(const MensagemCodificada&) override { return Resposta::OK; }
};

double rssMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:")) return l.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Everything queued runs and the window is drawn, as the operator would see it.
void desenhar(QWidget* w) {
    QCoreApplication::processEvents();
    w->repaint();
}

double ms(QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    qputenv("PORTARIS_ESTACAO", "BE0C0001");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList a = app.arguments();
    auto opt = [&](const char* n, int d) {
        const int i = a.indexOf(QString::fromLatin1(n));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : d;
    };
    const int passos = opt("--passos", 1000), vezes = opt("--vezes", 5);
    const int usuarios = 100000, dispositivos = 200;
    OperadorMudo operador;
    definirOperador(&operador);

    const bool reusar = a.contains("--banco");
    const QString arquivo = reusar ? a[a.indexOf("--banco") + 1] : pasta.path() + "/bench.fdb";
    if (!QFile::exists(arquivo)) {
        CriarBanco(arquivo, "SYSDBA", "masterkey");
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        bench::semear(b, usuarios, dispositivos, 20000, 4, out);
    }
    {
        // Every reader belongs to this station, so the readers grid has its 200 rows; the holders
        // walked through get real pictures (the seed's photos are bytes of the right size only).
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        b.executar("UPDATE LEITORA SET SERIALNUM = 'BE0C0001'");
        QImage img(105, 210, QImage::Format_RGB888);
        img.fill(QColor(120, 160, 200));
        QByteArray bmp;
        QBuffer buf(&bmp);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "BMP");
        QList<int> primeiros;
        Comando q(b, "SELECT FIRST 3000 CHAVE FROM USUARIO ORDER BY NOME");
        q.abrir();
        while (q.proximo())
            primeiros << q.campo(0).toInt();
        q.fechar();
        Comando foto(b, "UPDATE USUARIO SET FOTO = :F WHERE CHAVE = :K");
        foto.definir("F", bmp);
        for (int k : primeiros) {
            foto.definir("K", k);
            foto.executar();
        }
        b.commit();
    }
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar("masterkey");

    TdmPORTARIS dm;
    if (!dm.CONECTAR("ptconfig.ini", true)) {
        out << "sem conexão: " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    // The dataset alone, before any panel listens to it: what entering the panel cannot go under.
    QList<double> reabrir;
    for (int i = 0; i < vezes; ++i) {
        QElapsedTimer t;
        t.start();
        dm.setUSU.fechar();
        dm.setUSU.abrir();
        reabrir << ms(t);
    }
    const double rssAntes = rssMb();
    TfmPRS w(dm, nullptr, {});
    Sessao s;
    s.login = "admin";
    for (bool& n : s.niveis)
        n = true;
    w.definirSessao(s);
    w.atualizarAoEntrar = [] { return true; };
    const Cadastros c = CriarCadastros(w, dm, {}, {}, true);
    w.show();
    desenhar(&w);
    out << "titulares: " << dm.setUSU.quantidade()
        << ", linhas da grade de leitoras: " << c.usuarios->gdLEI->rowCount() << Qt::endl;

    QList<double> entrar;
    for (int i = 0; i < vezes; ++i) {
        w.btACE->click();
        desenhar(&w);
        QElapsedTimer t;
        t.start();
        w.btUSU->click();
        desenhar(&w);
        entrar << ms(t);
    }

    dm.setUSU.primeiro();
    desenhar(&w);
    QList<double> mover;
    for (int i = 0; i < passos; ++i) {
        QElapsedTimer t;
        t.start();
        dm.setUSU.proximo();
        desenhar(&w);
        mover << ms(t);
    }

    QList<double> lista;
    for (int i = 0; i < vezes; ++i) {
        QElapsedTimer t;
        t.start();
        c.usuarios->alternarListaNomes();
        desenhar(&w);
        lista << ms(t);
        c.usuarios->alternarListaNomes();
        desenhar(&w);
    }

    QList<double> busca;
    for (int i = 0; i < vezes; ++i) {
        TfmBUSCA b(
            dm, [&](qint64 k) { return c.usuarios->posicionar(k); }, &w);
        b.show();
        desenhar(&b);
        b.edREF->setText(QStringLiteral("Morador número %1").arg(5 + i));
        QElapsedTimer t;
        t.start();
        b.Buscar();
        desenhar(&b);
        busca << ms(t);
    }

    QList<double> preencher, aplicar;
    for (int i = 0; i < vezes; ++i) {
        TfmHABILITAR_LISTA j(dm, false, 1, "129", "Leitora 1", &w);
        QElapsedTimer t;
        t.start();
        j.Preencher();
        j.show();
        desenhar(&j);
        preencher << ms(t);
        for (int r = 1; r < j.modelo()->rowCount(); r += 3)
            j.Alternar(r);
        int sim = 0;
        for (const auto& l : j.modelo()->linhas())
            sim += l.habilitado == QLatin1String("Sim");
        t.restart();
        j.Aplicar();
        aplicar << ms(t);
        const int gravados = dm.dbBANCO.valor("SELECT COUNT(*) FROM HABILITADO WHERE LCHAVE = 1").toInt();
        if (gravados != sim) {
            out << "a janela de lote gravou " << gravados << " habilitações em vez de " << sim << Qt::endl;
            return 1;
        }
        // The next round starts from the same enablings.
        dm.dbBANCO.rollbackRetaining();
    }
    const double rssDepois = rssMb();

    auto linha = [&](const QString& nome, const QList<double>& v, double p, double limite) {
        const double x = bench::pct(v, p);
        out << QStringLiteral("%1: %2 ms (p%3 de %4), limite %5 ms, razão %6")
                   .arg(nome)
                   .arg(x, 0, 'f', 1)
                   .arg(qRound(p * 100))
                   .arg(v.size())
                   .arg(limite)
                   .arg(x / limite, 0, 'f', 3)
            << Qt::endl;
    };
    linha("reabrir setUSU, sem painéis (referência)", reabrir, 1.0, 1000);
    linha("entrar em Usuários (recarregando)", entrar, 1.0, 1000);
    linha("próximo titular (marcas + foto)", mover, 0.99, 30);
    linha("abrir a lista de nomes", lista, 1.0, 300);
    linha("busca por início do nome", busca, 1.0, 100);
    linha("preencher a janela de lote", preencher, 1.0, 2000);
    linha("aplicar a janela de lote", aplicar, 1.0, 5000);
    out << QStringLiteral(
               "memória residente: %1 MB antes dos painéis, %2 MB depois; crescimento %3 MB, limite "
               "150 MB, razão %4")
               .arg(rssAntes, 0, 'f', 0)
               .arg(rssDepois, 0, 'f', 0)
               .arg(rssDepois - rssAntes, 0, 'f', 0)
               .arg((rssDepois - rssAntes) / 150.0, 0, 'f', 3)
        << Qt::endl;
    return 0;
}
