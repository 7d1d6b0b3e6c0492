#include "TframeRelatorios.h"

#include "db/TdmPORTARIS.h"
#include "platform/Codec1252.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "reports/TfmPIC.h"
#include "ui/DelegadoAcessos.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCursor>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace portaris {

namespace {

struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { QApplication::restoreOverrideCursor(); }
};

// Rows the search reads before the grid shows them; the grid reads on as it scrolls.
constexpr int kPagina = 100;

const QString kNulo = QStringLiteral("- - - - - - - - - -");

int larguraColuna(const QString& campo) {
    static const QHash<QString, int> larguras = {
        {QStringLiteral("PDATA"), 74},        {QStringLiteral("PHORA"), 60},
        {QStringLiteral("PLEITORA"), 140},    {QStringLiteral("PAUTORIZADO"), 70},
        {QStringLiteral("PNOME"), 220},       {QStringLiteral("PCARTAO"), 84},
        {QStringLiteral("PNOTA"), 170},       {QStringLiteral("PNOTA2"), 170},
        {QStringLiteral("PCOMPUTADOR"), 120},
    };
    return larguras.value(campo, 100);
}

} // namespace

TframeRelatorios::TframeRelatorios(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("frameRelatorios"));
    m_qrREL = Conjunto::consulta(dm.dbBANCO, QStringLiteral("qrREL"), consulta(ComCartao));
    m_qrREL->definirPagina(kPagina);
    opcoesImpressao = [] { return OpcoesImpressao::lerConfiguracao(); };

    auto* raiz = new QVBoxLayout(this);
    raiz->setContentsMargins(0, 0, 0, 0);
    paginas = new QStackedWidget;
    raiz->addWidget(paginas);

    // The listing page: the buttons and calendars on the left, the grid on the right.
    pgLISTAGEM = new QWidget;
    pgLISTAGEM->setObjectName(QStringLiteral("pgLISTAGEM"));
    auto* h = new QHBoxLayout(pgLISTAGEM);
    auto* esquerda = new QVBoxLayout;
    btCCA = new QPushButton(QStringLiteral("Com cartão"));
    btSCA = new QPushButton(QStringLiteral("Sem cartão"));
    btRON = new QPushButton(QStringLiteral("Ronda         "));
    auto* grupo = new QButtonGroup(this);
    grupo->setExclusive(true);
    for (QPushButton* b : {btCCA, btSCA, btRON}) {
        b->setCheckable(true);
        grupo->addButton(b);
        esquerda->addWidget(b);
    }
    btCCA->setObjectName(QStringLiteral("btCCA"));
    btSCA->setObjectName(QStringLiteral("btSCA"));
    btRON->setObjectName(QStringLiteral("btRON"));
    btCCA->setChecked(true);
    btPES = new QPushButton(QStringLiteral("Pesquisar"));
    btPES->setObjectName(QStringLiteral("btPES"));
    esquerda->addSpacing(8);
    esquerda->addWidget(btPES);
    caINI = new QCalendarWidget;
    caFIM = new QCalendarWidget;
    caINI->setObjectName(QStringLiteral("caINI"));
    caFIM->setObjectName(QStringLiteral("caFIM"));
    for (QCalendarWidget* c : {caINI, caFIM}) {
        c->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
        c->setSelectedDate(relogio().hoje());
        c->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        c->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
        c->setFixedSize(230, 170);
        esquerda->addWidget(c);
    }
    esquerda->addStretch();
    h->addLayout(esquerda);

    gdREL = new GradeConjunto;
    gdREL->setObjectName(QStringLiteral("gdREL"));
    gdREL->setToolTip(QStringLiteral("Dê um duplo clique para ver a foto do acesso\n"
                                     "ou então clique com o botão da direita para \n"
                                     "selecionar a ordem de pesquisa."));
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(9);
    gdREL->setFont(arial);
    m_delegado = new DelegadoAcessos(-1, gdREL);
    gdREL->setItemDelegate(m_delegado);
    gdREL->setContextMenuPolicy(Qt::CustomContextMenu);
    h->addWidget(gdREL, 1);

    pmORD = new QMenu(this);
    pmORD->setObjectName(QStringLiteral("pmORD"));
    auto* ordens = new QActionGroup(this);
    ordens->setExclusive(true);
    for (const char* t : {"Data / Hora", "Leitora", "Nome", "Cartão", "Observação do Portaris", "Observação",
                          "Login", "Computador"}) {
        QAction* a = pmORD->addAction(QString::fromUtf8(t));
        a->setCheckable(true);
        ordens->addAction(a);
        miORD << a;
    }
    miORD.first()->setChecked(true);
    paginas->addWidget(pgLISTAGEM);

    // The page of enablings.
    pgUSUARIOS = new QWidget;
    pgUSUARIOS->setObjectName(QStringLiteral("pgUSUARIOS"));
    auto* u = new QVBoxLayout(pgUSUARIOS);
    btUPL = new QPushButton(QStringLiteral("Relação usuários por leitora"));
    btLPU = new QPushButton(QStringLiteral("Relação leitoras por usuário"));
    btUPL->setObjectName(QStringLiteral("btUPL"));
    btLPU->setObjectName(QStringLiteral("btLPU"));
    btUPL->setToolTip(
        QStringLiteral("  Gera um documento no formato RTF com a relação usuários por leitora,\n"
                       "considerando apenas usuários com cartão informado."));
    btLPU->setToolTip(
        QStringLiteral("  Gera um documento no formato RTF com a relação leitoras por usuário,\n"
                       "considerando apenas usuários com cartão informado."));
    for (QPushButton* b : {btUPL, btLPU}) {
        b->setMinimumSize(260, 40);
        u->addWidget(b, 0, Qt::AlignLeft);
    }
    u->addStretch();
    auto* faixa =
        new QLabel(QStringLiteral(" Neste módulo as listagens/relatórios são gerados no formato de arquivo"));
    faixa->setObjectName(QStringLiteral("lbFAIXA"));
    faixa->setAutoFillBackground(true);
    QPalette pf = faixa->palette();
    pf.setColor(QPalette::Window, QColor(255, 0, 0));
    pf.setColor(QPalette::WindowText, Qt::white);
    faixa->setPalette(pf);
    QFont fb = faixa->font();
    fb.setBold(true);
    faixa->setFont(fb);
    faixa->setMinimumHeight(24);
    u->addWidget(faixa);
    paginas->addWidget(pgUSUARIOS);

    montarGrade();

    connect(btPES, &QPushButton::clicked, this, &TframeRelatorios::Pesquisar);
    connect(gdREL, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { pmORD->popup(gdREL->viewport()->mapToGlobal(p)); });
    connect(gdREL, &QAbstractItemView::doubleClicked, this, &TframeRelatorios::MostrarFoto);
    connect(btUPL, &QPushButton::clicked, this, [this] { ListagemRtf(UsuariosPorLeitora); });
    connect(btLPU, &QPushButton::clicked, this, [this] { ListagemRtf(LeitorasPorUsuario); });
}

TframeRelatorios::~TframeRelatorios() {
    // The model reads the dataset while it goes.
    delete m_modelo;
}

QString TframeRelatorios::consulta(Listagem l) {
    switch (l) {
    case SemCartao:
        return QStringLiteral("SELECT * FROM RELATORIO_SEM_CARTAO(:P00,:P01,:P02)");
    case Ronda:
        return QStringLiteral("SELECT * FROM RELATORIO_RONDA(:P00,:P01,:P02)");
    default:
        return QStringLiteral("SELECT * FROM RELATORIO_COM_CARTAO(:P00,:P01,:P02)");
    }
}

QString TframeRelatorios::nomeRelatorio(Listagem l) {
    switch (l) {
    case SemCartao:
        return QStringLiteral("ReportSemCartao");
    case Ronda:
        return QStringLiteral("ReportRonda");
    default:
        return QStringLiteral("ReportCCartao");
    }
}

TframeRelatorios::Listagem TframeRelatorios::listagem() const {
    if (btSCA->isChecked()) return SemCartao;
    if (btRON->isChecked()) return Ronda;
    return ComCartao;
}

int TframeRelatorios::ordem() const {
    // Exclusive items; were several ticked the highest code would win.
    int codigo = 0;
    for (int i = 0; i < miORD.size(); ++i)
        if (miORD[i]->isChecked()) codigo = i;
    return codigo;
}

void TframeRelatorios::ligarColuna(QToolButton* impExp, QToolButton* atualizar, QToolButton* acessos,
                                   QToolButton* usuarios) {
    m_btImpExp = impExp;
    m_btAtualizar = atualizar;
    connect(impExp, &QToolButton::clicked, this, &TframeRelatorios::ImprimirExportar);
    connect(atualizar, &QToolButton::clicked, this, &TframeRelatorios::Atualizar);
    connect(acessos, &QToolButton::clicked, this, &TframeRelatorios::MostrarAcessos);
    connect(usuarios, &QToolButton::clicked, this, &TframeRelatorios::MostrarUsuarios);
    atualizarColuna();
}

void TframeRelatorios::atualizarColuna() {
    const bool listagem = naListagem();
    if (m_btImpExp) m_btImpExp->setEnabled(listagem);
    if (m_btAtualizar) m_btAtualizar->setEnabled(listagem && baixarEventos);
}

bool TframeRelatorios::naListagem() const {
    return paginas->currentWidget() == pgLISTAGEM;
}

void TframeRelatorios::MostrarAcessos() {
    paginas->setCurrentWidget(pgLISTAGEM);
    atualizarColuna();
}

void TframeRelatorios::MostrarUsuarios() {
    paginas->setCurrentWidget(pgUSUARIOS);
    atualizarColuna();
}

void TframeRelatorios::montarGrade() {
    // Columns in the order the procedure returns them, titled after each search.
    QList<ColunaConjunto> colunas;
    if (m_qrREL->aberto())
        for (const Campo& c : m_qrREL->campos())
            colunas.append({c.nome, TituloColuna(c.nome), larguraColuna(c.nome)});
    auto* novo = new ModeloConjunto(*m_qrREL, colunas, this);
    gdREL->definirModelo(novo);
    delete m_modelo;
    m_modelo = novo;
    const int chave = novo->coluna(QStringLiteral("PCHAVE"));
    for (int c = 0; c < colunas.size(); ++c)
        gdREL->setColumnHidden(c, c == chave);
    m_delegado->definirColunaAutorizado(novo->coluna(QStringLiteral("PAUTORIZADO")));
}

void TframeRelatorios::Pesquisar() {
    Ampulheta ampulheta;
    const Listagem l = listagem();
    try {
        m_qrREL->fechar();
        m_pesquisou = false;
        m_qrREL->definirSql(consulta(l));
        m_qrREL->definirParametro(QStringLiteral("P00"), caINI->selectedDate());
        m_qrREL->definirParametro(QStringLiteral("P01"), caFIM->selectedDate());
        m_qrREL->definirParametro(QStringLiteral("P02"), ordem());
        m_qrREL->abrir();
        m_pesquisou = true;
        m_listagemPesquisada = l;
        m_periodoPesquisado = caINI->selectedDate().toString(QStringLiteral("dd/MM/yyyy")) +
                              QStringLiteral(" a ") +
                              caFIM->selectedDate().toString(QStringLiteral("dd/MM/yyyy"));
        m_ordemPesquisada = miORD.value(ordem())->text();
    } catch (const ErroBanco& e) {
        try {
            m_qrREL->fechar();
        } catch (const ErroBanco&) {
        }
        montarGrade();
        MostrarMensagem(e.texto());
        return;
    }
    montarGrade();
}

void TframeRelatorios::ImprimirExportar() {
    if (!m_pesquisou || !m_qrREL->aberto()) {
        MostrarMensagem(
            QStringLiteral("@!000AVINenhuma pesquisa foi feita: não há o que imprimir ou exportar."));
        return;
    }
    try {
        const LayoutRelatorio layout =
            LayoutRelatorio::listagem(nomeRelatorio(m_listagemPesquisada), m_periodoPesquisado,
                                      m_ordemPesquisada, TdmPORTARIS::NOME_COMPUTADOR());
        FonteConjunto fonte(*m_qrREL);
        ExecutarRelatorio(layout, fonte, opcoesImpressao ? opcoesImpressao() : OpcoesImpressao(), this);
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromUtf8(e.what()));
    }
}

void TframeRelatorios::Atualizar() {
    if (!baixarEventos) return;
    bool ok = false;
    try {
        ok = baixarEventos();
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromUtf8(e.what()));
    }
    if (ok) Pesquisar();
}

QByteArray TframeRelatorios::imagemAcesso(int chave) {
    try {
        Comando c(m_dm.dbBANCO, QStringLiteral("select IMAGEM from ACESSO WHERE CHAVE = :PCHAVE"));
        c.definir(QStringLiteral("PCHAVE"), chave);
        c.abrir();
        return c.proximo() ? c.campo(0).toByteArray() : QByteArray();
    } catch (const ErroBanco&) {
        return {};
    }
}

void TframeRelatorios::MostrarFoto() {
    // Without rows or a search there is nothing to show, and nothing is said.
    try {
        if (!m_qrREL->aberto() || m_qrREL->posicao() < 0) return;
        TfmPIC pic(
            *m_qrREL, [this](int chave) { return imagemAcesso(chave); }, this);
        pic.Carregar();
        pic.adjustSize();
        pic.move(QCursor::pos() - QPoint(pic.width() / 2, pic.height() / 2));
        QCursor::setPos(pic.geometry().center());
        pic.exec();
    } catch (const std::exception&) {
    }
}

QByteArray TframeRelatorios::DocumentoRtf(const QList<std::array<QVariant, 3>>& linhas) {
    QStringList l = {QStringLiteral("{"),
                     QStringLiteral("\\rtf1\\ansi\\deff0\\adeflang1025"),
                     QStringLiteral("{\\fonttbl"),
                     QStringLiteral("{\\f0\\froman\\fprq2\\fcharset0 Arial;}"),
                     QStringLiteral("{\\f1\\froman\\fprq2\\fcharset0 Arial Black;}"),
                     QStringLiteral("}"),
                     QStringLiteral("\\pard Portaris - Listagem para simples conferência"),
                     QStringLiteral("\\par"),
                     QStringLiteral("\\par"),
                     QStringLiteral("\\trowd\\intbl"),
                     QStringLiteral("\\cellx2000"),
                     QStringLiteral("\\cellx6000"),
                     QStringLiteral("\\cellx9000"),
                     QStringLiteral("\\f1"),
                     QStringLiteral("{Cartão}"),
                     QStringLiteral("\\cell"),
                     QStringLiteral("{Nome}"),
                     QStringLiteral("\\cell"),
                     QStringLiteral("{Leitora}")};
    auto valor = [](const QVariant& v) { return v.isNull() ? kNulo : v.toString(); };
    for (const auto& r : linhas) {
        l << QStringLiteral("\\cell\\row") << QStringLiteral("\\f0")
          << QLatin1Char('{') + valor(r[0]) + QLatin1Char('}') << QStringLiteral("\\cell")
          << QLatin1Char('{') + valor(r[1]) + QLatin1Char('}') << QStringLiteral("\\cell")
          << QLatin1Char('{') + valor(r[2]) + QLatin1Char('}');
    }
    l << QStringLiteral("\\cell\\row") << QStringLiteral("}");
    QByteArray doc;
    for (const QString& s : l)
        doc += Codec1252::codificar(s) + "\r\n";
    return doc;
}

void TframeRelatorios::GravarRtf(Habilitacoes qual, const QString& arquivo) {
    const QString proc = qual == UsuariosPorLeitora ? QStringLiteral("USUARIO_POR_LEITORA")
                                                    : QStringLiteral("LEITORA_POR_USUARIO");
    QList<std::array<QVariant, 3>> linhas;
    {
        Comando c(m_dm.dbBANCO, QStringLiteral("SELECT PNOME,PLEITORA,PCARTAO FROM ") + proc);
        c.abrir();
        while (c.proximo())
            linhas.append({c.campo(2), c.campo(0), c.campo(1)});
        c.fechar();
    }
    QSaveFile f(arquivo);
    if (!f.open(QIODevice::WriteOnly) || f.write(DocumentoRtf(linhas)) < 0 || !f.commit())
        throw std::runtime_error(QStringLiteral("Não foi possível gravar o arquivo %1: %2")
                                     .arg(arquivo, f.errorString())
                                     .toStdString());
}

void TframeRelatorios::ListagemRtf(Habilitacoes qual) {
    QFileDialog dlg(this, QStringLiteral("Portaris - Salvar listagem/relatório"));
    dlg.setObjectName(QStringLiteral("dlgRTF"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(QStringLiteral("Rich Text (*.rtf)"));
    dlg.setDefaultSuffix(QStringLiteral("RTF"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
    Ampulheta ampulheta;
    try {
        GravarRtf(qual, dlg.selectedFiles().first());
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromUtf8(e.what()));
    }
}

} // namespace portaris
