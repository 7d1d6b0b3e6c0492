#include "uStatusLeitoras.h"

#include "ServidorRemoto.h"
#include "access/DispositivosEstacao.h"
#include "access/MotorAcesso.h"
#include "access/ProcedimentosBanco.h"
#include "db/TdmPORTARIS.h"
#include "platform/Configuracoes.h"
#include "platform/LogEventos.h"
#include "platform/Relogio.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableView>

namespace portaris {

void ModeloStatus::definirLinhas(QList<LinhaStatus> linhas) {
    beginResetModel();
    m_linhas = std::move(linhas);
    endResetModel();
}

void ModeloStatus::atualizar(int chave, int erro, const QString& horaAtual) {
    const QString k = QString::number(chave);
    for (int i = 0; i < m_linhas.size(); ++i) {
        LinhaStatus& l = m_linhas[i];
        if (l.chave != k) continue;
        if (erro != 0) {
            if (l.erro.isEmpty()) l.erro = QStringLiteral("X");
        } else {
            l.respondeu = horaAtual;
            if (l.erro == QLatin1String("X")) l.erro.clear();
        }
        emit dataChanged(index(i, 0), index(i, 4));
        return;
    }
}

int ModeloStatus::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_linhas.size());
}
int ModeloStatus::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant ModeloStatus::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_linhas.size() || role != Qt::DisplayRole) return {};
    const LinhaStatus& l = m_linhas[index.row()];
    switch (index.column()) {
    case 0:
        return l.leitora;
    case 1:
        return l.respondeu;
    case 2:
        return l.chave;
    case 3:
        return l.erro;
    case 4:
        return l.remoto;
    }
    return {};
}

QVariant ModeloStatus::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("Leitora");
    if (section == 1) return QStringLiteral("Respondeu as");
    return QString();
}

QColor DelegadoStatus::fundo(const ModeloStatus& m, int linha) {
    if (m.linhas().value(linha).erro == QLatin1String("X")) return QColor(255, 0, 0);
    // Data rows count from 1 under the title row: the first is odd.
    return (linha + 1) % 2 ? QColor(255, 255, 136) : QColor(255, 255, 196);
}

void DelegadoStatus::paint(QPainter* p, const QStyleOptionViewItem& opcao, const QModelIndex& index) const {
    const auto* m = static_cast<const ModeloStatus*>(index.model());
    p->save();
    p->fillRect(opcao.rect, fundo(*m, index.row()));
    QFont f(QStringLiteral("Arial"), 9);
    p->setFont(f);
    p->setPen(Qt::black);
    p->drawText(opcao.rect.adjusted(2, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    p->restore();
}

TfmSTATUS::TfmSTATUS(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("fmSTATUS"));
    setWindowTitle(QStringLiteral("Leitoras"));
    m_modelo = new ModeloStatus(this);
    m_grade = new QTableView(this);
    m_grade->setModel(m_modelo);
    m_grade->setItemDelegate(new DelegadoStatus(m_grade));
    m_grade->verticalHeader()->hide();
    m_grade->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grade->setSelectionMode(QAbstractItemView::NoSelection);
    auto* h = m_grade->horizontalHeader();
    h->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: rgb(192,192,192); font: bold 9pt \"Arial\"; }"));
    m_grade->setColumnWidth(0, 346);
    m_grade->setColumnWidth(1, 101);
    for (int c = 2; c < 5; ++c)
        m_grade->setColumnHidden(c, true);
    m_grade->setGeometry(0, 0, 470, 221);
    m_rotuloLog = new QLabel(QStringLiteral("Operações do servidor"), this);
    m_rotuloLog->setGeometry(4, 224, 200, 16);
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(LinhasLog);
    m_log->setGeometry(0, 242, 470, 165);
    resize(470, 221);
}

TfmSTATUS::~TfmSTATUS() {
    m_servidor.reset();
}

void TfmSTATUS::Preencher(const DispositivosEstacao& dispositivos) {
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
    m_modelo->definirLinhas(linhas);
}

QStringList TfmSTATUS::lugaresRemotos() const {
    QStringList lugares;
    for (const LinhaStatus& l : m_modelo->linhas())
        if (!l.leitora.isEmpty() && l.remoto == QLatin1String("S")) lugares << l.leitora;
    return lugares;
}

void TfmSTATUS::IniciarServidor(MotorAcesso& motor, TdmPORTARIS& dm) {
    static_assert(ServidorRemoto::PortaOcupada == MotorAcesso::PortaOcupada);
    static_assert(ServidorRemoto::LugarInexistente == MotorAcesso::LugarInexistente);
    const bool ativo = cfg::remoto_ativo.ler();
    modoServidor(ativo);
    if (!ativo) return;
    ServicosRemotos s;
    s.abrir = [&motor](const QString& nome, const QString& origem, const QString& observacao,
                       const QString& lugar, const QString& destino) {
        return motor.AbrirSemCartao(nome, origem, observacao, lugar, destino, true);
    };
    s.checarLogin = [&dm](const QString& login, const QString& senha) {
        if (!dm.conectado() || dm.dbBANCO.perdida()) return false;
        try {
            // Reads only: it neither commits nor rolls back what the station has open.
            ProcedimentosBanco procs(dm, false);
            const QVariantMap r =
                procs.executar(QStringLiteral("CHECALOGIN"),
                               {{QStringLiteral("PLOGIN"), login}, {QStringLiteral("PSENHA"), senha}});
            return !r.value(QStringLiteral("OLOGIN")).toString().isEmpty();
        } catch (const std::exception&) {
            return false;
        }
    };
    s.lugaresRemotos = [this] { return lugaresRemotos(); };
    s.registrar = [this](const QString& linha) { registrar(linha); };
    m_servidor = std::make_unique<ServidorRemoto>(std::move(s));

    const ListaPermitidos permitidos(cfg::remoto_permitidos.ler());
    for (const QString& item : permitidos.invalidas())
        registrar(ServidorRemoto::linha(
            QStringLiteral(" - [remoto] permitidos: \"%1\" não é endereço nem faixa e não libera ninguém")
                .arg(item)));
    m_servidor->definirPermitidos(permitidos);
    m_servidor->definirLimiteConexoes(std::max(1, cfg::remoto_conexoes.ler()));
    const int porta = cfg::remoto_porta.ler();
    if (porta < 0 || porta > 65535 || !m_servidor->escutar(static_cast<quint16>(porta))) {
        const QString texto = QStringLiteral("O servidor remoto não pôde escutar na porta %1: %2")
                                  .arg(porta)
                                  .arg(m_servidor->erro());
        registrar(ServidorRemoto::linha(QStringLiteral(" - ") + texto));
        try {
            GravarLog({texto});
        } catch (const std::exception&) {
        }
    }
    show();
}

void TfmSTATUS::modoServidor(bool ligado) {
    setWindowTitle(ligado ? QStringLiteral("Leitoras (em modo servidor)") : QStringLiteral("Leitoras"));
    resize(width(), ligado ? 407 : 221);
}

void TfmSTATUS::registrar(const QString& linha) {
    m_log->appendPlainText(linha);
}

void TfmSTATUS::AtualizarStatus(int chave, int erro) {
    if (!isVisible()) return;
    m_modelo->atualizar(chave, erro, relogio().agora().toString(QStringLiteral("HH:mm:ss")));
}

} // namespace portaris
