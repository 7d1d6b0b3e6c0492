// lembretes [chave]: the messages program of the installation, started by the console with a
// holder key, or with none from its "Lembretes" button.
#include "JanelaLembretes.h"

#include "db/Firebird.h"
#include "platform/Mensagens.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace portaris;

namespace {

// Messages as plain message boxes; errors also go to stderr for whoever started us from a shell.
class OperadorCaixa : public Operador {
public:
    Resposta exibir(const MensagemCodificada& m) override {
        if (m.tipo == TipoMensagem::Erro) std::fprintf(stderr, "lembretes: %s\n", qPrintable(m.texto));
        QMessageBox caixa(m.tipo == TipoMensagem::Erro    ? QMessageBox::Critical
                          : m.tipo == TipoMensagem::Aviso ? QMessageBox::Warning
                                                          : QMessageBox::Information,
                          QStringLiteral("Lembretes"), m.texto);
        if (m.codigo == -1) {
            QAbstractButton* sim = caixa.addButton(QStringLiteral("Sim"), QMessageBox::YesRole);
            caixa.addButton(QStringLiteral("Não"), QMessageBox::NoRole);
            caixa.exec();
            return caixa.clickedButton() == sim ? Resposta::Sim : Resposta::Nao;
        }
        caixa.exec();
        return Resposta::OK;
    }
};

int g_sinal[2] = {-1, -1};

void aoSinal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_sinal[1], &c, 1);
}

// The Firebird engine takes SIGTERM and SIGINT for its own shutdown and leaves the process running;
// a program stopped by its id must still end, closing its window and detaching as usual. Called
// again once the engine is loaded, which may have taken the signals meanwhile.
void terminarComSinais(QObject* dono) {
    if (g_sinal[0] < 0) {
        if (::pipe2(g_sinal, O_CLOEXEC | O_NONBLOCK) != 0) return;
        auto* n = new QSocketNotifier(g_sinal[0], QSocketNotifier::Read, dono);
        QObject::connect(n, &QSocketNotifier::activated, dono, [] {
            char c;
            while (::read(g_sinal[0], &c, 1) > 0) {
            }
            QCoreApplication::exit(3);
        });
    }
    struct sigaction sa {};
    sa.sa_handler = aoSinal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lembretes"));
    OperadorCaixa operador;
    definirOperador(&operador);

    terminarComSinais(&app);
    int codigo = 0;
    const ArgumentosLembretes args = LerArgumentos(QApplication::arguments().mid(1));
    if (!args.erro.isEmpty()) {
        MostrarMensagem(args.erro);
        codigo = 2;
    } else {
        Banco banco;
        std::unique_ptr<JanelaLembretes> janela;
        QString erro;
        try {
            ConectarBanco(banco);
            janela = JanelaLembretes::criar(banco, args.chave, erro);
        } catch (const ErroBanco& e) {
            erro = e.texto();
        }
        terminarComSinais(&app);
        if (!janela) {
            MostrarMensagem(erro);
            codigo = 1;
        } else if (janela->escutar()) {
            janela->show();
            codigo = QApplication::exec();
        }
        janela.reset();
        banco.desconectar();
    }
    definirOperador(nullptr);
    return codigo;
}
