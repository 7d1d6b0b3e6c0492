#include "uMSG.h"

#include "Recursos.h"
#include "platform/Relogio.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace portaris {

namespace {
constexpr int kLargura = 210;
constexpr int kAltura = 305;
constexpr int kMemo = 235;
constexpr int kBotao = 70;
} // namespace

TfmMSG::TfmMSG(const MensagemCodificada& mensagem, QWidget* parent) : QDialog(parent), m_mensagem(mensagem) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    inicializarRecursosPortaris();
    setFixedSize(kLargura, kAltura);
    setModal(true);
    setProperty("codigo", int(mensagem.codigo)); // the dialog's tag

    m_memo = new QPlainTextEdit(this);
    m_memo->setGeometry(0, 0, kLargura, kMemo);
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fonte(QStringLiteral("Arial"), 13);
    fonte.setItalic(true);
    m_memo->setFont(fonte);

    static const char* figuras[3] = {":/icons/circle-check.svg", ":/icons/check.svg", ":/icons/x.svg"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QToolButton(this);
        b->setGeometry(i * kBotao, kMemo, kBotao, kBotao);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIcon(QIcon(QString::fromLatin1(figuras[i])));
        b->setIconSize(QSize(32, 32));
        b->hide();
        m_botoes[i] = b;
    }
    connect(m_botoes[1], &QToolButton::clicked, this, [this] { responder(Resposta::Sim); });
    connect(m_botoes[2], &QToolButton::clicked, this,
            [this] { responder(m_mensagem.codigo == -1 ? Resposta::Nao : Resposta::OK); });
    setObjectName(QStringLiteral("fmMSG"));
    // Nobody answered: the dialog goes away as if closed, so whatever waits on it goes on. Measured
    // on the program's clock, which the tests move.
    if (mensagem.fecharApos > 0) {
        const quint32 inicio = relogio().tick();
        const quint32 prazo = static_cast<quint32>(mensagem.fecharApos) * 1000u;
        auto* vigia = new QTimer(this);
        vigia->setInterval(100);
        connect(vigia, &QTimer::timeout, this, [this, inicio, prazo] {
            if (relogio().tick() - inicio >= prazo) reject();
        });
        vigia->start();
    }
}

void TfmMSG::showEvent(QShowEvent* e) {
    // By code.
    if (m_mensagem.codigo == -1) {
        m_botoes[2]->setText(QStringLiteral("&Não"));
        m_botoes[1]->setText(QStringLiteral("&Sim"));
        m_botoes[2]->show();
        m_botoes[1]->show();
    } else if (m_mensagem.codigo == 0) {
        setWindowTitle(QStringLiteral("Aviso"));
        m_botoes[2]->setText(QStringLiteral("&OK"));
        m_botoes[2]->setIcon(m_botoes[0]->icon());
        m_botoes[2]->show();
    }
    // The message.
    m_memo->clear();
    m_memo->setPlainText(QString(m_mensagem.texto).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    // By kind.
    QColor fundo, letra = Qt::black;
    switch (m_mensagem.tipo) {
    case TipoMensagem::Erro:
        setWindowTitle(QStringLiteral("Atenção"));
        fundo = QColor(255, 0, 0);
        letra = Qt::white;
        break;
    case TipoMensagem::Aviso:
        setWindowTitle(QStringLiteral("Aviso"));
        fundo = QColor(191, 255, 191);
        break;
    case TipoMensagem::Sucesso:
        setWindowTitle(QStringLiteral("Aviso"));
        fundo = QColor(250, 245, 188);
        break;
    }
    QPalette p = m_memo->palette();
    p.setColor(QPalette::Base, fundo);
    p.setColor(QPalette::Text, letra);
    m_memo->setPalette(p);
    if (const QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
    QDialog::showEvent(e);
}

void TfmMSG::responder(Resposta r) {
    QApplication::processEvents();
    m_resposta = r;
    accept();
}

Resposta TfmMSG::exibir(const MensagemCodificada& mensagem, QWidget* parent) {
    QApplication::restoreOverrideCursor();
    QApplication::processEvents();
    Resposta r;
    {
        TfmMSG dlg(mensagem, parent);
        dlg.exec();
        r = dlg.resposta();
    }
    QApplication::processEvents();
    return r;
}

Resposta OperadorDialogo::exibir(const MensagemCodificada& mensagem) {
    if (antes) antes();
    return TfmMSG::exibir(mensagem, QApplication::activeWindow());
}

} // namespace portaris
