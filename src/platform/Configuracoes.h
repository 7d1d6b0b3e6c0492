#pragma once
// Every key of ptconfig.ini with its default, defined here once. Callers read a key at the moment of
// use: cfg::qx71_ignorarrepeticaopor.ler() or .ler(ArquivoIni::teste()).
#include "ArquivoIni.h"

#include <QTime>

namespace portaris::cfg {

struct ChaveTexto {
    const char* secao;
    const char* chave;
    const char* padrao;
    QString ler(const ArquivoIni& ini = ArquivoIni::config()) const {
        return ini.LerTexto(QString::fromLatin1(secao), QString::fromLatin1(chave),
                            QString::fromUtf8(padrao));
    }
    void gravar(const QString& v, const ArquivoIni& ini = ArquivoIni::config()) const {
        ini.GravarTexto(QString::fromLatin1(secao), QString::fromLatin1(chave), v);
    }
};

struct ChaveInteiro {
    const char* secao;
    const char* chave;
    int padrao;
    int ler(const ArquivoIni& ini = ArquivoIni::config()) const {
        return ini.LerInteiro(QString::fromLatin1(secao), QString::fromLatin1(chave), padrao);
    }
    void gravar(int v, const ArquivoIni& ini = ArquivoIni::config()) const {
        ini.GravarInteiro(QString::fromLatin1(secao), QString::fromLatin1(chave), v);
    }
};

struct ChaveBooleana {
    const char* secao;
    const char* chave;
    bool padrao;
    bool ler(const ArquivoIni& ini = ArquivoIni::config()) const {
        return ini.LerBooleano(QString::fromLatin1(secao), QString::fromLatin1(chave), padrao);
    }
    void gravar(bool v, const ArquivoIni& ini = ArquivoIni::config()) const {
        ini.GravarBooleano(QString::fromLatin1(secao), QString::fromLatin1(chave), v);
    }
};

struct ChaveHora {
    const char* secao;
    const char* chave;
    int hora, minuto;
    QTime ler(const ArquivoIni& ini = ArquivoIni::config()) const {
        return ini.LerHora(QString::fromLatin1(secao), QString::fromLatin1(chave), QTime(hora, minuto));
    }
    // Stored as typed on the backup page ("hh:mm").
    void gravar(const QString& v, const ArquivoIni& ini = ArquivoIni::config()) const {
        ini.GravarTexto(QString::fromLatin1(secao), QString::fromLatin1(chave), v);
    }
};

// [firebird] — also the whole of teste.ini
inline constexpr ChaveTexto firebird_protocol{"firebird", "protocol", "TCPIP"};
inline constexpr ChaveTexto firebird_server{"firebird", "server", "local"};
inline constexpr ChaveTexto firebird_servername{"firebird", "servername", ""};
inline constexpr ChaveTexto firebird_databasefile{"firebird", "databasefile", "C:\\Portaris\\portaris.fdb"};
inline constexpr ChaveBooleana firebird_refresh{"firebird", "refresh", false};
inline constexpr ChaveTexto firebird_username{"firebird", "username", "SYSDBA"};
inline constexpr ChaveTexto firebird_password{"firebird", "password", "vrakoltem"};

// [outros] — nomecomputador has two readers with different defaults.
inline constexpr ChaveTexto outros_nomecomputador{"outros", "nomecomputador", "Sem nome"};
inline constexpr ChaveTexto outros_nomecomputador_login{"outros", "nomecomputador", ""};
inline constexpr ChaveBooleana outros_semcabeca{"outros", "semcabeca", true};
inline constexpr ChaveBooleana outros_confirmaaofechar{"outros", "confirmaaofechar", true};
inline constexpr ChaveInteiro outros_expiraem{"outros", "expiraem", 365};
inline constexpr ChaveInteiro outros_sleep_leitoras{"outros", "sleep_leitoras", 50};
inline constexpr ChaveInteiro outros_frequenciaserial{"outros", "frequenciaserial", 1};

// [som]
inline constexpr ChaveBooleana som_usarsom{"som", "usarsom", false};
inline constexpr ChaveTexto som_som1{"som", "som1", ""};
inline constexpr ChaveTexto som_som2{"som", "som2", ""};

// [webcam]
inline constexpr ChaveBooleana webcam_ativarwebcam{"webcam", "ativarwebcam", false};
inline constexpr ChaveBooleana webcam_manteronline{"webcam", "manteronline", false};
inline constexpr ChaveInteiro webcam_framerefresh{"webcam", "framerefresh", 2};
inline constexpr ChaveBooleana webcam_capturanegado{"webcam", "capturanegado", false};
inline constexpr ChaveBooleana webcam_capturaronda{"webcam", "capturaronda", false};

// [impressora]
inline constexpr ChaveBooleana impressora_exibesetup{"impressora", "exibesetup", true};
inline constexpr ChaveTexto impressora_saidadefault{"impressora", "saidadefault", "rdPreview"};
inline constexpr ChaveBooleana impressora_pdf{"impressora", "pdf", true};
inline constexpr ChaveBooleana impressora_htm{"impressora", "htm", true};
inline constexpr ChaveBooleana impressora_txt{"impressora", "txt", true};

// [autobackup]
inline constexpr ChaveBooleana autobackup_auto{"autobackup", "auto", false};
inline constexpr ChaveBooleana autobackup_domingo{"autobackup", "domingo", false};
inline constexpr ChaveBooleana autobackup_segunda{"autobackup", "segunda", false};
inline constexpr ChaveBooleana autobackup_terca{"autobackup", "terca", false};
inline constexpr ChaveBooleana autobackup_quarta{"autobackup", "quarta", false};
inline constexpr ChaveBooleana autobackup_quinta{"autobackup", "quinta", false};
inline constexpr ChaveBooleana autobackup_sexta{"autobackup", "sexta", false};
inline constexpr ChaveBooleana autobackup_sabado{"autobackup", "sabado", false};
inline constexpr ChaveHora autobackup_hora{"autobackup", "hora", 23, 50};
inline constexpr ChaveTexto autobackup_pasta{"autobackup", "pasta", "c:\\portaris\\copia"};
inline constexpr ChaveTexto autobackup_nome{"autobackup", "nome", "copiaportaris"};

// [remoto]
inline constexpr ChaveBooleana remoto_ativo{"remoto", "ativo", false};
inline constexpr ChaveInteiro remoto_porta{"remoto", "porta", 4005};
// Addresses and CIDR ranges allowed to connect, comma-separated; empty lets anyone in.
inline constexpr ChaveTexto remoto_permitidos{"remoto", "permitidos", ""};
// Clients served at once; the one past it is refused until another leaves.
inline constexpr ChaveInteiro remoto_conexoes{"remoto", "conexoes", 32};

// [qx64]
inline constexpr ChaveInteiro qx64_ignorarrepeticaopor{"qx64", "ignorarrepeticaopor", 40};
inline constexpr ChaveInteiro qx64_falhoutransito{"qx64", "falhoutransito", 0};

// [qx71]
inline constexpr ChaveInteiro qx71_ignorarrepeticaopor{"qx71", "ignorarrepeticaopor", 2};

} // namespace portaris::cfg
