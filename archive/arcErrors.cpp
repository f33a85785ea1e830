#include "archive/arcErrors.h"

namespace archive {
namespace {

constexpr core::NumberedText kErrorTexts[] = {
    {E_WRITE, "Error writing to file"},
    {E_SPANLABEL, "Error writing spanned-disk label"},
    {E_DISKFULL, "Disk full"},
    {E_NOTACCESSIBLE, "is not accessible"},
    {E_WRITEPROTECTED, "disk is write protected"},
    {E_OPENFILE, "Error opening file"},
    {E_INVALIDARC, "Invalid or unsupported archive type for this operation"},
    {E_NOTHINGTODO, "Nothing to do"},
    {E_REQUIREDEVENT, "Required event not assigned"},
    {E_REQUIREDPROPERTY, "Required property not assigned"},
    {E_USERCANCEL, "User canceled"},
    {E_NOTHINGTODELETE, "Nothing to do"},
    {E_DIRNOTEXIST, "Directory does not exist... Create?"},
    {E_ZIP64, "ZIP64 archives are not supported"},
    {E_DAMAGED, "Archive is damaged"},
};

}  // namespace

std::span<const core::NumberedText> ErrorTexts() { return kErrorTexts; }

std::string ErrorText(int ECode) {
    // The start-up registers the table; the writer's own look-ups register
    // it first too, so a writer used without the program's start-up (a tool,
    // a test) finds its texts.
    core::register_texts(kErrorTexts);
    return core::message_text(ECode);
}

}  // namespace archive
