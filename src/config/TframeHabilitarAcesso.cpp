#include "TframeHabilitarAcesso.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "ui/ModeloConjunto.h"
#include "ui/Protegido.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

namespace portaris {

using namespace componentes;

namespace {

// Pale yellow rows, the selected one silver in bold, this station's readers red in their column.
class PinturaLeitoras : public QStyledItemDelegate {
public:
    PinturaLeitoras(const TframeHabilitarAcesso& pagina, int colunaSerial, QObject* pai)
        : QStyledItemDelegate(pai), m_pagina(pagina), m_coluna(colunaSerial) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const bool selecionada = o.state & QStyle::State_Selected;
        QFont f(QStringLiteral("Arial"), 9);
        f.setBold(selecionada);
        QColor fundo = selecionada ? QColor(192, 192, 192)
                                   : (i.row() % 2 == 0 ? QColor(255, 255, 196) : QColor(255, 255, 136));
        const QString t = i.data().toString();
        const bool local = i.column() == m_coluna && !m_pagina.estacao.isEmpty() && t == m_pagina.estacao;
        p->save();
        p->fillRect(o.rect, fundo);
        p->setFont(f);
        p->setPen(local ? QColor(255, 0, 0) : QColor(0, 0, 0));
        p->drawText(o.rect.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, t);
        p->restore();
    }

private:
    const TframeHabilitarAcesso& m_pagina;
    int m_coluna;
};

} // namespace

TframeHabilitarAcesso::TframeHabilitarAcesso(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsHABILITAR"));
    pintarFundo(this, CorPagina);
    setToolTip(QStringLiteral("Duplo clique para selecionar usuários"));
    const QString dica = QStringLiteral(" Duplo clique para selecionar usuários ou botão da \n"
                                        "direita do mouse para atribuir ao compuatdor local\n"
                                        "a leitora selecionada.");
    rotulo(this, QStringLiteral("Leitoras modelo QX71 (duplo clique habilita/desabilita usuários)"), 16, 8);
    gdLEITORA71 = new GradeConjunto(this);
    gdLEITORA71->setObjectName(QStringLiteral("gdLEITORA71"));
    gdLEITORA71->definirModelo(
        new ModeloConjunto(*dm.qrLST_LEI_71,
                           {{QStringLiteral("CHAVE"), QStringLiteral("ID do BD"), 60},
                            {QStringLiteral("CABECA"), QStringLiteral("Cabeça"), 60},
                            {QStringLiteral("DESCRICAO"), QStringLiteral("Descrição"), 270},
                            {QStringLiteral("SERIALNUM"), QStringLiteral("Leitora local em vermelho"), 180}},
                           this));
    gdLEITORA71->setGeometry(16, 24, 590, 170);
    gdLEITORA71->setItemDelegate(new PinturaLeitoras(*this, 3, gdLEITORA71));
    rotulo(this, QStringLiteral("Leitoras modelo QX64AX (duplo clique habilita/desabilita usuários)"), 16,
           202);
    gdLEITORA64 = new GradeConjunto(this);
    gdLEITORA64->setObjectName(QStringLiteral("gdLEITORA64"));
    gdLEITORA64->definirModelo(
        new ModeloConjunto(*dm.qrLST_LEI_64,
                           {{QStringLiteral("CHAVE"), QStringLiteral("ID do BD"), 60},
                            {QStringLiteral("CABECA"), QStringLiteral("Cabeça"), 60},
                            {QStringLiteral("DESCRICAO"), QStringLiteral("Localização"), 140},
                            {QStringLiteral("DESCRICAO01"), QStringLiteral("Nome do acesso"), 140},
                            {QStringLiteral("SERIALNUM"), QStringLiteral("Leitora local em vermelho"), 180}},
                           this));
    gdLEITORA64->setGeometry(16, 218, 590, 170);
    gdLEITORA64->setItemDelegate(new PinturaLeitoras(*this, 4, gdLEITORA64));
    btATUALIZAR = botao(this, QStringLiteral("btATUALIZAR"), QStringLiteral("Atualizar lista"), 16, 396, 130);
    btATUALIZAR->setToolTip(QStringLiteral("Atualiza a lista de leitoras"));
    pmATRIBUIR = new QMenu(this);
    miATRIBUIR = pmATRIBUIR->addAction(QStringLiteral("Atribuir a este computador a leitora selecionada"));
    for (GradeConjunto* g : {gdLEITORA71, gdLEITORA64}) {
        g->verticalHeader()->hide();
        g->setToolTip(dica);
        g->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(g, &QWidget::customContextMenuRequested, this, [this, g](const QPoint& p) {
            prepararMenu(g);
            if (pmATRIBUIR->exec(g->viewport()->mapToGlobal(p)) == miATRIBUIR) Atribuir(g);
        });
        connect(g, &QAbstractItemView::doubleClicked, this, [this, g] { abrirLote(g); });
    }
    connect(btATUALIZAR, &QPushButton::clicked, this, [this] { Protegido([this] { AtualizarLista(); }); });
}

Conjunto& TframeHabilitarAcesso::consulta(GradeConjunto* grade) const {
    return grade == gdLEITORA71 ? *m_dm.qrLST_LEI_71 : *m_dm.qrLST_LEI_64;
}

void TframeHabilitarAcesso::AtualizarLista() {
    if (!m_dm.qrLST_LEI_71->aberto() || !m_dm.qrLST_LEI_64->aberto()) return;
    m_dm.qrLST_LEI_71->fechar();
    m_dm.qrLST_LEI_64->fechar();
    Ampulheta ampulheta;
    relogio().dormir(100);
    m_dm.qrLST_LEI_64->abrir();
    relogio().dormir(100);
    m_dm.qrLST_LEI_71->abrir();
}

void TframeHabilitarAcesso::prepararMenu(GradeConjunto* grade) {
    const bool passivas = grade == gdLEITORA71;
    miATRIBUIR->setText(QStringLiteral("Atribuir a este computador a leitora selecionada ") +
                        (passivas ? QStringLiteral("(Leitoras 71)") : QStringLiteral("(Leitoras 64AX)")));
    const Conjunto& q = consulta(grade);
    miATRIBUIR->setEnabled(q.aberto() && !q.vazio() && q.posicao() >= 0 &&
                           !q.valor(QStringLiteral("CHAVE")).isNull() &&
                           q.texto(QStringLiteral("SERIALNUM")) != estacao);
}

void TframeHabilitarAcesso::Atribuir(GradeConjunto* grade) {
    prepararMenu(grade);
    if (!miATRIBUIR->isEnabled()) return;
    if (Perguntar(QStringLiteral(
            "Confirma atribuir a leitora seleciona a este computador?\r\n\r\n"
            "Atenção: atribuir erroneamente irá paralisar o funcionamento do equipamento")) != Resposta::Sim)
        return;
    Conjunto& q = consulta(grade);
    Protegido([&] {
        Ampulheta ampulheta;
        Procedimento& p = m_dm.sp(QStringLiteral("SERIALNUM_LOCAL"));
        p.definir(QStringLiteral("PMODELO"),
                  grade == gdLEITORA71 ? QStringLiteral("71") : QStringLiteral("64AX"));
        p.definir(QStringLiteral("PCHAVE"), q.valor(QStringLiteral("CHAVE")));
        p.definir(QStringLiteral("PSERIALNUM"), estacao);
        Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
        ampulheta.restaurar();
        MostrarMensagem(QStringLiteral("@!000AVI Leitora atribuida com sucesso."));
        AtualizarLista();
    });
}

void TframeHabilitarAcesso::abrirLote(GradeConjunto* grade) {
    const Conjunto& q = consulta(grade);
    if (!q.aberto() || q.vazio() || q.posicao() < 0 || q.valor(QStringLiteral("CHAVE")).isNull()) return;
    QString descricao = q.texto(QStringLiteral("DESCRICAO"));
    if (grade == gdLEITORA64) descricao += u' ' + q.texto(QStringLiteral("DESCRICAO01"));
    if (abrirHabilitarLista)
        Protegido([&] {
            abrirHabilitarLista(grade == gdLEITORA71 ? QStringLiteral("71") : QStringLiteral("64AX"),
                                q.valor(QStringLiteral("CHAVE")).toInt(), q.texto(QStringLiteral("CABECA")),
                                descricao);
        });
}

} // namespace portaris
