#pragma once
#include <QList>
#include <QString>

#include <utility>

class QTextStream;

namespace portaris {

// What to present to the simulated devices to see each case, printed after the installation.
struct CartaoDemo {
    QString comando; // a line for the simulator's console
    QString efeito;
};
QList<CartaoDemo> CartoesDemonstracao();

// Creates the demonstration installation in the program folder: ptconfig.ini, the database with
// this station's devices, holders, enablings, a family and a patrol card. An existing installation
// (settings or database present) is left untouched. Returns the exit code; lines go to out/err.
int CriarDemonstracao(QTextStream& out, QTextStream& err);

// The arguments of GravarPortas, each "COMn=/path" (n from 1 to 9, any case): the ports in their
// order, or none and `erro` saying why (the first bad argument, or none given).
QList<std::pair<int, QString>> LerPortas(const QStringList& atribuicoes, QString& erro);

// Points COMn at the given device paths in [portas] of ptconfig.ini: each argument is "COMn=path"
// (n from 1 to 9). Nothing is written unless every argument is valid. Returns the exit code.
int GravarPortas(const QStringList& atribuicoes, QTextStream& out, QTextStream& err);

} // namespace portaris
