#pragma once
// The archive writer's numbered error codes and their texts, a table
// registered with platform/core's message registry at start-up.

#include <span>
#include <string>

#include "platform/core/MessageTexts.h"

namespace archive {

// Error codes of the archive writer.
enum : int {
    E_WRITE = 25136, E_SPANLABEL = 25154, E_DISKFULL = 25160, E_NOTACCESSIBLE = 25170,
    E_WRITEPROTECTED = 25171, E_OPENFILE = 25235, E_INVALIDARC = 25244, E_NOTHINGTODO = 25268,
    E_REQUIREDEVENT = 25270, E_REQUIREDPROPERTY = 25271, E_USERCANCEL = 25443, E_NOTHINGTODELETE = 26859,
    E_DIRNOTEXIST = 26899,
    // An existing archive with ZIP64 records, which this writer cannot carry.
    E_ZIP64 = 25245,
    // An existing archive whose records contradict each other or its size.
    E_DAMAGED = 25246
};

// The table of the codes' texts, one row a code.
std::span<const core::NumberedText> ErrorTexts();
// The text of an error code ("" for an unknown code), from the registry.
std::string ErrorText(int ECode);

}  // namespace archive
