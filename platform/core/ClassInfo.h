#pragma once
// Run-time class descriptions: every class that can be created or streamed by
// name describes itself once (name, parent, factory, published properties and
// published operations) and is found through the class registry.
// Declare descriptions with core::ClassBuilder (ClassBuilder.h).

#include "platform/core/SysUtils.h"

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <variant>
#include <vector>

class TObject;
class TComponent;
class TClassInfo;
using TClass = const TClassInfo*;   // a class reference

namespace core {

// The types a published property can have.
enum class PropKind { Integer, Bool, Enum, Set, String, Float, Currency, DateTime, Binary, Component, Strings, Object, Event,
                      Collection };

using Bytes = std::vector<std::uint8_t>;

// An event's value: the published method `name` of `instance` (empty name = no handler).
struct MethodRef {
    TObject* instance = nullptr;
    std::string name;
    bool operator==(const MethodRef&) const = default;
};

// A property value. Integer, Enum (ordinal) and Set (bit i = element i) use int64;
// Float and DateTime use double; Component, Strings, Object and Collection use TObject*.
using PropValue = std::variant<std::monostate, std::int64_t, bool, double, std::string, Currency, Bytes, TObject*, MethodRef>;

// One published property.
struct PropInfo {
    std::string name;
    PropKind kind = PropKind::Integer;
    std::vector<std::string> names;                            // element names of Enum and Set
    TClass value_class = nullptr;                              // class of Component/Object/Strings/Collection values
    std::function<PropValue(const TObject&)> get;
    std::function<void(TObject&, const PropValue&)> set;       // empty for a read-only property
    std::optional<PropValue> default_value;                    // a value equal to it is not stored
    std::function<bool(const TObject&)> stored;                // empty: stored
    bool write_empty = false;                                  // an empty Strings list is written too

    bool ReadOnly() const { return !set; }
    // True when a writer should store the property of `obj` (stored flag, and not the default).
    bool IsStored(const TObject& obj) const;
};

// One published operation: a typed callable found by name at run time.
// Operations declared from member functions take the object first (TObject&).
struct OperationInfo {
    std::string name;
    std::type_index signature = typeid(void);
    std::any fn;                                                // holds std::function<Sig>

    // The callable as std::function<Sig>; EInvalidCast when declared with another signature.
    template <class Sig>
    const std::function<Sig>& As() const {
        if (auto* f = std::any_cast<std::function<Sig>>(&fn)) return *f;
        throw EInvalidCast("Invalid class typecast: operation " + name + " has another signature");
    }
    template <class Sig>
    bool Is() const { return std::any_cast<std::function<Sig>>(&fn) != nullptr; }
};

}  // namespace core

// A class description (the class library's metaclass).
class TClassInfo {
public:
    std::string Name;
    TClass Parent = nullptr;
    std::function<TObject*(TComponent* owner)> Factory;  // empty for abstract classes
    std::vector<core::PropInfo> Properties;              // declared by this class, in order
    std::vector<core::OperationInfo> Operations;         // declared by this class

    const std::string& ClassName() const { return Name; }
    // True when this class is `cls` or descends from it.
    bool InheritsFrom(TClass cls) const;
    // Property by name (ASCII case ignored), this class first, then its parents; null when absent.
    const core::PropInfo* FindProperty(std::string_view name) const;
    // Every property, the root class's first, each name once (a redeclaration takes the place of the one it redeclares).
    std::vector<const core::PropInfo*> AllProperties() const;
    // Published operation by name (ASCII case ignored), searching parents; null when absent.
    const core::OperationInfo* MethodAddress(std::string_view name) const;
    bool IsAbstract() const { return !Factory; }
    // New instance (components get `owner`); EInvalidOperation for an abstract class.
    TObject* Create(TComponent* owner = nullptr) const;
};

// ----------------------------------------------------------- class registry

// Registers a class for lookup by name; registering the same class again is
// allowed, another class of the same name raises EFilerError "A class named %s already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
// Registered class by name, ASCII case ignored: GetClass answers null,
// FindClass raises EClassNotFound "Class %s not found".
TClass GetClass(std::string_view name);
TClass FindClass(std::string_view name);

namespace core {
// Property access by name; EPropertyError "Property %s does not exist" for an unknown name.
PropValue get_property(const TObject& obj, std::string_view name);
void set_property(TObject& obj, std::string_view name, const PropValue& value);
// Enum/Set element names to ordinal/bits and back; EPropertyError "Invalid property value" when unknown.
std::int64_t enum_value(const PropInfo& prop, std::string_view element);
std::string enum_name(const PropInfo& prop, std::int64_t ordinal);
}  // namespace core
