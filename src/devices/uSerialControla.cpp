#include "uSerialControla.h"

#include "platform/Estacao.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace portaris {

namespace {

// Paths this program holds open: TIOCEXCL does not stop a privileged process, so a second open from
// here is refused by this list as well as by the advisory lock.
QMutex g_abertasTrava;
QSet<QString> g_abertas;

bool velocidade(int baud, speed_t& v) {
    switch (baud) {
    case 1200:
        v = B1200;
        return true;
    case 2400:
        v = B2400;
        return true;
    case 4800:
        v = B4800;
        return true;
    case 9600:
        v = B9600;
        return true;
    case 19200:
        v = B19200;
        return true;
    case 38400:
        v = B38400;
        return true;
    case 57600:
        v = B57600;
        return true;
    case 115200:
        v = B115200;
        return true;
    default:
        return false;
    }
}

int restante(const QElapsedTimer& t, qint64 limite) {
    const qint64 r = limite - t.elapsed();
    return r > 0 ? static_cast<int>(r) : 0;
}

} // namespace

LinhaSerial::LinhaSerial(int fd, QString caminho, QString chave)
    : m_fd(fd), m_caminho(std::move(caminho)), m_chave(std::move(chave)) {}

LinhaSerial::~LinhaSerial() {
    fecharSemTrava();
}

namespace {
thread_local int t_ultimoErro = 0;
} // namespace

int LinhaSerial::ultimoErro() {
    return t_ultimoErro;
}

std::shared_ptr<LinhaSerial> LinhaSerial::abrir(const QString& caminho, int baud) {
    t_ultimoErro = 0;
    speed_t v{};
    if (caminho.isEmpty() || !velocidade(baud, v)) return nullptr;
    QString chave = QFileInfo(caminho).canonicalFilePath();
    if (chave.isEmpty()) return nullptr;

    QMutexLocker registro(&g_abertasTrava);
    if (g_abertas.contains(chave)) return nullptr;

    const QByteArray nome = QFile::encodeName(caminho);
    const int fd = ::open(nome.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        t_ultimoErro = errno;
        return nullptr;
    }
    if (!isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return nullptr;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        ::close(fd);
        return nullptr;
    }
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, v);
    cfsetospeed(&t, v);
    tcsetattr(fd, TCSANOW, &t);

    g_abertas.insert(chave);
    return std::shared_ptr<LinhaSerial>(new LinhaSerial(fd, caminho, chave));
}

bool LinhaSerial::aberta() const {
    return m_fd >= 0;
}

void LinhaSerial::fechar() {
    QMutexLocker l(&m_trava);
    fecharSemTrava();
}

void LinhaSerial::fecharSemTrava() {
    if (m_fd < 0) return;
    tcflush(m_fd, TCIFLUSH);
    if (m_saidaPendente) tcflush(m_fd, TCOFLUSH); // as in limpar()
    m_saidaPendente = false;
    ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    QMutexLocker registro(&g_abertasTrava);
    g_abertas.remove(m_chave);
}

void LinhaSerial::limpar() {
    QMutexLocker l(&m_trava);
    if (m_fd < 0) return;
    // After a drained write nothing of ours is pending, and flushing output would only reach bytes the
    // system still carries to the far end (a pseudo-terminal's buffers cannot be drained or counted).
    if (m_saidaPendente) tcflush(m_fd, TCOFLUSH);
    m_saidaPendente = false;
    tcflush(m_fd, TCIFLUSH);
}

bool LinhaSerial::escrever(const void* bytes, int n, int& escritos) {
    escritos = 0;
    if (n < 0) return false;
    QMutexLocker l(&m_trava);
    if (m_fd < 0) return false;
    const auto* p = static_cast<const unsigned char*>(bytes);
    QElapsedTimer t;
    t.start();
    const qint64 limite = LimiteFixo + qint64(LimitePorByte) * n;
    int feitos = 0;
    while (feitos < n) {
        const ssize_t r = ::write(m_fd, p + feitos, static_cast<size_t>(n - feitos));
        if (r > 0) {
            feitos += static_cast<int>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break; // the line is gone
        const int espera = restante(t, limite);
        if (espera == 0) break;
        pollfd pf{m_fd, POLLOUT, 0};
        const int pr = ::poll(&pf, 1, espera);
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0 || (pf.revents & (POLLERR | POLLHUP | POLLNVAL))) break;
    }
    const int pendentes = std::min(drenar(t, limite), feitos);
    m_saidaPendente = pendentes > 0;
    escritos = feitos - pendentes;
    return escritos == n;
}

// Waits until the driver's output queue is empty, as tcdrain would, but no longer than the write's limit;
// returns the bytes still queued then.
int LinhaSerial::drenar(const QElapsedTimer& desde, qint64 limite) {
    for (;;) {
        int pendentes = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &pendentes) != 0 || pendentes <= 0) return 0;
        if (restante(desde, limite) == 0) return pendentes;
        ::usleep(1000);
    }
}

bool LinhaSerial::ler(void* destino, int n, int& lidos) {
    lidos = 0;
    if (n < 0) return false;
    QMutexLocker l(&m_trava);
    if (m_fd < 0) return false;
    auto* p = static_cast<unsigned char*>(destino);
    QElapsedTimer t;
    t.start();
    QElapsedTimer desdeUltimo;
    const qint64 limite = LimiteFixo + qint64(LimitePorByte) * n;
    int feitos = 0;
    while (feitos < n) {
        int espera = restante(t, limite);
        if (feitos > 0) espera = std::min(espera, restante(desdeUltimo, IntervaloLeitura));
        if (espera == 0) break;
        pollfd pf{m_fd, POLLIN, 0};
        const int pr = ::poll(&pf, 1, espera);
        if (pr < 0 && errno == EINTR) continue;
        if (pr <= 0) break;
        if (!(pf.revents & POLLIN)) break; // hang-up or error without data: the line is gone
        const ssize_t r = ::read(m_fd, p + feitos, static_cast<size_t>(n - feitos));
        if (r > 0) {
            feitos += static_cast<int>(r);
            desdeUltimo.start();
        } else if (r == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            break;
        }
    }
    lidos = feitos;
    return feitos == n;
}

PortaSerial AbrirPortaSerial(int porta, int baud) {
    const QString caminho = CaminhoPortaSerial(porta);
    if (caminho.isEmpty()) return nullptr;
    return LinhaSerial::abrir(caminho, baud);
}

void FecharPortaSerial(PortaSerial& handle) {
    if (handle) handle->fechar();
    handle.reset();
}

void LimparPorta(const PortaSerial& handle) {
    if (handle) handle->limpar();
}

bool EscreverBytes(const PortaSerial& handle, const void* bytes, int n, int& escritos) {
    escritos = 0;
    return handle ? handle->escrever(bytes, n, escritos) : false;
}

bool LerBytes(const PortaSerial& handle, void* destino, int n, int& lidos) {
    lidos = 0;
    return handle ? handle->ler(destino, n, lidos) : false;
}

int NumeroPortaSerial(const QString& serial) {
    const QString s = serial.trimmed();
    if (!s.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) return -1;
    const QString digitos = s.mid(3, 3);
    bool ok = false;
    const int n = digitos.toInt(&ok);
    return ok && n >= 0 ? n : -1;
}

void TabelaPortas::marcarUsada(int porta) {
    if (porta >= 1 && porta <= Quantidade) m_entradas[porta - 1].usada = true;
}

bool TabelaPortas::usada(int porta) const {
    return porta >= 1 && porta <= Quantidade && m_entradas[porta - 1].usada;
}

void TabelaPortas::ABRIR_PORTAS(int baud) {
    for (int n = 1; n <= Quantidade; ++n) {
        Entrada& e = m_entradas[n - 1];
        if (e.usada && !PortaValida(e.handle)) {
            e.handle = AbrirPortaSerial(n, baud);
            e.semPermissao = !e.handle && LinhaSerial::ultimoErro() == EACCES;
        }
    }
}

QStringList TabelaPortas::SemPermissao() const {
    QStringList avisos;
    for (int n = 1; n <= Quantidade; ++n)
        if (m_entradas[n - 1].usada && m_entradas[n - 1].semPermissao)
            avisos << QStringLiteral("Sem permissão para abrir a porta COM%1 (%2). Inclua o usuário no grupo "
                                     "dialout (sudo usermod -aG dialout %3) e entre de novo na sessão.")
                          .arg(n)
                          .arg(CaminhoPortaSerial(n), qEnvironmentVariable("USER", QStringLiteral("<usuário>")));
    return avisos;
}

void TabelaPortas::FECHAR_PORTAS() {
    for (Entrada& e : m_entradas)
        if (e.handle) FecharPortaSerial(e.handle);
}

PortaSerial TabelaPortas::handle(int porta) const {
    if (porta < 1 || porta > Quantidade) return nullptr;
    return m_entradas[porta - 1].handle;
}

void TabelaPortas::definir(int porta, PortaSerial handle) {
    if (porta >= 1 && porta <= Quantidade) m_entradas[porta - 1].handle = std::move(handle);
}

} // namespace portaris
