#pragma once
// The object model: TObject, TPersistent, TComponent (owners, names, free
// notifications), pointer lists TList/TObjectList and method-pointer events.
// String lists (StringList.h) and streams (Streams.h) come with this header.

#include "platform/core/ClassInfo.h"
#include "platform/core/SysUtils.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Root of every class that the registry, form resources and published
// operations know. Objects are not copyable.
class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    static TClass StaticClass();                 // this class's description
    virtual TClass ClassType() const;            // the run-time class (override in every described class)
    const std::string& ClassName() const;
    bool InheritsFrom(TClass cls) const;         // `is`
    void Free() { delete this; }                 // frees an object without owner
};

// Checked downcast: null stays null; another class raises EInvalidCast "Invalid class typecast".
template <class T>
T* As(TObject* obj) {
    if (!obj) return nullptr;
    if (auto* t = dynamic_cast<T*>(obj)) return t;
    throw EInvalidCast("Invalid class typecast");
}

template <class T>
void FreeAndNil(T*& p) {
    T* q = p;
    p = nullptr;
    delete q;
}

// An object that can copy itself from another (Assign) and be streamed.
class TPersistent : public TObject {
public:
    static TClass StaticClass();
    TClass ClassType() const override;
    // Copies `source` into this object; a pair no class knows raises
    // EConvertError "Cannot assign a %s to a %s".
    virtual void Assign(const TPersistent* source);

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

// ------------------------------------------------------------------ events

// A method pointer: either a published method bound by name to an instance
// (form resources do this) or any callable. Calling an empty event does nothing
// and answers R{}.
template <class Sig>
class TMethodEvent;

template <class R, class... Args>
class TMethodEvent<R(Args...)> {
public:
    using Handler = std::function<R(Args...)>;
    TMethodEvent() = default;
    TMethodEvent(Handler h) : fn_(std::move(h)) {}
    TMethodEvent& operator=(Handler h) {
        fn_ = std::move(h);
        instance_ = nullptr;
        method_.clear();
        return *this;
    }
    // Binds the published operation `method` of `instance`, declared as a member
    // function R(Args...); EInvalidOperation "Method %s not found" when absent.
    void Bind(TObject* instance, std::string_view method);
    void Clear() { *this = Handler(); }
    explicit operator bool() const { return static_cast<bool>(fn_); }
    R operator()(Args... args) const {
        if (!fn_) return R();
        return fn_(std::forward<Args>(args)...);
    }
    core::MethodRef Ref() const { return {instance_, method_}; }   // the bound method, if any

private:
    Handler fn_;
    TObject* instance_ = nullptr;
    std::string method_;
};

template <class R, class... Args>
void TMethodEvent<R(Args...)>::Bind(TObject* instance, std::string_view method) {
    if (!instance || method.empty()) {
        Clear();
        return;
    }
    const core::OperationInfo* op = instance->ClassType()->MethodAddress(method);
    if (!op || !op->Is<R(TObject&, Args...)>())
        throw EInvalidOperation("Method " + std::string(method) + " not found");
    auto f = op->As<R(TObject&, Args...)>();
    fn_ = [f, instance](Args... args) -> R { return f(*instance, std::forward<Args>(args)...); };
    instance_ = instance;
    method_ = op->name;
}

using TNotifyEvent = TMethodEvent<void(TObject* Sender)>;

// --------------------------------------------------------------- components

enum TOperation { opInsert, opRemove };

// Component state flags (ComponentState()).
constexpr int csLoading = 0x01;
constexpr int csReading = 0x02;
constexpr int csWriting = 0x04;
constexpr int csDestroying = 0x08;
constexpr int csDesigning = 0x10;

// An object with an owner that frees it, a name unique among its owner's
// components, and published properties that form resources store.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;   // frees owned components, last first; tells free-notification partners
    static TClass StaticClass();
    TClass ClassType() const override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // Renames; EComponentError "'%s' is not a valid component name" or
    // "A component named %s already exists" (among the owner's components, case ignored).
    virtual void SetName(const std::string& name);
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    int ComponentCount() const { return int(components_.size()); }
    TComponent* Components(int index) const;    // EListError "List index out of bounds (%d)"
    int ComponentIndex() const;                 // position in the owner's list, -1 without owner
    TComponent* FindComponent(std::string_view name) const;  // owned component by name, case ignored; null
    void InsertComponent(TComponent* component);  // takes ownership (removing it from its old owner)
    void RemoveComponent(TComponent* component);  // gives ownership up; the caller frees it
    void DestroyComponents();                     // frees every owned component, last first

    // Asks to be told (Notification opRemove) when `component` is freed, and the reverse.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Told of a component inserted into this one (opInsert), of one removed
    // from this one's owner tree (opRemove), or of a free-notification partner
    // that goes (opRemove). Overrides clear their references and call the
    // inherited one, which passes a removal from the owner tree on to the
    // owned components, last first. Insertions go to the new owner alone, and
    // a partner hears of the other's end alone: a component that refers to
    // another outside an owner removal asks FreeNotification for it. Each
    // notification thus costs what its listeners do, never a walk of every
    // owned component per component read or freed.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

    int ComponentState() const { return state_; }
    bool InState(int flags) const { return (state_ & flags) != 0; }
    void SetState(int flags, bool on) { state_ = on ? (state_ | flags) : (state_ & ~flags); }

    // Form resources: called on every component read, after all properties and references are set.
    virtual void Loaded() { SetState(csLoading, false); }
    // The components written as this one's children (default: the owned components).
    virtual void GetChildren(std::vector<TComponent*>& children) const;
    // The owner of components read as this one's children (default: this component).
    virtual TComponent* ChildOwner() { return this; }
    // Called on a child read under `parent` (controls take it as their parent).
    virtual void SetParentComponent(TComponent* parent) { (void)parent; }

private:
    void insert(TComponent* c);
    void remove(TComponent* c);

    TComponent* owner_ = nullptr;
    std::string name_;
    int tag_ = 0;
    int state_ = 0;
    struct PassOn;
    struct PassOnScope;
    std::vector<TComponent*> components_;
    PassOn* passing_ = nullptr;  // the innermost pass-on of a notification over components_
    // The named owned components by upper-cased name, once there are many.
    mutable std::unique_ptr<std::unordered_map<std::string, TComponent*>> names_;
    // The free-notification partners in the order they were linked; many
    // (a report that 50,000 controls name as their master) are found
    // through an index, not by a walk of the list.
    class Partners {
    public:
        void add(TComponent* c);
        void drop(TComponent* c);
        TComponent* pop();  // the one linked last; null when none is left
    private:
        static constexpr std::size_t npos = std::size_t(-1);
        std::size_t find(TComponent* c) const;
        void trim();
        std::vector<TComponent*> items_;  // null where one was dropped
        std::unordered_map<TComponent*, std::size_t> index_;  // once there are many
        bool indexed_ = false;
        std::size_t live_ = 0;
    };
    Partners free_notifies_;
};

// True for a valid identifier (letter or '_' first, then letters, digits, '_').
bool IsValidIdent(std::string_view ident);

// ------------------------------------------------------------------- lists

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// A list of untyped pointers with the class library's index checks.
class TList : public TObject {
public:
    ~TList() override;
    int Count() const { return int(items_.size()); }
    void* Items(int index) const;               // EListError "List index out of bounds (%d)"
    void SetItems(int index, void* item);
    void* operator[](int index) const { return Items(index); }
    int Add(void* item);
    void Insert(int index, void* item);         // index 0..Count
    void Delete(int index);
    int Remove(void* item);                     // index it had, -1 when absent
    void* Extract(void* item);                  // removes without "deleted" notification
    int IndexOf(void* item) const;
    void Clear();
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }
    void Exchange(int index1, int index2);
    void Move(int cur_index, int new_index);
    void Pack();                                // drops null items
    void Sort(const std::function<int(void*, void*)>& compare);  // stable
    const std::vector<void*>& List() const { return items_; }

protected:
    virtual void Notify(void* item, TListNotification action) { (void)item, (void)action; }
    void check(int index) const;

private:
    std::vector<void*> items_;
};

// A list of objects that frees them on Delete, Remove, Clear and its own
// destruction while OwnsObjects is true (Extract hands an object back).
class TObjectList : public TList {
public:
    explicit TObjectList(bool owns_objects = true) : owns_(owns_objects) {}
    ~TObjectList() override;
    bool OwnsObjects() const { return owns_; }
    void SetOwnsObjects(bool owns) { owns_ = owns; }
    TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
    void SetItems(int index, TObject* obj);
    TObject* operator[](int index) const { return Items(index); }
    int Add(TObject* obj) { return TList::Add(obj); }
    void Insert(int index, TObject* obj) { TList::Insert(index, obj); }
    int Remove(TObject* obj) { return TList::Remove(obj); }
    TObject* Extract(TObject* obj) { return static_cast<TObject*>(TList::Extract(obj)); }
    int IndexOf(TObject* obj) const { return TList::IndexOf(obj); }
    TObject* First() const { return Items(0); }
    TObject* Last() const { return Items(Count() - 1); }

protected:
    void Notify(void* item, TListNotification action) override;

private:
    bool owns_;
};
