#pragma once
// The line of one setup command of the configuration panel: the station's own handle for the
// record's port when it holds one, otherwise the page's port opened for this command alone.
#include "uSerialControla.h"

#include <QVariant>

namespace portaris {

class LinhaComando {
public:
    static constexpr int Baud = 19200;
    static const QString ErroPorta; // "@!000ERRErro ao acessar porta serial."

    // `portaRegistro`: PortaDoRegistro of the record; `portaPagina`: the page's port list position + 1.
    LinhaComando(const TabelaPortas* portas, int portaRegistro, int portaPagina);
    ~LinhaComando();
    LinhaComando(const LinhaComando&) = delete;
    LinhaComando& operator=(const LinhaComando&) = delete;

    bool aberta() const { return PortaValida(m_handle); }
    const PortaSerial& handle() const { return m_handle; }
    bool propria() const { return m_propria; }

private:
    PortaSerial m_handle;
    bool m_propria = false;
};

// The port number of a device record: only the character after "COM" counts ("COM12" is 1); 0 when
// the column is null or that character is no digit.
int PortaDoRegistro(const QVariant& serial);

} // namespace portaris
