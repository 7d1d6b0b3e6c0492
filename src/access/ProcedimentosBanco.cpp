#include "ProcedimentosBanco.h"

#include "db/TdmPORTARIS.h"

namespace portaris {

QVariantMap ProcedimentosBanco::executar(const QString& procedimento, const QVariantMap& entradas) {
    Procedimento& p = m_dm.sp(procedimento);
    for (auto it = entradas.cbegin(); it != entradas.cend(); ++it)
        p.definir(it.key(), it.value());
    // Logins and logoffs must survive a station switched off a moment later: each is a unit of
    // work of its own. The verdict's procedures only read.
    if (m_confirmar)
        Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
    else
        p.executar();
    QVariantMap saidas;
    for (const QString& s : p.saidas())
        saidas.insert(s, p.saida(s));
    return saidas;
}

} // namespace portaris
