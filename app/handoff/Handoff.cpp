#include "app/handoff/Handoff.h"

#include "app/backup/BackupJob.h"
#include "archive/arcVerify.h"
#include "archive/arcZip.h"
#include "archive/arcbase.h"
#include "platform/core/SysUtils.h"
#include "platform/os/FileInFolder.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

namespace app {

namespace {

std::string hex32(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

const char* const kStays = "o arquivo de backup fica onde está";

// The reason, in the job's words, for what the read-back found.
std::string fault_text(const archive::VerifyResult& r, const FileDigest& expected) {
    using archive::VerifyFault;
    switch (r.Fault) {
        case VerifyFault::None: return {};
        case VerifyFault::Unreadable: return "o arquivo compactado não pode ser lido";
        case VerifyFault::NotZip: return "o arquivo compactado não é um arquivo ZIP";
        case VerifyFault::NoEndRecord: return "o arquivo compactado não tem o registro final de um arquivo ZIP";
        case VerifyFault::Spanned: return "o arquivo compactado está dividido em volumes";
        case VerifyFault::EntryCount:
            return "o arquivo compactado tem " + std::to_string(r.Entries) + " entradas em vez de uma";
        case VerifyFault::DirectoryMisplaced: return "o diretório central do arquivo compactado está fora do lugar";
        case VerifyFault::DirectoryDamaged: return "o diretório central do arquivo compactado está corrompido";
        case VerifyFault::Encrypted: return "a entrada do arquivo compactado está cifrada";
        case VerifyFault::Method:
            return "a entrada do arquivo compactado usa o método " + std::to_string(r.Method) +
                   ", que não é lido aqui";
        case VerifyFault::LocalHeaderDamaged:
            return "o cabeçalho local da entrada do arquivo compactado está corrompido";
        case VerifyFault::DataOverlapsDirectory: return "os dados da entrada invadem o diretório central";
        case VerifyFault::DataTruncated: return "os dados da entrada estão truncados";
        case VerifyFault::InflateInit: return "o descompressor não pôde ser iniciado";
        case VerifyFault::DataCorrupt: return "os dados comprimidos da entrada estão corrompidos";
        case VerifyFault::DataLength: return "os dados comprimidos da entrada não ocupam o tamanho registrado";
        case VerifyFault::RecordMismatch:
            return "o conteúdo da entrada não confere com o seu registro no diretório central";
        case VerifyFault::SizeMismatch:
            return "a entrada tem " + std::to_string(r.Found.size) + " bytes e o backup tem " +
                   std::to_string(expected.size);
        case VerifyFault::CrcMismatch:
            return "o CRC-32 da entrada (" + hex32(r.Found.crc) + ") difere do CRC-32 do backup (" +
                   hex32(expected.crc) + ")";
    }
    return "o arquivo compactado não pode ser lido";
}

// Why a file opened for packing is not a regular file in the backup folder.
std::string not_packable(const os::FileInFolder& file) {
    if (file.error() == ELOOP) return "é um link simbólico";
    if (!file.opened()) return "não pode ser aberto";
    if (!file.status().is_regular()) return "não é um arquivo comum";
    return "não está na pasta do backup";
}

}  // namespace

FileDigest digest_file(const std::string& path) {
    const auto digest = archive::DigestFile(path);
    if (!digest) throw Exception("não foi possível ler " + quoted(path));
    return *digest;
}

std::string check_single_entry_archive(const std::string& zip_path, const FileDigest& expected) {
    return fault_text(archive::VerifySingleEntryArchive(zip_path, expected), expected);
}

std::string hand_off_backup(archive::TZip& zip, const std::string& backup_path) {
    const std::string target = archive_path_for(backup_path);

    // Only a regular file in the backup folder itself is packed: opened
    // without following a link, checked on the opened file, and read by the
    // pass from that descriptor, so what was checked is what is packed. A
    // missing file goes on to the component, which reports it in its words.
    os::FileInFolder source = os::FileInFolder::open(backup_path);
    if (!source.regular_in_folder() && source.error() != ENOENT)
        return "não foi possível compactar " + quoted(backup_path) + ": " + not_packable(source) + "; " + kStays;

    // The component's own error reports, kept for the line the caller prints;
    // a handler the component already had still gets every report.
    std::vector<std::string> reports;
    archive::TOnError previous = zip.OnError;
    zip.OnError = [&](archive::TZipCommon& Sender, const std::string& FileName, const std::string& ExtendedMsg,
                      const std::string& VolumeID, int ECode) {
        std::string text = archive::ErrorText(ECode);
        if (text.empty()) text = "erro " + std::to_string(ECode);
        if (!ExtendedMsg.empty() && ExtendedMsg != text) text += " (" + ExtendedMsg + ")";
        if (std::find(reports.begin(), reports.end(), text) == reports.end()) reports.push_back(text);
        if (previous) previous(Sender, FileName, ExtendedMsg, VolumeID, ECode);
    };
    struct Restore {
        archive::TZip& zip;
        archive::TOnError& previous;
        ~Restore() { zip.OnError = std::move(previous); }
    } restore{zip, previous};

    // The pass takes the one file in its folder, not same-named files in
    // sub-folders; an archive that this pass created and then rejects is
    // removed (one that was there before is left as the pass made it).
    // Any other file the scan takes along is opened the same way, and refused
    // (a file that cannot be opened) unless it is a regular file in its folder.
    std::vector<std::unique_ptr<os::FileInFolder>> others;
    auto previous_source = std::move(zip.SourceHandle);
    zip.SourceHandle = [&](const std::string& path) -> int {
        if (path == backup_path) return source.handle();
        auto other = std::make_unique<os::FileInFolder>(os::FileInFolder::open(path));
        if (!other->regular_in_folder()) return -1;
        others.push_back(std::move(other));
        return others.back()->handle();
    };
    struct RestoreSource {
        archive::TZip& zip;
        std::function<int(const std::string&)>& previous;
        ~RestoreSource() { zip.SourceHandle = std::move(previous); }
    } restore_source{zip, previous_source};
    const bool recurse = zip.RecurseDirs;
    zip.RecurseDirs = false;
    zip.FileSpec.Add(backup_path);
    zip.SetArchiveFile(target);
    const std::string archive_file = zip.ArchiveFile();
    const bool archive_was_there = os::link_status(archive_file).has_value();
    const int written = zip.Compress();
    zip.RecurseDirs = recurse;
    const auto removed = [&]() -> std::string {
        if (archive_was_there) return {};
        const auto now = os::link_status(archive_file);
        if (!now || !now->is_regular()) return {};
        return os::remove_file(archive_file) ? "; o arquivo compactado foi removido"
                                             : "; o arquivo compactado não pôde ser removido";
    };

    if (written < 1) {
        std::string line = "não foi possível compactar " + quoted(backup_path) + " em " + quoted(archive_file);
        if (DirectoryExists(archive_file)) reports.insert(reports.begin(), "já existe uma pasta com esse nome");
        for (std::size_t i = 0; i < reports.size(); ++i) line += (i == 0 ? ": " : "; ") + reports[i];
        return line + removed() + "; " + kStays;
    }

    std::string why;
    try {
        const auto digest = archive::DigestHandle(source.handle());
        if (!digest) throw Exception("não foi possível ler " + quoted(backup_path));
        why = check_single_entry_archive(archive_file, *digest);
    } catch (const Exception& e) {
        why = e.Message();
    }
    if (!why.empty())
        return "o arquivo compactado " + quoted(archive_file) + " não confere com " + quoted(backup_path) + ": " +
               why + removed() + "; " + kStays;

    // The name still stands for the file that was packed before it goes.
    const auto now = os::link_status(backup_path);
    if (!now || !now->is_regular() || !(now->id == source.status().id))
        return "o arquivo " + quoted(backup_path) + " foi trocado durante a compactação" + removed() + "; " + kStays;
    if (!archive::DeleteOrRecycle(backup_path, archive::doAllowUndo))
        return "não foi possível mover " + quoted(backup_path) +
               " para a lixeira (nenhuma lixeira no mesmo sistema de arquivos o aceitou); " + kStays;
    return {};
}

}  // namespace app
