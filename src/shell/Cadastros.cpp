#include "Cadastros.h"

#include "db/TdmPORTARIS.h"
#include "platform/Mensagens.h"
#include "shell/uPORTARIS.h"

#include <QLineEdit>
#include <QPushButton>

namespace portaris {

Cadastros CriarCadastros(TfmPRS& w, TdmPORTARIS& dm, FonteMembro fonte,
                         const QList<TControladora*>& controladoras, bool conectado) {
    Cadastros c;
    auto* usu = new TframeCadastroUsuario(dm);
    c.usuarios = usu;
    w.definirPainel(TfmPRS::pnUSUARIOS, usu);
    OperacoesCadastro ou{[usu] { return usu->INCLUIR(); }, [usu] { return usu->ALTERAR(); },
                         [usu] { return usu->EXCLUIR(); }, [usu] { return usu->GRAVAR(); },
                         [usu] { return usu->CANCELAR(); }};
    ou.mostrarSegunda = [usu](bool v) { usu->btSEG->setVisible(v); };
    ou.depoisIncluir = [usu] {
        usu->edCAR->clear();
        usu->edCAR->setFocus();
    };
    w.definirOperacoes(TfmPRS::pnUSUARIOS, std::move(ou));

    auto* fam = new TframeCadastroFamilia(dm, std::move(fonte));
    c.familias = fam;
    w.definirPainel(TfmPRS::pnFAMILIAS, fam);
    w.definirOperacoes(TfmPRS::pnFAMILIAS,
                       {[fam] { return fam->INCLUIR(); }, [fam] { return fam->ALTERAR(); },
                        [fam] { return fam->EXCLUIR(); }, [fam] { return fam->GRAVAR(); },
                        [fam] { return fam->CANCELA(); }});

    auto* ron = new TframeRonda(dm);
    c.ronda = ron;
    ron->bancoRemoto = [&dm] { return dm.remoto; };
    w.definirPainel(TfmPRS::pnRONDA, ron);
    w.definirOperacoes(TfmPRS::pnRONDA, {[ron] { return ron->INCLUIR(); }, [ron] { return ron->ALTERAR(); },
                                         [ron] { return ron->EXCLUIR(); }, [ron] { return ron->GRAVAR(); },
                                         [ron] { return ron->CANCELAR(); }});

    usu->CARREGAR_TIPOS(QStringLiteral("Tipos.txt"));
    usu->definirControladoras(controladoras);
    ron->definirControladoras(controladoras);
    if (!conectado) return c;
    try {
        usu->CARREGAR_LEITORAS();
        usu->MARCAR_HABILITADOS();
        usu->CARREGAR_GRUPOS();
        ron->CARREGAR_CABECAS();
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
    return c;
}

} // namespace portaris
