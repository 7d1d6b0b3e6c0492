#pragma once
// The main window over a connected data module, with the engine's services recorded.
#include "ModuloTeste.h"
#include "access/Veredito.h"
#include "platform/LogEventos.h"
#include "shell/uPORTARIS.h"

#include <QFile>
#include <QTest>

// The stored procedures of the data module, as the login window calls them.
class ProcsModulo : public portaris::Procedimentos {
public:
    explicit ProcsModulo(portaris::TdmPORTARIS& dm) : m_dm(dm) {}
    QVariantMap executar(const QString& nome, const QVariantMap& entradas) override {
        portaris::Procedimento& sp = m_dm.sp(nome);
        for (auto i = entradas.cbegin(); i != entradas.cend(); ++i)
            sp.definir(i.key(), i.value());
        portaris::Unidade::gravar(m_dm.dbBANCO, [&] { sp.executar(); });
        QVariantMap saida;
        for (const QString& s : sp.saidas())
            saida.insert(s, sp.saida(s));
        return saida;
    }

private:
    portaris::TdmPORTARIS& m_dm;
};

struct ChamadasMotor {
    int suspensoes = 0, retomadas = 0, status = 0;
    QStringList logoffs;
    QList<QStringList> aberturas; // nome, origem, observação, lugar, destino
    QString erroAbertura;         // when set, the opening fails with this database error
    QStringList lugares = {QStringLiteral("Portaria"), QStringLiteral("Garagem•"), QStringLiteral("Hall©")};
};

struct ConsoleTeste {
    ModuloTeste m;
    ChamadasMotor chamadas;
    std::unique_ptr<portaris::TfmPRS> w;

    portaris::ServicosConsole servicos() {
        portaris::ServicosConsole s;
        s.lugaresAcesso = [this] { return chamadas.lugares; };
        s.abrirSemCartao = [this](const QString& n, const QString& o, const QString& obs, const QString& l,
                                  const QString& d) {
            chamadas.aberturas << QStringList{n, o, obs, l, d};
            if (!chamadas.erroAbertura.isEmpty()) throw portaris::ErroBanco(chamadas.erroAbertura);
        };
        s.suspenderDispositivos = [this] { ++chamadas.suspensoes; };
        s.retomarDispositivos = [this] { ++chamadas.retomadas; };
        s.mostrarStatus = [this] { ++chamadas.status; };
        s.logoffBanco = [this](const QString& login) {
            chamadas.logoffs << login;
            portaris::Procedimento& sp = m.dm->sp(QStringLiteral("USERLOGOFF"));
            sp.definir(QStringLiteral("PLOGIN"), login);
            portaris::Unidade::gravar(m.dm->dbBANCO, [&] { sp.executar(); });
        };
        return s;
    }

    // `niveis`: five characters "1"/"0" for NIVEL01 … NIVEL05.
    explicit ConsoleTeste(const QString& niveis = QStringLiteral("11111"),
                          portaris::TfmLOG* login = nullptr) {
        recriar(niveis, login);
    }
    // A new main window: it reads the settings it keeps for the run when it is created.
    void recriar(const QString& niveis = QStringLiteral("11111"), portaris::TfmLOG* login = nullptr) {
        w.reset();
        w = std::make_unique<portaris::TfmPRS>(*m.dm, login, servicos());
        definirNiveis(niveis);
        w->setWindowTitle(QStringLiteral("PORTARIS Porteiro"));
    }
    void definirNiveis(const QString& niveis) {
        portaris::Sessao s;
        s.login = QStringLiteral("porteiro");
        s.nome = QStringLiteral("Porteiro");
        for (int i = 0; i < 5; ++i)
            s.niveis[i] = niveis.at(i) == u'1';
        w->definirSessao(s);
    }
    static QStringList linhasLog() {
        QFile f(portaris::CaminhoLog());
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList r;
        for (const QString& l : QString::fromUtf8(f.readAll()).split(u'\n'))
            if (!l.trimmed().isEmpty()) r << l.mid(l.indexOf(QStringLiteral(" : ")) + 3).trimmed();
        return r;
    }
};
