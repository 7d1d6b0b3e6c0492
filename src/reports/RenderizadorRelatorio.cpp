#include "RenderizadorRelatorio.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextStream>
#include <stdexcept>

namespace portaris {

namespace {

// Rows read from the database at a time while rendering: few round trips, little memory.
constexpr int kBloco = 1000;

// Geometry of a printed page, in points.
constexpr double kTopoTitulos = 38, kAlturaTitulos = 13, kAlturaLinha = 11, kRodape = 16;

QFont fonte(double pixels, bool negrito = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(std::max(1, qRound(pixels)));
    f.setBold(negrito);
    return f;
}

QString cortar(const QString& texto, const QFontMetricsF& fm, double largura) {
    if (fm.horizontalAdvance(texto) <= largura) return texto;
    QString t = texto;
    while (!t.isEmpty() && fm.horizontalAdvance(t) > largura)
        t.chop(1);
    return t;
}

[[noreturn]] void falhar(const QString& caminho, const QString& motivo) {
    throw std::runtime_error(
        QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(caminho, motivo).toStdString());
}

// Text files and HTML pages go to a temporary file renamed at the end: a failure or a cancel leaves
// whatever was there before.
void abrir(QSaveFile& f) {
    if (!f.open(QIODevice::WriteOnly)) falhar(f.fileName(), f.errorString());
}

void concluir(QSaveFile& f) {
    if (!f.commit()) falhar(f.fileName(), f.errorString());
}

} // namespace

bool FonteConjunto::temLinha(int linha) {
    if (linha < 0 || !m_conjunto.aberto()) return false;
    while (linha >= m_conjunto.quantidade() && m_conjunto.haMaisLinhas())
        m_conjunto.lerMaisLinhas(kBloco);
    return linha < m_conjunto.quantidade();
}

QString FonteConjunto::texto(int linha, const QString& campo) {
    return m_conjunto.texto(linha, campo);
}

QStringList FonteConjunto::campos() const {
    QStringList r;
    for (const Campo& c : m_conjunto.campos())
        r << c.nome;
    return r;
}

QString FonteFixa::texto(int linha, const QString& campo) {
    const qsizetype i = m_campos.indexOf(campo);
    return i < 0 ? QString() : m_linhas.value(linha).value(i);
}

QString TituloColuna(const QString& campo) {
    static const QHash<QString, QString> titulos = {
        {QStringLiteral("PDATA"), QStringLiteral("Data")},
        {QStringLiteral("PHORA"), QStringLiteral("Hora")},
        {QStringLiteral("PLEITORA"), QStringLiteral("Leitora")},
        {QStringLiteral("PAUTORIZADO"), QStringLiteral("Autorizado")},
        {QStringLiteral("PNOME"), QStringLiteral("Nome")},
        {QStringLiteral("PCARTAO"), QStringLiteral("Cartão")},
        {QStringLiteral("PGRUPO"), QStringLiteral("Grupo")},
        {QStringLiteral("PTIPO"), QStringLiteral("Tipo")},
        {QStringLiteral("PNOTA"), QStringLiteral("Observação do Portaris")},
        {QStringLiteral("PNOTA2"), QStringLiteral("Observação")},
        {QStringLiteral("PLOGIN"), QStringLiteral("Login ativo")},
        {QStringLiteral("PCOMPUTADOR"), QStringLiteral("Computador emissor")},
        {QStringLiteral("PORIGEM"), QStringLiteral("Origem")},
        {QStringLiteral("PDESTINO"), QStringLiteral("Destino")},
    };
    return titulos.value(campo.toUpper(), campo);
}

// A landscape line holds 110 characters at 10 cpi, not the fourteen columns of the grid: each
// listing prints the columns that tell its story, at widths that fill the line.
LayoutRelatorio LayoutRelatorio::listagem(const QString& nome, const QString& periodo, const QString& ordem,
                                          const QString& estacao) {
    LayoutRelatorio l;
    l.nome = nome;
    l.periodo = periodo;
    l.ordem = ordem;
    l.estacao = estacao;
    l.documento = QStringLiteral("Impressão teste");
    auto c = [](const char* campo, int largura) {
        const QString f = QString::fromLatin1(campo);
        return ColunaRelatorio{f, TituloColuna(f), largura};
    };
    if (nome == QLatin1String("ReportSemCartao")) {
        l.especie = QStringLiteral("Acessos sem cartão");
        l.colunas = {c("PDATA", 10),   c("PHORA", 8),     c("PLEITORA", 12), c("PNOME", 18),
                     c("PORIGEM", 12), c("PDESTINO", 13), c("PNOTA2", 20),   c("PLOGIN", 10)};
    } else if (nome == QLatin1String("ReportRonda")) {
        l.especie = QStringLiteral("Ronda");
        l.colunas = {c("PDATA", 10), c("PHORA", 8),    c("PLEITORA", 22),
                     c("PNOME", 28), c("PCARTAO", 10), c("PNOTA", 27)};
    } else {
        l.especie = QStringLiteral("Acessos com cartão");
        l.colunas = {c("PDATA", 10), c("PHORA", 8),    c("PLEITORA", 16), c("PAUTORIZADO", 10),
                     c("PNOME", 24), c("PCARTAO", 10), c("PNOTA", 26)};
    }
    return l;
}

LayoutRelatorio LayoutRelatorio::teste(const QString& estacao) {
    LayoutRelatorio l;
    l.nome = QStringLiteral("ReportTeste");
    l.especie = QStringLiteral("Impressão teste");
    l.estacao = estacao;
    l.documento = QStringLiteral("Impressão teste");
    l.colunas = {{QStringLiteral("LINHA"), QStringLiteral("Linha"), 6},
                 {QStringLiteral("TEXTO"), QStringLiteral("Texto"), 80},
                 {QStringLiteral("PAUTORIZADO"), QStringLiteral("Autorizado"), 10}};
    return l;
}

FonteFixa LayoutRelatorio::linhasTeste() {
    return FonteFixa(
        {QStringLiteral("LINHA"), QStringLiteral("TEXTO"), QStringLiteral("PAUTORIZADO")},
        {{QStringLiteral("1"), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789"),
          QStringLiteral("Sim")},
         {QStringLiteral("2"), QStringLiteral("abcdefghijklmnopqrstuvwxyz"), QStringLiteral("Sim")},
         {QStringLiteral("3"), QStringLiteral("Acentuação: áéíóú âêô ãõ à ç ÁÉÍÓÚ ÂÊÔ ÃÕ À Ç"),
          QStringLiteral("Não")},
         {QStringLiteral("4"), QString(120, u'-'), QStringLiteral("Sim")}});
}

RenderizadorRelatorio::RenderizadorRelatorio(LayoutRelatorio layout, FonteRelatorio& fonte)
    : m_layout(std::move(layout)), m_fonte(fonte) {
    m_area = paginaPadrao().paintRect(QPageLayout::Point).size();
    m_linhasPagina = std::max(
        1, static_cast<int>((m_area.height() - kTopoTitulos - kAlturaTitulos - kRodape) / kAlturaLinha));
}

QPageLayout RenderizadorRelatorio::paginaPadrao() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

bool RenderizadorRelatorio::temPagina(int pagina) {
    return pagina == 1 || (pagina > 1 && m_fonte.temLinha((pagina - 1) * m_linhasPagina));
}

int RenderizadorRelatorio::paginas() {
    int n = 1;
    while (temPagina(n + 1))
        ++n;
    return n;
}

void RenderizadorRelatorio::desenharPagina(QPainter& p, int pagina) {
    const double largura = m_area.width();
    p.save();
    p.setPen(Qt::black);
    const QFont titulo = fonte(14, true), especie = fonte(12, true), normal = fonte(9),
                cabecalho = fonte(8, true), dados = fonte(8), rodape = fonte(8);

    p.setFont(titulo);
    p.drawText(QRectF(0, 0, largura, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Portaris"));
    p.setFont(especie);
    p.drawText(QRectF(0, 0, largura, 20), Qt::AlignRight | Qt::AlignVCenter, m_layout.especie);
    p.setFont(normal);
    QString linha2;
    if (!m_layout.periodo.isEmpty()) linha2 = QStringLiteral("Período: ") + m_layout.periodo;
    if (!m_layout.ordem.isEmpty())
        linha2 += (linha2.isEmpty() ? QString() : QStringLiteral("     ")) + QStringLiteral("Ordem: ") +
                  m_layout.ordem;
    p.drawText(QRectF(0, 20, largura, 14), Qt::AlignLeft | Qt::AlignVCenter, linha2);

    // Column edges: each column's share of the line, as in the text file.
    int caracteres = 0;
    for (const ColunaRelatorio& c : m_layout.colunas)
        caracteres += c.largura + 1;
    const double unidade = largura / std::max(1, caracteres - 1);
    QList<double> x;
    double xi = 0;
    for (const ColunaRelatorio& c : m_layout.colunas) {
        x << xi;
        xi += (c.largura + 1) * unidade;
    }

    p.fillRect(QRectF(0, kTopoTitulos, largura, kAlturaTitulos), QColor(220, 220, 220));
    p.setFont(cabecalho);
    const QFontMetricsF fmCab(cabecalho);
    for (int i = 0; i < m_layout.colunas.size(); ++i) {
        const double w = m_layout.colunas[i].largura * unidade;
        p.drawText(QRectF(x[i] + 1, kTopoTitulos, w, kAlturaTitulos), Qt::AlignLeft | Qt::AlignVCenter,
                   cortar(m_layout.colunas[i].titulo, fmCab, w));
    }

    p.setFont(dados);
    const QFontMetricsF fm(dados);
    const int primeira = (pagina - 1) * m_linhasPagina;
    double y = kTopoTitulos + kAlturaTitulos;
    for (int r = primeira; r < primeira + m_linhasPagina && m_fonte.temLinha(r); ++r) {
        if ((r - primeira) % 2 == 1) p.fillRect(QRectF(0, y, largura, kAlturaLinha), QColor(242, 242, 242));
        for (int i = 0; i < m_layout.colunas.size(); ++i) {
            const ColunaRelatorio& c = m_layout.colunas[i];
            const QString v = m_fonte.texto(r, c.campo);
            if (v.isEmpty()) continue;
            const bool nao = c.campo == m_layout.campoAutorizado && v == QStringLiteral("Não");
            if (nao) p.setPen(QColor(255, 0, 0));
            const double w = c.largura * unidade;
            p.drawText(QRectF(x[i] + 1, y, w, kAlturaLinha), Qt::AlignLeft | Qt::AlignVCenter,
                       cortar(v, fm, w));
            if (nao) p.setPen(Qt::black);
        }
        y += kAlturaLinha;
    }

    const double yRodape = m_area.height() - kRodape;
    p.drawLine(QPointF(0, yRodape + 2), QPointF(largura, yRodape + 2));
    p.setFont(rodape);
    p.drawText(QRectF(0, yRodape + 3, largura, kRodape - 3), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Página %1").arg(pagina));
    p.drawText(QRectF(0, yRodape + 3, largura, kRodape - 3), Qt::AlignRight | Qt::AlignVCenter,
               m_layout.estacao);
    p.restore();
}

QImage RenderizadorRelatorio::imagemPagina(int pagina, double dpi) {
    const QPageLayout pl = paginaPadrao();
    const QSizeF papel = pl.fullRect(QPageLayout::Point).size();
    const double escala = dpi / 72.0;
    QImage img((papel * escala).toSize(), QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(escala, escala);
    p.translate(pl.paintRect(QPageLayout::Point).topLeft());
    desenharPagina(p, pagina);
    return img;
}

bool RenderizadorRelatorio::desenharPaginas(QPainter& p, const std::function<bool()>& novaPagina,
                                            const Progresso& progresso) {
    for (int pagina = 1; temPagina(pagina); ++pagina) {
        if (progresso && !progresso(pagina)) return false;
        if (pagina > 1 && !novaPagina()) return false;
        desenharPagina(p, pagina);
    }
    return true;
}

bool RenderizadorRelatorio::imprimir(QPrinter& impressora, const Progresso& progresso) {
    impressora.setPageLayout(paginaPadrao());
    impressora.setDocName(m_layout.especie);
    QPainter p;
    if (!p.begin(&impressora))
        throw std::runtime_error(QStringLiteral("Não foi possível iniciar a impressão em %1.")
                                     .arg(impressora.printerName())
                                     .toStdString());
    p.scale(impressora.resolution() / 72.0, impressora.resolution() / 72.0);
    const bool ok = desenharPaginas(
        p, [&] { return impressora.newPage(); }, progresso);
    if (!ok) impressora.abort();
    p.end();
    return ok;
}

bool RenderizadorRelatorio::exportarPdf(const QString& caminho, const Progresso& progresso) {
    QSaveFile arquivo(caminho);
    abrir(arquivo);
    bool ok = false;
    {
        QPdfWriter pdf(&arquivo);
        pdf.setTitle(m_layout.documento);
        pdf.setCreator(QStringLiteral("Portaris "));
        pdf.setResolution(300);
        pdf.setPageLayout(paginaPadrao());
        pdf.setDocumentXmpMetadata(
            QStringLiteral(
                "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
                "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>"
                "<dc:creator><rdf:Seq><rdf:li>Portaris </rdf:li></rdf:Seq></dc:creator>"
                "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>")
                .arg(m_layout.documento.toHtmlEscaped())
                .toUtf8());
        QPainter p;
        if (!p.begin(&pdf)) falhar(caminho, arquivo.errorString());
        p.scale(pdf.resolution() / 72.0, pdf.resolution() / 72.0);
        ok = desenharPaginas(
            p, [&] { return pdf.newPage(); }, progresso);
        p.end();
    }
    if (!ok) {
        arquivo.cancelWriting();
        return false;
    }
    concluir(arquivo);
    return true;
}

QStringList RenderizadorRelatorio::camposHtml() const {
    QStringList r;
    for (const QString& c : m_fonte.campos())
        if (c.compare(QStringLiteral("PCHAVE"), Qt::CaseInsensitive) != 0) r << c;
    return r;
}

bool RenderizadorRelatorio::exportarHtml(const QString& caminho, const Progresso& progresso) {
    QSaveFile arquivo(caminho);
    abrir(arquivo);
    QTextStream s(&arquivo);
    s.setEncoding(QStringConverter::Utf8);
    const QString titulo = QStringLiteral("Portaris - ") + m_layout.especie;
    s << "<!DOCTYPE html>\n<html lang=\"pt-BR\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
      << titulo.toHtmlEscaped() << "</title>\n"
      << "<style>body{font-family:Arial,sans-serif;font-size:9pt}table{border-collapse:collapse}"
         "th{background:#ddd;text-align:left}th,td{border:1px solid #bbb;padding:1px 4px;"
         "white-space:nowrap}.nao{color:#f00}</style>\n</head>\n<body>\n<h1>Portaris</h1>\n<h2>"
      << m_layout.especie.toHtmlEscaped() << "</h2>\n";
    if (!m_layout.periodo.isEmpty() || !m_layout.ordem.isEmpty())
        s << "<p>Período: " << m_layout.periodo.toHtmlEscaped()
          << " &nbsp; Ordem: " << m_layout.ordem.toHtmlEscaped() << "</p>\n";
    const QStringList campos = camposHtml();
    s << "<table>\n<thead>\n<tr>";
    for (const QString& c : campos)
        s << "<th>" << TituloColuna(c).toHtmlEscaped() << "</th>";
    s << "</tr>\n</thead>\n<tbody>\n";
    for (int r = 0; m_fonte.temLinha(r); ++r) {
        if (r % m_linhasPagina == 0 && progresso && !progresso(r / m_linhasPagina + 1)) {
            arquivo.cancelWriting();
            return false;
        }
        s << "<tr>";
        for (const QString& c : campos) {
            const QString v = m_fonte.texto(r, c);
            if (c == m_layout.campoAutorizado && v == QStringLiteral("Não"))
                s << "<td class=\"nao\">";
            else
                s << "<td>";
            s << v.toHtmlEscaped() << "</td>";
        }
        s << "</tr>\n";
    }
    s << "</tbody>\n</table>\n<p>" << m_layout.estacao.toHtmlEscaped() << "</p>\n</body>\n</html>\n";
    s.flush();
    if (s.status() != QTextStream::Ok) falhar(caminho, arquivo.errorString());
    concluir(arquivo);
    return true;
}

QString RenderizadorRelatorio::linhaTexto(const QStringList& valores) const {
    QString l;
    for (int i = 0; i < m_layout.colunas.size(); ++i) {
        const int w = m_layout.colunas[i].largura;
        if (i > 0) l += u' ';
        l += valores.value(i).left(w).leftJustified(w, u' ');
    }
    while (l.endsWith(u' '))
        l.chop(1);
    return l.left(LarguraTexto);
}

bool RenderizadorRelatorio::exportarTexto(const QString& caminho, const Progresso& progresso) {
    QSaveFile arquivo(caminho);
    abrir(arquivo);
    QTextStream s(&arquivo);
    s.setEncoding(QStringConverter::Utf8);
    QStringList titulos;
    for (const ColunaRelatorio& c : m_layout.colunas)
        titulos << c.titulo;
    const QString cabecalho = linhaTexto(titulos);
    QStringList tracos;
    for (const ColunaRelatorio& c : m_layout.colunas)
        tracos << QString(c.largura, u'-');
    const QString separador = linhaTexto(tracos);
    QString linha2;
    if (!m_layout.periodo.isEmpty()) linha2 = QStringLiteral("Período: ") + m_layout.periodo;
    if (!m_layout.ordem.isEmpty())
        linha2 += (linha2.isEmpty() ? QString() : QStringLiteral("   ")) + QStringLiteral("Ordem: ") +
                  m_layout.ordem;
    // Four lines of header and two of footer around the rows.
    const int linhasDados = LinhasPorPaginaTexto - 6;
    int r = 0;
    for (int pagina = 1; pagina == 1 || m_fonte.temLinha(r); ++pagina) {
        if (progresso && !progresso(pagina)) {
            arquivo.cancelWriting();
            return false;
        }
        if (pagina > 1) s << '\f';
        s << (QStringLiteral("Portaris - ") + m_layout.especie).left(LarguraTexto) << '\n'
          << linha2.left(LarguraTexto) << '\n'
          << cabecalho << '\n'
          << separador << '\n';
        QStringList valores;
        for (int n = 0; n < linhasDados && m_fonte.temLinha(r); ++n, ++r) {
            valores.clear();
            for (const ColunaRelatorio& c : m_layout.colunas)
                valores << m_fonte.texto(r, c.campo);
            s << linhaTexto(valores) << '\n';
        }
        const QString pag = QStringLiteral("Página %1").arg(pagina);
        const QString est = m_layout.estacao.left(LarguraTexto - pag.size() - 1);
        s << '\n' << pag << QString(LarguraTexto - pag.size() - est.size(), u' ') << est << '\n';
    }
    s.flush();
    if (s.status() != QTextStream::Ok) falhar(caminho, arquivo.errorString());
    concluir(arquivo);
    return true;
}

} // namespace portaris
