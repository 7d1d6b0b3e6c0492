#pragma once
// The report engine: one layout over any source of rows, drawn a page at a time onto a printer, the
// preview or a PDF, and written as HTML or plain text. Nothing holds a whole listing at once.
//
//   FonteConjunto fonte(qrREL);
//   RenderizadorRelatorio r(LayoutRelatorio::listagem("ReportCCartao", ...), fonte);
//   r.exportarPdf(caminho, progresso);   // progresso(página) returns false to cancel
#include "db/Conjunto.h"

#include <QColor>
#include <QList>
#include <QPageLayout>
#include <QSizeF>
#include <QString>
#include <functional>

class QPainter;
class QPrinter;
class QImage;

namespace portaris {

// Reads on as the renderer asks: a listing is never loaded whole before its first page.
class FonteRelatorio {
public:
    virtual ~FonteRelatorio() = default;
    virtual bool temLinha(int linha) = 0;
    virtual QString texto(int linha, const QString& campo) = 0;
    // Every field the source has, in its order.
    virtual QStringList campos() const = 0;
};

class FonteConjunto : public FonteRelatorio {
public:
    explicit FonteConjunto(Conjunto& conjunto) : m_conjunto(conjunto) {}
    bool temLinha(int linha) override;
    QString texto(int linha, const QString& campo) override;
    QStringList campos() const override;

private:
    Conjunto& m_conjunto;
};

class FonteFixa : public FonteRelatorio {
public:
    FonteFixa(QStringList campos, QList<QStringList> linhas)
        : m_campos(std::move(campos)), m_linhas(std::move(linhas)) {}
    bool temLinha(int linha) override { return linha >= 0 && linha < m_linhas.size(); }
    QString texto(int linha, const QString& campo) override;
    QStringList campos() const override { return m_campos; }

private:
    QStringList m_campos;
    QList<QStringList> m_linhas;
};

struct ColunaRelatorio {
    QString campo;
    QString titulo;
    int largura; // characters at 10 per inch; the PDF gives each column the same share of the line
};

struct LayoutRelatorio {
    QString nome;    // "ReportCCartao", ...
    QString especie; // the listing's kind, under "Portaris"
    QString periodo;
    QString ordem;
    QString estacao;   // in every page's footer
    QString documento; // PDF title
    QList<ColunaRelatorio> colunas;
    QString campoAutorizado = QStringLiteral("PAUTORIZADO"); // "Não" there is drawn in red

    // The three access listings by their report names; `periodo` and `ordem` are printed as given.
    static LayoutRelatorio listagem(const QString& nome, const QString& periodo, const QString& ordem,
                                    const QString& estacao);
    // "ReportTeste", and the rows it prints.
    static LayoutRelatorio teste(const QString& estacao);
    static FonteFixa linhasTeste();
};

// Titles of the listing columns, by field; other fields keep their name.
QString TituloColuna(const QString& campo);

// A page number, for the progress window; false cancels.
using Progresso = std::function<bool(int pagina)>;

class RenderizadorRelatorio {
public:
    RenderizadorRelatorio(LayoutRelatorio layout, FonteRelatorio& fonte);

    static constexpr int LarguraTexto = 110;        // characters of a text line: A4 landscape at 10 cpi
    static constexpr int LinhasPorPaginaTexto = 46; // lines of a text page at 6 lpi
    static QPageLayout paginaPadrao();              // A4 landscape, 10 mm margins

    // Rows on each printed page (the header and footer take the rest).
    int linhasPorPagina() const { return m_linhasPagina; }
    // Whether page `pagina` (from 1) has rows; page 1 always exists, empty listings included.
    bool temPagina(int pagina);
    // Pages of the whole listing: reads every row.
    int paginas();

    // Draws one page; the painter's unit is the point and its origin the printable area's corner.
    void desenharPagina(QPainter& p, int pagina);
    // One page at `dpi` (the preview: 96 at 100 %), paper included.
    QImage imagemPagina(int pagina, double dpi);

    // Each returns false when cancelled. A file is replaced only when complete; an error throws
    // std::runtime_error with a message for the operator.
    bool imprimir(QPrinter& impressora, const Progresso& progresso);
    bool exportarPdf(const QString& caminho, const Progresso& progresso);
    bool exportarHtml(const QString& caminho, const Progresso& progresso);
    bool exportarTexto(const QString& caminho, const Progresso& progresso);

    // The columns of the HTML table: every field of the source except the key.
    QStringList camposHtml() const;

private:
    bool desenharPaginas(QPainter& p, const std::function<bool()>& novaPagina, const Progresso& progresso);
    QString linhaTexto(const QStringList& valores) const;

    LayoutRelatorio m_layout;
    FonteRelatorio& m_fonte;
    QSizeF m_area; // printable area in points
    int m_linhasPagina;
};

} // namespace portaris
