#include "ModeloConjunto.h"

#include "Ligacoes.h"
#include "platform/Mensagens.h"

#include <QHeaderView>
#include <QLineEdit>

namespace portaris {

ModeloConjunto::ModeloConjunto(Conjunto& conjunto, QList<ColunaConjunto> colunas, QObject* parent)
    : QAbstractTableModel(parent), m_conjunto(conjunto), m_colunas(std::move(colunas)) {
    m_quantidade = m_conjunto.aberto() ? m_conjunto.quantidade() : 0;
    connect(&m_conjunto, &Conjunto::dadosMudaram, this, &ModeloConjunto::aoMudarDados);
    connect(&m_conjunto, &Conjunto::linhasLidas, this, &ModeloConjunto::aoLerLinhas);
    connect(&m_conjunto, &Conjunto::rolou, this, [this] { emit linhaAtualMudou(linhaAtual()); });
    connect(&m_conjunto, &Conjunto::estadoMudou, this, &ModeloConjunto::aoMudarEstado);
}

void ModeloConjunto::definirEditavel(bool sim) {
    m_editavel = sim;
    aoMudarEstado();
}

void ModeloConjunto::aoMudarEstado() {
    const bool novo = m_editavel && m_conjunto.estado() == EstadoConjunto::Inserindo;
    if (novo && !m_novo) {
        beginInsertRows({}, m_quantidade, m_quantidade);
        m_novo = true;
        endInsertRows();
    } else if (!novo && m_novo) {
        beginRemoveRows({}, m_quantidade, m_quantidade);
        m_novo = false;
        endRemoveRows();
    }
    const int r = linhaAtual();
    if (m_editavel && r >= 0) emit dataChanged(index(r, 0), index(r, columnCount() - 1));
    emit linhaAtualMudou(r);
}

bool ModeloConjunto::setData(const QModelIndex& i, const QVariant& valor, int role) {
    if (!m_editavel || role != Qt::EditRole || !i.isValid() || !m_conjunto.aberto()) return false;
    bool escrito = false;
    try {
        if (i.row() != linhaAtual()) m_conjunto.irPara(i.row());
        if (!m_conjunto.emEdicao()) m_conjunto.editar();
        m_conjunto.definirTexto(m_colunas[i.column()].campo, valor.toString());
        escrito = true;
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    const int r = linhaAtual();
    if (r >= 0) emit dataChanged(index(r, 0), index(r, columnCount() - 1));
    return escrito;
}

int ModeloConjunto::linhaAtual() const {
    if (!m_conjunto.aberto()) return -1;
    if (m_novo) return m_quantidade;
    const int p = m_conjunto.posicao();
    return p >= 0 && p < m_quantidade ? p : -1;
}

int ModeloConjunto::coluna(const QString& campo) const {
    for (int i = 0; i < m_colunas.size(); ++i)
        if (m_colunas[i].campo.compare(campo, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// The dataset tells only that its rows changed, after the fact. Its operations leave a trace to
// tell them apart: saving a new record appends one row, deleting removes the current row (its
// position still names the removed row when the signal comes), saving an edit keeps the count.
// Everything else (open, close, reload) is a reset.
void ModeloConjunto::aoMudarDados() {
    const int n = m_conjunto.aberto() ? m_conjunto.quantidade() : 0;
    const int antes = m_quantidade;
    if (m_conjunto.aberto() && n == antes + 1) {
        beginInsertRows({}, antes, antes);
        m_quantidade = n;
        endInsertRows();
    } else if (m_conjunto.aberto() && n == antes - 1 && m_conjunto.posicao() >= 0 &&
               m_conjunto.posicao() < antes) {
        // The views still see the old rows while the removal is announced: rows after the removed
        // one are read one place earlier in the dataset.
        const int r = m_conjunto.posicao();
        m_removendo = r;
        beginRemoveRows({}, r, r);
        m_removendo = -1;
        m_quantidade = n;
        endRemoveRows();
    } else if (m_conjunto.aberto() && n == antes) {
        if (n > 0) emit dataChanged(index(0, 0), index(n - 1, columnCount() - 1));
    } else {
        beginResetModel();
        m_quantidade = n;
        endResetModel();
    }
    emit linhaAtualMudou(linhaAtual());
}

void ModeloConjunto::aoLerLinhas(int primeira, int ultima) {
    if (primeira != m_quantidade) { // not the rows the views know followed by new ones
        aoMudarDados();
        return;
    }
    beginInsertRows({}, primeira, ultima);
    m_quantidade = ultima + 1;
    endInsertRows();
}

bool ModeloConjunto::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && m_conjunto.aberto() && m_conjunto.haMaisLinhas();
}

void ModeloConjunto::fetchMore(const QModelIndex& parent) {
    if (parent.isValid()) return;
    try {
        m_conjunto.lerMaisLinhas(std::max(m_conjunto.pagina(), 1));
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
}

int ModeloConjunto::linhaConjunto(int linhaModelo) const {
    if (m_removendo < 0) return linhaModelo;
    if (linhaModelo == m_removendo) return -1;
    return linhaModelo > m_removendo ? linhaModelo - 1 : linhaModelo;
}

int ModeloConjunto::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_quantidade + (m_novo ? 1 : 0);
}

int ModeloConjunto::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_colunas.size());
}

QVariant ModeloConjunto::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    // The record being inserted or edited shows its edit buffer.
    if (m_editavel && m_conjunto.emEdicao()) {
        const bool buffer = m_conjunto.estado() == EstadoConjunto::Inserindo
                                ? m_novo && index.row() == m_quantidade
                                : index.row() == m_conjunto.posicao();
        if (buffer) return m_conjunto.texto(m_colunas[index.column()].campo);
    }
    const int linha = linhaConjunto(index.row());
    if (linha < 0 || !m_conjunto.aberto()) return {};
    return m_conjunto.texto(linha, m_colunas[index.column()].campo);
}

QVariant ModeloConjunto::headerData(int section, Qt::Orientation o, int role) const {
    // Titles only: a size hint here would also set the title row's height. Widths belong to the grid.
    if (o == Qt::Horizontal && section >= 0 && section < m_colunas.size() && role == Qt::DisplayRole)
        return m_colunas[section].titulo;
    return QAbstractTableModel::headerData(section, o, role);
}

Qt::ItemFlags ModeloConjunto::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    const Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    return m_editavel ? f | Qt::ItemIsEditable : f;
}

void aplicarCoresRegistros(QAbstractItemView* v) {
    QPalette p = v->palette();
    p.setColor(QPalette::Base, QColor(255, 255, 196));
    p.setColor(QPalette::AlternateBase, QColor(255, 255, 136));
    p.setColor(QPalette::Highlight, QColor(192, 192, 192));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Inactive, QPalette::Highlight, QColor(192, 192, 192));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    v->setPalette(p);
    v->setAlternatingRowColors(true);
    v->setItemDelegate(new DelegadoRegistros(v));
}

void DelegadoRegistros::initStyleOption(QStyleOptionViewItem* o, const QModelIndex& i) const {
    QStyledItemDelegate::initStyleOption(o, i);
    o->font.setFamily(QStringLiteral("Arial"));
    o->font.setPointSize(9);
    o->font.setBold(o->state & QStyle::State_Selected);
}

namespace {
QString mascaraDaCelula(const QModelIndex& i) {
    const auto* m = qobject_cast<const ModeloConjunto*>(i.model());
    if (!m || i.column() < 0 || i.column() >= m->colunas().size()) return {};
    try {
        return m->conjunto().campo(m->colunas()[i.column()].campo).mascara;
    } catch (const ErroBanco&) {
        return {};
    }
}
} // namespace

QWidget* DelegadoRegistros::createEditor(QWidget* pai, const QStyleOptionViewItem& o,
                                         const QModelIndex& i) const {
    const QString mascara = mascaraDaCelula(i);
    if (mascara.isEmpty()) return QStyledItemDelegate::createEditor(pai, o, i);
    auto* e = new QLineEdit(pai);
    e->setFrame(false);
    e->setInputMask(MascaraQt(mascara));
    CliqueMascara::instalar(e);
    TeclasMascara::instalar(e);
    return e;
}

void DelegadoRegistros::setEditorData(QWidget* editor, const QModelIndex& i) const {
    auto* e = qobject_cast<QLineEdit*>(editor);
    if (e && !e->inputMask().isEmpty()) {
        e->setText(i.data(Qt::DisplayRole).toString());
        e->setCursorPosition(0);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, i);
}

GradeConjunto::GradeConjunto(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    // The record lists draw no indicator column: no row numbers beside the rows.
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    // Titles start where their column's text starts, so a wide column cut at the grid's edge still
    // shows its title.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void GradeConjunto::definirModelo(ModeloConjunto* modelo) {
    m_modelo = modelo;
    setModel(modelo);
    if (!modelo) return;
    for (int c = 0; c < modelo->colunas().size(); ++c)
        if (modelo->colunas()[c].largura > 0) setColumnWidth(c, modelo->colunas()[c].largura);
    connect(modelo, &ModeloConjunto::linhaAtualMudou, this, &GradeConjunto::mostrarAtual);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& atual) { aoEscolher(atual); });
    mostrarAtual();
}

void GradeConjunto::definirEditavel(bool sim) {
    if (m_modelo) m_modelo->definirEditavel(sim);
    setSelectionBehavior(sim ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    setEditTriggers(sim ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked
                        : QAbstractItemView::NoEditTriggers);
}

void GradeConjunto::mostrarAtual() {
    if (!m_modelo) return;
    const int linha = m_modelo->linhaAtual();
    m_sincronizando = true;
    if (linha < 0) {
        selectionModel()->clearSelection();
    } else {
        const QModelIndex i = m_modelo->index(linha, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(i);
    }
    m_sincronizando = false;
}

// The operator picked a row: the dataset follows. Leaving a record being edited saves it first,
// which a rule or the database may refuse; the grid then goes back to the dataset's row.
void GradeConjunto::aoEscolher(const QModelIndex& atual) {
    if (m_sincronizando || !m_modelo || !atual.isValid()) return;
    if (atual.row() >= m_modelo->conjunto().quantidade()) return; // the record being inserted
    try {
        m_modelo->conjunto().irPara(atual.row());
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    if (m_modelo && m_modelo->linhaAtual() != atual.row())
        QMetaObject::invokeMethod(this, &GradeConjunto::mostrarAtual, Qt::QueuedConnection);
}

} // namespace portaris
