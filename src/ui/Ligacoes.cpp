#include "Ligacoes.h"

#include "platform/Mensagens.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QConcatenateTablesProxyModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStandardItemModel>

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

// Key → row of a dataset, rebuilt after its rows change; one per dataset, shared by its bindings.
class IndiceChaves : public QObject {
    Q_OBJECT
public:
    static IndiceChaves* de(Conjunto& c) {
        auto* i = c.findChild<IndiceChaves*>(QString(), Qt::FindDirectChildrenOnly);
        return i ? i : new IndiceChaves(c);
    }
    QHash<qint64, int>& indice(const QString& campo) {
        if (m_sujo || campo != m_campo) {
            m_indice.clear();
            m_campo = campo;
            if (m_conjunto.aberto()) {
                m_indice.reserve(m_conjunto.quantidade());
                for (int r = 0; r < m_conjunto.quantidade(); ++r)
                    m_indice.insert(m_conjunto.valor(r, campo).toLongLong(), r);
            }
            m_sujo = false;
        }
        return m_indice;
    }

private:
    explicit IndiceChaves(Conjunto& c) : QObject(&c), m_conjunto(c) {
        connect(&c, &Conjunto::dadosMudaram, this, [this] { m_sujo = true; });
        connect(&c, &Conjunto::linhasLidas, this, [this] { m_sujo = true; });
    }
    Conjunto& m_conjunto;
    QHash<qint64, int> m_indice;
    QString m_campo;
    bool m_sujo = true;
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

namespace {
// Deleting the last row tells of the change before the position moves: there is no row to show.
bool semLinha(const Conjunto& c) {
    return !c.aberto() || (!c.emEdicao() && (c.posicao() < 0 || c.posicao() >= c.quantidade()));
}
} // namespace

QString Ligacao::textoCampo() const {
    if (semLinha(m_conjunto)) return {};
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
        if (!f.mascara.isEmpty()) {
            e->setInputMask(MascaraQt(f.mascara));
            CliqueMascara::instalar(e);
        }
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
        if (!m_atualizando && editavel()) confirmar();
    });
    atualizar();
}

QPlainTextEdit* LigacaoMemo::memo() const {
    return static_cast<QPlainTextEdit*>(m_widget.data());
}

QString LigacaoMemo::textoCampo() const {
    if (semLinha(m_conjunto)) return {};
    try {
        const int i = m_conjunto.indiceCampo(m_campo);
        if (i >= 0 && m_conjunto.campos()[i].blob) return m_conjunto.lerBlob(m_campo).toString();
        return m_conjunto.texto(m_campo);
    } catch (const ErroBanco&) {
        return {};
    }
}

bool LigacaoMemo::confirmar() {
    if (!memo() || m_atualizando || !editavel()) return true;
    const int i = m_conjunto.indiceCampo(m_campo);
    if (i >= 0 && m_conjunto.campos()[i].blob) {
        // A BLOB is written with the record only when set as one.
        try {
            m_conjunto.definirBlob(m_campo, memo()->toPlainText());
        } catch (const ErroBanco& e) {
            MostrarMensagem(e.texto());
            return false;
        }
        return true;
    }
    return escrever(memo()->toPlainText());
}

void LigacaoMemo::mostrar(const QString& texto) {
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

// QComboBox of keys

LigacaoChave::LigacaoChave(Conjunto& conjunto, const QString& campo, QComboBox* c, Conjunto& origem,
                           QAbstractItemModel* modeloNomes, const QString& campoChave)
    : Ligacao(conjunto, campo, c), m_origem(origem), m_campoChave(campoChave) {
    // The list opens with an empty entry: choosing it empties the slot, as Delete does.
    auto* vazia = new QStandardItemModel(1, 1, this);
    auto* lista = new QConcatenateTablesProxyModel(this);
    lista->addSourceModel(vazia);
    lista->addSourceModel(modeloNomes);
    c->setModel(lista);
    c->setModelColumn(0);
    connect(c, &QComboBox::activated, this, [this](int linha) {
        if (m_atualizando) return;
        if (linha == 0) {
            esvaziar();
            return;
        }
        const int r = linha - 1;
        const QString chave = r >= 0 && r < m_origem.quantidade() ? m_origem.texto(r, m_campoChave) : QString();
        if (!escrever(chave)) atualizar();
    });
    // The holders' rows moved: the same key now sits on another row. A list nobody sees waits
    // until it is shown, so reopening a large origin costs no lookup for hidden panels.
    connect(&origem, &Conjunto::dadosMudaram, this, [this] {
        if (combo() && combo()->isVisible())
            atualizar();
        else
            m_origemMudou = true;
    });
    c->installEventFilter(this);
    atualizar();
}

bool LigacaoChave::eventFilter(QObject* obj, QEvent* e) {
    if (obj == m_widget && e->type() == QEvent::Show && m_origemMudou) {
        m_origemMudou = false;
        atualizar();
    }
    // A key may be left empty: Delete (or Backspace) clears it.
    if (obj == m_widget && e->type() == QEvent::KeyPress && editavel() && !m_atualizando) {
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k == Qt::Key_Delete || k == Qt::Key_Backspace) {
            esvaziar();
            return true;
        }
    }
    return false;
}

void LigacaoChave::esvaziar() {
    try {
        m_conjunto.definir(m_campo, QVariant()); // null: no text converts to an empty key
        emit AvisoCampos::de(m_conjunto)->campoMudou(m_campo);
    } catch (const ErroBanco& erro) {
        MostrarMensagem(erro.texto());
    }
    atualizar();
}

QComboBox* LigacaoChave::combo() const {
    return static_cast<QComboBox*>(m_widget.data());
}

int LigacaoChave::linhaDaChave(const QString& chave) {
    bool ok = false;
    const qint64 k = chave.toLongLong(&ok);
    if (!ok || !m_origem.aberto()) return -1;
    return IndiceChaves::de(m_origem)->indice(m_campoChave).value(k, -1);
}

void LigacaoChave::mostrar(const QString& texto) {
    // Row 0 is the empty entry: an empty key, or one no holder has any more, shows it.
    combo()->setCurrentIndex(linhaDaChave(texto) + 1);
}

void LigacaoChave::aplicarEdicao(bool editavel) {
    combo()->setEnabled(editavel);
}

// Keys of masked fields

void TeclasMascara::instalar(QLineEdit* edit) {
    edit->installEventFilter(new TeclasMascara(edit));
}

bool TeclasMascara::eventFilter(QObject* obj, QEvent* e) {
    auto* edit = qobject_cast<QLineEdit*>(obj);
    if (!edit || e->type() != QEvent::KeyPress) return false;
    auto* k = static_cast<QKeyEvent*>(e);
    if (edit->selectedText().size() > 1) edit->setSelection(edit->selectionStart(), 1);
    if (k->key() == Qt::Key_Delete || k->key() == Qt::Key_Backspace) {
        QKeyEvent zero(QEvent::KeyPress, Qt::Key_0, k->modifiers(), QStringLiteral("0"));
        QCoreApplication::sendEvent(edit, &zero);
        return true;
    }
    return false;
}

// Click in masked fields

void CliqueMascara::instalar(QLineEdit* edit) {
    if (!edit->findChild<CliqueMascara*>(QString(), Qt::FindDirectChildrenOnly))
        edit->installEventFilter(new CliqueMascara(edit));
}

int CliqueMascara::primeiraLivre(const QLineEdit* edit) {
    // The mask's own positions, without its case and blank markers: an input position or a literal.
    QString mascara = edit->inputMask().section(u';', 0, 0);
    QList<bool> entrada;
    for (qsizetype i = 0; i < mascara.size(); ++i) {
        const QChar c = mascara[i];
        if (c == u'>' || c == u'<' || c == u'!') continue;
        if (c == u'\\') {
            ++i;
            entrada.append(false);
            continue;
        }
        entrada.append(QStringLiteral("AaNnXx90Dd#HhBb").contains(c));
    }
    const QString blank = edit->inputMask().section(u';', 1, 1);
    const QChar vazio = blank.isEmpty() ? QChar(u' ') : blank[0];
    const QString mostrado = edit->displayText();
    int livre = 0;
    for (int i = 0; i < mostrado.size() && i < entrada.size(); ++i)
        if (entrada[i] && mostrado[i] != vazio) livre = i + 1;
    // Past a literal that follows the last typed position, as typing would put it.
    while (livre < entrada.size() && !entrada[livre]) ++livre;
    return livre;
}

bool CliqueMascara::eventFilter(QObject* obj, QEvent* e) {
    auto* edit = qobject_cast<QLineEdit*>(obj);
    if (!edit || edit->inputMask().isEmpty() || edit->isReadOnly()) return false;
    if (e->type() != QEvent::MouseButtonPress || static_cast<QMouseEvent*>(e)->button() != Qt::LeftButton)
        return false;
    // The line edit places the cursor where the click was; then it moves back to the first free one.
    static_cast<QObject*>(edit)->event(e);
    const int livre = primeiraLivre(edit);
    if (!edit->hasSelectedText() && edit->cursorPosition() > livre) edit->setCursorPosition(livre);
    return true;
}

} // namespace portaris

#include "Ligacoes.moc"
