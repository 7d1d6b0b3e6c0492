#pragma once
// "Impressora": the print and export defaults of the reports, loaded and saved here; the reports
// and the test print read the controls as they stand, not the file.
#include "reports/MotorRelatorio.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QPushButton;

namespace portaris {

class TframeImpressora : public QWidget {
    Q_OBJECT
public:
    explicit TframeImpressora(QWidget* parent = nullptr);

    QCheckBox *ckEXIBESETUP, *ckPDF, *ckHTM, *ckTXT;
    QButtonGroup* grSAIDA; // 0 printer, 1 preview, 2 file
    QPushButton *btAPLICAR, *btTESTAR;

    void Carregar();
    void Aplicar();
    OpcoesImpressao opcoes() const;
};

} // namespace portaris
