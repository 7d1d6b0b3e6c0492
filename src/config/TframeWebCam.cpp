#include "TframeWebCam.h"

#include "Componentes.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace portaris {

using namespace componentes;

TframeWebCam::TframeWebCam(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsWEBCAM"));
    pintarFundo(this, CorPagina);
    rotulo(this, QStringLiteral("Previsualizar"), 16, 8);
    lbPREVIA = new QLabel(this);
    lbPREVIA->setFrameShape(QFrame::Box);
    lbPREVIA->setGeometry(16, 24, 282, 212);
    rotulo(this, QStringLiteral("Relatório de ações"), 16, 244);
    mmRELATORIO = new QPlainTextEdit(this);
    mmRELATORIO->setReadOnly(true);
    mmRELATORIO->setGeometry(16, 260, 282, 140);
    rgFREQUENCIA = new QGroupBox(QStringLiteral(" Frequência de visualização "), this);
    rgFREQUENCIA->setGeometry(312, 24, 290, 76);
    auto* g = new QGridLayout(rgFREQUENCIA);
    grFREQUENCIA = new QButtonGroup(this);
    const QStringList f = {QStringLiteral("5 quadros/seg."), QStringLiteral("10 quadros/seg."),
                           QStringLiteral("15 quadros/seg."), QStringLiteral("25 quadros/seg.")};
    for (int i = 0; i < 4; ++i) {
        auto* r = new QRadioButton(f[i], rgFREQUENCIA);
        grFREQUENCIA->addButton(r, i);
        g->addWidget(r, i % 2, i / 2);
    }
    auto* op = new QGroupBox(QStringLiteral("Opções"), this);
    op->setGeometry(312, 108, 290, 110);
    ckMANTER = caixa(op, QStringLiteral("ckMANTER"), QStringLiteral("Manter webcam ON-LINE"), 10, 22, 270);
    ckATIVAR = caixa(op, QStringLiteral("ckATIVAR"), QStringLiteral("Ativar recurso de webcam"), 10, 42, 270);
    ckNEGADO = caixa(op, QStringLiteral("ckNEGADO"),
                     QStringLiteral("Capturar imagem para acessos não autorizado"), 10, 62, 270);
    ckRONDA = caixa(op, QStringLiteral("ckRONDA"), QStringLiteral("Capturar imagem para ronda"), 10, 82, 270);
    ckNEGADO->hide();
    ckRONDA->hide();
    btCONECTAR = botao(this, QStringLiteral("btCONECTAR"), QStringLiteral("Tentar conexão"), 16, 410, 130);
    btDESCONECTAR =
        botao(this, QStringLiteral("btDESCONECTAR"), QStringLiteral("Desavitar conexão"), 156, 410, 130);
    btAPLICAR =
        botao(this, QStringLiteral("btAPLICAR"), QStringLiteral("Aplicar configuração"), 312, 410, 150);
    // The webcam test comes with the webcam itself.
    btCONECTAR->setEnabled(false);
    btDESCONECTAR->setEnabled(false);
    connect(ckATIVAR, &QCheckBox::toggled, this, &TframeWebCam::regraAtivar);
    connect(btAPLICAR, &QPushButton::clicked, this, [this] { Protegido([this] { Aplicar(); }); });
    regraAtivar();
}

void TframeWebCam::regraAtivar() {
    const bool a = ckATIVAR->isChecked();
    rgFREQUENCIA->setEnabled(a);
    for (QCheckBox* c : {ckMANTER, ckNEGADO, ckRONDA})
        c->setEnabled(a);
}

void TframeWebCam::Carregar() {
    if (QAbstractButton* b = grFREQUENCIA->button(cfg::webcam_framerefresh.ler())) b->setChecked(true);
    ckMANTER->setChecked(cfg::webcam_manteronline.ler());
    ckNEGADO->setChecked(cfg::webcam_capturanegado.ler());
    ckRONDA->setChecked(cfg::webcam_capturaronda.ler());
    ckATIVAR->setChecked(cfg::webcam_ativarwebcam.ler());
    regraAtivar();
}

void TframeWebCam::Aplicar() {
    cfg::webcam_framerefresh.gravar(grFREQUENCIA->checkedId() < 0 ? 2 : grFREQUENCIA->checkedId());
    cfg::webcam_manteronline.gravar(ckMANTER->isChecked());
    cfg::webcam_capturanegado.gravar(ckNEGADO->isChecked());
    cfg::webcam_capturaronda.gravar(ckRONDA->isChecked());
    cfg::webcam_ativarwebcam.gravar(ckATIVAR->isChecked());
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

} // namespace portaris
