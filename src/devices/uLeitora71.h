#pragma once
// Passive proximity reader: address handshake, four-byte commands, nibble-coded register writes.
#include "FlagOcupada.h"
#include "RegistrosDispositivos.h"
#include "uSerialControla.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace portaris {

class TabelaPortas;

class TLeitora71 {
public:
    // Error bytes. ErroMemoriaCheia: the memory list had cards past the last register.
    static constexpr quint8 ErroEscritaEndereco = 1, ErroSemComplemento = 2, ErroComplemento = 3,
                            ErroEscritaComando = 4, ErroValor = 16, ErroCabeca = 32, ErroResposta = 64,
                            ErroMemoriaCheia = 128;
    static constexpr int LimiteHandshake = 2000; // ms
    // Two registers per card from register 6, and register numbers end at 255.
    static constexpr int MaxCartoesMemoria = 125;

    TLeitora71() = default;
    // A configuration-panel object: no row, just an address and a line.
    TLeitora71(quint8 cabeca, PortaSerial porta);
    // From a LEITORA row, as the bring-up does: waits 500 ms, addresses 255 unless [outros] semcabeca is
    // off, takes the line from the port table and probes the reader.
    static std::unique_ptr<TLeitora71> Criar(const RegistroLeitora& r, const TabelaPortas& portas);

    bool LerCartao(quint8& erro);
    bool AcionarRele(quint8& erro);
    bool Sinalizar(quint8& erro);
    bool GravarCabeca(quint8 nova, quint8& erro);
    bool GravarTempoRele(quint8 codigo, quint8& erro);
    bool EnviarCartoesMemoria(quint8& erro);

    // Relay time choice ("250 ms" … "2 seg") → register code; 125 for anything else.
    static quint8 CodigoTempoRele(const QString& escolha);
    // The two register values of one card of the memory list.
    static std::pair<quint8, quint8> ValoresMemoria(const QString& linha);

    quint8 Cabeca = 255;
    qint16 PortaCom = 0;
    PortaSerial Porta;
    qint32 Chave = -1;
    bool PortaAberta = false;
    bool Respondeu = false;
    bool ConfirmarAcesso = false;
    bool Visualizar = false;
    quint8 TempVisual = 0;
    FlagOcupada Ocupada;
    bool UsarWebcam = false;
    QString Descricao;
    QString Cartao = QStringLiteral("0000000000");
    quint8 ComandoLetra = 0;
    quint8 ComandoParametros[3] = {0, 0, 0};
    quint8 Resposta[32] = {};
    bool IgnorarDesc = false;
    bool NaoBateRele = false;
    std::optional<QStringList> ListaMemoria;
    bool PermitirRemoto = false;
    QString Posicao;
    bool PermitirReingresso = false;
    qint32 IdLeitoraMae = 0;
    TLeitora71* LeitoraMae = nullptr;

    bool EnviarComando(quint8& erro);
    bool ReceberResposta(int n, quint8& erro);

private:
    bool comando(quint8 letra, quint8 p1, quint8 p2, quint8 p3, quint8& erro);
    bool gravarRegistro(quint8 valor, quint8 registro, quint8 erroEco, quint8& erro);
};

// After bring-up: each reader without its own relay gets the first reader of the list whose key is its
// mother's; none when there is no such reader.
void VincularLeitorasMae(const QList<TLeitora71*>& leitoras);

} // namespace portaris
