#include "db/Esquema.h"
#include "platform/PastaPrograma.h"
#include "shell/uMSG.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

using namespace portaris;

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--criar-banco") == 0) {
        QCoreApplication app(argc, argv);
        return ComandoCriarBanco(QCoreApplication::arguments());
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Portaris"));
    PastaPrograma::garantir();

    OperadorDialogo operador;
    definirOperador(&operador);

    QMainWindow janela;
    janela.setWindowTitle(QStringLiteral("PORTARIS (v2.0.0)"));
    auto* rotulo = new QLabel(QStringLiteral("Pasta do programa: %1").arg(PastaPrograma::raiz()));
    rotulo->setAlignment(Qt::AlignCenter);
    janela.setCentralWidget(rotulo);
    janela.resize(640, 400);
    janela.show();
    const int r = app.exec();
    definirOperador(nullptr);
    return r;
}
