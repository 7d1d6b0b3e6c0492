#include "ListaPermitidos.h"

namespace portaris {

namespace {

// ::ffff:a.b.c.d, how an IPv4 client shows on a dual-stack listener.
bool mapeadoIPv4(const QHostAddress& a) {
    if (a.protocol() != QAbstractSocket::IPv6Protocol) return false;
    const Q_IPV6ADDR b = a.toIPv6Address();
    for (int i = 0; i < 10; ++i)
        if (b[i] != 0) return false;
    return b[10] == 0xff && b[11] == 0xff;
}

QHostAddress comoIPv4(const QHostAddress& a) {
    const Q_IPV6ADDR b = a.toIPv6Address();
    return QHostAddress((quint32(b[12]) << 24) | (quint32(b[13]) << 16) | (quint32(b[14]) << 8) | b[15]);
}

} // namespace

ListaPermitidos::ListaPermitidos(const QString& texto) {
    for (const QString& parte : texto.split(u',', Qt::SkipEmptyParts)) {
        const QString item = parte.trimmed();
        if (item.isEmpty()) continue;
        QPair<QHostAddress, int> faixa;
        if (item.contains(u'/')) {
            faixa = QHostAddress::parseSubnet(item);
        } else {
            const QHostAddress a(item);
            faixa = {a, a.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128};
        }
        if (faixa.first.isNull() || faixa.second < 0) {
            m_invalidas << item;
            continue;
        }
        // Clients are matched as IPv4, so a range written as ::ffff:a.b.c.d/n is kept as IPv4.
        if (mapeadoIPv4(faixa.first)) {
            if (faixa.second < 96) {
                m_invalidas << item;
                continue;
            }
            faixa = {comoIPv4(faixa.first), faixa.second - 96};
        }
        m_faixas << faixa;
    }
}

bool ListaPermitidos::permite(const QHostAddress& endereco) const {
    if (qualquerUm()) return true;
    QHostAddress a = mapeadoIPv4(endereco) ? comoIPv4(endereco) : endereco;
    a.setScopeId(QString());
    for (const auto& faixa : m_faixas)
        if (a.isInSubnet(faixa)) return true;
    return false;
}

} // namespace portaris
