// Two stations sharing one database through the Firebird server. Needs the server that ./test.sh
// starts (scripts/firebird-servidor.sh): PORTARIS_FB_SERVIDOR=host/port and PORTARIS_FB_SENHA.
#include "BancoTeste.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace portaris;

class TstCompartilhado : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void leituraConfirmadaEntreEstacoes();
    void conflitoNaoEspera();
    void geradoresNaoColidem();
    void copiaPeloServidor();

private:
    QString m_servidor, m_senha, m_nome, m_arquivo;
    QTemporaryDir m_dir;
    void conectar(Banco& b) { b.conectar(m_nome, "SYSDBA", m_senha); }
};

void TstCompartilhado::initTestCase() {
    m_servidor = qEnvironmentVariable("PORTARIS_FB_SERVIDOR");
    m_senha = qEnvironmentVariable("PORTARIS_FB_SENHA");
    if (m_servidor.isEmpty())
        QSKIP("No Firebird server: run through ./test.sh, or start scripts/firebird-servidor.sh and export "
              "PORTARIS_FB_SERVIDOR and PORTARIS_FB_SENHA");
    // The server runs as this user and opens the copy by its path.
    m_arquivo = BancoTeste::copia(m_dir.path(), "compartilhado.fdb");
    m_nome = m_servidor + ':' + m_arquivo;
}

void TstCompartilhado::leituraConfirmadaEntreEstacoes() {
    Banco a, b;
    conectar(a);
    conectar(b);
    QCOMPARE(b.valor("SELECT COUNT(*) FROM ACESSO").toInt(), 0);
    a.executar("INSERT INTO ACESSO (DATA, NOME) VALUES (CURRENT_DATE, 'Estação A')");
    QCOMPARE(b.valor("SELECT COUNT(*) FROM ACESSO").toInt(), 0); // not yet committed
    a.commitRetaining();
    QCOMPARE(b.valor("SELECT NOME FROM ACESSO").toString(), QStringLiteral("Estação A"));
    b.executar("UPDATE ACESSO SET NOME = 'Estação B'");
    b.commitRetaining();
    QCOMPARE(a.valor("SELECT NOME FROM ACESSO").toString(), QStringLiteral("Estação B"));
}

void TstCompartilhado::conflitoNaoEspera() {
    Banco a, b;
    conectar(a);
    conectar(b);
    a.executar("UPDATE CONTA SET NOME = 'A' WHERE LOGIN = 'admin'");
    QElapsedTimer t;
    t.start();
    try {
        b.executar("UPDATE CONTA SET NOME = 'B' WHERE LOGIN = 'admin'");
        QFAIL("the second station wrote a locked row");
    } catch (const ErroBanco& e) {
        QVERIFY2(e.conflitoDeBloqueio(), qPrintable(e.texto()));
    }
    // nowait: the refusal comes at once, not after the other station ends (generous bound).
    QVERIFY(t.elapsed() < 3000);
    b.rollbackRetaining();
    a.commit();
    b.executar("UPDATE CONTA SET NOME = 'B' WHERE LOGIN = 'admin'");
    b.commit();
}

void TstCompartilhado::geradoresNaoColidem() {
    Banco a, b;
    conectar(a);
    conectar(b);
    QSet<qint64> chaves;
    for (int i = 0; i < 50; ++i) {
        chaves << a.gerador("GEN_CHAVE_LEITORA") << b.gerador("GEN_CHAVE_LEITORA");
        a.executar("INSERT INTO CONTROLADORA (DESCRICAO) VALUES ('A')");
        b.executar("INSERT INTO CONTROLADORA (DESCRICAO) VALUES ('B')");
    }
    a.commit();
    b.commit();
    Comando c(a, "SELECT CHAVE, CHAVEP01, CHAVEP02, CHAVEP03, CHAVEP04 FROM CONTROLADORA");
    c.abrir();
    while (c.proximo())
        for (const QVariant& v : c.linha())
            chaves << v.toLongLong();
    QCOMPARE(chaves.size(), 100 + 100 * 5);
}

// A station backs up and restores the server's database through the server's services.
void TstCompartilhado::copiaPeloServidor() {
    {
        Banco a;
        conectar(a);
        a.executar("INSERT INTO FERIADOS (DIA, MES, DESCRICAO) VALUES (25, 12, 'Natal')");
        a.commit();
    }
    OpcoesServico op;
    op.servidor = m_servidor;
    op.senha = m_senha;
    const QString copia = m_dir.filePath("servidor.fbk");
    QStringList linhas;
    CopiarBanco(m_arquivo, copia, op, [&](const QString& l) { linhas << l; });
    QVERIFY(QFileInfo(copia).size() > 0);
    QVERIFY2(linhas.join('\n').contains("FERIADOS"), qPrintable(linhas.join('\n')));
    {
        Banco a;
        conectar(a);
        a.executar("DELETE FROM FERIADOS");
        a.commit();
    }
    linhas.clear();
    RestaurarBanco(copia, m_arquivo, op, [&](const QString& l) { linhas << l; });
    QVERIFY(linhas.size() > 10);
    Banco a;
    conectar(a);
    QCOMPARE(a.valor("SELECT DESCRICAO FROM FERIADOS WHERE DIA = 25 AND MES = 12").toString(),
             QStringLiteral("Natal"));
    // A copy file the server cannot read is the service's error, reported as such.
    a.desconectar();
    QVERIFY_THROWS_EXCEPTION(ErroBanco, RestaurarBanco(m_dir.filePath("nada.fbk"), m_arquivo, op, {}));
}

QTEST_GUILESS_MAIN(TstCompartilhado)
#include "tst_compartilhado.moc"
