#pragma once
// The access console: the latest access in large letters above the grid of today's accesses of
// this computer (setACE). Each new row becomes the dataset's current row, so both show it at once.
#include "ui/DelegadoAcessos.h"
#include "ui/ModeloConjunto.h"

#include <QWidget>

class QLineEdit;

namespace portaris {

class TdmPORTARIS;

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
