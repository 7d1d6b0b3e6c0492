// The webcam without a camera: a service that produces generated frames drives the capture panel,
// the capture window and the page's connection test; the real Qt Multimedia path must fail cleanly.
#include "PastaTeste.h"
#include "access/CapVideo.h"
#include "config/TframeWebCam.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace portaris;

namespace {

class ServicoFalso;

struct Registro {
    QStringList operacoes;
    ServicoCaptura::Conexao conexao = ServicoCaptura::Conexao::Ok;
    QImage imagem = [] {
        QImage q(320, 240, QImage::Format_RGB32);
        q.fill(QColor(10, 120, 200));
        return q;
    }();
    ServicoFalso* servico = nullptr; // the last one made
};

// A camera behind the capture service: every frame it delivers is the registry's picture.
class ServicoFalso final : public ServicoCaptura {
public:
    explicit ServicoFalso(Registro& r) : m_r(r) { m_r.servico = this; }
    ~ServicoFalso() override {
        if (m_r.servico == this) m_r.servico = nullptr;
    }
    Conexao conectar(int d) override {
        m_r.operacoes << QStringLiteral("conectar %1").arg(d);
        return m_r.conexao;
    }
    QString descricao() const override { return QStringLiteral("Câmera de teste"); }
    void mostrar() override { entregar(); }
    bool iniciarFluxo() override {
        m_r.operacoes << QStringLiteral("iniciar");
        emit status(300);
        return true;
    }
    void pararFluxo() override {
        m_r.operacoes << QStringLiteral("parar");
        emit status(301);
    }
    void desconectar() override { m_r.operacoes << QStringLiteral("desconectar"); }
    void entregar() {
        const QImage q = m_r.imagem;
        chegouQuadro([q] { return q; });
    }

private:
    Registro& m_r;
};

// The camera's 30 frames a second for `segundos` seconds of the fake clock, each conversion
// finished before the next frame comes.
void filmar(ServicoFalso& s, RelogioFalso& relogio, int segundos) {
    QSignalSpy mostrado(&s, &ServicoCaptura::novoQuadro);
    for (int k = 0; k < 30 * segundos; ++k) {
        s.entregar();
        if (s.convertendo()) QVERIFY(mostrado.wait(5000));
        relogio.avancar((k + 1) * 1000 / 30 - k * 1000 / 30);
    }
}

QColor corEm(QWidget* w, QPoint p) {
    return QColor(w->grab().toImage().pixel(p));
}

} // namespace

class TstWebcam : public QObject {
    Q_OBJECT
    Registro r;
    RelogioFalso relogio;
    QTemporaryDir dir;
    PastaTeste pasta;

private slots:
    void initTestCase() {
        definirRelogio(&relogio);
        QDir::setCurrent(dir.path()); // "snapshot.bmp" is a relative name
    }
    void cleanupTestCase() { definirRelogio(nullptr); }
    void init() {
        r = Registro{};
        ServicoCaptura::fabrica = [this] { return std::make_unique<ServicoFalso>(r); };
    }
    void cleanup() { ServicoCaptura::fabrica = {}; }

    void janelaDeCaptura() {
        TfmCAP j;
        QCOMPARE(j.size(), QSize(294, 298));
        QCOMPARE(j.windowTitle(), QStringLiteral("Captura foto"));
        QCOMPARE(j.imPIC->geometry(), QRect(8, 7, 280, 210));
        QCOMPARE(j.pnSNAP->palette().color(QPalette::Window), QColor(211, 235, 188));
        QCOMPARE(j.btCAP->geometry(), QRect(1, 2, 70, 70));
        QCOMPARE(j.btCAN->geometry(), QRect(71, 2, 70, 70));
        QCOMPARE(j.btCAP->text(), QStringLiteral("Captura"));
    }

    void taxas_data() {
        QTest::addColumn<int>("escolha");
        QTest::addColumn<int>("quadros");
        QTest::newRow("0") << 0 << 5;
        QTest::newRow("1") << 1 << 10;
        QTest::newRow("2") << 2 << 15;
        QTest::newRow("3") << 3 << 25;
        QTest::newRow("7: nenhuma") << 7 << 0;
    }
    void taxas() {
        QFETCH(int, escolha);
        QFETCH(int, quadros);
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, escolha, false);
        QCOMPARE(w.ativa(), quadros > 0);
        QCOMPARE(Webcam::Quadros(escolha), quadros);
        if (quadros) {
            QCOMPARE(w.cap()->servico()->intervalo(), 1000000 / quadros);
            QCOMPARE(w.cap()->geometry(), j.imPIC->geometry());
            QCOMPARE(w.cap()->FicheroImagen, QStringLiteral("snapshot.bmp"));
            // The live picture is converted at that rate, whatever the camera gives (30 a second).
            j.show();
            QVERIFY(QTest::qWaitForWindowExposed(&j));
            const int antes = r.servico->conversoes();
            filmar(*r.servico, relogio, 10);
            const int feitas = r.servico->conversoes() - antes;
            QVERIFY2(qAbs(feitas - 10 * quadros) <= 1, qPrintable(QString::number(feitas)));
        }
    }

    // A camera that cannot be had leaves the webcam absent and says nothing.
    void semCamera_data() {
        QTest::addColumn<int>("conexao");
        QTest::newRow("driver recusado") << int(ServicoCaptura::Conexao::DriverRecusado);
        QTest::newRow("sem vídeo") << int(ServicoCaptura::Conexao::SemVideo);
    }
    void semCamera() {
        QFETCH(int, conexao);
        r.conexao = ServicoCaptura::Conexao(conexao);
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, 2, true);
        QVERIFY(!w.ativa());
        w.exibir = [](TfmCAP&) { return int(QDialog::Accepted); };
        QVERIFY(w.CapturarFoto(j).isEmpty());
        TCapVideo cap;
        try {
            cap.setActivo(true);
            QFAIL("connected");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), conexao == int(ServicoCaptura::Conexao::DriverRecusado)
                                                      ? TCapVideo::ErroDriver
                                                      : TCapVideo::ErroVideo);
        }
    }

    // "Captura": the stream stops around the snapshot, the frame comes back as a BMP, the file goes.
    void capturar() {
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, 2, true);
        QVERIFY(w.ativa() && w.cap()->Fluxo());
        w.exibir = [](TfmCAP&) { return int(QDialog::Accepted); };
        r.operacoes.clear();
        const QByteArray foto = w.CapturarFoto(j);
        QCOMPARE(r.operacoes, (QStringList{"parar", "iniciar"}));
        QVERIFY(foto.startsWith("BM"));
        const QImage imagem = QImage::fromData(foto, "BMP");
        QCOMPARE(imagem.size(), QSize(320, 240));
        QCOMPARE(QColor(imagem.pixel(5, 5)), QColor(10, 120, 200));
        QVERIFY(!QFile::exists(QStringLiteral("snapshot.bmp")));
        QVERIFY(w.cap()->Fluxo());

        // Cancelled: nothing taken, nothing written.
        w.exibir = [](TfmCAP&) { return int(QDialog::Rejected); };
        r.operacoes.clear();
        QVERIFY(w.CapturarFoto(j).isEmpty());
        QVERIFY(r.operacoes.isEmpty());
        QVERIFY(!QFile::exists(QStringLiteral("snapshot.bmp")));

        // The main window's activation refreshes the camera and leaves no file.
        w.AoAtivar();
        QVERIFY(!QFile::exists(QStringLiteral("snapshot.bmp")));
        w.DesligarWebcam();
        QVERIFY(!w.ativa());
        QVERIFY(r.operacoes.contains(QStringLiteral("desconectar")));
    }

    void testeDaPagina() {
        TframeWebCam pagina;
        TesteWebcam t;
        QStringList linhas;
        auto anotar = [&](const QString& l) { linhas << l; };
        QVERIFY(t.Tentar(pagina.lbPREVIA, 3, anotar));
        QCOMPARE(linhas, (QStringList{"Tentando conexão...", "Procurando leitora...",
                                      "Aguardando resposta...", "ON LINE a 25 quadros por segundo"}));
        // Inside the page's preview frame, within its border.
        const QRect naPagina(t.cap()->mapTo(&pagina, QPoint(0, 0)), t.cap()->size());
        QCOMPARE(naPagina, QRect(17, 25, 280, 210));
        QVERIFY(pagina.lbPREVIA->geometry().contains(naPagina));
        QVERIFY(t.cap()->FicheroImagen.endsWith(QStringLiteral("/snapshot.bmp")));
        linhas.clear();
        t.Desativar(anotar);
        QCOMPARE(linhas, QStringList{"Teste finalizado"});
        QVERIFY(!t.existe());

        r.conexao = ServicoCaptura::Conexao::SemVideo;
        linhas.clear();
        QVERIFY(!t.Tentar(pagina.lbPREVIA, 2, anotar));
        QCOMPARE(linhas, (QStringList{"Tentando conexão...", "Procurando leitora...", "Conexão falhou..."}));
        QVERIFY(!t.existe());
    }

    // Hidden, the frames are only kept: the one a snapshot takes is the only one converted.
    void ocultaNaoConverte() {
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, 3, true);
        QVERIFY(w.ativa() && r.servico);
        ServicoFalso& s = *r.servico;
        filmar(s, relogio, 5);
        QCOMPARE(s.conversoes(), 0);
        w.AoAtivar();
        QCOMPARE(s.conversoes(), 1);
        j.show();
        QVERIFY(QTest::qWaitForWindowExposed(&j));
        filmar(s, relogio, 2);
        QVERIFY2(qAbs(s.conversoes() - 1 - 50) <= 1, qPrintable(QString::number(s.conversoes())));
        j.hide();
        const int mostradas = s.conversoes();
        filmar(s, relogio, 5);
        QCOMPARE(s.conversoes(), mostradas);
    }

    // A camera larger than the picture is shown whole, reduced and centred; the photo keeps its size.
    void quadroGrandeReduzido() {
        QImage grande(1920, 1080, QImage::Format_RGB32);
        grande.fill(Qt::blue);
        for (int y = 0; y < grande.height(); ++y)
            for (int x = grande.width() / 2; x < grande.width(); ++x)
                grande.setPixel(x, y, qRgb(255, 0, 0));
        r.imagem = grande;
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, 2, true);
        QVERIFY(w.ativa() && r.servico);
        j.show();
        QVERIFY(QTest::qWaitForWindowExposed(&j));
        r.servico->entregar();
        QTRY_COMPARE(corEm(w.cap(), QPoint(275, 105)), QColor(Qt::red));
        QCOMPARE(corEm(w.cap(), QPoint(4, 105)), QColor(Qt::blue));
        // 16:9 in a 280 × 210 panel: bands above and below.
        for (const QPoint p : {QPoint(140, 10), QPoint(140, 200)}) {
            const QColor c = corEm(w.cap(), p);
            QVERIFY2(c != QColor(Qt::red) && c != QColor(Qt::blue), qPrintable(c.name()));
        }
        w.exibir = [](TfmCAP&) { return int(QDialog::Accepted); };
        QCOMPARE(QImage::fromData(w.CapturarFoto(j), "BMP").size(), QSize(1920, 1080));
    }

    void areaDoQuadro_data() {
        QTest::addColumn<QSize>("quadro");
        QTest::addColumn<bool>("escala");
        QTest::addColumn<QRect>("area"); // in a 280 × 210 panel
        QTest::newRow("1080p") << QSize(1920, 1080) << false << QRect(0, 26, 280, 157);
        QTest::newRow("720p, com escala") << QSize(1280, 720) << true << QRect(0, 26, 280, 157);
        QTest::newRow("4:3 grande") << QSize(640, 480) << false << QRect(0, 0, 280, 210);
        QTest::newRow("retrato") << QSize(480, 640) << false << QRect(61, 0, 157, 210);
        QTest::newRow("pequeno, sem escala") << QSize(160, 120) << false << QRect(60, 45, 160, 120);
        QTest::newRow("pequeno, com escala") << QSize(160, 120) << true << QRect(0, 0, 280, 210);
        QTest::newRow("vazio") << QSize() << true << QRect();
    }
    void areaDoQuadro() {
        QFETCH(QSize, quadro);
        QFETCH(bool, escala);
        QFETCH(QRect, area);
        QCOMPARE(TCapVideo::areaDoQuadro(quadro, QSize(280, 210), escala), area);
    }

    // This machine has no camera: Qt Multimedia's own path reports the failure and nothing breaks.
    void semCameraDeVerdade() {
        ServicoCaptura::fabrica = {};
        QWidget pagina;
        TesteWebcam t;
        QStringList linhas;
        const bool ok = t.Tentar(&pagina, 2, [&](const QString& l) { linhas << l; });
        if (ok) QSKIP("this machine has a camera");
        QCOMPARE(linhas.last(), QStringLiteral("Conexão falhou..."));
        TfmCAP j;
        Webcam w;
        w.LigarWebcam(j, 2, true);
        QVERIFY(!w.ativa());
    }
};

QTEST_MAIN(TstWebcam)
#include "tst_webcam.moc"
