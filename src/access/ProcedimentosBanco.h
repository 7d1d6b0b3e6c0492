#pragma once
// The verdict's procedures run on the data module's connection, one prepared object per name.
#include "Veredito.h"

namespace portaris {

class TdmPORTARIS;

// `confirmar`: each call is its own unit of work, committed (or rolled back) at once, as logins
// need. The verdict's chain is not: it only reads.
class ProcedimentosBanco : public Procedimentos {
public:
    explicit ProcedimentosBanco(TdmPORTARIS& dm, bool confirmar = true) : m_dm(dm), m_confirmar(confirmar) {}
    QVariantMap executar(const QString& procedimento, const QVariantMap& entradas) override;
    QList<QVariantMap> executarJuntos(const QList<ChamadaProcedimento>& chamadas) override;

private:
    TdmPORTARIS& m_dm;
    bool m_confirmar;
};

} // namespace portaris
