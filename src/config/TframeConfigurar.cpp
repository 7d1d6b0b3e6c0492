#include "TframeConfigurar.h"

#include "TframeCopia.h"

#include "Componentes.h"
#include "TframeBancoDados.h"
#include "TframeConcentradora.h"
#include "TframeContas.h"
#include "TframeControleRemoto.h"
#include "TframeFeriados.h"
#include "TframeGrupos.h"
#include "TframeHabilitarAcesso.h"
#include "TframeImpressora.h"
#include "TframeLeitoras64AX.h"
#include "TframeLeitoras71.h"
#include "TframeOutrasOpcoes.h"
#include "TframeRedeLocal.h"
#include "TframeWebCam.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "ui/Protegido.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QRadioButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeWidget>

namespace portaris {

using namespace componentes;

QStringList TframeConfigurar::legendas() {
    return {QStringLiteral("Leitoras 71"),
            QStringLiteral("Leitoras 64AX"),
            QStringLiteral("Concentradora"),
            QStringLiteral("Grupos"),
            QStringLiteral("Rede local"),
            QStringLiteral("Contas"),
            QStringLiteral("Cópia de segurança"),
            QStringLiteral("Banco de dados"),
            QStringLiteral("WebCam"),
            QStringLiteral("Feriados"),
            QStringLiteral("Outras opções"),
            QStringLiteral("Manutenção"),
            QStringLiteral("Impressora"),
            QStringLiteral("Controle Remoto"),
            QStringLiteral("Habilitar acesso")};
}

TframeConfigurar::TframeConfigurar(TdmPORTARIS& dm, bool modoServidor, QWidget* parent)
    : QWidget(parent), m_dm(dm), m_modoServidor(modoServidor) {
    setObjectName(QStringLiteral("frameConfigurar"));
    pgPAGINAS = new QStackedWidget;
    tsLEITORA71 = new TframeLeitoras71(dm.setLEI);
    tsLEITORA64 = new TframeLeitoras64AX(dm.setLEI64);
    tsCONTROLADORA = new TframeConcentradora(dm.setCNL);
    tsGRUPOS = new TframeGrupos(dm);
    tsREDELOCAL = new TframeRedeLocal(dm, modoServidor);
    tsCONTAS = new TframeContas(dm);
    tsCOPIA = new TframeCopia(dm);
    auto* copia = tsCOPIA;
    tsBANCODADOS = new TframeBancoDados(dm);
    tsWEBCAM = new TframeWebCam;
    tsFERIADOS = new TframeFeriados(dm);
    tsOUTRAS = new TframeOutrasOpcoes;
    tsMANUTENCAO = new TframeManutencao(dm);
    // The services take the database page's values as they stand.
    tsCOPIA->parametros = [this] {
        ParametrosCopia p;
        p.usuario = tsBANCODADOS->edUSUARIO->text();
        p.senha = tsBANCODADOS->edSENHA->text();
        p.interbase = tsBANCODADOS->rbINTERBASE->isChecked();
        p.tamanhoPagina = tsBANCODADOS->spPAGINA->value();
        p.buffers = tsBANCODADOS->spBUFFERS->value();
        return p;
    };
    auto* manutencao = tsMANUTENCAO;
    tsIMPRESSORA = new TframeImpressora;
    tsREMOTO = new TframeControleRemoto;
    tsHABILITAR = new TframeHabilitarAcesso(dm);
    m_paginas = {tsLEITORA71, tsLEITORA64, tsCONTROLADORA, tsGRUPOS, tsREDELOCAL,
                 tsCONTAS,    copia,       tsBANCODADOS,   tsWEBCAM, tsFERIADOS,
                 tsOUTRAS,    manutencao,  tsIMPRESSORA,   tsREMOTO, tsHABILITAR};
    for (QWidget* p : m_paginas)
        pgPAGINAS->addWidget(p);
    m_operacoes.insert(noLEITORAS71, tsLEITORA71->operacoes());
    m_operacoes.insert(noLEITORAS64AX, tsLEITORA64->operacoes());
    m_operacoes.insert(noCONCENTRADORA, tsCONTROLADORA->operacoes());
    m_operacoes.insert(noGRUPOS, tsGRUPOS->operacoes());
    m_operacoes.insert(noCONTAS, tsCONTAS->operacoes());

    tvOPCOES = new QTreeWidget;
    tvOPCOES->setObjectName(QStringLiteral("tvOPCOES"));
    tvOPCOES->setHeaderHidden(true);
    tvOPCOES->setRootIsDecorated(false);
    tvOPCOES->setFixedWidth(160);
    tvOPCOES->setFocusPolicy(Qt::NoFocus);
    tvOPCOES->setStyleSheet(
        QStringLiteral("QTreeWidget::item:selected { background: black; color: white; }"));
    for (const QString& l : legendas())
        tvOPCOES->addTopLevelItem(new QTreeWidgetItem({l}));
    tvOPCOES->viewport()->installEventFilter(this);
    tvOPCOES->installEventFilter(this);

    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    h->addWidget(pgPAGINAS, 1);
    h->addWidget(tvOPCOES);

    const QString estacao = dm.estacao;
    for (PaginaDispositivo* p :
         std::initializer_list<PaginaDispositivo*>{tsLEITORA71, tsLEITORA64, tsCONTROLADORA})
        p->estacao = estacao;
    tsHABILITAR->estacao = estacao;
    tsGRUPOS->aoMudarGrupos = [this] {
        if (atualizarGruposUsuario) atualizarGruposUsuario();
    };
    tsHABILITAR->abrirHabilitarLista = [this](const QString& m, int c, const QString& cab, const QString& d) {
        if (abrirHabilitarLista) abrirHabilitarLista(m, c, cab, d);
    };
    // The main window loads the printing options at its creation, and the calendar once.
    tsIMPRESSORA->Carregar();
    if (dm.conectado()) tsFERIADOS->Carregar(relogio().hoje().year());
    tsREDELOCAL->Carregar();
    mostrarNo(modoServidor ? noREDELOCAL : noLEITORAS71);
}

void TframeConfigurar::definirPortas(const TabelaPortas* portas) {
    for (PaginaDispositivo* p :
         std::initializer_list<PaginaDispositivo*>{tsLEITORA71, tsLEITORA64, tsCONTROLADORA})
        p->portas = portas;
}

void TframeConfigurar::preencherListasMae(const QStringList& chaves71, const QStringList& chaves64) {
    if (m_maesPreenchidas) return;
    m_maesPreenchidas = true;
    for (const QString& c : chaves71)
        tsLEITORA71->adicionarMae(c);
    for (const QString& c : chaves64)
        tsLEITORA64->adicionarMae(c);
}

const OperacoesRegistro* TframeConfigurar::operacoes() const {
    auto i = m_operacoes.constFind(m_no);
    return i == m_operacoes.constEnd() ? nullptr : &i.value();
}

bool TframeConfigurar::escolherNo(int no) {
    if (no < 0 || no >= QuantidadeNos) return false;
    if (no == m_no) return true;
    if (m_dm.conectado() && (m_dm.setLEI.emEdicao() || m_dm.setCON.emEdicao())) return false;
    mostrarNo(no);
    return true;
}

void TframeConfigurar::mostrarNo(int no) {
    m_no = no;
    tvOPCOES->setCurrentItem(tvOPCOES->topLevelItem(no));
    pgPAGINAS->setCurrentIndex(no);
    Protegido([&] {
        switch (no) {
        case noLEITORAS64AX:
            tsLEITORA64->aoMostrar();
            break;
        case noREDELOCAL:
            tsREDELOCAL->Carregar();
            break;
        case noBANCODADOS:
            MostrarMensagem(QStringLiteral(
                "@!000AVI As configurações desta opção devem ser alteradas somente sob orientação técnica."));
            break;
        case noWEBCAM:
            tsWEBCAM->Carregar();
            break;
        case noCOPIA:
            tsCOPIA->Carregar();
            break;
        case noOUTRAS:
            tsOUTRAS->Carregar();
            break;
        case noIMPRESSORA:
            tsIMPRESSORA->Carregar();
            break;
        case noCONTROLEREMOTO:
            tsREMOTO->Carregar();
            break;
        default:
            break;
        }
    });
}

// Nodes are chosen with the mouse only, and an open record keeps its node.
bool TframeConfigurar::eventFilter(QObject* o, QEvent* e) {
    if (o == tvOPCOES && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) return true;
    if (o == tvOPCOES->viewport() &&
        (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick ||
         e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::MouseMove)) {
        if (e->type() == QEvent::MouseButtonPress) {
            QTreeWidgetItem* item = tvOPCOES->itemAt(static_cast<QMouseEvent*>(e)->position().toPoint());
            if (item) escolherNo(tvOPCOES->indexOfTopLevelItem(item));
        }
        return true;
    }
    return QWidget::eventFilter(o, e);
}

} // namespace portaris
