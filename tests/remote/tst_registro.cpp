// The remote-control record byte for byte, and the client allow-list.
#include "Bytes.h"
#include "remote/ListaPermitidos.h"
#include "remote/RegistroRemoto.h"

#include <QTest>

using namespace portaris;

namespace {

// Writes a field the way another program would: length byte, then the characters, at the offset.
void campo(QByteArray& r, int offset, int comprimento, const QByteArray& texto) {
    r[offset] = static_cast<char>(comprimento);
    r.replace(offset + 1, texto.size(), texto);
}

} // namespace

class TstRegistro : public QObject {
    Q_OBJECT

private slots:
    // A request built by hand at the documented offsets; the rooms past each length hold junk.
    void pedidoFeitoAMao() {
        QByteArray r(RegistroRemoto::Tamanho, 'x');
        campo(r, 0, 5, "ABRIR");
        campo(r, 11, 15, "Port\xE3o-Garagem\x95");
        campo(r, 112, 3, "Ana");
        campo(r, 183, 7, "Bloco B");
        campo(r, 209, 0, "");
        campo(r, 235, 25, QByteArray(25, 'd'));
        const RegistroRemoto p = RegistroRemoto::decodificar(r);
        QCOMPARE(p[RegistroRemoto::Comando], QStringLiteral("ABRIR"));
        QCOMPARE(p[RegistroRemoto::Texto], QStringLiteral("Portão-Garagem•"));
        QCOMPARE(p[RegistroRemoto::Nome], QStringLiteral("Ana"));
        QCOMPARE(p[RegistroRemoto::Origem], QStringLiteral("Bloco B"));
        QCOMPARE(p[RegistroRemoto::Observacao], QString());
        QCOMPARE(p[RegistroRemoto::Destino], QString(25, u'd'));
        QCOMPARE(p.comprimentosCortados, 0);
    }

    // The reply at its offsets: every byte not written by a field is zero.
    void respostaByteAByte() {
        QByteArray esperado(RegistroRemoto::Tamanho, '\0');
        campo(esperado, 0, 10, "RE:ABRIR_f");
        campo(esperado, 11, 23, "Porta n\xE3o respondeu....");
        COMPARAR_BYTES(
            RegistroRemoto::resposta(QStringLiteral("RE:ABRIR_f"), QStringLiteral("Porta não respondeu...."))
                .codificar(),
            esperado);

        QByteArray lista(RegistroRemoto::Tamanho, '\0');
        campo(lista, 0, 9, "RE:LISTAR");
        campo(lista, 11, 14, "Bloco A\xA9 Hall\x95");
        COMPARAR_BYTES(RegistroRemoto::resposta(QStringLiteral("RE:LISTAR"), QStringLiteral("Bloco A© Hall•"))
                           .codificar(),
                       lista);
    }

    // A length byte beyond its field's room reads the room only, never the next field.
    void comprimentoAlemDoEspaco_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("comprimento");
        QTest::addColumn<int>("indice");
        QTest::addColumn<int>("lidos");
        QTest::newRow("comando 11") << 0 << 11 << int(RegistroRemoto::Comando) << 10;
        QTest::newRow("texto 101") << 11 << 101 << int(RegistroRemoto::Texto) << 100;
        QTest::newRow("nome 255") << 112 << 255 << int(RegistroRemoto::Nome) << 70;
        QTest::newRow("origem 26") << 183 << 26 << int(RegistroRemoto::Origem) << 25;
        QTest::newRow("observação 200") << 209 << 200 << int(RegistroRemoto::Observacao) << 25;
        QTest::newRow("destino no fim do registro 255") << 235 << 255 << int(RegistroRemoto::Destino) << 25;
        QTest::newRow("exato não é cortado") << 112 << 70 << int(RegistroRemoto::Nome) << 70;
    }
    void comprimentoAlemDoEspaco() {
        QFETCH(int, offset);
        QFETCH(int, comprimento);
        QFETCH(int, indice);
        QFETCH(int, lidos);
        // Each field's room is filled with its own letter; the length bytes of the others are zero.
        QByteArray r(RegistroRemoto::Tamanho, '\0');
        for (int c = 0; c < RegistroRemoto::Campos; ++c)
            r.replace(RegistroRemoto::Posicao[c] + 1, RegistroRemoto::Espaco[c],
                      QByteArray(RegistroRemoto::Espaco[c], char('a' + c)));
        r[offset] = static_cast<char>(comprimento);
        const RegistroRemoto p = RegistroRemoto::decodificar(r);
        const QString lido = p.campos[indice];
        QCOMPARE(lido, QString(lidos, QChar(u'a' + indice)));
        QCOMPARE(p.comprimentosCortados, comprimento > lidos ? 1 : 0);
        for (int c = 0; c < RegistroRemoto::Campos; ++c)
            if (c != indice) QVERIFY(p.campos[c].isEmpty());
    }

    // A text longer than its room is cut to it; characters outside the code page become '?'.
    void textoLongoCortado() {
        RegistroRemoto r;
        r[RegistroRemoto::Comando] = QStringLiteral("RE:LISTAR-MAIS");
        r[RegistroRemoto::Nome] = QString(80, u'n');
        r[RegistroRemoto::Destino] = QStringLiteral("Ωx");
        const QByteArray b = r.codificar();
        QCOMPARE(b.size(), RegistroRemoto::Tamanho);
        QCOMPARE(int(b[0]), 10);
        QCOMPARE(b.mid(1, 10), QByteArray("RE:LISTAR-"));
        QCOMPARE(int(b[112]), 70);
        QCOMPARE(b.mid(113, 70), QByteArray(70, 'n'));
        QCOMPARE(int(b[183]), 0); // the name never spills into the origin
        QCOMPARE(b.mid(235, 3), QByteArray("\x02?x"));
        const RegistroRemoto de = RegistroRemoto::decodificar(b);
        QCOMPARE(de[RegistroRemoto::Nome], QString(70, u'n'));
    }

    void permitidos_data() {
        QTest::addColumn<QString>("lista");
        QTest::addColumn<QString>("cliente");
        QTest::addColumn<bool>("permite");
        QTest::newRow("vazia: qualquer um") << ""
                                            << "203.0.113.9" << true;
        QTest::newRow("só vírgulas e espaços: qualquer um") << " , ,"
                                                            << "203.0.113.9" << true;
        QTest::newRow("endereço exato") << "192.168.0.7"
                                        << "192.168.0.7" << true;
        QTest::newRow("endereço vizinho") << "192.168.0.7"
                                          << "192.168.0.8" << false;
        QTest::newRow("faixa, primeiro") << "10.1.0.0/16"
                                         << "10.1.0.0" << true;
        QTest::newRow("faixa, último") << "10.1.0.0/16"
                                       << "10.1.255.255" << true;
        QTest::newRow("fora da faixa") << "10.1.0.0/16"
                                       << "10.2.0.0" << false;
        QTest::newRow("IPv4 num servidor de duas pilhas") << "127.0.0.1"
                                                          << "::ffff:127.0.0.1" << true;
        QTest::newRow("faixa escrita como ::ffff:") << "::ffff:10.0.0.0/104"
                                                    << "10.9.9.9" << true;
        QTest::newRow("IPv6") << "fd00::/8"
                              << "fd12::1" << true;
        QTest::newRow("IPv6 de fora") << "fd00::/8"
                                      << "fe80::1" << false;
        QTest::newRow("::1 não é 127.0.0.1") << "127.0.0.1"
                                             << "::1" << false;
        QTest::newRow("entre espaços, segundo item") << " 10.0.0.1 , 127.0.0.0/8 "
                                                     << "127.0.0.5" << true;
        QTest::newRow("item inválido não bloqueia os outros") << "casa, 127.0.0.1"
                                                              << "127.0.0.1" << true;
        QTest::newRow("só itens inválidos: ninguém") << "casa, 300.1.1.1, 10.0.0.0/40"
                                                     << "127.0.0.1" << false;
    }
    void permitidos() {
        QFETCH(QString, lista);
        QFETCH(QString, cliente);
        QFETCH(bool, permite);
        QCOMPARE(ListaPermitidos(lista).permite(QHostAddress(cliente)), permite);
    }

    void permitidosInvalidos() {
        const ListaPermitidos l(QStringLiteral("casa, 127.0.0.1, 300.1.1.1, 10.0.0.0/40"));
        QCOMPARE(l.invalidas(), (QStringList{"casa", "300.1.1.1", "10.0.0.0/40"}));
        QVERIFY(!l.qualquerUm());
    }
};

QTEST_GUILESS_MAIN(TstRegistro)
#include "tst_registro.moc"
