#pragma once
// [remoto] permitidos: the addresses and ranges that may connect to the remote-control server.
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QStringList>

namespace portaris {

class ListaPermitidos {
public:
    // Comma-separated addresses ("192.168.0.7", "::1") and CIDR ranges ("10.0.0.0/8"). Empty lets
    // anyone in. An entry that is neither lets nobody in by itself; the others still count.
    explicit ListaPermitidos(const QString& texto = {});

    bool qualquerUm() const { return m_faixas.isEmpty() && m_invalidas.isEmpty(); }
    // An IPv4 client reaching a dual-stack listener shows as ::ffff:a.b.c.d; it is matched as IPv4.
    bool permite(const QHostAddress& endereco) const;
    const QStringList& invalidas() const { return m_invalidas; }

private:
    QList<QPair<QHostAddress, int>> m_faixas;
    QStringList m_invalidas;
};

} // namespace portaris
