#pragma once
// The configuration panel: the option tree on the right, one page per node on the left.
#include "PaginaCadastro.h"

#include <QWidget>
#include <functional>

class QStackedWidget;
class QTreeWidget;

namespace portaris {

class TdmPORTARIS;
class TabelaPortas;
class TframeLeitoras71;
class TframeLeitoras64AX;
class TframeConcentradora;
class TframeGrupos;
class TframeRedeLocal;
class TframeContas;
class TframeBancoDados;
class TframeWebCam;
class TframeCopia;
class TframeManutencao;
class TframeFeriados;
class TframeOutrasOpcoes;
class TframeImpressora;
class TframeControleRemoto;
class TframeHabilitarAcesso;

class TframeConfigurar : public QWidget {
    Q_OBJECT
public:
    enum No {
        noLEITORAS71 = 0,
        noLEITORAS64AX,
        noCONCENTRADORA,
        noGRUPOS,
        noREDELOCAL,
        noCONTAS,
        noCOPIA,
        noBANCODADOS,
        noWEBCAM,
        noFERIADOS,
        noOUTRAS,
        noMANUTENCAO,
        noIMPRESSORA,
        noCONTROLEREMOTO,
        noHABILITAR,
        QuantidadeNos
    };
    static QStringList legendas();

    // `modoServidor`: no connection, only "Rede local" serves (server configuration mode).
    TframeConfigurar(TdmPORTARIS& dm, bool modoServidor = false, QWidget* parent = nullptr);

    // Chooses a node as a click does; false when the open record holds the tree.
    bool escolherNo(int no);
    int noAtual() const { return m_no; }
    // The operations of the page in front, null on a page without a record.
    const OperacoesRegistro* operacoes() const;

    // The station's port table, lent to the device commands (null: each command opens its line).
    void definirPortas(const TabelaPortas* portas);
    // The first call in the run fills the two mother-reader lists with the keys (decimal) of the
    // readers that drive their own relay; later calls do nothing.
    void preencherListasMae(const QStringList& chaves71, const QStringList& chaves64);

    // Hooks of the registration panels: refill the user panel's group list after a group was
    // saved or deleted; open the batch enabling window for one reader (model "71" or "64AX").
    std::function<void()> atualizarGruposUsuario;
    std::function<void(const QString& modelo, int chave, const QString& cabeca, const QString& descricao)>
        abrirHabilitarLista;

    QTreeWidget* tvOPCOES;
    QStackedWidget* pgPAGINAS;
    TframeLeitoras71* tsLEITORA71;
    TframeLeitoras64AX* tsLEITORA64;
    TframeConcentradora* tsCONTROLADORA;
    TframeGrupos* tsGRUPOS = nullptr;
    TframeRedeLocal* tsREDELOCAL = nullptr;
    TframeContas* tsCONTAS = nullptr;
    TframeBancoDados* tsBANCODADOS = nullptr;
    TframeWebCam* tsWEBCAM = nullptr;
    TframeCopia* tsCOPIA = nullptr;
    TframeManutencao* tsMANUTENCAO = nullptr;
    TframeFeriados* tsFERIADOS = nullptr;
    TframeOutrasOpcoes* tsOUTRAS = nullptr;
    TframeImpressora* tsIMPRESSORA = nullptr;
    TframeControleRemoto* tsREMOTO = nullptr;
    TframeHabilitarAcesso* tsHABILITAR = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void mostrarNo(int no);

    TdmPORTARIS& m_dm;
    bool m_modoServidor;
    int m_no = -1;
    bool m_maesPreenchidas = false;
    QList<QWidget*> m_paginas;
    QHash<int, OperacoesRegistro> m_operacoes;
};

} // namespace portaris
