#include "platform/core/StringList.h"
#include "platform/core/detail/Files.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/CodePages.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <numeric>

namespace {
[[noreturn]] void index_error(int index) { throw EListError(Format("List index out of bounds (%d)", {index})); }
}  // namespace

// ----------------------------------------------------------------- TStrings

TClass TStrings::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TStrings, TPersistent>("TStrings").Build();
    return &info;
}
TClass TStrings::ClassType() const { return StaticClass(); }

void TStrings::Put(int index, const std::string& s) {
    TObject* obj = GetObject(index);
    Delete(index);
    InsertObject(index, s, obj);
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

void TStrings::InsertObject(int index, const std::string& s, TObject* obj) {
    Insert(index, s);
    PutObject(index, obj);
}

int TStrings::Add(const std::string& s) {
    int i = Count();
    Insert(i, s);
    return i;
}

int TStrings::AddObject(const std::string& s, TObject* obj) {
    int i = Add(s);
    PutObject(i, obj);
    return i;
}

void TStrings::AddStrings(const TStrings& other) {
    // copy first: `other` may be this list
    std::vector<std::pair<std::string, TObject*>> lines;
    for (int i = 0; i < other.Count(); ++i) lines.emplace_back(other.Get(i), other.GetObject(i));
    for (auto& l : lines) AddObject(l.first, l.second);
}

void TStrings::Assign(const TPersistent* source) {
    if (auto* s = dynamic_cast<const TStrings*>(source)) {
        if (s == this) return;
        Clear();
        AddStrings(*s);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::Exchange(int a, int b) {
    std::string sa = Get(a), sb = Get(b);
    TObject *oa = GetObject(a), *ob = GetObject(b);
    Put(a, sb);
    PutObject(a, ob);
    Put(b, sa);
    PutObject(b, oa);
}

void TStrings::Move(int cur, int to) {
    if (cur == to) return;
    std::string s = Get(cur);
    TObject* o = GetObject(cur);
    Delete(cur);
    InsertObject(to, s, o);
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return AnsiCompareText(a, b); }

int TStrings::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        std::string line = Get(i);
        std::size_t p = line.find(NameValueSeparator);
        if (p != std::string::npos && CompareStrings(std::string_view(line).substr(0, p), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == obj) return i;
    return -1;
}

std::string TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(std::string_view text) {
    BeginUpdate();
    Clear();
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
        Add(std::string(text.substr(start, i - start)));
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
    EndUpdate();
}

std::string TStrings::DelimitedText() const {
    if (Count() == 1 && Get(0).empty()) return std::string(2, QuoteChar);
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        std::string s = Get(i);
        bool quote = false;
        for (char c : s)
            if (static_cast<unsigned char>(c) <= ' ' || c == Delimiter || c == QuoteChar) quote = true;
        if (i) out += Delimiter;
        if (quote) {
            out += QuoteChar;
            for (char c : s) {
                if (c == QuoteChar) out += c;
                out += c;
            }
            out += QuoteChar;
        } else {
            out += s;
        }
    }
    return out;
}

void TStrings::SetDelimitedText(std::string_view text) {
    auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
    BeginUpdate();
    Clear();
    std::size_t p = 0;
    while (p < text.size() && blank(text[p])) ++p;
    while (p < text.size()) {
        std::string item;
        if (text[p] == QuoteChar) {
            ++p;
            while (p < text.size()) {
                if (text[p] == QuoteChar) {
                    if (p + 1 < text.size() && text[p + 1] == QuoteChar) {
                        item += QuoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            std::size_t start = p;
            while (p < text.size() && !blank(text[p]) && text[p] != Delimiter) ++p;
            item.assign(text.substr(start, p - start));
        }
        Add(item);
        while (p < text.size() && blank(text[p])) ++p;
        if (p < text.size() && text[p] == Delimiter) {
            if (p + 1 == text.size()) Add("");
            do ++p;
            while (p < text.size() && blank(text[p]));
        }
    }
    EndUpdate();
}

std::string TStrings::CommaText() const {
    TStrings& self = const_cast<TStrings&>(*this);
    char d = self.Delimiter, q = self.QuoteChar;
    self.Delimiter = ',';
    self.QuoteChar = '"';
    std::string r = DelimitedText();
    self.Delimiter = d;
    self.QuoteChar = q;
    return r;
}

void TStrings::SetCommaText(std::string_view text) {
    char d = Delimiter, q = QuoteChar;
    Delimiter = ',';
    QuoteChar = '"';
    try {
        SetDelimitedText(text);
    } catch (...) {
        Delimiter = d;
        QuoteChar = q;
        throw;
    }
    Delimiter = d;
    QuoteChar = q;
}

std::string TStrings::Names(int index) const {
    std::string s = Get(index);
    std::size_t p = s.find(NameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int index) const {
    std::string s = Get(index);
    std::size_t p = s.find(NameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

std::string TStrings::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    std::string line = std::string(name) + NameValueSeparator + std::string(value);
    if (i < 0) Add(line);
    else Put(i, line);
}

namespace {
std::string decode_text(std::string bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    if (core::is_valid_utf8(bytes)) return bytes;
    return core::to_utf8(bytes, core::CodePage::Windows1252);
}
}  // namespace

void TStrings::LoadFromFile(const std::string& file_name) { SetText(decode_text(core::detail::read_file(file_name))); }
void TStrings::SaveToFile(const std::string& file_name) const { core::detail::save_file(file_name, Text()); }

void TStrings::LoadFromStream(TStream& stream) {
    const std::int64_t size = stream.Size();
    std::string bytes;
    if (size < 0) {
        // Unsized (a pipe): what it gives up to its end.
        const int seek_error = stream.LastError();  // the failed seek of Size()
        char buf[0x10000];
        for (std::int64_t n; (n = stream.Read(buf, sizeof buf)) > 0;) bytes.append(buf, std::size_t(n));
        if (stream.LastError() != seek_error) throw EReadError("Stream read error");
    } else {
        const std::int64_t n = size - stream.Position();
        bytes.assign(std::size_t(n > 0 ? n : 0), '\0');
        if (n > 0) stream.ReadBuffer(bytes.data(), n);
    }
    SetText(decode_text(std::move(bytes)));
}

void TStrings::SaveToStream(TStream& stream) const {
    std::string t = Text();
    stream.WriteBuffer(t.data(), std::int64_t(t.size()));
}

// -------------------------------------------------------------- TStringList

TClass TStringList::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TStringList, TStrings>("TStringList").Build();
    return &info;
}
TClass TStringList::ClassType() const { return StaticClass(); }

void TStringList::changing() {
    if (update_count_ == 0) OnChanging(this);
}
void TStringList::changed() {
    ItemsChanged();
    if (update_count_ == 0) OnChange(this);
}

void TStringList::check(int index) const {
    if (index < 0 || index >= int(items_.size())) index_error(index);
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
    return case_sensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Get(int index) const {
    check(index);
    return items_[std::size_t(index)].s;
}

void TStringList::Put(int index, const std::string& s) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    check(index);
    changing();
    items_[std::size_t(index)].s = s;
    changed();
}

TObject* TStringList::GetObject(int index) const {
    check(index);
    return items_[std::size_t(index)].obj;
}

void TStringList::PutObject(int index, TObject* obj) {
    check(index);
    changing();
    items_[std::size_t(index)].obj = obj;
    changed();
}

void TStringList::insert_item(int index, const std::string& s, TObject* obj) {
    changing();
    items_.insert(items_.begin() + index, Item{s, obj});
    changed();
}

void TStringList::Insert(int index, const std::string& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const std::string& s, TObject* obj) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > int(items_.size())) index_error(index);
    insert_item(index, s, obj);
}

void TStringList::Delete(int index) {
    check(index);
    changing();
    items_.erase(items_.begin() + index);
    changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    changing();
    items_.clear();
    changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* obj) {
    int index;
    if (!sorted_) {
        index = int(items_.size());
    } else if (Find(s, index)) {
        switch (duplicates_) {
        case dupIgnore: return index;
        case dupError: throw EStringListError("String list does not allow duplicates");
        case dupAccept: break;
        }
    }
    insert_item(index, s, obj);
    return index;
}

bool TStringList::Find(std::string_view s, int& index) const {
    // binary search; for duplicates the first equal line is found
    int lo = 0, hi = int(items_.size()) - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareStrings(items_[std::size_t(mid)].s, s);
        if (c < 0) lo = mid + 1;
        else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

int TStringList::IndexOf(std::string_view s) const {
    if (!sorted_) return TStrings::IndexOf(s);
    int i;
    return Find(s, i) ? i : -1;
}

void TStringList::Sort() {
    changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.s, b.s) < 0; });
    changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
    if (items_.size() < 2) return;
    changing();
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(items_[std::size_t(i)]);
    items_ = std::move(sorted);
    changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool cs) {
    if (cs == case_sensitive_) return;
    case_sensitive_ = cs;
    ItemsChanged();
    if (sorted_) Sort();
}
