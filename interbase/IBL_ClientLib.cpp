#include "interbase/IBL_ClientLib.h"

#include <atomic>
#include <cfenv>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/os/SharedLibrary.h"

namespace interbase {
namespace {

constexpr int slot_of(ClientEntry e) { return static_cast<int>(e); }

constexpr std::array<const char*, kClientEntrySlotCount> kEntryNames = {
#define IBL_NAME_ROW(name) #name,
    IBL_MANDATORY_ENTRIES(IBL_NAME_ROW) IBL_OPTIONAL_ENTRIES(IBL_NAME_ROW)
#undef IBL_NAME_ROW
    "",
};

// Binding order of the mandatory entry points: slot order, with
// isc_event_counts bound a second time (into its own slot) after
// isc_event_block. 65 bindings of 64 names.
constexpr std::array<ClientEntry, kMandatoryEntryCount + 1> kBindingOrder = [] {
    std::array<ClientEntry, kMandatoryEntryCount + 1> order{};
    std::size_t n = 0;
    for (int slot = 0; slot < kMandatoryEntryCount; ++slot) {
        const auto entry = static_cast<ClientEntry>(slot);
        order[n++] = entry;
        if (entry == ClientEntry::isc_event_block) order[n++] = ClientEntry::isc_event_counts;
    }
    return order;
}();

// Not-implemented fallbacks for the optional entry points. isc_rollback_retaining
// has none: its slot stays empty when the library lacks it.
[[noreturn]] void missing_service_attach() { throw EIBL_Error("isc_service_attach() not implemented"); }
[[noreturn]] void missing_service_detach() { throw EIBL_Error("isc_service_dettach() not implemented"); }
[[noreturn]] void missing_service_query() { throw EIBL_Error("isc_service_query() not implemented"); }
[[noreturn]] void missing_service_start() { throw EIBL_Error("isc_service_start() not implemented"); }
[[noreturn]] void missing_add_user() { throw EIBL_Error("isc_add_user() not implemented"); }
[[noreturn]] void missing_delete_user() { throw EIBL_Error("isc_delete_user() not implemented"); }
[[noreturn]] void missing_modify_user() { throw EIBL_Error("isc_modify_user() not implemented"); }
[[noreturn]] void missing_portable_integer() { throw EIBL_Error("isc_portable_integer() not implemented"); }

struct OptionalRow {
    ClientEntry entry;
    EntryPoint fallback;
};
constexpr std::array<OptionalRow, kOptionalEntryCount> kOptional = {{
    {ClientEntry::isc_service_attach, missing_service_attach},
    {ClientEntry::isc_service_detach, missing_service_detach},
    {ClientEntry::isc_service_query, missing_service_query},
    {ClientEntry::isc_service_start, missing_service_start},
    {ClientEntry::isc_add_user, missing_add_user},
    {ClientEntry::isc_delete_user, missing_delete_user},
    {ClientEntry::isc_modify_user, missing_modify_user},
    {ClientEntry::isc_rollback_retaining, nullptr},
    {ClientEntry::isc_portable_integer, missing_portable_integer},
}};

void notify_nothing() {}

// Locks and thread-local slot that exist while a hold is out; kept for the
// database components that serialise their calls into the client library.
struct ClientResources {
    std::mutex first;
    std::mutex second;
    os::ThreadSlot slot;
};

constinit std::atomic<int> g_hold_count{-1};
// Serialises the load and unload work, so a hold taken on another thread
// never sees a half-bound table.
constinit std::mutex g_hold_mutex;
// The loaded client library; null while none is.
constinit os::SharedLibrary* g_library = nullptr;
std::string g_loaded_name;
constinit std::array<EntryPoint, kClientEntrySlotCount> g_entries{};
constinit MonitorEntryTable g_monitor{};
constinit ClientResources* g_resources = nullptr;

// Keeps the floating-point environment across code that may change it
// (a library's initialisers).
class FloatEnvGuard {
public:
    FloatEnvGuard() { std::fegetenv(&saved_); }
    ~FloatEnvGuard() { std::fesetenv(&saved_); }
    FloatEnvGuard(const FloatEnvGuard&) = delete;
    FloatEnvGuard& operator=(const FloatEnvGuard&) = delete;

private:
    std::fenv_t saved_{};
};

EntryPoint lookup(const char* name) {
    return reinterpret_cast<EntryPoint>(g_library->symbol(name));
}

void BindEntryPoint(ClientEntry entry) {
    const char* name = kEntryNames[slot_of(entry)];
    EntryPoint ep = lookup(name);
    if (ep == nullptr) throw EIBL_Error(std::string("Unable to locate DLL import ") + name);
    g_entries[slot_of(entry)] = ep;
}

void LoadClientLibrary() {
    if (g_library == nullptr) {
        FloatEnvGuard keep;
        for (const std::string& name : ClientLibraryNames()) {
            // A file the loader refuses counts as missing, like an absent one.
            os::SharedLibrary library = os::SharedLibrary::open(name);
            if (library.loaded()) {
                g_library = new os::SharedLibrary(std::move(library));
                g_loaded_name = name;
                break;
            }
        }
    }
    if (g_library == nullptr) return;

    {
        FloatEnvGuard keep;
        for (ClientEntry entry : kBindingOrder) BindEntryPoint(entry);
        for (const OptionalRow& row : kOptional) g_entries[slot_of(row.entry)] = lookup(kEntryNames[slot_of(row.entry)]);
    }
    for (const OptionalRow& row : kOptional) {
        if (g_entries[slot_of(row.entry)] == nullptr) g_entries[slot_of(row.entry)] = row.fallback;
    }
}

void CopyEntryTable() {
    g_monitor.entries = g_entries;
    g_monitor.notifications = {notify_nothing, notify_nothing};
}

// Unloads the library and empties both tables, so no slot points into
// unmapped code.
void unload() {
    delete g_library;
    g_library = nullptr;
    g_loaded_name.clear();
    g_entries = {};
    g_monitor = {};
}

void free_resources() {
    if (g_resources == nullptr) return;
    delete g_resources;  // gives its slot back
    g_resources = nullptr;
}

}  // namespace

std::vector<std::string> ClientLibraryNames() {
    const char* override_name = std::getenv(kClientLibraryVariable);
    if (override_name != nullptr && *override_name != '\0') return {override_name};
    return {"libgds.so", "libfbclient.so.2"};
}

void AcquireClientLibrary() {
    std::lock_guard lock(g_hold_mutex);
    if (g_hold_count.fetch_add(1) + 1 != 0) return;
    try {
        // A lone hold given back leaves the count at -1 with the resources
        // still there; the next first hold takes them over instead of
        // leaking them.
        if (g_resources == nullptr) g_resources = new ClientResources;
        LoadClientLibrary();
        CopyEntryTable();
        if (!g_resources->slot.allocate())
            throw EIBL_Error("Unable to allocate a thread-local slot for the client library");
    } catch (...) {
        // A failed first hold gives its hold back and leaves nothing loaded,
        // so a later hold starts from scratch instead of finding a half-bound
        // table.
        unload();
        free_resources();
        g_hold_count.fetch_sub(1);
        throw;
    }
}

void ReleaseClientLibrary() {
    std::lock_guard lock(g_hold_mutex);
    if (g_hold_count.load() < 0) return;  // no hold out: nothing to give back
    if (g_hold_count.fetch_sub(1) - 1 != 0) return;
    unload();
    free_resources();
}

int ClientLibraryHoldCount() { return g_hold_count.load(); }

bool ClientLibraryLoaded() {
    std::lock_guard lock(g_hold_mutex);
    return g_library != nullptr;
}

std::string ClientLibraryName() {
    std::lock_guard lock(g_hold_mutex);
    return g_loaded_name;
}

EntryPoint ClientEntryPoint(ClientEntry entry) {
    const int slot = slot_of(entry);
    if (slot < 0 || slot >= kClientEntrySlotCount) return nullptr;
    return g_entries[slot];
}

const char* ClientEntryName(ClientEntry entry) {
    const int slot = slot_of(entry);
    if (slot < 0 || slot >= kClientEntrySlotCount) return "";
    return kEntryNames[slot];
}

bool IsMissingEntryFallback(ClientEntry entry) {
    for (const OptionalRow& row : kOptional) {
        if (row.entry == entry) return row.fallback != nullptr && g_entries[slot_of(entry)] == row.fallback;
    }
    return false;
}

const MonitorEntryTable& MonitorEntries() { return g_monitor; }

bool ClientResourcesExist() {
    std::lock_guard lock(g_hold_mutex);
    return g_resources != nullptr;
}

void BindingUnitStartup() {
    AcquireClientLibrary();
    try {
        AcquireClientLibrary();
    } catch (...) {
        ReleaseClientLibrary();
        throw;
    }
}

void BindingUnitShutdown() { ReleaseClientLibrary(); }

}  // namespace interbase
