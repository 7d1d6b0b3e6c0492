#pragma once
#include <QDialog>
#include <array>
#include <functional>

class QComboBox;
class QLineEdit;
class QLabel;
class QPushButton;

namespace portaris {

class Procedimentos;

// The operator logged in: the login shown in the window and the five permission levels.
struct Sessao {
    QString login;
    QString nome;
    std::array<bool, 5> niveis{}; // NIVEL01 … NIVEL05
    bool autoInicio = false;      // logged in by itself after the station was switched off
};

// The login window: the application's main window; closing it ends the program. Only "Cancelar" and
// the main window's close do that: Esc and the window's close box leave it open, since the devices
// are polled while nobody is logged in.
class TfmLOG : public QDialog {
    Q_OBJECT
public:
    // `procs` is null while the database is not connected; `logins` lists the accounts by login.
    TfmLOG(Procedimentos* procs, std::function<QStringList()> logins, QWidget* parent = nullptr);

    // Fills the list and, when this station's last login never logged off, logs it in at once.
    void iniciar();
    // After "Logoff": clears the password, refills the list and shows the window again.
    void reabrir();
    // Closes the window, which ends the program ("Cancelar", the main window's close).
    void encerrar();

    const Sessao& sessao() const { return m_sessao; }
    bool autoInicio() const { return m_sessao.autoInicio; }
    void sairDoAutoInicio() { m_sessao.autoInicio = false; }

    QComboBox* lsLOG;
    QLineEdit* edSEN;
    QLabel* lbERR;
    QPushButton* btACE;
    QPushButton* btCAN;

public slots:
    // A failure of the database is shown and leaves the window as it was.
    void Acessar();
    void reject() override;

signals:
    // A login succeeded: create (once) and show the main window with "PORTARIS " + name.
    void acessou(const QString& nome);
    void cancelou();

private:
    void preencherLogins();
    void acessar();

    Procedimentos* m_procs;
    std::function<QStringList()> m_logins;
    Sessao m_sessao;
    bool m_encerrando = false;
};

} // namespace portaris
