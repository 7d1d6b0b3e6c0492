#pragma once
// The registration panels put into the main window: created, wired to the function column and
// prepared as the window's creation asks (readers grid, marks, groups, types, controller items,
// the patrol head list).
#include "access/uVisualizarFamilia.h"
#include "registration/TframeCadastroFamilia.h"
#include "registration/TframeCadastroUsuario.h"
#include "registration/TframeRonda.h"

#include <QList>

namespace portaris {

class TfmPRS;
class TdmPORTARIS;
class TControladora;

struct Cadastros {
    TframeCadastroUsuario* usuarios = nullptr;
    TframeCadastroFamilia* familias = nullptr;
    TframeRonda* ronda = nullptr;
};

// `conectado`: the lists are filled from the database only when it was reached.
Cadastros CriarCadastros(TfmPRS& janela, TdmPORTARIS& dm, FonteMembro fonte,
                         const QList<TControladora*>& controladoras, bool conectado);

} // namespace portaris
