#pragma once
// Stand-in for the RFID devices on pseudo-terminals: one bus per pty, devices found by head address,
// faults on demand and a log of every byte that crossed a line.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

namespace portaris::sim {

enum class Modelo { Leitora71, Leitora64AX, Controladora };

struct Registro {      // one line of the simulator's log
    qint64 ms;         // milliseconds since the simulator started (monotonic)
    int com;           // bus (COMn number it was announced as)
    int cabeca;        // head address concerned, -1 when unknown
    QString evento;    // "rx", "tx", "rele", "beep", "reinicio", "intercalado", "falha", "erro", "descartado"
    QByteArray bytes;  // raw bytes for rx/tx
    QString descricao; // human text: command decoded, relay/door and duration, ...
};

class Simulador {
public:
    explicit Simulador(int baud = 19200, bool ritmo = false); // ritmo: pace every byte at 10 bits per byte
    ~Simulador();                                             // stops its threads, closes the ptys
    Simulador(const Simulador&) = delete;
    Simulador& operator=(const Simulador&) = delete;

    QString abrirBarramento(int com); // creates a pty bus, returns the slave path to open (empty on failure)
    void adicionar(int com, Modelo modelo, int cabeca); // a device on that bus (opens the bus when needed)
    QString comando(const QString& linha); // one console command (README); "ok", "erro: <why>" or an answer
    QList<Registro> registros() const;     // thread-safe copy of the log
    void limparRegistros();
    int intercalacoes() const; // exchanges on one line that interleaved with another

    // Additions for the program and the tests.
    QString caminho(int com) const;                                 // empty when the bus does not exist
    QList<int> barramentos() const;                                 // COM numbers, ascending
    void aoRegistrar(std::function<void(const Registro&)> ouvinte); // called on the serving thread
    int contar(const QString& evento, int com = -1, int cabeca = -1) const;

    static std::optional<Modelo> modeloPorNome(const QString& nome); // "qx71", "qx64ax", "qx64c"
    static QString nomeDoModelo(Modelo m);
    static QString formatar(const Registro& r); // one log line as the console prints it

private:
    struct Estado;
    std::unique_ptr<Estado> d;
};

} // namespace portaris::sim
