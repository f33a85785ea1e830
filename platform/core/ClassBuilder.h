#pragma once
// Short declarations of class descriptions. A described class writes:
//
//   class TFoo : public TComponent {
//   public:
//       explicit TFoo(TComponent* owner);
//       static TClass StaticClass();
//       TClass ClassType() const override { return StaticClass(); }
//       ...
//   };
//   TClass TFoo::StaticClass() {
//       static const TClassInfo info = core::ClassBuilder<TFoo, TComponent>("TFoo")
//           .Integer("Count", &TFoo::Count, &TFoo::SetCount).Default(3)
//           .Enum("Kind", {"fkA", "fkB"}, &TFoo::kind_)          // data members work too
//           .Operation("Calcular", &TFoo::Calcular)             // member: called with TObject& first
//           .Operation("Nome", [](int code) { return ...; })    // no instance
//           .Build();
//       return &info;
//   }
//
// Accessors are member functions, data members or callables taking the object.
// Pass nullptr as the setter of a read-only property. Every property defaults to
// its type's zero (0, false, "", no set elements, null, no handler); Default(v),
// NoDefault(), Stored(...) and WriteEmpty() change the property declared last.

#include "platform/core/Classes.h"

#include <string>
#include <type_traits>
#include <utility>

namespace core {

namespace detail {

template <class>
struct fn_traits;
template <class R, class... A>
struct fn_traits<R (*)(A...)> {
    using sig = R(A...);
    static constexpr bool member = false;
};
template <class R, class C, class... A>
struct fn_traits<R (C::*)(A...)> {
    using sig = R(A...);
    using obj_sig = R(TObject&, A...);
    static constexpr bool member = true;
};
template <class R, class C, class... A>
struct fn_traits<R (C::*)(A...) const> {
    using sig = R(A...);
    using obj_sig = R(TObject&, A...);
    static constexpr bool member = true;
};
template <class F>
struct fn_traits : fn_traits<decltype(&F::operator())> {
    static constexpr bool member = false;
};

// Type of the value a setter takes.
template <class S, class T, class = void>
struct setter_arg;
template <class C, class A, class T>
struct setter_arg<void (C::*)(A), T> {
    using type = std::decay_t<A>;
};
template <class C, class M, class T>
struct setter_arg<M C::*, T, std::enable_if_t<!std::is_function_v<M>>> {
    using type = M;
};
template <class F, class T>
struct setter_arg<F, T, std::void_t<decltype(&F::operator())>> {
    template <class R, class C, class O, class A>
    static std::decay_t<A> arg(R (C::*)(O, A) const);
    using type = decltype(arg(&F::operator()));
};

template <class T, class G>
decltype(auto) read(const G& g, const T& o) {
    if constexpr (std::is_member_function_pointer_v<G>) return (const_cast<T&>(o).*g)();
    else if constexpr (std::is_member_object_pointer_v<G>) return (o.*g);
    else return g(o);
}

template <class X>
PropValue to_value(PropKind kind, const X& x) {
    using D = std::decay_t<X>;
    if constexpr (std::is_same_v<D, bool>) return x;
    else if constexpr (std::is_enum_v<D>) return static_cast<std::int64_t>(x);
    else if constexpr (std::is_integral_v<D>) {
        if (kind == PropKind::Bool) return x != 0;
        return static_cast<std::int64_t>(x);
    } else if constexpr (std::is_floating_point_v<D>) return static_cast<double>(x);
    else if constexpr (std::is_same_v<D, Currency>) return x;
    else if constexpr (std::is_same_v<D, Bytes>) return x;
    else if constexpr (std::is_same_v<D, MethodRef>) return x;
    else if constexpr (std::is_pointer_v<D>) return static_cast<TObject*>(const_cast<std::remove_const_t<std::remove_pointer_t<D>>*>(x));
    else if constexpr (std::is_convertible_v<const D&, std::string_view>) return std::string(std::string_view(x));
    else static_assert(sizeof(D) == 0, "unsupported property type");
}

[[noreturn]] void invalid_value();

// The integral type that holds a value of A: A itself, or an enumeration's underlying type.
template <class A, bool = std::is_enum_v<A>>
struct integral_of {
    using type = A;
};
template <class A>
struct integral_of<A, true> {
    using type = std::underlying_type_t<A>;
};

template <class A>
A from_value(const PropValue& v) {
    try {
        if constexpr (std::is_same_v<A, bool>) {
            if (auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
            return std::get<bool>(v);
        } else if constexpr (std::is_enum_v<A> || std::is_integral_v<A>) {
            if (auto* b = std::get_if<bool>(&v)) return static_cast<A>(*b);
            // A number the property's type cannot hold is refused, never cut
            // down to another value (4294967299 is no 32-bit 3).
            const std::int64_t i = std::get<std::int64_t>(v);
            if (!std::in_range<typename integral_of<A>::type>(i)) invalid_value();
            return static_cast<A>(i);
        } else if constexpr (std::is_floating_point_v<A>) {
            if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<A>(*i);
            return static_cast<A>(std::get<double>(v));
        } else if constexpr (std::is_same_v<A, Currency>) {
            return std::get<Currency>(v);
        } else if constexpr (std::is_same_v<A, Bytes>) {
            return std::get<Bytes>(v);
        } else if constexpr (std::is_pointer_v<A>) {
            TObject* o = std::get<TObject*>(v);
            if (!o) return nullptr;
            auto* t = dynamic_cast<A>(o);
            if (!t) invalid_value();
            return t;
        } else {
            return A(std::get<std::string>(v));
        }
    } catch (const std::bad_variant_access&) {
        invalid_value();
    }
}

template <class T, class S>
void write(const S& s, T& o, const PropValue& v) {
    using A = typename setter_arg<S, T>::type;
    if constexpr (std::is_member_function_pointer_v<S>) (o.*s)(from_value<A>(v));
    else if constexpr (std::is_member_object_pointer_v<S>) (o.*s) = from_value<A>(v);
    else s(o, from_value<A>(v));
}

template <class T>
T& cast(TObject& o) {
    if (auto* t = dynamic_cast<T*>(&o)) return *t;
    throw EInvalidCast("Invalid class typecast");
}

}  // namespace detail

template <class T, class Parent = void>
class ClassBuilder {
public:
    explicit ClassBuilder(std::string name) {
        info_.Name = std::move(name);
        if constexpr (!std::is_void_v<Parent>) info_.Parent = Parent::StaticClass();
        if constexpr (!std::is_abstract_v<T>) {
            if constexpr (std::is_constructible_v<T, TComponent*>)
                info_.Factory = [](TComponent* owner) -> TObject* { return new T(owner); };
            else if constexpr (std::is_default_constructible_v<T>)
                info_.Factory = [](TComponent*) -> TObject* { return new T(); };
        }
    }

    template <class G, class S = std::nullptr_t>
    ClassBuilder& Integer(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::Integer, get, set, std::int64_t{0}); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Bool(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::Bool, get, set, false); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& String(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::String, get, set, std::string()); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Float(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::Float, get, set, 0.0); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& DateTime(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::DateTime, get, set, 0.0); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Money(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::Currency, get, set, Currency()); }
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Binary(std::string name, G get, S set = nullptr) { return prop(std::move(name), PropKind::Binary, get, set, Bytes()); }
    // Enumeration: element i of `names` is ordinal i.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Enum(std::string name, std::vector<std::string> names, G get, S set = nullptr) {
        prop(std::move(name), PropKind::Enum, get, set, std::int64_t{0});
        info_.Properties.back().names = std::move(names);
        return *this;
    }
    // Set: an integral bit mask, bit i for element i of `names`.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Set(std::string name, std::vector<std::string> names, G get, S set = nullptr) {
        prop(std::move(name), PropKind::Set, get, set, std::int64_t{0});
        info_.Properties.back().names = std::move(names);
        return *this;
    }
    // Reference to another component (not owned); the getter answers a pointer to a described class.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Component(std::string name, G get, S set = nullptr) {
        prop(std::move(name), PropKind::Component, get, set, static_cast<TObject*>(nullptr));
        info_.Properties.back().value_class = pointee_class<G>();
        return *this;
    }
    // Owned sub-object whose published properties are stored inside this one's;
    // without a setter, writing assigns into the object the getter answers.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Object(std::string name, G get, S set = nullptr) { return owned(std::move(name), PropKind::Object, get, set); }
    // Owned collection (TCollection, Collection.h), written as an array of its
    // items' properties; reading replaces the items.
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Collection(std::string name, G get, S set = nullptr) { return owned(std::move(name), PropKind::Collection, get, set); }
    // Owned string list (written as its lines).
    template <class G, class S = std::nullptr_t>
    ClassBuilder& Strings(std::string name, G get, S set = nullptr) { return owned(std::move(name), PropKind::Strings, get, set); }
    // Event: a TMethodEvent data member, bound by published method name.
    template <class C, class Sig>
    ClassBuilder& Event(std::string name, TMethodEvent<Sig> C::*member) {
        PropInfo p;
        p.name = std::move(name);
        p.kind = PropKind::Event;
        p.get = [member](const TObject& o) -> PropValue { return (static_cast<const T&>(o).*member).Ref(); };
        p.set = [member](TObject& o, const PropValue& v) {
            const MethodRef* ref = std::get_if<MethodRef>(&v);
            if (!ref) detail::invalid_value();
            (detail::cast<T>(o).*member).Bind(ref->instance, ref->name);
        };
        p.default_value = MethodRef{};
        info_.Properties.push_back(std::move(p));
        return *this;
    }

    ClassBuilder& Default(PropValue v) {
        info_.Properties.back().default_value = std::move(v);
        return *this;
    }
    ClassBuilder& Default(bool v) { return Default(PropValue(v)); }
    ClassBuilder& Default(int v) { return Default(PropValue(std::int64_t(v))); }
    ClassBuilder& Default(long long v) { return Default(PropValue(std::int64_t(v))); }
    ClassBuilder& Default(double v) { return Default(PropValue(v)); }
    ClassBuilder& Default(Currency v) { return Default(PropValue(v)); }
    ClassBuilder& Default(std::string v) { return Default(PropValue(std::move(v))); }
    ClassBuilder& Default(const char* v) { return Default(PropValue(std::string(v))); }
    ClassBuilder& NoDefault() {
        info_.Properties.back().default_value.reset();
        return *this;
    }
    ClassBuilder& Stored(bool stored) {
        if (stored) info_.Properties.back().stored = nullptr;
        else info_.Properties.back().stored = [](const TObject&) { return false; };
        return *this;
    }
    // A Strings property written even when its list is empty, so that a
    // reader clears its list instead of keeping what it starts with.
    ClassBuilder& WriteEmpty() {
        info_.Properties.back().write_empty = true;
        return *this;
    }
    template <class F>
    ClassBuilder& Stored(F is_stored) {
        info_.Properties.back().stored = [is_stored](const TObject& o) -> bool {
            return detail::read(is_stored, static_cast<const T&>(o));
        };
        return *this;
    }

    // Published operation. A member function becomes R(TObject&, Args...);
    // a function or lambda keeps its own signature.
    template <class F>
    ClassBuilder& Operation(std::string name, F f) {
        OperationInfo op;
        op.name = std::move(name);
        using Tr = detail::fn_traits<F>;
        if constexpr (Tr::member) {
            using Sig = typename Tr::obj_sig;
            op.fn = std::function<Sig>(member_call<Sig>(f));
            op.signature = typeid(Sig);
        } else {
            using Sig = typename Tr::sig;
            op.fn = std::function<Sig>(f);
            op.signature = typeid(Sig);
        }
        info_.Operations.push_back(std::move(op));
        return *this;
    }

    // Replaces the factory (for classes built by other means); Abstract() removes it.
    ClassBuilder& Factory(std::function<TObject*(TComponent*)> f) {
        info_.Factory = std::move(f);
        return *this;
    }
    ClassBuilder& Abstract() {
        info_.Factory = nullptr;
        return *this;
    }

    TClassInfo Build() { return std::move(info_); }

private:
    template <class Sig>
    struct member_caller;
    template <class R, class... A>
    struct member_caller<R(TObject&, A...)> {
        template <class F>
        static std::function<R(TObject&, A...)> make(F f) {
            return [f](TObject& o, A... a) -> R { return (detail::cast<T>(o).*f)(std::forward<A>(a)...); };
        }
    };
    template <class Sig, class F>
    static std::function<Sig> member_call(F f) { return member_caller<Sig>::make(f); }

    template <class G>
    static TClass pointee_class() {
        using P = std::decay_t<decltype(detail::read(std::declval<G>(), std::declval<const T&>()))>;
        static_assert(std::is_pointer_v<P>, "the getter must answer a pointer");
        return std::remove_const_t<std::remove_pointer_t<P>>::StaticClass();
    }

    template <class G, class S>
    ClassBuilder& prop(std::string name, PropKind kind, G get, S set, PropValue def) {
        PropInfo p;
        p.name = std::move(name);
        p.kind = kind;
        p.get = [get, kind](const TObject& o) -> PropValue {
            return detail::to_value(kind, detail::read(get, static_cast<const T&>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>)
            p.set = [set](TObject& o, const PropValue& v) { detail::write(set, detail::cast<T>(o), v); };
        p.default_value = std::move(def);
        info_.Properties.push_back(std::move(p));
        return *this;
    }

    template <class G, class S>
    ClassBuilder& owned(std::string name, PropKind kind, G get, S set) {
        PropInfo p;
        p.name = std::move(name);
        p.kind = kind;
        p.value_class = pointee_class<G>();
        p.get = [get](const TObject& o) -> PropValue {
            return detail::to_value(PropKind::Object, detail::read(get, static_cast<const T&>(o)));
        };
        if constexpr (!std::is_null_pointer_v<S>) {
            p.set = [set](TObject& o, const PropValue& v) { detail::write(set, detail::cast<T>(o), v); };
        } else {
            p.set = [get](TObject& o, const PropValue& v) {
                TObject* src = nullptr;
                if (auto* pv = std::get_if<TObject*>(&v)) src = *pv;
                else detail::invalid_value();
                TPersistent* target = detail::read(get, static_cast<const T&>(o));
                if (!target) detail::invalid_value();
                auto* ps = src ? dynamic_cast<TPersistent*>(src) : nullptr;
                if (src && !ps) detail::invalid_value();
                target->Assign(ps);
            };
        }
        info_.Properties.push_back(std::move(p));
        return *this;
    }

    TClassInfo info_;
};

}  // namespace core
