#include "db/TdmPORTARIS.h"

#include "db/Esquema.h"

#include "platform/Configuracoes.h"
#include "platform/Estacao.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

namespace portaris {

namespace {

const QStringList kHorarios = {QStringLiteral("SEGE"), QStringLiteral("SEGS"), QStringLiteral("TERE"),
                               QStringLiteral("TERS"), QStringLiteral("QUAE"), QStringLiteral("QUAS"),
                               QStringLiteral("QUIE"), QStringLiteral("QUIS"), QStringLiteral("SEXE"),
                               QStringLiteral("SEXS"), QStringLiteral("SABE"), QStringLiteral("SABS"),
                               QStringLiteral("DOME"), QStringLiteral("DOMS")};
const QString kMascaraHora = QStringLiteral("!90:00:00;1;-");
const QString kMascaraData = QStringLiteral("!90/00/0000;1;-");
const QString kMascaraCartao = QStringLiteral("!aaaaaaaaaa;1; ");
const QString kMascaraCabeca = QStringLiteral("!000;1;-");

void janelasAbertas(Conjunto& c) {
    for (int i = 0; i < kHorarios.size(); ++i)
        c.definir(kHorarios[i], i % 2 == 0 ? QTime(0, 0, 0) : QTime(23, 59, 59));
}

// Readers report cards in upper case and the door compares exactly; one card, one holder, or the
// door would let a re-issued card pass under the old holder's name.
void cartaoUnico(Banco& banco, Conjunto& c, bool ronda) {
    const QString cartao = c.valor(QStringLiteral("CARTAO")).toString();
    if (cartao != cartao.toUpper()) c.definir(QStringLiteral("CARTAO"), cartao.toUpper());
    const QString chave = cartao.trimmed().toUpper();
    if (chave.isEmpty()) return;
    for (const bool deRonda : {false, true}) {
        Comando q(banco, deRonda ? QStringLiteral("SELECT FIRST 1 APELIDO FROM RONDA WHERE UPPER(TRIM(CARTAO)) = :C"
                                                  " AND CHAVE <> :K ORDER BY CHAVE")
                                 : QStringLiteral("SELECT FIRST 1 NOME FROM USUARIO WHERE UPPER(TRIM(CARTAO)) = :C"
                                                  " AND CHAVE <> :K ORDER BY CHAVE"));
        q.definir(QStringLiteral("C"), chave);
        q.definir(QStringLiteral("K"), deRonda == ronda ? c.valor(QStringLiteral("CHAVE")).toInt() : -1);
        q.abrir();
        if (q.proximo())
            Recusar((deRonda ? QStringLiteral("@!000ERRO cartão %1 já pertence ao cartão de ronda \"%2\"!")
                             : QStringLiteral("@!000ERRO cartão %1 já pertence ao usuário \"%2\"!"))
                        .arg(chave, q.campo(0).toString().trimmed()));
    }
}

void mascarar(Conjunto& c, const QString& campo, const QString& mascara, Validador v) {
    Campo& f = c.campo(campo);
    f.mascara = mascara;
    f.validador = v;
}

} // namespace

int DiaSemana(const QDate& d) {
    return d.dayOfWeek() % 7 + 1;
}

TdmPORTARIS::TdmPORTARIS(QObject* parent)
    : QObject(parent), setUSU(dbBANCO, QStringLiteral("setUSU"), QStringLiteral("USUARIO"), {},
                              QStringLiteral("NOME"), QStringLiteral("GEN_CHAVE_USUARIO")),
      setLEI(dbBANCO, QStringLiteral("setLEI"), QStringLiteral("LEITORA"),
             QStringLiteral("SERIALNUM = :PSERIALNUM"), {}, QStringLiteral("GEN_CHAVE_LEITORA")),
      setLEI64(dbBANCO, QStringLiteral("setLEI64"), QStringLiteral("LEITORA64"),
               QStringLiteral("SERIALNUM = :PSERIALNUM"), {}, QStringLiteral("GEN_CHAVE_LEITORA")),
      setCNL(dbBANCO, QStringLiteral("setCNL"), QStringLiteral("CONTROLADORA"),
             QStringLiteral("SERIALNUM = :PSERIALNUM"), {}, QStringLiteral("GEN_CHAVE_LEITORA")),
      setGRP(dbBANCO, QStringLiteral("setGRP"), QStringLiteral("GRUPOS"), {}, QStringLiteral("DESCRICAO"),
             QStringLiteral("GEN_CHAVE_GRUPO")),
      setCON(dbBANCO, QStringLiteral("setCON"), QStringLiteral("CONTA"), {}, QStringLiteral("LOGIN"),
             QStringLiteral("GEN_CHAVE_CONTA")),
      setRON(dbBANCO, QStringLiteral("setRON"), QStringLiteral("RONDA"), {}, {},
             QStringLiteral("GEN_CHAVE_RONDA")),
      tbRON(dbBANCO, QStringLiteral("tbRON"), QStringLiteral("RONDAD"), QStringLiteral("CHAVE = :PCHAVE"),
            QStringLiteral("CHAVE"), {},
            {QStringLiteral("CHAVE"), QStringLiteral("INICIO"), QStringLiteral("FIM"),
             QStringLiteral("CABECA")}),
      setFAM(dbBANCO, QStringLiteral("setFAM"), QStringLiteral("FAMILIA"), {}, QStringLiteral("DESCRICAO"),
             QStringLiteral("GEN_CHAVE_FAMILIA")),
      setACE(dbBANCO, QStringLiteral("setACE"), QStringLiteral("ACESSO"),
             QStringLiteral("DATA = :PDATA AND COMPUTADOR = :PCOMPUTADOR"), QStringLiteral("CHAVE"),
             QStringLiteral("GEN_CHAVE_ACESSO")) {
    // An access row holds what the engine wrote, key included; reading it back cost every card a
    // round trip inside its unit, with the holder's row locked.
    setACE.relerAposGravar = false;
    setACE.chaveAoGravar = true;
    qrHAB = Conjunto::consulta(dbBANCO, QStringLiteral("qrHAB"), {});
    qrLST_LEI_71 = Conjunto::consulta(
        dbBANCO, QStringLiteral("qrLST_LEI_71"),
        QStringLiteral("select CHAVE, CABECA , DESCRICAO, SERIALNUM \n from LEITORA\norder by DESCRICAO"));
    qrLST_LEI_64 = Conjunto::consulta(
        dbBANCO, QStringLiteral("qrLST_LEI_64"),
        QStringLiteral(
            "select CHAVE, CABECA, DESCRICAO, DESCRICAO01, SERIALNUM\n from LEITORA64\norder by DESCRICAO"));
    dbBANCO.definirCompartilhadaSomenteLeitura(true);
    diaSemanaInicio = DiaSemana(relogio().hoje());
    instalarRegras();
    m_tmrConexao.setInterval(1000);
    connect(&m_tmrConexao, &QTimer::timeout, this, &TdmPORTARIS::ManterConexao);
    m_tmrConexao.start();
}

TdmPORTARIS::~TdmPORTARIS() {
    FECHAR_TABELAS();
}

QString TdmPORTARIS::NomeBanco(const QString& protocolo, const QString& servidor, const QString& nomeServidor,
                               const QString& arquivo) {
    if (servidor == QStringLiteral("local")) return PastaPrograma::traduzir(arquivo);
    if (protocolo == QStringLiteral("TCPIP")) return nomeServidor + u':' + arquivo;
    return QStringLiteral("\\\\") + nomeServidor + u'\\' + arquivo.mid(3);
}

QString TdmPORTARIS::NOME_COMPUTADOR() {
    return cfg::outros_nomecomputador.ler().left(TamanhoNomeComputador);
}

namespace {
void registrar(const QString& texto) {
    try {
        GravarLog({texto});
    } catch (const std::exception&) {
        // A log that cannot be written must not stop the reconnection.
    }
}
} // namespace

QString TdmPORTARIS::ATUALIZAR_ESQUEMA() {
    m_lotes.clear(); // typed from the catalogue as it was
    OpcoesAtualizacao o;
    o.usuario = usuario;
    o.senha = senha;
    o.pastaCopia = PastaPrograma::caminho(QStringLiteral("copia"));
    o.arquivoBanco = remoto ? arquivoBanco : nomeBanco;
    o.servidor = remoto ? nomeServidor : QString();
    o.relatorio = [](const QString& l) { registrar(l); };
    return PrepararEsquema(dbBANCO, o);
}

bool TdmPORTARIS::CONECTAR(const QString& arquivo, bool inicial) {
    if (dbBANCO.conectado()) FECHAR_TABELAS();
    const ArquivoIni ini(PastaPrograma::caminho(arquivo));
    const QString protocolo = cfg::firebird_protocol.ler(ini);
    const QString servidor = cfg::firebird_server.ler(ini);
    protocoloNetBEUI = protocolo != QStringLiteral("TCPIP");
    remoto = servidor != QStringLiteral("local");
    nomeServidor = cfg::firebird_servername.ler(ini).left(200);
    arquivoBanco = cfg::firebird_databasefile.ler(ini);
    refresh = cfg::firebird_refresh.ler(ini);
    usuario = cfg::firebird_username.ler(ini).left(30);
    senha = cfg::firebird_password.ler(ini).left(30);
    nomeBanco = NomeBanco(protocolo, servidor, nomeServidor, arquivoBanco);
    expiraEm = cfg::outros_expiraem.ler();
    m_ultimoErro.clear();
    erroEsquema.clear();
    for (int tentativa = 0; tentativa < 3 && !dbBANCO.conectado(); ++tentativa) {
        try {
            dbBANCO.conectar(nomeBanco, usuario, senha);
        } catch (const ErroBanco& e) {
            m_ultimoErro = e.texto();
            relogio().dormir(5000);
        }
    }
    if (!dbBANCO.conectado()) {
        // A running station that lost its own database (a copy, a connection test) keeps trying in
        // the background like after a lost connection: its doors neither stop nor box every card.
        if (m_jaConectou && arquivo == QLatin1String("ptconfig.ini")) {
            dbBANCO.aguardarReconexao(nomeBanco, usuario, senha);
            m_reabrirDados = true;
            m_tentou = m_perdaRegistrada = m_falhaRegistrada = false;
        }
        return false;
    }
    m_reabrirDados = false;
    // Before any door is polled or any data read: a database this program cannot work with is
    // refused, an older one is brought to this program's version. At start, and on every later
    // attachment too (a restored copy, another server), except the test of "Rede local".
    if (arquivo != QLatin1String("teste.ini")) {
        erroEsquema = ATUALIZAR_ESQUEMA();
        if (!erroEsquema.isEmpty()) {
            m_ultimoErro = erroEsquema;
            registrar(erroEsquema);
            FECHAR_TABELAS();
            return false;
        }
    }
    try {
        if (inicial && !m_jaConectou && aoConectarInicial) aoConectarInicial();
        m_jaConectou = true;
        abrirDados();
    } catch (const ErroBanco& e) {
        // A database that answers but lacks the schema is as unusable as an unreachable one.
        m_ultimoErro = e.texto();
        FECHAR_TABELAS();
        return false;
    }
    return true;
}


void TdmPORTARIS::ManterConexao() {
    dbBANCO.expirarReserva();
    if (!dbBANCO.perdida()) return;
    if (!m_perdaRegistrada) {
        m_perdaRegistrada = true;
        registrar(QStringLiteral("Conexão com o banco de dados perdida; nova tentativa a cada %1 segundos")
                      .arg(IntervaloReconexao / 1000));
        emit conexaoPerdida();
    }
    switch (dbBANCO.concluirReconexao()) {
    case Banco::Reconexao::EmAndamento:
        return;
    case Banco::Reconexao::Conectado:
        m_perdaRegistrada = m_falhaRegistrada = m_tentou = false;
        if (m_reabrirDados) {
            m_reabrirDados = false;
            QString erro = erroEsquema = ATUALIZAR_ESQUEMA();
            if (erro.isEmpty()) {
                try {
                    abrirDados();
                } catch (const ErroBanco& e) {
                    erro = e.texto();
                }
            }
            if (!erro.isEmpty()) {
                m_ultimoErro = erro;
                registrar(QStringLiteral("Reconexão ao banco de dados recusada: ") + erro);
                FECHAR_TABELAS();
                return;
            }
        }
        registrar(QStringLiteral("Conexão com o banco de dados restabelecida"));
        // Rows stored while the server was going away may have been lost with it.
        if (setACE.aberto() && !setACE.emEdicao()) {
            try {
                setACE.atualizar();
            } catch (const ErroBanco&) {
            }
        }
        emit conexaoRestabelecida();
        return;
    case Banco::Reconexao::Falhou:
        if (!m_falhaRegistrada) {
            m_falhaRegistrada = true;
            registrar(QStringLiteral("Reconexão ao banco de dados falhou: ") + dbBANCO.ultimoErroReconexao());
        }
        break;
    case Banco::Reconexao::Nenhuma:
        break;
    }
    const quint32 agora = relogio().tick();
    if (m_tentou && agora - m_ultimaTentativa < static_cast<quint32>(IntervaloReconexao)) return;
    m_tentou = true;
    m_ultimaTentativa = agora;
    dbBANCO.iniciarReconexao();
}

bool TdmPORTARIS::EhFeriado(const QDate& dia) {
    Comando c(dbBANCO, QStringLiteral("SELECT COUNT(*) FROM FERIADOS WHERE DIA = :D AND MES = :M"));
    c.definir(QStringLiteral("D"), dia.day());
    c.definir(QStringLiteral("M"), dia.month());
    c.abrir();
    return c.proximo() && c.campo(0).toInt() > 0;
}

void TdmPORTARIS::abrirAcessosDeHoje() {
    setACE.definirParametro(QStringLiteral("PDATA"), relogio().hoje());
    setACE.definirParametro(QStringLiteral("PCOMPUTADOR"), NOME_COMPUTADOR());
    setACE.abrir();
}

void TdmPORTARIS::abrirDados() {
    setCON.abrir();
    abrirAcessosDeHoje();
    setUSU.abrir();
    setRON.abrir();
    tbRON.definirParametro(QStringLiteral("PCHAVE"), setRON.valor(QStringLiteral("CHAVE")));
    tbRON.abrir();
    for (const QString& h : kHorarios)
        mascarar(setUSU, h, kMascaraHora, Validador::Hora);
    mascarar(setUSU, QStringLiteral("EXPIRAEM"), kMascaraData, Validador::Data);
    mascarar(setUSU, QStringLiteral("CARTAO"), kMascaraCartao, Validador::Nenhum);
    mascarar(setRON, QStringLiteral("CARTAO"), kMascaraCartao, Validador::Nenhum);
    mascarar(tbRON, QStringLiteral("INICIO"), kMascaraHora, Validador::Hora);
    mascarar(tbRON, QStringLiteral("FIM"), kMascaraHora, Validador::Hora);
    mascarar(tbRON, QStringLiteral("CABECA"), kMascaraCabeca, Validador::Cabeca);
    qrLST_LEI_71->abrir();
    qrLST_LEI_64->abrir();
    setGRP.abrir();
    for (const QString& h : kHorarios)
        mascarar(setGRP, h, kMascaraHora, Validador::Hora);
    // This station's devices and the families are opened here too, so every panel finds its data.
    estacao = IdentificadorEstacao();
    for (Conjunto* c : {&setLEI, &setLEI64, &setCNL}) {
        c->definirParametro(QStringLiteral("PSERIALNUM"), estacao);
        c->abrir();
    }
    setFAM.abrir();
}

void TdmPORTARIS::FECHAR_TABELAS() {
    for (Conjunto* c :
         {&setACE, &setUSU, &setRON, &tbRON, &setLEI, &setLEI64, &setCON, &setCNL, &setGRP, &setFAM})
        c->fechar();
    qrHAB->fechar();
    qrLST_LEI_71->fechar();
    qrLST_LEI_64->fechar();
    m_sps.clear();
    m_lotes.clear();
    dbBANCO.desconectar();
}

bool TdmPORTARIS::EM_EDICAO() const {
    for (const Conjunto* c :
         {&setACE, &setUSU, &setRON, &tbRON, &setLEI, &setCON, &setLEI64, &setCNL, &setGRP})
        if (c->emEdicao()) return true;
    return false;
}

bool TdmPORTARIS::REGISTRO_PENDENTE() const {
    return EM_EDICAO() || setFAM.emEdicao() || dbBANCO.unidadesAbertas() > 0;
}

Procedimento& TdmPORTARIS::sp(const QString& nome) {
    auto& p = m_sps[nome.toUpper()];
    if (!p) p = std::make_shared<Procedimento>(dbBANCO, nome);
    return *p;
}

namespace {
QString formaDoLote(const QList<LoteProcedimentos::Chamada>& chamadas) {
    QStringList partes;
    for (const LoteProcedimentos::Chamada& c : chamadas) {
        QStringList ligadas;
        for (auto it = c.ligadas.cbegin(); it != c.ligadas.cend(); ++it)
            ligadas << QStringLiteral("%1=%2.%3").arg(it.key().toUpper()).arg(it->chamada).arg(it->saida.toUpper());
        ligadas.sort();
        partes << c.procedimento.toUpper() + u'(' + ligadas.join(u',') + u')';
    }
    return partes.join(u';');
}
} // namespace

LoteProcedimentos& TdmPORTARIS::lote(const QList<LoteProcedimentos::Chamada>& chamadas) {
    auto& l = m_lotes[formaDoLote(chamadas)];
    if (!l) l = std::make_shared<LoteProcedimentos>(dbBANCO, chamadas);
    return *l;
}

void TdmPORTARIS::esquecerLote(const QList<LoteProcedimentos::Chamada>& chamadas) {
    m_lotes.remove(formaDoLote(chamadas));
}

void TdmPORTARIS::instalarRegras() {
    // New records start with usable values; the key was drawn already.
    setUSU.depoisInserir = [this](Conjunto& c) {
        for (const char* f : {"NAOACESSOFERIADOS", "NAOLISTARELAT", "DESABILITAR", "EXPIRA", "AVSREC"})
            c.definir(QString::fromLatin1(f), QStringLiteral("0"));
        janelasAbertas(c);
        c.definir(QStringLiteral("EXPIRAEM"), relogio().hoje().addDays(expiraEm));
    };
    setLEI.depoisInserir = [](Conjunto& c) {
        c.definir(QStringLiteral("SERIAL"), QStringLiteral("COM1"));
        c.definir(QStringLiteral("RELE"), 250);
        for (const char* f :
             {"DESABILITAR", "USARWEBCAM", "IGNORARDESC", "NAOBATERELE", "PERMITIRREMOTO", "VISUALIZAR"})
            c.definir(QString::fromLatin1(f), QStringLiteral("0"));
        c.definir(QStringLiteral("CONFIRMARACESSO"), QStringLiteral("1"));
        c.definir(QStringLiteral("PERMITIRREINGRESSO"), QStringLiteral("1"));
        c.definir(QStringLiteral("POSICAO"), QStringLiteral("N"));
        c.definir(QStringLiteral("ID_LEITORAMAE"), 0);
        c.definir(QStringLiteral("TEMPVISUAL"), 3);
    };
    setLEI64.depoisInserir = [](Conjunto& c) {
        c.definir(QStringLiteral("SERIAL"), QStringLiteral("COM1"));
        c.definir(QStringLiteral("RELE"), 1000);
        for (const char* f : {"DESABILITAR", "CONFIRMARACESSO", "USARWEBCAM01", "IGNORARDESC", "PARAABREAUTO",
                              "NAOBATERELE", "PERMITIRREMOTO", "VISUALIZAR"})
            c.definir(QString::fromLatin1(f), QStringLiteral("0"));
        c.definir(QStringLiteral("TFECHAMENTO"), 0);
        c.definir(QStringLiteral("FECHARPOS"), 10);
        c.definir(QStringLiteral("DESLIGARPOR"), 0);
        c.definir(QStringLiteral("POSICAO_L1"), QStringLiteral("N"));
        c.definir(QStringLiteral("PERMITIRREINGRESSO"), QStringLiteral("1"));
        c.definir(QStringLiteral("ACIONAMENTO"), 0);
        c.definir(QStringLiteral("ID_LEITORAMAE"), 0);
        c.definir(QStringLiteral("TEMPVISUAL"), 3);
    };
    setCNL.depoisInserir = [](Conjunto& c) {
        c.definir(QStringLiteral("SERIAL"), QStringLiteral("COM1"));
        c.definir(QStringLiteral("FREQDOWN"), 10);
        for (const char* f : {"DESABILITAR", "ONLINE", "CONFIRMARACESSO", "VISUALIZAR"})
            c.definir(QString::fromLatin1(f), QStringLiteral("0"));
        for (int i = 1; i <= 4; ++i) {
            c.definir(QStringLiteral("TIMEOUT%1").arg(i), 10);
            c.definir(QStringLiteral("RELEP%1").arg(i), 1);
        }
        c.definir(QStringLiteral("TEMPVISUAL"), 3);
    };
    setGRP.depoisInserir = [](Conjunto& c) {
        c.definir(QStringLiteral("NAOACESSOFERIADOS"), QStringLiteral("0"));
        janelasAbertas(c);
    };
    setCON.depoisInserir = [](Conjunto& c) {
        for (int i = 1; i <= 5; ++i)
            c.definir(QStringLiteral("NIVEL%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("0"));
        c.definir(QStringLiteral("SENHA"), QStringLiteral("958"));
    };
    setRON.depoisInserir = [](Conjunto& c) {
        for (const char* f :
             {"SEGUNDA", "TERCA", "QUARTA", "QUINTA", "SEXTA", "SABADO", "DOMINGO", "DESABILITAR"})
            c.definir(QString::fromLatin1(f), QStringLiteral("0"));
    };
    // A new patrol window goes after the existing ones and belongs to the current patrol card.
    tbRON.antesInserir = [](Conjunto& c) { c.ultimo(); };
    tbRON.depoisInserir = [this](Conjunto& c) {
        c.definir(QStringLiteral("CHAVE"), setRON.valor(QStringLiteral("CHAVE")));
        c.definir(QStringLiteral("INICIO"), QTime(0, 0, 0));
        c.definir(QStringLiteral("FIM"), QTime(23, 59, 59));
        c.definir(QStringLiteral("CABECA"), 0);
    };

    setUSU.antesGravar = [this](Conjunto& c) {
        cartaoUnico(dbBANCO, c, false);
        static const char* dias[][2] = {{"SEGE", "SEGS"}, {"TERE", "TERS"}, {"QUAE", "QUAS"},
                                        {"QUIE", "QUIS"}, {"SEXE", "SEXS"}, {"SABE", "SABS"},
                                        {"DOME", "DOMS"}};
        for (const auto& d : dias) {
            const QTime e = c.valor(QString::fromLatin1(d[0])).toTime();
            const QTime s = c.valor(QString::fromLatin1(d[1])).toTime();
            if (e.isValid() && s.isValid() && e > s)
                Recusar(QStringLiteral("@!000ERRExiste um horário informado que não procede!"));
        }
    };
    setRON.antesGravar = [this](Conjunto& c) { cartaoUnico(dbBANCO, c, true); };
    auto leitoraAntesGravar = [](Conjunto& c) {
        if (c.valor(QStringLiteral("CONFIRMARACESSO")).toString() == QStringLiteral("0"))
            c.definir(QStringLiteral("PERMITIRREINGRESSO"), QStringLiteral("1"));
        if (c.valor(QStringLiteral("CONFIRMARACESSO")).toString() == QStringLiteral("1"))
            c.definir(QStringLiteral("VISUALIZAR"), QStringLiteral("0"));
    };
    setLEI.antesGravar = leitoraAntesGravar;
    setLEI64.antesGravar = leitoraAntesGravar;
    setCNL.antesGravar = [](Conjunto& c) {
        if (c.valor(QStringLiteral("CONFIRMARACESSO")).toString() == QStringLiteral("1"))
            c.definir(QStringLiteral("VISUALIZAR"), QStringLiteral("0"));
    };
    tbRON.antesGravar = [this](Conjunto& c) {
        const QTime inicio = c.valor(QStringLiteral("INICIO")).toTime();
        const QTime fim = c.valor(QStringLiteral("FIM")).toTime();
        const int cabeca = c.valor(QStringLiteral("CABECA")).toInt();
        if (inicio > fim) Recusar(QStringLiteral("@!000ERRHora Inválida\r\nInício deve ser <= que fim!"));
        if (cabeca == 0)
            Recusar(QStringLiteral(
                "@!000ERRLeitora não informada\r\nInforme a qual leitora deseja atribuir o horário!"));
        // While editing, the row's own stored window is in the table and must not count against it.
        QTime velhoInicio, velhoFim;
        int velhaCabeca = -1;
        if (c.estado() == EstadoConjunto::Editando && c.posicao() >= 0) {
            velhoInicio = c.valor(c.posicao(), QStringLiteral("INICIO")).toTime();
            velhoFim = c.valor(c.posicao(), QStringLiteral("FIM")).toTime();
            velhaCabeca = c.valor(c.posicao(), QStringLiteral("CABECA")).toInt();
        }
        Procedimento& p = sp(QStringLiteral("CA_RTEM"));
        for (const QTime& h : {inicio, fim}) {
            p.definir(QStringLiteral("PCHAVE"), c.valor(QStringLiteral("CHAVE")));
            p.definir(QStringLiteral("PCABECA"), cabeca);
            p.definir(QStringLiteral("PHORA"), h);
            p.executar();
            int conflitos = p.saida(QStringLiteral("PSAIDA")).toInt();
            if (velhaCabeca == cabeca && h >= velhoInicio && h <= velhoFim) --conflitos;
            if (conflitos > 0)
                Recusar(QStringLiteral("@!000ERRHorário informado conflita com outro na mesma leitora!"));
        }
    };
    auto leitoraAntesApagar = [this](Conjunto& c) {
        const int chave = c.valor(QStringLiteral("CHAVE")).toInt();
        if (chave > 0) {
            Procedimento& p = sp(QStringLiteral("HABILITADO_APAGARX"));
            p.definir(QStringLiteral("PLCHAVE"), chave);
            p.executar();
        }
    };
    setLEI.antesApagar = leitoraAntesApagar;
    setLEI64.antesApagar = leitoraAntesApagar;

    setUSU.depoisRolar = [this](Conjunto& c) {
        if (c.vazio()) return;
        qrHAB->fechar();
        qrHAB->definirSql(QStringLiteral("SELECT PLCHAVE,PMEMORIZAR\nFROM HABILITADO_BUSCA\n(%1)")
                              .arg(c.valor(QStringLiteral("CHAVE")).toLongLong()));
        qrHAB->abrir();
        emit MARCAR_HABILITADOS();
    };
    // The patrol windows follow the current patrol card.
    setRON.depoisRolar = [this](Conjunto& c) {
        if (!tbRON.aberto() && !dbBANCO.conectado()) return;
        if (tbRON.emEdicao()) tbRON.cancelar();
        tbRON.definirParametro(QStringLiteral("PCHAVE"), c.valor(QStringLiteral("CHAVE")));
        if (tbRON.aberto()) tbRON.abrir();
    };
}

} // namespace portaris
