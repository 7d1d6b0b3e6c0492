#include "db/Esquema.h"
#include "platform/Estacao.h"
#include "platform/PastaPrograma.h"
#include "platform/Sinais.h"
#include "shell/Console.h"
#include "shell/uMSG.h"
#include "shell/uPORTARIS.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <sys/resource.h>

using namespace portaris;

namespace {
// Also on standard error: a console started by the session's autostart has its output in the
// session's log, where an installer looks when nobody saw the box.
int falharPartida(const QString& texto) {
    fprintf(stderr, "portaris: %s\n", texto.toUtf8().constData());
    QMessageBox::critical(nullptr, QStringLiteral("Erro"), texto);
    return 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--criar-banco") == 0) {
        QCoreApplication app(argc, argv);
        return ComandoCriarBanco(QCoreApplication::arguments());
    }
    // A desktop session starts programs with 1024 descriptors; remote clients, serial lines and the
    // database's files share them, so the program takes all the system allows it.
    if (rlimit r{}; ::getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
        r.rlim_cur = r.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &r);
    }
    // Until the engine is loaded (Console::iniciar), so a stop asked meanwhile is not lost to it.
    ReterSinais();
    QApplication app(argc, argv);
    try {
        IdentificadorEstacao();
    } catch (const ErroEstacao& e) { // a wrong identifier would quietly load none of this station's devices
        return falharPartida(e.texto());
    }
    // An installed station starts from nothing: its folder, and a local database on first start.
    if (const QString erro = PastaPrograma::garantir(); !erro.isEmpty()) {
        return falharPartida(erro);
    }
    if (const QString erro = CriarBancoLocalSeFaltar(); !erro.isEmpty()) {
        return falharPartida(erro);
    }

    OperadorDialogo operador;
    definirOperador(&operador);
    int r = 0;
    {
        Console console;
        // A message closes the open pop-up column of the main window first.
        operador.antes = [&console] {
            if (console.principal()) console.principal()->FecharMenus();
        };
        // Stopped by the system: the usual close, without its question, so the operator is logged off.
        TerminarComSinais(&app, [&console] { console.encerrar(3); });
        console.iniciar();
        r = app.exec();
        operador.antes = nullptr;
    }
    definirOperador(nullptr);
    return r;
}
