#pragma once
#include <QString>

namespace portaris {

// The program folder holds every fixed path of the system.
namespace PastaPrograma {
// $PORTARIS_HOME when set, otherwise ~/Portaris; created on first use.
QString raiz();
// A path inside the program folder ("ptconfig.ini", "AreaTemp/txtLista.txt", ...).
QString caminho(const QString& relativo);
// Creates the folder and its fixed sub-folders when they are missing. Returns an empty text, or
// what could not be created or written and why.
QString garantir();
// A Windows-style default ("C:\Portaris\copia") mapped into the program folder; other paths unchanged.
QString traduzir(const QString& caminhoWindows);
} // namespace PastaPrograma

} // namespace portaris
