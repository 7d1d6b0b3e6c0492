#include "uClassTfmPassa.h"

#include "platform/PastaPrograma.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace portaris {

namespace {
// Heights of the original layout count the title bar and borders (34 px); the client area is what
// we size here, so every height below is the window height less that frame.
constexpr int kMoldura = 34;
constexpr int kLargura = 317;
constexpr int kAlturaComAviso = 498 - kMoldura;
constexpr int kAlturaSemAviso = 452 - kMoldura;
constexpr int kReducaoPopup = 120;

QFont arial(int px, bool negrito) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setBold(negrito);
    return f;
}

QLabel* rotulo(QWidget* pai, const QString& texto, QRect g, bool negrito = false) {
    auto* l = new QLabel(texto, pai);
    l->setGeometry(g);
    l->setFont(arial(11, negrito));
    return l;
}

QLineEdit* campo(QWidget* pai, QRect g) {
    auto* e = new QLineEdit(pai);
    e->setGeometry(g);
    e->setFont(arial(16, true));
    e->setFrame(false);
    return e;
}

QToolButton* botao(QWidget* pai, const QString& texto, const QString& figura, QRect g) {
    auto* b = new QToolButton(pai);
    b->setGeometry(g);
    b->setText(texto);
    b->setAutoRaise(true);
    const QString arquivo = PastaPrograma::caminho(figura);
    QPixmap p;
    if (QFile::exists(arquivo) && p.load(arquivo)) {
        b->setIcon(QIcon(p));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else {
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    return b;
}
} // namespace

TfmPASSA::TfmPASSA(const QString& ponto, int contagem, QWidget* parent)
    : QDialog(parent), m_contagem(qBound(0, contagem, 255)) {
    setObjectName(QStringLiteral("fmPASSA"));
    setWindowTitle(ponto);
    setFixedSize(kLargura, 464);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(211, 235, 188));
    setPalette(p);
    setFont(arial(11, false));

    lbMSG = rotulo(this, QStringLiteral("Confirma acesso para :"), {5, 7, 127, 14}, true);
    edNOM = campo(this, {5, 24, 308, 25});
    edNOM->setReadOnly(true);
    edNOM->setFocusPolicy(Qt::NoFocus);
    QPalette pn = edNOM->palette();
    pn.setColor(QPalette::Base, QColor(211, 235, 188));
    edNOM->setPalette(pn);
    lbCAD = rotulo(this, QStringLiteral("Foto do cadastro"), {17, 59, 82, 14});
    spFR2 = new QFrame(this);
    spFR2->setGeometry(17, 75, 282, 212);
    spFR2->setFrameShape(QFrame::Box);
    imPCA = new QLabel(this);
    imPCA->setGeometry(17, 75, 282, 212);
    imPCA->setAlignment(Qt::AlignCenter);
    lbLB10 = rotulo(this, QStringLiteral("Observação"), {5, 295, 60, 14});
    edOBS = campo(this, {5, 312, 308, 25});
    edOBS->setMaxLength(25);
    lbAVS = rotulo(this, QStringLiteral("Mensagem importante :"), {5, 343, 111, 14});
    edAVS = campo(this, {5, 360, 308, 25});
    edAVS->setReadOnly(true);
    edAVS->setFocusPolicy(Qt::NoFocus);
    QPalette pa = edAVS->palette();
    pa.setColor(QPalette::Base, Qt::red);
    pa.setColor(QPalette::Text, Qt::yellow);
    edAVS->setPalette(pa);
    edAVS->setText(QStringLiteral("Atenção :"));

    pnBOT = new QWidget(this);
    pnBOT->setGeometry(0, 464 - 74, kLargura, 74);
    btSIM = botao(pnBOT, QStringLiteral("Sim"), QStringLiteral("sim.bitmap"), {176, 2, 70, 70});
    btNAO = botao(pnBOT, QStringLiteral("Não"), QStringLiteral("nao.bitmap"), {246, 2, 70, 70});
    connect(static_cast<QToolButton*>(btSIM), &QToolButton::clicked, this, &QDialog::accept);
    connect(static_cast<QToolButton*>(btNAO), &QToolButton::clicked, this, &QDialog::reject);
    btSIM->setFocusPolicy(Qt::TabFocus);
    btNAO->setFocusPolicy(Qt::TabFocus);

    tmrCLO = new QTimer(this);
    tmrCLO->setInterval(1000);
    tmrCLO->setSingleShot(true);
    connect(tmrCLO, &QTimer::timeout, this, &TfmPASSA::tique);
    connect(edOBS, &QLineEdit::returnPressed, this, &QDialog::accept);
    edOBS->setFocus();
}

void TfmPASSA::alturaCliente(int h) {
    setFixedSize(kLargura, h);
    pnBOT->move(0, h - 74);
}

void TfmPASSA::preencher(int chave, const QString& nota, const QString& nome, const FonteFoto& foto,
                         bool popup) {
    if (antesDeMostrar) antesDeMostrar();
    edNOM->setText(nome);
    int altura;
    if (!nota.trimmed().isEmpty()) {
        lbAVS->show();
        edAVS->show();
        edAVS->setText(nota);
        altura = kAlturaComAviso;
    } else {
        edAVS->clear();
        edAVS->hide();
        lbAVS->hide();
        altura = kAlturaSemAviso;
    }
    alturaCliente(altura);
    QPixmap imagem;
    if (foto) {
        const QByteArray bytes = foto(chave);
        if (!bytes.isEmpty() && imagem.loadFromData(bytes))
            imPCA->setPixmap(imagem.scaled(imPCA->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    if (const QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
    if (popup) {
        lbAVS->move(lbAVS->x(), lbLB10->y());
        edAVS->move(edAVS->x(), edOBS->y());
        lbLB10->hide();
        edOBS->hide();
        lbMSG->hide();
        pnBOT->hide();
        alturaCliente(altura - kReducaoPopup);
    }
}

void TfmPASSA::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfmPASSA::tique() {
    tmrCLO->stop();
    if (m_contagem > 0) {
        --m_contagem;
        setWindowTitle(QStringLiteral("Fechar em %1 seg.").arg(m_contagem));
        tmrCLO->start();
    } else {
        close();
    }
}

TfmPASSA::Resposta TfmPASSA::PedirConfirmacao(const QString& ponto, int chave, const QString& nota,
                                              const QString& nome, const FonteFoto& foto, QWidget* parent) {
    TfmPASSA dlg(ponto, 0, parent);
    dlg.preencher(chave, nota, nome, foto, false);
    Resposta r;
    r.sim = dlg.exec() == QDialog::Accepted;
    r.observacao = dlg.edOBS->text();
    return r;
}

TfmPASSA* TfmPASSA::MostrarFoto(const QString& ponto, int contagem, int chave, const QString& nota,
                                const QString& nome, const FonteFoto& foto) {
    auto* w = new TfmPASSA(ponto, contagem);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setModal(false);
    w->preencher(chave, nota, nome, foto, true);
    w->show();
    w->tmrCLO->start();
    return w;
}

} // namespace portaris
