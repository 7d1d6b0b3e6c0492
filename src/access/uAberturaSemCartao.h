#pragma once
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace portaris {

// "Portaris - Abertura manual de porta": built anew for every opening, centred on the desktop
// wherever the console stands.
class TfmABRIR : public QDialog {
    Q_OBJECT
public:
    explicit TfmABRIR(const QStringList& locais, QWidget* parent = nullptr);

    struct Pedido {
        QString nome, origem, observacao, local, destino;
    };
    // Shows the dialog; true with the typed values when "Abrir" was pressed.
    static bool Pedir(const QStringList& locais, Pedido& pedido, QWidget* parent = nullptr);

    QComboBox* cbLOC;
    QLineEdit* edNOM;
    QLineEdit* edORI;
    QLineEdit* edDES;
    QLineEdit* edOBS;
    QPushButton* btABR;
    QPushButton* btCAN;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace portaris
