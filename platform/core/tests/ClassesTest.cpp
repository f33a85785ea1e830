#include "platform/core/ClassBuilder.h"
#include "platform/core/Classes.h"
#include "platform/core/StringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace {

std::vector<std::string>* g_log = nullptr;

// A component that logs its destruction and the notifications it receives.
class TProbe : public TComponent {
public:
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    ~TProbe() override {
        if (g_log) g_log->push_back("free " + Name());
    }
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    void Notification(TComponent* c, TOperation op) override {
        if (op == opRemove && c == Partner) Partner = nullptr;
        if (g_log && c != this) g_log->push_back(Name() + (op == opInsert ? " +" : " -") + c->Name());
        TComponent::Notification(c, op);
    }
    TComponent* Partner = nullptr;
};

TClass TProbe::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TProbe, TComponent>("TProbe").Build();
    return &info;
}

enum TKind { kA, kB, kC };

class TThing : public TComponent {
public:
    explicit TThing(TComponent* owner) : TComponent(owner), lines_(new TStringList) { Count = 3; }
    ~TThing() override { delete lines_; }
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    int Count = 0;
    TKind Kind = kA;
    unsigned Options = 0;
    std::string Title;
    bool Active = false;
    double Ratio = 0;
    Currency Price;
    TStringList* Lines() const { return lines_; }
    TComponent* Link = nullptr;
    TNotifyEvent OnFire;
    int Twice(int x) { return 2 * x + Count; }
    void Fired(TObject*) { ++fired; }
    int fired = 0;

private:
    TStringList* lines_;
};

TClass TThing::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TThing, TComponent>("TThing")
                                       .Integer("Count", &TThing::Count, &TThing::Count).Default(3)
                                       .Enum("Kind", {"kA", "kB", "kC"}, &TThing::Kind, &TThing::Kind)
                                       .Set("Options", {"oX", "oY"}, &TThing::Options, &TThing::Options)
                                       .String("Title", &TThing::Title, &TThing::Title)
                                       .Bool("Active", &TThing::Active, &TThing::Active).Stored(false)
                                       .Float("Ratio", &TThing::Ratio, &TThing::Ratio)
                                       .Money("Price", &TThing::Price, &TThing::Price)
                                       .Strings("Lines", &TThing::Lines)
                                       .Component("Link", &TThing::Link, &TThing::Link)
                                       .Event("OnFire", &TThing::OnFire)
                                       .Operation("Twice", &TThing::Twice)
                                       .Operation("Fired", &TThing::Fired)
                                       .Operation("Code", [](int bank) { return Format("%.3d", {bank}); })
                                       .Build();
    return &info;
}

class TAbstractBase : public TPersistent {
public:
    static TClass StaticClass();
    TClass ClassType() const override { return StaticClass(); }
    virtual int Value() const = 0;
};
TClass TAbstractBase::StaticClass() {
    static const TClassInfo info = core::ClassBuilder<TAbstractBase, TPersistent>("TAbstractBase").Build();
    return &info;
}

}  // namespace

TEST(Component, OwnerFreesOwnedLastFirstAndNotifies) {
    std::vector<std::string> log;
    g_log = &log;
    auto* owner = new TProbe(nullptr);
    owner->SetName("Owner");
    auto* a = new TProbe(owner);
    a->SetName("A");
    auto* b = new TProbe(owner);
    b->SetName("B");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(owner->FindComponent("a"), a);
    EXPECT_EQ(owner->FindComponent("none"), nullptr);
    EXPECT_THROW(owner->Components(2), EListError);
    log.clear();
    delete owner;
    EXPECT_EQ(log, (std::vector<std::string>{"free Owner", "free B", "free A"}));
    g_log = nullptr;
}

TEST(Component, NamesAreValidatedAndUnique) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Button1");
    auto* b = new TComponent(&owner);
    try {
        b->SetName("button1");
        ADD_FAILURE();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named button1 already exists");
    }
    try {
        b->SetName("1abc");
        ADD_FAILURE();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "'1abc' is not a valid component name");
    }
    b->SetName("");
    b->SetName("_ok2");
    EXPECT_EQ(b->Name(), "_ok2");
}

// With few or many owned components, names are found, refused and freed
// after renames, removals and moves as a walk over the owned ones finds them.
TEST(Component, ManyOwnedComponentsAreFoundByName) {
    for (int count : {3, 200}) {
        SCOPED_TRACE(count);
        TComponent owner(nullptr), other(nullptr);
        std::vector<TComponent*> owned;
        for (int i = 0; i < count; ++i) {
            owned.push_back(new TComponent(&owner));
            owned.back()->SetName("Item" + std::to_string(i));
        }
        auto walk = [&owner](const std::string& name) -> TComponent* {
            if (name.empty()) return nullptr;  // an unnamed component is never found
            for (int i = 0; i < owner.ComponentCount(); ++i)
                if (SameText(owner.Components(i)->Name(), name)) return owner.Components(i);
            return nullptr;
        };
        auto* first = owned[0];
        auto* last = owned.back();
        const struct {
            const char* change;
            std::function<void()> apply;
        } steps[] = {
            {"made", [] {}},
            {"renamed", [&] { first->SetName("Renamed"); }},
            {"case changed", [&] { first->SetName("RENAMED"); }},
            {"name cleared", [&] { last->SetName(""); }},
            {"moved away", [&] { other.InsertComponent(owned[1]); }},
            {"moved back renamed", [&] {
                 owned[1]->SetName("Back");
                 owner.InsertComponent(owned[1]);
             }},
            {"freed", [&] { delete owned[2]; }},
            {"old name taken again", [&] { (new TComponent(&owner))->SetName("item0"); }},
        };
        const std::vector<std::string> names = {"item0", "ITEM1", "Item2", "renamed", "Back", "Item" + std::to_string(count - 1),
                                                "Item" + std::to_string(count / 2), "", "none"};
        for (const auto& step : steps) {
            step.apply();
            for (const std::string& n : names) EXPECT_EQ(owner.FindComponent(n), walk(n)) << step.change << ": " << n;
        }
        // A name in use is refused, in any case.
        EXPECT_THROW(first->SetName("BACK"), EComponentError);
        auto* stray = new TComponent(nullptr);
        stray->SetName("Renamed");
        EXPECT_THROW(owner.InsertComponent(stray), EComponentError);
        delete stray;
    }
}

// Who hears of what: an insertion reaches the new owner alone; a removal
// from the owner reaches the owner and every component of its tree, last
// first and depth first; a freed component's partners hear of it alone,
// without passing it on to their own components.
TEST(Component, NotificationsReachTheirListeners) {
    std::vector<std::string> log;
    g_log = &log;
    TProbe owner(nullptr);
    owner.SetName("Owner");
    auto* a = new TProbe(&owner);
    a->SetName("A");
    auto* a1 = new TProbe(a);
    a1->SetName("A1");
    auto* b = new TProbe(&owner);
    b->SetName("B");

    log.clear();
    auto* n = new TProbe(nullptr);
    n->SetName("New");
    owner.InsertComponent(n);
    EXPECT_EQ(log, (std::vector<std::string>{"Owner +New"}));

    log.clear();
    owner.RemoveComponent(n);
    EXPECT_EQ(log, (std::vector<std::string>{"Owner -New", "B -New", "A -New", "A1 -New"}));
    EXPECT_EQ(n->Owner(), nullptr);

    // A partner hears of the other's end; its own components only through a link of their own.
    auto* held = new TProbe(a);
    held->SetName("Held");
    auto* target = new TProbe(nullptr);
    target->SetName("Target");
    n->Partner = target;
    n->FreeNotification(target);
    a1->Partner = target;
    a1->FreeNotification(target);
    log.clear();
    delete target;
    EXPECT_EQ(n->Partner, nullptr);
    EXPECT_EQ(a1->Partner, nullptr);
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"A1 -Target", "New -Target", "free Target"}));

    // An owner freeing its components tells their partners, nothing more.
    n->Partner = held;
    n->FreeNotification(held);
    log.clear();
    delete a;
    EXPECT_EQ(n->Partner, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"free A", "free Held", "New -Held", "free A1", "Owner -A", "B -A"}));
    delete n;
    g_log = nullptr;
}

// A component with many free-notification partners (kept in an index past a
// few): links dropped anywhere, linked again, and partners freed first or
// last; the ones still linked hear of its end, the one linked last first.
TEST(Component, ManyFreeNotificationPartners) {
    for (int count : {5, 40}) {
        std::vector<std::string> log;
        g_log = &log;
        auto* hub = new TProbe(nullptr);
        hub->SetName("Hub");
        std::vector<TProbe*> partners;
        for (int i = 0; i < count; ++i) {
            auto* p = new TProbe(nullptr);
            p->SetName("P" + std::to_string(i));
            p->Partner = hub;
            p->FreeNotification(hub);
            hub->FreeNotification(p);  // twice: still one link
            partners.push_back(p);
        }
        // drop every third link, free the first and the last partner, link P1 again
        std::vector<std::string> expected;
        for (int i = 0; i < count; i += 3) {
            hub->RemoveFreeNotification(partners[std::size_t(i)]);
            partners[std::size_t(i)]->Partner = nullptr;
        }
        delete partners.front();
        delete partners.back();
        hub->RemoveFreeNotification(partners[1]);
        partners[1]->FreeNotification(hub);
        for (int i = count - 2; i >= 2; --i)
            if (i % 3 != 0) expected.push_back("P" + std::to_string(i) + " -Hub");
        expected.insert(expected.begin(), "P1 -Hub");
        log.clear();
        delete hub;
        EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.end()), expected) << count;
        for (std::size_t i = 1; i + 1 < partners.size(); ++i) {
            EXPECT_EQ(partners[i]->Partner, nullptr) << count << " P" << i;
            delete partners[i];
        }
        g_log = nullptr;
    }
}

// Handlers that free components while the owner passes a removal on: one
// freed on the way is not called, one may free itself, and one that frees
// the owner ends the pass-on (the sanitizer build checks that nothing freed
// is touched).
TEST(Component, FreeingDuringANotificationIsSafe) {
    struct TFreer : TProbe {
        using TProbe::TProbe;
        TComponent* Victim = nullptr;
        void Notification(TComponent* c, TOperation op) override {
            TProbe::Notification(c, op);
            if (op == opRemove && Victim && c->Name() == "Gone") {
                TComponent* v = Victim;
                Victim = nullptr;
                delete v;  // may be this one
            }
        }
    };
    const struct {
        const char* victim;
        std::vector<std::string> heard;
    } cases[] = {
        {"A", {"Owner -Gone", "K -Gone", "free A", "Owner -A", "Gone -A", "K -A", "B -A", "B -Gone"}},
        {"K", {"Owner -Gone", "K -Gone", "free K", "Owner -K", "Gone -K", "B -K", "A -K", "B -Gone", "A -Gone"}},
        {"Owner", {"Owner -Gone", "K -Gone", "free Owner", "free Gone", "free K", "free B", "free A"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> log;
        g_log = &log;
        auto* owner = new TProbe(nullptr);
        owner->SetName("Owner");
        std::map<std::string, TComponent*> by_name{{"Owner", owner}};
        for (const char* name : {"A", "B", "K", "Gone"}) {
            TComponent* p = std::string(name) == "K" ? new TFreer(owner) : new TProbe(owner);
            p->SetName(name);
            by_name[name] = p;
        }
        static_cast<TFreer*>(by_name["K"])->Victim = by_name[c.victim];
        log.clear();
        TComponent* gone = by_name["Gone"];
        const bool owner_freed = std::string(c.victim) == "Owner";
        owner->RemoveComponent(gone);
        EXPECT_EQ(log, c.heard) << c.victim;
        if (!owner_freed) {
            EXPECT_EQ(owner->ComponentCount(), 2) << c.victim;
            EXPECT_EQ(gone->Owner(), nullptr) << c.victim;
            delete gone;
            delete owner;
        }
        g_log = nullptr;
    }
}

TEST(Registry, FindsClassesByNameIgnoringCase) {
    RegisterClasses({TThing::StaticClass(), TProbe::StaticClass()});
    RegisterClass(TThing::StaticClass());  // again: fine
    EXPECT_EQ(GetClass("tthing"), TThing::StaticClass());
    EXPECT_EQ(FindClass("TPROBE"), TProbe::StaticClass());
    EXPECT_EQ(GetClass("TNothing"), nullptr);
    try {
        FindClass("TNothing");
        ADD_FAILURE();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNothing not found");
    }
    static const TClassInfo impostor = core::ClassBuilder<TProbe, TComponent>("TThing").Build();
    EXPECT_THROW(RegisterClass(&impostor), EFilerError);
    EXPECT_TRUE(TThing::StaticClass()->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TComponent::StaticClass()->InheritsFrom(TThing::StaticClass()));

    TComponent owner(nullptr);
    TObject* o = FindClass("TThing")->Create(&owner);
    EXPECT_EQ(o->ClassName(), "TThing");
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_THROW(TAbstractBase::StaticClass()->Create(), EInvalidOperation);
    UnRegisterClass(TProbe::StaticClass());
    EXPECT_EQ(GetClass("TProbe"), nullptr);
}

TEST(Properties, TypedAccessByName) {
    TThing t(nullptr);
    using core::PropValue;
    core::set_property(t, "count", PropValue(std::int64_t(7)));
    EXPECT_EQ(t.Count, 7);
    core::set_property(t, "Kind", PropValue(std::int64_t(2)));
    EXPECT_EQ(t.Kind, kC);
    core::set_property(t, "Title", PropValue(std::string("hi")));
    core::set_property(t, "Price", PropValue(StrToCurr("1.25")));
    EXPECT_EQ(std::get<Currency>(core::get_property(t, "Price")).Raw(), 12500);
    EXPECT_EQ(std::get<std::string>(core::get_property(t, "title")), "hi");
    EXPECT_EQ(std::get<std::int64_t>(core::get_property(t, "Tag")), 0);
    try {
        core::get_property(t, "Nope");
        ADD_FAILURE();
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message(), "Property Nope does not exist");
    }
    EXPECT_THROW(core::set_property(t, "Title", PropValue(std::int64_t(1))), EPropertyError);
    TProbe other(nullptr);
    EXPECT_THROW(core::set_property(t, "Lines", PropValue(static_cast<TObject*>(&other))), EConvertError);
    TStringList src;
    src.Add("x");
    core::set_property(t, "Lines", PropValue(static_cast<TObject*>(&src)));
    EXPECT_EQ(t.Lines()->Text(), "x\r\n");
    const core::PropInfo* kind = TThing::StaticClass()->FindProperty("Kind");
    EXPECT_EQ(core::enum_value(*kind, "KB"), 1);
    EXPECT_EQ(core::enum_name(*kind, 2), "kC");
    EXPECT_THROW(core::enum_value(*kind, "kZ"), EPropertyError);

    // stored flags and defaults
    auto stored = [&](const char* n) { return TThing::StaticClass()->FindProperty(n)->IsStored(t); };
    t.Count = 3;
    EXPECT_FALSE(stored("Count"));
    t.Count = 4;
    EXPECT_TRUE(stored("Count"));
    t.Active = true;
    EXPECT_FALSE(stored("Active"));
    EXPECT_FALSE(stored("OnFire"));
    auto all = TThing::StaticClass()->AllProperties();
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0]->name, "Name");
    EXPECT_EQ(all[2]->name, "Count");
}

TEST(Operations, FoundByNameWithTheirSignature) {
    TThing t(nullptr);
    TClass c = t.ClassType();
    const core::OperationInfo* twice = c->MethodAddress("TWICE");
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ((twice->As<int(TObject&, int)>()(t, 5)), 13);
    const core::OperationInfo* code = c->MethodAddress("Code");
    ASSERT_NE(code, nullptr);
    EXPECT_EQ((code->As<std::string(int)>()(1)), "001");
    EXPECT_THROW((code->As<std::string(long)>()), EInvalidCast);
    EXPECT_EQ(c->MethodAddress("Missing"), nullptr);
    // calling a member operation on an object of another class
    TProbe p(nullptr);
    EXPECT_THROW((twice->As<int(TObject&, int)>()(p, 1)), EInvalidCast);
}

TEST(Events, BindPublishedMethodsByName) {
    TThing t(nullptr);
    TThing form(nullptr);
    core::set_property(t, "OnFire", core::PropValue(core::MethodRef{&form, "fired"}));
    t.OnFire(&t);
    EXPECT_EQ(form.fired, 1);
    auto ref = std::get<core::MethodRef>(core::get_property(t, "OnFire"));
    EXPECT_EQ(ref.instance, &form);
    EXPECT_EQ(ref.name, "Fired");
    EXPECT_THROW(t.OnFire.Bind(&form, "Twice"), EInvalidOperation);  // wrong signature
    EXPECT_THROW(t.OnFire.Bind(&form, "Nothing"), EInvalidOperation);
    int calls = 0;
    t.OnFire = [&](TObject*) { ++calls; };
    t.OnFire(nullptr);
    EXPECT_EQ(calls, 1);
    t.OnFire.Clear();
    t.OnFire(nullptr);  // empty: nothing happens
    EXPECT_FALSE(t.OnFire);
}

TEST(Persistent, AssignOfUnrelatedClassesFails) {
    TStringList a;
    TThing t(nullptr);
    try {
        a.Assign(&t);
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TThing to a TStringList");
    }
    EXPECT_THROW(As<TStringList>(static_cast<TObject*>(&t)), EInvalidCast);
    EXPECT_EQ(As<TThing>(static_cast<TObject*>(&t)), &t);
}

TEST(Lists, IndexChecksAndOwnership) {
    TList l;
    int x = 1, y = 2, z = 3;
    l.Add(&x);
    l.Add(&y);
    l.Insert(0, &z);
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l[0], &z);
    EXPECT_EQ(l.IndexOf(&y), 2);
    l.Exchange(0, 2);
    EXPECT_EQ(l.First(), &y);
    l.Move(0, 2);
    EXPECT_EQ(l.Last(), &y);
    try {
        l.Items(3);
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(l.Delete(-1), EListError);
    EXPECT_THROW(l.Insert(5, &x), EListError);
    l.Add(nullptr);
    l.Pack();
    EXPECT_EQ(l.Count(), 3);
    l.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
    EXPECT_EQ(l[0], &x);

    std::vector<std::string> log;
    g_log = &log;
    {
        TObjectList owned;
        for (const char* n : {"P1", "P2", "P3"}) {
            auto* p = new TProbe(nullptr);
            p->SetName(n);
            owned.Add(p);
        }
        owned.Delete(0);
        TObject* kept = owned.Extract(owned[0]);
        EXPECT_EQ(log, (std::vector<std::string>{"free P1"}));
        delete kept;
    }
    EXPECT_EQ(log.back(), "free P3");
    g_log = nullptr;
}
