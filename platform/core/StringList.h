#pragma once
// String lists: TStrings (the abstract list with text, name=value and comma
// forms) and TStringList (the stored list, optionally sorted).

#include "platform/core/Classes.h"

#include <string>
#include <string_view>
#include <vector>

class TStream;

// A list of UTF-8 lines, each with an optional associated object (not owned).
class TStrings : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override;

    virtual int Count() const = 0;
    virtual std::string Get(int index) const = 0;               // EListError "List index out of bounds (%d)"
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* obj);
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void InsertObject(int index, const std::string& s, TObject* obj);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const std::string& s);                        // index of the new line
    virtual int AddObject(const std::string& s, TObject* obj);
    void Append(const std::string& s) { Add(s); }
    void AddStrings(const TStrings& other);
    void Assign(const TPersistent* source) override;              // copies lines and objects of TStrings
    void Exchange(int index1, int index2);
    void Move(int cur_index, int new_index);
    bool Equals(const TStrings& other) const;                     // same lines in the same order

    std::string Strings(int index) const { return Get(index); }
    std::string operator[](int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }

    // Index of a line (compared as the list compares: see TStringList::CaseSensitive), -1 when absent.
    virtual int IndexOf(std::string_view s) const;
    int IndexOfName(std::string_view name) const;                 // first line "name=..."
    int IndexOfObject(const TObject* obj) const;

    // Lines joined, each followed by CR LF; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(std::string_view text);
    // Comma form: items separated by commas (or blanks), an item with blanks, commas
    // or quotes written in double quotes with inner quotes doubled.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);
    char Delimiter = ',';
    char QuoteChar = '"';
    char NameValueSeparator = '=';
    std::string DelimitedText() const;
    void SetDelimitedText(std::string_view text);

    std::string Names(int index) const;                           // part before '=', "" without '='
    std::string ValueFromIndex(int index) const;                  // part after the first '='
    std::string Values(std::string_view name) const;              // value of the first line "name=", or ""
    void SetValues(std::string_view name, std::string_view value); // adds, replaces, or deletes when empty

    void BeginUpdate() { ++update_count_; }
    void EndUpdate() { if (update_count_ > 0) --update_count_; }

    // Files and streams: read as UTF-8 when valid, else as Windows-1252; written as UTF-8
    // with CR LF (a file through a temporary file and rename).
    void LoadFromFile(const std::string& file_name);
    void SaveToFile(const std::string& file_name) const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

protected:
    virtual int CompareStrings(std::string_view a, std::string_view b) const;  // AnsiCompareText by default
    int update_count_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The stored string list. Sorted lists keep their order on Add and reject
// Insert; Duplicates decides what Add does with an equal line in a sorted list.
class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override = default;
    static TClass StaticClass();
    TClass ClassType() const override;

    int Count() const override { return int(items_.size()); }
    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;        // EStringListError on a sorted list
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const std::string& s) override;     // "Operation not allowed on sorted list"
    void InsertObject(int index, const std::string& s, TObject* obj) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const std::string& s) override;
    int AddObject(const std::string& s, TObject* obj) override;  // dupError: "String list does not allow duplicates"
    int IndexOf(std::string_view s) const override;

    // Sorted lists: index of `s` or of where it would go; true when found.
    bool Find(std::string_view s, int& index) const;
    void Sort();
    void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return case_sensitive_; }
    void SetCaseSensitive(bool cs);

    TNotifyEvent OnChange;     // after each change
    TNotifyEvent OnChanging;   // before each change

protected:
    int CompareStrings(std::string_view a, std::string_view b) const override;
    // After every change of the lines, their objects, their order or how
    // they compare, inside BeginUpdate/EndUpdate too (for derived lists that
    // keep an index of their own).
    virtual void ItemsChanged() {}

private:
    struct Item {
        std::string s;
        TObject* obj = nullptr;
    };
    void changing();
    void changed();
    void check(int index) const;
    void insert_item(int index, const std::string& s, TObject* obj);

    std::vector<Item> items_;
    bool sorted_ = false;
    bool case_sensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};
