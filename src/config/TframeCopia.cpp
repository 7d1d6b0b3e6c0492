#include "TframeCopia.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "ui/Protegido.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>

namespace portaris {

using namespace componentes;

namespace {
const char* kDias[7] = {"Domingo", "Segunda", "Terça", "Quarta", "Quinta", "Sexta", "Sábado"};
}

TframeCopia::TframeCopia(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsCOPIA"));
    pintarFundo(this, CorPagina);
    rotulo(this, QStringLiteral("Localização e nome do banco de dados do Portaris"), 16, 10);
    edBANCO = campo(this, QStringLiteral("edBANCO"), 16, 28, 360);
    edBANCO->setText(QStringLiteral("c:\\portaris\\portaris.fdb"));
    edBANCO->setReadOnly(true);
    rotulo(this, QStringLiteral("Localização do arquivo de cópia de segurança"), 16, 56);
    edPASTA = campo(this, QStringLiteral("edPASTA"), 16, 74, 330);
    btPROCURAR = botao(this, QStringLiteral("btPROCURAR"), QStringLiteral("..."), 350, 72, 26);
    rotulo(this, QStringLiteral("Nome do arquivo de cópia de segurança"), 16, 102);
    edNOME = campo(this, QStringLiteral("edNOME"), 16, 120, 180);
    edNOME->setMaxLength(20);
    edNOME->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[A-Za-z0-9]*")), edNOME));
    rotulo(this, QStringLiteral("Nome do arquivo : \"nome\" + \"data(ano+mes+dia)\""), 16, 144);
    lbEXEMPLO = rotulo(this, QString(), 16, 160, 360);
    rotulo(this, QStringLiteral("Relatório de ações"), 16, 182);
    mmRELATORIO = new QPlainTextEdit(this);
    mmRELATORIO->setObjectName(QStringLiteral("mmRELATORIO"));
    mmRELATORIO->setReadOnly(true);
    mmRELATORIO->setGeometry(16, 200, 360, 168);

    // The scheduled copy under the report; the two actions beside it.
    ckAUTO = caixa(this, QStringLiteral("ckAUTO"), QStringLiteral("Realizar cópia de segurança via programação."),
                   16, 376, 360);
    for (int i = 0; i < 7; ++i)
        ckDIA[i] = caixa(this, QStringLiteral("ckDIA%1").arg(i), QString::fromUtf8(kDias[i]), 26 + 88 * (i % 4),
                         398 + 20 * (i / 4), 86);
    rotulo(this, QStringLiteral("Iniciar cópia as"), 26, 446);
    edHORA = campo(this, QStringLiteral("edHORA"), 126, 442, 60);
    edHORA->setInputMask(QStringLiteral("99:99;_"));
    btGRAVAR = botao(this, QStringLiteral("btGRAVAR"), QStringLiteral("Gravar configuração"), 206, 440, 170);
    btINICIAR = botao(this, QStringLiteral("btINICIAR"), QStringLiteral("Iniciar cópia"), 396, 28, 200);
    btRESTAURAR = botao(this, QStringLiteral("btRESTAURAR"), QStringLiteral("Restaurar cópia"), 396, 60, 200);
    rotulo(this, QStringLiteral(" A cópia de segurança deve ser realizada somente no computador servidor"), 16, 474);

    connect(ckAUTO, &QCheckBox::toggled, this, &TframeCopia::regraAuto);
    connect(edNOME, &QLineEdit::textChanged, this, &TframeCopia::atualizarExemplo);
    connect(edHORA, &QLineEdit::editingFinished, this, [this] {
        if (!QTime::fromString(edHORA->text(), QStringLiteral("HH:mm")).isValid())
            edHORA->setText(QStringLiteral("23:59"));
    });
    connect(btPROCURAR, &QPushButton::clicked, this, [this] {
        const QString p = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Localização do arquivo de cópia de segurança"), edPASTA->text());
        if (!p.isEmpty()) edPASTA->setText(p);
    });
    connect(btGRAVAR, &QPushButton::clicked, this, [this] { Protegido([this] { GravarConfiguracao(); }); });
    connect(btINICIAR, &QPushButton::clicked, this, [this] { Protegido([this] { IniciarCopiaManual(); }); });
    connect(btRESTAURAR, &QPushButton::clicked, this, [this] { Protegido([this] { RestaurarCopiaManual(); }); });
    Carregar();
}

void TframeCopia::Carregar() {
    edPASTA->setText(cfg::autobackup_pasta.ler());
    edNOME->setText(cfg::autobackup_nome.ler());
    ckAUTO->setChecked(cfg::autobackup_auto.ler());
    const bool dias[7] = {cfg::autobackup_domingo.ler(), cfg::autobackup_segunda.ler(), cfg::autobackup_terca.ler(),
                          cfg::autobackup_quarta.ler(),  cfg::autobackup_quinta.ler(),  cfg::autobackup_sexta.ler(),
                          cfg::autobackup_sabado.ler()};
    for (int i = 0; i < 7; ++i)
        ckDIA[i]->setChecked(dias[i]);
    edHORA->setText(cfg::autobackup_hora.ler().toString(QStringLiteral("HH:mm")));
    regraAuto();
    atualizarExemplo();
}

void TframeCopia::regraAuto() {
    const bool a = ckAUTO->isChecked();
    for (QCheckBox* c : ckDIA)
        c->setEnabled(a);
    edHORA->setEnabled(a);
}

void TframeCopia::atualizarExemplo() {
    lbEXEMPLO->setText(QStringLiteral("exemplo : ") + edNOME->text() +
                       relogio().hoje().toString(QStringLiteral("yyMMdd")));
}

void TframeCopia::GravarConfiguracao() {
    cfg::autobackup_auto.gravar(ckAUTO->isChecked());
    cfg::autobackup_domingo.gravar(ckDIA[0]->isChecked());
    cfg::autobackup_segunda.gravar(ckDIA[1]->isChecked());
    cfg::autobackup_terca.gravar(ckDIA[2]->isChecked());
    cfg::autobackup_quarta.gravar(ckDIA[3]->isChecked());
    cfg::autobackup_quinta.gravar(ckDIA[4]->isChecked());
    cfg::autobackup_sexta.gravar(ckDIA[5]->isChecked());
    cfg::autobackup_sabado.gravar(ckDIA[6]->isChecked());
    cfg::autobackup_hora.gravar(edHORA->text());
    cfg::autobackup_pasta.gravar(edPASTA->text());
    cfg::autobackup_nome.gravar(edNOME->text());
    if (aoGravarAgenda) aoGravarAgenda();
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

QString TframeCopia::arquivoCopia() const {
    return ArquivoCopia(edPASTA->text(), edNOME->text(), false, relogio().hoje());
}

void TframeCopia::anotar(const QString& linha) {
    mmRELATORIO->appendPlainText(linha);
    QCoreApplication::processEvents();
}

void TframeCopia::IniciarCopiaManual() {
    if (MostrarMensagem(QStringLiteral("@!-01AVIConfirma iniciar cópia de segurança?")) != Resposta::Sim) return;
    Ampulheta ampulheta;
    mmRELATORIO->clear();
    const QString erro = IniciarCopia(m_dm, parametros ? parametros() : ParametrosCopia{}, arquivoCopia(),
                                      [this](const QString& l) { anotar(l); });
    ampulheta.restaurar();
    if (!erro.isEmpty()) MostrarMensagem(erro);
}

void TframeCopia::RestaurarCopiaManual() {
    if (MostrarMensagem(QStringLiteral("@!-01AVIConfirma restaurar arquivos?")) != Resposta::Sim) return;
    Ampulheta ampulheta;
    mmRELATORIO->clear();
    const QString erro = RestaurarCopia(m_dm, parametros ? parametros() : ParametrosCopia{}, arquivoCopia(),
                                        [this](const QString& l) { anotar(l); });
    ampulheta.restaurar();
    if (!erro.isEmpty()) MostrarMensagem(erro);
}

TframeManutencao::TframeManutencao(TdmPORTARIS& dm, QWidget* parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsMANUTENCAO"));
    pintarFundo(this, CorPagina);
    rotulo(this, QStringLiteral("O Portaris pode ser otimizada com a exclusão de informações de acessos antigos"), 16, 16);
    rotulo(this, QStringLiteral("Serão apagados todos os acessos/rondas com data igual ou menor a informada. "), 16, 40);
    rotulo(this, QStringLiteral("As informações não mais poderão ser recuperadas após esse procedimento."), 16, 58);
    edDATA = campo(this, QStringLiteral("edDATA"), 16, 86, 90);
    edDATA->setInputMask(QStringLiteral("99/99/9999;_"));
    btEXCLUIR = botao(this, QStringLiteral("btEXCLUIR"), QStringLiteral("Excluir agora"), 116, 84, 120);
    connect(btEXCLUIR, &QPushButton::clicked, this, [this] { Protegido([this] { ExcluirAgora(); }); });
}

void TframeManutencao::ExcluirAgora() {
    btEXCLUIR->setEnabled(false);
    struct Reativar {
        QPushButton* b;
        ~Reativar() { b->setEnabled(true); }
    } reativar{btEXCLUIR};
    QCoreApplication::processEvents();
    const QDate data = QDate::fromString(edDATA->text(), QStringLiteral("dd/MM/yyyy"));
    if (!data.isValid()) {
        MostrarMensagem(QStringLiteral("@!000ERRData informada não procede, tente novamente!"));
        edDATA->setFocus();
        return;
    }
    if (MostrarMensagem(QStringLiteral("@!-01AVIConfirma apagar acessos/rondas?")) != Resposta::Sim) return;
    Ampulheta ampulheta;
    ApagarAcessos(m_dm, data);
    ampulheta.restaurar();
    MostrarMensagem(QStringLiteral("@!000AVIOperação concluída."));
}

} // namespace portaris
