// A site of N stations on one Firebird server, each a process of its own as on its own PC:
//   bench_estacoes [--estacoes 1,2,4,8] [--cartoes N] [--titulares N] [--intervalo MS [--aleatorio]]
// Without --intervalo each station presents its next card as soon as the last one's relay closed
// (the most a station can be asked); with it, one card every MS milliseconds at every station, all in
// step, so the same holder still meets itself at several stations in the same instant. With
// --aleatorio the cards come as people do, at random moments, MS apart on average at each station,
// and the stations meet only when chance has it.
// Starts a private server (scripts/firebird-servidor.sh) and, for each N, N station processes (this
// program with --estacao): the real engine, a simulator of its own paced at 19200 baud, its own
// station identifier, program folder and passive reader. Their holders are drawn from one shared set
// in the same order, so the same holder passes at several stations at once; odd stations are
// entrances and even ones exits, so each pass writes the holder's position and their units of work
// meet on the same rows. One more process plays an operator editing those holders and toggling
// their enablings through the datasets while the cards pass. Prints, per station, rows stored per
// card presented, conflicts met, tries repeated, boxes, card reply → relay p50/p99, and the server's
// processor time; then each N's worst p99 against N = 1's. Each station also watches for pauses of
// the machine itself (a thread that only sleeps 2 ms, stopped for more than 7): a virtual machine
// whose processors are taken away for tens of milliseconds every few seconds stops every program
// alike, and the cards caught in one are counted apart, with the p99 of the others. Each card's time
// is split into the verdict's queries, the row's statements, the commit and the rest, and the
// database disk's synchronous write is measured first: on most machines the commit's page writes
// make the slowest cards.
#include "SemJanelas.h"
#include "ServidorBench.h"
#include "SementeBench.h"
#include "Simulador.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QWaitCondition>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace portaris;
using bench::SemJanelas;

namespace {

QString opcao(const QStringList& a, const char* nome, const QString& padrao = {}) {
    const qsizetype i = a.indexOf(QString::fromLatin1(nome));
    return i >= 0 && i + 1 < a.size() ? a[i + 1] : padrao;
}

QString idEstacao(int i) {
    return QStringLiteral("5E0%1").arg(i, 5, 16, QLatin1Char('0')).toUpper();
}

QList<QByteArray> estadoDoProcesso(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray s = f.readAll();
    return s.mid(s.lastIndexOf(')') + 2).split(' ');
}

// Clock ticks of processor time a process has used (user + system).
qint64 ticksDoProcesso(qint64 pid) {
    const QList<QByteArray> campos = estadoDoProcesso(pid);
    return campos.value(11).toLongLong() + campos.value(12).toLongLong();
}

// Page faults a process waited on the disk for: a machine that drops its page cache under the
// processes stalls them for tens of milliseconds, whatever the program does.
qint64 faltasDePaginaNoDisco(qint64 pid) {
    return estadoDoProcesso(pid).value(9).toLongLong();
}

// The verdict's reads, timed: what of card → relay is spent asking the server before the row is stored.
class ProcedimentosCronometrados : public Procedimentos {
public:
    explicit ProcedimentosCronometrados(Procedimentos& p) : m_p(p) {}
    QVariantMap executar(const QString& procedimento, const QVariantMap& entradas) override {
        QElapsedTimer t;
        t.start();
        QVariantMap r = m_p.executar(procedimento, entradas);
        nanos += t.nsecsElapsed();
        ++chamadas;
        return r;
    }
    QList<QVariantMap> executarJuntos(const QList<ChamadaProcedimento>& lote) override {
        QElapsedTimer t;
        t.start();
        QList<QVariantMap> r = m_p.executarJuntos(lote);
        nanos += t.nsecsElapsed();
        ++chamadas;
        return r;
    }
    qint64 nanos = 0;
    int chamadas = 0;

private:
    Procedimentos& m_p;
};

// The database disk's synchronous page write, as the server makes it with forced writes: a card's
// commit writes six pages in a row (the row's, its indexes', the transaction's; counted with strace
// on the server), each waiting for the disk.
QString discoDoBanco(const QString& pasta) {
    const QByteArray caminho = (pasta + QStringLiteral("/disco.tmp")).toLocal8Bit();
    const int fd = ::open(caminho.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_DSYNC, 0600);
    if (fd < 0) return QStringLiteral("não medido (%1)").arg(QString::fromLocal8Bit(strerror(errno)));
    QByteArray pagina(8192, 'p');
    constexpr int Paginas = 64, Escritas = 1200;
    for (int k = 0; k < Paginas; ++k)
        (void)!::pwrite(fd, pagina.constData(), pagina.size(), off_t(k) * pagina.size());
    QList<double> uma, seis;
    double grupo = 0;
    QElapsedTimer t;
    for (int k = 0; k < Escritas; ++k) {
        t.start();
        (void)!::pwrite(fd, pagina.constData(), pagina.size(), off_t(k * 7 % Paginas) * pagina.size());
        uma << t.nsecsElapsed() / 1e6;
        grupo += uma.last();
        if (k % 6 == 5) {
            seis << grupo;
            grupo = 0;
        }
    }
    ::close(fd);
    ::unlink(caminho.constData());
    return QStringLiteral(
               "uma página p50 %1 ms, p99 %2 ms, p99,9 %3 ms; seis em seguida p50 %4 ms, p99 %5 ms")
        .arg(bench::pct(uma, 0.5), 0, 'f', 2)
        .arg(bench::pct(uma, 0.99), 0, 'f', 2)
        .arg(bench::pct(uma, 0.999), 0, 'f', 2)
        .arg(bench::pct(seis, 0.5), 0, 'f', 2)
        .arg(bench::pct(seis, 0.99), 0, 'f', 2);
}

// One station process: connects, waits for "go" on its input, presents the cards, prints its figures.
int estacao(const QStringList& a) {
    const int i = opcao(a, "--estacao").toInt();
    const int cartoes = opcao(a, "--cartoes").toInt(), titulares = opcao(a, "--titulares").toInt();
    const int intervalo = opcao(a, "--intervalo", "0").toInt();
    const bool aleatorio = a.contains("--aleatorio");
    cfg::firebird_server.gravar("remote");
    cfg::firebird_servername.gravar(opcao(a, "--servidor"));
    cfg::firebird_databasefile.gravar(opcao(a, "--banco"));
    cfg::firebird_password.gravar(opcao(a, "--senha"));
    cfg::outros_nomecomputador.gravar(QStringLiteral("Estacao %1").arg(i));
    sim::Simulador simulador{19200, true};
    ArquivoIni::config().GravarTexto("portas", "com1", simulador.abrirBarramento(1));
    simulador.adicionar(1, sim::Modelo::Leitora71, 200);
    QElapsedTimer relogio;
    relogio.start();
    QMutex trava;
    qint64 ultimoTx = 0;
    QList<double> ms;
    QList<QPair<qint64, qint64>> janelas; // each card's reply → relay, on `relogio`
    std::atomic<int> reles{0};
    QWaitCondition chegou; // a relay pulse, so the next card waits without spinning
    simulador.aoRegistrar([&](const sim::Registro& r) {
        const qint64 agora = relogio.nsecsElapsed();
        QMutexLocker l(&trava);
        if (r.evento == QLatin1String("tx") && r.descricao.startsWith(QLatin1String("'A'"))) ultimoTx = agora;
        if (r.evento == QLatin1String("rele")) {
            ms << (agora - ultimoTx) / 1e6;
            janelas << qMakePair(ultimoTx, agora);
            ++reles;
            chegou.wakeAll();
        }
    });
    bench::OperadorContador operador;
    definirOperador(&operador);
    SemJanelas ui;
    TdmPORTARIS dm;
    DispositivosEstacao disp;
    dm.aoConectarInicial = [&] { disp.Carregar(dm); };
    QTextStream out(stdout);
    if (!dm.CONECTAR("ptconfig.ini", true) || disp.lista.size() != 1 || !DispositivoRespondeu(disp.lista[0])) {
        out << "ERRO estação " << i << ": " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    ProcedimentosBanco banco(dm, false);
    ProcedimentosCronometrados procs(banco);
    MotorVeredito veredito(procs, ui);
    MotorAcesso motor(dm, veredito, disp);
    motor.definirJanelaRepeticao(0);
    disp.definirMotor(motor);
    // Each card that reached its relay: the verdict's queries, the row's statements and the commit, in ms.
    QList<std::array<double, 3>> fases;
    // A few cards first: statements prepared, the server's caches warm, as at a station running
    // for a while.
    const auto apresentar = [&](int c, int& perdidos) {
        const qint64 vereditoAntes = procs.nanos;
        simulador.comando(QStringLiteral("cartao 1 200 %1").arg(bench::cartao(1 + c % titulares)));
        // As the console's polling tick: the card's unit started ahead, then the reader read.
        motor.PrepararUnidade();
        disp.Sondar(disp.lista[0]);
        {
            // Sixteen stations spinning on one machine's two cores would measure themselves.
            QMutexLocker l(&trava);
            QDeadlineTimer prazo(3000);
            while (reles < c + 1 - perdidos && !prazo.hasExpired())
                chegou.wait(&trava, prazo);
        }
        if (reles < c + 1 - perdidos) {
            ++perdidos;
        } else {
            const auto g = motor.ultimaGravacao();
            fases.append({(procs.nanos - vereditoAntes) / 1e6, g.linhaNs / 1e6, g.confirmacaoNs / 1e6});
        }
        simulador.comando(QStringLiteral("cartao 1 200 -"));
    };
    int perdidos = 0;
    for (int c = 0; c < 10; ++c)
        apresentar(c, perdidos);
    out << "PRONTA" << Qt::endl;
    std::string linha;
    std::getline(std::cin, linha); // "go"
    {
        QMutexLocker l(&trava);
        ms.clear();
        janelas.clear();
        fases.clear();
        reles = 0;
    }
    // A thread that only sleeps 2 ms at a time: whatever stops it for longer is the
    // machine (a virtual processor taken away), not the station. Cards caught in such a pause are
    // told apart so the figures show what is the program's.
    std::atomic<bool> medindo{true};
    QList<QPair<qint64, qint64>> pausas;
    std::thread sentinela([&] {
        while (medindo) {
            const qint64 antes = relogio.nsecsElapsed();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const qint64 depois = relogio.nsecsElapsed();
            if (depois - antes > 7000000) pausas << qMakePair(antes, depois);
        }
    });
    perdidos = 0;
    procs.nanos = 0;
    procs.chamadas = 0;
    const qint64 cpuAntes = ticksDoProcesso(getpid()), faltasAntes = faltasDePaginaNoDisco(getpid());
    QRandomGenerator sorteio(static_cast<quint32>(i));
    double vez = -intervalo; // the first card at once
    QElapsedTimer passo;
    passo.start();
    for (int c = 0; c < cartoes; ++c) {
        if (intervalo > 0) {
            // Arrivals of a Poisson process: exponential gaps, each station with a sequence of its own.
            vez += aleatorio ? -std::log(1.0 - sorteio.generateDouble()) * intervalo : intervalo;
            const qint64 falta = qint64(vez) - passo.elapsed();
            if (falta > 0) QThread::msleep(static_cast<unsigned long>(falta));
        }
        apresentar(c, perdidos);
    }
    const double cpuMs = (ticksDoProcesso(getpid()) - cpuAntes) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    medindo = false;
    sentinela.join();
    QMutexLocker l(&trava);
    QList<double> foraDasPausas;
    double maiorPausa = 0;
    for (const auto& [a, b] : pausas)
        maiorPausa = std::max(maiorPausa, (b - a) / 1e6);
    for (qsizetype k = 0; k < janelas.size(); ++k) {
        bool atingido = false;
        for (const auto& [a, b] : pausas)
            atingido = atingido || (a < janelas[k].second && b > janelas[k].first);
        if (!atingido) foraDasPausas << ms[k];
    }
    // Where each card's time went, the rest being the reply read, the relay's exchange on the line and
    // waits for a processor; and, over the slowest 5 % of cards, each part's total.
    QList<double> partes[4];
    double lentos[4] = {};
    const double corte = bench::pct(ms, 0.95);
    for (qsizetype k = 0; k < std::min(ms.size(), fases.size()); ++k) {
        const auto& [v, lin, conf] = fases[k];
        const double p[4] = {v, lin, conf, ms[k] - v - lin - conf};
        for (int j = 0; j < 4; ++j) {
            partes[j] << p[j];
            if (ms[k] >= corte) lentos[j] += p[j];
        }
    }
    QStringList tempos, somas;
    for (int j = 0; j < 4; ++j) {
        tempos << QString::number(bench::pct(partes[j], 0.5), 'f', 2)
               << QString::number(bench::pct(partes[j], 0.99), 'f', 2);
        somas << QString::number(lentos[j], 'f', 1);
    }
    out << QStringLiteral("RESULTADO %1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14 %15 %16")
               .arg(i)
               .arg(motor.conflitos())
               .arg(motor.repeticoes())
               .arg(ui.caixas.load() + operador.mensagens.load())
               .arg(ms.size())
               .arg(bench::pct(ms, 0.5), 0, 'f', 2)
               .arg(bench::pct(ms, 0.99), 0, 'f', 2)
               .arg(bench::pct(ms, 1.0), 0, 'f', 2)
               .arg(perdidos)
               .arg(procs.nanos / 1e6 / std::max(1, cartoes), 0, 'f', 2)
               .arg(double(procs.chamadas) / std::max(1, cartoes), 0, 'f', 1)
               .arg(cpuMs / std::max(1, cartoes), 0, 'f', 2)
               .arg(faltasDePaginaNoDisco(getpid()) - faltasAntes)
               .arg(pausas.size())
               .arg(maiorPausa, 0, 'f', 0)
               .arg(QStringLiteral("%1/%2")
                        .arg(bench::pct(foraDasPausas, 0.99), 0, 'f', 2)
                        .arg(ms.size() - foraDasPausas.size()))
        << ' ' << tempos.join(u',') << ' ' << somas.join(u',') << Qt::endl;
    definirOperador(nullptr);
    disp.FECHAR_PORTAS();
    return 0;
}

// The operator at another station: edits the same holders and toggles their enablings at a reader
// no station polls, through the datasets and the grid's unit of work, until told to stop.
int editor(const QStringList& a) {
    const int titulares = opcao(a, "--titulares").toInt();
    cfg::firebird_server.gravar("remote");
    cfg::firebird_servername.gravar(opcao(a, "--servidor"));
    cfg::firebird_databasefile.gravar(opcao(a, "--banco"));
    cfg::firebird_password.gravar(opcao(a, "--senha"));
    bench::OperadorContador operador;
    definirOperador(&operador);
    TdmPORTARIS dm;
    QTextStream out(stdout);
    if (!dm.CONECTAR("ptconfig.ini", true)) {
        out << "ERRO editor: " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    out << "PRONTA" << Qt::endl;
    std::string linha;
    std::getline(std::cin, linha); // "go"
    int edicoes = 0, falhas = 0, voltas = 0;
    // The stations are done when this file appears.
    const QString fim = opcao(a, "--fim");
    for (int k = 0; !QFile::exists(fim) && k < 1000000; ++k) {
        ++voltas;
        const int u = 1 + k % titulares;
        try {
            if (dm.setUSU.localizar(QStringLiteral("CHAVE"), u)) {
                dm.setUSU.editar();
                dm.setUSU.definir(QStringLiteral("NOME"), QStringLiteral("Titular %1 (%2)").arg(u).arg(k));
                dm.setUSU.gravar();
                ++edicoes;
            }
            Procedimento& p = dm.sp(k % 2 ? QStringLiteral("HABILITADO_APAGAR") : QStringLiteral("HABILITADO_INSERIR"));
            p.definir(QStringLiteral("PUCHAVE"), u);
            p.definir(QStringLiteral("PLCHAVE"), 999);
            if (!(k % 2)) p.definir(QStringLiteral("PMEMORIZAR"), 0);
            Unidade::gravar(dm.dbBANCO, [&] { p.executar(); });
            ++edicoes;
        } catch (const std::exception&) {
            ++falhas;
            if (dm.setUSU.emEdicao()) dm.setUSU.cancelar();
        }
        QThread::msleep(20);
    }
    out << QStringLiteral("EDITOR %1 %2 %3 %4").arg(edicoes).arg(falhas).arg(operador.mensagens.load()).arg(voltas)
        << Qt::endl;
    definirOperador(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.contains("--estacao")) {
        qputenv("PORTARIS_ESTACAO", idEstacao(opcao(a, "--estacao").toInt()).toLatin1());
        return estacao(a);
    }
    if (a.contains("--editor")) {
        qputenv("PORTARIS_ESTACAO", "5E0EEEEE");
        return editor(a);
    }

    QTextStream out(stdout);
    QList<int> ns;
    for (const QString& n : opcao(a, "--estacoes", "1,2,4,8").split(u','))
        ns << n.toInt();
    const int cartoes = opcao(a, "--cartoes", "300").toInt(), titulares = opcao(a, "--titulares", "20").toInt();
    const int maxN = *std::max_element(ns.begin(), ns.end());

    const bench::ServidorBench srv(QStringLiteral(PORTARIS_RAIZ "/scripts/firebird-servidor.sh"));
    if (!srv.ok()) {
        out << "servidor Firebird não iniciou: " << srv.erro << Qt::endl;
        return 1;
    }
    const QString servidor = srv.servidor, senha = srv.senha;
    const qint64 pidServidor = srv.pid;

    const QString arquivo = pasta.path() + "/estacoes.fdb";
    CriarBanco(arquivo, "SYSDBA", "masterkey");
    {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        for (int i = 1; i <= maxN; ++i)
            b.executar(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, "
                                      "DESABILITAR, CONFIRMARACESSO, IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, "
                                      "POSICAO, ID_LEITORAMAE, VISUALIZAR) VALUES (%1, 200, 'Entrada %1', 'COM1', "
                                      "'%2', '0', '0', '0', '0', '1', '%3', 0, '0')")
                           .arg(i)
                           .arg(idEstacao(i))
                           .arg(i % 2 ? 'E' : 'S'));
        QList<int> todas;
        for (int i = 1; i <= maxN; ++i)
            todas << i;
        for (int u = 1; u <= titulares; ++u)
            bench::titularSempre(b, u, todas);
        b.commit();
    }
    const QString intervalo = opcao(a, "--intervalo", "0");
    QStringList comuns{"--servidor", servidor, "--senha", senha, "--banco", arquivo, "--cartoes",
                             QString::number(cartoes), "--titulares", QString::number(titulares),
                             "--intervalo", intervalo};
    if (a.contains("--aleatorio")) comuns << "--aleatorio";
    out << "servidor " << servidor << ", " << titulares << " titulares em comum, " << cartoes
        << " cartões por estação"
        << (intervalo.toInt() <= 0             ? QStringLiteral(" sem pausa")
            : a.contains("--aleatorio") ? QStringLiteral(", em momentos ao acaso, %1 ms entre um e outro em média").arg(intervalo)
                                        : QStringLiteral(", um a cada %1 ms").arg(intervalo))
        << ", simuladores a 19200 baud, " << std::thread::hardware_concurrency() << " núcleos nesta máquina"
        << Qt::endl;
    out << "escrita síncrona no disco do banco: " << discoDoBanco(pasta.path()) << Qt::endl;

    double p99Um = 0, p99UmForaDasPausas = 0;
    bool ok = true;
    for (int n : ns) {
        std::vector<std::unique_ptr<QProcess>> procs;
        for (int i = 1; i <= n + 1; ++i) {
            auto q = std::make_unique<QProcess>();
            q->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QStringList args = comuns;
            if (i <= n)
                args << "--estacao" << QString::number(i);
            else
                args << "--editor" << "--fim" << pasta.path() + QStringLiteral("/fim-%1").arg(n);
            q->start(app.applicationFilePath(), args);
            procs.push_back(std::move(q));
        }
        bool prontas = true;
        for (auto& q : procs) {
            QElapsedTimer t;
            t.start();
            while (!q->readAllStandardOutput().contains("PRONTA") && t.elapsed() < 60000) {
                if (q->state() == QProcess::NotRunning) break;
                q->waitForReadyRead(200);
            }
            prontas = prontas && q->state() == QProcess::Running;
        }
        if (!prontas) {
            out << "N = " << n << ": uma estação não ficou pronta" << Qt::endl;
            for (auto& q : procs)
                q->kill();
            return 1;
        }
        // Rows stored from here on are this run's: the warm-up cards and earlier runs stay in the
        // log, as at a site, and no sweep of deleted rows runs under the measurement.
        qint64 primeiraChave = 0;
        {
            Banco b;
            b.conectar(servidor + ':' + arquivo, "SYSDBA", senha);
            primeiraChave = b.gerador(QStringLiteral("GEN_CHAVE_ACESSO"), 0) + 1;
        }
        const qint64 cpuAntes = ticksDoProcesso(pidServidor), faltasAntes = faltasDePaginaNoDisco(pidServidor);
        QElapsedTimer t;
        t.start();
        // All at once: a write to a process is delivered only while its pipe is served.
        for (auto& q : procs)
            q->write("go\n");
        for (auto& q : procs)
            q->waitForBytesWritten(5000);
        QStringList resultados;
        for (int i = 0; i < n; ++i) {
            procs[i]->waitForFinished(600000);
            for (const QString& l : QString::fromUtf8(procs[i]->readAllStandardOutput()).split(u'\n'))
                if (l.startsWith(QLatin1String("RESULTADO")) || l.startsWith(QLatin1String("ERRO"))) resultados << l;
        }
        const double segundos = t.elapsed() / 1000.0;
        const qint64 cpuDepois = ticksDoProcesso(pidServidor);
        const qint64 faltasServidor = faltasDePaginaNoDisco(pidServidor) - faltasAntes;
        QFile(pasta.path() + QStringLiteral("/fim-%1").arg(n)).open(QIODevice::WriteOnly);
        procs[n]->waitForFinished(60000);
        const QString editorLinha = QString::fromUtf8(procs[n]->readAllStandardOutput()).section(QStringLiteral("EDITOR "), 1).trimmed();
        const double cpuServidor = (cpuDepois - cpuAntes) / double(sysconf(_SC_CLK_TCK));

        Banco b;
        b.conectar(servidor + ':' + arquivo, "SYSDBA", senha);
        out << QStringLiteral("\nN = %1: %2 s; processador do servidor %3 s (%4 % de um núcleo); operador editando: %5 "
                              "gravações, %6 falhas, %7 caixas")
                   .arg(n)
                   .arg(segundos, 0, 'f', 1)
                   .arg(cpuServidor, 0, 'f', 1)
                   .arg(100.0 * cpuServidor / segundos, 0, 'f', 0)
                   .arg(editorLinha.section(u' ', 0, 0), editorLinha.section(u' ', 1, 1), editorLinha.section(u' ', 2, 2))
            << QStringLiteral(" em %1 voltas; páginas que o servidor esperou ler do disco: %2")
                   .arg(editorLinha.section(u' ', 3, 3))
                   .arg(faltasServidor)
            << Qt::endl;
        double pior = 0, piorForaDasPausas = 0;
        double lentos[4] = {};
        for (const QString& r : resultados) {
            const QStringList c = r.split(u' ');
            if (c.value(0) != QLatin1String("RESULTADO")) {
                out << "  " << r << Qt::endl;
                ok = false;
                continue;
            }
            const int linhas =
                b.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO WHERE COMPUTADOR = 'Estacao %1' AND CHAVE >= %2")
                            .arg(c[1])
                            .arg(primeiraChave))
                    .toInt();
            const double p99 = c[7].toDouble();
            pior = std::max(pior, p99);
            out << QStringLiteral("  estação %1: linhas por cartão %2 (%3 de %4), conflitos %5, repetições %6, caixas %7, "
                                  "relés %8, sem relé %9; cartão → relé p50 %10 ms p99 %11 ms máx %12 ms; consultas do veredito %13 ms "
                                  "(%14 chamadas), processador da estação %15 ms por cartão, páginas lidas do disco %16; "
                                  "pausas da máquina %17 (a maior %18 ms), %19 cartões nelas, p99 dos outros %20 ms")
                       .arg(c[1])
                       .arg(double(linhas) / cartoes, 0, 'f', 4)
                       .arg(linhas)
                       .arg(cartoes)
                       .arg(c[2], c[3], c[4], c[5], c[9], c[6], c[7], c[8])
                       .arg(c[10], c[11], c[12], c[13])
                       .arg(c[14], c[15], c[16].section(u'/', 1), c[16].section(u'/', 0, 0))
                << Qt::endl;
            const QStringList t = c.value(17).split(u','), l = c.value(18).split(u',');
            out << QStringLiteral(
                       "    onde vai o tempo, p50/p99: consultas do veredito %1/%2 ms, linha %3/%4 ms, "
                       "confirmação %5/%6 ms, o resto (leitura, relé na linha, espera por um processador) "
                       "%7/%8 ms")
                       .arg(t.value(0), t.value(1), t.value(2), t.value(3), t.value(4), t.value(5),
                            t.value(6), t.value(7))
                << Qt::endl;
            for (int j = 0; j < 4; ++j)
                lentos[j] += l.value(j).toDouble();
            piorForaDasPausas = std::max(piorForaDasPausas, c[16].section(u'/', 0, 0).toDouble());
            ok = ok && linhas == cartoes && c[4].toInt() == 0;
        }
        if (n == ns.first()) {
            p99Um = pior;
            p99UmForaDasPausas = piorForaDasPausas;
        }
        const auto comparar = [&](const QString& titulo, double p99, double deUm) {
            out << QStringLiteral("  %1 %2 ms = %3× o de N = %4 (limite 1,5×) e %5× de 10 ms")
                       .arg(titulo)
                       .arg(p99, 0, 'f', 2)
                       .arg(deUm > 0 ? p99 / deUm : 0, 0, 'f', 2)
                       .arg(ns.first())
                       .arg(p99 / 10.0, 0, 'f', 2)
                << Qt::endl;
        };
        comparar(QStringLiteral("pior p99"), pior, p99Um);
        comparar(QStringLiteral("fora das pausas da máquina: pior p99"), piorForaDasPausas,
                 p99UmForaDasPausas);
        const double total = lentos[0] + lentos[1] + lentos[2] + lentos[3];
        const auto parte = [&](int j) {
            return QString::number(total > 0 ? 100.0 * lentos[j] / total : 0, 'f', 0);
        };
        out << QStringLiteral(
                   "  nos 5 % de cartões mais lentos de cada estação, o tempo foi: confirmação %1 %, "
                   "consultas do veredito %2 %, linha %3 %, o resto %4 %")
                   .arg(parte(2), parte(0), parte(1), parte(3))
            << Qt::endl;
    }
    out << (ok ? "\ntodas as linhas gravadas uma vez, nenhuma caixa" : "\nHOUVE FALHAS") << Qt::endl;
    return ok ? 0 : 1;
}
