#include "TframeCadastroUsuario.h"

#include "LerUltimoCartao.h"
#include "TfmBUSCA.h"
#include "db/TdmPORTARIS.h"
#include "devices/uControladora.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"
#include "ui/SemanaHorarios.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace portaris {

namespace {

const char* const kDias[7] = {"Segunda....:",   "Terça.......:", "Quarta......:", "Quinta......:",
                              "Sexta........:", "Sábado......:", "Domingo.....:"};

// The hourglass for the length of an operation, whatever way it leaves.
struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { QApplication::restoreOverrideCursor(); }
};


// Rows of the readers grid: yellow and white by parity, the chosen row darker and bold, an icon
// for the holder's state on that device and the description after it.
class DelegadoLeitoras : public QStyledItemDelegate {
public:
    DelegadoLeitoras(const TframeCadastroUsuario* painel, QObject* parent)
        : QStyledItemDelegate(parent), m_painel(painel), m_nao(QStringLiteral(":/icons/x.svg")),
          m_sim(QStringLiteral(":/icons/check.svg")), m_mem(QStringLiteral(":/icons/device-floppy.svg")) {}

    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const QTableWidget* g = m_painel->gdLEI;
        const int r = i.row();
        const bool sel = r == m_painel->linhaSelecionada();
        QColor fundo;
        if (r % 2 == 0)
            fundo = sel ? QColor(255, 255, 113) : QColor(255, 255, 196);
        else
            fundo = sel ? QColor(223, 223, 223) : QColor(255, 255, 255);
        p->save();
        p->fillRect(o.rect, fundo);
        const auto* c3 = g->item(r, 2);
        const auto* c4 = g->item(r, 3);
        const bool habilitado = c3 && !c3->text().isEmpty();
        const QIcon& icone = !habilitado ? m_nao : (c4 && c4->text() == QLatin1String("1") ? m_mem : m_sim);
        icone.paint(p, QRect(o.rect.left() + 3, o.rect.top() + 3, 16, 16));
        QFont f(QStringLiteral("Arial"), 9);
        f.setBold(sel);
        p->setFont(f);
        p->setPen(Qt::black);
        const QRect texto(o.rect.left() + 35, o.rect.top() + 3, o.rect.width() - 35, o.rect.height() - 3);
        p->drawText(texto, Qt::AlignLeft | Qt::AlignTop, i.data().toString());
        p->restore();
    }

private:
    const TframeCadastroUsuario* m_painel;
    QIcon m_nao, m_sim, m_mem;
};

QLabel* rotulo(const QString& t, QWidget* buddy = nullptr) {
    auto* l = new QLabel(t);
    if (buddy) l->setBuddy(buddy);
    return l;
}

} // namespace

TframeCadastroUsuario::TframeCadastroUsuario(TdmPORTARIS& dm, QWidget* parent) : QFrame(parent), m_dm(dm) {
    setObjectName(QStringLiteral("frameCadastroUsuario"));
    montar();
    ligar();
}

void TframeCadastroUsuario::montar() {
    auto* grade = new QGridLayout(this);
    grade->setContentsMargins(6, 6, 6, 6);
    grade->setHorizontalSpacing(8);
    grade->setVerticalSpacing(2);

    // Left: identification and contact.
    auto* esquerda = new QVBoxLayout;
    esquerda->setSpacing(1);
    edCAR = new QLineEdit;
    edCAR->setObjectName(QStringLiteral("edCAR"));
    edCAR->setToolTip(QStringLiteral("Quando  estiver  inserindo  ou  editando  um\n"
                                     "cadastro,  utilize o botão da direita do mouse\n"
                                     "para obter a  identificação  do  último  cartão."));
    edCAR->setContextMenuPolicy(Qt::CustomContextMenu);
    cbGRU = new QComboBox;
    cbGRU->setObjectName(QStringLiteral("cbGRU"));
    cbGRU->setToolTip(QStringLiteral("Grupos de horários são apenas para controladoras."));
    cbTIP = new QComboBox;
    cbTIP->setObjectName(QStringLiteral("cbTIP"));
    cbTIP->setEditable(true);
    edNOM = new QLineEdit;
    edNOM->setObjectName(QStringLiteral("edNOM"));
    lbNOM = rotulo(QStringLiteral("Nome"), edNOM);
    edTRE = new QLineEdit;
    edTCO = new QLineEdit;
    edCEL = new QLineEdit;
    edINT = new QLineEdit;
    mmOBS = new QPlainTextEdit;
    mmOBS->setObjectName(QStringLiteral("mmOBS"));
    btBUS = new QPushButton(QIcon(QStringLiteral(":/icons/search.svg")), QStringLiteral("Buscar"));
    btBUS->setObjectName(QStringLiteral("btBUS"));
    auto* linhaCartao = new QHBoxLayout;
    linhaCartao->addWidget(edCAR, 1);
    linhaCartao->addWidget(btBUS);
    esquerda->addWidget(rotulo(QStringLiteral("Cartão"), edCAR));
    esquerda->addLayout(linhaCartao);
    esquerda->addWidget(rotulo(QStringLiteral("Grupo de horários(concentradora)"), cbGRU));
    esquerda->addWidget(cbGRU);
    esquerda->addWidget(rotulo(QStringLiteral("Tipo"), cbTIP));
    esquerda->addWidget(cbTIP);
    esquerda->addWidget(lbNOM);
    esquerda->addWidget(edNOM);
    for (auto [legenda, edit] :
         {std::pair{"Telefone residencial", edTRE}, std::pair{"Telefone comercial", edTCO},
          std::pair{"Celular", edCEL}, std::pair{"Interfone", edINT}}) {
        esquerda->addWidget(rotulo(QString::fromUtf8(legenda), edit));
        esquerda->addWidget(edit);
    }
    esquerda->addWidget(rotulo(QStringLiteral("Observações"), mmOBS));
    esquerda->addWidget(mmOBS, 1);
    grade->addLayout(esquerda, 0, 0, 2, 1);

    // Middle: the weekly windows and the options, narrow enough for the 800-pixel window.
    auto* tituloHorarios =
        new QLabel(QStringLiteral("Horários autorizados(recurso não utilizado pela concentradora)"));
    tituloHorarios->setWordWrap(true);
    auto* horarios = new QFrame;
    horarios->setFrameShape(QFrame::StyledPanel);
    auto* gh = new QGridLayout(horarios);
    gh->setContentsMargins(6, 4, 6, 4);
    gh->setHorizontalSpacing(4);
    gh->setVerticalSpacing(1);
    for (int d = 0; d < 7; ++d) {
        gh->addWidget(new QLabel(QString::fromUtf8(kDias[d])), d, 0);
        for (int k = 0; k < 2; ++k) {
            auto* e = new QLineEdit;
            e->setObjectName(QStringLiteral("ed") + QString::fromLatin1(SemanaHorarios::Colunas[d * 2 + k]));
            e->setFixedWidth(62);
            edHOR[d * 2 + k] = e;
        }
        gh->addWidget(edHOR[d * 2], d, 1);
        gh->addWidget(new QLabel(QStringLiteral("até")), d, 2);
        gh->addWidget(edHOR[d * 2 + 1], d, 3);
    }
    btSEG = new QPushButton(QStringLiteral("Aplicar horário de \"Segunda\" à todos"));
    btSEG->setObjectName(QStringLiteral("btSEG"));
    btSEG->hide();
    gh->addWidget(btSEG, 7, 0, 1, 4);
    ckFER = new QCheckBox(QStringLiteral("Não permitir acesso aos feriados"));
    ckREG = new QCheckBox(QStringLiteral("Não registrar entrada/saída"));
    ckDES = new QCheckBox(QStringLiteral("Desabilitar cartão"));
    QPalette vermelho = ckDES->palette();
    vermelho.setColor(QPalette::WindowText, Qt::red);
    ckDES->setPalette(vermelho);
    ckEXP = new QCheckBox(QStringLiteral("Cartão com data de expiração"));
    edEXE = new QLineEdit;
    edEXE->setObjectName(QStringLiteral("edEXE"));
    edEXE->setFixedWidth(90);
    TeclasMascara::instalar(edEXE);
    lbEXE = rotulo(QStringLiteral("Cartão expira em"), edEXE);
    auto* meio = new QVBoxLayout;
    meio->setSpacing(2);
    meio->addWidget(tituloHorarios);
    meio->addWidget(horarios);
    for (QWidget* w : std::initializer_list<QWidget*>{ckFER, ckREG, ckDES, ckEXP, lbEXE, edEXE})
        meio->addWidget(w);
    meio->addStretch();
    auto* colunaMeio = new QWidget;
    colunaMeio->setLayout(meio);
    colunaMeio->setFixedWidth(262);
    meio->setContentsMargins(0, 0, 0, 0);
    grade->addWidget(colunaMeio, 0, 1, 2, 1);

    // Right: photo and readers.
    imPIC = new QLabel;
    imPIC->setObjectName(QStringLiteral("imPIC"));
    imPIC->setFixedSize(280, 210);
    imPIC->setAlignment(Qt::AlignCenter);
    imPIC->setFrameShape(QFrame::Box);
    imPIC->setToolTip(QStringLiteral("Use o botão da direita do seu mouse."));
    imPIC->setContextMenuPolicy(Qt::CustomContextMenu);
    gdLEI = new QTableWidget(1, 4);
    gdLEI->setObjectName(QStringLiteral("gdLEI"));
    gdLEI->setToolTip(QStringLiteral("Sobre a lista clique com o botão da direita do mouse."));
    gdLEI->horizontalHeader()->hide();
    gdLEI->verticalHeader()->hide();
    gdLEI->verticalHeader()->setDefaultSectionSize(22);
    gdLEI->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gdLEI->setSelectionMode(QAbstractItemView::NoSelection);
    gdLEI->setShowGrid(false);
    gdLEI->setFixedWidth(282);
    gdLEI->setColumnWidth(0, 276);
    for (int c = 1; c < 4; ++c)
        gdLEI->setColumnHidden(c, true);
    gdLEI->setItemDelegateForColumn(0, new DelegadoLeitoras(this, gdLEI));
    gdLEI->setContextMenuPolicy(Qt::CustomContextMenu);
    gdLEI->viewport()->installEventFilter(this);
    auto* direita = new QVBoxLayout;
    direita->addWidget(imPIC);
    direita->addWidget(gdLEI, 1);
    grade->addLayout(direita, 0, 2, 2, 1);
    grade->setColumnStretch(0, 1);

    // The name list opens over the fields under the name.
    lsNOM = new QListView(this);
    lsNOM->setObjectName(QStringLiteral("lsNOM"));
    lsNOM->setUniformItemSizes(true);
    lsNOM->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lsNOM->hide();
    lsNOM->installEventFilter(this);
    edNOM->installEventFilter(this);

    pmHAB = new QMenu(this);
    miHAB = pmHAB->addAction(QStringLiteral("Habilitar no Portaris"));
    miHABMEM = pmHAB->addAction(QStringLiteral("Habilitar no Portaris e memorizar na leitora"));
    miDES = pmHAB->addAction(QStringLiteral("Desabilitar"));
    pmLEI = new QMenu(this);
    pmLEI->setToolTipsVisible(true);
    miCLIP = pmLEI->addAction(QStringLiteral("Busca último cartão lido(Área de transferência)"));
    miCLIP->setToolTip(QStringLiteral("Somente para leitoras 71 e 64AX"));
    pmPIC = new QMenu(this);
    miAPA = pmPIC->addAction(QStringLiteral("Apagar foto"));
    miARQ = pmPIC->addAction(QStringLiteral("Buscar foto do arquivo"));
    miCOLA = pmPIC->addAction(QStringLiteral("Busca foto da área de transferência"));
    miCAM = pmPIC->addAction(QStringLiteral("Captura foto da Webcam"));
}

void TframeCadastroUsuario::ligar() {
    Conjunto& u = m_dm.setUSU;
    m_ligCAR = new LigacaoEdit(u, QStringLiteral("CARTAO"), edCAR);
    m_ligacoes << m_ligCAR << new LigacaoCombo(u, QStringLiteral("GRUPO"), cbGRU)
               << new LigacaoCombo(u, QStringLiteral("TIPO"), cbTIP)
               << new LigacaoEdit(u, QStringLiteral("NOME"), edNOM)
               << new LigacaoEdit(u, QStringLiteral("TELRESID"), edTRE)
               << new LigacaoEdit(u, QStringLiteral("TELCOMER"), edTCO)
               << new LigacaoEdit(u, QStringLiteral("CELULAR"), edCEL)
               << new LigacaoEdit(u, QStringLiteral("INTERFONE"), edINT)
               << new LigacaoMemo(u, QStringLiteral("OBSERVACAO"), mmOBS)
               << new LigacaoCheck(u, QStringLiteral("NAOACESSOFERIADOS"), ckFER)
               << new LigacaoCheck(u, QStringLiteral("NAOLISTARELAT"), ckREG)
               << new LigacaoCheck(u, QStringLiteral("DESABILITAR"), ckDES)
               << new LigacaoCheck(u, QStringLiteral("EXPIRA"), ckEXP)
               << new LigacaoEdit(u, QStringLiteral("EXPIRAEM"), edEXE);
    for (int i = 0; i < 14; ++i) {
        m_ligHOR[i] = new LigacaoEdit(u, QString::fromLatin1(SemanaHorarios::Colunas[i]), edHOR[i]);
        m_ligacoes << m_ligHOR[i];
    }
    m_semana = new SemanaHorarios(
        edHOR, btSEG, SemanaHorarios::Teclas::Todos, [this] { return m_dm.setUSU.emEdicao(); },
        [this](int i) { return m_ligHOR[i]->confirmar(); }, this);

    auto expira = [this](bool marcado) {
        lbEXE->setVisible(marcado);
        edEXE->setVisible(marcado);
    };
    connect(ckEXP, &QCheckBox::toggled, this, expira);
    expira(ckEXP->isChecked());

    m_modeloNomes = new ModeloConjunto(u, {{QStringLiteral("NOME"), QStringLiteral("Nome")}}, this);
    lsNOM->setModel(m_modeloNomes);
    aplicarCoresRegistros(lsNOM);
    connect(lsNOM, &QListView::clicked, this, [this](const QModelIndex& i) { escolherNome(i.row()); });

    connect(&u, &Conjunto::rolou, this, &TframeCadastroUsuario::mostrarFoto);
    connect(&u, &Conjunto::estadoMudou, this, &TframeCadastroUsuario::mostrarFoto);
    connect(&u, &Conjunto::dadosMudaram, this, &TframeCadastroUsuario::mostrarFoto);
    connect(&m_dm, &TdmPORTARIS::MARCAR_HABILITADOS, this, &TframeCadastroUsuario::MARCAR_HABILITADOS);

    connect(btBUS, &QPushButton::clicked, this, &TframeCadastroUsuario::buscar);
    connect(gdLEI, &QTableWidget::cellDoubleClicked, this, [this] { alternarHabilitacao(); });
    connect(gdLEI, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        prepararMenuHab();
        pmHAB->popup(gdLEI->viewport()->mapToGlobal(p));
    });
    connect(miHAB, &QAction::triggered, this, [this] { habilitar(false); });
    connect(miHABMEM, &QAction::triggered, this, [this] { habilitar(true); });
    connect(miDES, &QAction::triggered, this, &TframeCadastroUsuario::desabilitar);

    connect(edCAR, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const bool editando = m_dm.setUSU.emEdicao();
        for (QAction* a : pmLEI->actions())
            a->setEnabled(editando);
        pmLEI->popup(edCAR->mapToGlobal(p));
    });
    connect(miCLIP, &QAction::triggered, this, [this] {
        const QString t = QGuiApplication::clipboard()->text();
        if (t.isEmpty() || !m_dm.setUSU.emEdicao()) return;
        edCAR->setText(t);
        edCAR->setModified(true);
        m_ligCAR->confirmar();
    });
    connect(imPIC, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        const bool editando = m_dm.setUSU.emEdicao();
        miAPA->setEnabled(editando);
        miARQ->setEnabled(editando);
        miCOLA->setEnabled(editando);
        miCAM->setEnabled(editando && capturarWebcam);
        pmPIC->popup(imPIC->mapToGlobal(p));
    });
    connect(miAPA, &QAction::triggered, this, &TframeCadastroUsuario::apagarFoto);
    connect(miARQ, &QAction::triggered, this, [this] {
        const QString f = QFileDialog::getOpenFileName(
            this, QString(), QString(),
            QStringLiteral("Foto em Bitmaps (*.bmp);;Foto em JPG (*.jpg);;Foto em JPEG (*.jpeg)"));
        if (!f.isEmpty()) carregarFotoArquivo(f);
    });
    connect(miCOLA, &QAction::triggered, this, &TframeCadastroUsuario::colarFoto);
    connect(miCAM, &QAction::triggered, this, [this] {
        if (!capturarWebcam || !m_dm.setUSU.emEdicao()) return;
        const QImage img = capturarWebcam();
        if (!img.isNull()) definirFoto(img);
    });
    mostrarFoto();
}

// Operations of the function column.

bool TframeCadastroUsuario::INCLUIR() {
    lsNOM->hide();
    edCAR->setFocus();
    m_dm.setUSU.inserir();
    return m_dm.setUSU.estado() == EstadoConjunto::Inserindo;
}

bool TframeCadastroUsuario::ALTERAR() {
    lsNOM->hide();
    if (!m_dm.setUSU.vazio()) {
        cbGRU->setFocus();
        m_dm.setUSU.editar();
    }
    return m_dm.setUSU.estado() == EstadoConjunto::Editando;
}

bool TframeCadastroUsuario::EXCLUIR() {
    lsNOM->hide();
    if (!m_dm.setUSU.vazio()) m_dm.setUSU.apagar();
    return m_dm.setUSU.estado() == EstadoConjunto::Navegando;
}

bool TframeCadastroUsuario::confirmarCampos() {
    for (Ligacao* l : m_ligacoes)
        if (!l->confirmar()) return false;
    return true;
}

bool TframeCadastroUsuario::GRAVAR() {
    if (!confirmarCampos()) return false;
    Conjunto& u = m_dm.setUSU;
    if (u.emEdicao() && u.texto(QStringLiteral("GRUPO")).isEmpty()) {
        MostrarMensagem(QStringLiteral("@!000ERRO grupo deve ser informado!"));
        return false;
    }
    try {
        u.gravar();
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    return u.estado() == EstadoConjunto::Navegando;
}

bool TframeCadastroUsuario::CANCELAR() {
    m_dm.setUSU.cancelar();
    return m_dm.setUSU.estado() == EstadoConjunto::Navegando;
}

// Lists filled by the main window.

void TframeCadastroUsuario::CARREGAR_LEITORAS() {
    struct Linha {
        QString descricao, chave;
    };
    QList<Linha> linhas;
    Conjunto& lei = m_dm.setLEI;
    for (int r = 0; lei.aberto() && r < lei.quantidade(); ++r)
        linhas << Linha{lei.texto(r, QStringLiteral("DESCRICAO")), lei.texto(r, QStringLiteral("CHAVE"))};
    Conjunto& l64 = m_dm.setLEI64;
    for (int r = 0; l64.aberto() && r < l64.quantidade(); ++r)
        linhas << Linha{l64.texto(r, QStringLiteral("DESCRICAO")) + QStringLiteral("•"),
                        l64.texto(r, QStringLiteral("CHAVE"))};
    Conjunto& cnl = m_dm.setCNL;
    for (int r = 0; cnl.aberto() && r < cnl.quantidade(); ++r)
        for (int p = 1; p <= 4; ++p) {
            const QString porta = cnl.texto(r, QStringLiteral("PORTA%1").arg(p, 2, 10, QLatin1Char('0')));
            if (porta.isEmpty()) continue;
            linhas << Linha{porta + QStringLiteral("©"),
                            cnl.texto(r, QStringLiteral("CHAVEP%1").arg(p, 2, 10, QLatin1Char('0')))};
        }
    gdLEI->clearContents();
    gdLEI->setRowCount(std::max<int>(1, static_cast<int>(linhas.size())));
    for (int r = 0; r < gdLEI->rowCount(); ++r)
        for (int c = 0; c < 4; ++c)
            gdLEI->setItem(r, c, new QTableWidgetItem);
    for (int r = 0; r < linhas.size(); ++r) {
        gdLEI->item(r, 0)->setText(linhas[r].descricao);
        gdLEI->item(r, 1)->setText(linhas[r].chave);
    }
    m_selecionada = 0;
    gdLEI->viewport()->update();
}

void TframeCadastroUsuario::MARCAR_HABILITADOS() {
    // Hundreds of cells change on every move: the grid is told once, at the end.
    const QSignalBlocker b(gdLEI->model());
    for (int r = 0; r < gdLEI->rowCount(); ++r)
        for (int c : {2, 3})
            if (auto* i = gdLEI->item(r, c)) i->setText(QString());
    Conjunto& u = m_dm.setUSU;
    if (u.aberto() && !u.vazio() && m_dm.qrHAB->aberto()) {
        QHash<QString, int> linhaDaChave;
        for (int r = gdLEI->rowCount() - 1; r >= 0; --r)
            if (auto* i = gdLEI->item(r, 1); i && !i->text().isEmpty()) linhaDaChave.insert(i->text(), r);
        const QString chave = u.texto(QStringLiteral("CHAVE"));
        Conjunto& q = *m_dm.qrHAB;
        for (int r = 0; r < q.quantidade(); ++r) {
            const int linha = linhaDaChave.value(q.texto(r, QStringLiteral("PLCHAVE")), -1);
            if (linha < 0) continue;
            gdLEI->item(linha, 2)->setText(chave);
            gdLEI->item(linha, 3)->setText(q.texto(r, QStringLiteral("PMEMORIZAR")));
        }
    }
    m_selecionada = 0;
    gdLEI->viewport()->update();
}

void TframeCadastroUsuario::CARREGAR_GRUPOS() {
    QStringList grupos;
    try {
        Comando c(m_dm.dbBANCO, QStringLiteral("SELECT DESCRICAO FROM GRUPOS ORDER BY DESCRICAO"));
        c.abrir();
        while (c.proximo())
            grupos << c.campo(0).toString();
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
        return;
    }
    const QSignalBlocker b(cbGRU);
    cbGRU->clear();
    cbGRU->addItems(grupos);
    const int i = m_dm.setUSU.aberto() ? cbGRU->findText(m_dm.setUSU.texto(QStringLiteral("GRUPO"))) : -1;
    cbGRU->setCurrentIndex(i);
}

void TframeCadastroUsuario::CARREGAR_TIPOS(const QString& arquivo) {
    QStringList tipos;
    QFile f(arquivo);
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&f);
        while (!in.atEnd())
            tipos << in.readLine();
    }
    const QSignalBlocker b(cbTIP);
    const QString atual = cbTIP->currentText();
    cbTIP->clear();
    cbTIP->addItems(tipos);
    cbTIP->setEditText(atual);
}

void TframeCadastroUsuario::definirControladoras(const QList<TControladora*>& controladoras) {
    m_controladoras = controladoras;
    ItensControladoras(pmLEI, m_itensControladora, controladoras, this,
                       [this](int cabeca) { cartaoDaControladora(cabeca); });
}

void TframeCadastroUsuario::cartaoDaControladora(int cabecaRef) {
    if (!m_dm.setUSU.emEdicao()) return;
    const QString cartao = LerUltimoCartao(m_controladoras, cabecaRef);
    if (cartao.isEmpty()) return;
    edCAR->setText(cartao);
    edCAR->setModified(true);
    m_ligCAR->confirmar();
}

// The readers grid.

bool TframeCadastroUsuario::podeMexerNaGrade() const {
    return !m_dm.EM_EDICAO() && m_dm.setUSU.aberto() && !m_dm.setUSU.vazio();
}

bool TframeCadastroUsuario::linhaValida() const {
    const auto* i = gdLEI->item(m_selecionada, 1);
    return i && !i->text().isEmpty();
}

void TframeCadastroUsuario::gravarHab(int linha, int memorizar) {
    Procedimento& p = m_dm.sp(QStringLiteral("HABILITADO_INSERIR"));
    p.definir(QStringLiteral("PUCHAVE"), m_dm.setUSU.valor(QStringLiteral("CHAVE")));
    p.definir(QStringLiteral("PLCHAVE"), gdLEI->item(linha, 1)->text().toInt());
    p.definir(QStringLiteral("PMEMORIZAR"), memorizar);
    Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
    gdLEI->item(linha, 3)->setText(QString::number(memorizar));
    gdLEI->item(linha, 2)->setText(m_dm.setUSU.texto(QStringLiteral("CHAVE")));
}

void TframeCadastroUsuario::apagarHab(int linha) {
    Procedimento& p = m_dm.sp(QStringLiteral("HABILITADO_APAGAR"));
    p.definir(QStringLiteral("PUCHAVE"), m_dm.setUSU.valor(QStringLiteral("CHAVE")));
    p.definir(QStringLiteral("PLCHAVE"), gdLEI->item(linha, 1)->text().toInt());
    Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
    gdLEI->item(linha, 2)->setText(QString());
    gdLEI->item(linha, 3)->setText(QStringLiteral("0"));
}

namespace {
int memorizadosNo(TdmPORTARIS& dm, int chave) {
    Procedimento& p = dm.sp(QStringLiteral("TEM_VAGA_NO_LEITOR"));
    p.definir(QStringLiteral("PLEITORA"), chave);
    p.executar();
    return p.saida(QStringLiteral("PCOUNT")).toInt();
}
} // namespace

// A row with no device (the single row of a station without devices) has nothing to toggle.
void TframeCadastroUsuario::alternarHabilitacao() {
    if (!podeMexerNaGrade() || !linhaValida()) return;
    Ampulheta a;
    gdLEI->setEnabled(false);
    Protegido([this] {
        const int r = m_selecionada;
        if (!gdLEI->item(r, 2)->text().isEmpty())
            apagarHab(r);
        else
            gravarHab(r, memorizadosNo(m_dm, gdLEI->item(r, 1)->text().toInt()) >= 60 ? 0 : 1);
    });
    gdLEI->setEnabled(true);
    gdLEI->viewport()->update();
}

void TframeCadastroUsuario::prepararMenuHab() {
    const bool pode = podeMexerNaGrade() && linhaValida();
    const bool vazio = pode && gdLEI->item(m_selecionada, 2)->text().isEmpty();
    miHAB->setEnabled(pode && vazio);
    miHABMEM->setEnabled(pode && vazio && gdLEI->item(m_selecionada, 3)->text() != QLatin1String("1"));
    miDES->setEnabled(pode && !vazio);
}

void TframeCadastroUsuario::habilitar(bool memorizar) {
    if (!podeMexerNaGrade() || !linhaValida()) return;
    Ampulheta a;
    gdLEI->setEnabled(false);
    Protegido([this, memorizar] {
        const int r = m_selecionada;
        int flag = 0;
        if (memorizar) {
            if (memorizadosNo(m_dm, gdLEI->item(r, 1)->text().toInt()) >= 60)
                MostrarMensagem(QStringLiteral("@!000ERRMemória da leitora esgotada!"));
            else
                flag = 1;
        }
        gravarHab(r, flag);
    });
    gdLEI->setEnabled(true);
    gdLEI->viewport()->update();
}

void TframeCadastroUsuario::desabilitar() {
    if (!podeMexerNaGrade() || !linhaValida()) return;
    Ampulheta a;
    gdLEI->setEnabled(false);
    Protegido([this] { apagarHab(m_selecionada); });
    gdLEI->setEnabled(true);
    gdLEI->viewport()->update();
}

// Weekly windows.

void TframeCadastroUsuario::copiarSegunda() {
    m_semana->CopiarSegunda();
}

// The photo.

void TframeCadastroUsuario::mostrarFoto() {
    QPixmap px;
    Conjunto& u = m_dm.setUSU;
    const bool temLinha = u.aberto() && (u.emEdicao() || (u.posicao() >= 0 && u.posicao() < u.quantidade()));
    if (temLinha) {
        try {
            QByteArray dados;
            if (u.emEdicao()) {
                dados = u.lerBlob(QStringLiteral("FOTO")).toByteArray();
            } else {
                // Prepared once: moving through the list reads one photo per holder.
                if (!m_qrFoto)
                    m_qrFoto = std::make_unique<Comando>(
                        m_dm.dbBANCO, QStringLiteral("SELECT FOTO FROM USUARIO WHERE CHAVE = :K"));
                m_qrFoto->definir(QStringLiteral("K"), u.valor(QStringLiteral("CHAVE")));
                m_qrFoto->abrir();
                if (m_qrFoto->proximo()) dados = m_qrFoto->campo(0).toByteArray();
                m_qrFoto->fechar();
            }
            if (!dados.isEmpty()) px.loadFromData(dados);
        } catch (const ErroBanco&) {
            m_qrFoto.reset();
        }
    }
    if (!px.isNull() && (px.width() > imPIC->width() || px.height() > imPIC->height()))
        px = px.scaled(imPIC->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    imPIC->setPixmap(px);
}

QImage TframeCadastroUsuario::AJUSTAR_FOTO(const QImage& foto) {
    if (foto.isNull()) return foto;
    const double fator = foto.height() > foto.width() ? 210.0 / foto.height() : 280.0 / foto.width();
    // Halves go to the even integer, as the rounding of the system does.
    const int l = static_cast<int>(std::nearbyint(foto.width() * fator));
    const int a = static_cast<int>(std::nearbyint(foto.height() * fator));
    return foto.scaled(std::max(1, l), std::max(1, a), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TframeCadastroUsuario::definirFoto(const QImage& img) {
    QByteArray bmp;
    if (!img.isNull()) {
        QBuffer b(&bmp);
        b.open(QIODevice::WriteOnly);
        img.convertToFormat(QImage::Format_RGB32).save(&b, "BMP");
    }
    Protegido(
        [&] { m_dm.setUSU.definirBlob(QStringLiteral("FOTO"), bmp.isEmpty() ? QVariant() : QVariant(bmp)); });
    mostrarFoto();
}

bool TframeCadastroUsuario::carregarFotoArquivo(const QString& arquivo) {
    if (!m_dm.setUSU.emEdicao()) return false;
    const QFileInfo info(arquivo);
    if (!info.isFile() || info.size() == 0) {
        MostrarMensagem(QStringLiteral("@!000ERRO arquivo escolhido está vazio ou não existe!"));
        return false;
    }
    if (info.size() > TamanhoMaximoFoto) {
        MostrarMensagem(
            QStringLiteral("@!000ERRO arquivo escolhido é grande demais para uma foto (limite de 20 MB)!"));
        return false;
    }
    QImageReader leitor(arquivo);
    const QImage img = leitor.read();
    if (img.isNull()) {
        MostrarMensagem(QStringLiteral("@!000ERRO arquivo escolhido não é uma foto BMP ou JPEG válida!"));
        return false;
    }
    const QImage ajustada = AJUSTAR_FOTO(img);
    // The clipboard keeps the last picture, as the copy-and-paste conversion always left it.
    QGuiApplication::clipboard()->setImage(ajustada);
    definirFoto(ajustada);
    return true;
}

void TframeCadastroUsuario::colarFoto() {
    if (!m_dm.setUSU.emEdicao()) return;
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    if (!m || !m->hasImage()) return;
    const QImage img = qvariant_cast<QImage>(m->imageData());
    if (img.isNull()) return;
    definirFoto(AJUSTAR_FOTO(img));
}

void TframeCadastroUsuario::apagarFoto() {
    if (m_dm.setUSU.emEdicao()) definirFoto(QImage());
}

// Name list and search.

void TframeCadastroUsuario::atualizarRotuloNome() {
    const Conjunto& u = m_dm.setUSU;
    const bool veiculo = u.aberto() && u.posicao() >= 0 && u.posicao() < u.quantidade() &&
                         m_dm.setUSU.texto(QStringLiteral("TIPO")).toUpper() == QStringLiteral("VEÍCULO");
    lbNOM->setText(veiculo ? QStringLiteral("Chapa") : QStringLiteral("Nome"));
}

void TframeCadastroUsuario::alternarListaNomes() {
    if (m_dm.setUSU.emEdicao()) return;
    if (lsNOM->isVisible()) {
        lsNOM->hide();
        return;
    }
    const QPoint p = edNOM->mapTo(this, QPoint(0, edNOM->height()));
    lsNOM->setGeometry(p.x(), p.y(), edNOM->width(), 135);
    const int r = m_modeloNomes->linhaAtual();
    if (r >= 0) {
        lsNOM->setCurrentIndex(m_modeloNomes->index(r, 0));
        lsNOM->scrollTo(lsNOM->currentIndex(), QAbstractItemView::PositionAtCenter);
    }
    lsNOM->raise();
    lsNOM->show();
    lsNOM->setFocus();
}

void TframeCadastroUsuario::escolherNome(int linha) {
    Protegido([&] { m_dm.setUSU.irPara(linha); });
    lsNOM->hide();
    edNOM->setFocus();
    atualizarRotuloNome();
}

void TframeCadastroUsuario::buscar() {
    lsNOM->hide();
    if (m_dm.EM_EDICAO() || !m_dm.setUSU.aberto() || m_dm.setUSU.vazio()) return;
    TfmBUSCA janela(
        m_dm, [this](qint64 chave) { return posicionar(chave); }, this);
    janela.adjustSize();
    QTimer::singleShot(0, &janela,
                       [&janela] { QCursor::setPos(janela.mapToGlobal(janela.rect().center())); });
    janela.exec();
}

// The holder is looked up directly rather than walked to one move at a time: the panel ends on the
// same holder (or on the last one when it is gone) without a refresh per holder passed.
bool TframeCadastroUsuario::posicionar(qint64 chave) {
    Conjunto& u = m_dm.setUSU;
    if (!u.aberto() || u.vazio()) return false;
    bool achou = false;
    setUpdatesEnabled(false);
    Protegido([&] {
        achou = u.localizar(QStringLiteral("CHAVE"), QVariant(static_cast<int>(chave)));
        if (!achou) u.ultimo();
    });
    setUpdatesEnabled(true);
    return achou;
}

bool TframeCadastroUsuario::eventFilter(QObject* obj, QEvent* e) {
    if (obj == edNOM && e->type() == QEvent::MouseButtonPress && !m_dm.setUSU.emEdicao()) {
        alternarListaNomes();
        return false;
    }
    if (obj == lsNOM && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Escape) {
            lsNOM->hide();
            return true;
        }
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && lsNOM->currentIndex().isValid()) {
            escolherNome(lsNOM->currentIndex().row());
            return true;
        }
    }
    if (obj == gdLEI->viewport() &&
        (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)) {
        if (m_dm.EM_EDICAO()) return true; // the grid cannot be selected while a record is open
        const int r = gdLEI->rowAt(static_cast<QMouseEvent*>(e)->position().toPoint().y());
        if (r >= 0) {
            m_selecionada = r;
            gdLEI->viewport()->update();
        }
    }
    return QFrame::eventFilter(obj, e);
}

} // namespace portaris
