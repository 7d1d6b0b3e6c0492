#pragma once
// The search window ("Filtrar usuários"): holders whose name or card begins with the text typed,
// compared with exact case; the chosen one becomes the user panel's current holder.
#include "ui/ModeloConjunto.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace portaris {

class TdmPORTARIS;

class TfmBUSCA : public QDialog {
    Q_OBJECT
public:
    // `posicionar` moves the user panel to a holder key.
    TfmBUSCA(TdmPORTARIS& dm, std::function<bool(qint64)> posicionar, QWidget* parent = nullptr);
    ~TfmBUSCA() override;

    void Buscar();
    void Posiciona();
    Conjunto& resultado() { return *m_qr; }

    QLineEdit* edREF;
    QRadioButton *rbNOM, *rbCAR;
    QPushButton *btFIN, *btBUS, *btPOS;
    GradeConjunto* gdRES;

protected:
    void done(int r) override;

private:
    TdmPORTARIS& m_dm;
    std::function<bool(qint64)> m_posicionar;
    std::unique_ptr<Conjunto> m_qr;
    ModeloConjunto* m_modelo;
};

} // namespace portaris
