#include "Interno.h"

#include <QRegularExpression>

namespace portaris::sim {

namespace {
QString erro(const QString& porque) {
    return QStringLiteral("erro: ") + porque;
}

// Decimal, or hexadecimal with 0x; never octal (a leading zero is just a zero).
bool numero(const QString& t, int& v) {
    bool ok = false;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toInt(&ok, 16);
    else
        v = t.toInt(&ok, 10);
    return ok;
}

bool bytesHex(const QStringList& partes, QByteArray& saida) {
    QString junto;
    for (QString p : partes) {
        if (p.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) p = p.mid(2);
        junto += p;
    }
    static const QRegularExpression soHex(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (junto.size() % 2 != 0 || !soHex.match(junto).hasMatch()) return false;
    saida = QByteArray::fromHex(junto.toLatin1());
    return true;
}

int lerBarramento(const QString& t) {
    QString s = t;
    if (s.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) s = s.mid(3);
    int v = -1;
    return numero(s, v) ? v : -1;
}

bool cartao6(const QString& t, quint32& v) {
    if (t.size() != 6) return false;
    bool ok = false;
    v = t.toUInt(&ok, 16);
    return ok;
}

int bcd(int v) {
    return ((v / 10) << 4) | (v % 10);
}

QByteArray eventoBytes(quint32 cartao, const QDate& data, const QTime& hora, int status) {
    QByteArray e;
    e.append(char((cartao >> 16) & 0xFF)).append(char((cartao >> 8) & 0xFF)).append(char(cartao & 0xFF));
    e.append(char(bcd(data.day()))).append(char(bcd(data.month()))).append(char(bcd(data.year() % 100)));
    e.append(char(bcd(hora.hour()))).append(char(bcd(hora.minute()))).append(char(bcd(hora.second())));
    e.append(char(status & 0xFF));
    return e;
}

QString descreverFalhas(const Dispositivo& d) {
    QStringList r;
    for (int i = 0; i < kTiposFalha; ++i) {
        const Falha& f = d.falhas[i];
        if (!f.ativa) continue;
        QString s = QString::fromLatin1(kNomesFalha[i]);
        if (i == int(TipoFalha::Lixo) || i == int(TipoFalha::Entre)) s += QLatin1Char(' ') + hexa(f.lixo);
        if (i == int(TipoFalha::Curta) && f.valor >= 0) s += QStringLiteral(" %1").arg(f.valor);
        if (i == int(TipoFalha::Atraso) || i == int(TipoFalha::Comprimento))
            s += QStringLiteral(" %1").arg(f.valor);
        if (f.vezes > 0) s += QStringLiteral(" vezes %1").arg(f.vezes);
        r << s;
    }
    return r.isEmpty() ? QStringLiteral("nenhuma") : r.join(QStringLiteral(", "));
}
// The controller's tables read back the way the controller would use them.
QString descreverTabelas(const Controladora& c) {
    auto dado = [&](int a) { return a >= 0 && a < c.dados.size() ? quint8(c.dados[a]) : quint8(0); };
    auto blc = [&](int a) { return a >= 0 && a < c.bloco.size() ? quint8(c.bloco[a]) : quint8(0); };
    auto par = [](quint8 v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); };
    QStringList r;
    const int nh = dado(0), ng = dado(3);
    const int fer = (dado(1) << 8) | dado(2), gru = (dado(4) << 8) | dado(5);
    QStringList f;
    for (int i = 0; i < nh; ++i)
        f << par(dado(fer + 2 * i)) + QLatin1Char('/') + par(dado(fer + 2 * i + 1));
    r << QStringLiteral("feriados %1:%2")
             .arg(nh)
             .arg(f.isEmpty() ? QString() : QLatin1Char(' ') + f.join(' '));
    for (int g = 0; g < ng; ++g) {
        const int a = gru + 29 * g;
        QStringList janelas;
        for (int k = 0; k < 14; k += 2)
            janelas << QStringLiteral("%1:%2-%3:%4")
                           .arg(par(dado(a + 2 * k)), par(dado(a + 2 * k + 1)), par(dado(a + 2 * k + 2)),
                                par(dado(a + 2 * k + 3)));
        r << QStringLiteral("grupo %1: %2 feriado %3").arg(g + 1).arg(janelas.join(' ')).arg(dado(a + 28));
    }
    const int base = c.palavra(8), topo = c.palavra(10);
    const int n = topo > base ? (topo - base) / 10 : 0;
    r << QStringLiteral("eventos %1").arg(n);
    for (int i = 0; i < n; ++i) {
        const int a = base + 10 * i;
        r << QStringLiteral("evento %1%2%3 %4/%5/%6 %7:%8:%9 %10")
                 .arg(par(dado(a)), par(dado(a + 1)), par(dado(a + 2)), par(dado(a + 3)), par(dado(a + 4)),
                      par(dado(a + 5)), par(dado(a + 6)), par(dado(a + 7)), par(dado(a + 8)))
                 .arg(par(dado(a + 9)));
    }
    const int lista = (blc(0x800A) << 8) | blc(0x800B), cartoes = (blc(0x800C) << 8) | blc(0x800D);
    r << QStringLiteral("lista %1 em %2").arg(cartoes).arg(lista);
    for (int i = 0, a = lista; i < cartoes && a + 5 <= c.bloco.size(); ++i) {
        r << QStringLiteral("cartao %1%2%3 %4 %5")
                 .arg(par(blc(a)), par(blc(a + 1)), par(blc(a + 2)), par(blc(a + 3)))
                 .arg(blc(a + 4), 3, 10, QLatin1Char('0'));
        a += 5 + (i % 3 == 2 ? 1 : 0);
    }
    return r.join(QLatin1Char('\n'));
}
} // namespace

Dispositivo* Simulador::Estado::achar(const QString& bus, const QString& cab, QString& motivo) {
    const int com = lerBarramento(bus);
    auto it = barramentos.find(com);
    if (it == barramentos.end()) {
        motivo = erro(QStringLiteral("barramento %1 não existe").arg(bus));
        return nullptr;
    }
    int c = -1;
    if (!numero(cab, c)) {
        motivo = erro(QStringLiteral("cabeça inválida: %1").arg(cab));
        return nullptr;
    }
    for (auto& d : it->second->dispositivos)
        if (d->cabeca == c) return d.get();
    motivo = erro(QStringLiteral("nenhum dispositivo com cabeça %1 em COM%2").arg(c).arg(com));
    return nullptr;
}

QString Simulador::comando(const QString& linha) {
    QString texto = linha;
    const int hash = texto.indexOf(QLatin1Char('#'));
    if (hash >= 0) texto.truncate(hash);
    const QStringList p = texto.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (p.isEmpty()) return QStringLiteral("ok");
    std::lock_guard g(d->m);
    return d->executar(p);
}

QString Simulador::Estado::executar(const QStringList& p) {
    const QString cmd = p[0].toLower();
    const int n = int(p.size());

    // Commands that name no device.
    if (cmd == QLatin1String("ritmo")) {
        if (n != 2 || (p[1] != QLatin1String("on") && p[1] != QLatin1String("off")))
            return erro(QStringLiteral("uso: ritmo on|off"));
        ritmo = p[1] == QLatin1String("on");
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("baud")) {
        int v = 0;
        if (n != 2 || !numero(p[1], v) || v < 50 || v > 4000000)
            return erro(QStringLiteral("uso: baud <50..4000000>"));
        baud = v;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("registros")) {
        int quantos = int(log.size());
        if (n == 2 && (!numero(p[1], quantos) || quantos < 0))
            return erro(QStringLiteral("uso: registros [n]"));
        QStringList r;
        for (qsizetype i = std::max<qsizetype>(0, log.size() - quantos); i < log.size(); ++i)
            r << Simulador::formatar(log[i]);
        return r.join(QLatin1Char('\n'));
    }
    if (cmd == QLatin1String("limparregistros")) {
        log.clear();
        intercalacoes = 0;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("intercalacoes")) return QString::number(intercalacoes);

    static const QStringList comDispositivo = {
        QStringLiteral("cartao"),      QStringLiteral("tag"),     QStringLiteral("sensor"),
        QStringLiteral("evento"),      QStringLiteral("eventos"), QStringLiteral("vivo"),
        QStringLiteral("relogio"),     QStringLiteral("tamanho"), QStringLiteral("gravar"),
        QStringLiteral("gravarbloco"), QStringLiteral("limpar"),  QStringLiteral("falha"),
        QStringLiteral("estado"),      QStringLiteral("memoria"), QStringLiteral("bloco"),
        QStringLiteral("tabelas")};
    if (!comDispositivo.contains(cmd)) return erro(QStringLiteral("comando desconhecido: %1").arg(p[0]));
    if (n < 3) return erro(QStringLiteral("uso: %1 <barramento> <cabeça> ...").arg(cmd));
    QString motivo;
    Dispositivo* disp = achar(p[1], p[2], motivo);
    if (!disp) return motivo;
    auto* l71 = disp->modelo == Modelo::Leitora71 ? static_cast<Leitora71*>(disp) : nullptr;
    auto* l64 = disp->modelo == Modelo::Leitora64AX ? static_cast<Leitora64AX*>(disp) : nullptr;
    auto* ctl = disp->modelo == Modelo::Controladora ? static_cast<Controladora*>(disp) : nullptr;
    const QString soPara =
        QStringLiteral("comando %1 não serve para %2").arg(cmd, Simulador::nomeDoModelo(disp->modelo));
    const qint64 ms = agoraMs();

    if (cmd == QLatin1String("cartao") || cmd == QLatin1String("tag")) {
        if ((cmd == QLatin1String("cartao") && !l71) || (cmd == QLatin1String("tag") && !l64))
            return erro(soPara);
        if (n != 4) return erro(QStringLiteral("uso: %1 <barramento> <cabeça> <10 caracteres>|-").arg(cmd));
        QByteArray v;
        if (p[3] != QLatin1String("-")) {
            v = p[3].toLatin1();
            if (p[3].size() != 10 || v.size() != 10)
                return erro(QStringLiteral("o número tem de ter 10 caracteres"));
        }
        if (l71) l71->cartao = v.isEmpty() ? QByteArray("0000000000") : v;
        if (l64) l64->tag = v;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("sensor")) {
        if (!l64) return erro(soPara);
        if (n != 5 || (p[4] != QLatin1String("0") && p[4] != QLatin1String("1")))
            return erro(QStringLiteral("uso: sensor <barramento> <cabeça> presenca|fechado 0|1"));
        const bool v = p[4] == QLatin1String("1");
        if (p[3] == QLatin1String("presenca"))
            l64->presenca = v;
        else if (p[3] == QLatin1String("fechado"))
            l64->fechado = v;
        else
            return erro(QStringLiteral("sensor desconhecido: %1").arg(p[3]));
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("evento")) {
        if (!ctl) return erro(soPara);
        quint32 cartao = 0;
        int status = 0;
        if (n != 7 || !cartao6(p[3], cartao) || !numero(p[6], status) || status < 0 || status > 255)
            return erro(QStringLiteral(
                "uso: evento <barramento> <cabeça> <cartão 6 hex> <DD/MM/YY> <HH:MM:SS> <status>"));
        const QDate data = QDate::fromString(p[4], QStringLiteral("dd/MM/yy")).addYears(100);
        const QTime hora = QTime::fromString(p[5], QStringLiteral("HH:mm:ss"));
        if (!data.isValid() || !hora.isValid()) return erro(QStringLiteral("data ou hora inválida"));
        const QString r = ctl->empilhar(eventoBytes(cartao, data, hora, status));
        return r.isEmpty() ? QStringLiteral("ok") : erro(r);
    }
    if (cmd == QLatin1String("eventos")) {
        if (!ctl) return erro(soPara);
        int quantos = 0, status = 0x10;
        if (n < 4 || n > 5 || !numero(p[3], quantos) || quantos < 0 || (n == 5 && !numero(p[4], status)) ||
            status < 0 || status > 255)
            return erro(QStringLiteral("uso: eventos <barramento> <cabeça> <n> [status]"));
        const QDateTime quando = ctl->relogio(ms);
        for (int i = 1; i <= quantos; ++i) {
            const QString r = ctl->empilhar(eventoBytes(quint32(i), quando.date(), quando.time(), status));
            if (!r.isEmpty()) return erro(QStringLiteral("%1 (depois de %2 eventos)").arg(r).arg(i - 1));
        }
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("vivo")) {
        if (!ctl) return erro(soPara);
        int slot = 0, porta = 0;
        quint32 cartao = 0;
        const QString uso =
            QStringLiteral("uso: vivo <barramento> <cabeça> <1-8> <cartão 6 hex> <porta 1-4> | cru <byte hex> | -");
        if (n < 5 || !numero(p[3], slot) || slot < 1 || slot > 8) return erro(uso);
        if (n == 5 && p[4] == QLatin1String("-")) {
            ctl->vivos[slot - 1] = Vivo{};
            return QStringLiteral("ok");
        }
        if (n == 7 && p[5] == QLatin1String("cru")) {
            bool ok = false;
            const int byte = p[6].toInt(&ok, 16);
            if (!cartao6(p[4], cartao) || !ok || byte < 0 || byte > 255) return erro(uso);
            ctl->vivos[slot - 1] = Vivo{cartao, 1, byte};
            return QStringLiteral("ok");
        }
        if (n != 6 || !cartao6(p[4], cartao) || !numero(p[5], porta) || porta < 1 || porta > 4) return erro(uso);
        ctl->vivos[slot - 1] = Vivo{cartao, porta};
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("relogio")) {
        if (!ctl) return erro(soPara);
        if (n < 5 || n > 6)
            return erro(QStringLiteral("uso: relogio <barramento> <cabeça> <DD/MM/YY> <HH:MM:SS> [dia 1-7]"));
        const QDate data = QDate::fromString(p[3], QStringLiteral("dd/MM/yy")).addYears(100);
        const QTime hora = QTime::fromString(p[4], QStringLiteral("HH:mm:ss"));
        int dia = data.isValid() ? data.dayOfWeek() : 0;
        if (n == 6 && (!numero(p[5], dia) || dia < 1 || dia > 7))
            return erro(QStringLiteral("dia da semana 1 a 7"));
        if (!data.isValid() || !hora.isValid()) return erro(QStringLiteral("data ou hora inválida"));
        ctl->acertar(QDateTime(data, hora), dia, ms);
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("tamanho")) {
        if (!ctl) return erro(soPara);
        int v = 0;
        if (n != 4 || !numero(p[3], v) || v < 0 || v > 255)
            return erro(QStringLiteral("uso: tamanho <barramento> <cabeça> <0..255>"));
        ctl->codigoTamanho = v;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("gravar") || cmd == QLatin1String("gravarbloco")) {
        if (!ctl) return erro(soPara);
        int end = 0;
        QByteArray bytes;
        const bool bloco = cmd == QLatin1String("gravarbloco");
        const int limite = bloco ? 65536 : Controladora::kMemoria;
        if (n < 5 || !numero(p[3], end) || !bytesHex(p.mid(4), bytes))
            return erro(QStringLiteral("uso: %1 <barramento> <cabeça> <endereço> <bytes hex>").arg(cmd));
        if (end < 0 || end + bytes.size() > limite) return erro(QStringLiteral("fora da memória"));
        QByteArray& mem = bloco ? ctl->bloco : ctl->dados;
        for (int i = 0; i < bytes.size(); ++i)
            mem[end + i] = bytes[i];
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("memoria") || cmd == QLatin1String("bloco")) {
        int end = 0, quantos = 16;
        if (n < 4 || n > 5 || !numero(p[3], end) || (n == 5 && !numero(p[4], quantos)) || quantos < 0)
            return erro(QStringLiteral("uso: %1 <barramento> <cabeça> <endereço> [n]").arg(cmd));
        QByteArray mem;
        if (l71 && cmd == QLatin1String("memoria"))
            mem = QByteArray(reinterpret_cast<const char*>(l71->reg.data()), 256);
        else if (ctl)
            mem = cmd == QLatin1String("bloco") ? ctl->bloco : ctl->dados;
        else
            return erro(soPara);
        if (end < 0 || end + quantos > mem.size()) return erro(QStringLiteral("fora da memória"));
        return hexa(mem.mid(end, quantos));
    }
    if (cmd == QLatin1String("limpar")) {
        if (l71) l71->cartao = "0000000000";
        if (l64) {
            l64->tag.clear();
            l64->presenca = l64->fechado = false;
        }
        if (ctl) {
            ctl->vivos.fill(Vivo{});
            ctl->gravarPalavra(10, ctl->palavra(8));
        }
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("falha")) {
        if (n < 4) return erro(QStringLiteral("uso: falha <barramento> <cabeça> <tipo> [arg] [vezes n]"));
        QStringList resto = p.mid(4);
        int vezes = -1;
        if (resto.size() >= 2 && resto[resto.size() - 2] == QLatin1String("vezes")) {
            if (!numero(resto.last(), vezes) || vezes < 1)
                return erro(QStringLiteral("vezes precisa ser ≥ 1"));
            resto = resto.mid(0, resto.size() - 2);
        }
        const QString tipo = p[3].toLower();
        Falha f;
        f.ativa = true;
        f.vezes = vezes;
        int indice = -1;
        if (tipo == QLatin1String("nenhuma")) {
            disp->falhas.fill(Falha{});
            return QStringLiteral("ok");
        } else if (tipo == QLatin1String("silencio") || tipo == QLatin1String("endereco") ||
                   tipo == QLatin1String("soma")) {
            if (!resto.isEmpty()) return erro(QStringLiteral("%1 não leva argumento").arg(tipo));
            indice = tipo == QLatin1String("silencio")   ? int(TipoFalha::Silencio)
                     : tipo == QLatin1String("endereco") ? int(TipoFalha::Endereco)
                                                         : int(TipoFalha::Soma);
        } else if (tipo == QLatin1String("lixo")) {
            f.lixo = QByteArray::fromHex("133755");
            if (!resto.isEmpty() && (!bytesHex(resto, f.lixo) || f.lixo.isEmpty()))
                return erro(QStringLiteral("lixo: bytes em hexadecimal"));
            indice = int(TipoFalha::Lixo);
        } else if (tipo == QLatin1String("entre")) {
            f.lixo = QByteArray::fromHex("55");
            if (!resto.isEmpty() && (!bytesHex(resto, f.lixo) || f.lixo.isEmpty()))
                return erro(QStringLiteral("entre: bytes em hexadecimal"));
            indice = int(TipoFalha::Entre);
        } else if (tipo == QLatin1String("curta")) {
            if (resto.size() > 1 || (resto.size() == 1 && (!numero(resto[0], f.valor) || f.valor < 0)))
                return erro(QStringLiteral("uso: curta [n]"));
            indice = int(TipoFalha::Curta);
        } else if (tipo == QLatin1String("atraso")) {
            if (resto.size() != 1 || !numero(resto[0], f.valor) || f.valor < 0 || f.valor > 60000)
                return erro(QStringLiteral("uso: atraso <ms 0..60000>"));
            indice = int(TipoFalha::Atraso);
        } else if (tipo == QLatin1String("comprimento")) {
            if (resto.size() != 1 || !numero(resto[0], f.valor) || f.valor < 0 || f.valor > 255)
                return erro(QStringLiteral("uso: comprimento <0..255>"));
            indice = int(TipoFalha::Comprimento);
        } else {
            return erro(QStringLiteral("falha desconhecida: %1").arg(tipo));
        }
        disp->falhas[indice] = f;
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("tabelas")) {
        if (!ctl) return erro(soPara);
        return descreverTabelas(*ctl);
    }
    if (cmd == QLatin1String("estado")) {
        QStringList r;
        r << QStringLiteral("modelo %1 cabeca %2")
                 .arg(Simulador::nomeDoModelo(disp->modelo))
                 .arg(disp->cabeca);
        if (l71) {
            r << QStringLiteral("cartao %1").arg(QString::fromLatin1(l71->cartao));
            r << QStringLiteral("registros 0=%1 1=%2 2=%3")
                     .arg(l71->reg[0])
                     .arg(l71->reg[1])
                     .arg(l71->reg[2]);
        }
        if (l64) {
            r << QStringLiteral("tag %1").arg(l64->tag.isEmpty() ? QStringLiteral("-")
                                                                 : QString::fromLatin1(l64->tag));
            r << QStringLiteral("presenca %1 fechado %2").arg(int(l64->presenca)).arg(int(l64->fechado));
        }
        r << QStringLiteral("pulsos %1 ultimo_rele_ms %2 beeps %3")
                 .arg(disp->pulsos)
                 .arg(disp->ultimoReleMs)
                 .arg(disp->beeps);
        if (ctl) {
            r << QStringLiteral("pulsos_porta %1 %2 %3 %4")
                     .arg(ctl->pulsosPorta[0])
                     .arg(ctl->pulsosPorta[1])
                     .arg(ctl->pulsosPorta[2])
                     .arg(ctl->pulsosPorta[3]);
            r << QStringLiteral("relogio %1 dia %2")
                     .arg(ctl->relogio(ms).toString(QStringLiteral("dd/MM/yy HH:mm:ss")))
                     .arg(ctl->diaSemana(ms));
            const int base = ctl->palavra(8), topo = ctl->palavra(10);
            r << QStringLiteral("cabecalho feriados %1 grupos %2 base %3 topo %4 eventos %5")
                     .arg(quint8(ctl->dados[0]))
                     .arg(quint8(ctl->dados[3]))
                     .arg(base)
                     .arg(topo)
                     .arg(topo > base ? (topo - base) / 10 : 0);
            const auto cfg = [&](int i) { return quint8(ctl->bloco[0x8000 + i]); };
            r << QStringLiteral(
                     "configuracao cabeca %1 reles %2 %3 %4 %5 lista %6 cartoes %7 timeouts %8 %9 %10 %11")
                     .arg(cfg(5))
                     .arg(cfg(6))
                     .arg(cfg(7))
                     .arg(cfg(8))
                     .arg(cfg(9))
                     .arg((cfg(10) << 8) | cfg(11))
                     .arg((cfg(12) << 8) | cfg(13))
                     .arg(cfg(16))
                     .arg(cfg(17))
                     .arg(cfg(18))
                     .arg(cfg(19));
            QStringList v;
            for (const Vivo& x : ctl->vivos)
                v << (x.cartao ? QStringLiteral("%1/%2")
                                     .arg(x.cartao, 6, 16, QLatin1Char('0'))
                                     .toUpper()
                                     .arg(x.byteCru >= 0 ? QStringLiteral("cru%1").arg(x.byteCru, 2, 16,
                                                                                        QLatin1Char('0'))
                                                         : QString::number(x.porta))
                               : QStringLiteral("-"));
            r << QStringLiteral("vivos %1").arg(v.join(QLatin1Char(' ')));
            r << QStringLiteral("tamanho %1").arg(ctl->codigoTamanho);
        }
        r << QStringLiteral("falhas %1").arg(descreverFalhas(*disp));
        return r.join(QLatin1Char('\n'));
    }
    return erro(QStringLiteral("comando desconhecido: %1").arg(p[0]));
}

} // namespace portaris::sim
