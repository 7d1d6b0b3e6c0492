#pragma once
// "Concentradora": this station's four-door controllers (CONTROLADORA) and their head command.
#include "PaginaDispositivo.h"

class QCheckBox;
class QPushButton;

namespace portaris {

class TframeConcentradora : public PaginaDispositivo {
    Q_OBJECT
public:
    explicit TframeConcentradora(Conjunto& conjunto, QWidget* parent = nullptr);

    QGroupBox* rgFREQDOWN;
    QButtonGroup* grFREQDOWN;
    QLineEdit* edPORTA[4];
    QComboBox *cbRELE[4], *cbTIMEOUT[4];
    QCheckBox *ckDESABILITAR, *ckONLINE, *ckCONFIRMARACESSO, *ckVISUALIZAR;
    QPushButton *btCABECA, *btENVIAR, *btTEMPOS;

    void GravarCabeca();

private:
    void regraConfirmacao();
    void regraOnline();
};

} // namespace portaris
