#include "archive/arcRegister.h"

#include <cstdio>
#include <vector>

#include "archive/arcGbls.h"
#include "platform/os/Files.h"

namespace archive {

namespace {

// Permissions a new file of this user gets; an existing target keeps its own.
uint32_t target_mode(const std::string& Target) {
    const auto st = os::file_status(Target);
    if (st && st->is_regular()) return st->mode;
    return os::new_file_mode();
}

std::string target_folder(const std::string& Target) {
    const std::string dir = ExtractFilePath(Target);
    return dir.empty() ? std::string("./") : dir;
}

// Renames the finished file From over Target as Hooks allow: after
// CheckTarget, and never over a target that appeared during the pass.
void replace_target(const std::string& From, const std::string& Target, const TTempArchiveHooks& Hooks) {
    if (Hooks.CheckTarget) Hooks.CheckTarget();
    if (!Hooks.TargetWasMissing) {
        try {
            os::rename_over(From, Target);
        } catch (const EOSError&) {
            throw EFOpenError("Error opening file");
        }
        return;
    }
    switch (os::rename_no_replace(From, Target)) {
        case os::Renamed::yes: return;
        case os::Renamed::taken:
            if (Hooks.CheckTarget) Hooks.CheckTarget();
            throw EFOpenError("Error opening file");
        case os::Renamed::no: throw EFOpenError("Error opening file");
    }
}

// Copies Source (Size bytes from its start) into a new "arc" file beside
// Target and renames it over Target. Raises EFOpenError on any failure, after
// removing the sibling.
void copy_beside_and_rename(TStream32& Source, int64_t Size, const std::string& Target,
                            const TTempArchiveHooks& Hooks, TStreamProgress Progress) {
    const std::string sibling = MakeTempFileName(target_folder(Target));
    os::SignalCleanupPath cleanup(sibling);
    if (sibling.empty() || !DirExists(target_folder(Target))) {
        os::remove_file(sibling);
        throw EFOpenError("Error opening file");
    }
    try {
        TFileStream32 out(sibling, TFileStream32::fmCreate);
        if (out.Handle() < 0) throw EFOpenError("Error opening file");
        Source.SetPosition(0);
        if (Size > 0) out.CopyFrom(Source, nullptr, Size, std::move(Progress));
        if (!os::set_handle_mode(out.Handle(), target_mode(Target)) || !out.Flush())
            throw EWriteError("Stream write error");
        replace_target(sibling, Target, Hooks);
        cleanup.reset();
    } catch (...) {
        os::remove_file(sibling);
        throw;
    }
    os::sync_dir(target_folder(Target));
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
        const auto tmp_st = os::handle_status(Handle());
        if (tmp_st && tmp_st->id.device == dir_st->id.device) {
            if (!os::set_handle_mode(Handle(), target_mode(target_)) || !Flush())
                throw EWriteError("Stream write error");
            replace_target(name_, target_, hooks_);
            IsTemp = false;  // the file now is the target
            cleanup_.reset();
            os::sync_dir(folder);
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
