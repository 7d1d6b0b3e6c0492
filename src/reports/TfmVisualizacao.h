#pragma once
// "Visualização": the report's pages at 100 %, drawn when shown, so the first page of a long
// listing appears at once; "Imprimir" sends the whole report to a printer.
#include "reports/RenderizadorRelatorio.h"

#include <QDialog>

class QLabel;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace portaris {

class TfmVisualizacao : public QDialog {
    Q_OBJECT
public:
    TfmVisualizacao(RenderizadorRelatorio& relatorio, QWidget* parent = nullptr);

    int pagina() const { return m_pagina; }
    void irPara(int pagina);
    QLabel* imagem() const { return m_imagem; }

    QToolButton *btPRI, *btANT, *btPRO, *btULT, *btIMP, *btFEC;
    QSpinBox* spPAG;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void imprimir();

    RenderizadorRelatorio& m_relatorio;
    QScrollArea* m_area;
    QLabel* m_imagem;
    int m_pagina = 0;
};

} // namespace portaris
