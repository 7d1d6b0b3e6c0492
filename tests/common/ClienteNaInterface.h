#pragma once
// A remote-control client on the test's own thread, which is the UI thread the server hands its
// requests to: while the client waits, the event loop runs them.
#include "remote/RegistroRemoto.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

// Runs the event loop (so the server's requests run) until `feito` or `ms` have passed. Unlike
// QTest::qWaitFor it does not sleep between rounds, which would pace every request.
template <class F> bool esperar(F feito, int ms = 5000) {
    QTimer acordar;
    acordar.start(5);
    QElapsedTimer t;
    t.start();
    while (!feito()) {
        if (t.elapsed() > ms) return feito();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Cliente {
    QTcpSocket s;
    bool conectar(quint16 porta) {
        s.connectToHost(QHostAddress::LocalHost, porta);
        return esperar([&] { return s.state() == QAbstractSocket::ConnectedState; });
    }
    void enviar(const QByteArray& b) {
        s.write(b);
        s.flush();
    }
    QByteArray receber(int ms = 10000) {
        esperar([&] { return s.bytesAvailable() >= portaris::RegistroRemoto::Tamanho; }, ms);
        return s.bytesAvailable() >= portaris::RegistroRemoto::Tamanho
                   ? s.read(portaris::RegistroRemoto::Tamanho)
                   : QByteArray();
    }
    portaris::RegistroRemoto resposta(int ms = 10000) {
        return portaris::RegistroRemoto::decodificar(receber(ms));
    }
    // Nothing arrives within `ms` and the line is still open.
    bool calado(int ms = 300) {
        QTest::qWait(ms);
        return s.bytesAvailable() == 0;
    }
};
