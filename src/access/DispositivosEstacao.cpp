#include "DispositivosEstacao.h"

#include "MotorAcesso.h"
#include "db/TdmPORTARIS.h"
#include "platform/Estacao.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QTime>

namespace portaris {

namespace {

const QString kVazio = QStringLiteral("0000000000");

QString texto(const Conjunto& c, const char* campo) {
    const QVariant v = c.valor(QString::fromLatin1(campo));
    return v.isNull() ? QString() : v.toString();
}
int inteiro(const Conjunto& c, const char* campo) {
    const QVariant v = c.valor(QString::fromLatin1(campo));
    return v.isNull() ? 0 : v.toInt();
}
bool habilitada(const Conjunto& c) {
    return texto(c, "DESABILITAR") == QLatin1String("0");
}

RegistroLeitora registroLeitora(const Conjunto& c) {
    RegistroLeitora r;
    r.CHAVE = inteiro(c, "CHAVE");
    r.CABECA = inteiro(c, "CABECA");
    r.SERIAL = texto(c, "SERIAL");
    r.DESCRICAO = texto(c, "DESCRICAO");
    r.CONFIRMARACESSO = texto(c, "CONFIRMARACESSO");
    r.USARWEBCAM = texto(c, "USARWEBCAM");
    r.IGNORARDESC = texto(c, "IGNORARDESC");
    r.NAOBATERELE = texto(c, "NAOBATERELE");
    r.PERMITIRREINGRESSO = texto(c, "PERMITIRREINGRESSO");
    r.PERMITIRREMOTO = texto(c, "PERMITIRREMOTO");
    r.VISUALIZAR = texto(c, "VISUALIZAR");
    r.POSICAO = texto(c, "POSICAO");
    r.ID_LEITORAMAE = inteiro(c, "ID_LEITORAMAE");
    r.TEMPVISUAL = inteiro(c, "TEMPVISUAL");
    return r;
}

RegistroLeitora64 registroLeitora64(const Conjunto& c) {
    RegistroLeitora64 r;
    r.CHAVE = inteiro(c, "CHAVE");
    r.CABECA = inteiro(c, "CABECA");
    r.SERIAL = texto(c, "SERIAL");
    r.DESCRICAO = texto(c, "DESCRICAO");
    r.DESCRICAO01 = texto(c, "DESCRICAO01");
    r.CONFIRMARACESSO = texto(c, "CONFIRMARACESSO");
    r.USARWEBCAM01 = texto(c, "USARWEBCAM01");
    r.IGNORARDESC = texto(c, "IGNORARDESC");
    r.NAOBATERELE = texto(c, "NAOBATERELE");
    r.PERMITIRREINGRESSO = texto(c, "PERMITIRREINGRESSO");
    r.PERMITIRREMOTO = texto(c, "PERMITIRREMOTO");
    r.VISUALIZAR = texto(c, "VISUALIZAR");
    r.PARAABREAUTO = texto(c, "PARAABREAUTO");
    r.TFECHAMENTO = inteiro(c, "TFECHAMENTO");
    r.FECHARPOS = inteiro(c, "FECHARPOS");
    r.RELE = inteiro(c, "RELE");
    r.DESLIGARPOR = inteiro(c, "DESLIGARPOR");
    r.ACIONAMENTO = inteiro(c, "ACIONAMENTO");
    r.POSICAO_L1 = texto(c, "POSICAO_L1");
    r.ID_LEITORAMAE = inteiro(c, "ID_LEITORAMAE");
    r.TEMPVISUAL = inteiro(c, "TEMPVISUAL");
    return r;
}

RegistroControladora registroControladora(const Conjunto& c) {
    RegistroControladora r;
    r.CHAVE = inteiro(c, "CHAVE");
    r.CABECA = inteiro(c, "CABECA");
    r.SERIAL = texto(c, "SERIAL");
    r.DESCRICAO = texto(c, "DESCRICAO");
    for (int n = 0; n < 4; ++n) {
        const QByteArray sufixo = QByteArray::number(n + 1).rightJustified(2, '0');
        r.PORTA[n] = texto(c, ("PORTA" + sufixo).constData());
        r.CHAVEP[n] = inteiro(c, ("CHAVEP" + sufixo).constData());
        r.RELEP[n] = inteiro(c, ("RELEP" + QByteArray::number(n + 1)).constData());
    }
    r.ONLINE = texto(c, "ONLINE");
    r.CONFIRMARACESSO = texto(c, "CONFIRMARACESSO");
    r.VISUALIZAR = texto(c, "VISUALIZAR");
    r.FREQDOWN = inteiro(c, "FREQDOWN");
    r.TEMPVISUAL = inteiro(c, "TEMPVISUAL");
    return r;
}

template <class F> void percorrer(Conjunto& c, F&& f) {
    for (int i = 0; i < c.quantidade(); ++i) {
        c.irPara(i);
        if (habilitada(c)) f(c);
    }
}

} // namespace

int ChaveDispositivo(const Dispositivo& d) {
    return std::visit([](auto* p) { return static_cast<int>(p->Chave); }, d);
}

bool DispositivoRespondeu(const Dispositivo& d) {
    return std::visit([](auto* p) { return p->Respondeu; }, d);
}

DispositivosEstacao::DispositivosEstacao(QObject* parent) : QObject(parent) {}

DispositivosEstacao::~DispositivosEstacao() {
    qDeleteAll(temporizadores);
    temporizadores.clear();
}

void DispositivosEstacao::Carregar(TdmPORTARIS& dm) {
    m_dm = &dm;
    const QString estacao = IdentificadorEstacao();
    Conjunto* conjuntos[] = {&dm.setLEI, &dm.setLEI64, &dm.setCNL};
    for (Conjunto* c : conjuntos) {
        c->definirParametro(QStringLiteral("PSERIALNUM"), estacao);
        c->abrir();
    }
    dm.setFAM.abrir();

    // A row naming no COM1–COM9 gets no entry; its driver is created with no line and never polled.
    for (Conjunto* c : conjuntos)
        percorrer(*c, [&](Conjunto& r) {
            const int n = NumeroPortaSerial(texto(r, "SERIAL"));
            if (n >= 1 && n <= TabelaPortas::Quantidade) portas.marcarUsada(n);
        });
    portas.ABRIR_PORTAS();

    percorrer(dm.setLEI, [&](Conjunto& r) {
        m_leitoras71.push_back(TLeitora71::Criar(registroLeitora(r), portas));
        lista << m_leitoras71.back().get();
    });
    percorrer(dm.setLEI64, [&](Conjunto& r) {
        m_leitoras64.push_back(TLeitora64AX::Criar(registroLeitora64(r), portas));
        lista << m_leitoras64.back().get();
    });
    percorrer(dm.setCNL, [&](Conjunto& r) {
        m_controladoras.push_back(TControladora::Criar(registroControladora(r), portas));
        lista << m_controladoras.back().get();
    });
    for (Conjunto* c : conjuntos)
        c->primeiro();

    QList<TLeitora71*> l71;
    QList<TLeitora64AX*> l64;
    for (auto& l : m_leitoras71)
        l71 << l.get();
    for (auto& l : m_leitoras64)
        l64 << l.get();
    VincularLeitorasMae(l71);
    VincularLeitorasMae(l64);
}

void DispositivosEstacao::CriarTemporizadores(MotorAcesso& motor) {
    m_motor = &motor;
    for (const Dispositivo& d : lista) {
        if (!DispositivoRespondeu(d)) continue;
        auto* t = new TMeuTimer(*this, d);
        t->start();
        temporizadores << t;
    }
}

void DispositivosEstacao::Suspender() {
    for (TMeuTimer* t : temporizadores)
        t->suspender();
}

void DispositivosEstacao::Retomar() {
    for (TMeuTimer* t : temporizadores)
        t->retomar();
}

void DispositivosEstacao::Sondar(const Dispositivo& d) {
    if (auto* const* pl = std::get_if<TLeitora71*>(&d)) {
        TLeitora71& l = **pl;
        if (!l.Respondeu || l.Ocupada) return;
        quint8 erro = 0;
        // The card goes back to empty whatever the flow does, even when it throws.
        struct Limpar {
            TLeitora71& l;
            ~Limpar() { l.Cartao = kVazio; }
        } limpar{l};
        const bool ok = l.LerCartao(erro);
        if (ok && l.Cartao != kVazio && m_motor) m_motor->TratarCartaoLeitora71(l);
        if (status) status->AtualizarStatus(l.Chave, erro);
        return;
    }
    if (auto* const* pa = std::get_if<TLeitora64AX*>(&d)) {
        TLeitora64AX& l = **pa;
        if (!l.Respondeu || !m_motor) return;
        struct Limpar {
            TLeitora64AX& l;
            ~Limpar() {
                if (l.Portao) l.Portao->Cartao = kVazio;
            }
        } limpar{l};
        CicloPortao(l, *m_motor, status);
        return;
    }
    TControladora& c = *std::get<TControladora*>(d);
    if (!c.Respondeu) return;
    // Full date and time: a due time past midnight is reached the next day, not never.
    if (c.DownloadAutomatico && relogio().agora() >= c.ProximoDownloadEm && baixarEventos) baixarEventos(c);
    if (!c.Online) return;
    quint8 erro = 0;
    if (!c.LerEventos(erro)) return;
    for (int i = 0; i < 8; ++i) {
        const QString cartao = c.CartoesLidos[i];
        if (cartao == kVazio) {
            c.UltimosCartoes[i] = kVazio;
            c.PortasLidas[i] = QStringLiteral("00");
            continue;
        }
        bool visto = false;
        for (const QString& u : c.UltimosCartoes)
            visto = visto || u == cartao;
        if (visto) continue;
        bool ok = false;
        const int porta = c.PortasLidas[i].toInt(&ok, 16);
        // A slot naming no door 1–4 cannot be handled; it is left unseen so nothing is lost silently.
        if (!ok || porta < 1 || porta > 4) continue;
        const TPORTACNT& p = c.Portas[porta - 1];
        c.UltimosCartoes[i] = cartao;
        if (m_motor)
            m_motor->TratarEventoControladora(p.Chave, porta, p.TempoRele, c, c.Descricao + u'.' + p.Nome,
                                              cartao);
    }
}

TMeuTimer::TMeuTimer(DispositivosEstacao& dispositivos, Dispositivo d, QObject* parent)
    : QTimer(parent), leiCTR(d), m_disp(dispositivos) {
    setInterval(Intervalo);
    connect(this, &QTimer::timeout, this, &TMeuTimer::OnMeuTimer);
}

void TMeuTimer::suspender() {
    m_suspenso = true;
    stop();
}

void TMeuTimer::retomar() {
    m_suspenso = false;
    // A tick in progress restarts its timer when it ends.
    if (!m_emTick) start();
}

void TMeuTimer::OnMeuTimer() {
    stop();
    if (m_emTick) return;
    m_emTick = true;
    struct Fim {
        bool& f;
        ~Fim() { f = false; }
    } fim{m_emTick};
    if (m_disp.m_dm) m_disp.m_dm->ManterConexao();
    if (m_disp.m_motor) m_disp.m_motor->PrepararUnidade();
    try {
        m_disp.Sondar(leiCTR);
    } catch (const Abort&) {
        return;
    } catch (const std::exception& e) {
        // This device is left alone until "Acessos" resumes every timer.
        const QString texto = QString::fromUtf8(e.what());
        if (m_disp.aoErroTick)
            m_disp.aoErroTick(texto);
        else
            MostrarMensagem(texto);
        return;
    } catch (...) {
        MostrarMensagem(QStringLiteral("Erro inesperado na leitura do dispositivo"));
        return;
    }
    m_emTick = false;
    if (!m_suspenso) start();
}

} // namespace portaris
