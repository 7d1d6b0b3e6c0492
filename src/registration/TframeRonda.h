#pragma once
// The patrol panel ("Tela de cadastro de ronda"): patrol cards (setRON) and their schedule rows
// (tbRON), edited in place in a grid with a navigator of five buttons.
#include "ui/Ligacoes.h"
#include "ui/ModeloConjunto.h"

#include <QFrame>
#include <array>

class QCheckBox;
class QLineEdit;
class QListView;
class QMenu;
class QAction;
class QPlainTextEdit;
class QToolButton;

namespace portaris {

class TdmPORTARIS;
class TControladora;

class TframeRonda : public QFrame {
    Q_OBJECT
public:
    explicit TframeRonda(TdmPORTARIS& dm, QWidget* parent = nullptr);

    bool INCLUIR();
    bool ALTERAR();
    bool EXCLUIR();
    bool GRAVAR();
    bool CANCELAR();

    // The "Leitora" pick list: head addresses of this station's passive, then active-tag readers.
    void CARREGAR_CABECAS();
    QStringList cabecas() const { return m_cabecas; }
    void definirControladoras(const QList<TControladora*>& controladoras);
    // Enabled exactly when there is a patrol card and it is not being inserted or edited.
    void AtualizarNavegador();
    void definirDicasNavegador();

    // Navigator.
    void InserirHorario();
    void ApagarHorario();
    bool GravarHorario();
    void CancelarHorario();
    void AtualizarHorarios();

    void alternarListaApelidos();
    void escolherApelido(int linha);
    // Whether the database is on a remote server (the nickname list then re-reads first).
    std::function<bool()> bancoRemoto;

    QLineEdit *edCAR, *edAPE;
    QPlainTextEdit* mmOBS;
    std::array<QCheckBox*, 7> ckDIA;
    QCheckBox* ckDES;
    GradeConjunto* gdRON;
    QToolButton *btINS, *btAPA, *btGRA, *btCAN, *btATU;
    QListView* lsAPE;
    QMenu* pmLEI;
    QAction* miCLIP;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void cartaoDaControladora(int cabecaRef);

    TdmPORTARIS& m_dm;
    QList<Ligacao*> m_ligacoes;
    LigacaoEdit* m_ligCAR = nullptr;
    ModeloConjunto* m_modeloApelidos;
    ModeloConjunto* m_modeloHorarios;
    QStringList m_cabecas;
    QList<TControladora*> m_controladoras;
    QList<QAction*> m_itensControladora;
};

} // namespace portaris
