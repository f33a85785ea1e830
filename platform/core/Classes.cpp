#include "platform/core/Classes.h"

#include "platform/core/ClassBuilder.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>

// ------------------------------------------------------------ descriptions

bool TClassInfo::InheritsFrom(TClass cls) const {
    for (TClass c = this; c; c = c->Parent)
        if (c == cls) return true;
    return false;
}

const core::PropInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (TClass c = this; c; c = c->Parent)
        for (const auto& p : c->Properties)
            if (SameText(p.name, name)) return &p;
    return nullptr;
}

std::vector<const core::PropInfo*> TClassInfo::AllProperties() const {
    std::vector<TClass> chain;
    for (TClass c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const core::PropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const auto& p : (*it)->Properties) {
            auto same = std::find_if(out.begin(), out.end(), [&](const core::PropInfo* q) { return SameText(q->name, p.name); });
            if (same != out.end()) *same = &p;
            else out.push_back(&p);
        }
    }
    return out;
}

const core::OperationInfo* TClassInfo::MethodAddress(std::string_view name) const {
    for (TClass c = this; c; c = c->Parent)
        for (const auto& op : c->Operations)
            if (SameText(op.name, name)) return &op;
    return nullptr;
}

TObject* TClassInfo::Create(TComponent* owner) const {
    if (!Factory) throw EInvalidOperation("Cannot create an instance of abstract class " + Name);
    return Factory(owner);
}

bool core::PropInfo::IsStored(const TObject& obj) const {
    if (stored && !stored(obj)) return false;
    if (default_value) {
        PropValue v = get(obj);
        if (kind == PropKind::Event) {
            const auto* a = std::get_if<MethodRef>(&v);
            return a && !a->name.empty();
        }
        if (v == *default_value) return false;
    }
    return true;
}

namespace core::detail {
void invalid_value() { throw EPropertyError("Invalid property value"); }
}  // namespace core::detail

// ---------------------------------------------------------------- registry

namespace {
struct Registry {
    std::mutex mutex;
    std::map<std::string, TClass> classes;  // by upper-case name
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void RegisterClass(TClass cls) {
    if (!cls) return;
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto [it, inserted] = r.classes.emplace(UpperCase(cls->Name), cls);
    if (!inserted && it->second != cls) throw EFilerError("A class named " + cls->Name + " already exists");
}

void RegisterClasses(std::initializer_list<TClass> classes) {
    for (TClass c : classes) RegisterClass(c);
}

void UnRegisterClass(TClass cls) {
    if (!cls) return;
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.classes.find(UpperCase(cls->Name));
    if (it != r.classes.end() && it->second == cls) r.classes.erase(it);
}

TClass GetClass(std::string_view name) {
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.classes.find(UpperCase(name));
    return it == r.classes.end() ? nullptr : it->second;
}

TClass FindClass(std::string_view name) {
    TClass c = GetClass(name);
    if (!c) throw EClassNotFound("Class " + std::string(name) + " not found");
    return c;
}

namespace core {

PropValue get_property(const TObject& obj, std::string_view name) {
    const PropInfo* p = obj.ClassType()->FindProperty(name);
    if (!p) throw EPropertyError("Property " + std::string(name) + " does not exist");
    return p->get(obj);
}

void set_property(TObject& obj, std::string_view name, const PropValue& value) {
    const PropInfo* p = obj.ClassType()->FindProperty(name);
    if (!p) throw EPropertyError("Property " + std::string(name) + " does not exist");
    if (!p->set) throw EPropertyError("Property " + p->name + " is read-only");
    p->set(obj, value);
}

std::int64_t enum_value(const PropInfo& prop, std::string_view element) {
    for (std::size_t i = 0; i < prop.names.size(); ++i)
        if (SameText(prop.names[i], element)) return std::int64_t(i);
    throw EPropertyError("Invalid property value");
}

std::string enum_name(const PropInfo& prop, std::int64_t ordinal) {
    if (ordinal < 0 || ordinal >= std::int64_t(prop.names.size())) throw EPropertyError("Invalid property value");
    return prop.names[std::size_t(ordinal)];
}

}  // namespace core

// ------------------------------------------------------------------ objects

TClass TObject::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TObject>("TObject").Build();
    return &info;
}
TClass TObject::ClassType() const { return StaticClass(); }
const std::string& TObject::ClassName() const { return ClassType()->Name; }
bool TObject::InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }

TClass TPersistent::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TPersistent, TObject>("TPersistent").Build();
    return &info;
}
TClass TPersistent::ClassType() const { return StaticClass(); }

void TPersistent::Assign(const TPersistent* source) {
    if (source) source->AssignTo(this);
    else throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) const {
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest->ClassName());
}

// --------------------------------------------------------------- components

bool IsValidIdent(std::string_view s) {
    if (s.empty()) return false;
    auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!alpha(s[0])) return false;
    for (char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

TClass TComponent::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TComponent, TPersistent>("TComponent")
                                       .String("Name", &TComponent::name_, &TComponent::SetName)
                                       .Integer("Tag", &TComponent::tag_, &TComponent::SetTag)
                                       .Build();
    return &info;
}
TClass TComponent::ClassType() const { return StaticClass(); }

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

// A pass-on of a notification over an owner's components, on the stack of
// the owner's Notification: a component taken out of the list on the way
// (freed by a handler, itself or another) is recorded so that it is not
// called, and the owner's end stops the pass-on.
struct TComponent::PassOn {
    PassOn* outer;
    std::unordered_set<TComponent*> gone;
    bool owner_freed = false;
};

// Keeps a pass-on on its owner's stack of them while it lasts.
struct TComponent::PassOnScope {
    PassOn& pass;
    TComponent* owner;
    PassOnScope(PassOn& p, TComponent* o) : pass(p), owner(o) { owner->passing_ = &pass; }
    ~PassOnScope() {
        if (!pass.owner_freed) owner->passing_ = pass.outer;
    }
    PassOnScope(const PassOnScope&) = delete;
    PassOnScope& operator=(const PassOnScope&) = delete;
};

namespace {
// The partner being told, from the destructor, of the component that goes:
// its inherited Notification does not pass that one on.
thread_local const TComponent* t_partner = nullptr;
thread_local const TComponent* t_partner_of = nullptr;
}  // namespace

TComponent::~TComponent() {
    state_ |= csDestroying;
    for (PassOn* p = passing_; p; p = p->outer) p->owner_freed = true;
    // tell every partner that this one goes
    while (TComponent* c = free_notifies_.pop()) {
        c->free_notifies_.drop(this);
        const TComponent* partner = std::exchange(t_partner, c);
        const TComponent* partner_of = std::exchange(t_partner_of, this);
        c->Notification(this, opRemove);
        t_partner = partner;
        t_partner_of = partner_of;
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError("'" + name + "' is not a valid component name");
    if (!name.empty() && owner_) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this) throw EComponentError("A component named " + name + " already exists");
    }
    if (owner_ && owner_->names_) {
        auto& names = *owner_->names_;
        if (auto it = names.find(UpperCase(name_)); it != names.end() && it->second == this) names.erase(it);
        if (!name.empty()) names.emplace(UpperCase(name), this);
    }
    name_ = name;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= int(components_.size()))
        throw EListError(Format("List index out of bounds (%d)", {index}));
    return components_[std::size_t(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    auto& v = owner_->components_;
    auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : int(it - v.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    // Many owned components: found through an index of their names, kept
    // from then on by insert, remove and SetName.
    constexpr std::size_t kIndexFrom = 32;
    if (!names_ && components_.size() >= kIndexFrom) {
        auto names = std::make_unique<std::unordered_map<std::string, TComponent*>>();
        for (TComponent* c : components_)
            if (!c->name_.empty()) names->emplace(UpperCase(c->name_), c);
        names_ = std::move(names);
    }
    if (names_) {
        auto it = names_->find(UpperCase(name));
        return it == names_->end() ? nullptr : it->second;
    }
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
    if (!c || c->owner_ == this) return;
    if (!c->name_.empty()) {
        TComponent* other = FindComponent(c->name_);
        if (other) throw EComponentError("A component named " + c->name_ + " already exists");
    }
    if (c->owner_) c->owner_->RemoveComponent(c);
    insert(c);
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    if (!c || c->owner_ != this) return;
    {
        // A handler may free this owner, and with it `c`.
        PassOn watch{passing_, {}, false};
        PassOnScope scope(watch, this);
        Notification(c, opRemove);
        if (watch.owner_freed) return;
        if (watch.gone.count(c)) return;  // a handler took it out already
    }
    remove(c);
}

void TComponent::insert(TComponent* c) {
    components_.push_back(c);
    c->owner_ = this;
    for (PassOn* p = passing_; p; p = p->outer) p->gone.erase(c);
    if (names_ && !c->name_.empty()) names_->emplace(UpperCase(c->name_), c);
}

void TComponent::remove(TComponent* c) {
    if (!components_.empty() && components_.back() == c) components_.pop_back();
    else components_.erase(std::remove(components_.begin(), components_.end(), c), components_.end());
    for (PassOn* p = passing_; p; p = p->outer) p->gone.insert(c);
    c->owner_ = nullptr;
    if (names_ && !c->name_.empty()) {
        if (auto it = names_->find(UpperCase(c->name_)); it != names_->end() && it->second == c) names_->erase(it);
    }
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        remove(c);
        delete c;
    }
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    free_notifies_.add(c);
    c->free_notifies_.add(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    if (!c) return;
    free_notifies_.drop(c);
    c->free_notifies_.drop(this);
}

std::size_t TComponent::Partners::find(TComponent* c) const {
    if (indexed_) {
        auto it = index_.find(c);
        return it == index_.end() ? npos : it->second;
    }
    for (std::size_t i = items_.size(); i-- > 0;)
        if (items_[i] == c) return i;
    return npos;
}

void TComponent::Partners::add(TComponent* c) {
    if (find(c) != npos) return;
    items_.push_back(c);
    ++live_;
    constexpr std::size_t kIndexFrom = 16;
    if (indexed_) {
        index_.emplace(c, items_.size() - 1);
    } else if (items_.size() >= kIndexFrom) {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i]) index_.emplace(items_[i], i);
        indexed_ = true;
    }
}

void TComponent::Partners::drop(TComponent* c) {
    const std::size_t i = find(c);
    if (i == npos) return;
    items_[i] = nullptr;
    --live_;
    if (indexed_) index_.erase(c);
    trim();
}

TComponent* TComponent::Partners::pop() {
    trim();
    if (items_.empty()) return nullptr;
    TComponent* c = items_.back();
    items_.pop_back();
    --live_;
    if (indexed_) index_.erase(c);
    trim();
    return c;
}

// Drops the trailing holes, and the others once they outnumber the partners.
void TComponent::Partners::trim() {
    while (!items_.empty() && !items_.back()) items_.pop_back();
    if (items_.size() - live_ <= live_ + 16) return;
    items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
    if (indexed_)
        for (std::size_t i = 0; i < items_.size(); ++i) index_[items_[i]] = i;
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation != opRemove) return;  // an insertion: the new owner alone hears of it
    if (AComponent) {
        RemoveFreeNotification(AComponent);
        if (this == t_partner && AComponent == t_partner_of) return;  // told as a partner
    }
    if (components_.empty()) return;
    // Pass it on to the owned components, last first, over a copy of the
    // list: handlers may free or move components on the way.
    PassOn pass{passing_, {}, false};
    PassOnScope scope(pass, this);
    const std::vector<TComponent*> owned = components_;
    for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
        if (!pass.gone.empty() && pass.gone.count(*it)) continue;
        (*it)->Notification(AComponent, Operation);
        if (pass.owner_freed) return;
    }
}

void TComponent::GetChildren(std::vector<TComponent*>& children) const {
    children.insert(children.end(), components_.begin(), components_.end());
}

// ------------------------------------------------------------------- lists

TList::~TList() { items_.clear(); }

void TList::check(int index) const {
    if (index < 0 || index >= int(items_.size())) throw EListError(Format("List index out of bounds (%d)", {index}));
}

void* TList::Items(int index) const {
    check(index);
    return items_[std::size_t(index)];
}

void TList::SetItems(int index, void* item) {
    check(index);
    void* old = items_[std::size_t(index)];
    if (old == item) return;
    items_[std::size_t(index)] = item;
    if (old) Notify(old, lnDeleted);
    if (item) Notify(item, lnAdded);
}

int TList::Add(void* item) {
    items_.push_back(item);
    if (item) Notify(item, lnAdded);
    return int(items_.size()) - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > int(items_.size())) throw EListError(Format("List index out of bounds (%d)", {index}));
    items_.insert(items_.begin() + index, item);
    if (item) Notify(item, lnAdded);
}

void TList::Delete(int index) {
    check(index);
    void* item = items_[std::size_t(index)];
    items_.erase(items_.begin() + index);
    if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
    int i = IndexOf(item);
    if (i >= 0) Delete(i);
    return i;
}

void* TList::Extract(void* item) {
    int i = IndexOf(item);
    if (i < 0) return nullptr;
    items_.erase(items_.begin() + i);
    Notify(item, lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

void TList::Clear() {
    while (!items_.empty()) Delete(int(items_.size()) - 1);
}

void TList::Exchange(int a, int b) {
    check(a);
    check(b);
    std::swap(items_[std::size_t(a)], items_[std::size_t(b)]);
}

void TList::Move(int cur, int to) {
    if (cur == to) return;
    check(cur);
    check(to);
    void* item = items_[std::size_t(cur)];
    items_.erase(items_.begin() + cur);
    items_.insert(items_.begin() + to, item);
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

void TList::Sort(const std::function<int(void*, void*)>& compare) {
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::SetItems(int index, TObject* obj) { TList::SetItems(index, obj); }

void TObjectList::Notify(void* item, TListNotification action) {
    if (owns_ && action == lnDeleted) delete static_cast<TObject*>(item);
}
