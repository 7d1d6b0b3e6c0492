// An off-line controller's daily work at 19200 baud, paced by the simulator:
//   bench_controladora [--eventos N] [--cartoes N] [--titulares N] [--copia] [--usuarios N] [--acessos N]
// 1. a manual download of N events (default 300), against the wire time of the memory read alone;
// 2. a card list of N cards (default 5,000) into the controller, against the line's throughput;
// 3. the transfer files for a controller whose doors admit N holders (default 20,000);
// 4. with --copia: backup and restore of a seeded database (holders with photos and access rows).
#include "SemJanelas.h"
#include "SementeBench.h"
#include "Simulador.h"
#include "access/AcoesDiarias.h"
#include "access/BaixarEventos.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "access/TransferenciaControladora.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QTemporaryDir>

using namespace portaris;
using bench::SemJanelas;

namespace {

// Bytes both ways on the line while `f` runs, from the simulator's log.
qint64 bytesNoFio(sim::Simulador& s, const std::function<void()>& f) {
    s.limparRegistros();
    f();
    qint64 n = 0;
    for (const auto& r : s.registros())
        if (r.evento == QLatin1String("rx") || r.evento == QLatin1String("tx")) n += r.bytes.size();
    return n;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir pasta;
    qputenv("PORTARIS_HOME", pasta.path().toLocal8Bit());
    qputenv("PORTARIS_ESTACAO", "BE0C0013");
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    auto opt = [&](const char* nome, int padrao) {
        const qsizetype i = args.indexOf(QString::fromLatin1(nome));
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : padrao;
    };
    const int eventos = opt("--eventos", 300), cartoes = opt("--cartoes", 3840), titulares = opt("--titulares", 20000);
    const double byteMs = 10.0 / 19200 * 1000;

    const QString arquivo = pasta.path() + "/portaris.fdb";
    CriarBanco(arquivo, "SYSDBA", "masterkey");
    {
        Banco b;
        b.conectar(arquivo, "SYSDBA", "masterkey");
        b.executar("INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, ONLINE, "
                   "FREQDOWN, PORTA01, PORTA02, PORTA03, PORTA04, RELEP1, RELEP2, RELEP3, RELEP4) VALUES (10, 1, "
                   "'Bloco A', 'COM1', 'BE0C0013', '0', '0', 0, 'Social', 'Servico', 'Garagem', 'Terraco', 1, 1, 1, 1)");
        b.commit();
        QElapsedTimer t;
        t.start();
        b.executar("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (25, 12, 'Natal')");
        Comando usu(b, "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, GRUPO) VALUES (:K, :C, :N, 'Geral')");
        Comando hab(b, "INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (:U, "
                       "(SELECT CHAVEP01 FROM CONTROLADORA WHERE CHAVE = 10), 0)");
        for (int u = 1; u <= titulares; ++u) {
            usu.definir("K", u);
            usu.definir("C", bench::cartao(u));
            usu.definir("N", QStringLiteral("Titular %1").arg(u));
            usu.executar();
            hab.definir("U", u);
            hab.executar();
        }
        b.commit();
        out << titulares << " titulares semeados em " << t.elapsed() / 1000.0 << " s" << Qt::endl;
    }

    sim::Simulador simulador(19200, true);
    ArquivoIni::config().GravarTexto("portas", "com1", simulador.abrirBarramento(1));
    simulador.adicionar(1, sim::Modelo::Controladora, 1);
    cfg::firebird_databasefile.gravar(arquivo);
    cfg::firebird_password.gravar("masterkey");

    struct Operador : portaris::Operador {
        Resposta exibir(const MensagemCodificada& m) override {
            QTextStream(stderr) << "mensagem: " << m.texto << Qt::endl;
            return Resposta::OK;
        }
    } operador;
    definirOperador(&operador);
    TdmPORTARIS dm;
    DispositivosEstacao disp;
    dm.aoConectarInicial = [&] { disp.Carregar(dm); };
    if (!dm.CONECTAR("ptconfig.ini", true) || disp.lista.size() != 1 || !DispositivoRespondeu(disp.lista[0])) {
        out << "sem banco ou controladora: " << dm.ultimoErro() << Qt::endl;
        return 1;
    }
    SemJanelas ui;
    ProcedimentosBanco procs(dm, false);
    MotorVeredito veredito(procs, ui);
    MotorAcesso motor(dm, veredito, disp);
    TControladora& c = *std::get<TControladora*>(disp.lista[0]);

    // 1. The download against the memory read alone.
    simulador.comando(QStringLiteral("eventos 1 1 %1 0x10").arg(eventos));
    const QString cab = simulador.comando("memoria 1 1 8 4").remove(u' ');
    const int base = cab.left(4).toInt(nullptr, 16), topo = cab.mid(4).toInt(nullptr, 16);
    std::vector<quint8> dados(static_cast<size_t>(topo - base));
    QElapsedTimer t;
    t.start();
    quint8 erro = 0;
    const qint64 bytesLeitura = bytesNoFio(simulador, [&] {
        c.LerMemoria(static_cast<quint16>(base), topo - base, {}, dados.data(), erro);
    });
    const double leituraMs = t.nsecsElapsed() / 1e6;
    const double fioLeituraMs = bytesLeitura * byteMs;
    BaixadorEventos baixador(dm, motor, disp);
    t.restart();
    baixador.BaixarEventos(nullptr);
    const double downloadMs = t.nsecsElapsed() / 1e6;
    const int linhas = dm.dbBANCO.valor("SELECT COUNT(*) FROM ACESSO").toInt();
    out << QStringLiteral("download de %1 eventos (%2 bytes): %3 ms, %4 linhas gravadas; só a leitura da memória: "
                          "%5 ms (%6 bytes no fio = %7 ms) → %8× do tempo de fio da leitura (limite 1,15×)")
               .arg(eventos)
               .arg(topo - base)
               .arg(downloadMs, 0, 'f', 0)
               .arg(linhas)
               .arg(leituraMs, 0, 'f', 0)
               .arg(bytesLeitura)
               .arg(fioLeituraMs, 0, 'f', 0)
               .arg(downloadMs / fioLeituraMs, 0, 'f', 3)
        << Qt::endl;

    // The window in which an event the controller stores is lost: from the header read that finds
    // the top where the last read ended to the header written with top = base.
    {
        quint16 lido = 0;
        QList<double> janelas;
        for (int i = 0; i < 20; ++i) {
            simulador.comando("eventos 1 1 1 0x10");
            const QString c3 = simulador.comando("memoria 1 1 10 2").remove(u' ');
            t.restart();
            quint8 e = 0;
            const qint64 bytes = bytesNoFio(simulador, [&] {
                c.ZerarPilhaSeTopo(static_cast<quint16>(c3.toInt(nullptr, 16)), lido, e);
            });
            janelas << t.nsecsElapsed() / 1e6;
            if (i == 0)
                out << QStringLiteral("esvaziar só se o topo não mudou: %1 bytes no fio = %2 ms; ")
                           .arg(bytes)
                           .arg(bytes * byteMs, 0, 'f', 1);
        }
        std::sort(janelas.begin(), janelas.end());
        out << QStringLiteral("janela em que um evento novo se perderia: mediana %1 ms, máx %2 ms")
                   .arg(janelas[janelas.size() / 2], 0, 'f', 1)
                   .arg(janelas.last(), 0, 'f', 1)
            << Qt::endl;
    }

    // 3. The transfer files.
    t.restart();
    transferencia::GerarArquivoGrupos(dm);
    transferencia::GerarArquivoFeriados(dm);
    transferencia::GerarArquivoLista(dm, 10, 1);
    transferencia::NumerarGruposLista();
    const double arquivosMs = t.nsecsElapsed() / 1e6;
    const QStringList lista = transferencia::LerLinhas(transferencia::ArquivoLista());
    out << QStringLiteral("arquivos de transferência para %1 titulares: %2 ms (%3 linhas) → %4× de 1 s")
               .arg(titulares)
               .arg(arquivosMs, 0, 'f', 0)
               .arg(lista.size() - 2)
               .arg(arquivosMs / 1000.0, 0, 'f', 3)
        << Qt::endl;

    // 2. A card list of `cartoes` cards (3,840 is the most the controller's block addresses reach).
    QStringList envio{lista.value(0), QString::number(cartoes)};
    for (int i = 0; i < cartoes; ++i)
        envio << lista.value(2 + i % std::max<qsizetype>(1, lista.size() - 2));
    t.restart();
    bool ok = false;
    const qint64 bytesLista = bytesNoFio(simulador, [&] { ok = transferencia::EnviarLista(c, 0xB000, envio); });
    const double listaMs = t.nsecsElapsed() / 1e6;
    const double limite = listaMs / byteMs; // bytes the line could carry in that time
    out << QStringLiteral("lista de %1 cartões (%2 bytes de imagem): %3 ms, %4; %5 bytes no fio = %6 % da vazão da "
                          "linha (mínimo 85 %)")
               .arg(cartoes)
               .arg(transferencia::ImagemLista(envio).size())
               .arg(listaMs, 0, 'f', 0)
               .arg(ok ? "ok" : "FALHOU")
               .arg(bytesLista)
               .arg(100.0 * bytesLista / limite, 0, 'f', 1)
        << Qt::endl;

    // 4. Backup and restore.
    if (args.contains("--copia")) {
        const int usuarios = opt("--usuarios", 100000), acessos = opt("--acessos", 1000000);
        {
            Banco b;
            b.conectar(arquivo, "SYSDBA", "masterkey");
            b.executar("DELETE FROM ACESSO");
            b.executar("DELETE FROM HABILITADO");
            b.executar("DELETE FROM USUARIO");
            b.executar("DELETE FROM LEITORA");
            b.commit();
            bench::semear(b, usuarios, 200, acessos, 60, out);
        }
        auto contar = [&] {
            return QStringLiteral("%1 titulares, %2 acessos")
                .arg(dm.dbBANCO.valor("SELECT COUNT(*) FROM USUARIO").toInt())
                .arg(dm.dbBANCO.valor("SELECT COUNT(*) FROM ACESSO").toInt());
        };
        const QString antes = contar();
        ParametrosCopia p;
        p.senha = "masterkey";
        p.tamanhoPagina = 8192;
        const QString copia = pasta.path() + "/copia.FBK";
        t.restart();
        const QString e1 = IniciarCopia(dm, p, copia, {});
        const double copiaS = t.elapsed() / 1000.0;
        t.restart();
        const QString e2 = RestaurarCopia(dm, p, copia, {});
        const double restauraS = t.elapsed() / 1000.0;
        out << QStringLiteral("cópia: %1 s, %2 MB (banco %3 MB)%4; restauração: %5 s%6; antes: %7; depois: %8")
                   .arg(copiaS, 0, 'f', 1)
                   .arg(QFileInfo(copia).size() / 1e6, 0, 'f', 0)
                   .arg(QFileInfo(arquivo).size() / 1e6, 0, 'f', 0)
                   .arg(e1.isEmpty() ? QString() : " ERRO " + e1)
                   .arg(restauraS, 0, 'f', 1)
                   .arg(e2.isEmpty() ? QString() : " ERRO " + e2)
                   .arg(antes, contar())
            << Qt::endl;
    }
    definirOperador(nullptr);
    disp.FECHAR_PORTAS();
    return linhas == eventos && ok ? 0 : 1;
}
