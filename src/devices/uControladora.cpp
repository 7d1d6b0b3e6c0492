#include "uControladora.h"

#include "Quadro.h"
#include "platform/Relogio.h"

#include <QDate>
#include <cstring>

namespace portaris {

namespace {
// The frame buffers are one for the whole program; the controller lock keeps them whole.
struct Pedido {
    quint8 letra = 0;
    quint8 tamanho = 0;
    quint8 dados[254] = {};
} g_pedido;
quint8 g_resposta[TControladora::TamanhoResposta] = {};
QRecursiveMutex g_trava;

// Holds the program-wide controller lock, then the line's lock, for one exchange.
class TravaControladora {
public:
    explicit TravaControladora(const PortaSerial& porta) : m_global(&g_trava), m_linha(porta) {}

private:
    QMutexLocker<QRecursiveMutex> m_global;
    TravaLinha m_linha;
};

quint8 digito(const QString& t, int i) {
    if (i >= t.size()) return 0;
    const QChar c = t.at(i);
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? static_cast<quint8>(c.unicode() - '0') : 0;
}
} // namespace

QRecursiveMutex& TControladora::Trava() {
    return g_trava;
}

TControladora::TControladora(quint8 cabeca, PortaSerial porta)
    : Cabeca(cabeca), Porta(std::move(porta)), CabecaRef(cabeca), PortaAberta(PortaValida(Porta)) {
    for (int i = 0; i < 8; ++i) {
        CartoesLidos[i] = UltimosCartoes[i] = QStringLiteral("0000000000");
        PortasLidas[i] = QStringLiteral("00");
    }
}

QString TControladora::IntervaloDeFrequencia(int minutos) {
    switch (minutos) {
    case 10:
        return QStringLiteral("00:10:00");
    case 20:
        return QStringLiteral("00:20:00");
    case 35:
        return QStringLiteral("00:35:00");
    case 60:
        return QStringLiteral("01:00:00");
    case 120:
        return QStringLiteral("02:00:00");
    case 240:
        return QStringLiteral("04:00:00");
    case 360:
        return QStringLiteral("06:00:00");
    default:
        return {};
    }
}

void TControladora::ReprogramarDownload() {
    const QDateTime agora = relogio().agora();
    const QTime passo = QTime::fromString(IntervaloDownload, QStringLiteral("HH:mm:ss"));
    ProximoDownload = (agora.time().msecsSinceStartOfDay() + passo.msecsSinceStartOfDay()) / 86400000.0;
    ProximoDownloadEm = agora.addMSecs(passo.msecsSinceStartOfDay());
}

std::unique_ptr<TControladora> TControladora::Criar(const RegistroControladora& r,
                                                    const TabelaPortas& portas) {
    relogio().dormir(500);
    auto c = std::make_unique<TControladora>(static_cast<quint8>(r.CABECA), nullptr);
    c->Chave = r.CHAVE;
    c->PortaCom = static_cast<qint16>(NumeroPortaSerial(r.SERIAL));
    c->CabecaRef = static_cast<qint16>(r.CABECA);
    c->Descricao = r.DESCRICAO.left(25);
    c->Porta = portas.handle(c->PortaCom);
    c->PortaAberta = PortaValida(c->Porta);
    for (int n = 0; n < 4; ++n) {
        c->Portas[n].Chave = r.CHAVEP[n];
        c->Portas[n].Nome = r.PORTA[n];
        c->Portas[n].TempoRele = static_cast<quint16>(r.RELEP[n] * 1000);
    }
    const QString intervalo = flag(r.ONLINE) ? QString() : IntervaloDeFrequencia(r.FREQDOWN);
    if (!intervalo.isEmpty()) {
        c->DownloadAutomatico = true;
        c->IntervaloDownload = intervalo;
        c->ReprogramarDownload();
    }
    if (c->PortaAberta) {
        quint8 erro = 0;
        c->Respondeu = c->Sinalizar(erro);
    }
    c->Online = flag(r.ONLINE);
    c->ConfirmarAcesso = flag(r.CONFIRMARACESSO);
    c->Visualizar = flag(r.VISUALIZAR);
    c->TempVisual = static_cast<quint8>(r.TEMPVISUAL);
    return c;
}

bool TControladora::enviar(quint8 letra, const quint8* dados, int n, quint8& erro) {
    if (n < 0 || n > MaxDadosPedido) {
        erro = quadro::ErroEscrita;
        return false;
    }
    g_pedido.letra = letra;
    g_pedido.tamanho = static_cast<quint8>(n);
    if (dados && dados != g_pedido.dados && n > 0) std::memcpy(g_pedido.dados, dados, static_cast<size_t>(n));
    return quadro::Enviar(Porta, Cabeca, letra, g_pedido.dados, n, g_resposta, TamanhoResposta, erro);
}

bool TControladora::receber(quint8& erro) {
    const bool ok = quadro::Receber(Porta, Cabeca, g_resposta, TamanhoResposta, erro);
    LimparPorta(Porta);
    return ok;
}

bool TControladora::troca(quint8 letra, const quint8* dados, int n, quint8& erro, int esperaMs) {
    TravaControladora trava(Porta);
    if (!enviar(letra, dados, n, erro)) return false;
    if (esperaMs > 0) relogio().dormir(esperaMs);
    return receber(erro);
}

bool TControladora::respostaOK() const {
    return g_resposta[5] == 'O' && g_resposta[6] == 'K';
}

void TControladora::hexResposta(quint8* destino16) const {
    for (int i = 0; i < 16; ++i)
        destino16[i] = quadro::parHex(g_resposta[5 + 2 * i], g_resposta[6 + 2 * i]);
}

bool TControladora::Sinalizar(quint8& erro) {
    return troca('H', nullptr, 0, erro);
}

bool TControladora::Reiniciar(quint8& erro) {
    return troca('I', nullptr, 0, erro);
}

bool TControladora::AcionarPorta(int porta, qint32 tempo, quint8& erro) {
    if (porta < 1 || porta > 4) {
        erro = quadro::ErroEscrita; // nothing is sent for a door the controller does not have
        return false;
    }
    quint8 d[6];
    d[0] = static_cast<quint8>(porta - 1);
    const QByteArray digitos = QByteArray::number(std::clamp(tempo, 0, 99999)).rightJustified(5, '0');
    std::memcpy(d + 1, digitos.constData(), 5);
    return troca('C', d, 6, erro);
}

quint8 TControladora::DiaDaSemana(const QString& data) {
    const QStringList p = data.split(QLatin1Char('/'));
    if (p.size() != 3) return 7;
    bool okd = false, okm = false, oka = false;
    const int d = p[0].toInt(&okd), m = p[1].toInt(&okm), a = p[2].toInt(&oka);
    if (!okd || !okm || !oka || p[2].size() != 2) return 7;
    const QDate dia(2000 + a, m, d);
    return dia.isValid() ? static_cast<quint8>(dia.dayOfWeek()) : 7;
}

bool TControladora::AcertarRelogio(const QString& hora, const QString& data, quint8& erro) {
    quint8 d[14];
    d[0] = 'G';
    const int posicoes[6] = {0, 1, 3, 4, 6, 7};
    for (int i = 0; i < 6; ++i)
        d[1 + i] = digito(data, posicoes[i]);
    d[7] = DiaDaSemana(data);
    for (int i = 0; i < 6; ++i)
        d[8 + i] = digito(hora, posicoes[i]);
    return troca('E', d, 14, erro, 50);
}

bool TControladora::LerEventos(quint8& erro) {
    quint8 a[16], b[16];
    {
        TravaControladora trava(Porta);
        const quint8 n = 'N';
        if (!enviar('J', &n, 1, erro)) return false;
        const bool ok1 = quadro::Receber(Porta, Cabeca, g_resposta, TamanhoResposta, erro);
        if (!ok1) {
            LimparPorta(Porta);
            return false;
        }
        hexResposta(a);
        // The second frame comes without a request and may already wait behind the first, where a purge
        // would drop it; what lies between the two is passed over instead. The purge comes after both.
        std::memset(g_resposta, 0, sizeof g_resposta);
        const bool ok2 = quadro::ReceberSeguinte(Porta, Cabeca, g_resposta, TamanhoResposta, erro);
        LimparPorta(Porta);
        if (!ok2) return false;
        hexResposta(b);
    }
    auto hex2 = [](int v) { return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper(); };
    for (int i = 0; i < 8; ++i) {
        CartoesLidos[i] = QStringLiteral("0000") + hex2(a[i]) + hex2(a[8 + i]) + hex2(b[i]);
        PortasLidas[i] = hex2(b[8 + i] + 1);
    }
    return true;
}

bool TControladora::LerBloco(quint16 endereco, quint8* destino, quint8& erro) {
    std::memset(destino, 0, 128);
    for (int k = 0; k < 8; ++k) {
        const quint8 d[3] = {'L', static_cast<quint8>(endereco >> 8), static_cast<quint8>(endereco & 0xFF)};
        TravaControladora trava(Porta);
        if (!troca('G', d, 3, erro)) return false;
        hexResposta(destino + 16 * k);
        endereco = static_cast<quint16>(endereco + 16);
    }
    return true;
}

bool TControladora::GravarBloco(quint16 endereco, const quint8* origem, quint8& erro) {
    quint8 d[131];
    d[0] = 'G';
    d[1] = static_cast<quint8>(endereco >> 8);
    d[2] = static_cast<quint8>(endereco & 0xFF);
    std::memcpy(d + 3, origem, 128);
    TravaControladora trava(Porta);
    return troca('G', d, 131, erro) && respostaOK();
}

bool TControladora::LerMemoria(quint16 endereco, int quantidade, const std::function<void(int)>& progresso,
                               quint8* destino, quint8& erro) {
    if (quantidade > 0) std::memset(destino, 0, static_cast<size_t>(quantidade));
    int feitos = 0;
    while (feitos < quantidade) {
        if (progresso) progresso(16);
        const quint8 d[4] = {'L', static_cast<quint8>(endereco >> 8), static_cast<quint8>(endereco & 0xFF),
                             1};
        quint8 bloco[16];
        {
            TravaControladora trava(Porta);
            if (!troca('D', d, 4, erro)) return false;
            hexResposta(bloco);
        }
        const int n = std::min(quantidade - feitos, 16);
        std::memcpy(destino + feitos, bloco, static_cast<size_t>(n));
        feitos += 16;
        endereco = static_cast<quint16>(endereco + 16);
    }
    return true;
}

bool TControladora::GravarMemoria(quint16 endereco, int quantidade, const quint8* origem, quint8& erro) {
    int feitos = 0;
    while (feitos < quantidade) {
        const int n = std::min(quantidade - feitos, 128);
        quint8 d[132];
        d[0] = 'G';
        d[1] = static_cast<quint8>(endereco >> 8);
        d[2] = static_cast<quint8>(endereco & 0xFF);
        d[3] = static_cast<quint8>(n);
        std::memcpy(d + 4, origem + feitos, static_cast<size_t>(n));
        TravaControladora trava(Porta);
        if (!troca('D', d, 4 + n, erro, 100) || !respostaOK()) return false;
        feitos += n;
        endereco = static_cast<quint16>(endereco + 128);
    }
    return true;
}

bool TControladora::LerTamanhoMemoria(int& tamanho, quint8& erro) {
    TravaControladora trava(Porta);
    // The one data byte is whatever the previous controller command left first in the request buffer.
    if (!troca('F', g_pedido.dados, 1, erro)) return false;
    switch (quadro::parHex(g_resposta[5], g_resposta[6])) {
    case 2:
        tamanho = 2048;
        break;
    case 4:
        tamanho = 4096;
        break;
    case 8:
        tamanho = 8192;
        break;
    case 16:
        tamanho = 16384;
        break;
    case 32:
        tamanho = 32768;
        break;
    default:
        tamanho = 0;
    }
    return true;
}

bool TControladora::ZerarPilha(quint8& erro) {
    quint8 cab[16];
    if (!LerMemoria(0, 16, {}, cab, erro)) return false;
    cab[10] = cab[8];
    cab[11] = cab[9];
    return GravarMemoria(0, 16, cab, erro);
}

bool TControladora::ZerarPilhaSeTopo(quint16 topo, quint16& topoLido, quint8& erro) {
    quint8 cab[16];
    erro = 0;
    if (!LerMemoria(0, 16, {}, cab, erro)) return false;
    topoLido = static_cast<quint16>((cab[10] << 8) | cab[11]);
    if (topoLido != topo) return false;
    cab[10] = cab[8];
    cab[11] = cab[9];
    return GravarMemoria(0, 16, cab, erro);
}

bool TControladora::modificarConfiguracao(const std::function<void(quint8*)>& mudar, quint8& erro) {
    quint8 bloco[128];
    if (!LerBloco(EnderecoConfiguracao, bloco, erro)) return false;
    mudar(bloco);
    return GravarBloco(EnderecoConfiguracao, bloco, erro);
}

bool TControladora::GravarCabeca(quint8 nova, quint8& erro) {
    const quint8 anterior = Cabeca;
    Cabeca = 170;
    bool ok = modificarConfiguracao([nova](quint8* b) { b[5] = nova; }, erro);
    if (ok) ok = Reiniciar(erro);
    Cabeca = anterior;
    return ok;
}

bool TControladora::GravarTemposRele(int t1, int t2, int t3, int t4, quint8& erro) {
    const int t[4] = {t1, t2, t3, t4};
    return modificarConfiguracao(
        [&t](quint8* b) {
            for (int i = 0; i < 4; ++i)
                b[6 + i] = static_cast<quint8>(static_cast<unsigned>(t[i]) / 250u);
        },
        erro);
}

bool TControladora::GravarTimeouts(int t1, int t2, int t3, int t4, quint8& erro) {
    const int t[4] = {t1, t2, t3, t4};
    return modificarConfiguracao(
        [&t](quint8* b) {
            for (int i = 0; i < 4; ++i)
                b[16 + i] = static_cast<quint8>(t[i]);
        },
        erro);
}

bool TControladora::GravarDadosLista(quint16 endereco, quint16 quantidade, quint8& erro) {
    return modificarConfiguracao(
        [=](quint8* b) {
            b[10] = static_cast<quint8>(endereco >> 8);
            b[11] = static_cast<quint8>(endereco & 0xFF);
            b[12] = static_cast<quint8>(quantidade >> 8);
            b[13] = static_cast<quint8>(quantidade & 0xFF);
        },
        erro);
}

} // namespace portaris
