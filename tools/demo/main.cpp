// portaris-demo: creates, once, a demonstration installation in the program folder ($PORTARIS_HOME).
#include "Demonstracao.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    if (QCoreApplication::arguments().size() > 1) {
        err << "Uso: portaris-demo   (a pasta do programa vem de PORTARIS_HOME, ou ~/Portaris)" << Qt::endl;
        return 2;
    }
    return portaris::CriarDemonstracao(out, err);
}
