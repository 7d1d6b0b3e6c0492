#pragma once
// The data module connected to its own database copy, with a scripted operator and a fake clock.
#include "BancoTeste.h"
#include "OperadorRoteirizado.h"
#include "PastaTeste.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Relogio.h"

struct ModuloTeste {
    PastaTeste pasta;
    OperadorRoteirizado operador;
    portaris::RelogioFalso relogio;
    QString arquivo;
    std::unique_ptr<portaris::TdmPORTARIS> dm;

    explicit ModuloTeste(bool conectar = true) {
        portaris::definirRelogio(&relogio);
        qputenv("PORTARIS_ESTACAO", "0A0B0C0D");
        arquivo = BancoTeste::copia(pasta.caminho());
        portaris::cfg::firebird_databasefile.gravar(arquivo);
        portaris::cfg::firebird_password.gravar(QStringLiteral("masterkey"));
        dm = std::make_unique<portaris::TdmPORTARIS>();
        if (conectar && !dm->CONECTAR(QStringLiteral("ptconfig.ini"), true)) qFatal("%s", qPrintable(dm->ultimoErro()));
    }
    ~ModuloTeste() {
        dm.reset();
        portaris::definirRelogio(nullptr);
    }
    // Runs `f` and returns whether it stopped with the silent stop.
    template <class F>
    static bool parou(F&& f) {
        try {
            f();
        } catch (const portaris::Abort&) {
            return true;
        }
        return false;
    }
};
