#pragma once
// "WebCam": the webcam options of [webcam], loaded and saved here.
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace portaris {

class TframeWebCam : public QWidget {
    Q_OBJECT
public:
    explicit TframeWebCam(QWidget* parent = nullptr);

    QLabel* lbPREVIA;
    QPlainTextEdit* mmRELATORIO;
    QGroupBox* rgFREQUENCIA;
    QButtonGroup* grFREQUENCIA;
    QCheckBox *ckMANTER, *ckATIVAR, *ckNEGADO, *ckRONDA;
    QPushButton *btCONECTAR, *btDESCONECTAR, *btAPLICAR;

    void Carregar();
    void Aplicar();

private:
    void regraAtivar();
};

} // namespace portaris
