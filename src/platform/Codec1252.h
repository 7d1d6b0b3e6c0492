#pragma once
#include <QByteArray>
#include <QString>

namespace portaris {

// Windows-1252 at the program's byte edges (remote records, controller transfer files, RTF).
// Characters the code page lacks become '?'; bytes it leaves undefined map to the same code point.
namespace Codec1252 {
QByteArray codificar(const QString& texto);
QString decodificar(const QByteArray& bytes);
} // namespace Codec1252

} // namespace portaris
