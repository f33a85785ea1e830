#pragma once
// The texts the backup job sends and the paths it works with, built from
// the four settings of KESTROVAN.INI. Pure functions, no I/O.

#include <string>
#include <vector>

namespace app {

// The fixed password of the backup login BKP.
inline constexpr const char* kBackupPassword = "Hq4Zp7Wm3c519";

// The connection string for a server and database (both trimmed here).
std::string connection_string(const std::string& servidor, const std::string& banco);

// The eleven lines of the backup batch, in order, for the database and the
// folder exactly as read (blanks kept).
std::vector<std::string> backup_batch(const std::string& banco, const std::string& caminho);

// Where a setting stands in the batch: the database name also stands bare
// after USE, where ";" would end the statement; the folder stands only inside
// quoted text, where ";" is an ordinary character of a folder name.
enum class BatchPlace { Bare, Quoted };

// Raises Exception with a clear message when a value that goes into the
// batch by concatenation holds "'", "]", a line break or another control
// character, or ";" where it stands bare. `key` names the setting in the
// message.
void check_batch_value(const std::string& key, const std::string& value, BatchPlace place);

// Raises Exception with a clear message when a setting the batch cannot do
// without is missing, empty or only blanks. `key` names the setting, `ini`
// is the full path of the settings file looked for: the message says whether
// that file is missing or the key in it is empty.
void check_required_value(const std::string& ini, const std::string& key, const std::string& value);

// True when the name the server gave its backup file is a plain file name
// in the backup folder: not empty, not "." or "..", and without "/", "\",
// the masks "*" and "?", or a NUL.
bool is_plain_file_name(const std::string& name);

// The program's own path to the backup file: the folder with "\" read as a
// separator, then "/", then the file name.
std::string backup_file_path(const std::string& caminho, const std::string& nome_arquivo);

// The archive that a backup file is packed into, beside it: the file name
// with its last ".bak" (case-sensitive) made ".zip"; the folder is never
// touched, and a name without ".bak" gets ".zip" appended so the archive can
// never take the backup's own name.
std::string archive_path_for(const std::string& backup_path);

// True when the CompactarArquivo value asks for packing: trimmed, exactly "S".
bool wants_packing(const std::string& compactar_arquivo);

} // namespace app
