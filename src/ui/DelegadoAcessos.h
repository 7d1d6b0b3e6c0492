#pragma once
#include <QStyledItemDelegate>

namespace portaris {

// Paints the grids of accesses: Arial 9 pt, the selected row silver and bold, the others pale
// yellow or yellow by record number (the first record is odd), "Não" in red in "Autorizado".
class DelegadoAcessos : public QStyledItemDelegate {
public:
    explicit DelegadoAcessos(int colunaAutorizado, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), m_colunaAutorizado(colunaAutorizado) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opcao, const QModelIndex& index) const override;

    static QColor fundo(int linha, bool selecionada);
    void definirColunaAutorizado(int coluna) { m_colunaAutorizado = coluna; }

private:
    int m_colunaAutorizado;
};

} // namespace portaris
