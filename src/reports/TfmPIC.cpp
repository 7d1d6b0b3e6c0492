#include "TfmPIC.h"

#include "platform/Mensagens.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace portaris {

TfmPIC::TfmPIC(Conjunto& listagem, std::function<QByteArray(int)> imagem, QWidget* parent)
    : QDialog(parent), m_listagem(listagem), m_imagem(std::move(imagem)) {
    setObjectName(QStringLiteral("fmPIC"));
    setWindowTitle(QStringLiteral("Foto"));
    auto* v = new QVBoxLayout(this);
    imIMG = new QLabel;
    imIMG->setObjectName(QStringLiteral("imIMG"));
    imIMG->setFixedSize(280, 210);
    imIMG->setAlignment(Qt::AlignCenter);
    imIMG->setFrameShape(QFrame::Box);
    v->addWidget(imIMG, 0, Qt::AlignHCenter);
    auto* h = new QHBoxLayout;
    QFont grande = font();
    grande.setPointSize(12);
    grande.setBold(true);
    btOK = new QPushButton(QStringLiteral("OK"));
    btANT = new QPushButton(QStringLiteral("Anterior"));
    btPRO = new QPushButton(QStringLiteral("Próximo"));
    for (QPushButton* b : {btOK, btANT, btPRO}) {
        b->setFont(grande);
        b->setMinimumHeight(48);
        h->addWidget(b);
    }
    v->addLayout(h);
    btOK->setDefault(true);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btANT, &QPushButton::clicked, this, &TfmPIC::Anterior);
    connect(btPRO, &QPushButton::clicked, this, &TfmPIC::Proximo);
    // The arrows move through the listing whatever control has the focus.
    new QShortcut(QKeySequence(Qt::Key_Down), this, this, &TfmPIC::Proximo);
    new QShortcut(QKeySequence(Qt::Key_Up), this, this, &TfmPIC::Anterior);
    setFixedSize(sizeHint());
}

void TfmPIC::Carregar() {
    imIMG->clear();
    if (!m_listagem.aberto() || m_listagem.posicao() < 0) return;
    const QVariant chave = m_listagem.valor(QStringLiteral("PCHAVE"));
    if (chave.isNull()) return;
    QImage img;
    // Bytes that are no picture show none.
    if (!img.loadFromData(m_imagem(chave.toInt()))) return;
    imIMG->setPixmap(
        QPixmap::fromImage(img.scaled(imIMG->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

bool TfmPIC::temImagem() const {
    return !imIMG->pixmap().isNull();
}

void TfmPIC::mover(int passo) {
    try {
        if (!m_listagem.aberto()) return;
        const int p = m_listagem.posicao();
        const bool ha = passo > 0 ? p + 1 < m_listagem.quantidade() || m_listagem.haMaisLinhas() : p > 0;
        if (ha) m_listagem.irPara(p + passo);
        Carregar();
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
}

} // namespace portaris
