#include "Relogio.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace portaris {

QDateTime RelogioReal::agora() const { return QDateTime::currentDateTime(); }

quint32 RelogioReal::tick() const {
    static const QElapsedTimer origem = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<quint32>(origem.elapsed());
}

void RelogioReal::dormir(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

RelogioFalso::RelogioFalso(QDateTime inicio, quint32 tickInicial) : m_agora(std::move(inicio)), m_tick(tickInicial) {}

QDateTime RelogioFalso::agora() const {
    QMutexLocker l(&m_lock);
    return m_agora;
}

quint32 RelogioFalso::tick() const {
    QMutexLocker l(&m_lock);
    return m_tick;
}

void RelogioFalso::dormir(int ms) {
    std::function<void(int)> f;
    {
        QMutexLocker l(&m_lock);
        if (ms > 0) {
            m_agora = m_agora.addMSecs(ms);
            m_tick += static_cast<quint32>(ms);
        }
        f = m_aoDormir;
    }
    if (f) f(ms);
}

void RelogioFalso::definir(const QDateTime& momento) {
    QMutexLocker l(&m_lock);
    const qint64 delta = m_agora.msecsTo(momento);
    m_agora = momento;
    if (delta > 0) m_tick += static_cast<quint32>(delta);
}

void RelogioFalso::avancar(qint64 ms) {
    QMutexLocker l(&m_lock);
    m_agora = m_agora.addMSecs(ms);
    m_tick += static_cast<quint32>(ms);
}

void RelogioFalso::aoDormir(std::function<void(int)> f) {
    QMutexLocker l(&m_lock);
    m_aoDormir = std::move(f);
}

namespace {
RelogioReal g_real;
std::atomic<Relogio*> g_atual{&g_real};
} // namespace

Relogio& relogio() { return *g_atual.load(); }
void definirRelogio(Relogio* r) { g_atual.store(r ? r : &g_real); }

} // namespace portaris
