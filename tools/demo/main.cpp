// portaris-demo: creates, once, a demonstration installation in the program folder ($PORTARIS_HOME),
// and points its serial ports at the simulator's lines, which change at every start.
#include "Demonstracao.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    // Never the station's own folder by default: the demonstration lives where it is told to.
    if (qEnvironmentVariable("PORTARIS_HOME").isEmpty()) {
        err << "Defina PORTARIS_HOME com a pasta da demonstração (por exemplo ~/Portaris-demo)." << Qt::endl;
        return 2;
    }
    if (args.isEmpty()) return portaris::CriarDemonstracao(out, err);
    if (args.first() == QStringLiteral("--portas")) return portaris::GravarPortas(args.mid(1), out, err);
    err << "Uso: portaris-demo                      cria a demonstração na pasta do programa\n"
           "     portaris-demo --portas COMn=/dev/pts/X ...   aponta as portas para o simulador\n"
           "A pasta do programa vem de PORTARIS_HOME (ou ~/Portaris)."
        << Qt::endl;
    return 2;
}
