#include "uAberturaSemCartao.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace portaris {

TfmABRIR::TfmABRIR(const QStringList& locais, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmABRIR"));
    setWindowTitle(QStringLiteral("Portaris - Abertura manual de porta"));
    setModal(true);
    auto* v = new QVBoxLayout(this);
    auto campo = [](int maximo) {
        auto* e = new QLineEdit;
        e->setMaxLength(maximo);
        return e;
    };
    v->addWidget(new QLabel(QStringLiteral("Local de acesso")));
    cbLOC = new QComboBox;
    cbLOC->addItems(locais);
    cbLOC->setCurrentIndex(-1);
    v->addWidget(cbLOC);
    v->addWidget(new QLabel(QStringLiteral("Nome da pessoa")));
    edNOM = campo(70);
    v->addWidget(edNOM);
    auto* lado = new QHBoxLayout;
    auto* colOri = new QVBoxLayout;
    colOri->addWidget(new QLabel(QStringLiteral("Origem")));
    edORI = campo(25);
    colOri->addWidget(edORI);
    auto* colDes = new QVBoxLayout;
    colDes->addWidget(new QLabel(QStringLiteral("Destino")));
    edDES = campo(25);
    colDes->addWidget(edDES);
    lado->addLayout(colOri);
    lado->addLayout(colDes);
    v->addLayout(lado);
    v->addWidget(new QLabel(QStringLiteral("Observação")));
    edOBS = campo(70);
    v->addWidget(edOBS);
    auto* barra = new QHBoxLayout;
    barra->addStretch();
    btABR = new QPushButton(QStringLiteral("Abrir"));
    btABR->setEnabled(false);
    btCAN = new QPushButton(QStringLiteral("Cancelar"));
    barra->addWidget(btABR);
    barra->addWidget(btCAN);
    v->addLayout(barra);
    resize(420, 280);
    connect(cbLOC, &QComboBox::currentIndexChanged, this, [this](int i) { btABR->setEnabled(i >= 0); });
    connect(btABR, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCAN, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmABRIR::showEvent(QShowEvent* e) {
    // A dialog with a parent would open over it; this one belongs in the middle of the desktop.
    if (const QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

bool TfmABRIR::Pedir(const QStringList& locais, Pedido& pedido, QWidget* parent) {
    TfmABRIR d(locais, parent);
    if (d.exec() != QDialog::Accepted || d.cbLOC->currentIndex() < 0) return false;
    pedido = {d.edNOM->text(), d.edORI->text(), d.edOBS->text(), d.cbLOC->currentText(), d.edDES->text()};
    return true;
}

} // namespace portaris
