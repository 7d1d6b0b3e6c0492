// What one part of the console stores stays stored whatever another part does next: direct writes
// from the panels are committed when made, a save is a unit of its own, and closing the connection
// waits for a record being typed. Every row is checked from a second attachment, as another
// station sees the database.
#include "PainelTeste.h"
#include "access/AcoesDiarias.h"
#include "config/TframeContas.h"
#include "config/TframeFeriados.h"
#include "config/TframeHabilitarAcesso.h"
#include "db/TdmPORTARIS.h"

#include <QTableWidget>
#include <QTest>

using namespace portaris;

namespace {

QVariant deOutraEstacao(const PainelTeste& t, const QString& consulta) {
    Banco b;
    b.conectar(t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
    return b.valor(consulta);
}

void marcarNatal(PainelTeste& t) {
    TframeFeriados* f = t.painel->tsFERIADOS;
    f->Carregar(2026);
    QTableWidget* dez = f->gdMES[11];
    for (int l = 1; l < 7; ++l)
        for (int c = 0; c < 7; ++c)
            if (dez->item(l, c) && dez->item(l, c)->text() == QLatin1String("25")) f->Alternar(12, l, c);
}

} // namespace

class TstUnidades : public QObject {
    Q_OBJECT
private slots:
    void pendenteFicaGravado_data() {
        QTest::addColumn<QString>("pendente");
        QTest::addColumn<QString>("interferencia");
        for (const char* p : {"feriado", "atribuicao", "promocao"})
            for (const char* i : {"cancelar", "gravacao recusada", "teste de conexao", "copia", "apagar recusado"})
                QTest::newRow(qPrintable(QStringLiteral("%1 × %2").arg(QLatin1String(p), QLatin1String(i))))
                    << QString::fromLatin1(p) << QString::fromLatin1(i);
    }
    void pendenteFicaGravado() {
        QFETCH(QString, pendente);
        QFETCH(QString, interferencia);
        PainelTeste t;
        t.sql(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM) VALUES "
                             "(30, 200, 'Alheia', 'COM1', '11112222')"));
        t.sql(QStringLiteral("INSERT INTO CONTA (CHAVE, LOGIN, NOME, SENHA, NIVEL01, NIVEL02, NIVEL03, NIVEL04, "
                             "NIVEL05) VALUES (50, 'porteiro', 'Porteiro', '1', '1', '1', '1', '1', '0')"));
        t.dm().setCON.atualizar();
        QString verificacao;
        if (pendente == QLatin1String("feriado")) {
            marcarNatal(t);
            verificacao = QStringLiteral("SELECT COUNT(*) FROM FERIADOS WHERE DIA = 25 AND MES = 12");
        } else if (pendente == QLatin1String("atribuicao")) {
            TframeHabilitarAcesso* h = t.painel->tsHABILITAR;
            h->AtualizarLista();
            QVERIFY(t.dm().qrLST_LEI_71->localizar(QStringLiteral("CHAVE"), 30));
            t.m.operador.roteiro({Resposta::Sim});
            h->Atribuir(h->gdLEITORA71);
            verificacao = QStringLiteral("SELECT COUNT(*) FROM LEITORA WHERE CHAVE = 30 AND SERIALNUM = '0A0B0C0D'");
        } else {
            TframeContas* c = t.painel->tsCONTAS;
            QVERIFY(t.dm().setCON.localizar(QStringLiteral("CHAVE"), 50));
            QVERIFY(c->ALTERAR());
            // Nobody else may configure once admin's level goes: the saved account is promoted.
            t.sql(QStringLiteral("UPDATE CONTA SET NIVEL05 = '0' WHERE LOGIN = 'admin'"));
            QVERIFY(c->GRAVAR());
            verificacao = QStringLiteral("SELECT COUNT(*) FROM CONTA WHERE CHAVE = 50 AND NIVEL05 = '1'");
        }
        QCOMPARE(deOutraEstacao(t, verificacao).toInt(), 1);

        TdmPORTARIS& dm = t.dm();
        if (interferencia == QLatin1String("cancelar")) {
            dm.setUSU.inserir();
            dm.setUSU.definir(QStringLiteral("NOME"), QStringLiteral("Desistiu"));
            dm.setUSU.cancelar();
        } else if (interferencia == QLatin1String("gravacao recusada")) {
            dm.setCON.inserir();
            dm.setCON.definir(QStringLiteral("LOGIN"), QStringLiteral("admin")); // unique login taken
            dm.setCON.definir(QStringLiteral("NOME"), QStringLiteral("Outro"));
            QVERIFY_THROWS_EXCEPTION(ErroBanco, dm.setCON.gravar());
            QVERIFY(dm.setCON.emEdicao()); // what was typed stays
            dm.setCON.cancelar();
        } else if (interferencia == QLatin1String("teste de conexao")) {
            QVERIFY(dm.CONECTAR(QStringLiteral("ptconfig.ini")));
        } else if (interferencia == QLatin1String("copia")) {
            ParametrosCopia p;
            p.senha = QStringLiteral("masterkey");
            QCOMPARE(IniciarCopia(dm, p, t.m.pasta.caminho(QStringLiteral("c.FBK")), {}), QString());
        } else {
            // A delete that reaches no row: another station removed the reader first.
            QVERIFY(dm.qrLST_LEI_71->aberto());
            t.sql(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM) VALUES "
                                 "(31, 201, 'Sumida', 'COM1', '0A0B0C0D')"));
            dm.setLEI.atualizar();
            QVERIFY(dm.setLEI.localizar(QStringLiteral("CHAVE"), 31));
            {
                Banco outra;
                outra.conectar(t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
                outra.executar(QStringLiteral("DELETE FROM LEITORA WHERE CHAVE = 31"));
                outra.commit();
            }
            QVERIFY_THROWS_EXCEPTION(ErroBanco, dm.setLEI.apagar());
        }
        QCOMPARE(deOutraEstacao(t, verificacao).toInt(), 1);
        // The station itself still reads it after whatever reconnection happened.
        QCOMPARE(dm.dbBANCO.valor(verificacao).toInt(), 1);
    }

    // A save over a row another station deleted fails with a message and stays in edit; the
    // operator cancels and sees the current data.
    void gravarSobreApagado() {
        PainelTeste t;
        t.sql(QStringLiteral("INSERT INTO GRUPOS (CHAVE, DESCRICAO) VALUES (70, 'Sumido')"));
        Conjunto& g = t.dm().setGRP;
        g.atualizar();
        QVERIFY(g.localizar(QStringLiteral("CHAVE"), 70));
        g.editar();
        g.definir(QStringLiteral("DESCRICAO"), QStringLiteral("Editado"));
        {
            Banco outra;
            outra.conectar(t.m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
            outra.executar(QStringLiteral("DELETE FROM GRUPOS WHERE CHAVE = 70"));
            outra.commit();
        }
        try {
            g.gravar();
            QFAIL("a save that reached no row was taken for stored");
        } catch (const ErroBanco& e) {
            QCOMPARE(e.texto(), Conjunto::MensagemRegistroSumiu);
        }
        QCOMPARE(g.estado(), EstadoConjunto::Editando);
        QCOMPARE(g.valor(QStringLiteral("DESCRICAO")).toString(), QStringLiteral("Editado"));
        g.cancelar();
        g.atualizar();
        QVERIFY(!g.localizar(QStringLiteral("CHAVE"), 70));
        QCOMPARE(deOutraEstacao(t, QStringLiteral("SELECT COUNT(*) FROM GRUPOS WHERE DESCRICAO = 'Editado'")).toInt(), 0);
    }

    // A record being typed on any panel, families included, holds the copy and the connection
    // test back: nothing closes the datasets under it.
    void conexaoEsperaORegistro_data() {
        QTest::addColumn<QString>("conjunto");
        QTest::newRow("família") << "setFAM";
        QTest::newRow("titular") << "setUSU";
    }
    void conexaoEsperaORegistro() {
        QFETCH(QString, conjunto);
        PainelTeste t;
        Conjunto& c = conjunto == QLatin1String("setFAM") ? t.dm().setFAM : t.dm().setUSU;
        const QString campo = conjunto == QLatin1String("setFAM") ? QStringLiteral("DESCRICAO") : QStringLiteral("NOME");
        c.inserir();
        c.definir(campo, QStringLiteral("Digitando"));
        QVERIFY(t.dm().REGISTRO_PENDENTE());
        ParametrosCopia p;
        p.senha = QStringLiteral("masterkey");
        QCOMPARE(IniciarCopia(t.dm(), p, t.m.pasta.caminho(QStringLiteral("c.FBK")), {}),
                 TdmPORTARIS::MensagemRegistroPendente);
        QVERIFY(t.dm().conectado());
        QVERIFY(c.emEdicao());
        c.gravar();
        QCOMPARE(deOutraEstacao(t, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = 'Digitando'").arg(c.tabela(), campo))
                     .toInt(),
                 1);
    }
};

QTEST_MAIN(TstUnidades)
#include "tst_unidades.moc"
