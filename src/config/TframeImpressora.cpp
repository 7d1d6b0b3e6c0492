#include "TframeImpressora.h"

#include "Componentes.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>

namespace portaris {

using namespace componentes;

namespace {
const QStringList kSaidas = {QStringLiteral("rdPrinter"), QStringLiteral("rdPreview"),
                             QStringLiteral("rdFile")};
constexpr int kVisualizacao = 1; // the default output, "rdPreview"
} // namespace

TframeImpressora::TframeImpressora(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsIMPRESSORA"));
    pintarFundo(this, CorPagina);
    ckEXIBESETUP =
        caixa(this, QStringLiteral("ckEXIBESETUP"),
              QStringLiteral("Exibir janela \"Opções de Impressão\"  ao solicitar impressão/exportação "
                             "(recomendável)"),
              16, 16, 560);
    auto* saida = new QGroupBox(QStringLiteral(" Saída padrão para impressão "), this);
    saida->setGeometry(16, 44, 400, 44);
    grSAIDA = new QButtonGroup(this);
    const QStringList t = {QStringLiteral("Impressora"), QStringLiteral("Visualização"),
                           QStringLiteral("Arquivo")};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(t[i], saida);
        r->setGeometry(10 + i * 130, 20, 120, 18);
        grSAIDA->addButton(r, i);
    }
    // One choice is always ticked, so a save never writes an output the operator did not see.
    grSAIDA->button(kVisualizacao)->setChecked(true);
    auto* exp = new QGroupBox(
        QStringLiteral("Ativar suporte de exportação para arquivo nos seguintes formatos"), this);
    exp->setGeometry(16, 96, 400, 90);
    ckPDF = caixa(exp, QStringLiteral("ckPDF"), QStringLiteral("Acrobat PDF (*.PDF)"), 10, 22, 300);
    ckHTM = caixa(exp, QStringLiteral("ckHTM"), QStringLiteral("Website (*.HTML)"), 10, 42, 300);
    ckTXT = caixa(exp, QStringLiteral("ckTXT"), QStringLiteral("Texto plano (*.TXT)"), 10, 62, 300);
    btAPLICAR =
        botao(this, QStringLiteral("btAPLICAR"), QStringLiteral("Aplicar configuração"), 16, 200, 150);
    btTESTAR = botao(this, QStringLiteral("btTESTAR"), QStringLiteral("Testar impressão"), 176, 200, 150);
    // The test print comes with the reports.
    btTESTAR->setEnabled(false);
    connect(btAPLICAR, &QPushButton::clicked, this, [this] { Protegido([this] { Aplicar(); }); });
}

void TframeImpressora::Carregar() {
    ckEXIBESETUP->setChecked(cfg::impressora_exibesetup.ler());
    // Compared exactly: another value leaves the choice as it was (the default on a page just built).
    const int i = static_cast<int>(kSaidas.indexOf(cfg::impressora_saidadefault.ler()));
    if (i >= 0) grSAIDA->button(i)->setChecked(true);
    ckPDF->setChecked(cfg::impressora_pdf.ler());
    ckHTM->setChecked(cfg::impressora_htm.ler());
    ckTXT->setChecked(cfg::impressora_txt.ler());
}

void TframeImpressora::Aplicar() {
    cfg::impressora_exibesetup.gravar(ckEXIBESETUP->isChecked());
    cfg::impressora_saidadefault.gravar(kSaidas.value(grSAIDA->checkedId(), kSaidas[kVisualizacao]));
    cfg::impressora_pdf.gravar(ckPDF->isChecked());
    cfg::impressora_htm.gravar(ckHTM->isChecked());
    cfg::impressora_txt.gravar(ckTXT->isChecked());
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

OpcoesImpressao TframeImpressora::opcoes() const {
    OpcoesImpressao o;
    switch (grSAIDA->checkedId()) {
    case 0:
        o.saida = OpcoesImpressao::Saida::Impressora;
        break;
    case 2:
        o.saida = OpcoesImpressao::Saida::Arquivo;
        break;
    default:
        o.saida = OpcoesImpressao::Saida::Visualizacao;
    }
    o.exibirSetup = ckEXIBESETUP->isChecked();
    o.pdf = ckPDF->isChecked();
    o.htm = ckHTM->isChecked();
    o.txt = ckTXT->isChecked();
    return o;
}

} // namespace portaris
