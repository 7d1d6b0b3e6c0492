#include "uProgressoDownload.h"

#include <QLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace portaris {

TfrProgressoDownload::TfrProgressoDownload(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pnPROGRESSO"));
    setFrameShape(QFrame::StyledPanel);
    auto* l = new QVBoxLayout(this);
    lbROT = new QLabel(this);
    pbDOWN = new QProgressBar(this);
    pbPROC = new QProgressBar(this);
    for (QProgressBar* b : {pbDOWN, pbPROC})
        b->setTextVisible(false);
    l->addWidget(lbROT);
    l->addWidget(pbDOWN);
    l->addWidget(pbPROC);
    hide();
}

void TfrProgressoDownload::ligar(ProgressoDownload& p) {
    // The panel repaints itself between records, without running the event loop: nothing else may
    // run inside a download (a card, a remote opening, a second "Atualizar", the copy).
    p.mostrarLeitura = [this](const QString& rotulo, int maximo) {
        lbROT->setText(rotulo);
        pbDOWN->setRange(0, maximo);
        pbDOWN->setValue(0);
        pbDOWN->show();
        pbPROC->hide();
        show();
        raise();
        pintar();
    };
    p.leitura = [this](int lidos) {
        pbDOWN->setValue(lidos);
        pintar();
    };
    p.mostrarProcessamento = [this](const QString& rotulo, int registros) {
        lbROT->setText(rotulo);
        pbDOWN->setRange(0, registros);
        pbDOWN->setValue(registros);
        pbPROC->setRange(0, registros);
        pbPROC->setValue(0);
        pbPROC->show();
        pintar();
    };
    p.processamento = [this](int feitos) {
        pbDOWN->setValue(pbDOWN->maximum() - feitos);
        pbPROC->setValue(feitos);
        pintar();
    };
    p.esconder = [this] { hide(); };
}

void TfrProgressoDownload::pintar() {
    if (QWidget* pai = parentWidget(); pai && pai->layout()) pai->layout()->activate();
    if (layout()) layout()->activate();
    repaint();
}

} // namespace portaris
