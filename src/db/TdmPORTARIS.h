#pragma once
// The data module (its QtCore part): the one connection `dbBANCO` with its one transaction, every
// dataset with its record rules, the stored-procedure objects and the queries the panels read.
//
// Use:  TdmPORTARIS dm; if (dm.CONECTAR("ptconfig.ini", true)) { dm.setUSU.primeiro(); ... }
// The windows of start-up (message boxes, server configuration mode) are the caller's: CONECTAR
// returns false and ultimoErro() tells why.
#include "db/Conjunto.h"
#include "db/Firebird.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace portaris {

class TdmPORTARIS : public QObject {
    Q_OBJECT
public:
    explicit TdmPORTARIS(QObject* parent = nullptr);
    ~TdmPORTARIS() override;

    // The database name handed to the client library for the [firebird] values.
    //   local → the file (a "C:\Portaris\…" default maps into the program folder);
    //   TCP/IP → server + ":" + file; NetBEUI → "\\" + server + "\" + the file without its drive.
    static QString NomeBanco(const QString& protocolo, const QString& servidor, const QString& nomeServidor,
                             const QString& arquivo);

    // (Re)connects with the [firebird] values of the program folder's `arquivo` ("ptconfig.ini",
    // "teste.ini"): up to three tries, each failure followed by a 5-second wait on the clock; when
    // connected, opens the data. `inicial` marks the call made at start-up, the only one that runs
    // aoConectarInicial (the devices' bring-up); later calls only reconnect and reopen datasets.
    bool CONECTAR(const QString& arquivo, bool inicial = false);
    // Closes the datasets and disconnects.
    void FECHAR_TABELAS();
    // True while any edited dataset (all but setFAM) is inserting or editing.
    bool EM_EDICAO() const;
    // Work that closing the connection would throw away: a record of any panel being typed
    // (families included) or a unit of work still open. The copy, the restore and the connection
    // test wait for it or refuse with MensagemRegistroPendente.
    bool REGISTRO_PENDENTE() const;
    static inline const QString MensagemRegistroPendente = QStringLiteral(
        "@!000AVIHá um registro em edição. Grave ou cancele o registro antes de desfazer a conexão.");
    // [outros] nomecomputador, default "Sem nome", cut to the access log's column so the
    // station's rows are found again by it.
    static QString NOME_COMPUTADOR();
    static constexpr int TamanhoNomeComputador = 40;

    bool conectado() const { return dbBANCO.conectado(); }
    // Why the last connection refused the database's schema (empty: it did not).
    QString erroEsquema;
    // Checks the schema's version and upgrades an older one (a copy first; refused while other
    // attachments use the database). Empty when this program can work on it now.
    QString ATUALIZAR_ESQUEMA();
    QString ultimoErro() const { return m_ultimoErro; }

    // A stored-procedure object of the module, created once per name (`sp…`).
    Procedimento& sp(const QString& nome);
    // A batch of procedures of the module, built and prepared once per shape (names and links).
    LoteProcedimentos& lote(const QList<LoteProcedimentos::Chamada>& chamadas);
    // A batch that failed is built again from the catalogue next time: another station may have
    // upgraded the procedures under it.
    void esquecerLote(const QList<LoteProcedimentos::Chamada>& chamadas);

    // Whether the day is in the holiday calendar (any year). A failed lookup throws ErroBanco: a
    // day must never pass for an ordinary one because the database did not answer.
    bool EhFeriado(const QDate& dia);

    // Reopens today's accesses of this computer (setACE) for the clock's current date.
    void abrirAcessosDeHoje();

    // Brings a lost connection back without stopping anything: the attachment is made in the
    // background, tried at most once every IntervaloReconexao ms, and each loss and return is
    // written to the event log. The polling ticks call it; a timer of its own covers a station
    // without devices. Datasets keep their rows and edits; the live list is read again. The
    // station's database closed by a copy or a connection test and not attached again comes back
    // the same way, its schema checked and its data opened. It also ends a card's unit started
    // ahead and left idle (Banco::expirarReserva).
    void ManterConexao();
    static constexpr int IntervaloReconexao = 5000;

    // Connection settings kept after CONECTAR.
    bool protocoloNetBEUI = false;
    bool remoto = false;
    QString nomeServidor, arquivoBanco, usuario, senha, nomeBanco;
    bool refresh = false;
    // Day of the week at start (1 = Sunday … 7 = Saturday) and the validity of a new holder.
    int diaSemanaInicio = 1;
    int expiraEm = 365;
    // The station identifier that selects this station's device rows.
    QString estacao;

    // Runs once, at the start-up connection, before the data is opened.
    std::function<void()> aoConectarInicial;

    Banco dbBANCO;
    Conjunto setUSU, setLEI, setLEI64, setCNL, setGRP, setCON, setRON, tbRON, setFAM, setACE;
    // Enablings of the current holder (HABILITADO_BUSCA), re-opened on every move through setUSU.
    std::unique_ptr<Conjunto> qrHAB;
    // All readers of all stations, for the configuration panel.
    std::unique_ptr<Conjunto> qrLST_LEI_71, qrLST_LEI_64;

signals:
    // setUSU moved and qrHAB was re-opened: the user panel re-marks its readers grid.
    void MARCAR_HABILITADOS();
    // The connection was found lost (once per loss), and is back.
    void conexaoPerdida();
    void conexaoRestabelecida();

private:
    void abrirDados();
    void instalarRegras();

    QHash<QString, std::shared_ptr<Procedimento>> m_sps;
    QHash<QString, std::shared_ptr<LoteProcedimentos>> m_lotes;
    QString m_ultimoErro;
    bool m_jaConectou = false;
    QTimer m_tmrConexao;
    bool m_perdaRegistrada = false;
    bool m_falhaRegistrada = false;
    bool m_tentou = false;
    quint32 m_ultimaTentativa = 0;
    // The station's own database was closed and could not be attached again: the background
    // reconnection must check its schema and open the data as a start does.
    bool m_reabrirDados = false;
};

// Day of the week as the procedures take it: 1 = Sunday … 7 = Saturday.
int DiaSemana(const QDate& d);

} // namespace portaris
