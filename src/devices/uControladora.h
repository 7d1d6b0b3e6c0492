#pragma once
// Four-door controller: framed commands, live slots, block and data-memory transfers.
#include "RegistrosDispositivos.h"
#include "uSerialControla.h"

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <functional>
#include <memory>

namespace portaris {

class TabelaPortas;

struct TPORTACNT {
    qint32 Chave = 0;
    QString Nome;
    quint16 TempoRele = 0; // ms
};

class TControladora {
public:
    static constexpr int TamanhoPedido = 150; // whole request frame
    static constexpr int MaxDadosPedido = TamanhoPedido - 9;
    static constexpr int TamanhoResposta = 256;
    static constexpr quint16 EnderecoConfiguracao = 0x8000;
    static constexpr quint16 EnderecoLista = 0xB000;

    TControladora() : TControladora(0, nullptr) {}
    // A configuration-panel object: an address and a line.
    TControladora(quint8 cabeca, PortaSerial porta);

    // From a CONTROLADORA row: waits 500 ms, sets the doors and the download schedule, probes.
    static std::unique_ptr<TControladora> Criar(const RegistroControladora& r, const TabelaPortas& portas);
    // FREQDOWN minutes → interval text; empty for "never" and for values outside the table.
    static QString IntervaloDeFrequencia(int minutos);

    bool Sinalizar(quint8& erro);
    bool Reiniciar(quint8& erro);
    bool AcionarPorta(int porta, qint32 tempo, quint8& erro);
    bool AcertarRelogio(const QString& hora, const QString& data, quint8& erro);
    bool LerEventos(quint8& erro);
    bool LerBloco(quint16 endereco, quint8* destino, quint8& erro);
    bool GravarBloco(quint16 endereco, const quint8* origem, quint8& erro);
    // progresso (may be empty) is advanced by 16 before each exchange.
    bool LerMemoria(quint16 endereco, int quantidade, const std::function<void(int)>& progresso,
                    quint8* destino, quint8& erro);
    bool GravarMemoria(quint16 endereco, int quantidade, const quint8* origem, quint8& erro);
    bool LerTamanhoMemoria(int& tamanho, quint8& erro);
    bool ZerarPilha(quint8& erro);
    // Empties the event area only if its top still stands at `topo` when the header is read again:
    // false with erro 0 when the controller stored events since; `topoLido` is where the top stood.
    bool ZerarPilhaSeTopo(quint16 topo, quint16& topoLido, quint8& erro);
    bool GravarCabeca(quint8 nova, quint8& erro);
    bool GravarTemposRele(int t1, int t2, int t3, int t4, quint8& erro);
    bool GravarTimeouts(int t1, int t2, int t3, int t4, quint8& erro);
    bool GravarDadosLista(quint16 endereco, quint16 quantidade, quint8& erro);

    // Weekday sent to the clock: 1 Monday … 7 Sunday; 7 as well when the date cannot be read.
    static quint8 DiaDaSemana(const QString& data);
    // The program-wide lock over the shared frame buffers; taken before a line's lock.
    static QRecursiveMutex& Trava();

    qint32 Chave = 0;
    quint8 Cabeca = 0;
    qint16 PortaCom = 0;
    PortaSerial Porta;
    qint16 CabecaRef = 0;
    bool PortaAberta = false;
    QString Descricao;
    bool Visualizar = false;
    quint8 TempVisual = 0;
    bool Respondeu = false;
    TPORTACNT Portas[4];
    double ProximoDownload = 0; // fraction of a day; may pass 1.0
    // The same moment as a date and time: compared whole, so the schedule runs on past midnight.
    QDateTime ProximoDownloadEm;
    bool DownloadAutomatico = false;
    QString IntervaloDownload;
    // The next due time: now plus the interval.
    void ReprogramarDownload();
    bool Online = false;
    bool ConfirmarAcesso = false;
    QString CartoesLidos[8];
    QString PortasLidas[8];
    QString UltimosCartoes[8];

private:
    bool enviar(quint8 letra, const quint8* dados, int n, quint8& erro);
    bool receber(quint8& erro);
    bool troca(quint8 letra, const quint8* dados, int n, quint8& erro, int esperaMs = 0);
    bool respostaOK() const;
    void hexResposta(quint8* destino16) const;
    bool modificarConfiguracao(const std::function<void(quint8*)>& mudar, quint8& erro);
};

} // namespace portaris
