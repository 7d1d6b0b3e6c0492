#include "Interno.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace portaris::sim {

namespace {
constexpr quint8 STX = 2, ETX = 3, EOT = 4, FS = 28, RS = 30;
constexpr quint8 kPassivaTodas = 255, kQuadroTodos = 170;
// A station never leaves this long a pause inside one exchange; after it the exchange is over.
constexpr qint64 kOcioNs = 400'000'000;
// The station discards its input between the two 'J' frames; the second must come after that.
constexpr qint64 kIntervaloJNs = 30'000'000;
constexpr int kMaxRegistros = 200000;

qint64 monotonicoNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int tempoReleMs(quint8 codigo) {
    switch (codigo) {
    case 35:
        return 250;
    case 65:
        return 500;
    case 105:
        return 750;
    case 125:
        return 1000;
    case 255:
        return 2000;
    default:
        return -1;
    }
}

QString nomeFalha(TipoFalha t) {
    return QString::fromLatin1(kNomesFalha[int(t)]);
}

QByteArray hexMaiusculo(const QByteArray& b) {
    return b.toHex().toUpper();
}

int digito(char c) {
    return (c >= '0' && c <= '9') ? c - '0' : -1;
}
} // namespace

const char* const kNomesFalha[kTiposFalha] = {"silencio", "lixo",   "endereco",    "soma",
                                              "curta",    "atraso", "comprimento", "entre"};

QString hexa(const QByteArray& b) {
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

QByteArray quadro(quint8 endereco, const QByteArray& dados) {
    QByteArray q;
    q.append(char(STX)).append(char(endereco)).append(char(RS)).append(char(dados.size()));
    q.append(char(FS)).append(dados).append(char(ETX));
    quint8 soma = 0;
    for (char c : q)
        soma = quint8(soma + quint8(c));
    q.append(char(soma)).append(char(EOT));
    return q;
}

// ---- devices --------------------------------------------------------------------------------------

Leitora71::Leitora71(int c) : Dispositivo(Modelo::Leitora71, c) {
    reg[0] = quint8(c);
    reg[2] = 125;
}

Controladora::Controladora(int c, qint64 agoraMs)
    : Dispositivo(Modelo::Controladora, c), dados(kMemoria, '\0'), bloco(65536, '\0') {
    dados[1] = 0;
    dados[2] = 32;
    gravarPalavra(4, 32);
    gravarPalavra(8, 32);
    gravarPalavra(10, 32);
    // Bytes the station never changes carry a pattern, so a write-back that loses them shows.
    for (int i = 0; i < 128; ++i)
        bloco[0x8000 + i] = char(0xA0 + i);
    bloco[0x8005] = char(c);
    for (int i = 6; i <= 9; ++i)
        bloco[0x8000 + i] = 4;
    bloco[0x800A] = char(0xB0);
    bloco[0x800B] = 0;
    bloco[0x800C] = 0;
    bloco[0x800D] = 0;
    for (int i = 16; i <= 19; ++i)
        bloco[0x8000 + i] = 5;
    const QDateTime agora = QDateTime::currentDateTime();
    acertar(agora, agora.date().dayOfWeek(), agoraMs);
}

int Controladora::diaSemana(qint64 agoraMs) const {
    const qint64 dias = relogioBase.date().daysTo(relogio(agoraMs).date());
    return int(((diaSemanaBase - 1 + dias) % 7 + 7) % 7) + 1;
}

void Controladora::acertar(const QDateTime& quando, int dia, qint64 agoraMs) {
    relogioBase = quando;
    relogioBaseMs = agoraMs;
    diaSemanaBase = dia;
}

int Controladora::palavra(int endereco) const {
    return (quint8(dados[endereco]) << 8) | quint8(dados[endereco + 1]);
}

void Controladora::gravarPalavra(int endereco, int valor) {
    dados[endereco] = char((valor >> 8) & 0xFF);
    dados[endereco + 1] = char(valor & 0xFF);
}

QString Controladora::empilhar(const QByteArray& evento) {
    const int base = palavra(8);
    int topo = palavra(10);
    if (topo < base) topo = base;
    if (topo + evento.size() > kMemoria) return QStringLiteral("área de eventos cheia");
    for (int i = 0; i < evento.size(); ++i)
        dados[topo + i] = evento[i];
    gravarPalavra(10, topo + int(evento.size()));
    return {};
}

// ---- the simulator --------------------------------------------------------------------------------

qint64 Simulador::Estado::agoraNs() const {
    return monotonicoNs() - origemNs;
}

void Simulador::Estado::registrar(int com, int cabeca, const QString& evento, const QByteArray& bytes,
                                  const QString& descricao) {
    Registro r{agoraMs(), com, cabeca, evento, bytes, descricao};
    if (log.size() >= kMaxRegistros) log.remove(0, kMaxRegistros / 10);
    log.append(r);
    if (ouvinte) ouvinte(r);
}

Simulador::Simulador(int baud, bool ritmo) : d(std::make_unique<Estado>()) {
    d->baud = baud;
    d->ritmo = ritmo;
    d->origemNs = monotonicoNs();
}

Simulador::~Simulador() {
    for (auto& [com, b] : d->barramentos) {
        const char x = 'x';
        if (::write(b->paradaEscrever, &x, 1) < 0) { /* the thread also stops on a closed pipe */
        }
    }
    for (auto& [com, b] : d->barramentos) {
        if (b->servidor.joinable()) b->servidor.join();
        ::close(b->paradaEscrever);
        ::close(b->paradaLer);
        ::close(b->mestre);
    }
}

QString Simulador::abrirBarramento(int com) {
    std::lock_guard g(d->m);
    if (auto it = d->barramentos.find(com); it != d->barramentos.end()) return it->second->caminho;
    auto b = std::make_unique<Barramento>();
    b->com = com;
    b->mestre = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char nome[128];
    int tubo[2] = {-1, -1};
    if (b->mestre < 0 || ::grantpt(b->mestre) != 0 || ::unlockpt(b->mestre) != 0 ||
        ::ptsname_r(b->mestre, nome, sizeof nome) != 0 || ::pipe2(tubo, O_CLOEXEC) != 0) {
        if (b->mestre >= 0) ::close(b->mestre);
        return {};
    }
    b->caminho = QString::fromLocal8Bit(nome);
    b->paradaLer = tubo[0];
    b->paradaEscrever = tubo[1];
    termios t{};
    if (::tcgetattr(b->mestre, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        ::tcsetattr(b->mestre, TCSANOW, &t);
    }
    Barramento* p = b.get();
    const QString caminho = b->caminho;
    d->barramentos.emplace(com, std::move(b));
    p->servidor = std::thread([this, p] { d->servir(p); });
    return caminho;
}

void Simulador::adicionar(int com, Modelo modelo, int cabeca) {
    if (abrirBarramento(com).isEmpty()) return;
    std::lock_guard g(d->m);
    Barramento& b = *d->barramentos.at(com);
    switch (modelo) {
    case Modelo::Leitora71:
        b.dispositivos.push_back(std::make_unique<Leitora71>(cabeca));
        break;
    case Modelo::Leitora64AX:
        b.dispositivos.push_back(std::make_unique<Leitora64AX>(cabeca));
        break;
    case Modelo::Controladora:
        b.dispositivos.push_back(std::make_unique<Controladora>(cabeca, d->agoraMs()));
        break;
    }
}

QList<Registro> Simulador::registros() const {
    std::lock_guard g(d->m);
    return d->log;
}

void Simulador::limparRegistros() {
    std::lock_guard g(d->m);
    d->log.clear();
    d->intercalacoes = 0;
}

int Simulador::intercalacoes() const {
    std::lock_guard g(d->m);
    return d->intercalacoes;
}

QString Simulador::caminho(int com) const {
    std::lock_guard g(d->m);
    auto it = d->barramentos.find(com);
    return it == d->barramentos.end() ? QString() : it->second->caminho;
}

QList<int> Simulador::barramentos() const {
    std::lock_guard g(d->m);
    QList<int> r;
    for (auto& [com, b] : d->barramentos)
        r.append(com);
    return r;
}

void Simulador::aoRegistrar(std::function<void(const Registro&)> ouvinte) {
    std::lock_guard g(d->m);
    d->ouvinte = std::move(ouvinte);
}

int Simulador::contar(const QString& evento, int com, int cabeca) const {
    std::lock_guard g(d->m);
    int n = 0;
    for (const Registro& r : d->log)
        if (r.evento == evento && (com < 0 || r.com == com) && (cabeca < 0 || r.cabeca == cabeca)) ++n;
    return n;
}

std::optional<Modelo> Simulador::modeloPorNome(const QString& nome) {
    const QString n = nome.trimmed().toLower();
    if (n == QLatin1String("qx71")) return Modelo::Leitora71;
    if (n == QLatin1String("qx64ax")) return Modelo::Leitora64AX;
    if (n == QLatin1String("qx64c")) return Modelo::Controladora;
    return std::nullopt;
}

QString Simulador::nomeDoModelo(Modelo m) {
    switch (m) {
    case Modelo::Leitora71:
        return QStringLiteral("qx71");
    case Modelo::Leitora64AX:
        return QStringLiteral("qx64ax");
    case Modelo::Controladora:
        return QStringLiteral("qx64c");
    }
    return {};
}

QString Simulador::formatar(const Registro& r) {
    QString s = QStringLiteral("%1 COM%2 %3 %4").arg(r.ms, 8).arg(r.com).arg(r.cabeca).arg(r.evento);
    if (!r.bytes.isEmpty()) s += QStringLiteral(" [%1]").arg(hexa(r.bytes));
    if (!r.descricao.isEmpty()) s += QLatin1Char(' ') + r.descricao;
    return s;
}

// ---- serving one bus ------------------------------------------------------------------------------

void Simulador::Estado::servir(Barramento* b) {
    ::prctl(PR_SET_TIMERSLACK, 1UL); // pacing wants wake-ups to the microsecond, not the default 50 µs
    for (;;) {
        qint64 esperaNs = -1;
        {
            std::lock_guard g(m);
            if (!b->saida.empty()) {
                const Saida& s = b->saida.front();
                const qint64 devido = s.inicioNs + (ritmo ? qint64(s.escritos + 1) * byteNs() : 0);
                esperaNs = std::max<qint64>(0, devido - agoraNs());
            }
            if (b->cheio) esperaNs = 100'000'000; // POLLOUT wakes us sooner
            if (b->desligado) esperaNs = esperaNs < 0 ? 5'000'000 : std::min<qint64>(esperaNs, 5'000'000);
        }
        // While the station has its side closed the master reports a hang-up without end: leave it out of
        // the poll and look again every few milliseconds.
        pollfd fds[2] = {{b->paradaLer, POLLIN, 0},
                         {b->desligado ? -1 : b->mestre, short(POLLIN | (b->cheio ? POLLOUT : 0)), 0}};
        timespec ts{}, *pts = nullptr;
        if (esperaNs >= 0) {
            ts.tv_sec = esperaNs / 1000000000;
            ts.tv_nsec = esperaNs % 1000000000;
            pts = &ts;
        }
        const int r = ::ppoll(fds, 2, pts, nullptr);
        if (r < 0 && errno != EINTR) return;
        if (fds[0].revents) return;
        std::lock_guard g(m);
        if (b->desligado) {
            pollfd f{b->mestre, POLLIN, 0};
            if (::poll(&f, 1, 0) < 0 || (f.revents & POLLHUP)) continue;
            b->desligado = false;
            registrar(b->com, -1, QStringLiteral("linha"), {}, QStringLiteral("estação abriu a linha"));
        }
        bool fechou = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
        if (fds[1].revents & POLLIN) {
            char buf[4096];
            const ssize_t n = ::read(b->mestre, buf, sizeof buf);
            if (n > 0) {
                receber(*b, QByteArray(buf, int(n)), agoraNs());
                fechou = false; // drained first; the hang-up shows again on the next round
            } else if (n == 0 || (n < 0 && errno == EIO)) {
                fechou = true;
            }
        }
        if (fechou) {
            b->desligado = true;
            abandonar(*b, QStringLiteral("a estação fechou a linha"));
            registrar(b->com, -1, QStringLiteral("linha"), {}, QStringLiteral("estação fechou a linha"));
            continue;
        }
        if (!b->desligado) escreverDevidos(*b, agoraNs());
    }
}

void Simulador::Estado::escreverDevidos(Barramento& b, qint64 agora) {
    while (!b.saida.empty()) {
        Saida& s = b.saida.front();
        int devidos = 0;
        if (ritmo)
            devidos = agora < s.inicioNs
                          ? 0
                          : int(std::min<qint64>(s.bytes.size(), (agora - s.inicioNs) / byteNs()));
        else
            devidos = agora >= s.inicioNs ? int(s.bytes.size()) : 0;
        if (devidos > s.escritos) {
            const ssize_t w =
                ::write(b.mestre, s.bytes.constData() + s.escritos, size_t(devidos - s.escritos));
            // A station that does not read fills the pty; wait for room instead of spinning.
            b.cheio = w < 0 && errno == EAGAIN;
            if (w > 0) {
                s.escritos += int(w);
                b.ultimaAtividadeNs = agora;
            }
        }
        if (s.escritos < s.bytes.size()) return;
        registrar(b.com, s.cabeca, QStringLiteral("tx"), s.bytes, s.descricao);
        b.saida.pop_front();
    }
}

void Simulador::Estado::abandonar(Barramento& b, const QString& motivo) {
    for (const Saida& s : b.saida)
        registrar(b.com, s.cabeca, QStringLiteral("descartado"), s.bytes.mid(s.escritos), motivo);
    b.saida.clear();
    b.cheio = false;
    if (b.fase != Barramento::Fase::Ocioso && !b.acumulado.isEmpty())
        registrar(b.com, b.enderecoUsado, QStringLiteral("erro"), b.acumulado,
                  QStringLiteral("comando incompleto esquecido"));
    if (b.fase == Barramento::Fase::PassivoComando) encerrarTroca(b);
    b.fase = Barramento::Fase::Ocioso;
    b.acumulado.clear();
}

void Simulador::Estado::intercalado(Barramento& b, const QString& descricao) {
    if (b.intercaladoNestaTroca) return;
    b.intercaladoNestaTroca = true;
    ++intercalacoes;
    registrar(b.com, b.enderecoUsado, QStringLiteral("intercalado"), {}, descricao);
}

void Simulador::Estado::receber(Barramento& b, const QByteArray& dados, qint64 agora) {
    const bool emTroca = b.fase != Barramento::Fase::Ocioso || !b.saida.empty();
    if (emTroca && agora - b.ultimaAtividadeNs > kOcioNs) abandonar(b, QStringLiteral("troca parada"));
    b.ultimaAtividadeNs = agora;
    b.rxFimNs = ritmo ? std::max(agora, b.rxFimNs) + qint64(dados.size()) * byteNs() : agora;
    for (char c : dados)
        tratarByte(b, quint8(c), agora);
    if (!b.soltos.isEmpty()) {
        registrar(b.com, -1, QStringLiteral("rx"), b.soltos, QStringLiteral("sem destinatário"));
        b.soltos.clear();
    }
}

Leitora71* Simulador::Estado::passivaPara(Barramento& b, quint8 endereco) const {
    for (auto& d : b.dispositivos)
        if (d->modelo == Modelo::Leitora71 && (endereco == kPassivaTodas || d->cabeca == endereco))
            return static_cast<Leitora71*>(d.get());
    return nullptr;
}

Dispositivo* Simulador::Estado::quadroPara(Barramento& b, quint8 endereco) const {
    for (auto& d : b.dispositivos)
        if (d->modelo != Modelo::Leitora71 && (endereco == kQuadroTodos || d->cabeca == endereco))
            return d.get();
    return nullptr;
}

void Simulador::Estado::tratarByte(Barramento& b, quint8 c, qint64 agora) {
    using Fase = Barramento::Fase;
    auto eInicio = [&](quint8 x) { return x == STX || passivaPara(b, x) != nullptr; };
    switch (b.fase) {
    case Fase::Ocioso:
        if (b.saida.empty())
            b.intercaladoNestaTroca = false;
        else if (c == STX || passivaPara(b, c))
            intercalado(b, QStringLiteral("comando novo chegou durante a resposta"));
        if (c == STX) {
            b.fase = Fase::Quadro;
            b.acumulado = QByteArray(1, char(c));
        } else if (Leitora71* l = passivaPara(b, c)) {
            apertoDeMao(b, *l, c, agora);
        } else {
            b.soltos.append(char(c));
        }
        return;
    case Fase::PassivoComando:
        if (b.acumulado.isEmpty() && eInicio(c)) {
            intercalado(b, QStringLiteral("endereço novo chegou no lugar do comando"));
            encerrarTroca(b);
            b.fase = Fase::Ocioso;
            tratarByte(b, c, agora);
            return;
        }
        b.acumulado.append(char(c));
        if (b.acumulado.size() == 4) {
            executarPassivo(b, agora);
            b.fase = Fase::Ocioso;
            b.acumulado.clear();
        }
        return;
    case Fase::Quadro: {
        b.acumulado.append(char(c));
        const int pos = int(b.acumulado.size()) - 1;
        const bool errado = (pos == 2 && c != RS) || (pos == 5 && c != FS);
        if (errado) {
            const QByteArray parte = b.acumulado.left(pos);
            b.fase = Fase::Ocioso;
            b.acumulado.clear();
            if (eInicio(c)) {
                b.enderecoUsado = parte.size() > 1 ? quint8(parte[1]) : -1;
                intercalado(b, QStringLiteral("comando novo chegou no meio de um quadro"));
                tratarByte(b, c, agora);
            } else {
                registrar(b.com, parte.size() > 1 ? quint8(parte[1]) : -1, QStringLiteral("erro"),
                          parte + char(c), QStringLiteral("quadro malformado"));
            }
            return;
        }
        if (b.acumulado.size() >= 6 && b.acumulado.size() == quint8(b.acumulado[4]) + 9) {
            executarQuadro(b, agora);
            b.fase = Fase::Ocioso;
            b.acumulado.clear();
        }
        return;
    }
    }
}

bool Simulador::Estado::aplicar(Barramento& b, Dispositivo& d, TipoFalha t) {
    Falha& f = d.falhas[int(t)];
    if (!f.ativa) return false;
    b.aplicadas[int(t)] = true;
    b.alvoFalhas = &d;
    QString desc = nomeFalha(t);
    if (t == TipoFalha::Atraso) desc += QStringLiteral(" %1 ms").arg(f.valor);
    registrar(b.com, d.cabeca, QStringLiteral("falha"), {}, desc);
    return true;
}

void Simulador::Estado::encerrarTroca(Barramento& b) {
    if (b.alvoFalhas) {
        for (int i = 0; i < kTiposFalha; ++i) {
            Falha& f = b.alvoFalhas->falhas[i];
            if (b.aplicadas[i] && f.vezes > 0 && --f.vezes == 0) f = Falha{};
        }
    }
    b.aplicadas.fill(false);
    b.alvoFalhas = nullptr;
}

void Simulador::Estado::agendar(Barramento& b, const QByteArray& bytes, qint64 inicioMinNs, int cabeca,
                                const QString& descricao) {
    qint64 inicio = std::max({agoraNs(), b.rxFimNs, inicioMinNs});
    if (!b.saida.empty()) {
        const Saida& u = b.saida.back();
        inicio = std::max(inicio, u.inicioNs + (ritmo ? qint64(u.bytes.size()) * byteNs() : 0));
    }
    b.saida.push_back(Saida{bytes, inicio, 0, cabeca, descricao});
}

void Simulador::Estado::apertoDeMao(Barramento& b, Leitora71& l, quint8 endereco, qint64 agora) {
    b.enderecoUsado = endereco;
    b.alvo = &l;
    b.aplicadas.fill(false);
    b.alvoFalhas = &l;
    registrar(b.com, l.cabeca, QStringLiteral("rx"), QByteArray(1, char(endereco)),
              QStringLiteral("endereço %1").arg(endereco));
    if (aplicar(b, l, TipoFalha::Silencio)) {
        encerrarTroca(b);
        return;
    }
    QByteArray r;
    if (aplicar(b, l, TipoFalha::Lixo)) r += l.falhas[int(TipoFalha::Lixo)].lixo;
    const bool enderecoErrado = aplicar(b, l, TipoFalha::Endereco);
    r += char(quint8(255 - quint8(endereco + (enderecoErrado ? 1 : 0))));
    qint64 atraso = 0;
    if (aplicar(b, l, TipoFalha::Atraso)) atraso = qint64(l.falhas[int(TipoFalha::Atraso)].valor) * 1000000;
    agendar(b, r, b.rxFimNs + atraso, l.cabeca, QStringLiteral("complemento"));
    if (enderecoErrado) {
        encerrarTroca(b); // the station will not go on
        return;
    }
    (void)agora;
    b.fase = Barramento::Fase::PassivoComando;
    b.acumulado.clear();
}

void Simulador::Estado::executarPassivo(Barramento& b, qint64 agora) {
    Leitora71& l = *b.alvo;
    const QByteArray cmd = b.acumulado;
    const char letra = cmd[0];
    const quint8 p1 = quint8(cmd[1]), p2 = quint8(cmd[2]), p3 = quint8(cmd[3]);
    QByteArray resposta;
    QString desc;
    bool responde = false;
    switch (letra) {
    case 'A':
        resposta = QByteArray(1, char(STX)) + l.cartao + QByteArray("\r\n\x03", 3);
        desc = QStringLiteral("'A' ler cartão: %1").arg(QString::fromLatin1(l.cartao));
        l.cartao = "0000000000";
        responde = true;
        break;
    case 'C': {
        const quint8 valor = quint8(p1 * 16 + p2);
        l.reg[p3] = valor;
        desc = QStringLiteral("'C' registro %1 = %2").arg(p3).arg(valor);
        if (p1 > 15 || p2 > 15)
            registrar(b.com, l.cabeca, QStringLiteral("erro"), cmd, QStringLiteral("nibble > 15"));
        resposta.append(char(valor >> 4)).append(char(valor & 15));
        responde = true;
        if (p3 == 0) {
            desc += QStringLiteral(" (cabeça %1 → %2)").arg(l.cabeca).arg(valor);
            l.cabeca = valor;
        }
        break;
    }
    case 'E': {
        ++l.pulsos;
        const int ms = tempoReleMs(l.reg[2]);
        l.ultimoReleMs = ms;
        desc = QStringLiteral("'E' relé");
        registrar(b.com, l.cabeca, QStringLiteral("rx"), cmd, desc);
        registrar(b.com, l.cabeca, QStringLiteral("rele"), {},
                  ms > 0 ? QStringLiteral("%1 ms (código %2)").arg(ms).arg(l.reg[2])
                         : QStringLiteral("código %1").arg(l.reg[2]));
        encerrarTroca(b);
        return;
    }
    case 'F':
        desc = QStringLiteral("'F' sinalizar");
        break;
    default:
        desc = QStringLiteral("comando desconhecido");
        break;
    }
    registrar(b.com, l.cabeca, responde || letra == 'F' ? QStringLiteral("rx") : QStringLiteral("erro"), cmd,
              desc);
    if (responde) {
        if (aplicar(b, l, TipoFalha::Soma)) {
            if (letra == 'A')
                resposta[1] = char(resposta[1] + 1);
            else {
                const quint8 v = quint8(((quint8(resposta[0]) << 4) | quint8(resposta[1])) + 1);
                resposta[0] = char(v >> 4);
                resposta[1] = char(v & 15);
            }
        }
        if (aplicar(b, l, TipoFalha::Comprimento))
            resposta = resposta.leftJustified(l.falhas[int(TipoFalha::Comprimento)].valor, '0', true);
        if (aplicar(b, l, TipoFalha::Curta)) {
            const int v = l.falhas[int(TipoFalha::Curta)].valor;
            const int n = int(resposta.size());
            resposta.truncate(v >= 0 ? std::min(v, n) : (n > 4 ? n - 4 : n - 1));
        }
        qint64 atraso = 0;
        if (aplicar(b, l, TipoFalha::Atraso))
            atraso = qint64(l.falhas[int(TipoFalha::Atraso)].valor) * 1000000;
        if (!resposta.isEmpty()) agendar(b, resposta, b.rxFimNs + atraso, l.cabeca, desc);
    }
    encerrarTroca(b);
    (void)agora;
}

namespace {
struct Tratamento {
    bool responde = true;
    QList<QByteArray> dados; // one entry per reply frame
    QString descricao;
    QList<QPair<QString, QString>> eventos; // extra log entries: evento, descrição
};

bool cincoDigitos(const QByteArray& d, int desde, int& valor) {
    if (d.size() < desde + 5) return false;
    valor = 0;
    for (int i = desde; i < desde + 5; ++i) {
        const int x = digito(d[i]);
        if (x < 0) return false;
        valor = valor * 10 + x;
    }
    return true;
}

Tratamento tratar64(Leitora64AX& l, char letra, const QByteArray& d) {
    Tratamento t;
    switch (letra) {
    case 'B':
        t.dados << (l.tag.isEmpty() ? QByteArray("0000000000") : l.tag);
        t.descricao = QStringLiteral("'B' ler tag (%1): %2")
                          .arg(QString::fromLatin1(d.left(1)), QString::fromLatin1(t.dados[0]));
        break;
    case 'C': {
        int ms = 0;
        if (!cincoDigitos(d, 0, ms)) {
            t.responde = false;
            t.eventos << qMakePair(QStringLiteral("erro"), QStringLiteral("'C' sem cinco dígitos"));
            break;
        }
        ++l.pulsos;
        l.ultimoReleMs = ms;
        t.dados << QByteArray();
        t.descricao = QStringLiteral("'C' relé %1 ms").arg(ms);
        t.eventos << qMakePair(QStringLiteral("rele"), QStringLiteral("%1 ms").arg(ms));
        break;
    }
    case 'E':
        t.dados << QByteArray(l.presenca ? "1" : "0") + QByteArray(l.fechado ? "0" : "1");
        t.descricao = QStringLiteral("'E' estado: presença %1, fechado %2").arg(l.presenca).arg(l.fechado);
        break;
    case 'F':
        if (d.size() == 3 && d[0] == 'G' && d[1] == 5) {
            t.descricao = QStringLiteral("'F' gravar cabeça %1 → %2").arg(l.cabeca).arg(quint8(d[2]));
            l.cabeca = quint8(d[2]);
            t.dados << QByteArray("OK");
        } else {
            t.descricao = QStringLiteral("'F' dados inválidos");
            t.dados << QByteArray("NO");
        }
        break;
    case 'H':
        ++l.beeps;
        t.dados << QByteArray();
        t.descricao = QStringLiteral("'H' sinalizar");
        t.eventos << qMakePair(QStringLiteral("beep"), QString());
        break;
    default:
        t.responde = false;
        t.eventos << qMakePair(QStringLiteral("erro"), QStringLiteral("comando desconhecido"));
    }
    return t;
}

Tratamento tratarControladora(Controladora& c, char letra, const QByteArray& d, qint64 agoraMs) {
    Tratamento t;
    auto endereco = [&] { return (quint8(d[1]) << 8) | quint8(d[2]); };
    switch (letra) {
    case 'C': {
        int ms = 0;
        if (d.size() != 6 || quint8(d[0]) > 3 || !cincoDigitos(d, 1, ms)) {
            t.responde = false;
            t.eventos << qMakePair(QStringLiteral("erro"), QStringLiteral("'C' dados inválidos"));
            break;
        }
        const int porta = quint8(d[0]) + 1;
        ++c.pulsos;
        ++c.pulsosPorta[porta - 1];
        c.ultimoReleMs = ms;
        t.dados << QByteArray();
        t.descricao = QStringLiteral("'C' porta %1 relé %2 ms").arg(porta).arg(ms);
        t.eventos << qMakePair(QStringLiteral("rele"), QStringLiteral("porta %1 %2 ms").arg(porta).arg(ms));
        break;
    }
    case 'D':
        if (d.size() >= 4 && d[0] == 'L') {
            const int linhas = std::clamp(int(quint8(d[3])), 1, 7);
            QByteArray bytes;
            for (int i = 0; i < 16 * linhas; ++i)
                bytes += c.dados[(endereco() + i) % Controladora::kMemoria];
            t.dados << hexMaiusculo(bytes);
            t.descricao = QStringLiteral("'D' ler memória %1 (%2 bytes)").arg(endereco()).arg(bytes.size());
        } else if (d.size() >= 4 && d[0] == 'G' && quint8(d[3]) <= 128 && d.size() == 4 + quint8(d[3])) {
            for (int i = 0; i < quint8(d[3]); ++i)
                c.dados[(endereco() + i) % Controladora::kMemoria] = d[4 + i];
            t.dados << QByteArray("OK");
            t.descricao =
                QStringLiteral("'D' gravar memória %1 (%2 bytes)").arg(endereco()).arg(quint8(d[3]));
        } else {
            t.dados << QByteArray("ER");
            t.descricao = QStringLiteral("'D' dados inválidos");
        }
        break;
    case 'E': {
        bool ok = d.size() == 14 && d[0] == 'G';
        int v[13] = {};
        for (int i = 0; ok && i < 13; ++i) {
            v[i] = quint8(d[1 + i]);
            ok = v[i] <= 9 || (i == 6 && v[i] <= 7);
        }
        const QDate data(2000 + v[4] * 10 + v[5], v[2] * 10 + v[3], v[0] * 10 + v[1]);
        const QTime hora(v[7] * 10 + v[8], v[9] * 10 + v[10], v[11] * 10 + v[12]);
        if (ok && data.isValid() && hora.isValid() && v[6] >= 1) {
            c.acertar(QDateTime(data, hora), v[6], agoraMs);
            t.descricao = QStringLiteral("'E' acertar relógio %1 dia %2")
                              .arg(QDateTime(data, hora).toString(QStringLiteral("dd/MM/yy HH:mm:ss")))
                              .arg(v[6]);
        } else {
            t.descricao = QStringLiteral("'E' relógio inválido, ignorado");
            t.eventos << qMakePair(QStringLiteral("erro"), t.descricao);
        }
        t.dados << QByteArray();
        break;
    }
    case 'F':
        t.dados << QByteArray::number(c.codigoTamanho & 0xFF, 16).rightJustified(2, '0').toUpper();
        t.descricao = QStringLiteral("'F' tamanho da memória: código %1").arg(c.codigoTamanho);
        break;
    case 'G':
        if (d.size() == 3 && d[0] == 'L') {
            t.dados << hexMaiusculo(c.bloco.mid(endereco() % 65536, 16).leftJustified(16, '\0'));
            t.descricao = QStringLiteral("'G' ler bloco %1").arg(endereco());
        } else if (d.size() == 131 && d[0] == 'G') {
            for (int i = 0; i < 128; ++i)
                c.bloco[(endereco() + i) % 65536] = d[3 + i];
            t.dados << QByteArray("OK");
            t.descricao = QStringLiteral("'G' gravar bloco %1").arg(endereco());
        } else {
            t.dados << QByteArray("ER");
            t.descricao = QStringLiteral("'G' dados inválidos");
        }
        break;
    case 'H':
        ++c.beeps;
        t.dados << QByteArray();
        t.descricao = QStringLiteral("'H' sinalizar");
        t.eventos << qMakePair(QStringLiteral("beep"), QString());
        break;
    case 'I': {
        const int nova = quint8(c.bloco[0x8005]);
        t.descricao = QStringLiteral("'I' reiniciar");
        QString ev = QStringLiteral("cabeça %1").arg(nova);
        if (nova != c.cabeca) ev = QStringLiteral("cabeça %1 → %2").arg(c.cabeca).arg(nova);
        c.cabeca = nova;
        c.vivos.fill(Vivo{});
        t.dados << QByteArray();
        t.eventos << qMakePair(QStringLiteral("reinicio"), ev);
        break;
    }
    case 'J': {
        QByteArray a(16, '\0'), b(16, '\0');
        for (int i = 0; i < 8; ++i) {
            const Vivo& v = c.vivos[i];
            a[i] = char((v.cartao >> 16) & 0xFF);
            a[8 + i] = char((v.cartao >> 8) & 0xFF);
            b[i] = char(v.cartao & 0xFF);
            b[8 + i] = char(!v.cartao ? 0 : v.byteCru >= 0 ? v.byteCru : v.porta - 1);
        }
        t.dados << hexMaiusculo(a) << hexMaiusculo(b);
        t.descricao = QStringLiteral("'J' ler vivos (%1)").arg(QString::fromLatin1(d));
        break;
    }
    default:
        t.responde = false;
        t.eventos << qMakePair(QStringLiteral("erro"), QStringLiteral("comando desconhecido"));
    }
    return t;
}
} // namespace

void Simulador::Estado::executarQuadro(Barramento& b, qint64 agora) {
    const QByteArray q = b.acumulado;
    const int n = quint8(q[4]);
    const quint8 endereco = quint8(q[1]);
    const char letra = q[3];
    quint8 soma = 0;
    for (int i = 0; i < 7 + n; ++i)
        soma = quint8(soma + quint8(q[i]));
    b.enderecoUsado = endereco;
    if (quint8(q[6 + n]) != ETX || quint8(q[8 + n]) != EOT) {
        registrar(b.com, endereco, QStringLiteral("erro"), q, QStringLiteral("quadro malformado"));
        return;
    }
    if (soma != quint8(q[7 + n])) {
        registrar(b.com, endereco, QStringLiteral("erro"), q,
                  QStringLiteral("soma errada (esperada %1)").arg(soma));
        return;
    }
    Dispositivo* disp = quadroPara(b, endereco);
    if (!disp) {
        registrar(b.com, endereco, QStringLiteral("rx"), q,
                  QStringLiteral("'%1' sem destinatário").arg(QLatin1Char(letra)));
        return;
    }
    const QByteArray dados = q.mid(6, n);
    const int cabecaAntes = disp->cabeca;
    Tratamento t = disp->modelo == Modelo::Leitora64AX
                       ? tratar64(*static_cast<Leitora64AX*>(disp), letra, dados)
                       : tratarControladora(*static_cast<Controladora*>(disp), letra, dados, agora / 1000000);
    registrar(b.com, cabecaAntes, QStringLiteral("rx"), q,
              t.descricao.isEmpty() ? QStringLiteral("'%1'").arg(QLatin1Char(letra)) : t.descricao);
    for (const auto& [ev, desc] : t.eventos)
        registrar(b.com, cabecaAntes, ev, {}, desc);
    if (!t.responde) return;
    b.aplicadas.fill(false);
    b.alvoFalhas = disp;
    if (aplicar(b, *disp, TipoFalha::Silencio)) {
        encerrarTroca(b);
        return;
    }
    const bool enderecoErrado = aplicar(b, *disp, TipoFalha::Endereco);
    const quint8 enderecoResposta = quint8(endereco + (enderecoErrado ? 1 : 0));
    const bool somaErrada = aplicar(b, *disp, TipoFalha::Soma);
    const bool curta = aplicar(b, *disp, TipoFalha::Curta);
    if (aplicar(b, *disp, TipoFalha::Comprimento))
        for (QByteArray& dados : t.dados)
            dados = dados.leftJustified(disp->falhas[int(TipoFalha::Comprimento)].valor, '0', true);
    qint64 inicio = b.rxFimNs;
    if (aplicar(b, *disp, TipoFalha::Atraso))
        inicio += qint64(disp->falhas[int(TipoFalha::Atraso)].valor) * 1000000;
    for (int i = 0; i < t.dados.size(); ++i) {
        QByteArray r = quadro(enderecoResposta, t.dados[i]);
        if (somaErrada) r[r.size() - 2] = char(r[r.size() - 2] + 1);
        const bool lixo = i == 0 && aplicar(b, *disp, TipoFalha::Lixo);
        if (lixo) r.prepend(disp->falhas[int(TipoFalha::Lixo)].lixo);
        if (curta) {
            const int v = disp->falhas[int(TipoFalha::Curta)].valor;
            r.truncate(v >= 0 ? std::min<int>(v, int(r.size())) : int(r.size()) - 4);
        }
        const bool estragado = curta || lixo || enderecoErrado || somaErrada;
        // Stray bytes between the frames of one answer leave right behind the first frame.
        if (!estragado && i + 1 < t.dados.size() && aplicar(b, *disp, TipoFalha::Entre))
            r.append(disp->falhas[int(TipoFalha::Entre)].lixo);
        if (i > 0) {
            const Saida& u = b.saida.back();
            inicio = u.inicioNs + (ritmo ? qint64(u.bytes.size()) * byteNs() : 0) + kIntervaloJNs;
        }
        agendar(b, r, inicio, disp->cabeca, t.descricao);
        // The station gives up on a spoilt first frame and will not wait for the second.
        if (estragado) break;
    }
    encerrarTroca(b);
}

} // namespace portaris::sim
