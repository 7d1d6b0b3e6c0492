#pragma once
// The station's side of a simulated line, as plain as possible: raw termios on the slave path.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class ClientePty {
public:
    explicit ClientePty(const QString& caminho) { abrir(caminho); }
    ~ClientePty() { fechar(); }
    ClientePty(const ClientePty&) = delete;
    ClientePty& operator=(const ClientePty&) = delete;

    bool abrir(const QString& caminho) {
        fechar();
        m_fd = ::open(caminho.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0) return false;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        ::tcsetattr(m_fd, TCSANOW, &t);
        return true;
    }
    void fechar() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    bool aberto() const { return m_fd >= 0; }

    void limpar() { ::tcflush(m_fd, TCIOFLUSH); }
    bool escrever(const QByteArray& b) { return ::write(m_fd, b.constData(), size_t(b.size())) == b.size(); }

    // Up to n bytes; stops at n or when limiteMs has passed since the call.
    QByteArray ler(int n, int limiteMs) {
        QByteArray r;
        QElapsedTimer t;
        t.start();
        while (r.size() < n) {
            const qint64 resta = limiteMs - t.elapsed();
            if (resta <= 0) break;
            pollfd f{m_fd, POLLIN, 0};
            if (::poll(&f, 1, int(resta)) <= 0) break;
            char buf[512];
            const ssize_t k = ::read(m_fd, buf, size_t(std::min<qsizetype>(sizeof buf, n - r.size())));
            if (k <= 0) break;
            r.append(buf, int(k));
        }
        return r;
    }

    // One exchange: send, then read what is expected (or listen a while when nothing is).
    QByteArray trocar(const QByteArray& pedido, int esperados, int limiteMs = 1000) {
        escrever(pedido);
        return esperados > 0 ? ler(esperados, limiteMs) : ler(1, 150);
    }

private:
    int m_fd = -1;
};
