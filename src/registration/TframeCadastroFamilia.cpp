#include "TframeCadastroFamilia.h"

#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace portaris {

TframeCadastroFamilia::TframeCadastroFamilia(TdmPORTARIS& dm, FonteMembro fonte, QWidget* parent)
    : QFrame(parent), m_dm(dm), m_fonte(std::move(fonte)) {
    setObjectName(QStringLiteral("frameCadastroFamilias"));
    edFAM = new QLineEdit;
    edFAM->setObjectName(QStringLiteral("edFAM"));
    btVIS = new QPushButton(QIcon(QStringLiteral(":/icons/users-group.svg")),
                            QStringLiteral("Visualizar membros da família"));
    btVIS->setObjectName(QStringLiteral("btVIS"));

    auto* grade = new QGridLayout(this);
    grade->setContentsMargins(12, 12, 12, 12);
    grade->setHorizontalSpacing(16);
    grade->setVerticalSpacing(2);
    grade->addWidget(new QLabel(QStringLiteral("Família")), 0, 0);
    auto* topo = new QHBoxLayout;
    topo->addWidget(edFAM, 1);
    topo->addWidget(btVIS);
    grade->addLayout(topo, 1, 0, 1, 2);
    // One model of the holders' names serves the nine lists: nothing is copied per list.
    auto* nomes = new ModeloConjunto(dm.setUSU, {{QStringLiteral("NOME"), QStringLiteral("Nome")}}, this);
    for (int i = 0; i < 9; ++i) {
        auto* c = new QComboBox;
        c->setObjectName(QStringLiteral("cbPES%1").arg(i + 1));
        c->setMaxVisibleItems(24);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(30);
        if (auto* v = qobject_cast<QListView*>(c->view())) v->setUniformItemSizes(true);
        cbPES[i] = c;
        const int linha = 2 + (i / 2) * 2;
        const int coluna = i % 2;
        grade->addWidget(new QLabel(QStringLiteral("Pessoa %1/9").arg(i + 1)), linha, coluna);
        grade->addWidget(c, linha + 1, coluna);
        m_ligacoes << new LigacaoChave(dm.setFAM, QStringLiteral("UCHAVE%1").arg(i + 1), c, dm.setUSU, nomes);
    }
    grade->setRowStretch(12, 1);
    m_ligacoes.prepend(new LigacaoEdit(dm.setFAM, QStringLiteral("DESCRICAO"), edFAM));

    lsFAM = new QListView(this);
    lsFAM->setObjectName(QStringLiteral("lsFAM"));
    lsFAM->setUniformItemSizes(true);
    lsFAM->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_modeloFamilias =
        new ModeloConjunto(dm.setFAM, {{QStringLiteral("DESCRICAO"), QStringLiteral("Família")}}, this);
    lsFAM->setModel(m_modeloFamilias);
    aplicarCoresRegistros(lsFAM);
    lsFAM->hide();
    lsFAM->installEventFilter(this);
    edFAM->installEventFilter(this);
    connect(lsFAM, &QListView::clicked, this, [this](const QModelIndex& i) { escolherNome(i.row()); });
    connect(btVIS, &QPushButton::clicked, this, &TframeCadastroFamilia::Visualizar);
}

bool TframeCadastroFamilia::INCLUIR() {
    lsFAM->hide();
    edFAM->setFocus();
    m_dm.setFAM.inserir();
    return m_dm.setFAM.estado() == EstadoConjunto::Inserindo;
}

bool TframeCadastroFamilia::ALTERAR() {
    edFAM->setFocus();
    lsFAM->hide();
    if (!m_dm.setFAM.vazio()) m_dm.setFAM.editar();
    return m_dm.setFAM.estado() == EstadoConjunto::Editando;
}

bool TframeCadastroFamilia::EXCLUIR() {
    if (!m_dm.setFAM.vazio()) m_dm.setFAM.apagar();
    return m_dm.setFAM.estado() == EstadoConjunto::Navegando;
}

bool TframeCadastroFamilia::GRAVAR() {
    for (Ligacao* l : m_ligacoes)
        if (!l->confirmar()) return false;
    Conjunto& f = m_dm.setFAM;
    if (f.emEdicao() && f.texto(QStringLiteral("DESCRICAO")).trimmed().isEmpty()) {
        MostrarMensagem(QStringLiteral("@!000ERRDescrição é informação obrigatória!"));
        return false;
    }
    try {
        f.gravar();
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    return f.estado() == EstadoConjunto::Navegando;
}

bool TframeCadastroFamilia::CANCELA() {
    m_dm.setFAM.cancelar();
    return m_dm.setFAM.estado() == EstadoConjunto::Navegando;
}

MembrosFamilia TframeCadastroFamilia::membros() const {
    MembrosFamilia m{};
    const Conjunto& f = m_dm.setFAM;
    if (!f.aberto() || (!f.emEdicao() && (f.posicao() < 0 || f.posicao() >= f.quantidade()))) return m;
    for (int i = 0; i < 9; ++i)
        m[i] = f.valor(QStringLiteral("UCHAVE%1").arg(i + 1)).toInt();
    return m;
}

void TframeCadastroFamilia::Visualizar() {
    try {
        TfmVFM::VisualizarFamilia(membros(), m_fonte, this);
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
}

void TframeCadastroFamilia::alternarListaNomes() {
    if (m_dm.setFAM.emEdicao()) return;
    if (lsFAM->isVisible()) {
        lsFAM->hide();
        return;
    }
    const QPoint p = edFAM->mapTo(this, QPoint(0, edFAM->height()));
    lsFAM->setGeometry(p.x(), p.y(), edFAM->width(), 135);
    const int r = m_modeloFamilias->linhaAtual();
    if (r >= 0) lsFAM->setCurrentIndex(m_modeloFamilias->index(r, 0));
    lsFAM->raise();
    lsFAM->show();
    lsFAM->setFocus();
}

void TframeCadastroFamilia::escolherNome(int linha) {
    try {
        m_dm.setFAM.irPara(linha);
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    lsFAM->hide();
    edFAM->setFocus();
}

bool TframeCadastroFamilia::eventFilter(QObject* obj, QEvent* e) {
    if (obj == edFAM && e->type() == QEvent::MouseButtonPress && !m_dm.setFAM.emEdicao()) {
        alternarListaNomes();
        return false;
    }
    if (obj == lsFAM && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Escape) {
            lsFAM->hide();
            return true;
        }
        if ((k == Qt::Key_Return || k == Qt::Key_Enter) && lsFAM->currentIndex().isValid()) {
            escolherNome(lsFAM->currentIndex().row());
            return true;
        }
    }
    return QFrame::eventFilter(obj, e);
}

} // namespace portaris
