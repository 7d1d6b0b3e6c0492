#include "MotorAcesso.h"

#include "db/TdmPORTARIS.h"
#include "platform/Codec1252.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QElapsedTimer>
#include <optional>

namespace portaris {

namespace {

const QString kVazio = QStringLiteral("0000000000");
const QString kGate = QStringLiteral("•");
const QString kPorta = QStringLiteral("©");

// Clears a busy flag on every way out of a flow.
struct Liberar {
    FlagOcupada& f;
    ~Liberar() { f.liberar(); }
};
struct LiberarAtomico {
    std::atomic<bool>& f;
    ~LiberarAtomico() { f = false; }
};

bool vazio(const QString& s) {
    return s.trimmed().isEmpty();
}

// A reader's reading point: its own key and head, the dialogs captioned with its description.
template <class Leitora>
PontoLeitura pontoDaLeitora(ModeloPonto modelo, const Leitora& L, const QString& posicao) {
    PontoLeitura ponto;
    ponto.modelo = modelo;
    ponto.chaveLeitora = L.Chave;
    ponto.cabecaRonda = L.Cabeca;
    ponto.posicao = posicao;
    ponto.permitirReingresso = L.PermitirReingresso;
    ponto.confirmar = L.ConfirmarAcesso;
    ponto.nome = L.Descricao;
    return ponto;
}

} // namespace

MotorAcesso::MotorAcesso(TdmPORTARIS& dm, MotorVeredito& veredito, DispositivosEstacao& dispositivos)
    : m_dm(dm), m_veredito(veredito), m_disp(dispositivos) {}

bool MotorAcesso::repetido(const QString& cartao) {
    if (m_janela <= 0) return false;
    const quint32 agora = relogio().tick();
    if (!m_ultimoCartao.isEmpty() && agora - m_instanteUltimo > static_cast<quint32>(m_janela) * 1000u)
        m_ultimoCartao.clear();
    if (cartao == kVazio) return true;
    if (cartao == m_ultimoCartao) return true;
    m_ultimoCartao = cartao;
    m_instanteUltimo = agora;
    return false;
}

// ---- the three card flows ----

void MotorAcesso::TratarCartaoLeitora71(TLeitora71& L) {
    const QString cartao = L.Cartao;
    if (repetido(cartao)) return;
    L.Ocupada.definir(true);
    Liberar liberar{L.Ocupada};
    m_veredito.ui().CopiarTexto(cartao);

    const PontoLeitura ponto = pontoDaLeitora(ModeloPonto::Passiva, L, L.Posicao);

    VereditoAcesso v;
    try {
        v = m_veredito.AvaliarCartao(cartao, ponto);
        if (v.SinalizarRonda) {
            quint8 e = 0;
            L.Sinalizar(e);
        }
        m_veredito.ConcluirVeredito(v, ponto);
        if (!(v.NOME == QLatin1String("(desconhecido)") && L.IgnorarDesc))
            RegistrarAcesso(v, L.Descricao, cartao, L.Posicao, Fluxo::Passiva);
    } catch (const ErroBanco& e) {
        // This card is lost, not the reader: no row, no relay, polling goes on.
        avisarFalha(e.texto(), L.Descricao, cartao);
        return;
    }

    if (v.Autorizado && v.RONDA == QLatin1String("0")) {
        quint8 e = 0;
        if (!L.NaoBateRele) {
            L.AcionarRele(e);
        } else if (L.LeitoraMae) {
            for (int tentativa = 0; tentativa < 35; ++tentativa) {
                e = 0;
                L.LeitoraMae->AcionarRele(e);
                if (e == 0) break;
            }
        }
    }
    L.Ocupada.liberar();

    if (L.Visualizar && v.AUTORIZADO == QLatin1String("Sim"))
        m_veredito.ui().MostrarFoto(L.Descricao, L.TempVisual, v.ChaveUsuario, v.NOTA, v.NOME);
}

bool MotorAcesso::TratarTag64AX(TPORTAOATIVO& P, TLeitora64AX& L) {
    P.EmVerificacao = true;
    LiberarAtomico liberar{P.EmVerificacao};
    const QString cartao = P.Cartao;
    const QString nome = P.Nome;
    const QString posicao = P.Posicao;
    {
        quint8 e = 0;
        L.Ocupada.tomar();
        L.Sinalizar(e);
        L.Ocupada.liberar();
    }
    m_veredito.ui().CopiarTexto(cartao);

    const PontoLeitura ponto = pontoDaLeitora(ModeloPonto::Ativa, L, posicao);

    VereditoAcesso v;
    try {
        v = m_veredito.AvaliarCartao(cartao, ponto);
        if (v.SinalizarRonda) {
            quint8 e = 0;
            L.Ocupada.tomar();
            L.Sinalizar(e);
            L.Ocupada.liberar();
        }
        m_veredito.ConcluirVeredito(v, ponto);
        if (!(v.NOME == QLatin1String("(desconhecido)") && L.IgnorarDesc))
            RegistrarAcesso(v, nome, cartao, posicao, Fluxo::Ativa);
    } catch (const ErroBanco& e) {
        avisarFalha(e.texto(), nome, cartao);
        mudarDiaSeNecessario();
        return false;
    }
    const bool resultado = v.Autorizado && v.RONDA == QLatin1String("0");
    mudarDiaSeNecessario();
    P.EmVerificacao = false;
    if (L.Visualizar && v.AUTORIZADO == QLatin1String("Sim"))
        m_veredito.ui().MostrarFoto(L.Descricao, L.TempVisual, v.ChaveUsuario, v.NOTA, v.NOME);
    return resultado;
}

void MotorAcesso::TratarEventoControladora(int chavePorta, int porta, int tempoRele, TControladora& C,
                                           const QString& lugar, const QString& cartao) {
    m_veredito.ui().CopiarTexto(cartao);
    PontoLeitura ponto;
    ponto.modelo = ModeloPonto::Controladora;
    ponto.chaveLeitora = chavePorta;
    ponto.cabecaRonda = chavePorta;
    ponto.confirmar = C.ConfirmarAcesso;
    ponto.nome = lugar;

    VereditoAcesso v;
    try {
        v = m_veredito.AvaliarCartao(cartao, ponto);
        m_veredito.ConcluirVeredito(v, ponto);
        RegistrarAcesso(v, lugar, cartao, ponto.posicaoGravada(), Fluxo::Controladora);
    } catch (const ErroBanco& e) {
        avisarFalha(e.texto(), lugar, cartao);
        return;
    }
    if (v.Autorizado && v.RONDA == QLatin1String("0")) {
        quint8 e = 0;
        C.AcionarPorta(porta, tempoRele, e);
    }
    if (C.Visualizar && v.AUTORIZADO == QLatin1String("Sim"))
        m_veredito.ui().MostrarFoto(C.Descricao, C.TempVisual, v.ChaveUsuario, v.NOTA, v.NOME);
}

// ---- the access log ----

void MotorAcesso::PrepararUnidade() {
    m_dm.dbBANCO.reservarUnidade(SegundosEsperaBloqueio);
}

void MotorAcesso::novaLinha() {
    Conjunto& a = m_dm.setACE;
    // A row left pending by an earlier failure is discarded before the next is built.
    if (a.emEdicao()) a.cancelar();
    // A live list that could not be reopened at a change of day is reopened now.
    if (!a.aberto()) m_dm.abrirAcessosDeHoje();
    a.inserir();
    const QDateTime agora = relogio().agora();
    a.definir(QStringLiteral("DATA"), agora.date());
    a.definir(QStringLiteral("HORA"),
              QTime(agora.time().hour(), agora.time().minute(), agora.time().second()));
    a.definir(QStringLiteral("LOGIN"), login());
    a.definir(QStringLiteral("COMPUTADOR"), TdmPORTARIS::NOME_COMPUTADOR());
}

// Builds the row and stores it, with `antes` run first by the same statement, in a unit of work of
// its own committed here; or, without `confirmar`, in the caller's unit. On failure the row leaves
// the list and the error is rethrown; nothing of it stays in the database. `antes` comes first so
// that a row whose unit holds a holder's row takes its key only once it holds it: of two stations
// writing the same holder, the later row is the one whose position stands.
void MotorAcesso::gravarAcesso(const Colunas& colunas, const Conjunto::ProcedimentoAntes* antes,
                               bool confirmar) {
    // The server's wait is real time, whatever clock the rules are measured by.
    QElapsedTimer tentando;
    tentando.start();
    novaLinha();
    Conjunto& a = m_dm.setACE;
    for (const auto& [coluna, valor] : colunas)
        a.definir(coluna, valor);
    bool gravada = false;
    try {
        std::optional<Unidade> unidade;
        if (confirmar) unidade.emplace(m_dm.dbBANCO, SegundosEsperaBloqueio);
        for (int tentativa = 1;; ++tentativa) {
            try {
                if (antes)
                    a.gravar(*antes);
                else
                    a.gravar();
                break;
            } catch (const ErroBanco& e) {
                // The server may report a conflict to a statement that waited for another
                // station's change of the same holder once that change is committed. The statement
                // was undone alone and is the unit's only one: it runs again in the same unit,
                // which reads what the other stored. Inside a caller's unit the caller decides.
                if (!e.conflitoDeBloqueio() || !confirmar) throw;
                ++m_conflitos;
                if (tentativa >= TentativasGravacao || tentando.elapsed() >= MsTentandoGravar) throw;
                ++m_repeticoes;
            }
        }
        gravada = true;
        m_ultimaGravacao = {tentando.nsecsElapsed(), 0};
        if (unidade) unidade->commit();
        m_ultimaGravacao.confirmacaoNs = tentando.nsecsElapsed() - m_ultimaGravacao.linhaNs;
    } catch (const ErroBanco&) {
        if (a.emEdicao()) a.cancelar();
        // The row is in the list but no longer in the database.
        if (gravada) {
            try {
                a.atualizar();
            } catch (const ErroBanco&) {
            }
        }
        throw;
    }
}

void MotorAcesso::avisarFalha(const QString& texto, const QString& ponto, const QString& cartao,
                              bool caixaSimples) {
    const QString legivel = AnalisarMensagem(texto, TipoMensagem::Erro).texto;
    try {
        GravarLog({QStringLiteral("%1 %2, cartão %3: %4")
                       .arg(relogio().agora().toString(QStringLiteral("HH:mm:ss")), ponto, cartao, legivel)});
    } catch (const std::exception&) {
        // The box below still tells whoever is there.
    }
    if (m_dm.dbBANCO.perdida()) return;
    if (caixaSimples)
        m_veredito.ui().MostrarCaixa(texto, SegundosCaixaFalha);
    else
        MostrarMensagem(texto, SegundosCaixaFalha);
}

void MotorAcesso::registrarFalhaRemota(const QString& texto, const QString& lugar) {
    try {
        GravarLog({QStringLiteral("%1 %2, abertura remota: %3")
                       .arg(relogio().agora().toString(QStringLiteral("HH:mm:ss")), lugar,
                            AnalisarMensagem(texto, TipoMensagem::Erro).texto)});
    } catch (const std::exception&) {
        // The opening goes on; the log file is out of reach.
    }
}

void MotorAcesso::RegistrarAcesso(VereditoAcesso& v, const QString& leitora, const QString& cartao,
                                  const QString& posicao, Fluxo fluxo) {
    const bool passa = v.Autorizado && v.RONDA == QLatin1String("0");
    const Conjunto::ProcedimentoAntes atualizaPosicao{
        QStringLiteral("ATUALIZA_POSICAO"),
        {{QStringLiteral("PCHAVE"), v.ChaveUsuario}, {QStringLiteral("PPOS"), posicao}}};
    try {
        gravarAcesso({{QStringLiteral("LEITORA"), leitora},
                      {QStringLiteral("AUTORIZADO"), v.AUTORIZADO},
                      {QStringLiteral("NOME"), v.NOME},
                      {QStringLiteral("CARTAO"), cartao},
                      {QStringLiteral("GRUPO"), v.GRUPO},
                      {QStringLiteral("TIPO"), v.TIPO},
                      {QStringLiteral("NOTA"), v.NOTA},
                      {QStringLiteral("NOTA2"), v.NOTA2},
                      {QStringLiteral("ORIGEM"), QString()},
                      {QStringLiteral("DESTINO"), QString()},
                      {QStringLiteral("RONDA"), v.RONDA},
                      {QStringLiteral("RELATORIO"), v.RELATORIO}},
                     passa ? &atualizaPosicao : nullptr);
    } catch (const ErroBanco& e) {
        if (fluxo == Fluxo::Ativa) {
            avisarFalha(e.texto(), leitora, cartao);
            return;
        }
        v.Autorizado = false;
        avisarFalha(QStringLiteral("Muitas conexões ao mesmo tempo!!"), leitora, cartao, true);
        avisarFalha(e.texto(), leitora, cartao);
    }
}

bool MotorAcesso::RegistrarAcessoMemoria(const QString& codigo, const QString& autorizado,
                                         const QString& evento, bool feriado, const QString& leitora,
                                         const QDate& data, const QTime& hora) {
    try {
        Unidade::gravar(m_dm.dbBANCO,
                        [&] { GravarEventoMemoria(codigo, autorizado, evento, feriado, leitora, data, hora); });
        return true;
    } catch (const ErroBanco& e) {
        avisarFalha(e.texto(), leitora, QStringLiteral("0000") + codigo);
        return false;
    }
}

void MotorAcesso::GravarEventoMemoria(const QString& codigo, const QString& autorizado, const QString& evento,
                                      bool feriado, const QString& leitora, const QDate& data,
                                      const QTime& hora) {
    const QString cartao = QStringLiteral("0000") + codigo;
    Procedimento& p = m_dm.sp(QStringLiteral("CA_CUSER"));
    p.definir(QStringLiteral("PCARTAO"), cartao);
    p.executar();
    const int chave = p.saida(QStringLiteral("PCHAVE")).toInt();
    const QString nome = chave < 1 ? QStringLiteral("Desconhecido") : p.saida(QStringLiteral("PNOME")).toString();
    const QVariant naoRel = p.saida(QStringLiteral("PNAOREL"));
    const bool relatorio = chave < 1 || naoRel.isNull() || naoRel.toString() == QLatin1String("0");
    gravarAcesso({{QStringLiteral("DATA"), data},
                  {QStringLiteral("HORA"), hora},
                  {QStringLiteral("LEITORA"), leitora},
                  {QStringLiteral("AUTORIZADO"), autorizado},
                  {QStringLiteral("NOME"), nome},
                  {QStringLiteral("CARTAO"), cartao},
                  {QStringLiteral("GRUPO"), QString()},
                  {QStringLiteral("TIPO"), QString()},
                  {QStringLiteral("NOTA"), kPorta + evento},
                  {QStringLiteral("NOTA2"), feriado ? QStringLiteral("Hoje é feriado") : QString()},
                  {QStringLiteral("ORIGEM"), QString()},
                  {QStringLiteral("DESTINO"), QString()},
                  {QStringLiteral("RONDA"), QStringLiteral("0")},
                  {QStringLiteral("RELATORIO"), relatorio ? QStringLiteral("1") : QStringLiteral("0")}},
                 nullptr, false);
}

// ---- the opening without card ----

QStringList MotorAcesso::LugaresAcesso() const {
    QStringList lugares;
    for (const Dispositivo& d : m_disp.lista) {
        if (auto* const* l = std::get_if<TLeitora71*>(&d))
            lugares << (*l)->Descricao;
        else if (auto* const* g = std::get_if<TLeitora64AX*>(&d))
            lugares << ((*g)->Portao ? (*g)->Portao->Nome : QString()) + kGate;
        else
            for (const TPORTACNT& p : std::get<TControladora*>(d)->Portas)
                if (!p.Nome.isEmpty()) lugares << p.Nome + kPorta;
    }
    return lugares;
}

quint8 MotorAcesso::AbrirSemCartao(const QString& nomeDado, const QString& origemDada,
                                   const QString& observacao, const QString& lugar,
                                   const QString& destinoDado, bool remoto) {
    const QString nome = vazio(nomeDado) ? QStringLiteral("Não identificou") : nomeDado;
    const QString origem = vazio(origemDada) ? QStringLiteral("Não informou origem") : origemDada;
    const QString destino = vazio(destinoDado) ? QStringLiteral("Não informou destino") : destinoDado;

    TLeitora71* passiva = nullptr;
    TLeitora64AX* ativa = nullptr;
    TControladora* controladora = nullptr;
    QList<int> portas;
    QString nomeLugar = lugar;
    if (lugar.endsWith(kGate)) {
        nomeLugar.chop(kGate.size());
        for (const Dispositivo& d : m_disp.lista)
            if (auto* const* g = std::get_if<TLeitora64AX*>(&d);
                g && (*g)->Portao && (*g)->Portao->Nome == nomeLugar) {
                ativa = *g;
                break;
            }
    } else if (lugar.endsWith(kPorta)) {
        nomeLugar.chop(kPorta.size());
        for (const Dispositivo& d : m_disp.lista) {
            auto* const* c = std::get_if<TControladora*>(&d);
            if (!c) continue;
            for (int n = 0; n < 4; ++n)
                if ((*c)->Portas[n].Nome == nomeLugar) portas << n + 1;
            if (!portas.isEmpty()) {
                controladora = *c;
                break;
            }
        }
    } else {
        for (const Dispositivo& d : m_disp.lista)
            if (auto* const* l = std::get_if<TLeitora71*>(&d); l && (*l)->Descricao == lugar) {
                passiva = *l;
                break;
            }
    }
    if (!passiva && !ativa && !controladora) return LugarInexistente;
    // A remote request opens only the reading points that allow it (controller doors are not asked).
    if (remoto && ((passiva && !passiva->PermitirRemoto) || (ativa && !ativa->PermitirRemoto))) return 1;
    // A remote request can arrive while this reader's own card waits in a dialog: it must neither
    // open in the middle of that card nor clear its busy flag when done.
    if (remoto && ativa && ativa->Portao->EmVerificacao) return PortaOcupada;
    if (passiva) {
        if (!remoto)
            passiva->Ocupada.definir(true);
        else if (!passiva->Ocupada.tentar())
            return PortaOcupada;
    }
    struct LiberarPassiva {
        TLeitora71* l;
        ~LiberarPassiva() {
            if (l) l->Ocupada.liberar();
        }
    } liberar{passiva};
    try {
        gravarAcesso({{QStringLiteral("LEITORA"), nomeLugar},
                      {QStringLiteral("AUTORIZADO"), QStringLiteral("Sim")},
                      {QStringLiteral("NOME"), nome},
                      {QStringLiteral("CARTAO"), kVazio},
                      {QStringLiteral("GRUPO"), QString()},
                      {QStringLiteral("TIPO"), QStringLiteral("Sem cartão")},
                      {QStringLiteral("NOTA"), QStringLiteral("Acesso autorizado manualmente")},
                      {QStringLiteral("NOTA2"), observacao},
                      {QStringLiteral("ORIGEM"), origem},
                      {QStringLiteral("DESTINO"), destino},
                      {QStringLiteral("RONDA"), QStringLiteral("0")},
                      {QStringLiteral("RELATORIO"), QStringLiteral("1")}},
                     nullptr);
    } catch (const ErroBanco& e) {
        // Nobody at this station asked: a box would hold the remote client and every door behind it.
        if (remoto)
            registrarFalhaRemota(e.texto(), nomeLugar);
        else
            MostrarMensagem(e.texto());
    }

    quint8 erro = 0;
    if (passiva) {
        if (!passiva->NaoBateRele)
            passiva->AcionarRele(erro);
        else if (passiva->LeitoraMae)
            passiva->LeitoraMae->AcionarRele(erro);
    } else if (ativa) {
        TPORTAOATIVO& P = *ativa->Portao;
        if (P.Fechado) {
            if (!ativa->NaoBateRele || ativa->LeitoraMae) {
                ativa->PulsarPortao(erro);
                if (erro == 0) {
                    P.Aberto = true;
                    P.FechamentoComandado = false;
                }
            }
        }
    } else {
        for (int n : portas) {
            erro = 0;
            controladora->AcionarPorta(n, controladora->Portas[n - 1].TempoRele, erro);
        }
    }
    return erro;
}

void MotorAcesso::mudarDiaSeNecessario() {
    const int hoje = DiaSemana(relogio().hoje());
    if (hoje == m_dm.diaSemanaInicio) return;
    if (aoMudarDia) aoMudarDia(true);
    try {
        if (m_dm.setACE.emEdicao()) m_dm.setACE.cancelar();
        m_dm.setACE.fechar();
        m_dm.abrirAcessosDeHoje();
        // Only a list that moved counts the day as changed; otherwise the next card tries again.
        m_dm.diaSemanaInicio = hoje;
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto(), SegundosCaixaFalha);
    }
    if (aoMudarDia) aoMudarDia(false);
}

} // namespace portaris
