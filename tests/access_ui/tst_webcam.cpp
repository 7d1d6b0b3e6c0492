// The webcam without a camera: a service that produces generated frames drives the capture panel,
// the capture window and the page's connection test; the real Qt Multimedia path must fail cleanly.
#include "PastaTeste.h"
#include "access/CapVideo.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace portaris;

namespace {

struct Registro {
    QStringList operacoes;
    ServicoCaptura::Conexao conexao = ServicoCaptura::Conexao::Ok;
    int intervalo = 0;
};

class ServicoFalso final : public ServicoCaptura {
public:
    explicit ServicoFalso(Registro& r) : m_r(r) {}
    Conexao conectar(int d) override {
        m_r.operacoes << QStringLiteral("conectar %1").arg(d);
        return m_r.conexao;
    }
    QString descricao() const override { return QStringLiteral("Câmera de teste"); }
    void definirIntervalo(int us) override { m_r.intervalo = us; }
    void mostrar() override { emit novoQuadro(quadro()); }
    bool iniciarFluxo() override {
        m_r.operacoes << QStringLiteral("iniciar");
        emit status(300);
        return true;
    }
    void pararFluxo() override {
        m_r.operacoes << QStringLiteral("parar");
        emit status(301);
    }
    QImage quadro() const override {
        QImage q(320, 240, QImage::Format_RGB32);
        q.fill(QColor(10, 120, 200));
        return q;
    }
    void desconectar() override { m_r.operacoes << QStringLiteral("desconectar"); }

private:
    Registro& m_r;
};

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
            QCOMPARE(r.intervalo, 1000000 / quadros);
            QCOMPARE(w.cap()->geometry(), j.imPIC->geometry());
            QCOMPARE(w.cap()->FicheroImagen, QStringLiteral("snapshot.bmp"));
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
        QWidget pagina;
        TesteWebcam t;
        QStringList linhas;
        auto anotar = [&](const QString& l) { linhas << l; };
        QVERIFY(t.Tentar(&pagina, 3, anotar));
        QCOMPARE(linhas, (QStringList{"Tentando conexão...", "Procurando leitora...", "Aguardando resposta...",
                                      "ON LINE a 25 quadros por segundo"}));
        QCOMPARE(t.cap()->geometry(), QRect(6, 25, 280, 210));
        QVERIFY(t.cap()->FicheroImagen.endsWith(QStringLiteral("/snapshot.bmp")));
        linhas.clear();
        t.Desativar(anotar);
        QCOMPARE(linhas, QStringList{"Teste finalizado"});
        QVERIFY(!t.existe());

        r.conexao = ServicoCaptura::Conexao::SemVideo;
        linhas.clear();
        QVERIFY(!t.Tentar(&pagina, 2, anotar));
        QCOMPARE(linhas, (QStringList{"Tentando conexão...", "Procurando leitora...", "Conexão falhou..."}));
        QVERIFY(!t.existe());
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
