#pragma once
// Runs a report as the operator asked on the printing page: the options window when it is wanted,
// then the printer, the preview or a file in one of the enabled formats, with the progress window.
#include "reports/RenderizadorRelatorio.h"

class QWidget;

namespace portaris {

struct OpcoesImpressao {
    enum class Saida { Impressora, Visualizacao, Arquivo };
    Saida saida = Saida::Visualizacao;
    bool exibirSetup = true;
    bool pdf = true, htm = true, txt = true;
    // The [impressora] keys, for a console whose printing page has not given its controls.
    static OpcoesImpressao lerConfiguracao();
    // "rdPrinter", "rdPreview", "rdFile"; another value keeps `atual`.
    static Saida saidaDeTexto(const QString& texto, Saida atual);
};

enum class FormatoArquivo { Pdf, Html, Texto };

// Display name and patterns of a format, as the file dialogs offer them.
QString FiltroFormato(FormatoArquivo f);

// What the options window or the save dialog decided.
struct DestinoRelatorio {
    OpcoesImpressao::Saida saida = OpcoesImpressao::Saida::Visualizacao;
    FormatoArquivo formato = FormatoArquivo::Pdf;
    QString arquivo;
    QString impressora; // empty = the default printer
    int copias = 1;
};

// Returns whether the report went out whole. Failures are shown to the operator and go no further;
// a cancelled or failed file leaves nothing under the chosen name.
bool ExecutarRelatorio(const LayoutRelatorio& layout, FonteRelatorio& fonte, const OpcoesImpressao& opcoes,
                       QWidget* pai);

// "Testar impressão" of the printing page: the test report "ReportTeste" with the page's options.
bool TestarImpressao(const OpcoesImpressao& opcoes, QWidget* pai);

// Writes the report to `destino` with the progress window; the part tests and the preview share.
bool EmitirRelatorio(RenderizadorRelatorio& r, const DestinoRelatorio& destino, QWidget* pai);

} // namespace portaris
