#include "Console.h"

#include "platform/Configuracoes.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "remote/uStatusLeitoras.h"
#include "reports/TfmRCX.h"
#include "reports/TframeRelatorios.h"
#include "shell/uLogin.h"
#include "shell/uPORTARIS.h"
#include "shell/uSplashScreen.h"

#include <QApplication>
#include <QMessageBox>

namespace portaris {

Console::Console() {
    caixaErro = [](const QString& titulo, const QString& texto) {
        QMessageBox::critical(nullptr, titulo, texto, QMessageBox::Ok);
    };
    caixaPergunta = [](const QString& titulo, const QString& texto) {
        return QMessageBox::question(nullptr, titulo, texto, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    m_janelas = std::make_unique<InterfaceJanelas>(
        [this](int chave) { return foto(chave); },
        [this](int chave, QString& nome, QByteArray& f) { return membro(chave, nome, f); });
    m_veredito = std::make_unique<MotorVeredito>(m_procsVeredito, *m_janelas);
    m_motor = std::make_unique<MotorAcesso>(dm, *m_veredito, dispositivos);
    m_motor->loginAtual = [this] { return m_login ? m_login->sessao().login : QString(); };
    m_motor->aoMudarDia = [this](bool antes) {
        if (antes) QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_principal) m_principal->setUpdatesEnabled(!antes);
        if (!antes) QApplication::restoreOverrideCursor();
    };
    dispositivos.status = this;
    dm.aoConectarInicial = [this] { dispositivos.Carregar(dm); };
}

Console::~Console() {
    dispositivos.Suspender();
    delete m_principal;
    delete m_status;
    delete m_login;
    m_motor.reset();
    try {
        dm.FECHAR_TABELAS();
    } catch (const std::exception&) {
    }
    dispositivos.FECHAR_PORTAS();
}

void Console::iniciar(bool splash) {
    std::unique_ptr<TfmSPLASH> tela;
    if (splash) {
        tela = std::make_unique<TfmSPLASH>();
        tela->show();
        QCoreApplication::processEvents();
    }
    relogio().dormir(2000);
    QCoreApplication::setApplicationName(QStringLiteral("PORTARIS"));

    m_conectado = dm.CONECTAR(QStringLiteral("ptconfig.ini"), true);
    if (!m_conectado) {
        caixaErro(QStringLiteral("Erro"), QStringLiteral("O Portaris não conseguiu acessar o servidor!"));
        if (caixaPergunta(QStringLiteral("Modo de configuração"),
                          QStringLiteral("Deseja entrar em modo de configuração de servidor?"))) {
            m_modoServidor = true;
            criarPrincipal();
        }
    }
    tela.reset();

    m_login = new TfmLOG(m_conectado ? &m_procs : nullptr, [this] {
        QStringList logins;
        for (int i = 0; i < dm.setCON.quantidade(); ++i)
            logins << dm.setCON.texto(i, QStringLiteral("LOGIN"));
        return logins;
    });
    connect(m_login, &TfmLOG::acessou, this, &Console::aoAcessar);
    m_status = new TfmSTATUS;
    m_status->setAttribute(Qt::WA_QuitOnClose, false);
    preencherStatus();
    if (m_modoServidor) {
        // The main window came first and is the one whose closing ends the program.
        m_login->setAttribute(Qt::WA_QuitOnClose, false);
        return;
    }
    m_login->show();
    try {
        m_login->iniciar();
    } catch (const ErroBanco& e) {
        MostrarMensagem(e.texto());
    }
}

void Console::preencherStatus() {
    QList<LinhaStatus> linhas;
    const QString agora = relogio().agora().toString(QStringLiteral("HH:mm:ss"));
    for (const Dispositivo& d : dispositivos.lista) {
        LinhaStatus l;
        bool remoto = false;
        if (auto* const* p = std::get_if<TLeitora71*>(&d)) {
            l.leitora = (*p)->Descricao;
            remoto = (*p)->PermitirRemoto;
        } else if (auto* const* g = std::get_if<TLeitora64AX*>(&d)) {
            l.leitora = ((*g)->Portao ? (*g)->Portao->Nome : QString()) + QStringLiteral("•");
            remoto = (*g)->PermitirRemoto;
        }
        l.respondeu = DispositivoRespondeu(d) ? agora : QStringLiteral("falhou..");
        l.chave = QString::number(ChaveDispositivo(d));
        l.remoto = remoto ? QStringLiteral("S") : QStringLiteral("N");
        linhas << l;
    }
    m_status->modelo()->definirLinhas(linhas);
}

void Console::AtualizarStatus(int chave, quint8 erro) {
    if (m_status) m_status->AtualizarStatus(chave, erro);
}

void Console::aoAcessar(const QString& nome) {
    const bool nova = !m_principal;
    if (nova) criarPrincipal();
    m_principal->definirSessao(m_login->sessao());
    m_principal->setWindowTitle(QStringLiteral("PORTARIS ") + nome);
    m_principal->show();
    m_principal->raise();
    m_principal->activateWindow();
    if (m_conexoes) {
        m_conexoes->show();
        m_conexoes->raise();
        m_conexoes->activateWindow();
        if (m_login->autoInicio()) m_conexoes->close();
        m_conexoes = nullptr;
    }
    if (nova) emit principalCriada();
}

void Console::criarPrincipal() {
    ServicosConsole s;
    s.lugaresAcesso = [this] { return m_motor->LugaresAcesso(); };
    s.abrirSemCartao = [this](const QString& nome, const QString& origem, const QString& obs,
                              const QString& lugar, const QString& destino) {
        m_motor->AbrirSemCartao(nome, origem, obs, lugar, destino);
    };
    s.suspenderDispositivos = [this] { dispositivos.Suspender(); };
    s.retomarDispositivos = [this] { dispositivos.Retomar(); };
    s.mostrarStatus = [this] {
        if (!m_status) return;
        m_status->show();
        m_status->raise();
        m_status->activateWindow();
    };
    s.logoffBanco = [this](const QString& login) {
        // Only this station's session: another station's operator keeps theirs (and its auto-start).
        QVariantMap entradas{{QStringLiteral("PLOGIN"), login}};
        Procedimento& p = dm.sp(QStringLiteral("USERLOGOFF"));
        p.definir(QStringLiteral("PLOGIN"), login);
        if (p.entradas().contains(QStringLiteral("PPONTO"))) // a database made before it took the station
            entradas.insert(QStringLiteral("PPONTO"), cfg::outros_nomecomputador_login.ler());
        m_procs.executar(QStringLiteral("USERLOGOFF"), entradas);
    };
    m_principal = new TfmPRS(dm, m_login, std::move(s));
    m_relatorios = new TframeRelatorios(dm);
    m_principal->definirPainel(TfmPRS::pnRELATORIOS, m_relatorios);
    m_relatorios->ligarColuna(m_principal->btIMPEXP, m_principal->btATU, m_principal->btRACE,
                              m_principal->btRUSU);
    if (m_modoServidor) {
        m_principal->ModoConfiguracaoServidor();
        return;
    }
    // The settings the main window keeps for the run.
    dm.expiraEm = cfg::outros_expiraem.ler();
    m_veredito->configurarSom(cfg::som_usarsom.ler(), cfg::som_som1.ler(), cfg::som_som2.ler());
    m_motor->definirJanelaRepeticao(cfg::qx71_ignorarrepeticaopor.ler());
    m_veredito->definirCalendario([this](const QDate& d) { return dm.EhFeriado(d); });
    if (!m_conectado) return;
    dm.setACE.ultimo();
    // Shown once the main window is: modal without a nested loop, so the devices' timers start
    // while the operator reads it.
    m_conexoes = new TfmRCX(dispositivos, cfg::outros_sleep_leitoras.ler(), m_principal);
    m_conexoes->setAttribute(Qt::WA_DeleteOnClose);
    m_conexoes->setWindowModality(Qt::ApplicationModal);
    dispositivos.aoErroTick = [](const QString& texto) { MostrarMensagem(texto); };
    dispositivos.CriarTemporizadores(*m_motor);
}

QByteArray Console::foto(int chave) {
    try {
        Comando c(dm.dbBANCO, QStringLiteral("SELECT FOTO FROM USUARIO WHERE CHAVE = :K"));
        c.definir(QStringLiteral("K"), chave);
        c.abrir();
        return c.proximo() ? c.campo(0).toByteArray() : QByteArray();
    } catch (const ErroBanco&) {
        return {};
    }
}

bool Console::membro(int chave, QString& nome, QByteArray& f) {
    try {
        Comando c(dm.dbBANCO, QStringLiteral("SELECT NOME, FOTO FROM USUARIO WHERE CHAVE = :K"));
        c.definir(QStringLiteral("K"), chave);
        c.abrir();
        if (!c.proximo()) return false;
        nome = c.campo(0).toString();
        f = c.campo(1).toByteArray();
        return true;
    } catch (const ErroBanco&) {
        return false;
    }
}

} // namespace portaris
