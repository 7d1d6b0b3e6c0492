#include "LogEventos.h"

#include "PastaPrograma.h"
#include "Relogio.h"

#include <QFile>
#include <stdexcept>

namespace portaris {

QString LinhaLog() { return relogio().agora().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" : "); }

QString CaminhoLog() { return PastaPrograma::caminho(QStringLiteral("Portaris.log")); }

void GravarLog(const QStringList& entradas, int linhasVazias) {
    QFile f(CaminhoLog());
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        throw std::runtime_error("Não foi possível gravar " + f.fileName().toStdString() + ": " +
                                 f.errorString().toStdString());
    QByteArray texto;
    // A last line without its line break gets one first, as reloading the file would give it.
    if (f.size() > 0 && f.seek(f.size() - 1) && f.read(1) != "\n") texto += '\n';
    for (const QString& e : entradas) texto += (LinhaLog() + e).toUtf8() + '\n';
    for (int i = 0; i < linhasVazias; ++i) texto += '\n';
    f.seek(f.size());
    if (f.write(texto) != texto.size() || !f.flush())
        throw std::runtime_error("Não foi possível gravar " + f.fileName().toStdString() + ": " +
                                 f.errorString().toStdString());
}

} // namespace portaris
