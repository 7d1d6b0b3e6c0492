#pragma once
#include <QDateTime>

namespace portaris {

// Setting the computer's local date and time. Behind an interface so that tests never move the
// clock of the machine they run on.
class RelogioSistema {
public:
    virtual ~RelogioSistema() = default;
    // False when the platform refuses (no rights); callers do not report it.
    virtual bool definirHoraLocal(const QDateTime& local) = 0;
};

// The program's system clock: the real one unless a test installs another (not owned).
RelogioSistema& relogioSistema();
void definirRelogioSistema(RelogioSistema* r);

} // namespace portaris
