#pragma once
// "Controle Remoto": the remote-control server of [remoto].
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace portaris {

class TframeControleRemoto : public QWidget {
    Q_OBJECT
public:
    explicit TframeControleRemoto(QWidget* parent = nullptr);

    QCheckBox* ckATIVO;
    QLineEdit* edPORTA;
    QPushButton* btAPLICAR;

    void Carregar();
    void Aplicar();
};

} // namespace portaris
