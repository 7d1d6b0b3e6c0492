#pragma once
// "Banco de dados": the database manager values the backup and the restore use (kept for the run
// only) and the clock synchronisation with the server.
#include <QWidget>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace portaris {

class TdmPORTARIS;

class TframeBancoDados : public QWidget {
    Q_OBJECT
public:
    explicit TframeBancoDados(TdmPORTARIS& dm, QWidget* parent = nullptr);

    QRadioButton *rbFIREBIRD, *rbINTERBASE;
    QLineEdit *edUSUARIO, *edSENHA;
    QSpinBox *spPAGINA, *spBUFFERS;
    QPushButton *btAPLICAR, *btSINCRONIZAR, *btESQUEMA;

    // HORA_CERTA, then the computer's clock; a refusal of the platform is not reported.
    void SincronizarRelogio();
    // "Atualizar esquema do banco": the start-up's schema check and upgrade, with its copy.
    void AtualizarEsquema();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    TdmPORTARIS& m_dm;
};

} // namespace portaris
