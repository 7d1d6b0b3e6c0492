#include "Ligacoes.h"

#include "platform/Mensagens.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace portaris {

namespace {

// The dataset does not signal a field written in its edit buffer; the bindings of one dataset
// tell each other through this companion, so two widgets on one field stay alike.
class AvisoCampos : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static AvisoCampos* de(Conjunto& c) {
        auto* a = c.findChild<AvisoCampos*>(QString(), Qt::FindDirectChildrenOnly);
        return a ? a : new AvisoCampos(&c);
    }
signals:
    void campoMudou(const QString& campo);
};

} // namespace

Ligacao::Ligacao(Conjunto& conjunto, QString campo, QWidget* widget)
    : QObject(widget), m_conjunto(conjunto), m_campo(std::move(campo)), m_widget(widget) {
    connect(&m_conjunto, &Conjunto::rolou, this, &Ligacao::atualizar);
    connect(&m_conjunto, &Conjunto::estadoMudou, this, &Ligacao::atualizar);
    connect(&m_conjunto, &Conjunto::dadosMudaram, this, &Ligacao::atualizar);
    connect(AvisoCampos::de(m_conjunto), &AvisoCampos::campoMudou, this, [this](const QString& campo) {
        if (campo.compare(m_campo, Qt::CaseInsensitive) == 0) atualizar();
    });
}

void Ligacao::definirSomenteLeitura(bool sim) {
    m_somenteLeitura = sim;
    atualizar();
}

bool Ligacao::editavel() const {
    return !m_somenteLeitura && m_conjunto.emEdicao();
}

QString Ligacao::textoCampo() const {
    if (!m_conjunto.aberto()) return {};
    // A deletion announces itself while the position still names the removed row.
    if (!m_conjunto.emEdicao() && m_conjunto.posicao() >= m_conjunto.quantidade()) return {};
    try {
        const int i = m_conjunto.indiceCampo(m_campo);
        if (i >= 0 && m_conjunto.campos().at(i).blob) {
            if (m_conjunto.posicao() < 0 && !m_conjunto.emEdicao()) return {};
            return m_conjunto.lerBlob(m_campo).toString();
        }
        return m_conjunto.texto(m_campo);
    } catch (const ErroBanco&) {
        return {}; // a field the dataset does not have shows nothing
    }
}

void Ligacao::atualizar() {
    if (!m_widget) return;
    m_atualizando = true;
    aplicarEdicao(editavel());
    mostrar(textoCampo());
    m_atualizando = false;
}

bool Ligacao::escrever(const QString& texto) {
    if (!editavel()) return false;
    try {
        m_conjunto.definirTexto(m_campo, texto);
    } catch (const Abort&) {
        // The validator stored its fallback: the widgets show the field, not the refused text.
        emit AvisoCampos::de(m_conjunto)->campoMudou(m_campo);
        if (m_widget) m_widget->setFocus();
        return false;
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
        return false;
    }
    emit AvisoCampos::de(m_conjunto)->campoMudou(m_campo);
    return true;
}

// QLineEdit

LigacaoEdit::LigacaoEdit(Conjunto& conjunto, const QString& campo, QLineEdit* e)
    : Ligacao(conjunto, campo, e) {
    try {
        const Campo& f = conjunto.campo(campo);
        if (!f.mascara.isEmpty())
            e->setInputMask(MascaraQt(f.mascara));
        else if (f.tamanho > 0)
            e->setMaxLength(f.tamanho); // the column's width, as a form's field would
    } catch (const ErroBanco&) {
        // fields not known yet (no connection): no mask
    }
    connect(e, &QLineEdit::editingFinished, this, [this] { confirmar(); });
    atualizar();
}

QLineEdit* LigacaoEdit::edit() const {
    return static_cast<QLineEdit*>(m_widget.data());
}

bool LigacaoEdit::confirmar() {
    QLineEdit* e = edit();
    if (!e || m_atualizando || m_escrevendo || !e->isModified() || !editavel()) return true;
    m_escrevendo = true;
    const bool ok = escrever(e->text());
    m_escrevendo = false;
    if (ok) atualizar();
    return ok;
}

void LigacaoEdit::mostrar(const QString& texto) {
    edit()->setText(texto);
    edit()->setModified(false);
}

void LigacaoEdit::aplicarEdicao(bool editavel) {
    edit()->setReadOnly(!editavel);
}

// QLabel

LigacaoRotulo::LigacaoRotulo(Conjunto& conjunto, const QString& campo, QLabel* rotulo)
    : Ligacao(conjunto, campo, rotulo) {
    m_somenteLeitura = true;
    atualizar();
}

void LigacaoRotulo::mostrar(const QString& texto) {
    static_cast<QLabel*>(m_widget.data())->setText(texto);
}

// QCheckBox

LigacaoCheck::LigacaoCheck(Conjunto& conjunto, const QString& campo, QCheckBox* c)
    : Ligacao(conjunto, campo, c) {
    connect(c, &QCheckBox::toggled, this, [this](bool marcado) {
        if (m_atualizando) return;
        if (!escrever(marcado ? QStringLiteral("1") : QStringLiteral("0"))) atualizar();
    });
    atualizar();
}

QCheckBox* LigacaoCheck::check() const {
    return static_cast<QCheckBox*>(m_widget.data());
}

void LigacaoCheck::mostrar(const QString& texto) {
    check()->setChecked(texto == QLatin1String("1"));
}

void LigacaoCheck::aplicarEdicao(bool editavel) {
    // Read-only but not greyed: the operator still reads it while browsing.
    check()->setAttribute(Qt::WA_TransparentForMouseEvents, !editavel);
    check()->setFocusPolicy(editavel ? Qt::StrongFocus : Qt::NoFocus);
}

// QComboBox

LigacaoCombo::LigacaoCombo(Conjunto& conjunto, const QString& campo, QComboBox* c, QStringList valores)
    : Ligacao(conjunto, campo, c), m_valores(std::move(valores)) {
    connect(c, &QComboBox::textActivated, this, [this](const QString& t) {
        if (m_atualizando) return;
        if (!escrever(m_valores.isEmpty() ? t : m_valores.value(combo()->findText(t)))) atualizar();
    });
    if (c->isEditable())
        connect(c, &QComboBox::editTextChanged, this, [this] {
            if (!m_atualizando) m_pendente = true;
        });
    if (c->lineEdit()) connect(c->lineEdit(), &QLineEdit::editingFinished, this, [this] { confirmar(); });
    atualizar();
}

QComboBox* LigacaoCombo::combo() const {
    return static_cast<QComboBox*>(m_widget.data());
}

bool LigacaoCombo::confirmar() {
    if (!m_pendente || !combo() || !editavel()) return true;
    if (!escrever(combo()->currentText())) return false;
    m_pendente = false;
    atualizar();
    return true;
}

void LigacaoCombo::mostrar(const QString& texto) {
    m_pendente = false;
    QComboBox* c = combo();
    const int i = m_valores.isEmpty() ? c->findText(texto) : static_cast<int>(m_valores.indexOf(texto));
    if (c->isEditable()) {
        c->setCurrentIndex(i);
        c->setEditText(texto);
    } else {
        c->setCurrentIndex(i); // a value out of the list shows nothing chosen
    }
}

void LigacaoCombo::aplicarEdicao(bool editavel) {
    combo()->setEnabled(editavel);
}

// QPlainTextEdit

LigacaoMemo::LigacaoMemo(Conjunto& conjunto, const QString& campo, QPlainTextEdit* m)
    : Ligacao(conjunto, campo, m) {
    connect(m, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_atualizando) m_pendente = true;
    });
    atualizar();
}

QPlainTextEdit* LigacaoMemo::memo() const {
    return static_cast<QPlainTextEdit*>(m_widget.data());
}

bool LigacaoMemo::confirmar() {
    if (!m_pendente || !memo() || !editavel()) return true;
    try {
        m_conjunto.definirBlob(m_campo, memo()->toPlainText());
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
        return false;
    }
    m_pendente = false;
    return true;
}

void LigacaoMemo::mostrar(const QString& texto) {
    m_pendente = false;
    if (memo()->toPlainText() != texto) memo()->setPlainText(texto);
}

void LigacaoMemo::aplicarEdicao(bool editavel) {
    memo()->setReadOnly(!editavel);
}

// Radio buttons

LigacaoOpcoes::LigacaoOpcoes(Conjunto& conjunto, const QString& campo, QWidget* caixa, QButtonGroup* grupo,
                             QStringList valores)
    : Ligacao(conjunto, campo, caixa), m_grupo(grupo), m_valores(std::move(valores)) {
    connect(grupo, &QButtonGroup::idClicked, this, [this](int id) {
        if (!m_atualizando && !escrever(m_valores.value(id))) atualizar();
    });
    atualizar();
}

void LigacaoOpcoes::mostrar(const QString& texto) {
    const int i = static_cast<int>(m_valores.indexOf(texto));
    QAbstractButton* b = m_grupo->button(i);
    if (b) {
        b->setChecked(true);
        return;
    }
    // Nothing chosen: an exclusive group keeps its checked button unless told otherwise.
    m_grupo->setExclusive(false);
    for (QAbstractButton* x : m_grupo->buttons())
        x->setChecked(false);
    m_grupo->setExclusive(true);
}

void LigacaoOpcoes::aplicarEdicao(bool editavel) {
    for (QAbstractButton* b : m_grupo->buttons()) {
        b->setAttribute(Qt::WA_TransparentForMouseEvents, !editavel);
        b->setFocusPolicy(editavel ? Qt::StrongFocus : Qt::NoFocus);
    }
}

} // namespace portaris

#include "Ligacoes.moc"
