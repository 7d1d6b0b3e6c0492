#include "uProgressoDownload.h"

#include <QCoreApplication>
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
    // The screen repaints between records, as the operator watches a long download.
    p.mostrarLeitura = [this](const QString& rotulo, int maximo) {
        lbROT->setText(rotulo);
        pbDOWN->setRange(0, maximo);
        pbDOWN->setValue(0);
        pbDOWN->show();
        pbPROC->hide();
        show();
        raise();
        QCoreApplication::processEvents();
    };
    p.leitura = [this](int lidos) {
        pbDOWN->setValue(lidos);
        QCoreApplication::processEvents();
    };
    p.mostrarProcessamento = [this](const QString& rotulo, int registros) {
        lbROT->setText(rotulo);
        pbDOWN->setRange(0, registros);
        pbDOWN->setValue(registros);
        pbPROC->setRange(0, registros);
        pbPROC->setValue(0);
        pbPROC->show();
        QCoreApplication::processEvents();
    };
    p.processamento = [this](int feitos) {
        pbDOWN->setValue(pbDOWN->maximum() - feitos);
        pbPROC->setValue(feitos);
        QCoreApplication::processEvents();
    };
    p.esconder = [this] { hide(); };
}

} // namespace portaris
