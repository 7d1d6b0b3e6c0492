#include "Console.h"

#include "reports/MotorRelatorio.h"
#include "config/TframeImpressora.h"
#include "config/TframeWebCam.h"
#include "config/TframeConcentradora.h"
#include "config/TframeCopia.h"
#include "access/TransferenciaControladora.h"
#include "access/uProgressoDownload.h"
#include "access/uClassTfmPassa.h"
#include "config/TframeConfigurar.h"
#include "config/TframeRedeLocal.h"
#include "platform/Configuracoes.h"
#include "registration/TfmHABILITAR_LISTA.h"
#include "platform/Mensagens.h"
#include "platform/Relogio.h"
#include "platform/Sinais.h"
#include "remote/uStatusLeitoras.h"
#include "reports/TfmRCX.h"
#include "reports/TframeRelatorios.h"
#include "shell/uLogin.h"
#include "shell/uPORTARIS.h"
#include "shell/uSplashScreen.h"
#include "ui/Protegido.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QCheckBox>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

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
    m_baixador = std::make_unique<BaixadorEventos>(dm, *m_motor, dispositivos);
    m_baixador->progresso.cursorEspera = [](bool espera) {
        if (espera)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    m_baixador->progresso.fecharMenus = [this] {
        if (m_principal) m_principal->FecharMenus();
    };
    // The polling loop's scheduled download of an off-line controller.
    dispositivos.baixarEventos = [this](TControladora& c) { m_baixador->BaixarEventos(&c); };
    dispositivos.baixarAntesDeEnviar = [this](TControladora& c) {
        return m_baixador->BaixarAntesDeEnviar(c) != BaixadorEventos::Resultado::Falhou;
    };
    m_motor->loginAtual = [this] { return m_login ? m_login->sessao().login : QString(); };
    m_motor->aoMudarDia = [this](bool antes) {
        if (antes) QApplication::setOverrideCursor(Qt::WaitCursor);
        if (m_principal) m_principal->setUpdatesEnabled(!antes);
        if (!antes) QApplication::restoreOverrideCursor();
    };
    dispositivos.status = this;
    dm.aoConectarInicial = [this] { dispositivos.Carregar(dm); };
    // A card's window closes the main window's open function column first.
    TfmPASSA::antesDeMostrar = [this] {
        if (m_principal) m_principal->FecharMenus();
    };
}

Console::~Console() {
    TfmPASSA::antesDeMostrar = nullptr;
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
    m_iniciando = true;
    struct Iniciado {
        bool& f;
        ~Iniciado() { f = false; }
    } iniciado{m_iniciando};
    std::unique_ptr<TfmSPLASH> tela;
    if (splash) {
        tela = std::make_unique<TfmSPLASH>();
        tela->show();
        QCoreApplication::processEvents();
    }
    relogio().dormir(2000);
    QCoreApplication::setApplicationName(QStringLiteral("PORTARIS"));

    m_conectado = dm.CONECTAR(QStringLiteral("ptconfig.ini"), true);
    LiberarSinais(); // the engine is loaded and took them: ours again
    if (!m_conectado && !dm.erroEsquema.isEmpty()) {
        // A schema this program cannot use (or could not upgrade): no door is polled with it.
        fprintf(stderr, "portaris: %s\n", dm.erroEsquema.toUtf8().constData());
        caixaErro(QStringLiteral("Erro"), dm.erroEsquema);
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
        return;
    }
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
    // A station user outside the serial lines' group sees why its devices "falhou..".
    for (const QString& aviso : dispositivos.portas.SemPermissao())
        MostrarMensagem(QStringLiteral("@!000ERR") + aviso);
    m_status = new TfmSTATUS;
    m_status->setAttribute(Qt::WA_QuitOnClose, false);
    m_status->Preencher(dispositivos);
    m_status->IniciarServidor(*m_motor, dm);
    if (m_modoServidor) {
        // The main window came first and is the one whose closing ends the program.
        m_login->setAttribute(Qt::WA_QuitOnClose, false);
        return;
    }
    m_login->show();
    Protegido([this] { m_login->iniciar(); });
}

void Console::AtualizarStatus(int chave, quint8 erro) {
    if (m_status) m_status->AtualizarStatus(chave, erro);
}

void Console::aoAcessar(const QString& nome) {
    const bool nova = !m_principal;
    const bool ok = Protegido([&] {
        if (nova) criarPrincipal();
        m_principal->definirSessao(m_login->sessao());
        m_principal->setWindowTitle(QStringLiteral("PORTARIS ") + nome);
        m_principal->show();
        m_principal->raise();
        m_principal->activateWindow();
    });
    // Without a console to show, the login window stays, so the program neither ends nor hides.
    if (!ok && (!m_principal || !m_principal->isVisible()) && m_login) m_login->show();
    if (m_conexoes && ok) {
        m_conexoes->show();
        m_conexoes->raise();
        m_conexoes->activateWindow();
        if (m_login->autoInicio()) m_conexoes->close();
        m_conexoes = nullptr;
    }
    if (nova && m_principal) emit principalCriada();
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
        m_procs.executar(QStringLiteral("USERLOGOFF"),
                         {{QStringLiteral("PLOGIN"), login},
                          {QStringLiteral("PPONTO"), cfg::outros_nomecomputador_login.ler()}});
    };
    s.webcamAoAtivar = [this] { m_webcam.AoAtivar(); };
    s.desligarWebcam = [this] { m_webcam.DesligarWebcam(); };
    m_principal = new TfmPRS(dm, m_login, std::move(s));
    ligarConfigurar();
    m_relatorios = new TframeRelatorios(dm);
    // The printing page's controls as they stand, unsaved changes included.
    if (m_configurar && m_configurar->tsIMPRESSORA)
        m_relatorios->opcoesImpressao = [imp = QPointer<TframeImpressora>(m_configurar->tsIMPRESSORA)] {
            return imp ? imp->opcoes() : OpcoesImpressao::lerConfiguracao();
        };
    m_principal->definirPainel(TfmPRS::pnRELATORIOS, m_relatorios);
    // "Atualizar": the manual download, its progress on the listing page; the panel searches again.
    m_relatorios->baixarEventos = [this] { return m_baixador->BaixarEventos(nullptr); };
    auto* progresso = new TfrProgressoDownload(m_relatorios->pgLISTAGEM);
    progresso->setGeometry(10, 10, 320, 90);
    progresso->ligar(m_baixador->progresso);
    m_relatorios->ligarColuna(m_principal->btIMPEXP, m_principal->btATU, m_principal->btRACE,
                              m_principal->btRUSU);
    if (m_modoServidor) {
        m_principal->ModoConfiguracaoServidor();
        return;
    }
    // The settings the main window keeps for the run.
    if (!m_janelaCaptura) m_janelaCaptura = std::make_unique<TfmCAP>();
    if (cfg::webcam_ativarwebcam.ler())
        m_webcam.LigarWebcam(*m_janelaCaptura, cfg::webcam_framerefresh.ler(), cfg::webcam_manteronline.ler());
    dm.expiraEm = cfg::outros_expiraem.ler();
    m_veredito->configurarSom(cfg::som_usarsom.ler(), cfg::som_som1.ler(), cfg::som_som2.ler());
    m_motor->definirJanelaRepeticao(cfg::qx71_ignorarrepeticaopor.ler());
    m_veredito->definirCalendario([this](const QDate& d) { return dm.EhFeriado(d); });
    criarCadastros();
    if (!m_conectado) return;
    // The doors are polled even when the list cannot be read now.
    Protegido([this] { dm.setACE.ultimo(); });
    dm.setACE.ultimo();
    // Shown once the main window is: modal without a nested loop, so the devices' timers start
    // while the operator reads it.
    m_conexoes = new TfmRCX(dispositivos, cfg::outros_sleep_leitoras.ler(), m_principal);
    m_conexoes->setAttribute(Qt::WA_DeleteOnClose);
    m_conexoes->setWindowModality(Qt::ApplicationModal);
    dispositivos.aoErroTick = [](const QString& texto) { MostrarMensagem(texto); };
    // The daily transfer to the controllers and the scheduled copy, every five minutes.
    m_acoes = std::make_unique<AcoesDiarias>(dm, dispositivos);
    m_acoes->podeAgir = [this] {
        return !dm.REGISTRO_PENDENTE() && !m_baixador->emAndamento() && (!m_principal || m_principal->painelAtual() != TfmPRS::pnCONFIGURAR);
    };
    m_acoes->aoCopiar = [this, legenda = QString()](bool inicio) mutable {
        if (!m_principal) return;
        if (inicio) {
            legenda = m_principal->windowTitle();
            m_principal->setWindowTitle(QStringLiteral("<<<<< Portaris executando cópia de segurança... >>>>>"));
            QApplication::setOverrideCursor(Qt::WaitCursor);
            QCoreApplication::processEvents();
            m_principal->setUpdatesEnabled(false);
        } else {
            m_principal->setUpdatesEnabled(true);
            QApplication::restoreOverrideCursor();
            m_principal->setWindowTitle(legenda);
            QCoreApplication::processEvents();
        }
    };
    m_acoes->obterParametros = [this] {
        return m_configurar && m_configurar->tsCOPIA->parametros ? m_configurar->tsCOPIA->parametros()
                                                                 : m_acoes->parametros;
    };
    m_acoes->aoFalharCopia = [](const QString& erro) { MostrarMensagem(erro, MotorAcesso::SegundosCaixaFalha); };
    m_acoes->Iniciar();
    dispositivos.CriarTemporizadores(*m_motor);
}

// "Testar Conexão" could not attach the station's own database again. Without an answer the
// station keeps trying in the background as after a lost connection; with one it stops its doors
// and schedules, since their settings are being corrected, and waits for the restart.
void Console::conexaoNaoVoltou() {
    caixaErro(QStringLiteral("Erro"), QStringLiteral("O Portaris não conseguiu acessar o servidor!"));
    if (!caixaPergunta(QStringLiteral("Modo de configuração"),
                       QStringLiteral("Deseja entrar em modo de configuração de servidor?")))
        return;
    dispositivos.Suspender();
    if (m_acoes) m_acoes->Parar();
    dm.FECHAR_TABELAS();
    m_modoServidor = true;
    if (m_configurar) m_configurar->tsREDELOCAL->definirModoServidor(true);
    if (m_principal) m_principal->ModoConfiguracaoServidor();
}

void Console::ligarConfigurar() {
    auto* painel = new TframeConfigurar(dm, m_modoServidor);
    m_configurar = painel;
    painel->definirPortas(&dispositivos.portas);
    m_principal->definirPainel(TfmPRS::pnCONFIGURAR, painel);
    m_principal->operacoesConfigurar = [painel, ops = std::make_shared<OperacoesCadastro>()]() {
        const OperacoesRegistro* o = painel->operacoes();
        if (!o) return static_cast<const OperacoesCadastro*>(nullptr);
        *ops = {o->incluir, o->alterar, o->excluir, o->gravar, o->cancelar};
        return static_cast<const OperacoesCadastro*>(ops.get());
    };
    m_principal->atualizarAoEntrar = [painel] { return painel->tsREDELOCAL->ckREFRESH->isChecked(); };
    painel->tsREDELOCAL->aoPerderConexao = [this] { conexaoNaoVoltou(); };
    // The controller page's transfers, the webcam page's test and the printing page's test print.
    painel->tsCONTROLADORA->enviarDados = [this](TControladora& c, int chave) {
        transferencia::EnviarDados(dm, c, chave);
    };
    painel->tsCONTROLADORA->gravarTempos = [](TControladora& c, const int t[4], const int r[4]) {
        transferencia::GravarTempos(c, t, r);
    };
    painel->tsCONTROLADORA->ligarTransferencias();
    painel->tsCOPIA->aoGravarAgenda = [this] {
        if (m_acoes) m_acoes->CarregarAgenda();
    };
    if (TframeWebCam* w = painel->tsWEBCAM) {
        auto anotar = [w](const QString& l) { w->mmRELATORIO->appendPlainText(l); };
        w->btCONECTAR->setEnabled(true);
        connect(w->btCONECTAR, &QPushButton::clicked, w, [this, w, anotar] {
            w->btCONECTAR->setEnabled(false);
            w->mmRELATORIO->clear();
            const bool ok = m_testeWebcam.Tentar(w->lbPREVIA, w->grFREQUENCIA->checkedId(), anotar);
            w->btDESCONECTAR->setEnabled(ok);
            w->btCONECTAR->setEnabled(!ok);
        });
        connect(w->btDESCONECTAR, &QPushButton::clicked, w, [this, w, anotar] {
            w->mmRELATORIO->clear();
            w->btDESCONECTAR->setEnabled(false);
            m_testeWebcam.Desativar(anotar);
            w->btCONECTAR->setEnabled(true);
        });
    }
    if (TframeImpressora* imp = painel->tsIMPRESSORA) {
        imp->btTESTAR->setEnabled(true);
        connect(imp->btTESTAR, &QPushButton::clicked, imp,
                [imp] { Protegido([imp] { TestarImpressao(imp->opcoes(), imp); }); });
    }
    // The mother-reader lists: the first press of "Configurar", whatever the answer.
    connect(m_principal->btCON, &QToolButton::clicked, painel, [this, painel] {
        QStringList l71, l64;
        for (const Dispositivo& d : dispositivos.lista) {
            if (auto* const* p = std::get_if<TLeitora71*>(&d); p && !(*p)->NaoBateRele)
                l71 << QString::number((*p)->Chave);
            else if (auto* const* g = std::get_if<TLeitora64AX*>(&d); g && !(*g)->NaoBateRele)
                l64 << QString::number((*g)->Chave);
        }
        painel->preencherListasMae(l71, l64);
    });
}

void Console::criarCadastros() {
    if (!m_principal->atualizarAoEntrar) m_principal->atualizarAoEntrar = [this] { return dm.refresh; };
    QList<TControladora*> controladoras;
    for (const Dispositivo& d : dispositivos.lista)
        if (auto* const* c = std::get_if<TControladora*>(&d)) controladoras << *c;
    const Cadastros c = CriarCadastros(
        *m_principal, dm, [this](int chave, QString& nome, QByteArray& f) { return membro(chave, nome, f); },
        controladoras, m_conectado);
    m_usuarios = c.usuarios;
    m_familias = c.familias;
    m_ronda = c.ronda;
    // The holder's photo from the webcam, only while the webcam works.
    if (m_usuarios && m_webcam.ativa())
        m_usuarios->capturarWebcam = [this] {
            return QImage::fromData(m_webcam.CapturarFoto(*m_janelaCaptura), "BMP");
        };
    // The configuration panel reaches the registration panels through two hooks.
    if (m_configurar) {
        m_configurar->atualizarGruposUsuario = [this] {
            if (m_usuarios) m_usuarios->CARREGAR_GRUPOS();
        };
        m_configurar->abrirHabilitarLista = [this](const QString& modelo, int chave, const QString& cabeca,
                                                   const QString& descricao) {
            TfmHABILITAR_LISTA::Abrir(dm, modelo == QLatin1String("64AX"), chave, cabeca, descricao, m_principal);
        };
    }
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

void Console::encerrar(int codigo) {
    if (m_iniciando) {
        QTimer::singleShot(0, this, [this, codigo] { encerrar(codigo); });
        return;
    }
    // The loops end first: a dialog opened on the way out (a logoff that fails) or already open
    // returns at once instead of waiting for an operator the system will not wait for.
    QCoreApplication::exit(codigo);
    Protegido([this] {
        if (m_principal)
            m_principal->Encerrar();
        else if (m_login)
            m_login->encerrar();
    });
}

} // namespace portaris
