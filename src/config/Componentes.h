#pragma once
// Small pieces every page of the configuration panel is laid out with: pixel positions as the
// pages were drawn, the page colours, the key filters and the hourglass.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace portaris::componentes {

inline const QColor CorPagina(211, 235, 188);
inline const QColor CorPaginaBanco(220, 220, 201);

void pintarFundo(QWidget* w, const QColor& cor);
QLabel* rotulo(QWidget* pai, const QString& texto, int x, int y, int largura = -1);
QLineEdit* campo(QWidget* pai, const QString& nome, int x, int y, int largura, int altura = 21);
QCheckBox* caixa(QWidget* pai, const QString& nome, const QString& texto, int x, int y, int largura);
QComboBox* lista(QWidget* pai, const QString& nome, const QStringList& itens, int x, int y, int largura);
QPushButton* botao(QWidget* pai, const QString& nome, const QString& texto, int x, int y, int largura,
                   int altura = 25);

// Each character typed or pasted goes through `regra`: the character to keep (it may change its
// case) or empty to refuse the whole entry. Editing keys are untouched.
void filtrarCaracteres(QLineEdit* e, QString (*regra)(QChar));
// Digits 0-9 only.
void soDigitos(QLineEdit* e);
// A list chosen only from its items: every key is ignored.
void semDigitacao(QComboBox* c);

// The hourglass for the length of a handler, whatever way it leaves.
struct Ampulheta {
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { restaurar(); }
    void restaurar() {
        if (ativa) QApplication::restoreOverrideCursor();
        ativa = false;
    }
    bool ativa = true;
};

} // namespace portaris::componentes
