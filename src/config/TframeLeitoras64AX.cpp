#include "TframeLeitoras64AX.h"

#include "Componentes.h"
#include "devices/uLeitora64AX.h"
#include "platform/Mensagens.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>

namespace portaris {

using namespace componentes;

TframeLeitoras64AX::TframeLeitoras64AX(Conjunto& c, QWidget* parent) : PaginaLeitora(c, 170, parent) {
    setObjectName(QStringLiteral("tsLEITORA64"));
    criarComuns(412, 56);
    edCABECA->setToolTip(QStringLiteral("A identificação deve ser entre 128-255 e também diferente de 170."));
    rotulo(this, QStringLiteral("Nome do acesso"), 110, 54);
    edDESCRICAO01 = campo(this, QStringLiteral("edDESCRICAO01"), 110, 70, 290);
    ligar<LigacaoEdit>(QStringLiteral("DESCRICAO01"), edDESCRICAO01);
    rgRELE = grupoOpcoes(QStringLiteral("rgRELE"), QStringLiteral(" Tempo de relé"),
                         {QStringLiteral("250 ms"), QStringLiteral("500 ms"), QStringLiteral("750 ms"),
                          QStringLiteral("1 seg"), QStringLiteral("2 seg")},
                         {QStringLiteral("250"), QStringLiteral("500"), QStringLiteral("750"),
                          QStringLiteral("1000"), QStringLiteral("2000")},
                         QStringLiteral("RELE"), QRect(16, 98, 384, 48), 5);
    rgPOSICAO =
        grupoOpcoes(QStringLiteral("rgPOSICAO"), QStringLiteral(" Posicionamento acesso "),
                    {QStringLiteral("Não se aplica"), QStringLiteral("Entrada"), QStringLiteral("Saída")},
                    {QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("S")},
                    QStringLiteral("POSICAO_L1"), QRect(16, 150, 270, 48), 3);
    gbWEBCAM = new QGroupBox(QStringLiteral(" Utiliza WebCam "), this);
    gbWEBCAM->setGeometry(292, 150, 108, 48);
    ckUSARWEBCAM01 = caixa(gbWEBCAM, QStringLiteral("ckUSARWEBCAM01"), QStringLiteral("Sim"), 10, 20, 60);
    ligar<LigacaoCheck>(QStringLiteral("USARWEBCAM01"), ckUSARWEBCAM01);

    int y = 206;
    rotulo(this, QStringLiteral("Desligar antena ao iniciar trânsito"), 16, y + 3);
    edDESLIGARPOR = campo(this, QStringLiteral("edDESLIGARPOR"), 236, y, 40);
    soDigitos(edDESLIGARPOR);
    edDESLIGARPOR->setToolTip(QStringLiteral("O tempo deve ser um valor entre 0 e 120 segundos."));
    ligar<LigacaoEdit>(QStringLiteral("DESLIGARPOR"), edDESLIGARPOR);
    edDESLIGARPOR->setMaxLength(3);
    rotulo(this, QStringLiteral("segundos"), 282, y + 3);
    y += 26;
    auto marcar = [&](const QString& nome, const QString& texto, const QString& coluna) {
        QCheckBox* k = caixa(this, nome, texto, 16, y, 330);
        ligar<LigacaoCheck>(coluna, k);
        y += 20;
        return k;
    };
    ckCONFIRMARACESSO =
        marcar(QStringLiteral("ckCONFIRMARACESSO"), QStringLiteral("Acesso com confirmação manual"),
               QStringLiteral("CONFIRMARACESSO"));
    ckDESABILITAR = marcar(QStringLiteral("ckDESABILITAR"), QStringLiteral("Desabilitar leitora"),
                           QStringLiteral("DESABILITAR"));
    ckPERMITIRREMOTO =
        marcar(QStringLiteral("ckPERMITIRREMOTO"), QStringLiteral("Permitir controle remoto da leitora"),
               QStringLiteral("PERMITIRREMOTO"));
    ckNAOBATERELE = marcar(QStringLiteral("ckNAOBATERELE"), QStringLiteral("Não controlar relés"),
                           QStringLiteral("NAOBATERELE"));
    ckNAOBATERELE->setToolTip(QStringLiteral("    Desabilita o controle de relés, permitindo \n"
                                             "opcionalmente passar o controle para outra leitora."));
    lbMAE = rotulo(this, QStringLiteral("Identificação da leitora mãe"), 36, y);
    cbMAE = lista(this, QStringLiteral("cbMAE"), {}, 200, y - 3, 100);
    m_ligMae = ligar<LigacaoCombo>(QStringLiteral("ID_LEITORAMAE"), cbMAE);
    y += 24;
    ckPERMITIRREINGRESSO = marcar(QStringLiteral("ckPERMITIRREINGRESSO"),
                                  QStringLiteral("Permitir re-ingresso para entrada/saída"),
                                  QStringLiteral("PERMITIRREINGRESSO"));
    ckPERMITIRREINGRESSO->setToolTip(QStringLiteral("   Este recurso pode ser desabilitado somente caso \n"
                                                    "a opção \"Acesso com  confimação manual\"  esteja\n"
                                                    "habilitada."));
    ckIGNORARDESC =
        marcar(QStringLiteral("ckIGNORARDESC"), QStringLiteral("Não registrar cartão desconhecido"),
               QStringLiteral("IGNORARDESC"));
    ckVISUALIZAR =
        marcar(QStringLiteral("ckVISUALIZAR"), QStringLiteral("Exibir popup da foto do cadastro ao acessar"),
               QStringLiteral("VISUALIZAR"));

    // The closing and activation types are kept from the screen (hidden) but still rule it.
    rgFECHAMENTO = grupoOpcoes(QStringLiteral("rgFECHAMENTO"), QStringLiteral(" Tipo de fechamento "),
                               {QStringLiteral("Automático (sem controle pelo Portaris)"),
                                QStringLiteral("Via Portaris por infra-vermelho"),
                                QStringLiteral("Via Portaris por tempo")},
                               {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                               QStringLiteral("TFECHAMENTO"), QRect(16, y, 330, 70), 1);
    rgFECHAMENTO->hide();
    lbFECHARPOS = rotulo(this, QStringLiteral("Fechar após?"), 16, y + 3);
    edFECHARPOS = campo(this, QStringLiteral("edFECHARPOS"), 100, y, 40);
    soDigitos(edFECHARPOS);
    edFECHARPOS->setToolTip(QStringLiteral("O tempo deve ser um valor entre 5 e 120 segundos."));
    ligar<LigacaoEdit>(QStringLiteral("FECHARPOS"), edFECHARPOS);
    edFECHARPOS->setMaxLength(3);
    lbFECHARPOS2 = rotulo(this, QStringLiteral("segundos"), 146, y + 3);
    ckPARAABREAUTO = caixa(this, QStringLiteral("ckPARAABREAUTO"),
                           QStringLiteral("Acionar apenas uma vez o relê para interromper trânsito e abrir"),
                           16, y + 24, 380);
    ligar<LigacaoCheck>(QStringLiteral("PARAABREAUTO"), ckPARAABREAUTO);
    ckPARAABREAUTO->hide();
    rgACIONAMENTO = grupoOpcoes(QStringLiteral("rgACIONAMENTO"), QStringLiteral(" Tipo de acionamento "),
                                {QStringLiteral("TAG Ativo"), QStringLiteral("Controle Remoto")},
                                {QStringLiteral("0"), QStringLiteral("1")}, QStringLiteral("ACIONAMENTO"),
                                QRect(16, y, 330, 44), 2);
    rgACIONAMENTO->hide();

    btCABECA = botao(this, QStringLiteral("btCABECA"), QStringLiteral("Grava cabeça"), 412, 106, 180);
    btTESTE = botao(this, QStringLiteral("btTESTE"), QStringLiteral("Testa leitora"), 412, 134, 180);
    connect(btCABECA, &QPushButton::clicked, this, &TframeLeitoras64AX::GravarCabeca);
    connect(btTESTE, &QPushButton::clicked, this, &TframeLeitoras64AX::TestarLeitora);
    for (QGroupBox* g : {rgFECHAMENTO, rgACIONAMENTO})
        for (QButtonGroup* bg : g->findChildren<QButtonGroup*>())
            connect(bg, &QButtonGroup::idClicked, this, &TframeLeitoras64AX::regraFechamento);
    // A reader chosen from the description list.
    connect(lsNOMES, &QListWidget::itemClicked, this, &TframeLeitoras64AX::regraFechamento);
    ligarRegras();
}

void TframeLeitoras64AX::regraFechamento() {
    const Conjunto& c = conjunto();
    const bool temLinha = c.aberto() && (c.emEdicao() || (c.posicao() >= 0 && c.posicao() < c.quantidade()));
    const QString tipo = temLinha ? c.texto(QStringLiteral("TFECHAMENTO")) : QString();
    const bool mostra = temLinha && tipo != QLatin1String("0");
    for (QWidget* w : std::initializer_list<QWidget*>{lbFECHARPOS, edFECHARPOS, lbFECHARPOS2})
        w->setVisible(mostra);
    ckPARAABREAUTO->setEnabled(tipo == QLatin1String("1"));
}

bool TframeLeitoras64AX::CANCELAR() {
    const bool ok = PaginaDispositivo::CANCELAR();
    regraFechamento();
    return ok;
}

QString TframeLeitoras64AX::corrigir(const QString& texto, int minimo, int maximo,
                                     const QString& substituto) {
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok);
    if (!ok) return texto;
    return v < minimo || v > maximo ? substituto : texto;
}

bool TframeLeitoras64AX::validar() {
    if (!PaginaDispositivo::validar()) return false;
    const QString fechar = corrigir(edFECHARPOS->text(), 5, 120, QStringLiteral("10"));
    const QString desligar = corrigir(edDESLIGARPOR->text(), 0, 120, QStringLiteral("0"));
    if (fechar != edFECHARPOS->text()) {
        edFECHARPOS->setText(fechar);
        conjunto().definir(QStringLiteral("FECHARPOS"), fechar.toInt());
    }
    if (desligar != edDESLIGARPOR->text()) {
        edDESLIGARPOR->setText(desligar);
        conjunto().definir(QStringLiteral("DESLIGARPOR"), desligar.toInt());
    }
    return true;
}






void TframeLeitoras64AX::TestarLeitora() {
    executarComando(false, [](const PortaSerial& p, quint8 cabeca) {
        TLeitora64AX l(cabeca, p);
        l.Chave = -1;
        quint8 e = 0;
        return l.Sinalizar(e) ? QStringLiteral("@!000AVIBeep disparado com sucesso.")
                              : QStringLiteral("@!000ERRErro ao soar beep.");
    });
}

void TframeLeitoras64AX::GravarCabeca() {
    if (!conjunto().aberto() || conjunto().emEdicao()) return;
    if (Perguntar(QStringLiteral("Confirma gravar cabeça?")) != Resposta::Sim) return;
    executarComando(false, [](const PortaSerial& p, quint8 cabeca) {
        TLeitora64AX l(170, p);
        l.Chave = -1;
        quint8 e = 0;
        return l.GravarCabeca(cabeca, e) ? QStringLiteral("@!000AVICabeça gravada com sucesso.")
                                         : QStringLiteral("@!000ERRErro ao gravar cabeça.");
    });
}

} // namespace portaris
