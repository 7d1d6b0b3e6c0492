#include "TransferenciaControladora.h"

#include "DispositivosEstacao.h"
#include "db/TdmPORTARIS.h"
#include "devices/uControladora.h"
#include "platform/Codec1252.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QTime>
#include <map>

namespace portaris::transferencia {

namespace {

const QString kFeriados = QStringLiteral("QX64C-FERIADOS");
const QString kGrupos = QStringLiteral("QX64C-GRUPOS");
const QString kLista = QStringLiteral("QX64C-LISTA");
constexpr quint16 kEnderecoLista = 0xB000;

QString areaTemp(const QString& nome) {
    QDir().mkpath(PastaPrograma::caminho(QStringLiteral("AreaTemp")));
    return PastaPrograma::caminho(QStringLiteral("AreaTemp/") + nome);
}

// The whole file at once, every line ended by CR LF, in the station's code page.
void salvar(const QString& arquivo, const QStringList& linhas) {
    QSaveFile f(arquivo);
    if (!f.open(QIODevice::WriteOnly)) throw ErroBanco(QStringLiteral("Não foi possível gravar %1").arg(arquivo));
    QString texto;
    for (const QString& l : linhas)
        texto += l + QStringLiteral("\r\n");
    f.write(Codec1252::codificar(texto));
    if (!f.commit()) throw ErroBanco(QStringLiteral("Não foi possível gravar %1").arg(arquivo));
}

QString carimbo() {
    return relogio().agora().toString(QStringLiteral("MMddHHmm"));
}

QString hhmm(const QVariant& v) {
    return v.isNull() ? QStringLiteral("00:00") : v.toTime().toString(QStringLiteral("HH:mm"));
}

// Two characters read as a hexadecimal pair ("25" → 0x25); 0 when they are not.
quint8 par(const QString& linha, int coluna1) {
    bool ok = false;
    const int v = linha.mid(coluna1 - 1, 2).toInt(&ok, 16);
    return ok ? static_cast<quint8>(v) : 0;
}

int contagem(const QStringList& linhas) {
    return linhas.size() > 1 ? std::max(0, linhas[1].trimmed().toInt()) : 0;
}

QString linha(const QStringList& linhas, int i) {
    return i < linhas.size() ? linhas[i] : QString();
}

void registrar(const QString& texto, int vazias = 0) {
    try {
        GravarLog({texto}, vazias);
    } catch (const std::exception&) {
    }
}

} // namespace

QString ArquivoFeriados() {
    return areaTemp(QStringLiteral("txtFeriados.txt"));
}
QString ArquivoGrupos() {
    return areaTemp(QStringLiteral("txtGrupos.txt"));
}
QString ArquivoLista() {
    return areaTemp(QStringLiteral("txtLista.txt"));
}

QStringList LerLinhas(const QString& arquivo) {
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString texto = Codec1252::decodificar(f.readAll());
    texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList linhas = texto.split(u'\n');
    if (!linhas.isEmpty() && linhas.last().isEmpty()) linhas.removeLast();
    return linhas;
}

void GerarArquivoFeriados(TdmPORTARIS& dm) {
    QFile::remove(ArquivoFeriados());
    QStringList linhas{kFeriados};
    Comando c(dm.dbBANCO, QStringLiteral("SELECT DIA,MES,DESCRICAO FROM FERIADOS\nORDER BY MES,DIA"));
    c.abrir();
    while (c.proximo())
        linhas << QStringLiteral("%1/%2*%3")
                      .arg(c.campo(0).toInt(), 2, 10, QLatin1Char('0'))
                      .arg(c.campo(1).toInt(), 2, 10, QLatin1Char('0'))
                      .arg(c.campo(2).toString());
    linhas.insert(1, QString::number(linhas.size() - 1));
    if (linhas.size() <= 2) return;
    salvar(ArquivoFeriados(), linhas);
    salvar(areaTemp(QStringLiteral("txtFeriados%1.txt").arg(carimbo())), linhas);
}

void GerarArquivoGrupos(TdmPORTARIS& dm) {
    if (dm.setGRP.emEdicao()) return;
    QFile::remove(ArquivoGrupos());
    static const char* horas[] = {"DOME", "DOMS", "SEGE", "SEGS", "TERE", "TERS", "QUAE",
                                  "QUAS", "QUIE", "QUIS", "SEXE", "SEXS", "SABE", "SABS"};
    QString colunas = QStringLiteral("CHAVE, NAOACESSOFERIADOS");
    for (const char* h : horas)
        colunas += QStringLiteral(", ") + QLatin1String(h);
    Comando c(dm.dbBANCO, QStringLiteral("SELECT %1 FROM GRUPOS ORDER BY DESCRICAO").arg(colunas));
    c.abrir();
    QStringList linhas{kGrupos};
    while (c.proximo()) {
        QString l = QStringLiteral("%1").arg(c.campo(0).toInt(), 2, 10, QLatin1Char('0'));
        for (int k = 0; k < 14; ++k)
            l += u'*' + hhmm(c.campo(2 + k));
        l += c.campo(1).toString() == QLatin1String("0") ? QStringLiteral("*Sim") : QStringLiteral("*Não");
        linhas << l;
    }
    linhas.insert(1, QString::number(linhas.size() - 1));
    if (linhas.size() <= 2) return;
    salvar(ArquivoGrupos(), linhas);
    salvar(areaTemp(QStringLiteral("txtGrupos%1.txt").arg(carimbo())), linhas);
}

void GerarArquivoLista(TdmPORTARIS& dm, int chaveControladora, int porta) {
    if (dm.setCNL.emEdicao()) return;
    QFile::remove(ArquivoLista());
    int portas[4] = {0, 0, 0, 0};
    {
        Comando c(dm.dbBANCO, QStringLiteral("SELECT CHAVEP01,CHAVEP02,CHAVEP03,CHAVEP04\nFROM CONTROLADORA\n"
                                             "WHERE CHAVE = :P00"));
        c.definir(QStringLiteral("P00"), chaveControladora);
        c.abrir();
        if (c.proximo())
            for (int n = 0; n < 4; ++n)
                portas[n] = c.campo(n).toInt();
    }
    // One pass over the enablings of the four doors, with each holder's card and group: the same
    // lines as asking holder by holder, in holder order, without a query per holder and door.
    struct Titular {
        int mascara = 0;
        QString cartao;
        QString grupo = QStringLiteral("000");
        bool grupoVisto = false;
    };
    std::map<int, Titular> titulares;
    Comando c(dm.dbBANCO,
              QStringLiteral("SELECT H.UCHAVE, H.LCHAVE, U.CARTAO, G.CHAVE FROM HABILITADO H\n"
                             "LEFT JOIN USUARIO U ON U.CHAVE = H.UCHAVE\n"
                             "LEFT JOIN GRUPOS G ON G.DESCRICAO = COALESCE(U.GRUPO, '')\n"
                             "WHERE H.LCHAVE IN (:P01, :P02, :P03, :P04)\nORDER BY H.UCHAVE"));
    for (int n = 0; n < 4; ++n)
        c.definir(QStringLiteral("P0%1").arg(n + 1), portas[n]);
    c.abrir();
    while (c.proximo()) {
        Titular& t = titulares[c.campo(0).toInt()];
        const int lchave = c.campo(1).toInt();
        for (int n = 0; n < 4; ++n)
            if (portas[n] != 0 && portas[n] == lchave) t.mascara |= 1 << n;
        t.cartao = c.campo(2).toString().trimmed().right(6);
        if (!t.grupoVisto && !c.campo(3).isNull()) {
            t.grupo = QStringLiteral("%1").arg(c.campo(3).toInt(), 3, 10, QLatin1Char('0'));
            t.grupoVisto = true;
        }
    }
    QStringList linhas;
    for (const auto& [chave, t] : titulares)
        linhas << QStringLiteral("%1*%2*%3*nenhum")
                      .arg(t.cartao, QStringLiteral("%1").arg(t.mascara, 2, 16, QLatin1Char('0')).toUpper(), t.grupo);
    if (linhas.isEmpty()) return;
    linhas.prepend(QString::number(linhas.size()));
    linhas.prepend(kLista);
    salvar(ArquivoLista(), linhas);
    salvar(areaTemp(QStringLiteral("txtLista%1COM%2.txt").arg(carimbo()).arg(porta)), linhas);
}

void NumerarGruposLista() {
    if (!QFile::exists(ArquivoLista()) || !QFile::exists(ArquivoGrupos())) return;
    QStringList chaves;
    const QStringList grupos = LerLinhas(ArquivoGrupos());
    for (int i = 2; i < grupos.size(); ++i)
        chaves << u'0' + grupos[i].left(2);
    QStringList lista = LerLinhas(ArquivoLista());
    for (int i = 2; i < lista.size(); ++i) {
        const qsizetype pos = chaves.indexOf(lista[i].mid(10, 3));
        if (pos >= 0) lista[i] = lista[i].left(10) + QStringLiteral("%1").arg(pos + 1, 3, 10, QLatin1Char('0')) + lista[i].mid(13);
    }
    salvar(ArquivoLista(), lista);
}

QByteArray ImagemCabecalho(int feriados, int grupos) {
    QByteArray b(10, '\0');
    const int tabelaGrupos = 32 + 2 * feriados;
    const int base = tabelaGrupos + 29 * grupos;
    b[0] = static_cast<char>(feriados);
    b[1] = 0;
    b[2] = 32;
    b[3] = static_cast<char>(grupos);
    b[4] = static_cast<char>(tabelaGrupos >> 8);
    b[5] = static_cast<char>(tabelaGrupos & 0xFF);
    b[8] = static_cast<char>(base >> 8);
    b[9] = static_cast<char>(base & 0xFF);
    return b;
}

QByteArray ImagemFeriados(const QStringList& linhas) {
    QByteArray b;
    const int n = contagem(linhas);
    for (int i = 0; i < n; ++i) {
        const QString l = linha(linhas, i + 2);
        b.append(static_cast<char>(par(l, 1)));
        b.append(static_cast<char>(par(l, 4)));
    }
    return b;
}

QByteArray ImagemGrupos(const QStringList& linhas) {
    QByteArray b;
    const int n = contagem(linhas);
    for (int i = 0; i < n; ++i) {
        const QString l = linha(linhas, i + 2);
        for (int k = 0; k < 14; ++k) {
            b.append(static_cast<char>(par(l, 4 + 6 * k)));
            b.append(static_cast<char>(par(l, 7 + 6 * k)));
        }
        b.append(l.mid(87, 3) == QLatin1String("Sim") ? char(1) : char(0));
    }
    return b;
}

QByteArray ImagemLista(const QStringList& linhas) {
    QByteArray b;
    const int n = contagem(linhas);
    for (int i = 0; i < n; ++i) {
        const QString l = linha(linhas, i + 2);
        b.append(static_cast<char>(par(l, 1)));
        b.append(static_cast<char>(par(l, 3)));
        b.append(static_cast<char>(par(l, 5)));
        b.append(static_cast<char>(par(l, 8)));
        b.append(static_cast<char>(l.mid(10, 3).toInt()));
        if ((i + 1) % 3 == 0) b.append('\0');
    }
    if (b.size() % 128) b.append(QByteArray(128 - b.size() % 128, '\0'));
    return b;
}

bool EnviarGruposFeriados(TControladora& c, const QStringList& feriados, const QStringList& grupos) {
    quint8 erro = 0;
    int tamanho = 0;
    if (!c.LerTamanhoMemoria(tamanho, erro)) return false;
    if (feriados.size() < 2 || grupos.size() < 2 || feriados[0] != kFeriados || grupos[0] != kGrupos) return false;
    const int nh = contagem(feriados), ng = contagem(grupos);
    const QByteArray cab = ImagemCabecalho(nh, ng);
    if (!c.GravarMemoria(0, static_cast<int>(cab.size()), reinterpret_cast<const quint8*>(cab.constData()), erro))
        return false;
    const QByteArray fer = ImagemFeriados(feriados);
    if (!fer.isEmpty() &&
        !c.GravarMemoria(32, static_cast<int>(fer.size()), reinterpret_cast<const quint8*>(fer.constData()), erro))
        return false;
    const QByteArray grp = ImagemGrupos(grupos);
    return grp.isEmpty() || c.GravarMemoria(static_cast<quint16>(32 + 2 * nh), static_cast<int>(grp.size()),
                                            reinterpret_cast<const quint8*>(grp.constData()), erro);
}

int CartoesQueCabem(quint16 endereco) {
    // Three cards take 16 bytes, and the blocks go out whole, 128 bytes at a time.
    const int bytes = (0x10000 - endereco) / 128 * 128;
    return bytes / 16 * 3;
}

bool ListaCabe(const TControladora& c, quint16 endereco, const QStringList& lista, bool botao) {
    if (lista.isEmpty() || lista[0] != kLista) return true;
    const int n = contagem(lista);
    if (n <= CartoesQueCabem(endereco)) return true;
    // Past the last address the blocks would wrap to the start of the memory, over its header.
    const QString texto = QStringLiteral("A lista de %1 cartões não cabe na memória da concentradora %2 "
                                         "(até %3 cartões); nada foi enviado.")
                              .arg(n)
                              .arg(c.Descricao.isEmpty() ? QStringLiteral("de cabeça %1").arg(c.Cabeca) : c.Descricao)
                              .arg(CartoesQueCabem(endereco));
    registrar(texto);
    if (botao) MostrarMensagem(QStringLiteral("@!000ERR") + texto);
    return false;
}

bool EnviarLista(TControladora& c, quint16 endereco, const QStringList& lista) {
    if (lista.isEmpty() || lista[0] != kLista) return false;
    if (!ListaCabe(c, endereco, lista, false)) return false;
    quint8 erro = 0;
    if (!c.GravarDadosLista(endereco, static_cast<quint16>(contagem(lista)), erro)) return false;
    const QByteArray imagem = ImagemLista(lista);
    for (qsizetype pos = 0; pos < imagem.size(); pos += 128)
        if (!c.GravarBloco(static_cast<quint16>(endereco + pos), reinterpret_cast<const quint8*>(imagem.constData() + pos),
                           erro))
            return false;
    return true;
}

bool EnviarArquivos(TControladora& c, bool botao) {
    bool gruposFeriados = false, lista = false;
    if (QFile::exists(ArquivoLista()) && !ListaCabe(c, kEnderecoLista, LerLinhas(ArquivoLista()), botao)) return false;
    if (QFile::exists(ArquivoFeriados()) && QFile::exists(ArquivoGrupos())) {
        const QStringList fer = LerLinhas(ArquivoFeriados()), grp = LerLinhas(ArquivoGrupos());
        if (fer.size() > 1 && grp.size() > 1 && fer[0] == kFeriados && grp[0] == kGrupos)
            gruposFeriados = EnviarGruposFeriados(c, fer, grp);
        else if (botao)
            MostrarMensagem(QStringLiteral("@!000ERRArquivos incompatíveis!"));
    } else if (botao) {
        MostrarMensagem(QStringLiteral("@!000ERRArquivo txtFeriados ou txtGrupos não localizado!"));
    }
    if (QFile::exists(ArquivoLista())) {
        lista = EnviarLista(c, kEnderecoLista, LerLinhas(ArquivoLista()));
        if (!lista && botao) MostrarMensagem(QStringLiteral("@!000ERRErro ao enviar lista para o aparelho!"));
    } else if (botao) {
        MostrarMensagem(QStringLiteral("@!000ERRLista não enviada(sem dados para enviar)!"));
    }
    if (gruposFeriados && lista) {
        quint8 erro = 0;
        c.Reiniciar(erro);
    }
    return gruposFeriados && lista;
}

bool EnviarDados(TdmPORTARIS& dm, TControladora& c, int chaveControladora) {
    GerarArquivoGrupos(dm);
    GerarArquivoFeriados(dm);
    if (chaveControladora > 0) {
        GerarArquivoLista(dm, chaveControladora, 0);
        NumerarGruposLista();
    }
    const bool ok = EnviarArquivos(c, true);
    MostrarMensagem(ok ? QStringLiteral("@!000AVIConfiguração da eep gravada com sucesso.")
                       : QStringLiteral("@!000ERRErro ao enviar configuração da eep!!."));
    return ok;
}

bool GravarTempos(TControladora& c, const int timeouts[4], const int relesSegundos[4]) {
    quint8 erro = 0;
    const QDateTime agora = relogio().agora();
    const bool relogioOk =
        c.AcertarRelogio(agora.toString(QStringLiteral("HH:mm:ss")), agora.toString(QStringLiteral("dd/MM/yy")), erro);
    if (!relogioOk) MostrarMensagem(QStringLiteral("@!000ERRErro ao configurar relógio!!."));
    const bool timeoutsOk =
        c.GravarTimeouts(timeouts[0] & 63, timeouts[1] & 63, timeouts[2] & 63, timeouts[3] & 63, erro);
    if (!timeoutsOk) MostrarMensagem(QStringLiteral("@!000ERRErro na programação do timeout dos leitores!!."));
    const bool relesOk = c.GravarTemposRele(relesSegundos[0] * 1000, relesSegundos[1] * 1000,
                                            relesSegundos[2] * 1000, relesSegundos[3] * 1000, erro);
    if (!relesOk) MostrarMensagem(QStringLiteral("@!000ERRErro ao gravar tempo de relês."));
    c.Reiniciar(erro);
    const bool ok = relogioOk && timeoutsOk && relesOk;
    if (ok) MostrarMensagem(QStringLiteral("@!000AVIProcedimento concluído com sucesso!"));
    return ok;
}

bool TransferenciaDiaria(TdmPORTARIS& dm, DispositivosEstacao& dispositivos) {
    bool resultado = false;
    for (const Dispositivo& d : dispositivos.lista) {
        auto* const* pc = std::get_if<TControladora*>(&d);
        if (!pc) continue;
        TControladora& c = **pc;
        c.Porta = dispositivos.portas.handle(c.PortaCom);
        GerarArquivoGrupos(dm);
        GerarArquivoFeriados(dm);
        GerarArquivoLista(dm, c.Chave, c.PortaCom);
        NumerarGruposLista();
        // New tables move the event area: events still waiting there are stored first.
        if (dispositivos.baixarAntesDeEnviar && !dispositivos.baixarAntesDeEnviar(c)) {
            registrar(QStringLiteral("Lista não enviada para cabeça :%1: os eventos guardados na concentradora não "
                                     "puderam ser baixados antes")
                          .arg(c.Cabeca),
                      1);
            resultado = false;
            continue;
        }
        registrar(QStringLiteral("Enviar lista para cabeça :%1").arg(c.Cabeca));
        resultado = EnviarArquivos(c, false);
        registrar(resultado ? QStringLiteral("Configuração da eep gravada com sucesso.")
                            : QStringLiteral("Erro ao enviar configuração da eep!!"),
                  1);
    }
    try {
        GravarLog({}, 1);
    } catch (const std::exception&) {
    }
    return resultado;
}

} // namespace portaris::transferencia
