#pragma once
// "Opções de impressão": where the report goes (printer, preview or a file in an enabled format)
// and how many copies.
#include "reports/MotorRelatorio.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace portaris {

class TfmOpcoesImpressao : public QDialog {
    Q_OBJECT
public:
    TfmOpcoesImpressao(const OpcoesImpressao& opcoes, QWidget* parent = nullptr);
    DestinoRelatorio destino() const;

    QRadioButton *rdIMP, *rdVIS, *rdARQ;
    QComboBox *cbIMP, *cbFMT;
    QSpinBox* spCOP;
    QLineEdit* edARQ;

    void accept() override;

private:
    void procurar();
    void atualizar();
};

} // namespace portaris
