#include "TframeControleAcesso.h"

#include "ui/Ligacoes.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

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

TframeControleAcesso::TframeControleAcesso(Conjunto& setACE, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frameControleAcesso"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);

    auto* topo = new QWidget;
    topo->setObjectName(QStringLiteral("pnTOPO"));
    auto* g = new QGridLayout(topo);
    QFont grande(QStringLiteral("Arial"));
    grande.setPixelSize(16);
    grande.setBold(true);
    const QList<std::pair<QString, QString>> campos = {
        {QStringLiteral("CARTAO"), QStringLiteral("Cartão")},
        {QStringLiteral("GRUPO"), QStringLiteral("Grupo")},
        {QStringLiteral("TIPO"), QStringLiteral("Tipo")},
        {QStringLiteral("NOME"), QStringLiteral("Nome")},
        {QStringLiteral("ORIGEM"), QStringLiteral("Origem")},
        {QStringLiteral("DESTINO"), QStringLiteral("Destino")}};
    for (int i = 0; i < campos.size(); ++i) {
        auto* rotulo = new QLabel(campos[i].second);
        auto* ed = new QLineEdit;
        ed->setObjectName(QStringLiteral("ed") + campos[i].first);
        ed->setFont(grande);
        ed->setFocusPolicy(Qt::NoFocus);
        auto* lig = new LigacaoEdit(setACE, campos[i].first, ed);
        lig->definirSomenteLeitura(true);
        m_campos.insert(campos[i].first, ed);
        // Two columns of three: card, group, type on the left; name, origin, destination on the right.
        const int linha = (i % 3) * 2, coluna = i / 3;
        g->addWidget(rotulo, linha, coluna);
        g->addWidget(ed, linha + 1, coluna);
    }
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 2);
    v->addWidget(topo);

    m_modelo = new ModeloConjunto(setACE,
                                  {{QStringLiteral("HORA"), QStringLiteral("Hora"), 72},
                                   {QStringLiteral("AUTORIZADO"), QStringLiteral("Autorizado"), 70},
                                   {QStringLiteral("NOME"), QStringLiteral("Pessoa"), 220},
                                   {QStringLiteral("LEITORA"), QStringLiteral("Leitora"), 160},
                                   {QStringLiteral("NOTA"), QStringLiteral("Comentário Portaris"), 200},
                                   {QStringLiteral("NOTA2"), QStringLiteral("Observações"), 282}},
                                  this);
    m_grade = new GradeConjunto;
    m_grade->setObjectName(QStringLiteral("gdACE"));
    m_grade->setAccessibleName(QStringLiteral("Acessos"));
    m_grade->setItemDelegate(new DelegadoAcessos(1, m_grade));
    QFont fonte(QStringLiteral("Arial"));
    fonte.setPointSize(9);
    m_grade->setFont(fonte);
    m_grade->definirModelo(m_modelo);
    v->addWidget(m_grade, 1);
}

QLineEdit* TframeControleAcesso::campo(const QString& nome) const {
    return m_campos.value(nome.toUpper());
}

} // namespace portaris
