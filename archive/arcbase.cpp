#include "archive/arcbase.h"

#include <algorithm>
#include <cstdio>

#include "platform/core/ClassBuilder.h"
#include "platform/core/ByteOrder.h"
#include "platform/os/Files.h"
#include "platform/os/Trash.h"
#include "archive/arcGbls.h"

namespace archive {

namespace {

bool starts_with_nocase(const std::string& Text, const std::string& Prefix) {
    return Text.size() >= Prefix.size() && SameTextAscii(Text.substr(0, Prefix.size()), Prefix);
}

}  // namespace

std::vector<std::string> Lines(const TStrings& List) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(List.Count()));
    for (int i = 0; i < List.Count(); ++i) out.push_back(List.Get(i));
    return out;
}

void SetLines(TStrings& List, const std::vector<std::string>& Lines) {
    List.Clear();
    for (const auto& line : Lines) List.Add(line);
}

// ---- TCompHeaderObj -------------------------------------------------------

void TCompHeaderObj::Reserve(int Count) {
    const auto n = static_cast<std::size_t>(std::max(Count, 0));
    infos_.reserve(n);
    names_.reserve(n);
    root_lengths_.reserve(n);
    headers_.reserve(n);
    same_name_.reserve(n);
    index_.reserve(n);
}

bool TCompHeaderObj::AddEntry(TCompFileInfo Info, const std::string& Name, std::size_t HeaderSize, int RootLength,
                              const uint8_t* HeaderBytes) {
    try {
        Header h{};
        if (HeaderBytes && HeaderSize > 0) std::copy_n(HeaderBytes, std::min(HeaderSize, kHeaderSize), h.begin());
        infos_.push_back(std::move(Info));
        names_.push_back(Name);
        root_lengths_.push_back(RootLength);
        headers_.push_back(h);
        same_name_.push_back(-1);
        Link(static_cast<int>(names_.size() - 1), LowerAscii(Name));
        return true;
    } catch (...) {
        const std::size_t n = std::min({infos_.size(), names_.size(), root_lengths_.size(), headers_.size()});
        infos_.resize(n);
        names_.resize(n);
        root_lengths_.resize(n);
        headers_.resize(n);
        same_name_.resize(n);
        return false;
    }
}

void TCompHeaderObj::Link(int Index, const std::string& Key) {
    auto [it, inserted] = index_.try_emplace(Key, Index);
    if (inserted) return;
    if (Index < it->second) {
        same_name_[static_cast<std::size_t>(Index)] = it->second;
        it->second = Index;
        return;
    }
    int at = it->second;
    while (same_name_[static_cast<std::size_t>(at)] >= 0 && same_name_[static_cast<std::size_t>(at)] < Index)
        at = same_name_[static_cast<std::size_t>(at)];
    same_name_[static_cast<std::size_t>(Index)] = same_name_[static_cast<std::size_t>(at)];
    same_name_[static_cast<std::size_t>(at)] = Index;
}

void TCompHeaderObj::Unlink(int Index, const std::string& Key) {
    const auto it = index_.find(Key);
    if (it == index_.end()) return;
    const int next = same_name_[static_cast<std::size_t>(Index)];
    same_name_[static_cast<std::size_t>(Index)] = -1;
    if (it->second == Index) {
        if (next < 0) index_.erase(it);
        else it->second = next;
        return;
    }
    for (int at = it->second; at >= 0; at = same_name_[static_cast<std::size_t>(at)]) {
        if (same_name_[static_cast<std::size_t>(at)] == Index) {
            same_name_[static_cast<std::size_t>(at)] = next;
            return;
        }
    }
}

int TCompHeaderObj::IndexOfName(const std::string& Name, bool MatchCase) const {
    const auto it = index_.find(LowerAscii(Name));
    if (it == index_.end()) return -1;
    for (int i = it->second; i >= 0; i = same_name_[static_cast<std::size_t>(i)]) {
        const auto at = static_cast<std::size_t>(i);
        if (infos_[at].Status != esDeleted && (!MatchCase || names_[at] == Name)) return i;
    }
    return -1;
}

void TCompHeaderObj::SetName(int Index, const std::string& Name) {
    std::string& current = names_.at(static_cast<std::size_t>(Index));
    const std::string old_key = LowerAscii(current), new_key = LowerAscii(Name);
    current = Name;
    if (old_key == new_key) return;
    Unlink(Index, old_key);
    Link(Index, new_key);
}

void TCompHeaderObj::Clear() {
    infos_.clear();
    names_.clear();
    root_lengths_.clear();
    headers_.clear();
    index_.clear();
    same_name_.clear();
    ArchiveComment.clear();
    Modified = false;
}

// ---- TarcTimer ------------------------------------------------------------

void TarcTimer::Start() {
    elapsed_ = 0;
    start_ = Clock::now();
    running_ = true;
    pausing_ = false;
}

void TarcTimer::Stop() {
    if (!running_) return;
    const auto now = pausing_ ? paused_ : Clock::now();
    elapsed_ = std::chrono::duration<float>(now - start_).count();
    running_ = false;
    pausing_ = false;
}

void TarcTimer::Pause() {
    if (running_ && !pausing_) {
        paused_ = Clock::now();
        pausing_ = true;
    }
}

void TarcTimer::Resume() {
    if (running_ && pausing_) {
        start_ += Clock::now() - paused_;
        pausing_ = false;
    }
}

// ---- TZipCommon -----------------------------------------------------------

TRegisterArchiver::TRegisterArchiver(TComponent* AOwner) : TComponent(AOwner) {}

TClass TRegisterArchiver::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TRegisterArchiver, TComponent>("TRegisterArchiver").Abstract().Build();
    return &info;
}

TZipCommon::TZipCommon(TComponent* AOwner) : TRegisterArchiver(AOwner) {}
TZipCommon::~TZipCommon() = default;

TClass TZipCommon::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TZipCommon, TRegisterArchiver>("TZipCommon").Abstract().Build();
    return &info;
}

void TZipCommon::SetArchiveFile(const std::string& Value) { archive_file_ = NormalizeSeparators(Value); }

std::string TZipCommon::GetTempDir() {
    if (!temp_dir_.empty() && DirExists(temp_dir_)) return AppendSlash(temp_dir_);
    temp_dir_ = SystemTempDir();
    return temp_dir_;
}

void TZipCommon::SetTempDir(const std::string& Value) {
    if (Loading()) {
        temp_dir_ = NormalizeSeparators(Value);
        return;
    }
    std::string dir = Value.empty() ? SystemTempDir() : AppendSlash(NormalizeSeparators(Value));
    // Without a person to ask, a missing folder is created (the box's default answer).
    if (!DirExists(dir) && !ForceDirs(dir)) dir.clear();
    temp_dir_ = dir.empty() || !DirExists(dir) ? SystemTempDir() : dir;
}

void TZipCommon::ReportError(const std::string& FileName, const std::string& ExtendedMsg,
                             const std::string& VolumeID, int ECode) {
    timer_.Pause();
    if (cancel_) ECode = E_USERCANCEL;
    try {
        if (OnError) OnError(*this, FileName, ExtendedMsg, VolumeID, ECode);
    } catch (...) {
        timer_.Resume();
        throw;
    }
    timer_.Resume();
}

void TZipCommon::RaiseError(const std::string& FileName, const std::string& ExtendedMsg,
                            const std::string& VolumeID, int ECode) {
    ReportError(FileName, ExtendedMsg, VolumeID, ECode);
    if (!cancel_) throw EReported(ErrorText(ECode));
}

void TZipCommon::SetCancel(bool Value) {
    cancel_ = Value ? 1 : 0;
    if (Value) ReportError(archive_file_, entry_name_, "0", E_USERCANCEL);
}

std::string TZipCommon::StoredFileName(const std::string& FileName, const std::string& RootDir) const {
    const std::string name = NormalizeSeparators(FileName);
    const std::string root = NormalizeSeparators(RootDir);
    switch (StoredDirNames) {
        case sdNone:
            return ExtractFileName(name);
        case sdAbsolute:
            return name;
        case sdAbsoluteNoDrv:
        case sdAbsoluteNoRoot: {
            std::string s = name;
            if (s.rfind("//", 0) == 0) {
                // //server/share/folder/... keeps "/folder/..."
                const auto server_end = s.find('/', 2);
                const auto share_end = server_end == std::string::npos ? std::string::npos : s.find('/', server_end + 1);
                s = share_end == std::string::npos ? std::string() : s.substr(share_end);
            }
            if (StoredDirNames == sdAbsoluteNoRoot && !s.empty() && s[0] == '/') s.erase(0, 1);
            return s;
        }
        case sdRelative:
            if (!root.empty() && starts_with_nocase(name, root)) return name.substr(root.size());
            return name;
        case sdRelativeStoreStart: {
            const std::string last = ExtractFileName(RemoveSlash(root));
            const std::size_t n = root.size() >= last.size() + 1 ? root.size() - last.size() - 1 : 0;
            return n <= name.size() ? name.substr(n) : std::string();
        }
        case sdExplorer_Auto:
        case sdExplorer_UserDefineDefaultDir: {
            const std::string def = NormalizeSeparators(DefaultDir);
            if (!root.empty() && !def.empty() && SameTextAscii(AppendSlash(root), AppendSlash(def))) {
                if (starts_with_nocase(name, root)) return name.substr(root.size());
                return name;
            }
            const std::string prefix = AppendSlash(def);
            if (!def.empty() && name.rfind(prefix, 0) == 0) return name.substr(prefix.size());
            return name;
        }
    }
    return name;
}

bool TZipCommon::IsExcluded(const std::string& StoredName, const std::string& RootDir) const {
    for (const auto& line : Lines(ExcludeSpec)) {
        if (line.empty()) continue;
        if (MatchesMask(StoredName, StoredFileName(line, RootDir), MatchCase)) return true;
    }
    return false;
}

uint32_t TZipCommon::EntryDate(uint32_t FileDos) const {
    switch (DateAttribute) {
        case daSysDate: return NowDos();
        case daMaxFileDate: return newest_date_;
        default: return FileDos;
    }
}

void TZipCommon::ReportProgress(double Position, double FileSize, double ArchiveTotal) {
    try {
        progress_by_file_ = static_cast<uint8_t>(Percent(FileSize, Position));
        progress_by_archive_ = static_cast<uint8_t>(Percent(ArchiveTotal, ArchiveTotal - bytes_left_));
        DefaultProgress(progress_by_file_, progress_by_archive_);
    } catch (...) {
    }
}

void TZipCommon::DefaultProgress(uint8_t ByFile, uint8_t ByArchive) {
    if (OnProgress) OnProgress(*this, ByFile, ByArchive);
}

TTempArchiveHooks TZipCommon::TempArchiveHooks() {
    TTempArchiveHooks h;
    h.BytesLeft = &bytes_left_;
    if (OnTmpFileProgress) {
        h.Progress = [this](TStream32& s) {
            const double pos = static_cast<double>(s.GetPosition());
            const auto by_file = static_cast<uint8_t>(Percent(file_size_, pos));
            const auto by_arc = static_cast<uint8_t>(Percent(archive_total_, archive_total_ - bytes_left_));
            OnTmpFileProgress(*this, by_file, by_arc);
        };
    }
    h.MoveBegin = [this](TStream32& s, const std::string& a, const std::string& t) {
        if (OnTmpFileMoveBegin) OnTmpFileMoveBegin(s, a, t);
    };
    h.MoveEnd = [this](TStream32& s) {
        if (OnTmpFileMoveEnd) OnTmpFileMoveEnd(s);
    };
    h.SetTotals = [this](int64_t size) { file_size_ = archive_total_ = bytes_left_ = static_cast<double>(size); };
    return h;
}

bool DeleteOrRecycle(const std::string& FileName, TDeleteOptions Mode) {
    if (!FileOrDirExists(FileName)) return false;
    if (Mode == doAllowUndo) return os::move_to_trash(FileName);
    return os::remove_file(FileName);
}

// ---- TCompBase ------------------------------------------------------------

TCompBase::TCompBase(TComponent* AOwner) : TZipCommon(AOwner) { DateAttribute = daFileDate; }

TClass TCompBase::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TCompBase, TZipCommon>("TCompBase").Abstract().Build();
    return &info;
}

void TCompBase::SetArchiveFile(const std::string& Value) {
    if (Loading() && !FileExists(NormalizeSeparators(Value))) {
        archive_file_.clear();
        return;
    }
    std::string name = NormalizeSeparators(Value);
    if (!name.empty() && ExtractFileExt(name).empty()) name += DefaultExt;
    archive_file_ = name;
    cancel_ = 0;
}

bool TCompBase::CheckArchiveDrive() {
    auto handler = [this](const TOnDiskErrorEvent& Event) -> TOnDiskError {
        if (!Event) return nullptr;
        return [this, Event](TDiskCommon*, bool& Abort) { Event(*this, Abort); };
    };
    return archive::CheckArchiveDrive(
        disk_manager_, archive_file_, handler(OnDiskInDrvErr), handler(OnDiskWriteProtectErr),
        [this](const std::string& FileName, const std::string& Extended, const std::string& Volume, int Code) {
            ReportError(FileName, Extended, Volume, Code);
        });
}

int TCompBase::Compress() {
    try {
        if (!Prepare()) return 0;
        return RunPass();
    } catch (...) {
        return 0;
    }
}

bool TCompBase::Prepare() {
    file_number_ = 0;
    post_pass_ = false;
    list_modified_ = false;
    newest_date_ = 0;
    file_size_ = archive_total_ = bytes_left_ = 0;
    files_added_ = files_deleted_ = 0;
    cancel_ = 0;
    if (!CheckArchiveDrive()) return false;
    if (FileSpec.Count() == 0) return true;
    if (Switch == swDelete) DefaultDir.clear();
    if (StoredDirNames == sdExplorer_Auto) {
        std::string common;
        bool first = true;
        for (const auto& line : Lines(FileSpec)) {
            const std::string dir = ExtractFilePath(NormalizeSeparators(line));
            if (first) {
                common = AppendSlash(dir);
                first = false;
                continue;
            }
            std::size_t n = 0;
            while (n < common.size() && n < dir.size() && UpperAscii(common.substr(n, 1)) == UpperAscii(dir.substr(n, 1)))
                ++n;
            common.resize(n);
        }
        const auto sep = common.find_last_of('/');
        DefaultDir = sep == std::string::npos ? std::string() : common.substr(0, sep + 1);
    } else if (StoredDirNames == sdExplorer_UserDefineDefaultDir && DefaultDir.empty()) {
        ReportError(archive_file_, "DefaultDir", "0", E_REQUIREDPROPERTY);
        return false;
    }
    return true;
}

int TCompBase::RunPass() {
    if (archive_file_.empty() || cancel_) return 0;
    TCompHeaderObj list;
    std::vector<std::string> delete_list;
    CompressArchive(list, delete_list);
    return Switch == swDelete ? files_deleted_ : files_added_;
}

bool TCompBase::ReadArchiveDirectory(TStream32&, TCompHeaderObj&) {
    ReportError(archive_file_, "", "0", E_INVALIDARC);
    return false;
}

void TCompBase::CopyEntry(TStream32&, TStream32&, int, TCompHeaderObj&) {
    RaiseError(archive_file_, "", "0", E_INVALIDARC);
}

void TCompBase::RenameEntry(TStream32&, TStream32&, int, TCompHeaderObj&) {
    RaiseError(archive_file_, "", "0", E_INVALIDARC);
}

void TCompBase::ListArchive(TStream32&) { ReportError(archive_file_, "", "0", E_INVALIDARC); }

int TCompBase::UnsupportedFileOperation(const std::string& FileName) {
    ReportError(FileName, "", "0", E_INVALIDARC);
    return 0;
}

int TCompBase::OpenArchiveDirectory() { return UnsupportedFileOperation(archive_file_); }

void TCompBase::GetFileComment(int, std::string& Name, int& Length, std::string& Comment) {
    Name.clear();
    Comment.clear();
    Length = 0;
}

void TCompBase::SetFileComment(int, const std::string&) { UnsupportedFileOperation(archive_file_); }

int TCompBase::GetArchiveComment(std::string& Comment, int& Length) {
    Comment.clear();
    Length = 0;
    return UnsupportedFileOperation(archive_file_);
}

void TCompBase::SetArchiveComment(const std::string&) { UnsupportedFileOperation(archive_file_); }

void TCompBase::SaveDirectoryChanges() { UnsupportedFileOperation(archive_file_); }

bool TCompBase::LockArchive(ArchiveLock& Lock) {
    const ArchiveLock::Result result = Lock.acquire(archive_file_);
    if (result == ArchiveLock::Result::locked) return true;
    ReportError(archive_file_, result == ArchiveLock::Result::busy ? "another update of this archive is running" : "",
                "0", E_OPENFILE);
    return false;
}

TTempArchiveHooks TCompBase::GuardedHooks(const ArchiveLock* Lock) {
    TTempArchiveHooks hooks = TempArchiveHooks();
    hooks.TargetWasMissing = Lock == nullptr;
    hooks.CheckTarget = [this, Lock] {
        if (Lock ? Lock->unchanged() : !os::link_status(archive_file_)) return;
        ReportError(archive_file_, "changed by another program since it was read", "0", E_DAMAGED);
        throw EReported(ErrorText(E_DAMAGED));
    };
    return hooks;
}

void TCompBase::AbandonIfCancelled() {
    // A cancelled pass over an existing archive keeps the archive as it was:
    // the new archive is dropped rather than completed without old entries.
    if (cancel_ && !archive_missing_) throw EReported(ErrorText(E_USERCANCEL));
}

void TCompBase::CompressArchive(TCompHeaderObj& List, std::vector<std::string>& DeleteList) {
    // Held until the pass is over, after the new archive replaced the old one.
    ArchiveLock lock;
    std::unique_ptr<TTempFileStream> temp_file;
    std::unique_ptr<TTempMemStream> temp_mem;
    std::unique_ptr<TFileStream32> old;
    bool activated = false;
    auto finish_events = [&] {
        if (activated && OnDeactivate) OnDeactivate(this);
        if (OnElapsedTime) {
            timer_.Stop();
            OnElapsedTime(*this, timer_.Elapsed());
        }
    };
    auto abandon = [&] {
        new_archive_ = nullptr;
        old_archive_ = nullptr;
        old.reset();
        if (temp_file) temp_file->Discard();
        if (temp_mem) temp_mem->Discard();
    };
    try {
        archive_missing_ = !FileOrDirExists(archive_file_);
        if (Switch == swRead) {
            if (archive_missing_) return;
            file_number_ = 0;
            if (!OnRead) {
                ReportError(archive_file_, "OnRead", "0", E_REQUIREDEVENT);
                return;
            }
            TFileStream32 in(archive_file_, 0x20);
            if (in.Handle() < 0) {
                ReportError(archive_file_, "", "0", E_OPENFILE);
                return;
            }
            ListArchive(in);
            return;
        }
        if (archive_missing_ && Switch == swDelete) {
            ReportError(archive_file_, "", "0", E_NOTHINGTODELETE);
            return;
        }
        if (!archive_missing_) {
            // Writeable: a regular file whose owner may write it (the
            // read-only attribute is the owner's missing write permission).
            const auto st = os::file_status(archive_file_);
            const bool regular = st && st->is_regular();
            if (!regular || !st->owner_may_write()) {
                bool write_to_file = false;
                if (OnNonWriteableArchive) {
                    OnNonWriteableArchive(*this, archive_file_, write_to_file);
                    if (write_to_file)
                        write_to_file = regular && os::set_file_mode(archive_file_, st->mode | 0200);
                } else {
                    ReportError(archive_file_, "OnNonWriteableArchive", "0", E_REQUIREDEVENT);
                }
                if (!write_to_file || cancel_) return;
            }
            // One update of an archive at a time: a second one is refused
            // rather than have one of the two lost.
            if (!LockArchive(lock)) return;
        }
        if (OnElapsedTime) timer_.Start();
        if (OnActivate) OnActivate(this);
        activated = true;

        const TTempArchiveHooks hooks = GuardedHooks(archive_missing_ ? nullptr : &lock);
        TStream32* out = nullptr;
        if (CompressionMethod == cmTempFile) {
            temp_file = std::make_unique<TTempFileStream>(hooks, GetTempDir(), archive_file_, TFileStream32::fmCreate);
            if (temp_file->Handle() < 0) RaiseError(archive_file_, "", "0", E_OPENFILE);
            if (const auto st = os::handle_status(temp_file->Handle())) {
                temp_device_ = st->id.device;
                temp_inode_ = st->id.inode;
            }
            out = temp_file.get();
        } else {
            temp_mem = std::make_unique<TTempMemStream>(hooks, TFileStream32::fmCreate, archive_file_);
            out = temp_mem.get();
        }
        new_archive_ = out;

        if (!archive_missing_) {
            old = std::make_unique<TFileStream32>(archive_file_, 0x20);
            if (old->Handle() < 0) RaiseError(archive_file_, "", "0", E_OPENFILE);
            if (old->GetSize() != 0) {
                if (Switch == swDelete) ExcludeSpec.Clear();
                if (!ReadArchiveDirectory(*old, List)) throw EReported(ErrorText(E_INVALIDARC));
                old_archive_ = old.get();
            }
        }

        ProcessList(List, DeleteList);
        AbandonIfCancelled();

        if (files_added_ > 0 || files_deleted_ > 0) {
            int kept = 0;
            for (int i = 0; i < List.Count(); ++i)
                if (List.EntryInfo(i).Status != esDeleted) ++kept;
            if (Switch == swDelete && kept == 0) WriteEmptyEnd(*out);
            if (!WriteDirectoryEnd(*out, List)) throw EReported(ErrorText(E_WRITE));
            ReportEntries(List);
            AbandonIfCancelled();
            old_archive_ = nullptr;
            old.reset();
            if (temp_file) temp_file->Commit();
            if (temp_mem) temp_mem->Commit();
            new_archive_ = nullptr;
            if (OnDeactivate) OnDeactivate(this);
            activated = false;
            if (FileExists(archive_file_)) {
                post_pass_ = true;
                if (Switch == swMove) {
                    ReportProgress(0, 0, 0);
                    for (std::size_t i = 0; i < DeleteList.size(); ++i) {
                        if (DeleteOrRecycle(DeleteList[i], DeleteOptions) && OnDeleteFile)
                            OnDeleteFile(*this, DeleteList[i], static_cast<int>(i), static_cast<int>(DeleteList.size()));
                    }
                }
            }
            if (OnElapsedTime) {
                timer_.Stop();
                OnElapsedTime(*this, timer_.Elapsed());
            }
        } else {
            abandon();
            finish_events();
        }
    } catch (const EReported&) {
        abandon();
        finish_events();
        files_added_ = files_deleted_ = 0;
    } catch (const Exception& e) {
        abandon();
        // A failure that no report has named yet: say what went wrong.
        const int code = dynamic_cast<const EFOpenError*>(&e) ? E_OPENFILE
                         : e.Message() == "Disk full"            ? E_DISKFULL
                                                                 : E_WRITE;
        ReportError(archive_file_, e.Message(), "0", code);
        finish_events();
        files_added_ = files_deleted_ = 0;
    } catch (...) {
        abandon();
        ReportError(archive_file_, "", "0", E_WRITE);
        finish_events();
        files_added_ = files_deleted_ = 0;
    }
}

void TCompBase::ProcessList(TCompHeaderObj& List, std::vector<std::string>& DeleteList) {
    if (Switch != swDelete) {
        TarcFileScan scan;
        scan.UpdateList = true;
        scan.UserData = &List;
        scan.FileSpec = Lines(FileSpec);
        scan.Attributes = StoreEmptySubDirs ? static_cast<TarcFileAttrs>(Attributes | AttrSet({fsDirectory})) : Attributes;
        scan.AttributesEx = AttributesEx;
        scan.RecurseDirs = RecurseDirs;
        scan.IncludeHiddenDirs = IncludeHiddenDirs;
        scan.MatchCase = MatchCase;
        scan.PathArguments = PathArguments;
        if (OnFileScanStatus)
            scan.OnScanFile = [this](TarcFileScan&, const std::string& f, int n, double s) { OnFileScanStatus(*this, f, n, s); };
        if (OnRecurseDir) scan.OnRecurseDir = [this](TarcFileScan&, const std::string& d) { OnRecurseDir(*this, d); };
        scan.SetCancelFlag(&cancel_);
        scan.OnRootDirChange = [this](TarcFileScan&, const std::string& d) { scan_root_ = AppendSlash(d); };
        scan.OnEntry = [this, &List, &scan](const std::string& p, const TSearchRec& r, void*) {
            in_folder_argument_ = scan.InFolderArgument();
            AddScannedFile(p, r, List);
        };
        scan.Execute();
        // Progress by archive counts the scanned files; copies of entries of
        // an existing archive do not move it.
        archive_total_ = bytes_left_ = scan.FilesSize;
    }
    if (cancel_ || (Switch != swDelete && !list_modified_)) {
        const bool modified = list_modified_;
        List.Clear();
        if (!modified) ReportError(archive_file_, "", "0", E_NOTHINGTODO);
        return;
    }
    if (!CheckLimits(List)) throw EReported(ErrorText(E_WRITE));
    if (OnElapsedTime) timer_.Start();
    const int saved_deleted = files_deleted_;
    files_deleted_ = 0;
    TStream32& out = *new_archive_;
    if (old_archive_) WriteArchivePrefix(*old_archive_, out);
    auto drop_from = [&List](int first) {
        for (int k = first; k < List.Count(); ++k) List.EntryInfo(k).Status = esDeleted;
    };
    for (int i = 0; i < List.Count(); ++i) {
        if (cancel_) {
            AbandonIfCancelled();
            drop_from(i);
            break;
        }
        file_number_ = i + 1;
        TCompFileInfo& info = List.EntryInfo(i);
        file_size_ = static_cast<double>(info.SourceSize);
        if (info.Status == esKeep && info.FromArchive && old_archive_) {
            CopyEntry(*old_archive_, out, i, List);
            continue;
        }
        if (old_archive_) FinishEntryCopies(*old_archive_, out);
        const int64_t noted = out.GetSize();
        switch (info.Status) {
            case esNew: {
                const bool folder = (List.HeaderCopy(i)[38] & 0x10) != 0;
                if (folder && !StoreEmptySubDirs) {
                    info.Status = esDeleted;
                    break;
                }
                bool ok = false;
                CompressEntry(out, i, ok, List);
                if (ok) {
                    ++files_added_;
                    if (Switch == swMove && !folder && !VerifyBeforeDelete) DeleteList.push_back(List.Name(i));
                    List.SetName(i, entry_name_);
                } else {
                    if (cancel_) {
                        AbandonIfCancelled();
                        --file_number_;
                        drop_from(i);
                    }
                    out.SetSize(noted);
                    out.SetPosition(noted);
                    info.Status = esDeleted;
                }
                break;
            }
            case esDeleted:
                ++files_deleted_;
                if (OnDeleteFile) OnDeleteFile(*this, List.Name(i), files_deleted_, saved_deleted);
                break;
            case esNewName:
            case esKeep:
                if (!info.FromArchive || !old_archive_) RaiseError(archive_file_, List.Name(i), "0", E_INVALIDARC);
                RenameEntry(*old_archive_, out, i, List);
                break;
        }
    }
    if (old_archive_) FinishEntryCopies(*old_archive_, out);
    if (OnElapsedTime) timer_.Stop();
}

void TCompBase::AddScannedFile(const std::string& Folder, const TSearchRec& Rec, TCompHeaderObj& List) {
    const bool folder = (Rec.Attr & 0x10) != 0;
    const std::string full = folder ? Folder : PathJoin(Folder, Rec.Name);
    if (!folder && ExtensionFilter.Count() > 0) {
        const std::string ext = LowerAscii(ExtractFileExt(Rec.Name));
        for (int i = 0; i < ExtensionFilter.Count(); ++i) {
            if (!ext.empty() && ExtensionFilter.Get(i) == ext) {
                if (OnSkipFile) OnSkipFile(*this, full);
                return;
            }
        }
    }
    // The archive being written never goes into itself.
    if (!folder && new_archive_ && temp_inode_ != 0 && Rec.Device == temp_device_ && Rec.Inode == temp_inode_) return;
    if (!folder) {
        const auto st = os::file_status(archive_file_);
        if (st && st->id == os::FileIdentity{Rec.Device, Rec.Inode}) return;
    }
    if (folder) {
        if (StoreEmptySubDirs && !DirIsEmpty(full)) return;
        entry_name_ = full;
    } else {
        SetEntryFileName(full);
    }
    if (IsExcluded(entry_name_, scan_root_)) return;
    const uint32_t date = FileTimeToDos(Rec.MTime);
    if (date > newest_date_) newest_date_ = date;
    MergeEntry(full, List, Rec);
}

void TCompBase::AddNewEntry(const std::string& FullPath, TCompHeaderObj& List, const TSearchRec& Rec) {
    const bool folder = (Rec.Attr & 0x10) != 0;
    if (GetHeadSize() == 0 || (folder && !StoreEmptySubDirs)) return;
    TCompFileInfo info;
    info.Status = esNew;
    info.HeaderEncrypted = EncryptHeaders ? 1 : 0;
    info.SourceSize = folder ? 0 : Rec.Size;
    info.SourceTime = Rec.MTime;
    info.Device = Rec.Device;
    info.Inode = Rec.Inode;
    info.InFolderArgument = in_folder_argument_;
    if (!List.AddEntry(info, FullPath, TCompHeaderObj::kHeaderSize, static_cast<int>(scan_root_.size()), nullptr))
        return;
    list_modified_ = true;
    SetEntryStats(List.HeaderCopy(List.Count() - 1), info.SourceSize, info.SourceSize, FileTimeToDos(Rec.MTime),
                  Rec.Attr);
}

std::string TCompBase::AskNewName(int Index, TCompHeaderObj& List) {
    const std::string old_name = List.Name(Index);
    if (!OnRenameDupeFile) {
        ReportError(entry_name_, "OnRenameDupeFile", "0", E_REQUIREDEVENT);
        return {};
    }
    std::string candidate = old_name;
    for (;;) {
        bool rename = true;
        new_name_.clear();
        OnRenameDupeFile(*this, candidate, new_name_, rename);
        if (!rename) return {};
        const std::string answer = NormalizeSeparators(new_name_);
        if (!ExtractFileName(answer).empty()) candidate = answer;
        if (MatchCase ? candidate == old_name : SameTextAscii(candidate, old_name)) return {};
        if (List.IndexOfName(candidate, MatchCase) < 0) return candidate;
    }
}

void TCompBase::MergeEntry(const std::string& FullPath, TCompHeaderObj& List, const TSearchRec& Rec) {
    int found = -1;
    if (!archive_missing_) {
        found = List.IndexOfName(entry_name_, MatchCase);
        if (found < 0 && FileSpec.Count() > 1) found = List.IndexOfName(FullPath, MatchCase);
    } else if (FileSpec.Count() > 1) {
        // The same file reached through two masks is taken once.
        found = List.IndexOfName(FullPath, MatchCase);
    }
    if (found < 0) {
        if (Switch != swRefresh) AddNewEntry(FullPath, List, Rec);
        return;
    }
    TCompFileInfo& info = List.EntryInfo(found);
    // A file reached twice (two masks) is taken once: nothing more for an
    // entry added or decided earlier in this pass.
    if (info.Status == esNew || !info.FromArchive || info.Merged) return;
    info.Merged = true;

    TCompHeaderObj::Header& header = List.HeaderCopy(found);
    auto get32 = [&header](std::size_t at) { return core::get_le32(header.data() + at); };
    const uint32_t old_size = get32(24), old_date = get32(12), old_attr = MaskDosAttr(get32(38));
    const uint32_t new_size = static_cast<uint32_t>(Rec.Size), new_date = FileTimeToDos(Rec.MTime);
    const bool differs = old_size != new_size || old_date != new_date || old_attr != MaskDosAttr(Rec.Attr);

    if (Switch == swRefresh) {
        if (!differs) return;
        // Compressed again from the file; the entry keeps its comment but not
        // the extra field, which described the old data.
        list_modified_ = true;
        info.Status = esNew;
        info.FromArchive = false;
        info.RawName.clear();
        info.Extra.clear();
        info.HeaderEncrypted = EncryptHeaders ? 1 : 0;
        info.SourceSize = Rec.Size;
        info.SourceTime = Rec.MTime;
        info.Device = Rec.Device;
        info.Inode = Rec.Inode;
        List.SetName(found, FullPath);
        List.SetRootLength(found, static_cast<int>(scan_root_.size()));
        SetEntryStats(header, Rec.Size, Rec.Size, new_date, Rec.Attr);
        return;
    }
    if (differs) {
        bool replace = false;
        if (OnReplaceFile) {
            OnReplaceFile(*this, entry_name_, FullPath, DosDateTimeToDateTime(old_date), DosDateTimeToDateTime(new_date),
                          old_size, new_size, static_cast<int>(old_attr), static_cast<int>(Rec.Attr), replace);
        } else {
            ReportError(entry_name_, "OnReplaceFile", "0", E_REQUIREDEVENT);
        }
        if (replace) {
            info.Status = esDeleted;
            AddNewEntry(FullPath, List, Rec);
            return;
        }
    }
    list_modified_ = true;
    const std::string renamed = AskNewName(found, List);
    if (renamed.empty()) {
        List.EntryInfo(found).Status = esKeep;
        return;
    }
    List.EntryInfo(found).Status = esNewName;
    List.SetName(found, renamed);
    AddNewEntry(FullPath, List, Rec);
}


void TCompBase::SetEntryFileName(const std::string& FullPath) { entry_name_ = StoredFileName(FullPath, scan_root_); }

TStreamProgress TCompBase::FileProgress() {
    if (!OnProgress) return {};
    return [this](TStream32& s) {
        ReportProgress(static_cast<double>(s.GetPosition()), file_size_, archive_total_);
    };
}

TStreamContext TCompBase::Context(bool Encrypt, TZipCipher* Cipher) {
    TStreamContext c;
    c.Encrypt = Encrypt;
    c.BytesLeft = &bytes_left_;
    c.CancelFlag = &cancel_;
    c.Cipher = Cipher;
    return c;
}

void TCompBase::CompressEntry(TStream32& Stream, int Index, bool& Ok, TCompHeaderObj& List) {
    Ok = false;
    TCompFileInfo& info = List.EntryInfo(Index);
    entry_name_ = List.Name(Index);
    scan_root_ = entry_name_.substr(0, static_cast<std::size_t>(List.RootLength(Index)));
    bool extract = true;
    if (OnBegin) OnBegin(*this, entry_name_, file_number_, extract);
    const std::string full = entry_name_;
    SetEntryFileName(full);
    if (extract && info.Status != esNewName && OnStoredNameChange) {
        for (;;) {
            std::string answer = entry_name_;
            OnStoredNameChange(*this, entry_name_, answer);
            const std::string file_part = ExtractFileName(NormalizeSeparators(answer));
            if (file_part.empty() || answer == entry_name_) break;
            const std::string candidate = ExtractFilePath(entry_name_) + file_part;
            if (List.IndexOfName(candidate, MatchCase) >= 0 && candidate != entry_name_) continue;
            entry_name_ = candidate;
            info.Status = esNewName;
            break;
        }
    }
    if (!extract) return;
    info.Offset = Stream.GetSize();
    entry_written_ = false;
    try {
        Ok = WriteEntryData(Stream, Index, List);
    } catch (...) {
        DoEnd();
        throw;
    }
    entry_written_ = Ok;
    DoEnd();
}

}  // namespace archive
