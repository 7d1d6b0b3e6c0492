// The reports panel over a real embedded database, the files of the report engine read back by
// tools that did not write them, the photo viewer and the connections report.
#include "ModuloTeste.h"
#include "access/DispositivosEstacao.h"
#include "config/TframeImpressora.h"
#include "platform/Codec1252.h"
#include "reports/MotorRelatorio.h"
#include "reports/TfmOpcoesImpressao.h"
#include "reports/TfmPIC.h"
#include "reports/TfmRCX.h"
#include "reports/TfmVisualizacao.h"
#include "reports/TframeRelatorios.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace portaris;

namespace {

// Runs `f` on the first visible modal window of type W (a dialog the code under test opens). The
// timer is returned so a test that expects no window can stop it. A file dialog may ignore an
// accept while it is still reading its folder: `ateFechar` tries again until the window is gone.
template <class W> QTimer* quandoAbrir(std::function<void(W*)> f, bool ateFechar = false) {
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, f, ateFechar] {
        auto* d = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        f(d);
        if (ateFechar && d->isVisible()) return;
        t->stop();
        t->deleteLater();
    });
    t->start();
    return t;
}

QByteArray png(QColor cor) {
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(cor);
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return b;
}

// A few accesses of early May 2024: three with a card, one opened without a card, one patrol
// round and one later in the month.
void gravarAcessos(Banco& b) {
    Unidade u(b);
    Comando ins(b, "INSERT INTO ACESSO (CHAVE, DATA, HORA, LEITORA, AUTORIZADO, NOME, CARTAO, NOTA, NOTA2, "
                   "RONDA, RELATORIO, IMAGEM) VALUES (:K, :D, :H, :L, :A, :N, :C, :NT, :N2, :R, '1', :I)");
    struct L {
        int k;
        QDate d;
        QTime h;
        const char *leitora, *aut, *nome, *cartao, *nota;
        const char* ronda;
        QVariant imagem;
    };
    const QList<L> linhas = {
        {1, QDate(2024, 5, 2), QTime(8, 0), "Portaria", "Sim", "Carla", "00000000C1", "Acesso autorizado",
         "0", png(Qt::blue)},
        {2, QDate(2024, 5, 2), QTime(9, 0), "Garagem", "Não", "Ana", "00000000A1", "Fora do horário", "0",
         QByteArray("isto não é uma imagem")},
        {3,
         QDate(2024, 5, 3),
         QTime(7, 0),
         "Bloco B",
         "Sim",
         "Bruno",
         "00000000B1",
         "Acesso autorizado",
         "0",
         {}},
        {4,
         QDate(2024, 5, 3),
         QTime(10, 0),
         "Portaria",
         "Sim",
         "Visitante Zé",
         "0000000000",
         "Acesso autorizado manualmente",
         "0",
         {}},
        {5,
         QDate(2024, 5, 4),
         QTime(22, 0),
         "Garagem",
         "Sim",
         "Vigia Rui",
         "00000000F1",
         "Ronda OK",
         "1",
         {}},
        {6,
         QDate(2024, 5, 20),
         QTime(12, 0),
         "Portaria",
         "Sim",
         "Depois",
         "00000000D1",
         "Acesso autorizado",
         "0",
         {}},
    };
    for (const L& l : linhas) {
        ins.definir("K", l.k);
        ins.definir("D", l.d);
        ins.definir("H", l.h);
        ins.definir("L", QString::fromUtf8(l.leitora));
        ins.definir("A", QString::fromUtf8(l.aut));
        ins.definir("N", QString::fromUtf8(l.nome));
        ins.definir("C", QString::fromLatin1(l.cartao));
        ins.definir("NT", QString::fromUtf8(l.nota));
        ins.definir("N2", QVariant());
        ins.definir("R", QString::fromLatin1(l.ronda));
        ins.definir("I", l.imagem);
        ins.executar();
    }
    u.commit();
}

QStringList coluna(TframeRelatorios& f, const QString& campo) {
    QStringList r;
    const QAbstractItemModel* m = f.gdREL->model();
    const int c = f.gdREL->modelo()->coluna(campo);
    for (int i = 0; i < m->rowCount(); ++i)
        r << m->index(i, c).data().toString();
    return r;
}

void pesquisar(TframeRelatorios& f, int botao, int ordem, QDate de, QDate ate) {
    QPushButton* b[] = {f.btCCA, f.btSCA, f.btRON};
    b[botao]->setChecked(true);
    f.miORD[ordem]->setChecked(true);
    f.caINI->setSelectedDate(de);
    f.caFIM->setSelectedDate(ate);
    f.Pesquisar();
}

struct Saida {
    int codigo = -1;
    QString texto;
};

Saida rodar(const QString& programa, const QStringList& args) {
    QProcess p;
    p.start(programa, args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

// The rows of every <tr> of an HTML file, as Python's own parser reads them.
QList<QStringList> linhasHtml(const QString& arquivo) {
    const QString script = QStringLiteral(R"(
import sys, json, html.parser
class P(html.parser.HTMLParser):
    def __init__(s):
        super().__init__(); s.linhas = []; s.celula = None
    def handle_starttag(s, t, a):
        if t == 'tr': s.linhas.append([])
        if t in ('td', 'th'): s.celula = ''
    def handle_endtag(s, t):
        if t in ('td', 'th'): s.linhas[-1].append(s.celula); s.celula = None
    def handle_data(s, d):
        if s.celula is not None: s.celula += d
p = P(); p.feed(open(sys.argv[1], encoding='utf-8').read()); print(json.dumps(p.linhas))
)");
    const Saida s = rodar(QStringLiteral("python3"), {QStringLiteral("-c"), script, arquivo});
    QList<QStringList> r;
    for (const QJsonValue& l : QJsonDocument::fromJson(s.texto.toUtf8()).array()) {
        QStringList cel;
        for (const QJsonValue& c : l.toArray())
            cel << c.toString();
        r << cel;
    }
    return r;
}

QByteArray lerArquivo(const QString& caminho) {
    QFile f(caminho);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

OpcoesImpressao comJanela(OpcoesImpressao::Saida saida = OpcoesImpressao::Saida::Arquivo) {
    OpcoesImpressao o;
    o.saida = saida;
    o.exibirSetup = true;
    return o;
}

// Answers the options window with a file in `formato`.
void escolherArquivo(FormatoArquivo formato, const QString& caminho) {
    quandoAbrir<TfmOpcoesImpressao>([formato, caminho](TfmOpcoesImpressao* o) {
        o->rdARQ->setChecked(true);
        o->cbFMT->setCurrentIndex(o->cbFMT->findData(int(formato)));
        o->edARQ->setText(caminho);
        o->accept();
    });
}

// The formats a list of filters offers, by their short names.
QString formatos(const QStringList& filtros) {
    QStringList r;
    for (const QString& f : filtros)
        r << (f.startsWith(QLatin1String("Acrobat"))   ? "PDF"
              : f.startsWith(QLatin1String("Website")) ? "HTML"
                                                       : "TXT");
    return r.join(u' ');
}

// The first window a print or export opens, told in a few words, and cancelled (again until it
// goes: a file dialog may ignore it while it reads its folder).
std::shared_ptr<QString> descreverJanela() {
    auto texto = std::make_shared<QString>();
    auto* t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, [t, texto, janela = QPointer<QWidget>()]() mutable {
        if (!texto->isEmpty()) {
            if (janela && janela->isVisible()) {
                static_cast<QDialog*>(janela.data())->reject();
                return;
            }
            t->stop();
            t->deleteLater();
            return;
        }
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        janela = w;
        if (auto* o = qobject_cast<TfmOpcoesImpressao*>(w)) {
            QStringList fmt;
            for (int i = 0; i < o->cbFMT->count(); ++i)
                fmt << o->cbFMT->itemText(i);
            *texto = QStringLiteral("opções %1 %2")
                         .arg(o->rdIMP->isChecked()   ? "Impressora"
                              : o->rdVIS->isChecked() ? "Visualização"
                              : o->rdARQ->isChecked() ? "Arquivo"
                                                      : "nenhuma",
                              formatos(fmt));
        } else if (auto* arquivo = qobject_cast<QFileDialog*>(w)) {
            *texto = QStringLiteral("arquivo ") + formatos(arquivo->nameFilters());
        } else if (qobject_cast<TfmVisualizacao*>(w)) {
            *texto = QStringLiteral("visualização");
        } else {
            *texto = QString::fromLatin1(w->metaObject()->className());
        }
        static_cast<QDialog*>(w)->reject();
    });
    t->start();
    return texto;
}

} // namespace

class TstRelatorios : public QObject {
    Q_OBJECT

private slots:
    void pesquisa_data() {
        QTest::addColumn<int>("botao");
        QTest::addColumn<int>("ordem");
        QTest::addColumn<QDate>("de");
        QTest::addColumn<QDate>("ate");
        QTest::addColumn<QStringList>("nomes");
        const QDate d1(2024, 5, 1), d10(2024, 5, 10);
        QTest::newRow("com cartão, data") << 0 << 0 << d1 << d10 << QStringList{"Carla", "Ana", "Bruno"};
        QTest::newRow("com cartão, leitora") << 0 << 1 << d1 << d10 << QStringList{"Bruno", "Ana", "Carla"};
        QTest::newRow("com cartão, nome") << 0 << 2 << d1 << d10 << QStringList{"Ana", "Bruno", "Carla"};
        QTest::newRow("com cartão, cartão") << 0 << 3 << d1 << d10 << QStringList{"Ana", "Bruno", "Carla"};
        QTest::newRow("sem cartão") << 1 << 0 << d1 << d10 << QStringList{"Visitante Zé"};
        QTest::newRow("ronda") << 2 << 2 << d1 << d10 << QStringList{"Vigia Rui"};
        QTest::newRow("um dia, ambos os extremos")
            << 0 << 0 << QDate(2024, 5, 20) << QDate(2024, 5, 20) << QStringList{"Depois"};
        QTest::newRow("início depois do fim") << 0 << 0 << d10 << d1 << QStringList{};
    }
    void pesquisa() {
        QFETCH(int, botao);
        QFETCH(int, ordem);
        QFETCH(QDate, de);
        QFETCH(QDate, ate);
        QFETCH(QStringList, nomes);
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        pesquisar(f, botao, ordem, de, ate);
        QCOMPARE(coluna(f, "PNOME"), nomes);
        static const QStringList consultas = {QStringLiteral("SELECT * FROM RELATORIO_COM_CARTAO(:P00,:P01,:P02)"),
                                              QStringLiteral("SELECT * FROM RELATORIO_SEM_CARTAO(:P00,:P01,:P02)"),
                                              QStringLiteral("SELECT * FROM RELATORIO_RONDA(:P00,:P01,:P02)")};
        QCOMPARE(f.qrREL().sql(), consultas.at(botao));
        QVERIFY(m.operador.mostradas().isEmpty());
    }

    void gradeDepoisDaPesquisa() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        QCOMPARE(f.caINI->selectedDate(), m.relogio.hoje());
        QCOMPARE(f.caFIM->selectedDate(), m.relogio.hoje());
        QVERIFY(f.btCCA->isChecked());
        QVERIFY(f.miORD[0]->isChecked());
        QCOMPARE(f.miORD[4]->text(), QStringLiteral("Observação do Portaris"));
        QVERIFY(
            f.gdREL->toolTip().startsWith(QStringLiteral("Dê um duplo clique para ver a foto do acesso\n")));
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        QStringList titulos, visiveis;
        for (int c = 0; c < f.gdREL->model()->columnCount(); ++c) {
            titulos << f.gdREL->model()->headerData(c, Qt::Horizontal).toString();
            if (!f.gdREL->isColumnHidden(c)) visiveis << titulos.last();
        }
        QCOMPARE(titulos.first(), QStringLiteral("PCHAVE"));
        QCOMPARE(visiveis, (QStringList{"Data", "Hora", "Leitora", "Autorizado", "Nome", "Cartão", "Grupo",
                                        "Tipo", "Observação do Portaris", "Observação", "Login ativo",
                                        "Computador emissor", "Origem", "Destino"}));
        // A new ordering is only ticked: the rows stay until the next search.
        f.miORD[2]->setChecked(true);
        QCOMPARE(coluna(f, "PNOME"), (QStringList{"Carla", "Ana", "Bruno"}));
        QCOMPARE(f.ordem(), 2);
        f.Pesquisar();
        QCOMPARE(coluna(f, "PNOME"), (QStringList{"Ana", "Bruno", "Carla"}));
    }

    // The search reads one page and the grid reads on as it scrolls.
    void pesquisaPorPaginas() {
        ModuloTeste m;
        gravarAcessosDeListagem(m.dm->dbBANCO, 250, 250);
        TframeRelatorios f(*m.dm);
        f.resize(1000, 600);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 1));
        QVERIFY(f.qrREL().haMaisLinhas());
        QVERIFY(f.gdREL->model()->rowCount() < 250);
        for (int i = 0; i < 10 && f.qrREL().haMaisLinhas(); ++i) {
            f.gdREL->scrollToBottom();
            QCoreApplication::processEvents();
        }
        QCOMPARE(f.gdREL->model()->rowCount(), 250);
    }

    void pesquisaRecusada() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        QCOMPARE(f.gdREL->model()->rowCount(), 3);
        Unidade::gravar(m.dm->dbBANCO, [&] { m.dm->dbBANCO.executar("DROP PROCEDURE RELATORIO_RONDA"); });
        pesquisar(f, 2, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        QCOMPARE(m.operador.mostradas().size(), 1);
        QVERIFY2(m.operador.textos().first().contains(QStringLiteral("RELATORIO_RONDA")),
                 qPrintable(m.operador.textos().first()));
        QVERIFY(!f.qrREL().aberto());
        QCOMPARE(f.gdREL->model()->rowCount(), 0);
    }

    // Record numbers 1, 2, 3 from the top: pale yellow, yellow, pale yellow; the selected row silver;
    // "Não" in red.
    void cores() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        f.resize(1200, 600);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        f.qrREL().irPara(2);
        QCoreApplication::processEvents();
        const QImage img = f.gdREL->viewport()->grab().toImage();
        const int nome = f.gdREL->modelo()->coluna("PNOME");
        auto fundo = [&](int linha) {
            const QRect r = f.gdREL->visualRect(f.gdREL->model()->index(linha, nome));
            return QColor(img.pixel(r.right() - 4, r.center().y()));
        };
        QCOMPARE(fundo(0), QColor(255, 255, 196));
        QCOMPARE(fundo(1), QColor(255, 255, 136));
        QCOMPARE(fundo(2), QColor(192, 192, 192));
        const QRect nao =
            f.gdREL->visualRect(f.gdREL->model()->index(1, f.gdREL->modelo()->coluna("PAUTORIZADO")));
        int vermelhos = 0;
        for (int x = nao.left(); x <= nao.right(); ++x)
            for (int y = nao.top(); y <= nao.bottom(); ++y) {
                const QColor c(img.pixel(x, y));
                if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++vermelhos;
            }
        QVERIFY(vermelhos > 5);
    }

    // The report column: "Acessos" enables "Imp./Exp." (and "Atualizar" once the download is
    // there), "Usuários" disables both; a successful download searches again.
    void colunaDeRelatorios() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        QToolButton imp, atu, ace, usu;
        f.ligarColuna(&imp, &atu, &ace, &usu);
        QVERIFY(imp.isEnabled());
        QVERIFY(!atu.isEnabled());
        usu.click();
        QCOMPARE(f.paginas->currentWidget(), f.pgUSUARIOS);
        QVERIFY(!imp.isEnabled());
        int baixou = 0;
        bool sucesso = false;
        f.baixarEventos = [&] {
            ++baixou;
            return sucesso;
        };
        ace.click();
        QCOMPARE(f.paginas->currentWidget(), f.pgLISTAGEM);
        QVERIFY(imp.isEnabled());
        QVERIFY(atu.isEnabled());
        f.caINI->setSelectedDate(QDate(2024, 5, 1));
        f.caFIM->setSelectedDate(QDate(2024, 5, 10));
        atu.click();
        QCOMPARE(baixou, 1);
        QVERIFY(!f.qrREL().aberto());
        sucesso = true;
        atu.click();
        QCOMPARE(baixou, 2);
        QCOMPARE(coluna(f, "PNOME").size(), 3);
    }

    void imprimirSemPesquisa() {
        ModuloTeste m;
        TframeRelatorios f(*m.dm);
        bool abriu = false;
        f.opcoesImpressao = [] { return comJanela(); };
        std::unique_ptr<QTimer> vigia(quandoAbrir<QDialog>([&](QDialog* d) {
            abriu = true;
            d->reject();
        }));
        f.ImprimirExportar();
        QCOMPARE(m.operador.mostradas().size(), 1);
        QCOMPARE(m.operador.mostradas().first().tipo, TipoMensagem::Aviso);
        QTest::qWait(50);
        QVERIFY(!abriu);
    }

    // Each format through the options window; the file is read back by a tool that did not write it.
    void exportacao_data() {
        QTest::addColumn<int>("formato");
        QTest::newRow("PDF") << int(FormatoArquivo::Pdf);
        QTest::newRow("HTML") << int(FormatoArquivo::Html);
        QTest::newRow("texto") << int(FormatoArquivo::Texto);
    }
    void exportacao() {
        QFETCH(int, formato);
        ModuloTeste m;
        gravarAcessosDeListagem(m.dm->dbBANCO, 95, 95);
        Unidade::gravar(m.dm->dbBANCO, [&] {
            m.dm->dbBANCO.executar("UPDATE ACESSO SET AUTORIZADO = 'Não', LEITORA = 'Garagem' WHERE CHAVE = 7");
        });
        cfg::outros_nomecomputador.gravar(QStringLiteral("Guarita"));
        TframeRelatorios f(*m.dm);
        pesquisar(f, 0, 2, QDate(2024, 5, 1), QDate(2024, 5, 1));
        const QString caminho = m.pasta.caminho(QStringLiteral("listagem"));
        const auto fmt = FormatoArquivo(formato);
        f.opcoesImpressao = [] { return comJanela(); };
        escolherArquivo(fmt, caminho);
        f.ImprimirExportar();
        QVERIFY2(m.operador.mostradas().isEmpty(), qPrintable(m.operador.textos().join('\n')));
        QStringList nomes;
        for (int k = 1; k <= 95; ++k)
            nomes << QStringLiteral("Pessoa %1").arg(k, 3, 10, QLatin1Char('0'));

        if (fmt == FormatoArquivo::Pdf) {
            const Saida info = rodar("pdfinfo", {caminho + ".pdf"});
            QCOMPARE(info.codigo, 0);
            QVERIFY2(info.texto.contains(QRegularExpression("Title:\\s+Impressão teste\n")),
                     qPrintable(info.texto));
            QVERIFY2(info.texto.contains(QRegularExpression("Creator:\\s+Portaris \n")),
                     qPrintable(info.texto));
            // 42 rows a page.
            QVERIFY2(info.texto.contains(QRegularExpression("Pages:\\s+3\n")), qPrintable(info.texto));
            QVERIFY2(info.texto.contains(QRegularExpression("Page size:\\s+842 x 595 pts \\(A4\\)")),
                     qPrintable(info.texto));
            const Saida texto = rodar("pdftotext", {"-layout", caminho + ".pdf", "-"});
            QCOMPARE(texto.codigo, 0);
            for (const QString& n : nomes)
                QVERIFY2(texto.texto.contains(n), qPrintable(n));
            for (const char* t : {"Portaris", "Acessos com cartão", "Período: 01/05/2024 a 01/05/2024",
                                  "Ordem: Nome", "Observação do Portaris", "Página 3", "Guarita"})
                QVERIFY2(texto.texto.contains(QString::fromUtf8(t)), t);
        } else if (fmt == FormatoArquivo::Html) {
            const QList<QStringList> linhas = linhasHtml(caminho + ".html");
            QCOMPARE(linhas.size(), 96);
            QCOMPARE(linhas.first().value(0), QStringLiteral("Data"));
            QCOMPARE(linhas.first().value(4), QStringLiteral("Nome"));
            for (int r = 0; r < 95; ++r) {
                QStringList esperado;
                for (const Campo& c : f.qrREL().campos())
                    if (c.nome != QLatin1String("PCHAVE")) esperado << f.qrREL().texto(r, c.nome);
                QCOMPARE(linhas[r + 1], esperado);
            }
            QVERIFY(QString::fromUtf8(lerArquivo(caminho + ".html")).contains("<td class=\"nao\">Não</td>"));
        } else {
            const QString texto = QString::fromUtf8(lerArquivo(caminho + ".txt"));
            const QStringList paginas = texto.split(u'\f');
            QCOMPARE(paginas.size(), 3); // 40 rows a page
            for (const QString& p : paginas) {
                const QStringList linhas = p.split(u'\n', Qt::SkipEmptyParts);
                QVERIFY(p.count(u'\n') <= RenderizadorRelatorio::LinhasPorPaginaTexto);
                for (const QString& l : linhas)
                    QVERIFY2(l.size() <= RenderizadorRelatorio::LarguraTexto, qPrintable(l));
                QCOMPARE(linhas.first(), QStringLiteral("Portaris - Acessos com cartão"));
            }
            for (const QString& n : nomes)
                QVERIFY2(texto.contains(n), qPrintable(n));
            QVERIFY(texto.contains(QRegularExpression("\nPágina 3 +Guarita\n$")));
            // Fixed-width columns: every row's name starts where its title does.
            const QStringList linhas = paginas.first().split(u'\n');
            const qsizetype coluna = linhas[2].indexOf(QStringLiteral("Nome"));
            QVERIFY(coluna > 0);
            QCOMPARE(linhas[4].indexOf(QStringLiteral("Pessoa 001")), coluna);
        }
    }

    // Without the options window a file destination asks for the file and its format.
    void arquivoSemJanela() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        pesquisar(f, 1, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        f.opcoesImpressao = [] {
            OpcoesImpressao o;
            o.saida = OpcoesImpressao::Saida::Arquivo;
            o.exibirSetup = false;
            o.pdf = false;
            return o;
        };
        const QString caminho = m.pasta.caminho(QStringLiteral("semcartao.txt"));
        QStringList filtros;
        quandoAbrir<QFileDialog>(
            [&](QFileDialog* d) {
                filtros = d->nameFilters();
                d->selectNameFilter(filtros.value(1));
                d->selectFile(caminho);
                static_cast<QDialog*>(d)->accept();
            },
            true);
        f.ImprimirExportar();
        QCOMPARE(filtros, (QStringList{"Website (*.HTML) (*.html *.htm)", "Texto plano (*.TXT) (*.txt)"}));
        const QString texto = QString::fromUtf8(lerArquivo(caminho));
        QVERIFY(texto.startsWith(QStringLiteral("Portaris - Acessos sem cartão\n")));
        QVERIFY(texto.contains(QStringLiteral("Visitante Zé")));
    }

    // A folder that cannot be written: the error is shown, no file is left and the panel goes on.
    void pastaSemPermissao() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        QFile arquivo(m.pasta.caminho(QStringLiteral("arquivo")));
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        arquivo.close();
        const QString caminho = arquivo.fileName() + QStringLiteral("/listagem.pdf");
        f.opcoesImpressao = [] { return comJanela(); };
        escolherArquivo(FormatoArquivo::Pdf, caminho);
        f.ImprimirExportar();
        QCOMPARE(m.operador.mostradas().size(), 1);
        QVERIFY2(m.operador.textos().first().contains(caminho), qPrintable(m.operador.textos().first()));
        QVERIFY(!QFile::exists(caminho));
        pesquisar(f, 0, 2, QDate(2024, 5, 1), QDate(2024, 5, 10));
        QCOMPARE(coluna(f, "PNOME"), (QStringList{"Ana", "Bruno", "Carla"}));
    }

    // Cancelled at the second page: whatever was under the name stays, and nothing else is left.
    void cancelamento_data() {
        QTest::addColumn<int>("formato");
        QTest::newRow("PDF") << int(FormatoArquivo::Pdf);
        QTest::newRow("HTML") << int(FormatoArquivo::Html);
        QTest::newRow("texto") << int(FormatoArquivo::Texto);
    }
    void cancelamento() {
        QFETCH(int, formato);
        ModuloTeste m;
        gravarAcessosDeListagem(m.dm->dbBANCO, 120, 120);
        auto q = listagemComCartao(m.dm->dbBANCO, QDate(2024, 5, 1), QDate(2024, 5, 1), 100);
        q->abrir();
        FonteConjunto fonte(*q);
        RenderizadorRelatorio r(LayoutRelatorio::listagem("ReportCCartao", {}, {}, {}), fonte);
        const QString caminho = m.pasta.caminho(QStringLiteral("antigo.arq"));
        QFile antigo(caminho);
        QVERIFY(antigo.open(QIODevice::WriteOnly));
        antigo.write("antigo");
        antigo.close();
        QList<int> paginas;
        const Progresso ate1 = [&](int p) {
            paginas << p;
            return p < 2;
        };
        bool ok = true;
        switch (FormatoArquivo(formato)) {
        case FormatoArquivo::Pdf:
            ok = r.exportarPdf(caminho, ate1);
            break;
        case FormatoArquivo::Html:
            ok = r.exportarHtml(caminho, ate1);
            break;
        case FormatoArquivo::Texto:
            ok = r.exportarTexto(caminho, ate1);
            break;
        }
        QVERIFY(!ok);
        QCOMPARE(paginas, (QList<int>{1, 2}));
        QCOMPARE(lerArquivo(caminho), QByteArray("antigo"));
        QCOMPARE(QDir(m.pasta.caminho()).entryList({"antigo*"}, QDir::Files), QStringList{"antigo.arq"});
    }

    // The preview draws only what it shows: the last page is reached by reading on.
    void visualizacao() {
        ModuloTeste m;
        gravarAcessosDeListagem(m.dm->dbBANCO, 1500, 1500);
        auto q = listagemComCartao(m.dm->dbBANCO, QDate(2024, 5, 1), QDate(2024, 5, 1), 10);
        q->abrir();
        FonteConjunto fonte(*q);
        RenderizadorRelatorio r(LayoutRelatorio::listagem("ReportCCartao", {}, {}, {}), fonte);
        TfmVisualizacao v(r);
        QCOMPARE(v.windowTitle(), QStringLiteral("Visualização"));
        QVERIFY(v.windowState() & Qt::WindowMaximized);
        QCOMPARE(v.pagina(), 1);
        QVERIFY(q->quantidade() < 1500);
        const QPixmap pagina = v.imagem()->pixmap();
        // A4 landscape at the screen's resolution: 100 %.
        QCOMPARE(pagina.width(), qRound(297 / 25.4 * v.logicalDpiX()));
        QVERIFY(!v.btANT->isEnabled());
        v.btPRO->click();
        QCOMPARE(v.pagina(), 2);
        v.btULT->click();
        QCOMPARE(v.pagina(), 36); // 42 rows a page
        QVERIFY(!v.btPRO->isEnabled());
        QCOMPARE(q->quantidade(), 1500);
    }

    void testeDeImpressao() {
        ModuloTeste m;
        const QString caminho = m.pasta.caminho(QStringLiteral("teste.pdf"));
        escolherArquivo(FormatoArquivo::Pdf, caminho);
        QVERIFY(TestarImpressao(comJanela(), nullptr));
        const Saida info = rodar("pdfinfo", {caminho});
        QVERIFY2(info.texto.contains(QRegularExpression("Title:\\s+Impressão teste\n")),
                 qPrintable(info.texto));
        const Saida texto = rodar("pdftotext", {caminho, "-"});
        QVERIFY(texto.texto.contains(QStringLiteral("Impressão teste")));
        QVERIFY(texto.texto.contains(QStringLiteral("Acentuação: áéíóú")));
        // Without the options window and with no format offered, a file destination says so.
        OpcoesImpressao nenhum;
        nenhum.saida = OpcoesImpressao::Saida::Arquivo;
        nenhum.exibirSetup = false;
        nenhum.pdf = nenhum.htm = nenhum.txt = false;
        QVERIFY(!TestarImpressao(nenhum, nullptr));
        QCOMPARE(m.operador.mostradas().size(), 1);
    }

    // The reports follow the printing page's controls as they stand, loaded from the file; a
    // stored output this program never writes reads as the preview, and saving writes that.
    void opcoesDaPagina_data() {
        QTest::addColumn<QString>("saida");     // stored saidadefault; "-" leaves the key out
        QTest::addColumn<bool>("setup");        // stored exibesetup
        QTest::addColumn<bool>("pdf");          // stored pdf
        QTest::addColumn<QStringList>("mudar"); // what the operator does on the page, unsaved
        QTest::addColumn<QString>("janela");    // what the report opens
        QTest::addColumn<QString>("gravado");   // saidadefault after "Aplicar configuração"
        const QString tudo = QStringLiteral(" PDF HTML TXT");
        QTest::newRow("impressora") << "rdPrinter" << true << true << QStringList{}
                                    << "opções Impressora" + tudo << "rdPrinter";
        QTest::newRow("visualização")
            << "rdPreview" << true << true << QStringList{} << "opções Visualização" + tudo << "rdPreview";
        QTest::newRow("arquivo") << "rdFile" << true << true << QStringList{} << "opções Arquivo" + tudo
                                 << "rdFile";
        QTest::newRow("sem a chave") << "-" << true << true << QStringList{} << "opções Visualização" + tudo
                                     << "rdPreview";
        QTest::newRow("valor desconhecido")
            << "rdPlotter" << true << true << QStringList{} << "opções Visualização" + tudo << "rdPreview";
        QTest::newRow("maiúsculas") << "RDFILE" << true << true << QStringList{}
                                    << "opções Visualização" + tudo << "rdPreview";
        QTest::newRow("vazio") << "" << true << true << QStringList{} << "opções Visualização" + tudo
                               << "rdPreview";
        QTest::newRow("PDF desligado no arquivo")
            << "rdFile" << true << false << QStringList{} << "opções Arquivo HTML TXT"
            << "rdFile";
        QTest::newRow("sem janela, visualização")
            << "rdPreview" << false << true << QStringList{} << "visualização"
            << "rdPreview";
        QTest::newRow("sem janela, arquivo")
            << "rdFile" << false << true << QStringList{} << "arquivo" + tudo << "rdFile";
        // Unsaved changes on the page count at once.
        QTest::newRow("arquivo marcado na página")
            << "rdPrinter" << true << true << QStringList{"Arquivo"} << "opções Arquivo" + tudo << "rdFile";
        QTest::newRow("janela desmarcada na página")
            << "rdFile" << true << true << QStringList{"-setup"} << "arquivo" + tudo << "rdFile";
        QTest::newRow("PDF desmarcado na página")
            << "rdFile" << false << true << QStringList{"-pdf"} << "arquivo HTML TXT"
            << "rdFile";
        QTest::newRow("desconhecido, depois impressora")
            << "rdPlotter" << true << true << QStringList{"Impressora"} << "opções Impressora" + tudo
            << "rdPrinter";
    }
    void opcoesDaPagina() {
        QFETCH(QString, saida);
        QFETCH(bool, setup);
        QFETCH(bool, pdf);
        QFETCH(QStringList, mudar);
        QFETCH(QString, janela);
        QFETCH(QString, gravado);
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        if (saida != QLatin1String("-")) cfg::impressora_saidadefault.gravar(saida);
        cfg::impressora_exibesetup.gravar(setup);
        cfg::impressora_pdf.gravar(pdf);
        TframeImpressora pagina; // built with "Visualização" ticked
        pagina.Carregar();
        for (const QString& acao : mudar) {
            if (acao == QLatin1String("-setup"))
                pagina.ckEXIBESETUP->setChecked(false);
            else if (acao == QLatin1String("-pdf"))
                pagina.ckPDF->setChecked(false);
            else
                for (QAbstractButton* b : pagina.grSAIDA->buttons())
                    if (b->text() == acao) b->setChecked(true);
        }
        TframeRelatorios f(*m.dm);
        f.opcoesImpressao = [&pagina] { return pagina.opcoes(); };
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        const auto primeira = descreverJanela();
        f.ImprimirExportar();
        QCOMPARE(*primeira, janela);
        QVERIFY2(m.operador.mostradas().isEmpty(), qPrintable(m.operador.textos().join('\n')));
        // The file is read only when the page loads, never by the report.
        cfg::impressora_saidadefault.gravar(QStringLiteral("rdPrinter"));
        cfg::impressora_exibesetup.gravar(true);
        const auto segunda = descreverJanela();
        f.ImprimirExportar();
        QCOMPARE(*segunda, janela);
        pagina.Aplicar();
        QCOMPARE(cfg::impressora_saidadefault.ler(), gravado);
    }

    void opcoesDaJanela() {
        OpcoesImpressao o;
        o.saida = OpcoesImpressao::Saida::Arquivo;
        o.htm = false;
        TfmOpcoesImpressao j(o);
        QCOMPARE(j.windowTitle(), QStringLiteral("Opções de impressão"));
        QVERIFY(j.rdARQ->isChecked());
        QCOMPARE(j.cbFMT->count(), 2);
        QCOMPARE(j.cbFMT->itemText(0), QStringLiteral("Acrobat PDF (*.PDF) (*.pdf)"));
        o.pdf = o.txt = false;
        TfmOpcoesImpressao semFormato(o);
        QVERIFY(!semFormato.rdARQ->isEnabled());
        QVERIFY(semFormato.rdVIS->isChecked());
        QCOMPARE(OpcoesImpressao::saidaDeTexto("rdPrinter", OpcoesImpressao::Saida::Arquivo),
                 OpcoesImpressao::Saida::Impressora);
        QCOMPARE(OpcoesImpressao::saidaDeTexto("rdpreview", OpcoesImpressao::Saida::Arquivo),
                 OpcoesImpressao::Saida::Arquivo);
    }

    // Both enablings documents line by line, read by unrtf.
    void listagemRtf_data() {
        QTest::addColumn<int>("qual");
        QTest::addColumn<QStringList>("celulas"); // card, name, reader of each row, in order
        QTest::newRow("usuários por leitora") << int(TframeRelatorios::UsuariosPorLeitora)
                                              << QStringList{"00000000C1",
                                                             "Zoë ?mega",
                                                             "- - - - - - - - - -", // no reader name
                                                             "00000000B1",
                                                             "- - - - - - - - - -",
                                                             "Portaria", // no holder name
                                                             "00000000A1",
                                                             "Ana",
                                                             "Portaria"};
        QTest::newRow("leitoras por usuário")
            << int(TframeRelatorios::LeitorasPorUsuario)
            << QStringList{"00000000B1", "- - - - - - - - - -", "Portaria",  "00000000A1",         "Ana",
                           "Portaria",   "00000000C1",          "Zoë ?mega", "- - - - - - - - - -"};
    }
    void listagemRtf() {
        QFETCH(int, qual);
        QFETCH(QStringList, celulas);
        ModuloTeste m;
        Banco& b = m.dm->dbBANCO;
        Unidade u(b);
        b.executar(
            "INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM) VALUES (10, 130, 'Portaria', 'X')");
        b.executar("INSERT INTO LEITORA (CHAVE, CABECA, DESCRICAO, SERIALNUM) VALUES (11, 131, NULL, 'X')");
        b.executar("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (1, '00000000A1', 'Ana')");
        b.executar("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (2, '00000000B1', NULL)");
        b.executar("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (3, '00000000C1', 'Zoë Ωmega')");
        b.executar("INSERT INTO USUARIO (CHAVE, CARTAO, NOME) VALUES (4, NULL, 'Sem cartão')");
        b.executar("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (1, 10)");
        b.executar("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (2, 10)");
        b.executar("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (3, 11)");
        b.executar("INSERT INTO HABILITADO (UCHAVE, LCHAVE) VALUES (4, 10)");
        u.commit();
        TframeRelatorios f(*m.dm);
        f.MostrarUsuarios();
        QVERIFY(f.btUPL->toolTip().contains(QStringLiteral("relação usuários por leitora,\n")));
        QVERIFY(f.btLPU->toolTip().contains(QStringLiteral("relação leitoras por usuário,\n")));
        const QString caminho = m.pasta.caminho(QStringLiteral("habilitacoes"));
        QString titulo;
        QStringList filtros;
        quandoAbrir<QFileDialog>(
            [&](QFileDialog* d) {
                titulo = d->windowTitle();
                filtros = d->nameFilters();
                d->selectFile(caminho);
                static_cast<QDialog*>(d)->accept();
            },
            true);
        (qual == 0 ? f.btUPL : f.btLPU)->click();
        QVERIFY2(m.operador.mostradas().isEmpty(), qPrintable(m.operador.textos().join('\n')));
        QCOMPARE(titulo, QStringLiteral("Portaris - Salvar listagem/relatório"));
        QCOMPARE(filtros, QStringList{"Rich Text (*.rtf)"});
        const QString arquivo = caminho + QStringLiteral(".RTF");
        const QString texto = Codec1252::decodificar(lerArquivo(arquivo));
        QVERIFY(texto.endsWith(QStringLiteral("\r\n")));
        const QStringList linhas = texto.chopped(2).split(QStringLiteral("\r\n"));
        QVERIFY(!linhas.join(QString()).contains(u'\n'));
        QStringList esperado = {"{",
                                "\\rtf1\\ansi\\deff0\\adeflang1025",
                                "{\\fonttbl",
                                "{\\f0\\froman\\fprq2\\fcharset0 Arial;}",
                                "{\\f1\\froman\\fprq2\\fcharset0 Arial Black;}",
                                "}",
                                "\\pard Portaris - Listagem para simples conferência",
                                "\\par",
                                "\\par",
                                "\\trowd\\intbl",
                                "\\cellx2000",
                                "\\cellx6000",
                                "\\cellx9000",
                                "\\f1",
                                "{Cartão}",
                                "\\cell",
                                "{Nome}",
                                "\\cell",
                                "{Leitora}"};
        for (int i = 0; i + 2 < celulas.size(); i += 3)
            esperado << "\\cell\\row"
                     << "\\f0"
                     << "{" + celulas[i] + "}"
                     << "\\cell"
                     << "{" + celulas[i + 1] + "}"
                     << "\\cell"
                     << "{" + celulas[i + 2] + "}";
        esperado << "\\cell\\row"
                 << "}";
        QCOMPARE(linhas, esperado);

        const Saida lido = rodar("unrtf", {"--text", arquivo});
        QCOMPARE(lido.codigo, 0);
        for (const char* t : {"Portaris - Listagem para simples confer", "Ana", "Portaria", "00000000B1",
                              "- - - - - - - - - -"})
            QVERIFY2(lido.texto.contains(QString::fromUtf8(t)), qPrintable(lido.texto));
    }

    // A folder that cannot be written: a file error, and no file.
    void rtfSemPermissao() {
        ModuloTeste m;
        TframeRelatorios f(*m.dm);
        const QString caminho = m.pasta.caminho(QStringLiteral("nao/existe/lista.rtf"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 f.GravarRtf(TframeRelatorios::UsuariosPorLeitora, caminho));
        QVERIFY(!QFile::exists(caminho));
    }

    // Next and previous past both ends; the listing's current row follows; bytes that are no
    // picture and a row without one show nothing.
    void visualizadorDeFotos() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        TfmPIC pic(f.qrREL(), [&](int k) { return f.imagemAcesso(k); });
        QCOMPARE(pic.windowTitle(), QStringLiteral("Foto"));
        QCOMPARE(pic.imIMG->size(), QSize(280, 210));
        pic.Carregar();
        QVERIFY(pic.temImagem());
        struct Passo {
            bool proximo;
            int linha;
            bool imagem;
        };
        const QList<Passo> passos = {{true, 1, false},  {true, 2, false}, {true, 2, false},
                                     {false, 1, false}, {false, 0, true}, {false, 0, true}};
        for (const Passo& p : passos) {
            (p.proximo ? pic.btPRO : pic.btANT)->click();
            QCOMPARE(f.qrREL().posicao(), p.linha);
            QCOMPARE(pic.temImagem(), p.imagem);
        }
        QCOMPARE(f.gdREL->currentIndex().row(), 0);
    }

    // The double-click path: the viewer opens on the current row, the arrows move, Esc closes, and the
    // grid shows the last row viewed.
    void fotoPeloDuploClique() {
        ModuloTeste m;
        gravarAcessos(m.dm->dbBANCO);
        TframeRelatorios f(*m.dm);
        f.MostrarFoto(); // no search: nothing, and nothing said
        QVERIFY(m.operador.mostradas().isEmpty());
        pesquisar(f, 0, 0, QDate(2024, 5, 1), QDate(2024, 5, 10));
        bool tinhaImagem = false;
        quandoAbrir<TfmPIC>([&](TfmPIC* p) {
            tinhaImagem = p->temImagem();
            // The arrows are the window's shortcuts: they act once it is the active window.
            if (!QTest::qWaitForWindowActive(p)) qWarning("the viewer did not become active");
            QTest::keyClick(p, Qt::Key_Down);
            QTest::keyClick(p, Qt::Key_Down);
            QTest::keyClick(p, Qt::Key_Up);
            QTest::keyClick(p, Qt::Key_Escape);
        });
        f.MostrarFoto();
        QVERIFY(tinhaImagem);
        QCOMPARE(f.qrREL().posicao(), 1);
        QCOMPARE(f.gdREL->currentIndex().row(), 1);
    }

    void relatorioDeConexoes() {
        ModuloTeste m;
        DispositivosEstacao d;
        d.portas.marcarUsada(3); // used, never opened: an invalid handle
        TControladora falhou(201, nullptr);
        TLeitora71 leitora(130, nullptr);
        d.lista << &leitora << &falhou;
        const QDateTime antes = m.relogio.agora();
        TfmRCX r(d, 120);
        QCOMPARE(r.windowTitle(), QStringLiteral("Relatório de conexões"));
        QCOMPARE(r.gdPOR->horizontalHeaderItem(0)->text(), QStringLiteral("Porta"));
        QCOMPARE(r.gdLEI->horizontalHeaderItem(0)->text(), QStringLiteral("Leitora"));
        QCOMPARE(r.gdPOR->item(0, 0)->text(), QStringLiteral("COM3"));
        QCOMPARE(r.gdPOR->item(0, 1)->text(), QStringLiteral("Falhou"));
        for (int l = 1; l < r.gdPOR->rowCount(); ++l)
            QVERIFY(!r.gdPOR->item(l, 0));
        QCOMPARE(r.gdLEI->item(0, 0)->text(), QStringLiteral("130"));
        QCOMPARE(r.gdLEI->item(0, 1)->text(), QStringLiteral("Falhou"));
        QCOMPARE(r.gdLEI->item(1, 0)->text(), QStringLiteral("201"));
        QCOMPARE(r.gdLEI->item(1, 1)->text(), QStringLiteral("Falhou"));
        QVERIFY(!r.gdLEI->item(2, 0));
        QCOMPARE(antes.msecsTo(m.relogio.agora()), 240); // one pause after each device
        QCOMPARE(r.lbATE->text(), QStringLiteral("Atenção a data/hora do seu Windows:"));
        QCOMPARE(r.lbDAT->text(), QStringLiteral("07/05/2024 - 14:32"));
        QCOMPARE(r.btOK->text(), QStringLiteral("OK"));
    }
};

QTEST_MAIN(TstRelatorios)
#include "tst_relatorios.moc"
