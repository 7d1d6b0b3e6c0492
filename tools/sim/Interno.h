#pragma once
// Inner state of the simulator, shared by the serving code and the console.
#include "Simulador.h"

#include <QDateTime>
#include <array>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace portaris::sim {

enum class TipoFalha { Silencio, Lixo, Endereco, Soma, Curta, Atraso, Comprimento, Entre };
constexpr int kTiposFalha = 8;
extern const char* const kNomesFalha[kTiposFalha];

struct Falha {
    bool ativa = false;
    QByteArray lixo; // the stray bytes of lixo and entre
    int valor = -1;  // curta: bytes kept (-1 = default); atraso: ms; comprimento: data bytes declared
    int vezes = -1;  // answers still affected; -1 = until cleared
};

struct Dispositivo {
    Modelo modelo;
    int cabeca;
    std::array<Falha, kTiposFalha> falhas{};
    int pulsos = 0;
    int beeps = 0;
    int ultimoReleMs = 0;
    explicit Dispositivo(Modelo m, int c) : modelo(m), cabeca(c) {}
    virtual ~Dispositivo() = default;
};

struct Leitora71 : Dispositivo {
    QByteArray cartao = "0000000000";
    std::array<quint8, 256> reg{};
    explicit Leitora71(int c);
};

struct Leitora64AX : Dispositivo {
    QByteArray tag; // empty: nothing in range
    bool presenca = false;
    bool fechado = false;
    explicit Leitora64AX(int c) : Dispositivo(Modelo::Leitora64AX, c) {}
};

struct Vivo {
    quint32 cartao = 0; // 24 bits; 0 = empty slot
    int porta = 1;      // 1 to 4
    int byteCru = -1;   // fault: the door byte sent as is (naming no door 1–4); -1 = from porta
};

struct Controladora : Dispositivo {
    static constexpr int kMemoria = 32768;
    QByteArray dados;
    QByteArray bloco; // the 64 KB reached with 'G': configuration at 0x8000, card list at 0xB000
    std::array<Vivo, 8> vivos{};
    std::array<int, 4> pulsosPorta{};
    int codigoTamanho = 32;
    QDateTime relogioBase;
    qint64 relogioBaseMs = 0;
    int diaSemanaBase = 1;
    explicit Controladora(int c, qint64 agoraMs);

    QDateTime relogio(qint64 agoraMs) const { return relogioBase.addMSecs(agoraMs - relogioBaseMs); }
    int diaSemana(qint64 agoraMs) const;
    void acertar(const QDateTime& quando, int diaSemana, qint64 agoraMs);
    int palavra(int endereco) const;
    void gravarPalavra(int endereco, int valor);
    QString empilhar(const QByteArray& evento); // "" on success, else the reason
};

struct Saida {
    QByteArray bytes;
    qint64 inicioNs; // the first byte goes at this time (plus one byte time when pacing)
    int escritos = 0;
    int cabeca;
    QString descricao;
};

struct Barramento {
    enum class Fase { Ocioso, PassivoComando, Quadro };
    int com = 0;
    int mestre = -1;
    int paradaLer = -1, paradaEscrever = -1;
    QString caminho;
    std::vector<std::unique_ptr<Dispositivo>> dispositivos;
    std::thread servidor;

    Fase fase = Fase::Ocioso;
    QByteArray acumulado;
    QByteArray soltos; // stray bytes of one read, logged together
    Leitora71* alvo = nullptr;
    int enderecoUsado = -1;
    std::array<bool, kTiposFalha> aplicadas{};
    Dispositivo* alvoFalhas = nullptr;
    bool intercaladoNestaTroca = false;
    qint64 ultimaAtividadeNs = 0;
    qint64 rxFimNs = 0;
    bool desligado = false; // the station side is closed
    bool cheio = false;     // the pty took no more output
    std::deque<Saida> saida;
};

struct Simulador::Estado {
    mutable std::mutex m;
    std::map<int, std::unique_ptr<Barramento>> barramentos;
    QList<Registro> log;
    int intercalacoes = 0;
    int baud = 19200;
    bool ritmo = false;
    qint64 origemNs = 0;
    std::function<void(const Registro&)> ouvinte;

    qint64 agoraNs() const;
    qint64 agoraMs() const { return agoraNs() / 1000000; }
    qint64 byteNs() const { return 10LL * 1000000000LL / (baud > 0 ? baud : 19200); }
    void registrar(int com, int cabeca, const QString& evento, const QByteArray& bytes,
                   const QString& descricao);

    // Serving (lock held).
    void servir(Barramento* b);
    void receber(Barramento& b, const QByteArray& dados, qint64 agora);
    void tratarByte(Barramento& b, quint8 c, qint64 agora);
    void apertoDeMao(Barramento& b, Leitora71& l, quint8 endereco, qint64 agora);
    void executarPassivo(Barramento& b, qint64 agora);
    void executarQuadro(Barramento& b, qint64 agora);
    void agendar(Barramento& b, const QByteArray& bytes, qint64 inicioMinNs, int cabeca,
                 const QString& descricao);
    void abandonar(Barramento& b, const QString& motivo);
    void encerrarTroca(Barramento& b);
    bool aplicar(Barramento& b, Dispositivo& d, TipoFalha t);
    void escreverDevidos(Barramento& b, qint64 agora);
    Leitora71* passivaPara(Barramento& b, quint8 endereco) const;
    Dispositivo* quadroPara(Barramento& b, quint8 endereco) const;
    void intercalado(Barramento& b, const QString& descricao);

    // Console (lock held).
    QString executar(const QStringList& p);
    Dispositivo* achar(const QString& bus, const QString& cab, QString& erro);
};

QByteArray quadro(quint8 endereco, const QByteArray& dados);
QString hexa(const QByteArray& b);

} // namespace portaris::sim
