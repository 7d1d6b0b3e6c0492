#include "DelegadoAcessos.h"

#include <QPainter>

namespace portaris {

QColor DelegadoAcessos::fundo(int linha, bool selecionada) {
    if (selecionada) return QColor(192, 192, 192);
    // Record numbers count from 1: the first row is odd.
    return (linha + 1) % 2 == 1 ? QColor(255, 255, 196) : QColor(255, 255, 136);
}

void DelegadoAcessos::paint(QPainter* p, const QStyleOptionViewItem& opcao, const QModelIndex& index) const {
    const bool selecionada = opcao.state & QStyle::State_Selected;
    QFont fonte(QStringLiteral("Arial"));
    fonte.setPointSize(9);
    fonte.setBold(selecionada);
    const QString texto = index.data(Qt::DisplayRole).toString();
    QColor cor = Qt::black;
    if (index.column() == m_colunaAutorizado && texto == QStringLiteral("Não")) cor = QColor(255, 0, 0);

    p->save();
    p->fillRect(opcao.rect, fundo(index.row(), selecionada));
    p->setFont(fonte);
    p->setPen(cor);
    const QRect area = opcao.rect.adjusted(2, 0, -2, 0);
    p->drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                QFontMetrics(fonte).elidedText(texto, Qt::ElideRight, area.width()));
    p->restore();
}

} // namespace portaris
