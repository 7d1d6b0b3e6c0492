#pragma once
// "Tela de relatórios": the access listings of a period in a grid, printed or exported through the
// report engine, and the page of enablings, whose two listings are written as RTF documents.
#include "reports/MotorRelatorio.h"
#include "ui/ModeloConjunto.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QCalendarWidget;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace portaris {

class DelegadoAcessos;
class TdmPORTARIS;

class TframeRelatorios : public QWidget {
    Q_OBJECT
public:
    explicit TframeRelatorios(TdmPORTARIS& dm, QWidget* parent = nullptr);
    ~TframeRelatorios() override;

    enum Listagem { ComCartao = 0, SemCartao = 1, Ronda = 2 };
    enum Habilitacoes { UsuariosPorLeitora = 0, LeitorasPorUsuario = 1 };

    // The report column of the main window: "Imp./Exp.", "Atualizar", "Acessos", "Usuários".
    void ligarColuna(QToolButton* impExp, QToolButton* atualizar, QToolButton* acessos,
                     QToolButton* usuarios);

    // "Pesquisar".
    void Pesquisar();
    // "Imp./Exp.".
    void ImprimirExportar();
    // "Acessos" / "Usuários" of the column: the page in front.
    void MostrarAcessos();
    void MostrarUsuarios();
    bool naListagem() const;
    // "Atualizar": the controllers' event download, then the search again when it succeeded.
    void Atualizar();
    // The download; while empty, "Atualizar" stays disabled. Returns whether it succeeded.
    std::function<bool()> baixarEventos;
    // The printing page's controls as they stand; by default the settings file.
    std::function<OpcoesImpressao()> opcoesImpressao;

    // The photo viewer for the listing's current row (double-click on the grid).
    void MostrarFoto();
    // The picture stored with an access row; empty when there is none.
    QByteArray imagemAcesso(int chave);

    // One of the enablings listings: the save dialog, then the document. Failures are shown.
    void ListagemRtf(Habilitacoes qual);
    // The document itself; throws ErroBanco or std::runtime_error.
    void GravarRtf(Habilitacoes qual, const QString& arquivo);
    // The document's bytes for rows of (card, name, reader); a null value is a null QVariant.
    static QByteArray DocumentoRtf(const QList<std::array<QVariant, 3>>& linhas);

    Conjunto& qrREL() { return *m_qrREL; }
    int ordem() const;
    Listagem listagem() const;
    static QString consulta(Listagem l);
    static QString nomeRelatorio(Listagem l);

    QStackedWidget* paginas;
    QWidget *pgLISTAGEM, *pgUSUARIOS;
    QPushButton *btCCA, *btSCA, *btRON, *btPES;
    QCalendarWidget *caINI, *caFIM;
    GradeConjunto* gdREL;
    QMenu* pmORD;
    QList<QAction*> miORD; // codes 0 … 7
    QPushButton *btUPL, *btLPU;

private:
    void montarGrade();
    void atualizarColuna();

    TdmPORTARIS& m_dm;
    std::unique_ptr<Conjunto> m_qrREL;
    ModeloConjunto* m_modelo = nullptr;
    DelegadoAcessos* m_delegado;
    QToolButton *m_btImpExp = nullptr, *m_btAtualizar = nullptr;
    // What the rows in the grid came from: the report prints them under these headings.
    bool m_pesquisou = false;
    Listagem m_listagemPesquisada = ComCartao;
    QString m_periodoPesquisado, m_ordemPesquisada;
};

} // namespace portaris
