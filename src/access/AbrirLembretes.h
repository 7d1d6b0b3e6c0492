#pragma once
#include <QString>

namespace portaris {

// Starts the messages program for a holder (key 0: without one). When a window of that program
// already shows this holder (titled with the name), it is brought to the front instead.
// A failure to start is not reported. Returns true when a window was brought to the front.
bool AbrirLembretes(int chave, const QString& nome);

// The program started: <program folder>/Lembretes when present, else the stand-in built beside us.
QString ProgramaLembretes();

} // namespace portaris
