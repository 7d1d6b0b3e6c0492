#pragma once
// "Outras opções": computer name, sounds, card validity, holder types and the tuning of the two
// reader models, loaded from and saved to the settings file, "Tipos.txt" and "Grupos.txt".
#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace portaris {

class TframeOutrasOpcoes : public QWidget {
    Q_OBJECT
public:
    explicit TframeOutrasOpcoes(QWidget* parent = nullptr);

    QLineEdit *edNOME, *edSOM1, *edSOM2, *edEXPIRA, *edIGNORAR64, *edFALHA64, *edIGNORAR71;
    QPushButton *btPROCURAR1, *btTESTAR1, *btPROCURAR2, *btTESTAR2, *btAPLICAR;
    QCheckBox *ckUSARSOM, *ckCONFIRMAR, *ckSEMCABECA;
    QButtonGroup* grFREQUENCIA;
    QPlainTextEdit *mmTIPOS, *mmGRUPOS;
    QSlider* slPAUSA;

    void Carregar();
    void Aplicar();
    // "Procurar": the chosen WAV goes into `campo`; a cancelled dialog leaves it.
    void Procurar(QLineEdit* campo);

    // The file-open dialog (initial folder, filter); answers the chosen path, empty when cancelled.
    std::function<QString(const QString& pasta, const QString& filtro)> escolherArquivo;
    // Plays a WAV file without waiting; failures are ignored.
    std::function<void(const QString& arquivo)> tocar;

    // The field as a whole number; `vazio` when it holds none.
    static int numeroOuPadrao(const QString& texto, int vazio);
    // Each line trimmed and cut to 25 characters.
    static QStringList linhasTipos(const QString& texto);

private:
    void regraSom();
};

} // namespace portaris
