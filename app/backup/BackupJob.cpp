#include "app/backup/BackupJob.h"


#include "platform/core/SysUtils.h"

#include <cstdio>

namespace app {

std::string connection_string(const std::string& servidor, const std::string& banco) {
    return "Provider=SQLOLEDB.1;Persist Security Info=False;"
           "Data Source=" + Trim(servidor) + ";"
           "Initial Catalog=" + Trim(banco) + ";"
           "User ID = BKP;"
           "Password=" + std::string(kBackupPassword);
}

std::vector<std::string> backup_batch(const std::string& banco, const std::string& caminho) {
    return {
        "USE " + banco,
        "",
        "DECLARE @sSELECT VARCHAR(8000)    ",
        "DECLARE @sNomeArquivo VARCHAR(200) ",
        "SET @sNomeArquivo = 'Backup_" + banco +
            "_'+dbo.fFormatDate('AAAAMMDD',GETDATE()) +'_'+ dbo.fFormatDate('HHmmSS',GETDATE())+'.bak'",
        "",
        "SET @sSELECT = 'BACKUP DATABASE [" + banco + "] TO  DISK = N''" + caminho +
            "\\'+ @sNomeArquivo +''' WITH NOFORMAT, INIT,  NAME = N''" + banco +
            "-Full Database Backup'', SKIP, NOREWIND, NOUNLOAD, STATS = 10'",
        "",
        "EXEC(@sSELECT)",
        "",
        "SELECT @sNomeArquivo NomeArquivo",
    };
}

void check_batch_value(const std::string& key, const std::string& value, BatchPlace place) {
    for (unsigned char c : value) {
        std::string what;
        if (c == '\'') what = "um apóstrofo (')";
        else if (c == ']') what = "um colchete (])";
        else if (c == ';' && place == BatchPlace::Bare) what = "um ponto e vírgula (;)";
        else if (c == '\r' || c == '\n') what = "uma quebra de linha";
        else if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(c));
            what = std::string("um caractere de controle (código ") + code + ")";
        }
        if (!what.empty())
            throw Exception("O valor de " + key + " em KESTROVAN.INI contém " + what +
                            " e não pode ser usado no comando de cópia de segurança");
    }
}

void check_required_value(const std::string& ini, const std::string& key, const std::string& value) {
    if (!Trim(value).empty()) return;
    if (!FileExists(ini)) {
        throw Exception("O arquivo de configuração " + ini + " não existe: a chave " + key +
                        " da seção [Kestrovan] é necessária para o comando de cópia de segurança");
    }
    throw Exception("O valor de " + key + " em " + ini + " (seção [Kestrovan]) está vazio ou ausente e é necessário "
                    "para o comando de cópia de segurança");
}

bool is_plain_file_name(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\*?\0", 5)) == std::string::npos;
}

std::string archive_path_for(const std::string& backup_path) {
    const std::size_t slash = backup_path.find_last_of('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t bak = backup_path.rfind(".bak");
    if (bak == std::string::npos || bak < name_start) return backup_path + ".zip";
    return backup_path.substr(0, bak) + ".zip" + backup_path.substr(bak + 4);
}

std::string backup_file_path(const std::string& caminho, const std::string& nome_arquivo) {
    std::string folder = caminho;
    for (char& c : folder)
        if (c == '\\') c = '/';
    return folder + "/" + nome_arquivo;
}

bool wants_packing(const std::string& compactar_arquivo) {
    return Trim(compactar_arquivo) == "S";
}

} // namespace app
