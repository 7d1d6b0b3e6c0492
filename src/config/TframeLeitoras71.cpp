#include "TframeLeitoras71.h"

#include "Componentes.h"
#include "devices/uLeitora71.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPlainTextEdit>

namespace portaris {

using namespace componentes;

const QStringList kTemposRele = {QStringLiteral("250 ms"), QStringLiteral("500 ms"), QStringLiteral("750 ms"),
                                 QStringLiteral("1 seg"), QStringLiteral("2 seg")};
const QStringList kValoresRele = {QStringLiteral("250"), QStringLiteral("500"), QStringLiteral("750"),
                                  QStringLiteral("1000"), QStringLiteral("2000")};

TframeLeitoras71::TframeLeitoras71(Conjunto& c, QWidget* parent) : PaginaLeitora(c, 133, parent) {
    setObjectName(QStringLiteral("tsLEITORA71"));
    criarComuns(412, 56);
    edCABECA->setToolTip(
        QStringLiteral("A identificação deve ser entre 128-255, o valor 133 também não é permitido."));
    rgRELE = grupoOpcoes(QStringLiteral("rgRELE"), QStringLiteral(" Tempo de relé "), kTemposRele,
                         kValoresRele, QStringLiteral("RELE"), QRect(16, 54, 384, 48), 5, &grRELE);
    int y = 110;
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
    ckIGNORARDESC =
        marcar(QStringLiteral("ckIGNORARDESC"), QStringLiteral("Não registrar cartão desconhecido"),
               QStringLiteral("IGNORARDESC"));
    ckPERMITIRREMOTO =
        marcar(QStringLiteral("ckPERMITIRREMOTO"), QStringLiteral("Permitir controle remoto da leitora"),
               QStringLiteral("PERMITIRREMOTO"));
    ckVISUALIZAR =
        marcar(QStringLiteral("ckVISUALIZAR"), QStringLiteral("Exibir popup da foto do cadastro ao acessar"),
               QStringLiteral("VISUALIZAR"));
    rgPOSICAO =
        grupoOpcoes(QStringLiteral("rgPOSICAO"), QStringLiteral(" Posicionamento da leitora "),
                    {QStringLiteral("Não se aplica"), QStringLiteral("Entrada"), QStringLiteral("Saída")},
                    {QStringLiteral("N"), QStringLiteral("E"), QStringLiteral("S")},
                    QStringLiteral("POSICAO"), QRect(16, y + 2, 330, 48), 3);
    y += 56;
    ckPERMITIRREINGRESSO = marcar(QStringLiteral("ckPERMITIRREINGRESSO"),
                                  QStringLiteral("Permitir re-ingresso para entrada/saída"),
                                  QStringLiteral("PERMITIRREINGRESSO"));
    ckNAOBATERELE = marcar(QStringLiteral("ckNAOBATERELE"), QStringLiteral("Não controlar relés"),
                           QStringLiteral("NAOBATERELE"));
    lbMAE = rotulo(this, QStringLiteral("Identificação da leitora mãe"), 36, y);
    cbMAE = lista(this, QStringLiteral("cbMAE"), {}, 200, y - 3, 100);
    m_ligMae = ligar<LigacaoCombo>(QStringLiteral("ID_LEITORAMAE"), cbMAE);
    y += 24;
    ckUSARWEBCAM = marcar(QStringLiteral("ckUSARWEBCAM"), QStringLiteral("Leitora associada a uma WebCam"),
                          QStringLiteral("USARWEBCAM"));
    ckUSARWEBCAM->hide();

    btCABECA = botao(this, QStringLiteral("btCABECA"), QStringLiteral("Grava cabeça"), 412, 106, 180);
    btTEMPO = botao(this, QStringLiteral("btTEMPO"), QStringLiteral("Grava tempo do relé"), 412, 134, 180);
    btRELE = botao(this, QStringLiteral("btRELE"), QStringLiteral("Aciona o relé"), 412, 162, 180);
    btRELE->setToolTip(QStringLiteral("Realizar um teste acionando o relé"));
    btMEMORIA = botao(this, QStringLiteral("btMEMORIA"), QStringLiteral("Enviar cartões para leitora "), 412,
                      190, 180);
    btMEMORIA->setToolTip(QStringLiteral("Envia para a leitora os cartões selecionados no cadastro."));
    mmRELATORIO = new QPlainTextEdit(this);
    mmRELATORIO->setObjectName(QStringLiteral("mmRELATORIO"));
    mmRELATORIO->setReadOnly(true);
    mmRELATORIO->setGeometry(412, 220, 200, 200);

    connect(btRELE, &QPushButton::clicked, this, &TframeLeitoras71::AcionarRele);
    connect(btTEMPO, &QPushButton::clicked, this, &TframeLeitoras71::GravarTempoRele);
    connect(btCABECA, &QPushButton::clicked, this, &TframeLeitoras71::GravarCabeca);
    connect(btMEMORIA, &QPushButton::clicked, this, &TframeLeitoras71::EnviarCartoes);
    ligarRegras();
}

void TframeLeitoras71::AcionarRele() {
    executarComando(false, [](const PortaSerial& p, quint8 cabeca) {
        TLeitora71 l(cabeca, p);
        quint8 e = 0;
        return l.AcionarRele(e) ? QStringLiteral("@!000AVIRelé acessado com sucesso.")
                                : QStringLiteral("@!000ERRErro ao acessar relé.");
    });
}

void TframeLeitoras71::GravarTempoRele() {
    QAbstractButton* escolhido = grRELE->checkedButton();
    const quint8 codigo = TLeitora71::CodigoTempoRele(escolhido ? escolhido->text() : QString());
    executarComando(false, [codigo](const PortaSerial& p, quint8 cabeca) {
        TLeitora71 l(cabeca, p);
        quint8 e = 0;
        return l.GravarTempoRele(codigo, e) ? QStringLiteral("@!000AVITempo gravado com sucesso.")
                                            : QStringLiteral("@!000ERRErro ao gravar tempo.");
    });
}

void TframeLeitoras71::GravarCabeca() {
    if (!conjunto().aberto() || conjunto().emEdicao() || conjunto().vazio()) return;
    if (Perguntar(QStringLiteral("Confirma gravar cabeça?")) != Resposta::Sim) return;
    executarComando(true, [](const PortaSerial& p, quint8 cabeca) {
        TLeitora71 l(cabeca, p);
        quint8 e = 0;
        return l.GravarCabeca(cabeca, e) ? QStringLiteral("@!000AVICabeça gravada com sucesso.")
                                         : QStringLiteral("@!000ERRErro ao gravar cabeça.");
    });
}

void TframeLeitoras71::EnviarCartoes() {
    if (!conjunto().aberto() || conjunto().emEdicao() || conjunto().vazio()) return;
    mmRELATORIO->clear();
    if (MostrarMensagem(QStringLiteral("@!-01AVIConfirma enviar cartões?")) != Resposta::Sim) return;
    const int chave = conjunto().valor(QStringLiteral("CHAVE")).toInt();
    QStringList lista;
    Protegido([&] {
        Comando q(conjunto().banco(),
                  QStringLiteral("SELECT PCARTAO,PNOME\nFROM LISTA_ENVIAR_MEMORIA\n(%1)").arg(chave));
        q.abrir();
        while (q.proximo())
            if (!q.campo(0).isNull())
                lista << q.campo(0).toString() + QStringLiteral(" - ") + q.campo(1).toString();
    });
    if (lista.isEmpty()) return;
    executarComando(true, [&](const PortaSerial& p, quint8 cabeca) {
        for (const QString& linha : lista)
            mmRELATORIO->appendPlainText(linha);
        mmRELATORIO->appendPlainText(QStringLiteral("Enviando cartões..."));
        mmRELATORIO->appendPlainText(QStringLiteral("Aguarde...."));
        Ampulheta ampulheta;
        QCoreApplication::processEvents();
        TLeitora71 l(cabeca, p);
        l.Chave = chave;
        l.ListaMemoria = lista;
        quint8 e = 0;
        const bool ok = l.EnviarCartoesMemoria(e);
        l.ListaMemoria.reset();
        ampulheta.restaurar();
        return ok ? QStringLiteral("@!000AVICartões enviados com sucesso.")
                  : QStringLiteral("@!000ERRErro ao enviar cartões.");
    });
}

} // namespace portaris
