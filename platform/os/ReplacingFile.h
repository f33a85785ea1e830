#pragma once
// The one way a program writes a file it makes: the new contents go into a
// temporary file beside the target, which replaces the target only when it is
// whole. A failure, or a writer dropped without commit, leaves the old file
// as it was and no temporary file behind (a program that called
// remove_temp_files_on_signals() also loses none to SIGTERM, SIGINT, SIGHUP).
//
// What stands at the path keeps its kind: a symbolic link is followed and the
// file it names is replaced; a device or FIFO is written directly; a folder,
// or a file this process may not write, is refused. The new file gets the
// permissions of the file it replaces, or 0666 less the umask.

#include "platform/core/Streams.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace os {

class ReplacingFile {
public:
    // Prepares the new contents of `path`. EFCreateError
    // "Cannot create file \"%s\". %s" when it cannot.
    explicit ReplacingFile(const std::string& path);
    // Takes `finished`, a complete file on the target's file system, as the
    // new contents of `path` (its bytes are not copied; commit renames it).
    // Null when it cannot serve: another file system, or a target that is
    // written directly; the caller then copies into a ReplacingFile instead.
    // Once taken, `finished` is removed unless committed.
    static std::unique_ptr<ReplacingFile> adopt(const std::string& finished, const std::string& path);
    ~ReplacingFile();   // without commit(): the new file is removed, the target untouched
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The stream to write the new contents to (buffered). A write that fails
    // is short and LastError() says why (core::write_all raises for it), and
    // commit() then fails too.
    TStream& stream();
    // Appends the first `size` bytes of the open file `source` to the new
    // contents, copied by the kernel without passing through this process;
    // false, with nothing taken, when the kernel cannot copy between the two
    // (the caller then copies through stream()). A failure on the way is
    // reported as a failed write is.
    bool append_file(int source, std::int64_t size);
    // The file being written, for a writer that opens a file by name (write it
    // in place, do not rename over it); the target itself when written directly.
    const std::string& work_path() const { return work_; }
    // The file that commit() replaces: the path, links followed.
    const std::string& target() const { return target_; }
    // Whether the target is a device or FIFO, written directly.
    bool direct() const { return direct_; }

    // Flushes and syncs the new file, gives it its permissions and renames it
    // over the target, then syncs the folder. EWriteError "Disk full" when the
    // file system is full (or the file-size limit reached), EFCreateError with
    // the reason otherwise; the old file is then left whole.
    void commit();
    // As commit(), but only while no file stands at the target: false, and the
    // new file removed, when one has appeared since.
    bool commit_if_absent();
    // Drops the new file (the same as destroying the writer without commit).
    void discard();

private:
    struct Adopted {};
    ReplacingFile(Adopted, const std::string& finished, const std::string& path);
    void open_for(const std::string& path);
    bool finish(bool replace);
    [[noreturn]] void fail(int err);

    std::string path_;     // as the caller named it (for messages)
    std::string target_;   // links followed
    std::string work_;     // the temporary file, or the target when direct
    std::uint32_t mode_ = 0;
    int fd_ = -1;
    bool direct_ = false;
    bool done_ = false;
    class Buffer;
    std::unique_ptr<Buffer> buffer_;
    struct Cleanup;
    std::unique_ptr<Cleanup> cleanup_;
};

// Writes `data` as the whole new contents of `path` through a ReplacingFile.
void write_file(const std::string& path, std::string_view data);

// Whether two paths name one regular file (device and inode, links followed).
// False when either is absent or no regular file.
bool same_file(const std::string& a, const std::string& b);

// A command never writes over what it reads: EFCreateError
// "Cannot create file \"OUT\". It is the input \"IN\"" when `output` is the
// same file as one of `inputs` (a hard link, a symbolic link, /dev/stdout
// sent to it, or the name itself). Called before anything is read or written.
void refuse_output_over_inputs(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace os
