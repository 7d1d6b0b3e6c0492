#include "db/Esquema.h"
#include "platform/PastaPrograma.h"
#include "platform/Sinais.h"
#include "shell/Console.h"
#include "shell/uMSG.h"
#include "shell/uPORTARIS.h"

#include <QApplication>

using namespace portaris;

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--criar-banco") == 0) {
        QCoreApplication app(argc, argv);
        return ComandoCriarBanco(QCoreApplication::arguments());
    }
    QApplication app(argc, argv);
    PastaPrograma::garantir();

    OperadorDialogo operador;
    definirOperador(&operador);
    int r = 0;
    {
        Console console;
        // A message closes the open pop-up column of the main window first.
        operador.antes = [&console] {
            if (console.principal()) console.principal()->FecharMenus();
        };
        TerminarComSinais(&app);
        console.iniciar();
        TerminarComSinais(&app); // the engine took the signals while connecting
        r = app.exec();
        operador.antes = nullptr;
    }
    definirOperador(nullptr);
    return r;
}
