#include "TframeControleRemoto.h"

#include "Componentes.h"
#include "TframeOutrasOpcoes.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "ui/Protegido.h"

namespace portaris {

using namespace componentes;

TframeControleRemoto::TframeControleRemoto(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tsREMOTO"));
    pintarFundo(this, CorPaginaBanco);
    ckATIVO =
        caixa(this, QStringLiteral("ckATIVO"),
              QStringLiteral("Permitir que este Portaris seja controlado pela rede (Protocolo \"Portaris "
                             "Remoto\")"),
              16, 16, 560);
    rotulo(this, QStringLiteral("Porta utilizada (TCP/IP)"), 16, 48);
    edPORTA = campo(this, QStringLiteral("edPORTA"), 16, 64, 60);
    edPORTA->setMaxLength(4);
    soDigitos(edPORTA);
    btAPLICAR =
        botao(this, QStringLiteral("btAPLICAR"), QStringLiteral("Aplicar configuração"), 16, 100, 150);
    connect(btAPLICAR, &QPushButton::clicked, this, [this] { Protegido([this] { Aplicar(); }); });
}

void TframeControleRemoto::Carregar() {
    ckATIVO->setChecked(cfg::remoto_ativo.ler());
    edPORTA->setText(QString::number(cfg::remoto_porta.ler()));
}

void TframeControleRemoto::Aplicar() {
    cfg::remoto_ativo.gravar(ckATIVO->isChecked());
    const int porta = TframeOutrasOpcoes::numeroOuPadrao(edPORTA->text(), 4005);
    cfg::remoto_porta.gravar(porta);
    edPORTA->setText(QString::number(porta));
    MostrarMensagem(QStringLiteral("@!000OKKConfiguração salva com sucesso."));
}

} // namespace portaris
