#include "Bytes.h"
#include "ParPty.h"
#include "PastaTeste.h"
#include "devices/uSerialControla.h"
#include "platform/ArquivoIni.h"

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace portaris;

namespace {
// Bytes waiting in this process's own opening of a terminal (found by its path), not yet read.
int pendentes(const QString& caminho) {
    const QString alvo = QFileInfo(caminho).canonicalFilePath();
    for (const QFileInfo& f : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        if (f.symLinkTarget() != alvo) continue;
        int n = 0;
        if (::ioctl(f.fileName().toInt(), FIONREAD, &n) == 0) return n;
    }
    return -1;
}
} // namespace

class TstSerial : public QObject {
    Q_OBJECT

private slots:
    void aberturaExclusiva() {
        ParPty par;
        const QString caminho = par.caminho();
        PortaSerial a = LinhaSerial::abrir(caminho, 19200);
        QVERIFY(PortaValida(a));
        QVERIFY(!LinhaSerial::abrir(caminho, 19200)); // held by this program
        FecharPortaSerial(a);
        QVERIFY(!a);
        FecharPortaSerial(a); // closing an empty handle is harmless
        QVERIFY(!a);
        PortaSerial b = LinhaSerial::abrir(caminho, 19200);
        QVERIFY(PortaValida(b));
        QVERIFY(!LinhaSerial::abrir(QStringLiteral("/dev/nao-existe"), 19200));
        QVERIFY(!LinhaSerial::abrir(caminho + QStringLiteral("x"), 19200));
    }

    void copiaDeHandleFechadoFalha() {
        ParPty par;
        PortaSerial tabela = LinhaSerial::abrir(par.caminho(), 19200);
        PortaSerial driver = tabela; // a driver's copy
        FecharPortaSerial(tabela);
        int n = -1;
        QVERIFY(!EscreverBytes(driver, "x", 1, n));
        QCOMPARE(n, 0);
        char c;
        QVERIFY(!LerBytes(driver, &c, 1, n));
        QCOMPARE(n, 0);
        QVERIFY(!PortaValida(driver));
    }

    void tabelaDePortas() {
        PastaTeste pasta;
        ParPty par;
        const ArquivoIni ini = ArquivoIni::config();
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com1"), par.caminho());
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com2"), QStringLiteral("/dev/nao-existe"));
        TabelaPortas t;
        for (const char* s : {"COM1", "COM1", "COM2", "COM10"})
            t.marcarUsada(NumeroPortaSerial(QString::fromLatin1(s)));
        QVERIFY(t.usada(1) && t.usada(2) && !t.usada(3) && !t.usada(10));
        t.ABRIR_PORTAS();
        QVERIFY(PortaValida(t.handle(1)));
        QCOMPARE(t.handle(1), t.handle(1)); // one open shared by every device of the line
        QVERIFY(!t.handle(2));              // unopenable: invalid
        QVERIFY(!t.handle(3) && !t.handle(10) && !t.handle(0));
        QVERIFY(!AbrirPortaSerial(1, 19200)); // already held
        QVERIFY(!AbrirPortaSerial(10, 19200));
        PortaSerial copia = t.handle(1);
        t.FECHAR_PORTAS();
        QVERIFY(!t.handle(1));
        QVERIFY(!PortaValida(copia));
        QVERIFY(PortaValida(AbrirPortaSerial(1, 19200))); // released
    }

    // A station user outside the lines' group: the line is named with what to do; a missing line is not
    // taken for a refusal. As root the refusal is made in a child that gives its rights up.
    void linhaSemPermissao() {
        PastaTeste pasta;
        ParPty par;
        const ArquivoIni ini = ArquivoIni::config();
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com1"), par.caminho());
        ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com2"), QStringLiteral("/dev/nao-existe"));
        QVERIFY(QFile::setPermissions(pasta.caminho(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                           QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(pasta.caminho("ptconfig.ini"), QFile::ReadOwner | QFile::WriteOwner |
                                                                       QFile::ReadOther));
        QVERIFY(::chmod(QFile::encodeName(par.caminho()).constData(), 0600) == 0);
        auto verificar = [&]() -> bool {
            TabelaPortas t;
            t.marcarUsada(1);
            t.marcarUsada(2);
            t.ABRIR_PORTAS();
            const QStringList avisos = t.SemPermissao();
            return !t.handle(1) && avisos.size() == 1 && avisos[0].contains(QLatin1String("COM1")) &&
                   avisos[0].contains(par.caminho()) && avisos[0].contains(QLatin1String("usermod -aG dialout"));
        };
        if (::geteuid() != 0) {
            QVERIFY(verificar());
            return;
        }
        const pid_t filho = ::fork();
        if (filho == 0) {
            const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && verificar();
            ::_exit(ok ? 0 : 1);
        }
        int estado = 0;
        QCOMPARE(::waitpid(filho, &estado, 0), filho);
        QVERIFY(WIFEXITED(estado));
        QCOMPARE(WEXITSTATUS(estado), 0);
    }

    void numeroDaPorta_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("numero");
        QTest::newRow("COM1") << "COM1" << 1;
        QTest::newRow("COM9") << "COM9" << 9;
        QTest::newRow("COM10") << "COM10" << 10;
        QTest::newRow("vazio") << "" << -1;
        QTest::newRow("sem número") << "COMX" << -1;
        QTest::newRow("outro") << "LPT1" << -1;
    }
    void numeroDaPorta() {
        QFETCH(QString, serial);
        QFETCH(int, numero);
        QCOMPARE(NumeroPortaSerial(serial), numero);
    }

    void transferencias() {
        ParPty par;
        PortaSerial p = LinhaSerial::abrir(par.caminho(), 19200);
        int n = 0;
        const QByteArray todos = bytes({0, 1, 2, 3, 4, 13, 10, 17, 19, 0x7F, 0x80, 0xFF});
        QVERIFY(EscreverBytes(p, todos.constData(), static_cast<int>(todos.size()), n));
        QCOMPARE(n, todos.size());
        QTRY_COMPARE(par.recebido(), todos); // raw: no translation, no flow control
        par.enviar(todos);
        QByteArray lido(todos.size(), '\0');
        QVERIFY(LerBytes(p, lido.data(), static_cast<int>(lido.size()), n));
        COMPARAR_BYTES(lido, todos);
        // Purge drops what is pending.
        par.enviar("lixo");
        QTRY_COMPARE(pendentes(par.caminho()), 4);
        LimparPorta(p);
        QCOMPARE(pendentes(par.caminho()), 0);
        char c;
        QVERIFY(!LerBytes(p, &c, 1, n));
        QCOMPARE(n, 0);
    }

    // A command that gets no reply (a relay pulse) has left when its write returns: the purge that opens
    // the next exchange does not drop it.
    void escritaSaiAntesDaLimpeza() {
        ParPty par;
        PortaSerial p = LinhaSerial::abrir(par.caminho(), 19200);
        QByteArray esperado;
        for (int i = 0; i < 100; ++i) {
            const QByteArray cmd = bytes({'E', i, 0, 0});
            int n = 0;
            QVERIFY(EscreverBytes(p, cmd.constData(), 4, n));
            QCOMPARE(n, 4);
            LimparPorta(p);
            esperado += cmd;
        }
        QTRY_COMPARE_WITH_TIMEOUT(par.recebido().size(), esperado.size(), 1000);
        COMPARAR_BYTES(par.recebido(), esperado);
    }

    // Nor does closing the line right after such a command (a configuration command on a line it opened).
    void escritaSaiAntesDoFechamento() {
        ParPty par;
        const QString caminho = par.caminho();
        QByteArray esperado;
        for (int i = 0; i < 50; ++i) {
            PortaSerial p = LinhaSerial::abrir(caminho, 19200);
            QVERIFY(p);
            const QByteArray cmd = bytes({'E', i, 0, 0});
            int n = 0;
            QVERIFY(EscreverBytes(p, cmd.constData(), 4, n));
            FecharPortaSerial(p);
            esperado += cmd;
        }
        QTRY_COMPARE_WITH_TIMEOUT(par.recebido().size(), esperado.size(), 1000);
        COMPARAR_BYTES(par.recebido(), esperado);
    }

    // The line's limits, in real time: a read never gives up before them (how long past them is the machine's
    // business). A vanished line ends the read on the hang-up, short of a limit no machine reaches here.
    void limitesDeLeitura_data() {
        QTest::addColumn<int>("enviados");
        QTest::addColumn<bool>("fecharDepois");
        QTest::addColumn<int>("pedidos");
        QTest::addColumn<int>("contagem");
        QTest::addColumn<int>("minimo");
        QTest::newRow("aparelho mudo: 500 + 14 x 10") << 0 << false << 14 << 0 << 600;
        QTest::newRow("10 de 14 e silêncio: intervalo de 500") << 10 << false << 14 << 10 << 470;
        QTest::newRow("linha some: 500 + 3000 x 10 não correm") << 0 << true << 3000 << 0 << 0;
    }
    void limitesDeLeitura() {
        QFETCH(int, enviados);
        QFETCH(bool, fecharDepois);
        QFETCH(int, pedidos);
        QFETCH(int, contagem);
        QFETCH(int, minimo);
        ParPty par;
        PortaSerial p = LinhaSerial::abrir(par.caminho(), 19200);
        if (enviados) {
            par.enviar(QByteArray(enviados, 'x'));
            QTRY_COMPARE(pendentes(par.caminho()), enviados); // the interval runs from the last byte
        }
        if (fecharDepois) par.fechar();
        QByteArray buf(pedidos, '\0');
        int n = -1;
        QElapsedTimer t;
        t.start();
        QVERIFY(!LerBytes(p, buf.data(), pedidos, n));
        const qint64 ms = t.elapsed();
        QCOMPARE(n, contagem);
        QVERIFY2(ms >= minimo, qPrintable(QString::number(ms)));
        if (fecharDepois)
            QVERIFY2(ms < LinhaSerial::LimiteFixo + LinhaSerial::LimitePorByte * pedidos, qPrintable(QString::number(ms)));
    }

    void linhaDeOutraThread() {
        ParPty par;
        PortaSerial p = LinhaSerial::abrir(par.caminho(), 19200);
        par.roteiro({{3, "abc"}});
        std::thread outro([&] {
            TravaLinha trava(p);
            int n = 0;
            QVERIFY(EscreverBytes(p, "xyz", 3, n));
            char b[3];
            QVERIFY(LerBytes(p, b, 3, n));
            QCOMPARE(QByteArray(b, 3), QByteArray("abc"));
        });
        outro.join();
    }
};

QTEST_GUILESS_MAIN(TstSerial)
#include "tst_serial.moc"
