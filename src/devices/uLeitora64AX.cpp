#include "uLeitora64AX.h"

#include "Quadro.h"
#include "platform/Configuracoes.h"
#include "platform/Relogio.h"
#include "uBateRele.h"

#include <QCoreApplication>
#include <cstring>

namespace portaris {

namespace {
const QString SemCartao = QStringLiteral("0000000000");
// One guard for every reader: a tag read anywhere makes the others report no tag for this poll.
FlagOcupada g_leituraTag;
} // namespace

TLeitora64AX::TLeitora64AX() : Portao(std::make_unique<TPORTAOATIVO>()) {}

TLeitora64AX::TLeitora64AX(quint8 cabeca, PortaSerial porta)
    : Cabeca(cabeca), Porta(std::move(porta)), PortaAberta(PortaValida(Porta)),
      Portao(std::make_unique<TPORTAOATIVO>()) {}

TLeitora64AX::~TLeitora64AX() {
    // A closing worker still reaches this reader; let it see the end and wait for it to leave. Its
    // closing operations run on the UI thread, so keep serving them while waiting.
    Encerrando.store(true);
    QCoreApplication* app = QCoreApplication::instance();
    const bool naInterface = app && app->thread() == QThread::currentThread();
    while (FechadoresVivos.load() > 0) {
        if (naInterface) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

std::unique_ptr<TLeitora64AX> TLeitora64AX::Criar(const RegistroLeitora64& r, const TabelaPortas& portas) {
    const int ignorar = cfg::qx64_ignorarrepeticaopor.ler();
    const int falha = cfg::qx64_falhoutransito.ler();
    const bool semCabeca = cfg::outros_semcabeca.ler();
    auto l = std::make_unique<TLeitora64AX>();
    TPORTAOATIVO& p = *l->Portao;
    l->PortaCom = static_cast<qint16>(NumeroPortaSerial(r.SERIAL));
    l->Descricao = r.DESCRICAO.left(14);
    l->IgnorarDesc = flag(r.IGNORARDESC);
    l->IgnorarRepeticaoPor = static_cast<qint16>(ignorar);
    l->ConfirmarAcesso = flag(r.CONFIRMARACESSO);
    l->NaoBateRele = flag(r.NAOBATERELE);
    l->TipoFechamento = static_cast<quint8>(r.TFECHAMENTO);
    l->DesligarPor = static_cast<qint16>(r.DESLIGARPOR);
    l->Acionamento = static_cast<quint8>(r.ACIONAMENTO);
    l->ParaAbreAuto = flag(r.PARAABREAUTO);
    p.Ativo = !r.DESCRICAO01.trimmed().isEmpty();
    p.FechamentoComandado = false;
    p.Nome = (r.DESCRICAO01 + QLatin1Char('-') + r.DESCRICAO).left(25);
    p.FalhaTransito = static_cast<quint32>(std::max(falha, 0));
    p.Posicao = r.POSICAO_L1.left(1);
    l->Cabeca = semCabeca ? 170 : static_cast<quint8>(r.CABECA);
    l->Chave = static_cast<qint16>(r.CHAVE);
    l->PermitirReingresso = flag(r.PERMITIRREINGRESSO);
    p.TempoRele = r.RELE;
    p.FecharApos = r.FECHARPOS * 1000;
    p.UltimoCartao.clear();
    p.Desligado = false;
    p.UsarWebcam = flag(r.USARWEBCAM01);
    l->Porta = portas.handle(l->PortaCom);
    l->PortaAberta = PortaValida(l->Porta);
    if (l->PortaAberta) {
        quint8 erro = 0;
        l->Respondeu = l->Sinalizar(erro);
        l->PermitirRemoto = flag(r.PERMITIRREMOTO);
        l->IdLeitoraMae = r.ID_LEITORAMAE;
    }
    l->Visualizar = flag(r.VISUALIZAR);
    l->TempVisual = static_cast<quint8>(r.TEMPVISUAL);
    return l;
}

bool TLeitora64AX::comando(quint8 letra, const quint8* dados, int n, quint8& erro) {
    TravaLinha trava(Porta);
    ComandoLetra = letra;
    ComandoTamanho = static_cast<quint8>(n);
    std::memset(ComandoDados, 0, sizeof ComandoDados);
    if (n > 0) std::memcpy(ComandoDados, dados, static_cast<size_t>(n));
    return quadro::Enviar(Porta, Cabeca, letra, dados, n, Resposta, TamanhoResposta, erro) &&
           quadro::Receber(Porta, Cabeca, Resposta, TamanhoResposta, erro);
}

bool TLeitora64AX::Sinalizar(quint8& erro) {
    return comando('H', nullptr, 0, erro);
}

// The reply is decoded under the line's lock: the moment it is let go, another thread may refill Resposta
// (a gate pulsing this reader as its mother holds only its own busy flag).
bool TLeitora64AX::LerTag(quint8& erro) {
    TravaLinha trava(Porta);
    const quint8 d = TipoFechamento.load() == 1 ? 'N' : 'S';
    if (!comando('B', &d, 1, erro)) return false;
    Portao->Cartao = QString::fromLatin1(reinterpret_cast<const char*>(Resposta + 5), 10);
    return true;
}

bool TLeitora64AX::LerEstado(quint8& erro) {
    TravaLinha trava(Porta);
    const bool ok = comando('E', nullptr, 0, erro);
    Portao->Presenca = ok && Resposta[5] == '1';
    Portao->Fechado = ok && Resposta[6] == '0';
    return ok;
}

bool TLeitora64AX::AcionarRele(qint32 tempo, quint8& erro) {
    const QByteArray digitos = QByteArray::number(std::clamp(tempo, 0, 99999)).rightJustified(5, '0');
    return comando('C', reinterpret_cast<const quint8*>(digitos.constData()), 5, erro);
}

bool TLeitora64AX::GravarCabeca(quint8 nova, quint8& erro) {
    TravaLinha trava(Porta); // the borrowed address too must not reach another thread's exchange
    const quint8 anterior = Cabeca;
    Cabeca = 170;
    const quint8 d[3] = {'G', 5, nova};
    const bool ok = comando('F', d, 3, erro) && Resposta[5] == 'O' && Resposta[6] == 'K';
    Cabeca = anterior;
    return ok;
}

void TLeitora64AX::PulsarPortao(quint8& erro) {
    PosseOcupada posse(Ocupada);
    if (!NaoBateRele)
        AcionarRele(Portao->TempoRele, erro);
    else if (LeitoraMae)
        LeitoraMae->AcionarRele(Portao->TempoRele, erro);
}

bool TLeitora64AX::LerTagProtegido(quint8& erro) {
    if (!g_leituraTag.tentar()) {
        erro = 0;
        Portao->Cartao = SemCartao;
        return true;
    }
    PosseOcupada posse(g_leituraTag, std::adopt_lock);
    return LerTag(erro);
}

void VincularLeitorasMae(const QList<TLeitora64AX*>& leitoras) {
    for (TLeitora64AX* l : leitoras) {
        if (!l->NaoBateRele || l->IdLeitoraMae == 0) continue;
        l->LeitoraMae = nullptr;
        for (TLeitora64AX* m : leitoras)
            if (m->Chave == l->IdLeitoraMae) {
                l->LeitoraMae = m;
                break;
            }
    }
}

void CicloPortao(TLeitora64AX& L, VereditoTag& veredito, StatusLeitoras* status) {
    TPORTAOATIVO& P = *L.Portao;
    Relogio& clk = relogio();
    quint8 erro = 0;

    {
        PosseOcupada posse(L.Ocupada);
        L.LerEstado();
    }
    if (!L.PortaAberta) return;
    {
        PosseOcupada posse(L.Ocupada);
        L.LerEstado();
    }

    if (L.DesligarPor > 0 && P.Desligado)
        P.Desligado = clk.tick() - P.InicioDesligado < static_cast<quint32>(L.DesligarPor) * 1000u;
    else
        P.Desligado = false;
    if (!P.Ativo || P.EmVerificacao || P.Desligado) return;

    P.Aberto = !P.Fechado;
    if (P.Aberto) {
        P.Fechador = nullptr;
        if (!L.NaoBateRele && P.FalhaTransito > 0 && P.InicioFalha != 0 &&
            clk.tick() - P.InicioFalha > P.FalhaTransito * 1000u) {
            P.InicioFalha = clk.tick();
            PosseOcupada posse(L.Ocupada);
            L.AcionarRele(P.TempoRele, erro);
            P.FechamentoComandado = !P.FechamentoComandado;
            clk.dormir(500);
        }
        if (P.FalhaTransito > 0 && P.InicioFalha == 0) P.InicioFalha = clk.tick();
    } else {
        P.InicioFalha = 0;
    }

    if (P.FechamentoComandado && P.Fechado) P.FechamentoComandado = false;

    {
        PosseOcupada posse(L.Ocupada);
        if (L.Acionamento == 0)
            L.LerTagProtegido(erro);
        else if (L.Acionamento == 1) {
            if (P.Presenca)
                L.LerTagProtegido(erro);
            else
                P.Cartao = SemCartao;
        }
        if (status) status->AtualizarStatus(L.Chave, erro);
    }

    const bool novo = P.Cartao != SemCartao && P.Cartao != P.UltimoCartao;
    if (P.Aberto && novo) veredito.TratarTag64AX(P, L);
    if (!P.Aberto && novo) {
        if (veredito.TratarTag64AX(P, L) && P.Fechado) {
            L.PulsarPortao(erro);
            if (erro == 0) {
                P.Aberto = true;
                P.FechamentoComandado = false;
                if (L.DesligarPor > 0) {
                    P.InicioDesligado = clk.tick();
                    P.Desligado = true;
                }
            }
        }
    }

    const quint8 tipo = L.TipoFechamento.load();
    if (!P.Aberto && !P.Fechador && (tipo == 2 || tipo == 1)) {
        P.Fechador = TBateRele::Iniciar(L, P.FecharApos);
        P.Aberto = true;
    }

    if (P.Aberto && P.FechamentoComandado && tipo == 1 && P.Presenca && !P.Fechador) {
        L.PulsarPortao(erro);
        clk.dormir(500);
        if (!L.ParaAbreAuto) L.PulsarPortao(erro);
        if (erro == 0) {
            P.Aberto = true;
            P.FechamentoComandado = false;
        }
    }

    if (P.Cartao != SemCartao && P.Cartao != P.UltimoCartao) {
        P.UltimoCartao = P.Cartao.left(10);
        P.InstanteUltimo = clk.tick();
    }
    if (!P.UltimoCartao.isEmpty() &&
        clk.tick() - P.InstanteUltimo > static_cast<quint32>(std::max<int>(L.IgnorarRepeticaoPor, 0)) * 1000u)
        P.UltimoCartao.clear();
}

} // namespace portaris
