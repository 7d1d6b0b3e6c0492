#include "uLeitora71.h"

#include "Quadro.h"
#include "platform/Configuracoes.h"
#include "platform/Relogio.h"

#include <QElapsedTimer>
#include <cstring>

namespace portaris {

TLeitora71::TLeitora71(quint8 cabeca, PortaSerial porta)
    : Cabeca(cabeca), Porta(std::move(porta)), PortaAberta(PortaValida(Porta)) {}

std::unique_ptr<TLeitora71> TLeitora71::Criar(const RegistroLeitora& r, const TabelaPortas& portas) {
    const bool semCabeca = cfg::outros_semcabeca.ler();
    relogio().dormir(500);
    auto l = std::make_unique<TLeitora71>();
    l->Cabeca = semCabeca ? 255 : static_cast<quint8>(r.CABECA);
    l->PortaCom = static_cast<qint16>(NumeroPortaSerial(r.SERIAL));
    l->Chave = r.CHAVE;
    l->ConfirmarAcesso = flag(r.CONFIRMARACESSO);
    l->Descricao = r.DESCRICAO.left(25);
    l->UsarWebcam = flag(r.USARWEBCAM);
    l->IgnorarDesc = flag(r.IGNORARDESC);
    l->NaoBateRele = flag(r.NAOBATERELE);
    l->Porta = portas.handle(l->PortaCom);
    l->PortaAberta = PortaValida(l->Porta);
    if (l->PortaAberta) {
        quint8 erro = 0;
        l->Respondeu = l->Sinalizar(erro);
    }
    l->PermitirReingresso = flag(r.PERMITIRREINGRESSO);
    l->Posicao = r.POSICAO.left(1);
    l->PermitirRemoto = flag(r.PERMITIRREMOTO);
    l->IdLeitoraMae = r.ID_LEITORAMAE;
    l->Visualizar = flag(r.VISUALIZAR);
    l->TempVisual = static_cast<quint8>(r.TEMPVISUAL);
    return l;
}

bool TLeitora71::EnviarComando(quint8& erro) {
    LimparPorta(Porta);
    std::memset(Resposta, 0, sizeof Resposta);
    int n = 0;
    if (!EscreverBytes(Porta, &Cabeca, 1, n) || n != 1) {
        erro = ErroEscritaEndereco;
        return false;
    }
    // Stray bytes are consumed until the complement arrives or the time runs out. The limit is an I/O
    // limit, so the wall clock bounds it even when a test clock stands still.
    const quint8 complemento = static_cast<quint8>(~Cabeca);
    QElapsedTimer real;
    real.start();
    const quint32 inicio = relogio().tick();
    do {
        quint8 b = 0;
        if (!LerBytes(Porta, &b, 1, n) || n != 1)
            erro = ErroSemComplemento;
        else
            erro = b == complemento ? 0 : ErroComplemento;
    } while (erro != 0 && real.elapsed() <= LimiteHandshake && relogio().tick() - inicio <= LimiteHandshake);
    if (erro != 0) return false;
    const quint8 cmd[4] = {ComandoLetra, ComandoParametros[0], ComandoParametros[1], ComandoParametros[2]};
    if (!EscreverBytes(Porta, cmd, 4, n) || n != 4) {
        erro = ErroEscritaComando;
        return false;
    }
    return true;
}

bool TLeitora71::ReceberResposta(int n, quint8& erro) {
    if (erro != 0) return false;
    int lidos = 0;
    if (n < 0 || n > static_cast<int>(sizeof Resposta) || !LerBytes(Porta, Resposta, n, lidos) ||
        lidos != n) {
        erro = ErroResposta;
        return false;
    }
    return true;
}

bool TLeitora71::comando(quint8 letra, quint8 p1, quint8 p2, quint8 p3, quint8& erro) {
    ComandoLetra = letra;
    ComandoParametros[0] = p1;
    ComandoParametros[1] = p2;
    ComandoParametros[2] = p3;
    erro = 0;
    return EnviarComando(erro);
}

bool TLeitora71::LerCartao(quint8& erro) {
    TravaLinha trava(Porta);
    if (!comando('A', 0, 0, 0, erro) || !ReceberResposta(14, erro)) return false;
    Cartao = QString::fromLatin1(reinterpret_cast<const char*>(Resposta + 1), 10);
    return true;
}

bool TLeitora71::AcionarRele(quint8& erro) {
    if (NaoBateRele) {
        erro = 0;
        return true;
    }
    TravaLinha trava(Porta);
    return comando('E', 0, 0, 0, erro);
}

bool TLeitora71::Sinalizar(quint8& erro) {
    TravaLinha trava(Porta);
    return comando('F', 0, 0, 0, erro);
}

bool TLeitora71::gravarRegistro(quint8 valor, quint8 registro, quint8 erroEco, quint8& erro) {
    TravaLinha trava(Porta);
    if (!comando('C', valor / 16, valor % 16, registro, erro) || !ReceberResposta(2, erro)) return false;
    if (static_cast<quint8>((Resposta[0] << 4) | Resposta[1]) != valor) {
        erro = erroEco;
        return false;
    }
    return true;
}

bool TLeitora71::GravarTempoRele(quint8 codigo, quint8& erro) {
    return gravarRegistro(codigo, 2, ErroValor, erro);
}

bool TLeitora71::GravarCabeca(quint8 nova, quint8& erro) {
    Cabeca = 255;
    if (!gravarRegistro(nova, 0, ErroCabeca, erro)) return false;
    Cabeca = nova;
    return true;
}

std::pair<quint8, quint8> TLeitora71::ValoresMemoria(const QString& linha) {
    const QString texto = linha.trimmed().section(QLatin1Char(' '), 0, 0).trimmed();
    const QByteArray c = texto.toLatin1();
    auto car = [&](int i) -> quint8 { return i < c.size() ? static_cast<quint8>(c[i]) : 0; };
    int b[5];
    for (int k = 0; k < 5; ++k)
        b[k] = quadro::parHex(car(2 * k), car(2 * k + 1));
    int s = b[0] + b[2];
    if (s > 255) s = (s % 256) + 1;
    return {static_cast<quint8>((s + b[4]) % 256), static_cast<quint8>((b[1] + b[3]) % 256)};
}

bool TLeitora71::EnviarCartoesMemoria(quint8& erro) {
    if (!ListaMemoria) return false;
    // Cards past the last register are not sent at all; the count names only the cards stored, and the
    // operation fails so the operator learns that some were left out.
    const int guardados = std::min<int>(static_cast<int>(ListaMemoria->size()), MaxCartoesMemoria);
    int r = 6;
    for (int k = 0; k < guardados; ++k) {
        const auto [x, y] = ValoresMemoria(ListaMemoria->at(k));
        quint8 e = 0;
        const bool primeiro = gravarRegistro(x, static_cast<quint8>(r), ErroValor, e);
        relogio().dormir(500);
        ++r;
        if (primeiro) gravarRegistro(y, static_cast<quint8>(r), ErroValor, e);
        relogio().dormir(500);
        ++r;
    }
    if (!gravarRegistro(static_cast<quint8>(guardados), 1, ErroValor, erro)) return false;
    if (guardados < ListaMemoria->size()) {
        erro = ErroMemoriaCheia;
        return false;
    }
    return true;
}

quint8 TLeitora71::CodigoTempoRele(const QString& escolha) {
    if (escolha == QLatin1String("250 ms")) return 35;
    if (escolha == QLatin1String("500 ms")) return 65;
    if (escolha == QLatin1String("750 ms")) return 105;
    if (escolha == QLatin1String("2 seg")) return 255;
    return 125;
}

void VincularLeitorasMae(const QList<TLeitora71*>& leitoras) {
    for (TLeitora71* l : leitoras) {
        if (!l->NaoBateRele || l->IdLeitoraMae == 0) continue;
        l->LeitoraMae = nullptr;
        for (TLeitora71* m : leitoras)
            if (m->Chave == l->IdLeitoraMae) {
                l->LeitoraMae = m;
                break;
            }
    }
}

} // namespace portaris
