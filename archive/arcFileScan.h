#pragma once
// The file scan: turns a list of file names and masks into files, grouped by
// folder, walking sub-folders, filtering by attributes and wildcard masks.
// Entries of a folder are visited in byte order of their names. FIFOs,
// sockets and devices are skipped; a symbolic link to a folder is never
// followed (a link to a file counts as that file); a name starting with "."
// is hidden.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace archive {

// File attributes of the attribute filters, in this order.
enum TarcFileAttr { fsZeroAttr, fsReadOnly, fsHidden, fsSysFile, fsVolumeID, fsDirectory, fsArchive, fsCompressed };
// A set of TarcFileAttr, one bit per member (bit n = member n).
using TarcFileAttrs = uint8_t;
constexpr TarcFileAttrs AttrSet(std::initializer_list<TarcFileAttr> Members) {
    TarcFileAttrs s = 0;
    for (auto m : Members) s = static_cast<TarcFileAttrs>(s | (1u << m));
    return s;
}
// The Windows attribute mask of a set (fsZeroAttr adds no bit).
uint32_t AttrsToMask(TarcFileAttrs Attrs);
// Whether an attribute word meets any member of the set.
bool AttributeMatch(TarcFileAttrs Attrs, uint32_t Attr);

// What the scan knows of one directory entry.
struct TSearchRec {
    std::string Name;      // the entry's name in its folder
    uint32_t Attr = 0;     // Windows-style attribute word (0x10 folder, 0x20 file, ...)
    int64_t Size = 0;      // size in bytes (of the target for a link to a file)
    int64_t MTime = 0;     // last write, seconds since the epoch
    uint64_t Device = 0;   // device and inode: identify the file itself
    uint64_t Inode = 0;
};

// A compiled wildcard mask: "*" any run, "?" one character, other characters
// literal with a to z folded (unless MatchCase); a mask ending in "." also
// matches a name without any "." . Matching takes time proportional to name
// times mask length at worst, whatever the number of "*".
class TInternalMask {
public:
    explicit TInternalMask(const std::string& Mask, bool MatchCase = false);
    bool Matches(const std::string& Name) const;

private:
    enum Kind : uint8_t { kStar, kAny, kLiteral };
    struct State {
        Kind kind;
        char literal;
    };
    std::vector<State> states_;
    bool ends_with_dot_ = false;
    bool match_case_ = false;
};

// Compiles Mask and tests Name against it (a to z folded unless MatchCase).
bool MatchesMask(const std::string& Name, const std::string& Mask, bool MatchCase = false);

// The scanning component.
class TarcFileScan {
public:
    using TOnScanFileEvent = std::function<void(TarcFileScan& Sender, const std::string& FileName, int FilesCount,
                                                double FilesSize)>;
    using TOnRecurseDir = std::function<void(TarcFileScan& Sender, const std::string& Directory)>;
    using TOnFinishedEvent = std::function<void(TarcFileScan& Sender, int FilesCount, double FilesSize)>;
    using TOnRootDirChange = std::function<void(TarcFileScan& Sender, const std::string& Dir)>;
    // Per accepted entry: the folder scanned (for a file) or the folder's full
    // path (for a folder), its record and UserData.
    using TEntryCallback = std::function<void(const std::string& Path, const TSearchRec& Rec, void* UserData)>;

    TarcFileScan();
    // Runs one scan; consumes FileSpec.
    void Execute();
    // Sets the flag behind the cancel pointer.
    void Cancel() { *cancel_ = 1; }
    void SetCancelFlag(uint8_t* Flag) { cancel_ = Flag ? Flag : &own_cancel_; }

    TarcFileAttrs Attributes = AttrSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed});
    TarcFileAttrs AttributesEx = 0;
    std::vector<std::string> FileSpec;
    bool IncludeHiddenDirs = false;
    bool RecurseDirs = true;
    bool UpdateList = true;
    // Masks match names with case (off: a to z match either case).
    bool MatchCase = false;
    // FileSpec lines read as command-line arguments: a line without "*" or
    // "?" that names a folder (no trailing separator) is that folder's tree,
    // scanned from its parent so that names keep the folder's own name; one
    // that names anything else is that one file, not searched for in
    // sub-folders (nothing when it does not exist). Other lines are masks.
    bool PathArguments = false;
    std::string RootDir;  // "" means the current folder
    void* UserData = nullptr;
    TOnScanFileEvent OnScanFile;
    TOnRecurseDir OnRecurseDir;
    TOnFinishedEvent OnFinished;
    TOnRootDirChange OnRootDirChange;
    TEntryCallback OnEntry;

    int FilesCount = 0;
    double FilesSize = 0;

private:
    void ScanFolder(const std::string& Dir, const std::vector<TInternalMask>& Masks);
    // A line that PathArguments reads as a path rather than a mask.
    bool IsPathArgument(const std::string& Line) const;
    // Scans one line read as a path.
    void ScanPath(const std::string& Line);
public:
    // True while the tree of a folder named as an argument is scanned (its
    // root is the folder's parent).
    bool InFolderArgument() const { return in_folder_argument_; }
private:
    bool in_folder_argument_ = false;
    // Hands an accepted file of folder Dir to the callbacks.
    void AcceptFile(const std::string& Dir, const TSearchRec& Rec);
    uint8_t own_cancel_ = 0;
    uint8_t* cancel_ = &own_cancel_;
};

// Lists a folder's entries in byte order of their names, following a link to
// a file and skipping links to folders, dangling links, FIFOs, sockets and
// devices. Empty when the folder cannot be read.
std::vector<TSearchRec> ListFolder(const std::string& Dir);

}  // namespace archive
