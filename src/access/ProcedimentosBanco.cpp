#include "ProcedimentosBanco.h"

#include "db/TdmPORTARIS.h"

namespace portaris {

QVariantMap ProcedimentosBanco::executar(const QString& procedimento, const QVariantMap& entradas) {
    Procedimento& p = m_dm.sp(procedimento);
    try {
        for (auto it = entradas.cbegin(); it != entradas.cend(); ++it)
            p.definir(it.key(), it.value());
        p.executar();
        QVariantMap saidas;
        for (const QString& s : p.saidas())
            saidas.insert(s, p.saida(s));
        // Logins and logoffs must survive a station switched off a moment later.
        if (m_confirmar) m_dm.dbBANCO.commitRetaining();
        return saidas;
    } catch (const ErroBanco&) {
        if (!m_confirmar) throw;
        try {
            m_dm.dbBANCO.rollbackRetaining();
        } catch (const ErroBanco&) {
            // A lost connection cannot roll back; the server drops the work with the attachment.
        }
        throw;
    }
}

} // namespace portaris
