#pragma once
// The card of the newest event stored in a controller, for the card fields of the registration
// panels. Shows its own messages and then waits one second, as the menu entry does.
#include <QList>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QObject;

namespace portaris {

class TControladora;

// The controllers whose CabecaRef equals `cabecaRef` are read in order; the last card read is
// returned ("0000" + six upper-case hexadecimal digits), empty when none was.
QString LerUltimoCartao(const QList<TControladora*>& controladoras, int cabecaRef);

// The card-field menu's items, one per controller captioned with its description, replacing those
// in `itens`; choosing one calls `ler` with the controller's CabecaRef.
void ItensControladoras(QMenu* menu, QList<QAction*>& itens, const QList<TControladora*>& controladoras,
                        QObject* dono, const std::function<void(int cabecaRef)>& ler);

} // namespace portaris
