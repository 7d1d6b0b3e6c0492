#include "TframeGrupos.h"

#include "Componentes.h"
#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "ui/SemanaHorarios.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <optional>

namespace portaris {

using namespace componentes;

namespace {
const char* const kDias[7] = {"Segunda....:",  "Terça.......:", "Quarta......:", "Quinta......:",
                              "Sexta.......:", "Sábado.....:",  "Domingo.....:"};
} // namespace

TframeGrupos::TframeGrupos(TdmPORTARIS& dm, QWidget* parent) : PaginaCadastro(dm.setGRP, parent), m_dm(dm) {
    setObjectName(QStringLiteral("tsGRUPOS"));
    pintarFundo(this, CorPagina);
    rotulo(this, QStringLiteral("Nome do grupo"), 16, 8);
    edDESCRICAO = campo(this, QStringLiteral("edDESCRICAO"), 16, 24, 300);
    ligar<LigacaoEdit>(QStringLiteral("DESCRICAO"), edDESCRICAO);
    auto* gb = new QGroupBox(QStringLiteral("Horários autorizados"), this);
    gb->setGeometry(16, 56, 300, 200);
    for (int d = 0; d < 7; ++d) {
        const int y = 22 + d * 24;
        rotulo(gb, QString::fromUtf8(kDias[d]), 10, y + 3);
        rotulo(gb, QStringLiteral("até"), 176, y + 3);
        for (int k = 0; k < 2; ++k) {
            const int i = d * 2 + k;
            const QString coluna = QLatin1String(SemanaHorarios::Colunas[i]);
            edHORA[i] = campo(gb, QStringLiteral("ed") + coluna, k == 0 ? 100 : 200, y, 70);
            m_ligHORA[i] = ligar<LigacaoEdit>(coluna, edHORA[i]);
        }
    }
    auto* op = new QGroupBox(QStringLiteral("Outras opções de configuração"), this);
    op->setGeometry(16, 264, 300, 48);
    ckNAOACESSOFERIADOS = caixa(op, QStringLiteral("ckNAOACESSOFERIADOS"),
                                QStringLiteral("Não permitir acesso aos feriados"), 10, 22, 270);
    ligar<LigacaoCheck>(QStringLiteral("NAOACESSOFERIADOS"), ckNAOACESSOFERIADOS);
    btSEG = botao(this, QStringLiteral("btSEG"), QStringLiteral("Aplicar horário de \"Segunda\" à todos"),
                  330, 78, 220);
    btSEG->hide();
    std::array<QLineEdit*, SemanaHorarios::Campos> campos;
    std::copy(std::begin(edHORA), std::end(edHORA), campos.begin());
    m_semana = new SemanaHorarios(
        campos, btSEG, SemanaHorarios::Teclas::SoInicioDeSegunda, [this] { return conjunto().emEdicao(); },
        [this](int i) { return m_ligHORA[i]->confirmar(); }, this);
    configurarLista(edDESCRICAO, QStringLiteral("DESCRICAO"));
    m_focoIncluir = m_focoAlterar = edDESCRICAO;
}

void TframeGrupos::CopiarSegunda() {
    m_semana->CopiarSegunda();
}

bool TframeGrupos::INCLUIR() {
    const bool ok = PaginaCadastro::INCLUIR();
    btSEG->setVisible(ok);
    return ok;
}

bool TframeGrupos::ALTERAR() {
    const bool ok = PaginaCadastro::ALTERAR();
    btSEG->setVisible(ok);
    return ok;
}

bool TframeGrupos::CANCELAR() {
    btSEG->hide();
    return PaginaCadastro::CANCELAR();
}

bool TframeGrupos::GRAVAR() {
    btSEG->hide();
    Ampulheta ampulheta;
    Conjunto& g = conjunto();
    if (!g.emEdicao()) return g.estado() == EstadoConjunto::Navegando;
    const QString antigo = g.estado() == EstadoConjunto::Editando && g.posicao() >= 0
                               ? g.texto(g.posicao(), QStringLiteral("DESCRICAO"))
                               : QString();
    confirmarCampos();
    if (edDESCRICAO->text().trimmed().isEmpty()) {
        ampulheta.restaurar();
        MostrarMensagem(QStringLiteral("@!000ERRGrupo é informação obrigatória!"));
        btSEG->show();
        return false;
    }
    // A renamed group and the holders that carry its name move together or not at all.
    std::optional<Unidade> renomear;
    if (!antigo.isEmpty()) renomear.emplace(g.banco());
    if (!PaginaCadastro::GRAVAR()) {
        btSEG->setVisible(g.emEdicao());
        return false;
    }
    if (renomear) {
        const bool movidos = chamarOperacao([&] {
            Banco& b = g.banco();
            Comando c(b, QStringLiteral("UPDATE USUARIO\nSET GRUPO = :P00\nWHERE GRUPO = :P01"));
            c.definir(QStringLiteral("P00"), g.texto(QStringLiteral("DESCRICAO")));
            c.definir(QStringLiteral("P01"), antigo);
            c.executar();
            renomear->commit();
            return true;
        });
        renomear.reset();
        if (movidos) {
            chamarOperacao([&] {
                m_dm.setUSU.fechar();
                relogio().dormir(1000);
                m_dm.setUSU.abrir();
                return true;
            });
        } else {
            // The group keeps its old name in the database: the list shows it again.
            chamarOperacao([&] {
                g.atualizar();
                return true;
            });
        }
    }
    if (aoMudarGrupos) aoMudarGrupos();
    return g.estado() == EstadoConjunto::Navegando;
}

bool TframeGrupos::EXCLUIR() {
    Conjunto& g = conjunto();
    if (!g.aberto() || g.vazio()) return g.estado() == EstadoConjunto::Navegando;
    int usuarios = 0;
    if (!chamarOperacao([&] {
            Comando c(g.banco(), QStringLiteral("SELECT COUNT(CHAVE)\nFROM USUARIO\nWHERE GRUPO = :P00"));
            c.definir(QStringLiteral("P00"), g.texto(QStringLiteral("DESCRICAO")));
            c.abrir();
            usuarios = c.proximo() ? c.campo(0).toInt() : 0;
            return true;
        }))
        return false;
    if (usuarios > 0) {
        MostrarMensagem(
            QStringLiteral("@!000ERRNão é possível excluir o grupo porque há %1 usuário(s) no grupo!")
                .arg(usuarios));
        return false;
    }
    fecharLista();
    if (g.quantidade() == 1) {
        MostrarMensagem(QStringLiteral("@!000ERRExiste apenas um grupo, este não pode ser excluído!"));
        return g.estado() == EstadoConjunto::Navegando;
    }
    const bool ok = PaginaCadastro::EXCLUIR();
    if (ok && aoMudarGrupos) aoMudarGrupos();
    return ok;
}

} // namespace portaris
