#pragma once
// What the three device pages share: the head address, description, port and station fields, the
// head-address check, the progress box of the device commands and the frame every command runs in.
#include "PaginaCadastro.h"

#include <QStringList>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace portaris {

class TabelaPortas;
class LinhaSerial;

class PaginaDispositivo : public PaginaCadastro {
    Q_OBJECT
public:
    // `excluida`: the head address the page refuses besides those outside 128–255.
    PaginaDispositivo(Conjunto& conjunto, int excluida, QWidget* parent = nullptr);

    // This station's identifier, put into every new record, and the station's port table (may be
    // null: every command then opens its line for itself).
    QString estacao;
    const TabelaPortas* portas = nullptr;

    QLineEdit *edCABECA, *edDESCRICAO, *edSERIALNUM;
    QComboBox* cbSERIAL;
    QPlainTextEdit* mmRELATORIO = nullptr;

    static QStringList listaPortas(); // "COM1" … "COM9"
    // The head-address check of a save; static for the message tables of the tests.
    static bool cabecaValida(const QString& texto, int excluida);
    QString mensagemCabeca() const;

protected:
    bool validar() override;
    void depoisIncluir() override;

    // Runs one device command: only on a record shown and not being edited (and, with
    // `exigeLista`, a list that is not empty); the line of LinhaComando; `comando` gets the line
    // and the typed head address and answers the message to show (empty: none).
    void executarComando(bool exigeLista,
                         const std::function<QString(const std::shared_ptr<LinhaSerial>&, quint8)>& comando);

    // A titled group of radio buttons bound to `campo`, item i storing valores[i].
    QGroupBox* grupoOpcoes(const QString& nome, const QString& titulo, const QStringList& itens,
                           const QStringList& valores, const QString& campo, QRect geometria, int colunas,
                           QButtonGroup** grupo = nullptr);
    void criarComuns(int xSerialNum, int ySerialNum);

    int m_excluida;
};

class Ligacao;

// The two reader pages: each keeps the list of readers that may pulse the relay for another one
// (device keys in decimal), kept in step with saves and deletions.
class PaginaLeitora : public PaginaDispositivo {
    Q_OBJECT
public:
    using PaginaDispositivo::PaginaDispositivo;

    QComboBox* cbMAE = nullptr;
    QLabel* lbMAE = nullptr;
    QCheckBox *ckCONFIRMARACESSO = nullptr, *ckVISUALIZAR = nullptr, *ckPERMITIRREINGRESSO = nullptr,
              *ckNAOBATERELE = nullptr;

    bool EXCLUIR() override;
    // The panel adds a reader that drives its relay after a save and removes a deleted one.
    void adicionarMae(const QString& chave);
    void removerMae(const QString& chave);
    // Called after a save and a delete with the reader's key and whether it drives its own relay.
    std::function<void(const QString& chave, bool controlaRele, bool apagada)> aoMudarLeitora;

protected:
    void depoisGravar() override;
    void depoisExcluir() override;
    // Once the page's widgets exist: the screen agrees with the record rules applied at the save, on
    // every toggle and every move of the dataset.
    void ligarRegras();
    // The rules of both pages; a page with more overrides and calls this one.
    virtual void aplicarRegras();
    Ligacao* m_ligMae = nullptr;

private:
    QString m_chaveApagada;
};

} // namespace portaris
