#include "TfmBUSCA.h"

#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace portaris {

TfmBUSCA::TfmBUSCA(TdmPORTARIS& dm, std::function<bool(qint64)> posicionar, QWidget* parent)
    : QDialog(parent), m_dm(dm), m_posicionar(std::move(posicionar)) {
    setObjectName(QStringLiteral("fmBUSCA"));
    setWindowTitle(QStringLiteral("Filtrar usuários"));
    m_qr = Conjunto::consulta(dm.dbBANCO, QStringLiteral("qrBUSCA"), {});
    // A search over every holder shows its first rows at once and reads on as the grid scrolls.
    m_qr->definirPagina(200);

    edREF = new QLineEdit;
    edREF->setObjectName(QStringLiteral("edREF"));
    auto* grupo = new QGroupBox(QStringLiteral("Referência"));
    rbNOM = new QRadioButton(QStringLiteral("Nome"));
    rbCAR = new QRadioButton(QStringLiteral("Cartão"));
    rbNOM->setChecked(true);
    auto* hg = new QHBoxLayout(grupo);
    hg->addWidget(rbNOM);
    hg->addWidget(rbCAR);
    btFIN = new QPushButton(QStringLiteral("Finalizar"));
    btBUS = new QPushButton(QStringLiteral("Buscar"));
    btPOS = new QPushButton(QStringLiteral("Posiciona"));
    btPOS->setToolTip(QStringLiteral("Posiciona no cadastro a partir do nome selecionado."));
    btBUS->setDefault(true);
    m_modelo = new ModeloConjunto(*m_qr,
                                  {{QStringLiteral("CARTAO"), QStringLiteral("Cartão"), 105},
                                   {QStringLiteral("NOME"), QStringLiteral("Nome"), 414}},
                                  this);
    gdRES = new GradeConjunto;
    gdRES->setObjectName(QStringLiteral("gdRES"));
    gdRES->definirModelo(m_modelo);
    aplicarCoresRegistros(gdRES);
    gdRES->setMinimumSize(560, 300);

    auto* topo = new QHBoxLayout;
    auto* campo = new QVBoxLayout;
    campo->addWidget(new QLabel(QStringLiteral("Digite uma referência")));
    campo->addWidget(edREF);
    topo->addLayout(campo, 1);
    topo->addWidget(grupo);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    for (QPushButton* b : {btBUS, btPOS, btFIN})
        botoes->addWidget(b);
    auto* v = new QVBoxLayout(this);
    v->addLayout(topo);
    v->addWidget(gdRES, 1);
    v->addLayout(botoes);

    // Typing stops at the searched column's width (USUARIO's NOME and CARTAO); a card is searched
    // in upper case, as readers report it and as it is stored.
    auto largura = [this] {
        edREF->setMaxLength(rbCAR->isChecked() ? 10 : 120);
        if (rbCAR->isChecked()) edREF->setText(edREF->text().toUpper());
    };
    connect(rbCAR, &QRadioButton::toggled, this, largura);
    connect(edREF, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (rbCAR->isChecked() && t != t.toUpper()) {
            const int pos = edREF->cursorPosition();
            edREF->setText(t.toUpper());
            edREF->setCursorPosition(pos);
        }
    });
    largura();
    connect(btBUS, &QPushButton::clicked, this, &TfmBUSCA::Buscar);
    connect(btPOS, &QPushButton::clicked, this, &TfmBUSCA::Posiciona);
    connect(btFIN, &QPushButton::clicked, this, &QDialog::reject);
    connect(gdRES, &QAbstractItemView::doubleClicked, this, &TfmBUSCA::Posiciona);
}

TfmBUSCA::~TfmBUSCA() {
    m_qr->fechar();
}

void TfmBUSCA::Buscar() {
    try {
        m_qr->fechar();
        QString sql = QStringLiteral("SELECT CHAVE,CARTAO,NOME FROM USUARIO\n");
        const QString texto = rbCAR->isChecked() ? edREF->text().toUpper() : edREF->text();
        if (!texto.trimmed().isEmpty()) {
            sql += rbNOM->isChecked() ? QStringLiteral("WHERE NOME STARTING WITH :P00\n")
                                      : QStringLiteral("WHERE CARTAO STARTING WITH :P00\n");
            m_qr->definirParametro(QStringLiteral("P00"), texto);
        }
        sql += QStringLiteral("ORDER BY NOME");
        m_qr->definirSql(sql);
        m_qr->abrir();
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
}

void TfmBUSCA::Posiciona() {
    if (!m_qr->aberto() || m_qr->vazio()) return;
    const qint64 chave = m_qr->valor(QStringLiteral("CHAVE")).toLongLong();
    if (chave == 0) return;
    if (m_posicionar) m_posicionar(chave);
    accept();
}

void TfmBUSCA::done(int r) {
    m_qr->fechar();
    QDialog::done(r);
}

} // namespace portaris
