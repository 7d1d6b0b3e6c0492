#pragma once
// The controllers' event download: every 10-byte event stored by an off-line controller becomes an
// access row, the event area is emptied and the controller's clock set. Manual (every controller,
// "Atualizar") or automatic (one controller, from its polling tick when its schedule is due).
#include <QDate>
#include <QString>
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

    // origem null: manual, every controller of the station; otherwise that controller, automatic.
    // True when every controller had events and they were stored (the listing is worth searching).
    bool BaixarEventos(TControladora* origem);

    ProgressoDownload progresso;

private:
    // Steps 3 to 10 for one controller; false when its area was empty or could not be read.
    bool baixar(TControladora& c, bool manual);
    // Stores the events read and empties the controller's area; false when the rows were refused.
    bool guardar(TControladora& c, const std::vector<unsigned char>& dados, bool manual);
    void log(const QString& linha);

    TdmPORTARIS& m_dm;
    MotorAcesso& m_motor;
    DispositivosEstacao& m_disp;
};

} // namespace portaris
