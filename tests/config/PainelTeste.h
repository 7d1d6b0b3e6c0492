#pragma once
// The configuration panel over its own database copy, the scripted operator and a fake clock.
#include "ModuloTeste.h"
#include "config/TframeConfigurar.h"

#include <QTest>

struct PainelTeste {
    ModuloTeste m;
    std::unique_ptr<portaris::TframeConfigurar> painel;

    explicit PainelTeste(bool conectar = true, bool modoServidor = false) : m(conectar) {
        painel = std::make_unique<portaris::TframeConfigurar>(*m.dm, modoServidor);
        painel->resize(640, 500);
    }
    ~PainelTeste() { painel.reset(); }
    portaris::TdmPORTARIS& dm() { return *m.dm; }
    // As the program wrote them: questions plain, coded messages with their code and kind.
    QStringList mensagens() const {
        QStringList r;
        for (const auto& c : m.operador.mostradas()) {
            if (c.codigo == -1) {
                r << c.texto;
                continue;
            }
            const char* tipo = c.tipo == portaris::TipoMensagem::Erro    ? "ERR"
                               : c.tipo == portaris::TipoMensagem::Aviso ? "AVI"
                                                                         : "OKK";
            r << QStringLiteral("@!%1%2").arg(c.codigo, 3, 10, QLatin1Char('0')).arg(QLatin1String(tipo)) +
                     c.texto;
        }
        return r;
    }
    void sql(const QString& texto) {
        portaris::Unidade::gravar(dm().dbBANCO, [&] { dm().dbBANCO.executar(texto); });
    }
};
