#pragma once
// The family panel ("Tela de cadastro de famílias"): a family name and up to nine holders.
#include "access/uVisualizarFamilia.h"
#include "ui/Ligacoes.h"
#include "ui/ModeloConjunto.h"

#include <QFrame>
#include <array>

class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace portaris {

class TdmPORTARIS;

class TframeCadastroFamilia : public QFrame {
    Q_OBJECT
public:
    // `fonte` gives a member's name and photo to the family window.
    TframeCadastroFamilia(TdmPORTARIS& dm, FonteMembro fonte, QWidget* parent = nullptr);

    bool INCLUIR();
    bool ALTERAR();
    bool EXCLUIR();
    bool GRAVAR();
    bool CANCELA();

    // The nine member keys of the current family, 0 for an empty slot.
    MembrosFamilia membros() const;
    // "Visualizar membros da família".
    void Visualizar();
    void alternarListaNomes();
    void escolherNome(int linha);

    QLineEdit* edFAM;
    QPushButton* btVIS;
    std::array<QComboBox*, 9> cbPES;
    QListView* lsFAM;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    TdmPORTARIS& m_dm;
    FonteMembro m_fonte;
    QList<Ligacao*> m_ligacoes;
    ModeloConjunto* m_modeloFamilias;
};

} // namespace portaris
