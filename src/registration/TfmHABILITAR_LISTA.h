#pragma once
// The batch enabling window ("Habilitar usuários para a leitora selecionada"): every holder with
// "Sim" or "Não" for one reader, switched with Space or a double-click and applied at once.
#include <QAbstractTableModel>
#include <QDialog>
#include <QVector>

class QLabel;
class QPushButton;
class QTableView;

namespace portaris {

class TdmPORTARIS;

// Row 0 is the header row ("Usuários", "Habilitado", "ID Usuário"); data rows follow.
class ModeloHabilitarLista : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    struct Linha {
        QString nome, habilitado, chave;
    };
    void definir(QVector<Linha> linhas);
    const QVector<Linha>& linhas() const { return m_linhas; }
    void alternar(int linha);

    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : m_linhas.size(); }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& i, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& i) const override;

private:
    QVector<Linha> m_linhas;
};

class TfmHABILITAR_LISTA : public QDialog {
    Q_OBJECT
public:
    // `ativa`: an active-tag reader (else a passive one); `chave` its key, `cabeca` its head
    // address, `descricao` what "Leitora" shows.
    TfmHABILITAR_LISTA(TdmPORTARIS& dm, bool ativa, int chave, const QString& cabeca,
                       const QString& descricao, QWidget* parent = nullptr);

    // The configuration panel's "Habilitar acesso" page opens the window with this: modal, and
    // released when closed, so every opening starts afresh.
    static void Abrir(TdmPORTARIS& dm, bool ativa, int chave, const QString& cabeca, const QString& descricao,
                      QWidget* parent = nullptr);

    // Reads every holder and their state on the reader (done at the first showing).
    void Preencher();
    // Switches the "Habilitado" cell of a data row that has a name.
    void Alternar(int linha);
    // Writes every row to the reader and closes; nothing while a record is being edited.
    void Aplicar();
    // One line per row, header included: column 1 + " - " + column 2, CR LF after each.
    bool GerarTXT(const QString& arquivo);

    ModeloHabilitarLista* modelo() const { return m_modelo; }
    QLabel *lbIDE, *lbLEI;
    QTableView* gdUSU;
    QPushButton *btAPL, *btCAN, *btTXT;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* obj, QEvent* e) override;

private:
    TdmPORTARIS& m_dm;
    bool m_ativa;
    int m_chave;
    QString m_cabeca;
    ModeloHabilitarLista* m_modelo;
    bool m_preenchida = false;
};

} // namespace portaris
