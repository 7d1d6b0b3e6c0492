#include "TframeConcentradora.h"

#include "Componentes.h"
#include "devices/uControladora.h"
#include "platform/Mensagens.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPlainTextEdit>

namespace portaris {

using namespace componentes;

TframeConcentradora::TframeConcentradora(Conjunto& c, QWidget* parent) : PaginaDispositivo(c, 133, parent) {
    setObjectName(QStringLiteral("tsCONTROLADORA"));
    criarComuns(412, 56);
    edCABECA->setToolTip(
        QStringLiteral("A identificação deve ser entre 128-255, o valor 133 também não é permitido."));
    rgFREQDOWN = grupoOpcoes(QStringLiteral("rgFREQDOWN"), QStringLiteral(" Baixar dados a cada "),
                             {QStringLiteral("Nunca"), QStringLiteral("10 min"), QStringLiteral("20 min"),
                              QStringLiteral("35 min"), QStringLiteral("01 hor"), QStringLiteral("02 hor"),
                              QStringLiteral("04 hor"), QStringLiteral("06 hor")},
                             {QStringLiteral("0"), QStringLiteral("10"), QStringLiteral("20"),
                              QStringLiteral("35"), QStringLiteral("60"), QStringLiteral("120"),
                              QStringLiteral("240"), QStringLiteral("360")},
                             QStringLiteral("FREQDOWN"), QRect(16, 54, 384, 66), 4, &grFREQDOWN);
    QStringList timeouts{QStringLiteral("001")};
    for (int t = 5; t <= 60; t += 5)
        timeouts << QStringLiteral("%1").arg(t, 3, 10, QLatin1Char('0'));
    QStringList valoresTimeout;
    for (const QString& t : timeouts)
        valoresTimeout << QString::number(t.toInt());
    const QStringList reles{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("4"),
                            QStringLiteral("10"), QStringLiteral("20")};
    QFont pequena = font();
    pequena.setPointSize(7);
    for (int x : {196, 304})
        rotulo(this, QStringLiteral("Tempo em segundos"), x, 126)->setFont(pequena);
    for (int i = 0; i < 4; ++i) {
        const int y = 140 + i * 44;
        const QString n = QString::number(i + 1);
        rotulo(this, QStringLiteral("Porta ") + n, 16, y);
        edPORTA[i] = campo(this, QStringLiteral("edPORTA0") + n, 16, y + 16, 170);
        ligar<LigacaoEdit>(QStringLiteral("PORTA0") + n, edPORTA[i]);
        rotulo(this, QStringLiteral("Relé Porta ") + n, 196, y);
        cbRELE[i] = lista(this, QStringLiteral("cbRELEP") + n, reles, 196, y + 16, 90);
        adicionar(new LigacaoCombo(c, QStringLiteral("RELEP") + n, cbRELE[i], reles));
        rotulo(this, QStringLiteral("Timeout Porta ") + n, 304, y);
        cbTIMEOUT[i] = lista(this, QStringLiteral("cbTIMEOUT") + n, timeouts, 304, y + 16, 90);
        adicionar(new LigacaoCombo(c, QStringLiteral("TIMEOUT") + n, cbTIMEOUT[i], valoresTimeout));
    }
    int y = 322;
    auto marcar = [&](const QString& nome, const QString& texto, const QString& coluna) {
        QCheckBox* k = caixa(this, nome, texto, 16, y, 330);
        ligar<LigacaoCheck>(coluna, k);
        y += 20;
        return k;
    };
    ckDESABILITAR = marcar(QStringLiteral("ckDESABILITAR"), QStringLiteral("Desabilitar controladora"),
                           QStringLiteral("DESABILITAR"));
    ckONLINE =
        marcar(QStringLiteral("ckONLINE"), QStringLiteral("Trabalhar on-line"), QStringLiteral("ONLINE"));
    ckONLINE->setToolTip(QStringLiteral(
        "Informa ao Portaris que as regras de abertura e fechamento serão gerenciados pelo computador."));
    ckCONFIRMARACESSO =
        marcar(QStringLiteral("ckCONFIRMARACESSO"), QStringLiteral("Acesso com confirmação manual"),
               QStringLiteral("CONFIRMARACESSO"));
    ckVISUALIZAR =
        marcar(QStringLiteral("ckVISUALIZAR"), QStringLiteral("Exibir popup da foto do cadastro ao acessar"),
               QStringLiteral("VISUALIZAR"));

    btCABECA = botao(this, QStringLiteral("btCABECA"), QStringLiteral("Grava cabeça"), 412, 106, 180);
    btENVIAR = botao(this, QStringLiteral("btENVIAR"), QStringLiteral("Enviar dados"), 412, 134, 180);
    btENVIAR->setToolTip(
        QStringLiteral("Envia para a concentradora os cartões selecionados no cadastro e as configurações."));
    btTEMPOS = botao(this, QStringLiteral("btTEMPOS"), QStringLiteral("Gravar tempos"), 412, 162, 180);
    btTEMPOS->setToolTip(
        QStringLiteral("Envia para a concentradora os tempos de relé, timeouts e atualiza a data e hora"));
    // The transfers to the controller come with the off-line controllers.
    btENVIAR->setEnabled(false);
    btTEMPOS->setEnabled(false);
    mmRELATORIO = new QPlainTextEdit(this);
    mmRELATORIO->setObjectName(QStringLiteral("mmRELATORIO"));
    mmRELATORIO->setReadOnly(true);
    mmRELATORIO->setGeometry(412, 192, 200, 228);
    connect(btCABECA, &QPushButton::clicked, this, &TframeConcentradora::GravarCabeca);
    connect(ckCONFIRMARACESSO, &QCheckBox::toggled, this, &TframeConcentradora::regraConfirmacao);
    connect(ckVISUALIZAR, &QCheckBox::toggled, this, &TframeConcentradora::regraConfirmacao);
    connect(ckONLINE, &QCheckBox::toggled, this, &TframeConcentradora::regraOnline);
    for (auto sinal : {&Conjunto::rolou, &Conjunto::estadoMudou, &Conjunto::dadosMudaram})
        connect(&c, sinal, this, &TframeConcentradora::regraConfirmacao);
    regraConfirmacao();
    regraOnline();
}

void TframeConcentradora::regraConfirmacao() {
    if (ckCONFIRMARACESSO->isChecked()) {
        ckVISUALIZAR->setChecked(false);
        ckVISUALIZAR->setEnabled(false);
    } else {
        ckVISUALIZAR->setEnabled(true);
    }
}

void TframeConcentradora::regraOnline() {
    if (ckONLINE->isChecked()) {
        ckCONFIRMARACESSO->setEnabled(true);
        if (conjunto().emEdicao()) {
            chamarOperacao([this] {
                conjunto().definir(QStringLiteral("FREQDOWN"), 0);
                return true;
            });
        }
        grFREQDOWN->button(0)->setChecked(true);
        rgFREQDOWN->setEnabled(false);
    } else {
        ckCONFIRMARACESSO->setEnabled(false);
        rgFREQDOWN->setEnabled(true);
    }
}

void TframeConcentradora::ligarTransferencias() {
    btENVIAR->setEnabled(static_cast<bool>(enviarDados));
    btTEMPOS->setEnabled(static_cast<bool>(gravarTempos));
    connect(btENVIAR, &QPushButton::clicked, this, [this] {
        if (!enviarDados) return;
        const int chave = conjunto().valor(QStringLiteral("CHAVE")).toInt();
        executarComando(false, [this, chave](const PortaSerial& p, quint8 cabeca) {
            Ampulheta ampulheta;
            TControladora c(cabeca, p);
            enviarDados(c, chave);
            return QString();
        });
    });
    connect(btTEMPOS, &QPushButton::clicked, this, [this] {
        if (!gravarTempos) return;
        int timeouts[4], reles[4];
        for (int i = 0; i < 4; ++i) {
            timeouts[i] = conjunto().valor(QStringLiteral("TIMEOUT%1").arg(i + 1)).toInt();
            reles[i] = conjunto().valor(QStringLiteral("RELEP%1").arg(i + 1)).toInt();
        }
        executarComando(false, [this, &timeouts, &reles](const PortaSerial& p, quint8 cabeca) {
            Ampulheta ampulheta;
            TControladora c(cabeca, p);
            gravarTempos(c, timeouts, reles);
            return QString();
        });
    });
}

void TframeConcentradora::GravarCabeca() {
    executarComando(false, [](const PortaSerial& p, quint8 cabeca) {
        Ampulheta ampulheta;
        TControladora c(cabeca, p);
        quint8 e = 0;
        const bool ok = c.GravarCabeca(cabeca, e);
        ampulheta.restaurar();
        return ok ? QStringLiteral("@!000AVICabeça gravada com sucesso.")
                  : QStringLiteral("@!000ERRErro ao gravar cabeça.");
    });
}

} // namespace portaris
