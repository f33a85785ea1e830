#include "archive/arcFileScan.h"

#include <algorithm>

#include "archive/arcGbls.h"
#include "platform/os/Files.h"

namespace archive {

namespace {

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string current_folder() { return os::current_dir(); }

}  // namespace

uint32_t AttrsToMask(TarcFileAttrs Attrs) {
    static constexpr uint32_t kBits[] = {0, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x800};
    uint32_t mask = 0;
    for (int i = 0; i < 8; ++i)
        if (Attrs & (1u << i)) mask |= kBits[i];
    return mask;
}

bool AttributeMatch(TarcFileAttrs Attrs, uint32_t Attr) {
    if ((Attrs & (1u << fsZeroAttr)) && (Attr == 0 || Attr == 0x80)) return true;
    static constexpr uint32_t kBits[] = {0, 0x01, 0x02, 0x04, 0, 0x10, 0x20, 0x800};
    for (int i = 1; i < 8; ++i)
        if ((Attrs & (1u << i)) && (Attr & kBits[i])) return true;
    return false;
}

TInternalMask::TInternalMask(const std::string& Mask, bool MatchCase) : match_case_(MatchCase) {
    bool skip = false;
    for (char c : Mask) {
        if (c == '*') {
            skip = true;
        } else if (c == '?') {
            if (!skip) states_.push_back({kAny, 0});
        } else {
            if (skip) states_.push_back({kStar, 0});
            states_.push_back({kLiteral, MatchCase ? c : fold(c)});
            skip = false;
        }
    }
    if (skip) states_.push_back({kStar, 0});
    ends_with_dot_ = !Mask.empty() && Mask.back() == '.';
}

bool TInternalMask::Matches(const std::string& Name) const {
    std::string name = Name;
    if (ends_with_dot_ && name.find('.') == std::string::npos) name += '.';
    // Two-finger glob match: on a mismatch, only the latest "*" needs to
    // take one more character.
    const std::size_t n = name.size(), m = states_.size();
    std::size_t i = 0, j = 0, star_j = m, star_i = 0;
    while (i < n) {
        if (j < m && states_[j].kind == kStar) {
            star_j = j++;
            star_i = i;
            continue;
        }
        if (j < m && (states_[j].kind == kAny || states_[j].literal == (match_case_ ? name[i] : fold(name[i])))) {
            ++i;
            ++j;
            continue;
        }
        if (star_j != m) {
            j = star_j + 1;
            i = ++star_i;
            continue;
        }
        return false;
    }
    while (j < m && states_[j].kind == kStar) ++j;
    return j == m;
}

bool MatchesMask(const std::string& Name, const std::string& Mask, bool MatchCase) {
    return TInternalMask(Mask, MatchCase).Matches(Name);
}

namespace {

TSearchRec search_rec(std::string Name, const os::FileStatus& St) {
    TSearchRec r;
    r.Name = std::move(Name);
    r.Attr = WindowsAttributes(r.Name, (St.is_directory() ? 0040000u : 0100000u) | St.mode);
    r.Size = St.is_regular() ? St.size : 0;
    r.MTime = St.mtime;
    r.Device = St.id.device;
    r.Inode = St.id.inode;
    return r;
}

}  // namespace

std::vector<TSearchRec> ListFolder(const std::string& Dir) {
    std::vector<TSearchRec> out;
    for (os::DirEntry& e : os::list_dir(Dir)) {
        os::FileStatus st = e.status;
        if (st.is_link()) {
            const auto target = os::file_status(PathJoin(Dir, e.name));
            if (!target || !target->is_regular()) continue;
            st = *target;
        }
        if (!st.is_regular() && !st.is_directory()) continue;
        out.push_back(search_rec(std::move(e.name), st));
    }
    std::sort(out.begin(), out.end(), [](const TSearchRec& a, const TSearchRec& b) { return a.Name < b.Name; });
    return out;
}

TarcFileScan::TarcFileScan() = default;

void TarcFileScan::Execute() {
    FilesCount = 0;
    FilesSize = 0;
    *cancel_ = 0;
    for (auto it = FileSpec.begin(); it != FileSpec.end();) {
        const auto first = it->find_first_not_of(' ');
        if (first == std::string::npos) it = FileSpec.erase(it);
        else {
            *it = NormalizeSeparators(*it);
            // As an argument, "." and ".." name what those folders hold.
            const std::string name = ExtractFileName(*it);
            if (PathArguments && (name == "." || name == "..")) *it += '/';
            ++it;
        }
    }
    while (!FileSpec.empty() && *cancel_ == 0) {
        if (IsPathArgument(FileSpec.front())) {
            ScanPath(FileSpec.front());
            FileSpec.erase(FileSpec.begin());
            continue;
        }
        std::string folder = ExtractFilePath(FileSpec.front());
        if (folder.empty()) folder = RootDir.empty() ? current_folder() : AppendSlash(NormalizeSeparators(RootDir));
        std::vector<std::string> names{ExtractFileName(FileSpec.front())};
        for (std::size_t i = 1; i < FileSpec.size();) {
            if (ExtractFilePath(FileSpec[i]) != folder || IsPathArgument(FileSpec[i])) { ++i; continue; }
            const std::string name = ExtractFileName(FileSpec[i]);
            bool related = false;
            for (auto& known : names) {
                if (MatchesMask(name, known, MatchCase)) { related = true; break; }
                if (MatchesMask(known, name, MatchCase)) { known = name; related = true; break; }
            }
            if (!related) names.push_back(name);
            FileSpec.erase(FileSpec.begin() + static_cast<std::ptrdiff_t>(i));
        }
        std::vector<TInternalMask> masks;
        for (const auto& n : names) masks.emplace_back((n.empty() || n == "*.*") ? std::string("*") : n, MatchCase);
        if (OnRootDirChange) OnRootDirChange(*this, folder);
        FileSpec.erase(FileSpec.begin());
        ScanFolder(folder, masks);
    }
    if (OnFinished) OnFinished(*this, FilesCount, FilesSize);
}

bool TarcFileScan::IsPathArgument(const std::string& Line) const {
    if (!PathArguments || Line.find_first_of("*?") != std::string::npos) return false;
    // "dir/", "." and ".." keep their meaning: what the folder holds.
    const std::string name = ExtractFileName(Line);
    return !name.empty() && name != "." && name != "..";
}

void TarcFileScan::ScanPath(const std::string& Line) {
    std::string parent = ExtractFilePath(Line);
    if (parent.empty()) parent = RootDir.empty() ? current_folder() : AppendSlash(NormalizeSeparators(RootDir));
    const std::string name = ExtractFileName(Line);
    const std::string path = PathJoin(parent, name);
    const auto st = os::file_status(path);
    if (!st || (!st->is_regular() && !st->is_directory())) return;
    if (OnRootDirChange) OnRootDirChange(*this, parent);
    if (st->is_directory()) {
        in_folder_argument_ = true;
        ScanFolder(AppendSlash(path), {TInternalMask("*")});
        in_folder_argument_ = false;
        return;
    }
    const TSearchRec rec = search_rec(name, *st);
    if (AttributeMatch(Attributes, rec.Attr) && !AttributeMatch(AttributesEx, rec.Attr)) AcceptFile(parent, rec);
}

void TarcFileScan::AcceptFile(const std::string& Dir, const TSearchRec& Rec) {
    ++FilesCount;
    FilesSize += static_cast<double>(Rec.Size);
    if (OnScanFile) OnScanFile(*this, Rec.Name, FilesCount, FilesSize);
    if (UpdateList && OnEntry) OnEntry(Dir, Rec, UserData);
}

void TarcFileScan::ScanFolder(const std::string& Dir, const std::vector<TInternalMask>& Masks) {
    if (OnRecurseDir) OnRecurseDir(*this, Dir);
    for (const TSearchRec& rec : ListFolder(Dir)) {
        if (*cancel_) break;
        const bool folder = (rec.Attr & 0x10) != 0;
        if (AttributeMatch(Attributes, rec.Attr) && !AttributeMatch(AttributesEx, rec.Attr)) {
            if (folder) {
                if (UpdateList && OnEntry) OnEntry(PathJoin(Dir, rec.Name), rec, UserData);
            } else if (std::any_of(Masks.begin(), Masks.end(), [&](const TInternalMask& m) { return m.Matches(rec.Name); })) {
                AcceptFile(Dir, rec);
            }
        }
        if (RecurseDirs && folder && ((rec.Attr & 0x02) == 0 || IncludeHiddenDirs))
            ScanFolder(AppendSlash(PathJoin(Dir, rec.Name)), Masks);
    }
}

}  // namespace archive
