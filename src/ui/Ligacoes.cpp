#include "Ligacoes.h"

#include "platform/Mensagens.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

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
    try {
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

LigacaoCombo::LigacaoCombo(Conjunto& conjunto, const QString& campo, QComboBox* c)
    : Ligacao(conjunto, campo, c) {
    connect(c, &QComboBox::textActivated, this, [this](const QString& t) {
        if (!m_atualizando && !escrever(t)) atualizar();
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
    const int i = c->findText(texto);
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

} // namespace portaris

#include "Ligacoes.moc"
