#pragma once
// "Grupos": the time groups (GRUPOS), their weekly windows and the holiday option.
#include "PaginaCadastro.h"

class QCheckBox;
class QPushButton;

namespace portaris {

class LigacaoEdit;
class SemanaHorarios;
class TdmPORTARIS;

class TframeGrupos : public PaginaCadastro {
    Q_OBJECT
public:
    explicit TframeGrupos(TdmPORTARIS& dm, QWidget* parent = nullptr);

    QLineEdit* edDESCRICAO;
    QLineEdit* edHORA[14]; // SEGE, SEGS, TERE, … DOMS
    QCheckBox* ckNAOACESSOFERIADOS;
    QPushButton* btSEG; // 'Aplicar horário de "Segunda" à todos'

    bool INCLUIR() override;
    bool ALTERAR() override;
    bool GRAVAR() override;
    bool EXCLUIR() override;
    bool CANCELAR() override;
    void CopiarSegunda();

    // After a save or a delete: the user panel's group list is refilled.
    std::function<void()> aoMudarGrupos;

private:
    TdmPORTARIS& m_dm;
    LigacaoEdit* m_ligHORA[14];
    SemanaHorarios* m_semana;
};

} // namespace portaris
