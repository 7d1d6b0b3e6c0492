#include "ServidorRemoto.h"

#include "platform/Relogio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace portaris {

namespace {

const QString kOcupada = QStringLiteral("Porta ocupada, tente novamente....");
const QString kNaoRespondeu = QStringLiteral("Porta não respondeu....");

class Escuta : public QTcpServer {
public:
    explicit Escuta(std::function<void(qintptr)> aoConectar) : m_aoConectar(std::move(aoConectar)) {}

protected:
    void incomingConnection(qintptr descritor) override { m_aoConectar(descritor); }

private:
    std::function<void(qintptr)> m_aoConectar;
};

QHostAddress clienteDe(qintptr descritor) {
    sockaddr_storage endereco{};
    socklen_t tamanho = sizeof endereco;
    if (::getpeername(static_cast<int>(descritor), reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0)
        return {};
    return QHostAddress(reinterpret_cast<const sockaddr*>(&endereco));
}

// A client that vanished without closing (power cut, a dropped link) is found by the kernel.
void manterVivo(qintptr descritor) {
    const int fd = static_cast<int>(descritor), sim = 1, ocioso = 60, intervalo = 10, tentativas = 3;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &sim, sizeof sim);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &ocioso, sizeof ocioso);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalo, sizeof intervalo);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &tentativas, sizeof tentativas);
}

} // namespace

QString TextoVisivel(const QString& texto) {
    QString s;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029)
            s += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            s += c;
    }
    return s;
}

QString EnderecoLegivel(const QHostAddress& endereco) {
    bool v4 = false;
    const quint32 ip4 = endereco.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip4).toString() : endereco.toString();
}

// One client: reads whole records, has the UI thread do each request's work, writes the replies.
class ConexaoRemota : public QThread {
public:
    ConexaoRemota(ServidorRemoto& servidor, qintptr descritor)
        : m_servidor(servidor), m_descritor(descritor) {}

protected:
    void run() override {
        try {
            servir();
        } catch (const std::exception& e) {
            m_servidor.registrarDeFora(ServidorRemoto::linha(QStringLiteral(" - Erro na conexão remota: ") +
                                                             QString::fromUtf8(e.what())));
        } catch (...) {
            m_servidor.registrarDeFora(ServidorRemoto::linha(QStringLiteral(" - Erro na conexão remota")));
        }
    }

private:
    bool encerrando() const { return m_servidor.m_encerrando.load(); }

    void servir() {
        QTcpSocket s;
        if (!s.setSocketDescriptor(m_descritor)) {
            ::close(static_cast<int>(m_descritor));
            m_servidor.registrarDeFora(
                ServidorRemoto::linha(QStringLiteral(" - Conexão remota perdida: ") + s.errorString()));
            return;
        }
        // Bytes wait in the kernel, not here: a client that sends faster than it is served is held
        // back by its TCP window instead of growing the program's memory.
        s.setReadBufferSize(RegistroRemoto::Tamanho * 16);
        m_endereco = EnderecoLegivel(s.peerAddress());
        m_servidor.registrarDeFora(ServidorRemoto::linha(QStringLiteral(" Conexão remota...")));
        QByteArray registro;
        registro.reserve(RegistroRemoto::Tamanho);
        QElapsedTimer ocioso;
        ocioso.start();
        bool calado = false;
        while (!encerrando()) {
            if (s.bytesAvailable() > 0) {
                registro += s.read(RegistroRemoto::Tamanho - registro.size());
                if (registro.size() < RegistroRemoto::Tamanho) continue;
                ocioso.restart();
                const bool seguir = tratar(s, registro);
                registro.clear();
                if (!seguir) break;
                continue;
            }
            resumirInvalidos(false);
            if (s.state() != QAbstractSocket::ConnectedState) break;
            // A client that holds a thread and two descriptors without asking anything is let go.
            if (ocioso.elapsed() > m_servidor.limiteOcioso()) {
                calado = true;
                break;
            }
            s.waitForReadyRead(100);
        }
        if (encerrando()) {
            s.abort();
            return;
        }
        resumirInvalidos(true);
        if (!registro.isEmpty())
            m_servidor.registrarDeFora(
                ServidorRemoto::linha(QStringLiteral(" - Registro incompleto descartado (%1 de %2 bytes)")
                                          .arg(registro.size())
                                          .arg(RegistroRemoto::Tamanho)));
        s.abort();
        if (calado)
            m_servidor.registrarDeFora(ServidorRemoto::linha(
                QStringLiteral(" - Conexão remota de %1 encerrada: nenhum pedido em %2 s")
                    .arg(m_endereco)
                    .arg(m_servidor.limiteOcioso() / 1000)));
        m_servidor.registrarDeFora(ServidorRemoto::linha(QStringLiteral(" Remoto desconectou...")));
    }

    // Bad records cost this thread only: the first of each second is logged in full, the rest are
    // counted and summed up once a second, so a flood cannot fill the UI thread's queue. Past a
    // thousand in a second the thread stops reading until the second is over (the sender is held
    // back by its TCP window); a client that keeps that up for a few seconds is let go. False then.
    bool invalido(const QString& detalhe) {
        if (m_resumo.isValid() && m_resumo.elapsed() < 1000) {
            if (++m_invalidos % ServidorRemoto::InvalidosPorSegundo != 0) return true;
            if (++m_segundosSaturados >= ServidorRemoto::SegundosDeEnxurrada) {
                resumirInvalidos(true);
                m_servidor.registrarDeFora(ServidorRemoto::linha(
                    QStringLiteral(" - Conexão remota de %1 encerrada: registros inválidos demais").arg(m_endereco)));
                return false;
            }
            for (qint64 falta = 1000 - m_resumo.elapsed(); falta > 0 && !encerrando(); falta -= 50)
                QThread::msleep(static_cast<unsigned long>(std::min<qint64>(falta, 50)));
            return true;
        }
        if (m_resumo.isValid() && m_resumo.elapsed() >= 2000) m_segundosSaturados = 0;
        resumirInvalidos(true);
        m_servidor.registrarDeFora(ServidorRemoto::linha(detalhe));
        m_resumo.start();
        return true;
    }
    void resumirInvalidos(bool agora) {
        if (m_invalidos == 0 || (!agora && m_resumo.isValid() && m_resumo.elapsed() < 1000)) return;
        m_servidor.registrarDeFora(ServidorRemoto::linha(
            QStringLiteral(" - %1 registros inválidos de %2").arg(QLocale(QLocale::Portuguese, QLocale::Brazil).toString(m_invalidos), m_endereco)));
        m_invalidos = 0;
        m_resumo.start();
    }

    // False when the connection is to end.
    bool tratar(QTcpSocket& s, const QByteArray& bytes) {
        const RegistroRemoto pedido = RegistroRemoto::decodificar(bytes);
        const QString comando = pedido[RegistroRemoto::Comando];
        if (!ServidorRemoto::comandoConhecido(comando))
            return invalido(QStringLiteral(" - Comando desconhecido ignorado: \"") + TextoVisivel(comando) + u'"');
        if (pedido.comprimentosCortados > 0 &&
            !invalido(QStringLiteral(" - Comprimento maior que o campo em %1 campo(s): lido só o espaço do campo")
                          .arg(pedido.comprimentosCortados)))
            return false;
        // Guessing passwords costs the guesser's own connection time, never the UI thread's.
        if (comando == QLatin1String("LOGIN") && m_loginRecusado.isValid()) {
            const qint64 falta = ServidorRemoto::EsperaAposLoginRecusadoMs - m_loginRecusado.elapsed();
            for (qint64 t = falta; t > 0 && !encerrando(); t -= 50)
                QThread::msleep(static_cast<unsigned long>(std::min<qint64>(t, 50)));
            if (encerrando()) return false;
        }
        ServidorRemoto::Resposta r;
        ServidorRemoto* servidor = &m_servidor;
        QMetaObject::invokeMethod(
            servidor,
            [&r, servidor, &pedido] {
                try {
                    r = servidor->atender(pedido);
                } catch (...) {
                    // Nothing may leave an event handler; the request goes unanswered, the client stays.
                    r = {};
                    r.atendido = true;
                }
            },
            Qt::BlockingQueuedConnection);
        if (!r.atendido) return false;
        if (comando == QLatin1String("LOGIN")) {
            const bool recusado = r.envios.size() == 1 &&
                                  RegistroRemoto::decodificar(r.envios.first().registro)[RegistroRemoto::Texto] ==
                                      QLatin1String("ERR");
            if (recusado)
                m_loginRecusado.start();
            else
                m_loginRecusado.invalidate();
        }
        for (const ServidorRemoto::Envio& envio : r.envios) {
            if (!enviar(s, envio.registro)) return false;
            m_servidor.registrarDeFora(ServidorRemoto::linha(envio.linha));
        }
        return true;
    }

    bool enviar(QTcpSocket& s, const QByteArray& registro) {
        if (s.state() != QAbstractSocket::ConnectedState) return false;
        s.write(registro);
        QElapsedTimer t;
        t.start();
        while (s.bytesToWrite() > 0) {
            if (s.waitForBytesWritten(100)) continue;
            if (s.state() != QAbstractSocket::ConnectedState || encerrando()) return false;
            if (t.elapsed() > ServidorRemoto::LimiteEnvioMs) {
                m_servidor.registrarDeFora(ServidorRemoto::linha(
                    QStringLiteral(" - Remoto não recebe as respostas: conexão encerrada")));
                return false;
            }
        }
        return true;
    }

    ServidorRemoto& m_servidor;
    qintptr m_descritor;
    QString m_endereco;
    QElapsedTimer m_resumo;
    qint64 m_invalidos = 0;
    int m_segundosSaturados = 0;
    QElapsedTimer m_loginRecusado;
};

ServidorRemoto::ServidorRemoto(ServicosRemotos servicos, QObject* parent)
    : QObject(parent), m_servicos(std::move(servicos)) {}

ServidorRemoto::~ServidorRemoto() {
    m_encerrando = true;
    if (m_escuta) m_escuta->close();
    // A thread may be waiting for its request to run here: its call is let through (atender answers
    // nothing now) until every thread has seen the flag and ended.
    for (auto& c : m_conexoes)
        while (!c->wait(5))
            QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_conexoes.clear();
}

bool ServidorRemoto::escutar(quint16 porta, const QHostAddress& endereco) {
    if (!m_escuta) m_escuta = std::make_unique<Escuta>([this](qintptr d) { novaConexao(d); });
    return m_escuta->listen(endereco, porta);
}

quint16 ServidorRemoto::porta() const {
    return m_escuta ? m_escuta->serverPort() : 0;
}
QString ServidorRemoto::erro() const {
    return m_escuta ? m_escuta->errorString() : QString();
}

int ServidorRemoto::conexoes() const {
    int n = 0;
    for (const auto& c : m_conexoes)
        n += c->isRunning() ? 1 : 0;
    return n;
}

void ServidorRemoto::novaConexao(qintptr descritor) {
    if (m_encerrando) {
        ::close(static_cast<int>(descritor));
        return;
    }
    const QHostAddress cliente = clienteDe(descritor);
    if (!m_permitidos.qualquerUm() && !m_permitidos.permite(cliente)) {
        ::close(static_cast<int>(descritor));
        registrar(linha(QStringLiteral(" Conexão remota recusada de %1: fora de [remoto] permitidos")
                            .arg(EnderecoLegivel(cliente))));
        return;
    }
    // Each client holds a thread and two descriptors: past the limit the next one is refused, so no
    // crowd of connections can exhaust the program's descriptors.
    if (conexoes() >= m_limiteConexoes) {
        ::close(static_cast<int>(descritor));
        registrar(linha(QStringLiteral(" Conexão remota recusada de %1: já há %2 conexões")
                            .arg(EnderecoLegivel(cliente))
                            .arg(m_limiteConexoes)));
        return;
    }
    manterVivo(descritor);
    auto c = std::make_unique<ConexaoRemota>(*this, descritor);
    ConexaoRemota* p = c.get();
    connect(
        p, &QThread::finished, this, [this, p] { encerrada(p); }, Qt::QueuedConnection);
    m_conexoes.push_back(std::move(c));
    p->start();
}

void ServidorRemoto::encerrada(ConexaoRemota* c) {
    if (m_encerrando) return;
    for (auto it = m_conexoes.begin(); it != m_conexoes.end(); ++it)
        if (it->get() == c) {
            (*it)->wait();
            m_conexoes.erase(it);
            return;
        }
}

void ServidorRemoto::registrarDeFora(const QString& texto) {
    if (m_naFila.fetch_add(1) >= LinhasNaFila) {
        --m_naFila;
        ++m_descartadas;
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, texto] {
            --m_naFila;
            if (const int n = m_descartadas.exchange(0))
                registrar(linha(QStringLiteral(" - %1 linhas do registro descartadas (fila cheia)").arg(n)));
            registrar(texto);
        },
        Qt::QueuedConnection);
}

void ServidorRemoto::registrar(const QString& texto) {
    if (m_encerrando || !m_servicos.registrar) return;
    try {
        m_servicos.registrar(texto);
    } catch (...) {
        // A log line is never worth a request.
    }
}

QString ServidorRemoto::linha(const QString& pecas) {
    return relogio().agora().toString(QStringLiteral("HH:mm:ss")) + pecas;
}

bool ServidorRemoto::comandoConhecido(const QString& comando) {
    return comando == QLatin1String("ABRIR") || comando == QLatin1String("LISTAR") ||
           comando == QLatin1String("LOGIN");
}

ServidorRemoto::Resposta ServidorRemoto::atender(const RegistroRemoto& pedido) {
    using R = RegistroRemoto;
    Resposta r;
    if (m_encerrando) return r;
    r.atendido = true;
    const QString comando = pedido[R::Comando];
    if (comando == QLatin1String("ABRIR")) {
        const QString lugar = pedido[R::Texto];
        if (lugar.isEmpty()) {
            r.envios << Envio{QByteArray(R::Tamanho, '\0'), QStringLiteral(" - Abriu: ")};
            return r;
        }
        quint8 erro = 1;
        QString falha;
        try {
            erro = m_servicos.abrir(pedido[R::Nome], pedido[R::Origem], pedido[R::Observacao], lugar,
                                    pedido[R::Destino]);
        } catch (const std::exception& e) {
            falha = QString::fromUtf8(e.what());
        } catch (...) {
            falha = QStringLiteral("erro inesperado");
        }
        registrar(linha(QStringLiteral(" - ") + QStringLiteral("Pediu p/ abrir") + QStringLiteral(" - ") +
                        TextoVisivel(lugar)));
        if (!falha.isEmpty()) registrar(linha(QStringLiteral(" - Falha ao abrir: ") + TextoVisivel(falha)));
        if (erro == LugarInexistente)
            registrar(linha(QStringLiteral(" - Nenhuma leitora desta estação se chama \"%1\"").arg(TextoVisivel(lugar))));
        const R resposta =
            erro == 0 ? R::resposta(QStringLiteral("RE:ABRIR"), QStringLiteral("Porta aberta com sucesso!"))
            : erro == PortaOcupada ? R::resposta(QStringLiteral("RE:ABRIR_f"), kOcupada)
                                   : R::resposta(QStringLiteral("RE:ABRIR_f"), kNaoRespondeu);
        r.envios << Envio{resposta.codificar(), QStringLiteral(" - Abriu: ") + resposta[R::Texto]};
    } else if (comando == QLatin1String("LISTAR")) {
        registrar(linha(QStringLiteral(" - ") + QStringLiteral("Pediu a lista de leitoras")));
        QStringList lugares;
        try {
            lugares = m_servicos.lugaresRemotos();
        } catch (...) {
        }
        for (const QString& lugar : lugares) {
            const QString nome = lugar.left(R::Espaco[R::Texto]);
            r.envios << Envio{R::resposta(QStringLiteral("RE:LISTAR"), nome).codificar(),
                              QStringLiteral(" - Enviando: ") + TextoVisivel(nome)};
        }
    } else if (comando == QLatin1String("LOGIN")) {
        // The login tried, never the password.
        registrar(linha(QStringLiteral(" - ") + QStringLiteral("Checar login") + QStringLiteral(" - ") +
                        TextoVisivel(pedido[R::Texto])));
        bool ok = false;
        try {
            ok = m_servicos.checarLogin(pedido[R::Texto], pedido[R::Senha]);
        } catch (...) {
            ok = false;
        }
        const QString texto = ok ? QStringLiteral("OKK") : QStringLiteral("ERR");
        r.envios << Envio{R::resposta(QStringLiteral("RE:LOGIN"), texto).codificar(),
                          QStringLiteral(" - Enviando: ") + texto};
    }
    return r;
}

} // namespace portaris
