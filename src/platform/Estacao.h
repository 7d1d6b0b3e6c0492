#pragma once
#include <QString>
#include <stdexcept>

namespace portaris {

// $PORTARIS_ESTACAO holds something that cannot name a station; the text says so in full.
class ErroEstacao : public std::runtime_error {
public:
    explicit ErroEstacao(const QString& texto) : std::runtime_error(texto.toStdString()), m_texto(texto) {}
    const QString& texto() const { return m_texto; }

private:
    QString m_texto;
};

// Eight upper-case hex digits naming this station: the 32-bit id of the file system holding "/"; empty
// when nothing can be read. $PORTARIS_ESTACAO, when set and not empty, overrides it: lower case is
// upper-cased, and anything but eight hexadecimal digits throws ErroEstacao, since a wrong identifier
// would quietly load no devices. The drive letter is kept for the callers' sake and ignored.
QString IdentificadorEstacao(const QString& unidade = QStringLiteral("C"));
// The formatting rule alone, for tests: zero-padded, upper case.
QString formatarIdentificador(quint32 serial);

// COMn → device path: [portas] comN of ptconfig.ini, else /dev/ttyS{n-1}; empty outside COM1–COM9.
QString CaminhoPortaSerial(int numero);

} // namespace portaris
