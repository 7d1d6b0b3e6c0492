#include "ArquivoIni.h"

#include "PastaPrograma.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <stdexcept>

namespace portaris {

namespace {

// `legivel` false: the file exists but could not be read whole (permissions, a folder, an I/O error).
QString textoArquivo(const QString& caminho, bool* legivel = nullptr) {
    QFile f(caminho);
    if (legivel) *legivel = !f.exists();
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray dados = f.readAll();
    if (legivel) *legivel = f.error() == QFileDevice::NoError;
    return QString::fromUtf8(dados);
}

// "[ name ]" → "name"; anything else → null.
QString secaoDaLinha(const QString& linha) {
    const QString t = linha.trimmed();
    if (t.size() >= 2 && t.front() == QLatin1Char('[')) {
        const qsizetype fim = t.indexOf(QLatin1Char(']'));
        if (fim > 0) return t.mid(1, fim - 1).trimmed();
    }
    return {};
}

// "key = value" → key and value, both trimmed; comments and blank lines give false.
bool chaveDaLinha(const QString& linha, QString& chave, QString* valor) {
    const QString t = linha.trimmed();
    if (t.isEmpty() || t.front() == QLatin1Char(';') || t.front() == QLatin1Char('#')) return false;
    const qsizetype igual = t.indexOf(QLatin1Char('='));
    if (igual <= 0) return false;
    chave = t.left(igual).trimmed();
    if (valor) *valor = t.mid(igual + 1).trimmed();
    return true;
}

bool mesmoNome(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

} // namespace

ArquivoIni ArquivoIni::config() { return ArquivoIni(PastaPrograma::caminho(QStringLiteral("ptconfig.ini"))); }
ArquivoIni ArquivoIni::teste() { return ArquivoIni(PastaPrograma::caminho(QStringLiteral("teste.ini"))); }

bool ArquivoIni::ler(const QString& secao, const QString& chave, QString& valor) const {
    const QStringList linhas = textoArquivo(m_caminho).split(QLatin1Char('\n'));
    bool naSecao = false;
    for (const QString& bruta : linhas) {
        const QString s = secaoDaLinha(bruta);
        if (!s.isNull()) {
            naSecao = mesmoNome(s, secao);
            continue;
        }
        QString k;
        if (naSecao && chaveDaLinha(bruta, k, &valor) && mesmoNome(k, chave)) return true;
    }
    return false;
}

bool ArquivoIni::paraInteiro(const QString& texto, int& valor) {
    bool ok = false;
    const int v = texto.trimmed().toInt(&ok, 10);
    if (ok) valor = v;
    return ok;
}

bool ArquivoIni::paraHora(const QString& texto, QTime& valor) {
    const QString t = texto.trimmed();
    for (const char* formato : {"H:m:s", "H:m"}) {
        const QTime h = QTime::fromString(t, QString::fromLatin1(formato));
        if (h.isValid()) {
            valor = h;
            return true;
        }
    }
    return false;
}

QString ArquivoIni::LerTexto(const QString& secao, const QString& chave, const QString& padrao) const {
    QString v;
    return ler(secao, chave, v) ? v : padrao;
}

int ArquivoIni::LerInteiro(const QString& secao, const QString& chave, int padrao) const {
    QString v;
    int n = padrao;
    if (ler(secao, chave, v) && paraInteiro(v, n)) return n;
    return padrao;
}

bool ArquivoIni::LerBooleano(const QString& secao, const QString& chave, bool padrao) const {
    return LerInteiro(secao, chave, padrao ? 1 : 0) != 0;
}

QTime ArquivoIni::LerHora(const QString& secao, const QString& chave, QTime padrao) const {
    QString v;
    QTime h;
    if (ler(secao, chave, v) && paraHora(v, h)) return h;
    return padrao;
}

void ArquivoIni::GravarTexto(const QString& secao, const QString& chave, const QString& valor) const {
    bool legivel = false;
    const QString atual = textoArquivo(m_caminho, &legivel);
    // A file that is there but unreadable is no empty file: writing one key would wipe the rest.
    if (!legivel)
        throw std::runtime_error("Não foi possível ler " + m_caminho.toStdString() + ": nada foi gravado");
    const QString quebra = atual.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList linhas;
    if (!atual.isEmpty()) {
        linhas = atual.split(QLatin1Char('\n'));
        for (QString& l : linhas)
            if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
        if (linhas.last().isEmpty()) linhas.removeLast(); // the final line break
    }
    const QString nova = chave + QLatin1Char('=') + valor;

    qsizetype inicio = -1; // line of the section header
    qsizetype fimSecao = -1; // after the last key line of the section
    bool feito = false;
    for (qsizetype i = 0; i < linhas.size() && !feito; ++i) {
        const QString s = secaoDaLinha(linhas[i]);
        if (!s.isNull()) {
            if (inicio >= 0) break; // a later section: insert before it
            if (mesmoNome(s, secao)) inicio = fimSecao = i;
            continue;
        }
        if (inicio < 0) continue;
        QString k;
        if (chaveDaLinha(linhas[i], k, nullptr)) {
            if (mesmoNome(k, chave)) {
                linhas[i] = nova;
                feito = true;
            } else {
                fimSecao = i;
            }
        }
    }
    if (!feito) {
        if (inicio >= 0) {
            linhas.insert(fimSecao + 1, nova);
        } else {
            if (!linhas.isEmpty() && !linhas.last().trimmed().isEmpty()) linhas.append(QString());
            linhas.append(QLatin1Char('[') + secao + QLatin1Char(']'));
            linhas.append(nova);
        }
    }

    QSaveFile f(m_caminho);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("Não foi possível gravar " + m_caminho.toStdString() + ": " +
                                 f.errorString().toStdString());
    f.write((linhas.join(quebra) + quebra).toUtf8());
    if (!f.commit())
        throw std::runtime_error("Não foi possível gravar " + m_caminho.toStdString() + ": " +
                                 f.errorString().toStdString());
}

void ArquivoIni::GravarInteiro(const QString& secao, const QString& chave, int valor) const {
    GravarTexto(secao, chave, QString::number(valor));
}

void ArquivoIni::GravarBooleano(const QString& secao, const QString& chave, bool valor) const {
    GravarTexto(secao, chave, valor ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace portaris
