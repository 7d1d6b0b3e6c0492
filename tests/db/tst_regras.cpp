// Datasets and the record rules of the data module, on a real embedded database.
#include "ModuloTeste.h"

#include <QSignalSpy>

using namespace portaris;

namespace {
const QStringList kEntradas = {"SEGE", "TERE", "QUAE", "QUIE", "SEXE", "SABE", "DOME"};
const QStringList kSaidas = {"SEGS", "TERS", "QUAS", "QUIS", "SEXS", "SABS", "DOMS"};
} // namespace

class TstRegras : public QObject {
    Q_OBJECT
private slots:
    void novoUsuario_data();
    void novoUsuario();
    void chaveTiradaAoCriar();
    void chaveTiradaAoGravar();
    void procedimentoAntesDaInclusao_data();
    void procedimentoAntesDaInclusao();
    void procedimentoAntesMudado();
    void janelasDoUsuario_data();
    void janelasDoUsuario();
    void validadores_data();
    void validadores();
    void leitorasAntesDeGravar_data();
    void leitorasAntesDeGravar();
    void controladoraRecebePortas();
    void apagarDispositivo();
    void horariosDeRonda_data();
    void horariosDeRonda();
    void rolagemReabreHabilitacoes();
    void erroDoBancoMantemOsValores();
    void edicaoGravaSoOQueMudou();
    void novoRegistroSegueARolagem();
    void conflitoNaoEspera();
    void fotosSoQuandoPedidas();
    void emEdicao();
    void mascarasQt_data();
    void mascarasQt();
    void textoLongoCortado();
    void linhasGuardamCadaTipo();
    void listagemPorPagina();
};

void TstRegras::novoUsuario_data() {
    QTest::addColumn<QString>("expiraem");
    QTest::addColumn<int>("dias");
    QTest::newRow("padrão") << QString() << 365;
    QTest::newRow("configurado") << "30" << 30;
    QTest::newRow("ilegível") << "trinta" << 365;
}

void TstRegras::novoUsuario() {
    QFETCH(QString, expiraem);
    QFETCH(int, dias);
    ModuloTeste m(false);
    if (!expiraem.isEmpty()) ArquivoIni::config().GravarTexto("outros", "expiraem", expiraem);
    QVERIFY(m.dm->CONECTAR("ptconfig.ini"));
    auto& u = m.dm->setUSU;
    u.inserir();
    u.definir("NOME", "Novo");
    u.gravar();
    QCOMPARE(u.estado(), EstadoConjunto::Navegando);
    u.atualizar();
    QVERIFY(u.localizar("NOME", "Novo"));
    for (int d = 0; d < 7; ++d) {
        QCOMPARE(u.texto(kEntradas[d]), QStringLiteral("00:00:00"));
        QCOMPARE(u.texto(kSaidas[d]), QStringLiteral("23:59:59"));
    }
    for (const char* f : {"EXPIRA", "NAOACESSOFERIADOS", "NAOLISTARELAT", "DESABILITAR", "AVSREC"})
        QCOMPARE(u.valor(f).toString(), QStringLiteral("0"));
    QCOMPARE(u.valor("EXPIRAEM").toDate(), m.relogio.hoje().addDays(dias));
}

// The key comes from the generator before the after-insert rule; a cancelled record uses it up.
void TstRegras::chaveTiradaAoCriar() {
    ModuloTeste m;
    struct Caso {
        Conjunto* c;
        const char* gerador;
    };
    for (auto [c, gerador] : QList<Caso>{{&m.dm->setUSU, "GEN_CHAVE_USUARIO"},
                                         {&m.dm->setLEI, "GEN_CHAVE_LEITORA"},
                                         {&m.dm->setLEI64, "GEN_CHAVE_LEITORA"},
                                         {&m.dm->setCNL, "GEN_CHAVE_LEITORA"},
                                         {&m.dm->setGRP, "GEN_CHAVE_GRUPO"},
                                         {&m.dm->setCON, "GEN_CHAVE_CONTA"},
                                         {&m.dm->setRON, "GEN_CHAVE_RONDA"},
                                         {&m.dm->setFAM, "GEN_CHAVE_FAMILIA"}}) {
        QVariant vista;
        auto regra = c->depoisInserir;
        c->depoisInserir = [&](Conjunto& d) {
            vista = d.valor("CHAVE");
            if (regra) regra(d);
        };
        c->inserir();
        const int primeira = vista.toInt();
        QVERIFY2(primeira > 0, qPrintable(c->nome()));
        c->cancelar();
        c->inserir();
        QCOMPARE(vista.toInt(), primeira + 1);
        c->cancelar();
        const qint64 atual =
            m.dm->dbBANCO.valor(QStringLiteral("SELECT GEN_ID(%1, 0) FROM RDB$DATABASE").arg(gerador))
                .toLongLong();
        QCOMPARE(atual, vista.toLongLong()); // both drawn keys are used up
        c->depoisInserir = regra;
    }
}

// An access row takes its key as it is stored, in the insert itself: none while it is built, the
// generator's next once stored, and a refused insert leaves the record in edit, keyless, with what
// was typed in it.
void TstRegras::chaveTiradaAoGravar() {
    ModuloTeste m;
    Banco& b = m.dm->dbBANCO;
    Unidade::gravar(b, [&] { b.executar("CREATE EXCEPTION E_RECUSA 'linha recusada'"); });
    Unidade::gravar(b, [&] {
        b.executar("CREATE TRIGGER T_RECUSA FOR ACESSO BEFORE INSERT AS BEGIN "
                   "IF (NEW.NOME = 'recusada') THEN EXCEPTION E_RECUSA; END");
    });
    m.dm->abrirAcessosDeHoje();
    Conjunto& a = m.dm->setACE;
    const auto proxima = [&] { return b.valor("SELECT GEN_ID(GEN_CHAVE_ACESSO, 0) FROM RDB$DATABASE").toInt() + 1; };
    for (const char* nome : {"Ana", "Bia"}) {
        const int esperada = proxima();
        a.inserir();
        QVERIFY(a.valor("CHAVE").isNull());
        a.definir("NOME", nome);
        a.definir("DATA", m.relogio.hoje());
        a.definir("COMPUTADOR", TdmPORTARIS::NOME_COMPUTADOR());
        a.gravar();
        QCOMPARE(a.valor("CHAVE").toInt(), esperada);
        QCOMPARE(b.valor("SELECT NOME FROM ACESSO WHERE CHAVE = :K", {{"K", esperada}}).toString(), QString(nome));
    }
    a.inserir();
    a.definir("NOME", "recusada");
    try {
        a.gravar();
        QFAIL("the trigger's refusal was not seen");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.texto().contains("linha recusada"), qPrintable(e.texto()));
    }
    QCOMPARE(a.estado(), EstadoConjunto::Inserindo);
    QVERIFY(a.valor("CHAVE").isNull());
    QCOMPARE(a.valor("NOME").toString(), QStringLiteral("recusada"));
    a.definir("NOME", "Cai");
    const int esperada = proxima();
    a.gravar();
    QCOMPARE(a.valor("CHAVE").toInt(), esperada);
    QCOMPARE(b.valor("SELECT COUNT(*) FROM ACESSO").toInt(), 3);
}

// A procedure run by the insert's own statement: both are stored or neither, whatever the unit
// around them does next, and the key is drawn only once the procedure ran.
void TstRegras::procedimentoAntesDaInclusao_data() {
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("posicao");
    QTest::addColumn<QString>("erro"); // empty: both stored
    QTest::newRow("os dois gravados") << "Ação às 7h — São João" << "E" << QString();
    QTest::newRow("a linha recusada desfaz o procedimento") << "recusada" << "E" << "linha recusada";
    QTest::newRow("o procedimento recusado não deixa linha") << "Ana" << "X" << "posição recusada";
}

void TstRegras::procedimentoAntesDaInclusao() {
    QFETCH(QString, nome);
    QFETCH(QString, posicao);
    QFETCH(QString, erro);
    ModuloTeste m;
    Banco& b = m.dm->dbBANCO;
    Unidade::gravar(b, [&] {
        b.executar("CREATE EXCEPTION E_RECUSA 'linha recusada'");
        b.executar("CREATE EXCEPTION E_POSICAO 'posição recusada'");
    });
    Unidade::gravar(b, [&] {
        b.executar("CREATE TRIGGER T_RECUSA FOR ACESSO BEFORE INSERT AS BEGIN "
                   "IF (NEW.NOME = 'recusada') THEN EXCEPTION E_RECUSA; END");
        // The row's key is taken after this: the holder's note keeps the generator as it stood.
        b.executar("CREATE TRIGGER T_POSICAO FOR USUARIO BEFORE UPDATE AS BEGIN "
                   "IF (NEW.POSICAO = 'X') THEN EXCEPTION E_POSICAO; "
                   "NEW.INTERFONE = GEN_ID(GEN_CHAVE_ACESSO, 0); END");
        b.executar("INSERT INTO USUARIO (CHAVE, NOME, POSICAO) VALUES (7, 'Ana', 'S')");
    });
    m.dm->abrirAcessosDeHoje();
    Conjunto& a = m.dm->setACE;
    const int antes = b.valor("SELECT GEN_ID(GEN_CHAVE_ACESSO, 0) FROM RDB$DATABASE").toInt();
    a.inserir();
    a.definir("NOME", nome);
    a.definir("DATA", m.relogio.hoje());
    a.definir("HORA", QTime(7, 0, 1));
    const Conjunto::ProcedimentoAntes posicaoAntes{"ATUALIZA_POSICAO", {{"PPOS", posicao}, {"PCHAVE", 7}}};
    {
        // Inside a unit that is committed even so, as a card's unit would after a failure it ignored.
        Unidade u(b, 1);
        try {
            a.gravar(posicaoAntes);
            QVERIFY2(erro.isEmpty(), "the refusal was not seen");
        } catch (const ErroBanco& e) {
            QVERIFY2(!erro.isEmpty() && e.texto().contains(erro), qPrintable(e.texto()));
        }
        u.commit();
    }
    Banco outra;
    outra.conectar(m.arquivo, "SYSDBA", "masterkey");
    const QVariantList usuario = {outra.valor("SELECT POSICAO FROM USUARIO WHERE CHAVE = 7"),
                                  outra.valor("SELECT INTERFONE FROM USUARIO WHERE CHAVE = 7")};
    if (erro.isEmpty()) {
        QCOMPARE(a.estado(), EstadoConjunto::Navegando);
        QCOMPARE(a.valor("CHAVE").toInt(), antes + 1);
        QCOMPARE(outra.valor("SELECT NOME FROM ACESSO WHERE CHAVE = :K", {{"K", antes + 1}}).toString(), nome);
        QCOMPARE(outra.valor("SELECT HORA FROM ACESSO WHERE CHAVE = :K", {{"K", antes + 1}}).toTime(), QTime(7, 0, 1));
        QCOMPARE(usuario[0].toString(), posicao);
        QCOMPARE(usuario[1].toString(), QString::number(antes));
    } else {
        QCOMPARE(a.estado(), EstadoConjunto::Inserindo);
        QVERIFY(a.valor("CHAVE").isNull());
        QCOMPARE(outra.valor("SELECT COUNT(*) FROM ACESSO").toInt(), 0);
        QCOMPARE(usuario[0].toString(), QStringLiteral("S"));
        QVERIFY(usuario[1].isNull());
    }
    // Only a new row takes a procedure with it, and only the procedure's own inputs.
    a.cancelar();
    a.inserir();
    QVERIFY_THROWS_EXCEPTION(ErroBanco, a.gravar({"ATUALIZA_POSICAO", {{"PNADA", 1}}}));
    a.cancelar();
    if (a.quantidade() > 0) {
        a.editar();
        QVERIFY_THROWS_EXCEPTION(ErroBanco, a.gravar(posicaoAntes));
    }
}

// A procedure whose parameters changed since its block was typed (another station's upgrade)
// costs one save: the next one types the block again from the catalogue.
void TstRegras::procedimentoAntesMudado() {
    ModuloTeste m;
    Banco& b = m.dm->dbBANCO;
    Unidade::gravar(b, [&] { b.executar("INSERT INTO USUARIO (CHAVE, NOME, POSICAO) VALUES (7, 'Ana', 'S')"); });
    m.dm->abrirAcessosDeHoje();
    Conjunto& a = m.dm->setACE;
    const auto passar = [&](const char* posicao) {
        a.inserir();
        a.definir("NOME", "Ana");
        a.definir("DATA", m.relogio.hoje());
        Unidade u(b);
        a.gravar({"ATUALIZA_POSICAO", {{"PCHAVE", 7}, {"PPOS", posicao}}});
        u.commit();
    };
    passar("E");
    b.reconectar(); // nothing prepared holds the procedure
    Unidade::gravar(b, [&] {
        b.executar("ALTER PROCEDURE ATUALIZA_POSICAO (PCHAVE BIGINT, PPOS VARCHAR(2)) AS BEGIN "
                   "UPDATE USUARIO SET POSICAO = :PPOS WHERE CHAVE = :PCHAVE; END");
    });
    QVERIFY_THROWS_EXCEPTION(ErroBanco, passar("S"));
    a.cancelar();
    passar("S");
    QCOMPARE(b.valor("SELECT POSICAO FROM USUARIO WHERE CHAVE = 7").toString(), QStringLiteral("S"));
    QCOMPARE(b.valor("SELECT COUNT(*) FROM ACESSO").toInt(), 2);
}

void TstRegras::janelasDoUsuario_data() {
    QTest::addColumn<int>("dia");
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("saida");
    QTest::addColumn<bool>("aceito");
    QTest::newRow("quarta invertida") << 2 << "18:00:00"
                                      << "08:00:00" << false;
    QTest::newRow("quarta vazia") << 2 << "08:00:00"
                                  << "08:00:00" << true;
    QTest::newRow("domingo invertido por um segundo") << 6 << "10:00:01"
                                                      << "10:00:00" << false;
    QTest::newRow("segunda normal") << 0 << "07:00:00"
                                    << "19:00:00" << true;
}

void TstRegras::janelasDoUsuario() {
    QFETCH(int, dia);
    QFETCH(QString, entrada);
    QFETCH(QString, saida);
    QFETCH(bool, aceito);
    ModuloTeste m;
    auto& u = m.dm->setUSU;
    const int antes = m.dm->dbBANCO.valor("SELECT COUNT(*) FROM USUARIO").toInt();
    u.inserir();
    u.definir("NOME", "Carla");
    u.definirTexto(kEntradas[dia], entrada);
    u.definirTexto(kSaidas[dia], saida);
    QCOMPARE(ModuloTeste::parou([&] { u.gravar(); }), !aceito);
    if (aceito) {
        QVERIFY(m.operador.textos().isEmpty());
        QCOMPARE(m.dm->dbBANCO.valor("SELECT COUNT(*) FROM USUARIO").toInt(), antes + 1);
    } else {
        QCOMPARE(m.operador.textos(), QStringList{"Existe um horário informado que não procede!"});
        QCOMPARE(u.estado(), EstadoConjunto::Inserindo);
        QCOMPARE(u.texto(kEntradas[dia]), entrada);
        QCOMPARE(u.valor("NOME").toString(), QStringLiteral("Carla"));
        QCOMPARE(m.dm->dbBANCO.valor("SELECT COUNT(*) FROM USUARIO").toInt(), antes);
    }
}

void TstRegras::validadores_data() {
    QTest::addColumn<QString>("conjunto");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("guardado");
    QTest::addColumn<QString>("mensagem");
    QTest::newRow("hora válida") << "setUSU"
                                 << "SEGE"
                                 << "08:05:00"
                                 << "08:05:00"
                                 << "";
    QTest::newRow("hora sem zero") << "setUSU"
                                   << "SEGE"
                                   << " 8:05:00"
                                   << "08:05:00"
                                   << "";
    QTest::newRow("hora impossível") << "setUSU"
                                     << "SEGS"
                                     << "24:61:00"
                                     << "00:00:00"
                                     << "Hora Inválida!";
    QTest::newRow("hora vazia") << "setGRP"
                                << "DOME"
                                << "--:--:--"
                                << "00:00:00"
                                << "Hora Inválida!";
    QTest::newRow("ronda início") << "tbRON"
                                  << "INICIO"
                                  << "25:00:00"
                                  << "00:00:00"
                                  << "Hora Inválida!";
    QTest::newRow("data válida") << "setUSU"
                                 << "EXPIRAEM"
                                 << "05/03/2024"
                                 << "05/03/2024"
                                 << "";
    QTest::newRow("data impossível") << "setUSU"
                                     << "EXPIRAEM"
                                     << "31/02/2024"
                                     << "07/05/2024"
                                     << "Hora Inválida!";
    QTest::newRow("cabeça") << "tbRON"
                            << "CABECA"
                            << "200"
                            << "200"
                            << "";
    QTest::newRow("cabeça fora da faixa passa") << "tbRON"
                                                << "CABECA"
                                                << "999"
                                                << "999"
                                                << "";
    QTest::newRow("cabeça inválida") << "tbRON"
                                     << "CABECA"
                                     << "-x-"
                                     << "0"
                                     << "Cabeça inválida!";
}

void TstRegras::validadores() {
    QFETCH(QString, conjunto);
    QFETCH(QString, campo);
    QFETCH(QString, texto);
    QFETCH(QString, guardado);
    QFETCH(QString, mensagem);
    ModuloTeste m;
    Conjunto* c = conjunto == "setUSU" ? &m.dm->setUSU : conjunto == "setGRP" ? &m.dm->setGRP : &m.dm->tbRON;
    if (c == &m.dm->tbRON) {
        m.dm->setRON.inserir();
        m.dm->setRON.gravar();
    }
    c->inserir();
    QCOMPARE(ModuloTeste::parou([&] { c->definirTexto(campo, texto); }), !mensagem.isEmpty());
    QCOMPARE(c->texto(campo), guardado);
    QCOMPARE(m.operador.textos(), mensagem.isEmpty() ? QStringList() : QStringList{mensagem});
    QCOMPARE(c->estado(), EstadoConjunto::Inserindo);
}

void TstRegras::leitorasAntesDeGravar_data() {
    QTest::addColumn<QString>("conjunto");
    QTest::addColumn<QString>("confirmar");
    QTest::addColumn<QString>("reingresso");
    QTest::addColumn<QString>("visualizar");
    QTest::addColumn<QString>("reingressoGravado");
    QTest::addColumn<QString>("visualizarGravado");
    for (const char* c : {"setLEI", "setLEI64"}) {
        QTest::addRow("%s sem confirmação força reingresso", c) << c << "0"
                                                                << "0"
                                                                << "1"
                                                                << "1"
                                                                << "1";
        QTest::addRow("%s com confirmação desliga foto", c) << c << "1"
                                                            << "0"
                                                            << "1"
                                                            << "0"
                                                            << "0";
    }
}

void TstRegras::leitorasAntesDeGravar() {
    QFETCH(QString, conjunto);
    QFETCH(QString, confirmar);
    QFETCH(QString, reingresso);
    QFETCH(QString, visualizar);
    QFETCH(QString, reingressoGravado);
    QFETCH(QString, visualizarGravado);
    ModuloTeste m;
    Conjunto& c = conjunto == "setLEI" ? m.dm->setLEI : m.dm->setLEI64;
    c.inserir();
    // The defaults of a new reader differ between the two models.
    QCOMPARE(c.valor("CONFIRMARACESSO").toString(),
             conjunto == "setLEI" ? QStringLiteral("1") : QStringLiteral("0"));
    QCOMPARE(c.valor("RELE").toInt(), conjunto == "setLEI" ? 250 : 1000);
    c.definir("SERIALNUM", m.dm->estacao);
    c.definir("CONFIRMARACESSO", confirmar);
    c.definir("PERMITIRREINGRESSO", reingresso);
    c.definir("VISUALIZAR", visualizar);
    c.gravar();
    const auto chave = c.valor("CHAVE");
    const QString sql =
        QStringLiteral("SELECT PERMITIRREINGRESSO || VISUALIZAR FROM %1 WHERE CHAVE = :K").arg(c.tabela());
    QCOMPARE(m.dm->dbBANCO.valor(sql, {{"K", chave}}).toString(), reingressoGravado + visualizarGravado);
    QVERIFY(m.operador.textos().isEmpty());
}

void TstRegras::controladoraRecebePortas() {
    ModuloTeste m;
    auto& c = m.dm->setCNL;
    c.inserir();
    QCOMPARE(c.valor("FREQDOWN").toInt(), 10);
    QCOMPARE(c.valor("TIMEOUT3").toInt(), 10);
    c.definir("SERIALNUM", m.dm->estacao);
    c.definir("CONFIRMARACESSO", "1");
    c.definir("VISUALIZAR", "1");
    c.gravar();
    QCOMPARE(c.valor("VISUALIZAR").toString(), QStringLiteral("0"));
    QSet<int> chaves{c.valor("CHAVE").toInt()};
    for (int p = 1; p <= 4; ++p)
        chaves << c.valor(QStringLiteral("CHAVEP0%1").arg(p)).toInt();
    QCOMPARE(chaves.size(), 5);
    QVERIFY(!chaves.contains(0));
    // Reopening the station's devices finds it again.
    c.atualizar();
    QCOMPARE(c.quantidade(), 1);
}

// Deleting a reader removes its enablings; deleting a controller leaves its doors' enablings.
void TstRegras::apagarDispositivo() {
    ModuloTeste m;
    auto& dm = *m.dm;
    dm.setUSU.inserir();
    dm.setUSU.definir("NOME", "Ana");
    dm.setUSU.gravar();
    const int u = dm.setUSU.valor("CHAVE").toInt();
    QMap<QString, int> chaves;
    for (Conjunto* c : {&dm.setLEI, &dm.setLEI64, &dm.setCNL}) {
        c->inserir();
        c->definir("SERIALNUM", dm.estacao);
        c->gravar();
        chaves[c->nome()] = c == &dm.setCNL ? c->valor("CHAVEP01").toInt() : c->valor("CHAVE").toInt();
        Procedimento& p = dm.sp("HABILITADO_INSERIR");
        p.definir("PUCHAVE", u);
        p.definir("PLCHAVE", chaves[c->nome()]);
        p.definir("PMEMORIZAR", 0);
        Unidade::gravar(dm.dbBANCO, [&] { p.executar(); });
    }
    auto habilitado = [&](int l) {
        return dm.dbBANCO.valor("SELECT COUNT(*) FROM HABILITADO WHERE LCHAVE = :L", {{"L", l}}).toInt();
    };
    for (Conjunto* c : {&dm.setLEI, &dm.setLEI64, &dm.setCNL}) {
        c->apagar();
        QCOMPARE(c->quantidade(), 0);
        QCOMPARE(habilitado(chaves[c->nome()]), c == &dm.setCNL ? 1 : 0);
    }
}

void TstRegras::horariosDeRonda_data() {
    QTest::addColumn<bool>("editar"); // edit the stored row 10:00–11:00 @200 instead of adding one
    QTest::addColumn<QString>("inicio");
    QTest::addColumn<QString>("fim");
    QTest::addColumn<int>("cabeca");
    QTest::addColumn<QString>("mensagem");
    const QString invertida = "Hora Inválida\r\nInício deve ser <= que fim!";
    const QString semLeitora = "Leitora não informada\r\nInforme a qual leitora deseja atribuir o horário!";
    const QString conflito = "Horário informado conflita com outro na mesma leitora!";
    QTest::newRow("início depois do fim") << false << "12:00:00"
                                          << "11:00:00" << 200 << invertida;
    QTest::newRow("sem leitora") << false << "12:00:00"
                                 << "13:00:00" << 0 << semLeitora;
    QTest::newRow("invertida e sem leitora: a primeira") << false << "13:00:00"
                                                         << "12:00:00" << 0 << invertida;
    QTest::newRow("janela de um instante") << false << "12:00:00"
                                           << "12:00:00" << 200 << "";
    QTest::newRow("início dentro de outra") << false << "10:30:00"
                                            << "12:00:00" << 200 << conflito;
    QTest::newRow("fim no limite de outra") << false << "09:00:00"
                                            << "10:00:00" << 200 << conflito;
    QTest::newRow("mesma hora em outra leitora") << false << "10:30:00"
                                                 << "10:45:00" << 201 << "";
    QTest::newRow("editar a própria janela") << true << "10:15:00"
                                             << "10:45:00" << 200 << "";
    QTest::newRow("editar sem mudar nada") << true << "10:00:00"
                                           << "11:00:00" << 200 << "";
    QTest::newRow("editar para dentro de outra") << true << "14:30:00"
                                                 << "14:40:00" << 200 << conflito;
    QTest::newRow("editar só a cabeça") << true << "10:00:00"
                                        << "11:00:00" << 201 << "";
}

// Mend: editing a row does not count the row's own stored window as a conflict.
void TstRegras::horariosDeRonda() {
    QFETCH(bool, editar);
    QFETCH(QString, inicio);
    QFETCH(QString, fim);
    QFETCH(int, cabeca);
    QFETCH(QString, mensagem);
    ModuloTeste m;
    auto& ron = m.dm->setRON;
    auto& d = m.dm->tbRON;
    ron.inserir();
    ron.definir("APELIDO", "Vigia");
    ron.gravar();
    for (auto [i, f] :
         QList<std::pair<const char*, const char*>>{{"10:00:00", "11:00:00"}, {"14:00:00", "15:00:00"}}) {
        d.inserir();
        d.definirTexto("INICIO", i);
        d.definirTexto("FIM", f);
        d.definirTexto("CABECA", "200");
        d.gravar();
    }
    QVERIFY(m.operador.textos().isEmpty());
    if (editar) {
        d.primeiro();
        d.editar();
    } else {
        d.inserir();
        QCOMPARE(d.posicao(), 1); // the new row goes after the last one
        QCOMPARE(d.valor("CHAVE"), ron.valor("CHAVE"));
        QCOMPARE(d.texto("FIM"), QStringLiteral("23:59:59"));
    }
    d.definirTexto("INICIO", inicio);
    d.definirTexto("FIM", fim);
    d.definirTexto("CABECA", QString::number(cabeca));
    QCOMPARE(ModuloTeste::parou([&] { d.gravar(); }), !mensagem.isEmpty());
    QCOMPARE(m.operador.textos(), mensagem.isEmpty() ? QStringList() : QStringList{mensagem});
    if (mensagem.isEmpty()) {
        d.atualizar();
        QCOMPARE(d.quantidade(), editar ? 2 : 3);
        QCOMPARE(m.dm->dbBANCO
                     .valor("SELECT COUNT(*) FROM RONDAD WHERE INICIO = :I AND FIM = :F AND CABECA = :C",
                            {{"I", inicio}, {"F", fim}, {"C", cabeca}})
                     .toInt(),
                 1);
    } else {
        QVERIFY(d.emEdicao());
        QCOMPARE(d.texto("INICIO"), inicio);
    }
}

void TstRegras::rolagemReabreHabilitacoes() {
    ModuloTeste m;
    auto& dm = *m.dm;
    QSignalSpy marcar(&dm, &TdmPORTARIS::MARCAR_HABILITADOS);
    for (const char* n : {"Ana", "Bruno"}) {
        dm.setUSU.inserir();
        dm.setUSU.definir("NOME", n);
        dm.setUSU.gravar();
        Procedimento& p = dm.sp("HABILITADO_INSERIR");
        p.definir("PUCHAVE", dm.setUSU.valor("CHAVE"));
        p.definir("PLCHAVE", QString(n) == "Ana" ? 700 : 800);
        p.definir("PMEMORIZAR", QString(n) == "Ana" ? 0 : 1);
        Unidade::gravar(dm.dbBANCO, [&] { p.executar(); });
    }
    dm.setUSU.atualizar();
    marcar.clear();
    QList<QVariantList> vistos;
    for (int i = 0; i < dm.setUSU.quantidade(); ++i) {
        dm.setUSU.irPara(i);
        vistos << QVariantList{dm.qrHAB->valor("PLCHAVE"), dm.qrHAB->valor("PMEMORIZAR")};
    }
    QCOMPARE(vistos, (QList<QVariantList>{{700, 0}, {800, 1}}));
    QCOMPARE(marcar.size(), 2); // once per move
    QVERIFY(dm.qrHAB->sql().contains("FROM HABILITADO_BUSCA"));
    // An empty list leaves the previous marks untouched.
    auto vazio = Conjunto(dm.dbBANCO, "vazio", "USUARIO", "CHAVE < 0");
    vazio.depoisRolar = dm.setUSU.depoisRolar;
    vazio.abrir();
    QCOMPARE(dm.qrHAB->valor("PLCHAVE").toInt(), 800);
}

// A refused write keeps the operator's values in insert state and leaves nothing half-written.
// What the engine and the messages program write while a holder is open for editing survives the
// edit's save; the row shown afterwards is the stored one.
void TstRegras::edicaoGravaSoOQueMudou() {
    ModuloTeste m;
    auto& u = m.dm->setUSU;
    u.inserir();
    u.definir("NOME", "Ana");
    u.gravar();
    const int chave = u.valor("CHAVE").toInt();
    Banco outra;
    outra.conectar(m.arquivo, "SYSDBA", "masterkey");
    u.editar();
    outra.executar(QStringLiteral("UPDATE USUARIO SET POSICAO = 'E', AVSREC = '1' WHERE CHAVE = %1").arg(chave));
    outra.commit();
    u.definir("INTERFONE", "3333-4444");
    u.gravar();
    outra.conectar(m.arquivo, "SYSDBA", "masterkey");
    Comando c(outra, QStringLiteral("SELECT POSICAO, AVSREC, INTERFONE FROM USUARIO WHERE CHAVE = %1").arg(chave));
    c.abrir();
    QVERIFY(c.proximo());
    QCOMPARE(c.linha(), (QList<QVariant>{"E", "1", "3333-4444"}));
    c.fechar();
    QCOMPARE(u.valor("POSICAO").toString(), QStringLiteral("E"));
    // A save with nothing changed writes nothing and keeps the record as stored.
    u.editar();
    u.gravar();
    QCOMPARE(u.estado(), EstadoConjunto::Navegando);
    QCOMPARE(u.valor("AVSREC").toString(), QStringLiteral("1"));
}

// A new record is the current one for the rules that follow the current record: no enabling
// marks of the holder shown before, no windows of the patrol card shown before.
void TstRegras::novoRegistroSegueARolagem() {
    ModuloTeste m;
    auto& dm = *m.dm;
    dm.setUSU.inserir();
    dm.setUSU.definir("NOME", "Ana");
    dm.setUSU.gravar();
    Procedimento& p = dm.sp("HABILITADO_INSERIR");
    p.definir("PUCHAVE", dm.setUSU.valor("CHAVE"));
    p.definir("PLCHAVE", 700);
    p.definir("PMEMORIZAR", 0);
    Unidade::gravar(dm.dbBANCO, [&] { p.executar(); });
    dm.setUSU.atualizar();
    QCOMPARE(dm.qrHAB->quantidade(), 1);
    QSignalSpy marcar(&dm, &TdmPORTARIS::MARCAR_HABILITADOS);
    dm.setUSU.inserir();
    QCOMPARE(marcar.size(), 1);
    QCOMPARE(dm.qrHAB->quantidade(), 0);
    dm.setUSU.cancelar(); // back on Ana, and her marks
    QCOMPARE(dm.qrHAB->quantidade(), 1);

    dm.setRON.inserir();
    dm.setRON.definir("CARTAO", "00000B0001");
    dm.setRON.gravar();
    dm.tbRON.inserir();
    dm.tbRON.definir("CABECA", 200);
    dm.tbRON.gravar();
    QCOMPARE(dm.tbRON.quantidade(), 1);
    dm.setRON.inserir();
    QCOMPARE(dm.tbRON.quantidade(), 0);
    QCOMPARE(dm.tbRON.valor("CHAVE"), QVariant());
}

void TstRegras::erroDoBancoMantemOsValores() {
    ModuloTeste m;
    auto& con = m.dm->setCON;
    con.inserir();
    QCOMPARE(con.valor("SENHA").toString(), QStringLiteral("958"));
    con.definir("LOGIN", "admin");
    con.definir("NOME", "Outro");
    try {
        con.gravar();
        QFAIL("duplicate login accepted");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.texto().contains("IDX_CONTA_LOGIN"), qPrintable(e.texto()));
    }
    QCOMPARE(con.estado(), EstadoConjunto::Inserindo);
    QCOMPARE(con.valor("NOME").toString(), QStringLiteral("Outro"));
    QCOMPARE(m.dm->dbBANCO.valor("SELECT COUNT(*) FROM CONTA").toInt(), 1);
    con.definir("LOGIN", "outro");
    con.gravar();
    QCOMPARE(m.dm->dbBANCO.valor("SELECT COUNT(*) FROM CONTA").toInt(), 2);
    // Saving an edit is refused the same way.
    con.editar();
    con.definir("LOGIN", "admin");
    QVERIFY_THROWS_EXCEPTION(ErroBanco, con.gravar());
    QCOMPARE(con.estado(), EstadoConjunto::Editando);
    con.cancelar();
    QCOMPARE(con.valor("LOGIN").toString(), QStringLiteral("outro"));
}

// Another attachment holding the row makes a nowait save fail at once, keeping the edit.
void TstRegras::conflitoNaoEspera() {
    ModuloTeste m;
    Banco outra;
    outra.conectar(m.arquivo, "SYSDBA", "masterkey");
    outra.executar("UPDATE CONTA SET NOME = 'Outra estação' WHERE LOGIN = 'admin'");
    auto& con = m.dm->setCON;
    con.editar();
    con.definir("NOME", "Esta estação");
    try {
        con.gravar();
        QFAIL("a locked row was written");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.conflitoDeBloqueio(), qPrintable(e.texto()));
    }
    QCOMPARE(con.estado(), EstadoConjunto::Editando);
    outra.rollback();
    con.gravar();
    QCOMPARE(outra.valor("SELECT NOME FROM CONTA WHERE LOGIN = 'admin'").toString(),
             QStringLiteral("Esta estação"));
}

void TstRegras::fotosSoQuandoPedidas() {
    ModuloTeste m;
    auto& u = m.dm->setUSU;
    const QByteArray foto(60 * 1024, 'F');
    u.inserir();
    u.definir("NOME", "Com foto");
    u.definirBlob("FOTO", foto);
    u.definir("OBSERVACAO", QStringLiteral("Mora no 12º andar"));
    u.gravar();
    u.atualizar();
    QVERIFY(u.campo("FOTO").blob);
    QVERIFY(!u.valor("FOTO").isValid() || u.valor("FOTO").isNull()); // rows do not carry it
    QCOMPARE(u.lerBlob("FOTO").toByteArray(), foto);
    QCOMPARE(u.lerBlob("OBSERVACAO").toString(), QStringLiteral("Mora no 12º andar"));
    // Editing other fields keeps the photo; replacing it writes the new one.
    u.editar();
    u.definir("NOME", "Com foto nova");
    u.gravar();
    QCOMPARE(u.lerBlob("FOTO").toByteArray(), foto);
    u.editar();
    u.definirBlob("FOTO", QByteArray("BM"));
    u.gravar();
    QCOMPARE(u.lerBlob("FOTO").toByteArray(), QByteArray("BM"));
}

void TstRegras::emEdicao() {
    ModuloTeste m;
    auto& dm = *m.dm;
    QVERIFY(!dm.EM_EDICAO());
    for (Conjunto* c :
         {&dm.setACE, &dm.setUSU, &dm.setRON, &dm.setLEI, &dm.setCON, &dm.setLEI64, &dm.setCNL, &dm.setGRP}) {
        c->inserir();
        QVERIFY2(dm.EM_EDICAO(), qPrintable(c->nome()));
        c->cancelar();
    }
    dm.setFAM.inserir();
    QVERIFY(!dm.EM_EDICAO());
    dm.setFAM.cancelar();
    QVERIFY(!dm.EM_EDICAO());
}

void TstRegras::mascarasQt_data() {
    QTest::addColumn<QString>("delphi");
    QTest::addColumn<QString>("qt");
    QTest::newRow("hora") << "!90:00:00;1;-"
                          << "09:99:99;-";
    QTest::newRow("data") << "!90/00/0000;1;-"
                          << "09/99/9999;-";
    QTest::newRow("cabeça") << "!000;1;-"
                            << "999;-";
    QTest::newRow("cartão") << "!aaaaaaaaaa;1; "
                            << ">nnnnnnnnnn; "; // letters upper-cased as typed
}

void TstRegras::mascarasQt() {
    QFETCH(QString, delphi);
    QFETCH(QString, qt);
    QCOMPARE(MascaraQt(delphi), qt);
}

// A text longer than its column is cut to the column, as a form's field would: an access row with
// a long observation is stored rather than refused and lost.
void TstRegras::textoLongoCortado() {
    ModuloTeste m;
    Conjunto& a = m.dm->setACE;
    QCOMPARE(a.campo("NOTA2").tamanho, 70);
    QCOMPARE(a.campo("CHAVE").tamanho, 0);
    const QString obs = QString(68, u'o') + QStringLiteral("çã fim");
    const QString nome = QString(119, u'N') + QStringLiteral("\U0001F600"); // the cut falls inside the pair
    a.inserir();
    a.definir("DATA", m.relogio.hoje());
    a.definir("COMPUTADOR", TdmPORTARIS::NOME_COMPUTADOR());
    a.definir("NOTA2", obs);
    a.definir("NOME", nome);
    a.definir("NOTA", QStringLiteral("Acesso autorizado"));
    a.gravar();
    Comando c(m.dm->dbBANCO, "SELECT NOTA2, NOME, NOTA FROM ACESSO WHERE CHAVE = :K");
    c.definir("K", a.valor("CHAVE"));
    c.abrir();
    QVERIFY(c.proximo());
    QCOMPARE(c.campo(0).toString(), QString(68, u'o') + QStringLiteral("çã"));
    QCOMPARE(c.campo(1).toString(), QString(119, u'N'));
    QCOMPARE(c.campo(2).toString(), QStringLiteral("Acesso autorizado"));

    // A station name longer than the column still finds the station's rows of today.
    cfg::outros_nomecomputador.gravar(QString(50, u'P'));
    QCOMPARE(TdmPORTARIS::NOME_COMPUTADOR(), QString(TdmPORTARIS::TamanhoNomeComputador, u'P'));
    QVERIFY(m.dm->CONECTAR("ptconfig.ini"));
    a.inserir();
    a.definir("DATA", m.relogio.hoje());
    a.definir("COMPUTADOR", TdmPORTARIS::NOME_COMPUTADOR());
    a.gravar();
    a.atualizar();
    QCOMPARE(a.quantidade(), 1);
}

// Rows are kept encoded straight from the database's message: every kind of column comes back as
// the statement itself reads it.
void TstRegras::linhasGuardamCadaTipo() {
    ModuloTeste m;
    const QString sql = QStringLiteral(
        "SELECT CAST(-2 AS SMALLINT) A, CAST(70000 AS INTEGER) B, CAST(5000000000 AS BIGINT) C, "
        "CAST(12.34 AS NUMERIC(9,2)) D, CAST(1.5 AS DOUBLE PRECISION) E, DATE '2024-02-29' F, "
        "TIME '23:59:58.123' G, TIMESTAMP '2024-05-01 10:00:00' H, TRUE I, CAST('Ação' AS VARCHAR(10)) J, "
        "CAST('ab' AS CHAR(4)) K, CAST(x'00FF' AS VARCHAR(2) CHARACTER SET OCTETS) L, "
        "CAST(NULL AS VARCHAR(5)) M, CAST('' AS VARCHAR(5)) N FROM RDB$DATABASE");
    Comando c(m.dm->dbBANCO, sql);
    c.abrir();
    QVERIFY(c.proximo());
    auto q = Conjunto::consulta(m.dm->dbBANCO, "qr", sql);
    q->abrir();
    QCOMPARE(q->quantidade(), 1);
    QCOMPARE(q->campos().size(), c.colunas());
    for (int i = 0; i < c.colunas(); ++i) {
        const QVariant esperado = c.campo(i), lido = q->valor(c.nomesColunas()[i]);
        QVERIFY2(lido == esperado && lido.typeId() == esperado.typeId() && lido.isNull() == esperado.isNull(),
                 qPrintable(c.nomesColunas()[i] + ": " + lido.toString() + " / " + esperado.toString()));
    }
    QCOMPARE(q->valor("J").toString(), QStringLiteral("Ação"));
    QCOMPARE(q->valor("G").toTime(), QTime(23, 59, 58, 123));
}

// The access listing read a page at a time: moving, locating and going to the end read on; the
// rows already read never change; reopening starts again.
void TstRegras::listagemPorPagina() {
    ModuloTeste m;
    Banco& b = m.dm->dbBANCO;
    gravarAcessosDeListagem(b, 250, 100); // 100 rows on the 1st and 2nd, 50 on the 3rd
    auto q = listagemComCartao(b, QDate(2024, 5, 1), QDate(2024, 5, 31), 100);
    QSignalSpy lidas(q.get(), &Conjunto::linhasLidas);
    q->abrir();
    QCOMPARE(q->quantidade(), 100);
    QVERIFY(q->haMaisLinhas());
    QCOMPARE(q->valor("PCHAVE").toInt(), 1);

    q->irPara(149);
    QCOMPARE(q->quantidade(), 150);
    QCOMPARE(q->valor("PCHAVE").toInt(), 150);
    QCOMPARE(lidas.size(), 1);
    QCOMPARE(lidas[0], (QVariantList{100, 149}));
    QVERIFY(q->localizar("PNOME", QStringLiteral("Pessoa 240")));
    QCOMPARE(q->posicao(), 239);
    QCOMPARE(q->valor(120, "PCHAVE").toInt(), 121);
    q->ultimo();
    QCOMPARE(q->quantidade(), 250);
    QVERIFY(!q->haMaisLinhas());
    QCOMPARE(q->valor("PCHAVE").toInt(), 250);
    QCOMPARE(q->lerMaisLinhas(10), 0);
    QVERIFY(!q->localizar("PNOME", QStringLiteral("Ninguém")));

    q->abrir();
    QCOMPARE(q->quantidade(), 100);
    QCOMPARE(q->posicao(), 0);
    // A listing of exactly one page: the end shows at the next read.
    q->definirParametro("P01", QDate(2024, 5, 1));
    q->abrir();
    QCOMPARE(q->quantidade(), 100);
    QCOMPARE(q->lerMaisLinhas(100), 0);
    QVERIFY(!q->haMaisLinhas());
    // Shorter than a page: read whole at once.
    q->definirParametro("P00", QDate(2024, 5, 3));
    q->definirParametro("P01", QDate(2024, 5, 3));
    q->abrir();
    QCOMPARE(q->quantidade(), 50);
    QVERIFY(!q->haMaisLinhas());
    q->fechar();
    QVERIFY(!q->haMaisLinhas());
}

QTEST_GUILESS_MAIN(TstRegras)
#include "tst_regras.moc"
