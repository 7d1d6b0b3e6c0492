#pragma once
// A whole station under test: its own database, the simulator's devices on pseudo-terminals, the
// data module brought up as at start, the engine with scripted operator answers, on a fake clock.
#include "ModuloTeste.h"
#include "Simulador.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "platform/ArquivoIni.h"

#include <QQueue>

// The operator and the windows of a verdict, scripted.
struct InterfaceRoteirizada : portaris::InterfaceAcesso {
    QQueue<Confirmacao> respostas;
    QQueue<bool> respostasFamilia;
    QStringList perguntas; // reading point of each confirmation asked
    QList<std::array<int, 9>> familias;
    QStringList fotos; // "ponto|segundos|nome"
    QStringList sons, copiados;
    QStringList caixas; // "texto|segundos"
    QList<int> lembretes;
    std::function<void()> durantePergunta; // runs inside the dialog (nested polling)

    Confirmacao PedirConfirmacao(const QString& ponto, int, const QString&, const QString&) override {
        perguntas << ponto;
        if (durantePergunta) durantePergunta();
        return respostas.isEmpty() ? Confirmacao{} : respostas.dequeue();
    }
    bool ConfirmarFamilia(const std::array<int, 9>& m) override {
        familias << m;
        return !respostasFamilia.isEmpty() && respostasFamilia.dequeue();
    }
    void MostrarFoto(const QString& ponto, int s, int, const QString&, const QString& nome) override {
        fotos << QStringLiteral("%1|%2|%3").arg(ponto).arg(s).arg(nome);
    }
    void AbrirLembretes(int chave, const QString&) override { lembretes << chave; }
    void TocarSom(const QString& a) override { sons << a; }
    void CopiarTexto(const QString& t) override { copiados << t; }
    void ProcessarEventos() override {}
    void MostrarCaixa(const QString& texto, int segundos) override {
        caixas << QStringLiteral("%1|%2").arg(texto).arg(segundos);
    }
};

class EstacaoTeste {
public:
    ModuloTeste m{false};
    portaris::sim::Simulador sim{19200, false};
    InterfaceRoteirizada ui;
    std::unique_ptr<portaris::ProcedimentosBanco> procs;
    std::unique_ptr<portaris::MotorVeredito> veredito;
    portaris::DispositivosEstacao disp;
    std::unique_ptr<portaris::MotorAcesso> motor;
    portaris::Banco semente;

    // How the test's own connections reach the station's database.
    QString nomeBanco;
    QString senha = QStringLiteral("masterkey");

    // Buses COM1 (passive readers), COM2 (gate readers), COM3 (controllers), then the station's rows.
    // With `servidor` ("host/port") the station reaches its database through that Firebird server.
    explicit EstacaoTeste(const QString& servidor = {}, const QString& senhaServidor = {}) {
        using portaris::sim::Modelo;
        const portaris::ArquivoIni ini = portaris::ArquivoIni::config();
        nomeBanco = m.arquivo;
        if (!servidor.isEmpty()) {
            portaris::cfg::firebird_server.gravar(QStringLiteral("remote"));
            portaris::cfg::firebird_servername.gravar(servidor);
            portaris::cfg::firebird_password.gravar(senhaServidor);
            nomeBanco = servidor + u':' + m.arquivo;
            senha = senhaServidor;
        }
        for (int com : {1, 2, 3})
            ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com%1").arg(com),
                            sim.abrirBarramento(com));
        sim.adicionar(1, Modelo::Leitora71, 200);
        sim.adicionar(2, Modelo::Leitora64AX, 170);
        sim.adicionar(3, Modelo::Controladora, 1);
        semente.conectar(nomeBanco, QStringLiteral("SYSDBA"), senha);
    }
    ~EstacaoTeste() {
        motor.reset();
        disp.Suspender();
        disp.FECHAR_PORTAS();
        semente.desconectar();
    }

    void sql(const QString& texto) {
        semente.executar(texto);
        semente.commitRetaining();
    }

    // Connects as at start-up (bring-up included) and builds the engine.
    void iniciar(bool temporizadores = false) {
        semente.commit();
        m.dm->aoConectarInicial = [this] { disp.Carregar(*m.dm); };
        if (!m.dm->CONECTAR(QStringLiteral("ptconfig.ini"), true))
            qFatal("%s", qPrintable(m.dm->ultimoErro()));
        procs = std::make_unique<portaris::ProcedimentosBanco>(*m.dm, false);
        veredito = std::make_unique<portaris::MotorVeredito>(*procs, ui);
        motor = std::make_unique<portaris::MotorAcesso>(*m.dm, *veredito, disp);
        motor->loginAtual = [] { return QStringLiteral("admin"); };
        if (temporizadores)
            disp.CriarTemporizadores(*motor);
        else
            disp.definirMotor(*motor);
    }

    template <class T> T* dispositivo(int i) { return std::get<T*>(disp.lista.at(i)); }
    // One poll of device i, as its timer's tick.
    void sondar(int i) { disp.Sondar(disp.lista.at(i)); }

    int pulsos(int com) const { return sim.contar(QStringLiteral("rele"), com); }
    // Signal commands heard on a bus (the passive reader's and the gate reader's).
    int bipes(int com) const {
        int n = 0;
        for (const auto& r : sim.registros())
            n += r.com == com && r.evento == QLatin1String("rx") &&
                 r.descricao.contains(QLatin1String("sinalizar"));
        return n;
    }

    // Rows of ACESSO as stored, oldest first.
    QList<QVariantMap> acessos() {
        QList<QVariantMap> r;
        portaris::Banco b;
        b.conectar(nomeBanco, QStringLiteral("SYSDBA"), senha);
        portaris::Comando c(b, QStringLiteral("SELECT * FROM ACESSO ORDER BY CHAVE"));
        c.abrir();
        while (c.proximo()) {
            QVariantMap linha;
            for (int i = 0; i < c.colunas(); ++i)
                linha.insert(c.nomesColunas().at(i), c.campo(i));
            r << linha;
        }
        c.fechar();
        return r;
    }
    QVariant valor(const QString& consulta) {
        portaris::Banco b;
        b.conectar(nomeBanco, QStringLiteral("SYSDBA"), senha);
        portaris::Comando c(b, consulta);
        c.abrir();
        return c.proximo() ? c.campo(0) : QVariant();
    }
};

// Holder `chave` with card `cartao`, every day 00:00:00–23:59:59, enabled at `leitoras`.
inline QString titular(int chave, const QString& cartao, const QString& nome, const QList<int>& leitoras,
                       const QString& extra = {}) {
    QString cols, vals;
    for (const char* d : {"DOM", "SEG", "TER", "QUA", "QUI", "SEX", "SAB"}) {
        cols += QStringLiteral(", %1E, %1S").arg(QLatin1String(d));
        vals += QStringLiteral(", '00:00:00', '23:59:59'");
    }
    QString s =
        QStringLiteral("EXECUTE BLOCK AS BEGIN INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, "
                       "NAOLISTARELAT, DESABILITAR, NAOACESSOFERIADOS, EXPIRA%1) VALUES (%2, '%3', '%4', "
                       "'Morador', 'Geral', '0', '0', '0', '0'%5);")
            .arg(cols)
            .arg(chave)
            .arg(cartao, nome, vals);
    for (int l : leitoras)
        s += QStringLiteral(" INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (%1, %2);").arg(chave).arg(l);
    if (!extra.isEmpty()) s += u' ' + extra;
    return s + QStringLiteral(" END");
}
