#include "TframeFeriados.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

#include <QDate>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace portaris {

using namespace componentes;

namespace {

const QStringList kCabecalho = {QStringLiteral("Dom."), QStringLiteral("Seg."), QStringLiteral("Ter."),
                                QStringLiteral("Qua."), QStringLiteral("Qui."), QStringLiteral("Sex."),
                                QStringLiteral("Sáb.")};

// Header row black on grey, holidays yellow on red, every other cell black on white.
class PinturaMes : public QStyledItemDelegate {
public:
    PinturaMes(const TframeFeriados& pagina, int mes, QObject* pai)
        : QStyledItemDelegate(pai), m_pagina(pagina), m_mes(mes) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const QString t = i.data().toString();
        QColor fundo = Qt::white, texto = Qt::black;
        int margem = 5;
        if (i.row() == 0) {
            fundo = QColor(192, 192, 192);
            margem = 2;
        } else if (!t.isEmpty() && m_pagina.EhFeriado(t.toInt(), m_mes)) {
            fundo = QColor(255, 0, 0);
            texto = QColor(255, 255, 0);
        }
        p->save();
        p->fillRect(o.rect, fundo);
        p->setPen(texto);
        p->setFont(o.font);
        p->drawText(o.rect.adjusted(margem, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, t);
        p->restore();
    }

private:
    const TframeFeriados& m_pagina;
    int m_mes;
};

} // namespace

QStringList TframeFeriados::meses() {
    return {QStringLiteral("Janeiro"), QStringLiteral("Fevereiro"), QStringLiteral("Março"),
            QStringLiteral("Abril"),   QStringLiteral("Maio"),      QStringLiteral("Junho"),
            QStringLiteral("Julho"),   QStringLiteral("Agosto"),    QStringLiteral("Setembro"),
            QStringLiteral("Outubro"), QStringLiteral("Novembro"),  QStringLiteral("Dezembro")};
}

TframeFeriados::TframeFeriados(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsFERIADOS"));
    pintarFundo(this, CorPagina);
    auto* rolagem = new QScrollArea(this);
    rolagem->setFrameShape(QFrame::NoFrame);
    rolagem->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* area = new QWidget;
    pintarFundo(area, CorPagina);
    const QFont fonte(QStringLiteral("Arial"), 8);
    for (int m = 0; m < 12; ++m) {
        const int x = 10 + (m % 3) * 200, y = 8 + (m / 3) * 140;
        rotulo(area, meses()[m], x, y);
        auto* g = new QTableWidget(7, 7, area);
        g->setObjectName(QStringLiteral("gdMES%1").arg(m + 1));
        g->setFont(fonte);
        g->horizontalHeader()->hide();
        g->verticalHeader()->hide();
        g->horizontalHeader()->setMinimumSectionSize(10);
        g->verticalHeader()->setMinimumSectionSize(10);
        for (int i = 0; i < 7; ++i) {
            g->setColumnWidth(i, 26);
            g->setRowHeight(i, 16);
        }
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setGeometry(x, y + 16, 7 * 26 + 2 * g->frameWidth(), 7 * 16 + 2 * g->frameWidth());
        g->setItemDelegate(new PinturaMes(*this, m + 1, g));
        g->viewport()->installEventFilter(this);
        connect(g, &QTableWidget::cellDoubleClicked, this,
                [this, m](int l, int c) { Alternar(m + 1, l, c); });
        gdMES[m] = g;
    }
    area->setMinimumSize(610, 8 + 4 * 140);
    rolagem->setWidget(area);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(rolagem);
}

void TframeFeriados::Carregar(int ano) {
    for (int m = 0; m < 12; ++m) {
        QTableWidget* g = gdMES[m];
        g->clearContents();
        for (int c = 0; c < 7; ++c)
            g->setItem(0, c, new QTableWidgetItem(kCabecalho[c]));
        const QDate primeiro(ano, m + 1, 1);
        int linha = 1, coluna = primeiro.dayOfWeek() % 7; // Sunday first
        for (int d = 1; d <= primeiro.daysInMonth(); ++d) {
            g->setItem(linha, coluna, new QTableWidgetItem(QString::number(d)));
            if (++coluna == 7) {
                coluna = 0;
                ++linha;
            }
        }
    }
    std::fill(&m_feriado[0][0], &m_feriado[0][0] + 12 * 31, false);
    if (!m_dm.conectado()) return;
    Protegido([this] {
        Comando c(m_dm.dbBANCO, QStringLiteral("SELECT MES,DIA FROM FERIADOS\nORDER BY MES,DIA"));
        c.abrir();
        while (c.proximo()) {
            const int mes = c.campo(0).toInt(), dia = c.campo(1).toInt();
            if (mes >= 1 && mes <= 12 && dia >= 1 && dia <= 31) m_feriado[mes - 1][dia - 1] = true;
        }
    });
    for (QTableWidget* g : gdMES)
        g->viewport()->update();
}

bool TframeFeriados::EhFeriado(int dia, int mes) const {
    if (mes < 1 || mes > 12 || dia < 1 || dia > 31) return false;
    return m_feriado[mes - 1][dia - 1];
}

void TframeFeriados::Alternar(int mes, int linha, int coluna) {
    if (m_dm.EM_EDICAO() || mes < 1 || mes > 12 || linha < 1) return;
    QTableWidget* g = gdMES[mes - 1];
    const QTableWidgetItem* item = g->item(linha, coluna);
    if (!item || item->text().isEmpty()) return;
    const int dia = item->text().toInt();
    Ampulheta ampulheta;
    g->setEnabled(false);
    Protegido([&] {
        const bool era = m_feriado[mes - 1][dia - 1];
        Procedimento& p = m_dm.sp(era ? QStringLiteral("FERIADO_APAGAR") : QStringLiteral("FERIADO_INSERIR"));
        p.definir(QStringLiteral("PDIA"), dia);
        p.definir(QStringLiteral("PMES"), mes);
        if (!era) p.definir(QStringLiteral("PDES"), QStringLiteral("sem comentários"));
        Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
        m_feriado[mes - 1][dia - 1] = !era;
    });
    g->setEnabled(true);
    ampulheta.restaurar();
    g->viewport()->update();
}

// Choosing a cell is refused while a record is open.
bool TframeFeriados::eventFilter(QObject* o, QEvent* e) {
    if ((e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) &&
        m_dm.EM_EDICAO())
        return true;
    return QWidget::eventFilter(o, e);
}

} // namespace portaris
