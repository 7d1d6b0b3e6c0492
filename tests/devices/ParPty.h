#pragma once
// The far end of a pseudo-terminal, scripted byte by byte: after each given number of bytes received it
// sends a given answer. Everything received is kept for comparison with golden vectors.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

class ParPty {
public:
    struct Passo {
        int espera;          // bytes to receive before answering
        QByteArray resposta; // sent at once (in one write)
        int atrasoMs = 0;
        bool fecharDepois = false;        // close the far end after answering (the line vanishes)
        std::function<void()> antes = {}; // run just before answering
    };

    ParPty() {
        char nome[256] = {};
        termios t{};
        cfmakeraw(&t);
        if (openpty(&m_mestre, &m_escravo, nome, &t, nullptr) == 0) {
            m_caminho = QString::fromLocal8Bit(nome);
            fcntl(m_mestre, F_SETFL, fcntl(m_mestre, F_GETFL) | O_NONBLOCK);
        }
        m_fio = std::thread([this] { servir(); });
    }
    ~ParPty() {
        m_parar = true;
        m_fio.join();
        if (m_mestre >= 0) ::close(m_mestre);
        if (m_escravo >= 0) ::close(m_escravo);
    }
    // The slave path; our own slave descriptor is closed so the line under test is the only user.
    QString caminho() {
        if (m_escravo >= 0) {
            ::close(m_escravo);
            m_escravo = -1;
        }
        return m_caminho;
    }
    void roteiro(const QList<Passo>& passos) {
        QMutexLocker l(&m_trava);
        m_passos = passos;
        m_pendente = 0;
    }
    void enviar(const QByteArray& b) {
        QMutexLocker l(&m_trava);
        escrever(b);
    }
    QByteArray recebido() const {
        QMutexLocker l(&m_trava);
        return m_recebido;
    }
    void limpar() {
        QMutexLocker l(&m_trava);
        m_recebido.clear();
        m_pendente = 0;
        m_passos.clear();
    }
    void fechar() {
        QMutexLocker l(&m_trava);
        if (m_mestre >= 0) ::close(m_mestre);
        m_mestre = -1;
    }

private:
    void escrever(const QByteArray& b) {
        int feito = 0;
        while (m_mestre >= 0 && feito < b.size()) {
            const ssize_t r = ::write(m_mestre, b.constData() + feito, static_cast<size_t>(b.size() - feito));
            if (r > 0)
                feito += static_cast<int>(r);
            else
                QThread::usleep(200);
        }
    }
    void servir() {
        while (!m_parar) {
            int fd;
            {
                QMutexLocker l(&m_trava);
                fd = m_mestre;
            }
            if (fd < 0) {
                QThread::msleep(5);
                continue;
            }
            pollfd pf{fd, POLLIN, 0};
            if (::poll(&pf, 1, 10) <= 0 || !(pf.revents & POLLIN)) {
                if (pf.revents & POLLHUP) QThread::msleep(2); // nobody holds the slave right now
                continue;
            }
            QMutexLocker l(&m_trava);
            char buf[512];
            const ssize_t r = ::read(m_mestre, buf, sizeof buf);
            if (r <= 0) continue;
            m_recebido.append(buf, static_cast<int>(r));
            m_pendente += static_cast<int>(r);
            while (!m_passos.isEmpty() && m_pendente >= m_passos.front().espera) {
                const Passo p = m_passos.takeFirst();
                m_pendente -= p.espera;
                if (p.atrasoMs > 0) {
                    l.unlock();
                    QThread::msleep(static_cast<unsigned long>(p.atrasoMs));
                    l.relock();
                }
                if (p.antes) p.antes();
                escrever(p.resposta);
                if (p.fecharDepois && m_mestre >= 0) {
                    ::close(m_mestre);
                    m_mestre = -1;
                    break;
                }
            }
        }
    }

    int m_mestre = -1;
    int m_escravo = -1;
    QString m_caminho;
    mutable QMutex m_trava;
    QList<Passo> m_passos;
    int m_pendente = 0;
    QByteArray m_recebido;
    std::atomic<bool> m_parar{false};
    std::thread m_fio;
};
