#include "BaixarEventos.h"

#include "DispositivosEstacao.h"
#include "MotorAcesso.h"
#include "db/TdmPORTARIS.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"

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

bool BaixadorEventos::baixar(TControladora& c, bool manual) {
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
                sucesso = guardar(c, dados, manual);
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

bool BaixadorEventos::guardar(TControladora& c, const std::vector<unsigned char>& dados, bool manual) {
    const int registros = static_cast<int>(dados.size()) / 10;
    if (manual && progresso.mostrarProcessamento)
        progresso.mostrarProcessamento(QStringLiteral("Processandos dados..."), registros);
    // Every event of this controller is stored in one unit of work, and the controller's area is
    // emptied only after it was committed: a refused row leaves every event where it was.
    QString portaAnterior;
    try {
        m_dm.dbBANCO.iniciarTransacao();
        for (int i = 0; i < registros; ++i) {
            const unsigned char* r = dados.data() + static_cast<size_t>(i) * 10;
            const EventoControladora e = EventoControladora::Decodificar(r);
            if (e.porta <= 3) portaAnterior = c.Portas[e.porta].Nome;
            if (!e.data.isValid() || !e.hora.isValid()) {
                QString bytes;
                for (int k = 0; k < 10; ++k)
                    bytes += (k ? QStringLiteral(" ") : QString()) + hex2(r[k]);
                log(QStringLiteral("Erro ao receber dado - bloco 02"));
                log(QStringLiteral("Registro não convertido (%1): %2").arg(c.Descricao, bytes));
                MostrarMensagem(QStringLiteral("Erro ao receber dado - bloco 02"), MotorAcesso::SegundosCaixaFalha);
            } else {
                m_motor.GravarEventoMemoria(e.codigo, e.autorizado ? QStringLiteral("Sim") : QStringLiteral("Não"),
                                            e.nota(), e.feriado, portaAnterior, e.data, e.hora);
            }
            if (manual && progresso.processamento) progresso.processamento(i + 1);
        }
        m_dm.dbBANCO.commitRetaining();
    } catch (const ErroBanco& e) {
        try {
            m_dm.dbBANCO.rollbackRetaining();
        } catch (const ErroBanco&) {
        }
        try {
            if (m_dm.setACE.aberto() && !m_dm.setACE.emEdicao()) m_dm.setACE.atualizar();
        } catch (const ErroBanco&) {
        }
        log(QStringLiteral("Eventos mantidos na controladora %1: %2").arg(c.Descricao, e.texto()));
        if (!m_dm.dbBANCO.perdida()) MostrarMensagem(e.texto(), MotorAcesso::SegundosCaixaFalha);
        return false;
    }
    quint8 erro = 0;
    log(QStringLiteral("Executar QX64C_PILHA_ZERAR"));
    c.ZerarPilha(erro);
    log(QStringLiteral("QX64C_PILHA_ZERAR retornou byERR = %1 valor em decimal").arg(erro));
    return true;
}

} // namespace portaris
