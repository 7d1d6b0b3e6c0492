#pragma once
// "Habilitar acesso": every reader of every station; a double-click opens the batch enabling of
// a reader, the context menu gives a reader to this station.
#include <QWidget>
#include <functional>

class QAction;
class QMenu;
class QPushButton;

namespace portaris {

class TdmPORTARIS;
class GradeConjunto;
class ModeloConjunto;
class Conjunto;

class TframeHabilitarAcesso : public QWidget {
    Q_OBJECT
public:
    TframeHabilitarAcesso(TdmPORTARIS& dm, QWidget* parent = nullptr);

    GradeConjunto *gdLEITORA71, *gdLEITORA64;
    QPushButton* btATUALIZAR;
    QMenu* pmATRIBUIR;
    QAction* miATRIBUIR;

    QString estacao;
    void AtualizarLista();
    // The context menu entry for the list that has the focus: caption and enabling.
    void prepararMenu(GradeConjunto* grade);
    void Atribuir(GradeConjunto* grade);
    std::function<void(const QString& modelo, int chave, const QString& cabeca, const QString& descricao)>
        abrirHabilitarLista;

private:
    void abrirLote(GradeConjunto* grade);
    Conjunto& consulta(GradeConjunto* grade) const;
    TdmPORTARIS& m_dm;
};

} // namespace portaris
