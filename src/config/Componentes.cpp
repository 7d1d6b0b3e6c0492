#include "Componentes.h"

#include "db/Firebird.h"
#include "platform/Mensagens.h"

#include <QKeyEvent>
#include <QValidator>

namespace portaris::componentes {

namespace {

// A validator, not a key filter: it judges characters whatever way they arrive (keys, paste,
// drop) and leaves arrows, Home, End, Delete and shortcuts to the line edit.
class ValidadorCaracteres : public QValidator {
public:
    ValidadorCaracteres(QString (*regra)(QChar), QObject* pai) : QValidator(pai), m_regra(regra) {}
    State validate(QString& texto, int&) const override {
        QString aceito;
        aceito.reserve(texto.size());
        for (const QChar c : texto) {
            const QString r = m_regra(c);
            if (r.isEmpty()) return Invalid;
            aceito += r;
        }
        texto = aceito;
        return Acceptable;
    }

private:
    QString (*m_regra)(QChar);
};

QString digito(QChar c) {
    return c >= u'0' && c <= u'9' ? QString(c) : QString();
}

class FiltroSemTeclas : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int k = static_cast<QKeyEvent*>(e)->key();
            return k != Qt::Key_Tab && k != Qt::Key_Backtab;
        }
        return QObject::eventFilter(o, e);
    }
};

} // namespace

void pintarFundo(QWidget* w, const QColor& cor) {
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, cor);
    w->setPalette(p);
}

QLabel* rotulo(QWidget* pai, const QString& texto, int x, int y, int largura) {
    auto* l = new QLabel(texto, pai);
    l->move(x, y);
    if (largura > 0)
        l->resize(largura, l->sizeHint().height());
    else
        l->adjustSize();
    return l;
}

QLineEdit* campo(QWidget* pai, const QString& nome, int x, int y, int largura, int altura) {
    auto* e = new QLineEdit(pai);
    e->setObjectName(nome);
    e->setGeometry(x, y, largura, altura);
    return e;
}

QCheckBox* caixa(QWidget* pai, const QString& nome, const QString& texto, int x, int y, int largura) {
    auto* c = new QCheckBox(texto, pai);
    c->setObjectName(nome);
    c->setGeometry(x, y, largura, 17);
    return c;
}

QComboBox* lista(QWidget* pai, const QString& nome, const QStringList& itens, int x, int y, int largura) {
    auto* c = new QComboBox(pai);
    c->setObjectName(nome);
    c->addItems(itens);
    c->setGeometry(x, y, largura, 21);
    semDigitacao(c);
    return c;
}

QPushButton* botao(QWidget* pai, const QString& nome, const QString& texto, int x, int y, int largura,
                   int altura) {
    auto* b = new QPushButton(texto, pai);
    b->setObjectName(nome);
    b->setGeometry(x, y, largura, altura);
    return b;
}

void filtrarCaracteres(QLineEdit* e, QString (*regra)(QChar)) {
    e->setValidator(new ValidadorCaracteres(regra, e));
}

void soDigitos(QLineEdit* e) {
    filtrarCaracteres(e, digito);
}

void semDigitacao(QComboBox* c) {
    c->installEventFilter(new FiltroSemTeclas(c));
}

} // namespace portaris::componentes
