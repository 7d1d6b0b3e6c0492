#include "PastaTeste.h"
#include "platform/Codec1252.h"
#include "platform/Configuracoes.h"
#include "platform/Estacao.h"
#include "platform/LogEventos.h"
#include "platform/Mensagens.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace portaris;

namespace {
void escrever(const QString& caminho, const QByteArray& texto) {
    QFile f(caminho);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(texto);
}
QByteArray conteudo(const QString& caminho) {
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Root ignores file modes: as root the check runs in a child that gives its rights up to nobody, who owns
// the given paths (so the modes set on them are what stops it).
constexpr uid_t Ninguem = 65534;
bool semPrivilegios(const QStringList& donos, const std::function<bool()>& verificar) {
    if (::geteuid() != 0) return verificar();
    for (const QString& c : donos)
        if (::chown(QFile::encodeName(c).constData(), Ninguem, Ninguem) != 0) return false;
    const pid_t filho = ::fork();
    if (filho == 0) {
        bool ok = false;
        try {
            ok = ::setgid(Ninguem) == 0 && ::setuid(Ninguem) == 0 && verificar();
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    int estado = 0;
    return filho > 0 && ::waitpid(filho, &estado, 0) == filho && WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}
bool gravacaoRecusada() {
    try {
        cfg::remoto_porta.gravar(2);
    } catch (const std::runtime_error&) {
        return true;
    }
    return false;
}
} // namespace

class TstPlatform : public QObject {
    Q_OBJECT
    std::unique_ptr<PastaTeste> pasta;

private slots:
    void init() { pasta = std::make_unique<PastaTeste>(); }
    void cleanup() {
        definirRelogio(nullptr);
        pasta.reset();
    }

    void pastaDoPrograma() {
        PastaPrograma::garantir();
        for (const char* sub : {"AreaTemp", "Relatorios", "Sons", "copia"})
            QVERIFY(QDir(pasta->caminho(QString::fromLatin1(sub))).exists());
        QCOMPARE(PastaPrograma::traduzir(QStringLiteral("C:\\Portaris\\portaris.fdb")),
                 pasta->caminho("portaris.fdb"));
        QCOMPARE(PastaPrograma::traduzir(QStringLiteral("c:\\portaris\\copia")), pasta->caminho("copia"));
        QCOMPARE(PastaPrograma::traduzir(QStringLiteral("/srv/dados/p.fdb")),
                 QStringLiteral("/srv/dados/p.fdb"));
    }

    // What an installed console finds at its first start. The refusals are built from things that stop
    // root too (tests run as root), not from file modes.
    void pastaDaPrimeiraPartida_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("arquivo"); // made a regular file before the start
        QTest::addColumn<QString>("erro");    // start of the message; empty: the folder is ready
        QTest::newRow("pasta que falta, criada") << "nova/funda" << "" << "";
        QTest::newRow("sob um arquivo") << "arquivo/Portaris" << "arquivo"
                                        << "Não foi possível criar a pasta do programa";
        QTest::newRow("subpasta ocupada") << "p" << "p/AreaTemp" << "Não foi possível criar AreaTemp na pasta";
        QTest::newRow("sem gravação") << "p" << "" << "A pasta do programa";
    }
    void pastaDaPrimeiraPartida() {
        QFETCH(QString, home);
        QFETCH(QString, arquivo);
        QFETCH(QString, erro);
        const QString raiz = pasta->caminho(home);
        if (!arquivo.isEmpty()) {
            QDir().mkpath(QFileInfo(pasta->caminho(arquivo)).path());
            escrever(pasta->caminho(arquivo), "x");
        }
        if (QByteArray(QTest::currentDataTag()) == "sem gravação") // its probe file cannot be written
            QVERIFY(QDir().mkpath(raiz + "/.gravavel"));
        qputenv("PORTARIS_HOME", raiz.toUtf8());
        const QString r = PastaPrograma::garantir();
        if (erro.isEmpty()) {
            QCOMPARE(r, QString());
            for (const char* sub : {"AreaTemp", "Relatorios", "Sons", "copia"})
                QVERIFY(QDir(raiz + '/' + sub).exists());
            QVERIFY(!QFileInfo::exists(raiz + "/.gravavel"));
        } else {
            QVERIFY2(r.startsWith(erro), qPrintable(r));
            QVERIFY2(r.contains(raiz), qPrintable(r)); // names the folder
        }
    }

    void semArquivoValeOPadrao() {
        QVERIFY(!QFile::exists(pasta->caminho("ptconfig.ini")));
        QCOMPARE(cfg::firebird_server.ler(), QStringLiteral("local"));
        QCOMPARE(cfg::firebird_databasefile.ler(), QStringLiteral("C:\\Portaris\\portaris.fdb"));
        QCOMPARE(cfg::firebird_username.ler(), QStringLiteral("SYSDBA"));
        QCOMPARE(cfg::outros_semcabeca.ler(), true);
        QCOMPARE(cfg::outros_confirmaaofechar.ler(), true);
        QCOMPARE(cfg::remoto_ativo.ler(), false);
        QCOMPARE(cfg::autobackup_auto.ler(), false);
        QCOMPARE(cfg::autobackup_hora.ler(), QTime(23, 50));
        QCOMPARE(cfg::outros_nomecomputador.ler(), QStringLiteral("Sem nome"));
        QCOMPARE(cfg::outros_nomecomputador_login.ler(), QString());
        QCOMPARE(cfg::qx64_ignorarrepeticaopor.ler(), 40);
        QCOMPARE(cfg::remoto_porta.ler(), 4005);
        QVERIFY(!QFile::exists(pasta->caminho("ptconfig.ini"))); // reading creates nothing
    }

    void leituras_data() {
        QTest::addColumn<QByteArray>("arquivo");
        QTest::addColumn<QString>("lido");
        // Each row reads one key; the value is shown as text whatever its type.
        QTest::newRow("protocolo minúsculo é lido como está")
            << QByteArray("[firebird]\nprotocol=tcpip\n") << "protocol:tcpip";
        QTest::newRow("texto vazio presente")
            << QByteArray("[outros]\nnomecomputador=\n") << "nomecomputador:";
        QTest::newRow("refresh=yes vale o padrão") << QByteArray("[firebird]\nrefresh=yes\n") << "refresh:0";
        QTest::newRow("refresh=2 é verdadeiro") << QByteArray("[firebird]\nrefresh=2\n") << "refresh:1";
        QTest::newRow("refresh=-1 é verdadeiro") << QByteArray("[firebird]\nrefresh=-1\n") << "refresh:1";
        QTest::newRow("semcabeca=0") << QByteArray("[outros]\nsemcabeca=0\n") << "semcabeca:0";
        QTest::newRow("hora 25:00 vale o padrão") << QByteArray("[autobackup]\nhora=25:00\n") << "hora:23:50";
        QTest::newRow("hora vazia vale o padrão") << QByteArray("[autobackup]\nhora=\n") << "hora:23:50";
        QTest::newRow("hora válida") << QByteArray("[autobackup]\nhora=7:05\n") << "hora:07:05";
        QTest::newRow("inteiro inválido") << QByteArray("[remoto]\nporta=40x5\n") << "porta:4005";
        QTest::newRow("inteiro com espaços") << QByteArray("[remoto]\nporta = 5000 \n") << "porta:5000";
        QTest::newRow("seção e chave sem caixa") << QByteArray("[REMOTO]\r\nPorta=6000\r\n") << "porta:6000";
        QTest::newRow("chave de outra seção") << QByteArray("[qx64]\nporta=1\n[remoto]\n") << "porta:4005";
        QTest::newRow("comentário ignorado") << QByteArray("[remoto]\n;porta=1\nporta=2\n") << "porta:2";
        QTest::newRow("servidor em UTF-8")
            << QByteArray("[firebird]\nservername=estação\n") << "servername:estação";
    }
    void leituras() {
        QFETCH(QByteArray, arquivo);
        QFETCH(QString, lido);
        escrever(pasta->caminho("ptconfig.ini"), arquivo);
        const QString chave = lido.section(QLatin1Char(':'), 0, 0);
        QString valor;
        if (chave == "protocol") valor = cfg::firebird_protocol.ler();
        if (chave == "nomecomputador") valor = cfg::outros_nomecomputador.ler();
        if (chave == "refresh") valor = QString::number(cfg::firebird_refresh.ler());
        if (chave == "semcabeca") valor = QString::number(cfg::outros_semcabeca.ler());
        if (chave == "hora") valor = cfg::autobackup_hora.ler().toString("HH:mm");
        if (chave == "porta") valor = QString::number(cfg::remoto_porta.ler());
        if (chave == "servername") valor = cfg::firebird_servername.ler();
        QCOMPARE(valor, lido.section(QLatin1Char(':'), 1));
    }

    void gravacoes_data() {
        QTest::addColumn<QByteArray>("antes");
        QTest::addColumn<QByteArray>("depois");
        QTest::newRow("cria arquivo e seção") << QByteArray() << QByteArray("[remoto]\nporta=4100\n");
        QTest::newRow("troca o valor e guarda o resto")
            << QByteArray("; feito à mão\n[remoto]\nativo=1\nPORTA=9\nextra=x\n\n[qx64]\nfalhoutransito=3\n")
            << QByteArray(
                   "; feito à mão\n[remoto]\nativo=1\nporta=4100\nextra=x\n\n[qx64]\nfalhoutransito=3\n");
        QTest::newRow("acrescenta na seção certa")
            << QByteArray("[Remoto]\nativo=1\n\n[qx64]\nfalhoutransito=3\n")
            << QByteArray("[Remoto]\nativo=1\nporta=4100\n\n[qx64]\nfalhoutransito=3\n");
        QTest::newRow("nova seção no fim")
            << QByteArray("[qx64]\nfalhoutransito=3")
            << QByteArray("[qx64]\nfalhoutransito=3\n\n[remoto]\nporta=4100\n");
        QTest::newRow("mantém CRLF") << QByteArray("[remoto]\r\nporta=1\r\n")
                                     << QByteArray("[remoto]\r\nporta=4100\r\n");
    }
    void gravacoes() {
        QFETCH(QByteArray, antes);
        QFETCH(QByteArray, depois);
        const QString ini = pasta->caminho("ptconfig.ini");
        if (!antes.isNull()) escrever(ini, antes);
        cfg::remoto_porta.gravar(4100);
        QCOMPARE(conteudo(ini), depois);
        QCOMPARE(cfg::remoto_porta.ler(), 4100);
        QCOMPARE(QDir(pasta->caminho()).entryList(QDir::Files), QStringList{"ptconfig.ini"}); // no temp left
    }

    void gravacoesTipadasEArquivoDeTeste() {
        cfg::outros_semcabeca.gravar(false);
        cfg::firebird_server.gravar(QStringLiteral("remote"), ArquivoIni::teste());
        QCOMPARE(conteudo(pasta->caminho("ptconfig.ini")), QByteArray("[outros]\nsemcabeca=0\n"));
        QCOMPARE(cfg::firebird_server.ler(ArquivoIni::teste()), QStringLiteral("remote"));
        QCOMPARE(cfg::firebird_server.ler(), QStringLiteral("local"));
    }

    // A settings file that is there but cannot be read is never replaced by one holding one key.
    void arquivoIlegivelNaoEhSubstituido() {
        const QString ini = pasta->caminho("ptconfig.ini");
        escrever(ini, "[remoto]\nporta=1\n[firebird]\nserver=remote\n");
        QFile::setPermissions(ini, QFile::WriteOwner);
        auto volta = qScopeGuard([&] { QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner); });
        // The folder stays writable: a replacement written beside the file would be possible.
        QVERIFY(semPrivilegios({pasta->caminho(), ini}, [&] {
            return !QFile(ini).open(QIODevice::ReadOnly) && QFile(pasta->caminho("x")).open(QIODevice::WriteOnly) &&
                   QFile::remove(pasta->caminho("x")) && gravacaoRecusada();
        }));
        volta.dismiss();
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(conteudo(ini), QByteArray("[remoto]\nporta=1\n[firebird]\nserver=remote\n"));
    }

    void gravacaoRecusadaNaoEstragaOArquivo() {
        const QString ini = pasta->caminho("ptconfig.ini");
        escrever(ini, "[remoto]\nporta=1\n");
        QFile::setPermissions(pasta->caminho(), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(semPrivilegios({pasta->caminho(), ini}, [&] {
            return !QFile(pasta->caminho("x")).open(QIODevice::WriteOnly) && gravacaoRecusada();
        }));
        QFile::setPermissions(pasta->caminho(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(conteudo(ini), QByteArray("[remoto]\nporta=1\n"));
    }

    void portasSeriais() {
        QCOMPARE(CaminhoPortaSerial(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(CaminhoPortaSerial(9), QStringLiteral("/dev/ttyS8"));
        QVERIFY(CaminhoPortaSerial(10).isEmpty());
        QVERIFY(CaminhoPortaSerial(0).isEmpty());
        escrever(pasta->caminho("ptconfig.ini"), "[portas]\nCOM3=/dev/pts/7\n");
        QCOMPARE(CaminhoPortaSerial(3), QStringLiteral("/dev/pts/7"));
        QCOMPARE(CaminhoPortaSerial(2), QStringLiteral("/dev/ttyS1"));
    }

    void identificadorDaEstacao() {
        QCOMPARE(formatarIdentificador(0x1A2B), QStringLiteral("00001A2B"));
        QCOMPARE(formatarIdentificador(0xDEADBEEF), QStringLiteral("DEADBEEF"));
        const QByteArray antes = qgetenv("PORTARIS_ESTACAO");
        qunsetenv("PORTARIS_ESTACAO");
        const QString real = IdentificadorEstacao(QStringLiteral("C"));
        QCOMPARE(real.size(), 8);
        QCOMPARE(real, real.toUpper());
        QCOMPARE(IdentificadorEstacao(), real); // stable
        qputenv("PORTARIS_ESTACAO", "0000ABCD");
        QCOMPARE(IdentificadorEstacao(), QStringLiteral("0000ABCD"));
        if (antes.isEmpty())
            qunsetenv("PORTARIS_ESTACAO");
        else
            qputenv("PORTARIS_ESTACAO", antes);
    }

    // $PORTARIS_ESTACAO as given by whoever starts the program: taken in either case, refused when it
    // is not eight hexadecimal digits, ignored when empty.
    void estacaoDoAmbiente_data() {
        QTest::addColumn<bool>("definida");
        QTest::addColumn<QByteArray>("valor");
        QTest::addColumn<QString>("esperado"); // "real": the file system's; "erro": refused
        QTest::newRow("maiúsculas") << true << QByteArray("DEADBEEF") << "DEADBEEF";
        QTest::newRow("minúsculas viram maiúsculas") << true << QByteArray("0000abcd") << "0000ABCD";
        QTest::newRow("mistas") << true << QByteArray("1a2B3c4D") << "1A2B3C4D";
        QTest::newRow("sete dígitos") << true << QByteArray("000ABCD") << "erro";
        QTest::newRow("nove dígitos") << true << QByteArray("00000ABCD") << "erro";
        QTest::newRow("letra fora do hexadecimal") << true << QByteArray("BENCH001") << "erro";
        QTest::newRow("prefixo 0x") << true << QByteArray("0x00ABCD") << "erro";
        QTest::newRow("espaço no fim") << true << QByteArray("0000ABCD ") << "erro";
        QTest::newRow("vazia vale como não definida") << true << QByteArray("") << "real";
        QTest::newRow("não definida") << false << QByteArray() << "real";
    }
    void estacaoDoAmbiente() {
        QFETCH(bool, definida);
        QFETCH(QByteArray, valor);
        QFETCH(QString, esperado);
        const QByteArray antes = qgetenv("PORTARIS_ESTACAO");
        const bool havia = qEnvironmentVariableIsSet("PORTARIS_ESTACAO");
        const auto restaurar = qScopeGuard([&] {
            if (havia)
                qputenv("PORTARIS_ESTACAO", antes);
            else
                qunsetenv("PORTARIS_ESTACAO");
        });
        qunsetenv("PORTARIS_ESTACAO");
        const QString real = IdentificadorEstacao();
        if (definida) qputenv("PORTARIS_ESTACAO", valor);
        if (esperado == QLatin1String("erro")) {
            try {
                IdentificadorEstacao();
                QFAIL("accepted");
            } catch (const ErroEstacao& e) {
                QVERIFY2(e.texto().contains(QLatin1String("PORTARIS_ESTACAO")), qPrintable(e.texto()));
                QVERIFY2(e.texto().contains(QLatin1Char('"') + QString::fromLatin1(valor) + QLatin1Char('"')),
                         qPrintable(e.texto()));
            }
        } else {
            QCOMPARE(IdentificadorEstacao(), esperado == QLatin1String("real") ? real : esperado);
        }
    }

    void codecIdaEVolta() {
        const QString usados = QStringLiteral("•©ÁÉÍÓÚáéíóúâêôãõçÇàÀüº°ª€–—“”‘’…");
        const QByteArray b = Codec1252::codificar(usados);
        QCOMPARE(b.size(), usados.size());
        QCOMPARE(Codec1252::decodificar(b), usados);
        QCOMPARE(Codec1252::codificar(QStringLiteral("•")), QByteArray("\x95"));
        QCOMPARE(Codec1252::codificar(QStringLiteral("©")), QByteArray("\xA9"));
        QCOMPARE(Codec1252::codificar(QStringLiteral("→")), QByteArray("?"));
        // Every byte decodes and encodes back to itself.
        QByteArray todos;
        for (int i = 0; i < 256; ++i)
            todos.append(char(i));
        QCOMPARE(Codec1252::codificar(Codec1252::decodificar(todos)), todos);
    }

    void relogioFalso() {
        RelogioFalso r(QDateTime(QDate(2024, 5, 7), QTime(14, 32, 50)), 0xFFFFFF00u);
        definirRelogio(&r);
        relogio().dormir(500);
        QCOMPARE(relogio().agora(), QDateTime(QDate(2024, 5, 7), QTime(14, 32, 50, 500)));
        r.avancar(1000);
        QCOMPARE(relogio().tick(), 0xFFFFFF00u + 1500u); // wraps like a 32-bit tick count
        int dormiu = 0;
        r.aoDormir([&](int ms) { dormiu += ms; });
        relogio().dormir(20);
        QCOMPARE(dormiu, 20);
        definirRelogio(nullptr);
        const quint32 t0 = relogio().tick();
        relogio().dormir(15);
        QVERIFY(quint32(relogio().tick() - t0) >= 14);
    }

    void analiseDeMensagens_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("tipoAnterior");
        QTest::addColumn<int>("codigo");
        QTest::addColumn<int>("tipo");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("erro simples") << "@!000ERRCabeça inválida!" << 1 << 0 << 0 << "Cabeça inválida!";
        QTest::newRow("palavras antes")
            << "exception 1\nE_X\n@!000ERRLeitora ocupada" << 1 << 0 << 0 << "Leitora ocupada";
        QTest::newRow("pergunta") << "@!-01AVIConfirma apagar acessos/rondas?" << 0 << -1 << 1
                                  << "Confirma apagar acessos/rondas?";
        QTest::newRow("sucesso") << "@!000OKKConfiguração salva com sucesso." << 0 << 0 << 2
                                 << "Configuração salva com sucesso.";
        QTest::newRow("tipo desconhecido mantém o anterior") << "@!000XYZTexto" << 0 << 0 << 0 << "Texto";
        QTest::newRow("tipo desconhecido após aviso") << "@!000???Texto" << 1 << 0 << 1 << "Texto";
        QTest::newRow("quebras de linha") << "@!000ERRHora Inválida\r\nInício deve ser <= que fim!" << 1 << 0
                                          << 0 << "Hora Inválida\r\nInício deve ser <= que fim!";
        QTest::newRow("só o primeiro @!") << "a@!000AVIum @!000ERRdois" << 0 << 0 << 1 << "um @!000ERRdois";
        QTest::newRow("outro código, sem botões") << "@!005AVIx" << 0 << 5 << 1 << "x";
        QTest::newRow("erro do banco sem @!")
            << "violation of PRIMARY or UNIQUE KEY" << 1 << 0 << 0 << "violation of PRIMARY or UNIQUE KEY";
        QTest::newRow("código que não é número") << "@!abcERRx" << 1 << 0 << 0 << "@!abcERRx";
        QTest::newRow("curto demais") << "@!0" << 1 << 0 << 0 << "@!0";
    }
    void analiseDeMensagens() {
        QFETCH(QString, texto);
        QFETCH(int, tipoAnterior);
        QFETCH(int, codigo);
        QFETCH(int, tipo);
        QFETCH(QString, mensagem);
        const MensagemCodificada m = AnalisarMensagem(texto, TipoMensagem(tipoAnterior));
        QCOMPARE(int(m.codigo), codigo);
        QCOMPARE(int(m.tipo), tipo);
        QCOMPARE(m.texto, mensagem);
    }

    void tipoPassaDeUmaMensagemAOutra() {
        struct Gravador : Operador {
            QList<MensagemCodificada> vistas;
            Resposta exibir(const MensagemCodificada& m) override {
                vistas << m;
                return m.codigo == -1 ? Resposta::Sim : Resposta::OK;
            }
        } op;
        definirOperador(&op);
        QCOMPARE(MostrarMensagem("@!000ERRfalhou"), Resposta::OK);
        MostrarMensagem("@!000QQQdepois do erro");
        QCOMPARE(Perguntar("Confirma sair do Portaris"), Resposta::Sim);
        MostrarMensagem("@!000QQQdepois da pergunta");
        QVERIFY_THROWS_EXCEPTION(Abort, Recusar("@!000ERRCabeça inválida!"));
        definirOperador(nullptr);
        QCOMPARE(op.vistas.size(), 5);
        QCOMPARE(op.vistas[1].tipo, TipoMensagem::Erro);
        QCOMPARE(op.vistas[2].codigo, qint16(-1));
        QCOMPARE(op.vistas[2].tipo, TipoMensagem::Aviso);
        QCOMPARE(op.vistas[2].texto, QStringLiteral("Confirma sair do Portaris"));
        QCOMPARE(op.vistas[3].tipo, TipoMensagem::Aviso);
        QCOMPARE(op.vistas[4].texto, QStringLiteral("Cabeça inválida!"));
        QCOMPARE(MostrarMensagem("@!000AVIsem operador"), Resposta::Fechada);
    }

    void logDeEventos() {
        RelogioFalso r(QDateTime(QDate(2024, 5, 7), QTime(14, 32, 5)));
        definirRelogio(&r);
        QCOMPARE(LinhaLog(), QStringLiteral("2024-05-07 14:32 : "));
        GravarLog({QStringLiteral("Inicializa o Portaris")});
        r.avancar(40'000); // same minute
        GravarLog({QStringLiteral("Finaliza o Portaris")});
        r.avancar(60'000);
        GravarLog({QStringLiteral("Inicio btCONClick(Sender: TObject)"),
                   QStringLiteral("Fim btCONClick(Sender: TObject)")},
                  2);
        QCOMPARE(conteudo(CaminhoLog()),
                 QByteArray("2024-05-07 14:32 : Inicializa o Portaris\n\n"
                            "2024-05-07 14:32 : Finaliza o Portaris\n\n"
                            "2024-05-07 14:33 : Inicio btCONClick(Sender: TObject)\n"
                            "2024-05-07 14:33 : Fim btCONClick(Sender: TObject)\n\n\n"));
    }

    void logAcrescentaComoCarregarESalvar() {
        RelogioFalso r(QDateTime(QDate(2024, 5, 7), QTime(9, 0)));
        definirRelogio(&r);
        escrever(CaminhoLog(), "linha antiga sem quebra");
        GravarLog({QStringLiteral("Confirmou apagar acessos/rondas")});
        QCOMPARE(
            conteudo(CaminhoLog()),
            QByteArray("linha antiga sem quebra\n2024-05-07 09:00 : Confirmou apagar acessos/rondas\n\n"));
    }

    void logQueNaoPodeSerEscritoFalha() {
        QDir().mkpath(CaminhoLog()); // a folder where the file should be
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, GravarLog({QStringLiteral("x")}));
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
