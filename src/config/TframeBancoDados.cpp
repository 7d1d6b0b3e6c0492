#include "TframeBancoDados.h"

#include "Componentes.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "platform/RelogioSistema.h"
#include "ui/Protegido.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSpinBox>

namespace portaris {

using namespace componentes;

TframeBancoDados::TframeBancoDados(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsBANCODADOS"));
    pintarFundo(this, CorPaginaBanco);
    QLabel* titulo =
        rotulo(this, QStringLiteral("Configurações do sistema gerenciador de banco de dados (SGDB)"), 16, 8);
    QFont f = titulo->font();
    f.setBold(true);
    titulo->setFont(f);
    titulo->adjustSize();
    auto* sgbd = new QGroupBox(QStringLiteral(" SGBD Utilizado "), this);
    sgbd->setGeometry(16, 32, 260, 44);
    rbFIREBIRD = new QRadioButton(QStringLiteral("FireBird "), sgbd);
    rbFIREBIRD->setGeometry(10, 20, 110, 18);
    rbFIREBIRD->setChecked(true);
    rbINTERBASE = new QRadioButton(QStringLiteral("Interbase "), sgbd);
    rbINTERBASE->setGeometry(130, 20, 110, 18);
    rotulo(this, QStringLiteral("User Name"), 16, 86);
    edUSUARIO = campo(this, QStringLiteral("edUSUARIO"), 16, 102, 150);
    edUSUARIO->setMaxLength(30);
    edUSUARIO->setText(QStringLiteral("SYSDBA"));
    rotulo(this, QStringLiteral("Password"), 180, 86);
    edSENHA = campo(this, QStringLiteral("edSENHA"), 180, 102, 150);
    edSENHA->setMaxLength(30);
    edSENHA->setEchoMode(QLineEdit::Password);
    edSENHA->setText(QStringLiteral("vrakoltem"));
    rotulo(this, QStringLiteral("Page Size"), 16, 132);
    spPAGINA = new QSpinBox(this);
    spPAGINA->setRange(1024, 16384);
    spPAGINA->setSingleStep(1024);
    spPAGINA->setValue(1024);
    spPAGINA->setGeometry(16, 148, 100, 22);
    rotulo(this, QStringLiteral("Page Buffers"), 180, 132);
    spBUFFERS = new QSpinBox(this);
    spBUFFERS->setRange(1000, 99999);
    spBUFFERS->setSingleStep(1024);
    spBUFFERS->setValue(3000);
    spBUFFERS->setGeometry(180, 148, 100, 22);
    btAPLICAR =
        botao(this, QStringLiteral("btAPLICAR"), QStringLiteral("Aplicar configurações"), 16, 184, 160);
    btSINCRONIZAR = botao(this, QStringLiteral("btSINCRONIZAR"),
                          QStringLiteral("Sincronizar relógio com o servidor"), 186, 184, 220);
    btESQUEMA = botao(this, QStringLiteral("btESQUEMA"), QStringLiteral("Atualizar esquema do banco"), 416, 184, 190);
    auto* nota = new QLabel(this);
    nota->setWordWrap(true);
    nota->setText(QStringLiteral(
        "Portaris foi desenvolvido para trabalhar com servidores Firebird versão 1.5.1 ou superior.\n\n"
        "Firebird é um sistema gerenciador de banco de dados de código aberto, mantido por uma comunidade "
        "de desenvolvedores. Mais informações no sítio do projeto: https://firebirdsql.org"));
    nota->setGeometry(16, 224, 560, 90);
    auto* faixa = new QLabel(
        QStringLiteral(" As configurações desta opção devem ser alteradas somente sob orientação técnica"),
        this);
    faixa->setObjectName(QStringLiteral("lbAVISO"));
    pintarFundo(faixa, QColor(255, 0, 0));
    QPalette p = faixa->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    faixa->setPalette(p);
    faixa->setGeometry(0, 0, 10, 20);
    faixa->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    faixa->setProperty("faixa", true);
    connect(btSINCRONIZAR, &QPushButton::clicked, this,
            [this] { Protegido([this] { SincronizarRelogio(); }); });
    connect(btESQUEMA, &QPushButton::clicked, this, [this] { Protegido([this] { AtualizarEsquema(); }); });
}

void TframeBancoDados::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (auto* faixa = findChild<QLabel*>(QStringLiteral("lbAVISO")))
        faixa->setGeometry(0, height() - 22, width(), 22);
}

void TframeBancoDados::AtualizarEsquema() {
    Ampulheta ampulheta;
    const QString erro = m_dm.ATUALIZAR_ESQUEMA();
    const EstadoEsquema e = LerEstadoEsquema(m_dm.dbBANCO);
    ampulheta.restaurar();
    if (!erro.isEmpty())
        MostrarMensagem(QStringLiteral("@!000ERR") + erro);
    else
        MostrarMensagem(QStringLiteral("@!000OKKO esquema do banco de dados está na versão %1 (este programa: versão %2).")
                            .arg(e.versao)
                            .arg(VersaoEsquema));
}

void TframeBancoDados::SincronizarRelogio() {
    Procedimento& p = m_dm.sp(QStringLiteral("HORA_CERTA"));
    p.executar();
    const QDate data = p.saida(QStringLiteral("PDATA")).toDate();
    const QTime hora = p.saida(QStringLiteral("PHORA")).toTime();
    relogioSistema().definirHoraLocal(QDateTime(data, hora));
}

} // namespace portaris
