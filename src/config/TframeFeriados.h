#pragma once
// "Feriados": twelve month grids of the current year; a double-click marks or clears a holiday
// (FERIADOS), which recurs every year on that day and month.
#include <QWidget>
#include <array>

class QTableWidget;

namespace portaris {

class TdmPORTARIS;

class TframeFeriados : public QWidget {
    Q_OBJECT
public:
    explicit TframeFeriados(TdmPORTARIS& dm, QWidget* parent = nullptr);

    static QStringList meses();
    // Lays the grids out for `ano`, clears the flags and reads FERIADOS (when connected).
    void Carregar(int ano);
    // Whether that day and month is a holiday; false for a month outside 1-12.
    bool EhFeriado(int dia, int mes) const;
    // The double-click on a grid cell (month 1-12).
    void Alternar(int mes, int linha, int coluna);

    std::array<QTableWidget*, 12> gdMES{};

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TdmPORTARIS& m_dm;
    bool m_feriado[12][31] = {};
};

} // namespace portaris
