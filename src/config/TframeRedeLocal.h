#pragma once
// "Rede local": where the database is, a connection test through "teste.ini" and the save of the
// server settings into "ptconfig.ini".
#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace portaris {

class TdmPORTARIS;
class ArquivoIni;

class TframeRedeLocal : public QWidget {
    Q_OBJECT
public:
    TframeRedeLocal(TdmPORTARIS& dm, bool modoServidor, QWidget* parent = nullptr);

    QRadioButton *rbLOCAL, *rbREMOTO, *rbTCPIP, *rbNETBEUI;
    QLineEdit *edSERVIDOR, *edARQUIVO;
    QCheckBox* ckREFRESH;
    QPlainTextEdit* mmRELATORIO;
    QPushButton *btTESTAR, *btGRAVAR;
    QProgressBar* pbBUSCA;

    // From the values the last connection read.
    void Carregar();
    void TestarConexao();
    void GravarConfiguracao();
    QStringList relatorio() const;

    // A failed re-connection to the saved settings (outside server configuration mode).
    std::function<void()> aoPerderConexao;
    // Entered while running: a test then neither drops nor re-establishes a connection.
    void definirModoServidor(bool sim) { m_modoServidor = sim; }

private:
    void previsao();
    void gravar(const ArquivoIni& ini);
    void linha(const QString& texto);
    TdmPORTARIS& m_dm;
    bool m_modoServidor;
    bool m_carregando = false;
};

} // namespace portaris
