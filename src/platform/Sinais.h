#pragma once
#include <QObject>
#include <functional>

namespace portaris {

// SIGTERM and SIGINT run `aoSinal` on the thread of `dono` (from its event loop, never inside the
// signal handler). The Firebird engine takes those signals for its own shutdown and leaves the
// process running: call this again once the engine is loaded (the latest `aoSinal` holds), or hold
// the signals back while it loads (below).
void TerminarComSinais(QObject* dono, std::function<void()> aoSinal);
// The same, ending the event loop with `codigo`, so a program stopped by its id closes its windows
// and detaches as usual.
void TerminarComSinais(QObject* dono, int codigo = 3);

// Holds SIGTERM and SIGINT back in the calling thread and in every thread it starts from then on
// (call it first in main, before any thread), so none reaches the engine's handlers.
void ReterSinais();
// Once the engine is loaded: puts the handlers of TerminarComSinais back and lets the signals in
// again on the calling thread; one that came meanwhile is answered now. The threads started while
// they were held keep them out, so they reach this thread alone.
void LiberarSinais();

} // namespace portaris
