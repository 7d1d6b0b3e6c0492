#include "TframeContas.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>

namespace portaris {

using namespace componentes;

namespace {

QString caractereLogin(QChar c) {
    return TframeContas::filtrarTecla(QString(c));
}

} // namespace

QString TframeContas::filtrarTecla(const QString& texto) {
    if (texto.size() != 1) return {};
    const QChar c = texto.at(0);
    if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return texto;
    if (c >= u'A' && c <= u'Z') return QString(c.toLower());
    return {};
}

TframeContas::TframeContas(TdmPORTARIS& dm, QWidget* parent) : PaginaCadastro(dm.setCON, parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsCONTAS"));
    pintarFundo(this, CorPagina);
    rotulo(this, QStringLiteral("Nome"), 16, 8);
    edNOME = campo(this, QStringLiteral("edNOME"), 16, 24, 300);
    ligar<LigacaoEdit>(QStringLiteral("NOME"), edNOME);
    rotulo(this, QStringLiteral("Login"), 16, 54);
    edLOGIN = campo(this, QStringLiteral("edLOGIN"), 16, 70, 140);
    ligar<LigacaoEdit>(QStringLiteral("LOGIN"), edLOGIN);
    rotulo(this, QStringLiteral("Senha"), 16, 100);
    edSENHA = campo(this, QStringLiteral("edSENHA"), 16, 116, 140);
    edSENHA->setEchoMode(QLineEdit::Password);
    ligar<LigacaoEdit>(QStringLiteral("SENHA"), edSENHA);
    lbCONFIRMAR = rotulo(this, QStringLiteral("Confirmar senha"), 176, 100);
    edCONFIRMAR = campo(this, QStringLiteral("edCONFIRMAR"), 176, 116, 140);
    edCONFIRMAR->setEchoMode(QLineEdit::Password);
    edCONFIRMAR->setMaxLength(30);
    for (QLineEdit* e : {edLOGIN, edSENHA, edCONFIRMAR})
        filtrarCaracteres(e, caractereLogin);
    rotulo(this, QStringLiteral("Cargo"), 16, 146);
    edCARGO = campo(this, QStringLiteral("edCARGO"), 16, 162, 300);
    ligar<LigacaoEdit>(QStringLiteral("CARGO"), edCARGO);
    rotulo(this, QStringLiteral("Observações"), 16, 192);
    mmOBSERVACAO = new QPlainTextEdit(this);
    mmOBSERVACAO->setObjectName(QStringLiteral("mmOBSERVACAO"));
    mmOBSERVACAO->setGeometry(16, 208, 300, 80);
    adicionar(new LigacaoMemo(dm.setCON, QStringLiteral("OBSERVACAO"), mmOBSERVACAO));
    auto* telas = new QGroupBox(QStringLiteral("Telas que podem ser acessadas"), this);
    telas->setGeometry(332, 8, 200, 130);
    const QStringList nomes = {QStringLiteral("Usuários/famílias"), QStringLiteral("Ronda"),
                               QStringLiteral("Lembretes"), QStringLiteral("Relatórios"),
                               QStringLiteral("Configurar")};
    for (int i = 0; i < 5; ++i) {
        ckNIVEL[i] = caixa(telas, QStringLiteral("ckNIVEL0%1").arg(i + 1), nomes[i], 10, 22 + i * 20, 180);
        ligar<LigacaoCheck>(QStringLiteral("NIVEL0%1").arg(i + 1), ckNIVEL[i]);
    }
    configurarLista(edNOME, QStringLiteral("NOME"));
    m_focoIncluir = edLOGIN;
    m_focoAlterar = edNOME;
    mostrarConfirmacao(false);
}

void TframeContas::mostrarConfirmacao(bool sim) {
    lbCONFIRMAR->setVisible(sim);
    edCONFIRMAR->setVisible(sim);
}

bool TframeContas::INCLUIR() {
    const bool ok = PaginaCadastro::INCLUIR();
    if (conjunto().estado() == EstadoConjunto::Inserindo) {
        edCONFIRMAR->setText(QStringLiteral("958"));
        mostrarConfirmacao(true);
    }
    return ok;
}

bool TframeContas::ALTERAR() {
    const bool ok = PaginaCadastro::ALTERAR();
    if (conjunto().estado() == EstadoConjunto::Editando) {
        edCONFIRMAR->setText(conjunto().texto(QStringLiteral("SENHA")));
        mostrarConfirmacao(true);
    }
    return ok;
}

void TframeContas::promover(int chave) {
    Procedimento& p = m_dm.sp(QStringLiteral("CONTAS_PROMOVER"));
    p.definir(QStringLiteral("PCHAVE"), chave);
    Unidade::gravar(m_dm.dbBANCO, [&] { p.executar(); });
    conjunto().atualizar();
}

bool TframeContas::GRAVAR() {
    Conjunto& c = conjunto();
    if (!c.emEdicao()) return c.estado() == EstadoConjunto::Navegando;
    if (mmOBSERVACAO->toPlainText().isEmpty())
        mmOBSERVACAO->setPlainText(QStringLiteral("Nenhuma observação informada."));
    if (!confirmarCampos()) return false;
    if (edLOGIN->text().trimmed().isEmpty() || edNOME->text().trimmed().isEmpty()) {
        MostrarMensagem(QStringLiteral("@!000ERRLogin e nome são informações obrigatórias!"));
        return false;
    }
    if (edSENHA->text().trimmed() != edCONFIRMAR->text().trimmed()) {
        MostrarMensagem(QStringLiteral("@!000ERRSenha de confirmação não confere!"));
        return false;
    }
    const bool ok = PaginaCadastro::GRAVAR();
    if (!ok) return false;
    mostrarConfirmacao(false);
    chamarOperacao([&] {
        const int chave = c.valor(QStringLiteral("CHAVE")).toInt();
        Procedimento& p = m_dm.sp(QStringLiteral("CONTAS_HAB_A_CONFIGURAR"));
        p.definir(QStringLiteral("PCHAVE"), chave);
        p.executar();
        if (p.saida(QStringLiteral("PCOUNT")).toInt() == 0) {
            MostrarMensagem(
                QStringLiteral("@!000AVIEsta conta será habilitada a acessar a opção Configurar!"));
            promover(chave);
        }
        return true;
    });
    return c.estado() == EstadoConjunto::Navegando;
}

bool TframeContas::EXCLUIR() {
    fecharLista();
    Conjunto& c = conjunto();
    if (!c.aberto()) return false;
    if (c.quantidade() == 1) {
        MostrarMensagem(QStringLiteral("@!000ERRExiste apenas um conta, está não pode ser excluída!"));
        return false;
    }
    const bool ok = PaginaCadastro::EXCLUIR();
    if (!ok || c.vazio()) return ok;
    // Someone must still be able to configure: the account left, or the one now shown, is promoted
    // when the deleted account was the last that could.
    chamarOperacao([&] {
        const bool uma = c.quantidade() == 1;
        if (!uma) {
            Procedimento& p = m_dm.sp(QStringLiteral("CONTAS_HAB_A_CONFIGURAR"));
            p.definir(QStringLiteral("PCHAVE"), c.valor(QStringLiteral("CHAVE")).toInt());
            p.executar();
            if (p.saida(QStringLiteral("PCOUNT")).toInt() > 0) return true;
        }
        MostrarMensagem(QStringLiteral("@!000AVIEsta conta será habilitada a acessar a opção configurar!"));
        promover(uma ? c.valor(0, QStringLiteral("CHAVE")).toInt() : c.valor(QStringLiteral("CHAVE")).toInt());
        return true;
    });
    return ok;
}

bool TframeContas::CANCELAR() {
    const bool ok = PaginaCadastro::CANCELAR();
    if (ok) mostrarConfirmacao(false);
    return ok;
}

} // namespace portaris
