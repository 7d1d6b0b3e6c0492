#pragma once
// The messages program of the installation: a holder's messages (USUARIO.RECADO), shown and edited
// in a window titled with the holder's name so the console can find it again.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QLocalServer;
class QPlainTextEdit;
class QPushButton;

namespace portaris {

class Banco;

// The command line without the program name: nothing, or one holder key in decimal.
struct ArgumentosLembretes {
    int chave = 0;
    QString erro; // a coded message when the command line is unusable
};
ArgumentosLembretes LerArgumentos(const QStringList& argumentos);

// Attaches `banco` to the database named by [firebird] of ptconfig.ini and returns that name.
// Throws ErroBanco with a text fit for the operator.
QString ConectarBanco(Banco& banco);

class JanelaLembretes : public QWidget {
    Q_OBJECT
public:
    // The window for one holder (chave > 0) or for every holder (0). Null, with `erro` holding a
    // coded message, when the holder does not exist; database errors throw ErroBanco.
    static std::unique_ptr<JanelaLembretes> criar(Banco& banco, int chave, QString& erro);
    ~JanelaLembretes() override;

    // The holder whose messages are in the editor (0: none chosen yet).
    int chaveAtual() const { return m_chaveAtual; }
    bool alterado() const;
    // Saves the editor's text for the current holder. On failure the operator is told, the text
    // stays in the editor and false is returned.
    bool gravar();

    // Listens on the channel named after the title. Returns false when another copy already shows
    // this title: that copy was brought to the front and this one has nothing to do.
    bool escutar();
    void trazerParaFrente();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    JanelaLembretes(Banco& banco, int chave);
    void montar();
    void carregarLista();
    void carregarRecado(int chave);
    void trocarUsuario(QListWidgetItem* atual, QListWidgetItem* anterior);
    void filtrar(const QString& texto);
    // Offers to save pending changes; false when they must stay (saving failed).
    bool resolverPendencias();
    void marcarItem(int chave, bool temRecado);

    Banco& m_banco;
    const int m_chaveFixa;
    int m_chaveAtual = 0;
    QString m_nomeAtual;
    QLabel* m_rotulo = nullptr;
    QLabel* m_situacao = nullptr;
    QLineEdit* m_busca = nullptr;
    QListWidget* m_lista = nullptr;
    QPlainTextEdit* m_editor = nullptr;
    QPushButton* m_gravar = nullptr;
    QPushButton* m_fechar = nullptr;
    QLocalServer* m_canal = nullptr;
    bool m_trocando = false;
};

} // namespace portaris
