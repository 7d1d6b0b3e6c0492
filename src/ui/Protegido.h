#pragma once
// The boundary of a handler of a panel or the console (a slot, an event, a timer): whatever it reaches may fail
// (the database, a device, a file). The error is shown as a coded message and goes no further, so
// the program keeps running; the silent stop was already shown by the rule that raised it.
#include "db/Firebird.h"
#include "platform/Mensagens.h"

namespace portaris {

// Returns whether `f` ran to its end.
template <class F> bool Protegido(F&& f) {
    try {
        f();
        return true;
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        MostrarMensagem(QStringLiteral("Erro inesperado."));
    }
    return false;
}

} // namespace portaris
