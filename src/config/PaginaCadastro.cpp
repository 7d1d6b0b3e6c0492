#include "PaginaCadastro.h"

#include "platform/Mensagens.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

namespace portaris {

bool chamarOperacao(const std::function<bool()>& op) {
    if (!op) return false;
    try {
        return op();
    } catch (const Abort&) {
        return false;
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
        return false;
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromLocal8Bit(e.what()));
        return false;
    }
}

PaginaCadastro::PaginaCadastro(Conjunto& conjunto, QWidget* parent) : QWidget(parent), m_conjunto(conjunto) {}

OperacoesRegistro PaginaCadastro::operacoes() {
    OperacoesRegistro o;
    o.incluir = [this] { return INCLUIR(); };
    o.alterar = [this] { return ALTERAR(); };
    o.excluir = [this] { return EXCLUIR(); };
    o.gravar = [this] { return GRAVAR(); };
    o.cancelar = [this] { return CANCELAR(); };
    return o;
}

bool PaginaCadastro::INCLUIR() {
    fecharLista();
    if (m_focoIncluir) m_focoIncluir->setFocus();
    if (!m_conjunto.aberto()) return false;
    return chamarOperacao([this] {
        m_conjunto.inserir();
        depoisIncluir();
        // Values set by the page itself reach the widgets too.
        for (Ligacao* l : m_ligacoes)
            l->atualizar();
        return m_conjunto.estado() == EstadoConjunto::Inserindo;
    });
}

bool PaginaCadastro::ALTERAR() {
    if (m_focoAlterar) m_focoAlterar->setFocus();
    fecharLista();
    if (!m_conjunto.aberto()) return false;
    return chamarOperacao([this] {
        if (!m_conjunto.vazio()) m_conjunto.editar();
        return m_conjunto.estado() == EstadoConjunto::Editando;
    });
}

bool PaginaCadastro::EXCLUIR() {
    fecharLista();
    if (!m_conjunto.aberto()) return false;
    return chamarOperacao([this] {
        if (m_conjunto.vazio()) return m_conjunto.estado() == EstadoConjunto::Navegando;
        m_conjunto.apagar();
        const bool ok = m_conjunto.estado() == EstadoConjunto::Navegando;
        if (ok) depoisExcluir();
        return ok;
    });
}

bool PaginaCadastro::GRAVAR() {
    if (!m_conjunto.emEdicao()) return m_conjunto.estado() == EstadoConjunto::Navegando;
    return chamarOperacao([this] {
        if (!confirmarCampos() || !validar()) return false;
        // The record rules and the database may refuse: the record stays in edit as typed.
        m_conjunto.gravar();
        const bool ok = m_conjunto.estado() == EstadoConjunto::Navegando;
        if (ok) depoisGravar();
        return ok;
    });
}

bool PaginaCadastro::CANCELAR() {
    return chamarOperacao([this] {
        m_conjunto.cancelar();
        return m_conjunto.estado() == EstadoConjunto::Navegando;
    });
}

bool PaginaCadastro::confirmarCampos() {
    for (Ligacao* l : m_ligacoes)
        if (!l->confirmar()) return false;
    return true;
}

void PaginaCadastro::configurarLista(QLineEdit* campo, const QString& coluna) {
    m_campoLista = campo;
    m_colunaLista = coluna;
    lsNOMES = new QListWidget(this);
    lsNOMES->setObjectName(QStringLiteral("lsNOMES"));
    lsNOMES->setGeometry(campo->x(), campo->y() + campo->height(), campo->width(), 135);
    lsNOMES->hide();
    campo->installEventFilter(this);
    lsNOMES->installEventFilter(this);
    connect(lsNOMES, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* i) { escolher(lsNOMES->row(i)); });
    connect(&m_conjunto, &Conjunto::dadosMudaram, this, [this] {
        if (lsNOMES->isVisible()) preencherLista();
    });
}

void PaginaCadastro::preencherLista() {
    lsNOMES->clear();
    if (!m_conjunto.aberto()) return;
    for (int i = 0; i < m_conjunto.quantidade(); ++i)
        lsNOMES->addItem(m_conjunto.texto(i, m_colunaLista));
    lsNOMES->setCurrentRow(m_conjunto.posicao());
}

void PaginaCadastro::fecharLista() {
    if (lsNOMES) lsNOMES->hide();
}

void PaginaCadastro::alternarLista() {
    if (!lsNOMES) return;
    if (lsNOMES->isVisible()) {
        lsNOMES->hide();
        return;
    }
    preencherLista();
    lsNOMES->raise();
    lsNOMES->show();
}

void PaginaCadastro::escolher(int linha) {
    chamarOperacao([this, linha] {
        if (linha >= 0) m_conjunto.irPara(linha);
        return true;
    });
    fecharLista();
    if (m_campoLista) m_campoLista->setFocus();
}

bool PaginaCadastro::eventFilter(QObject* o, QEvent* e) {
    if (o == m_campoLista && e->type() == QEvent::MouseButtonPress && m_conjunto.aberto() &&
        m_conjunto.estado() == EstadoConjunto::Navegando) {
        alternarLista();
    } else if (o == lsNOMES && e->type() == QEvent::KeyPress) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Escape) {
            fecharLista();
            return true;
        }
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            escolher(lsNOMES->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace portaris
