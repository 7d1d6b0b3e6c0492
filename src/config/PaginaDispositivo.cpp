#include "PaginaDispositivo.h"

#include "Componentes.h"
#include "devices/LinhaComando.h"
#include "platform/Mensagens.h"
#include "ui/Ligacoes.h"
#include "ui/Protegido.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace portaris {

using namespace componentes;

PaginaDispositivo::PaginaDispositivo(Conjunto& conjunto, int excluida, QWidget* parent)
    : PaginaCadastro(conjunto, parent), m_excluida(excluida) {
    pintarFundo(this, CorPagina);
}

QStringList PaginaDispositivo::listaPortas() {
    QStringList l;
    for (int i = 1; i <= 9; ++i)
        l << QStringLiteral("COM%1").arg(i);
    return l;
}

bool PaginaDispositivo::cabecaValida(const QString& texto, int excluida) {
    bool ok = false;
    const int c = texto.trimmed().toInt(&ok);
    return ok && c >= 128 && c <= 255 && c != excluida;
}

QString PaginaDispositivo::mensagemCabeca() const {
    return QStringLiteral("@!000ERRCabeça deve ser entre 128-255 e diferente de %1!").arg(m_excluida);
}

void PaginaDispositivo::criarComuns(int xSerialNum, int ySerialNum) {
    rotulo(this, QStringLiteral("Identificação"), 16, 8);
    edCABECA = campo(this, QStringLiteral("edCABECA"), 16, 24, 73);
    soDigitos(edCABECA);
    ligar<LigacaoEdit>(QStringLiteral("CABECA"), edCABECA);
    edCABECA->setMaxLength(3);
    rotulo(this, QStringLiteral("Localização"), 110, 8);
    edDESCRICAO = campo(this, QStringLiteral("edDESCRICAO"), 110, 24, 290);
    ligar<LigacaoEdit>(QStringLiteral("DESCRICAO"), edDESCRICAO);
    configurarLista(edDESCRICAO, QStringLiteral("DESCRICAO"));
    rotulo(this, QStringLiteral("Porta serial"), 412, 8);
    cbSERIAL = lista(this, QStringLiteral("cbSERIAL"), listaPortas(), 412, 24, 81);
    ligar<LigacaoCombo>(QStringLiteral("SERIAL"), cbSERIAL);
    rotulo(this, QStringLiteral("Número de série (computador)"), xSerialNum, ySerialNum);
    edSERIALNUM = campo(this, QStringLiteral("edSERIALNUM"), xSerialNum, ySerialNum + 16, 145);
    soDigitos(edSERIALNUM);
    ligar<LigacaoEdit>(QStringLiteral("SERIALNUM"), edSERIALNUM)->definirSomenteLeitura(true);
    m_focoIncluir = edCABECA;
    m_focoAlterar = edDESCRICAO;
}

QGroupBox* PaginaDispositivo::grupoOpcoes(const QString& nome, const QString& titulo,
                                          const QStringList& itens, const QStringList& valores,
                                          const QString& campo, QRect geometria, int colunas,
                                          QButtonGroup** saida) {
    auto* g = new QGroupBox(titulo, this);
    g->setObjectName(nome);
    g->setGeometry(geometria);
    auto* grade = new QGridLayout(g);
    grade->setContentsMargins(8, 6, 4, 6);
    grade->setSpacing(2);
    auto* grupo = new QButtonGroup(g);
    const int linhas = (static_cast<int>(itens.size()) + colunas - 1) / colunas;
    for (int i = 0; i < itens.size(); ++i) {
        auto* r = new QRadioButton(itens[i], g);
        grupo->addButton(r, i);
        grade->addWidget(r, i % linhas, i / linhas);
    }
    adicionar(new LigacaoOpcoes(conjunto(), campo, g, grupo, valores));
    if (saida) *saida = grupo;
    return g;
}

bool PaginaDispositivo::validar() {
    if (!cabecaValida(edCABECA->text(), m_excluida)) {
        MostrarMensagem(mensagemCabeca());
        return false;
    }
    return true;
}

void PaginaDispositivo::depoisIncluir() {
    conjunto().definir(QStringLiteral("SERIALNUM"), estacao);
}

void PaginaDispositivo::executarComando(
    bool exigeLista, const std::function<QString(const std::shared_ptr<LinhaSerial>&, quint8)>& comando) {
    if (!conjunto().aberto() || conjunto().estado() != EstadoConjunto::Navegando) return;
    if (exigeLista && conjunto().vazio()) return;
    Protegido([&] {
        LinhaComando linha(portas, PortaDoRegistro(conjunto().valor(QStringLiteral("SERIAL"))),
                           cbSERIAL->currentIndex() + 1);
        if (!linha.aberta()) {
            MostrarMensagem(LinhaComando::ErroPorta);
            return;
        }
        const QString msg = comando(linha.handle(), static_cast<quint8>(edCABECA->text().toInt()));
        if (!msg.isEmpty()) MostrarMensagem(msg);
    });
}

void PaginaLeitora::adicionarMae(const QString& chave) {
    if (cbMAE->findText(chave) < 0) cbMAE->addItem(chave);
    m_ligMae->atualizar();
}

void PaginaLeitora::removerMae(const QString& chave) {
    const int i = cbMAE->findText(chave);
    if (i >= 0) cbMAE->removeItem(i);
    m_ligMae->atualizar();
}

void PaginaLeitora::ligarRegras() {
    connect(ckCONFIRMARACESSO, &QCheckBox::toggled, this, [this] { aplicarRegras(); });
    connect(ckVISUALIZAR, &QCheckBox::toggled, this, [this] { aplicarRegras(); });
    connect(ckNAOBATERELE, &QCheckBox::toggled, this, [this] { aplicarRegras(); });
    for (auto sinal : {&Conjunto::rolou, &Conjunto::estadoMudou, &Conjunto::dadosMudaram})
        connect(&conjunto(), sinal, this, [this] { aplicarRegras(); });
    aplicarRegras();
}

void PaginaLeitora::aplicarRegras() {
    // Confirmation: re-entry may be chosen and no picture is shown; without it, re-entry is always on.
    if (ckCONFIRMARACESSO->isChecked()) {
        ckPERMITIRREINGRESSO->setEnabled(true);
        ckVISUALIZAR->setChecked(false);
        ckVISUALIZAR->setEnabled(false);
    } else {
        ckPERMITIRREINGRESSO->setChecked(true);
        ckPERMITIRREINGRESSO->setEnabled(false);
        ckVISUALIZAR->setEnabled(true);
    }
    // The mother reader matters only to a reader that does not drive its own relay.
    lbMAE->setVisible(ckNAOBATERELE->isChecked());
    cbMAE->setVisible(ckNAOBATERELE->isChecked());
}

void PaginaLeitora::depoisGravar() {
    const bool controla = conjunto().texto(QStringLiteral("NAOBATERELE")) != QLatin1String("1");
    if (controla) adicionarMae(conjunto().texto(QStringLiteral("CHAVE")));
    if (aoMudarLeitora) aoMudarLeitora(conjunto().texto(QStringLiteral("CHAVE")), controla, false);
}

bool PaginaLeitora::EXCLUIR() {
    m_chaveApagada =
        conjunto().aberto() && !conjunto().vazio() ? conjunto().texto(QStringLiteral("CHAVE")) : QString();
    return PaginaDispositivo::EXCLUIR();
}

void PaginaLeitora::depoisExcluir() {
    if (m_chaveApagada.isEmpty()) return;
    removerMae(m_chaveApagada);
    if (aoMudarLeitora) aoMudarLeitora(m_chaveApagada, false, true);
}

} // namespace portaris
