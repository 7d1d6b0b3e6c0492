#pragma once
// The card of the newest event stored in a controller, for the card fields of the registration
// panels. Shows its own messages and then waits one second, as the menu entry does.
#include <QList>
#include <QString>

namespace portaris {

class TControladora;

// The controllers whose CabecaRef equals `cabecaRef` are read in order; the last card read is
// returned ("0000" + six upper-case hexadecimal digits), empty when none was.
QString LerUltimoCartao(const QList<TControladora*>& controladoras, int cabecaRef);

} // namespace portaris
