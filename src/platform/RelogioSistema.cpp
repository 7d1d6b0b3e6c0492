#include "RelogioSistema.h"

#include <ctime>

namespace portaris {

namespace {

class RelogioSistemaReal final : public RelogioSistema {
public:
    bool definirHoraLocal(const QDateTime& local) override {
        const qint64 ms = local.toMSecsSinceEpoch();
        timespec t{};
        t.tv_sec = static_cast<time_t>(ms / 1000);
        t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
        return clock_settime(CLOCK_REALTIME, &t) == 0;
    }
};

RelogioSistemaReal g_real;
RelogioSistema* g_atual = nullptr;

} // namespace

RelogioSistema& relogioSistema() {
    return g_atual ? *g_atual : g_real;
}

void definirRelogioSistema(RelogioSistema* r) {
    g_atual = r;
}

} // namespace portaris
