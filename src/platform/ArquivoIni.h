#pragma once
#include <QString>
#include <QTime>

namespace portaris {

// One INI file, opened, read or written and closed at each call: nothing is cached, so a value
// changed by another window or by hand is seen at the next read.
class ArquivoIni {
public:
    explicit ArquivoIni(QString caminho) : m_caminho(std::move(caminho)) {}
    // ptconfig.ini and teste.ini in the program folder.
    static ArquivoIni config();
    static ArquivoIni teste();

    const QString& caminho() const { return m_caminho; }

    QString LerTexto(const QString& secao, const QString& chave, const QString& padrao) const;
    int LerInteiro(const QString& secao, const QString& chave, int padrao) const;
    bool LerBooleano(const QString& secao, const QString& chave, bool padrao) const;
    QTime LerHora(const QString& secao, const QString& chave, QTime padrao) const;

    // Writes create the file and the section when missing, keep every other line, and replace the
    // file atomically. They throw std::runtime_error when the file cannot be written, or exists but
    // cannot be read (nothing is written then).
    void GravarTexto(const QString& secao, const QString& chave, const QString& valor) const;
    void GravarInteiro(const QString& secao, const QString& chave, int valor) const;
    void GravarBooleano(const QString& secao, const QString& chave, bool valor) const;

    // Parsing helpers shared with the typed reads; exposed for the key table.
    static bool paraInteiro(const QString& texto, int& valor);
    static bool paraHora(const QString& texto, QTime& valor);

private:
    bool ler(const QString& secao, const QString& chave, QString& valor) const;
    QString m_caminho;
};

} // namespace portaris
