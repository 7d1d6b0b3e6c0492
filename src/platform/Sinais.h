#pragma once
#include <QObject>

namespace portaris {

// SIGTERM and SIGINT end the event loop with `codigo`, so a program stopped by its id closes its
// windows and detaches as usual. The Firebird engine takes those signals for its own shutdown and
// leaves the process running: call this again once the engine is loaded.
void TerminarComSinais(QObject* dono, int codigo = 3);

} // namespace portaris
