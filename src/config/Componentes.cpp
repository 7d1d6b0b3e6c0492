#include "Componentes.h"

#include "db/Firebird.h"
#include "platform/Mensagens.h"

#include <QKeyEvent>

namespace portaris::componentes {

namespace {

class FiltroDigitos : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return QObject::eventFilter(o, e);
        const auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Backspace || k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab ||
            k->key() == Qt::Key_Left || k->key() == Qt::Key_Right || k->key() == Qt::Key_Home ||
            k->key() == Qt::Key_End || k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            return false;
        const QString t = k->text();
        return !(t.size() == 1 && t.at(0) >= u'0' && t.at(0) <= u'9');
    }
};

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

void soDigitos(QLineEdit* e) {
    e->installEventFilter(new FiltroDigitos(e));
}

void semDigitacao(QComboBox* c) {
    c->installEventFilter(new FiltroSemTeclas(c));
}

} // namespace portaris::componentes
