// Card reply to relay command at a passive reader, through the whole engine, on a big database:
//   bench_acesso [--banco FILE] [--cartoes N] [--usuarios N] [--acessos N]
// The simulator paces every byte at 19200 baud. The time runs from the moment the simulator has sent
// the last byte of the card's reply to the moment it has received the whole relay command.
#include "SemJanelas.h"
#include "SementeBench.h"
#include "Simulador.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

using namespace portaris;
using bench::SemJanelas;

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    qputenv("PORTARIS_ESTACAO", "BE0C0001");
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int cartoes = opt("--cartoes", 1000), usuarios = opt("--usuarios", 100000),
              acessos = opt("--acessos", 1000000);
    const QString arquivo = a.contains("--banco") ? a[a.indexOf("--banco") + 1] : pasta.path() + "/bench.fdb";
    if (!QFile::exists(arquivo)) {
        CriarBanco(arquivo, "SYSDBA", "masterkey");
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        bench::semear(b, usuarios, 200, acessos, 0, out);
    }
    {
        // Reader 1 becomes this station's, on the simulator's line.
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        b.executar(
            "UPDATE LEITORA SET SERIAL = 'COM1', SERIALNUM = 'BE0C0001', CABECA = 200, DESABILITAR = '0', "
            "CONFIRMARACESSO = '0', IGNORARDESC = '0', NAOBATERELE = '0', PERMITIRREINGRESSO = '0', "
            "VISUALIZAR = '0', POSICAO = 'N' WHERE CHAVE = 1");
        b.commit();
    }

    sim::Simulador simulador(19200, true);
    const ArquivoIni ini = ArquivoIni::config();
    ini.GravarTexto("portas", "com1", simulador.abrirBarramento(1));
    simulador.adicionar(1, sim::Modelo::Leitora71, 200);
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar("masterkey");

    QElapsedTimer relogioBench;
    relogioBench.start();
    QMutex trava;
    qint64 ultimoTx = 0;
    QList<double> ms;
    std::atomic<int> reles{0};
    simulador.aoRegistrar([&](const sim::Registro& r) {
        const qint64 agora = relogioBench.nsecsElapsed();
        QMutexLocker l(&trava);
        if (r.evento == QLatin1String("tx") && r.descricao.startsWith(QLatin1String("'A'"))) ultimoTx = agora;
        if (r.evento == QLatin1String("rele")) {
            ms << (agora - ultimoTx) / 1e6;
            ++reles;
        }
    });

    TdmPORTARIS dm;
    DispositivosEstacao disp;
    dm.aoConectarInicial = [&] { disp.Carregar(dm); };
    if (!dm.CONECTAR("ptconfig.ini", true)) {
        out << "sem banco: " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    if (disp.lista.size() != 1 || !DispositivoRespondeu(disp.lista[0])) {
        out << "a leitora não respondeu" << Qt::endl;
        return 1;
    }
    SemJanelas ui;
    ProcedimentosBanco procs(dm, false);
    MotorVeredito veredito(procs, ui);
    MotorAcesso motor(dm, veredito, disp);
    motor.definirJanelaRepeticao(0);
    disp.definirMotor(motor);

    // Holders enabled at reader 1: u % 200 == 0 and u % 200 == 193.
    QStringList lista;
    for (int u = 200; u <= usuarios && lista.size() < cartoes; u += 200)
        lista << bench::cartao(u) << bench::cartao(u - 7);
    lista = lista.mid(0, cartoes);
    {
        QMutexLocker l(&trava);
        ms.clear();
    }
    reles = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < lista.size(); ++i) {
        simulador.comando("cartao 1 200 " + lista[i]);
        disp.Sondar(disp.lista[0]);
        QElapsedTimer espera;
        espera.start();
        while (reles < i + 1 && espera.elapsed() < 2000)
            QThread::usleep(100);
        simulador.comando("cartao 1 200 -");
    }
    QMutexLocker l(&trava);
    // Address and its complement, the 4-byte 'A' command and the 14-byte reply.
    const double wire = 10.0 * (1 + 1 + 4 + 14) / 19200 * 1000;
    out << "cartões: " << lista.size() << " relés: " << ms.size() << " em " << total.elapsed() / 1000.0
        << " s" << Qt::endl;
    out << QStringLiteral("resposta do cartão → comando do relé: p50 %1 ms  p99 %2 ms  máx %3 ms")
               .arg(bench::pct(ms, 0.5), 0, 'f', 2)
               .arg(bench::pct(ms, 0.99), 0, 'f', 2)
               .arg(bench::pct(ms, 1.0), 0, 'f', 2)
        << Qt::endl;
    out << QStringLiteral("limite 20 ms: p99 = %1× do limite; leitura do cartão no fio ≈ %2 ms")
               .arg(bench::pct(ms, 0.99) / 20.0, 0, 'f', 2)
               .arg(wire, 0, 'f', 1)
        << Qt::endl;
    return ms.size() == lista.size() ? 0 : 1;
}
