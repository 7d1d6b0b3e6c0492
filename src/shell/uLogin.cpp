#include "uLogin.h"

#include "ui/Protegido.h"
#include "access/Veredito.h"
#include "platform/Configuracoes.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace portaris {

TfmLOG::TfmLOG(Procedimentos* procs, std::function<QStringList()> logins, QWidget* parent)
    : QDialog(parent), m_procs(procs), m_logins(std::move(logins)) {
    setObjectName(QStringLiteral("fmLOG"));
    setWindowTitle(QStringLiteral("PORTARIS (v2.0.0)"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(220, 220, 201));
    setPalette(p);

    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("Login")));
    lsLOG = new QComboBox;
    lsLOG->setEditable(false);
    v->addWidget(lsLOG);
    v->addWidget(new QLabel(QStringLiteral("Senha")));
    edSEN = new QLineEdit;
    edSEN->setMaxLength(5);
    edSEN->setEchoMode(QLineEdit::Password);
    v->addWidget(edSEN);
    lbERR = new QLabel(QStringLiteral("Senha não confere!!"));
    lbERR->setAlignment(Qt::AlignCenter);
    lbERR->setAutoFillBackground(true);
    QPalette pe = lbERR->palette();
    pe.setColor(QPalette::Window, Qt::red);
    pe.setColor(QPalette::WindowText, Qt::white);
    lbERR->setPalette(pe);
    lbERR->hide();
    v->addWidget(lbERR);
    auto* barra = new QHBoxLayout;
    barra->addStretch();
    btACE = new QPushButton(QStringLiteral("Acessar"));
    btACE->setEnabled(false);
    btCAN = new QPushButton(QStringLiteral("Cancelar"));
    // Enter belongs to the password field alone: a default button would press "Acessar" a second
    // time for the same key, or "Cancelar" from the list.
    btACE->setAutoDefault(false);
    btCAN->setAutoDefault(false);
    barra->addWidget(btACE);
    barra->addWidget(btCAN);
    v->addLayout(barra);
    setFixedSize(260, 200);

    connect(lsLOG, &QComboBox::currentIndexChanged, this, [this](int i) { btACE->setEnabled(i >= 0); });
    connect(edSEN, &QLineEdit::textEdited, this, [this](const QString& t) {
        lbERR->hide();
        const QString minusculo = t.toLower();
        if (minusculo != t) {
            const int c = edSEN->cursorPosition();
            edSEN->setText(minusculo);
            edSEN->setCursorPosition(c);
        }
    });
    connect(edSEN, &QLineEdit::returnPressed, this, [this] {
        if (btACE->isEnabled()) Acessar();
    });
    connect(btACE, &QPushButton::clicked, this, &TfmLOG::Acessar);
    connect(btCAN, &QPushButton::clicked, this, [this] {
        emit cancelou();
        encerrar();
    });
    if (const QScreen* tela = QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() - rect().center());
}

void TfmLOG::preencherLogins() {
    lsLOG->clear();
    if (m_procs && m_logins) lsLOG->addItems(m_logins());
    lsLOG->setCurrentIndex(-1);
    btACE->setEnabled(false);
}

void TfmLOG::iniciar() {
    m_sessao.autoInicio = false;
    preencherLogins();
    if (!m_procs) return;
    const QVariantMap r =
        m_procs->executar(QStringLiteral("USER_EFETUOU_LOGOFF"),
                          {{QStringLiteral("PPONTO"), cfg::outros_nomecomputador_login.ler()}});
    const QString login =
        r.value(QStringLiteral("PCHAVE")).isNull() ? QString() : r.value(QStringLiteral("PLOGIN")).toString();
    if (login.isEmpty()) return;
    m_sessao.autoInicio = true;
    lsLOG->setCurrentIndex(lsLOG->findText(login));
    if (lsLOG->currentIndex() < 0) { // an account renamed or gone since: log in by name all the same
        lsLOG->addItem(login);
        lsLOG->setCurrentIndex(lsLOG->count() - 1);
    }
    Acessar();
}

void TfmLOG::Acessar() {
    Protegido([this] { acessar(); });
}

void TfmLOG::acessar() {
    if (!m_procs || lsLOG->currentIndex() < 0) return;
    const QString login = lsLOG->currentText();
    const QVariantMap r =
        m_procs->executar(QStringLiteral("CHECALOGIN"),
                          {{QStringLiteral("PLOGIN"), login}, {QStringLiteral("PSENHA"), edSEN->text()}});
    if (r.value(QStringLiteral("OLOGIN")).toString().isEmpty() && !m_sessao.autoInicio) {
        lbERR->show();
        edSEN->selectAll();
        edSEN->setFocus();
        return;
    }
    // The session changes only once the database has recorded the login.
    Sessao s = m_sessao;
    for (int i = 0; i < 5; ++i)
        s.niveis[i] = r.value(QStringLiteral("PNIVEL%1").arg(i + 1, 2, 10, QLatin1Char('0'))).toString() ==
                      QLatin1String("1");
    s.login = login;
    s.nome = r.value(QStringLiteral("ONOME")).toString();
    m_procs->executar(QStringLiteral("USERLOGIN"),
                      {{QStringLiteral("PLOGIN"), login},
                       {QStringLiteral("PPONTO"), cfg::outros_nomecomputador_login.ler()}});
    m_sessao = s;
    hide();
    emit acessou(m_sessao.nome);
}

void TfmLOG::reabrir() {
    edSEN->clear();
    lbERR->hide();
    preencherLogins();
    if (lsLOG->count() > 0) lsLOG->setCurrentIndex(0);
    show();
}

void TfmLOG::encerrar() {
    m_encerrando = true;
    close();
}

// Esc and the close box reach here; closing the window would stop the doors without a question.
void TfmLOG::reject() {
    if (m_encerrando) QDialog::reject();
}

} // namespace portaris
