#pragma once
// The data module connected to its own database copy, with a scripted operator and a fake clock.
#include "BancoTeste.h"
#include "OperadorRoteirizado.h"
#include "PastaTeste.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Relogio.h"

#include <QDate>

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
        if (conectar && !dm->CONECTAR(QStringLiteral("ptconfig.ini"), true))
            qFatal("%s", qPrintable(dm->ultimoErro()));
    }
    ~ModuloTeste() {
        dm.reset();
        portaris::definirRelogio(nullptr);
    }
    // Runs `f` and returns whether it stopped with the silent stop.
    template <class F> static bool parou(F&& f) {
        try {
            f();
        } catch (const portaris::Abort&) {
            return true;
        }
        return false;
    }
};

// Card rows for the access listings: keys 1..n, `porDia` a day from 1 May 2024, one second apart,
// named "Pessoa 001", "Pessoa 002", ...
inline void gravarAcessosDeListagem(portaris::Banco& b, int n, int porDia) {
    portaris::Unidade u(b);
    portaris::Comando ins(b, "INSERT INTO ACESSO (CHAVE, DATA, HORA, NOME, CARTAO, RONDA, RELATORIO) "
                             "VALUES (:K, :D, :H, :N, '00000000AB', '0', '1')");
    for (int k = 1; k <= n; ++k) {
        ins.definir("K", k);
        ins.definir("D", QDate(2024, 5, 1).addDays((k - 1) / porDia));
        ins.definir("H", QTime(0, 0).addSecs(k));
        ins.definir("N", QStringLiteral("Pessoa %1").arg(k, 3, 10, QLatin1Char('0')));
        ins.executar();
    }
    u.commit();
}

// The reports page's card listing in date order, read `pagina` rows at a time (not opened yet).
inline std::unique_ptr<portaris::Conjunto> listagemComCartao(portaris::Banco& b, QDate de, QDate ate,
                                                             int pagina) {
    auto q = portaris::Conjunto::consulta(b, "qrREL", "SELECT * FROM RELATORIO_COM_CARTAO(:P00,:P01,:P02)");
    q->definirParametro("P00", de);
    q->definirParametro("P01", ate);
    q->definirParametro("P02", 0);
    q->definirPagina(pagina);
    return q;
}
