#pragma once
#include <QString>

namespace portaris {

// Programs of this installation that must be found again "by window title" (the messages program)
// listen on a local socket named after that title; finding the window is connecting to it, and
// writing "frente\n" brings it to the front.
QString CanalDaJanela(const QString& titulo);

} // namespace portaris
