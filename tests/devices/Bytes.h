#pragma once
// Golden byte vectors: build them readably, compare them with a hex diff.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTest>
#include <initializer_list>

inline QByteArray bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(static_cast<char>(x));
    return b;
}

inline QByteArray quadroDe(int endereco, int letra, const QByteArray& dados) {
    QByteArray q = bytes({2, endereco, 30, letra, static_cast<int>(dados.size()), 28});
    q += dados;
    q += char(3);
    quint8 s = 0;
    for (char c : q)
        s = static_cast<quint8>(s + static_cast<quint8>(c));
    q += char(s);
    q += char(4);
    return q;
}

// A reply frame as the devices send it: STX addr RS N FS data ETX sum EOT (sum over all before it).
inline QByteArray respostaDe(int endereco, const QByteArray& dados) {
    QByteArray q = bytes({2, endereco, 30, static_cast<int>(dados.size()), 28});
    q += dados;
    q += char(3);
    quint8 s = 0;
    for (char c : q)
        s = static_cast<quint8>(s + static_cast<quint8>(c));
    q += char(s);
    q += char(4);
    return q;
}

inline QString diffHex(const QByteArray& obtido, const QByteArray& esperado) {
    QStringList linhas;
    const int n = std::max(obtido.size(), esperado.size());
    for (int i = 0; i < n; i += 16) {
        const QByteArray a = obtido.mid(i, 16), b = esperado.mid(i, 16);
        const QString marca = a == b ? QStringLiteral("  ") : QStringLiteral("!!");
        linhas << QStringLiteral("%1 %2 obtido:   %3")
                      .arg(marca)
                      .arg(i, 4, 10, QLatin1Char('0'))
                      .arg(QString::fromLatin1(a.toHex(' ')));
        if (a != b) linhas << QStringLiteral("        esperado: %1").arg(QString::fromLatin1(b.toHex(' ')));
    }
    return linhas.join(QLatin1Char('\n'));
}

#define COMPARAR_BYTES(obtido, esperado)                                                                     \
    do {                                                                                                     \
        const QByteArray _o = (obtido), _e = (esperado);                                                     \
        if (_o != _e) QFAIL(qPrintable(QStringLiteral("bytes differ\n") + diffHex(_o, _e)));                 \
    } while (0)

// The far end's bytes, compared once a marker written after them has come through (the driver's write has
// left, but the terminal delivers it on its own time). A closed line: once as many as expected have come.
#define ESPERAR_BYTES(par, porta, esperado)                                                                  \
    do {                                                                                                     \
        const QByteArray _esperado = (esperado), _marca("\xA5\x5A\xA5\x5A");                                   \
        int _n = 0;                                                                                          \
        if (PortaValida(porta) && EscreverBytes(porta, _marca.constData(), 4, _n)) {                          \
            QVERIFY(QTest::qWaitFor([&] { return (par).recebido().endsWith(_marca); }));                    \
            COMPARAR_BYTES((par).recebido().chopped(4), _esperado);                                          \
        } else {                                                                                             \
            QVERIFY(QTest::qWaitFor([&] { return (par).recebido().size() >= _esperado.size(); }));         \
            COMPARAR_BYTES((par).recebido(), _esperado);                                                     \
        }                                                                                                    \
    } while (0)
