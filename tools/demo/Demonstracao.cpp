#include "Demonstracao.h"

#include "db/Esquema.h"
#include "db/Firebird.h"
#include "platform/ArquivoIni.h"
#include "platform/Configuracoes.h"
#include "platform/Estacao.h"
#include "platform/PastaPrograma.h"
#include "platform/Relogio.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTextStream>

namespace portaris {

namespace {

const char* const kDias[] = {"SEG", "TER", "QUA", "QUI", "SEX", "SAB", "DOM"};

struct Janela {
    QTime entrada, saida;
};
using Semana = QList<Janela>; // Monday to Sunday

Semana semanaToda() {
    return Semana(7, Janela{QTime(0, 0, 0), QTime(23, 59, 59)});
}

Semana horarioComercial() {
    Semana s(5, Janela{QTime(7, 0, 0), QTime(18, 0, 0)});
    s << Janela{QTime(7, 0, 0), QTime(12, 0, 0)};
    s << Janela{QTime(0, 0, 0), QTime(0, 0, 0)}; // a day whose start equals its end admits nobody
    return s;
}

void definirSemana(QVariantHash& campos, const Semana& s) {
    for (int i = 0; i < 7; ++i) {
        campos.insert(QString::fromLatin1(kDias[i]) + u'E', s[i].entrada);
        campos.insert(QString::fromLatin1(kDias[i]) + u'S', s[i].saida);
    }
}

void inserir(Banco& banco, const QString& tabela, const QVariantHash& campos) {
    QStringList nomes = campos.keys();
    nomes.sort();
    QStringList marcas;
    for (const QString& n : nomes)
        marcas << u':' + n;
    Comando c(
        banco,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(tabela, nomes.join(u','), marcas.join(u',')));
    for (const QString& n : nomes)
        c.definir(n, campos.value(n));
    c.executar();
}

// A plain portrait: a head and shoulders on a coloured ground, one colour per holder.
QByteArray retrato(const QColor& fundo, const QColor& roupa) {
    QImage img(160, 120, QImage::Format_RGB32);
    img.fill(fundo);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(roupa);
        p.drawEllipse(QRectF(35, 78, 90, 80));
        p.setBrush(QColor(224, 172, 105));
        p.drawEllipse(QRectF(55, 18, 50, 60));
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return bytes;
}

struct Titular {
    const char* nome;
    const char* cartao;
    const char* tipo;
    const char* grupo;
    bool desabilitado;
    QColor fundo, roupa;
};

void habilitar(Banco& banco, int usuario, const QList<int>& dispositivos) {
    Procedimento p(banco, QStringLiteral("HABILITADO_INSERIR"));
    for (int d : dispositivos) {
        p.definir(QStringLiteral("PUCHAVE"), usuario);
        p.definir(QStringLiteral("PLCHAVE"), d);
        p.definir(QStringLiteral("PMEMORIZAR"), 0);
        p.executar();
    }
}

void povoar(Banco& banco, const QString& estacao) {
    const QDate hoje = relogio().hoje();

    // This station's devices: a door reader, a vehicle gate and a four-door controller read on line.
    const int leitora = int(banco.gerador(QStringLiteral("GEN_CHAVE_LEITORA")));
    inserir(banco, QStringLiteral("LEITORA"),
            {{QStringLiteral("CHAVE"), leitora},
             {QStringLiteral("CABECA"), 200},
             {QStringLiteral("DESCRICAO"), QStringLiteral("Portaria")},
             {QStringLiteral("SERIAL"), QStringLiteral("COM1")},
             {QStringLiteral("SERIALNUM"), estacao},
             {QStringLiteral("RELE"), 500},
             {QStringLiteral("DESABILITAR"), QStringLiteral("0")},
             {QStringLiteral("CONFIRMARACESSO"), QStringLiteral("0")},
             {QStringLiteral("USARWEBCAM"), QStringLiteral("0")},
             {QStringLiteral("IGNORARDESC"), QStringLiteral("0")},
             {QStringLiteral("NAOBATERELE"), QStringLiteral("0")},
             {QStringLiteral("PERMITIRREINGRESSO"), QStringLiteral("1")},
             {QStringLiteral("PERMITIRREMOTO"), QStringLiteral("1")},
             {QStringLiteral("VISUALIZAR"), QStringLiteral("1")},
             {QStringLiteral("POSICAO"), QStringLiteral("N")},
             {QStringLiteral("ID_LEITORAMAE"), 0},
             {QStringLiteral("TEMPVISUAL"), 3}});
    const int portao = int(banco.gerador(QStringLiteral("GEN_CHAVE_LEITORA")));
    inserir(banco, QStringLiteral("LEITORA64"),
            {{QStringLiteral("CHAVE"), portao},
             {QStringLiteral("CABECA"), 171},
             {QStringLiteral("DESCRICAO"), QStringLiteral("Portão")},
             {QStringLiteral("DESCRICAO01"), QStringLiteral("Garagem")},
             {QStringLiteral("SERIAL"), QStringLiteral("COM2")},
             {QStringLiteral("SERIALNUM"), estacao},
             {QStringLiteral("RELE"), 1000},
             {QStringLiteral("DESABILITAR"), QStringLiteral("0")},
             {QStringLiteral("CONFIRMARACESSO"), QStringLiteral("0")},
             {QStringLiteral("USARWEBCAM01"), QStringLiteral("0")},
             {QStringLiteral("IGNORARDESC"), QStringLiteral("0")},
             {QStringLiteral("NAOBATERELE"), QStringLiteral("0")},
             {QStringLiteral("PERMITIRREINGRESSO"), QStringLiteral("1")},
             {QStringLiteral("PERMITIRREMOTO"), QStringLiteral("1")},
             {QStringLiteral("VISUALIZAR"), QStringLiteral("0")},
             {QStringLiteral("TFECHAMENTO"), 2},
             {QStringLiteral("FECHARPOS"), 10},
             {QStringLiteral("PARAABREAUTO"), QStringLiteral("0")},
             {QStringLiteral("DESLIGARPOR"), 5},
             {QStringLiteral("POSICAO_L1"), QStringLiteral("N")},
             {QStringLiteral("ACIONAMENTO"), 0},
             {QStringLiteral("ID_LEITORAMAE"), 0},
             {QStringLiteral("TEMPVISUAL"), 3}});
    const int controladora = int(banco.gerador(QStringLiteral("GEN_CHAVE_LEITORA")));
    QVariantHash cnl{{QStringLiteral("CHAVE"), controladora},
                     {QStringLiteral("CABECA"), 130},
                     {QStringLiteral("DESCRICAO"), QStringLiteral("Bloco A")},
                     {QStringLiteral("SERIAL"), QStringLiteral("COM3")},
                     {QStringLiteral("SERIALNUM"), estacao},
                     {QStringLiteral("DESABILITAR"), QStringLiteral("0")},
                     {QStringLiteral("CONFIRMARACESSO"), QStringLiteral("0")},
                     {QStringLiteral("VISUALIZAR"), QStringLiteral("0")},
                     {QStringLiteral("TEMPVISUAL"), 3},
                     {QStringLiteral("PORTA01"), QStringLiteral("Social")},
                     {QStringLiteral("PORTA02"), QStringLiteral("Servico")},
                     {QStringLiteral("PORTA03"), QStringLiteral("Garagem")},
                     {QStringLiteral("PORTA04"), QStringLiteral("Terraco")},
                     {QStringLiteral("FREQDOWN"), 0},
                     {QStringLiteral("ONLINE"), QStringLiteral("1")}};
    for (int i = 1; i <= 4; ++i) {
        cnl.insert(QStringLiteral("RELEP%1").arg(i), 1);
        cnl.insert(QStringLiteral("TIMEOUT%1").arg(i), 10);
    }
    inserir(banco, QStringLiteral("CONTROLADORA"), cnl);
    // The database draws the door keys.
    Comando portas(
        banco,
        QStringLiteral("SELECT CHAVEP01, CHAVEP02, CHAVEP03, CHAVEP04 FROM CONTROLADORA WHERE CHAVE = :P00"));
    portas.definir(QStringLiteral("P00"), controladora);
    portas.abrir();
    if (!portas.proximo()) throw ErroBanco(QStringLiteral("Controladora de demonstração não gravada"));
    QList<int> doors;
    for (int i = 0; i < 4; ++i)
        doors << portas.campo(i).toInt();
    portas.fechar();
    const int social = doors[0], servico = doors[1], garagem = doors[2];

    // Groups: residents all week; service providers in business hours, never on holidays.
    for (const auto& [nome, semana, feriado] :
         {std::tuple{"Moradores", semanaToda(), "0"}, std::tuple{"Prestadores", horarioComercial(), "1"}}) {
        QVariantHash g{{QStringLiteral("CHAVE"), banco.gerador(QStringLiteral("GEN_CHAVE_GRUPO"))},
                       {QStringLiteral("DESCRICAO"), QString::fromUtf8(nome)},
                       {QStringLiteral("NAOACESSOFERIADOS"), QString::fromLatin1(feriado)}};
        definirSemana(g, semana);
        inserir(banco, QStringLiteral("GRUPOS"), g);
    }

    const Titular titulares[] = {
        {"Ana Souza", "00001A2B3C", "Morador", "Moradores", false, QColor(120, 170, 220),
         QColor(40, 80, 160)},
        {"Bruno Lima", "00001A2B3D", "Morador", "Moradores", false, QColor(170, 210, 150),
         QColor(60, 120, 60)},
        {"Carla Mendes", "00002B3C4D", "Prestador", "Prestadores", false, QColor(230, 190, 140),
         QColor(160, 80, 40)},
        {"Diego Alves", "00003C4D5E", "Visitante", "", true, QColor(200, 200, 200), QColor(90, 90, 90)},
        {"ABC1D23", "0000ABCDE1", "Veículo", "Moradores", false, QColor(210, 210, 240), QColor(50, 50, 70)},
    };
    QList<int> chaves;
    for (const Titular& t : titulares) {
        const int chave = int(banco.gerador(QStringLiteral("GEN_CHAVE_USUARIO")));
        chaves << chave;
        QVariantHash u{
            {QStringLiteral("CHAVE"), chave},
            {QStringLiteral("CARTAO"), QString::fromLatin1(t.cartao)},
            {QStringLiteral("NOME"), QString::fromUtf8(t.nome)},
            {QStringLiteral("TIPO"), QString::fromUtf8(t.tipo)},
            {QStringLiteral("GRUPO"), QString::fromUtf8(t.grupo)},
            {QStringLiteral("NAOACESSOFERIADOS"), QStringLiteral("0")},
            {QStringLiteral("NAOLISTARELAT"), QStringLiteral("0")},
            {QStringLiteral("DESABILITAR"), t.desabilitado ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("FOTO"), retrato(t.fundo, t.roupa)},
            {QStringLiteral("EXPIRA"), QStringLiteral("0")},
            {QStringLiteral("EXPIRAEM"), hoje.addDays(365)},
            {QStringLiteral("POSICAO"), QStringLiteral("N")},
            {QStringLiteral("AVSREC"), QStringLiteral("0")},
            {QStringLiteral("DATAINC"), hoje}};
        definirSemana(u, semanaToda());
        inserir(banco, QStringLiteral("USUARIO"), u);
    }
    const int ana = chaves[0], bruno = chaves[1], carla = chaves[2], diego = chaves[3], carro = chaves[4];

    // A message waiting for the provider: her card starts the messages program.
    Comando recado(
        banco, QStringLiteral("UPDATE USUARIO SET RECADO = :PRECADO, AVSREC = '1' WHERE CHAVE = :PCHAVE"));
    recado.definir(QStringLiteral("PRECADO"), QStringLiteral("Retirar a encomenda deixada na portaria."));
    recado.definir(QStringLiteral("PCHAVE"), carla);
    recado.executar();

    const QList<int> todos{leitora, social, servico, garagem, doors[3]};
    habilitar(banco, ana, todos);
    habilitar(banco, bruno, todos);
    habilitar(banco, carla, {leitora, social, servico});
    habilitar(banco, diego, {leitora, social}); // enabled, but the card itself is disabled
    habilitar(banco, carro, {portao, garagem});

    QVariantHash familia{{QStringLiteral("CHAVE"), banco.gerador(QStringLiteral("GEN_CHAVE_FAMILIA"))},
                         {QStringLiteral("DESCRICAO"), QStringLiteral("Família Souza Lima")},
                         {QStringLiteral("UCHAVE1"), ana},
                         {QStringLiteral("UCHAVE2"), bruno}};
    inserir(banco, QStringLiteral("FAMILIA"), familia);

    // The patrol card is due every day and must be read at the door reader (head 200), any hour.
    const int ronda = int(banco.gerador(QStringLiteral("GEN_CHAVE_RONDA")));
    QVariantHash r{{QStringLiteral("CHAVE"), ronda},
                   {QStringLiteral("CARTAO"), QStringLiteral("00009F0001")},
                   {QStringLiteral("APELIDO"), QStringLiteral("Ronda noturna")},
                   {QStringLiteral("DESABILITAR"), QStringLiteral("0")}};
    for (const char* d : {"SEGUNDA", "TERCA", "QUARTA", "QUINTA", "SEXTA", "SABADO", "DOMINGO"})
        r.insert(QString::fromLatin1(d), QStringLiteral("1"));
    inserir(banco, QStringLiteral("RONDA"), r);
    for (const auto& [inicio, fim] :
         {std::pair{QTime(0, 0, 0), QTime(11, 59, 59)}, std::pair{QTime(12, 0, 0), QTime(23, 59, 59)}})
        inserir(banco, QStringLiteral("RONDAD"),
                {{QStringLiteral("CHAVE"), ronda},
                 {QStringLiteral("INICIO"), inicio},
                 {QStringLiteral("FIM"), fim},
                 {QStringLiteral("CABECA"), 200}});
}

void escreverConfiguracao(const QString& arquivoBanco) {
    const ArquivoIni ini = ArquivoIni::config();
    cfg::firebird_server.gravar(QStringLiteral("local"), ini);
    cfg::firebird_databasefile.gravar(arquivoBanco, ini);
    cfg::outros_nomecomputador.gravar(QStringLiteral("Demonstração"), ini);
    // Each device answers at its own head address, as in an installation with several per line.
    cfg::outros_semcabeca.gravar(false, ini);
    cfg::som_usarsom.gravar(false, ini);
}

} // namespace

QList<CartaoDemo> CartoesDemonstracao() {
    return {
        {QStringLiteral("cartao COM1 200 00001A2B3C"),
         QStringLiteral("Ana Souza na Portaria: autorizada, foto")},
        {QStringLiteral("cartao COM1 200 00002B3C4D"),
         QStringLiteral("Carla Mendes na Portaria: autorizada em horário comercial; tem lembrete")},
        {QStringLiteral("cartao COM1 200 00003C4D5E"),
         QStringLiteral("Diego Alves na Portaria: cartão desabilitado")},
        {QStringLiteral("cartao COM1 200 0000FFFFFF"), QStringLiteral("cartão desconhecido na Portaria")},
        {QStringLiteral("cartao COM1 200 00009F0001"), QStringLiteral("cartão de ronda na Portaria")},
        {QStringLiteral("tag COM2 171 0000ABCDE1"), QStringLiteral("veículo ABC1D23 no portão da Garagem")},
        {QStringLiteral("vivo COM3 130 1 1A2B3C 1"), QStringLiteral("Ana Souza na porta Social do Bloco A")},
        {QStringLiteral("vivo COM3 130 2 2B3C4D 4"),
         QStringLiteral("Carla Mendes no Terraco: não habilitada")},
    };
}

int CriarDemonstracao(QTextStream& out, QTextStream& err) {
    const QString pasta = PastaPrograma::raiz();
    const QString ini = PastaPrograma::caminho(QStringLiteral("ptconfig.ini"));
    const QString arquivoBanco = PastaPrograma::caminho(QStringLiteral("portaris.fdb"));
    if (QFileInfo::exists(ini) || QFileInfo::exists(arquivoBanco)) {
        out << "A pasta " << pasta << " já tem uma instalação; nada foi alterado." << Qt::endl;
        return 0;
    }
    QString estacao;
    try {
        estacao = IdentificadorEstacao();
    } catch (const ErroEstacao& e) {
        err << e.texto() << Qt::endl;
        return 1;
    }
    if (estacao.isEmpty()) {
        err << "Não foi possível obter o identificador desta estação; defina PORTARIS_ESTACAO." << Qt::endl;
        return 1;
    }
    try {
        CriarBanco(arquivoBanco, cfg::firebird_username.ler(), cfg::firebird_password.ler());
    } catch (const ErroBanco& e) {
        err << "Não foi possível criar o banco de dados " << arquivoBanco << ":\n" << e.texto() << Qt::endl;
        return 1;
    }
    // All or nothing: a half-filled demonstration would be taken for a finished one next time.
    try {
        Banco banco;
        banco.conectar(arquivoBanco, cfg::firebird_username.ler(), cfg::firebird_password.ler());
        try {
            povoar(banco, estacao);
            banco.commit();
        } catch (...) {
            banco.desconectar();
            throw;
        }
        banco.desconectar();
        escreverConfiguracao(arquivoBanco);
    } catch (const std::exception& e) {
        QFile::remove(arquivoBanco);
        QFile::remove(ini);
        err << "Não foi possível preparar a demonstração:\n" << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    PastaPrograma::garantir();

    out << "Instalação de demonstração criada em " << pasta << Qt::endl;
    out << "Estação " << estacao
        << ": leitora \"Portaria\" (COM1, cabeça 200), portão \"Garagem\" (COM2, cabeça 171), "
        << "controladora \"Bloco A\" (COM3, cabeça 130, portas Social, Servico, Garagem, Terraco)."
        << Qt::endl;
    out << "Entre com o usuário admin, senha admin. No console do simulador:" << Qt::endl;
    for (const CartaoDemo& c : CartoesDemonstracao())
        out << "  " << qSetFieldWidth(30) << Qt::left << c.comando << qSetFieldWidth(0) << c.efeito
            << Qt::endl;
    return 0;
}

QList<std::pair<int, QString>> LerPortas(const QStringList& atribuicoes, QString& erro) {
    static const QRegularExpression forma(QStringLiteral("^COM([1-9])=(/.+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    QList<std::pair<int, QString>> portas;
    for (const QString& a : atribuicoes) {
        const QRegularExpressionMatch m = forma.match(a.trimmed());
        if (!m.hasMatch()) {
            erro = QStringLiteral("Porta inválida: \"%1\" (esperado COMn=/caminho, n de 1 a 9); nada foi gravado.").arg(a);
            return {};
        }
        portas.append({m.captured(1).toInt(), m.captured(2)});
    }
    if (portas.isEmpty()) erro = QStringLiteral("Nenhuma porta informada.");
    return portas;
}

int GravarPortas(const QStringList& atribuicoes, QTextStream& out, QTextStream& err) {
    QString erro;
    const QList<std::pair<int, QString>> portas = LerPortas(atribuicoes, erro);
    if (portas.isEmpty()) {
        err << erro << Qt::endl;
        return 2;
    }
    if (!QFileInfo::exists(PastaPrograma::caminho(QStringLiteral("ptconfig.ini")))) {
        err << "A pasta " << PastaPrograma::raiz() << " não tem ptconfig.ini; crie a demonstração antes."
            << Qt::endl;
        return 1;
    }
    try {
        const ArquivoIni ini = ArquivoIni::config();
        for (const auto& [n, caminho] : portas) {
            ini.GravarTexto(QStringLiteral("portas"), QStringLiteral("com%1").arg(n), caminho);
            out << "COM" << n << " -> " << caminho << Qt::endl;
        }
    } catch (const std::exception& e) {
        err << "Não foi possível gravar as portas: " << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace portaris
