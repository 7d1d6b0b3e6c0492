#include "db/Firebird.h"

#include "platform/Relogio.h"

#include <firebird/Interface.h>
#include <ibase.h>
#include <iberror.h>

#include <QDir>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace Firebird;

namespace portaris {

namespace {

// The embedded engine opens a database file for one process only, unless every process runs it in
// SuperClassic mode; the console and the messages program share the station's local database.
// The engine reads its configuration from $FIREBIRD at first use: the system's files with that mode.
void prepararMotor() {
    if (qEnvironmentVariableIsSet("FIREBIRD")) return;
    const QDir origem(QStringLiteral("/etc/firebird/3.0"));
    if (!origem.exists(QStringLiteral("firebird.conf"))) return;
    const QString destino = QDir::temp().filePath(QStringLiteral("portaris-firebird-%1").arg(getuid()));
    if (!QFile::exists(destino + QStringLiteral("/firebird.conf"))) {
        QTemporaryDir novo(destino + QStringLiteral("-XXXXXX"));
        if (!novo.isValid()) return;
        for (const QString& f : origem.entryList({QStringLiteral("*.conf")}, QDir::Files | QDir::Readable))
            QFile::copy(origem.filePath(f), novo.filePath(f));
        QFile conf(novo.filePath(QStringLiteral("firebird.conf")));
        if (!conf.open(QIODevice::Append)) return;
        conf.write("\n# Portaris: several processes of this computer share a local database.\n"
                   "ServerMode = SuperClassic\nDefaultDbCachePages = 2048\n");
        conf.close();
        // Another process may have won the race; its copy is as good as ours.
        if (QDir().rename(novo.path(), destino)) novo.setAutoRemove(false);
    }
    if (QFile::exists(destino + QStringLiteral("/firebird.conf"))) qputenv("FIREBIRD", destino.toLocal8Bit());
}

IMaster* mestre() {
    static IMaster* m = [] {
        prepararMotor();
        return fb_get_master_interface();
    }();
    return m;
}

QString textoFormatado(IStatus* s) {
    char buf[4096];
    mestre()->getUtilInterface()->formatStatus(buf, sizeof(buf), s);
    return QString::fromUtf8(buf).trimmed();
}

// A procedure's refusal travels as the text of an exception; the operator sees that coded message
// alone, not the engine's lines around it ("exception 1", "At procedure ... line: 7").
QString mensagemCodificada(IStatus* s) {
    const intptr_t* e = s->getErrors();
    while (e && *e != isc_arg_end) {
        const intptr_t tipo = *e++;
        QString t;
        if (tipo == isc_arg_cstring) {
            const auto n = static_cast<qsizetype>(*e++);
            t = QString::fromUtf8(reinterpret_cast<const char*>(*e++), n);
        } else if (tipo == isc_arg_string || tipo == isc_arg_interpreted || tipo == isc_arg_sql_state) {
            t = QString::fromUtf8(reinterpret_cast<const char*>(*e++));
        } else {
            ++e;
        }
        if (t.startsWith(QLatin1String("@!"))) return t;
    }
    return {};
}

QString textoStatus(IStatus* s) {
    const QString codificada = mensagemCodificada(s);
    return codificada.isEmpty() ? textoFormatado(s) : codificada;
}

long codigoStatus(IStatus* s) {
    const intptr_t* e = s->getErrors();
    if (e && e[0] == isc_arg_gds) return static_cast<long>(e[1]);
    return 0;
}

// A status wrapper for one call; FbException becomes ErroBanco.
class Status {
public:
    Status() : m_raw(mestre()->getStatus()), m_st(m_raw) {}
    ~Status() { m_raw->dispose(); }
    ThrowStatusWrapper* operator&() { return &m_st; }

private:
    IStatus* m_raw;
    ThrowStatusWrapper m_st;
};

qint64 agoraMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

} // namespace

// What the watchdog needs of a connection. `att` changes only under the watchdog's lock.
struct Banco::Vigia {
    IAttachment* att = nullptr;
    std::atomic<bool> remoto{false};
    std::atomic<qint64> inicio{0}; // when the outermost call in progress began, 0 when none
    int profundidade = 0;          // calls nest (a BLOB written while a statement executes)
    std::atomic<int> limiteMs{TempoLimiteResposta * 1000};
    std::atomic<bool> cancelada{false};
};

namespace {

// One thread for the whole program looks at every remote connection's call in progress and
// cancels, with abort, the one that waited too long. The cancel closes the client's socket, so
// the waiting call returns at once with an error.
class Vigilante {
public:
    static Vigilante& instancia() {
        static Vigilante v;
        return v;
    }
    void registrar(const std::shared_ptr<Banco::Vigia>& v) {
        std::lock_guard l(mutex);
        lista.push_back(v);
    }
    void remover(const Banco::Vigia* v) {
        std::lock_guard l(mutex);
        std::erase_if(lista, [v](const auto& p) { return p.get() == v; });
    }
    std::mutex mutex;

private:
    Vigilante() : m_thread([this] { vigiar(); }) {}
    ~Vigilante() {
        {
            std::lock_guard l(mutex);
            m_fim = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    void vigiar() {
        std::unique_lock l(mutex);
        while (!m_fim) {
            m_cv.wait_for(l, std::chrono::milliseconds(200));
            const qint64 agora = agoraMs();
            for (const auto& v : lista) {
                const qint64 inicio = v->inicio;
                const int limite = v->limiteMs;
                if (!v->att || !v->remoto || inicio == 0 || limite <= 0 || v->cancelada) continue;
                if (agora - inicio < limite) continue;
                v->cancelada = true;
                // Held by a reference of our own: the connection may be detached meanwhile.
                IAttachment* att = v->att;
                att->addRef();
                l.unlock();
                IStatus* st = mestre()->getStatus();
                CheckStatusWrapper status(st);
                att->cancelOperation(&status, fb_cancel_abort);
                st->dispose();
                att->release();
                l.lock();
                break; // the list may have changed meanwhile
            }
        }
    }
    std::vector<std::shared_ptr<Banco::Vigia>> lista;
    bool m_fim = false;
    std::condition_variable m_cv;
    std::thread m_thread;
};

// Runs one call of the client library on `banco` (or of no connection), watched when the
// connection is remote, and turns its failure into ErroBanco.
template <class F>
auto fbEm(Banco* banco, F&& f) -> decltype(f(static_cast<ThrowStatusWrapper*>(nullptr))) {
    Banco::Vigia* v = banco ? banco->vigia() : nullptr;
    if (banco && banco->perdida())
        throw ErroBanco(QStringLiteral("A conexão com o banco de dados foi perdida."), isc_network_error);
    struct Chamada {
        Banco::Vigia* v;
        explicit Chamada(Banco::Vigia* vigia) : v(vigia) {
            if (v && v->profundidade++ == 0) v->inicio = agoraMs();
        }
        ~Chamada() {
            if (v && --v->profundidade == 0) v->inicio = 0;
        }
    } chamada(v);
    Status st;
    try {
        return f(&st);
    } catch (const FbException& e) {
        if (v && v->cancelada) {
            banco->marcarPerdida();
            throw ErroBanco(QStringLiteral("O servidor do banco de dados não respondeu em %1 segundos.")
                                .arg(v->limiteMs / 1000),
                            isc_network_error);
        }
        ErroBanco erro(textoStatus(e.getStatus()), codigoStatus(e.getStatus()));
        if (banco && erro.conexaoPerdida()) banco->marcarPerdida();
        throw erro;
    }
}

template <class F> auto fb(F&& f) -> decltype(f(static_cast<ThrowStatusWrapper*>(nullptr))) {
    return fbEm(nullptr, std::forward<F>(f));
}

const QDate kBaseData(1858, 11, 17);

ISC_DATE codificarData(const QDate& d) {
    return static_cast<ISC_DATE>(kBaseData.daysTo(d));
}
QDate decodificarData(ISC_DATE d) {
    return kBaseData.addDays(d);
}
ISC_TIME codificarHora(const QTime& t) {
    return static_cast<ISC_TIME>(t.msecsSinceStartOfDay()) * 10;
}
QTime decodificarHora(ISC_TIME t) {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / 10));
}

int bytesPorCaractere(unsigned cs) {
    switch (cs) {
    case 4:
        return 4; // UTF8
    case 3:
        return 3; // UNICODE_FSS
    default:
        return 1;
    }
}

template <class T> T lerBuf(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}
template <class T> void gravarBuf(unsigned char* p, T v) {
    std::memcpy(p, &v, sizeof(T));
}

QByteArray lerBlob(Banco& banco, ISC_QUAD id) {
    IAttachment* att = banco.att();
    ITransaction* tra = banco.tra();
    return fbEm(&banco, [&](ThrowStatusWrapper* st) {
        IBlob* b = att->openBlob(st, tra, &id, 0, nullptr);
        QByteArray dados;
        char buf[32768];
        try {
            for (;;) {
                unsigned lidos = 0;
                const int r = b->getSegment(st, sizeof(buf), buf, &lidos);
                if (r == IStatus::RESULT_NO_DATA) break;
                dados.append(buf, static_cast<qsizetype>(lidos));
            }
            b->close(st);
        } catch (...) {
            b->release();
            throw;
        }
        return dados;
    });
}

ISC_QUAD criarBlob(Banco& banco, const QByteArray& dados) {
    IAttachment* att = banco.att();
    ITransaction* tra = banco.tra();
    return fbEm(&banco, [&](ThrowStatusWrapper* st) {
        ISC_QUAD id{};
        IBlob* b = att->createBlob(st, tra, &id, 0, nullptr);
        try {
            for (qsizetype pos = 0; pos < dados.size(); pos += 32768) {
                const auto n = static_cast<unsigned>(std::min<qsizetype>(32768, dados.size() - pos));
                b->putSegment(st, n, dados.constData() + pos);
            }
            b->close(st);
        } catch (...) {
            b->release();
            throw;
        }
        return id;
    });
}

// Every live statement of a Banco, so a disconnect frees them before the attachment goes.
QMutex g_registro;
QHash<Banco*, QList<Comando*>> g_comandos;

} // namespace

// ---------------------------------------------------------------------------------------------
ErroBanco::ErroBanco(const QString& texto, long codigo)
    : std::runtime_error(texto.toStdString()), m_texto(texto), m_codigo(codigo) {}

bool ErroBanco::conflitoDeBloqueio() const {
    return m_codigo == isc_lock_conflict || m_codigo == isc_update_conflict || m_codigo == isc_deadlock;
}

bool ErroBanco::conexaoPerdida() const {
    return m_codigo == isc_network_error || m_codigo == isc_net_read_err || m_codigo == isc_net_write_err ||
           m_codigo == isc_conn_lost || m_codigo == isc_shutdown || m_codigo == isc_att_shutdown ||
           m_codigo == isc_bad_db_handle;
}

void lancarStatus(IStatus* status) {
    if (status && (status->getState() & IStatus::STATE_ERRORS))
        throw ErroBanco(textoStatus(status), codigoStatus(status));
}

// ---------------------------------------------------------------------------------------------
namespace {

// A remote name: "host:path", "host/port:path" or "\\server\path"; a local file is opened by the
// embedded engine inside this process and never waits on a network.
bool nomeRemoto(const QString& nome) {
    return nome.startsWith(QLatin1String("\\\\")) || nome.indexOf(u':') > 1;
}

IAttachment* anexar(const QString& nomeBanco, const QString& usuario, const QString& senha) {
    return fb([&](ThrowStatusWrapper* st) {
        IUtil* util = mestre()->getUtilInterface();
        IXpbBuilder* dpb = util->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0);
        IAttachment* att = nullptr;
        try {
            dpb->insertString(st, isc_dpb_user_name, usuario.toUtf8().constData());
            dpb->insertString(st, isc_dpb_password, senha.toUtf8().constData());
            dpb->insertString(st, isc_dpb_lc_ctype, "UTF8");
            // A server that does not answer must not freeze the station for the client's default minutes.
            dpb->insertInt(st, isc_dpb_connect_timeout, Banco::tempoLimiteConexao());
            IProvider* prov = mestre()->getDispatcher();
            try {
                att = prov->attachDatabase(st, nomeBanco.toUtf8().constData(), dpb->getBufferLength(st),
                                           dpb->getBuffer(st));
            } catch (...) {
                prov->release();
                throw;
            }
            prov->release();
        } catch (...) {
            dpb->dispose();
            throw;
        }
        dpb->dispose();
        return att;
    });
}

void detachOuSoltar(IAttachment* att) noexcept {
    try {
        fb([&](ThrowStatusWrapper* st) { att->detach(st); });
    } catch (...) {
        att->release();
    }
}

} // namespace

struct Banco::Tentativa {
    std::future<IAttachment*> futuro;
};

Banco::Banco() : m_vigia(std::make_shared<Vigia>()) {
    Vigilante::instancia().registrar(m_vigia);
}

Banco::~Banco() {
    desconectar();
    Vigilante::instancia().remover(m_vigia.get());
}

void Banco::adotar(IAttachment* att) {
    {
        std::lock_guard l(Vigilante::instancia().mutex);
        m_vigia->att = att;
        m_vigia->remoto = nomeRemoto(m_nome);
        m_vigia->cancelada = false;
    }
    m_att = att;
    m_perdida = false;
}

void Banco::conectar(const QString& nomeBanco, const QString& usuario, const QString& senha) {
    desconectar();
    IAttachment* att = anexar(nomeBanco, usuario, senha);
    m_nome = nomeBanco;
    m_usuario = usuario;
    m_senha = senha;
    adotar(att);
}

void Banco::reconectar() {
    IAttachment* att = anexar(m_nome, m_usuario, m_senha);
    if (m_perdida)
        abandonar();
    else
        desconectar();
    adotar(att);
}

void Banco::iniciarReconexao() {
    if (m_tentativa) return;
    m_tentativa = std::make_unique<Tentativa>();
    m_tentativa->futuro = std::async(std::launch::async, [nome = m_nome, usuario = m_usuario, senha = m_senha] {
        return anexar(nome, usuario, senha);
    });
}

void Banco::aguardarReconexao(const QString& nomeBanco, const QString& usuario, const QString& senha) {
    desconectar();
    m_nome = nomeBanco;
    m_usuario = usuario;
    m_senha = senha;
    m_perdida = true;
}

Banco::Reconexao Banco::concluirReconexao() {
    if (!m_tentativa) return Reconexao::Nenhuma;
    if (m_tentativa->futuro.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return Reconexao::EmAndamento;
    std::unique_ptr<Tentativa> t = std::move(m_tentativa);
    try {
        IAttachment* att = t->futuro.get();
        if (m_perdida)
            abandonar();
        else
            desconectar();
        adotar(att);
        return Reconexao::Conectado;
    } catch (const ErroBanco& e) {
        m_erroReconexao = e.texto();
        return Reconexao::Falhou;
    }
}

namespace {
std::atomic<int> g_limiteConexao{Banco::TempoLimiteConexao};
}

void Banco::definirTempoLimiteConexao(int segundos) {
    g_limiteConexao = std::max(1, segundos);
}

int Banco::tempoLimiteConexao() {
    return g_limiteConexao;
}

void Banco::definirTempoLimite(int ms) {
    m_vigia->limiteMs = ms;
}

int Banco::tempoLimite() const {
    return m_vigia->limiteMs;
}

void Banco::criar(const QString& arquivo, const QString& usuario, const QString& senha, int tamanhoPagina) {
    desconectar();
    IAttachment* att = fb([&](ThrowStatusWrapper* st) {
        IUtil* util = mestre()->getUtilInterface();
        IXpbBuilder* dpb = util->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0);
        IProvider* prov = mestre()->getDispatcher();
        IAttachment* novo = nullptr;
        try {
            dpb->insertString(st, isc_dpb_user_name, usuario.toUtf8().constData());
            dpb->insertString(st, isc_dpb_password, senha.toUtf8().constData());
            dpb->insertString(st, isc_dpb_lc_ctype, "UTF8");
            dpb->insertString(st, isc_dpb_set_db_charset, "UTF8");
            dpb->insertInt(st, isc_dpb_page_size, tamanhoPagina);
            dpb->insertInt(st, isc_dpb_sql_dialect, 3);
            novo = prov->createDatabase(st, arquivo.toUtf8().constData(), dpb->getBufferLength(st),
                                        dpb->getBuffer(st));
        } catch (...) {
            prov->release();
            dpb->dispose();
            throw;
        }
        prov->release();
        dpb->dispose();
        return novo;
    });
    m_nome = arquivo;
    m_usuario = usuario;
    m_senha = senha;
    adotar(att);
}

void Banco::soltarComandos() noexcept {
    QMutexLocker l(&g_registro);
    const auto lista = g_comandos.value(this);
    l.unlock();
    for (Comando* c : lista)
        c->soltar();
}

void Banco::encerrarUnidades() noexcept {
    // Handles of a gone attachment must not be used again; their jobs learn it at commit.
    for (Unidade* u = m_unidade; u; u = u->m_anterior)
        u->encerrar();
}

int Banco::unidadesAbertas() const {
    int n = 0;
    for (const Unidade* u = m_unidade; u; u = u->m_anterior)
        n += u->aberta() ? 1 : 0;
    return n;
}

void Banco::desconectar() noexcept {
    encerrarUnidades();
    if (m_tentativa) {
        // A reconnection still on its way would replace whatever comes next.
        std::unique_ptr<Tentativa> t = std::move(m_tentativa);
        try {
            if (IAttachment* a = t->futuro.get()) detachOuSoltar(a);
        } catch (...) {
        }
    }
    soltarComandos();
    if (m_perdida) {
        // Nothing to ask a server that is gone.
        abandonar();
        return;
    }
    soltarReserva();
    if (m_tra) {
        try {
            fbEm(this, [&](ThrowStatusWrapper* st) { m_tra->rollback(st); });
            m_tra = nullptr;
        } catch (...) {
            m_tra->release();
            m_tra = nullptr;
        }
    }
    if (m_att) {
        // Our own reference keeps the handle valid for the watchdog until it forgets it.
        m_att->addRef();
        bool separado = false;
        try {
            fbEm(this, [&](ThrowStatusWrapper* st) { m_att->detach(st); });
            separado = true;
        } catch (...) {
        }
        {
            std::lock_guard l(Vigilante::instancia().mutex);
            m_vigia->att = nullptr;
        }
        m_att->release();
        if (!separado) m_att->release();
        m_att = nullptr;
    }
    m_perdida = false;
}

void Banco::abandonar() noexcept {
    soltarComandos();
    if (m_reserva) m_reserva->release();
    m_reserva = nullptr;
    for (Unidade* u = m_unidade; u; u = u->m_anterior) {
        if (u->m_tra) u->m_tra->release();
        u->m_tra = nullptr;
    }
    {
        std::lock_guard l(Vigilante::instancia().mutex);
        m_vigia->att = nullptr;
    }
    if (m_tra) m_tra->release();
    m_tra = nullptr;
    if (m_att) m_att->release();
    m_att = nullptr;
    m_perdida = false;
}

namespace {
int nivelDoLaco() {
    QThread* t = QThread::currentThread();
    return t ? t->loopLevel() : 0;
}

ITransaction* iniciar(Banco& banco, bool somenteLeitura, int esperaBloqueio = 0) {
    if (!banco.att()) throw ErroBanco(QStringLiteral("Banco de dados não conectado"));
    static const unsigned char escrita[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_nowait};
    static const unsigned char leitura[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                            isc_tpb_rec_version, isc_tpb_nowait};
    const int espera = std::clamp(esperaBloqueio, 0, 255);
    // no_rec_version: a row another unit is changing is read only once that unit ends, so a
    // statement that writes only on a change (a holder's position) still waits its turn instead of
    // deciding on the value the other unit is replacing.
    const unsigned char esperando[] = {isc_tpb_version3,       isc_tpb_write, isc_tpb_read_committed,
                                       isc_tpb_no_rec_version, isc_tpb_wait,  isc_tpb_lock_timeout,
                                       1,                      static_cast<unsigned char>(espera)};
    return fbEm(&banco, [&](ThrowStatusWrapper* st) {
        if (somenteLeitura) return banco.att()->startTransaction(st, sizeof(leitura), leitura);
        if (espera > 0) return banco.att()->startTransaction(st, sizeof(esperando), esperando);
        return banco.att()->startTransaction(st, sizeof(escrita), escrita);
    });
}
} // namespace

ITransaction* Banco::tra() {
    if (Unidade* u = Unidade::atual(*this)) return u->m_tra;
    iniciarTransacao();
    return m_tra;
}

void Banco::iniciarTransacao() {
    if (m_tra) return;
    m_tra = iniciar(*this, m_somenteLeitura);
}

void Banco::expirarReserva() noexcept {
    if (m_reserva && relogio().tick() - m_reservadaEm >= SegundosReserva * 1000u) soltarReserva();
}

void Banco::reservarUnidade(int esperaBloqueio) noexcept {
    if (!m_att || m_perdida) return;
    expirarReserva();
    if (m_reserva && m_esperaReserva == esperaBloqueio) return;
    soltarReserva();
    try {
        m_reserva = iniciar(*this, false, esperaBloqueio);
        m_esperaReserva = esperaBloqueio;
        m_reservadaEm = relogio().tick();
    } catch (const std::exception&) {
        // A server gone away is marked lost; the next unit meets whatever else it was.
    }
}

void Banco::soltarReserva() noexcept {
    if (!m_reserva) return;
    ITransaction* t = std::exchange(m_reserva, nullptr);
    try {
        // Nothing was done in it: a commit ends it without leaving a rolled-back one behind.
        fbEm(this, [&](ThrowStatusWrapper* st) { t->commit(st); });
    } catch (...) {
        t->release();
    }
}

// ---------------------------------------------------------------------------------------------
Unidade::Unidade(Banco& banco, int esperaBloqueio)
    : m_banco(banco), m_anterior(banco.m_unidade), m_nivel(nivelDoLaco()) {
    if (banco.m_reserva && banco.m_esperaReserva == esperaBloqueio)
        m_tra = std::exchange(banco.m_reserva, nullptr);
    else
        m_tra = iniciar(banco, false, esperaBloqueio);
    banco.m_unidade = this;
}

Unidade::~Unidade() {
    rollback();
    // Units close in the reverse order of their opening; unlink wherever this one stands.
    Unidade** p = &m_banco.m_unidade;
    while (*p && *p != this)
        p = &(*p)->m_anterior;
    if (*p) *p = m_anterior;
}

Unidade* Unidade::atual(const Banco& banco) {
    // The innermost open unit of this event loop; a job that committed hands back to the one it
    // was opened in, and a nested loop's work never reaches into an outer loop's unit.
    const int nivel = nivelDoLaco();
    for (Unidade* u = banco.m_unidade; u && u->m_nivel == nivel; u = u->m_anterior)
        if (u->m_tra) return u;
    return nullptr;
}

void Unidade::commit() {
    if (!m_tra)
        throw ErroBanco(QStringLiteral("A conexão com o banco de dados foi fechada antes da gravação."),
                        isc_network_error);
    fbEm(&m_banco, [&](ThrowStatusWrapper* st) { m_tra->commit(st); });
    m_tra = nullptr;
}

void Unidade::rollback() noexcept {
    if (!m_tra) return;
    try {
        fbEm(&m_banco, [&](ThrowStatusWrapper* st) { m_tra->rollback(st); });
    } catch (...) {
        // A lost connection cannot roll back; the server drops the work with the attachment.
        m_tra->release();
    }
    m_tra = nullptr;
}

void Unidade::encerrar() noexcept {
    rollback();
}

void Unidade::gravar(Banco& banco, const std::function<void()>& f) {
    Unidade u(banco);
    f();
    u.commit();
}

void Banco::commit() {
    if (!m_tra) return;
    fbEm(this, [&](ThrowStatusWrapper* st) { m_tra->commit(st); });
    m_tra = nullptr;
}

void Banco::commitRetaining() {
    if (!m_tra) return;
    fbEm(this, [&](ThrowStatusWrapper* st) { m_tra->commitRetaining(st); });
}

void Banco::rollback() {
    if (!m_tra) return;
    fbEm(this, [&](ThrowStatusWrapper* st) { m_tra->rollback(st); });
    m_tra = nullptr;
}

void Banco::rollbackRetaining() {
    if (!m_tra) return;
    fbEm(this, [&](ThrowStatusWrapper* st) { m_tra->rollbackRetaining(st); });
}

void Banco::executar(const QString& sql) {
    ITransaction* t = tra();
    fbEm(this, [&](ThrowStatusWrapper* st) {
        m_att->execute(st, t, 0, sql.toUtf8().constData(), SQL_DIALECT_V6, nullptr, nullptr, nullptr,
                       nullptr);
    });
}

qint64 Banco::gerador(const QString& nome, int passo) {
    Comando c(*this, QStringLiteral("SELECT GEN_ID(%1, %2) FROM RDB$DATABASE").arg(nome).arg(passo));
    c.abrir();
    c.proximo();
    return c.campo(0).toLongLong();
}

QVariant Banco::valor(const QString& sql, const QVariantHash& parametros) {
    Comando c(*this, sql);
    for (auto it = parametros.begin(); it != parametros.end(); ++it)
        c.definir(it.key(), it.value());
    c.abrir();
    return c.proximo() ? c.campo(0) : QVariant();
}

// ---------------------------------------------------------------------------------------------
Comando::Comando(Banco& banco, const QString& sql) : m_banco(banco), m_sql(sql) {
    // Translate ":NAME" to '?' outside strings, quoted names and comments. In the body of an
    // EXECUTE BLOCK (after its AS) ":NAME" is one of the block's own variables: only its header
    // takes values.
    const QString inicio = sql.left(40).simplified() + u' ';
    const bool ehBloco = inicio.startsWith(QLatin1String("EXECUTE BLOCK"), Qt::CaseInsensitive) &&
                         (inicio[13] == u' ' || inicio[13] == u'(');
    const auto letra = [&](qsizetype k) { return sql[k].isLetterOrNumber() || sql[k] == u'_' || sql[k] == u'$'; };
    QString saida;
    saida.reserve(sql.size());
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (ehBloco && letra(i)) {
            // A whole word at a time, so that AS is only ever found as a word of its own.
            qsizetype j = i;
            while (j < sql.size() && letra(j))
                ++j;
            if (j - i == 2 && sql.mid(i, 2).compare(QLatin1String("AS"), Qt::CaseInsensitive) == 0) {
                saida += sql.mid(i);
                break;
            }
            saida += sql.mid(i, j - i);
            i = j - 1;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            const qsizetype fim = sql.indexOf(c, i + 1);
            const qsizetype ate = fim < 0 ? sql.size() : fim + 1;
            saida += sql.mid(i, ate - i);
            i = ate - 1;
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            const qsizetype fim = sql.indexOf(u'\n', i);
            const qsizetype ate = fim < 0 ? sql.size() : fim;
            saida += sql.mid(i, ate - i);
            i = ate - 1;
        } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
            const qsizetype fim = sql.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype ate = fim < 0 ? sql.size() : fim + 2;
            saida += sql.mid(i, ate - i);
            i = ate - 1;
        } else if (c == u':' && i + 1 < sql.size() && (sql[i + 1].isLetter() || sql[i + 1] == u'_')) {
            qsizetype j = i + 1;
            while (j < sql.size() && letra(j))
                ++j;
            const QString nome = sql.mid(i + 1, j - i - 1).toUpper();
            m_posicoes << nome;
            if (!m_nomesUnicos.contains(nome)) m_nomesUnicos << nome;
            saida += u'?';
            i = j - 1;
        } else {
            saida += c;
        }
    }
    m_sql = sql;
    m_posicoes.squeeze();
    m_sqlTraduzido = saida;
    QMutexLocker l(&g_registro);
    g_comandos[&m_banco].append(this);
}

Comando::~Comando() {
    fechar();
    if (m_stmt) m_stmt->release();
    if (m_saidaMeta) m_saidaMeta->release();
    m_stmt = nullptr;
    m_saidaMeta = nullptr;
    QMutexLocker l(&g_registro);
    auto it = g_comandos.find(&m_banco);
    if (it != g_comandos.end()) {
        it->removeOne(this);
        if (it->isEmpty()) g_comandos.erase(it);
    }
}

void Comando::soltar() noexcept {
    if (m_cursor) m_cursor->release();
    if (m_stmt) m_stmt->release();
    if (m_saidaMeta) m_saidaMeta->release();
    m_cursor = nullptr;
    m_stmt = nullptr;
    m_saidaMeta = nullptr;
    m_colunas.clear();
    m_linha.clear();
    m_linhaLida = true;
}

void Comando::definir(const QString& nome, const QVariant& valor) {
    const QString n = nome.toUpper();
    if (!m_nomesUnicos.contains(n))
        throw ErroBanco(QStringLiteral("Parâmetro %1 não existe no comando").arg(nome));
    m_valores.insert(n, valor);
}

void Comando::limparParametros() {
    m_valores.clear();
}

void Comando::preparar() {
    if (m_stmt) return;
    if (!m_banco.conectado()) throw ErroBanco(QStringLiteral("Banco de dados não conectado"));
    ITransaction* t = m_banco.tra();
    fbEm(&m_banco, [&](ThrowStatusWrapper* st) {
        m_stmt = m_banco.att()->prepare(st, t, 0, m_sqlTraduzido.toUtf8().constData(), SQL_DIALECT_V6,
                                        IStatement::PREPARE_PREFETCH_METADATA);
        m_saidaMeta = m_stmt->getOutputMetadata(st);
        const unsigned n = m_saidaMeta->getCount(st);
        m_nomesColunas.clear();
        m_colunas.clear();
        for (unsigned i = 0; i < n; ++i) {
            m_nomesColunas << QString::fromUtf8(m_saidaMeta->getAlias(st, i)).toUpper();
            m_colunas.push_back({m_saidaMeta->getType(st, i) & ~1u,
                                 static_cast<unsigned>(m_saidaMeta->getSubType(st, i)),
                                 m_saidaMeta->getOffset(st, i), m_saidaMeta->getNullOffset(st, i),
                                 m_saidaMeta->getLength(st, i), m_saidaMeta->getCharSet(st, i),
                                 m_saidaMeta->getScale(st, i)});
        }
        m_saida.assign(m_saidaMeta->getMessageLength(st), 0);
    });
}

void Comando::montarEntrada(std::vector<unsigned char>& buf, IMessageMetadata*& meta) {
    meta = nullptr;
    fbEm(&m_banco, [&](ThrowStatusWrapper* st) {
        IMessageMetadata* orig = m_stmt->getInputMetadata(st);
        const unsigned n = orig->getCount(st);
        if (n != static_cast<unsigned>(m_posicoes.size())) {
            orig->release();
            throw ErroBanco(QStringLiteral("Parâmetros do comando não conferem"));
        }
        if (n == 0) {
            orig->release();
            return;
        }
        // Each parameter takes the type of its value; the server converts (and refuses with its
        // own message what does not fit, e.g. a text longer than its column).
        IMetadataBuilder* b = orig->getBuilder(st);
        QList<QByteArray> textos(n);
        for (unsigned i = 0; i < n; ++i) {
            const QVariant v = m_valores.value(m_posicoes[static_cast<qsizetype>(i)]);
            const unsigned tipoOrig = orig->getType(st, i) & ~1u;
            if (v.isNull() || !v.isValid()) continue;
            b->setScale(st, i, 0);
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Bool:
                b->setType(st, i, SQL_INT64);
                b->setLength(st, i, 8);
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                b->setType(st, i, SQL_DOUBLE);
                b->setLength(st, i, 8);
                break;
            case QMetaType::QDate:
                b->setType(st, i, SQL_TYPE_DATE);
                b->setLength(st, i, 4);
                break;
            case QMetaType::QTime:
                b->setType(st, i, SQL_TYPE_TIME);
                b->setLength(st, i, 4);
                break;
            case QMetaType::QDateTime:
                b->setType(st, i, SQL_TIMESTAMP);
                b->setLength(st, i, 8);
                break;
            default:
                if (tipoOrig == SQL_BLOB) {
                    b->setType(st, i, SQL_BLOB);
                    b->setLength(st, i, sizeof(ISC_QUAD));
                } else {
                    const QByteArray t =
                        v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
                    textos[i] = t;
                    b->setType(st, i, SQL_VARYING);
                    b->setCharSet(st, i, v.typeId() == QMetaType::QByteArray ? 1 : 4);
                    b->setLength(st, i, static_cast<unsigned>(std::max<qsizetype>(1, t.size())));
                }
            }
        }
        orig->release();
        meta = b->getMetadata(st);
        b->release();
        buf.assign(meta->getMessageLength(st), 0);
        for (unsigned i = 0; i < n; ++i) {
            const QVariant v = m_valores.value(m_posicoes[static_cast<qsizetype>(i)]);
            unsigned char* p = buf.data() + meta->getOffset(st, i);
            unsigned char* pn = buf.data() + meta->getNullOffset(st, i);
            if (v.isNull() || !v.isValid()) {
                gravarBuf<short>(pn, -1);
                continue;
            }
            gravarBuf<short>(pn, 0);
            switch (meta->getType(st, i) & ~1u) {
            case SQL_INT64:
                gravarBuf<qint64>(p, v.toLongLong());
                break;
            case SQL_DOUBLE:
                gravarBuf<double>(p, v.toDouble());
                break;
            case SQL_TYPE_DATE:
                gravarBuf<ISC_DATE>(p, codificarData(v.toDate()));
                break;
            case SQL_TYPE_TIME:
                gravarBuf<ISC_TIME>(p, codificarHora(v.toTime()));
                break;
            case SQL_TIMESTAMP: {
                const QDateTime dt = v.toDateTime();
                gravarBuf<ISC_DATE>(p, codificarData(dt.date()));
                gravarBuf<ISC_TIME>(p + 4, codificarHora(dt.time()));
                break;
            }
            case SQL_BLOB: {
                const QByteArray dados =
                    v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
                gravarBuf<ISC_QUAD>(p, criarBlob(m_banco, dados));
                break;
            }
            case SQL_VARYING: {
                const QByteArray& t = textos[i];
                gravarBuf<unsigned short>(p, static_cast<unsigned short>(t.size()));
                std::memcpy(p + 2, t.constData(), static_cast<size_t>(t.size()));
                break;
            }
            default:
                break;
            }
        }
    });
}

const QList<QVariant>& Comando::linha() const {
    if (!m_linhaLida) {
        lerSaida();
        m_linhaLida = true;
    }
    return m_linha;
}

Comando::Bruto Comando::bruto(int indice) const {
    Bruto b;
    if (indice < 0 || static_cast<size_t>(indice) >= m_colunas.size()) return b;
    const Coluna& c = m_colunas[static_cast<size_t>(indice)];
    if (lerBuf<short>(m_saida.data() + c.nulo)) return b;
    const unsigned char* p = m_saida.data() + c.offset;
    b.tipo = Bruto::Outro;
    if (c.escala != 0) return b;
    switch (c.tipo) {
    case SQL_SHORT:
        b.tipo = Bruto::Inteiro;
        b.numero = lerBuf<short>(p);
        break;
    case SQL_LONG:
        b.tipo = Bruto::Inteiro;
        b.numero = lerBuf<ISC_LONG>(p);
        break;
    case SQL_INT64:
        b.tipo = Bruto::Longo;
        b.numero = lerBuf<qint64>(p);
        break;
    case SQL_TYPE_DATE:
        b.tipo = Bruto::Data;
        b.numero = kBaseData.toJulianDay() + lerBuf<ISC_DATE>(p);
        break;
    case SQL_TYPE_TIME:
        b.tipo = Bruto::Hora;
        b.numero = lerBuf<ISC_TIME>(p) / 10;
        break;
    case SQL_VARYING:
        b.tipo = c.charset == 1 ? Bruto::Octetos : Bruto::Texto;
        b.tamanho = lerBuf<unsigned short>(p);
        b.dados = reinterpret_cast<const char*>(p + 2);
        break;
    default:
        break;
    }
    return b;
}

void Comando::lerSaida() const {
    m_linha.clear();
    m_linha.reserve(static_cast<qsizetype>(m_colunas.size()));
    for (const Coluna& c : m_colunas) {
        const unsigned char* p = m_saida.data() + c.offset;
        if (lerBuf<short>(m_saida.data() + c.nulo)) {
            m_linha << QVariant();
            continue;
        }
        auto escalar = [&](qint64 v) -> QVariant {
            if (c.escala == 0) return v;
            double d = static_cast<double>(v);
            for (int k = 0; k < -c.escala; ++k)
                d /= 10;
            return d;
        };
        switch (c.tipo) {
        case SQL_SHORT:
            m_linha << (c.escala ? escalar(lerBuf<short>(p)) : QVariant(int(lerBuf<short>(p))));
            break;
        case SQL_LONG:
            m_linha << (c.escala ? escalar(lerBuf<ISC_LONG>(p)) : QVariant(int(lerBuf<ISC_LONG>(p))));
            break;
        case SQL_INT64:
            m_linha << escalar(lerBuf<qint64>(p));
            break;
        case SQL_FLOAT:
            m_linha << double(lerBuf<float>(p));
            break;
        case SQL_DOUBLE:
            m_linha << lerBuf<double>(p);
            break;
        case SQL_BOOLEAN:
            m_linha << bool(*p);
            break;
        case SQL_TYPE_DATE:
            m_linha << decodificarData(lerBuf<ISC_DATE>(p));
            break;
        case SQL_TYPE_TIME:
            m_linha << decodificarHora(lerBuf<ISC_TIME>(p));
            break;
        case SQL_TIMESTAMP:
            m_linha << QDateTime(decodificarData(lerBuf<ISC_DATE>(p)),
                                 decodificarHora(lerBuf<ISC_TIME>(p + 4)));
            break;
        case SQL_VARYING: {
            const auto len = lerBuf<unsigned short>(p);
            const char* d = reinterpret_cast<const char*>(p + 2);
            m_linha << (c.charset == 1 ? QVariant(QByteArray(d, len)) : QVariant(QString::fromUtf8(d, len)));
            break;
        }
        case SQL_TEXT: {
            const char* d = reinterpret_cast<const char*>(p);
            if (c.charset == 1) {
                m_linha << QByteArray(d, c.tamanho);
            } else {
                // CHAR(n) in a multi-byte set arrives padded to n × bytes; keep n characters.
                QString s = QString::fromUtf8(d, c.tamanho);
                const int chars = static_cast<int>(c.tamanho) / bytesPorCaractere(c.charset);
                if (s.size() > chars) s.truncate(chars);
                m_linha << s;
            }
            break;
        }
        case SQL_BLOB: {
            const QByteArray dados = lerBlob(m_banco, lerBuf<ISC_QUAD>(p));
            if (c.subtipo == 1)
                m_linha << QString::fromUtf8(dados);
            else
                m_linha << dados;
            break;
        }
        default:
            m_linha << QVariant();
            break;
        }
    }
}

bool Comando::colunaBlob(int indice) const {
    return indice >= 0 && static_cast<size_t>(indice) < m_colunas.size() &&
           m_colunas[static_cast<size_t>(indice)].tipo == SQL_BLOB;
}

quint64 Comando::linhasAfetadas() {
    if (!m_afetadas)
        m_afetadas = m_stmt ? fbEm(&m_banco, [&](ThrowStatusWrapper* st) { return m_stmt->getAffectedRecords(st); })
                            : 0;
    return *m_afetadas;
}

void Comando::executar() {
    m_afetadas = 0; // a failed or never run statement changed nothing
    fechar();
    preparar();
    std::vector<unsigned char> entrada;
    IMessageMetadata* meta = nullptr;
    montarEntrada(entrada, meta);
    ITransaction* t = m_banco.tra();
    try {
        fbEm(&m_banco, [&](ThrowStatusWrapper* st) {
            const bool temSaida =
                m_saidaMeta->getCount(st) > 0 && (m_stmt->getType(st) == isc_info_sql_stmt_exec_procedure);
            m_stmt->execute(st, t, meta, meta ? entrada.data() : nullptr, temSaida ? m_saidaMeta : nullptr,
                            temSaida ? m_saida.data() : nullptr);
            m_temSaida = temSaida;
        });
        m_afetadas.reset();
    } catch (...) {
        if (meta) meta->release();
        throw;
    }
    if (meta) meta->release();
    m_linha.clear();
    m_linhaLida = !m_temSaida;
}

void Comando::abrir() {
    fechar();
    preparar();
    std::vector<unsigned char> entrada;
    IMessageMetadata* meta = nullptr;
    montarEntrada(entrada, meta);
    ITransaction* t = m_banco.tra();
    try {
        fbEm(&m_banco, [&](ThrowStatusWrapper* st) {
            m_cursor = m_stmt->openCursor(st, t, meta, meta ? entrada.data() : nullptr, m_saidaMeta, 0);
        });
    } catch (...) {
        if (meta) meta->release();
        throw;
    }
    if (meta) meta->release();
    m_linha.clear();
    m_linhaLida = true;
}

bool Comando::proximo() {
    if (!m_cursor) return false;
    const int r = fbEm(&m_banco, [&](ThrowStatusWrapper* st) { return m_cursor->fetchNext(st, m_saida.data()); });
    if (r != IStatus::RESULT_OK) {
        fechar(); // the last row's values stay readable
        return false;
    }
    m_linhaLida = false; // decoded only if a caller asks for values
    return true;
}

void Comando::fechar() {
    if (!m_cursor) return;
    try {
        fbEm(&m_banco, [&](ThrowStatusWrapper* st) { m_cursor->close(st); });
        m_cursor = nullptr;
    } catch (...) {
        m_cursor->release();
        m_cursor = nullptr;
    }
}

bool Comando::aberto() const {
    return m_cursor != nullptr;
}

QVariant Comando::campo(const QString& nome) const {
    const qsizetype i = m_nomesColunas.indexOf(nome.toUpper());
    if (i < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe no resultado").arg(nome));
    return linha().value(i);
}

// ---------------------------------------------------------------------------------------------
Procedimento::Procedimento(Banco& banco, const QString& nome) : m_banco(banco), m_nome(nome.toUpper()) {}

Procedimento::~Procedimento() = default;

void Procedimento::preparar() {
    if (m_cmd) return;
    Comando cat(m_banco, QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME), RDB$PARAMETER_TYPE "
                                        "FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = :P "
                                        "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER"));
    cat.definir(QStringLiteral("P"), m_nome);
    cat.abrir();
    while (cat.proximo())
        (cat.campo(1).toInt() == 0 ? m_entradas : m_saidas) << cat.campo(0).toString();
    if (m_entradas.isEmpty() && m_saidas.isEmpty()) {
        // A procedure without parameters has no catalogue rows; check that it exists.
        const QVariant n =
            m_banco.valor(QStringLiteral("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = :P"),
                          {{QStringLiteral("P"), m_nome}});
        if (n.toInt() == 0) throw ErroBanco(QStringLiteral("Procedimento %1 não existe").arg(m_nome));
    }
    QStringList marcas;
    for (const QString& e : m_entradas)
        marcas << u':' + e;
    QString sql = QStringLiteral("EXECUTE PROCEDURE ") + m_nome;
    if (!marcas.isEmpty()) sql += u'(' + marcas.join(QStringLiteral(", ")) + u')';
    m_cmd = std::make_unique<Comando>(m_banco, sql);
}

void Procedimento::definir(const QString& nome, const QVariant& valor) {
    preparar();
    m_cmd->definir(nome, valor);
}

void Procedimento::executar() {
    preparar();
    m_cmd->executar();
}

QVariant Procedimento::saida(const QString& nome) const {
    if (!m_cmd) throw ErroBanco(QStringLiteral("Procedimento %1 não executado").arg(m_nome));
    return m_cmd->campo(nome);
}

// ---------------------------------------------------------------------------------------------
LoteProcedimentos::LoteProcedimentos(Banco& banco, QList<Chamada> chamadas)
    : m_banco(banco), m_chamadas(std::move(chamadas)) {
    for (Chamada& c : m_chamadas) {
        c.procedimento = c.procedimento.toUpper();
        QHash<QString, Origem> ligadas;
        for (auto it = c.ligadas.cbegin(); it != c.ligadas.cend(); ++it)
            ligadas.insert(it.key().toUpper(), {it->chamada, it->saida.toUpper()});
        c.ligadas = std::move(ligadas);
    }
}

LoteProcedimentos::~LoteProcedimentos() = default;

ParametrosProcedimento parametrosDoProcedimento(Banco& banco, const QString& procedimento) {
    ParametrosProcedimento r;
    Comando cat(banco,
                QStringLiteral("SELECT TRIM(RDB$PARAMETER_NAME), RDB$PARAMETER_TYPE, TRIM(RDB$FIELD_SOURCE) "
                               "FROM RDB$PROCEDURE_PARAMETERS WHERE RDB$PROCEDURE_NAME = :P "
                               "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER"));
    cat.definir(QStringLiteral("P"), procedimento.toUpper());
    cat.abrir();
    while (cat.proximo())
        (cat.campo(1).toInt() == 0 ? r.entradas : r.saidas)
            << ParametrosProcedimento::Parametro{cat.campo(0).toString(), cat.campo(2).toString()};
    cat.fechar();
    if (r.entradas.isEmpty() && r.saidas.isEmpty() &&
        banco.valor(QStringLiteral("SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = :P"),
                    {{QStringLiteral("P"), procedimento.toUpper()}})
                .toInt() == 0)
        throw ErroBanco(QStringLiteral("Procedimento %1 não existe").arg(procedimento));
    return r;
}

void LoteProcedimentos::preparar() {
    if (m_cmd) return;
    QHash<QString, ParametrosProcedimento> catalogo;
    for (const Chamada& c : std::as_const(m_chamadas))
        if (!catalogo.contains(c.procedimento))
            catalogo.insert(c.procedimento, parametrosDoProcedimento(m_banco, c.procedimento));
    // The block's own names are positional (E<call>_<n>, S<call>_<n>): a procedure's parameter
    // names could outgrow the identifier limit once prefixed.
    QStringList entradasBloco, saidasBloco, corpo;
    m_entradas.clear();
    m_saidas.clear();
    m_primeiraSaida.clear();
    for (qsizetype i = 0; i < m_chamadas.size(); ++i) {
        const Chamada& c = m_chamadas[i];
        const auto& [ent, sai] = catalogo[c.procedimento];
        QStringList args, retorno, nomesEnt, nomesSai;
        for (qsizetype j = 0; j < ent.size(); ++j) {
            nomesEnt << ent[j].nome;
            const auto lig = c.ligadas.constFind(ent[j].nome);
            if (lig == c.ligadas.cend()) {
                const QString e = QStringLiteral("E%1_%2").arg(i).arg(j);
                entradasBloco << QStringLiteral("%1 %2 = :%1").arg(e, ent[j].tipo());
                args << e;
                continue;
            }
            const qsizetype k = m_saidas.value(lig->chamada).indexOf(lig->saida);
            if (lig->chamada < 0 || lig->chamada >= i || k < 0)
                throw ErroBanco(QStringLiteral("Entrada %1 de %2 ligada a uma saída que não vem antes")
                                    .arg(ent[j].nome, c.procedimento));
            args << QStringLiteral("S%1_%2").arg(lig->chamada).arg(k);
        }
        for (auto it = c.ligadas.cbegin(); it != c.ligadas.cend(); ++it)
            if (!nomesEnt.contains(it.key()))
                throw ErroBanco(QStringLiteral("%1 não tem a entrada %2").arg(c.procedimento, it.key()));
        m_primeiraSaida << saidasBloco.size();
        for (qsizetype j = 0; j < sai.size(); ++j) {
            nomesSai << sai[j].nome;
            const QString s = QStringLiteral("S%1_%2").arg(i).arg(j);
            saidasBloco << s + u' ' + sai[j].tipo();
            retorno << s;
        }
        QString chamada = QStringLiteral("EXECUTE PROCEDURE ") + c.procedimento;
        if (!args.isEmpty()) chamada += u'(' + args.join(QStringLiteral(", ")) + u')';
        if (!retorno.isEmpty()) chamada += QStringLiteral(" RETURNING_VALUES ") + retorno.join(QStringLiteral(", "));
        corpo << chamada + u';';
        m_entradas << nomesEnt;
        m_saidas << nomesSai;
    }
    QString sql = QStringLiteral("EXECUTE BLOCK");
    if (!entradasBloco.isEmpty()) sql += QStringLiteral(" (") + entradasBloco.join(QStringLiteral(", ")) + u')';
    if (!saidasBloco.isEmpty()) sql += QStringLiteral(" RETURNS (") + saidasBloco.join(QStringLiteral(", ")) + u')';
    // A block that returns values is a select to the server: one row, then the cursor ends.
    if (!saidasBloco.isEmpty()) corpo << QStringLiteral("SUSPEND;");
    sql += QStringLiteral(" AS BEGIN ") + corpo.join(u' ') + QStringLiteral(" END");
    m_cmd = std::make_unique<Comando>(m_banco, sql);
}

void LoteProcedimentos::definir(int chamada, const QString& entrada, const QVariant& valor) {
    preparar();
    const qsizetype j = m_entradas.value(chamada).indexOf(entrada.toUpper());
    if (j < 0 || m_chamadas[chamada].ligadas.contains(entrada.toUpper()))
        throw ErroBanco(QStringLiteral("%1 não tem a entrada %2")
                            .arg(chamada >= 0 && chamada < m_chamadas.size() ? m_chamadas[chamada].procedimento
                                                                             : QString::number(chamada),
                                 entrada));
    m_cmd->definir(QStringLiteral("E%1_%2").arg(chamada).arg(j), valor);
}

void LoteProcedimentos::executar() {
    preparar();
    m_linha.clear();
    if (std::all_of(m_saidas.cbegin(), m_saidas.cend(), [](const QStringList& s) { return s.isEmpty(); })) {
        m_cmd->executar();
        return;
    }
    m_cmd->abrir();
    const bool linha = m_cmd->proximo();
    if (linha) m_linha = m_cmd->linha();
    m_cmd->fechar();
    if (!linha) throw ErroBanco(QStringLiteral("Lote de procedimentos sem resultado"));
}

QVariant LoteProcedimentos::saida(int chamada, const QString& nome) const {
    const qsizetype j = m_saidas.value(chamada).indexOf(nome.toUpper());
    if (j < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe no resultado").arg(nome));
    if (m_linha.isEmpty()) throw ErroBanco(QStringLiteral("Lote de procedimentos não executado"));
    return m_linha.value(m_primeiraSaida[chamada] + j);
}

const QStringList& LoteProcedimentos::saidas(int chamada) const {
    static const QStringList nenhuma;
    return chamada >= 0 && chamada < m_saidas.size() ? m_saidas[chamada] : nenhuma;
}

// ---------------------------------------------------------------------------------------------
namespace {

void rodarServico(const OpcoesServico& op, const std::function<void(ThrowStatusWrapper*, IXpbBuilder*)>& acao,
                  const std::function<void(const QString&)>& linha) {
    fb([&](ThrowStatusWrapper* st) {
        IUtil* util = mestre()->getUtilInterface();
        IXpbBuilder* spb = util->getXpbBuilder(st, IXpbBuilder::SPB_ATTACH, nullptr, 0);
        IProvider* prov = mestre()->getDispatcher();
        IService* svc = nullptr;
        IXpbBuilder* inicio = nullptr;
        try {
            spb->insertString(st, isc_spb_user_name, op.usuario.toUtf8().constData());
            spb->insertString(st, isc_spb_password, op.senha.toUtf8().constData());
            const QByteArray nome = (op.servidor.isEmpty() ? QStringLiteral("service_mgr")
                                                           : op.servidor + QStringLiteral(":service_mgr"))
                                        .toUtf8();
            svc = prov->attachServiceManager(st, nome.constData(), spb->getBufferLength(st),
                                             spb->getBuffer(st));
            inicio = util->getXpbBuilder(st, IXpbBuilder::SPB_START, nullptr, 0);
            acao(st, inicio);
            svc->start(st, inicio->getBufferLength(st), inicio->getBuffer(st));
            const unsigned char item = isc_info_svc_line;
            // The wire carries the buffer's length in 16 bits: 65536 would arrive as 0.
            std::vector<char> buf(32000);
            QByteArray pendente;
            for (bool fim = false; !fim;) {
                svc->query(st, 0, nullptr, 1, &item, static_cast<unsigned>(buf.size()),
                           reinterpret_cast<unsigned char*>(buf.data()));
                const char* p = buf.data();
                const char* lim = buf.data() + buf.size();
                // Nothing at all to say: the service is over (the server says so on some paths).
                if (*p == isc_info_end) fim = true;
                while (p < lim && *p != isc_info_end) {
                    const unsigned char tag = static_cast<unsigned char>(*p++);
                    if (tag == isc_info_svc_line) {
                        const int len =
                            static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
                        p += 2;
                        if (len == 0) {
                            fim = true;
                            break;
                        }
                        if (linha) linha(QString::fromUtf8(p, len));
                        p += len;
                    } else if (tag == isc_info_truncated || tag == isc_info_data_not_ready) {
                        break;
                    } else {
                        fim = true; // anything unexpected ends the read rather than looping
                        break;
                    }
                }
            }
        } catch (...) {
            if (inicio) inicio->dispose();
            if (svc) {
                try {
                    svc->detach(st);
                } catch (...) {
                    svc->release();
                }
            }
            prov->release();
            spb->dispose();
            throw;
        }
        inicio->dispose();
        svc->detach(st);
        prov->release();
        spb->dispose();
    });
}

} // namespace

void CopiarBanco(const QString& banco, const QString& arquivoCopia, const OpcoesServico& opcoes,
                 const std::function<void(const QString&)>& linha) {
    rodarServico(
        opcoes,
        [&](ThrowStatusWrapper* st, IXpbBuilder* b) {
            b->insertTag(st, isc_action_svc_backup);
            b->insertString(st, isc_spb_dbname, banco.toUtf8().constData());
            b->insertString(st, isc_spb_bkp_file, arquivoCopia.toUtf8().constData());
            b->insertTag(st, isc_spb_verbose);
            int op = isc_spb_bkp_non_transportable;
            if (opcoes.ignorarLimbo) op |= isc_spb_bkp_ignore_limbo;
            b->insertInt(st, isc_spb_options, op);
        },
        linha);
}

void RestaurarBanco(const QString& arquivoCopia, const QString& banco, const OpcoesServico& opcoes,
                    const std::function<void(const QString&)>& linha) {
    rodarServico(
        opcoes,
        [&](ThrowStatusWrapper* st, IXpbBuilder* b) {
            b->insertTag(st, isc_action_svc_restore);
            b->insertString(st, isc_spb_bkp_file, arquivoCopia.toUtf8().constData());
            b->insertString(st, isc_spb_dbname, banco.toUtf8().constData());
            b->insertTag(st, isc_spb_verbose);
            b->insertInt(st, isc_spb_options, isc_spb_res_replace | isc_spb_res_use_all_space);
            if (opcoes.buffers > 0) b->insertInt(st, isc_spb_res_buffers, opcoes.buffers);
            if (opcoes.tamanhoPagina > 0) b->insertInt(st, isc_spb_res_page_size, opcoes.tamanhoPagina);
        },
        linha);
}

} // namespace portaris
