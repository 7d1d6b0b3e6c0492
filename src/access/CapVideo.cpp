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
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <stdexcept>

namespace portaris {

namespace {

// The platform's cameras through Qt Multimedia; the frames arrive through a video sink.
class ServicoCapturaQt final : public ServicoCaptura {
public:
    Conexao conectar(int dispositivo) override {
        const QList<QCameraDevice> cameras = QMediaDevices::videoInputs();
        if (dispositivo < 0 || dispositivo >= cameras.size()) return Conexao::SemVideo;
        m_descricao = cameras[dispositivo].description().left(80);
        m_camera = std::make_unique<QCamera>(cameras[dispositivo]);
        m_sessao.setCamera(m_camera.get());
        m_sessao.setVideoSink(&m_sink);
        QObject::connect(&m_sink, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& f) {
            m_quadro = f.toImage();
            emit novoQuadro(m_quadro);
        });
        // A camera unplugged while in use: its picture stops, nothing else.
        QObject::connect(m_camera.get(), &QCamera::errorOccurred, this, [this] { m_quadro = QImage(); });
        m_camera->start();
        if (m_camera->error() != QCamera::NoError) {
            desconectar();
            return Conexao::DriverRecusado;
        }
        return Conexao::Ok;
    }
    QString descricao() const override { return m_descricao; }
    void definirIntervalo(int) override {}
    void mostrar() override {}
    bool iniciarFluxo() override {
        if (!m_camera) return false;
        m_camera->start();
        emit status(300);
        return true;
    }
    void pararFluxo() override { emit status(301); }
    QImage quadro() const override { return m_quadro; }
    void desconectar() override {
        QObject::disconnect(&m_sink, nullptr, this, nullptr);
        if (m_camera) m_camera->stop();
        m_sessao.setCamera(nullptr);
        m_camera.reset();
    }

private:
    QMediaCaptureSession m_sessao;
    QVideoSink m_sink;
    std::unique_ptr<QCamera> m_camera;
    QImage m_quadro;
    QString m_descricao;
};

} // namespace

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

void TCapVideo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_quadro.isNull()) return;
    if (EscalaPreview)
        p.drawImage(rect(), m_quadro);
    else
        p.drawImage(QPoint(0, 0), m_quadro);
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

bool TesteWebcam::Tentar(QWidget* pagina, int escolha, const std::function<void(const QString&)>& relatorio) {
    if (m_cap) return true;
    auto diga = [&](const QString& l) {
        if (relatorio) relatorio(l);
    };
    diga(QStringLiteral("Tentando conexão..."));
    auto* cap = new TCapVideo(pagina);
    cap->setGeometry(6, 25, 280, 210);
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
