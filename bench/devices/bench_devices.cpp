// Serial throughput against the simulated devices paced at 19200 baud: (a) one passive-reader card read
// against its wire time, (b) 3000 bytes of controller data memory against the wire limit of its frames.
#include "Simulador.h"
#include "devices/uControladora.h"
#include "devices/uLeitora71.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace portaris;
using portaris::sim::Modelo;
using portaris::sim::Simulador;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int Baud = 19200;
    const double msPorByte = 10.0 * 1000.0 / Baud;

    Simulador sim(Baud, true);
    const QString caminho = sim.abrirBarramento(1);
    sim.adicionar(1, Modelo::Leitora71, 200);
    sim.adicionar(1, Modelo::Controladora, 130);
    PortaSerial porta = LinhaSerial::abrir(caminho, Baud);
    if (!porta) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(caminho));
        return 1;
    }

    // (a) address, complement, four command bytes, fourteen reply bytes.
    TLeitora71 leitora(200, porta);
    const int rodadas = 60;
    std::vector<double> tempos;
    for (int i = 0; i < rodadas; ++i) {
        sim.comando(QStringLiteral("cartao 1 200 00%1").arg(i, 8, 16, QLatin1Char('0')).toUpper());
        quint8 erro = 0;
        QElapsedTimer t;
        t.start();
        const bool ok = leitora.LerCartao(erro);
        const double ms = t.nsecsElapsed() / 1e6;
        if (!ok) {
            std::fprintf(stderr, "card read failed, error %d\n", erro);
            return 1;
        }
        tempos.push_back(ms);
    }
    std::sort(tempos.begin(), tempos.end());
    const double fioA = 20 * msPorByte;
    const double medianaA = tempos[tempos.size() / 2];
    double mediaA = 0;
    for (double v : tempos)
        mediaA += v;
    mediaA /= tempos.size();
    std::printf(
        "(a) card read 'A': wire %.2f ms; median %.2f ms, mean %.2f ms, best %.2f ms, worst %.2f ms\n", fioA,
        medianaA, mediaA, tempos.front(), tempos.back());
    std::printf("    ratio median/wire = %.3f (target <= 1.3)\n", medianaA / fioA);

    // (b) 'D' reads of 16 bytes: 13-byte request, 40-byte reply.
    TControladora ctr(130, porta);
    const int quantidade = 3000;
    const int trocas = (quantidade + 15) / 16;
    const double fioB = trocas * (13 + 40) * msPorByte;
    std::vector<quint8> destino(quantidade);
    quint8 erro = 0;
    QElapsedTimer t;
    t.start();
    const bool ok = ctr.LerMemoria(0x0100, quantidade, {}, destino.data(), erro);
    const double msB = t.nsecsElapsed() / 1e6;
    if (!ok) {
        std::fprintf(stderr, "memory read failed, error %d\n", erro);
        return 1;
    }
    const double limite = quantidade / (fioB / 1000.0);
    const double obtido = quantidade / (msB / 1000.0);
    std::printf("(b) LerMemoria %d bytes in %d exchanges: wire %.0f ms, took %.0f ms\n", quantidade, trocas,
                fioB, msB);
    std::printf("    throughput %.0f B/s of a wire limit of %.0f B/s = %.1f%% (target >= 85%%)\n", obtido,
                limite, 100.0 * obtido / limite);
    std::printf("interleaved exchanges seen by the simulator: %d\n", sim.intercalacoes());
    return 0;
}
