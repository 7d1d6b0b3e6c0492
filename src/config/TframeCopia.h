#pragma once
// "Cópia de segurança" and "Manutenção": the backup and restore of the station's database, its
// scheduled copy, and the purge of old accesses.
#include "access/AcoesDiarias.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace portaris {

class TdmPORTARIS;

class TframeCopia : public QWidget {
    Q_OBJECT
public:
    explicit TframeCopia(TdmPORTARIS& dm, QWidget* parent = nullptr);

    // [autobackup] into the fields (when the page is shown).
    void Carregar();
    void GravarConfiguracao();
    void IniciarCopiaManual();
    void RestaurarCopiaManual();
    QString arquivoCopia() const;

    // The database page's values, kept in memory there.
    std::function<ParametrosCopia()> parametros;
    // The schedule was saved: the daily actions read it again.
    std::function<void()> aoGravarAgenda;

    QLineEdit *edBANCO, *edPASTA, *edNOME, *edHORA;
    QLabel* lbEXEMPLO;
    QPlainTextEdit* mmRELATORIO;
    QCheckBox* ckAUTO;
    QCheckBox* ckDIA[7]; // Sunday first
    QPushButton *btPROCURAR, *btGRAVAR, *btINICIAR, *btRESTAURAR;

private:
    void regraAuto();
    void atualizarExemplo();
    void anotar(const QString& linha);
    TdmPORTARIS& m_dm;
};

class TframeManutencao : public QWidget {
    Q_OBJECT
public:
    explicit TframeManutencao(TdmPORTARIS& dm, QWidget* parent = nullptr);
    // "Excluir agora".
    void ExcluirAgora();

    QLineEdit* edDATA;
    QPushButton* btEXCLUIR;

private:
    TdmPORTARIS& m_dm;
};

} // namespace portaris
