#pragma once
// Hyperlinks clicked in a previewed page. A link "EXT:target" (the prefix in
// any case) opens target on the desktop; "INT:rest" goes to the handler whose
// prefix starts rest and does nothing when none does; any other link goes to
// a matching handler, else to the desktop whole.
//
// The desktop's opener is a service slot: empty means the desktop's own
// opener (platform/os), which gets the target as its one argument and never
// passes it through a shell. A test or a host may install its own.

#include <functional>
#include <string>

#include "platform/core/ServiceSlot.h"

class TBRPrinter;

namespace report {

// Opens a link target for the user; printer is the one whose page holds the link.
using HyperlinkOpener = std::function<void(TBRPrinter* printer, const std::string& target)>;
inline core::ServiceSlot<HyperlinkOpener> hyperlink_opener_slot;

// A handler for links with a prefix: gets its user data, the printer and the
// link after the prefix.
using TBRHyperlinkHandler = std::function<void(void* userData, TBRPrinter* printer, const std::string& rest)>;

// Adds a handler after those already there (the first match wins); removes
// every handler with that prefix.
void RegisterHyperlinkHandler(const std::string& prefix, TBRHyperlinkHandler handler, void* userData = nullptr);
void UnregisterHyperlinkHandler(const std::string& prefix);
// Drops every handler (the engine's shut-down).
void ClearHyperlinkHandlers();

// Shut-down of the printer engine's unit (InitPrinterEngine below is its
// start-up): the export filter registry is freed and the hyperlink handlers
// dropped. Calls nest; only the outermost pair acts.
void DonePrinterEngine();

}  // namespace report

struct TBRHyperlinkSourceRecord {
    std::string Prefix;
    report::TBRHyperlinkHandler Handler;
    void* UserData = nullptr;
};

// Calls the first handler whose prefix (case-sensitive) starts link with the
// rest of link; false when none does.
bool FindHyperlinkHandler(const std::string& link, TBRPrinter* printer = nullptr);

// Follows a clicked link by the rules listed above.
void FollowHyperlink(TBRPrinter* printer, const std::string& link);

// The 1-based position of the first occurrence of text in within, 0 when absent.
int TextPosition(const std::string& text, const std::string& within);

// Start-up of the printer engine's unit: the export filter registry is made
// and the hyperlink handlers dropped (report::DonePrinterEngine undoes it).
void InitPrinterEngine();
