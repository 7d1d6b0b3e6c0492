#pragma once
#include <QString>
#include <exception>

namespace portaris {

enum class TipoMensagem { Erro = 0, Aviso = 1, Sucesso = 2 };
enum class Resposta { Sim, Nao, OK, Fechada };

// One message as the dialog shows it: code -1 asks Sim/Não, 0 shows OK, anything else no button.
struct MensagemCodificada {
    qint16 codigo = 0;
    TipoMensagem tipo = TipoMensagem::Erro;
    QString texto;
    int fecharApos = 0; // seconds after which the dialog closes by itself (Fechada); 0 = waits
};

// "…@!" + code(3) + kind(3) + text. An unknown kind keeps `tipoAnterior`. A text without "@!" or
// with a code that is no number (a plain database error) is shown whole, as an error with OK.
MensagemCodificada AnalisarMensagem(const QString& texto, TipoMensagem tipoAnterior);

// Whoever answers messages: the dialog in the program, a script in tests. Each call is one
// request with its own message and answer, even when another is still open.
class Operador {
public:
    virtual ~Operador() = default;
    virtual Resposta exibir(const MensagemCodificada& mensagem) = 0;
};

// Installs the program's operator (not owned); null restores the default, which answers Fechada.
void definirOperador(Operador* operador);
Operador* operadorAtual();

// Parses and shows a coded message; the kind carries over to the next message.
Resposta MostrarMensagem(const QString& texto);
// The same, closed by itself after `segundos` when nobody answers.
Resposta MostrarMensagem(const QString& texto, int segundos);
// A fixed question: code -1, kind AVI, the text as given. Callers go on only on Sim.
Resposta Perguntar(const QString& texto);

// The silent stop: a rule already told the operator; callers catch it and show nothing more.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Abort"; }
};

// Shows `mensagem` and throws Abort.
[[noreturn]] void Recusar(const QString& mensagem);

} // namespace portaris
