#include "AcoesDiarias.h"

#include "TransferenciaControladora.h"
#include "db/Esquema.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/LogEventos.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>

namespace portaris {

namespace {

QString agora() {
    return relogio().agora().toString(QStringLiteral("HH:mm:ss"));
}

OpcoesServico opcoes(const ParametrosCopia& p) {
    OpcoesServico op;
    op.usuario = p.usuario;
    op.senha = p.senha;
    op.ignorarLimbo = p.interbase;
    op.tamanhoPagina = p.tamanhoPagina > 0 ? p.tamanhoPagina : 1024;
    op.buffers = p.buffers > 0 ? p.buffers : 3000;
    return op;
}

// The service between a disconnection and a reconnection, whatever the service did.
QString comServico(TdmPORTARIS& dm, const std::function<void(const QString&)>& relatorioDado,
                   const std::function<void()>& servico) {
    const auto relatorio = [&](const QString& l) {
        if (relatorioDado) relatorioDado(l);
    };
    // The connection closes with every dataset: a record being typed would be lost under it.
    if (dm.REGISTRO_PENDENTE()) {
        relatorio(TdmPORTARIS::MensagemRegistroPendente.mid(8));
        return TdmPORTARIS::MensagemRegistroPendente;
    }
    relatorio(QStringLiteral("Desfazendo atual conexão as ") + agora());
    if (dm.conectado()) dm.FECHAR_TABELAS();
    QString erro;
    try {
        servico();
    } catch (const ErroBanco& e) {
        erro = e.texto();
        relatorio(erro);
    }
    relatorio(QStringLiteral("Re-estabelecer conexão as ") + agora());
    if (dm.CONECTAR(QStringLiteral("ptconfig.ini")))
        relatorio(QStringLiteral("Conexão estabelecida as") + agora());
    else if (erro.isEmpty())
        erro = dm.ultimoErro();
    return erro;
}

} // namespace

QString ArquivoCopia(const QString& pasta, const QString& nome, bool automatica, const QDate& dia) {
    QString p = PastaPrograma::traduzir(pasta);
    if (!p.endsWith(u'/') && !p.endsWith(u'\\')) p += u'/';
    return p + nome + (automatica ? dia.toString(QStringLiteral("yyMMdd")) : QString()) + QStringLiteral(".FBK");
}

QString BancoDaEstacao() {
    return PastaPrograma::caminho(QStringLiteral("portaris.fdb"));
}

QString IniciarCopia(TdmPORTARIS& dm, const ParametrosCopia& p, const QString& arquivoCopia,
                     const std::function<void(const QString&)>& relatorio) {
    return comServico(dm, relatorio, [&] {
        CopiarBanco(BancoDaEstacao(), arquivoCopia, opcoes(p), relatorio ? relatorio : [](const QString&) {});
    });
}

QString RestaurarCopia(TdmPORTARIS& dm, const ParametrosCopia& p, const QString& arquivoCopia,
                       const std::function<void(const QString&)>& relatorio) {
    const auto recusar = [&](const QString& texto) {
        if (relatorio) relatorio(texto);
        return QStringLiteral("@!000ERR") + texto;
    };
    // This station's file is not the database of a station served by a server: restoring it would
    // change nothing anybody uses.
    if (dm.remoto)
        return recusar(QStringLiteral("O banco de dados está no servidor %1: a restauração deve ser feita no "
                                      "computador onde ele está.")
                           .arg(dm.nomeServidor));
    // A file still open elsewhere would go on being written by its users after the rename, and
    // their rows would vanish with it.
    if (dm.conectado()) {
        int outras = 0;
        try {
            outras = OutrasConexoes(dm.dbBANCO);
        } catch (const ErroBanco& e) {
            return recusar(e.texto());
        }
        if (outras > 0)
            return recusar(QStringLiteral("O banco de dados está em uso por mais %1 conexão(ões) (outra estação ou o "
                                          "programa de recados). Feche-as antes de restaurar a cópia.")
                               .arg(outras));
    }
    return comServico(dm, relatorio, [&] {
        // The engine empties the database it replaces before it finds out that the file is no
        // copy: the copy is restored beside it and takes its place only once it is whole.
        const QString banco = BancoDaEstacao();
        const QString novo = banco + QStringLiteral(".restaurando");
        QFile::remove(novo);
        try {
            RestaurarBanco(arquivoCopia, novo, opcoes(p), relatorio ? relatorio : [](const QString&) {});
        } catch (...) {
            QFile::remove(novo);
            throw;
        }
        if (::rename(QFile::encodeName(novo).constData(), QFile::encodeName(banco).constData()) != 0) {
            QFile::remove(novo);
            throw ErroBanco(QStringLiteral("Não foi possível substituir %1 pela cópia restaurada").arg(banco));
        }
    });
}

void ApagarAcessos(TdmPORTARIS& dm, const QDate& data) {
    Procedimento& p = dm.sp(QStringLiteral("APAGAR_ACESSOS"));
    p.definir(QStringLiteral("PDATA"), data);
    Unidade::gravar(dm.dbBANCO, [&] { p.executar(); });
    if (dm.setACE.emEdicao()) dm.setACE.cancelar();
    dm.setACE.fechar();
    dm.abrirAcessosDeHoje();
    GravarLog({QStringLiteral("Confirmou apagar acessos/rondas")});
}

AcoesDiarias::AcoesDiarias(TdmPORTARIS& dm, DispositivosEstacao& dispositivos, QObject* parent)
    : QObject(parent), m_dm(dm), m_disp(dispositivos) {
    tmrAUTO.setInterval(Intervalo);
    connect(&tmrAUTO, &QTimer::timeout, this, &AcoesDiarias::Executar);
    CarregarAgenda();
}

void AcoesDiarias::CarregarAgenda() {
    m_agendada = cfg::autobackup_auto.ler();
    const bool dias[7] = {cfg::autobackup_domingo.ler(), cfg::autobackup_segunda.ler(), cfg::autobackup_terca.ler(),
                          cfg::autobackup_quarta.ler(),  cfg::autobackup_quinta.ler(),  cfg::autobackup_sexta.ler(),
                          cfg::autobackup_sabado.ler()};
    std::copy(std::begin(dias), std::end(dias), m_dias);
    m_hora = cfg::autobackup_hora.ler();
    m_pasta = cfg::autobackup_pasta.ler();
    m_nome = cfg::autobackup_nome.ler();
}

QString AcoesDiarias::ArquivoMarcador() {
    return PastaPrograma::caminho(QStringLiteral("AutoDia.txt"));
}

bool AcoesDiarias::TransferidoHoje(const QDate& hoje) {
    QFile f(ArquivoMarcador());
    if (!f.open(QIODevice::ReadOnly)) return false;
    QStringList linhas = QString::fromLatin1(f.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
    if (!linhas.isEmpty() && linhas.last().isEmpty()) linhas.removeLast();
    return linhas.size() == 1 && linhas.first() == hoje.toString(QStringLiteral("dd"));
}

void AcoesDiarias::Executar() {
    if (podeAgir && !podeAgir()) return;
    tmrAUTO.stop();
    struct Retomar {
        QTimer& t;
        ~Retomar() { t.start(); }
    } retomar{tmrAUTO};
    const QDateTime momento = relogio().agora();
    const QDate hoje = momento.date();

    if (!TransferidoHoje(hoje)) {
        bool ok = false;
        try {
            ok = transferir ? transferir() : transferencia::TransferenciaDiaria(m_dm, m_disp);
        } catch (const std::exception& e) {
            try {
                GravarLog({QStringLiteral("Transferência diária falhou: ") + QString::fromUtf8(e.what())});
            } catch (const std::exception&) {
            }
        }
        // Only the first line is replaced; a marker of several lines never counts as done.
        QStringList linhas;
        QFile f(ArquivoMarcador());
        if (f.open(QIODevice::ReadOnly)) {
            linhas = QString::fromLatin1(f.readAll()).split(QRegularExpression(QStringLiteral("\r?\n")));
            if (!linhas.isEmpty() && linhas.last().isEmpty()) linhas.removeLast();
            f.close();
        }
        if (linhas.isEmpty()) linhas << QStringLiteral("0");
        linhas[0] = ok ? hoje.toString(QStringLiteral("dd")) : QStringLiteral("0");
        QSaveFile s(ArquivoMarcador());
        if (s.open(QIODevice::WriteOnly)) {
            s.write(linhas.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
            s.commit();
        }
    }

    const int dia = hoje.dayOfWeek() % 7; // Sunday 0
    if (m_agendada && m_dias[dia] && momento.time() > m_hora) {
        const QString arquivo = ArquivoCopia(m_pasta, m_nome, true, hoje);
        if (!QFile::exists(arquivo)) {
            if (aoCopiar) aoCopiar(true);
            relogio().dormir(5000);
            const QString erro =
                IniciarCopia(m_dm, obterParametros ? obterParametros() : parametros, arquivo, [](const QString&) {});
            if (aoCopiar) aoCopiar(false);
            if (!erro.isEmpty() && aoFalharCopia) aoFalharCopia(erro);
        }
    }
}

} // namespace portaris
