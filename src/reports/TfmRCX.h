#pragma once
// "Relatório de conexões": which of this station's ports opened and which devices answered at
// start-up, and the computer's date and time for the operator to check.
#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace portaris {

class DispositivosEstacao;

class TfmRCX : public QDialog {
    Q_OBJECT
public:
    // Builds the report: a passive reader that answered reads one card first, and every device is
    // followed by a pause of `pausaMs` ([outros] sleep_leitoras).
    TfmRCX(DispositivosEstacao& dispositivos, int pausaMs, QWidget* parent = nullptr);

    static constexpr int LinhasGrade = 9;

    QTableWidget *gdPOR, *gdLEI;
    QLabel *lbATE, *lbDAT;
    QPushButton* btOK;
};

} // namespace portaris
