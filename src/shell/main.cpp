#include "db/Esquema.h"
#include "platform/Estacao.h"
#include "platform/PastaPrograma.h"
#include "platform/Sinais.h"
#include "shell/Console.h"
#include "shell/uMSG.h"
#include "shell/uPORTARIS.h"

#include <QApplication>
#include <QMessageBox>

using namespace portaris;

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--criar-banco") == 0) {
        QCoreApplication app(argc, argv);
        return ComandoCriarBanco(QCoreApplication::arguments());
    }
    // Until the engine is loaded (Console::iniciar), so a stop asked meanwhile is not lost to it.
    ReterSinais();
    QApplication app(argc, argv);
    try {
        IdentificadorEstacao();
    } catch (const ErroEstacao& e) { // a wrong identifier would quietly load none of this station's devices
        QMessageBox::critical(nullptr, QStringLiteral("Erro"), e.texto());
        return 1;
    }
    // An installed station starts from nothing: its folder, and a local database on first start.
    if (const QString erro = PastaPrograma::garantir(); !erro.isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("Erro"), erro);
        return 1;
    }
    if (const QString erro = CriarBancoLocalSeFaltar(); !erro.isEmpty()) {
        QMessageBox::critical(nullptr, QStringLiteral("Erro"), erro);
        return 1;
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
