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
//
// A source hands every frame it gets to chegouQuadro still unconverted; only the frames that are
// shown (at most one per interval, while the picture is on screen) are converted, on a worker
// thread, and reach novoQuadro already fitted to the picture's size. A snapshot converts the latest
// frame when asked.
class ServicoCaptura : public QObject {
    Q_OBJECT
public:
    enum class Conexao { Ok, DriverRecusado, SemVideo };
    // A frame not yet converted: converting it is the costly part.
    using QuadroBruto = std::function<QImage()>;

    ServicoCaptura();
    ~ServicoCaptura() override;

    virtual Conexao conectar(int dispositivo) = 0;
    virtual QString descricao() const = 0;
    virtual void mostrar() = 0;      // the live picture
    virtual bool iniciarFluxo() = 0; // capture without a file; status 300 when it begins
    virtual void pararFluxo() = 0;   // status 301 when it ends
    virtual void desconectar() = 0;

    // The capture rate, as time between frames; 0 or less converts no live frame.
    void definirIntervalo(int microssegundos);
    int intervalo() const;
    // Whether the live picture is on screen, and the size it is drawn in (larger frames are
    // reduced to fit it, keeping their proportions).
    void definirExibicao(bool visivel, QSize tamanho);
    // The latest frame at its own size, converted now; null when none came.
    QImage quadro();
    // Frames converted so far, live or snapshot.
    int conversoes() const { return m_conversoes.loadRelaxed(); }
    // A live frame is being converted.
    bool convertendo() const;

    // The service every new TCapVideo gets (null: Qt Multimedia's).
    static std::function<std::unique_ptr<ServicoCaptura>()> fabrica;
    static std::unique_ptr<ServicoCaptura> criar();

signals:
    void novoQuadro(const QImage& quadro);
    void status(int codigo);

protected:
    // From the source, on any thread.
    void chegouQuadro(QuadroBruto bruto);
    // The source lost its picture (camera unplugged): no frame to snapshot.
    void esquecerQuadro();
    // No conversion runs any more once this returns; the Qt source calls it before it goes.
    void aguardarConversao();

private:
    struct Estado;
    std::unique_ptr<Estado> m;
    QAtomicInt m_conversoes;
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

    // Where a frame of `quadro` size is drawn in a panel of `painel` size: centred, reduced to fit
    // when larger and, with EscalaPreview, enlarged to fit when smaller; proportions kept.
    static QRect areaDoQuadro(QSize quadro, QSize painel, bool escala);

protected:
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void informarExibicao();
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
    // "Tentar conexão", the picture inside `moldura` (the page's preview frame); false when the
    // connection failed.
    bool Tentar(QWidget* moldura, int escolha, const std::function<void(const QString&)>& relatorio);
    // "Desavitar conexão".
    void Desativar(const std::function<void(const QString&)>& relatorio);
    bool existe() const { return !m_cap.isNull(); }
    TCapVideo* cap() const { return m_cap; }

private:
    QPointer<TCapVideo> m_cap;
};

} // namespace portaris
