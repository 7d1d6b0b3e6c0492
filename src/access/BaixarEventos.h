#pragma once
// The controllers' event download: every 10-byte event stored by an off-line controller becomes an
// access row, the event area is emptied and the controller's clock set. Manual (every controller,
// "Atualizar") or automatic (one controller, from its polling tick when its schedule is due).
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <vector>

namespace portaris {

class TControladora;
class DispositivosEstacao;
class MotorAcesso;
class TdmPORTARIS;

// One event as the controller stores it, decoded.
struct EventoControladora {
    QString codigo;      // six upper-case hexadecimal digits
    QString dataTexto;   // "DD/MM/YY" from the BCD bytes
    QString horaTexto;   // "HH:MM:SS"
    QDate data;          // invalid when the bytes are no date
    QTime hora;          // invalid when the bytes are no time
    int porta = 0;       // door index 0..15 (0..3 = doors 1..4)
    bool autorizado = false;
    bool feriado = false;
    int resultado = 0;   // 0..3
    QString nota() const;
    static EventoControladora Decodificar(const unsigned char* registro);
};

// What the manual download shows while it works (the progress panel of the reports panel, the wait
// cursor); every member may be empty.
struct ProgressoDownload {
    std::function<void(const QString& rotulo, int maximoLeitura)> mostrarLeitura;
    std::function<void(int lidos)> leitura;
    std::function<void(const QString& rotulo, int registros)> mostrarProcessamento;
    std::function<void(int processados)> processamento;
    std::function<void()> esconder;
    std::function<void(bool)> cursorEspera;
    std::function<void()> fecharMenus;
    std::function<void()> pesquisar; // the reports panel lists the new rows
};

class BaixadorEventos {
public:
    BaixadorEventos(TdmPORTARIS& dm, MotorAcesso& motor, DispositivosEstacao& dispositivos);

    static constexpr int TamanhoEvento = 10;
    // Rounds of events the controller stored during a download that are read and stored before
    // its area is emptied; a controller still busy after these keeps them for the next download.
    static constexpr int MaxLeiturasNovas = 8;

    // origem null: manual, every controller of the station; otherwise that controller, automatic.
    // True when every controller had events and they were stored (the listing is worth searching).
    // Does nothing (false) while another download runs.
    bool BaixarEventos(TControladora* origem);
    bool emAndamento() const { return m_emAndamento; }

    // Before new tables move a controller's event area, its waiting events are stored and the
    // area emptied. Falhou: nothing may be sent to that controller now.
    enum class Resultado { Vazia, Baixada, Falhou };
    Resultado BaixarAntesDeEnviar(TControladora& c);

    // SHA-1 (hex) of the first `bytes` of an area read, as noted with the rows it became.
    static QByteArray Resumo(const std::vector<unsigned char>& dados, int bytes);

    ProgressoDownload progresso;

private:
    // One controller: read its area, store it, empty it, set its clock.
    bool baixar(TControladora& c, bool manual, Resultado* resultado = nullptr);
    // Stores the events read (skipping those an earlier download stored but could not empty),
    // then those the controller stored meanwhile, and empties the area.
    bool guardar(TControladora& c, int base, int topo, std::vector<unsigned char>& dados, bool manual,
                 Resultado* resultado);
    // The same; the boxes it has to show are left in `avisos`, for after its units of work.
    bool guardar(TControladora& c, int base, int topo, std::vector<unsigned char>& dados, bool manual,
                 Resultado* resultado, QStringList& avisos);
    // Bytes at the start of `dados` already stored by a download whose emptying failed.
    int jaGuardados(const TControladora& c, int base, const std::vector<unsigned char>& dados);
    // The events of dados[inicio..] in one unit of work, with the note of what is stored.
    bool guardarFaixa(TControladora& c, int base, const std::vector<unsigned char>& dados, int inicio, bool manual,
                      QStringList& avisos);
    void log(const QString& linha);

    TdmPORTARIS& m_dm;
    MotorAcesso& m_motor;
    DispositivosEstacao& m_disp;
    bool m_emAndamento = false;
    QString m_portaAnterior;
};

} // namespace portaris
