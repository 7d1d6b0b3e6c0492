// The console's start-up up to the login window with 8 passive readers answering, against the
// waits the start-up must make anyway (2 s of splash and 0.5 s before each reader):
//   bench_inicio [--vezes N]
#include "Simulador.h"
#include "db/Esquema.h"
#include "db/Firebird.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "shell/Console.h"
#include "shell/uLogin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

using namespace portaris;

namespace {
struct OperadorMudo : Operador {
    Resposta exibir(const MensagemCodificada&) override { return Resposta::OK; }
};
} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    qputenv("PORTARIS_ESTACAO", "BE0C0008");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList a = app.arguments();
    const int vezes = a.contains("--vezes") ? a[a.indexOf("--vezes") + 1].toInt() : 3;
    OperadorMudo operador;
    definirOperador(&operador);

    const QString arquivo = pasta.path() + "/portaris.fdb";
    CriarBanco(arquivo, "SYSDBA", "masterkey");
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar("masterkey");
    sim::Simulador simulador(19200, true);
    {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        for (int n = 1; n <= 8; ++n) {
            ArquivoIni::config().GravarTexto("portas", QStringLiteral("com%1").arg(n),
                                             simulador.abrirBarramento(n));
            simulador.adicionar(n, sim::Modelo::Leitora71, 200);
            b.executar(QStringLiteral(
                           "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
                           "POSICAO) VALUES (%1, 200, 'Leitora %1', 'COM%1', 'BE0C0008', '0', 'N')")
                           .arg(n));
        }
        b.commit();
    }

    const double obrigatorio = 2.0 + 8 * 0.5;
    QList<double> tempos;
    for (int i = 0; i < vezes; ++i) {
        QElapsedTimer t;
        t.start();
        int responderam = 0;
        {
            Console console;
            console.iniciar(true);
            QCoreApplication::processEvents();
            const double s = t.nsecsElapsed() / 1e9;
            if (!console.login() || !console.login()->isVisible()) {
                out << "a janela de login não apareceu" << Qt::endl;
                return 1;
            }
            for (const Dispositivo& d : console.dispositivos.lista)
                responderam += DispositivoRespondeu(d);
            tempos << s;
        }
        out << QStringLiteral("início %1: %2 s até a janela de login, %3 de 8 leitoras responderam")
                   .arg(i + 1)
                   .arg(tempos.last(), 0, 'f', 3)
                   .arg(responderam)
            << Qt::endl;
    }
    std::sort(tempos.begin(), tempos.end());
    const double mediana = tempos.at(tempos.size() / 2);
    out << QStringLiteral(
               "esperas obrigatórias %1 s; mediana %2 s; excesso %3 s (limite 1 s → %4× do limite)")
               .arg(obrigatorio, 0, 'f', 1)
               .arg(mediana, 0, 'f', 3)
               .arg(mediana - obrigatorio, 0, 'f', 3)
               .arg(mediana - obrigatorio, 0, 'f', 2)
        << Qt::endl;
    definirOperador(nullptr);
    return 0;
}
