#pragma once
// "Contas": the operator accounts (CONTA) and the five screens each may open.
#include "PaginaCadastro.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace portaris {

class TdmPORTARIS;

class TframeContas : public PaginaCadastro {
    Q_OBJECT
public:
    explicit TframeContas(TdmPORTARIS& dm, QWidget* parent = nullptr);

    QLineEdit *edNOME, *edLOGIN, *edSENHA, *edCONFIRMAR, *edCARGO;
    QLabel* lbCONFIRMAR;
    QPlainTextEdit* mmOBSERVACAO;
    QCheckBox* ckNIVEL[5];

    bool INCLUIR() override;
    bool ALTERAR() override;
    bool GRAVAR() override;
    bool EXCLUIR() override;
    bool CANCELAR() override;

    // The key filter of login and passwords: letters a-z (upper case turned lower), digits and
    // nothing else (typed or pasted). Answers the text the key adds, empty when refused.
    static QString filtrarTecla(const QString& texto);

private:
    void mostrarConfirmacao(bool sim);
    void promover(int chave);
    TdmPORTARIS& m_dm;
};

} // namespace portaris
