#pragma once
// The verdict's procedures run on the data module's connection, one prepared object per name.
#include "Veredito.h"

namespace portaris {

class TdmPORTARIS;

class ProcedimentosBanco : public Procedimentos {
public:
    explicit ProcedimentosBanco(TdmPORTARIS& dm) : m_dm(dm) {}
    QVariantMap executar(const QString& procedimento, const QVariantMap& entradas) override;

private:
    TdmPORTARIS& m_dm;
};

} // namespace portaris
