#include "Veredito.h"

#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QFileInfo>
#include <QTime>

namespace portaris {

namespace {
// 1 = Sunday … 7 = Saturday.
int diaDaSemana(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}
int inteiro(const QVariant& v) {
    return v.isNull() ? 0 : v.toInt();
}
QString texto(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}
} // namespace

QList<QVariantMap> Procedimentos::executarJuntos(const QList<ChamadaProcedimento>& chamadas) {
    QList<QVariantMap> saidas;
    for (const ChamadaProcedimento& c : chamadas) {
        QVariantMap entradas = c.entradas;
        for (auto it = c.ligadas.cbegin(); it != c.ligadas.cend(); ++it)
            entradas.insert(it.key(), saidas.value(it->chamada).value(it->saida));
        saidas << executar(c.procedimento, entradas);
    }
    return saidas;
}

void MotorVeredito::configurarSom(bool usar, const QString& som1, const QString& som2) {
    m_usarSom = usar;
    m_som1 = som1;
    m_som2 = som2;
}

void MotorVeredito::definirCalendario(std::function<bool(const QDate&)> ehFeriado) {
    m_ehFeriado = std::move(ehFeriado);
    m_diaFeriado = QDate();
}

bool MotorVeredito::feriadoHoje() {
    const QDate hoje = relogio().hoje();
    if (hoje != m_diaFeriado) {
        m_feriado = m_ehFeriado && m_ehFeriado(hoje);
        m_diaFeriado = hoje;
    }
    return m_feriado;
}

VereditoAcesso MotorVeredito::AvaliarCartao(const QString& cartao, const PontoLeitura& ponto) {
    VereditoAcesso v;
    const QDateTime agora = relogio().agora();
    const int dia = diaDaSemana(agora.date());
    const QTime hora = agora.time();

    // Every read a holder's verdict may need, in one exchange: a station on a shared server pays
    // a round trip per call, and the door waits for them. They only read: one the chain would not
    // have reached costs the server a few microseconds.
    const ChamadaProcedimento::Origem chaveLida{0, QStringLiteral("PCHAVE")};
    const QHash<QString, ChamadaProcedimento::Origem> daChave{{QStringLiteral("PCHAVE"), chaveLida}};
    const QList<QVariantMap> lidos = m_procs.executarJuntos({
        {QStringLiteral("CA_CUSER"), {{QStringLiteral("PCARTAO"), cartao}}, {}},
        {ponto.procedimentoPermissao(),
         {{QStringLiteral("PLCHAVE"), ponto.chaveLeitora}},
         {{QStringLiteral("PUCHAVE"), chaveLida}}},
        {QStringLiteral("CA_HCAR"), {}, daChave},
        {QStringLiteral("CA_HFER"), {}, daChave},
        {QStringLiteral("CA_HHOR"), {{QStringLiteral("PDIA"), dia}, {QStringLiteral("PHORA"), hora}}, daChave},
        {QStringLiteral("BUSCA_ATUAL_POSICAO"), {}, daChave},
        {QStringLiteral("TEM_RECADO"), {}, daChave},
    });
    const QVariantMap& usuario = lidos.at(0);
    const int chave = inteiro(usuario.value(QStringLiteral("PCHAVE")));

    if (chave < 1) {
        const QVariantMap ronda =
            m_procs.executar(QStringLiteral("CA_RON"), {{QStringLiteral("PCARTAO"), cartao}});
        v.ChaveUsuario = inteiro(ronda.value(QStringLiteral("PCHAVE")));
        if (v.ChaveUsuario < 1) {
            v.NOTA = QStringLiteral("Cartão não consta");
            return v;
        }
        v.RONDA = QStringLiteral("1");
        v.RELATORIO = QStringLiteral("1");
        v.TIPO = QStringLiteral("Ronda");
        v.NOME = texto(ronda.value(QStringLiteral("PAPELIDO")));
        if (texto(ronda.value(QStringLiteral("PDESABILITAR"))) == QLatin1String("1")) {
            v.NOTA = QStringLiteral("Cartão de ronda desabilitado");
            return v;
        }
        const QVariantMap eron =
            m_procs.executar(QStringLiteral("CA_ERON"),
                             {{QStringLiteral("PCHAVE"), v.ChaveUsuario}, {QStringLiteral("PDIA"), dia}});
        if (texto(eron.value(QStringLiteral("PSAIDA"))) != QLatin1String("1")) {
            v.NOTA = QStringLiteral("Não há ronda para hoje");
        } else {
            const QVariantMap rtem =
                m_procs.executar(QStringLiteral("CA_RTEM"), {{QStringLiteral("PCHAVE"), v.ChaveUsuario},
                                                             {QStringLiteral("PCABECA"), ponto.cabecaRonda},
                                                             {QStringLiteral("PHORA"), hora}});
            v.NOTA = inteiro(rtem.value(QStringLiteral("PSAIDA"))) < 1
                         ? QStringLiteral("Ronda fora do horário")
                         : QStringLiteral("Ronda OK");
        }
        v.SinalizarRonda = ponto.modelo != ModeloPonto::Controladora;
        return v;
    }

    v.ChaveUsuario = chave;
    v.NOME = texto(usuario.value(QStringLiteral("PNOME")));
    v.TIPO = texto(usuario.value(QStringLiteral("PTIPO")));
    v.GRUPO = texto(usuario.value(QStringLiteral("PGRUPO")));
    v.expira = texto(usuario.value(QStringLiteral("PEXPIRA")));
    v.expiraEm = usuario.value(QStringLiteral("PEXPIRAEM")).toDate();
    v.RELATORIO = texto(usuario.value(QStringLiteral("PNAOREL"))) != QLatin1String("0") ? QStringLiteral("0")
                                                                                        : QStringLiteral("1");

    [&] {
        if (inteiro(lidos.at(1).value(QStringLiteral("PSAIDA"))) < 1) {
            v.NOTA = QStringLiteral("Cartão desabilitado para leitora");
            return;
        }
        if (texto(lidos.at(2).value(QStringLiteral("PSAIDA"))) != QLatin1String("0")) {
            v.NOTA = QStringLiteral("Cartão desabilitado");
            return;
        }
        if (feriadoHoje() && texto(lidos.at(3).value(QStringLiteral("PSAIDA"))) != QLatin1String("0")) {
            v.NOTA = QStringLiteral("Não habilitado feriado");
            return;
        }
        const QVariantMap& horario = lidos.at(4);
        if (inteiro(horario.value(QStringLiteral("PSAIDA"))) < 1 ||
            horario.value(QStringLiteral("PHENT")).toTime() ==
                horario.value(QStringLiteral("PHSAI")).toTime()) {
            v.NOTA = QStringLiteral("Fora do horário");
            return;
        }
        bool recusado = false;
        if (v.expira == QLatin1String("1") && v.expiraEm.isValid() && agora.date() >= v.expiraEm) {
            v.NOTA = QStringLiteral("Cartão expirou em ") + v.expiraEm.toString(QStringLiteral("dd/MM/yyyy"));
            recusado = true;
        }
        // A gate checks the position even after an expiry; a passive reader only when not refused.
        const bool antipassback = !ponto.posicao.isEmpty() && ponto.posicao != QLatin1String("N") &&
                                  !ponto.permitirReingresso && ponto.modelo != ModeloPonto::Controladora;
        if (antipassback && (!recusado || ponto.modelo == ModeloPonto::Ativa)) {
            const QVariant pos = lidos.at(5).value(QStringLiteral("PPOS"));
            const QString atual = pos.isNull() ? QStringLiteral("N") : pos.toString();
            if (atual == ponto.posicao) {
                v.NOTA = ponto.posicao == QLatin1String("E") ? QStringLiteral("Já consta uma entrada")
                                                             : QStringLiteral("Já consta uma saída");
                recusado = true;
            }
        }
        if (!recusado) {
            v.Autorizado = true;
            v.NOTA = QStringLiteral("Acesso autorizado");
        }
    }();

    if (texto(lidos.at(6).value(QStringLiteral("PSN"))) == QLatin1String("1"))
        m_ui.AbrirLembretes(chave, v.NOME);
    return v;
}

void MotorVeredito::tocarSom(const VereditoAcesso& v) {
    if (!m_usarSom) return;
    const QString nome = (v.AUTORIZADO != QStringLiteral("Não") ? m_som1 : m_som2).trimmed();
    if (nome.isEmpty()) return;
    const QString arquivo = PastaPrograma::traduzir(nome);
    if (QFileInfo::exists(arquivo)) m_ui.TocarSom(arquivo);
}

void MotorVeredito::ConcluirVeredito(VereditoAcesso& v, const PontoLeitura& ponto) {
    v.AUTORIZADO = v.Autorizado ? QStringLiteral("Sim") : QStringLiteral("Não");
    if (v.RONDA != QLatin1String("0")) return;
    if (!ponto.confirmar) {
        tocarSom(v);
        return;
    }
    tocarSom(v);
    const QVariant familia =
        m_procs.executar(QStringLiteral("TEM_FAMILIA"), {{QStringLiteral("PUCHAVE"), v.ChaveUsuario}})
            .value(QStringLiteral("PCHAVE"));
    const int chaveFamilia = inteiro(familia);
    bool sim;
    if (chaveFamilia < 1) {
        const auto r = m_ui.PedirConfirmacao(ponto.nome, v.ChaveUsuario, v.NOTA, v.NOME);
        v.NOTA2 = r.observacao;
        sim = r.sim;
    } else {
        const QVariantMap m =
            m_procs.executar(QStringLiteral("FAMILIA_MEMBROS"), {{QStringLiteral("PCHAVE"), chaveFamilia}});
        std::array<int, 9> membros{};
        for (int i = 0; i < 9; ++i)
            membros[i] = inteiro(m.value(QStringLiteral("PMEMBRO%1").arg(i + 1)));
        sim = m_ui.ConfirmarFamilia(membros);
    }
    v.Autorizado = sim;
    v.AUTORIZADO = sim ? QStringLiteral("Sim") : QStringLiteral("Não");
    v.NOTA =
        sim ? QStringLiteral("Acesso autorizado manualmente") : QStringLiteral("Acesso negado manualmente");
    m_ui.ProcessarEventos();
}

} // namespace portaris
