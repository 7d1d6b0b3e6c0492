#include "Sinais.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace portaris {

namespace {

int g_sinal[2] = {-1, -1};
std::function<void()> g_aoSinal;

void aoSinal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_sinal[1], &c, 1);
}

void instalar() {
    struct sigaction sa {};
    sa.sa_handler = aoSinal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

sigset_t sinais() {
    sigset_t s;
    sigemptyset(&s);
    sigaddset(&s, SIGTERM);
    sigaddset(&s, SIGINT);
    return s;
}

} // namespace

void TerminarComSinais(QObject* dono, std::function<void()> acao) {
    g_aoSinal = std::move(acao);
    if (g_sinal[0] < 0) {
        if (::pipe2(g_sinal, O_CLOEXEC | O_NONBLOCK) != 0) return;
        auto* n = new QSocketNotifier(g_sinal[0], QSocketNotifier::Read, dono);
        QObject::connect(n, &QSocketNotifier::activated, dono, [] {
            char c;
            while (::read(g_sinal[0], &c, 1) > 0) {
            }
            if (g_aoSinal) g_aoSinal();
        });
    }
    instalar();
}

void TerminarComSinais(QObject* dono, int codigo) {
    TerminarComSinais(dono, [codigo] { QCoreApplication::exit(codigo); });
}

void ReterSinais() {
    const sigset_t s = sinais();
    pthread_sigmask(SIG_BLOCK, &s, nullptr);
}

void LiberarSinais() {
    if (g_sinal[0] >= 0) instalar();
    const sigset_t s = sinais();
    pthread_sigmask(SIG_UNBLOCK, &s, nullptr);
}

} // namespace portaris
