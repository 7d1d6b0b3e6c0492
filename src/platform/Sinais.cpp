#include "Sinais.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace portaris {

namespace {

int g_sinal[2] = {-1, -1};
int g_codigo = 3;

void aoSinal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_sinal[1], &c, 1);
}

} // namespace

void TerminarComSinais(QObject* dono, int codigo) {
    g_codigo = codigo;
    if (g_sinal[0] < 0) {
        if (::pipe2(g_sinal, O_CLOEXEC | O_NONBLOCK) != 0) return;
        auto* n = new QSocketNotifier(g_sinal[0], QSocketNotifier::Read, dono);
        QObject::connect(n, &QSocketNotifier::activated, dono, [] {
            char c;
            while (::read(g_sinal[0], &c, 1) > 0) {
            }
            QCoreApplication::exit(g_codigo);
        });
    }
    struct sigaction sa {};
    sa.sa_handler = aoSinal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

} // namespace portaris
