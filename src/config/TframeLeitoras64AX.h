#pragma once
// "Leitoras 64AX": this station's active-tag gate readers (LEITORA64) and their setup commands.
#include "PaginaDispositivo.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace portaris {

class TframeLeitoras64AX : public PaginaLeitora {
    Q_OBJECT
public:
    explicit TframeLeitoras64AX(Conjunto& conjunto, QWidget* parent = nullptr);

    QLineEdit *edDESCRICAO01, *edDESLIGARPOR, *edFECHARPOS;
    QGroupBox *rgRELE, *rgPOSICAO, *gbWEBCAM, *rgFECHAMENTO, *rgACIONAMENTO;
    QCheckBox *ckUSARWEBCAM01, *ckDESABILITAR, *ckPERMITIRREMOTO, *ckIGNORARDESC, *ckPARAABREAUTO;
    QLabel *lbFECHARPOS, *lbFECHARPOS2;
    QPushButton *btCABECA, *btTESTE;

    void TestarLeitora();
    void GravarCabeca();

    // The closing-type rule: "Fechar após?" shown unless the closing type is '0', the one-shot
    // relay box enabled only for '1'.
    void regraFechamento();
    void aoMostrar() override { regraFechamento(); }
    bool CANCELAR() override;

    // The time corrections of a save: an integer outside its range becomes its replacement.
    static QString corrigir(const QString& texto, int minimo, int maximo, const QString& substituto);

private:
    bool validar() override;
    void depoisIncluir() override {
        PaginaDispositivo::depoisIncluir();
        regraFechamento();
    }
    void aplicarRegras() override {
        PaginaLeitora::aplicarRegras();
        regraFechamento();
    }
};

} // namespace portaris
