#pragma once
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QWidget>
#include <memory>

class QTableView;
class QPlainTextEdit;
class QLabel;

namespace portaris {

class DispositivosEstacao;
class MotorAcesso;
class ServidorRemoto;
class TdmPORTARIS;

// One row of the reader status grid: the five columns, two of them changing while polling.
struct LinhaStatus {
    QString leitora;   // place name (gate marked with "•"); empty for a controller
    QString respondeu; // "hh:mm:ss" or "falhou.."
    QString chave;     // device key in decimal (hidden)
    QString erro;      // "X" while the last read failed (hidden)
    QString remoto;    // "S" or "N" (hidden)
};

class ModeloStatus : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void definirLinhas(QList<LinhaStatus> linhas);
    const QList<LinhaStatus>& linhas() const { return m_linhas; }
    // The polling loop's status update: error byte 0 stamps the time and clears "X"; any other
    // marks "X" unless something is already there. Unknown keys are ignored.
    void atualizar(int chave, int erro, const QString& horaAtual);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

private:
    QList<LinhaStatus> m_linhas;
};

// Paints the grid: yellow rows by parity, red while a read fails.
class DelegadoStatus : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opcao, const QModelIndex& index) const override;
    static QColor fundo(const ModeloStatus& m, int linha);
};

// "Leitoras": which devices of this station answer; hosts the remote-control server and its log.
class TfmSTATUS : public QWidget {
    Q_OBJECT
public:
    // The server log keeps this many lines, the newest.
    static constexpr int LinhasLog = 5000;

    explicit TfmSTATUS(QWidget* parent = nullptr);
    // The server stops first: no request may reach a window half taken down.
    ~TfmSTATUS() override;

    // One row per device of the list, as it answered at start.
    void Preencher(const DispositivosEstacao& dispositivos);
    // Reads [remoto]; when on, listens (openings through `motor`, logins through `dm`), shows the log and
    // the window at once.
    void IniciarServidor(MotorAcesso& motor, TdmPORTARIS& dm);
    ServidorRemoto* servidor() const { return m_servidor.get(); }
    // The marked names that LISTAR sends: the rows with a name whose remote flag is "S".
    QStringList lugaresRemotos() const;

    ModeloStatus* modelo() const { return m_modelo; }
    QTableView* gdSTA() const { return m_grade; }
    QPlainTextEdit* memoServidor() const { return m_log; }
    // Shows the server log (full height, caption "Leitoras (em modo servidor)") or the grid only.
    void modoServidor(bool ligado);
    void registrar(const QString& linha);

    // Status update of the polling loop; only while the window is visible.
    void AtualizarStatus(int chave, int erro);

private:
    ModeloStatus* m_modelo;
    QTableView* m_grade;
    QLabel* m_rotuloLog;
    QPlainTextEdit* m_log;
    std::unique_ptr<ServidorRemoto> m_servidor;
};

} // namespace portaris
