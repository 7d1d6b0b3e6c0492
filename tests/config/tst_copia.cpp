// The backup and maintenance pages over a real embedded database, with the operator's answers
// scripted: the copy file and its report, the schedule saved, the purge and its refusals.
#include "ModuloTeste.h"
#include "config/TframeCopia.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace portaris;

class TstCopia : public QObject {
    Q_OBJECT
private slots:
    void copiaManualEAgenda() {
        ModuloTeste m;
        cfg::autobackup_pasta.gravar(m.pasta.caminho(QStringLiteral("copia")));
        QDir().mkpath(m.pasta.caminho(QStringLiteral("copia")));
        TframeCopia p(*m.dm);
        p.parametros = [] {
            ParametrosCopia c;
            c.senha = QStringLiteral("masterkey");
            return c;
        };
        QCOMPARE(p.edNOME->text(), QStringLiteral("copiaportaris"));
        QCOMPARE(p.lbEXEMPLO->text(), QStringLiteral("exemplo : copiaportaris240507"));
        QVERIFY(!p.ckDIA[0]->isEnabled()); // only with the scheduled copy ticked
        // Não: nothing happens.
        m.operador.roteiro({Resposta::Nao});
        p.IniciarCopiaManual();
        QVERIFY(!QFileInfo::exists(p.arquivoCopia()));
        m.operador.roteiro({Resposta::Sim});
        p.IniciarCopiaManual();
        QVERIFY(QFileInfo(p.arquivoCopia()).size() > 0);
        QVERIFY(p.arquivoCopia().endsWith(QStringLiteral("/copia/copiaportaris.FBK")));
        const QString relatorio = p.mmRELATORIO->toPlainText();
        QVERIFY(relatorio.startsWith(QStringLiteral("Desfazendo atual conexão as ")));
        QVERIFY(relatorio.contains(QStringLiteral("Conexão estabelecida as")));
        QVERIFY(m.dm->conectado());

        int recarregou = 0;
        p.aoGravarAgenda = [&] { ++recarregou; };
        p.ckAUTO->setChecked(true);
        p.ckDIA[2]->setChecked(true);
        p.edHORA->setText(QStringLiteral("22:15"));
        p.edNOME->setText(QStringLiteral("estacao1"));
        m.operador.limpar();
        p.GravarConfiguracao();
        QCOMPARE(m.operador.textos(), QStringList{"Configuração salva com sucesso."});
        QCOMPARE(recarregou, 1);
        QVERIFY(cfg::autobackup_auto.ler() && cfg::autobackup_terca.ler() && !cfg::autobackup_segunda.ler());
        QCOMPARE(cfg::autobackup_hora.ler(), QTime(22, 15));
        QCOMPARE(cfg::autobackup_nome.ler(), QStringLiteral("estacao1"));
    }

    void excluirAgora() {
        ModuloTeste m;
        Banco& b = m.dm->dbBANCO;
        Unidade::gravar(b, [&] {
            b.executar(QStringLiteral("INSERT INTO ACESSO (DATA, HORA, NOME, COMPUTADOR) VALUES ('2024-05-07', "
                                      "'10:00', 'X', '%1')")
                           .arg(TdmPORTARIS::NOME_COMPUTADOR()));
        });
        m.dm->abrirAcessosDeHoje();
        TframeManutencao p(*m.dm);
        p.edDATA->setText(QStringLiteral("31/02/2024"));
        p.ExcluirAgora();
        QCOMPARE(m.operador.textos(), QStringList{"Data informada não procede, tente novamente!"});
        QVERIFY(p.btEXCLUIR->isEnabled());
        m.operador.limpar();
        p.edDATA->setText(QStringLiteral("07/05/2024"));
        m.operador.roteiro({Resposta::Nao});
        p.ExcluirAgora();
        QCOMPARE(b.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO")).toInt(), 1);
        m.operador.limpar();
        m.operador.roteiro({Resposta::Sim});
        p.ExcluirAgora();
        QCOMPARE(b.valor(QStringLiteral("SELECT COUNT(*) FROM ACESSO")).toInt(), 0);
        QCOMPARE(m.dm->setACE.quantidade(), 0);
        QCOMPARE(m.operador.textos().last(), QStringLiteral("Operação concluída."));
    }
};

QTEST_MAIN(TstCopia)
#include "tst_copia.moc"
