// portaris-sim: serves the simulated devices until stdin closes or a stop signal arrives.
#include "Simulador.h"

#include <QFile>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using portaris::sim::Simulador;

namespace {
int g_sinal[2] = {-1, -1};

void aoSinal(int) {
    const char x = 's';
    [[maybe_unused]] const ssize_t r = ::write(g_sinal[1], &x, 1);
}

void uso() {
    std::fputs("uso: portaris-sim [--baud 19200] [--ritmo] [--verbose] [--script F] "
               "COMn:modelo:cabeca[,modelo:cabeca...]...\n"
               "     modelos: qx71, qx64ax, qx64c\n",
               stderr);
}

void escrever(FILE* f, const QString& texto) {
    std::fputs(texto.toUtf8().constData(), f);
    std::fputc('\n', f);
    std::fflush(f);
}

struct Dispositivo {
    int com;
    portaris::sim::Modelo modelo;
    int cabeca;
};

bool lerEspec(const QString& espec, QList<Dispositivo>& saida) {
    const int dois = espec.indexOf(QLatin1Char(':'));
    if (dois < 0 || !espec.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) return false;
    bool ok = false;
    const int com = espec.mid(3, dois - 3).toInt(&ok);
    if (!ok || com < 1) return false;
    for (const QString& item : espec.mid(dois + 1).split(QLatin1Char(','))) {
        const QStringList p = item.split(QLatin1Char(':'));
        if (p.size() != 2) return false;
        const auto modelo = Simulador::modeloPorNome(p[0]);
        const int cabeca = p[1].toInt(&ok);
        if (!modelo || !ok || cabeca < 0 || cabeca > 255) return false;
        saida.append({com, *modelo, cabeca});
    }
    return true;
}
} // namespace

int main(int argc, char** argv) {
    int baud = 19200;
    bool ritmo = false, verbose = false;
    QString script;
    QList<Dispositivo> dispositivos;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--baud") && i + 1 < argc) {
            bool ok = false;
            baud = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || baud < 50) {
                uso();
                return 2;
            }
        } else if (a == QLatin1String("--ritmo")) {
            ritmo = true;
        } else if (a == QLatin1String("--verbose")) {
            verbose = true;
        } else if (a == QLatin1String("--script") && i + 1 < argc) {
            script = QString::fromLocal8Bit(argv[++i]);
        } else if (!lerEspec(a, dispositivos)) {
            std::fprintf(stderr, "portaris-sim: argumento inválido: %s\n", argv[i]);
            uso();
            return 2;
        }
    }
    if (dispositivos.isEmpty()) {
        uso();
        return 2;
    }

    if (::pipe2(g_sinal, O_CLOEXEC) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = aoSinal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Simulador sim(baud, ritmo);
    for (const Dispositivo& d : dispositivos) {
        if (sim.abrirBarramento(d.com).isEmpty()) {
            std::fprintf(stderr, "portaris-sim: não foi possível criar o pseudo-terminal de COM%d\n", d.com);
            return 1;
        }
        sim.adicionar(d.com, d.modelo, d.cabeca);
    }
    if (verbose)
        sim.aoRegistrar([](const portaris::sim::Registro& r) { escrever(stderr, Simulador::formatar(r)); });

    if (!script.isEmpty()) {
        QFile f(script);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "portaris-sim: não abre o script %s\n", qPrintable(script));
            return 2;
        }
        int numeroLinha = 0;
        while (!f.atEnd()) {
            const QString linha = QString::fromUtf8(f.readLine()).trimmed();
            ++numeroLinha;
            const QString r = sim.comando(linha);
            if (r.startsWith(QLatin1String("erro"))) {
                std::fprintf(stderr, "%s:%d: %s\n", qPrintable(script), numeroLinha, qPrintable(r));
                return 2;
            }
            if (r != QLatin1String("ok")) escrever(stderr, r);
        }
    }

    for (int com : sim.barramentos())
        escrever(stdout, QStringLiteral("COM%1=%2").arg(com).arg(sim.caminho(com)));
    escrever(stdout, QStringLiteral("PRONTO"));

    QByteArray pendente;
    for (;;) {
        pollfd fds[2] = {{0, POLLIN, 0}, {g_sinal[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) break;
        if (!fds[0].revents) continue;
        char buf[4096];
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) break;
        pendente.append(buf, int(n));
        int fim;
        while ((fim = pendente.indexOf('\n')) >= 0) {
            const QString linha = QString::fromUtf8(pendente.left(fim)).trimmed();
            pendente.remove(0, fim + 1);
            if (linha == QLatin1String("sair")) return 0;
            escrever(stdout, sim.comando(linha));
        }
    }
    return 0;
}
