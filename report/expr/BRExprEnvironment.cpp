// Environments: named expressions used like variables, each compiled by an
// evaluator of its own and guarded against recursion.

#include "report/expr/BRExpr.h"

#include "platform/core/ClassBuilder.h"
#include "platform/core/CodePages.h"

// Keeps the release of entries from changing the application environment's count.
bool GlobalUnprepareGuard = false;

// ---------------------------------------------------------------- entries

TBREvEmbeddedFunction::TBREvEmbeddedFunction(std::string text)
    : evaluator_(std::make_unique<TBREvaluator>()),
      text_(std::move(text)) {}

TBREvEmbeddedFunction::~TBREvEmbeddedFunction() { handle_.end(); }

namespace {
// An entry using another recurses into it, as deep as the entry's
// expression nests. The levels of the entries under evaluation on this
// thread, one inside another, are counted: past this bound (a chain of
// entries each using the one before, or of deeply nested ones) the value is
// an error rather than a stack overflow.
constexpr int kMaxEntryLevels = 8000;
thread_local int entry_levels = 0;
// Values refused for recursion or depth so far: a value computed while one
// was refused depends on where its evaluation started, so it is not kept.
thread_local std::uint64_t refusals = 0;
}  // namespace

void TBREvEmbeddedFunction::ComputeValue(TBRFiFo&, EvalValue& result) {
    if (in_evaluation_) {
        ++refusals;
        result = EvalValue::Error("Recursive calls not allowed");
        return;
    }
    // Computed once per outer evaluation: entries that use one another
    // twice or more (V0 = V1 + V1, V1 = V2 + V2, ...) take linear time.
    const std::uint64_t evaluation = report::detail::OuterEvaluation::Current();
    if (evaluation != 0 && cached_in_ == evaluation) {
        result = cached_;
        return;
    }
    const int levels = 1 + evaluator_->NestingDepth();
    if (entry_levels + levels > kMaxEntryLevels) {
        ++refusals;
        result = EvalValue::Error("Error in expression : " + text_);
        return;
    }
    const std::uint64_t refusals_before = refusals;
    struct Guard {
        bool& flag;
        int levels;
        ~Guard() {
            flag = false;
            entry_levels -= levels;
        }
    } guard{in_evaluation_, levels};
    in_evaluation_ = true;
    entry_levels += levels;
    evaluator_->EvaluateCompiled(result);
    if (refusals == refusals_before && evaluation != 0) {
        cached_ = result;
        cached_in_ = evaluation;
    }
}

void TBREvEmbeddedFunction::ResetState() { evaluator_->ResetAggregates(); }

TBREvElementWrapper::TBREvElementWrapper(TBREvEmbeddedFunction* target, std::string name)
    : target_(target->Handle()), name_(std::move(name)) {}

void TBREvElementWrapper::ComputeValue(TBRFiFo& fifo, EvalValue& result) {
    if (TBREvEmbeddedFunction* entry = *target_)
        entry->ComputeValue(fifo, result);
    else
        result = EvalValue::Error("Unknown function : " + name_);
}

// ---------------------------------------------------------------- "DATA"

// The expression texts of an environment as a string list. Reading a form
// resource clears it and then adds the texts in order: each becomes the
// expression of the entry at the same place.
class TBREvEnvironment::DataList : public TStrings {
public:
    explicit DataList(TBREvEnvironment& env) : env_(env) {}
    int Count() const override { return env_.Count(); }
    std::string Get(int index) const override {
        TBREvEmbeddedFunction* e = env_.Entry(index);
        return e ? e->ExpressionText() : std::string();
    }
    void Insert(int index, const std::string& s) override {
        if (index < 0 || index >= env_.Count()) throw EListError(Format("List index out of bounds (%d)", index));
        env_.PutObject(index, new TBREvEmbeddedFunction(s));
    }
    int Add(const std::string& s) override {
        int index = next_;
        Insert(index, s);
        ++next_;
        return index;
    }
    void Delete(int index) override { Insert(index, std::string()); }
    void Clear() override { next_ = 0; }

private:
    TBREvEnvironment& env_;
    int next_ = 0;
};

// ---------------------------------------------------------------- environment

TBREvEnvironment::TBREvEnvironment() : data_(std::make_unique<DataList>(*this)) {}

TBREvEnvironment::~TBREvEnvironment() { Clear(); }

TClass TBREvEnvironment::StaticClass() {
    static const TClassInfo info =
        core::ClassBuilder<TBREvEnvironment, TStringList>("TBREvEnvironment")
            .Strings("Strings", [](const TBREvEnvironment& e) { return const_cast<TStringList*>(static_cast<const TStringList*>(&e)); })
            .WriteEmpty()
            .Strings("DATA", [](const TBREvEnvironment& e) { return e.Data(); })
            .WriteEmpty()
            .Build();
    return &info;
}

TClass TBREvEnvironment::ClassType() const { return StaticClass(); }

TStrings* TBREvEnvironment::Data() const { return data_.get(); }

TBREvEmbeddedFunction* TBREvEnvironment::Entry(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return static_cast<TBREvEmbeddedFunction*>(GetObject(index));
}

void TBREvEnvironment::Clear() {
    for (int i = Count() - 1; i >= 0; --i) Delete(i);
    TStringList::Clear();
}

void TBREvEnvironment::Delete(int index) {
    TObject* obj = GetObject(index);
    TStringList::Delete(index);
    delete obj;
}

// Every name has an entry: one added without gets an empty expression.
int TBREvEnvironment::AddObject(const std::string& s, TObject* obj) {
    if (!obj) obj = new TBREvEmbeddedFunction(std::string());
    const bool indexed = index_valid_;
    const int at = TStringList::AddObject(s, obj);
    if (indexed && !Sorted() && at == Count() - 1) {
        // Appended: the index stays whole with the new name (unless an
        // earlier line has it).
        index_.emplace(index_key(s), at);
        index_valid_ = true;
    }
    return at;
}

std::string TBREvEnvironment::index_key(std::string_view name) const {
    return CaseSensitive() ? std::string(name) : core::utf8_upper(name);
}

int TBREvEnvironment::IndexOf(std::string_view s) const {
    if (Sorted()) return TStringList::IndexOf(s);
    if (!index_valid_) {
        index_.clear();
        for (int i = 0; i < Count(); ++i) index_.emplace(index_key(Get(i)), i);
        index_valid_ = true;
    }
    auto it = index_.find(index_key(s));
    return it == index_.end() ? -1 : it->second;
}

void TBREvEnvironment::InsertObject(int index, const std::string& s, TObject* obj) {
    if (!obj) obj = new TBREvEmbeddedFunction(std::string());
    TStringList::InsertObject(index, s, obj);
}

void TBREvEnvironment::PutObject(int index, TObject* obj) {
    TObject* old = GetObject(index);
    if (old == obj) return;
    if (obj && !dynamic_cast<TBREvEmbeddedFunction*>(obj)) throw EInvalidCast("Invalid class typecast");
    if (!obj) obj = new TBREvEmbeddedFunction(std::string());
    TStringList::PutObject(index, obj);
    delete old;
    if (IsPrepared()) compile_entry(*static_cast<TBREvEmbeddedFunction*>(obj));
}

void TBREvEnvironment::compile_entry(TBREvEmbeddedFunction& entry) {
    entry.Evaluator().UseDataSetList(DataSetList());
    entry.Evaluator().NameEnvironment = this;
    entry.Evaluator().CompileExpression(entry.ExpressionText());
}

void TBREvEnvironment::DefineEntry(const std::string& name, const std::string& text) {
    const std::string upper = UpperCase(name);
    if (IndexOf(upper) >= 0) return;
    auto* entry = new TBREvEmbeddedFunction(text);
    AddObject(upper, entry);
    if (IsPrepared()) compile_entry(*entry);
}

void TBREvEnvironment::RemoveEntry(const std::string& name) {
    int i = IndexOf(name);
    if (i >= 0) Delete(i);
}

std::unique_ptr<TBREvElement> TBREvEnvironment::MakeElement(const std::string& name) {
    int i = IndexOf(UpperCase(name));
    if (i < 0) return std::make_unique<TBREvElementError>("Unknown function : " + name);
    return std::make_unique<TBREvElementWrapper>(Entry(i), name);
}

void TBREvEnvironment::EntryValue(const std::string& name, EvalValue& result) {
    int i = IndexOf(name);
    if (i < 0) {
        result = EvalValue::Error();
        return;
    }
    TBRFiFo unused;
    const report::detail::OuterEvaluation scope;
    Entry(i)->ComputeValue(unused, result);
}

TBREvElement* TBREvEnvironment::FirstCompiledElement(const std::string& name) {
    int i = IndexOf(name);
    if (i < 0) return nullptr;
    return Entry(i)->CompiledElementAt(0);
}

void TBREvEnvironment::StoreStringConstant(TBREvElement* element, const std::string& text) {
    if (auto* s = dynamic_cast<TBREvElementString*>(element)) s->Text = text;
}

void TBREvEnvironment::StoreIntegerConstant(TBREvElement* element, std::int32_t value) {
    if (auto* c = dynamic_cast<TBREvElementConstant*>(element)) c->Value = EvalValue::Integer(value);
}

void TBREvEnvironment::StoreConstant(TBREvElement* element, const EvalValue& value) {
    if (auto* c = dynamic_cast<TBREvElementConstant*>(element))
        c->Value = value;
    else if (auto* s = dynamic_cast<TBREvElementString*>(element); s && value.Kind == vkString)
        s->Text = value.Text;
}

void TBREvEnvironment::PrepareEntries() {
    if (preparation_count_++ > 0) return;
    for (int i = 0; i < Count(); ++i) compile_entry(*Entry(i));
}

void TBREvEnvironment::UnprepareEntries() {
    if (this == report::application_environment_if_started() && GlobalUnprepareGuard) return;
    struct Guard {
        ~Guard() { GlobalUnprepareGuard = false; }
    } guard;
    GlobalUnprepareGuard = true;
    if (preparation_count_ > 0 && preparation_count_-- == 1)
        for (int i = 0; i < Count(); ++i) Entry(i)->Evaluator().ReleaseCompiled();
}

void TBREvEnvironment::UseDataSetList(TList* list) { datasets_.use(list); }

TList* TBREvEnvironment::DataSetList() { return datasets_.get(); }
