#pragma once
#include <QDateTime>
#include <QMutex>
#include <functional>

namespace portaris {

// Every rule measured in time asks this clock, so tests replace it and run instantly.
class Relogio {
public:
    virtual ~Relogio() = default;
    virtual QDateTime agora() const = 0;
    // Milliseconds since an arbitrary origin; wraps like the platform's 32-bit tick count.
    virtual quint32 tick() const = 0;
    virtual void dormir(int ms) = 0;

    QDate hoje() const { return agora().date(); }
};

class RelogioReal final : public Relogio {
public:
    QDateTime agora() const override;
    quint32 tick() const override;
    void dormir(int ms) override;
};

// A clock that moves only when told; sleeping moves it at once. Safe to share with worker threads.
class RelogioFalso final : public Relogio {
public:
    explicit RelogioFalso(QDateTime inicio = QDateTime(QDate(2024, 5, 7), QTime(14, 32)), quint32 tickInicial = 1000);
    QDateTime agora() const override;
    quint32 tick() const override;
    void dormir(int ms) override;

    void definir(const QDateTime& momento);
    void avancar(qint64 ms);
    // Called (outside the lock) after each sleep, so a test can change the world while code waits.
    void aoDormir(std::function<void(int)> f);

private:
    mutable QMutex m_lock;
    QDateTime m_agora;
    quint32 m_tick;
    std::function<void(int)> m_aoDormir;
};

// The program's clock: the real one unless a test installs another (not owned).
Relogio& relogio();
void definirRelogio(Relogio* r);

} // namespace portaris
