#pragma once
// A page of the configuration panel that edits the records of one dataset: its bound widgets, the
// drop-down list of its names and the five operations the main window's registration functions
// call. Device, group and account pages are all built on it.
#include "db/Conjunto.h"
#include "ui/Ligacoes.h"

#include <QList>
#include <QWidget>
#include <functional>

class QListWidget;
class QLineEdit;

namespace portaris {

// The operations of the page in front; each answers whether the dataset reached the state the
// main window then shows (inserting, editing or browsing).
struct OperacoesRegistro {
    std::function<bool()> incluir, alterar, excluir, gravar, cancelar;
};

class PaginaCadastro : public QWidget {
    Q_OBJECT
public:
    PaginaCadastro(Conjunto& conjunto, QWidget* parent = nullptr);

    Conjunto& conjunto() const { return m_conjunto; }
    OperacoesRegistro operacoes();

    virtual bool INCLUIR();
    virtual bool ALTERAR();
    virtual bool EXCLUIR();
    virtual bool GRAVAR();
    virtual bool CANCELAR();

    // The drop-down list of names (135 pixels high, closed at first).
    QListWidget* lsNOMES = nullptr;
    void fecharLista();
    void alternarLista();

    // The page was chosen in the option tree.
    virtual void aoMostrar() {}

protected:
    // Every binding of the page; their pending texts reach the fields before a save.
    template <class L, class W> L* ligar(const QString& campo, W* widget) {
        auto* l = new L(m_conjunto, campo, widget);
        m_ligacoes << l;
        return l;
    }
    void adicionar(Ligacao* l) { m_ligacoes << l; }
    bool confirmarCampos();
    // The list opens under `campo` with the texts of `coluna`.
    void configurarLista(QLineEdit* campo, const QString& coluna);
    // Runs before the post; false (after its message) keeps the record in edit.
    virtual bool validar() { return true; }
    virtual void depoisIncluir() {}
    // After a successful save or delete (browsing again).
    virtual void depoisGravar() {}
    virtual void depoisExcluir() {}
    bool eventFilter(QObject* o, QEvent* e) override;

    QWidget* m_focoIncluir = nullptr;
    QWidget* m_focoAlterar = nullptr;

private:
    void preencherLista();
    void escolher(int linha);

    Conjunto& m_conjunto;
    QList<Ligacao*> m_ligacoes;
    QLineEdit* m_campoLista = nullptr;
    QString m_colunaLista;
};

// Calls one operation as the panel does: a silent stop answers false, a database error is shown
// and answers false.
bool chamarOperacao(const std::function<bool()>& op);

} // namespace portaris
