#pragma once
#include <QString>

namespace portaris {

// Eight upper-case hex digits naming this station: the 32-bit id of the file system holding "/"
// ($PORTARIS_ESTACAO overrides it); empty when nothing can be read. The drive letter is kept for
// the callers' sake and ignored.
QString IdentificadorEstacao(const QString& unidade = QStringLiteral("C"));
// The formatting rule alone, for tests: zero-padded, upper case.
QString formatarIdentificador(quint32 serial);

// COMn → device path: [portas] comN of ptconfig.ini, else /dev/ttyS{n-1}; empty outside COM1–COM9.
QString CaminhoPortaSerial(int numero);

} // namespace portaris
