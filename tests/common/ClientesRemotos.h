#pragma once
// Clients of the remote-control server for the fuzz and load runs (a test bounds them, the benchmark
// runs them in full). Each runs on a thread of its own with a blocking socket, on 127.0.0.1 only, and
// checks every reply it gets against the replies its own records call for, in order.
#include "remote/RegistroRemoto.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QRandomGenerator>
#include <QStringList>
#include <QTcpSocket>
#include <atomic>

namespace clientes_remotos {

using portaris::RegistroRemoto;

struct Fuzz {
    std::atomic<int> registros{0}; // whole records sent
    std::atomic<int> truncados{0}; // connections dropped in the middle of a record
    std::atomic<int> aberturas{0}; // well-formed ABRIR for the allowed place
    std::atomic<int> respostas{0}; // reply records received
    std::atomic<int> conexoes{0};
    std::atomic<int> erros{0}; // a reply missing, extra, out of order or the wrong size
    QMutex trava;
    QStringList detalhes; // the first few errors

    void erro(const QString& texto) {
        ++erros;
        QMutexLocker l(&trava);
        if (detalhes.size() < 5) detalhes << texto;
    }
};

struct Carga {
    std::atomic<int> respostas{0};
    std::atomic<int> falhas{0};
    QMutex trava;
    QList<double> ms; // request written → reply read, per ABRIR
};

inline bool conectar(QTcpSocket& s, quint16 porta) {
    s.connectToHost(QStringLiteral("127.0.0.1"), porta);
    return s.waitForConnected(5000);
}

inline bool lerBytes(QTcpSocket& s, QByteArray& destino, qint64 n, int ms) {
    QElapsedTimer t;
    t.start();
    while (s.bytesAvailable() < n) {
        if (t.elapsed() > ms) return false;
        if (!s.waitForReadyRead(50) && s.state() != QAbstractSocket::ConnectedState && s.bytesAvailable() < n)
            return false;
    }
    destino = s.read(n);
    return true;
}

// The reply commands a record calls for, in order; "" is the all-zero reply of ABRIR without a place.
inline QStringList respostasEsperadas(const QByteArray& registro, int lugaresRemotos) {
    const RegistroRemoto r = RegistroRemoto::decodificar(registro);
    const QString c = r[RegistroRemoto::Comando];
    if (c == QLatin1String("ABRIR"))
        return {r[RegistroRemoto::Texto].isEmpty() ? QString() : QStringLiteral("RE:ABRIR*")};
    if (c == QLatin1String("LOGIN")) return {QStringLiteral("RE:LOGIN")};
    if (c == QLatin1String("LISTAR")) {
        QStringList l;
        for (int i = 0; i < lugaresRemotos; ++i)
            l << QStringLiteral("RE:LISTAR");
        return l;
    }
    return {};
}

inline QByteArray pedido(const QString& comando, const QString& texto, const QString& nome = {},
                         const QString& destino = {}) {
    RegistroRemoto r;
    r[RegistroRemoto::Comando] = comando;
    r[RegistroRemoto::Texto] = texto;
    r[RegistroRemoto::Nome] = nome;
    r[RegistroRemoto::Destino] = destino;
    return r.codificar();
}

// One record of the fuzz: random bytes, a known command with random fields and lengths, or a
// well-formed request.
inline QByteArray registroAleatorio(QRandomGenerator& g, const QString& permitido, const QString& proibido) {
    const int tipo = g.bounded(100);
    if (tipo < 5) return pedido(QStringLiteral("ABRIR"), permitido, QStringLiteral("Fuzz"));
    if (tipo < 10) return pedido(QStringLiteral("ABRIR"), proibido, QStringLiteral("Fuzz"));
    if (tipo < 14) return pedido(QStringLiteral("LISTAR"), {});
    if (tipo < 18) return pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("x"));
    QByteArray r(RegistroRemoto::Tamanho, '\0');
    for (int i = 0; i < r.size(); ++i)
        r[i] = static_cast<char>(g.bounded(256));
    if (tipo < 60) {
        static const char* const comandos[] = {"ABRIR", "LISTAR", "LOGIN", "abrir", "ABRIR\x01", "RE:ABRIR"};
        const QByteArray c = comandos[g.bounded(6)];
        r[0] = static_cast<char>(c.size());
        r.replace(1, c.size(), c);
        // Short places most often, so some are empty; lengths past the room too.
        r[11] = static_cast<char>(g.bounded(4) == 0 ? g.bounded(3) : g.bounded(256));
    }
    return r;
}

// Sends `n` records in batches, reading each batch's replies before the next; now and then drops the
// connection in the middle of a record and connects again.
inline void clienteFuzz(quint16 porta, int n, quint32 semente, const QString& permitido,
                        const QString& proibido, int lugaresRemotos, int limiteMs, Fuzz& f) {
    QRandomGenerator g(semente);
    QElapsedTimer t;
    t.start();
    auto s = std::make_unique<QTcpSocket>();
    if (!conectar(*s, porta)) {
        f.erro(QStringLiteral("sem conexão"));
        return;
    }
    ++f.conexoes;
    int enviados = 0;
    for (int volta = 0; enviados < n && t.elapsed() < limiteMs; ++volta) {
        if (volta == 1 || g.bounded(100) < 3) {
            // Dropped in the middle of a record: the bytes so far are lost with the connection.
            QByteArray parte =
                registroAleatorio(g, permitido, proibido).left(1 + g.bounded(RegistroRemoto::Tamanho - 1));
            s->write(parte);
            s->waitForBytesWritten(1000);
            if (g.bounded(2))
                s->abort();
            else
                s->disconnectFromHost();
            ++f.truncados;
            s = std::make_unique<QTcpSocket>();
            if (!conectar(*s, porta)) {
                f.erro(QStringLiteral("sem nova conexão"));
                return;
            }
            ++f.conexoes;
            continue;
        }
        const int lote = 1 + g.bounded(20);
        QByteArray envio;
        QStringList esperadas;
        for (int i = 0; i < lote && enviados < n; ++i, ++enviados) {
            const QByteArray r = registroAleatorio(g, permitido, proibido);
            const RegistroRemoto d = RegistroRemoto::decodificar(r);
            if (d[RegistroRemoto::Comando] == QLatin1String("ABRIR") && d[RegistroRemoto::Texto] == permitido)
                ++f.aberturas;
            esperadas << respostasEsperadas(r, lugaresRemotos);
            envio += r;
        }
        s->write(envio);
        f.registros += static_cast<int>(envio.size() / RegistroRemoto::Tamanho);
        for (const QString& esperada : esperadas) {
            QByteArray resposta;
            if (!lerBytes(*s, resposta, RegistroRemoto::Tamanho, 30000)) {
                f.erro(QStringLiteral("resposta não chegou (esperada %1)").arg(esperada));
                return;
            }
            ++f.respostas;
            const QString comando = RegistroRemoto::decodificar(resposta)[RegistroRemoto::Comando];
            const bool ok = esperada.isEmpty()        ? resposta.count('\0') == RegistroRemoto::Tamanho
                            : esperada.endsWith(u'*') ? comando.startsWith(esperada.chopped(1))
                                                      : comando == esperada;
            if (!ok) f.erro(QStringLiteral("esperada %1, veio %2").arg(esperada, comando));
        }
    }
    // Nothing more may come: every record's replies were read.
    if (s->waitForReadyRead(100) || s->bytesAvailable() > 0) f.erro(QStringLiteral("resposta a mais"));
    s->disconnectFromHost();
}

// `n` ABRIR for `lugar`, one at a time, each reply awaited and timed.
inline void clienteCarga(quint16 porta, int n, const QString& lugar, Carga& c) {
    QTcpSocket s;
    if (!conectar(s, porta)) {
        c.falhas += n;
        return;
    }
    const QByteArray p = pedido(QStringLiteral("ABRIR"), lugar, QStringLiteral("Carga"));
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        t.start();
        s.write(p);
        QByteArray resposta;
        if (!lerBytes(s, resposta, RegistroRemoto::Tamanho, 60000)) {
            c.falhas += n - i;
            return;
        }
        const double ms = t.nsecsElapsed() / 1e6;
        if (RegistroRemoto::decodificar(resposta)[RegistroRemoto::Comando] == QLatin1String("RE:ABRIR")) {
            ++c.respostas;
        } else {
            ++c.falhas;
        }
        QMutexLocker l(&c.trava);
        c.ms << ms;
    }
    s.disconnectFromHost();
}

} // namespace clientes_remotos
