#include "CapVideo.h"

#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QCamera>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMutex>
#include <QPainter>
#include <QScreen>
#include <QThreadPool>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <stdexcept>

namespace portaris {

namespace {

// The platform's cameras through Qt Multimedia; the frames arrive through a video sink and are
// converted only when they are shown or captured.
class ServicoCapturaQt final : public ServicoCaptura {
public:
    ~ServicoCapturaQt() override { desconectar(); }
    Conexao conectar(int dispositivo) override {
        const QList<QCameraDevice> cameras = QMediaDevices::videoInputs();
        if (dispositivo < 0 || dispositivo >= cameras.size()) return Conexao::SemVideo;
        m_descricao = cameras[dispositivo].description().left(80);
        m_camera = std::make_unique<QCamera>(cameras[dispositivo]);
        m_sessao.setCamera(m_camera.get());
        m_sessao.setVideoSink(&m_sink);
        // Keeping a frame only takes a reference to its buffer; converting it is what costs.
        QObject::connect(&m_sink, &QVideoSink::videoFrameChanged, this,
                         [this](const QVideoFrame& f) { chegouQuadro([f] { return f.toImage(); }); });
        // A camera unplugged while in use: its picture stops, nothing else.
        QObject::connect(m_camera.get(), &QCamera::errorOccurred, this, [this] { esquecerQuadro(); });
        m_camera->start();
        if (m_camera->error() != QCamera::NoError) {
            desconectar();
            return Conexao::DriverRecusado;
        }
        return Conexao::Ok;
    }
    QString descricao() const override { return m_descricao; }
    void mostrar() override {}
    bool iniciarFluxo() override {
        if (!m_camera) return false;
        m_camera->start();
        emit status(300);
        return true;
    }
    void pararFluxo() override { emit status(301); }
    void desconectar() override {
        QObject::disconnect(&m_sink, nullptr, this, nullptr);
        // No frame may outlive the camera that filled it.
        aguardarConversao();
        esquecerQuadro();
        if (m_camera) m_camera->stop();
        m_sessao.setCamera(nullptr);
        m_camera.reset();
    }

private:
    QMediaCaptureSession m_sessao;
    QVideoSink m_sink;
    std::unique_ptr<QCamera> m_camera;
    QString m_descricao;
};

} // namespace

struct ServicoCaptura::Estado {
    mutable QMutex lock;
    QuadroBruto ultimo;
    int intervaloUs = 0;
    bool visivel = false;
    QSize tamanho;
    bool convertendo = false;
    // The schedule of the live frames, in microseconds from the first frame shown: a frame is
    // converted once the time it is due has come.
    bool iniciado = false;
    quint32 tickAnterior = 0;
    qint64 agoraUs = 0;
    qint64 devidoUs = 0;
    QThreadPool conversor;
};

ServicoCaptura::ServicoCaptura() : m(std::make_unique<Estado>()) {
    m->conversor.setMaxThreadCount(1);
}

ServicoCaptura::~ServicoCaptura() {
    aguardarConversao();
}

void ServicoCaptura::definirIntervalo(int microssegundos) {
    QMutexLocker l(&m->lock);
    m->intervaloUs = microssegundos;
    m->iniciado = false;
}

int ServicoCaptura::intervalo() const {
    QMutexLocker l(&m->lock);
    return m->intervaloUs;
}

void ServicoCaptura::definirExibicao(bool visivel, QSize tamanho) {
    QMutexLocker l(&m->lock);
    if (visivel != m->visivel) m->iniciado = false; // shown again: the next frame is due at once
    m->visivel = visivel;
    m->tamanho = tamanho;
}

bool ServicoCaptura::convertendo() const {
    QMutexLocker l(&m->lock);
    return m->convertendo;
}

void ServicoCaptura::esquecerQuadro() {
    QMutexLocker l(&m->lock);
    m->ultimo = {};
}

void ServicoCaptura::aguardarConversao() {
    m->conversor.waitForDone();
}

QImage ServicoCaptura::quadro() {
    QuadroBruto bruto;
    {
        QMutexLocker l(&m->lock);
        bruto = m->ultimo;
    }
    if (!bruto) return {};
    QImage q = bruto();
    m_conversoes.ref();
    return q;
}

void ServicoCaptura::chegouQuadro(QuadroBruto bruto) {
    QMutexLocker l(&m->lock);
    m->ultimo = bruto;
    if (!m->visivel || m->intervaloUs <= 0) return;
    const quint32 t = relogio().tick();
    if (!m->iniciado) {
        m->iniciado = true;
        m->agoraUs = m->devidoUs = 0;
    } else {
        m->agoraUs += qint64(quint32(t - m->tickAnterior)) * 1000;
    }
    m->tickAnterior = t;
    // One conversion at a time: a slow one drops frames rather than queueing them.
    if (m->convertendo || m->agoraUs < m->devidoUs) return;
    m->devidoUs += m->intervaloUs;
    // Far behind (a pause, a slow camera): no burst to catch up.
    if (m->devidoUs <= m->agoraUs) m->devidoUs = m->agoraUs + m->intervaloUs;
    m->convertendo = true;
    const QSize alvo = m->tamanho;
    m->conversor.start([this, bruto = std::move(bruto), alvo] {
        QImage q = bruto();
        m_conversoes.ref();
        if (!q.isNull() && !alvo.isEmpty() && (q.width() > alvo.width() || q.height() > alvo.height()))
            q = q.scaled(alvo, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QMetaObject::invokeMethod(
            this,
            [this, q] {
                {
                    QMutexLocker l2(&m->lock);
                    m->convertendo = false;
                }
                emit novoQuadro(q);
            },
            Qt::QueuedConnection);
    });
}

std::function<std::unique_ptr<ServicoCaptura>()> ServicoCaptura::fabrica;

std::unique_ptr<ServicoCaptura> ServicoCaptura::criar() {
    if (fabrica) return fabrica();
    return std::make_unique<ServicoCapturaQt>();
}

const QString TCapVideo::ErroDriver = QStringLiteral("No se ha podido conectar el driver. Pruebe a resetear el equipo");
const QString TCapVideo::ErroVideo = QStringLiteral("No se ha podido conectar el video");

TCapVideo::TCapVideo(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CapVideo"));
    resize(260, 180);
}

TCapVideo::~TCapVideo() {
    if (m_activo) setActivo(false);
}

void TCapVideo::setActivo(bool ligar) {
    if (ligar == m_activo) return;
    if (!ligar) {
        if (m_servico) {
            QObject::disconnect(m_servico.get(), nullptr, this, nullptr);
            m_servico->desconectar();
        }
        m_servico.reset();
        m_fluxo = false;
        m_activo = false;
        m_quadro = QImage();
        update();
        return;
    }
    if (FramesCaptura <= 0 || FramesPreview <= 0) throw std::runtime_error(ErroVideo.toStdString());
    m_servico = ServicoCaptura::criar();
    const ServicoCaptura::Conexao c = m_servico ? m_servico->conectar(Dispositivo) : ServicoCaptura::Conexao::SemVideo;
    if (c != ServicoCaptura::Conexao::Ok) {
        m_servico.reset();
        throw std::runtime_error(
            (c == ServicoCaptura::Conexao::DriverRecusado ? ErroDriver : ErroVideo).toStdString());
    }
    DescripcionDriver = m_servico->descricao();
    m_servico->definirIntervalo(1000000 / FramesCaptura);
    informarExibicao();
    connect(m_servico.get(), &ServicoCaptura::novoQuadro, this, [this](const QImage& q) {
        m_quadro = q;
        update();
    });
    connect(m_servico.get(), &ServicoCaptura::status, this, [this](int codigo) {
        if (codigo == 300) m_fluxo = true;
        if (codigo == 301) m_fluxo = false;
    });
    m_servico->mostrar();
    m_activo = true;
}

bool TCapVideo::Instantaneo() {
    if (!m_activo || !m_servico) return false;
    const QImage q = m_servico->quadro();
    return !q.isNull() && q.save(FicheroImagen, "BMP");
}

void TCapVideo::IniciarFluxo() {
    if (m_activo && m_servico) m_servico->iniciarFluxo();
}

void TCapVideo::PararFluxo() {
    if (m_activo && m_servico) m_servico->pararFluxo();
}

QRect TCapVideo::areaDoQuadro(QSize quadro, QSize painel, bool escala) {
    if (quadro.isEmpty() || painel.isEmpty()) return {};
    QSize t = quadro;
    if (escala || quadro.width() > painel.width() || quadro.height() > painel.height())
        t = quadro.scaled(painel, Qt::KeepAspectRatio);
    return QRect(QPoint((painel.width() - t.width()) / 2, (painel.height() - t.height()) / 2), t);
}

void TCapVideo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_quadro.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(areaDoQuadro(m_quadro.size(), size(), EscalaPreview), m_quadro);
}

// Frames are converted only while the picture can be seen, and reduced to the panel's size.
void TCapVideo::informarExibicao() {
    if (m_servico) m_servico->definirExibicao(isVisible(), size());
}

void TCapVideo::showEvent(QShowEvent*) {
    if (m_servico) m_servico->definirExibicao(true, size());
}

void TCapVideo::hideEvent(QHideEvent*) {
    if (m_servico) m_servico->definirExibicao(false, size());
}

void TCapVideo::resizeEvent(QResizeEvent*) {
    informarExibicao();
}

TfmCAP::TfmCAP(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmCAP"));
    setWindowTitle(QStringLiteral("Captura foto"));
    setFixedSize(294, 298);
    setAutoFillBackground(true);
    QPalette branco = palette();
    branco.setColor(QPalette::Window, Qt::white);
    setPalette(branco);
    pnSNAP = new QWidget(this);
    pnSNAP->setObjectName(QStringLiteral("pnSNAP"));
    pnSNAP->setGeometry(0, 0, 294, 298 - 74);
    pnSNAP->setAutoFillBackground(true);
    QPalette verde = pnSNAP->palette();
    verde.setColor(QPalette::Window, QColor(211, 235, 188));
    pnSNAP->setPalette(verde);
    imPIC = new QWidget(pnSNAP);
    imPIC->setObjectName(QStringLiteral("imPIC"));
    imPIC->setGeometry(8, 7, 280, 210);
    auto* rodape = new QWidget(this);
    rodape->setGeometry(0, 298 - 74, 294, 74);
    auto botao = [&](const QString& texto, int x) {
        auto* b = new QToolButton(rodape);
        b->setText(texto);
        b->setAutoRaise(true);
        b->setGeometry(x, 2, 70, 70);
        return b;
    };
    btCAP = botao(QStringLiteral("Captura"), 1);
    btCAN = botao(QStringLiteral("Cancelar"), 71);
    connect(btCAP, &QToolButton::clicked, this, &QDialog::accept);
    connect(btCAN, &QToolButton::clicked, this, &QDialog::reject);
    if (const QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
}

int Webcam::Quadros(int escolha) {
    switch (escolha) {
    case 0:
        return 5;
    case 1:
        return 10;
    case 2:
        return 15;
    case 3:
        return 25;
    default:
        return 0;
    }
}

void Webcam::LigarWebcam(TfmCAP& janela, int escolha, bool manterFluxo) {
    if (m_cap) return;
    QCoreApplication::processEvents();
    auto* cap = new TCapVideo(janela.pnSNAP);
    cap->setGeometry(janela.imPIC->geometry());
    cap->FicheroVideo = QStringLiteral("Video.avi");
    cap->FicheroImagen = QStringLiteral("snapshot.bmp");
    cap->EscalaPreview = false;
    cap->Overlay = true;
    cap->FramesPreview = cap->FramesCaptura = Quadros(escolha);
    try {
        QCoreApplication::processEvents();
        cap->setActivo(true);
        QCoreApplication::processEvents();
        relogio().dormir(2000);
        if (cap->Activo() && manterFluxo) cap->IniciarFluxo();
        m_cap = cap;
    } catch (const std::exception&) {
        // The station works without its camera: absent, and nothing said.
        QCoreApplication::processEvents();
        cap->setActivo(false);
        delete cap;
    }
}

void Webcam::DesligarWebcam() {
    if (!m_cap) return;
    m_cap->setActivo(false);
    delete m_cap;
}

void Webcam::AoAtivar() {
    if (!ativa()) return;
    const bool fluxo = m_cap->Fluxo();
    if (fluxo) m_cap->PararFluxo();
    m_cap->Instantaneo();
    QFile::remove(QStringLiteral("snapshot.bmp"));
    if (fluxo) m_cap->IniciarFluxo();
}

QByteArray Webcam::CapturarFoto(TfmCAP& janela) {
    if (exibir(janela) != QDialog::Accepted || !ativa()) return {};
    const bool fluxo = m_cap->Fluxo();
    if (fluxo) m_cap->PararFluxo();
    m_cap->Instantaneo();
    QByteArray foto;
    QFile f(QStringLiteral("snapshot.bmp"));
    if (f.open(QIODevice::ReadOnly)) {
        foto = f.readAll();
        f.close();
        f.remove();
    }
    if (fluxo) m_cap->IniciarFluxo();
    return foto;
}

bool TesteWebcam::Tentar(QWidget* moldura, int escolha, const std::function<void(const QString&)>& relatorio) {
    if (m_cap) return true;
    auto diga = [&](const QString& l) {
        if (relatorio) relatorio(l);
    };
    diga(QStringLiteral("Tentando conexão..."));
    auto* cap = new TCapVideo(moldura);
    cap->setGeometry(moldura->contentsRect());
    cap->FicheroVideo = QStringLiteral("Video.avi");
    cap->FicheroImagen = PastaPrograma::caminho(QStringLiteral("snapshot.bmp"));
    cap->EscalaPreview = false;
    cap->Overlay = true;
    const int quadros = Webcam::Quadros(escolha);
    cap->FramesPreview = cap->FramesCaptura = quadros;
    try {
        diga(QStringLiteral("Procurando leitora..."));
        cap->setActivo(true);
        diga(QStringLiteral("Aguardando resposta..."));
        relogio().dormir(2000);
        if (cap->Activo()) cap->IniciarFluxo();
        diga(QStringLiteral("ON LINE a %1 quadros por segundo").arg(quadros));
        cap->show();
        m_cap = cap;
        return true;
    } catch (const std::exception&) {
        diga(QStringLiteral("Conexão falhou..."));
        cap->setActivo(false);
        delete cap;
        return false;
    }
}

void TesteWebcam::Desativar(const std::function<void(const QString&)>& relatorio) {
    if (m_cap) {
        m_cap->setActivo(false);
        delete m_cap;
    }
    if (relatorio) relatorio(QStringLiteral("Teste finalizado"));
}

} // namespace portaris
