#include "TfmHABILITAR_LISTA.h"

#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace portaris {

namespace {

struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { QApplication::restoreOverrideCursor(); }
};

// Header row grey and bold; data rows white (odd) and yellow (even), the current row darker, bold.
class DelegadoLista : public QStyledItemDelegate {
public:
    DelegadoLista(QTableView* grade) : QStyledItemDelegate(grade), m_grade(grade) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const int r = i.row();
        const bool atual = r > 0 && m_grade->currentIndex().row() == r;
        QColor fundo;
        if (r == 0)
            fundo = QColor(192, 192, 192);
        else if (r % 2 == 1)
            fundo = atual ? QColor(223, 223, 223) : QColor(255, 255, 255);
        else
            fundo = atual ? QColor(255, 255, 113) : QColor(255, 255, 196);
        p->save();
        p->fillRect(o.rect, fundo);
        QFont f(QStringLiteral("Arial"), 9);
        f.setBold(r == 0 || atual);
        p->setFont(f);
        p->setPen(Qt::black);
        p->drawText(o.rect.adjusted(2, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, i.data().toString());
        p->restore();
    }

private:
    QTableView* m_grade;
};

const ModeloHabilitarLista::Linha kCabecalho{QStringLiteral("Usuários"), QStringLiteral("Habilitado"),
                                             QStringLiteral("ID Usuário")};

} // namespace

void ModeloHabilitarLista::definir(QVector<Linha> linhas) {
    beginResetModel();
    m_linhas = std::move(linhas);
    endResetModel();
}

void ModeloHabilitarLista::alternar(int linha) {
    if (linha < 1 || linha >= m_linhas.size() || m_linhas[linha].nome.isEmpty()) return;
    QString& h = m_linhas[linha].habilitado;
    h = h == QLatin1String("Sim") ? QStringLiteral("Não") : QStringLiteral("Sim");
    emit dataChanged(index(linha, 1), index(linha, 1));
}

QVariant ModeloHabilitarLista::data(const QModelIndex& i, int role) const {
    if (!i.isValid() || role != Qt::DisplayRole) return {};
    const Linha& l = m_linhas[i.row()];
    switch (i.column()) {
    case 0:
        return l.nome;
    case 1:
        return l.habilitado;
    default:
        return l.chave;
    }
}

Qt::ItemFlags ModeloHabilitarLista::flags(const QModelIndex& i) const {
    return i.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                       : Qt::NoItemFlags;
}

TfmHABILITAR_LISTA::TfmHABILITAR_LISTA(TdmPORTARIS& dm, bool ativa, int chave, const QString& cabeca,
                                       const QString& descricao, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_ativa(ativa), m_chave(chave), m_cabeca(cabeca) {
    setObjectName(QStringLiteral("fmHABILITAR_LISTA"));
    setWindowTitle(QStringLiteral("Habilitar usuários para a leitora selecionada"));
    lbIDE = new QLabel(cabeca);
    lbLEI = new QLabel(descricao);
    for (QLabel* l : {lbIDE, lbLEI}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    m_modelo = new ModeloHabilitarLista(this);
    m_modelo->definir({kCabecalho});
    gdUSU = new QTableView;
    gdUSU->setObjectName(QStringLiteral("gdUSU"));
    gdUSU->setModel(m_modelo);
    gdUSU->setItemDelegate(new DelegadoLista(gdUSU));
    gdUSU->horizontalHeader()->hide();
    gdUSU->verticalHeader()->hide();
    gdUSU->verticalHeader()->setDefaultSectionSize(20);
    gdUSU->setColumnWidth(0, 458);
    gdUSU->setColumnWidth(1, 64);
    gdUSU->setColumnWidth(2, 121);
    gdUSU->setSelectionMode(QAbstractItemView::NoSelection);
    gdUSU->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gdUSU->setMinimumSize(458 + 64 + 121 + 24, 380);
    gdUSU->setToolTip(QStringLiteral("   Selecione um usuário e dê duplo-clique ou pressione a barra \n"
                                     "de espaço para habilitar/desabilitar o usuário selecionado."));
    gdUSU->installEventFilter(this);
    connect(gdUSU, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { Alternar(i.row()); });
    connect(gdUSU->selectionModel(), &QItemSelectionModel::currentRowChanged, gdUSU->viewport(),
            qOverload<>(&QWidget::update));

    btAPL = new QPushButton(QStringLiteral("Aplicar"));
    btCAN = new QPushButton(QStringLiteral("Cancelar"));
    btTXT = new QPushButton(QStringLiteral("Gerar TXT"));
    btTXT->setToolTip(QStringLiteral("Salva em um arquivo TXT a lista."));
    connect(btAPL, &QPushButton::clicked, this, &TfmHABILITAR_LISTA::Aplicar);
    connect(btCAN, &QPushButton::clicked, this, &QDialog::reject);
    connect(btTXT, &QPushButton::clicked, this, [this] {
        QFileDialog d(this, QStringLiteral("Salvar lista"));
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix(QStringLiteral("txt"));
        if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
            GerarTXT(d.selectedFiles().first());
    });

    auto* topo = new QGridLayout;
    topo->addWidget(new QLabel(QStringLiteral("Identificação")), 0, 0);
    topo->addWidget(lbIDE, 1, 0);
    topo->addWidget(new QLabel(QStringLiteral("Leitora")), 0, 1);
    topo->addWidget(lbLEI, 1, 1);
    topo->setColumnStretch(1, 1);
    auto* botoes = new QHBoxLayout;
    botoes->addWidget(btTXT);
    botoes->addStretch();
    botoes->addWidget(btAPL);
    botoes->addWidget(btCAN);
    auto* v = new QVBoxLayout(this);
    v->addLayout(topo);
    v->addWidget(gdUSU, 1);
    v->addLayout(botoes);
}

void TfmHABILITAR_LISTA::Abrir(TdmPORTARIS& dm, bool ativa, int chave, const QString& cabeca,
                               const QString& descricao, QWidget* parent) {
    auto* w = new TfmHABILITAR_LISTA(dm, ativa, chave, cabeca, descricao, parent);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->exec();
}

void TfmHABILITAR_LISTA::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!m_preenchida) Preencher();
}

// One statement lists every holder with their state on the reader; the per-holder check of the
// reader's kind (CA_HLEI / CA_HLEI64) asks the same question of the same enabling table.
void TfmHABILITAR_LISTA::Preencher() {
    m_preenchida = true;
    Ampulheta a;
    QVector<ModeloHabilitarLista::Linha> linhas{kCabecalho};
    try {
        Comando c(m_dm.dbBANCO,
                  QStringLiteral("SELECT PCHAVE, PNOME, PHABILITADO FROM HABILITAR_LISTA_LER(:R)"));
        c.definir(QStringLiteral("R"), m_chave);
        c.abrir();
        while (c.proximo()) {
            const qint64 k = c.campo(0).toLongLong();
            linhas.append(
                {c.campo(1).toString(),
                 k > 0 ? (c.campo(2).toInt() > 0 ? QStringLiteral("Sim") : QStringLiteral("Não")) : QString(),
                 QString::number(k)});
        }
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    m_modelo->definir(std::move(linhas));
}

void TfmHABILITAR_LISTA::Alternar(int linha) {
    m_modelo->alternar(linha);
}

bool TfmHABILITAR_LISTA::eventFilter(QObject* obj, QEvent* e) {
    if (obj == gdUSU && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
        Alternar(gdUSU->currentIndex().row());
        return true;
    }
    return QDialog::eventFilter(obj, e);
}

namespace {

// The window's rows go to the server packed, a few thousand per call: "key" + S/N, ";" between.
void aplicarLista(TdmPORTARIS& dm, int leitora, const QVector<QPair<int, int>>& linhas) {
    // The parameter holds 32000 characters, but a UTF8 connection describes it with 4 bytes each.
    constexpr int limite = 8000;
    Procedimento& p = dm.sp(QStringLiteral("HABILITAR_LISTA_APLICAR"));
    QString lista;
    auto enviar = [&] {
        if (lista.isEmpty()) return;
        p.definir(QStringLiteral("PLCHAVE"), leitora);
        p.definir(QStringLiteral("PLISTA"), lista);
        p.executar();
        lista.clear();
    };
    for (const auto& [chave, sim] : linhas) {
        const QString item = QString::number(chave) + (sim ? u'S' : u'N');
        if (lista.size() + item.size() + 1 > limite) enviar();
        if (!lista.isEmpty()) lista += u';';
        lista += item;
    }
    enviar();
}

} // namespace

void TfmHABILITAR_LISTA::Aplicar() {
    if (m_dm.EM_EDICAO()) return;
    btAPL->setEnabled(false);
    btCAN->setEnabled(false);
    {
        Ampulheta a;
        QVector<QPair<int, int>> escolhas;
        const auto& linhas = m_modelo->linhas();
        escolhas.reserve(linhas.size());
        for (int r = 1; r < linhas.size(); ++r) {
            bool ok = false;
            const int k = linhas[r].chave.toInt(&ok);
            if (linhas[r].nome.isEmpty() || !ok || k <= 0) continue;
            escolhas.append({k, linhas[r].habilitado == QLatin1String("Sim") ? 1 : 0});
        }
        try {
            // The whole list or none of it, across every piece it is sent in.
            Unidade::gravar(m_dm.dbBANCO, [&] { aplicarLista(m_dm, m_chave, escolhas); });
        } catch (const ErroBanco& e) {
            MostrarMensagem(e.texto());
            btAPL->setEnabled(true);
            btCAN->setEnabled(true);
            return;
        }
    }
    accept();
}

bool TfmHABILITAR_LISTA::GerarTXT(const QString& arquivo) {
    QByteArray texto;
    for (const auto& l : m_modelo->linhas())
        texto += (l.nome + QStringLiteral(" - ") + l.habilitado).toUtf8() + "\r\n";
    QFile f(arquivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(texto) != texto.size()) {
        MostrarMensagem(QStringLiteral("@!000ERRNão foi possível gravar o arquivo %1!").arg(arquivo));
        return false;
    }
    return true;
}

} // namespace portaris
