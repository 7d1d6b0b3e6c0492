#include "BaixarEventos.h"

#include "DispositivosEstacao.h"
#include "MotorAcesso.h"
#include "db/TdmPORTARIS.h"
#include "devices/uControladora.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QCryptographicHash>
#include <vector>

namespace portaris {

namespace {

const QString kLerCabecalho = QStringLiteral("QX64C_RX_EEPROM($0000,16,BUFFER,byERR,nil)");

// A BCD byte as its two decimal digits; -1 when a nibble is no digit.
int bcd(unsigned char b) {
    const int alto = b >> 4, baixo = b & 0x0F;
    return alto > 9 || baixo > 9 ? -1 : alto * 10 + baixo;
}

QString hex2(unsigned char b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString EventoControladora::nota() const {
    static const QString notas[4] = {QStringLiteral("Acesso autorizado"), QStringLiteral("Cartão não cadastrado!"),
                                     QStringLiteral("Fora do horário!"),
                                     QStringLiteral("Acesso a porta não autorizada!")};
    return notas[resultado & 3];
}

EventoControladora EventoControladora::Decodificar(const unsigned char* r) {
    EventoControladora e;
    e.codigo = hex2(r[0]) + hex2(r[1]) + hex2(r[2]);
    e.dataTexto = hex2(r[3]) + u'/' + hex2(r[4]) + u'/' + hex2(r[5]);
    e.horaTexto = hex2(r[6]) + u':' + hex2(r[7]) + u':' + hex2(r[8]);
    const int dia = bcd(r[3]), mes = bcd(r[4]), ano = bcd(r[5]);
    if (dia >= 0 && mes >= 0 && ano >= 0) {
        // Two-digit years within fifty years of now, as the station's date format reads them.
        int seculo = 2000 + ano;
        if (seculo > relogio().hoje().year() + 50) seculo -= 100;
        e.data = QDate(seculo, mes, dia);
    }
    const int h = bcd(r[6]), m = bcd(r[7]), s = bcd(r[8]);
    if (h >= 0 && m >= 0 && s >= 0) e.hora = QTime(h, m, s);
    e.porta = r[9] & 0x0F;
    e.autorizado = r[9] & 0x10;
    e.feriado = r[9] & 0x20;
    e.resultado = r[9] >> 6;
    return e;
}

BaixadorEventos::BaixadorEventos(TdmPORTARIS& dm, MotorAcesso& motor, DispositivosEstacao& dispositivos)
    : m_dm(dm), m_motor(motor), m_disp(dispositivos) {}

void BaixadorEventos::log(const QString& linha) {
    try {
        GravarLog({linha}, 0);
    } catch (const std::exception&) {
        // The download itself matters more than its diary.
    }
}

bool BaixadorEventos::BaixarEventos(TControladora* origem) {
    // One download at a time: a second "Atualizar", or a schedule that falls due meanwhile, would
    // read the same events again.
    if (m_emAndamento) return false;
    m_emAndamento = true;
    struct Fim {
        bool& f;
        ~Fim() { f = false; }
    } fim{m_emAndamento};
    log(QStringLiteral("Inicio btCONClick(Sender: TObject)"));
    const bool manual = origem == nullptr;
    bool todos = true;
    if (manual) {
        log(QStringLiteral("Executando em modo manual"));
        if (progresso.cursorEspera) progresso.cursorEspera(true);
        if (progresso.fecharMenus) progresso.fecharMenus();
        for (const Dispositivo& d : m_disp.lista)
            if (auto* const* c = std::get_if<TControladora*>(&d)) todos = baixar(**c, true) && todos;
        if (progresso.esconder) progresso.esconder();
        if (progresso.cursorEspera) progresso.cursorEspera(false);
        if (todos && progresso.pesquisar) progresso.pesquisar();
    } else {
        log(QStringLiteral("Executando em modo automatico"));
        todos = baixar(*origem, false);
    }
    try {
        GravarLog({QStringLiteral("Fim btCONClick(Sender: TObject)")}, 2);
    } catch (const std::exception&) {
    }
    return todos;
}

BaixadorEventos::Resultado BaixadorEventos::BaixarAntesDeEnviar(TControladora& c) {
    if (m_emAndamento) return Resultado::Falhou;
    m_emAndamento = true;
    struct Fim {
        bool& f;
        ~Fim() { f = false; }
    } fim{m_emAndamento};
    Resultado r = Resultado::Falhou;
    baixar(c, false, &r);
    return r;
}

bool BaixadorEventos::baixar(TControladora& c, bool manual, Resultado* resultado) {
    if (c.DownloadAutomatico) c.ReprogramarDownload();
    c.Porta = m_disp.portas.handle(c.PortaCom);
    bool sucesso = false;
    quint8 erro = 0;
    quint8 cab[16];
    log(QStringLiteral("Executar ") + kLerCabecalho);
    if (!c.LerMemoria(0, 16, {}, cab, erro)) {
        log(QStringLiteral("Fracasso ao executar ") + kLerCabecalho);
        log(QStringLiteral("QX64C_RX_EEPROM retornou byERR = %1 valor em decimal").arg(erro));
    } else {
        log(QStringLiteral("Sucesso ao executar ") + kLerCabecalho);
        const int base = (cab[8] << 8) | cab[9];
        const int topo = (cab[10] << 8) | cab[11];
        if (topo <= base) {
            if (resultado) *resultado = Resultado::Vazia;
            if (manual) {
                if (progresso.cursorEspera) progresso.cursorEspera(false);
                MostrarMensagem(QStringLiteral("@!000AVINão existem registros a serem lidos!"));
                if (progresso.cursorEspera) progresso.cursorEspera(true);
            }
            log(QStringLiteral("Aviso : Não existem registros a serem lidos!"));
        } else {
            relogio().dormir(50);
            const int tamanho = topo - base;
            if (manual && progresso.mostrarLeitura) progresso.mostrarLeitura(QStringLiteral("Buscando na memória..."), tamanho);
            std::vector<quint8> dados(static_cast<size_t>(tamanho));
            int lidos = 0;
            auto avancar = [&](int n) {
                lidos += n;
                if (manual && progresso.leitura) progresso.leitura(std::min(lidos, tamanho));
            };
            if (!c.LerMemoria(static_cast<quint16>(base), tamanho, avancar, dados.data(), erro)) {
                if (manual) {
                    if (progresso.cursorEspera) progresso.cursorEspera(false);
                    MostrarMensagem(QStringLiteral("@!000ERRNão foi possível ler os dados da eeprom!"));
                    if (progresso.cursorEspera) progresso.cursorEspera(true);
                }
                log(QStringLiteral("Não foi possível ler os dados da eeprom!"));
            } else {
                sucesso = guardar(c, base, topo, dados, manual, resultado);
            }
        }
    }
    log(QStringLiteral("Executar QX64C_TX_RELOGIO"));
    const QDateTime agora = relogio().agora();
    erro = 0;
    c.AcertarRelogio(agora.toString(QStringLiteral("HH:mm:ss")), agora.toString(QStringLiteral("dd/MM/yy")), erro);
    log(QStringLiteral("QX64C_TX_RELOGIO retornou byERR = %1 valor em decimal").arg(erro));
    return sucesso;
}

QByteArray BaixadorEventos::Resumo(const std::vector<unsigned char>& dados, int bytes) {
    return QCryptographicHash::hash(QByteArrayView(dados.data(), bytes), QCryptographicHash::Sha1).toHex();
}

int BaixadorEventos::jaGuardados(const TControladora& c, int base, const std::vector<unsigned char>& dados) {
    Comando q(m_dm.dbBANCO,
              QStringLiteral("SELECT BASE, TOPO, RESUMO FROM BAIXA_CONTROLADORA WHERE CONTROLADORA = :C"));
    q.definir(QStringLiteral("C"), c.Chave);
    q.abrir();
    if (!q.proximo()) return 0;
    const int baseGravada = q.campo(0).toInt(), topoGravado = q.campo(1).toInt();
    const QByteArray resumo = q.campo(2).toString().toLatin1();
    q.fechar();
    const int bytes = topoGravado - baseGravada;
    if (baseGravada != base || bytes <= 0 || bytes > static_cast<int>(dados.size()) ||
        Resumo(dados, bytes) != resumo)
        return 0;
    log(QStringLiteral("Controladora %1: %2 eventos já gravados numa baixa anterior não são gravados de novo")
            .arg(c.Descricao)
            .arg(bytes / TamanhoEvento));
    return bytes;
}

bool BaixadorEventos::guardarFaixa(TControladora& c, int base, const std::vector<unsigned char>& dados, int inicio,
                                   bool manual, QStringList& avisos) {
    const int registros = (static_cast<int>(dados.size()) - inicio) / TamanhoEvento;
    if (manual && progresso.mostrarProcessamento)
        progresso.mostrarProcessamento(QStringLiteral("Processandos dados..."), registros);
    // The events of this range and the note of what was stored are one unit of work: a refused
    // row leaves every event in the controller, and a stored range is never stored twice.
    QString portaAnterior = m_portaAnterior;
    try {
        Unidade u(m_dm.dbBANCO);
        for (int i = 0; i < registros; ++i) {
            const unsigned char* r = dados.data() + inicio + static_cast<size_t>(i) * TamanhoEvento;
            const EventoControladora e = EventoControladora::Decodificar(r);
            if (e.porta <= 3) portaAnterior = c.Portas[e.porta].Nome;
            if (!e.data.isValid() || !e.hora.isValid()) {
                QString bytes;
                for (int k = 0; k < TamanhoEvento; ++k)
                    bytes += (k ? QStringLiteral(" ") : QString()) + hex2(r[k]);
                log(QStringLiteral("Erro ao receber dado - bloco 02"));
                log(QStringLiteral("Registro não convertido (%1): %2").arg(c.Descricao, bytes));
                // Shown once the unit is over: a box would let other work in meanwhile.
                avisos << QStringLiteral("Erro ao receber dado - bloco 02");
            } else {
                m_motor.GravarEventoMemoria(e.codigo, e.autorizado ? QStringLiteral("Sim") : QStringLiteral("Não"),
                                            e.nota(), e.feriado, portaAnterior, e.data, e.hora);
            }
            if (manual && progresso.processamento) progresso.processamento(i + 1);
        }
        Comando nota(m_dm.dbBANCO, QStringLiteral("UPDATE OR INSERT INTO BAIXA_CONTROLADORA "
                                                  "(CONTROLADORA, BASE, TOPO, RESUMO, MOMENTO) "
                                                  "VALUES (:C, :B, :T, :R, :M) MATCHING (CONTROLADORA)"));
        nota.definir(QStringLiteral("C"), c.Chave);
        nota.definir(QStringLiteral("B"), base);
        nota.definir(QStringLiteral("T"), base + static_cast<int>(dados.size()));
        nota.definir(QStringLiteral("R"), QString::fromLatin1(Resumo(dados, static_cast<int>(dados.size()))));
        nota.definir(QStringLiteral("M"), relogio().agora());
        nota.executar();
        u.commit();
    } catch (const ErroBanco& e) {
        try {
            if (m_dm.setACE.aberto() && !m_dm.setACE.emEdicao()) m_dm.setACE.atualizar();
        } catch (const ErroBanco&) {
        }
        log(QStringLiteral("Eventos mantidos na controladora %1: %2").arg(c.Descricao, e.texto()));
        if (!m_dm.dbBANCO.perdida()) avisos << e.texto();
        return false;
    }
    m_portaAnterior = portaAnterior;
    return true;
}

bool BaixadorEventos::guardar(TControladora& c, int base, int topo, std::vector<unsigned char>& dados, bool manual,
                              Resultado* resultado) {
    QStringList avisos;
    const bool ok = guardar(c, base, topo, dados, manual, resultado, avisos);
    for (const QString& a : avisos)
        MostrarMensagem(a, MotorAcesso::SegundosCaixaFalha);
    return ok;
}

bool BaixadorEventos::guardar(TControladora& c, int base, int topo, std::vector<unsigned char>& dados, bool manual,
                              Resultado* resultado, QStringList& avisos) {
    m_portaAnterior.clear();
    int inicio = 0;
    try {
        inicio = jaGuardados(c, base, dados);
    } catch (const ErroBanco& e) {
        log(QStringLiteral("Eventos mantidos na controladora %1: %2").arg(c.Descricao, e.texto()));
        if (!m_dm.dbBANCO.perdida()) avisos << e.texto();
        return false;
    }
    if (inicio > 0 && inicio < static_cast<int>(dados.size())) {
        // The door of the first new event may come from the events before it.
        for (int i = 0; i < inicio / TamanhoEvento; ++i) {
            const int porta = dados[static_cast<size_t>(i) * TamanhoEvento + 9] & 0x0F;
            if (porta <= 3) m_portaAnterior = c.Portas[porta].Nome;
        }
    }
    if (inicio < static_cast<int>(dados.size()) && !guardarFaixa(c, base, dados, inicio, manual, avisos)) return false;
    // The controller goes on storing events while these are stored: its area is emptied only when
    // its top still stands where the last read ended, and what came meanwhile is stored first.
    bool zerou = false;
    for (int volta = 0; volta < MaxLeiturasNovas; ++volta) {
        quint8 erro = 0;
        quint16 topoLido = 0;
        log(QStringLiteral("Executar QX64C_PILHA_ZERAR"));
        zerou = c.ZerarPilhaSeTopo(static_cast<quint16>(topo), topoLido, erro);
        log(QStringLiteral("QX64C_PILHA_ZERAR retornou byERR = %1 valor em decimal").arg(erro));
        if (zerou || erro != 0 || topoLido <= topo) break;
        const int novos = topoLido - topo;
        log(QStringLiteral("Controladora %1 gravou %2 bytes de eventos durante a baixa; lendo-os também")
                .arg(c.Descricao)
                .arg(novos));
        std::vector<unsigned char> mais(static_cast<size_t>(novos));
        if (!c.LerMemoria(static_cast<quint16>(topo), novos, {}, mais.data(), erro)) {
            log(QStringLiteral("Não foi possível ler os dados da eeprom!"));
            break;
        }
        const int antes = static_cast<int>(dados.size());
        dados.insert(dados.end(), mais.begin(), mais.end());
        topo = topoLido;
        if (!guardarFaixa(c, base, dados, antes, manual, avisos)) break;
    }
    if (zerou) {
        if (resultado) *resultado = Resultado::Baixada;
        try {
            Unidade::gravar(m_dm.dbBANCO, [&] {
                Comando q(m_dm.dbBANCO, QStringLiteral("DELETE FROM BAIXA_CONTROLADORA WHERE CONTROLADORA = :C"));
                q.definir(QStringLiteral("C"), c.Chave);
                q.executar();
            });
        } catch (const ErroBanco&) {
            // The note names bytes the emptied area no longer holds: it can match nothing.
        }
    } else {
        log(QStringLiteral("Eventos da controladora %1 gravados; a memória não foi esvaziada e a próxima baixa "
                           "não os gravará de novo")
                .arg(c.Descricao));
    }
    return true;
}

} // namespace portaris
