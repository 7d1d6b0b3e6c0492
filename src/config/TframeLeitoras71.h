#pragma once
// "Leitoras 71": this station's passive readers (LEITORA) and their setup commands.
#include "PaginaDispositivo.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace portaris {

class TframeLeitoras71 : public PaginaLeitora {
    Q_OBJECT
public:
    explicit TframeLeitoras71(Conjunto& conjunto, QWidget* parent = nullptr);

    QGroupBox *rgRELE, *rgPOSICAO;
    QButtonGroup* grRELE;
    QCheckBox *ckDESABILITAR, *ckIGNORARDESC, *ckPERMITIRREMOTO, *ckUSARWEBCAM;
    QPushButton *btCABECA, *btTEMPO, *btRELE, *btMEMORIA;

    void AcionarRele();
    void GravarTempoRele();
    void GravarCabeca();
    void EnviarCartoes();
};

} // namespace portaris
