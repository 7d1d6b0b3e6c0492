#pragma once
// What a manual event download shows on the reports panel: a label, the bar of the memory read and
// the bar of the rows processed. The panel places it; the download drives it through its hooks.
#include "BaixarEventos.h"

#include <QFrame>

class QLabel;
class QProgressBar;

namespace portaris {

class TfrProgressoDownload : public QFrame {
    Q_OBJECT
public:
    explicit TfrProgressoDownload(QWidget* parent = nullptr);
    // Fills the download's progress hooks with this panel (the others are left as they are).
    void ligar(ProgressoDownload& p);

    QLabel* lbROT;
    QProgressBar *pbDOWN, *pbPROC;

private:
    void pintar();
};

} // namespace portaris
