#include "TfmVisualizacao.h"

#include "reports/MotorRelatorio.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace portaris {

namespace {
QToolButton* botao(const QString& texto) {
    auto* b = new QToolButton;
    b->setText(texto);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setMinimumWidth(80);
    return b;
}
} // namespace

TfmVisualizacao::TfmVisualizacao(RenderizadorRelatorio& relatorio, QWidget* parent)
    : QDialog(parent), m_relatorio(relatorio) {
    setObjectName(QStringLiteral("fmVISUALIZACAO"));
    setWindowTitle(QStringLiteral("Visualização"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* v = new QVBoxLayout(this);
    auto* barra = new QHBoxLayout;
    btPRI = botao(QStringLiteral("Primeira"));
    btANT = botao(QStringLiteral("Anterior"));
    spPAG = new QSpinBox;
    spPAG->setRange(1, 1);
    spPAG->setPrefix(QStringLiteral("Página "));
    btPRO = botao(QStringLiteral("Próxima"));
    btULT = botao(QStringLiteral("Última"));
    btIMP = botao(QStringLiteral("Imprimir"));
    btFEC = botao(QStringLiteral("Fechar"));
    for (QWidget* w : std::initializer_list<QWidget*>{btPRI, btANT, spPAG, btPRO, btULT})
        barra->addWidget(w);
    barra->addStretch();
    barra->addWidget(btIMP);
    barra->addWidget(btFEC);
    v->addLayout(barra);
    m_area = new QScrollArea;
    m_area->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_area->setBackgroundRole(QPalette::Dark);
    m_imagem = new QLabel;
    m_imagem->setObjectName(QStringLiteral("lbPAGINA"));
    m_area->setWidget(m_imagem);
    v->addWidget(m_area, 1);

    connect(btPRI, &QToolButton::clicked, this, [this] { irPara(1); });
    connect(btANT, &QToolButton::clicked, this, [this] { irPara(m_pagina - 1); });
    connect(btPRO, &QToolButton::clicked, this, [this] { irPara(m_pagina + 1); });
    connect(btULT, &QToolButton::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const int n = m_relatorio.paginas();
        QApplication::restoreOverrideCursor();
        irPara(n);
    });
    connect(spPAG, &QSpinBox::editingFinished, this, [this] { irPara(spPAG->value()); });
    connect(btIMP, &QToolButton::clicked, this, &TfmVisualizacao::imprimir);
    connect(btFEC, &QToolButton::clicked, this, &QDialog::accept);
    irPara(1);
    // Maximised; the geometry too, for a desktop whose window manager does not maximise dialogs.
    if (const QScreen* tela = screen()) setGeometry(tela->availableGeometry());
    setWindowState(Qt::WindowMaximized);
}

void TfmVisualizacao::irPara(int pagina) {
    if (pagina < 1 || pagina == m_pagina || !m_relatorio.temPagina(pagina)) {
        spPAG->setValue(m_pagina);
        return;
    }
    m_pagina = pagina;
    // 100 %: the page at the screen's resolution.
    m_imagem->setPixmap(QPixmap::fromImage(m_relatorio.imagemPagina(pagina, logicalDpiX())));
    m_imagem->adjustSize();
    // The spin box lets the operator type a page beyond the last one read so far.
    spPAG->setMaximum(std::max(spPAG->maximum(), m_relatorio.temPagina(pagina + 1) ? pagina + 1 : pagina));
    spPAG->setValue(pagina);
    btANT->setEnabled(pagina > 1);
    btPRI->setEnabled(pagina > 1);
    btPRO->setEnabled(m_relatorio.temPagina(pagina + 1));
}

void TfmVisualizacao::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_PageDown) {
        irPara(m_pagina + 1);
        return;
    }
    if (e->key() == Qt::Key_PageUp) {
        irPara(m_pagina - 1);
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfmVisualizacao::imprimir() {
    DestinoRelatorio d;
    d.saida = OpcoesImpressao::Saida::Impressora;
    EmitirRelatorio(m_relatorio, d, this);
}

} // namespace portaris
