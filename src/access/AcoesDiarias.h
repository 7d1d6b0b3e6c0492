#pragma once
// The station's own maintenance: backup and restore of its database through the engine's services,
// the purge of old accesses, and the five-minute timer that sends the controllers their lists once a
// day (AutoDia.txt remembers the day) and makes the scheduled copy.
#include <QDate>
#include <QObject>
#include <QTime>
#include <QTimer>
#include <functional>

namespace portaris {

class TdmPORTARIS;
class DispositivosEstacao;

// The database page's values the services use (kept in memory, never in the settings file).
struct ParametrosCopia {
    QString usuario = QStringLiteral("SYSDBA");
    QString senha = QStringLiteral("vrakoltem");
    bool interbase = false; // " SGBD Utilizado " "Interbase ": ignore transactions in limbo
    int tamanhoPagina = 1024;
    int buffers = 3000;
};

// folder + "/" (unless it ends with a separator) + name (+ "YYMMDD" for an automatic copy) + ".FBK".
// A "C:\Portaris\…" folder lies in the program folder.
QString ArquivoCopia(const QString& pasta, const QString& nome, bool automatica, const QDate& dia);
// The database file the services work on: the program folder's portaris.fdb.
QString BancoDaEstacao();

// Backup or restore with the station disconnected meanwhile; every progress line, and the lines of
// the disconnection and reconnection, go to `relatorio`. The station is connected again afterwards
// even when the service failed (its doors depend on it). Returns the service's error, empty on success.
QString IniciarCopia(TdmPORTARIS& dm, const ParametrosCopia& p, const QString& arquivoCopia,
                     const std::function<void(const QString&)>& relatorio);
QString RestaurarCopia(TdmPORTARIS& dm, const ParametrosCopia& p, const QString& arquivoCopia,
                       const std::function<void(const QString&)>& relatorio);

// Deletes every access and patrol row dated on or before `data`, reopens today's list and logs it.
void ApagarAcessos(TdmPORTARIS& dm, const QDate& data);

class AcoesDiarias : public QObject {
    Q_OBJECT
public:
    static constexpr int Intervalo = 300000;
    AcoesDiarias(TdmPORTARIS& dm, DispositivosEstacao& dispositivos, QObject* parent = nullptr);

    // [autobackup], read when the main window is created and after the backup page saves it.
    void CarregarAgenda();
    void Iniciar() { tmrAUTO.start(); }
    void Parar() { tmrAUTO.stop(); }

    // One tick: the daily transfer unless done today, then the scheduled copy when due.
    void Executar();

    // No record open and the configuration panel not in use (empty: always).
    std::function<bool()> podeAgir;
    // The controllers' daily transfer (empty: every controller of the station).
    std::function<bool()> transferir;
    // Around the automatic copy: caption, hourglass, drawing frozen (true) and back (false).
    std::function<void(bool)> aoCopiar;
    ParametrosCopia parametros;
    // The database page's values as they stand when the copy starts; unset: `parametros`.
    std::function<ParametrosCopia()> obterParametros;
    // What the last automatic copy reported, for whoever shows it.
    std::function<void(const QString& erro)> aoFalharCopia;

    QTimer tmrAUTO;

    // The daily-action marker.
    static QString ArquivoMarcador();
    static bool TransferidoHoje(const QDate& hoje);

private:
    TdmPORTARIS& m_dm;
    DispositivosEstacao& m_disp;
    bool m_agendada = false;
    bool m_dias[7] = {}; // Sunday first
    QTime m_hora{23, 50};
    QString m_pasta, m_nome;
};

} // namespace portaris
