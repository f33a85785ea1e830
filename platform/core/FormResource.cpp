#include "platform/core/FormResource.h"
#include "platform/core/StringList.h"
#include "platform/core/detail/Files.h"

#include <nlohmann/json.hpp>

#include "platform/core/Collection.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace core {

using json = nlohmann::ordered_json;

// ------------------------------------------------------------------ base64

std::string base64_encode(const Bytes& data) {
    static const char tbl[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < data.size(); i += 3) {
        std::uint32_t v = (std::uint32_t(data[i]) << 16) | (std::uint32_t(data[i + 1]) << 8) | data[i + 2];
        out += tbl[v >> 18];
        out += tbl[(v >> 12) & 63];
        out += tbl[(v >> 6) & 63];
        out += tbl[v & 63];
    }
    if (i < data.size()) {
        std::uint32_t v = std::uint32_t(data[i]) << 16;
        if (i + 1 < data.size()) v |= std::uint32_t(data[i + 1]) << 8;
        out += tbl[v >> 18];
        out += tbl[(v >> 12) & 63];
        out += i + 1 < data.size() ? tbl[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

Bytes base64_decode(std::string_view text) {
    auto val = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string clean;
    for (char c : text)
        if (c != '\n' && c != '\r' && c != ' ' && c != '\t') clean += c;
    if (clean.size() % 4 != 0) throw EConvertError("Invalid base64 data");
    Bytes out;
    out.reserve(clean.size() / 4 * 3);
    for (std::size_t i = 0; i < clean.size(); i += 4) {
        int pad = 0;
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = clean[i + std::size_t(k)];
            int d;
            if (c == '=' && i + 4 == clean.size() && k >= 2) {
                ++pad;
                d = 0;
            } else {
                if (pad) throw EConvertError("Invalid base64 data");
                d = val(c);
                if (d < 0) throw EConvertError("Invalid base64 data");
            }
            v = (v << 6) | std::uint32_t(d);
        }
        out.push_back(std::uint8_t(v >> 16));
        if (pad < 2) out.push_back(std::uint8_t(v >> 8));
        if (pad < 1) out.push_back(std::uint8_t(v));
    }
    return out;
}

// ------------------------------------------------------------------ reading

namespace {

const TFormatSettings& invariant() {
    static const TFormatSettings fs;
    return fs;
}

[[noreturn]] void bad_format() { throw EReadError("Invalid stream format"); }

// Children under children are read one level of the reader (and of the
// component tree's own walks) each: a document nested deeper is refused
// before it can exhaust the stack.
constexpr int kMaxNesting = 256;

struct Reader {
    TComponent* root = nullptr;
    std::vector<TComponent*> loaded;
    struct RefFixup {
        TObject* obj;
        const PropInfo* prop;
        std::string target;
        std::string where;
    };
    std::vector<RefFixup> refs;
    struct EventFixup {
        TObject* obj;
        const PropInfo* prop;
        std::string method;
        std::string where;
    };
    std::vector<EventFixup> events;

    [[noreturn]] static void prop_error(const std::string& where, const std::string& msg) {
        throw EReadError("Error reading " + where + ": " + msg);
    }

    // The keys of `props` in the order the class declares its properties
    // (the order they are written in), then any the class does not know:
    // a property whose reading resets another is read before it whatever
    // order the file holds them in.
    // A class's properties in declared order, made once a class (a layout
    // reads thousands of components of a few classes).
    static const std::vector<const PropInfo*>& declared_properties(TClass cls) {
        static std::mutex mutex;
        static std::unordered_map<TClass, std::vector<const PropInfo*>> cache;
        std::lock_guard lock(mutex);
        auto it = cache.find(cls);
        if (it == cache.end()) it = cache.emplace(cls, cls->AllProperties()).first;
        return it->second;
    }

    static std::vector<std::pair<std::string, const json*>> in_declared_order(const TObject& obj, const json& props) {
        const auto& declared = declared_properties(obj.ClassType());
        std::vector<std::pair<std::size_t, std::pair<std::string, const json*>>> ranked;
        for (const auto& [k, v] : props.items()) {
            const PropInfo* p = obj.ClassType()->FindProperty(k);
            auto rank = static_cast<std::size_t>(std::find(declared.begin(), declared.end(), p) - declared.begin());
            if (!p) rank = declared.size();
            ranked.push_back({rank, {k, &v}});
        }
        std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<std::string, const json*>> keys;
        for (auto& r : ranked) keys.push_back(std::move(r.second));
        return keys;
    }

    void read_properties(TObject& obj, const json& props, const std::string& owner_path) {
        for (const auto& [k, v] : in_declared_order(obj, props)) read_property(obj, k, *v, owner_path);
    }

    void read_property(TObject& obj, const std::string& key, const json& v, const std::string& owner_path) {
        std::string where = owner_path + "." + key;
        const PropInfo* p = obj.ClassType()->FindProperty(key);
        if (!p) prop_error(where, "Property " + key + " does not exist");
        auto invalid = [&]() { prop_error(where, "Invalid property value"); };
        try {
            PropValue value;
            switch (p->kind) {
            case PropKind::Integer:
                if (!v.is_number_integer()) invalid();
                value = v.get<std::int64_t>();
                break;
            case PropKind::Bool:
                if (!v.is_boolean()) invalid();
                value = v.get<bool>();
                break;
            case PropKind::Enum:
                if (!v.is_string()) invalid();
                value = enum_value(*p, v.get<std::string>());
                break;
            case PropKind::Set: {
                if (!v.is_array()) invalid();
                std::int64_t bits = 0;
                for (const auto& e : v) {
                    if (!e.is_string()) invalid();
                    std::int64_t i = enum_value(*p, e.get<std::string>());
                    if (i >= 63) invalid();
                    bits |= std::int64_t(1) << i;
                }
                value = bits;
                break;
            }
            case PropKind::String:
                if (!v.is_string()) invalid();
                value = v.get<std::string>();
                break;
            case PropKind::Float:
            case PropKind::DateTime:
                if (!v.is_number()) invalid();
                value = v.get<double>();
                break;
            case PropKind::Currency: {
                Currency c;
                if (v.is_string()) {
                    c = StrToCurr(v.get<std::string>(), invariant());
                } else if (v.is_number()) {
                    c = Currency::FromDouble(v.get<double>());
                } else {
                    invalid();
                }
                value = c;
                break;
            }
            case PropKind::Binary:
                if (!v.is_string()) invalid();
                value = base64_decode(v.get<std::string>());
                break;
            case PropKind::Component:
                if (v.is_null()) {
                    value = static_cast<TObject*>(nullptr);
                    break;
                }
                if (!v.is_string()) invalid();
                refs.push_back({&obj, p, v.get<std::string>(), where});
                return;
            case PropKind::Event:
                if (!v.is_string()) invalid();
                events.push_back({&obj, p, v.get<std::string>(), where});
                return;
            case PropKind::Strings: {
                if (!v.is_array()) invalid();
                auto* target = dynamic_cast<TStrings*>(std::get<TObject*>(p->get(obj)));
                if (!target) invalid();
                target->BeginUpdate();
                target->Clear();
                for (const auto& line : v) {
                    if (!line.is_string()) invalid();
                    target->Add(line.get<std::string>());
                }
                target->EndUpdate();
                return;
            }
            case PropKind::Collection: {
                if (!v.is_array()) invalid();
                auto* target = dynamic_cast<TCollection*>(std::get<TObject*>(p->get(obj)));
                if (!target) invalid();
                target->Clear();
                for (std::size_t i = 0; i < v.size(); ++i) {
                    const json& item = v[i];
                    if (!item.is_object()) invalid();
                    TCollectionItem* made = target->Add();
                    std::string item_where = where + "[" + std::to_string(i) + "]";
                    read_properties(*made, item, item_where);
                }
                return;
            }
            case PropKind::Object: {
                if (!v.is_object()) invalid();
                TObject* target = std::get<TObject*>(p->get(obj));
                if (!target) invalid();
                read_properties(*target, v, where);
                return;
            }
            }
            if (!p->set) prop_error(where, "Property " + p->name + " is read-only");
            p->set(obj, value);
        } catch (const EReadError&) {
            throw;
        } catch (const Exception& e) {
            prop_error(where, e.Message());
        }
    }

    TComponent* read_node(const json& node, TComponent* instance, TComponent* owner, TComponent* parent,
                          int depth = 0) {
        if (!node.is_object() || !node.contains("class") || !node["class"].is_string()) bad_format();
        std::string cls_name = node["class"].get<std::string>();
        TComponent* comp = instance;
        if (!comp) {
            TClass cls = FindClass(cls_name);
            if (!cls->InheritsFrom(TComponent::StaticClass())) bad_format();
            comp = static_cast<TComponent*>(cls->Create(owner));
        } else {
            TClass cls = GetClass(cls_name);
            if (!SameText(comp->ClassName(), cls_name) && !(cls && comp->InheritsFrom(cls))) bad_format();
        }
        comp->SetState(csLoading | csReading, true);
        loaded.push_back(comp);
        if (parent) comp->SetParentComponent(parent);
        std::string path = comp->Name().empty() ? cls_name : comp->Name();
        if (node.contains("name")) {
            if (!node["name"].is_string()) bad_format();
            try {
                comp->SetName(node["name"].get<std::string>());
            } catch (const Exception& e) {
                prop_error(path + ".Name", e.Message());
            }
            if (!comp->Name().empty()) path = comp->Name();
        }
        if (node.contains("properties")) {
            const json& props = node["properties"];
            if (!props.is_object()) bad_format();
            read_properties(*comp, props, path);
        }
        if (node.contains("children")) {
            const json& children = node["children"];
            if (!children.is_array()) bad_format();
            if (!children.empty() && depth >= kMaxNesting)
                prop_error(path, "components nested more than " + std::to_string(kMaxNesting) + " levels deep");
            for (const auto& child : children) read_node(child, nullptr, comp->ChildOwner(), comp, depth + 1);
        }
        return comp;
    }

    TComponent* find_named(TComponent* c, std::string_view name) {
        if (SameText(c->Name(), name)) return c;
        for (int i = 0; i < c->ComponentCount(); ++i)
            if (TComponent* f = find_named(c->Components(i), name)) return f;
        return nullptr;
    }

    // The tree's components by upper-cased name, the first of a name in the
    // order find_named walks, made once for all the references: a layout of
    // many controls and references is not walked once per reference.
    std::unordered_map<std::string, TComponent*> named;
    void index_names(TComponent* c) {
        if (!c->Name().empty()) named.emplace(UpperCase(c->Name()), c);
        for (int i = 0; i < c->ComponentCount(); ++i) index_names(c->Components(i));
    }
    TComponent* find_reference(std::string_view name) {
        if (name.empty()) return find_named(root, name);
        if (auto it = named.find(UpperCase(name)); it != named.end()) return it->second;
        return find_named(root, name);  // one a reference's setter has made since
    }

    void finish() {
        if (!refs.empty()) index_names(root);
        for (const auto& r : refs) {
            TComponent* target = find_reference(r.target);
            if (!target) prop_error(r.where, "Component " + r.target + " not found");
            try {
                r.prop->set(*r.obj, PropValue(static_cast<TObject*>(target)));
            } catch (const Exception& e) {
                prop_error(r.where, e.Message());
            }
        }
        for (const auto& ev : events) {
            try {
                ev.prop->set(*ev.obj, PropValue(MethodRef{root, ev.method}));
            } catch (const Exception& e) {
                prop_error(ev.where, e.Message());
            }
        }
        for (TComponent* c : loaded) c->SetState(csReading, false);
        for (TComponent* c : loaded) c->Loaded();
    }

    void abandon() {
        // components still alive keep no loading state
        for (TComponent* c : loaded) c->SetState(csLoading | csReading, false);
    }
};

json parse(std::string_view text) {
    try {
        return json::parse(text.begin(), text.end());
    } catch (const json::exception&) {
        bad_format();
    }
}

}  // namespace

TComponent* read_component(std::string_view text, TComponent* owner) {
    json doc = parse(text);
    Reader r;
    TComponent* root = nullptr;
    try {
        root = r.read_node(doc, nullptr, owner, nullptr);
        r.root = root;
        r.finish();
    } catch (...) {
        if (!root && !r.loaded.empty()) root = r.loaded.front();
        delete root;
        throw;
    }
    return root;
}

void read_component_into(TComponent& root, std::string_view text) {
    json doc = parse(text);
    Reader r;
    r.root = &root;
    try {
        r.read_node(doc, &root, root.Owner(), nullptr);
        r.finish();
    } catch (...) {
        r.abandon();
        throw;
    }
}

TComponent* read_component_file(const std::string& file_name, TComponent* owner) {
    return read_component(core::detail::read_file(file_name), owner);
}

// ------------------------------------------------------------------ writing

namespace {

json write_props(const TObject& obj, bool skip_name);

json write_value(const TObject& obj, const PropInfo& p, bool& present) {
    present = true;
    PropValue v = p.get(obj);
    switch (p.kind) {
    case PropKind::Integer: return std::get<std::int64_t>(v);
    case PropKind::Bool: return std::get<bool>(v);
    case PropKind::Enum: return enum_name(p, std::get<std::int64_t>(v));
    case PropKind::Set: {
        json arr = json::array();
        std::int64_t bits = std::get<std::int64_t>(v);
        for (std::size_t i = 0; i < p.names.size() && i < 63; ++i)
            if (bits & (std::int64_t(1) << i)) arr.push_back(p.names[i]);
        return arr;
    }
    case PropKind::String: return std::get<std::string>(v);
    case PropKind::Float:
    case PropKind::DateTime: return std::get<double>(v);
    case PropKind::Currency: return CurrToStr(std::get<Currency>(v), invariant());
    case PropKind::Binary: return base64_encode(std::get<Bytes>(v));
    case PropKind::Component: {
        auto* c = dynamic_cast<TComponent*>(std::get<TObject*>(v));
        if (!c || c->Name().empty()) break;
        return c->Name();
    }
    case PropKind::Event: {
        const auto& ref = std::get<MethodRef>(v);
        if (ref.name.empty()) break;
        return ref.name;
    }
    case PropKind::Strings: {
        auto* s = dynamic_cast<TStrings*>(std::get<TObject*>(v));
        if (!s || (s->Count() == 0 && !p.write_empty)) break;
        json arr = json::array();
        for (int i = 0; i < s->Count(); ++i) arr.push_back(s->Get(i));
        return arr;
    }
    case PropKind::Collection: {
        auto* c = dynamic_cast<TCollection*>(std::get<TObject*>(v));
        if (!c || c->Count() == 0) break;
        json arr = json::array();
        for (int i = 0; i < c->Count(); ++i) arr.push_back(write_props(*c->Items(i), false));
        return arr;
    }
    case PropKind::Object: {
        TObject* sub = std::get<TObject*>(v);
        if (!sub) break;
        json o = write_props(*sub, false);
        if (o.empty()) break;
        return o;
    }
    }
    present = false;
    return nullptr;
}

json write_props(const TObject& obj, bool skip_name) {
    json props = json::object();
    for (const PropInfo* p : obj.ClassType()->AllProperties()) {
        if (skip_name && p->name == "Name") continue;
        if (!p->IsStored(obj)) continue;
        bool present;
        json v = write_value(obj, *p, present);
        if (present) props[p->name] = std::move(v);
    }
    return props;
}

json write_node(const TComponent& c) {
    json node = json::object();
    node["class"] = c.ClassName();
    node["name"] = c.Name();
    node["properties"] = write_props(c, true);
    std::vector<TComponent*> children;
    c.GetChildren(children);
    if (!children.empty()) {
        json arr = json::array();
        for (TComponent* child : children) arr.push_back(write_node(*child));
        node["children"] = std::move(arr);
    }
    return node;
}

}  // namespace

std::string write_component(const TComponent& root) {
    const_cast<TComponent&>(root).SetState(csWriting, true);
    std::string out;
    try {
        out = write_node(root).dump(2) + "\n";
    } catch (const json::exception&) {
        const_cast<TComponent&>(root).SetState(csWriting, false);
        throw EWriteError("Stream write error: a text property is not valid UTF-8");
    } catch (...) {
        const_cast<TComponent&>(root).SetState(csWriting, false);
        throw;
    }
    const_cast<TComponent&>(root).SetState(csWriting, false);
    return out;
}

void write_component_file(const TComponent& root, const std::string& file_name) {
    core::detail::save_file(file_name, write_component(root));
}

}  // namespace core
