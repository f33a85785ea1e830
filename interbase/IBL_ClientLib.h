#pragma once
// Binding to the InterBase client library (on Linux: Firebird's libfbclient).
//
// The library is loaded by the first hold and its entry points are bound by
// name into a table of slots; the hold that brings the count back to zero
// unloads it. A missing library is not an error: every slot stays empty. A
// library that lacks one of the 64 mandatory entry points makes the first
// hold raise EIBL_Error("Unable to locate DLL import <name>"). Optional entry
// points that the library lacks are replaced by fallbacks that raise
// EIBL_Error("<name>() not implemented").

#include "interbase/IBL_EntryNames.h"
#include "platform/core/SysUtils.h"

#include <array>
#include <string>
#include <vector>

namespace interbase {

// Raised by the binding and by the not-implemented fallbacks.
class EIBL_Error : public Exception {
public:
    using Exception::Exception;
};

// One slot per entry point: the mandatory ones, the optional ones, and one
// slot that nothing binds.
enum class ClientEntry : int {
#define IBL_ENUM_ROW(name) name,
    IBL_MANDATORY_ENTRIES(IBL_ENUM_ROW) IBL_OPTIONAL_ENTRIES(IBL_ENUM_ROW)
#undef IBL_ENUM_ROW
    Unbound,
};
inline constexpr int kMandatoryEntryCount = 64;
inline constexpr int kOptionalEntryCount = 9;
inline constexpr int kClientEntrySlotCount = kMandatoryEntryCount + kOptionalEntryCount + 1;

// A bound entry point; callers cast it to the entry point's own C signature.
using EntryPoint = void (*)();

// Environment variable naming the client library file to load instead of the
// usual names. When set and not empty, only that file is tried, so a missing
// file means "no client library".
inline constexpr const char* kClientLibraryVariable = "TAMBLERO_INTERBASE_CLIENT";

// The names the first hold tries, in order: the override when set, else a
// legacy "libgds.so" and then "libfbclient.so.2".
std::vector<std::string> ClientLibraryNames();

// Takes one hold; the first loads and binds the library. Thread-safe.
void AcquireClientLibrary();
// Gives back one hold; the one that brings the count to 0 unloads the library.
void ReleaseClientLibrary();
// The hold count as the binding keeps it: -1 with no hold out, 0 after the
// first hold (the one that loads), and so on.
int ClientLibraryHoldCount();

// True while a client library is loaded.
bool ClientLibraryLoaded();
// The name the loaded library was opened by; empty when none is loaded.
std::string ClientLibraryName();

// The entry point in a slot; nullptr when empty.
EntryPoint ClientEntryPoint(ClientEntry entry);
// The entry point cast to its C signature, e.g. ClientEntryAs<long (*)(long*)>(...).
template <class F>
F ClientEntryAs(ClientEntry entry) {
    return reinterpret_cast<F>(ClientEntryPoint(entry));
}
// The exported name of a slot's entry point ("isc_free"); "" for the unbound slot.
const char* ClientEntryName(ClientEntry entry);
// True when an optional slot holds its not-implemented fallback.
bool IsMissingEntryFallback(ClientEntry entry);

// Copy of the entry table taken once the library is bound, with two
// notification routines that do nothing; kept for monitoring components.
struct MonitorEntryTable {
    std::array<EntryPoint, kClientEntrySlotCount> entries{};
    std::array<EntryPoint, 2> notifications{};
};
const MonitorEntryTable& MonitorEntries();

// True while the binding's locks and thread-local slot exist (count >= 0).
bool ClientResourcesExist();

// Start-up and shut-down of the binding unit: two holds taken, one given back.
void BindingUnitStartup();
void BindingUnitShutdown();

}  // namespace interbase
