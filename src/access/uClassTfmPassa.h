#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QTimer;
class QWidget;
class QFrame;

namespace portaris {

// The holder's photo bytes by key; empty when there is no row or no photo.
using FonteFoto = std::function<QByteArray(int chave)>;

// One window class in two modes: the confirmation dialog of a reading point that asks the
// operator, and the photo popup that closes itself after a countdown.
class TfmPASSA : public QDialog {
    Q_OBJECT
public:
    TfmPASSA(const QString& ponto, int contagem, QWidget* parent = nullptr);

    struct Resposta {
        bool sim = false;
        QString observacao;
    };
    // Confirmation mode: modal, no time limit.
    static Resposta PedirConfirmacao(const QString& ponto, int chave, const QString& nota,
                                     const QString& nome, const FonteFoto& foto, QWidget* parent = nullptr);
    // Popup mode: shown without focus, closes itself; returns the window (it deletes itself).
    static TfmPASSA* MostrarFoto(const QString& ponto, int contagem, int chave, const QString& nota,
                                 const QString& nome, const FonteFoto& foto);

    // Runs before filling either mode (the main window hides its message panel there).
    static inline std::function<void()> antesDeMostrar;

    QLabel* lbMSG;
    QLineEdit* edNOM;
    QLabel* lbCAD;
    QFrame* spFR2;
    QLabel* imPCA;
    QLabel* lbLB10;
    QLineEdit* edOBS;
    QLabel* lbAVS;
    QLineEdit* edAVS;
    QWidget* pnBOT;
    QWidget* btSIM;
    QWidget* btNAO;
    QTimer* tmrCLO;

    int contagem() const { return m_contagem; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void preencher(int chave, const QString& nota, const QString& nome, const FonteFoto& foto, bool popup);
    void tique();
    void alturaCliente(int h);

    int m_contagem;
};

} // namespace portaris
