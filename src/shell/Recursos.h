#pragma once
// Resources compiled into the static shell library need registering before first use.
void inicializarRecursosPortaris();
