#include "TframeRedeLocal.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace portaris {

using namespace componentes;

TframeRedeLocal::TframeRedeLocal(TdmPORTARIS& dm, bool modoServidor, QWidget* parent)
    : QWidget(parent), m_dm(dm), m_modoServidor(modoServidor) {
    setObjectName(QStringLiteral("tsREDELOCAL"));
    pintarFundo(this, CorPagina);
    auto* gbServ = new QGroupBox(QStringLiteral("Servidor"), this);
    gbServ->setGeometry(16, 8, 200, 44);
    rbLOCAL = new QRadioButton(QStringLiteral("Local"), gbServ);
    rbLOCAL->setObjectName(QStringLiteral("rbLOCAL"));
    rbLOCAL->setGeometry(10, 20, 80, 18);
    rbREMOTO = new QRadioButton(QStringLiteral("Remoto"), gbServ);
    rbREMOTO->setObjectName(QStringLiteral("rbREMOTO"));
    rbREMOTO->setGeometry(100, 20, 80, 18);
    auto* gbProt = new QGroupBox(QStringLiteral("Protocolo (fora de uso!!) "), this);
    gbProt->setGeometry(232, 8, 200, 44);
    rbTCPIP = new QRadioButton(QStringLiteral("TCP/IP"), gbProt);
    rbTCPIP->setGeometry(10, 20, 80, 18);
    rbNETBEUI = new QRadioButton(QStringLiteral("NetBEUI"), gbProt);
    rbNETBEUI->setGeometry(100, 20, 80, 18);
    gbProt->hide();
    rotulo(this, QStringLiteral("Servidor"), 16, 60);
    edSERVIDOR = campo(this, QStringLiteral("edSERVIDOR"), 16, 76, 300);
    rotulo(this, QStringLiteral("Arquivo do banco de dados"), 16, 104);
    edARQUIVO = campo(this, QStringLiteral("edARQUIVO"), 16, 120, 400);
    edARQUIVO->setReadOnly(true);
    rotulo(this, QStringLiteral("Sempre atualizar dados ao mudar de tela(diminui desempenho em rede)"), 16,
           152);
    ckREFRESH = caixa(
        this, QStringLiteral("ckREFRESH"),
        QStringLiteral("Ativar recurso de atualização de dados(somente para usuários de Portaris em rede)"),
        16, 170, 560);
    rotulo(this, QStringLiteral("Relatório de ações"), 16, 198);
    mmRELATORIO = new QPlainTextEdit(this);
    mmRELATORIO->setObjectName(QStringLiteral("mmRELATORIO"));
    mmRELATORIO->setReadOnly(true);
    mmRELATORIO->setGeometry(16, 214, 440, 200);
    pbBUSCA = new QProgressBar(this);
    pbBUSCA->setRange(0, 0);
    pbBUSCA->setGeometry(466, 214, 120, 16);
    pbBUSCA->hide();
    btTESTAR = botao(this, QStringLiteral("btTESTAR"), QStringLiteral("Testar Conexão"), 16, 424, 150);
    btGRAVAR = botao(this, QStringLiteral("btGRAVAR"), QStringLiteral("Gravar configuração"), 176, 424, 150);
    btGRAVAR->setEnabled(false);

    auto* servidor = new QButtonGroup(this);
    servidor->addButton(rbLOCAL);
    servidor->addButton(rbREMOTO);
    auto* protocolo = new QButtonGroup(this);
    protocolo->addButton(rbTCPIP);
    protocolo->addButton(rbNETBEUI);
    for (QRadioButton* r : {rbLOCAL, rbREMOTO, rbTCPIP, rbNETBEUI})
        connect(r, &QRadioButton::toggled, this, [this](bool marcado) {
            if (marcado) previsao();
        });
    connect(edSERVIDOR, &QLineEdit::textChanged, this, &TframeRedeLocal::previsao);
    connect(edARQUIVO, &QLineEdit::textChanged, this, &TframeRedeLocal::previsao);
    connect(ckREFRESH, &QCheckBox::clicked, this, [this] { btGRAVAR->setEnabled(true); });
    connect(btTESTAR, &QPushButton::clicked, this, [this] { Protegido([this] { TestarConexao(); }); });
    connect(btGRAVAR, &QPushButton::clicked, this, [this] { Protegido([this] { GravarConfiguracao(); }); });
    ckREFRESH->setChecked(m_dm.refresh);
}

void TframeRedeLocal::Carregar() {
    m_carregando = true;
    (m_dm.protocoloNetBEUI ? rbNETBEUI : rbTCPIP)->setChecked(true);
    (m_dm.remoto ? rbREMOTO : rbLOCAL)->setChecked(true);
    edSERVIDOR->setText(m_dm.nomeServidor);
    edARQUIVO->setText(m_dm.arquivoBanco);
    ckREFRESH->setChecked(m_dm.refresh);
    m_carregando = false;
    previsao();
}

void TframeRedeLocal::previsao() {
    const bool remoto = rbREMOTO->isChecked();
    edSERVIDOR->setReadOnly(!remoto);
    QPalette p = edSERVIDOR->palette();
    p.setColor(QPalette::Base, remoto ? QColor(Qt::white) : CorPagina);
    edSERVIDOR->setPalette(p);
    if (m_carregando) return;
    btGRAVAR->setEnabled(false);
    mmRELATORIO->clear();
    if (!remoto)
        linha(edARQUIVO->text());
    else if (rbTCPIP->isChecked())
        linha(edSERVIDOR->text() + u':' + edARQUIVO->text());
    else
        linha(QStringLiteral("\\\\") + edSERVIDOR->text() + QStringLiteral("\\Portaris\\") +
              edARQUIVO->text().mid(3));
}

void TframeRedeLocal::linha(const QString& texto) {
    mmRELATORIO->appendPlainText(texto);
}

QStringList TframeRedeLocal::relatorio() const {
    return mmRELATORIO->toPlainText().split(u'\n');
}

void TframeRedeLocal::gravar(const ArquivoIni& ini) {
    cfg::firebird_protocol.gravar(rbTCPIP->isChecked() ? QStringLiteral("TCPIP") : QStringLiteral("NetBEUI"),
                                  ini);
    cfg::firebird_server.gravar(rbREMOTO->isChecked() ? QStringLiteral("remote") : QStringLiteral("local"),
                                ini);
    cfg::firebird_servername.gravar(edSERVIDOR->text(), ini);
    cfg::firebird_databasefile.gravar(edARQUIVO->text(), ini);
    cfg::firebird_refresh.gravar(ckREFRESH->isChecked(), ini);
}

void TframeRedeLocal::TestarConexao() {
    auto hora = [] { return relogio().agora().toString(QStringLiteral("HH:mm:ss")); };
    // The test closes the connection and every dataset with it: a record being typed would go too.
    if (!m_modoServidor && m_dm.REGISTRO_PENDENTE()) {
        MostrarMensagem(TdmPORTARIS::MensagemRegistroPendente);
        return;
    }
    pbBUSCA->show();
    Ampulheta ampulheta;
    mmRELATORIO->clear();
    if (!m_modoServidor) linha(QStringLiteral("Desfazendo atual conexão as ") + hora());
    QCoreApplication::processEvents();
    gravar(ArquivoIni::teste());
    linha(QStringLiteral("Iniciando conexão teste as ") + hora());
    QCoreApplication::processEvents();
    const bool ok = m_dm.CONECTAR(QStringLiteral("teste.ini"));
    linha((ok ? QStringLiteral("Sucesso na conexão teste as ") : QStringLiteral("Conexão teste falhou as ")) +
          hora());
    if (!m_modoServidor) {
        linha(QStringLiteral("Re-estabelecer conexão original as ") + hora());
        QCoreApplication::processEvents();
        const bool voltou = m_dm.CONECTAR(QStringLiteral("ptconfig.ini"));
        linha(QStringLiteral("Conexão original estabelecida as ") + hora());
        if (!voltou) {
            ampulheta.restaurar();
            if (aoPerderConexao)
                aoPerderConexao();
            else
                MostrarMensagem(QStringLiteral("@!000ERRO Portaris não conseguiu acessar o servidor!"));
        }
    }
    linha(QString());
    if (ok) {
        linha(QStringLiteral("A conexão informada é válida. Para atribuir a nova configuração"));
        linha(QStringLiteral("selecione a opção Gravar configuração."));
    } else {
        linha(QStringLiteral("A conexão informada NÃO é válida."));
    }
    btGRAVAR->setEnabled(ok);
    ampulheta.restaurar();
    pbBUSCA->hide();
}

void TframeRedeLocal::GravarConfiguracao() {
    Ampulheta ampulheta;
    mmRELATORIO->clear();
    linha(
        QStringLiteral("As novas configurações serão aplicadas na próxima vez que o Portaris for iniciado"));
    QCoreApplication::processEvents();
    gravar(ArquivoIni::config());
    ampulheta.restaurar();
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

} // namespace portaris
