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

QList<QVariantMap> ProcedimentosBanco::executarJuntos(const QList<ChamadaProcedimento>& chamadas) {
    QList<LoteProcedimentos::Chamada> forma;
    for (const ChamadaProcedimento& c : chamadas) {
        LoteProcedimentos::Chamada f{c.procedimento, {}};
        for (auto it = c.ligadas.cbegin(); it != c.ligadas.cend(); ++it)
            f.ligadas.insert(it.key(), {it->chamada, it->saida});
        forma << f;
    }
    try {
        LoteProcedimentos& lote = m_dm.lote(forma);
        for (qsizetype i = 0; i < chamadas.size(); ++i)
            for (auto it = chamadas[i].entradas.cbegin(); it != chamadas[i].entradas.cend(); ++it)
                lote.definir(static_cast<int>(i), it.key(), it.value());
        if (m_confirmar)
            Unidade::gravar(m_dm.dbBANCO, [&] { lote.executar(); });
        else
            lote.executar();
        QList<QVariantMap> saidas;
        for (qsizetype i = 0; i < chamadas.size(); ++i) {
            QVariantMap s;
            for (const QString& nome : lote.saidas(static_cast<int>(i)))
                s.insert(nome, lote.saida(static_cast<int>(i), nome));
            saidas << s;
        }
        return saidas;
    } catch (const ErroBanco&) {
        m_dm.esquecerLote(forma);
        throw;
    }
}

} // namespace portaris
