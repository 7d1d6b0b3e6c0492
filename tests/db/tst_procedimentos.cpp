// The stored-procedure contract, the generators, the statements sent directly and the BLOBs,
// against a real embedded database created from the schema.
#include "BancoTeste.h"

using namespace portaris;

namespace {

using Valores = QVariantHash;

Valores chamar(Banco& b, const QString& nome, const Valores& entradas = {}) {
    Procedimento p(b, nome);
    for (auto it = entradas.begin(); it != entradas.end(); ++it) p.definir(it.key(), it.value());
    p.executar();
    Valores saida;
    for (const QString& s : p.saidas()) saida.insert(s, p.saida(s));
    return saida;
}

QList<QVariantList> linhas(Banco& b, const QString& sql, const Valores& parametros = {}) {
    Comando c(b, sql);
    for (auto it = parametros.begin(); it != parametros.end(); ++it) c.definir(it.key(), it.value());
    c.abrir();
    QList<QVariantList> r;
    while (c.proximo()) r << c.linha();
    return r;
}

void exec(Banco& b, const QString& sql, const Valores& parametros = {}) {
    Comando c(b, sql);
    for (auto it = parametros.begin(); it != parametros.end(); ++it) c.definir(it.key(), it.value());
    c.executar();
}

// Holders 1 and 2, a patrol card 10, enablings, a family: the world of the verdict procedures.
// Holder 1's window on day d (1 = Sunday … 7 = Saturday) is d:00:00 to d:30:00.
void semearVeredito(Banco& b) {
    const QStringList e = {"DOME", "SEGE", "TERE", "QUAE", "QUIE", "SEXE", "SABE"};
    const QStringList s = {"DOMS", "SEGS", "TERS", "QUAS", "QUIS", "SEXS", "SABS"};
    QString cols, vals;
    for (int d = 0; d < 7; ++d) {
        cols += QStringLiteral(", %1, %2").arg(e[d], s[d]);
        vals += QStringLiteral(", '%1:00:00', '%1:30:00'").arg(d + 1, 2, 10, QLatin1Char('0'));
    }
    exec(b, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, TIPO, GRUPO, NAOLISTARELAT, DESABILITAR, "
                           "NAOACESSOFERIADOS, EXPIRA, EXPIRAEM%1) VALUES (1, '00000A1B2C', 'Ana Maria', 'Morador', "
                           "'Geral', '1', '0', '1', '1', '2024-03-05'%2)")
                .arg(cols, vals));
    exec(b, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME, DESABILITAR, AVSREC, RECADO) "
                           "VALUES (2, '0000FFFF01', 'Bruno', '1', '1', 'Ligar para a portaria')"));
    exec(b, QStringLiteral("INSERT INTO RONDA (CHAVE, CARTAO, APELIDO, SEGUNDA, DOMINGO, DESABILITAR) "
                           "VALUES (10, '00000R0001', 'Vigia', '1', '1', '1')"));
    exec(b, QStringLiteral("INSERT INTO RONDAD (CHAVE, INICIO, FIM, CABECA) VALUES (10, '10:00:00', '11:00:00', 200)"));
    exec(b, QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (1, 500, 0)"));
    exec(b, QStringLiteral("INSERT INTO FAMILIA (CHAVE, DESCRICAO, UCHAVE3) VALUES (7, 'Silva', 1)"));
    b.commitRetaining();
}

} // namespace

class TstProcedimentos : public QObject {
    Q_OBJECT
private slots:
    void sementeDeToda_instalacao();
    void veredito_data();
    void veredito();
    void janelaDoDia_data();
    void janelaDoDia();
    void familiaEPosicao();
    void loginsPorEstacao();
    void habilitacoes();
    void chavesDeDispositivos();
    void renomearGrupoMoveSoSeusUsuarios();
    void apagarAcessosIncluiHoje();
    void relatorios_data();
    void relatorios();
    void listagensDeHabilitacao();
    void relogioEFeriados();
    void blobs();
    void errosTrazemOTextoDoBanco();
    void loteIgualAUmPorUm();
    void loteRecusado();
};

void TstProcedimentos::sementeDeToda_instalacao() {
    BancoAberto b;
    const auto grupo = linhas(b.banco, QStringLiteral("SELECT DESCRICAO, SEGE, SEGS, DOME, DOMS, NAOACESSOFERIADOS FROM GRUPOS"));
    QCOMPARE(grupo.size(), 1);
    QCOMPARE(grupo[0], (QVariantList{QStringLiteral("Geral"), QTime(0, 0), QTime(23, 59, 59), QTime(0, 0),
                                     QTime(23, 59, 59), QStringLiteral("0")}));
    auto r = chamar(b.banco, QStringLiteral("CHECALOGIN"), {{"PLOGIN", "admin"}, {"PSENHA", "admin"}});
    QCOMPARE(r["OLOGIN"].toString(), QStringLiteral("admin"));
    for (int i = 1; i <= 5; ++i) QCOMPARE(r[QStringLiteral("PNIVEL0%1").arg(i)].toString(), QStringLiteral("1"));
    // A wrong password fails the login but still names the account and its levels, so a station
    // that restarts by itself (empty password) gets its operator's permissions back.
    for (const char* senha : {"errada", ""}) {
        r = chamar(b.banco, QStringLiteral("CHECALOGIN"), {{"PLOGIN", "admin"}, {"PSENHA", senha}});
        QCOMPARE(r["OLOGIN"].toString(), QString());
        QCOMPARE(r["ONOME"].toString(), QStringLiteral("Administrador"));
        for (int i = 1; i <= 5; ++i) QCOMPARE(r[QStringLiteral("PNIVEL0%1").arg(i)].toString(), QStringLiteral("1"));
    }
    r = chamar(b.banco, QStringLiteral("CHECALOGIN"), {{"PLOGIN", "ninguem"}, {"PSENHA", ""}});
    QCOMPARE(r["OLOGIN"].toString(), QString());
    QCOMPARE(r["ONOME"].toString(), QString());
    QCOMPARE(r["PNIVEL05"].toString(), QStringLiteral("0"));
    QCOMPARE(chamar(b.banco, QStringLiteral("CONTAS_HAB_A_CONFIGURAR"), {{"PCHAVE", 1}})["PCOUNT"].toInt(), 1);
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE")).toString().trimmed(),
             QStringLiteral("UTF8"));
}

void TstProcedimentos::veredito_data() {
    QTest::addColumn<QString>("procedimento");
    QTest::addColumn<Valores>("entradas");
    QTest::addColumn<QString>("saida");
    QTest::addColumn<QVariant>("esperado");
    auto caso = [](const char* nome, const char* p, Valores in, const char* out, QVariant v) {
        QTest::newRow(nome) << QString::fromLatin1(p) << in << QString::fromLatin1(out) << v;
    };
    caso("CA_CUSER dono", "CA_CUSER", {{"PCARTAO", "00000A1B2C"}}, "PCHAVE", 1);
    caso("CA_CUSER nome", "CA_CUSER", {{"PCARTAO", "00000A1B2C"}}, "PNOME", "Ana Maria");
    caso("CA_CUSER não listar", "CA_CUSER", {{"PCARTAO", "00000A1B2C"}}, "PNAOREL", "1");
    caso("CA_CUSER expira", "CA_CUSER", {{"PCARTAO", "00000A1B2C"}}, "PEXPIRAEM", QDate(2024, 3, 5));
    caso("CA_CUSER ninguém dá 0", "CA_CUSER", {{"PCARTAO", "9999999999"}}, "PCHAVE", 0);
    caso("CA_CUSER nulo dá 0", "CA_CUSER", {{"PCARTAO", QVariant()}}, "PCHAVE", 0);
    caso("CA_RON dono", "CA_RON", {{"PCARTAO", "00000R0001"}}, "PCHAVE", 10);
    caso("CA_RON desabilitado", "CA_RON", {{"PCARTAO", "00000R0001"}}, "PDESABILITAR", "1");
    caso("CA_RON apelido", "CA_RON", {{"PCARTAO", "00000R0001"}}, "PAPELIDO", "Vigia");
    caso("CA_RON nenhum dá 0", "CA_RON", {{"PCARTAO", "00000A1B2C"}}, "PCHAVE", 0);
    caso("CA_ERON domingo", "CA_ERON", {{"PCHAVE", 10}, {"PDIA", 1}}, "PSAIDA", "1");
    caso("CA_ERON segunda", "CA_ERON", {{"PCHAVE", 10}, {"PDIA", 2}}, "PSAIDA", "1");
    caso("CA_ERON terça", "CA_ERON", {{"PCHAVE", 10}, {"PDIA", 3}}, "PSAIDA", "0");
    caso("CA_ERON sábado vazio", "CA_ERON", {{"PCHAVE", 10}, {"PDIA", 7}}, "PSAIDA", "0");
    caso("CA_RTEM dentro", "CA_RTEM", {{"PCHAVE", 10}, {"PCABECA", 200}, {"PHORA", QTime(10, 30)}}, "PSAIDA", 1);
    caso("CA_RTEM limite", "CA_RTEM", {{"PCHAVE", 10}, {"PCABECA", 200}, {"PHORA", QTime(11, 0)}}, "PSAIDA", 1);
    caso("CA_RTEM fora", "CA_RTEM", {{"PCHAVE", 10}, {"PCABECA", 200}, {"PHORA", QTime(11, 0, 1)}}, "PSAIDA", 0);
    caso("CA_RTEM outra cabeça", "CA_RTEM", {{"PCHAVE", 10}, {"PCABECA", 201}, {"PHORA", QTime(10, 30)}}, "PSAIDA", 0);
    caso("CA_HLEI habilitado", "CA_HLEI", {{"PUCHAVE", 1}, {"PLCHAVE", 500}}, "PSAIDA", 1);
    caso("CA_HLEI outra leitora", "CA_HLEI", {{"PUCHAVE", 1}, {"PLCHAVE", 501}}, "PSAIDA", 0);
    caso("CA_HLEI64 habilitado", "CA_HLEI64", {{"PUCHAVE", 1}, {"PLCHAVE", 500}}, "PSAIDA", 1);
    caso("CA_HLEI64 outro usuário", "CA_HLEI64", {{"PUCHAVE", 2}, {"PLCHAVE", 500}}, "PSAIDA", 0);
    caso("CA_HCAR habilitado", "CA_HCAR", {{"PCHAVE", 1}}, "PSAIDA", "0");
    caso("CA_HCAR desabilitado", "CA_HCAR", {{"PCHAVE", 2}}, "PSAIDA", "1");
    caso("CA_HCAR desconhecido", "CA_HCAR", {{"PCHAVE", 99}}, "PSAIDA", "1");
    caso("CA_HFER não no feriado", "CA_HFER", {{"PCHAVE", 1}}, "PSAIDA", "1");
    caso("CA_HFER livre", "CA_HFER", {{"PCHAVE", 2}}, "PSAIDA", "0");
    caso("TEM_RECADO sim", "TEM_RECADO", {{"PCHAVE", 2}}, "PSN", "1");
    caso("TEM_RECADO não", "TEM_RECADO", {{"PCHAVE", 1}}, "PSN", "0");
    caso("TEM_FAMILIA membro", "TEM_FAMILIA", {{"PUCHAVE", 1}}, "PCHAVE", 7);
    caso("TEM_FAMILIA sem família", "TEM_FAMILIA", {{"PUCHAVE", 2}}, "PCHAVE", QVariant());
    caso("FAMILIA_MEMBROS vaga", "FAMILIA_MEMBROS", {{"PCHAVE", 7}}, "PMEMBRO1", QVariant());
    caso("FAMILIA_MEMBROS membro", "FAMILIA_MEMBROS", {{"PCHAVE", 7}}, "PMEMBRO3", 1);
    caso("BUSCA_ATUAL_POSICAO nula", "BUSCA_ATUAL_POSICAO", {{"PCHAVE", 1}}, "PPOS", QVariant());
}

void TstProcedimentos::veredito() {
    QFETCH(QString, procedimento);
    QFETCH(Valores, entradas);
    QFETCH(QString, saida);
    QFETCH(QVariant, esperado);
    BancoAberto b;
    semearVeredito(b.banco);
    const QVariant obtido = chamar(b.banco, procedimento, entradas).value(saida);
    QCOMPARE(obtido.isNull(), esperado.isNull());
    if (!esperado.isNull()) QCOMPARE(obtido.toString(), esperado.toString());
}

void TstProcedimentos::janelaDoDia_data() {
    QTest::addColumn<int>("dia");
    QTest::addColumn<QTime>("hora");
    QTest::addColumn<int>("saida");
    for (int d = 1; d <= 7; ++d) {
        QTest::addRow("dia %d início", d) << d << QTime(d, 0) << 1;
        QTest::addRow("dia %d fim", d) << d << QTime(d, 30) << 1;
        QTest::addRow("dia %d depois", d) << d << QTime(d, 30, 1) << 0;
        QTest::addRow("dia %d janela de outro dia", d) << d << QTime(d % 7 + 1, 15) << 0;
    }
}

// PDIA 1 = Sunday reads DOME/DOMS, 2 = Monday SEGE/SEGS … 7 = Saturday SABE/SABS.
void TstProcedimentos::janelaDoDia() {
    QFETCH(int, dia);
    QFETCH(QTime, hora);
    QFETCH(int, saida);
    BancoAberto b;
    semearVeredito(b.banco);
    const auto r = chamar(b.banco, QStringLiteral("CA_HHOR"), {{"PDIA", dia}, {"PCHAVE", 1}, {"PHORA", hora}});
    QCOMPARE(r["PSAIDA"].toInt(), saida);
    QCOMPARE(r["PHENT"].toTime(), QTime(dia, 0));
    QCOMPARE(r["PHSAI"].toTime(), QTime(dia, 30));
}

void TstProcedimentos::familiaEPosicao() {
    BancoAberto b;
    semearVeredito(b.banco);
    for (const QString& pos : {QStringLiteral("E"), QStringLiteral("S"), QStringLiteral(" ")}) {
        chamar(b.banco, QStringLiteral("ATUALIZA_POSICAO"), {{"PCHAVE", 1}, {"PPOS", pos}});
        QCOMPARE(chamar(b.banco, QStringLiteral("BUSCA_ATUAL_POSICAO"), {{"PCHAVE", 1}})["PPOS"].toString(), pos);
    }
    // Another holder's position is untouched.
    QVERIFY(chamar(b.banco, QStringLiteral("BUSCA_ATUAL_POSICAO"), {{"PCHAVE", 2}})["PPOS"].isNull());
}

void TstProcedimentos::loginsPorEstacao() {
    BancoAberto b;
    auto aberto = [&](const char* ponto) {
        return chamar(b.banco, QStringLiteral("USER_EFETUOU_LOGOFF"), {{"PPONTO", ponto}});
    };
    QVERIFY(aberto("Portaria")["PCHAVE"].isNull());
    chamar(b.banco, QStringLiteral("USERLOGIN"), {{"PLOGIN", "admin"}, {"PPONTO", "Portaria"}});
    auto r = aberto("Portaria");
    QCOMPARE(r["PCHAVE"].toInt(), 1);
    QCOMPARE(r["PLOGIN"].toString(), QStringLiteral("admin"));
    QVERIFY(aberto("Garagem")["PCHAVE"].isNull());
    chamar(b.banco, QStringLiteral("USERLOGOFF"), {{"PLOGIN", "admin"}});
    QVERIFY(aberto("Portaria")["PCHAVE"].isNull());
    // A logoff naming its station leaves the account's session at another station open; the
    // station without a name is one station too.
    for (const char* ponto : {"Portaria", "Garagem", ""})
        chamar(b.banco, QStringLiteral("USERLOGIN"), {{"PLOGIN", "admin"}, {"PPONTO", ponto}});
    chamar(b.banco, QStringLiteral("USERLOGOFF"), {{"PLOGIN", "admin"}, {"PPONTO", "Garagem"}});
    QVERIFY(aberto("Garagem")["PCHAVE"].isNull());
    QCOMPARE(aberto("Portaria")["PCHAVE"].toInt(), 1);
    QCOMPARE(aberto("")["PCHAVE"].toInt(), 1);
    chamar(b.banco, QStringLiteral("USERLOGOFF"), {{"PLOGIN", "admin"}, {"PPONTO", ""}});
    QVERIFY(aberto("")["PCHAVE"].isNull());
    QCOMPARE(aberto("Portaria")["PCHAVE"].toInt(), 1);
    chamar(b.banco, QStringLiteral("USERLOGOFF"), {{"PLOGIN", "admin"}});
    QVERIFY(aberto("Portaria")["PCHAVE"].isNull());
    // Only the last session of the station counts.
    chamar(b.banco, QStringLiteral("USERLOGIN"), {{"PLOGIN", "admin"}, {"PPONTO", "Portaria"}});
    QCOMPARE(aberto("Portaria")["PCHAVE"].toInt(), 1);
    // Promotion gives the configuration level.
    exec(b.banco, QStringLiteral("UPDATE CONTA SET NIVEL05 = '0'"));
    QCOMPARE(chamar(b.banco, QStringLiteral("CONTAS_HAB_A_CONFIGURAR"), {{"PCHAVE", 1}})["PCOUNT"].toInt(), 0);
    chamar(b.banco, QStringLiteral("CONTAS_PROMOVER"), {{"PCHAVE", 1}});
    QCOMPARE(chamar(b.banco, QStringLiteral("CONTAS_HAB_A_CONFIGURAR"), {{"PCHAVE", 1}})["PCOUNT"].toInt(), 1);
}

void TstProcedimentos::habilitacoes() {
    BancoAberto b;
    for (int u = 1; u <= 61; ++u)
        exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (%1, '%2', 'U%1')")
                          .arg(u)
                          .arg(u, 10, 10, QLatin1Char('0')));
    b.banco.commitRetaining();
    auto hab = [&](int u, int l, int m) {
        chamar(b.banco, QStringLiteral("HABILITADO_INSERIR"), {{"PUCHAVE", u}, {"PLCHAVE", l}, {"PMEMORIZAR", m}});
    };
    hab(1, 300, 0);
    hab(1, 301, 1);
    hab(1, 301, 1); // again: still one enabling
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT PLCHAVE,PMEMORIZAR\nFROM HABILITADO_BUSCA\n(1)")),
             (QList<QVariantList>{{300, 0}, {301, 1}}));
    QCOMPARE(chamar(b.banco, QStringLiteral("MEMORIZAR"), {{"PUCHAVE", 1}, {"PLCHAVE", 301}})["PMEMORIZAR"].toInt(), 1);
    QCOMPARE(chamar(b.banco, QStringLiteral("MEMORIZAR"), {{"PUCHAVE", 1}, {"PLCHAVE", 999}})["PMEMORIZAR"].toInt(), 0);
    for (int u = 2; u <= 60; ++u) hab(u, 301, 1);
    b.banco.commitRetaining();
    QCOMPARE(chamar(b.banco, QStringLiteral("TEM_VAGA_NO_LEITOR"), {{"PLEITORA", 301}})["PCOUNT"].toInt(), 60);
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT PCARTAO,PNOME\nFROM LISTA_ENVIAR_MEMORIA\n(301)")).size(), 60);
    // The 61st memorised card does not fit; enabling without memorising still does.
    try {
        hab(61, 301, 1);
        QFAIL("a 61st memorised card was accepted");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.texto().contains(QStringLiteral("@!000ERR")), qPrintable(e.texto()));
    }
    b.banco.rollbackRetaining();
    hab(61, 301, 0);
    chamar(b.banco, QStringLiteral("HABILITADO_APAGAR"), {{"PUCHAVE", 1}, {"PLCHAVE", 300}});
    QCOMPARE(chamar(b.banco, QStringLiteral("CA_HLEI"), {{"PUCHAVE", 1}, {"PLCHAVE", 300}})["PSAIDA"].toInt(), 0);
    chamar(b.banco, QStringLiteral("HABILITADO_APAGARX"), {{"PLCHAVE", 301}});
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT COUNT(*) FROM HABILITADO")).toInt(), 0);
    try {
        hab(999, 301, 0);
        QFAIL("an enabling of an unknown holder was accepted");
    } catch (const ErroBanco& e) {
        QVERIFY(e.texto().contains(QStringLiteral("@!000ERR")));
    }
}

// One generator feeds the three device tables; the controller's door keys come from it too.
void TstProcedimentos::chavesDeDispositivos() {
    BancoAberto b;
    QSet<qint64> chaves;
    for (const char* t : {"LEITORA", "LEITORA64", "CONTROLADORA"}) {
        const qint64 k = b.banco.gerador(QStringLiteral("GEN_CHAVE_LEITORA"));
        exec(b.banco, QStringLiteral("INSERT INTO %1 (CHAVE, DESCRICAO) VALUES (%2, 'x')").arg(QString::fromLatin1(t)).arg(k));
        chaves << k;
    }
    const auto portas = linhas(b.banco, QStringLiteral("SELECT CHAVEP01,CHAVEP02,CHAVEP03,CHAVEP04\nFROM CONTROLADORA"));
    QCOMPARE(portas.size(), 1);
    for (const QVariant& p : portas[0]) {
        QVERIFY(!p.isNull());
        chaves << p.toLongLong();
    }
    QCOMPARE(chaves.size(), 7);
    // The program never assigns door keys: values it sends are replaced.
    exec(b.banco, QStringLiteral("INSERT INTO CONTROLADORA (CHAVE, CHAVEP01) VALUES (GEN_ID(GEN_CHAVE_LEITORA, 1), 1)"));
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT COUNT(*) FROM CONTROLADORA WHERE CHAVEP01 = 1")).toInt(), 0);
}

void TstProcedimentos::renomearGrupoMoveSoSeusUsuarios() {
    BancoAberto b;
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (1, 'a', 'Manhã')"));
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (2, 'b', 'Manhã')"));
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (3, 'c', 'Tarde')"));
    exec(b.banco, QStringLiteral("UPDATE USUARIO\nSET GRUPO = :P00\nWHERE GRUPO = :P01"), {{"P00", "Matutino"}, {"P01", "Manhã"}});
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT GRUPO FROM USUARIO ORDER BY CHAVE")),
             (QList<QVariantList>{{"Matutino"}, {"Matutino"}, {"Tarde"}}));
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT COUNT(CHAVE)\nFROM USUARIO\nWHERE GRUPO = :P00"), {{"P00", "Matutino"}}).toInt(), 2);
}

void TstProcedimentos::apagarAcessosIncluiHoje() {
    BancoAberto b;
    const QDate hoje = QDate::currentDate();
    for (int d : {-2, -1, 0, 1})
        exec(b.banco, QStringLiteral("INSERT INTO ACESSO (DATA, HORA, NOME) VALUES (:D, '12:00:00', 'x')"), {{"D", hoje.addDays(d)}});
    chamar(b.banco, QStringLiteral("APAGAR_ACESSOS"), {{"PDATA", hoje}});
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT DATA FROM ACESSO")), (QList<QVariantList>{{hoje.addDays(1)}}));
}

void TstProcedimentos::relatorios_data() {
    QTest::addColumn<QString>("procedimento");
    QTest::addColumn<int>("ordem");
    QTest::addColumn<QList<int>>("chaves");
    // Rows (key: date, time, reader, name, card, note, note2, login, computer, patrol, report):
    // 1: 01/05 10:00 Portão  Zé    A  nota-b  obs-c  op2  PC1  0 1
    // 2: 02/05 09:00 Entrada Ana   C  nota-a  obs-b  op1  PC2  0 1
    // 3: 01/05 08:00 Lateral Bia   B  nota-c  obs-a  op3  PC0  0 1
    // 4: 03/05 (outside the range), 5: no card, 6: patrol, 7: RELATORIO '0'
    QTest::newRow("data/hora") << "RELATORIO_COM_CARTAO" << 0 << QList<int>{3, 1, 2};
    QTest::newRow("leitora") << "RELATORIO_COM_CARTAO" << 1 << QList<int>{2, 3, 1};
    QTest::newRow("nome") << "RELATORIO_COM_CARTAO" << 2 << QList<int>{2, 3, 1};
    QTest::newRow("cartão") << "RELATORIO_COM_CARTAO" << 3 << QList<int>{1, 3, 2};
    QTest::newRow("nota") << "RELATORIO_COM_CARTAO" << 4 << QList<int>{2, 1, 3};
    QTest::newRow("observação") << "RELATORIO_COM_CARTAO" << 5 << QList<int>{3, 2, 1};
    QTest::newRow("login") << "RELATORIO_COM_CARTAO" << 6 << QList<int>{2, 1, 3};
    QTest::newRow("computador") << "RELATORIO_COM_CARTAO" << 7 << QList<int>{3, 1, 2};
    QTest::newRow("sem cartão") << "RELATORIO_SEM_CARTAO" << 0 << QList<int>{5};
    QTest::newRow("ronda") << "RELATORIO_RONDA" << 0 << QList<int>{6};
}

void TstProcedimentos::relatorios() {
    QFETCH(QString, procedimento);
    QFETCH(int, ordem);
    QFETCH(QList<int>, chaves);
    BancoAberto b;
    const char* rows[] = {
        "1, '2024-05-01', '10:00:00', 'Portão', 'Zé', 'A', 'nota-b', 'obs-c', 'op2', 'PC1', '0', '1'",
        "2, '2024-05-02', '09:00:00', 'Entrada', 'Ana', 'C', 'nota-a', 'obs-b', 'op1', 'PC2', '0', '1'",
        "3, '2024-05-01', '08:00:00', 'Lateral', 'Bia', 'B', 'nota-c', 'obs-a', 'op3', 'PC0', '0', '1'",
        "4, '2024-05-03', '08:00:00', 'Lateral', 'Bia', 'B', 'n', 'o', 'op', 'PC', '0', '1'",
        "5, '2024-05-01', '11:00:00', 'Portão', 'Visita', '0000000000', 'n', 'o', 'op', 'PC', '0', '1'",
        "6, '2024-05-01', '12:00:00', 'Portão', 'Vigia', 'R', 'Ronda OK', '', 'op', 'PC', '1', '1'",
        "7, '2024-05-01', '13:00:00', 'Portão', 'Oculto', 'D', 'n', 'o', 'op', 'PC', '0', '0'",
    };
    for (const char* r : rows)
        exec(b.banco, QStringLiteral("INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, NOME, CARTAO, NOTA, NOTA2, LOGIN, "
                                     "COMPUTADOR, RONDA, RELATORIO) VALUES (%1)").arg(QString::fromUtf8(r)));
    Comando c(b.banco, QStringLiteral("SELECT * FROM %1(:P00,:P01,:P02)").arg(procedimento));
    c.definir(QStringLiteral("P00"), QDate(2024, 5, 1));
    c.definir(QStringLiteral("P01"), QDate(2024, 5, 2));
    c.definir(QStringLiteral("P02"), ordem);
    c.abrir();
    QList<int> obtidas;
    while (c.proximo()) obtidas << c.campo(QStringLiteral("PCHAVE")).toInt();
    QCOMPARE(obtidas, chaves);
    QCOMPARE(c.nomesColunas(), (QStringList{"PCHAVE", "PDATA", "PHORA", "PLEITORA", "PAUTORIZADO", "PNOME", "PCARTAO",
                                            "PGRUPO", "PTIPO", "PNOTA", "PNOTA2", "PLOGIN", "PCOMPUTADOR", "PORIGEM",
                                            "PDESTINO"}));
}

void TstProcedimentos::listagensDeHabilitacao() {
    BancoAberto b;
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (1, '0000000001', 'Ana')"));
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (2, '0000000002', 'Bruno')"));
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (3, '', 'Sem Cartão')"));
    exec(b.banco, QStringLiteral("INSERT INTO LEITORA (CHAVE, DESCRICAO) VALUES (100, 'Hall')"));
    exec(b.banco, QStringLiteral("INSERT INTO LEITORA64 (CHAVE, DESCRICAO, DESCRICAO01) VALUES (101, 'Garagem', 'Portão')"));
    exec(b.banco, QStringLiteral("INSERT INTO CONTROLADORA (CHAVE, DESCRICAO, PORTA01, PORTA02) VALUES (102, 'Bloco A', 'Porta 1', 'Porta 2')"));
    const int p2 = b.banco.valor(QStringLiteral("SELECT CHAVEP02 FROM CONTROLADORA")).toInt();
    for (auto [u, l] : QList<std::pair<int, int>>{{1, 100}, {2, 100}, {2, 101}, {1, p2}, {3, 100}})
        chamar(b.banco, QStringLiteral("HABILITADO_INSERIR"), {{"PUCHAVE", u}, {"PLCHAVE", l}, {"PMEMORIZAR", 0}});
    const QList<QVariantList> porLeitora = {{"Ana", "Bloco A.Porta 2", "0000000001"},
                                            {"Ana", "Hall", "0000000001"},
                                            {"Bruno", "Hall", "0000000002"},
                                            {"Bruno", "Portão-Garagem", "0000000002"}};
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT PNOME,PLEITORA,PCARTAO FROM USUARIO_POR_LEITORA")), porLeitora);
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT PNOME,PLEITORA,PCARTAO FROM LEITORA_POR_USUARIO")), porLeitora);
    QCOMPARE(linhas(b.banco, QStringLiteral("select pchave as ID, pnome as Nome from LISTAR_NOMES_USUARIOS")),
             (QList<QVariantList>{{1, "Ana"}, {2, "Bruno"}, {3, "Sem Cartão"}}));
    // Moving a reader to another station.
    chamar(b.banco, QStringLiteral("SERIALNUM_LOCAL"), {{"PCHAVE", 100}, {"PMODELO", "71"}, {"PSERIALNUM", "ABCD0001"}});
    chamar(b.banco, QStringLiteral("SERIALNUM_LOCAL"), {{"PCHAVE", 101}, {"PMODELO", "64AX"}, {"PSERIALNUM", "ABCD0002"}});
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT SERIALNUM FROM LEITORA")).toString(), QStringLiteral("ABCD0001"));
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT SERIALNUM FROM LEITORA64")).toString(), QStringLiteral("ABCD0002"));
}

void TstProcedimentos::relogioEFeriados() {
    BancoAberto b;
    const QDateTime antes = QDateTime::currentDateTime().addSecs(-2);
    const auto r = chamar(b.banco, QStringLiteral("HORA_CERTA"));
    const QDateTime servidor(r["PDATA"].toDate(), r["PHORA"].toTime());
    QVERIFY2(servidor >= antes && servidor <= QDateTime::currentDateTime().addSecs(2), qPrintable(servidor.toString()));
    chamar(b.banco, QStringLiteral("FERIADO_INSERIR"), {{"PDIA", 25}, {"PMES", 12}, {"PDES", "Natal"}});
    chamar(b.banco, QStringLiteral("FERIADO_INSERIR"), {{"PDIA", 1}, {"PMES", 1}, {"PDES", "Ano novo"}});
    chamar(b.banco, QStringLiteral("FERIADO_INSERIR"), {{"PDIA", 25}, {"PMES", 12}, {"PDES", "Natal!"}});
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT DIA,MES,DESCRICAO FROM FERIADOS\nORDER BY MES,DIA")),
             (QList<QVariantList>{{1, 1, "Ano novo"}, {25, 12, "Natal!"}}));
    chamar(b.banco, QStringLiteral("FERIADO_APAGAR"), {{"PDIA", 1}, {"PMES", 1}});
    QCOMPARE(linhas(b.banco, QStringLiteral("SELECT MES,DIA FROM FERIADOS\nORDER BY MES,DIA")), (QList<QVariantList>{{12, 25}}));
    try {
        chamar(b.banco, QStringLiteral("FERIADO_INSERIR"), {{"PDIA", 1}, {"PMES", 13}, {"PDES", "x"}});
        QFAIL("month 13 accepted");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.texto().contains(QStringLiteral("@!000ERRData de feriado inválida!")), qPrintable(e.texto()));
    }
}

void TstProcedimentos::blobs() {
    BancoAberto b;
    QByteArray foto(60 * 1024, '\0');
    for (int i = 0; i < foto.size(); ++i) foto[i] = static_cast<char>(i * 7 + 3);
    const QString nota = QStringLiteral("Observação longa — ") + QString(5000, u'ç');
    exec(b.banco, QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, FOTO, OBSERVACAO) VALUES (1, 'x', :F, :O)"),
         {{"F", foto}, {"O", nota}});
    b.banco.commitRetaining();
    const auto r = linhas(b.banco, QStringLiteral("select FOTO from USUARIO\nWHERE CHAVE = :PCHAVE"), {{"PCHAVE", 1}});
    QCOMPARE(r[0][0].toByteArray(), foto);
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT OBSERVACAO FROM USUARIO")).toString(), nota);
    // A named parameter used twice, and a long name of real data.
    const QString longo = QString(110, u'Á');
    exec(b.banco, QStringLiteral("UPDATE USUARIO SET NOME = :N, TIPO = :T WHERE CHAVE = :K AND :K > 0"),
         {{"N", longo}, {"T", "x"}, {"K", 1}});
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT NOME FROM USUARIO")).toString(), longo);
}

void TstProcedimentos::errosTrazemOTextoDoBanco() {
    BancoAberto b;
    struct Caso {
        QString sql;
        QString trecho;
    };
    const QList<Caso> casos = {
        {QStringLiteral("INSERT INTO CONTA (LOGIN) VALUES ('admin')"), QStringLiteral("IDX_CONTA_LOGIN")},
        {QStringLiteral("INSERT INTO USUARIO (CHAVE, CARTAO) VALUES (1, '12345678901')"), QStringLiteral("truncation")},
        {QStringLiteral("SELECT * FROM NAO_EXISTE"), QStringLiteral("NAO_EXISTE")},
    };
    for (const Caso& c : casos) {
        try {
            exec(b.banco, c.sql);
            QFAIL(qPrintable(c.sql));
        } catch (const ErroBanco& e) {
            QVERIFY2(e.texto().contains(c.trecho), qPrintable(e.texto()));
        }
        b.banco.rollbackRetaining();
    }
    try {
        Procedimento p(b.banco, QStringLiteral("NAO_EXISTE"));
        p.executar();
        QFAIL("unknown procedure ran");
    } catch (const ErroBanco& e) {
        QVERIFY(e.texto().contains(QStringLiteral("NAO_EXISTE")));
    }
    // A procedure's refusal is its coded message alone, without the engine's lines around it.
    try {
        chamar(b.banco, QStringLiteral("HABILITADO_INSERIR"), {{"PUCHAVE", 999}, {"PLCHAVE", 1}, {"PMEMORIZAR", 0}});
        QFAIL("enabled an unknown holder");
    } catch (const ErroBanco& e) {
        QCOMPARE(e.texto(), QStringLiteral("@!000ERRUsuário não cadastrado!"));
    }
}

// A card's reads in one block give what the procedures give one by one, types and nulls included.
void TstProcedimentos::loteIgualAUmPorUm() {
    BancoAberto b;
    semearVeredito(b.banco);
    exec(b.banco, QStringLiteral("UPDATE USUARIO SET NOME = 'Bruno Conceição', POSICAO = 'E' WHERE CHAVE = 2"));
    const LoteProcedimentos::Origem chave{0, QStringLiteral("PCHAVE")};
    const QList<LoteProcedimentos::Chamada> forma{
        {QStringLiteral("CA_CUSER"), {}},
        {QStringLiteral("CA_HLEI"), {{QStringLiteral("PUCHAVE"), chave}}},
        {QStringLiteral("CA_HCAR"), {{QStringLiteral("PCHAVE"), chave}}},
        {QStringLiteral("CA_HFER"), {{QStringLiteral("PCHAVE"), chave}}},
        {QStringLiteral("ca_hhor"), {{QStringLiteral("pchave"), {0, QStringLiteral("pchave")}}}},
        {QStringLiteral("BUSCA_ATUAL_POSICAO"), {{QStringLiteral("PCHAVE"), chave}}},
        {QStringLiteral("TEM_RECADO"), {{QStringLiteral("PCHAVE"), chave}}},
    };
    LoteProcedimentos lote(b.banco, forma);
    // The same prepared block for every card: values of one run never leak into the next.
    for (const char* cartao : {"00000A1B2C", "0000FFFF01", "9999999999", "00000A1B2C"}) {
        lote.definir(0, QStringLiteral("PCARTAO"), QString::fromLatin1(cartao));
        lote.definir(1, QStringLiteral("PLCHAVE"), 500);
        lote.definir(4, QStringLiteral("PDIA"), 2);
        lote.definir(4, QStringLiteral("PHORA"), QTime(2, 15));
        lote.executar();
        const Valores usuario = chamar(b.banco, QStringLiteral("CA_CUSER"), {{"PCARTAO", cartao}});
        const QVariant k = usuario.value(QStringLiteral("PCHAVE"));
        const QList<Valores> umPorUm{
            usuario,
            chamar(b.banco, QStringLiteral("CA_HLEI"), {{"PUCHAVE", k}, {"PLCHAVE", 500}}),
            chamar(b.banco, QStringLiteral("CA_HCAR"), {{"PCHAVE", k}}),
            chamar(b.banco, QStringLiteral("CA_HFER"), {{"PCHAVE", k}}),
            chamar(b.banco, QStringLiteral("CA_HHOR"), {{"PCHAVE", k}, {"PDIA", 2}, {"PHORA", QTime(2, 15)}}),
            chamar(b.banco, QStringLiteral("BUSCA_ATUAL_POSICAO"), {{"PCHAVE", k}}),
            chamar(b.banco, QStringLiteral("TEM_RECADO"), {{"PCHAVE", k}}),
        };
        for (int i = 0; i < umPorUm.size(); ++i) {
            QCOMPARE(lote.saidas(i).size(), umPorUm[i].size());
            for (auto it = umPorUm[i].cbegin(); it != umPorUm[i].cend(); ++it) {
                const QVariant v = lote.saida(i, it.key());
                QVERIFY2(v == it.value() && v.isNull() == it.value().isNull(),
                         qPrintable(QStringLiteral("%1 %2.%3: %4 / %5")
                                        .arg(QString::fromLatin1(cartao), forma[i].procedimento, it.key(),
                                             v.toString(), it.value().toString())));
            }
        }
    }
    QCOMPARE(lote.saida(0, QStringLiteral("PNOME")).toString(), QStringLiteral("Ana Maria"));
    QCOMPARE(lote.saida(4, QStringLiteral("PHENT")).toTime(), QTime(2, 0));

    // A batch of procedures without outputs runs as a plain statement.
    LoteProcedimentos posicao(b.banco, {{QStringLiteral("ATUALIZA_POSICAO"), {}}});
    posicao.definir(0, QStringLiteral("PCHAVE"), 1);
    posicao.definir(0, QStringLiteral("PPOS"), QStringLiteral("S"));
    posicao.executar();
    QCOMPARE(b.banco.valor(QStringLiteral("SELECT POSICAO FROM USUARIO WHERE CHAVE = 1")).toString(), QStringLiteral("S"));
}

// A batch badly put together is refused before anything runs; a procedure's refusal comes out as
// it does when called alone.
void TstProcedimentos::loteRecusado() {
    BancoAberto b;
    semearVeredito(b.banco);
    using Chamadas = QList<LoteProcedimentos::Chamada>;
    const auto de = [](int chamada, const char* saida) {
        return LoteProcedimentos::Origem{chamada, QString::fromLatin1(saida)};
    };
    struct Caso {
        const char* nome;
        Chamadas chamadas;
        QString trecho;
    };
    const QList<Caso> casos{
        {"procedimento inexistente", {{QStringLiteral("NAO_EXISTE"), {}}}, QStringLiteral("NAO_EXISTE")},
        {"ligada a uma chamada posterior",
         {{QStringLiteral("CA_HCAR"), {{QStringLiteral("PCHAVE"), de(1, "PCHAVE")}}}, {QStringLiteral("CA_CUSER"), {}}},
         QStringLiteral("PCHAVE")},
        {"ligada a uma saída que não existe",
         {{QStringLiteral("CA_CUSER"), {}}, {QStringLiteral("CA_HCAR"), {{QStringLiteral("PCHAVE"), de(0, "PXIS")}}}},
         QStringLiteral("PCHAVE")},
        {"entrada que não existe",
         {{QStringLiteral("CA_CUSER"), {}}, {QStringLiteral("CA_HCAR"), {{QStringLiteral("PXIS"), de(0, "PCHAVE")}}}},
         QStringLiteral("PXIS")},
    };
    for (const Caso& c : casos) {
        LoteProcedimentos l(b.banco, c.chamadas);
        try {
            l.executar();
            QFAIL(c.nome);
        } catch (const ErroBanco& e) {
            QVERIFY2(e.texto().contains(c.trecho), qPrintable(QStringLiteral("%1: %2").arg(QString::fromLatin1(c.nome), e.texto())));
        }
    }
    LoteProcedimentos l(b.banco, {{QStringLiteral("CA_CUSER"), {}}});
    QVERIFY_THROWS_EXCEPTION(ErroBanco, l.definir(0, QStringLiteral("PNADA"), 1));
    QVERIFY_THROWS_EXCEPTION(ErroBanco, l.saida(0, QStringLiteral("PCHAVE"))); // not run yet

    LoteProcedimentos recusa(b.banco, {{QStringLiteral("HABILITADO_INSERIR"), {}}});
    recusa.definir(0, QStringLiteral("PUCHAVE"), 999);
    recusa.definir(0, QStringLiteral("PLCHAVE"), 1);
    recusa.definir(0, QStringLiteral("PMEMORIZAR"), 0);
    try {
        recusa.executar();
        QFAIL("enabled an unknown holder");
    } catch (const ErroBanco& e) {
        QCOMPARE(e.texto(), QStringLiteral("@!000ERRUsuário não cadastrado!"));
    }
}

QTEST_GUILESS_MAIN(TstProcedimentos)
#include "tst_procedimentos.moc"
