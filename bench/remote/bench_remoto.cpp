// The remote-control server under fuzzing and load, on a whole station: the status window's server on
// 127.0.0.1, the engine, an embedded database, the simulator paced at 19200 baud, the polling timers.
//   bench_remoto [--cartoes N] [--ida-e-volta N] [--clientes N] [--pedidos N] [--fuzz N] [--clientes-fuzz N]
//                [--hostil S]
// First --cartoes cards at a second reader ("Recepção", COM2) with no client, the figure the others
// compare with on the same machine; then three runs, each while such cards come one after the other:
//   1. round trip: one client, N ABRIR for "Portaria" (COM1) one at a time, from the request written to
//      the reply read and the relay command in the simulator, whichever comes later;
//   2. load: --clientes clients × --pedidos ABRIR each for "Portaria";
//   3. fuzz: --fuzz records from --clientes-fuzz clients (random bytes, random lengths, truncated records,
//      connections dropped mid-record, well-formed requests among them);
//   4. hostile: 4 clients flooding records with an unknown command for --hostil seconds, then 2,000
//      connections from another process with the descriptor limit at 1024.
// Prints the figures, the card reply → relay command times at the second reader, and the checks.
#include "ClientesRemotos.h"
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
#include "platform/Mensagens.h"
#include "remote/ServidorRemoto.h"
#include "remote/uStatusLeitoras.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryDir>
#include <QTimer>
#include <QFile>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace portaris;
using bench::SemJanelas;

namespace {

struct OperadorContador : Operador {
    std::atomic<int> mensagens{0};
    Resposta exibir(const MensagemCodificada&) override {
        ++mensagens;
        return Resposta::OK;
    }
};

// Relay pulses as the simulator heard them, and the card reply → relay times of COM2.
struct Escuta {
    QElapsedTimer relogio;
    QMutex trava;
    qint64 ultimoCartaoCom2 = 0;
    QList<double> cartaoAoRele;
    QList<qint64> releCom1; // ns on `relogio`
    std::atomic<int> relesCom2{0};
    void ouvir(const sim::Registro& r) {
        const qint64 agora = relogio.nsecsElapsed();
        QMutexLocker l(&trava);
        if (r.com == 2 && r.evento == QLatin1String("tx") && r.descricao.startsWith(QLatin1String("'A'")))
            ultimoCartaoCom2 = agora;
        if (r.evento == QLatin1String("rele")) {
            if (r.com == 1) releCom1 << agora;
            if (r.com == 2) {
                cartaoAoRele << (agora - ultimoCartaoCom2) / 1e6;
                ++relesCom2;
            }
        }
    }
};

// Runs the UI thread's event loop until `feito`.
template <class F> void rodar(F feito) {
    QTimer acordar;
    acordar.start(5);
    while (!feito())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Presents cards at COM2 one after the other, each until its relay pulse, while `ativo`.
struct Cartoes {
    sim::Simulador& sim;
    std::atomic<int>& reles;
    QStringList lista;
    int apresentados = 0, atendidos = 0, perdidos = 0;
    int i = 0;
    bool esperando = false;
    int pulsosAntes = 0;
    QElapsedTimer desde{};
    void passo() {
        const int pulsos = reles;
        if (esperando && pulsos > pulsosAntes) {
            ++atendidos;
            esperando = false;
            sim.comando(QStringLiteral("cartao 2 200 -"));
        } else if (esperando && desde.elapsed() > 10000) {
            ++perdidos;
            esperando = false;
            sim.comando(QStringLiteral("cartao 2 200 -"));
        }
        if (!esperando) {
            pulsosAntes = pulsos;
            sim.comando(QStringLiteral("cartao 2 200 ") + lista[i++ % lista.size()]);
            ++apresentados;
            esperando = true;
            desde.start();
        }
    }
    void terminar() {
        if (esperando) {
            rodar([&] { return reles > pulsosAntes || desde.elapsed() > 10000; });
            (reles > pulsosAntes ? atendidos : perdidos)++;
            sim.comando(QStringLiteral("cartao 2 200 -"));
            esperando = false;
        }
    }
};

int contarAberturas(const QString& arquivo) {
    Banco b;
    b.conectar(arquivo, "SYSDBA", "masterkey");
    Comando c(b, "SELECT COUNT(*) FROM ACESSO WHERE LEITORA = 'Portaria' AND TIPO = 'Sem cartão'");
    c.abrir();
    return c.proximo() ? c.campo(0).toInt() : -1;
}

qint64 memoriaResidenteKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:")) return l.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

QString ms(const QList<double>& v) {
    return QStringLiteral("p50 %1 ms  p99 %2 ms  máx %3 ms")
        .arg(bench::pct(v, 0.5), 0, 'f', 2)
        .arg(bench::pct(v, 0.99), 0, 'f', 2)
        .arg(bench::pct(v, 1.0), 0, 'f', 2);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    qputenv("PORTARIS_ESTACAO", "BE0C0002");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList a = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = a.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < a.size() ? a[i + 1].toInt() : padrao;
    };
    const int semCarga = opt("--cartoes", 30), idaEVolta = opt("--ida-e-volta", 1000),
              clientes = opt("--clientes", 50), pedidos = opt("--pedidos", 100), fuzz = opt("--fuzz", 100000),
              clientesFuzz = opt("--clientes-fuzz", 8), hostil = opt("--hostil", 30);

    OperadorContador operador;
    definirOperador(&operador);
    const QString arquivo = pasta.path() + "/bench.fdb";
    CriarBanco(arquivo, "SYSDBA", "masterkey");
    QStringList cartoes;
    {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        b.executar(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, CONFIRMARACESSO, "
            "IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO, VISUALIZAR, POSICAO, "
            "ID_LEITORAMAE) VALUES (1, 200, 'Portaria', 'COM1', 'BE0C0002', '0', '0', '0', '0', '1', '1', "
            "'0', 'N', 0)");
        b.executar(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, CONFIRMARACESSO, "
            "IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO, VISUALIZAR, POSICAO, "
            "ID_LEITORAMAE) VALUES (2, 200, 'Recepção', 'COM2', 'BE0C0002', '0', '0', '0', '0', '1', '0', "
            "'0', 'N', 0)");
        b.executar("SET GENERATOR GEN_CHAVE_LEITORA TO 10");
        Comando usu(
            b, "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOACESSOFERIADOS, NAOLISTARELAT, "
               "DESABILITAR, SEGE, SEGS, TERE, TERS, QUAE, QUAS, QUIE, QUIS, SEXE, SEXS, SABE, SABS, DOME, "
               "DOMS, EXPIRA) VALUES (:K, :C, :N, 'Morador', 'Geral', '0', '0', '0', :E, :S, :E, :S, :E, :S, "
               ":E, :S, :E, :S, :E, :S, :E, :S, '0')");
        Comando hab(b, "INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (:U, 2, 0)");
        for (int u = 1; u <= 200; ++u) {
            usu.definir("K", u);
            usu.definir("C", bench::cartao(u));
            usu.definir("N", QStringLiteral("Morador %1").arg(u));
            usu.definir("E", QTime(0, 0));
            usu.definir("S", QTime(23, 59, 59));
            usu.executar();
            hab.definir("U", u);
            hab.executar();
            cartoes << bench::cartao(u);
        }
        b.commit();
    }

    sim::Simulador simulador(19200, true);
    Escuta escuta;
    escuta.relogio.start();
    simulador.aoRegistrar([&](const sim::Registro& r) { escuta.ouvir(r); });
    const ArquivoIni ini = ArquivoIni::config();
    for (int com : {1, 2}) {
        ini.GravarTexto("portas", QStringLiteral("com%1").arg(com), simulador.abrirBarramento(com));
        simulador.adicionar(com, sim::Modelo::Leitora71, 200);
    }
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar("masterkey");
    cfg::remoto_ativo.gravar(true);
    cfg::remoto_porta.gravar(0);

    TdmPORTARIS dm;
    DispositivosEstacao disp;
    dm.aoConectarInicial = [&] { disp.Carregar(dm); };
    if (!dm.CONECTAR("ptconfig.ini", true)) {
        out << "sem banco: " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    if (disp.lista.size() != 2) {
        out << "as leitoras não responderam" << Qt::endl;
        return 1;
    }
    SemJanelas ui;
    ProcedimentosBanco procs(dm, false);
    MotorVeredito veredito(procs, ui);
    MotorAcesso motor(dm, veredito, disp);
    motor.definirJanelaRepeticao(0);
    disp.CriarTemporizadores(motor);
    TfmSTATUS janela;
    janela.Preencher(disp);
    janela.IniciarServidor(motor, dm);
    const quint16 porta = janela.servidor()->porta();
    if (porta == 0) {
        out << "o servidor não escutou" << Qt::endl;
        return 1;
    }
    out << "servidor em 127.0.0.1:" << porta << ", simulador a 19200 baud, leitoras sondadas a cada "
        << TMeuTimer::Intervalo << " ms" << Qt::endl;

    bool ok = true;
    auto verificar = [&](bool condicao, const QString& texto) {
        out << (condicao ? "  ok    " : "  FALHA ") << texto << Qt::endl;
        ok = ok && condicao;
    };
    // A relay exchange of the passive reader: address, its complement and the four-byte command.
    const double fioRele = 10.0 * (1 + 1 + 4) / 19200 * 1000;

    // 0. The same cards with no client connected: what the load figures compare with on this machine.
    {
        Cartoes c{simulador, escuta.relesCom2, cartoes};
        {
            QMutexLocker l(&escuta.trava);
            escuta.cartaoAoRele.clear();
        }
        rodar([&] {
            c.passo();
            return c.apresentados > semCarga;
        });
        c.terminar();
        QList<double> cartaoAoRele;
        {
            QMutexLocker l(&escuta.trava);
            cartaoAoRele = escuta.cartaoAoRele;
        }
        out << "\n0. sem clientes: " << c.atendidos
            << " cartões na Recepção, resposta do cartão → comando do relé " << ms(cartaoAoRele) << Qt::endl;
        verificar(c.perdidos == 0, QStringLiteral("%1 cartões sem pulso").arg(c.perdidos));
    }

    // 1. Round trip.
    {
        Cartoes c{simulador, escuta.relesCom2, cartoes};
        {
            QMutexLocker l(&escuta.trava);
            escuta.cartaoAoRele.clear();
            escuta.releCom1.clear();
        }
        const int linhasAntes = contarAberturas(arquivo);
        QList<double> tempos;
        QList<qint64> chegadas;
        std::atomic<bool> fim{false};
        int respostas = 0;
        std::thread cliente([&] {
            QTcpSocket s;
            if (clientes_remotos::conectar(s, porta)) {
                const QByteArray p = clientes_remotos::pedido("ABRIR", "Portaria", "Ida e volta");
                for (int i = 0; i < idaEVolta; ++i) {
                    const qint64 t0 = escuta.relogio.nsecsElapsed();
                    s.write(p);
                    QByteArray r;
                    if (!clientes_remotos::lerBytes(s, r, RegistroRemoto::Tamanho, 30000)) break;
                    const qint64 t1 = escuta.relogio.nsecsElapsed();
                    if (RegistroRemoto::decodificar(r)[RegistroRemoto::Comando] == QLatin1String("RE:ABRIR"))
                        ++respostas;
                    tempos << (t1 - t0) / 1e6;
                    chegadas << t1;
                }
            }
            fim = true;
        });
        QElapsedTimer t;
        t.start();
        rodar([&] {
            c.passo();
            return fim.load();
        });
        cliente.join();
        c.terminar();
        QList<qint64> reles;
        QList<double> cartaoAoRele;
        {
            QMutexLocker l(&escuta.trava);
            reles = escuta.releCom1;
            cartaoAoRele = escuta.cartaoAoRele;
        }
        // The round trip ends when the reply has been read and the relay command has reached the
        // simulator, whichever is later: the station writes the reply once the command has left for the
        // line, and the simulator's thread may take it up a moment after.
        QList<double> idaEVoltaComRele;
        int releDepois = 0;
        for (int i = 0; i < chegadas.size() && i < reles.size(); ++i) {
            const qint64 inicio = chegadas[i] - qint64(tempos[i] * 1e6);
            idaEVoltaComRele << (std::max(chegadas[i], reles[i]) - inicio) / 1e6;
            releDepois += reles[i] > chegadas[i];
        }
        out << "\n1. ida e volta de um ABRIR, " << tempos.size() << " pedidos em " << t.elapsed() / 1000.0
            << " s" << Qt::endl;
        out << "   pedido escrito → resposta lida e comando do relé no simulador: " << ms(idaEVoltaComRele)
            << Qt::endl;
        out << "   pedido escrito → resposta lida: " << ms(tempos) << " (" << releDepois
            << " respostas lidas antes de o simulador registrar o relé já escrito na linha)" << Qt::endl;
        out << QStringLiteral("   limite 2 × troca do relé no fio (2 × %1 ms = %2 ms): p99 = %3× do limite")
                   .arg(fioRele, 0, 'f', 3)
                   .arg(2 * fioRele, 0, 'f', 3)
                   .arg(bench::pct(idaEVoltaComRele, 0.99) / (2 * fioRele), 0, 'f', 2)
            << Qt::endl;
        out << "   cartões na Recepção ao mesmo tempo: " << c.atendidos << " de " << c.apresentados
            << ", resposta do cartão → comando do relé " << ms(cartaoAoRele) << Qt::endl;
        verificar(respostas == idaEVolta,
                  QStringLiteral("%1 respostas RE:ABRIR de %2").arg(respostas).arg(idaEVolta));
        verificar(reles.size() == idaEVolta, QStringLiteral("%1 pulsos na Portaria").arg(reles.size()));
        verificar(contarAberturas(arquivo) - linhasAntes == idaEVolta,
                  QStringLiteral("uma linha por abertura"));
        verificar(c.perdidos == 0, QStringLiteral("%1 cartões sem pulso").arg(c.perdidos));

        // The same opening called on the UI thread with no TCP in between: the server adds the rest.
        QList<double> direto;
        for (int i = 0; i < idaEVolta; ++i) {
            const qint64 t0 = escuta.relogio.nsecsElapsed();
            motor.AbrirSemCartao("Direto", {}, {}, "Portaria", {}, true);
            direto << (escuta.relogio.nsecsElapsed() - t0) / 1e6;
        }
        out << "   a mesma abertura chamada direto na interface, sem TCP: " << ms(direto) << Qt::endl;
    }

    // 2. Load.
    {
        Cartoes c{simulador, escuta.relesCom2, cartoes};
        {
            QMutexLocker l(&escuta.trava);
            escuta.cartaoAoRele.clear();
            escuta.releCom1.clear();
        }
        const int linhasAntes = contarAberturas(arquivo);
        clientes_remotos::Carga carga;
        std::atomic<int> terminados{0};
        std::vector<std::thread> threads;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < clientes; ++i)
            threads.emplace_back([&] {
                clientes_remotos::clienteCarga(porta, pedidos, QStringLiteral("Portaria"), carga);
                ++terminados;
            });
        rodar([&] {
            c.passo();
            return terminados == clientes;
        });
        for (auto& th : threads)
            th.join();
        const double segundos = t.elapsed() / 1000.0;
        c.terminar();
        QList<double> cartaoAoRele;
        int reles = 0;
        {
            QMutexLocker l(&escuta.trava);
            cartaoAoRele = escuta.cartaoAoRele;
            reles = escuta.releCom1.size();
        }
        const int total = clientes * pedidos;
        out << "\n2. carga: " << clientes << " clientes × " << pedidos << " ABRIR em " << segundos << " s ("
            << total / segundos << " aberturas/s)" << Qt::endl;
        out << "   pedido → resposta " << ms(carga.ms) << Qt::endl;
        out << "   cartões na Recepção ao mesmo tempo: " << c.atendidos << " de " << c.apresentados
            << Qt::endl;
        out << "   resposta do cartão → comando do relé " << ms(cartaoAoRele) << Qt::endl;
        out << QStringLiteral("   limite 20 ms: p99 = %1× do limite")
                   .arg(bench::pct(cartaoAoRele, 0.99) / 20.0, 0, 'f', 2)
            << Qt::endl;
        verificar(carga.respostas == total && carga.falhas == 0,
                  QStringLiteral("%1 respostas RE:ABRIR de %2, %3 falhas")
                      .arg(carga.respostas.load())
                      .arg(total)
                      .arg(carga.falhas.load()));
        verificar(reles == total, QStringLiteral("%1 pulsos na Portaria").arg(reles));
        verificar(contarAberturas(arquivo) - linhasAntes == total,
                  QStringLiteral("%1 linhas de abertura").arg(contarAberturas(arquivo) - linhasAntes));
        verificar(c.perdidos == 0 && c.atendidos > 0, QStringLiteral("%1 cartões sem pulso").arg(c.perdidos));
    }

    // 3. Fuzz.
    {
        Cartoes c{simulador, escuta.relesCom2, cartoes};
        {
            QMutexLocker l(&escuta.trava);
            escuta.cartaoAoRele.clear();
            escuta.releCom1.clear();
        }
        clientes_remotos::Fuzz f;
        std::atomic<int> terminados{0};
        std::vector<std::thread> threads;
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < clientesFuzz; ++i)
            threads.emplace_back([&, i] {
                clientes_remotos::clienteFuzz(porta, (fuzz + clientesFuzz - 1) / clientesFuzz, 0xF0220 + i,
                                              QStringLiteral("Portaria"), QStringLiteral("Recepção"), 1,
                                              3600 * 1000, f);
                ++terminados;
            });
        rodar([&] {
            c.passo();
            return terminados == clientesFuzz;
        });
        for (auto& th : threads)
            th.join();
        const double segundos = t.elapsed() / 1000.0;
        c.terminar();
        rodar([&] { return janela.servidor()->conexoes() == 0; });
        int reles = 0;
        QList<double> cartaoAoRele;
        {
            QMutexLocker l(&escuta.trava);
            reles = escuta.releCom1.size();
            cartaoAoRele = escuta.cartaoAoRele;
        }
        out << "\n3. fuzz: " << f.registros << " registros de " << clientesFuzz << " clientes em " << segundos
            << " s (" << f.registros / segundos << " registros/s), " << f.respostas << " respostas, "
            << f.conexoes << " conexões, " << f.truncados << " derrubadas no meio de um registro" << Qt::endl;
        out << "   cartões na Recepção ao mesmo tempo: " << c.atendidos << " de " << c.apresentados
            << ", resposta do cartão → comando do relé " << ms(cartaoAoRele) << Qt::endl;
        verificar(f.registros >= fuzz, QStringLiteral("%1 registros enviados").arg(f.registros.load()));
        verificar(f.erros == 0, QStringLiteral("%1 respostas faltando, a mais ou fora de ordem %2")
                                    .arg(f.erros.load())
                                    .arg(f.detalhes.join(QStringLiteral("; "))));
        verificar(reles == f.aberturas, QStringLiteral("%1 pulsos na Portaria para %2 ABRIR bem formados")
                                            .arg(reles)
                                            .arg(f.aberturas.load()));
        verificar(c.perdidos == 0 && c.atendidos > 0, QStringLiteral("%1 cartões sem pulso").arg(c.perdidos));
    }
    // 4. Hostile: clients flooding records with an unknown command while cards come at the other
    // reader; then a crowd of connections under a 1024-descriptor limit.
    if (hostil > 0) {
        Cartoes c{simulador, escuta.relesCom2, cartoes};
        {
            QMutexLocker l(&escuta.trava);
            escuta.cartaoAoRele.clear();
        }
        const qint64 memoriaAntes = memoriaResidenteKb();
        std::atomic<bool> parar{false};
        std::atomic<qint64> invalidos{0};
        std::atomic<int> reconexoes{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&] {
                const QByteArray lixo =
                    clientes_remotos::pedido(QStringLiteral("XYZ"), QStringLiteral("Portaria")).repeated(200);
                // Let go by the server, a flooder comes back at once.
                while (!parar) {
                    QTcpSocket s;
                    if (!clientes_remotos::conectar(s, porta)) return;
                    ++reconexoes;
                    while (!parar && s.state() == QAbstractSocket::ConnectedState) {
                        s.write(lixo);
                        s.waitForBytesWritten(1000);
                        invalidos += 200;
                    }
                    s.abort();
                }
            });
        // The polling timers tick every 800 ms; a timer of the same interval on the same thread shows
        // how late they could be.
        QElapsedTimer relogio;
        relogio.start();
        qint64 ultimo = 0, maiorIntervalo = 0;
        QTimer tique;
        tique.setInterval(800);
        QObject::connect(&tique, &QTimer::timeout, [&] {
            const qint64 agora = relogio.elapsed();
            if (ultimo > 0) maiorIntervalo = std::max(maiorIntervalo, agora - ultimo);
            ultimo = agora;
        });
        tique.start();
        rodar([&] {
            c.passo();
            return relogio.elapsed() > hostil * 1000;
        });
        parar = true;
        for (auto& th : threads)
            th.join();
        c.terminar();
        rodar([&] { return janela.servidor()->conexoes() == 0; });
        tique.stop();
        const qint64 memoriaDepois = memoriaResidenteKb();
        QList<double> cartaoAoRele;
        {
            QMutexLocker l(&escuta.trava);
            cartaoAoRele = escuta.cartaoAoRele;
        }
        out << "\n4. hostil: 4 clientes enviando " << invalidos.load() << " registros de comando desconhecido em "
            << hostil << " s, em " << reconexoes.load() << " conexões (o servidor solta quem insiste)" << Qt::endl;
        out << "   cartões na Recepção ao mesmo tempo: " << c.atendidos << " de " << c.apresentados
            << ", resposta do cartão → comando do relé " << ms(cartaoAoRele) << Qt::endl;
        out << QStringLiteral("   limite 20 ms: p99 = %1× do limite; maior intervalo de um temporizador de 800 ms: "
                              "%2 ms = %3× do intervalo (limite 2×)")
                   .arg(bench::pct(cartaoAoRele, 0.99) / 20.0, 0, 'f', 2)
                   .arg(maiorIntervalo)
                   .arg(maiorIntervalo / 800.0, 0, 'f', 2)
            << Qt::endl;
        out << QStringLiteral("   memória residente: %1 MB → %2 MB (+%3 MB; limite +50 MB)")
                   .arg(memoriaAntes / 1024.0, 0, 'f', 1)
                   .arg(memoriaDepois / 1024.0, 0, 'f', 1)
                   .arg((memoriaDepois - memoriaAntes) / 1024.0, 0, 'f', 1)
            << Qt::endl;
        verificar(bench::pct(cartaoAoRele, 0.99) < 20.0 && c.perdidos == 0, QStringLiteral("cartões a tempo"));
        verificar(maiorIntervalo < 1600, QStringLiteral("temporizador nunca atrasou mais que um intervalo"));
        verificar(memoriaDepois - memoriaAntes < 50 * 1024, QStringLiteral("memória"));

        // A crowd: 2,000 connections from another process held open, the console at 1024 descriptors.
        rlimit antes{};
        ::getrlimit(RLIMIT_NOFILE, &antes);
        rlimit baixo = antes;
        baixo.rlim_cur = std::min<rlim_t>(1024, antes.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &baixo);
        int maiorNumero = 0;
        const pid_t filho = ::fork();
        if (filho == 0) {
            rlimit r{};
            ::getrlimit(RLIMIT_NOFILE, &r);
            r.rlim_cur = r.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &r);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(porta);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            for (int i = 0; i < 2000; ++i) {
                const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                if (fd < 0) break;
                ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
            }
            ::sleep(3);
            ::_exit(0);
        }
        rodar([&] {
            maiorNumero = std::max(maiorNumero, janela.servidor()->conexoes());
            int estado = 0;
            return ::waitpid(filho, &estado, WNOHANG) == filho;
        });
        rodar([&] { return janela.servidor()->conexoes() == 0; });
        QTcpSocket depois;
        bool respondeu = false;
        if (clientes_remotos::conectar(depois, porta)) {
            depois.write(clientes_remotos::pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {},
                                                  QStringLiteral("admin")));
            QByteArray r;
            rodar([&] { return depois.waitForReadyRead(10) || depois.bytesAvailable() >= RegistroRemoto::Tamanho ||
                               depois.state() != QAbstractSocket::ConnectedState; });
            r = depois.read(RegistroRemoto::Tamanho);
            respondeu = RegistroRemoto::decodificar(r)[RegistroRemoto::Texto] == QLatin1String("OKK");
        }
        ::setrlimit(RLIMIT_NOFILE, &antes);
        out << "   2000 conexões de outro processo com 1024 descritores: no máximo " << maiorNumero
            << " atendidas ao mesmo tempo (limite " << ServidorRemoto::LimiteConexoesPadrao << "); "
            << (respondeu ? "o console segue respondendo" : "o console NÃO respondeu depois") << Qt::endl;
        verificar(maiorNumero <= ServidorRemoto::LimiteConexoesPadrao && respondeu,
                  QStringLiteral("limite de conexões respeitado e console vivo"));
    }
    verificar(operador.mensagens == 0 && ui.caixas == 0, QStringLiteral("nenhuma caixa de mensagem"));
    out << (ok ? "\ntudo certo" : "\nHOUVE FALHAS") << Qt::endl;
    disp.Suspender();
    definirOperador(nullptr);
    return ok ? 0 : 1;
}
