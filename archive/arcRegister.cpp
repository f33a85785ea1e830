#include "archive/arcRegister.h"

#include <memory>
#include <optional>
#include <vector>

#include "archive/arcGbls.h"
#include "platform/os/Files.h"
#include "platform/os/ReplacingFile.h"

namespace archive {

namespace {

std::string target_folder(const std::string& Target) {
    const std::string dir = ExtractFilePath(Target);
    return dir.empty() ? std::string("./") : dir;
}

// Puts the new archive in File over Target as Hooks allow: after
// CheckTarget, and never over a target that appeared during the pass.
// Raises EFOpenError "Error opening file" when the target cannot be replaced
// (a full disk stays EWriteError "Disk full"); File is then dropped.
void replace_target(os::ReplacingFile& File, const TTempArchiveHooks& Hooks) {
    try {
        if (Hooks.CheckTarget) Hooks.CheckTarget();
        if (!Hooks.TargetWasMissing) {
            File.commit();
            return;
        }
        if (File.commit_if_absent()) return;
    } catch (const EWriteError&) {
        throw;
    } catch (const EFCreateError&) {
        throw EFOpenError("Error opening file");
    }
    if (Hooks.CheckTarget) Hooks.CheckTarget();
    throw EFOpenError("Error opening file");
}

// Copies Source (Size bytes from its start) into a new file beside Target
// and puts it over Target. Raises EFOpenError on any failure; the new file is
// then gone.
void copy_beside_and_rename(TStream32& Source, int64_t Size, const std::string& Target,
                            const TTempArchiveHooks& Hooks, TStreamProgress Progress) {
    if (!DirExists(target_folder(Target))) throw EFOpenError("Error opening file");
    std::optional<os::ReplacingFile> file;
    try {
        file.emplace(Target);
    } catch (const EFCreateError&) {
        throw EFOpenError("Error opening file");
    }
    TStream32 out(file->stream());
    Source.SetPosition(0);
    if (Size > 0) out.CopyFrom(Source, nullptr, Size, std::move(Progress));
    replace_target(*file, Hooks);
}

}  // namespace

std::string MakeTempFileName(const std::string& Dir) {
    std::string folder = Dir;
    if (folder.empty() || !DirExists(folder)) {
        folder = SystemTempDir();
        ForceDirs(folder);
    }
    try {
        return os::create_temp_file("arc", folder);
    } catch (const Exception&) {
        return {};
    }
}

// ---- TTempFileStream ------------------------------------------------------

TTempFileStream::TTempFileStream(TTempArchiveHooks Hooks, const std::string& TempDir, const std::string& TargetName,
                                 uint16_t Mode)
    : TTempArchive(std::move(Hooks), TargetName, Mode == fmCreate ? MakeTempFileName(TempDir) : TargetName, Mode) {
    IsTemp = Mode == fmCreate;
    CopyFlag = Mode;
    if (IsTemp && name_.empty()) Close();
    if (IsTemp && !name_.empty()) cleanup_.assign(name_);
}

TTempFileStream::~TTempFileStream() { Discard(); }

void TTempFileStream::Discard() {
    Close();
    if (IsTemp) os::remove_file(name_);
    cleanup_.reset();
    IsTemp = false;
}

void TTempFileStream::Commit() {
    if (!IsTemp || CopyFlag == 0 || target_.empty()) {
        Discard();
        return;
    }
    try {
        const std::string folder = target_folder(target_);
        const auto dir_st = os::file_status(folder);
        if (!dir_st || !dir_st->is_directory() || !os::may_write(folder)) throw EFOpenError("Error opening file");
        if (hooks_.MoveBegin) hooks_.MoveBegin(*this, target_, name_);
        const int64_t size = GetSize();
        if (hooks_.SetTotals) hooks_.SetTotals(size);
        ProgressHandler = hooks_.Progress;
        std::unique_ptr<os::ReplacingFile> adopted;
        try {
            adopted = os::ReplacingFile::adopt(name_, target_);
        } catch (const EFCreateError&) {
            throw EFOpenError("Error opening file");
        }
        if (adopted) {
            IsTemp = false;  // the replacing file has it now, and removes it unless it becomes the target
            cleanup_.reset();
            replace_target(*adopted, hooks_);
            Seek(0, soFromEnd);
            if (hooks_.BytesLeft) *hooks_.BytesLeft = 0;
            DoStreamProgress(*this);
        } else {
            copy_beside_and_rename(*this, size, target_, hooks_, ProgressHandler);
        }
        if (hooks_.MoveEnd) hooks_.MoveEnd(*this);
    } catch (...) {
        Discard();
        throw;
    }
    Discard();
}

// ---- TTempMemStream -------------------------------------------------------

TTempMemStream::TTempMemStream(TTempArchiveHooks Hooks, uint16_t Mode, const std::string& TargetName)
    : TTempArchive(std::move(Hooks), TargetName) {
    IsTemp = true;
    CopyFlag = Mode;
}

void TTempMemStream::Commit() {
    if (!IsTemp || CopyFlag == 0 || target_.empty()) return;
    const std::string folder = target_folder(target_);
    if (!DirExists(folder) || !os::may_write(folder)) throw EFOpenError("Error opening file");
    if (hooks_.MoveBegin) hooks_.MoveBegin(*this, target_, std::string());
    const int64_t size = GetSize();
    if (hooks_.SetTotals) hooks_.SetTotals(size);
    copy_beside_and_rename(*this, size, target_, hooks_, hooks_.Progress);
    if (hooks_.MoveEnd) hooks_.MoveEnd(*this);
    CopyFlag = 0;
}

}  // namespace archive
