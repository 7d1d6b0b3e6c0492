#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace portaris {

// A member's name and photo by holder key; false when there is no such holder.
using FonteMembro = std::function<bool(int chave, QString& nome, QByteArray& foto)>;
using MembrosFamilia = std::array<int, 9>;

// The family window: nine member slots, three by three; confirms an access or just shows them.
class TfmVFM : public QDialog {
    Q_OBJECT
public:
    explicit TfmVFM(QWidget* parent = nullptr);

    static bool ConfirmarFamilia(const MembrosFamilia& membros, const FonteMembro& fonte,
                                 QWidget* parent = nullptr);
    static void VisualizarFamilia(const MembrosFamilia& membros, const FonteMembro& fonte,
                                  QWidget* parent = nullptr);

    void carregar(const MembrosFamilia& membros, const FonteMembro& fonte);

    std::array<QFrame*, 9> quadros;
    std::array<QLabel*, 9> fotos;
    std::array<QLineEdit*, 9> nomes;
    QPushButton* btSIM;
    QPushButton* btNAO;
};

} // namespace portaris
