// Two stations at full rate on one Firebird server, each handling a card per poll with holders drawn
// from one shared set, so their units of work meet on the same rows:
//   bench_duas_estacoes [--cartoes N] [--titulares N]
// Starts a private server with scripts/firebird-servidor.sh. Each station has its own simulator
// (paced at 19200 baud) and runs on its own thread. Prints rows stored per card presented, the
// conflicts met and the tries repeated, and card reply → relay command at each station.
#include "SemJanelas.h"
#include "ServidorBench.h"
#include "SementeBench.h"
#include "Simulador.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <thread>

using namespace portaris;
using bench::SemJanelas;

namespace {

// One station: its simulator, data module, devices and engine, and the times it measured.
struct Estacao {
    QString id;
    int com;
    sim::Simulador simulador{19200, true};
    SemJanelas ui;
    TdmPORTARIS dm;
    DispositivosEstacao disp;
    std::unique_ptr<ProcedimentosBanco> procs;
    std::unique_ptr<MotorVeredito> veredito;
    std::unique_ptr<MotorAcesso> motor;
    QElapsedTimer relogio;
    QMutex trava;
    qint64 ultimoTx = 0;
    QList<double> ms;
    std::atomic<int> reles{0};

    Estacao(QString ident, int porta) : id(std::move(ident)), com(porta) {
        ArquivoIni::config().GravarTexto("portas", QStringLiteral("com%1").arg(com), simulador.abrirBarramento(com));
        simulador.adicionar(com, sim::Modelo::Leitora71, 200);
        relogio.start();
        simulador.aoRegistrar([this](const sim::Registro& r) {
            const qint64 agora = relogio.nsecsElapsed();
            QMutexLocker l(&trava);
            if (r.evento == QLatin1String("tx") && r.descricao.startsWith(QLatin1String("'A'"))) ultimoTx = agora;
            if (r.evento == QLatin1String("rele")) {
                ms << (agora - ultimoTx) / 1e6;
                ++reles;
            }
        });
    }
    bool conectar() {
        dm.aoConectarInicial = [this] { disp.Carregar(dm); };
        qputenv("PORTARIS_ESTACAO", id.toLatin1());
        if (!dm.CONECTAR("ptconfig.ini", true) || disp.lista.size() != 1 || !DispositivoRespondeu(disp.lista[0]))
            return false;
        procs = std::make_unique<ProcedimentosBanco>(dm, false);
        veredito = std::make_unique<MotorVeredito>(*procs, ui);
        motor = std::make_unique<MotorAcesso>(dm, *veredito, disp);
        motor->definirJanelaRepeticao(0);
        disp.definirMotor(*motor);
        return true;
    }
    void rodar(const QStringList& cartoes, int n, int deslocamento) {
        for (int i = 0; i < n; ++i) {
            simulador.comando(QStringLiteral("cartao %1 200 %2").arg(com).arg(cartoes[(i + deslocamento) % cartoes.size()]));
            disp.Sondar(disp.lista[0]);
            QElapsedTimer espera;
            espera.start();
            while (reles < i + 1 && espera.elapsed() < 2000)
                QThread::usleep(100);
            simulador.comando(QStringLiteral("cartao %1 200 -").arg(com));
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = args.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : padrao;
    };
    const int cartoes = opt("--cartoes", 1000), titulares = opt("--titulares", 50);

    const bench::ServidorBench srv(QStringLiteral(PORTARIS_RAIZ "/scripts/firebird-servidor.sh"));
    if (!srv.ok()) {
        out << "servidor Firebird não iniciou: " << srv.erro << Qt::endl;
        return 1;
    }
    const QString servidor = srv.servidor, senha = srv.senha;

    const QString arquivo = pasta.path() + "/duas.fdb";
    CriarBanco(arquivo, "SYSDBA", "masterkey");
    QStringList lista;
    {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        for (const auto& [chave, id] : {std::pair{1, "0E57A00A"}, std::pair{2, "0E57A00B"}})
            b.executar(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, "
                                      "DESABILITAR, CONFIRMARACESSO, IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, "
                                      "POSICAO, ID_LEITORAMAE, VISUALIZAR) VALUES (%1, 200, 'Entrada %1', 'COM%1', "
                                      "'%2', '0', '0', '0', '0', '1', 'N', 0, '0')")
                           .arg(chave)
                           .arg(QLatin1String(id)));
        for (int u = 1; u <= titulares; ++u) {
            lista << bench::cartao(u);
            bench::titularSempre(b, u, {1, 2});
        }
        b.commit();
    }
    cfg::firebird_server.gravar("remote");
    cfg::firebird_servername.gravar(servidor);
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar(senha);

    bench::OperadorContador operador;
    definirOperador(&operador);
    Estacao a("0E57A00A", 1), b("0E57A00B", 2);
    if (!a.conectar() || !b.conectar()) {
        out << "estação sem banco ou leitora: " << a.dm.ultimoErro() << b.dm.ultimoErro() << Qt::endl;
        return 1;
    }
    for (Estacao* e : {&a, &b}) {
        QMutexLocker l(&e->trava);
        e->ms.clear();
        e->reles = 0;
    }
    QElapsedTimer total;
    total.start();
    std::thread ta([&] { a.rodar(lista, cartoes, 0); });
    std::thread tb([&] { b.rodar(lista, cartoes, 0); }); // the same holder at both, card for card
    ta.join();
    tb.join();
    const double segundos = total.elapsed() / 1000.0;

    Banco leitura;
    leitura.conectar(servidor + ':' + arquivo, "SYSDBA", senha);
    const int linhas = leitura.valor("SELECT COUNT(*) FROM ACESSO").toInt();
    out << QStringLiteral("%1 cartões por estação em %2 s, %3 titulares em comum")
               .arg(cartoes)
               .arg(segundos, 0, 'f', 1)
               .arg(titulares)
        << Qt::endl;
    out << QStringLiteral("linhas gravadas por cartão apresentado: %1 (%2 de %3)")
               .arg(double(linhas) / (2 * cartoes), 0, 'f', 4)
               .arg(linhas)
               .arg(2 * cartoes)
        << Qt::endl;
    for (Estacao* e : {&a, &b}) {
        QMutexLocker l(&e->trava);
        out << QStringLiteral("%1: conflitos %2, repetições %3, caixas %4, relés %5; resposta do cartão → relé "
                              "p50 %6 ms p99 %7 ms máx %8 ms (p99 = %9× de 10 ms)")
                   .arg(e->id)
                   .arg(e->motor->conflitos())
                   .arg(e->motor->repeticoes())
                   .arg(e->ui.caixas.load())
                   .arg(e->ms.size())
                   .arg(bench::pct(e->ms, 0.5), 0, 'f', 2)
                   .arg(bench::pct(e->ms, 0.99), 0, 'f', 2)
                   .arg(bench::pct(e->ms, 1.0), 0, 'f', 2)
                   .arg(bench::pct(e->ms, 0.99) / 10.0, 0, 'f', 2)
            << Qt::endl;
    }
    out << QStringLiteral("mensagens ao operador: %1").arg(operador.mensagens.load()) << Qt::endl;
    definirOperador(nullptr);
    a.disp.FECHAR_PORTAS();
    b.disp.FECHAR_PORTAS();
    return linhas == 2 * cartoes ? 0 : 1;
}
