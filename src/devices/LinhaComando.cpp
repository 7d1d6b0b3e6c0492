#include "LinhaComando.h"

namespace portaris {

const QString LinhaComando::ErroPorta = QStringLiteral("@!000ERRErro ao acessar porta serial.");

int PortaDoRegistro(const QVariant& serial) {
    if (serial.isNull()) return 0;
    const QString s = serial.toString();
    const int i = s.indexOf(QLatin1String("COM"), 0, Qt::CaseInsensitive);
    if (i < 0 || i + 3 >= s.size() || !s.at(i + 3).isDigit()) return 0;
    return s.at(i + 3).digitValue();
}

LinhaComando::LinhaComando(const TabelaPortas* portas, int portaRegistro, int portaPagina) {
    if (portas) m_handle = portas->handle(portaRegistro);
    if (!PortaValida(m_handle)) {
        m_handle = AbrirPortaSerial(portaPagina, Baud);
        m_propria = PortaValida(m_handle);
    }
}

LinhaComando::~LinhaComando() {
    if (m_propria) FecharPortaSerial(m_handle);
}

} // namespace portaris
