#pragma once
// "Foto": the picture stored with an access row of the listing, with the previous and next rows.
// The listing's current row follows the viewer, so the grid shows the last row viewed.
#include "db/Conjunto.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace portaris {

class TfmPIC : public QDialog {
    Q_OBJECT
public:
    // `imagem` gives the picture of an access key (empty when none).
    TfmPIC(Conjunto& listagem, std::function<QByteArray(int chave)> imagem, QWidget* parent = nullptr);

    // The picture of the listing's current row.
    void Carregar();
    // "Próximo" (Down) and "Anterior" (Up): at either end the picture of the end row stays.
    void Proximo() { mover(1); }
    void Anterior() { mover(-1); }
    bool temImagem() const;

    QLabel* imIMG;
    QPushButton *btOK, *btANT, *btPRO;

private:
    void mover(int passo);

    Conjunto& m_listagem;
    std::function<QByteArray(int)> m_imagem;
};

} // namespace portaris
