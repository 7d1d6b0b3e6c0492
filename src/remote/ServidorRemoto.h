#pragma once
// The remote-control server: TCP, one thread per client that reads and writes whole records. The work
// of a request (doors, database, the status grid, the log) runs on the UI thread, as the polling loop's
// does, while the client's thread waits; so nothing a client sends can meet a card flow half-way.
#include "ListaPermitidos.h"
#include "RegistroRemoto.h"

#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QTcpServer;

namespace portaris {

// What the requests need from the station; each is called on the UI thread and must not throw.
struct ServicosRemotos {
    // The opening without card for a remote station: its error byte (0 opened, 119 busy).
    std::function<quint8(const QString& nome, const QString& origem, const QString& observacao,
                         const QString& lugar, const QString& destino)>
        abrir;
    // The login check; false also when the database cannot be reached.
    std::function<bool(const QString& login, const QString& senha)> checarLogin;
    // The marked names of the reading points that may be opened remotely, in grid order.
    std::function<QStringList()> lugaresRemotos;
    // One line for the server log, its time already in front.
    std::function<void(const QString& linha)> registrar;
};

class ConexaoRemota;

class ServidorRemoto : public QObject {
    Q_OBJECT
public:
    static constexpr quint8 PortaOcupada = 119;
    // The opening found no reading point of that name at this station.
    static constexpr quint8 LugarInexistente = 254;
    // A client that does not take its replies for this long is disconnected.
    static constexpr int LimiteEnvioMs = 10000;
    // Clients served at once; the next is refused until one leaves.
    static constexpr int LimiteConexoesPadrao = 32;
    // A client that sends no whole record for this long is disconnected.
    static constexpr int LimiteOciosoPadraoMs = 180000;
    // A LOGIN after a refused one waits this long on its connection's thread.
    static constexpr int EsperaAposLoginRecusadoMs = 1000;
    // Bad records a connection may send in a second before its thread stops reading until the next.
    static constexpr int InvalidosPorSegundo = 1000;
    // Seconds of that in a row before the connection is closed.
    static constexpr int SegundosDeEnxurrada = 3;
    // Lines waiting for the UI thread; more are counted and dropped.
    static constexpr int LinhasNaFila = 500;

    explicit ServidorRemoto(ServicosRemotos servicos, QObject* parent = nullptr);
    // Stops listening and ends every client's thread; a request not yet run is not run.
    ~ServidorRemoto() override;

    void definirPermitidos(const ListaPermitidos& lista) { m_permitidos = lista; }
    void definirLimiteConexoes(int n) { m_limiteConexoes = n; }
    void definirLimiteOcioso(int ms) { m_limiteOciosoMs = ms; }
    int limiteOcioso() const { return m_limiteOciosoMs; }
    // Listens on `porta` (0: any free port); false with erro() when it cannot.
    bool escutar(quint16 porta, const QHostAddress& endereco = QHostAddress::Any);
    quint16 porta() const;
    QString erro() const;
    // Client threads still running.
    int conexoes() const;

    // One reply record and the log line written once it has been sent.
    struct Envio {
        QByteArray registro;
        QString linha;
    };
    struct Resposta {
        bool atendido = false; // false: the server is closing, nothing is sent
        QList<Envio> envios;
    };
    // The UI thread's part of one request of a known command.
    Resposta atender(const RegistroRemoto& pedido);

    static bool comandoConhecido(const QString& comando);
    // The current time "HH:mm:ss" followed directly by `pecas`.
    static QString linha(const QString& pecas);

private:
    friend class ConexaoRemota;
    void novaConexao(qintptr descritor);
    void encerrada(ConexaoRemota* c);
    // From any thread; the line reaches the log in the order the thread posted it.
    void registrarDeFora(const QString& linha);
    void registrar(const QString& linha);

    ServicosRemotos m_servicos;
    ListaPermitidos m_permitidos;
    std::unique_ptr<QTcpServer> m_escuta;
    std::vector<std::unique_ptr<ConexaoRemota>> m_conexoes;
    std::atomic<bool> m_encerrando{false};
    std::atomic<int> m_limiteOciosoMs{LimiteOciosoPadraoMs};
    int m_limiteConexoes = LimiteConexoesPadrao;
    std::atomic<int> m_naFila{0};
    std::atomic<int> m_descartadas{0};
};

// An address as the log shows it: an IPv4 client of the dual-stack listener as IPv4.
QString EnderecoLegivel(const QHostAddress& endereco);
// Text as the log may show it: control characters spelled out, so no field can write lines of its own.
QString TextoVisivel(const QString& texto);

} // namespace portaris
