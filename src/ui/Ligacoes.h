#pragma once
// Bindings of widgets to the fields of a dataset, one class per widget kind. A bound widget shows
// the field of the current row (refreshed on every move, state change and data change), is
// read-only while the dataset browses and writes the text typed through the field's validator
// while it inserts or edits. A validator's refusal (the silent stop) leaves the dataset in its state
// with the validator's fallback in the field: every widget bound to that field shows it, and the
// refused one keeps the focus; the message was already shown.
//
//   auto* b = new LigacaoEdit(dm.setUSU, "SEGE", edSEGE);   // owned by the widget
//   ...  b->confirmar();   // before saving: the text still being typed goes into the field
#include "db/Conjunto.h"

#include <QObject>
#include <QPointer>

class QLineEdit;
class QLabel;
class QCheckBox;
class QComboBox;
class QWidget;
class QButtonGroup;
class QPlainTextEdit;
class QAbstractItemModel;

namespace portaris {

class Ligacao : public QObject {
    Q_OBJECT
public:
    Ligacao(Conjunto& conjunto, QString campo, QWidget* widget);

    Conjunto& conjunto() const { return m_conjunto; }
    const QString& campo() const { return m_campo; }
    // Always read-only, whatever the dataset's state (display fields).
    void definirSomenteLeitura(bool sim);
    bool editavel() const;

    // Field → widget.
    void atualizar();
    // Widget → field when the widget holds a change not yet written; false when refused.
    virtual bool confirmar() { return true; }

protected:
    virtual void mostrar(const QString& texto) = 0;
    virtual void aplicarEdicao(bool editavel) = 0;
    // Writes through the validator; the silent stop and database errors stop here.
    bool escrever(const QString& texto);
    virtual QString textoCampo() const;

    Conjunto& m_conjunto;
    QString m_campo;
    QPointer<QWidget> m_widget;
    bool m_atualizando = false;
    bool m_somenteLeitura = false;
};

class LigacaoEdit : public Ligacao {
    Q_OBJECT
public:
    // Applies the field's input mask when it has one, else the column's width as the longest text.
    LigacaoEdit(Conjunto& conjunto, const QString& campo, QLineEdit* edit);
    bool confirmar() override;

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    QLineEdit* edit() const;
    bool m_escrevendo = false; // the validator's message takes the focus: no second write meanwhile
};

class LigacaoRotulo : public Ligacao {
    Q_OBJECT
public:
    LigacaoRotulo(Conjunto& conjunto, const QString& campo, QLabel* rotulo);

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool) override {}
};

// Flags "1" / "0": checked is "1".
class LigacaoCheck : public Ligacao {
    Q_OBJECT
public:
    LigacaoCheck(Conjunto& conjunto, const QString& campo, QCheckBox* check);

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    QCheckBox* check() const;
};

// The field holds the text of the chosen item (or the text typed in an editable box). With
// `valores`, item i stores valores[i] instead ("250 ms" stores "250"); a stored value that is not
// in the list shows no item chosen.
class LigacaoCombo : public Ligacao {
    Q_OBJECT
public:
    LigacaoCombo(Conjunto& conjunto, const QString& campo, QComboBox* combo, QStringList valores = {});
    bool confirmar() override;

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    QComboBox* combo() const;
    bool m_pendente = false;
    QStringList m_valores;
};

// A choice of radio buttons: the button with id i stores valores[i]. The group's buttons live in
// one container widget, which the binding belongs to.
class LigacaoOpcoes : public Ligacao {
    Q_OBJECT
public:
    LigacaoOpcoes(Conjunto& conjunto, const QString& campo, QWidget* caixa, QButtonGroup* grupo,
                  QStringList valores);

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    QButtonGroup* m_grupo;
    QStringList m_valores;
};

// Multi-line text, of a text BLOB (read when the row is shown, written with the record) or of a
// plain text column.
class LigacaoMemo : public Ligacao {
    Q_OBJECT
public:
    LigacaoMemo(Conjunto& conjunto, const QString& campo, QPlainTextEdit* memo);
    bool confirmar() override;

protected:
    QString textoCampo() const override;
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    QPlainTextEdit* memo() const;
    bool m_pendente = false;
};

// A key field chosen by name from another dataset (a family's members among the holders): the
// list shows `campoNome` of `origem` and the field stores that row's `campoChave`; empty = null.
class LigacaoChave : public Ligacao {
    Q_OBJECT
public:
    LigacaoChave(Conjunto& conjunto, const QString& campo, QComboBox* combo, Conjunto& origem,
                 QAbstractItemModel* modeloNomes, const QString& campoChave = QStringLiteral("CHAVE"));

protected:
    void mostrar(const QString& texto) override;
    void aplicarEdicao(bool editavel) override;

private:
    int linhaDaChave(const QString& chave);
    QComboBox* combo() const;
    void esvaziar();
    bool eventFilter(QObject* obj, QEvent* e) override;
    bool m_origemMudou = false; // shown again when the list is next seen
    Conjunto& m_origem;
    QString m_campoChave;
};

// The keys of a masked time or date field: a selection wider than one position is cut to one,
// and Delete / Backspace type a 0, so no position of the mask is erased.
class TeclasMascara : public QObject {
    Q_OBJECT
public:
    explicit TeclasMascara(QObject* parent) : QObject(parent) {}
    static void instalar(QLineEdit* edit);

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
};

// A click in a masked field past what was typed puts the cursor on the first free position, so
// typing goes in from there and not into a position the mask then drops.
class CliqueMascara : public QObject {
    Q_OBJECT
public:
    explicit CliqueMascara(QObject* parent) : QObject(parent) {}
    static void instalar(QLineEdit* edit);
    // Just past the last position typed (0 when none).
    static int primeiraLivre(const QLineEdit* edit);

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
};

} // namespace portaris
