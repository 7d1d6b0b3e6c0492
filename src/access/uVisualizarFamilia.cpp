#include "uVisualizarFamilia.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace portaris {

TfmVFM::TfmVFM(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fmVFM"));
    setWindowTitle(QStringLiteral("Visualizar Familia"));
    setFixedSize(672, 502);
    static constexpr int esquerdas[3] = {21, 245, 469};
    static constexpr int topos[3] = {1, 158, 315};
    for (int i = 0; i < 9; ++i) {
        const int x = esquerdas[i % 3], y = topos[i / 3];
        quadros[i] = new QFrame(this);
        quadros[i]->setGeometry(x, y, 182, 137);
        quadros[i]->setFrameShape(QFrame::Box);
        fotos[i] = new QLabel(quadros[i]);
        fotos[i]->setGeometry(1, 1, 180, 135);
        fotos[i]->setAlignment(Qt::AlignCenter);
        nomes[i] = new QLineEdit(this);
        nomes[i]->setGeometry(x, y + 137, 182, 19);
        nomes[i]->setReadOnly(true);
        nomes[i]->setFocusPolicy(Qt::NoFocus);
    }
    btSIM = new QPushButton(QStringLiteral("&Sim"), this);
    btSIM->setGeometry(518, 476, 75, 25);
    btSIM->setDefault(true);
    btNAO = new QPushButton(QStringLiteral("&Não"), this);
    btNAO->setGeometry(594, 476, 75, 25);
    connect(btSIM, &QPushButton::clicked, this, &QDialog::accept);
    connect(btNAO, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmVFM::carregar(const MembrosFamilia& membros, const FonteMembro& fonte) {
    for (int i = 0; i < 9; ++i) {
        nomes[i]->clear();
        fotos[i]->clear();
        if (membros[i] <= 0 || !fonte) continue;
        QString nome;
        QByteArray bytes;
        if (!fonte(membros[i], nome, bytes)) continue;
        nomes[i]->setText(nome);
        QPixmap p;
        if (!bytes.isEmpty() && p.loadFromData(bytes))
            fotos[i]->setPixmap(p.scaled(fotos[i]->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

bool TfmVFM::ConfirmarFamilia(const MembrosFamilia& membros, const FonteMembro& fonte, QWidget* parent) {
    TfmVFM w(parent);
    w.carregar(membros, fonte);
    w.btNAO->show();
    w.btSIM->setText(QStringLiteral("&Sim"));
    w.setWindowTitle(QStringLiteral("Confirma acesso :"));
    return w.exec() == QDialog::Accepted;
}

void TfmVFM::VisualizarFamilia(const MembrosFamilia& membros, const FonteMembro& fonte, QWidget* parent) {
    TfmVFM w(parent);
    w.carregar(membros, fonte);
    w.btNAO->hide();
    w.btSIM->setText(QStringLiteral("&OK"));
    w.setWindowTitle(QStringLiteral("Visualizar família"));
    w.exec();
}

} // namespace portaris
