#pragma once
// Grids read datasets through this model; nothing is copied, each cell is read from the dataset.
//
//   ModeloConjunto m(dm.setACE, {{"HORA", "Hora", 72}, {"NOME", "Pessoa"}});
//   GradeConjunto g; g.definirModelo(&m);   // selects and shows the dataset's current row
#include "db/Conjunto.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

namespace portaris {

struct ColunaConjunto {
    QString campo;
    QString titulo;
    int largura = -1; // pixels, set by GradeConjunto; -1 leaves the view's default
};

class ModeloConjunto : public QAbstractTableModel {
    Q_OBJECT
public:
    ModeloConjunto(Conjunto& conjunto, QList<ColunaConjunto> colunas, QObject* parent = nullptr);

    Conjunto& conjunto() const { return m_conjunto; }
    const QList<ColunaConjunto>& colunas() const { return m_colunas; }
    // The dataset's current row as a model row; -1 when there is none.
    int linhaAtual() const;
    int coluna(const QString& campo) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Editable models write a cell through the field's validator, starting the edit of its row;
    // while the dataset inserts, the new record shows as a last row.
    void definirEditavel(bool sim);
    bool editavel() const { return m_editavel; }
    bool setData(const QModelIndex& index, const QVariant& valor, int role = Qt::EditRole) override;
    // A dataset read a page at a time grows as the views scroll down.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    void linhaAtualMudou(int linha);

private:
    void aoMudarDados();
    void aoLerLinhas(int primeira, int ultima);
    void aoMudarEstado();
    int linhaConjunto(int linhaModelo) const;

    Conjunto& m_conjunto;
    QList<ColunaConjunto> m_colunas;
    int m_quantidade = 0; // rows as the views know them
    EstadoConjunto m_estadoAnterior;
    int m_removendo = -1; // while a removal is announced: the row already gone in the dataset
    bool m_editavel = false;
    bool m_novo = false; // the views show the record being inserted as row m_quantidade
};

// Lists of records on the registration and configuration panels: rows alternate light yellows
// (255, 255, 196) and (255, 255, 136), the selected row grey (192, 192, 192) in bold, Arial 9.
class DelegadoRegistros : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A field with an input mask is edited in a cell with that mask and the keys of a masked field.
    QWidget* createEditor(QWidget* pai, const QStyleOptionViewItem& o, const QModelIndex& i) const override;
    void setEditorData(QWidget* editor, const QModelIndex& i) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* o, const QModelIndex& i) const override;
};
void aplicarCoresRegistros(QAbstractItemView* v);

// A read-only grid over a ModeloConjunto: a row of titles the operator drags to resize the columns,
// no row numbers, whole rows, the dataset's current row selected and shown; a row the operator
// picks becomes the dataset's current row.
class GradeConjunto : public QTableView {
    Q_OBJECT
public:
    explicit GradeConjunto(QWidget* parent = nullptr);
    void definirModelo(ModeloConjunto* modelo);
    ModeloConjunto* modelo() const { return m_modelo; }
    // Cells edited in place (the model becomes editable).
    void definirEditavel(bool sim);

private:
    void mostrarAtual();
    void aoEscolher(const QModelIndex& atual);

    QPointer<ModeloConjunto> m_modelo;
    bool m_sincronizando = false;
};

} // namespace portaris
