#pragma once
// The verdict's windows for benchmarks: nobody answers, nothing is shown; failure boxes are counted.
#include "access/Veredito.h"

#include <atomic>

namespace bench {

struct SemJanelas : portaris::InterfaceAcesso {
    Confirmacao PedirConfirmacao(const QString&, int, const QString&, const QString&) override { return {}; }
    bool ConfirmarFamilia(const std::array<int, 9>&) override { return false; }
    void MostrarFoto(const QString&, int, int, const QString&, const QString&) override {}
    void AbrirLembretes(int, const QString&) override {}
    void TocarSom(const QString&) override {}
    void CopiarTexto(const QString&) override {}
    void ProcessarEventos() override {}
    void MostrarCaixa(const QString&, int) override { ++caixas; }
    std::atomic<int> caixas{0};
};

} // namespace bench
