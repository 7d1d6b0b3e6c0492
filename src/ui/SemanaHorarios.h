#pragma once
// The week of authorised times as the holder and the group panels show it: fourteen time fields
// (SEGE, SEGS, TERE, … DOMS), a day's start and end struck through while they are equal, and
// 'Aplicar horário de "Segunda" à todos' copying Monday to the six other days.
#include <QObject>
#include <QTime>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace portaris {

class SemanaHorarios : public QObject {
    Q_OBJECT
public:
    static constexpr int Campos = 14;
    // The column of each field, Monday start first.
    static const std::array<const char*, Campos> Colunas;

    // Which fields take the mask's keys (selection cut to one position, Delete and Backspace typing
    // a 0): the holder panel's fourteen, the group page's Monday start alone.
    enum class Teclas { Todos, SoInicioDeSegunda };

    // `emEdicao`: whether the record is being inserted or edited (the copy does nothing otherwise).
    // `confirmar`: hands a field's new text to its binding; false stops the copy.
    SemanaHorarios(const std::array<QLineEdit*, Campos>& campos, QPushButton* botao, Teclas teclas,
                   std::function<bool()> emEdicao, std::function<bool(int campo)> confirmar,
                   QObject* parent = nullptr);

    // Monday's window to every day. A Monday time that is no time becomes "00:00:00" (the start
    // first; the end only when the start was good) and "Hora Inválida!" is shown.
    void CopiarSegunda();

    // "8:00:00", "08:00:00", "8:0:0" → the time; anything else invalid.
    static QTime hora(const QString& texto);

private:
    void riscar(int dia);
    std::array<QLineEdit*, Campos> m_campos;
    std::function<bool()> m_emEdicao;
    std::function<bool(int)> m_confirmar;
};

} // namespace portaris
