#pragma once
// This station's devices for the whole run: the port table, the device list in bring-up order and
// one polling timer per device that answered at start.
#include "devices/uControladora.h"
#include "devices/uLeitora64AX.h"
#include "devices/uLeitora71.h"
#include "devices/uSerialControla.h"

#include <QList>
#include <QTimer>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace portaris {

class TdmPORTARIS;
class MotorAcesso;

using Dispositivo = std::variant<TLeitora71*, TLeitora64AX*, TControladora*>;

class DispositivosEstacao;

// A device's polling timer: every 800 ms after the end of its previous tick.
class TMeuTimer : public QTimer {
    Q_OBJECT
public:
    static constexpr int Intervalo = 800;
    TMeuTimer(DispositivosEstacao& dispositivos, Dispositivo leiCTR, QObject* parent = nullptr);
    Dispositivo leiCTR;

    // Suspended timers are not restarted by the end of their own tick.
    void suspender();
    void retomar();
    bool emTick() const { return m_emTick; }

public slots:
    void OnMeuTimer();

private:
    DispositivosEstacao& m_disp;
    // A tick may be in progress under a dialog's event loop: it is never started twice.
    bool m_emTick = false;
    bool m_suspenso = false;
};

class DispositivosEstacao : public QObject {
    Q_OBJECT
public:
    explicit DispositivosEstacao(QObject* parent = nullptr);
    ~DispositivosEstacao() override;

    // Opens this station's device rows of setLEI, setLEI64 and setCNL, the ports they use and
    // creates one driver per enabled row (waits and probes included), then links mother readers.
    void Carregar(TdmPORTARIS& dm);
    // One started timer per device that answered; the card flows go to `motor`.
    void CriarTemporizadores(MotorAcesso& motor);
    // The engine the polls hand cards to, without timers (a caller that polls by itself).
    void definirMotor(MotorAcesso& motor) { m_motor = &motor; }
    // Disables / enables every timer, in list order (enabling also restarts stopped ones).
    void Suspender();
    void Retomar();
    void FECHAR_PORTAS() { portas.FECHAR_PORTAS(); }

    // The controller's event download, started by the loop when its schedule is due.
    std::function<void(TControladora&)> baixarEventos;
    // Stores a controller's waiting events and empties its area before new tables move the area;
    // false: nothing may be sent to it now. Unset: nothing is downloaded first.
    std::function<bool(TControladora&)> baixarAntesDeEnviar;
    // Every poll's answer of a device (0 = answered), for the status window.
    StatusLeitoras* status = nullptr;
    // An error that ended a tick; the timer stays stopped.
    std::function<void(const QString&)> aoErroTick;

    TabelaPortas portas;
    QList<Dispositivo> lista;
    QList<TMeuTimer*> temporizadores;
    MotorAcesso* motor() const { return m_motor; }

    // Polls one device once, as a tick does (exceptions leave).
    void Sondar(const Dispositivo& d);

private:
    std::vector<std::unique_ptr<TLeitora71>> m_leitoras71;
    std::vector<std::unique_ptr<TLeitora64AX>> m_leitoras64;
    std::vector<std::unique_ptr<TControladora>> m_controladoras;
    MotorAcesso* m_motor = nullptr;
    TdmPORTARIS* m_dm = nullptr;
    friend class TMeuTimer;
};

// A device's key, for the status window.
int ChaveDispositivo(const Dispositivo& d);
bool DispositivoRespondeu(const Dispositivo& d);

} // namespace portaris
