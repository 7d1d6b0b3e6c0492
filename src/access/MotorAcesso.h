#pragma once
// The card flows of the three device kinds, the access log and the opening without card.
#include "DispositivosEstacao.h"
#include "Veredito.h"
#include "db/Conjunto.h"

#include <QDate>
#include <QTime>
#include <functional>

namespace portaris {

class TdmPORTARIS;

class MotorAcesso : public VereditoTag {
public:
    enum class Fluxo { Passiva, Ativa, Controladora };
    // A failure box raised inside a card flow closes by itself, so an unattended door goes on.
    static constexpr int SegundosCaixaFalha = 15;
    // A card's unit meeting another station's lock waits in the server for that station's unit,
    // which lasts a few milliseconds, and goes on the moment it ends (or, on a conflict even so,
    // runs its statement again at once): no guessed pause keeps the door. Tries go on while the card
    // has waited less than MsTentandoGravar, up to TentativasGravacao; a longer hold (a station gone
    // silent inside its unit) fails the card. The server counts the wait in whole seconds of its
    // own clock, so 1 would end anywhere within a second, a few milliseconds into the wait too: 2
    // waits at least a second.
    static constexpr int SegundosEsperaBloqueio = 2;
    static constexpr int MsTentandoGravar = 1000;
    static constexpr int TentativasGravacao = 8;

    MotorAcesso(TdmPORTARIS& dm, MotorVeredito& veredito, DispositivosEstacao& dispositivos);

    // Keeps the next card's unit of work started ahead (Banco::reservarUnidade): the polling tick
    // calls it before it reads, so a card's unit never waits for its own start.
    void PrepararUnidade();

    // [qx71] ignorarrepeticaopor, in seconds (0 = never ignore).
    void definirJanelaRepeticao(int segundos) { m_janela = segundos; }
    // The login of the operator logged in at this station, written into every row.
    std::function<QString()> loginAtual;
    // The live list is about to move to a new day / has moved (the console freezes and redraws).
    std::function<void(bool antes)> aoMudarDia;

    void TratarCartaoLeitora71(TLeitora71& leitora);
    bool TratarTag64AX(TPORTAOATIVO& portao, TLeitora64AX& leitora) override;
    void TratarEventoControladora(int chavePorta, int porta, int tempoRele, TControladora& controladora,
                                  const QString& lugar, const QString& cartao);

    // Stores a card row; a failure is handled here as the flow demands (see the .cpp).
    void RegistrarAcesso(VereditoAcesso& v, const QString& leitora, const QString& cartao,
                         const QString& posicao, Fluxo fluxo);
    // Writes the opening row and pulses the place; the error byte of the last pulse (0 when none).
    // A remote request (`remoto`) is refused with 1 at a reading point that does not allow remote
    // control and with PortaOcupada while the place's reader handles a card of its own, writing and
    // pulsing nothing; a failure to store its row goes to the event log instead of a box. A place
    // that names no reading point answers LugarInexistente.
    quint8 AbrirSemCartao(const QString& nome, const QString& origem, const QString& observacao,
                          const QString& lugar, const QString& destino, bool remoto = false);
    static constexpr quint8 PortaOcupada = 119;
    // No reading point of this station has that name: nothing written, nothing pulsed.
    static constexpr quint8 LugarInexistente = 254;
    // One downloaded controller event (card code of six characters), stored and committed; a
    // failure is shown and logged, and reported as false.
    bool RegistrarAcessoMemoria(const QString& codigo, const QString& autorizado, const QString& evento,
                                bool feriado, const QString& leitora, const QDate& data, const QTime& hora);
    // The same row inside the caller's unit of work: nothing is committed, and a failure rolls the
    // whole unit back and leaves as ErroBanco (a download stores all of a controller's events or none).
    void GravarEventoMemoria(const QString& codigo, const QString& autorizado, const QString& evento,
                             bool feriado, const QString& leitora, const QDate& data, const QTime& hora);
    // The places of the opening without card, in device-list order, with their type marks.
    QStringList LugaresAcesso() const;

    MotorVeredito& veredito() { return m_veredito; }

    // Conflicts met and tries repeated while storing rows, since the engine was created.
    int conflitos() const { return m_conflitos; }
    int repeticoes() const { return m_repeticoes; }
    // Real time the last stored row took: its statements (repeated tries included) and its commit.
    struct TemposGravacao {
        qint64 linhaNs = 0;
        qint64 confirmacaoNs = 0;
    };
    TemposGravacao ultimaGravacao() const { return m_ultimaGravacao; }

private:
    using Colunas = QList<QPair<QString, QVariant>>;
    bool repetido(const QString& cartao);
    void novaLinha();
    // Builds and stores one access row, with `antes` run by its insert; the statement again after a
    // conflict. Without `confirmar` the row joins the caller's unit of work: no commit and no retry.
    void gravarAcesso(const Colunas& colunas, const Conjunto::ProcedimentoAntes* antes,
                      bool confirmar = true);
    // Tells of a failure met while handling a card: the event log always, a box that closes by
    // itself unless the database is gone (then every card would raise one).
    void avisarFalha(const QString& texto, const QString& ponto, const QString& cartao,
                     bool caixaSimples = false);
    void registrarFalhaRemota(const QString& texto, const QString& lugar);
    void mudarDiaSeNecessario();
    QString login() const { return loginAtual ? loginAtual() : QString(); }

    TdmPORTARIS& m_dm;
    MotorVeredito& m_veredito;
    DispositivosEstacao& m_disp;
    int m_janela = 2;
    QString m_ultimoCartao;
    quint32 m_instanteUltimo = 0;
    int m_conflitos = 0;
    int m_repeticoes = 0;
    TemposGravacao m_ultimaGravacao;
};

} // namespace portaris
