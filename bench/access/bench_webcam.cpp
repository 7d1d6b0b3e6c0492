// What a camera frame costs the program: converting one frame of a webcam's usual formats to an
// image, and the user-interface thread's share per camera frame once only the frames shown at the
// chosen rate are converted (on the service's worker thread).
//   bench_webcam [--quadros N]
#include "access/CapVideo.h"
#include "platform/Relogio.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <cstdio>
#include <cstring>
#include <ctime>

using namespace portaris;

namespace {

// CPU time of the calling thread: the machine is shared, so wall time would count other work.
qint64 cpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// A frame as a webcam delivers it, filled with a gradient so the conversion has work to do.
QVideoFrame quadroDeCamera(QSize tamanho, QVideoFrameFormat::PixelFormat formato) {
    QVideoFrame f{QVideoFrameFormat(tamanho, formato)};
    if (!f.map(QVideoFrame::WriteOnly)) return {};
    for (int p = 0; p < f.planeCount(); ++p) {
        uchar* bits = f.bits(p);
        for (int i = 0; i < f.mappedBytes(p); ++i)
            bits[i] = uchar(i * 7 + p * 31);
    }
    f.unmap();
    return f;
}

class Fonte final : public ServicoCaptura {
public:
    Conexao conectar(int) override { return Conexao::Ok; }
    QString descricao() const override { return QStringLiteral("bench"); }
    void mostrar() override {}
    bool iniciarFluxo() override { return true; }
    void pararFluxo() override {}
    void desconectar() override {}
    void entregar(const QVideoFrame& f) {
        chegouQuadro([f] { return f.toImage(); });
    }
};

const char* nome(QVideoFrameFormat::PixelFormat f) {
    return f == QVideoFrameFormat::Format_YUYV ? "YUYV" : "NV12";
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    int n = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--quadros") == 0) n = std::atoi(argv[i + 1]);

    std::printf("Conversion of one camera frame to an image (mean of %d, CPU time):\n", n);
    for (const QSize t : {QSize(1280, 720), QSize(1920, 1080)}) {
        for (const auto formato : {QVideoFrameFormat::Format_YUYV, QVideoFrameFormat::Format_NV12}) {
            (void)quadroDeCamera(t, formato).toImage(); // first use sets up the converter
            qint64 ns = 0;
            for (int i = 0; i < n; ++i) {
                // A frame keeps its image once converted: each round converts a new one.
                const QVideoFrame f = quadroDeCamera(t, formato);
                const qint64 t0 = cpuNs();
                (void)f.toImage();
                ns += cpuNs() - t0;
            }
            std::printf("  %4dx%-4d %s: %6.2f ms\n", t.width(), t.height(), nome(formato),
                        double(ns) / 1e6 / n);
        }
    }

    // A 30 fps camera for 10 s of a fake clock, at the station's default 15 frames a second.
    RelogioFalso relogio;
    definirRelogio(&relogio);
    std::printf("1920x1080 YUYV camera at 30 fps, 10 s, capture rate 15 per second:\n");
    for (const bool visivel : {false, true}) {
        Fonte fonte;
        fonte.definirIntervalo(1000000 / 15);
        fonte.definirExibicao(visivel, QSize(280, 210));
        QSignalSpy mostrados(&fonte, &ServicoCaptura::novoQuadro);
        qint64 interfaceNs = 0;
        for (int k = 0; k < 300; ++k) {
            const QVideoFrame f = quadroDeCamera(QSize(1920, 1080), QVideoFrameFormat::Format_YUYV);
            const qint64 t0 = cpuNs();
            fonte.entregar(f);
            interfaceNs += cpuNs() - t0;
            if (fonte.convertendo()) mostrados.wait(5000);
            relogio.avancar((k + 1) * 1000 / 30 - k * 1000 / 30);
        }
        std::printf("  %s: %d frames converted, user-interface thread %.3f ms CPU a camera frame "
                    "(was one conversion a frame)\n",
                    visivel ? "picture shown " : "picture hidden", fonte.conversoes(),
                    double(interfaceNs) / 1e6 / 300);
    }
    definirRelogio(nullptr);
    return 0;
}
