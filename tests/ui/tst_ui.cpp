// The grid model and the bindings against real datasets of the data module.
#include "ModuloTeste.h"
#include "ui/Ligacoes.h"
#include "ui/ModeloConjunto.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using namespace portaris;

namespace {

// One access row of this computer for today, stored through the live list.
void gravarAcesso(TdmPORTARIS& dm, const QString& nome, const QString& autorizado = QStringLiteral("Sim")) {
    Conjunto& a = dm.setACE;
    a.inserir();
    a.definir(QStringLiteral("DATA"), relogio().hoje());
    a.definir(QStringLiteral("HORA"), relogio().agora().time());
    a.definir(QStringLiteral("NOME"), nome);
    a.definir(QStringLiteral("AUTORIZADO"), autorizado);
    a.definir(QStringLiteral("COMPUTADOR"), TdmPORTARIS::NOME_COMPUTADOR());
    a.gravar();
}

QStringList nomes(const ModeloConjunto& m) {
    QStringList r;
    for (int i = 0; i < m.rowCount(); ++i)
        r << m.index(i, m.coluna(QStringLiteral("NOME"))).data().toString();
    return r;
}

} // namespace

class TstUi : public QObject {
    Q_OBJECT
private slots:
    void modeloSegueConjunto();
    void gradeSegueLinhaAtual();
    void gradeMostraTitulos();
    void gradeLePorPagina();
    void ligacoesSomenteLeituraAoNavegar();
    void recusaDoValidadorMantemEdicao_data();
    void recusaDoValidadorMantemEdicao();
};

// Every change of the dataset reaches the views with the right notifications: the tester checks
// each one, and a persistent index on a later row survives a removal before it.
void TstUi::modeloSegueConjunto() {
    ModuloTeste m;
    TdmPORTARIS& dm = *m.dm;
    // The tester compares the first column's texts around each change: names, all different.
    ModeloConjunto modelo(dm.setACE, {{QStringLiteral("NOME"), QStringLiteral("Pessoa")},
                                      {QStringLiteral("HORA"), QStringLiteral("Hora"), 72}});
    QAbstractItemModelTester tester(&modelo, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inseridas(&modelo, &QAbstractItemModel::rowsInserted);
    QSignalSpy removidas(&modelo, &QAbstractItemModel::rowsRemoved);
    QSignalSpy atual(&modelo, &ModeloConjunto::linhaAtualMudou);
    QCOMPARE(modelo.rowCount(), 0);
    QCOMPARE(modelo.linhaAtual(), -1);

    for (const char* n : {"Ana", "Bruno", "Carla", "Davi"})
        gravarAcesso(dm, QString::fromLatin1(n));
    QCOMPARE(inseridas.size(), 4);
    QCOMPARE(inseridas.last().at(1).toInt(), 3);
    QCOMPARE(nomes(modelo), (QStringList{"Ana", "Bruno", "Carla", "Davi"}));
    QCOMPARE(modelo.linhaAtual(), 3); // the new row becomes current
    QCOMPARE(atual.last().at(0).toInt(), 3);
    QCOMPARE(modelo.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Hora"));

    // An insert that is cancelled never shows up.
    dm.setACE.inserir();
    dm.setACE.definir(QStringLiteral("NOME"), QStringLiteral("Fantasma"));
    dm.setACE.cancelar();
    QCOMPARE(modelo.rowCount(), 4);
    QCOMPARE(inseridas.size(), 4);

    // Deleting "Bruno" removes exactly that row; "Davi" keeps being Davi through the removal.
    const QPersistentModelIndex davi = modelo.index(3, 0);
    dm.setACE.irPara(1);
    QCOMPARE(modelo.linhaAtual(), 1);
    dm.setACE.apagar();
    QCOMPARE(removidas.size(), 1);
    QCOMPARE(removidas.last().at(1).toInt(), 1);
    QCOMPARE(nomes(modelo), (QStringList{"Ana", "Carla", "Davi"}));
    QVERIFY(davi.isValid());
    QCOMPARE(davi.row(), 2);
    QCOMPARE(davi.data().toString(), QStringLiteral("Davi"));

    // Deleting the last row, then editing one: counts and texts stay true.
    dm.setACE.ultimo();
    dm.setACE.apagar();
    QCOMPARE(nomes(modelo), (QStringList{"Ana", "Carla"}));
    QCOMPARE(modelo.linhaAtual(), 1);
    dm.setACE.primeiro();
    dm.setACE.editar();
    dm.setACE.definir(QStringLiteral("NOME"), QStringLiteral("Ana Maria"));
    dm.setACE.gravar();
    QCOMPARE(nomes(modelo), (QStringList{"Ana Maria", "Carla"}));

    // Reopening and closing reset the model to the dataset's rows.
    dm.setACE.atualizar();
    QCOMPARE(nomes(modelo), (QStringList{"Ana Maria", "Carla"}));
    dm.setACE.fechar();
    QCOMPARE(modelo.rowCount(), 0);
    QCOMPARE(modelo.linhaAtual(), -1);
    QVERIFY(!modelo.index(0, 0).data().isValid());
    dm.abrirAcessosDeHoje();
    QCOMPARE(modelo.rowCount(), 2);
    QCOMPARE(modelo.linhaAtual(), 0);

    // Other days' rows and other computers' rows are not in the live list.
    m.relogio.definir(m.relogio.agora().addDays(1));
    dm.abrirAcessosDeHoje();
    QCOMPARE(modelo.rowCount(), 0);
    gravarAcesso(dm, QStringLiteral("Elisa"));
    QCOMPARE(nomes(modelo), QStringList{"Elisa"});
}

// The grid selects the dataset's current row and a row picked in the grid becomes current.
void TstUi::gradeSegueLinhaAtual() {
    ModuloTeste m;
    TdmPORTARIS& dm = *m.dm;
    for (const char* n : {"Ana", "Bruno", "Carla"})
        gravarAcesso(dm, QString::fromLatin1(n));
    ModeloConjunto modelo(dm.setACE, {{QStringLiteral("HORA"), QStringLiteral("Hora"), 72},
                                      {QStringLiteral("NOME"), QStringLiteral("Pessoa"), 150}});
    GradeConjunto grade;
    grade.definirModelo(&modelo);
    grade.resize(400, 300);
    grade.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grade));
    QCOMPARE(grade.columnWidth(0), 72);
    QCOMPARE(grade.columnWidth(1), 150);
    QCOMPARE(grade.currentIndex().row(), 2);
    QVERIFY(grade.selectionModel()->isRowSelected(2, {}));

    gravarAcesso(dm, QStringLiteral("Davi"));
    QCOMPARE(grade.currentIndex().row(), 3);
    QVERIFY(grade.selectionModel()->isRowSelected(3, {}));
    QCOMPARE(grade.selectionModel()->selectedRows().size(), 1);

    const QRect r = grade.visualRect(modelo.index(0, 1));
    QTest::mouseClick(grade.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(dm.setACE.posicao(), 0);
    QCOMPARE(dm.setACE.texto(QStringLiteral("NOME")), QStringLiteral("Ana"));
}

// The row of titles stands at the height the style gives any table's titles, with the titles and
// widths given; dragging a title's right edge resizes its column; no row numbers.
void TstUi::gradeMostraTitulos() {
    ModuloTeste m;
    gravarAcesso(*m.dm, QStringLiteral("Ana"));
    ModeloConjunto modelo(m.dm->setACE,
                          {{QStringLiteral("HORA"), QStringLiteral("Hora"), 72},
                           {QStringLiteral("NOME"), QStringLiteral("Pessoa"), 150},
                           {QStringLiteral("NOTA"), QStringLiteral("Comentário Portaris"), 200}});
    GradeConjunto grade;
    grade.definirModelo(&modelo);
    grade.resize(600, 300);
    grade.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grade));

    // The same titles in a plain table: the height the style gives them.
    QStandardItemModel simples(1, 3);
    simples.setHorizontalHeaderLabels(
        {QStringLiteral("Hora"), QStringLiteral("Pessoa"), QStringLiteral("Comentário Portaris")});
    QTableView referencia;
    referencia.setFont(grade.font());
    referencia.setModel(&simples);
    referencia.resize(600, 300);
    referencia.show();
    QVERIFY(QTest::qWaitForWindowExposed(&referencia));

    QHeaderView* titulos = grade.horizontalHeader();
    QVERIFY(titulos->isVisible());
    QVERIFY(titulos->height() >= titulos->fontMetrics().height());
    QCOMPARE(titulos->height(), referencia.horizontalHeader()->height());
    QCOMPARE(titulos->model()->headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("Comentário Portaris"));
    QCOMPARE(titulos->sectionSize(0), 72);
    QCOMPARE(titulos->sectionSize(2), 200);
    QVERIFY(!grade.verticalHeader()->isVisible());
    QCOMPARE(titulos->sectionViewportPosition(0), 0); // the first column starts at the grid's edge

    // Dragging the right edge of "Hora" 40 pixels to the right.
    const int y = titulos->height() / 2;
    const int borda = titulos->sectionViewportPosition(0) + titulos->sectionSize(0) - 1;
    QTest::mousePress(titulos->viewport(), Qt::LeftButton, {}, QPoint(borda, y));
    QTest::mouseMove(titulos->viewport(), QPoint(borda + 20, y));
    QTest::mouseMove(titulos->viewport(), QPoint(borda + 40, y));
    QTest::mouseRelease(titulos->viewport(), Qt::LeftButton, {}, QPoint(borda + 40, y));
    QCOMPARE(titulos->sectionSize(0), 112);
    QCOMPARE(grade.columnWidth(2), 200);
}

// A listing read a page at a time: scrolling the grid to its end reads the next page, and rows the
// dataset reads for itself reach the grid too.
void TstUi::gradeLePorPagina() {
    ModuloTeste m;
    Banco& b = m.dm->dbBANCO;
    gravarAcessosDeListagem(b, 250, 250);
    auto q = listagemComCartao(b, QDate(2024, 5, 1), QDate(2024, 5, 1), 100);
    q->abrir();
    // (No model tester here: it asks for every row at once.)
    ModeloConjunto modelo(*q, {{QStringLiteral("PNOME"), QStringLiteral("Nome")}});
    QSignalSpy inseridas(&modelo, &QAbstractItemModel::rowsInserted);
    GradeConjunto grade;
    grade.definirModelo(&modelo);
    grade.resize(300, 200);
    grade.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grade));
    QCOMPARE(modelo.rowCount(), 100);
    QVERIFY(modelo.canFetchMore({}));

    grade.scrollToBottom();
    QTRY_COMPARE(modelo.rowCount(), 200);
    QCOMPARE(inseridas.size(), 1);
    QCOMPARE(inseridas[0].mid(1), (QVariantList{100, 199}));
    QCOMPARE(modelo.index(199, 0).data().toString(), QStringLiteral("Pessoa 200"));
    q->irPara(229); // the grid shows it at its end, and so may read on
    QVERIFY(modelo.rowCount() >= 230);
    QCOMPARE(grade.currentIndex().row(), 229);
    QCOMPARE(grade.currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("Pessoa 230"));
    q->ultimo();
    QCOMPARE(modelo.rowCount(), 250);
    QVERIFY(!modelo.canFetchMore({}));
    QCOMPARE(grade.currentIndex().row(), 249);
    q->abrir();
    QCOMPARE(modelo.rowCount(), 100);
}

// Browsing: every bound widget is read-only and shows the current row, also after a move.
// Editing: they accept input; the state change alone makes them writable.
void TstUi::ligacoesSomenteLeituraAoNavegar() {
    ModuloTeste m;
    TdmPORTARIS& dm = *m.dm;
    Conjunto& g = dm.setGRP;
    for (const char* d : {"Moradores", "Visitantes"}) {
        g.inserir();
        g.definir(QStringLiteral("DESCRICAO"), QString::fromLatin1(d));
        g.definirTexto(QStringLiteral("SEGE"), QStringLiteral("07:15:00"));
        g.definir(QStringLiteral("NAOACESSOFERIADOS"),
                  QString::fromLatin1(d) == QLatin1String("Visitantes") ? "1" : "0");
        g.gravar();
    }
    g.localizar(QStringLiteral("DESCRICAO"), QStringLiteral("Moradores"));

    QWidget janela;
    auto* ed = new QLineEdit(&janela);
    auto* hora = new QLineEdit(&janela);
    auto* rot = new QLabel(&janela);
    auto* ck = new QCheckBox(&janela);
    auto* cb = new QComboBox(&janela);
    cb->addItems({QStringLiteral("Moradores"), QStringLiteral("Visitantes"), QStringLiteral("Prestadores")});
    new LigacaoEdit(g, QStringLiteral("DESCRICAO"), ed);
    new LigacaoEdit(g, QStringLiteral("SEGE"), hora);
    new LigacaoRotulo(g, QStringLiteral("DESCRICAO"), rot);
    new LigacaoCheck(g, QStringLiteral("NAOACESSOFERIADOS"), ck);
    new LigacaoCombo(g, QStringLiteral("DESCRICAO"), cb);
    janela.show();

    QCOMPARE(ed->text(), QStringLiteral("Moradores"));
    QCOMPARE(hora->text(), QStringLiteral("07:15:00"));
    QVERIFY(!hora->inputMask().isEmpty()); // the field's mask
    QCOMPARE(ed->maxLength(), 100);        // the column's width
    QCOMPARE(rot->text(), QStringLiteral("Moradores"));
    QVERIFY(!ck->isChecked());
    QCOMPARE(cb->currentText(), QStringLiteral("Moradores"));
    QVERIFY(ed->isReadOnly());
    QVERIFY(!cb->isEnabled());

    // Typing or clicking while browsing changes nothing.
    QTest::keyClicks(ed, QStringLiteral("xyz"));
    QTest::mouseClick(ck, Qt::LeftButton);
    QVERIFY(!ck->isChecked());
    QCOMPARE(g.estado(), EstadoConjunto::Navegando);
    QCOMPARE(g.texto(QStringLiteral("DESCRICAO")), QStringLiteral("Moradores"));

    g.localizar(QStringLiteral("DESCRICAO"), QStringLiteral("Visitantes"));
    QCOMPARE(ed->text(), QStringLiteral("Visitantes"));
    QCOMPARE(rot->text(), QStringLiteral("Visitantes"));
    QVERIFY(ck->isChecked());
    QCOMPARE(cb->currentText(), QStringLiteral("Visitantes"));

    // Editing: each widget writes its field.
    g.editar();
    QVERIFY(!ed->isReadOnly());
    QVERIFY(cb->isEnabled());
    ed->selectAll();
    QTest::keyClicks(ed, QStringLiteral("Visitas"));
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(g.texto(QStringLiteral("DESCRICAO")), QStringLiteral("Visitas"));
    QTest::mouseClick(ck, Qt::LeftButton);
    QCOMPARE(g.texto(QStringLiteral("NAOACESSOFERIADOS")), QStringLiteral("0"));
    g.gravar();
    QVERIFY(ed->isReadOnly());
    QCOMPARE(rot->text(), QStringLiteral("Visitas"));
    QCOMPARE(cb->currentIndex(), -1); // a value out of the list chooses nothing

    g.editar();
    cb->setCurrentIndex(2);
    emit cb->textActivated(cb->currentText());
    QCOMPARE(g.texto(QStringLiteral("DESCRICAO")), QStringLiteral("Prestadores"));
    QCOMPARE(ed->text(), QStringLiteral("Prestadores"));
    g.cancelar();
    QCOMPARE(ed->text(), QStringLiteral("Visitas"));

    // A closed dataset shows empty widgets instead of failing.
    g.fechar();
    QCOMPARE(ed->text(), QString());
    QVERIFY(ed->isReadOnly());
}

void TstUi::recusaDoValidadorMantemEdicao_data() {
    QTest::addColumn<QString>("conjunto");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<bool>("inserindo");
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<bool>("aceito");
    QTest::addColumn<QString>("valorFinal"); // "hoje": the clock's date
    QTest::newRow("editing, valid time") << "setGRP"
                                         << "SEGE" << false << "083000" << true << "08:30:00";
    QTest::newRow("editing, hour 25") << "setGRP"
                                      << "SEGE" << false << "253000" << false << "00:00:00";
    QTest::newRow("editing, minute 61") << "setGRP"
                                        << "SEGE" << false << "086100" << false << "00:00:00";
    QTest::newRow("inserting, valid time") << "setGRP"
                                           << "SEGE" << true << "235959" << true << "23:59:59";
    QTest::newRow("inserting, invalid") << "setGRP"
                                        << "SEGE" << true << "999999" << false << "00:00:00";
    QTest::newRow("editing, valid date") << "setUSU"
                                         << "EXPIRAEM" << false << "15082025" << true << "15/08/2025";
    QTest::newRow("editing, 31 February") << "setUSU"
                                          << "EXPIRAEM" << false << "31022025" << false << "hoje";
    QTest::newRow("inserting, month 13") << "setUSU"
                                         << "EXPIRAEM" << true << "01132025" << false << "hoje";
}

// A refused time or date shows the validator's message once and leaves the dataset inserting or
// editing with the fallback in the field; the widget that was refused shows that fallback (not
// the refused text) and keeps the focus, and so does every other widget on the field. Nothing is
// written to the database.
void TstUi::recusaDoValidadorMantemEdicao() {
    QFETCH(QString, conjunto);
    QFETCH(QString, campo);
    QFETCH(bool, inserindo);
    QFETCH(QString, digitado);
    QFETCH(bool, aceito);
    QFETCH(QString, valorFinal);
    ModuloTeste m;
    Conjunto& g = conjunto == QLatin1String("setGRP") ? m.dm->setGRP : m.dm->setUSU;
    const QString chave =
        conjunto == QLatin1String("setGRP") ? QStringLiteral("DESCRICAO") : QStringLiteral("NOME");
    const QString gravado =
        conjunto == QLatin1String("setGRP") ? QStringLiteral("07:00:00") : QStringLiteral("01/03/2026");
    if (valorFinal == QLatin1String("hoje"))
        valorFinal = relogio().hoje().toString(QStringLiteral("dd/MM/yyyy"));
    g.inserir();
    g.definir(chave, QStringLiteral("Moradores"));
    g.definirTexto(campo, gravado);
    g.gravar();
    if (inserindo)
        g.inserir();
    else
        g.editar();
    const EstadoConjunto estado = g.estado();

    QWidget janela;
    auto* ed = new QLineEdit(&janela);
    auto* outro = new QLineEdit(&janela); // the same field elsewhere on the form
    new LigacaoEdit(g, campo, ed);
    new LigacaoEdit(g, campo, outro);
    janela.show();
    janela.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&janela));
    ed->setFocus();
    ed->selectAll();
    QTest::keyClicks(ed, digitado);
    m.operador.limpar();
    QTest::keyClick(ed, Qt::Key_Return); // the operator's way to leave the field
    QCOMPARE(g.estado(), estado);
    QCOMPARE(g.texto(campo), valorFinal);
    QCOMPARE(ed->text(), valorFinal);
    QCOMPARE(outro->text(), valorFinal);
    QVERIFY(!ed->isModified());
    QVERIFY(ed->hasFocus());
    QCOMPARE(m.operador.textos(), aceito ? QStringList() : QStringList{QStringLiteral("Hora Inválida!")});

    // The stored row is untouched until the record is saved.
    g.cancelar();
    g.localizar(chave, QStringLiteral("Moradores"));
    QCOMPARE(g.texto(campo), gravado);
}

QTEST_MAIN(TstUi)
#include "tst_ui.moc"
