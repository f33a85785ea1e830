#pragma once
// The archive component base: settings shared by the archive components,
// numbered error reports, cancel flag, progress, timing, temporary folder,
// stored-name rules, the entry list of a pass and the compress pass itself.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/StringList.h"
#include "archive/arcDiskSpan.h"
#include "archive/arcErrors.h"
#include "archive/arcFileScan.h"
#include "archive/arcRegister.h"
#include "archive/arcStreams.h"
#include "archive/arcTypes.h"

namespace archive {

enum TDateAttribute { daFileDate, daSysDate, daMaxFileDate };
enum TStoredDirNames {
    sdNone, sdAbsolute, sdAbsoluteNoDrv, sdAbsoluteNoRoot, sdRelative, sdRelativeStoreStart,
    sdExplorer_Auto, sdExplorer_UserDefineDefaultDir
};
enum TDeleteOptions { doFinal, doAllowUndo };
enum TSwitch { swAdd, swRefresh, swMove, swDelete, swRead };
enum TCompressMethod {
    cmStore, cmDeflate, cmFuse, cmFrozen5, cmFrozen6, cmMsZip, cmLzx, cmQuantum, cmUUEncode, cmXXEncode,
    cmBase64, cmTarred, cmTarGzip
};
enum TCompressionMethod { cmInMemory, cmTempFile };
enum TEntryStatus : uint8_t { esNew = 0, esKeep = 1, esDeleted = 2, esNewName = 3 };

// An error that has already gone through OnError; the pass only ends.
class EReported : public E_RAISE {
public:
    using E_RAISE::E_RAISE;
};

// One entry of the list of a pass.
struct TCompFileInfo {
    std::string NewName;             // for renames
    int64_t Offset = 0;              // local header offset in the new archive
    TEntryStatus Status = esNew;
    uint8_t HeaderEncrypted = 0;     // "PL" headers
    std::string Comment;             // entry comment bytes
    std::string Extra;               // extra field bytes
    int64_t SourceSize = 0;          // size of the source file (64-bit)
    int64_t SourceTime = 0;          // its last write, seconds since the epoch
    uint64_t Device = 0, Inode = 0;  // identity of the source file
    bool FromArchive = false;        // read from the existing archive (copied, not compressed)
    int64_t OldOffset = 0;           // its local header offset in the existing archive
    std::string RawName;             // its name bytes as the existing archive stores them
    bool Merged = false;             // a scanned file already met it in this pass
    bool InFolderArgument = false;   // found in the tree of a folder named as an argument
};

// The entry list of a pass: per entry a 46-byte central header image, its
// record, its name (full source path of a new entry, stored name of an old
// one) and the length of the scan folder prefix of that path. A hash index of
// the names (ASCII case folded) keeps name look-ups constant-time.
class TCompHeaderObj {
public:
    static constexpr std::size_t kHeaderSize = 46;
    using Header = std::array<uint8_t, kHeaderSize>;
    int Count() const { return static_cast<int>(infos_.size()); }
    // Appends an entry; false (and the list unchanged) on failure.
    // Room for Count entries without reallocation.
    void Reserve(int Count);
    bool AddEntry(TCompFileInfo Info, const std::string& Name, std::size_t HeaderSize, int RootLength,
                  const uint8_t* HeaderBytes);
    TCompFileInfo& EntryInfo(int Index) { return infos_.at(static_cast<std::size_t>(Index)); }
    const std::string& Name(int Index) const { return names_.at(static_cast<std::size_t>(Index)); }
    // Renames an entry (the index follows).
    void SetName(int Index, const std::string& Name);
    int RootLength(int Index) const { return root_lengths_.at(static_cast<std::size_t>(Index)); }
    void SetRootLength(int Index, int Length) { root_lengths_.at(static_cast<std::size_t>(Index)) = Length; }
    Header& HeaderCopy(int Index) { return headers_.at(static_cast<std::size_t>(Index)); }
    // Index of the first entry not deleted with this name (ASCII case
    // ignored unless MatchCase), or -1.
    int IndexOfName(const std::string& Name, bool MatchCase = false) const;
    void Clear();
    std::string ArchiveComment;
    bool Modified = false;

private:
    std::vector<TCompFileInfo> infos_;
    std::vector<std::string> names_;
    std::vector<int> root_lengths_;
    std::vector<Header> headers_;
    // Lower-cased name -> first entry of that name; entries of one name are
    // chained in ascending order through same_name_.
    std::unordered_map<std::string, int> index_;
    std::vector<int> same_name_;
    void Link(int Index, const std::string& Key);
    void Unlink(int Index, const std::string& Key);
};

// Elapsed time of a pass.
class TarcTimer {
public:
    void Start();
    void Stop();
    void Pause();
    void Resume();
    float Elapsed() const { return elapsed_; }
    bool Running() const { return running_; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_{}, paused_{};
    bool running_ = false, pausing_ = false;
    float elapsed_ = 0;
};

// Information about the entry last reported through OnRead.
struct TEntryReport {
    std::string FileName;
    uint16_t VersionMadeBy = 0, VersionNeeded = 0, Method = 0, InternalAttr = 0;
    bool Encrypted = false;
    int64_t CompressedSize = 0, UncompressedSize = 0;
    uint32_t CRC = 0, ExternalAttr = 0, DosDate = 0;
    std::string MethodName;
    int Ratio = 0;
    std::string Comment;  // the entry comment (swRead walk)
};

class TZipCommon;
class TCompBase;

// The lines of a string list.
std::vector<std::string> Lines(const TStrings& List);
// Replaces the lines of a string list.
void SetLines(TStrings& List, const std::vector<std::string>& Lines);

// Events (Sender first).
using TOnError = std::function<void(TZipCommon& Sender, const std::string& FileName, const std::string& ExtendedMsg,
                                    const std::string& VolumeID, int ECode)>;
using TOnProgress = std::function<void(TZipCommon& Sender, uint8_t ProgressByFile, uint8_t ProgressByArchive)>;
using TOnElapsedTime = std::function<void(TZipCommon& Sender, float ElapsedTime)>;
using TOnTmpFileMoveBegin = std::function<void(TStream32& Sender, const std::string& Archive,
                                               const std::string& TempFileName)>;
using TOnTmpFileMoveEnd = std::function<void(TStream32& Sender)>;
using TOnBegin = std::function<void(TZipCommon& Sender, const std::string& FileName, int Count, bool& Extract)>;
using TOnEnd = std::function<void(TZipCommon& Sender, const std::string& FileName, bool CRC_PASS)>;
using TOnDeleteFile = std::function<void(TZipCommon& Sender, const std::string& FileName, int Count, int MaxCount)>;
using TOnFileScanStatus = std::function<void(TZipCommon& Sender, const std::string& FileName, int FilesCount,
                                             double FilesSize)>;
using TOnRecurseDirEvent = std::function<void(TZipCommon& Sender, const std::string& Directory)>;
using TOnRead = std::function<void(TZipCommon& Sender, int64_t Offset, int Filenum)>;
using TOnNonWriteableArchive = std::function<void(TZipCommon& Sender, const std::string& ArchiveFile,
                                                  bool& WriteToFile)>;
using TOnStoredNameChange = std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewName)>;
using TOnSkipFile = std::function<void(TZipCommon& Sender, const std::string& FileName)>;
using TOnReplaceFile = std::function<void(TZipCommon& Sender, const std::string& FileName,
                                          const std::string& NewFilename, double Date, double NewDate,
                                          uint32_t FileSize, uint32_t NewFileSize, int Attr, int NewAttr,
                                          bool& Replace)>;
using TOnRenameDupeFile = std::function<void(TZipCommon& Sender, const std::string& FileName,
                                             std::string& NewFilename, bool& Rename)>;
using TOnDiskErrorEvent = std::function<void(TZipCommon& Sender, bool& Abort)>;
using TOnInsertDisk = std::function<void(TZipCommon& Sender, const std::string& VolumeName, bool& Cancel)>;
using TOnClearDisk = std::function<void(TZipCommon& Sender, const std::string& Drive, int64_t RequiredSpace,
                                        int64_t FreeSpace, int64_t TotalSpace, bool& Cancel)>;
using TOnFileExists = std::function<void(TZipCommon& Sender, const std::string& FileName, double FileDate,
                                         TOverwriteMode& OverwriteMode)>;

// Root of the archive components.
class TRegisterArchiver : public TComponent {
public:
    explicit TRegisterArchiver(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    bool EncryptHeaders = false;
};

// Settings, error reporting, cancel, progress, temporary folder, stored names.
class TZipCommon : public TRegisterArchiver {
public:
    explicit TZipCommon(TComponent* AOwner);
    ~TZipCommon() override;
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    // ---- published settings
    const std::string& ArchiveFile() const { return archive_file_; }
    virtual void SetArchiveFile(const std::string& Value);
    TArcType ArcType() const { return arc_type_; }
    virtual void SetArcType(TArcType Value) { arc_type_ = Value; }
    // The folder for temporary archives: TempDir when it names a folder, else
    // the system's temporary folder (which is then stored).
    std::string GetTempDir();
    // Stores the folder (unchecked while loading); a missing folder is created;
    // "" or a folder that cannot be made becomes the system's temporary folder.
    void SetTempDir(const std::string& Value);
    const std::string& TempDirValue() const { return temp_dir_; }

    TStringList FileSpec;      // file names and masks to add, one a line
    TStringList ExcludeSpec;   // masks of names to leave out
    TarcFileAttrs Attributes = AttrSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed});
    TarcFileAttrs AttributesEx = 0;
    TDateAttribute DateAttribute = daFileDate;
    TDeleteOptions DeleteOptions = doAllowUndo;
    bool IncludeHiddenDirs = false;
    bool RecurseDirs = true;
    // Masks (FileSpec, ExcludeSpec, deletion) and the names of the entry list
    // are compared with case. Off (the default), ASCII letters match either
    // case, as on Windows.
    bool MatchCase = false;
    // FileSpec lines are command-line arguments (TarcFileScan::PathArguments):
    // a folder's tree under its own name, a file alone, or a mask.
    bool PathArguments = false;
    TStoredDirNames StoredDirNames = sdRelative;
    bool TranslateOemChar = true;
    std::string Password;
    std::string DefaultDir;
    // Lower-case extensions with their dot (".tmp"): scanned files that
    // carry one are left out and reported through OnSkipFile.
    TStringList ExtensionFilter;
    // Empties ExtensionFilter.
    void ClearExtensionFilter() { ExtensionFilter.Clear(); }
    // True while the component is being read from a form resource.
    bool Loading() const { return InState(csLoading | csReading); }

    // ---- events
    TOnError OnError;
    TOnProgress OnProgress;
    TOnElapsedTime OnElapsedTime;
    TOnProgress OnTmpFileProgress;
    TOnTmpFileMoveBegin OnTmpFileMoveBegin;
    TOnTmpFileMoveEnd OnTmpFileMoveEnd;

    // ---- operations
    // Fires OnError (code 25443 instead while the cancel flag is set).
    void ReportError(const std::string& FileName, const std::string& ExtendedMsg, const std::string& VolumeID,
                     int ECode);
    // Reports, then (unless the cancel flag is set) raises E_RAISE with the code's text.
    void RaiseError(const std::string& FileName, const std::string& ExtendedMsg, const std::string& VolumeID,
                    int ECode);
    bool GetCancel() const { return cancel_ != 0; }
    // Stores the flag; True also reports 25443 with the current entry name.
    void SetCancel(bool Value);
    // The stored name of FileName under StoredDirNames with RootDir as scan root.
    std::string StoredFileName(const std::string& FileName, const std::string& RootDir) const;
    // A stored name matching a line of ExcludeSpec (made a stored name the same way).
    bool IsExcluded(const std::string& StoredName, const std::string& RootDir) const;
    // The entry date of a file by DateAttribute.
    uint32_t EntryDate(uint32_t FileDos) const;
    const std::string& CurrentEntryName() const { return entry_name_; }
    int CurrentFileNumber() const { return file_number_; }
    // The last pass's elapsed seconds.
    float ElapsedTime() const { return timer_.Elapsed(); }

protected:
    // Updates the two percentages and hands them to the progress handler.
    void ReportProgress(double Position, double FileSize, double ArchiveTotal);
    // Default progress handler: fires OnProgress.
    void DefaultProgress(uint8_t ByFile, uint8_t ByArchive);
    TTempArchiveHooks TempArchiveHooks();

    std::string archive_file_;
    TArcType arc_type_ = atNA;
    std::string temp_dir_;
    std::string entry_name_;
    int file_number_ = 0;
    double file_size_ = 0, archive_total_ = 0, bytes_left_ = 0;
    uint32_t newest_date_ = 0;
    uint8_t cancel_ = 0;
    uint8_t progress_by_file_ = 0, progress_by_archive_ = 0;
    TarcTimer timer_;
};

// Deletes FileName: to the trash with doAllowUndo, at once otherwise.
// False for a missing file or a failure.
bool DeleteOrRecycle(const std::string& FileName, TDeleteOptions Mode);

// The compressing base: one Compress pass over an archive.
class TCompBase : public TZipCommon {
public:
    explicit TCompBase(TComponent* AOwner);
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }

    // Runs one pass; the entries written (swAdd, swRefresh, swMove), deleted
    // (swDelete), or 0 (nothing to do, any failure). Never raises.
    int Compress();
    void SetArchiveFile(const std::string& Value) override;

    TSwitch Switch = swAdd;
    TCompressMethod CompressMethod() const { return compress_method_; }
    virtual void SetCompressMethod(TCompressMethod Value) { compress_method_ = Value; }
    TCompressionMethod CompressionMethod = cmTempFile;
    TDeflateType DeflateType = dtDeflateN;
    bool StoreEmptySubDirs = false;
    TStringList StoreFilesOfType;  // extensions that are stored, not deflated
    bool VerifyBeforeDelete = false;
    std::string DefaultExt;

    // The archive's drive as the last check found it.
    const TDiskManager& DiskManager() const { return disk_manager_; }
    int FilesAdded() const { return files_added_; }
    int FilesDeleted() const { return files_deleted_; }
    // Information about the entry last reported through OnRead.
    const TEntryReport& EntryReport() const { return report_; }

    // ---- directory editing: entry comments and the archive comment of
    // ArchiveFile, read by OpenArchiveDirectory and written back by
    // SaveDirectoryChanges (formats without it report 25244).
    // Reads the directory of ArchiveFile; the entry count (0 on failure).
    virtual int OpenArchiveDirectory();
    // The entry's name and comment bytes; "" for an index outside the list.
    virtual void GetFileComment(int Index, std::string& Name, int& Length, std::string& Comment);
    // Changes an entry's comment (nothing for an index outside the list).
    virtual void SetFileComment(int Index, const std::string& Comment);
    // The archive comment; 0 when no directory is open.
    virtual int GetArchiveComment(std::string& Comment, int& Length);
    virtual void SetArchiveComment(const std::string& Comment);
    // Writes the changed comments back into ArchiveFile (through a
    // temporary archive; the archive is left as it was on any failure).
    virtual void SaveDirectoryChanges();
    // Reports 25244 for FileName; answers 0.
    int UnsupportedFileOperation(const std::string& FileName);

    TNotifyEvent OnActivate, OnDeactivate;
    TOnBegin OnBegin;
    TOnEnd OnEnd;
    TOnDeleteFile OnDeleteFile;
    TOnFileScanStatus OnFileScanStatus;
    TOnRecurseDirEvent OnRecurseDir;
    TOnRead OnRead;
    TOnReplaceFile OnReplaceFile;
    TOnRenameDupeFile OnRenameDupeFile;
    TOnNonWriteableArchive OnNonWriteableArchive;
    TOnDiskErrorEvent OnDiskInDrvErr, OnDiskWriteProtectErr;
    TOnInsertDisk OnInsertDisk;
    TOnClearDisk OnClearDisk;
    TOnFileExists OnDiskSpanFileExists;
    TOnSkipFile OnSkipFile;
    TOnStoredNameChange OnStoredNameChange;

protected:
    // Format operations.
    virtual std::size_t GetHeadSize() { return 0; }
    virtual std::size_t GetLocalHeadSize() { return 0; }
    virtual void SetEntryStats(TCompHeaderObj::Header&, int64_t, int64_t, uint32_t, uint32_t) {}
    virtual void CompressEntry(TStream32& Stream, int Index, bool& Ok, TCompHeaderObj& List);
    virtual bool WriteEntryData(TStream32&, int, TCompHeaderObj&) { return false; }
    virtual void DoEnd() {}
    // Writes the central directory and end record; false on failure.
    virtual bool WriteDirectoryEnd(TStream32&, TCompHeaderObj&) { return true; }
    virtual void WriteEmptyEnd(TStream32&) {}
    virtual void ReportEntries(TCompHeaderObj&) {}
    // Checks before anything is written that the entries fit the format;
    // reports and answers false when they do not.
    virtual bool CheckLimits(TCompHeaderObj&) { return true; }
    // Reads an existing archive's directory into the list; reports and
    // answers false when the archive cannot be updated.
    virtual bool ReadArchiveDirectory(TStream32& Old, TCompHeaderObj& List);
    // Writes what the existing archive holds before its first entry.
    virtual void WriteArchivePrefix(TStream32&, TStream32&) {}
    // Copies a kept entry of the existing archive unchanged (copies may be
    // gathered until FinishEntryCopies).
    virtual void CopyEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List);
    // Copies an entry of the existing archive under its new name.
    virtual void RenameEntry(TStream32& Old, TStream32& Out, int Index, TCompHeaderObj& List);
    // Completes the copies gathered so far.
    virtual void FinishEntryCopies(TStream32&, TStream32&) {}
    // The swRead walk: fires OnRead for each entry of the existing archive.
    virtual void ListArchive(TStream32& Old);
    // Called with each entry name the swRead walk finds.
    virtual void ReadEntryHook(const std::string&) {}

    // Locks the existing ArchiveFile for an update; reports 25235 and
    // answers false when another update holds it or it cannot be opened.
    bool LockArchive(ArchiveLock& Lock);
    // The temporary archive's hooks for replacing ArchiveFile: the archive
    // held by Lock (or, without one, none at all) must still be as it was
    // read, else the replacement is refused with 25246.
    TTempArchiveHooks GuardedHooks(const ArchiveLock* Lock);
    // The stored name of an entry's full path with its root.
    void SetEntryFileName(const std::string& FullPath);
    // Progress handler handed to the streams (null when OnProgress is unset).
    TStreamProgress FileProgress();
    TStreamContext Context(bool Encrypt, TZipCipher* Cipher);

    std::string scan_root_;
    bool in_folder_argument_ = false;  // the scan is in the tree of a folder argument
    int files_added_ = 0, files_deleted_ = 0;
    bool list_modified_ = false, archive_missing_ = false, post_pass_ = false;
    TEntryReport report_;
    TCompressMethod compress_method_ = cmDeflate;
    uint64_t temp_device_ = 0, temp_inode_ = 0;
    TStream32* new_archive_ = nullptr;
    bool entry_written_ = false;  // the entry DoEnd reports was written whole
    TStream32* old_archive_ = nullptr;
    std::string new_name_;  // the answer field handed to OnRenameDupeFile
    std::unique_ptr<TCompHeaderObj> dir_list_;  // the list of OpenArchiveDirectory
    // The drive checker: what the last check found on the archive's drive.
    TDiskManager disk_manager_;

private:
    bool Prepare();
    int RunPass();
    void CompressArchive(TCompHeaderObj& List, std::vector<std::string>& DeleteList);
    void ProcessList(TCompHeaderObj& List, std::vector<std::string>& DeleteList);
    void AddScannedFile(const std::string& Folder, const TSearchRec& Rec, TCompHeaderObj& List);
    void MergeEntry(const std::string& FullPath, TCompHeaderObj& List, const TSearchRec& Rec);
    // Appends a scanned item as a new entry.
    void AddNewEntry(const std::string& FullPath, TCompHeaderObj& List, const TSearchRec& Rec);
    // Asks OnRenameDupeFile for a new name of entry Index; "" for none.
    std::string AskNewName(int Index, TCompHeaderObj& List);
    // Abandons a pass over an existing archive when the cancel flag is set.
    void AbandonIfCancelled();
    // The drive check before a pass (arcDiskManager); a failure is reported
    // and ends the pass.
    bool CheckArchiveDrive();
};

}  // namespace archive
