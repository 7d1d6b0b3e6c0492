#pragma once
// The running console: the data module, this station's devices, the access engine and the windows
// of start-up, from the splash to the main window, in the order the program starts them.
#include "access/AcoesDiarias.h"
#include "access/BaixarEventos.h"
#include "access/CapVideo.h"
#include "access/DispositivosEstacao.h"
#include "access/InterfaceJanelas.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "db/TdmPORTARIS.h"
#include "remote/uStatusLeitoras.h"
#include "shell/Cadastros.h"
#include "reports/TfmRCX.h"
#include "reports/TframeRelatorios.h"
#include "shell/uLogin.h"
#include "shell/uPORTARIS.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace portaris {

class TframeConfigurar;

class Console : public QObject, public StatusLeitoras {
    Q_OBJECT
public:
    Console();
    ~Console() override;

    // Splash with its 2-second pause, data module and devices, login and status windows. The
    // login window is shown (or has logged the station's last account in by itself).
    void iniciar(bool splash = true);

    // The two boxes of an unreachable server; replaced by tests. The question answers Sim.
    std::function<void(const QString& titulo, const QString& texto)> caixaErro;
    std::function<bool(const QString& titulo, const QString& texto)> caixaPergunta;

    TdmPORTARIS dm;
    DispositivosEstacao dispositivos;
    TfmLOG* login() const { return m_login; }
    TfmSTATUS* status() const { return m_status; }
    TfmPRS* principal() const { return m_principal; }
    TframeConfigurar* configurar() const { return m_configurar; }
    TframeRelatorios* relatorios() const { return m_relatorios; }
    MotorAcesso* motor() const { return m_motor.get(); }
    BaixadorEventos* baixador() const { return m_baixador.get(); }
    AcoesDiarias* acoesDiarias() const { return m_acoes.get(); }
    Webcam& webcam() { return m_webcam; }
    TfmCAP* janelaCaptura() const { return m_janelaCaptura.get(); }
    bool modoServidor() const { return m_modoServidor; }
    // The registration panels (null before the main window or in server configuration mode).
    TframeCadastroUsuario* usuarios() const { return m_usuarios; }
    TframeCadastroFamilia* familias() const { return m_familias; }
    TframeRonda* ronda() const { return m_ronda; }

    void AtualizarStatus(int chave, quint8 erro) override;

    // SIGTERM / SIGINT: the event loop ends with `codigo` after the main window's close without its
    // question (event log, logoff in the database, login window). A signal that arrives while the
    // console is still starting is answered once it has started.
    void encerrar(int codigo);

signals:
    void principalCriada();

private:
    void aoAcessar(const QString& nome);
    void criarPrincipal();
    void ligarConfigurar();
    void conexaoNaoVoltou();
    void criarCadastros();
    QByteArray foto(int chave);
    bool membro(int chave, QString& nome, QByteArray& foto);

    ProcedimentosBanco m_procs{dm};
    ProcedimentosBanco m_procsVeredito{dm, false};
    std::unique_ptr<InterfaceJanelas> m_janelas;
    std::unique_ptr<MotorVeredito> m_veredito;
    std::unique_ptr<MotorAcesso> m_motor;
    std::unique_ptr<BaixadorEventos> m_baixador;
    std::unique_ptr<AcoesDiarias> m_acoes;
    // The capture window lives for the whole run; the webcam over it only while it works.
    std::unique_ptr<TfmCAP> m_janelaCaptura;
    Webcam m_webcam;
    TesteWebcam m_testeWebcam; // the webcam page's own, separate from the station's
    QPointer<TfmLOG> m_login;
    QPointer<TfmSTATUS> m_status;
    QPointer<TfmPRS> m_principal;
    TframeConfigurar* m_configurar = nullptr; // owned by the main window
    QPointer<TframeCadastroUsuario> m_usuarios;
    QPointer<TframeCadastroFamilia> m_familias;
    QPointer<TframeRonda> m_ronda;
    QPointer<TframeRelatorios> m_relatorios;
    QPointer<TfmRCX> m_conexoes; // built with the main window, shown after it
    bool m_conectado = false;
    bool m_modoServidor = false;
    bool m_iniciando = false;
};

} // namespace portaris
