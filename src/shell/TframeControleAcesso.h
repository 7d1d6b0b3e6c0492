#pragma once
// The access console: the latest access in large letters above the grid of today's accesses of
// this computer (setACE). Each new row becomes the dataset's current row, so both show it at once.
#include "ui/ModeloConjunto.h"

#include <QStyledItemDelegate>
#include <QWidget>

class QLineEdit;

namespace portaris {

class TdmPORTARIS;

// Paints the grid "Acessos": Arial 9 pt, the selected row silver and bold, the others pale
// yellow or yellow by record number (the first record is odd), "Não" in red in "Autorizado".
class DelegadoAcessos : public QStyledItemDelegate {
public:
    explicit DelegadoAcessos(int colunaAutorizado, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), m_colunaAutorizado(colunaAutorizado) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opcao, const QModelIndex& index) const override;

    static QColor fundo(int linha, bool selecionada);

private:
    int m_colunaAutorizado;
};

class TframeControleAcesso : public QWidget {
    Q_OBJECT
public:
    explicit TframeControleAcesso(Conjunto& setACE, QWidget* parent = nullptr);

    ModeloConjunto* modelo() const { return m_modelo; }
    GradeConjunto* gdACE() const { return m_grade; }
    // The six fields of the top panel: CARTAO, GRUPO, TIPO, NOME, ORIGEM, DESTINO.
    QLineEdit* campo(const QString& nome) const;

private:
    ModeloConjunto* m_modelo;
    GradeConjunto* m_grade;
    QHash<QString, QLineEdit*> m_campos;
};

} // namespace portaris
