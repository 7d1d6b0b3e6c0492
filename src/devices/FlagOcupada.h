#pragma once
#include <QThread>
#include <atomic>
#include <mutex>

namespace portaris {

// A busy flag claimed with an atomic test-and-set, so two threads can never both win it.
class FlagOcupada {
public:
    // Claims the flag when it is clear; false when someone holds it.
    bool tentar() { return !m_flag.exchange(true, std::memory_order_acquire); }
    // Waits until the flag is clear and claims it.
    void tomar() {
        while (!tentar())
            QThread::usleep(200);
    }
    void liberar() { m_flag.store(false, std::memory_order_release); }
    void esperarLivre() const {
        while (m_flag.load(std::memory_order_acquire))
            QThread::usleep(200);
    }
    bool ativa() const { return m_flag.load(std::memory_order_acquire); }
    // The flows set and clear it outright as well.
    void definir(bool v) { m_flag.store(v, std::memory_order_release); }
    operator bool() const { return ativa(); }

private:
    std::atomic<bool> m_flag{false};
};

// Holds a busy flag for a scope, waiting for it first: however the scope ends, even by an exception, the
// flag is let go, so no poll or closing worker is left waiting on it for ever.
class PosseOcupada {
public:
    explicit PosseOcupada(FlagOcupada& flag) : m_flag(flag) { m_flag.tomar(); }
    // For a flag already won with tentar().
    PosseOcupada(FlagOcupada& flag, std::adopt_lock_t) : m_flag(flag) {}
    ~PosseOcupada() { m_flag.liberar(); }
    PosseOcupada(const PosseOcupada&) = delete;
    PosseOcupada& operator=(const PosseOcupada&) = delete;

private:
    FlagOcupada& m_flag;
};

} // namespace portaris
