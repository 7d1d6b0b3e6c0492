// The configuration panel: the option tree, the device pages with their rules and their commands
// against the simulator, groups and holidays, accounts, the option pages and the connection test.
#include "PainelTeste.h"
#include "Simulador.h"
#include "config/TframeBancoDados.h"
#include "config/TframeConcentradora.h"
#include "config/TframeContas.h"
#include "config/TframeControleRemoto.h"
#include "config/TframeFeriados.h"
#include "config/TframeGrupos.h"
#include "config/TframeHabilitarAcesso.h"
#include "config/TframeImpressora.h"
#include "config/TframeLeitoras64AX.h"
#include "config/TframeLeitoras71.h"
#include "config/TframeOutrasOpcoes.h"
#include "config/TframeRedeLocal.h"
#include "config/TframeWebCam.h"
#include "devices/LinhaComando.h"
#include "devices/uControladora.h"
#include "devices/uLeitora64AX.h"
#include "devices/uLeitora71.h"
#include "platform/ArquivoIni.h"
#include "platform/Estacao.h"
#include "platform/RelogioSistema.h"
#include "shell/Console.h"
#include "ui/ModeloConjunto.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

using namespace portaris;
using portaris::sim::Modelo;

namespace {

// As typed by the operator: the binding writes the text when the edit is confirmed.
void digitar(QLineEdit* e, const QString& t) {
    e->setText(t);
    e->setModified(true);
}

void clicarNo(TframeConfigurar& p, int no) {
    QTreeWidgetItem* item = p.tvOPCOES->topLevelItem(no);
    const QRect r = p.tvOPCOES->visualItemRect(item);
    QTest::mouseClick(p.tvOPCOES->viewport(), Qt::LeftButton, {}, r.center());
}

PaginaDispositivo* pagina(TframeConfigurar& p, const QString& tipo) {
    if (tipo == QLatin1String("71")) return p.tsLEITORA71;
    if (tipo == QLatin1String("64")) return p.tsLEITORA64;
    return p.tsCONTROLADORA;
}

class RelogioSistemaFalso : public RelogioSistema {
public:
    QList<QDateTime> definidos;
    bool definirHoraLocal(const QDateTime& t) override {
        definidos << t;
        return true;
    }
};

} // namespace

class TstConfigurar : public QObject {
    Q_OBJECT

    // Buses COM1 (passive reader 200), COM2 (gate reader 171), COM3 (controller 130) and one record
    // per page pointing at them.
    struct Dispositivos {
        sim::Simulador sim{19200, false};
        Dispositivos() {
            const ArquivoIni ini = ArquivoIni::config();
            for (int com : {1, 2, 3})
                ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com%1").arg(com),
                                sim.abrirBarramento(com));
            sim.adicionar(1, Modelo::Leitora71, 200);
            sim.adicionar(2, Modelo::Leitora64AX, 171);
            sim.adicionar(3, Modelo::Controladora, 130);
        }
        QString estado(int com, int cab) {
            return sim.comando(QStringLiteral("estado %1 %2").arg(com).arg(cab));
        }
    };
    static void semearDispositivos(PainelTeste& t, int cab71 = 200, int cab64 = 171, int cabCtr = 130,
                                   const QString& serial71 = QStringLiteral("COM1")) {
        t.sql(QStringLiteral(
                  "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, RELE, CONFIRMARACESSO, "
                  "NAOBATERELE) VALUES (10, %1, 'Portaria', '%2', '0A0B0C0D', 500, '1', '0')")
                  .arg(cab71)
                  .arg(serial71));
        t.sql(QStringLiteral(
                  "INSERT INTO LEITORA64 (CHAVE, CABECA, DESCRICAO, DESCRICAO01, SERIAL, SERIALNUM, RELE, "
                  "TFECHAMENTO) VALUES (11, %1, 'Garagem', 'Portão', 'COM2', '0A0B0C0D', 1000, 0)")
                  .arg(cab64));
        t.sql(QStringLiteral(
                  "INSERT INTO CONTROLADORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, FREQDOWN, ONLINE) "
                  "VALUES (12, %1, 'Hall', 'COM3', '0A0B0C0D', 10, '0')")
                  .arg(cabCtr));
        for (Conjunto* c : {&t.dm().setLEI, &t.dm().setLEI64, &t.dm().setCNL})
            c->abrir();
    }

private slots:
    void init() { QDir::setCurrent(QDir::tempPath()); }
    void modoConfiguracaoServidor();
    void conexaoOriginalNaoVolta_data();
    void conexaoOriginalNaoVolta();
    void listasMaeNaPrimeiraEntrada();

    // Tree

    void arvore() {
        PainelTeste t;
        QTreeWidget* tv = t.painel->tvOPCOES;
        QStringList legendas;
        for (int i = 0; i < tv->topLevelItemCount(); ++i)
            legendas << tv->topLevelItem(i)->text(0);
        QCOMPARE(legendas, (QStringList{"Leitoras 71", "Leitoras 64AX", "Concentradora", "Grupos",
                                        "Rede local", "Contas", "Cópia de segurança", "Banco de dados",
                                        "WebCam", "Feriados", "Outras opções", "Manutenção", "Impressora",
                                        "Controle Remoto", "Habilitar acesso"}));
        QVERIFY(tv->styleSheet().contains(QLatin1String("background: black; color: white")));
        t.painel->show();
        clicarNo(*t.painel, TframeConfigurar::noGRUPOS);
        QCOMPARE(t.painel->noAtual(), int(TframeConfigurar::noGRUPOS));
        QVERIFY(t.painel->operacoes());
        // The keyboard does not move the tree.
        QTest::keyClick(tv, Qt::Key_Down);
        QCOMPARE(t.painel->noAtual(), int(TframeConfigurar::noGRUPOS));
        clicarNo(*t.painel, TframeConfigurar::noREDELOCAL);
        QVERIFY(!t.painel->operacoes());
        // The notice of "Banco de dados", each time it is chosen.
        const QString aviso = QStringLiteral(
            "@!000AVI As configurações desta opção devem ser alteradas somente sob orientação técnica.");
        clicarNo(*t.painel, TframeConfigurar::noBANCODADOS);
        clicarNo(*t.painel, TframeConfigurar::noWEBCAM);
        clicarNo(*t.painel, TframeConfigurar::noBANCODADOS);
        QCOMPARE(t.mensagens().count(aviso), 2);
    }

    void arvoreRetidaPorRegistroAberto_data() {
        QTest::addColumn<int>("no");
        QTest::addColumn<bool>("retem");
        QTest::newRow("leitora 71") << int(TframeConfigurar::noLEITORAS71) << true;
        QTest::newRow("contas") << int(TframeConfigurar::noCONTAS) << true;
        QTest::newRow("leitora 64AX") << int(TframeConfigurar::noLEITORAS64AX) << false;
        QTest::newRow("concentradora") << int(TframeConfigurar::noCONCENTRADORA) << false;
        QTest::newRow("grupos") << int(TframeConfigurar::noGRUPOS) << false;
    }
    void arvoreRetidaPorRegistroAberto() {
        QFETCH(int, no);
        QFETCH(bool, retem);
        PainelTeste t;
        t.painel->show();
        clicarNo(*t.painel, no);
        QVERIFY(t.painel->operacoes()->incluir());
        const int destino =
            no == TframeConfigurar::noGRUPOS ? TframeConfigurar::noFERIADOS : TframeConfigurar::noGRUPOS;
        clicarNo(*t.painel, destino);
        QCOMPARE(t.painel->noAtual(), retem ? no : destino);
    }

    // Device pages

    // The rule as a table; one refused and one accepted head go through each page.
    void cabeca_data() {
        QTest::addColumn<int>("excluida");
        QTest::addColumn<QString>("cabeca");
        QTest::addColumn<bool>("aceita");
        for (int excluida : {133, 170}) {
            QTest::addRow("sem %d: 133", excluida) << excluida << "133" << (excluida != 133);
            QTest::addRow("sem %d: 170", excluida) << excluida << "170" << (excluida != 170);
            QTest::addRow("sem %d: 128", excluida) << excluida << "128" << true;
            QTest::addRow("sem %d: 255", excluida) << excluida << "255" << true;
            QTest::addRow("sem %d: 256", excluida) << excluida << "256" << false;
            QTest::addRow("sem %d: 127", excluida) << excluida << "127" << false;
            QTest::addRow("sem %d: vazia", excluida) << excluida << "" << false;
            QTest::addRow("sem %d: letras", excluida) << excluida << "1a0" << false;
        }
    }
    void cabeca() {
        QFETCH(int, excluida);
        QFETCH(QString, cabeca);
        QFETCH(bool, aceita);
        QCOMPARE(PaginaDispositivo::cabecaValida(cabeca, excluida), aceita);
    }
    void cabecaNasPaginas() {
        PainelTeste t;
        for (const char* tipo : {"71", "64", "ctr"}) {
            PaginaDispositivo* p = pagina(*t.painel, QLatin1String(tipo));
            const int excluida = QLatin1String(tipo) == QLatin1String("64") ? 170 : 133;
            t.m.operador.limpar();
            QVERIFY(p->INCLUIR());
            digitar(p->edCABECA, QString::number(excluida));
            digitar(p->edDESCRICAO, QStringLiteral("Nova"));
            QVERIFY(!p->GRAVAR());
            QCOMPARE(t.mensagens(),
                     QStringList{QStringLiteral("@!000ERRCabeça deve ser entre 128-255 e diferente de %1!").arg(excluida)});
            // Refused: still inserting, with what was typed.
            QCOMPARE(p->conjunto().estado(), EstadoConjunto::Inserindo);
            QCOMPARE(p->edDESCRICAO->text(), QStringLiteral("Nova"));
            QCOMPARE(p->edCABECA->text(), QString::number(excluida));
            // The other page's excluded head is accepted here.
            digitar(p->edCABECA, QString::number(excluida == 133 ? 170 : 133));
            QVERIFY(p->GRAVAR());
            QCOMPARE(p->conjunto().estado(), EstadoConjunto::Navegando);
            QCOMPARE(p->conjunto().texto(QStringLiteral("CABECA")), QString::number(excluida == 133 ? 170 : 133));
        }
    }

    void novoRegistroLevaEstacao() {
        PainelTeste t;
        for (const char* tipo : {"71", "64", "ctr"}) {
            PaginaDispositivo* p = pagina(*t.painel, QLatin1String(tipo));
            QVERIFY(p->INCLUIR());
            QCOMPARE(p->edSERIALNUM->text(), QStringLiteral("0A0B0C0D"));
            QVERIFY(p->edSERIALNUM->isReadOnly());

            digitar(p->edCABECA, QStringLiteral("140"));
            QVERIFY(p->GRAVAR());
        }
        QCOMPARE(
            t.dm()
                .dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM LEITORA WHERE SERIALNUM = '0A0B0C0D'"))
                .toInt(),
            1);
        QCOMPARE(t.dm()
                     .dbBANCO
                     .valor(QStringLiteral("SELECT COUNT(*) FROM CONTROLADORA WHERE SERIALNUM = '0A0B0C0D'"))
                     .toInt(),
                 1);
    }

    void temposPortao_data() {
        QTest::addColumn<QString>("fechar");
        QTest::addColumn<QString>("desligar");
        QTest::addColumn<int>("fecharGravado");
        QTest::addColumn<int>("desligarGravado");
        QTest::newRow("fechar 3") << "3"
                                  << "0" << 10 << 0;
        QTest::newRow("fechar 121") << "121"
                                    << "0" << 10 << 0;
        QTest::newRow("limites aceitos") << "5"
                                         << "120" << 5 << 120;
        QTest::newRow("fechar 120, desligar 0") << "120"
                                                << "0" << 120 << 0;
        QTest::newRow("desligar 200") << "30"
                                      << "200" << 30 << 0;
    }
    void temposPortao() {
        QFETCH(QString, fechar);
        QFETCH(QString, desligar);
        QFETCH(int, fecharGravado);
        QFETCH(int, desligarGravado);
        PainelTeste t;
        TframeLeitoras64AX* p = t.painel->tsLEITORA64;
        QVERIFY(p->INCLUIR());
        digitar(p->edCABECA, QStringLiteral("180"));
        digitar(p->edFECHARPOS, fechar);
        digitar(p->edDESLIGARPOR, desligar);
        QVERIFY(p->GRAVAR());
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT FECHARPOS FROM LEITORA64")).toInt(),
                 fecharGravado);
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT DESLIGARPOR FROM LEITORA64")).toInt(),
                 desligarGravado);
        QCOMPARE(p->edFECHARPOS->text(), QString::number(fecharGravado));
    }

    void regraConfirmacao_data() {
        QTest::addColumn<QString>("tipo");
        QTest::newRow("71") << "71";
        QTest::newRow("64AX") << "64";
    }
    void regraConfirmacao() {
        QFETCH(QString, tipo);
        PainelTeste t;
        QCheckBox *confirmar, *reingresso, *foto;
        PaginaDispositivo* p = pagina(*t.painel, tipo);
        if (tipo == QLatin1String("71")) {
            confirmar = t.painel->tsLEITORA71->ckCONFIRMARACESSO;
            reingresso = t.painel->tsLEITORA71->ckPERMITIRREINGRESSO;
            foto = t.painel->tsLEITORA71->ckVISUALIZAR;
        } else {
            confirmar = t.painel->tsLEITORA64->ckCONFIRMARACESSO;
            reingresso = t.painel->tsLEITORA64->ckPERMITIRREINGRESSO;
            foto = t.painel->tsLEITORA64->ckVISUALIZAR;
        }
        QVERIFY(p->INCLUIR());
        confirmar->setChecked(false);
        QVERIFY(reingresso->isChecked());
        QVERIFY(!reingresso->isEnabled());
        QVERIFY(foto->isEnabled());
        foto->setChecked(true);
        confirmar->setChecked(true);
        QVERIFY(reingresso->isEnabled());
        QVERIFY(!foto->isChecked());
        QVERIFY(!foto->isEnabled());
        reingresso->setChecked(false);
        digitar(p->edCABECA, QStringLiteral("150"));
        QVERIFY(p->GRAVAR());
        QCOMPARE(p->conjunto().texto(QStringLiteral("PERMITIRREINGRESSO")), QStringLiteral("0"));
        QCOMPARE(p->conjunto().texto(QStringLiteral("VISUALIZAR")), QStringLiteral("0"));
    }

    void regraOnline() {
        PainelTeste t;
        TframeConcentradora* p = t.painel->tsCONTROLADORA;
        QVERIFY(p->INCLUIR());
        QVERIFY(!p->ckCONFIRMARACESSO->isEnabled());
        QCOMPARE(p->grFREQDOWN->checkedId(), 1); // 10 min, the new record's value
        p->ckONLINE->setChecked(true);
        QVERIFY(p->ckCONFIRMARACESSO->isEnabled());
        QCOMPARE(p->grFREQDOWN->checkedId(), 0);
        QVERIFY(!p->rgFREQDOWN->isEnabled());
        p->ckONLINE->setChecked(false);
        QCOMPARE(p->grFREQDOWN->checkedId(), 0); // "Nunca" stays, now selectable
        QVERIFY(p->rgFREQDOWN->isEnabled());
        QVERIFY(!p->ckCONFIRMARACESSO->isEnabled());
        p->ckCONFIRMARACESSO->setChecked(true); // its value is kept though disabled
        p->ckVISUALIZAR->setChecked(true);
        QVERIFY(!p->ckVISUALIZAR->isChecked());
        digitar(p->edCABECA, QStringLiteral("150"));
        QVERIFY(p->GRAVAR());
        QCOMPARE(p->conjunto().texto(QStringLiteral("FREQDOWN")), QStringLiteral("0"));
    }

    void regraSemReleEFechamento() {
        PainelTeste t;
        t.painel->show();
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        QVERIFY(p->INCLUIR());
        QVERIFY(!p->cbMAE->isVisible());
        p->ckNAOBATERELE->setChecked(true);
        QVERIFY(p->cbMAE->isVisible());
        p->ckNAOBATERELE->setChecked(false);
        QVERIFY(!p->cbMAE->isVisible());
        QVERIFY(p->CANCELAR());

        clicarNo(*t.painel, TframeConfigurar::noLEITORAS64AX);
        TframeLeitoras64AX* g = t.painel->tsLEITORA64;
        QVERIFY(g->INCLUIR());
        QVERIFY(!g->edFECHARPOS->isVisible()); // closing type '0'
        for (int tipo : {1, 2, 0}) {
            g->rgFECHAMENTO->findChildren<QButtonGroup*>().first()->button(tipo)->click();
            QCOMPARE(g->edFECHARPOS->isVisible(), tipo != 0);
            QCOMPARE(g->ckPARAABREAUTO->isEnabled(), tipo == 1);
        }
    }

    void filtrosDeTecla() {
        PainelTeste t;
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        QVERIFY(p->INCLUIR());
        p->edCABECA->clear();
        QTest::keyClicks(p->edCABECA, QStringLiteral("1a-2 3x"));
        QCOMPARE(p->edCABECA->text(), QStringLiteral("123"));
        QTest::keyClick(p->edCABECA, Qt::Key_Backspace);
        QCOMPARE(p->edCABECA->text(), QStringLiteral("12"));
        const int antes = p->cbSERIAL->currentIndex();
        QTest::keyClicks(p->cbSERIAL, QStringLiteral("C"));
        QTest::keyClick(p->cbSERIAL, Qt::Key_Down);
        QCOMPARE(p->cbSERIAL->currentIndex(), antes);
    }

    void edicaoFiltrada_data() {
        QTest::addColumn<QString>("campo");
        QTest::addColumn<QString>("inicial");
        QTest::addColumn<QStringList>("passos"); // keys by name, "colar:" + text, or text to type
        QTest::addColumn<QString>("fica");
        const QStringList campos = {QStringLiteral("edCABECA"), QStringLiteral("edLOGIN"),
                                    QStringLiteral("edSENHA"), QStringLiteral("edCONFIRMAR")};
        for (const QString& c : campos) {
            const QByteArray n = c.toUtf8();
            QTest::newRow(n + " ctrl+a backspace") << c << "133" << QStringList{"^A", "BS", "200"} << "200";
            QTest::newRow(n + " home delete") << c << "133" << QStringList{"HOME", "DEL"} << "33";
            QTest::newRow(n + " setas") << c << "133" << QStringList{"LEFT", "LEFT", "DEL", "END", "7"} << "137";
            QTest::newRow(n + " colar inválido") << c << "133" << QStringList{"colar:1 2"} << "133";
        }
        QTest::newRow("cabeça colar dígitos") << "edCABECA" << "1" << QStringList{"colar:50"} << "150";
        QTest::newRow("cabeça colar letras") << "edCABECA" << "1" << QStringList{"colar:5a"} << "1";
        QTest::newRow("login colar maiúsculas") << "edLOGIN" << "" << QStringList{"colar:AnA7"} << "ana7";
        QTest::newRow("senha colar acento") << "edSENHA" << "" << QStringList{"colar:sé"} << "";
    }
    // Filters judge characters, typed or pasted; editing keys work as in any field.
    void edicaoFiltrada() {
        QFETCH(QString, campo);
        QFETCH(QString, inicial);
        QFETCH(QStringList, passos);
        QFETCH(QString, fica);
        PainelTeste t;
        QWidget* pagina = campo == QStringLiteral("edCABECA") ? static_cast<QWidget*>(t.painel->tsLEITORA71)
                                                              : t.painel->tsCONTAS;
        if (auto* l = qobject_cast<TframeLeitoras71*>(pagina))
            QVERIFY(l->INCLUIR());
        else
            QVERIFY(t.painel->tsCONTAS->INCLUIR());
        auto* e = pagina->findChild<QLineEdit*>(campo);
        QVERIFY(e);
        e->clear();
        e->setFocus();
        QTest::keyClicks(e, inicial);
        static const QHash<QString, QPair<Qt::Key, Qt::KeyboardModifiers>> teclas = {
            {QStringLiteral("^A"), {Qt::Key_A, Qt::ControlModifier}},
            {QStringLiteral("BS"), {Qt::Key_Backspace, Qt::NoModifier}},
            {QStringLiteral("DEL"), {Qt::Key_Delete, Qt::NoModifier}},
            {QStringLiteral("HOME"), {Qt::Key_Home, Qt::NoModifier}},
            {QStringLiteral("END"), {Qt::Key_End, Qt::NoModifier}},
            {QStringLiteral("LEFT"), {Qt::Key_Left, Qt::NoModifier}}};
        for (const QString& p : passos) {
            if (teclas.contains(p)) {
                QTest::keyClick(e, teclas[p].first, teclas[p].second);
            } else if (p.startsWith(QStringLiteral("colar:"))) {
                QApplication::clipboard()->setText(p.mid(6));
                e->paste(); // what the context menu's "Paste" does
            } else {
                QTest::keyClicks(e, p);
            }
        }
        QCOMPARE(e->text(), fica);
    }

    void listaDescricoes() {
        PainelTeste t;
        semearDispositivos(t);
        t.sql(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM) "
                             "VALUES (20, 201, 'Fundos', 'COM1', '0A0B0C0D')"));
        t.dm().setLEI.abrir();
        t.painel->show();
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        QVERIFY(!p->lsNOMES->isVisible());
        QCOMPARE(p->lsNOMES->height(), 135);
        QTest::mouseClick(p->edDESCRICAO, Qt::LeftButton);
        QVERIFY(p->lsNOMES->isVisible());
        QCOMPARE(p->lsNOMES->count(), 2);
        p->lsNOMES->setCurrentRow(1);
        QTest::keyClick(p->lsNOMES, Qt::Key_Return);
        QVERIFY(!p->lsNOMES->isVisible());
        QCOMPARE(p->edDESCRICAO->text(), QStringLiteral("Fundos"));
        QCOMPARE(p->edCABECA->text(), QStringLiteral("201"));
        QTest::mouseClick(p->edDESCRICAO, Qt::LeftButton);
        QTest::keyClick(p->lsNOMES, Qt::Key_Escape);
        QVERIFY(!p->lsNOMES->isVisible());
        // Not while a record is open.
        QVERIFY(p->ALTERAR());
        QTest::mouseClick(p->edDESCRICAO, Qt::LeftButton);
        QVERIFY(!p->lsNOMES->isVisible());
    }

    // The lists carry device keys, as the start-up link matches them: filled once, then kept
    // by saves and deletes.
    void listasMae() {
        PainelTeste t;
        semearDispositivos(t);
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        t.painel->preencherListasMae({QStringLiteral("10")}, {QStringLiteral("11")});
        t.painel->preencherListasMae({QStringLiteral("99")}, {});
        QCOMPARE(p->cbMAE->count(), 1);
        QCOMPARE(t.painel->tsLEITORA64->cbMAE->itemText(0), QStringLiteral("11"));
        QVERIFY(p->INCLUIR());
        digitar(p->edCABECA, QStringLiteral("210"));
        QVERIFY(p->GRAVAR());
        const QString nova = p->conjunto().texto(QStringLiteral("CHAVE"));
        QCOMPARE(p->cbMAE->findText(nova), 1);
        // A reader without its own relay names its mother by key.
        QVERIFY(p->ALTERAR());
        p->ckNAOBATERELE->setChecked(true);
        p->cbMAE->setCurrentIndex(0);
        emit p->cbMAE->textActivated(p->cbMAE->itemText(0));
        QVERIFY(p->GRAVAR());
        QCOMPARE(p->conjunto().texto(QStringLiteral("ID_LEITORAMAE")), QStringLiteral("10"));
        QVERIFY(p->EXCLUIR());
        QCOMPARE(p->cbMAE->findText(nova), -1);
    }

    // Device commands

    void comandosLeitora71() {
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t, 201);
        t.sql(QStringLiteral(
            "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, DESABILITAR) VALUES (1, '1A2B3C4D5E', 'Ana', '0')"));
        t.sql(QStringLiteral("INSERT INTO HABILITADO (UCHAVE, LCHAVE, MEMORIZAR) VALUES (1, 10, 1)"));
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        // The record says 201; the reader still answers at 200 until its head is written (through 255).
        t.m.operador.roteiro({Resposta::Sim});
        p->btCABECA->click();
        QCOMPARE(t.mensagens(),
                 (QStringList{"Confirma gravar cabeça?", "@!000AVICabeça gravada com sucesso."}));
        QVERIFY(d.estado(1, 201).contains(QLatin1String("registros 0=201")));
        t.m.operador.limpar();
        p->btTEMPO->click(); // "500 ms"
        QVERIFY2(d.estado(1, 201).contains(QLatin1String("2=65")), qPrintable(d.estado(1, 201)));
        p->btRELE->click();
        QTRY_VERIFY2(d.estado(1, 201).contains(QLatin1String("pulsos 1 ultimo_rele_ms 500")),
                     qPrintable(d.estado(1, 201)));
        QCOMPARE(t.mensagens(),
                 (QStringList{"@!000AVITempo gravado com sucesso.", "@!000AVIRelé acessado com sucesso."}));
        t.m.operador.limpar();
        t.m.operador.roteiro({Resposta::Sim});
        p->btMEMORIA->click();
        QCOMPARE(t.mensagens(),
                 (QStringList{"Confirma enviar cartões?", "@!000AVICartões enviados com sucesso."}));
        QCOMPARE(p->mmRELATORIO->toPlainText().split(u'\n'),
                 (QStringList{"1A2B3C4D5E - Ana", "Enviando cartões...", "Aguarde...."}));
        QCOMPARE(d.sim.comando(QStringLiteral("memoria 1 201 6 2")), QStringLiteral("B4 78"));
        QVERIFY(d.estado(1, 201).contains(QLatin1String("1=1")));
        QCOMPARE(p->conjunto().estado(), EstadoConjunto::Navegando);
    }

    void memoriaSemCartoes() {
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t);
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        p->mmRELATORIO->setPlainText(QStringLiteral("antes"));
        t.m.operador.roteiro({Resposta::Sim});
        const int antes = d.sim.registros().size();
        p->btMEMORIA->click();
        QCOMPARE(t.mensagens(), QStringList{"Confirma enviar cartões?"});
        QVERIFY(p->mmRELATORIO->toPlainText().isEmpty());
        QCOMPARE(d.sim.registros().size(), antes);
    }

    void comandosLeitora64EControladora() {
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t, 200, 171, 131);
        t.painel->tsLEITORA64->btTESTE->click();
        QTRY_COMPARE(d.sim.contar(QStringLiteral("beep"), 2), 1);
        QCOMPARE(t.mensagens(), QStringList{"@!000AVIBeep disparado com sucesso."});
        // Head written through 170; the reader then answers at its new address.
        t.sql(QStringLiteral("UPDATE LEITORA64 SET CABECA = 172"));
        t.dm().setLEI64.abrir();
        t.m.operador.limpar();
        t.m.operador.roteiro({Resposta::Sim});
        t.painel->tsLEITORA64->btCABECA->click();
        QCOMPARE(t.mensagens(),
                 (QStringList{"Confirma gravar cabeça?", "@!000AVICabeça gravada com sucesso."}));
        t.m.operador.limpar();
        t.painel->tsLEITORA64->btTESTE->click();
        QCOMPARE(t.mensagens(), QStringList{"@!000AVIBeep disparado com sucesso."});
        // The controller: no question, head through 170, then a restart.
        t.m.operador.limpar();
        t.painel->tsCONTROLADORA->btCABECA->click();
        QCOMPARE(t.mensagens(), QStringList{"@!000AVICabeça gravada com sucesso."});
        QCOMPARE(d.sim.contar(QStringLiteral("reinicio"), 3), 1);
        PortaSerial linha = LinhaSerial::abrir(d.sim.caminho(3), 19200);
        QVERIFY(linha);
        TControladora nova(131, linha);
        quint8 e = 0;
        QVERIFY(nova.Sinalizar(e));
        QVERIFY(!t.painel->tsCONTROLADORA->btENVIAR->isEnabled());
        QVERIFY(!t.painel->tsCONTROLADORA->btTEMPOS->isEnabled());
    }

    // A silent device: the failure text, and nothing else changes.
    void dispositivoMudo_data() {
        QTest::addColumn<QString>("tipo");
        QTest::addColumn<QString>("botao");
        QTest::addColumn<QString>("falha");
        QTest::newRow("71 relé") << "71"
                                 << "btRELE"
                                 << "@!000ERRErro ao acessar relé.";
        QTest::newRow("71 tempo") << "71"
                                  << "btTEMPO"
                                  << "@!000ERRErro ao gravar tempo.";
        QTest::newRow("71 cabeça") << "71"
                                   << "btCABECA"
                                   << "@!000ERRErro ao gravar cabeça.";
        QTest::newRow("64 beep") << "64"
                                 << "btTESTE"
                                 << "@!000ERRErro ao soar beep.";
        QTest::newRow("64 cabeça") << "64"
                                   << "btCABECA"
                                   << "@!000ERRErro ao gravar cabeça.";
        QTest::newRow("controladora cabeça") << "ctr"
                                             << "btCABECA"
                                             << "@!000ERRErro ao gravar cabeça.";
    }
    void dispositivoMudo() {
        QFETCH(QString, tipo);
        QFETCH(QString, botao);
        QFETCH(QString, falha);
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t);
        const int com = tipo == QLatin1String("71") ? 1 : tipo == QLatin1String("64") ? 2 : 3;
        const int cab = com == 1 ? 200 : com == 2 ? 171 : 130;
        QCOMPARE(d.sim.comando(QStringLiteral("falha %1 %2 silencio").arg(com).arg(cab)),
                 QStringLiteral("ok"));
        // The device's clock runs on by itself; the rest of its state must stay.
        auto semRelogio = [&] {
            QStringList l = d.estado(com, cab).split(u'\n');
            l.removeIf([](const QString& x) { return x.startsWith(QLatin1String("relogio")); });
            return l;
        };
        const QStringList antes = semRelogio();
        PaginaDispositivo* p = pagina(*t.painel, tipo);
        t.m.operador.roteiro({Resposta::Sim});
        p->findChild<QPushButton*>(botao)->click();
        QCOMPARE(t.mensagens().last(), falha);
        // A silent reader still beeps when told to; its address and registers stay.
        if (botao != QLatin1String("btTESTE")) QCOMPARE(semRelogio(), antes);
        QCOMPARE(p->conjunto().estado(), EstadoConjunto::Navegando);
        QCOMPARE(d.sim.contar(QStringLiteral("rele"), com), 0);
    }

    // COM12 names port 1: the station's own line of COM1 is used and stays open.
    void portaDoRegistroPrimeiroDigito() {
        QCOMPARE(PortaDoRegistro(QStringLiteral("COM12")), 1);
        QCOMPARE(PortaDoRegistro(QStringLiteral("COM3")), 3);
        QCOMPARE(PortaDoRegistro(QVariant()), 0);
        QCOMPARE(PortaDoRegistro(QStringLiteral("COMX")), 0);
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t, 200, 171, 130, QStringLiteral("COM12"));
        TframeLeitoras71* p = t.painel->tsLEITORA71;
        QCOMPARE(p->cbSERIAL->currentIndex(), -1);
        p->btRELE->click(); // no station line: the page's port (none chosen) cannot be opened
        QCOMPARE(t.mensagens(), QStringList{"@!000ERRErro ao acessar porta serial."});
        TabelaPortas portas;
        portas.marcarUsada(1);
        portas.ABRIR_PORTAS();
        QVERIFY(PortaValida(portas.handle(1)));
        t.painel->definirPortas(&portas);
        t.m.operador.limpar();
        p->btRELE->click();
        QCOMPARE(t.mensagens(), QStringList{"@!000AVIRelé acessado com sucesso."});
        QTRY_COMPARE(d.sim.contar(QStringLiteral("rele"), 1), 1);
        QVERIFY(PortaValida(portas.handle(1)));
        portas.FECHAR_PORTAS();
    }

    // A port the station does not hold is opened for the command and closed after it.
    void linhaAbertaSoParaOComando() {
        PainelTeste t;
        Dispositivos d;
        semearDispositivos(t);
        t.painel->tsLEITORA71->btRELE->click();
        QCOMPARE(t.mensagens(), QStringList{"@!000AVIRelé acessado com sucesso."});
        QTRY_COMPARE(d.sim.contar(QStringLiteral("rele"), 1), 1);
        PortaSerial depois = LinhaSerial::abrir(d.sim.caminho(1), 19200);
        QVERIFY2(depois, "the command left its line open");
    }

    // Groups and holidays

    void grupoRenomeado() {
        PainelTeste t;
        int atualizacoes = 0;
        t.painel->atualizarGruposUsuario = [&] { ++atualizacoes; };
        t.sql(QStringLiteral("UPDATE GRUPOS SET DESCRICAO = 'Manhã'"));
        t.sql(QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (1, 'Ana', 'Manhã')"));
        t.sql(QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (2, 'Bia', 'Manhã')"));
        t.sql(QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (3, 'Caio', 'Noite')"));
        t.dm().setGRP.abrir();
        t.dm().setUSU.abrir();
        TframeGrupos* g = t.painel->tsGRUPOS;
        QVERIFY(g->ALTERAR());
        QVERIFY(g->btSEG->isVisible() || !g->isVisible());
        digitar(g->edDESCRICAO, QStringLiteral("Matutino"));
        QVERIFY(g->GRAVAR());
        QVERIFY(g->btSEG->isHidden());
        QCOMPARE(t.dm()
                     .dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM USUARIO WHERE GRUPO = 'Matutino'"))
                     .toInt(),
                 2);
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT GRUPO FROM USUARIO WHERE CHAVE = 3")).toString(),
                 QStringLiteral("Noite"));
        QVERIFY(t.dm().setUSU.aberto());
        QCOMPARE(t.dm().setUSU.texto(0, QStringLiteral("GRUPO")), QStringLiteral("Matutino"));
        QCOMPARE(atualizacoes, 1);
        // A group window with its start after its end is stored as entered.
        QVERIFY(g->ALTERAR());
        digitar(g->edHORA[8], QStringLiteral("18:00:00"));
        digitar(g->edHORA[9], QStringLiteral("08:00:00"));
        QVERIFY(g->GRAVAR());
        QCOMPARE(t.dm().setGRP.texto(QStringLiteral("SEXE")), QStringLiteral("18:00:00"));
    }

    void grupoExclusao_data() {
        QTest::addColumn<int>("usuarios");
        QTest::addColumn<int>("grupos");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("em uso por 3")
            << 3 << 2 << "@!000ERRNão é possível excluir o grupo porque há 3 usuário(s) no grupo!";
        QTest::newRow("único grupo") << 0 << 1
                                     << "@!000ERRExiste apenas um grupo, este não pode ser excluído!";
        QTest::newRow("livre") << 0 << 2 << "";
    }
    void grupoExclusao() {
        QFETCH(int, usuarios);
        QFETCH(int, grupos);
        QFETCH(QString, mensagem);
        PainelTeste t;
        if (grupos > 1)
            t.sql(QStringLiteral("INSERT INTO GRUPOS (CHAVE, DESCRICAO) VALUES (50, 'Zeladoria')"));
        for (int i = 1; i <= usuarios; ++i)
            t.sql(QStringLiteral("INSERT INTO USUARIO (CHAVE, NOME, GRUPO) VALUES (%1, 'U%1', 'Geral')")
                      .arg(i));
        t.dm().setGRP.abrir();
        t.dm().setGRP.primeiro();
        QCOMPARE(t.dm().setGRP.texto(QStringLiteral("DESCRICAO")), QStringLiteral("Geral"));
        const bool ok = t.painel->tsGRUPOS->EXCLUIR();
        QCOMPARE(ok, usuarios == 0);
        QCOMPARE(t.mensagens(), mensagem.isEmpty() ? QStringList() : QStringList{mensagem});
        const int restantes = t.dm().dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM GRUPOS")).toInt();
        QCOMPARE(restantes, mensagem.isEmpty() ? grupos - 1 : grupos);
    }

    void grupoSemNome() {
        PainelTeste t;
        TframeGrupos* g = t.painel->tsGRUPOS;
        QVERIFY(g->INCLUIR());
        QVERIFY(!g->GRAVAR());
        QCOMPARE(t.mensagens(), QStringList{"@!000ERRGrupo é informação obrigatória!"});
        QCOMPARE(t.dm().setGRP.estado(), EstadoConjunto::Inserindo);
        digitar(g->edHORA[0], QStringLiteral("08:00:00"));
        digitar(g->edHORA[1], QStringLiteral("18:00:00"));
        g->CopiarSegunda();
        digitar(g->edDESCRICAO, QStringLiteral("Comercial"));
        QVERIFY(g->GRAVAR());
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT DOMS FROM GRUPOS WHERE DESCRICAO = 'Comercial'")).toTime(),
                 QTime(18, 0));
    }

    void calendarioMarco() {
        PainelTeste t;
        TframeFeriados* f = t.painel->tsFERIADOS;
        f->Carregar(2026); // 1 March 2026 is a Sunday
        QTableWidget* marco = f->gdMES[2];
        QCOMPARE(marco->item(0, 0)->text(), QStringLiteral("Dom."));
        QCOMPARE(marco->item(0, 6)->text(), QStringLiteral("Sáb."));
        QCOMPARE(marco->item(1, 0)->text(), QStringLiteral("1"));
        QCOMPARE(marco->item(1, 6)->text(), QStringLiteral("7"));
        QCOMPARE(marco->item(2, 0)->text(), QStringLiteral("8"));
        QCOMPARE(marco->item(5, 2)->text(), QStringLiteral("31"));
        QCOMPARE(marco->columnWidth(0), 26);
        QCOMPARE(marco->rowHeight(0), 16);
        QTableWidget* fevereiro = f->gdMES[1]; // 28 days, from a Sunday
        QCOMPARE(fevereiro->item(4, 6)->text(), QStringLiteral("28"));
        QVERIFY(!fevereiro->item(5, 0) || fevereiro->item(5, 0)->text().isEmpty());
    }

    void feriadoAlternado() {
        PainelTeste t;
        TframeFeriados* f = t.painel->tsFERIADOS;
        f->Carregar(2026);
        QTableWidget* dez = f->gdMES[11];
        int linha = -1, coluna = -1;
        for (int l = 1; l < 7; ++l)
            for (int c = 0; c < 7; ++c)
                if (dez->item(l, c) && dez->item(l, c)->text() == QLatin1String("25")) linha = l, coluna = c;
        QVERIFY(linha > 0);
        f->Alternar(12, linha, coluna);
        QVERIFY(f->EhFeriado(25, 12));
        QCOMPARE(
            t.dm()
                .dbBANCO.valor(QStringLiteral("SELECT DESCRICAO FROM FERIADOS WHERE DIA = 25 AND MES = 12"))
                .toString(),
            QStringLiteral("sem comentários"));
        f->Carregar(2031); // every year
        QVERIFY(f->EhFeriado(25, 12));
        QVERIFY(!f->EhFeriado(25, 13));
        for (int l = 1; l < 7; ++l)
            for (int c = 0; c < 7; ++c)
                if (dez->item(l, c) && dez->item(l, c)->text() == QLatin1String("25")) linha = l, coluna = c;
        f->Alternar(12, linha, coluna);
        QVERIFY(!f->EhFeriado(25, 12));
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM FERIADOS")).toInt(), 0);
        // An empty cell, the header and an open record do nothing.
        f->Alternar(12, 6, 6);
        f->Alternar(12, 0, 0);
        QVERIFY(t.painel->tsGRUPOS->INCLUIR());
        f->Alternar(12, linha, coluna);
        QCOMPARE(t.dm().dbBANCO.valor(QStringLiteral("SELECT COUNT(*) FROM FERIADOS")).toInt(), 0);
    }

    // Accounts

    void contaPromovidaAoSobrarUma() {
        PainelTeste t;
        t.sql(
            QStringLiteral("INSERT INTO CONTA (CHAVE, LOGIN, NOME, NIVEL05) VALUES (20, 'bia', 'Bia', '0')"));
        t.sql(QStringLiteral(
            "INSERT INTO CONTA (CHAVE, LOGIN, NOME, NIVEL05) VALUES (21, 'caio', 'Caio', '0')"));
        Conjunto& c = t.dm().setCON;
        c.abrir();
        TframeContas* p = t.painel->tsCONTAS;
        t.sql(QStringLiteral(
            "INSERT INTO CONTA (CHAVE, LOGIN, NOME, NIVEL05) VALUES (22, 'davi', 'Davi', '0')"));
        c.atualizar();
        // Deleting the only account able to configure while three remain promotes the one shown.
        QVERIFY(c.localizar(QStringLiteral("LOGIN"), QStringLiteral("admin")));
        QVERIFY(p->EXCLUIR());
        QCOMPARE(t.mensagens(),
                 QStringList{"@!000AVIEsta conta será habilitada a acessar a opção configurar!"});
        const QString mostrada = c.texto(QStringLiteral("LOGIN"));
        auto configuram = [&] {
            return t.dm()
                .dbBANCO.valor(QStringLiteral("SELECT LIST(LOGIN) FROM CONTA WHERE NIVEL05 = '1'"))
                .toString();
        };
        QCOMPARE(configuram(), mostrada);
        QCOMPARE(c.texto(QStringLiteral("NIVEL05")), QStringLiteral("1"));
        t.m.operador.limpar();
        // Deleting one that cannot configure promotes nobody.
        const QString outra = mostrada == QStringLiteral("bia") ? QStringLiteral("caio") : QStringLiteral("bia");
        QVERIFY(c.localizar(QStringLiteral("LOGIN"), outra));
        QVERIFY(p->EXCLUIR());
        QVERIFY(t.mensagens().isEmpty());
        QCOMPARE(configuram(), mostrada);
        // The one that configures goes, one is left: that one is promoted.
        QVERIFY(c.localizar(QStringLiteral("LOGIN"), mostrada));
        QVERIFY(p->EXCLUIR());
        QCOMPARE(t.mensagens(),
                 QStringList{"@!000AVIEsta conta será habilitada a acessar a opção configurar!"});
        QCOMPARE(c.texto(0, QStringLiteral("NIVEL05")), QStringLiteral("1"));
        QCOMPARE(c.quantidade(), 1);
        QCOMPARE(configuram(), c.texto(0, QStringLiteral("LOGIN")));
        t.m.operador.limpar();
        QVERIFY(!p->EXCLUIR());
        QCOMPARE(t.mensagens(), QStringList{"@!000ERRExiste apenas um conta, está não pode ser excluída!"});
        QCOMPARE(c.quantidade(), 1);
    }

    void contaGravacao() {
        PainelTeste t;
        TframeContas* p = t.painel->tsCONTAS;
        QVERIFY(p->edCONFIRMAR->isHidden());
        QVERIFY(p->INCLUIR());
        QVERIFY(!p->edCONFIRMAR->isHidden());
        QCOMPARE(p->edCONFIRMAR->text(), QStringLiteral("958"));
        QVERIFY(!p->GRAVAR());
        QCOMPARE(t.mensagens(), QStringList{"@!000ERRLogin e nome são informações obrigatórias!"});
        digitar(p->edNOME, QStringLiteral("Zé"));
        digitar(p->edLOGIN, QStringLiteral("ze"));
        QVERIFY(p->GRAVAR()); // unchanged password 958 and its confirmation
        QVERIFY(p->edCONFIRMAR->isHidden());
        QCOMPARE(
            t.dm().dbBANCO.valor(QStringLiteral("SELECT SENHA FROM CONTA WHERE LOGIN = 'ze'")).toString(),
            QStringLiteral("958"));
        QCOMPARE(t.dm()
                     .dbBANCO.valor(QStringLiteral("SELECT OBSERVACAO FROM CONTA WHERE LOGIN = 'ze'"))
                     .toString(),
                 QStringLiteral("Nenhuma observação informada."));
        t.m.operador.limpar();
        QVERIFY(p->ALTERAR());
        p->edCONFIRMAR->clear();
        QVERIFY(!p->GRAVAR());
        QCOMPARE(t.mensagens(), QStringList{"@!000ERRSenha de confirmação não confere!"});
        QCOMPARE(t.dm().setCON.estado(), EstadoConjunto::Editando);
        QVERIFY(p->CANCELAR());
        QVERIFY(p->edCONFIRMAR->isHidden());
        // Nobody left able to open "Configurar": the saved account is promoted.
        t.sql(QStringLiteral("UPDATE CONTA SET NIVEL05 = '0'"));
        t.dm().setCON.atualizar();
        t.m.operador.limpar();
        QVERIFY(p->ALTERAR());
        QVERIFY(p->GRAVAR());
        QCOMPARE(t.mensagens(),
                 QStringList{"@!000AVIEsta conta será habilitada a acessar a opção Configurar!"});
        QCOMPARE(t.dm().setCON.texto(QStringLiteral("NIVEL05")), QStringLiteral("1"));
    }

    void teclasDeLogin_data() {
        QTest::addColumn<QString>("tecla");
        QTest::addColumn<QString>("fica");
        QTest::newRow("minúscula") << "a"
                                   << "a";
        QTest::newRow("maiúscula") << "Q"
                                   << "q";
        QTest::newRow("dígito") << "7"
                                << "7";
        QTest::newRow("acento") << "é"
                                << "";
        QTest::newRow("espaço") << " "
                                << "";
        QTest::newRow("pontuação") << "."
                                   << "";
    }
    void teclasDeLogin() {
        QFETCH(QString, tecla);
        QFETCH(QString, fica);
        QCOMPARE(TframeContas::filtrarTecla(tecla), fica);
    }
    // The filter is the login field's: a typed capital goes in small, a blank not at all.
    void teclasNoCampoDeLogin() {
        PainelTeste t;
        TframeContas* p = t.painel->tsCONTAS;
        QVERIFY(p->INCLUIR());
        p->edLOGIN->clear();
        p->edLOGIN->setFocus();
        QTest::keyClicks(p->edLOGIN, QStringLiteral("Ana 7."));
        QCOMPARE(p->edLOGIN->text(), QStringLiteral("ana7"));
    }

    // Option pages

    void outrasOpcoes_data() {
        QTest::addColumn<QString>("expira");
        QTest::addColumn<QString>("ignorar64");
        QTest::addColumn<QString>("falha64");
        QTest::addColumn<QString>("ignorar71");
        QTest::addColumn<QList<int>>("gravados"); // expiraem, qx64 ignorar, qx64 falha, qx71 ignorar
        QTest::newRow("vazios") << ""
                                << ""
                                << ""
                                << "" << QList<int>{365, 40, 0, 2};
        QTest::newRow("zero do QX64AX") << "30"
                                        << "0"
                                        << "5"
                                        << "0" << QList<int>{30, 40, 5, 0};
        QTest::newRow("como digitados") << "9999"
                                        << "120"
                                        << "999"
                                        << "99" << QList<int>{9999, 120, 999, 99};
    }
    void outrasOpcoes() {
        QFETCH(QString, expira);
        QFETCH(QString, ignorar64);
        QFETCH(QString, falha64);
        QFETCH(QString, ignorar71);
        QFETCH(QList<int>, gravados);
        PainelTeste t;
        QDir::setCurrent(t.m.pasta.caminho());
        TframeOutrasOpcoes* p = t.painel->tsOUTRAS;
        p->Carregar();
        QCOMPARE(p->edEXPIRA->text(), QStringLiteral("365"));
        QCOMPARE(p->edNOME->text(), QString());
        p->edNOME->clear();
        p->edEXPIRA->setText(expira);
        p->edIGNORAR64->setText(ignorar64);
        p->edFALHA64->setText(falha64);
        p->edIGNORAR71->setText(ignorar71);
        p->mmTIPOS->setPlainText(
            QStringLiteral("  Morador  \nUm tipo de usuário com trinta letras\nVisitante"));
        p->btAPLICAR->click();
        QCOMPARE(t.mensagens(), QStringList{"@!000OKKConfiguração salva com sucesso."});
        QCOMPARE(cfg::outros_expiraem.ler(), gravados[0]);
        QCOMPARE(cfg::qx64_ignorarrepeticaopor.ler(), gravados[1]);
        QCOMPARE(cfg::qx64_falhoutransito.ler(), gravados[2]);
        QCOMPARE(cfg::qx71_ignorarrepeticaopor.ler(), gravados[3]);
        QCOMPARE(p->edEXPIRA->text(), QString::number(gravados[0]));
        QCOMPARE(p->edIGNORAR64->text(), QString::number(gravados[1]));
        QCOMPARE(p->edIGNORAR71->text(), QString::number(gravados[3]));
        // An empty name is stored empty: the station's accesses then carry no name.
        QCOMPARE(cfg::outros_nomecomputador.ler(), QString());
        QFile tipos(QStringLiteral("Tipos.txt"));
        QVERIFY(tipos.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(tipos.readAll()).split(u'\n'),
                 (QStringList{"Morador", "Um tipo de usuário com tr", "Visitante", ""}));
    }

    // A list that cannot be written whole (here: larger than the process may write, as on a full
    // disk) is reported, never taken for a success, and the old list stays.
    void listaNaoGravadaEhRelatada() {
        PainelTeste t;
        QDir::setCurrent(t.m.pasta.caminho());
        QFile antiga(QStringLiteral("Grupos.txt"));
        QVERIFY(antiga.open(QIODevice::WriteOnly));
        antiga.write("Geral\n");
        antiga.close();
        TframeOutrasOpcoes* p = t.painel->tsOUTRAS;
        p->Carregar();
        QStringList muitos;
        for (int i = 0; i < 8000; ++i)
            muitos << QStringLiteral("Grupo %1").arg(i);
        p->mmGRUPOS->setPlainText(muitos.join(u'\n'));
        rlimit antes{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &antes), 0);
        const auto sinal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limite = antes;
        limite.rlim_cur = 32 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limite), 0);
        {
            auto volta = qScopeGuard([&] {
                setrlimit(RLIMIT_FSIZE, &antes);
                std::signal(SIGXFSZ, sinal);
            });
            p->btAPLICAR->click();
        }
        const QStringList m = t.mensagens();
        QCOMPARE(m, QStringList{QStringLiteral("@!000ERRNão foi possível gravar o arquivo Grupos.txt!")});
        QVERIFY(antiga.open(QIODevice::ReadOnly));
        QCOMPARE(antiga.readAll(), QByteArray("Geral\n"));
    }

    void sonsEGravacaoPreservaArquivo() {
        PainelTeste t;
        QDir::setCurrent(t.m.pasta.caminho());
        // Every other key and comment of the file survives a save.
        QFile ini(ArquivoIni::config().caminho());
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("; instalado pelo tecnico\n[portas]\ncom4=/dev/ttyUSB9\n");
        ini.close();
        TframeOutrasOpcoes* p = t.painel->tsOUTRAS;
        p->Carregar();
        QVERIFY(!p->edSOM1->isEnabled());
        QTest::mouseClick(p->ckUSARSOM, Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(p->ckUSARSOM->isChecked());
        QVERIFY(p->edSOM1->isEnabled());
        QFile wav(t.m.pasta.caminho(QStringLiteral("Sons/ok.wav")));
        QDir().mkpath(t.m.pasta.caminho(QStringLiteral("Sons")));
        QVERIFY(wav.open(QIODevice::WriteOnly));
        wav.close();
        QString pastaPedida, filtroPedido;
        p->escolherArquivo = [&](const QString& pasta, const QString& filtro) {
            pastaPedida = pasta;
            filtroPedido = filtro;
            return wav.fileName();
        };
        QStringList tocados;
        p->tocar = [&](const QString& a) { tocados << a; };
        QVERIFY(!p->btTESTAR1->isEnabled());
        p->btPROCURAR1->click();
        QCOMPARE(pastaPedida, t.m.pasta.caminho(QStringLiteral("Sons")));
        QCOMPARE(filtroPedido, QStringLiteral("Arquivo WAV (*.wav)"));
        QCOMPARE(p->edSOM1->text(), QFileInfo(wav).absoluteFilePath());
        p->escolherArquivo = [](const QString&, const QString&) { return QString(); }; // cancelled
        p->btPROCURAR1->click();
        QCOMPARE(p->edSOM1->text(), QFileInfo(wav).absoluteFilePath());
        // Typing may shorten the longer path "Procurar" put, not lengthen it.
        const QString caminho = p->edSOM1->text();
        QVERIFY(caminho.size() > 25);
        p->edSOM1->setFocus();
        QTest::keyClick(p->edSOM1, Qt::Key_End);
        QTest::keyClicks(p->edSOM1, QStringLiteral("x"));
        QCOMPARE(p->edSOM1->text(), caminho);
        QTest::keyClick(p->edSOM1, Qt::Key_Backspace);
        QCOMPARE(p->edSOM1->text(), caminho.chopped(1));
        QTest::keyClicks(p->edSOM1, QStringLiteral("v"));
        QCOMPARE(p->edSOM1->text(), caminho.chopped(1));
        p->escolherArquivo = [&](const QString&, const QString&) { return wav.fileName(); };
        p->btPROCURAR1->click();
        QCOMPARE(p->edSOM1->text(), caminho);
        p->edSOM2->clear();
        QTest::keyClicks(p->edSOM2, QString(30, u's'));
        QCOMPARE(p->edSOM2->text(), QString(25, u's'));
        QVERIFY(p->btTESTAR1->isEnabled());
        p->btTESTAR1->click();
        QCOMPARE(tocados, QStringList{QFileInfo(wav).absoluteFilePath()});
        p->btAPLICAR->click();
        QCOMPARE(cfg::som_som1.ler(), QFileInfo(wav).absoluteFilePath());
        QVERIFY(cfg::som_usarsom.ler());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QString texto = QString::fromUtf8(ini.readAll());
        QVERIFY(texto.contains(QLatin1String("; instalado pelo tecnico")));
        QVERIFY(texto.contains(QLatin1String("com4=/dev/ttyUSB9")));
        QVERIFY(texto.contains(QLatin1String("password=masterkey")));
    }

    void controleRemotoImpressoraWebcam() {
        PainelTeste t;
        TframeControleRemoto* r = t.painel->tsREMOTO;
        r->Carregar();
        QCOMPARE(r->edPORTA->text(), QStringLiteral("4005"));
        r->edPORTA->clear();
        r->ckATIVO->setChecked(true);
        r->btAPLICAR->click();
        QCOMPARE(cfg::remoto_porta.ler(), 4005);
        QCOMPARE(r->edPORTA->text(), QStringLiteral("4005"));
        QVERIFY(cfg::remoto_ativo.ler());

        TframeImpressora* i = t.painel->tsIMPRESSORA;
        i->grSAIDA->button(2)->setChecked(true);
        cfg::impressora_saidadefault.gravar(QStringLiteral("rdpreview")); // compared exactly
        i->Carregar();
        QCOMPARE(i->grSAIDA->checkedId(), 2);
        i->ckPDF->setChecked(false);
        i->btAPLICAR->click();
        QCOMPARE(cfg::impressora_saidadefault.ler(), QStringLiteral("rdFile"));
        QVERIFY(!cfg::impressora_pdf.ler());
        QVERIFY(!i->btTESTAR->isEnabled());

        TframeWebCam* w = t.painel->tsWEBCAM;
        w->Carregar();
        QVERIFY(!w->ckATIVAR->isChecked());
        QVERIFY(!w->rgFREQUENCIA->isEnabled());
        QVERIFY(!w->ckMANTER->isEnabled());
        QCOMPARE(w->grFREQUENCIA->checkedId(), 2);
        w->ckATIVAR->setChecked(true);
        QVERIFY(w->rgFREQUENCIA->isEnabled());
        w->grFREQUENCIA->button(3)->setChecked(true);
        w->btAPLICAR->click();
        QCOMPARE(cfg::webcam_framerefresh.ler(), 3);
        QVERIFY(cfg::webcam_ativarwebcam.ler());
        QCOMPARE(t.mensagens().count(QStringLiteral("@!000OKKConfiguração salva com sucesso.")), 3);
    }

    void previsaoRedeLocal() {
        PainelTeste t;
        TframeRedeLocal* r = t.painel->tsREDELOCAL;
        r->Carregar();
        QVERIFY(r->rbLOCAL->isChecked());
        QVERIFY(r->edSERVIDOR->isReadOnly());
        QCOMPARE(r->relatorio(), QStringList{t.m.arquivo});
        r->rbREMOTO->setChecked(true);
        r->edSERVIDOR->setText(QStringLiteral("srv1"));
        r->edARQUIVO->setText(QStringLiteral("c:\\portaris\\portaris.fdb"));
        QVERIFY(!r->edSERVIDOR->isReadOnly());
        QCOMPARE(r->relatorio(), QStringList{"srv1:c:\\portaris\\portaris.fdb"});
        r->rbNETBEUI->setChecked(true);
        QCOMPARE(r->relatorio(), QStringList{"\\\\srv1\\Portaris\\portaris\\portaris.fdb"});
        QVERIFY(!r->btGRAVAR->isEnabled());
        r->ckREFRESH->click();
        QVERIFY(r->btGRAVAR->isEnabled());
        r->edSERVIDOR->setText(QStringLiteral("srv2"));
        QVERIFY(!r->btGRAVAR->isEnabled());
    }

    // The test connects for real: through the private server, and to a file that is not there.
    void testeDeConexao_data() {
        QTest::addColumn<bool>("modoServidor");
        QTest::addColumn<bool>("valido");
        QTest::newRow("válido") << false << true;
        QTest::newRow("inválido") << false << false;
        QTest::newRow("válido, modo de configuração") << true << true;
        QTest::newRow("inválido, modo de configuração") << true << false;
    }
    void testeDeConexao() {
        QFETCH(bool, modoServidor);
        QFETCH(bool, valido);
        const QString servidor = qEnvironmentVariable("PORTARIS_FB_SERVIDOR");
        if (servidor.isEmpty())
            QSKIP(
                "No Firebird server: run through ./test.sh, or start scripts/firebird-servidor.sh and export "
                "PORTARIS_FB_SERVIDOR and PORTARIS_FB_SENHA");
        PainelTeste t(!modoServidor, modoServidor);
        if (modoServidor)
            cfg::firebird_databasefile.gravar(t.m.pasta.caminho(QStringLiteral("nao-existe.fdb")));
        const QString remoto = BancoTeste::copia(t.m.pasta.caminho(), QStringLiteral("remoto.fdb"));
        // teste.ini keeps the keys it holds besides the five the test writes: the server's password.
        cfg::firebird_password.gravar(qEnvironmentVariable("PORTARIS_FB_SENHA"), ArquivoIni::teste());
        TframeRedeLocal* r = t.painel->tsREDELOCAL;
        r->Carregar();
        r->rbREMOTO->setChecked(true);
        r->edSERVIDOR->setText(servidor);
        r->edARQUIVO->setText(valido ? remoto : t.m.pasta.caminho(QStringLiteral("nada.fdb")));
        const QDateTime inicio = relogio().agora();
        r->btTESTAR->click();
        QStringList esperado;
        if (!modoServidor) esperado << "Desfazendo atual conexão as ";
        esperado << "Iniciando conexão teste as ";
        esperado << (valido ? "Sucesso na conexão teste as " : "Conexão teste falhou as ");
        if (!modoServidor)
            esperado << "Re-estabelecer conexão original as "
                     << "Conexão original estabelecida as ";
        esperado << "";
        if (valido)
            esperado << "A conexão informada é válida. Para atribuir a nova configuração"
                     << "selecione a opção Gravar configuração.";
        else
            esperado << "A conexão informada NÃO é válida.";
        const QStringList linhas = r->relatorio();
        QCOMPARE(linhas.size(), esperado.size());
        // A failed connection takes its three tries, 5 seconds apart.
        const QString antes = inicio.toString(QStringLiteral("HH:mm:ss"));
        const QString depois = inicio.addSecs(valido ? 0 : 15).toString(QStringLiteral("HH:mm:ss"));
        for (int i = 0; i < linhas.size(); ++i) {
            QVERIFY2(linhas[i].startsWith(esperado[i]), qPrintable(linhas[i]));
            if (esperado[i].endsWith(QLatin1String("as ")))
                QCOMPARE(linhas[i].mid(esperado[i].size()),
                         esperado[i].startsWith(QLatin1String("Desfazendo")) ||
                                 esperado[i].startsWith(QLatin1String("Iniciando"))
                             ? antes
                             : depois);
        }
        QCOMPARE(r->btGRAVAR->isEnabled(), valido);
        QCOMPARE(cfg::firebird_server.ler(ArquivoIni::teste()), QStringLiteral("remote"));
        QCOMPARE(cfg::firebird_servername.ler(ArquivoIni::teste()), servidor);
        if (!modoServidor) {
            // The original connection is back: the embedded copy of the station.
            QVERIFY(t.dm().conectado());
            QCOMPARE(t.dm().nomeBanco, t.m.arquivo);
            QVERIFY(t.dm().setCON.aberto());
        } else {
            QCOMPARE(t.dm().conectado(), valido); // stays on the tested server until the restart
        }
        if (valido) {
            t.m.operador.limpar();
            r->btGRAVAR->click();
            QCOMPARE(
                r->relatorio(),
                QStringList{
                    "As novas configurações serão aplicadas na próxima vez que o Portaris for iniciado"});
            QCOMPARE(t.mensagens(), QStringList{"@!000OKKConfiguração salva com sucesso."});
            QCOMPARE(cfg::firebird_servername.ler(), servidor);
            QCOMPARE(cfg::firebird_databasefile.ler(), remoto);
            QCOMPARE(cfg::firebird_password.ler(), QStringLiteral("masterkey")); // untouched
            QVERIFY(r->btGRAVAR->isEnabled());
        }
    }

    void sincronizarRelogio() {
        RelogioSistemaFalso falso;
        definirRelogioSistema(&falso);
        {
            PainelTeste t;
            t.painel->tsBANCODADOS->btSINCRONIZAR->click();
            QCOMPARE(falso.definidos.size(), 1);
            QCOMPARE(falso.definidos.first().date(), QDate::currentDate());
            QVERIFY(t.mensagens().isEmpty());
        }
        {
            PainelTeste t(false);
            t.painel->tsBANCODADOS->btSINCRONIZAR->click();
            QCOMPARE(falso.definidos.size(), 1); // no connection: the error, and the clock left alone
            QCOMPARE(t.mensagens().size(), 1);
        }
        definirRelogioSistema(nullptr);
    }

    // Reader assignment on "Habilitar acesso".
    void atribuirLeitora() {
        PainelTeste t;
        t.sql(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM) VALUES "
                             "(30, 200, 'Alheia', 'COM1', '11112222')"));
        t.sql(QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM) VALUES "
                             "(31, 201, 'Minha', 'COM1', '0A0B0C0D')"));
        TframeHabilitarAcesso* h = t.painel->tsHABILITAR;
        h->AtualizarLista();
        Conjunto& q = *t.dm().qrLST_LEI_71;
        QVERIFY(q.localizar(QStringLiteral("CHAVE"), 31));
        h->prepararMenu(h->gdLEITORA71);
        QCOMPARE(h->miATRIBUIR->text(),
                 QStringLiteral("Atribuir a este computador a leitora selecionada (Leitoras 71)"));
        QVERIFY(!h->miATRIBUIR->isEnabled());
        h->prepararMenu(h->gdLEITORA64);
        QVERIFY(h->miATRIBUIR->text().endsWith(QLatin1String("(Leitoras 64AX)")));
        QVERIFY(!h->miATRIBUIR->isEnabled()); // empty list
        QVERIFY(q.localizar(QStringLiteral("CHAVE"), 30));
        h->prepararMenu(h->gdLEITORA71);
        QVERIFY(h->miATRIBUIR->isEnabled());
        t.m.operador.roteiro({Resposta::Sim});
        h->Atribuir(h->gdLEITORA71);
        QCOMPARE(
            t.mensagens(),
            (QStringList{"Confirma atribuir a leitora seleciona a este computador?\r\n\r\nAtenção: atribuir "
                         "erroneamente irá paralisar o funcionamento do equipamento",
                         "@!000AVI Leitora atribuida com sucesso."}));
        QCOMPARE(
            t.dm().dbBANCO.valor(QStringLiteral("SELECT SERIALNUM FROM LEITORA WHERE CHAVE = 30")).toString(),
            QStringLiteral("0A0B0C0D"));
        QCOMPARE(q.quantidade(), 2); // the lists were read again
        // Double-click hands the reader to the batch window of the registration panels.
        QStringList aberturas;
        t.painel->abrirHabilitarLista = [&](const QString& m, int c, const QString& cab, const QString& d) {
            aberturas << QStringLiteral("%1|%2|%3|%4").arg(m).arg(c).arg(cab, d);
        };
        QVERIFY(q.localizar(QStringLiteral("CHAVE"), 31));
        const QModelIndex i = h->gdLEITORA71->model()->index(q.posicao(), 0);
        emit h->gdLEITORA71->doubleClicked(i);
        QCOMPARE(aberturas, QStringList{"71|31|201|Minha"});
    }
};

// A station whose server cannot be reached corrects it on "Rede local", tests it, saves it, and
// starts normally the next time.
void TstConfigurar::modoConfiguracaoServidor() {
    ModuloTeste m(false);
    cfg::firebird_server.gravar(QStringLiteral("remote"));
    cfg::firebird_servername.gravar(QStringLiteral("127.0.0.1/1")); // nothing listens there
    cfg::firebird_password.gravar(QStringLiteral("masterkey"), ArquivoIni::teste());
    QTimer fecharAviso; // the "Aviso" box of server configuration mode
    QString aviso;
    connect(&fecharAviso, &QTimer::timeout, [&] {
        if (auto* w = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            aviso = w->windowTitle() + u'|' + w->text();
            w->close();
        }
    });
    fecharAviso.start(20);
    {
        Console c;
        c.caixaErro = [](const QString&, const QString&) {};
        c.caixaPergunta = [](const QString&, const QString&) { return true; };
        c.iniciar(false);
        QVERIFY(c.modoServidor());
        QCOMPARE(aviso, QStringLiteral("Aviso|Após concluir e salvar as alterações, re-inicie o Portaris"));
        TframeConfigurar* p = c.configurar();
        QVERIFY(p);
        QCOMPARE(c.principal()->painel(TfmPRS::pnCONFIGURAR), p);
        QCOMPARE(p->noAtual(), int(TframeConfigurar::noREDELOCAL));
        TframeRedeLocal* r = p->tsREDELOCAL;
        QVERIFY(r->rbREMOTO->isChecked());
        QCOMPARE(r->edSERVIDOR->text(), QStringLiteral("127.0.0.1/1"));
        r->rbLOCAL->click();
        r->btTESTAR->click();
        QVERIFY2(r->relatorio().contains(
                     QStringLiteral("A conexão informada é válida. Para atribuir a nova configuração")),
                 qPrintable(r->relatorio().join(u'/')));
        QVERIFY(!r->relatorio().first().startsWith(QLatin1String("Desfazendo")));
        r->btGRAVAR->click();
        QCOMPARE(cfg::firebird_server.ler(), QStringLiteral("local"));
    }
    Console c;
    c.caixaErro = [](const QString&, const QString& t) { QFAIL(qPrintable(t)); };
    c.iniciar(false);
    QVERIFY(!c.modoServidor());
    QVERIFY(c.dm.conectado());
    QVERIFY(c.login()->isVisible());
    QVERIFY(c.login()->lsLOG->count() > 0);
}

// "Testar Conexão" at a running station whose own database cannot be attached again: the start's
// box and question. "Não": the station keeps trying in the background as after a lost connection,
// and comes back with its data open. "Sim": server configuration mode,
// nothing polled, nothing tried again.
void TstConfigurar::conexaoOriginalNaoVolta_data() {
    QTest::addColumn<bool>("resposta");
    QTest::newRow("Não") << false;
    QTest::newRow("Sim") << true;
}

void TstConfigurar::conexaoOriginalNaoVolta() {
    QFETCH(bool, resposta);
    ModuloTeste m(false);
    const QString outro = BancoTeste::copia(m.pasta.caminho(), QStringLiteral("outro.fdb"));
    QStringList caixas;
    QTimer fecharAviso; // the "Aviso" box of server configuration mode
    connect(&fecharAviso, &QTimer::timeout, [&] {
        if (auto* w = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caixas << w->windowTitle() + u'|' + w->text();
            w->close();
        }
    });
    fecharAviso.start(20);
    Console c;
    c.caixaErro = [&](const QString& t, const QString& x) { caixas << t + u'|' + x; };
    c.caixaPergunta = [&](const QString& t, const QString& x) {
        caixas << t + u'|' + x;
        return resposta;
    };
    c.iniciar(false);
    c.login()->lsLOG->setCurrentIndex(c.login()->lsLOG->findText(QStringLiteral("admin")));
    c.login()->edSEN->setText(QStringLiteral("admin"));
    c.login()->Acessar();
    QVERIFY(c.principal());
    QVERIFY(caixas.isEmpty());

    TframeRedeLocal* r = c.configurar()->tsREDELOCAL;
    r->Carregar();
    r->edARQUIVO->setText(outro);
    // The station's file goes away while it is attached: the test closes it and cannot open it again.
    const QString fora = m.arquivo + QStringLiteral(".fora");
    QVERIFY(QFile::rename(m.arquivo, fora));
    r->btTESTAR->click();
    QVERIFY2(r->relatorio().contains(QStringLiteral("A conexão informada é válida. Para atribuir a nova configuração")),
             qPrintable(r->relatorio().join(u'/')));
    QStringList esperado{QStringLiteral("Erro|O Portaris não conseguiu acessar o servidor!"),
                         QStringLiteral("Modo de configuração|Deseja entrar em modo de configuração de servidor?")};
    if (resposta) esperado << QStringLiteral("Aviso|Após concluir e salvar as alterações, re-inicie o Portaris");
    QTRY_COMPARE(caixas, esperado);
    QCOMPARE(c.modoServidor(), resposta);
    QVERIFY(!c.dm.conectado());
    QCOMPARE(c.dm.dbBANCO.perdida(), !resposta);
    if (resposta) {
        QCOMPARE(c.principal()->windowTitle(), QStringLiteral("O PORTARIS ESTÁ EM MODO DE CONFIGURAÇÃO DE SERVIDOR"));
        QCOMPARE(c.principal()->painelAtual(), int(TfmPRS::pnCONFIGURAR));
        QVERIFY(!c.acoesDiarias()->tmrAUTO.isActive());
        // A later test has no connection to drop nor to re-establish.
        r->btTESTAR->click();
        QVERIFY(!r->relatorio().first().startsWith(QLatin1String("Desfazendo")));
        QVERIFY(r->relatorio().contains(QStringLiteral("A conexão informada é válida. Para atribuir a nova configuração")));
        QCOMPARE(c.dm.dbBANCO.nomeBanco(), outro);
        return;
    }
    // Still gone: each try fails without a box, and the screen says why cards are refused; back:
    // the data is open again and the notice gone.
    c.dm.ManterConexao();
    QVERIFY(c.dm.dbBANCO.perdida() && !c.dm.conectado());
    QVERIFY(!c.principal()->avisoSemBanco()->isHidden());
    QCOMPARE(
        c.principal()->avisoSemBanco()->text(),
        QStringLiteral("Sem conexão com o banco de dados: os cartões lidos nesta estação são recusados e "
                       "anotados no diário de eventos até ela voltar."));
    QVERIFY(QFile::rename(fora, m.arquivo));
    m.relogio.avancar(TdmPORTARIS::IntervaloReconexao);
    QTRY_VERIFY((c.dm.ManterConexao(), c.dm.conectado() && !c.dm.dbBANCO.perdida()));
    QVERIFY(c.principal()->avisoSemBanco()->isHidden());
    QCOMPARE(c.dm.dbBANCO.nomeBanco(), m.arquivo);
    QVERIFY(c.dm.setCON.aberto());
    QVERIFY(c.dm.setCON.quantidade() > 0);
    QCOMPARE(caixas, esperado);
}

// The first press of "Configurar", whatever the answer, fills the mother-reader lists with the keys
// of the readers that drive their own relay; later presses add nothing.
void TstConfigurar::listasMaeNaPrimeiraEntrada() {
    ModuloTeste m(false);
    sim::Simulador simulador(19200, false);
    ArquivoIni::config().GravarTexto(QStringLiteral("portas"), QStringLiteral("com1"),
                                     simulador.abrirBarramento(1));
    simulador.adicionar(1, Modelo::Leitora71, 200);
    {
        Banco b;
        b.conectar(m.arquivo, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"));
        b.executar(
            QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
                           "NAOBATERELE) VALUES (100, 200, 'Portaria', 'COM1', '0A0B0C0D', '0', '0')"));
        b.executar(
            QStringLiteral("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIAL, SERIALNUM, DESABILITAR, "
                           "NAOBATERELE) VALUES (101, 201, 'Fundos', 'COM1', '0A0B0C0D', '0', '1')"));
        b.commit();
    }
    Console c;
    c.iniciar(false);
    c.login()->lsLOG->setCurrentIndex(c.login()->lsLOG->findText(QStringLiteral("admin")));
    c.login()->edSEN->setText(QStringLiteral("admin"));
    c.login()->Acessar();
    QVERIFY(c.principal());
    QComboBox* mae = c.configurar()->tsLEITORA71->cbMAE;
    QCOMPARE(mae->count(), 0);
    m.operador.roteiro({Resposta::Nao});
    c.principal()->btCON->click();
    QCOMPARE(c.principal()->painelAtual(), int(TfmPRS::pnACESSOS));
    QCOMPARE(mae->count(), 1);
    QCOMPARE(mae->itemText(0), QStringLiteral("100"));
    m.operador.roteiro({Resposta::Sim});
    c.principal()->btCON->click();
    QCOMPARE(c.principal()->painelAtual(), int(TfmPRS::pnCONFIGURAR));
    QCOMPARE(mae->count(), 1);
    // The registration functions reach the page in front.
    QVERIFY(c.principal()->operacoesConfigurar());
    c.configurar()->escolherNo(TframeConfigurar::noREDELOCAL);
    QVERIFY(!c.principal()->operacoesConfigurar());
    c.configurar()->escolherNo(TframeConfigurar::noLEITORAS71);
    c.principal()->btINC->click();
    QCOMPARE(c.dm.setLEI.estado(), EstadoConjunto::Inserindo);
    QVERIFY(!c.principal()->btACE->isEnabled());
    c.principal()->btCAN->click();
    QCOMPARE(c.dm.setLEI.estado(), EstadoConjunto::Navegando);
    QVERIFY(c.principal()->btACE->isEnabled());
}

QTEST_MAIN(TstConfigurar)
#include "tst_configurar.moc"
