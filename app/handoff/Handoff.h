#pragma once
// Packing the backup file: the form's archive component packs it into a ZIP
// archive beside it, the archive is read back and checked against the file,
// and only then does the backup file go to the trash. A failure never loses
// the backup: it stays where the server wrote it, and the caller gets one
// line saying what went wrong.

#include <cstdint>
#include <string>

#include "archive/arcVerify.h"

namespace archive {
class TZip;
}

namespace app {

// Size and CRC-32 (ZIP's) of a file's content.
using FileDigest = archive::FileDigest;

// Reads the whole file; raises Exception when it cannot be read.
FileDigest digest_file(const std::string& path);

// Reads a ZIP archive back with the archive's verifier (archive/arcVerify.h).
// "" when it holds exactly one entry, readable, whose content has the
// expected size and CRC-32; otherwise why not, in the job's words.
std::string check_single_entry_archive(const std::string& zip_path, const FileDigest& expected);

// Packs backup_path with zip (FileSpec gains the path, ArchiveFile becomes
// archive_path_for(backup_path), then Compress), checks the archive against
// the backup file and sends the backup file to the trash. "" on success;
// otherwise one line (no line break) naming what failed, with the archive
// component's own error text when it reported one, and that the backup file
// stays where it is.
std::string hand_off_backup(archive::TZip& zip, const std::string& backup_path);

}  // namespace app
