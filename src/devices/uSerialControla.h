#pragma once
// Serial lines: exclusive open, raw 8N1, all-or-nothing transfers with the line's time limits, and a
// lock per line that a driver holds for a whole command and its reply.
#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

namespace portaris {

class LinhaSerial {
public:
    ~LinhaSerial();
    LinhaSerial(const LinhaSerial&) = delete;
    LinhaSerial& operator=(const LinhaSerial&) = delete;

    // Opens a device path; null when it cannot be opened or this program already holds it.
    static std::shared_ptr<LinhaSerial> abrir(const QString& caminho, int baud);
    // Why the last abrir() of this thread failed: the system's errno (EACCES: no permission), 0 otherwise.
    static int ultimoErro();

    const QString& caminho() const { return m_caminho; }
    bool aberta() const;
    void fechar();
    // Discards pending input, and output only when a write left some behind (see escrever).
    void limpar();
    // Returns once the driver's output queue is empty, within the write's limit: a relay command has no
    // reply to show it was lost, so the next purge must find nothing of it left to drop.
    bool escrever(const void* bytes, int n, int& escritos);
    bool ler(void* destino, int n, int& lidos);

    // Held for a whole exchange (command and reply), from any thread; may be taken again by its holder.
    QRecursiveMutex& trava() { return m_trava; }

    // Time limits (ms): between two bytes of a read, and the fixed and per-byte parts of a transfer.
    static constexpr int IntervaloLeitura = 500;
    static constexpr int LimiteFixo = 500;
    static constexpr int LimitePorByte = 10;

private:
    LinhaSerial(int fd, QString caminho, QString chave);
    void fecharSemTrava();
    int drenar(const QElapsedTimer& desde, qint64 limite);

    int m_fd;
    QString m_caminho;
    QString m_chave;
    bool m_saidaPendente = false;
    QRecursiveMutex m_trava;
};

using SerialLine = LinhaSerial;

// The port handle: null means no port open (none or invalid alike). Drivers hold copies; closing the
// line makes every copy fail its transfers instead of reaching a stale descriptor.
using PortaSerial = std::shared_ptr<LinhaSerial>;

PortaSerial AbrirPortaSerial(int porta, int baud);
void FecharPortaSerial(PortaSerial& handle);
void LimparPorta(const PortaSerial& handle);
bool EscreverBytes(const PortaSerial& handle, const void* bytes, int n, int& escritos);
bool LerBytes(const PortaSerial& handle, void* destino, int n, int& lidos);

inline bool PortaValida(const PortaSerial& handle) {
    return handle && handle->aberta();
}

// RAII hold of a line's lock; a null handle holds nothing.
class TravaLinha {
public:
    explicit TravaLinha(const PortaSerial& handle) : m_linha(handle) {
        if (m_linha) m_linha->trava().lock();
    }
    ~TravaLinha() {
        if (m_linha) m_linha->trava().unlock();
    }
    TravaLinha(const TravaLinha&) = delete;
    TravaLinha& operator=(const TravaLinha&) = delete;

private:
    PortaSerial m_linha;
};

// "COM3" → 3; -1 when the text names no port. Characters after "COM", at most three digits.
int NumeroPortaSerial(const QString& serial);

// The nine lines COM1–COM9 of this station, each opened at most once however many devices use it.
class TabelaPortas {
public:
    static constexpr int Quantidade = 9;

    void marcarUsada(int porta);
    bool usada(int porta) const;
    // ABRIR_PORTAS: opens every port marked used; an unopenable port keeps an invalid (null) handle.
    void ABRIR_PORTAS(int baud = 19200);
    // FECHAR_PORTAS: closes every open handle.
    void FECHAR_PORTAS();
    // The handle of COMn; null outside COM1–COM9, for ports not open, and for unused ports.
    PortaSerial handle(int porta) const;
    // Stores a handle opened elsewhere (configuration commands keep their own).
    void definir(int porta, PortaSerial handle);
    // The lines this user may not open (not in the group that owns serial devices), each said in a
    // sentence that names the line and what to do.
    QStringList SemPermissao() const;

private:
    struct Entrada {
        bool usada = false;
        PortaSerial handle;
        bool semPermissao = false;
    };
    std::array<Entrada, Quantidade> m_entradas{};
};

} // namespace portaris
