// portaris-remoto: asks a station's remote-control server to open a door, list its reading points or
// check a login, and prints each reply record as "command<TAB>text".
#include "remote/RegistroRemoto.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTextStream>

using namespace portaris;

namespace {

constexpr int Uso = 64, Recusado = 1, SemConexao = 2;

int uso(QTextStream& err) {
    err << "uso: portaris-remoto [--host H] [--porta N] [--limite MS] COMANDO ...\n"
           "  ABRIR <lugar> [nome] [origem] [observação] [destino]\n"
           "  LISTAR\n"
           "  LOGIN <login> <senha>\n"
           "  --host     endereço da estação (127.0.0.1)\n"
           "  --porta    porta do servidor ([remoto] porta da estação, 4005)\n"
           "  --limite   espera máxima por cada resposta, em ms (30000)\n"
           "saída 0: aberta / OKK / lista recebida; 1: RE:ABRIR_f, ERR ou registro vazio; 2: sem conexão ou "
           "sem resposta\n";
    err.flush();
    return Uso;
}

// Waits for one whole record; false when none came within `ms` or the station hung up.
bool lerRegistro(QTcpSocket& s, QByteArray& registro, int ms) {
    QElapsedTimer t;
    t.start();
    while (s.bytesAvailable() < RegistroRemoto::Tamanho) {
        const qint64 resta = ms - t.elapsed();
        if (resta <= 0 || !s.waitForReadyRead(static_cast<int>(resta))) {
            if (s.bytesAvailable() >= RegistroRemoto::Tamanho) break;
            return false;
        }
    }
    registro = s.read(RegistroRemoto::Tamanho);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    QStringList a = app.arguments().mid(1);
    QString host = QStringLiteral("127.0.0.1");
    int porta = 4005, limite = 30000;
    while (!a.isEmpty() && a.first().startsWith(QLatin1String("--"))) {
        const QString opcao = a.takeFirst();
        if (a.isEmpty()) return uso(err);
        const QString valor = a.takeFirst();
        bool ok = true;
        if (opcao == QLatin1String("--host"))
            host = valor;
        else if (opcao == QLatin1String("--porta"))
            porta = valor.toInt(&ok);
        else if (opcao == QLatin1String("--limite"))
            limite = valor.toInt(&ok);
        else
            return uso(err);
        if (!ok) return uso(err);
    }
    if (a.isEmpty()) return uso(err);
    const QString comando = a.takeFirst().toUpper();
    RegistroRemoto pedido;
    pedido[RegistroRemoto::Comando] = comando;
    if (comando == QLatin1String("ABRIR") && !a.isEmpty() && a.size() <= 5) {
        pedido[RegistroRemoto::Texto] = a.value(0);
        pedido[RegistroRemoto::Nome] = a.value(1);
        pedido[RegistroRemoto::Origem] = a.value(2);
        pedido[RegistroRemoto::Observacao] = a.value(3);
        pedido[RegistroRemoto::Destino] = a.value(4);
    } else if (comando == QLatin1String("LOGIN") && a.size() == 2) {
        pedido[RegistroRemoto::Texto] = a.value(0);
        pedido[RegistroRemoto::Senha] = a.value(1);
    } else if (comando != QLatin1String("LISTAR") || !a.isEmpty()) {
        return uso(err);
    }

    QTcpSocket s;
    s.connectToHost(host, static_cast<quint16>(porta));
    if (!s.waitForConnected(limite)) {
        err << "portaris-remoto: sem conexão com " << host << ':' << porta << ": " << s.errorString() << '\n';
        return SemConexao;
    }
    QByteArray envio = pedido.codificar();
    // The list has no end mark of its own: an ABRIR without a place follows it, and its empty reply
    // (which opens nothing) closes the list.
    const bool listar = comando == QLatin1String("LISTAR");
    if (listar) envio += RegistroRemoto::resposta(QStringLiteral("ABRIR"), QString()).codificar();
    s.write(envio);
    if (!s.waitForBytesWritten(limite)) {
        err << "portaris-remoto: envio falhou: " << s.errorString() << '\n';
        return SemConexao;
    }

    int codigo = 0;
    for (QByteArray bytes;;) {
        if (!lerRegistro(s, bytes, limite)) {
            err << "portaris-remoto: sem resposta da estação\n";
            return SemConexao;
        }
        const bool vazio = bytes.count('\0') == RegistroRemoto::Tamanho;
        if (listar && vazio) break;
        const RegistroRemoto r = RegistroRemoto::decodificar(bytes);
        if (vazio) {
            out << "(registro vazio)\n";
            codigo = Recusado;
        } else {
            out << r[RegistroRemoto::Comando] << '\t' << r[RegistroRemoto::Texto] << '\n';
            if (r[RegistroRemoto::Comando] == QLatin1String("RE:ABRIR_f") ||
                (r[RegistroRemoto::Comando] == QLatin1String("RE:LOGIN") &&
                 r[RegistroRemoto::Texto] != QLatin1String("OKK")))
                codigo = Recusado;
        }
        out.flush();
        if (!listar) break;
    }
    s.disconnectFromHost();
    if (s.state() != QAbstractSocket::UnconnectedState) s.waitForDisconnected(1000);
    return codigo;
}
