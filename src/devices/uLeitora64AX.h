#pragma once
// Active-tag gate reader: framed commands, the gate record and the gate cycle run at every poll.
#include "FlagOcupada.h"
#include "RegistrosDispositivos.h"
#include "uSerialControla.h"

#include <QList>
#include <QString>
#include <atomic>
#include <memory>

namespace portaris {

class TabelaPortas;
class TLeitora64AX;
class TBateRele;

class TPORTAOATIVO {
public:
    QString Nome;
    bool UsarWebcam = false;
    qint32 TempoRele = 0;
    bool Ativo = false;
    qint32 FecharApos = 0;
    std::atomic<bool> FechamentoComandado{false};
    std::atomic<bool> Aberto{false};
    std::atomic<bool> EmVerificacao{false};
    QString Cartao = QStringLiteral("0000000000");
    std::atomic<bool> Fechado{false};
    std::atomic<bool> Presenca{false};
    QString UltimoCartao;
    quint32 InstanteUltimo = 0;
    quint32 FalhaTransito = 0; // seconds
    quint32 InicioFalha = 0;
    // The closing worker started for this gate; only ever compared with none (the worker frees itself).
    const TBateRele* Fechador = nullptr;
    quint32 InicioDesligado = 0;
    bool Desligado = false;
    QString Posicao;
};

// Decides whether a tag read at a gate may pass; the access engine implements it.
class VereditoTag {
public:
    virtual ~VereditoTag() = default;
    virtual bool TratarTag64AX(TPORTAOATIVO& portao, TLeitora64AX& leitora) = 0;
};

// Receives each poll's answer of a device (0 = answered), for the reader status window.
class StatusLeitoras {
public:
    virtual ~StatusLeitoras() = default;
    virtual void AtualizarStatus(int chave, quint8 erro) = 0;
};

class TLeitora64AX {
public:
    static constexpr int TamanhoResposta = 128;

    TLeitora64AX();
    // A configuration-panel object: an address and a line.
    TLeitora64AX(quint8 cabeca, PortaSerial porta);
    ~TLeitora64AX();
    TLeitora64AX(const TLeitora64AX&) = delete;
    TLeitora64AX& operator=(const TLeitora64AX&) = delete;

    static std::unique_ptr<TLeitora64AX> Criar(const RegistroLeitora64& r, const TabelaPortas& portas);

    bool Sinalizar(quint8& erro);
    bool LerTag(quint8& erro);
    // Failure clears both status inputs.
    bool LerEstado(quint8& erro);
    void LerEstado() {
        quint8 e = 0;
        LerEstado(e);
    }
    bool AcionarRele(qint32 tempo, quint8& erro);
    bool GravarCabeca(quint8 nova, quint8& erro);
    // Pulses the gate relay (own relay, or the mother reader's); erro is left alone when neither exists.
    void PulsarPortao(quint8& erro);
    // While any tag read is under way anywhere, succeeds at once with no tag.
    bool LerTagProtegido(quint8& erro);

    quint8 Cabeca = 170;
    qint16 PortaCom = 0;
    PortaSerial Porta;
    qint16 Chave = 0;
    bool PortaAberta = false;
    bool Respondeu = false;
    bool Visualizar = false;
    quint8 TempVisual = 0;
    FlagOcupada Ocupada;
    bool IgnorarDesc = false;
    qint16 IgnorarRepeticaoPor = 40;
    qint16 DesligarPor = 0;
    std::atomic<quint8> TipoFechamento{0};
    bool ConfirmarAcesso = false;
    QString Descricao;
    quint8 ComandoTamanho = 0;
    quint8 ComandoLetra = 0;
    quint8 ComandoDados[126] = {};
    quint8 Resposta[TamanhoResposta] = {};
    std::unique_ptr<TPORTAOATIVO> Portao;
    bool ParaAbreAuto = false;
    bool NaoBateRele = false;
    bool PermitirReingresso = false;
    quint8 Acionamento = 0;
    bool PermitirRemoto = false;
    qint32 IdLeitoraMae = 0;
    TLeitora64AX* LeitoraMae = nullptr;

    // Closing workers still running for this reader; the destructor waits for them.
    std::atomic<int> FechadoresVivos{0};
    std::atomic<bool> Encerrando{false};

private:
    bool comando(quint8 letra, const quint8* dados, int n, quint8& erro);
};

// After bring-up: each gate reader without its own relay gets the first gate reader of the list whose
// key is its mother's; none when there is no such reader.
void VincularLeitorasMae(const QList<TLeitora64AX*>& leitoras);

// One poll of a gate: status, rules, tag, verdict, opening and closing.
void CicloPortao(TLeitora64AX& leitora, VereditoTag& veredito, StatusLeitoras* status = nullptr);

} // namespace portaris
