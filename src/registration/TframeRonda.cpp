#include "TframeRonda.h"

#include "LerUltimoCartao.h"
#include "db/TdmPORTARIS.h"
#include "devices/uControladora.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace portaris {

namespace {

// The "Leitora" cell: chosen from the list, never typed.
class DelegadoCabeca : public DelegadoRegistros {
public:
    DelegadoCabeca(const TframeRonda* painel, QObject* parent)
        : DelegadoRegistros(parent), m_painel(painel) {}
    QWidget* createEditor(QWidget* pai, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* c = new QComboBox(pai);
        c->addItems(m_painel->cabecas());
        return c;
    }
    void setEditorData(QWidget* e, const QModelIndex& i) const override {
        auto* c = static_cast<QComboBox*>(e);
        c->setCurrentIndex(c->findText(i.data(Qt::EditRole).toString()));
    }
    void setModelData(QWidget* e, QAbstractItemModel* m, const QModelIndex& i) const override {
        auto* c = static_cast<QComboBox*>(e);
        if (c->currentIndex() >= 0) m->setData(i, c->currentText());
    }
    QString displayText(const QVariant& v, const QLocale&) const override {
        return v.toString().rightJustified(3, u'0');
    }

private:
    const TframeRonda* m_painel;
};

const char* const kDias[7][2] = {{"SEGUNDA", "Segunda"}, {"TERCA", "Terça"}, {"QUARTA", "Quarta"},
                                 {"QUINTA", "Quinta"},   {"SEXTA", "Sexta"}, {"SABADO", "Sábado"},
                                 {"DOMINGO", "Domingo"}};

QToolButton* botaoNavegador(const QString& icone, const QString& nome) {
    auto* b = new QToolButton;
    b->setObjectName(nome);
    b->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icone)));
    b->setIconSize(QSize(18, 18));
    b->setFixedSize(28, 26);
    return b;
}

} // namespace

TframeRonda::TframeRonda(TdmPORTARIS& dm, QWidget* parent) : QFrame(parent), m_dm(dm) {
    setObjectName(QStringLiteral("frameRonda"));
    edCAR = new QLineEdit;
    edCAR->setObjectName(QStringLiteral("edCAR"));
    edCAR->setContextMenuPolicy(Qt::CustomContextMenu);
    edAPE = new QLineEdit;
    edAPE->setObjectName(QStringLiteral("edAPE"));
    mmOBS = new QPlainTextEdit;
    mmOBS->setFixedHeight(90);
    auto* cima = new QGridLayout;
    cima->setVerticalSpacing(2);
    cima->addWidget(new QLabel(QStringLiteral("Cartão")), 0, 0);
    cima->addWidget(edCAR, 1, 0);
    cima->addWidget(new QLabel(QStringLiteral("Apelido para o cartão")), 0, 1);
    cima->addWidget(edAPE, 1, 1);
    cima->addWidget(new QLabel(QStringLiteral("Observações")), 2, 0, 1, 2);
    cima->addWidget(mmOBS, 3, 0, 1, 2);
    cima->setColumnStretch(1, 1);
    edCAR->setFixedWidth(120);

    auto* programa = new QGroupBox(QStringLiteral("Programação da ronda"));
    auto* hp = new QHBoxLayout(programa);
    for (int d = 0; d < 7; ++d) {
        ckDIA[d] = new QCheckBox(QString::fromUtf8(kDias[d][1]));
        hp->addWidget(ckDIA[d]);
    }
    ckDES = new QCheckBox(QStringLiteral("Desabilitar cartão"));
    QPalette vermelho = ckDES->palette();
    vermelho.setColor(QPalette::WindowText, Qt::red);
    ckDES->setPalette(vermelho);

    auto* horarios = new QGroupBox(QStringLiteral("Horários de ronda"));
    auto* vh = new QVBoxLayout(horarios);
    m_modeloHorarios = new ModeloConjunto(dm.tbRON,
                                          {{QStringLiteral("INICIO"), QStringLiteral("Inicio"), 90},
                                           {QStringLiteral("FIM"), QStringLiteral("Final"), 90},
                                           {QStringLiteral("CABECA"), QStringLiteral("Leitora"), 90}},
                                          this);
    gdRON = new GradeConjunto;
    gdRON->setObjectName(QStringLiteral("gdRON"));
    gdRON->definirModelo(m_modeloHorarios);
    gdRON->definirEditavel(true);
    aplicarCoresRegistros(gdRON);
    gdRON->setItemDelegateForColumn(2, new DelegadoCabeca(this, gdRON));
    gdRON->setMinimumWidth(300);
    btINS = botaoNavegador(QStringLiteral("plus"), QStringLiteral("btINS"));
    btAPA = botaoNavegador(QStringLiteral("trash"), QStringLiteral("btAPA"));
    btGRA = botaoNavegador(QStringLiteral("check"), QStringLiteral("btGRA"));
    btCAN = botaoNavegador(QStringLiteral("x"), QStringLiteral("btCAN"));
    btATU = botaoNavegador(QStringLiteral("arrow-back-up"), QStringLiteral("btATU"));
    auto* nav = new QHBoxLayout;
    nav->setSpacing(1);
    for (QToolButton* b : {btINS, btAPA, btGRA, btCAN, btATU})
        nav->addWidget(b);
    nav->addStretch();
    vh->addLayout(nav);
    vh->addWidget(gdRON, 1);
    definirDicasNavegador();

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(12, 8, 12, 8);
    v->addLayout(cima);
    v->addWidget(programa);
    v->addWidget(ckDES);
    v->addWidget(horarios, 1);

    m_ligCAR = new LigacaoEdit(dm.setRON, QStringLiteral("CARTAO"), edCAR);
    m_ligacoes << m_ligCAR << new LigacaoEdit(dm.setRON, QStringLiteral("APELIDO"), edAPE)
               << new LigacaoMemo(dm.setRON, QStringLiteral("OBSERVACAO"), mmOBS)
               << new LigacaoCheck(dm.setRON, QStringLiteral("DESABILITAR"), ckDES);
    for (int d = 0; d < 7; ++d)
        m_ligacoes << new LigacaoCheck(dm.setRON, QString::fromLatin1(kDias[d][0]), ckDIA[d]);

    lsAPE = new QListView(this);
    lsAPE->setObjectName(QStringLiteral("lsAPE"));
    lsAPE->setUniformItemSizes(true);
    lsAPE->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_modeloApelidos =
        new ModeloConjunto(dm.setRON, {{QStringLiteral("APELIDO"), QStringLiteral("Apelido")}}, this);
    lsAPE->setModel(m_modeloApelidos);
    aplicarCoresRegistros(lsAPE);
    lsAPE->hide();
    lsAPE->installEventFilter(this);
    edAPE->installEventFilter(this);
    connect(lsAPE, &QListView::clicked, this, [this](const QModelIndex& i) { escolherApelido(i.row()); });

    pmLEI = new QMenu(this);
    miCLIP = pmLEI->addAction(QStringLiteral("Busca último cartão lido(Área de transferência)"));
    connect(edCAR, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const bool editando = m_dm.setRON.emEdicao();
        for (QAction* a : pmLEI->actions())
            a->setEnabled(editando);
        pmLEI->popup(edCAR->mapToGlobal(p));
    });
    connect(miCLIP, &QAction::triggered, this, [this] {
        const QString t = QGuiApplication::clipboard()->text();
        if (t.isEmpty() || !m_dm.setRON.emEdicao()) return;
        edCAR->setText(t);
        edCAR->setModified(true);
        m_ligCAR->confirmar();
    });

    connect(btINS, &QToolButton::clicked, this, &TframeRonda::InserirHorario);
    connect(btAPA, &QToolButton::clicked, this, &TframeRonda::ApagarHorario);
    connect(btGRA, &QToolButton::clicked, this, &TframeRonda::GravarHorario);
    connect(btCAN, &QToolButton::clicked, this, &TframeRonda::CancelarHorario);
    connect(btATU, &QToolButton::clicked, this, &TframeRonda::AtualizarHorarios);
    connect(&dm.setRON, &Conjunto::estadoMudou, this, &TframeRonda::AtualizarNavegador);
    connect(&dm.setRON, &Conjunto::dadosMudaram, this, &TframeRonda::AtualizarNavegador);
    AtualizarNavegador();
}

void TframeRonda::definirDicasNavegador() {
    btINS->setToolTip(QStringLiteral("Inserir um horário de ronda"));
    btAPA->setToolTip(QStringLiteral("Apagar horário de ronda selecionado"));
    btGRA->setToolTip(QStringLiteral("Gravar horário de ronda"));
    btCAN->setToolTip(QStringLiteral("Cancelar inserção/edição"));
    btATU->setToolTip(QStringLiteral("Atualizar dados"));
}

void TframeRonda::AtualizarNavegador() {
    const Conjunto& r = m_dm.setRON;
    const bool ativo = r.aberto() && !r.vazio() && !r.emEdicao();
    for (QToolButton* b : {btINS, btAPA, btGRA, btCAN, btATU})
        b->setEnabled(ativo);
    gdRON->setEnabled(ativo);
}

void TframeRonda::showEvent(QShowEvent* e) {
    QFrame::showEvent(e);
    definirDicasNavegador();
    AtualizarNavegador();
}

bool TframeRonda::INCLUIR() {
    lsAPE->hide();
    edCAR->setFocus();
    if (m_dm.tbRON.emEdicao()) m_dm.tbRON.cancelar();
    m_dm.setRON.inserir();
    AtualizarNavegador();
    return m_dm.setRON.estado() == EstadoConjunto::Inserindo;
}

bool TframeRonda::ALTERAR() {
    lsAPE->hide();
    edAPE->setFocus();
    if (!m_dm.setRON.vazio()) {
        if (m_dm.tbRON.emEdicao()) m_dm.tbRON.cancelar();
        m_dm.setRON.editar();
    }
    AtualizarNavegador();
    return m_dm.setRON.estado() == EstadoConjunto::Editando;
}

bool TframeRonda::EXCLUIR() {
    lsAPE->hide();
    if (!m_dm.setRON.vazio()) m_dm.setRON.apagar();
    AtualizarNavegador();
    return m_dm.setRON.estado() == EstadoConjunto::Navegando;
}

bool TframeRonda::GRAVAR() {
    for (Ligacao* l : m_ligacoes)
        if (!l->confirmar()) return false;
    try {
        m_dm.setRON.gravar();
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    AtualizarNavegador();
    return m_dm.setRON.estado() == EstadoConjunto::Navegando;
}

bool TframeRonda::CANCELAR() {
    m_dm.setRON.cancelar();
    AtualizarNavegador();
    return m_dm.setRON.estado() == EstadoConjunto::Navegando;
}

void TframeRonda::CARREGAR_CABECAS() {
    m_cabecas.clear();
    for (Conjunto* c : {&m_dm.setLEI, &m_dm.setLEI64})
        for (int r = 0; c->aberto() && r < c->quantidade(); ++r)
            m_cabecas << c->texto(r, QStringLiteral("CABECA"));
}

void TframeRonda::definirControladoras(const QList<TControladora*>& controladoras) {
    m_controladoras = controladoras;
    ItensControladoras(pmLEI, m_itensControladora, controladoras, this,
                       [this](int cabeca) { cartaoDaControladora(cabeca); });
}

void TframeRonda::cartaoDaControladora(int cabecaRef) {
    if (!m_dm.setRON.emEdicao()) return;
    const QString cartao = LerUltimoCartao(m_controladoras, cabecaRef);
    if (cartao.isEmpty()) return;
    edCAR->setText(cartao);
    edCAR->setModified(true);
    m_ligCAR->confirmar();
}

// A new card has no key in RONDA until saved: its windows wait for that.
void TframeRonda::InserirHorario() {
    if (m_dm.setRON.emEdicao() || m_dm.setRON.vazio()) return;
    if (Protegido([this] { m_dm.tbRON.inserir(); })) {
        const QModelIndex i = m_modeloHorarios->index(m_modeloHorarios->linhaAtual(), 0);
        gdRON->setCurrentIndex(i);
        gdRON->setFocus();
    }
}

void TframeRonda::ApagarHorario() {
    if (m_dm.tbRON.vazio() && !m_dm.tbRON.emEdicao()) return;
    Protegido([this] { m_dm.tbRON.apagar(); });
}

bool TframeRonda::GravarHorario() {
    if (!m_dm.tbRON.emEdicao()) return true;
    // A cell still open in its editor goes into the row first (its editor commits on losing focus).
    gdRON->setFocus();
    return Protegido([this] { m_dm.tbRON.gravar(); });
}

void TframeRonda::CancelarHorario() {
    m_dm.tbRON.cancelar();
}

void TframeRonda::AtualizarHorarios() {
    Protegido([this] {
        if (m_dm.tbRON.emEdicao()) m_dm.tbRON.cancelar();
        m_dm.tbRON.atualizar();
    });
}

void TframeRonda::alternarListaApelidos() {
    if (m_dm.setRON.emEdicao()) return;
    if (lsAPE->isVisible()) {
        lsAPE->hide();
        return;
    }
    if (bancoRemoto && bancoRemoto()) Protegido([this] { m_dm.setRON.atualizar(); });
    const QPoint p = edAPE->mapTo(this, QPoint(0, edAPE->height()));
    lsAPE->setGeometry(p.x(), p.y(), edAPE->width(), 97);
    const int r = m_modeloApelidos->linhaAtual();
    if (r >= 0) lsAPE->setCurrentIndex(m_modeloApelidos->index(r, 0));
    lsAPE->raise();
    lsAPE->show();
    lsAPE->setFocus();
}

void TframeRonda::escolherApelido(int linha) {
    Protegido([&] { m_dm.setRON.irPara(linha); });
    lsAPE->hide();
    edAPE->setFocus();
}

bool TframeRonda::eventFilter(QObject* obj, QEvent* e) {
    if (obj == edAPE && e->type() == QEvent::MouseButtonPress && !m_dm.setRON.emEdicao()) {
        alternarListaApelidos();
        return false;
    }
    if (obj == lsAPE && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Escape) {
            lsAPE->hide();
            return true;
        }
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && lsAPE->currentIndex().isValid()) {
            escolherApelido(lsAPE->currentIndex().row());
            return true;
        }
    }
    return QFrame::eventFilter(obj, e);
}

} // namespace portaris
