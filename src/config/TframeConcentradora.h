#pragma once
#include <functional>
// "Concentradora": this station's four-door controllers (CONTROLADORA) and their head command.
#include "PaginaDispositivo.h"

class QCheckBox;
class QPushButton;

namespace portaris {

class TControladora;

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
    // "Enviar dados" and "Gravar tempos", on a controller object of the command's own line; the
    // buttons work once these are given. Each shows its own messages.
    std::function<void(TControladora& c, int chave)> enviarDados;
    std::function<void(TControladora& c, const int timeouts[4], const int reles[4])> gravarTempos;
    void ligarTransferencias();

    void GravarCabeca();

private:
    void regraConfirmacao();
    void regraOnline();
};

} // namespace portaris
