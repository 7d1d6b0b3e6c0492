#include "Recursos.h"

#include <QtGlobal>

void inicializarRecursosPortaris() {
    static const bool feito = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)feito;
}
