#pragma once
#include <QStringList>

namespace portaris {

// "YYYY-MM-DD HH:MM : " from the program's clock.
QString LinhaLog();

// Adds each entry (stamped with LinhaLog) and then `linhasVazias` empty lines to Portaris.log.
// The file is appended to, never rewritten; throws std::runtime_error when it cannot be written.
void GravarLog(const QStringList& entradas, int linhasVazias = 1);

// Where the log lives (the program folder).
QString CaminhoLog();

} // namespace portaris
