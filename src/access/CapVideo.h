#pragma once
// The webcam: the capture panel TCapVideo over a video-capture service, the photo capture window
// TfmCAP, and the station's one webcam (LigarWebcam, DesligarWebcam, CapturarFoto) with the
// connection test of the configuration page.
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QToolButton;

namespace portaris {

// What the program needs of the platform's video capture. The Qt Multimedia one drives a real
// camera; tests install one that produces generated frames.
class ServicoCaptura : public QObject {
    Q_OBJECT
public:
    enum class Conexao { Ok, DriverRecusado, SemVideo };
    virtual Conexao conectar(int dispositivo) = 0;
    virtual QString descricao() const = 0;
    virtual void definirIntervalo(int microssegundos) = 0;
    virtual void mostrar() = 0;      // the live picture
    virtual bool iniciarFluxo() = 0; // capture without a file; status 300 when it begins
    virtual void pararFluxo() = 0;   // status 301 when it ends
    virtual QImage quadro() const = 0;
    virtual void desconectar() = 0;

    // The service every new TCapVideo gets (null: Qt Multimedia's).
    static std::function<std::unique_ptr<ServicoCaptura>()> fabrica;
    static std::unique_ptr<ServicoCaptura> criar();

signals:
    void novoQuadro(const QImage& quadro);
    void status(int codigo);
};

// The capture panel. Setting Activo on connects device Dispositivo and shows its picture; a refused
// driver or a missing video raises std::runtime_error with the component's text.
class TCapVideo : public QWidget {
    Q_OBJECT
public:
    enum class Canais { Mono, Estereo };
    struct TFormatoAudio {
        Canais canais = Canais::Mono;
        int calidad = 8000;
        int bits = 8;
    };

    explicit TCapVideo(QWidget* parent = nullptr);
    ~TCapVideo() override;

    bool Activo() const { return m_activo; }
    void setActivo(bool ligar);
    int Dispositivo = 0;
    QString FicheroVideo = QStringLiteral("Video.avi");
    QString FicheroImagen = QStringLiteral("Imagen.bmp");
    bool Overlay = true;
    int FramesPreview = 15;
    int FramesCaptura = 15;
    bool EscalaPreview = true;
    bool HiloAparte = true;
    // Recording options the station never changes.
    bool CapturaConAudio = false;
    bool TiempoActivado = false;
    int Segundos = 0;
    TFormatoAudio OpcionesAudio;
    QString DescripcionDriver = QStringLiteral("No hay driver");

    // The current frame into FicheroImagen as a bitmap; false when nothing could be written.
    bool Instantaneo();
    void IniciarFluxo();
    void PararFluxo();
    bool Fluxo() const { return m_fluxo; }
    ServicoCaptura* servico() const { return m_servico.get(); }

    static const QString ErroDriver; // "No se ha podido conectar el driver. Pruebe a resetear el equipo"
    static const QString ErroVideo;  // "No se ha podido conectar el video"

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::unique_ptr<ServicoCaptura> m_servico;
    QImage m_quadro;
    bool m_activo = false;
    bool m_fluxo = false;
};

// "Captura foto": the live picture and the two buttons.
class TfmCAP : public QDialog {
    Q_OBJECT
public:
    explicit TfmCAP(QWidget* parent = nullptr);
    QWidget* pnSNAP;
    QWidget* imPIC;
    QToolButton *btCAP, *btCAN;
};

// The station's one webcam, owned by the main window.
class Webcam {
public:
    ~Webcam() { DesligarWebcam(); }
    // Frames per second of a "framerefresh" choice (0 → 5, 1 → 10, 2 → 15, 3 → 25); 0 outside.
    static int Quadros(int escolha);
    // Silent: a webcam that cannot start stays absent.
    void LigarWebcam(TfmCAP& janela, int escolha, bool manterFluxo);
    void DesligarWebcam();
    bool ativa() const { return m_cap && m_cap->Activo(); }
    TCapVideo* cap() const { return m_cap; }
    // The main window became active: a snapshot refreshes the camera, the file is deleted.
    void AoAtivar();
    // The capture window; on "Captura" the frame as BMP bytes, empty when cancelled or none.
    QByteArray CapturarFoto(TfmCAP& janela);
    // How the capture window is shown (tests answer it).
    std::function<int(TfmCAP&)> exibir = [](TfmCAP& j) { return j.exec(); };

private:
    QPointer<TCapVideo> m_cap;
};

// The webcam page's test: its own webcam on the page, the report lines, the two buttons' state.
class TesteWebcam {
public:
    ~TesteWebcam() { Desativar({}); }
    // "Tentar conexão"; false when the connection failed.
    bool Tentar(QWidget* pagina, int escolha, const std::function<void(const QString&)>& relatorio);
    // "Desavitar conexão".
    void Desativar(const std::function<void(const QString&)>& relatorio);
    bool existe() const { return !m_cap.isNull(); }
    TCapVideo* cap() const { return m_cap; }

private:
    QPointer<TCapVideo> m_cap;
};

} // namespace portaris
