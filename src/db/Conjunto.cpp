#include "db/Conjunto.h"

#include "platform/Mensagens.h"
#include "platform/Relogio.h"

#include <QRegularExpression>
#include <cstring>
#include <optional>

namespace portaris {

QString MascaraQt(const QString& mascaraDelphi) {
    QString m = mascaraDelphi;
    QString branco = QStringLiteral(" ");
    const QStringList partes = m.split(u';');
    m = partes.value(0);
    if (partes.size() >= 3) branco = partes[2].isEmpty() ? QStringLiteral(" ") : partes[2];
    if (m.startsWith(u'!')) m.remove(0, 1);
    QString q;
    for (const QChar c : m) {
        if (c == u'0')
            q += u'9';
        else if (c == u'9')
            q += u'0';
        else if (c == u'a')
            q += u'n';
        else if (c == u'A')
            q += u'N';
        else if (c == u'L')
            q += u'A';
        else if (c == u'l')
            q += u'a';
        else
            q += c;
    }
    // Letter positions hold card numbers, which readers report in upper case.
    if (q.contains(QRegularExpression(QStringLiteral("[AaNnXx]")))) q.prepend(u'>');
    return q + u';' + branco;
}

namespace {

enum Marca : char {
    mNulo = 0,
    mInt = 1,
    mLong = 2,
    mDouble = 3,
    mData = 4,
    mHora = 5,
    mTexto = 6,
    mMomento = 7,
    mBool = 8,
    mBytes = 9
};

template <class T> void por(QByteArray& b, T v) {
    b.append(reinterpret_cast<const char*>(&v), sizeof(T));
}
template <class T> T tirar(const char*& p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    p += sizeof(T);
    return v;
}

int tipoDoCatalogo(int tipo, int subtipo, bool& blob, bool& blobTexto) {
    blob = false;
    blobTexto = false;
    switch (tipo) {
    case 7:
    case 8:
        return QMetaType::Int;
    case 16:
        return QMetaType::LongLong;
    case 10:
    case 27:
        return QMetaType::Double;
    case 12:
        return QMetaType::QDate;
    case 13:
        return QMetaType::QTime;
    case 35:
        return QMetaType::QDateTime;
    case 23:
        return QMetaType::Bool;
    case 261:
        blob = true;
        blobTexto = subtipo == 1;
        return blobTexto ? QMetaType::QString : QMetaType::QByteArray;
    default:
        return QMetaType::QString;
    }
}

// "8:05:00", "08:05:00", " 8:05:00", "08:05" → a valid time, or invalid.
QTime lerHora(const QString& texto) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,2})\\s*:\\s*(\\d{1,2})(?:\\s*:\\s*(\\d{1,2}))?\\s*$"));
    const auto m = re.match(texto);
    if (!m.hasMatch()) return {};
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(),
                  m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    return t;
}

QDate lerData(const QString& texto) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,2})\\s*/\\s*(\\d{1,2})\\s*/\\s*(\\d{4})\\s*$"));
    const auto m = re.match(texto);
    if (!m.hasMatch()) return {};
    return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
}

QVariant converter(const QVariant& v, int tipo) {
    if (v.isNull() || !v.isValid()) return QVariant();
    if (v.typeId() == tipo) return v;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        if (tipo == QMetaType::QTime) {
            const QTime t = lerHora(s);
            return t.isValid() ? QVariant(t) : QVariant(s);
        }
        if (tipo == QMetaType::QDate) {
            const QDate d = lerData(s);
            return d.isValid() ? QVariant(d) : QVariant(s);
        }
        if (tipo == QMetaType::Int) {
            bool ok = false;
            const int i = s.trimmed().toInt(&ok);
            return ok ? QVariant(i) : QVariant(s);
        }
    }
    if (tipo == QMetaType::QString) return v.toString();
    QVariant c = v;
    if (c.convert(QMetaType(tipo))) return c;
    return v;
}

} // namespace

// ---------------------------------------------------------------------------------------------
Conjunto::Conjunto(Banco& banco, QString nome, QString tabela, QString filtro, QString ordem, QString gerador,
                   QStringList chaves)
    : m_banco(banco), m_nome(std::move(nome)), m_tabela(std::move(tabela)), m_filtro(std::move(filtro)),
      m_ordem(std::move(ordem)), m_gerador(std::move(gerador)), m_chaves(std::move(chaves)) {}

std::unique_ptr<Conjunto> Conjunto::consulta(Banco& banco, QString nome, QString sql) {
    auto c = std::make_unique<Conjunto>(banco, std::move(nome), QString());
    c->m_sqlConsulta = std::move(sql);
    return c;
}

Conjunto::~Conjunto() = default;

void Conjunto::definirSql(const QString& sql) {
    m_sqlConsulta = sql;
    m_camposCarregados = false;
}

QString Conjunto::sql() const {
    return textoSelect();
}

void Conjunto::definirParametro(const QString& nome, const QVariant& valor) {
    m_parametros.insert(nome.toUpper(), valor);
}

void Conjunto::carregarCampos() {
    if (m_camposCarregados) return;
    const QList<Campo> anteriores = m_campos;
    m_campos.clear();
    m_colunasSelect.clear();
    if (!somenteLeitura()) {
        Comando c(
            m_banco,
            QStringLiteral(
                "SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, "
                "F.RDB$CHARACTER_LENGTH "
                "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                "WHERE RF.RDB$RELATION_NAME = :T ORDER BY RF.RDB$FIELD_POSITION"));
        c.definir(QStringLiteral("T"), m_tabela);
        c.abrir();
        while (c.proximo()) {
            Campo f;
            f.nome = c.campo(0).toString();
            f.tipo = tipoDoCatalogo(c.campo(1).toInt(), c.campo(2).toInt(), f.blob, f.blobTexto);
            if (!f.blob) f.tamanho = c.campo(3).toInt();
            if (!f.blob) m_colunasSelect << static_cast<int>(m_campos.size());
            m_campos << f;
        }
        if (m_campos.isEmpty()) throw ErroBanco(QStringLiteral("Tabela %1 não existe").arg(m_tabela));
    } else {
        Comando c(m_banco, m_sqlConsulta);
        for (const QString& p : c.nomesParametros())
            c.definir(p, m_parametros.value(p));
        c.abrir(); // prepares; columns known without fetching
        for (int i = 0; i < c.colunas(); ++i) {
            Campo f;
            f.nome = c.nomesColunas()[i];
            m_colunasSelect << i;
            m_campos << f;
        }
        c.fechar();
    }
    // Masks and validators attached before the (re)opening stay with their fields.
    for (Campo& f : m_campos)
        for (const Campo& a : anteriores)
            if (a.nome == f.nome) {
                f.mascara = a.mascara;
                f.validador = a.validador;
            }
    m_colunaDoCampo = QList<int>(m_campos.size(), -1);
    for (int k = 0; k < m_colunasSelect.size(); ++k)
        m_colunaDoCampo[m_colunasSelect[k]] = k;
    m_camposCarregados = true;
}

QString Conjunto::textoSelect() const {
    if (somenteLeitura()) return m_sqlConsulta;
    QStringList cols;
    for (int i : m_colunasSelect)
        cols << m_campos[i].nome;
    QString s =
        QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + m_tabela;
    if (!m_filtro.isEmpty()) s += QStringLiteral(" WHERE ") + m_filtro;
    if (!m_ordem.isEmpty()) s += QStringLiteral(" ORDER BY ") + m_ordem;
    return s;
}

void Conjunto::abrir() {
    if (aberto()) fechar();
    carregarCampos();
    auto c = std::make_unique<Comando>(m_banco, textoSelect());
    for (const QString& p : c->nomesParametros())
        c->definir(p, m_parametros.value(p));
    c->abrir();
    const bool porPagina = somenteLeitura() && m_pagina > 0;
    QList<QByteArray> linhas;
    while ((!porPagina || linhas.size() < m_pagina) && c->proximo())
        linhas << codificarLinha(*c);
    // A page that came out short was the last one: the cursor has already closed.
    if (porPagina && c->aberto()) m_cursor = std::move(c);
    m_linhas = std::move(linhas);
    m_atual = m_linhas.isEmpty() ? -1 : 0;
    mudarEstado(EstadoConjunto::Navegando);
    emit dadosMudaram();
    if (m_atual >= 0) rolarPara(0, true);
}

int Conjunto::lerMaisLinhas(int n) {
    if (!m_cursor) return 0;
    const int primeira = quantidade();
    try {
        while (n != 0 && m_cursor->proximo()) {
            m_linhas << codificarLinha(*m_cursor);
            if (n > 0) --n;
        }
    } catch (const ErroBanco&) {
        // The rows read stay; the rest cannot be read any more.
        m_cursor.reset();
        if (quantidade() > primeira) emit linhasLidas(primeira, quantidade() - 1);
        throw;
    }
    if (!m_cursor->aberto()) m_cursor.reset();
    if (quantidade() > primeira) emit linhasLidas(primeira, quantidade() - 1);
    if (m_atual < 0 && quantidade() > 0) rolarPara(0, true);
    return quantidade() - primeira;
}

void Conjunto::fechar() {
    if (!aberto()) return;
    m_cursor.reset();
    m_comandos.clear();
    m_linhas.clear();
    m_buffer.clear();
    m_blobs.clear();
    m_atual = -1;
    mudarEstado(EstadoConjunto::Fechado);
    emit dadosMudaram();
}

void Conjunto::atualizar() {
    QVariant chave;
    const int pos = m_atual;
    const bool temChave = m_campos.size() && indiceCampo(QStringLiteral("CHAVE")) >= 0 && m_atual >= 0;
    if (temChave) chave = valor(QStringLiteral("CHAVE"));
    fechar();
    abrir();
    if (temChave && !localizar(QStringLiteral("CHAVE"), chave) && pos >= 0 && !vazio())
        irPara(std::min(pos, quantidade() - 1));
}

void Conjunto::irPara(int linha) {
    if (!aberto()) return;
    if (linha >= quantidade()) lerMaisLinhas(linha - quantidade() + 1);
    if (m_linhas.isEmpty()) return;
    linha = std::clamp(linha, 0, quantidade() - 1);
    if (emEdicao()) gravar();
    rolarPara(linha, false);
}

void Conjunto::rolarPara(int linha, bool forcar) {
    if (linha == m_atual && !forcar) return;
    m_atual = linha;
    emit rolou();
    if (depoisRolar) depoisRolar(*this);
}

void Conjunto::ultimo() {
    lerTodasLinhas();
    irPara(quantidade() - 1);
}

bool Conjunto::localizar(const QString& campo, const QVariant& valor) {
    const int i = indiceCampo(campo);
    if (i < 0 || !aberto()) return false;
    for (int l = 0; l < quantidade() || lerMaisLinhas(std::max(m_pagina, 1)) > 0; ++l) {
        if (decodificar(l).value(i) == valor) {
            irPara(l);
            return true;
        }
    }
    return false;
}

int Conjunto::indiceCampo(const QString& nome) const {
    const QString n = nome.toUpper();
    for (int i = 0; i < m_campos.size(); ++i)
        if (m_campos[i].nome == n) return i;
    return -1;
}

Campo& Conjunto::campo(const QString& nome) {
    if (!m_camposCarregados && m_banco.conectado()) carregarCampos();
    const int i = indiceCampo(nome);
    if (i < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe em %2").arg(nome, m_nome));
    return m_campos[i];
}

QVariant Conjunto::valor(const QString& nome) const {
    const int i = indiceCampo(nome);
    if (i < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe em %2").arg(nome, m_nome));
    if (emEdicao()) return m_buffer.value(i);
    if (m_atual < 0) return QVariant();
    return decodificar(m_atual).value(i);
}

QVariant Conjunto::valor(int linha, const QString& nome) const {
    const int i = indiceCampo(nome);
    if (i < 0 || linha < 0 || linha >= quantidade()) return QVariant();
    return decodificar(linha).value(i);
}

static QString comoTexto(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return QString();
    if (v.typeId() == QMetaType::QTime) return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    if (v.typeId() == QMetaType::QDate) return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return v.toString();
}

QString Conjunto::texto(const QString& campo) const {
    return comoTexto(valor(campo));
}
QString Conjunto::texto(int linha, const QString& campo) const {
    return comoTexto(valor(linha, campo));
}

void Conjunto::definir(const QString& nome, const QVariant& v) {
    if (!emEdicao()) throw ErroBanco(QStringLiteral("%1 não está em edição").arg(m_nome));
    const int i = indiceCampo(nome);
    if (i < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe em %2").arg(nome, m_nome));
    if (m_campos[i].blob) {
        definirBlob(nome, v);
        return;
    }
    QVariant c = converter(v, m_campos[i].tipo);
    // As a text field of a form would: a text longer than its column is cut, never refused, so
    // an access row with a long note is stored rather than lost.
    const int max = m_campos[i].tamanho;
    if (max > 0 && c.typeId() == QMetaType::QString && c.toString().size() > max) {
        QString t = c.toString().left(max);
        if (t.back().isHighSurrogate()) t.chop(1);
        c = t;
    }
    m_buffer[i] = c;
}

void Conjunto::definirTexto(const QString& nome, const QString& t) {
    const int i = indiceCampo(nome);
    if (i < 0) throw ErroBanco(QStringLiteral("Campo %1 não existe em %2").arg(nome, m_nome));
    switch (m_campos[i].validador) {
    case Validador::Hora: {
        const QTime h = lerHora(t);
        if (!h.isValid()) {
            definir(nome, QTime(0, 0, 0));
            Recusar(QStringLiteral("@!000AVIHora Inválida!"));
        }
        definir(nome, h);
        return;
    }
    case Validador::Data: {
        const QDate d = lerData(t);
        if (!d.isValid()) {
            definir(nome, relogio().hoje());
            Recusar(QStringLiteral("@!000AVIHora Inválida!"));
        }
        definir(nome, d);
        return;
    }
    case Validador::Cabeca: {
        bool ok = false;
        const int c = t.trimmed().toInt(&ok);
        if (!ok) {
            definir(nome, 0);
            Recusar(QStringLiteral("@!000ERRCabeça inválida!"));
        }
        definir(nome, c);
        return;
    }
    case Validador::Nenhum:
        definir(nome, t);
        return;
    }
}

QVariant Conjunto::lerBlob(const QString& nome) {
    const int i = indiceCampo(nome);
    if (i < 0 || !m_campos[i].blob)
        throw ErroBanco(QStringLiteral("Campo %1 não é um BLOB de %2").arg(nome, m_nome));
    if (emEdicao() && m_blobs.contains(i)) return m_blobs.value(i);
    if (m_estado == EstadoConjunto::Inserindo || m_atual < 0) return QVariant();
    Comando c(m_banco, QStringLiteral("SELECT %1 FROM %2 WHERE CHAVE = :K").arg(m_campos[i].nome, m_tabela));
    c.definir(QStringLiteral("K"), emEdicao() ? m_antigos.value(indiceCampo(QStringLiteral("CHAVE")))
                                              : valor(QStringLiteral("CHAVE")));
    c.abrir();
    return c.proximo() ? c.campo(0) : QVariant();
}

void Conjunto::definirBlob(const QString& nome, const QVariant& dados) {
    if (!emEdicao()) throw ErroBanco(QStringLiteral("%1 não está em edição").arg(m_nome));
    const int i = indiceCampo(nome);
    if (i < 0 || !m_campos[i].blob)
        throw ErroBanco(QStringLiteral("Campo %1 não é um BLOB de %2").arg(nome, m_nome));
    m_blobs.insert(i, dados);
}

void Conjunto::inserir() {
    if (somenteLeitura()) throw ErroBanco(QStringLiteral("%1 é somente leitura").arg(m_nome));
    if (!aberto()) throw ErroBanco(QStringLiteral("%1 não está aberto").arg(m_nome));
    if (emEdicao()) gravar();
    if (antesInserir) antesInserir(*this);
    m_linhaAntesInserir = m_atual;
    m_buffer = QList<QVariant>(m_campos.size());
    m_antigos.clear();
    m_blobs.clear();
    if (!m_gerador.isEmpty() && !chaveAoGravar)
        m_buffer[indiceCampo(QStringLiteral("CHAVE"))] = static_cast<int>(m_banco.gerador(m_gerador));
    mudarEstado(EstadoConjunto::Inserindo);
    if (depoisInserir) depoisInserir(*this);
    // The new record is the current one: what follows the current record follows it too.
    if (depoisRolar) depoisRolar(*this);
}

void Conjunto::editar() {
    if (somenteLeitura()) throw ErroBanco(QStringLiteral("%1 é somente leitura").arg(m_nome));
    if (emEdicao()) return;
    if (m_atual < 0) throw ErroBanco(QStringLiteral("%1 está vazio").arg(m_nome));
    m_buffer = decodificar(m_atual);
    m_antigos = m_buffer;
    m_blobs.clear();
    mudarEstado(EstadoConjunto::Editando);
}

void Conjunto::gravar() {
    gravar(nullptr);
}

void Conjunto::gravar(const ProcedimentoAntes& antes) {
    if (m_estado != EstadoConjunto::Inserindo)
        throw ErroBanco(
            QStringLiteral("%1: um procedimento antes da gravação só acompanha uma inclusão").arg(m_nome));
    gravar(&antes);
}

void Conjunto::gravar(const ProcedimentoAntes* antes) {
    if (!emEdicao()) return;
    // Inside a job's unit the row is part of that job; otherwise the save (with whatever its rules
    // write) is a unit of its own. A failed statement is undone by the engine alone: nothing else
    // is rolled back and the record stays in edit with what the operator typed.
    std::optional<Unidade> propria;
    if (!Unidade::atual(m_banco)) propria.emplace(m_banco);
    if (antesGravar) antesGravar(*this); // may refuse with Abort: nothing written, state kept
    const bool inserindo = m_estado == EstadoConjunto::Inserindo;
    QStringList cols, valores, sets;
    QList<int> indices;
    for (int i = 0; i < m_campos.size(); ++i) {
        if (m_campos[i].blob && !m_blobs.contains(i)) continue;
        // An edit writes only what changed: the copy read earlier must not put back a column the
        // engine or another program wrote since (a holder's position, a waiting message).
        if (!inserindo && !m_campos[i].blob && m_buffer.value(i) == m_antigos.value(i)) continue;
        indices << i;
        cols << m_campos[i].nome;
        valores << QStringLiteral(":V%1").arg(i);
        sets << QStringLiteral("%1 = :V%2").arg(m_campos[i].nome).arg(i);
    }
    QString sql;
    QStringList onde;
    const int chave = indiceCampo(QStringLiteral("CHAVE"));
    const bool chaveDoGerador =
        inserindo && chaveAoGravar && !m_gerador.isEmpty() && chave >= 0 && m_buffer.value(chave).isNull();
    if (chaveDoGerador) {
        const qsizetype k = indices.indexOf(chave);
        if (k >= 0) {
            indices.removeAt(k);
            cols.removeAt(k);
            valores.removeAt(k);
        }
        cols << m_campos[chave].nome;
        valores << QStringLiteral("GEN_ID(%1, 1)").arg(m_gerador);
    }
    QStringList argumentos; // the procedure's inputs, in its order
    if (inserindo && antes) {
        // One EXECUTE BLOCK: each value in a variable typed as its column or parameter.
        const QString proc = antes->procedimento.toUpper();
        if (!m_procedimentos.contains(proc))
            m_procedimentos.insert(proc, parametrosDoProcedimento(m_banco, proc));
        const ParametrosProcedimento& p = m_procedimentos[proc];
        QStringList cabeca, args;
        for (int i : std::as_const(indices))
            cabeca
                << QStringLiteral("V%1 TYPE OF COLUMN %2.%3 = :V%1").arg(i).arg(m_tabela, m_campos[i].nome);
        for (qsizetype j = 0; j < p.entradas.size(); ++j) {
            cabeca << QStringLiteral("A%1 %2 = :A%1").arg(j).arg(p.entradas[j].tipo());
            args << QStringLiteral(":A%1").arg(j);
            argumentos << p.entradas[j].nome;
        }
        for (const auto& [nome, valor] : antes->entradas)
            if (!argumentos.contains(nome.toUpper()))
                throw ErroBanco(QStringLiteral("%1 não tem a entrada %2").arg(proc, nome));
        QString chamada = QStringLiteral("EXECUTE PROCEDURE ") + proc;
        if (!args.isEmpty()) chamada += u'(' + args.join(u',') + u')';
        sql = QStringLiteral("EXECUTE BLOCK");
        if (!cabeca.isEmpty()) sql += QStringLiteral(" (") + cabeca.join(u',') + u')';
        if (chaveDoGerador)
            sql += QStringLiteral(" RETURNS (K__ TYPE OF COLUMN %1.%2)").arg(m_tabela, m_campos[chave].nome);
        // In the body ":V" names the block's variables; the header alone takes the values.
        sql += QStringLiteral(" AS BEGIN %1; INSERT INTO %2 (%3) VALUES (%4)")
                   .arg(chamada, m_tabela, cols.join(u','), valores.join(u','));
        if (chaveDoGerador)
            sql += QStringLiteral(" RETURNING %1 INTO :K__; SUSPEND").arg(m_campos[chave].nome);
        sql += QStringLiteral("; END");
    } else if (inserindo) {
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(m_tabela, cols.join(u','), valores.join(u','));
        if (chaveDoGerador) sql += QStringLiteral(" RETURNING ") + m_campos[chave].nome;
    } else {
        for (const QString& k : m_chaves)
            onde << QStringLiteral("%1 IS NOT DISTINCT FROM :O%2").arg(k).arg(indiceCampo(k));
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(m_tabela, sets.join(u','), onde.join(QStringLiteral(" AND ")));
        if (m_chaves.size() > 1) sql += QStringLiteral(" ROWS 1");
    }
    if (indices.isEmpty() && !chaveDoGerador && !antes) sql.clear(); // nothing changed: nothing to write
    if (!sql.isEmpty()) {
        Comando& c = comando(sql);
        c.limparParametros();
        for (int i : indices)
            c.definir(QStringLiteral("V%1").arg(i), m_campos[i].blob ? m_blobs.value(i) : m_buffer.value(i));
        if (!inserindo)
            for (const QString& k : m_chaves) {
                const int i = indiceCampo(k);
                c.definir(QStringLiteral("O%1").arg(i), m_antigos.value(i));
            }
        if (antes)
            for (const auto& [nome, valor] : antes->entradas)
                c.definir(QStringLiteral("A%1").arg(argumentos.indexOf(nome.toUpper())), valor);
        QVariant chaveGravada;
        try {
            executarEsperando(
                [&] {
                    // A block that returns the key is a select to the server: one row, then the end.
                    if (!antes || !chaveDoGerador) {
                        c.executar();
                        if (chaveDoGerador) chaveGravada = c.campo(0);
                        return;
                    }
                    c.abrir();
                    const bool linha = c.proximo();
                    if (linha) chaveGravada = c.campo(0);
                    c.fechar();
                    if (!linha)
                        throw ErroBanco(QStringLiteral("%1: a inclusão não devolveu a chave").arg(m_nome));
                },
                propria.has_value());
        } catch (const ErroBanco& e) {
            // A procedure another station's upgrade changed is read again from the catalogue.
            if (antes && !e.conflitoDeBloqueio()) {
                m_procedimentos.remove(antes->procedimento.toUpper());
                m_comandos.remove(sql);
            }
            throw;
        }
        // An insert stores its row or fails: only an update can miss the row it was meant for.
        if (!inserindo && c.linhasAfetadas() == 0) throw ErroBanco(MensagemRegistroSumiu);
        if (chaveDoGerador) m_buffer[chave] = chaveGravada;
    }
    if (propria) propria->commit();
    QList<QVariant> gravado = m_buffer;
    for (int i = 0; i < m_campos.size(); ++i)
        if (m_campos[i].blob) gravado[i] = QVariant();
    if (inserindo) {
        m_linhas << codificar(gravado);
        m_atual = quantidade() - 1;
    } else {
        m_linhas[m_atual] = codificar(gravado);
    }
    m_buffer.clear();
    m_antigos.clear();
    m_blobs.clear();
    mudarEstado(EstadoConjunto::Navegando);
    refrescarLinha(m_atual);
    emit dadosMudaram();
    if (inserindo) {
        emit rolou();
        if (depoisRolar) depoisRolar(*this);
    }
}

// A card holds its holder's row only for the few milliseconds of its unit: a save of its own waits
// for it instead of handing the operator the engine's lock message. Inside a job's unit the job
// decides (its earlier statements would have to be repeated too).
void Conjunto::executarEsperando(const std::function<void()>& executar, bool propria) {
    for (int tentativa = 1;; ++tentativa) {
        try {
            executar();
            return;
        } catch (const ErroBanco& e) {
            if (!propria || !e.conflitoDeBloqueio()) throw;
            if (tentativa >= TentativasConflito) throw ErroBanco(MensagemRegistroOcupado, e.codigo());
            relogio().dormir(50 * tentativa); // 50 + 100 + 150 + 200 ms at most
        }
    }
}

Comando& Conjunto::comando(const QString& sql) {
    auto& c = m_comandos[sql];
    // Updates name only the changed columns, so their texts vary; a few dozen are plenty.
    if (!c) {
        if (m_comandos.size() > 64) {
            m_comandos.clear();
            return comando(sql);
        }
        c = std::make_shared<Comando>(m_banco, sql);
    }
    return *c;
}

void Conjunto::refrescarLinha(int linha) {
    // Values the database filled (door keys of a controller) come back into the row.
    if (!relerAposGravar || m_chaves != QStringList{QStringLiteral("CHAVE")} || linha < 0) return;
    QStringList cols;
    for (int i : m_colunasSelect)
        cols << m_campos[i].nome;
    Comando& c =
        comando(QStringLiteral("SELECT %1 FROM %2 WHERE CHAVE = :K__").arg(cols.join(u','), m_tabela));
    c.definir(QStringLiteral("K__"), valor(linha, QStringLiteral("CHAVE")));
    c.abrir();
    if (c.proximo()) m_linhas[linha] = codificarLinha(c);
    c.fechar();
}

void Conjunto::cancelar() {
    if (!emEdicao()) return;
    const bool inserindo = m_estado == EstadoConjunto::Inserindo;
    m_buffer.clear();
    m_antigos.clear();
    m_blobs.clear();
    // Nothing of an unsaved record ever reached the database: there is nothing to undo there.
    mudarEstado(EstadoConjunto::Navegando);
    if (inserindo && m_linhaAntesInserir >= 0 && m_linhaAntesInserir < quantidade())
        rolarPara(m_linhaAntesInserir, true);
}

void Conjunto::apagar() {
    if (somenteLeitura()) throw ErroBanco(QStringLiteral("%1 é somente leitura").arg(m_nome));
    if (emEdicao()) {
        if (m_estado == EstadoConjunto::Inserindo) {
            cancelar();
            return;
        }
        cancelar();
    }
    if (m_atual < 0) return;
    // The delete and whatever its rule removes with it are one unit of work.
    std::optional<Unidade> propria;
    if (!Unidade::atual(m_banco)) propria.emplace(m_banco);
    if (antesApagar) antesApagar(*this);
    const QList<QVariant> linha = decodificar(m_atual);
    QStringList onde;
    for (const QString& k : m_chaves)
        onde << QStringLiteral("%1 IS NOT DISTINCT FROM :O%2").arg(k).arg(indiceCampo(k));
    QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(m_tabela, onde.join(QStringLiteral(" AND ")));
    if (m_chaves.size() > 1) sql += QStringLiteral(" ROWS 1");
    {
        Comando c(m_banco, sql);
        for (const QString& k : m_chaves)
            c.definir(QStringLiteral("O%1").arg(indiceCampo(k)), linha.value(indiceCampo(k)));
        executarEsperando([&] { c.executar(); }, propria.has_value());
        if (c.linhasAfetadas() == 0) throw ErroBanco(MensagemRegistroSumiu);
        if (propria) propria->commit();
    }
    m_linhas.removeAt(m_atual);
    emit dadosMudaram();
    if (m_linhas.isEmpty()) {
        m_atual = -1;
        emit rolou();
    } else {
        rolarPara(std::min(m_atual, quantidade() - 1), true);
    }
}

void Conjunto::mudarEstado(EstadoConjunto e) {
    if (e == m_estado) return;
    m_estado = e;
    emit estadoMudou();
}

namespace {

void codificarValor(QByteArray& b, const QVariant& v) {
    if (v.isNull() || !v.isValid()) {
        b.append(char(mNulo));
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
        b.append(char(mInt));
        por<qint32>(b, v.toInt());
        break;
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        b.append(char(mLong));
        por<qint64>(b, v.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        b.append(char(mDouble));
        por<double>(b, v.toDouble());
        break;
    case QMetaType::Bool:
        b.append(char(mBool));
        b.append(char(v.toBool()));
        break;
    case QMetaType::QDate:
        b.append(char(mData));
        por<qint64>(b, v.toDate().toJulianDay());
        break;
    case QMetaType::QTime:
        b.append(char(mHora));
        por<qint32>(b, v.toTime().isValid() ? v.toTime().msecsSinceStartOfDay() : -1);
        break;
    case QMetaType::QDateTime:
        b.append(char(mMomento));
        por<qint64>(b, v.toDateTime().toMSecsSinceEpoch());
        break;
    case QMetaType::QByteArray: {
        const QByteArray d = v.toByteArray();
        b.append(char(mBytes));
        por<qint32>(b, static_cast<qint32>(d.size()));
        b.append(d);
        break;
    }
    default: {
        const QByteArray d = v.toString().toUtf8();
        b.append(char(mTexto));
        por<qint32>(b, static_cast<qint32>(d.size()));
        b.append(d);
    }
    }
}

} // namespace

// Rows are kept encoded (one small byte array each): 100,000 holders fit in a few tens of MB.
QByteArray Conjunto::codificar(const QList<QVariant>& valores) {
    QByteArray b;
    b.reserve(valores.size() * 6);
    for (const QVariant& v : valores)
        codificarValor(b, v);
    b.squeeze();
    return b;
}

// The current row of a select, encoded straight from the statement's message: texts are already
// UTF-8 and numbers need no QVariant, which halves the time of opening a large table.
QByteArray Conjunto::codificarLinha(const Comando& c) const {
    // Built in a scratch buffer and copied once at its final size: growing and squeezing every
    // row leaves the heap full of holes (twice the memory for a large table).
    thread_local QByteArray b;
    b.resize(0);
    for (int i = 0; i < m_campos.size(); ++i) {
        const int k = m_colunaDoCampo.value(i, -1);
        const Comando::Bruto v = k < 0 ? Comando::Bruto{} : c.bruto(k);
        switch (v.tipo) {
        case Comando::Bruto::Nulo:
            b.append(char(mNulo));
            break;
        case Comando::Bruto::Inteiro:
            b.append(char(mInt));
            por<qint32>(b, static_cast<qint32>(v.numero));
            break;
        case Comando::Bruto::Longo:
        case Comando::Bruto::Data:
            b.append(char(v.tipo == Comando::Bruto::Longo ? mLong : mData));
            por<qint64>(b, v.numero);
            break;
        case Comando::Bruto::Hora:
            b.append(char(mHora));
            por<qint32>(b, static_cast<qint32>(v.numero));
            break;
        case Comando::Bruto::Texto:
        case Comando::Bruto::Octetos:
            b.append(char(v.tipo == Comando::Bruto::Texto ? mTexto : mBytes));
            por<qint32>(b, v.tamanho);
            b.append(v.dados, v.tamanho);
            break;
        case Comando::Bruto::Outro:
            codificarValor(b, c.campo(k));
            break;
        }
    }
    return QByteArray(b.constData(), b.size());
}

QList<QVariant> Conjunto::decodificar(int linha) const {
    QList<QVariant> v;
    v.reserve(m_campos.size());
    const QByteArray& b = m_linhas[linha];
    const char* p = b.constData();
    const char* fim = p + b.size();
    while (p < fim) {
        const char m = *p++;
        switch (m) {
        case mInt:
            v << tirar<qint32>(p);
            break;
        case mLong:
            v << static_cast<qlonglong>(tirar<qint64>(p));
            break;
        case mDouble:
            v << tirar<double>(p);
            break;
        case mBool:
            v << bool(*p++);
            break;
        case mData:
            v << QDate::fromJulianDay(tirar<qint64>(p));
            break;
        case mHora: {
            const qint32 ms = tirar<qint32>(p);
            v << (ms < 0 ? QTime() : QTime::fromMSecsSinceStartOfDay(ms));
            break;
        }
        case mMomento:
            v << QDateTime::fromMSecsSinceEpoch(tirar<qint64>(p));
            break;
        case mBytes: {
            const qint32 n = tirar<qint32>(p);
            v << QByteArray(p, n);
            p += n;
            break;
        }
        case mTexto: {
            const qint32 n = tirar<qint32>(p);
            v << QString::fromUtf8(p, n);
            p += n;
            break;
        }
        default:
            v << QVariant();
            break;
        }
    }
    while (v.size() < m_campos.size())
        v << QVariant();
    return v;
}

} // namespace portaris
