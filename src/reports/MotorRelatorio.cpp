#include "MotorRelatorio.h"

#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "reports/TfmOpcoesImpressao.h"
#include "reports/TfmVisualizacao.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <stdexcept>

namespace portaris {

OpcoesImpressao::Saida OpcoesImpressao::saidaDeTexto(const QString& texto, Saida atual) {
    if (texto == QLatin1String("rdPrinter")) return Saida::Impressora;
    if (texto == QLatin1String("rdPreview")) return Saida::Visualizacao;
    if (texto == QLatin1String("rdFile")) return Saida::Arquivo;
    return atual;
}

OpcoesImpressao OpcoesImpressao::lerConfiguracao() {
    OpcoesImpressao o;
    o.exibirSetup = cfg::impressora_exibesetup.ler();
    o.saida = saidaDeTexto(cfg::impressora_saidadefault.ler(), o.saida);
    o.pdf = cfg::impressora_pdf.ler();
    o.htm = cfg::impressora_htm.ler();
    o.txt = cfg::impressora_txt.ler();
    return o;
}

// The display name of each format, followed by the patterns the dialogs match.
QString FiltroFormato(FormatoArquivo f) {
    switch (f) {
    case FormatoArquivo::Pdf:
        return QStringLiteral("Acrobat PDF (*.PDF) (*.pdf)");
    case FormatoArquivo::Html:
        return QStringLiteral("Website (*.HTML) (*.html *.htm)");
    case FormatoArquivo::Texto:
        return QStringLiteral("Texto plano (*.TXT) (*.txt)");
    }
    return {};
}

namespace {

QString comExtensao(const QString& arquivo, FormatoArquivo f) {
    if (!QFileInfo(arquivo).suffix().isEmpty()) return arquivo;
    switch (f) {
    case FormatoArquivo::Pdf:
        return arquivo + QStringLiteral(".pdf");
    case FormatoArquivo::Html:
        return arquivo + QStringLiteral(".html");
    case FormatoArquivo::Texto:
        return arquivo + QStringLiteral(".txt");
    }
    return arquivo;
}

// The save dialog of a file destination chosen without the options window.
bool escolherArquivo(const OpcoesImpressao& o, DestinoRelatorio& d, QWidget* pai) {
    QList<FormatoArquivo> formatos;
    if (o.pdf) formatos << FormatoArquivo::Pdf;
    if (o.htm) formatos << FormatoArquivo::Html;
    if (o.txt) formatos << FormatoArquivo::Texto;
    if (formatos.isEmpty()) {
        MostrarMensagem(
            QStringLiteral("@!000AVINenhum formato de arquivo está ativado na página Impressora."));
        return false;
    }
    QStringList filtros;
    for (FormatoArquivo f : formatos)
        filtros << FiltroFormato(f);
    QFileDialog dlg(pai, QStringLiteral("Arquivo do relatório"));
    dlg.setObjectName(QStringLiteral("dlgARQUIVORELATORIO"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(filtros);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    d.formato = formatos.value(filtros.indexOf(dlg.selectedNameFilter()), formatos.first());
    d.arquivo = dlg.selectedFiles().first();
    return true;
}

} // namespace

bool EmitirRelatorio(RenderizadorRelatorio& r, const DestinoRelatorio& d, QWidget* pai) {
    try {
        if (d.saida == OpcoesImpressao::Saida::Visualizacao) {
            TfmVisualizacao v(r, pai);
            v.exec();
            return true;
        }
        const bool imprimindo = d.saida == OpcoesImpressao::Saida::Impressora;
        QProgressDialog status(pai);
        status.setObjectName(QStringLiteral("fmSTATUSRELATORIO"));
        status.setWindowTitle(QStringLiteral("Status do relatório"));
        status.setCancelButtonText(QStringLiteral("Cancelar"));
        status.setRange(0, 0);
        status.setMinimumDuration(0);
        status.setWindowModality(Qt::WindowModal);
        status.setAutoClose(false);
        status.setAutoReset(false);
        const QString texto =
            imprimindo ? QStringLiteral("Imprimindo página %p") : QStringLiteral("Gerando página %p");
        status.setLabelText(QString(texto).replace(QStringLiteral("%p"), QStringLiteral("1")));
        status.show();
        const Progresso progresso = [&](int pagina) {
            status.setLabelText(QString(texto).replace(QStringLiteral("%p"), QString::number(pagina)));
            QCoreApplication::processEvents();
            return !status.wasCanceled();
        };
        if (imprimindo) {
            const QString nome = d.impressora.isEmpty() ? QPrinterInfo::defaultPrinterName() : d.impressora;
            if (nome.isEmpty())
                throw std::runtime_error("Nenhuma impressora está instalada neste computador.");
            QPrinter impressora(QPrinterInfo::printerInfo(nome), QPrinter::HighResolution);
            impressora.setCopyCount(d.copias);
            return r.imprimir(impressora, progresso);
        }
        const QString arquivo = comExtensao(d.arquivo, d.formato);
        switch (d.formato) {
        case FormatoArquivo::Pdf:
            return r.exportarPdf(arquivo, progresso);
        case FormatoArquivo::Html:
            return r.exportarHtml(arquivo, progresso);
        case FormatoArquivo::Texto:
            return r.exportarTexto(arquivo, progresso);
        }
    } catch (const Abort&) {
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    } catch (const std::exception& e) {
        MostrarMensagem(QString::fromUtf8(e.what()));
    }
    return false;
}

bool ExecutarRelatorio(const LayoutRelatorio& layout, FonteRelatorio& fonte, const OpcoesImpressao& opcoes,
                       QWidget* pai) {
    DestinoRelatorio d;
    d.saida = opcoes.saida;
    if (opcoes.exibirSetup) {
        TfmOpcoesImpressao o(opcoes, pai);
        if (o.exec() != QDialog::Accepted) return false;
        d = o.destino();
    } else if (d.saida == OpcoesImpressao::Saida::Arquivo && !escolherArquivo(opcoes, d, pai)) {
        return false;
    }
    RenderizadorRelatorio r(layout, fonte);
    return EmitirRelatorio(r, d, pai);
}

bool TestarImpressao(const OpcoesImpressao& opcoes, QWidget* pai) {
    FonteFixa linhas = LayoutRelatorio::linhasTeste();
    return ExecutarRelatorio(LayoutRelatorio::teste(TdmPORTARIS::NOME_COMPUTADOR()), linhas, opcoes, pai);
}

} // namespace portaris
