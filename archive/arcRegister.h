#pragma once
// The temporary archive: the new archive is built in a temporary file (or in
// memory) and replaces its target only when the pass commits it. Replacing
// renames a finished file over the target within the target's folder, so a
// failure at any point leaves the target as it was and no partial file under
// its name.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "archive/arcStreams.h"
#include "platform/os/Files.h"
#include "platform/os/SignalCleanup.h"

namespace archive {

// What the temporary archive tells its component while it replaces the target.
struct TTempArchiveHooks {
    // Fires OnTmpFileProgress; the stream's position tells the bytes done.
    std::function<void(TStream32& Sender)> Progress;
    // Fires OnTmpFileMoveBegin (Sender, Archive, TempFileName).
    std::function<void(TStream32& Sender, const std::string& Archive, const std::string& TempFileName)> MoveBegin;
    // Fires OnTmpFileMoveEnd (Sender).
    std::function<void(TStream32& Sender)> MoveEnd;
    // Sets the component's file size, archive total and bytes left to Size.
    std::function<void(int64_t Size)> SetTotals;
    // The component's bytes-left counter.
    double* BytesLeft = nullptr;
    // Raises when the target is no longer what the pass read (another program
    // changed it); called just before the new archive replaces it.
    std::function<void()> CheckTarget;
    // The target did not exist when the pass began: one that has appeared
    // since is never replaced (CheckTarget is asked, and raises).
    bool TargetWasMissing = false;
};

// An existing archive held for one pass: an exclusive lock that a second
// pass on the same archive, in this process or another, cannot take while
// this one runs, and the file's identity, size and modification time when it
// was locked.
using ArchiveLock = os::FileLock;

// What both temporary archives add to the stream they are: each read counts
// against the component's bytes left and reports progress, and copies go in
// chunks of kChunk bytes.
template <class Stream>
class TTempArchive : public Stream {
public:
    int64_t Read(void* Buffer, int64_t Count) override {
        const int64_t n = Stream::Read(Buffer, Count);
        this->CountRead(Count, hooks_.BytesLeft);
        return n;
    }
    int64_t CopyFrom(TStream32& Source, uint8_t* Cancel, int64_t Count, TStreamProgress Progress) override {
        return this->CopyInChunks(Source, Cancel, Count, std::move(Progress), kChunk);
    }
    static constexpr int64_t kChunk = 100000;
    bool IsTemp = false;
    uint16_t CopyFlag = 0;

protected:
    template <class... Args>
    TTempArchive(TTempArchiveHooks Hooks, const std::string& TargetName, Args&&... StreamArgs)
        : Stream(std::forward<Args>(StreamArgs)...), hooks_(std::move(Hooks)), target_(TargetName) {}
    TTempArchiveHooks hooks_;
    std::string target_;
};

// New archive in a temporary file with the prefix "arc" in TempDir (or the
// system's temporary folder). Mode 0xFFFF builds a new archive; any other Mode
// opens TargetName itself, and committing then only closes it.
class TTempFileStream : public TTempArchive<TFileStream32> {
public:
    TTempFileStream(TTempArchiveHooks Hooks, const std::string& TempDir, const std::string& TargetName,
                    uint16_t Mode);
    // Discards the temporary file when it was not committed.
    ~TTempFileStream() override;
    // Replaces the target with the temporary archive when the copy flag is set
    // (else discards it). Raises EFOpenError "Error opening file" when the
    // target cannot be replaced; the target is then untouched.
    void Commit();
    // Closes and deletes the temporary file without touching the target.
    void Discard();
    const std::string& TempFileName() const { return name_; }

private:
    os::SignalCleanupPath cleanup_;  // the temporary file goes when a signal ends the process
};

// New archive in memory; committing writes it beside the target and renames
// it over the target.
class TTempMemStream : public TTempArchive<TMemoryStream32> {
public:
    TTempMemStream(TTempArchiveHooks Hooks, uint16_t Mode, const std::string& TargetName);
    void Commit();
    void Discard() { CopyFlag = 0; }
};

// Creates an empty file with the prefix "arc" and a unique name in Dir (the
// system's temporary folder when Dir is empty or missing); its path, or ""
// when none can be created.
std::string MakeTempFileName(const std::string& Dir);

}  // namespace archive
