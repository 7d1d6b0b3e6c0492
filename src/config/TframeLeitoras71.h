#pragma once
// "Leitoras 71": this station's passive readers (LEITORA) and their setup commands.
#include "PaginaDispositivo.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace portaris {

class TframeLeitoras71 : public PaginaDispositivo {
    Q_OBJECT
public:
    explicit TframeLeitoras71(Conjunto& conjunto, QWidget* parent = nullptr);

    QGroupBox *rgRELE, *rgPOSICAO;
    QButtonGroup* grRELE;
    QCheckBox *ckCONFIRMARACESSO, *ckDESABILITAR, *ckIGNORARDESC, *ckPERMITIRREMOTO, *ckVISUALIZAR,
        *ckPERMITIRREINGRESSO, *ckNAOBATERELE, *ckUSARWEBCAM;
    QLabel* lbMAE;
    QComboBox* cbMAE; // the mother-reader list: device keys in decimal
    QPushButton *btCABECA, *btTEMPO, *btRELE, *btMEMORIA;

    bool EXCLUIR() override;
    void AcionarRele();
    void GravarTempoRele();
    void GravarCabeca();
    void EnviarCartoes();

    // Keeps the mother-reader list; the panel adds a reader that drives its relay after a save
    // and removes a deleted one.
    void adicionarMae(const QString& chave);
    void removerMae(const QString& chave);

    // Called after a save and a delete with the reader's key and whether it drives its own relay.
    std::function<void(const QString& chave, bool controlaRele, bool apagada)> aoMudarLeitora;

private:
    void regraConfirmacao();
    void regraSemRele();
    void depoisGravar() override;
    void depoisExcluir() override;
    QString m_chaveApagada;
    Ligacao* m_ligMae = nullptr;
};

} // namespace portaris
