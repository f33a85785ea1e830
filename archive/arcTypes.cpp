#include "archive/arcTypes.h"

namespace archive {

const char* ArcTypeName(TArcType Type) {
    static const char* const names[] = {
        "atNA", "atUnsupported", "atFileOpenErr", "atUnknown", "atAce", "atAceExe", "atArc",
        "atArcExe", "atArj", "atArjExe", "atBh", "atBhExe", "atCab", "atGZip", "atHA", "atJar",
        "atJarExe", "atLha", "atLhaExe", "atLzh", "atLzhExe", "atMsGZ", "atPak", "atPakExe",
        "atRar", "atRarExe", "atTar", "atTarGZip", "atUUE", "atZip", "atZipExe", "atZipDS",
        "atZipMV", "atZoo"};
    return Type <= atZoo ? names[Type] : "atNA";
}

bool IsRealArcType(TArcType Type) {
    return Type != atNA && Type != atUnsupported && Type != atFileOpenErr && Type != atUnknown &&
           Type <= atZoo;
}

} // namespace archive
