// The remote-control server inside the status window, on a real station: TCP on 127.0.0.1, the
// simulator's devices on pseudo-terminals, the embedded database, the engine; portaris-remoto as a
// second client.
#include "Bytes.h"
#include "ClienteNaInterface.h"
#include "ClientesRemotos.h"
#include "EstacaoTeste.h"
#include "ServidorPrivado.h"
#include "platform/LogEventos.h"
#include "remote/ServidorRemoto.h"
#include "remote/uStatusLeitoras.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <thread>

using namespace portaris;
using clientes_remotos::pedido;

namespace {

const QString kAna = QStringLiteral("00000A0001");
const QString kZeros(RegistroRemoto::Tamanho, QChar(u'\0'));

QString lerLog() {
    QFile f(CaminhoLog());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString comandoETexto(const RegistroRemoto& r) {
    return r[RegistroRemoto::Comando] + u'|' + r[RegistroRemoto::Texto];
}

// Connection threads of this process blocked on a lock or a semaphore (the futex call), as the kernel shows
// them: a client's thread waiting for the UI thread to serve its request is one of them.
int conexoesBloqueadas() {
    int n = 0;
    for (const QString& t : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile nome(QStringLiteral("/proc/self/task/%1/comm").arg(t)), chamada(QStringLiteral("/proc/self/task/%1/syscall").arg(t));
        if (!nome.open(QIODevice::ReadOnly) || nome.readAll().trimmed() != "QThread") continue;
        if (chamada.open(QIODevice::ReadOnly) && chamada.readAll().startsWith("202 ")) ++n; // futex on x86-64
    }
    return n;
}

// The bytes of the server's end of a loopback connection, from the kernel's table: queued for the server
// to read (rx) and, seen from the client's end, sent but not yet taken in (tx). -1 when not found.
int filaDoServidor(quint16 portaCliente) {
    const QString local = QStringLiteral(":%1 ").arg(portaCliente, 4, 16, QLatin1Char('0')).toUpper();
    for (const char* tabela : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile f(QString::fromLatin1(tabela));
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& l : f.readAll().split('\n')) {
            const QStringList c = QString::fromLatin1(l).simplified().split(QLatin1Char(' '));
            if (c.size() < 5 || !(c[2] + QLatin1Char(' ')).endsWith(local)) continue; // remote = the client
            return c[4].section(QLatin1Char(':'), 1).toInt(nullptr, 16);
        }
    }
    return -1;
}

} // namespace

class TstServidorRemoto : public QObject {
    Q_OBJECT
    std::unique_ptr<EstacaoTeste> e;
    std::unique_ptr<TfmSTATUS> w;

    // Passive reader "Portaria" (COM1), gate "Portão-Garagem" (COM2), controller "Bloco A" (COM3), all of
    // this station; the reader and the gate allow remote control unless told otherwise. A second passive
    // reader "Recepção" on COM4 never allows it. The clock stands on Tuesday 07/05/2024 14:32.
    void semear(const QString& leitora, const QString& portao) {
        e->sql(QStringLiteral(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, CONFIRMARACESSO, "
            "IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO, VISUALIZAR, POSICAO, "
            "ID_LEITORAMAE) "
            "VALUES (100, 200, 'Portaria', 'COM1', '0A0B0C0D', '0', '0', '0', '0', '1', '1', '0', 'N', 0)"));
        e->sql(QStringLiteral(
            "INSERT INTO LEITORA64 (CHAVE, CABECA, DESCRICAO, DESCRICAO01, SERIAL, SERIALNUM, RELE, "
            "DESABILITAR, "
            "CONFIRMARACESSO, IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO, VISUALIZAR, "
            "TFECHAMENTO, FECHARPOS, PARAABREAUTO, DESLIGARPOR, POSICAO_L1, ACIONAMENTO, ID_LEITORAMAE) "
            "VALUES "
            "(101, 170, 'Garagem', 'Portão', 'COM2', '0A0B0C0D', 500, '0', '0', '0', '0', '1', '1', '0', 0, "
            "5, "
            "'0', 0, 'N', 0, 0)"));
        e->sql(QStringLiteral(
            "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
            "CONFIRMARACESSO, VISUALIZAR, PORTA01, PORTA02, PORTA03, PORTA04, RELEP1, RELEP2, RELEP3, "
            "RELEP4, "
            "FREQDOWN, ONLINE) VALUES (102, 1, 'Bloco A', 'COM3', '0A0B0C0D', '0', '0', '0', 'Social', "
            "'Servico', '', '', 1, 2, 3, 4, 0, '0')"));
        e->sql(QStringLiteral(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, CONFIRMARACESSO, "
            "IGNORARDESC, NAOBATERELE, PERMITIRREINGRESSO, PERMITIRREMOTO, VISUALIZAR, POSICAO, "
            "ID_LEITORAMAE) "
            "VALUES (103, 200, 'Recepção', 'COM4', '0A0B0C0D', '0', '0', '0', '0', '1', '0', '0', 'N', 0)"));
        if (!leitora.isEmpty())
            e->sql(QStringLiteral("UPDATE LEITORA SET ") + leitora + " WHERE CHAVE = 100");
        if (!portao.isEmpty()) e->sql(QStringLiteral("UPDATE LEITORA64 SET ") + portao);
        e->sql(titular(1, kAna, QStringLiteral("Ana"), {100, 101, 103}));
    }

    void preparar(const QString& leitora = {}, const QString& portao = {}, bool temporizadores = false) {
        ArquivoIni::config().GravarTexto(QStringLiteral("portas"), QStringLiteral("com4"),
                                         e->sim.abrirBarramento(4));
        e->sim.adicionar(4, sim::Modelo::Leitora71, 200);
        semear(leitora, portao);
        e->iniciar(temporizadores);
        e->motor->definirJanelaRepeticao(0);
        QCOMPARE(e->disp.lista.size(), 4);
    }
    // The station, then its status window as the console creates it, the server on a free port.
    void iniciar(const QString& leitora = {}, const QString& portao = {}, const QString& permitidos = {},
                 bool temporizadores = false) {
        preparar(leitora, portao, temporizadores);
        // The bring-up's waits moved the clock; the log's lines are stamped from here.
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(14, 33)));
        cfg::remoto_ativo.gravar(true);
        cfg::remoto_porta.gravar(0);
        cfg::remoto_permitidos.gravar(permitidos);
        w = std::make_unique<TfmSTATUS>();
        w->Preencher(e->disp);
        w->IniciarServidor(*e->motor, *e->m.dm);
        QVERIFY(w->servidor());
        QVERIFY(w->servidor()->porta() != 0);
    }
    quint16 porta() const { return w->servidor()->porta(); }
    QStringList log() const { return w->memoServidor()->toPlainText().split(u'\n', Qt::SkipEmptyParts); }
    // The log once `linhas` lines are in it (the lines after a reply come a moment later).
    QStringList logCom(int linhas) {
        esperar([&] { return log().size() >= linhas; });
        return log();
    }
    void fecharPortao(bool fechado) {
        e->sim.comando(QStringLiteral("sensor 2 170 fechado %1").arg(fechado ? 1 : 0));
        portao()->LerEstado();
    }
    // Where each device landed in the bring-up order.
    int indice(const QString& nome) const {
        for (int i = 0; i < e->disp.lista.size(); ++i) {
            const Dispositivo& d = e->disp.lista[i];
            if (auto* const* l = std::get_if<TLeitora71*>(&d); l && (*l)->Descricao == nome) return i;
            if (auto* const* g = std::get_if<TLeitora64AX*>(&d); g && (*g)->Descricao == nome) return i;
        }
        return -1;
    }
    TLeitora71* portaria() { return e->dispositivo<TLeitora71>(indice(QStringLiteral("Portaria"))); }
    TLeitora64AX* portao() { return e->dispositivo<TLeitora64AX>(indice(QStringLiteral("Garagem"))); }
    QList<int> pulsos() const { return {e->pulsos(1), e->pulsos(2), e->pulsos(3), e->pulsos(4)}; }
    // Runs `quantos` clients on their own threads while cards come to the reception reader, each
    // waited for before the next. Returns the cards pulsed meanwhile, -1 when a client never ended.
    int cartoesDuranteClientes(int quantos, const std::function<void(int)>& cliente) {
        std::atomic<int> terminados{0};
        std::vector<std::thread> clientes;
        for (int i = 0; i < quantos; ++i)
            clientes.emplace_back([&, i] {
                cliente(i);
                ++terminados;
            });
        int cartoes = 0;
        while (terminados < quantos) {
            const int antes = e->pulsos(4);
            e->sim.comando(QStringLiteral("cartao 4 200 ") + kAna);
            const bool pulsou = esperar([&] { return e->pulsos(4) > antes; });
            e->sim.comando(QStringLiteral("cartao 4 200 -"));
            if (!pulsou) break;
            ++cartoes;
        }
        const bool terminaram = esperar([&] { return terminados == quantos; }, 60000);
        for (auto& c : clientes)
            c.join();
        return terminaram ? cartoes : -1;
    }

private slots:
    void init() {
        e = std::make_unique<EstacaoTeste>();
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(14, 32)));
    }
    void cleanup() {
        w.reset();
        e.reset();
    }

    void janela_data() {
        QTest::addColumn<bool>("ativo");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<int>("altura");
        QTest::newRow("servidor ligado") << true << "Leitoras (em modo servidor)" << 407;
        QTest::newRow("servidor desligado") << false << "Leitoras" << 221;
    }
    void janela() {
        QFETCH(bool, ativo);
        QFETCH(QString, titulo);
        QFETCH(int, altura);
        preparar();
        cfg::remoto_ativo.gravar(ativo);
        cfg::remoto_porta.gravar(0);
        TfmSTATUS janela;
        janela.Preencher(e->disp);
        janela.IniciarServidor(*e->motor, *e->m.dm);
        QCOMPARE(janela.windowTitle(), titulo);
        QCOMPARE(janela.height(), altura);
        QCOMPARE(janela.isVisible(), ativo);
        QCOMPARE(janela.servidor() != nullptr, ativo);
        QCOMPARE(janela.lugaresRemotos(), (QStringList{"Portaria", "Portão-Garagem•"}));
    }

    // ABRIR runs the opening without card with the record's fields and answers by its result.
    void abrir_data() {
        QTest::addColumn<QString>("lugar");
        QTest::addColumn<QString>("leitora"); // UPDATE of the passive reader
        QTest::addColumn<QString>("portao");  // UPDATE of the gate
        QTest::addColumn<QString>("resposta");
        QTest::addColumn<QString>("linhaAcesso"); // LEITORA of the row written, empty: none
        QTest::addColumn<QList<int>>("pulsos");   // COM1..4
        const QString ok = QStringLiteral("RE:ABRIR|Porta aberta com sucesso!");
        const QString falhou = QStringLiteral("RE:ABRIR_f|Porta não respondeu....");
        QTest::newRow("leitora passiva") << "Portaria"
                                         << ""
                                         << "" << ok << "Portaria" << QList<int>{1, 0, 0, 0};
        QTest::newRow("portão") << "Portão-Garagem•"
                                << ""
                                << "" << ok << "Portão-Garagem" << QList<int>{0, 1, 0, 0};
        QTest::newRow("porta de controladora") << "Social©"
                                               << ""
                                               << "" << ok << "Social" << QList<int>{0, 0, 1, 0};
        QTest::newRow("leitora que proíbe controle remoto") << "Portaria"
                                                            << "PERMITIRREMOTO = '0'"
                                                            << "" << falhou << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("portão que proíbe controle remoto")
            << "Portão-Garagem•"
            << ""
            << "PERMITIRREMOTO = '0'" << falhou << "" << QList<int>{0, 0, 0, 0};
        // A place that names no reading point opened nothing: it is answered and logged as a failure.
        QTest::newRow("lugar de outra estação") << "Garagem B"
                                                << ""
                                                << "" << falhou << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("nome sem a marca do portão") << "Portão-Garagem"
                                                    << ""
                                                    << "" << falhou << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("caractere fora do Windows-1252") << "Recep?ão"
                                                        << ""
                                                        << "" << falhou << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("quebra de linha no nome") << "Portaria\n14:33:00 - Abriu: Porta aberta com sucesso!"
                                                 << ""
                                                 << "" << falhou << "" << QList<int>{0, 0, 0, 0};
    }
    void abrir() {
        QFETCH(QString, lugar);
        QFETCH(QString, leitora);
        QFETCH(QString, portao);
        QFETCH(QString, resposta);
        QFETCH(QString, linhaAcesso);
        QFETCH(QList<int>, pulsos);
        iniciar(leitora, portao);
        fecharPortao(true);
        const QList<int> antes = this->pulsos();
        Cliente c;
        QVERIFY(c.conectar(porta()));
        RegistroRemoto p;
        p[RegistroRemoto::Comando] = QStringLiteral("ABRIR");
        p[RegistroRemoto::Texto] = lugar;
        p[RegistroRemoto::Nome] = QString(70, u'n');
        p[RegistroRemoto::Origem] = QStringLiteral("Bloco B, apto 12");
        p[RegistroRemoto::Observacao] = QStringLiteral("Entrega");
        p[RegistroRemoto::Destino] = QStringLiteral("Síndico");
        c.enviar(p.codificar());
        const QByteArray bytes = c.receber();
        QCOMPARE(bytes.size(), RegistroRemoto::Tamanho);
        QCOMPARE(comandoETexto(RegistroRemoto::decodificar(bytes)), resposta);
        for (int i = 0; i < 4; ++i)
            QTRY_COMPARE(e->pulsos(i + 1) - antes[i], pulsos[i]);
        const auto rows = e->acessos();
        QCOMPARE(rows.size(), linhaAcesso.isEmpty() ? 0 : 1);
        if (!linhaAcesso.isEmpty()) {
            QCOMPARE(rows.first()["LEITORA"].toString(), linhaAcesso);
            QCOMPARE(rows.first()["NOME"].toString(), QString(70, u'n'));
            QCOMPARE(rows.first()["ORIGEM"].toString(), QStringLiteral("Bloco B, apto 12"));
            QCOMPARE(rows.first()["NOTA2"].toString(), QStringLiteral("Entrega"));
            QCOMPARE(rows.first()["DESTINO"].toString(), QStringLiteral("Síndico"));
            QCOMPARE(rows.first()["TIPO"].toString(), QStringLiteral("Sem cartão"));
            QCOMPARE(e->m.dm->setACE.quantidade(), 1); // in the live list at once
        }
        QVERIFY(!portaria()->Ocupada);
        // One line per event, whatever the place's name holds.
        const QString mostrado = TextoVisivel(lugar);
        QStringList esperado{"14:33:00 Conexão remota...", "14:33:00 - Pediu p/ abrir - " + mostrado};
        if (resposta.startsWith(QLatin1String("RE:ABRIR_f")) && leitora.isEmpty() && portao.isEmpty())
            esperado << "14:33:00 - Nenhuma leitora desta estação se chama \"" + mostrado + u'"';
        esperado << "14:33:00 - Abriu: " + resposta.section(u'|', 1);
        QCOMPARE(logCom(esperado.size()), esperado);
        QVERIFY(e->m.operador.mostradas().isEmpty());
    }

    // The place's reader is handling a card of its own (its question is on the screen) when the request
    // comes: "busy", and the card's own handling goes on untouched.
    void portaOcupada_data() {
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("lugar");
        QTest::newRow("leitora passiva") << 1 << "Portaria";
        QTest::newRow("portão") << 2 << "Portão-Garagem•";
    }
    void portaOcupada() {
        QFETCH(int, com);
        QFETCH(QString, lugar);
        iniciar(QStringLiteral("CONFIRMARACESSO = '1'"), QStringLiteral("CONFIRMARACESSO = '1'"));
        fecharPortao(true);
        Cliente c;
        QVERIFY(c.conectar(porta()));
        QString durante;
        int linhasDurante = -1;
        e->ui.durantePergunta = [&] {
            c.enviar(pedido(QStringLiteral("ABRIR"), lugar));
            durante = comandoETexto(c.resposta());
            linhasDurante = e->acessos().size();
        };
        e->ui.respostas.enqueue({true, QString()});
        const QList<int> antes = pulsos();
        if (com == 1) {
            e->sim.comando(QStringLiteral("cartao 1 200 ") + kAna);
            e->sondar(indice(QStringLiteral("Portaria")));
        } else {
            e->sim.comando(QStringLiteral("tag 2 170 ") + kAna);
            e->sondar(indice(QStringLiteral("Garagem")));
        }
        QCOMPARE(durante, QStringLiteral("RE:ABRIR_f|Porta ocupada, tente novamente...."));
        QCOMPARE(linhasDurante, 0);
        // Only the card's own row and pulse.
        const auto rows = e->acessos();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()["CARTAO"].toString(), kAna);
        QTRY_COMPARE(e->pulsos(com) - antes[com - 1], 1);
        QVERIFY(!portaria()->Ocupada);
        QVERIFY(!portao()->Portao->EmVerificacao);
        // Free again, the same request opens.
        fecharPortao(true);
        c.enviar(pedido(QStringLiteral("ABRIR"), lugar));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
    }

    // A row that cannot be stored: the remote opening still pulses and answers, and no box waits for
    // anyone; the event log tells. The console's own opening still shows its message.
    void falhaAoGravarSemCaixa() {
        iniciar();
        // The next key of the access log is taken already.
        e->sql(
            QStringLiteral("INSERT INTO ACESSO (CHAVE, NOME) VALUES (GEN_ID(GEN_CHAVE_ACESSO, 0) + 1, 'x')"));
        const int antes = e->pulsos(1);
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
        QTRY_COMPARE(e->pulsos(1) - antes, 1);
        QVERIFY(e->m.operador.mostradas().isEmpty());
        QVERIFY(e->ui.caixas.isEmpty());
        QVERIFY(lerLog().contains(QStringLiteral("Portaria, abertura remota: ")));
        QVERIFY(!portaria()->Ocupada);

        e->sql(
            QStringLiteral("INSERT INTO ACESSO (CHAVE, NOME) VALUES (GEN_ID(GEN_CHAVE_ACESSO, 0) + 1, 'y')"));
        e->motor->AbrirSemCartao({}, {}, {}, QStringLiteral("Portaria"), {});
        QCOMPARE(e->m.operador.mostradas().size(), 1);
    }

    // ABRIR without a place: 261 zero bytes, nothing written or pulsed.
    void abrirSemLugar() {
        iniciar();
        const QList<int> antes = pulsos();
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(pedido(QStringLiteral("ABRIR"), {}, QStringLiteral("Ana")));
        COMPARAR_BYTES(c.receber(), QByteArray(RegistroRemoto::Tamanho, '\0'));
        QVERIFY(c.calado());
        QCOMPARE(pulsos(), antes);
        QVERIFY(e->acessos().isEmpty());
        QCOMPARE(logCom(2), (QStringList{"14:33:00 Conexão remota...", "14:33:00 - Abriu: "}));
    }

    // A request written byte by byte at the documented offsets, and the reply compared in full: the
    // name's length byte says 255 and is read as the 70 characters of its room.
    void registrosNoFio() {
        iniciar();
        QByteArray r(RegistroRemoto::Tamanho, '\0');
        r[0] = 5;
        r.replace(1, 5, "ABRIR");
        r[11] = 8;
        r.replace(12, 8, "Portaria");
        r[112] = char(255);
        r.replace(113, 70, QByteArray(70, 'N'));
        r[183] = 3;
        r.replace(184, 3, "Sul");
        r[209] = 4;
        r.replace(210, 4, "Obs\xE9");
        r[235] = 2;
        r.replace(236, 2, "D1");
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(r);
        QByteArray esperado(RegistroRemoto::Tamanho, '\0');
        esperado[0] = 8;
        esperado.replace(1, 8, "RE:ABRIR");
        esperado[11] = 25;
        esperado.replace(12, 25, "Porta aberta com sucesso!");
        COMPARAR_BYTES(c.receber(), esperado);
        const auto rows = e->acessos();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first()["NOME"].toString(), QString(70, u'N'));
        QCOMPARE(rows.first()["ORIGEM"].toString(), QStringLiteral("Sul"));
        QCOMPARE(rows.first()["NOTA2"].toString(), QStringLiteral("Obsé"));
        QCOMPARE(rows.first()["DESTINO"].toString(), QStringLiteral("D1"));
        QVERIFY(logCom(3).contains(QStringLiteral(
            "14:33:00 - Comprimento maior que o campo em 1 campo(s): lido só o espaço do campo")));
    }

    // Several requests in one write: each answered, in the order sent.
    void emOrdem() {
        iniciar();
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("errada")) +
                 pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")) +
                 pedido(QStringLiteral("LISTAR"), {}) +
                 pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        QStringList respostas;
        for (int i = 0; i < 5; ++i)
            respostas << comandoETexto(c.resposta());
        QCOMPARE(respostas, (QStringList{"RE:LOGIN|ERR", "RE:ABRIR|Porta aberta com sucesso!",
                                         "RE:LISTAR|Portaria", "RE:LISTAR|Portão-Garagem•", "RE:LOGIN|OKK"}));
        QVERIFY(c.calado());
        QCOMPARE(logCom(10),
                 (QStringList{"14:33:00 Conexão remota...", "14:33:00 - Checar login - admin",
                              "14:33:00 - Enviando: ERR", "14:33:00 - Pediu p/ abrir - Portaria",
                              "14:33:00 - Abriu: Porta aberta com sucesso!",
                              "14:33:00 - Pediu a lista de leitoras", "14:33:00 - Enviando: Portaria",
                              "14:33:00 - Enviando: Portão-Garagem•", "14:33:00 - Checar login - admin",
                              "14:33:00 - Enviando: OKK"}));
    }

    // A client gone in the middle of a record: nothing of it is done, the log says so, the server serves on.
    void desconectaNoMeio_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("abortar");
        QTest::newRow("fecha após 100 bytes") << 100 << false;
        QTest::newRow("derruba após 260 bytes") << 260 << true;
    }
    void desconectaNoMeio() {
        QFETCH(int, bytes);
        QFETCH(bool, abortar);
        iniciar();
        const QList<int> antes = pulsos();
        {
            Cliente c;
            QVERIFY(c.conectar(porta()));
            c.enviar(pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")).left(bytes));
            // The part sent has been read by the server before the client goes (an abort could drop it).
            QTRY_COMPARE(c.s.bytesToWrite(), 0);
            QTRY_COMPARE(filaDoServidor(c.s.localPort()), 0);
            if (abortar)
                c.s.abort();
            else
                c.s.disconnectFromHost();
        }
        QTRY_COMPARE(w->servidor()->conexoes(), 0);
        QCOMPARE(logCom(3),
                 (QStringList{
                     "14:33:00 Conexão remota...",
                     QStringLiteral("14:33:00 - Registro incompleto descartado (%1 de 261 bytes)").arg(bytes),
                     "14:33:00 Remoto desconectou..."}));
        QCOMPARE(pulsos(), antes);
        QVERIFY(e->acessos().isEmpty());
        Cliente outro;
        QVERIFY(outro.conectar(porta()));
        outro.enviar(pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")));
        QCOMPARE(comandoETexto(outro.resposta()), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
    }

    // LISTAR: one record per reading point allowed remotely, the gate's name marked; none, nothing.
    void listar_data() {
        QTest::addColumn<QString>("leitora");
        QTest::addColumn<QString>("portao");
        QTest::addColumn<QStringList>("nomes");
        QTest::newRow("leitora e portão") << ""
                                          << "" << QStringList{"Portaria", "Portão-Garagem•"};
        QTest::newRow("só o portão") << "PERMITIRREMOTO = '0'"
                                     << "" << QStringList{"Portão-Garagem•"};
        QTest::newRow("nenhum") << "PERMITIRREMOTO = '0'"
                                << "PERMITIRREMOTO = '0'" << QStringList{};
    }
    void listar() {
        QFETCH(QString, leitora);
        QFETCH(QString, portao);
        QFETCH(QStringList, nomes);
        iniciar(leitora, portao);
        Cliente c;
        QVERIFY(c.conectar(porta()));
        // The LOGIN behind it shows where the list ends.
        c.enviar(pedido(QStringLiteral("LISTAR"), {}) +
                 pedido(QStringLiteral("LOGIN"), QStringLiteral("ninguem")));
        QStringList recebidos;
        for (;;) {
            const QByteArray b = c.receber();
            QCOMPARE(b.size(), RegistroRemoto::Tamanho);
            const RegistroRemoto r = RegistroRemoto::decodificar(b);
            if (r[RegistroRemoto::Comando] == QLatin1String("RE:LOGIN")) break;
            QCOMPARE(r[RegistroRemoto::Comando], QStringLiteral("RE:LISTAR"));
            recebidos << r[RegistroRemoto::Texto];
            if (r[RegistroRemoto::Texto].endsWith(u'•')) QCOMPARE(b.at(11 + b.at(11)), '\x95');
        }
        QCOMPARE(recebidos, nomes);
        QStringList linhas{"14:33:00 Conexão remota...", "14:33:00 - Pediu a lista de leitoras"};
        for (const QString& n : nomes)
            linhas << "14:33:00 - Enviando: " + n;
        QCOMPARE(logCom(linhas.size()).mid(0, linhas.size()), linhas);
    }

    void login_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("senha");
        QTest::addColumn<QString>("texto");
        QTest::newRow("certo") << "admin"
                               << "admin"
                               << "OKK";
        QTest::newRow("senha errada") << "admin"
                                      << "admim"
                                      << "ERR";
        QTest::newRow("senha vazia") << "admin"
                                     << ""
                                     << "ERR";
        QTest::newRow("conta que não existe") << "zeca"
                                              << "admin"
                                              << "ERR";
        QTest::newRow("maiúsculas") << "ADMIN"
                                    << "admin"
                                    << "ERR";
        QTest::newRow("login maior que a coluna") << QString(100, u'a') << "admin"
                                                  << "ERR";
    }
    void login() {
        QFETCH(QString, login);
        QFETCH(QString, senha);
        QFETCH(QString, texto);
        iniciar();
        Cliente c;
        QVERIFY(c.conectar(porta()));
        const QByteArray registro = pedido(QStringLiteral("LOGIN"), login, {}, senha);
        c.enviar(registro);
        QCOMPARE(comandoETexto(c.resposta()), "RE:LOGIN|" + texto);
        // The login tried is logged, the password never.
        const QString tentado = RegistroRemoto::decodificar(registro)[RegistroRemoto::Texto];
        QCOMPARE(logCom(3), (QStringList{"14:33:00 Conexão remota...", "14:33:00 - Checar login - " + tentado,
                                         "14:33:00 - Enviando: " + texto}));
        if (!senha.isEmpty() && !tentado.contains(senha)) QVERIFY(!log().join(u'\n').contains(senha));
        // A failed check leaves the station's work alone: the next opening is stored.
        c.enviar(pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
        QCOMPARE(e->acessos().size(), 1);
    }

    // Unknown commands are ignored without a reply; the connection goes on.
    void comandoDesconhecido_data() {
        QTest::addColumn<QByteArray>("comando");
        QTest::addColumn<QString>("mostrado");
        QTest::newRow("minúsculas") << QByteArray("abrir") << "abrir";
        QTest::newRow("resposta como pedido") << QByteArray("RE:ABRIR") << "RE:ABRIR";
        QTest::newRow("bytes de controle") << QByteArray("AB\x01\x95") << "AB\\x01•";
        QTest::newRow("vazio") << QByteArray() << "";
    }
    void comandoDesconhecido() {
        QFETCH(QByteArray, comando);
        QFETCH(QString, mostrado);
        iniciar();
        QByteArray r = pedido(QStringLiteral("X"), QStringLiteral("Portaria"));
        r[0] = static_cast<char>(comando.size());
        r.replace(1, 10, comando.leftJustified(10, '\0'));
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(r + pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:LOGIN|OKK"));
        QVERIFY(c.calado());
        QVERIFY(e->acessos().isEmpty());
        QCOMPARE(logCom(2).at(1), "14:33:00 - Comando desconhecido ignorado: \"" + mostrado + u'"');
    }

    // A flood of records with an unknown command costs the client's thread only: the UI thread's
    // timers keep their pace, the log gets a line a second instead of a line a record, past a
    // thousand a second the server stops reading that client until the second is over, and a client
    // that keeps it up is let go.
    void enxurradaDeInvalidos() {
        iniciar();
        QElapsedTimer relogio;
        relogio.start();
        qint64 ultimo = 0, maiorAtraso = 0;
        QTimer tique;
        tique.setInterval(20);
        connect(&tique, &QTimer::timeout, [&] {
            const qint64 agora = relogio.elapsed();
            if (ultimo > 0) maiorAtraso = std::max(maiorAtraso, agora - ultimo - 20);
            ultimo = agora;
        });
        tique.start();
        std::atomic<int> enviados{0};
        std::thread cliente([&] {
            QTcpSocket s;
            if (!clientes_remotos::conectar(s, porta())) return;
            const QByteArray lixo = pedido(QStringLiteral("XYZ"), QStringLiteral("Portaria")).repeated(200);
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < 15000 && s.state() == QAbstractSocket::ConnectedState) {
                s.write(lixo);
                s.waitForBytesWritten(1000);
                enviados += 200;
            }
            // Reset: what the server has not read yet goes with the connection.
            s.abort();
        });
        QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("14:33:00 Remoto desconectou...")), 15000);
        cliente.join();
        QVERIFY(log().contains(
            QStringLiteral("14:33:00 - Conexão remota de 127.0.0.1 encerrada: registros inválidos demais")));
        const QStringList linhas = log();
        qInfo("%d registros inválidos, %d linhas no registro, maior atraso do temporizador %lld ms",
              enviados.load(), int(linhas.size()), maiorAtraso);
        QVERIFY(enviados > ServidorRemoto::InvalidosPorSegundo);
        QVERIFY2(linhas.size() < 20, qPrintable(linhas.join(u'\n')));
        QCOMPARE(linhas.at(1), QStringLiteral("14:33:00 - Comando desconhecido ignorado: \"XYZ\""));
        // Every record is accounted for: in full, or in a second's sum.
        int somados = 0;
        for (const QString& l : linhas)
            if (l.contains(QStringLiteral(" registros inválidos de 127.0.0.1")))
                somados += l.section(u' ', 2, 2).remove(u'.').toInt();
            else if (l.contains(QLatin1String("desconhecido")))
                ++somados;
        QVERIFY2(somados > ServidorRemoto::InvalidosPorSegundo && somados <= enviados.load(),
                 qPrintable(QStringLiteral("%1 de %2\n").arg(somados).arg(enviados.load()) + linhas.join(u'\n')));
        QVERIFY2(maiorAtraso < 1000, qPrintable(QString::number(maiorAtraso)));
    }

    // Past the limit of clients the next one is refused at once and logged; once one leaves the
    // server takes clients again. A client that never asks anything is let go.
    void limiteDeConexoes() {
        iniciar();
        w->servidor()->definirLimiteConexoes(3);
        std::vector<std::unique_ptr<Cliente>> c;
        for (int i = 0; i < 3; ++i) {
            c.push_back(std::make_unique<Cliente>());
            QVERIFY(c.back()->conectar(porta()));
        }
        QTRY_COMPARE(w->servidor()->conexoes(), 3);
        Cliente quarto;
        QVERIFY(quarto.conectar(porta()));
        QTRY_COMPARE(quarto.s.state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(log().contains(
            QStringLiteral("14:33:00 Conexão remota recusada de 127.0.0.1: já há 3 conexões")));
        c.front()->s.disconnectFromHost();
        QTRY_COMPARE(w->servidor()->conexoes(), 2);
        Cliente depois;
        QVERIFY(depois.conectar(porta()));
        depois.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        QCOMPARE(comandoETexto(depois.resposta()), QStringLiteral("RE:LOGIN|OKK"));
    }
    void clienteCalado() {
        iniciar();
        w->servidor()->definirLimiteOcioso(1000);
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")).left(100));
        QTRY_COMPARE_WITH_TIMEOUT(c.s.state(), QAbstractSocket::UnconnectedState, 10000);
        QTRY_COMPARE(w->servidor()->conexoes(), 0);
        QVERIFY(log().contains(
            QStringLiteral("14:33:00 - Conexão remota de 127.0.0.1 encerrada: nenhum pedido em 1 s")));
    }

    // A LOGIN after a refused one waits on its own connection's thread: guesses come no faster than
    // one a second, and cards at the doors go on meanwhile.
    void loginRecusadoEspera() {
        iniciar({}, {}, {}, true);
        Cliente c;
        QVERIFY(c.conectar(porta()));
        QElapsedTimer t;
        t.start();
        c.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("a")) +
                 pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("b")) +
                 pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        const int antes = e->pulsos(4);
        e->sim.comando(QStringLiteral("cartao 4 200 ") + kAna);
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:LOGIN|ERR"));
        QTRY_VERIFY(e->pulsos(4) > antes);
        const qint64 cartao = t.elapsed();
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:LOGIN|ERR"));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:LOGIN|OKK"));
        QVERIFY2(t.elapsed() >= 2 * ServidorRemoto::EsperaAposLoginRecusadoMs - 100, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(cartao < t.elapsed(), "the card waited for the guesses");
    }

    // [remoto] permitidos: a client from elsewhere is closed at once, before it may send anything.
    void permitidos_data() {
        QTest::addColumn<QString>("lista");
        QTest::addColumn<bool>("aceita");
        QTest::newRow("outra rede") << "10.0.0.0/8, 192.168.1.20" << false;
        QTest::newRow("só um item inválido") << "localhost" << false;
        QTest::newRow("a própria estação") << "10.0.0.0/8, 127.0.0.1" << true;
        QTest::newRow("faixa de loopback") << "127.0.0.0/8" << true;
    }
    void permitidos() {
        QFETCH(QString, lista);
        QFETCH(bool, aceita);
        iniciar({}, {}, lista);
        const QList<int> antes = pulsos();
        Cliente c;
        c.s.connectToHost(QHostAddress::LocalHost, porta());
        esperar([&] { return c.s.state() == QAbstractSocket::ConnectedState; });
        c.enviar(pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")));
        if (aceita) {
            QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
            QVERIFY(!log().join(u'\n').contains(QStringLiteral("recusada")));
            return;
        }
        QTRY_COMPARE(c.s.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(c.s.bytesAvailable(), 0);
        QCOMPARE(pulsos(), antes);
        QVERIFY(e->acessos().isEmpty());
        QVERIFY(log().contains(
            QStringLiteral("14:33:00 Conexão remota recusada de 127.0.0.1: fora de [remoto] permitidos")));
        QVERIFY(!log().contains(QStringLiteral("14:33:00 Conexão remota...")));
        if (lista == QLatin1String("localhost"))
            QCOMPARE(log().first(), QStringLiteral("14:33:00 - [remoto] permitidos: \"localhost\" não é "
                                                   "endereço nem faixa e não libera ninguém"));
    }

    // portaris-remoto against the station, as a user runs it.
    void programaCliente_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("saida");
        QTest::addColumn<QString>("impresso");
        QTest::addColumn<int>("linhasAcesso");
        QTest::newRow("LISTAR") << QStringList{"LISTAR"} << 0
                                << "RE:LISTAR\tPortaria\nRE:LISTAR\tPortão-Garagem•\n"
                                << 0;
        QTest::newRow("ABRIR") << QStringList{"ABRIR", "Portaria", "Ana Souza", "Bloco B"} << 0
                               << "RE:ABRIR\tPorta aberta com sucesso!\n"
                               << 1;
        QTest::newRow("ABRIR proibido")
            << QStringList{"ABRIR", "Recepção"} << 1 << "RE:ABRIR_f\tPorta não respondeu....\n"
            << 0;
        QTest::newRow("ABRIR sem lugar") << QStringList{"ABRIR", ""} << 1 << "(registro vazio)\n" << 0;
        QTest::newRow("LOGIN certo") << QStringList{"LOGIN", "admin", "admin"} << 0 << "RE:LOGIN\tOKK\n" << 0;
        QTest::newRow("LOGIN errado") << QStringList{"LOGIN", "admin", "x"} << 1 << "RE:LOGIN\tERR\n" << 0;
        QTest::newRow("uso") << QStringList{"ABRIR"} << 64 << "" << 0;
    }
    void programaCliente() {
        QFETCH(QStringList, argumentos);
        QFETCH(int, saida);
        QFETCH(QString, impresso);
        QFETCH(int, linhasAcesso);
        iniciar();
        QProcess p;
        p.start(QStringLiteral(PORTARIS_REMOTO),
                QStringList{"--porta", QString::number(porta())} + argumentos);
        QVERIFY(esperar([&] { return p.state() == QProcess::NotRunning; }, 20000));
        QCOMPARE(p.exitCode(), saida);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()), impresso);
        QCOMPARE(e->acessos().size(), linhasAcesso);
        if (linhasAcesso) QCOMPARE(e->acessos().first()["NOME"].toString(), QStringLiteral("Ana Souza"));
    }

    void programaClienteSemServidor() {
        QTcpServer livre;
        QVERIFY(livre.listen(QHostAddress::LocalHost));
        const quint16 fechada = livre.serverPort();
        livre.close();
        QProcess p;
        p.start(QStringLiteral(PORTARIS_REMOTO), {"--porta", QString::number(fechada), "LISTAR"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("sem conexão")));
    }

    // The window goes away with clients connected, one of them waiting for its request: it ends.
    void fecharComClientes() {
        iniciar();
        Cliente a, b;
        QVERIFY(a.conectar(porta()));
        QVERIFY(b.conectar(porta()));
        QTRY_COMPARE(w->servidor()->conexoes(), 2);
        const int bloqueadas = conexoesBloqueadas();
        b.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        // b's thread now waits for the UI thread, which is not looking (no events processed here).
        QElapsedTimer espera;
        espera.start();
        while (conexoesBloqueadas() <= bloqueadas && espera.elapsed() < 10000)
            QThread::msleep(5);
        QVERIFY(conexoesBloqueadas() > bloqueadas);
        w.reset();
        QTRY_COMPARE(a.s.state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(b.s.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(b.s.bytesAvailable(), 0);
    }

    // A few seconds of the fuzz run (bench/remote has the full one) from several clients at once,
    // while the timers poll the devices and cards come to another reader.
    void fuzz() {
        RelogioReal real;
        definirRelogio(&real);
        struct Volta {
            RelogioFalso& f;
            ~Volta() { definirRelogio(&f); }
        } volta{e->m.relogio};
        iniciar({}, {}, {}, true);
        const int pulsosPortaria = e->pulsos(1), pulsosOutros = e->pulsos(2) + e->pulsos(3);
        constexpr int Clientes = 4, Registros = 1500, LimiteMs = 3000;
        clientes_remotos::Fuzz f;
        const quint16 p = porta();
        const int cartoes = cartoesDuranteClientes(Clientes, [&f, p](int i) {
            clientes_remotos::clienteFuzz(p, Registros, 0x5EED + quint32(i), QStringLiteral("Portaria"),
                                          QStringLiteral("Recepção"), 2, LimiteMs, f);
        });
        QVERIFY(cartoes >= 0);
        qInfo("%d registros, %d respostas, %d conexões (%d derrubadas no meio), %d aberturas, %d cartões",
              f.registros.load(), f.respostas.load(), f.conexoes.load(), f.truncados.load(),
              f.aberturas.load(), cartoes);
        QVERIFY2(f.erros == 0, qPrintable(f.detalhes.join(u'\n')));
        QVERIFY(f.registros > 0);
        QVERIFY(f.truncados > 0);
        QVERIFY(cartoes > 0);
        QTRY_COMPARE(e->pulsos(1) - pulsosPortaria, f.aberturas.load());
        QCOMPARE(e->pulsos(2) + e->pulsos(3), pulsosOutros);
        QTRY_COMPARE(w->servidor()->conexoes(), 0);
    }

    // A short load run (bench/remote has the full one): many clients opening the same reader at once
    // while cards come to another; every request answered, every opening one row and one pulse.
    void carga() {
        iniciar({}, {}, {}, true);
        constexpr int Clientes = 10, Pedidos = 10;
        const int pulsosAntes = e->pulsos(1);
        clientes_remotos::Carga c;
        const quint16 p = porta();
        const int cartoes = cartoesDuranteClientes(Clientes, [&c, p](int) {
            clientes_remotos::clienteCarga(p, Pedidos, QStringLiteral("Portaria"), c);
        });
        QVERIFY(cartoes >= 0);
        QCOMPARE(c.respostas.load(), Clientes * Pedidos);
        QCOMPARE(c.falhas.load(), 0);
        QTRY_COMPARE(e->pulsos(1) - pulsosAntes, Clientes * Pedidos);
        int aberturas = 0, deCartao = 0;
        for (const QVariantMap& r : e->acessos()) {
            aberturas += r["LEITORA"] == QStringLiteral("Portaria") && r["NOME"] == QStringLiteral("Carga");
            deCartao += r["CARTAO"] == kAna;
        }
        QCOMPARE(aberturas, Clientes * Pedidos);
        QCOMPARE(deCartao, cartoes);
        QVERIFY(cartoes > 0);
    }

    // A LOGIN and an ABRIR with the database server gone: "ERR", and the door opens without a box.
    void bancoParado() {
        if (!ServidorPrivado::disponivel())
            QSKIP("No Firebird server installed (package firebird3.0-server)");
        cleanup();
        ServidorPrivado srv;
        QVERIFY(srv.iniciar());
        e = std::make_unique<EstacaoTeste>(srv.servidor, srv.senha);
        e->m.relogio.definir(QDateTime(QDate(2024, 5, 7), QTime(14, 32)));
        iniciar();
        Cliente c;
        QVERIFY(c.conectar(porta()));
        c.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        QCOMPARE(comandoETexto(c.resposta()), QStringLiteral("RE:LOGIN|OKK"));
        srv.sinal(SIGKILL);
        QVERIFY(QTest::qWaitFor([&] { return ::kill(static_cast<pid_t>(srv.pid), 0) != 0; }, 5000));
        const int antes = e->pulsos(1);
        c.enviar(pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")) +
                 pedido(QStringLiteral("ABRIR"), QStringLiteral("Portaria")) +
                 pedido(QStringLiteral("LOGIN"), QStringLiteral("admin"), {}, QStringLiteral("admin")));
        QCOMPARE(comandoETexto(c.resposta(20000)), QStringLiteral("RE:LOGIN|ERR"));
        QCOMPARE(comandoETexto(c.resposta(20000)), QStringLiteral("RE:ABRIR|Porta aberta com sucesso!"));
        QCOMPARE(comandoETexto(c.resposta(20000)), QStringLiteral("RE:LOGIN|ERR"));
        QTRY_COMPARE(e->pulsos(1) - antes, 1);
        QVERIFY(e->m.operador.mostradas().isEmpty());
        QVERIFY(lerLog().contains(QStringLiteral("Portaria, abertura remota: ")));
        w.reset();
        e.reset();
    }
};

QTEST_MAIN(TstServidorRemoto)
#include "tst_servidor_remoto.moc"
