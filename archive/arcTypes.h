#pragma once
// Archive kinds that the archive components know, in their stored order.

#include <cstdint>

enum TArcType : std::uint8_t {
    atNA, atUnsupported, atFileOpenErr, atUnknown, atAce, atAceExe, atArc, atArcExe, atArj,
    atArjExe, atBh, atBhExe, atCab, atGZip, atHA, atJar, atJarExe, atLha, atLhaExe, atLzh,
    atLzhExe, atMsGZ, atPak, atPakExe, atRar, atRarExe, atTar, atTarGZip, atUUE, atZip,
    atZipExe, atZipDS, atZipMV, atZoo
};

namespace archive {
// The name of an archive kind as written in code ("atZip").
const char* ArcTypeName(TArcType Type);
// Every kind except atNA, atUnsupported, atFileOpenErr and atUnknown.
bool IsRealArcType(TArcType Type);
} // namespace archive
