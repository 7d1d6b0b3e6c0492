#pragma once
// The worker that closes a gate when the station is in charge of closing, by time or by the presence
// sensor. It waits on its own thread; its two closing operations run on the UI thread.
#include <QThread>
#include <atomic>

namespace portaris {

class TLeitora64AX;

class TBateRele : public QThread {
    Q_OBJECT
public:
    // Creates and starts a worker; it frees itself when its run ends.
    static TBateRele* Iniciar(TLeitora64AX& leitora, qint32 atraso);

    TLeitora64AX& Leitora;
    const qint32 Atraso;

    // Executed on the UI thread on the worker's behalf.
    void FecharPorTempo();
    void FecharPorSensor();

protected:
    void run() override;

private:
    TBateRele(TLeitora64AX& leitora, qint32 atraso);
    void dormir(qint32 ms);
    void naInterface(void (TBateRele::*operacao)());
    std::atomic<bool> m_terminar{false};
};

} // namespace portaris
