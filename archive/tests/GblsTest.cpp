// Path, name, code page and date helpers.

#include <gtest/gtest.h>

#include "archive/arcGbls.h"
#include "archive/arcZip.h"

using namespace archive;

TEST(Gbls, PathHelpers) {
    EXPECT_EQ(PathJoin("", "a.txt"), "");
    EXPECT_EQ(PathJoin("/d", "a.txt"), "/d/a.txt");
    EXPECT_EQ(PathJoin("/d/", "a.txt"), "/d/a.txt");
    EXPECT_EQ(AppendSlash(""), "");
    EXPECT_EQ(AppendSlash("/d"), "/d/");
    EXPECT_EQ(AppendSlash("/d/"), "/d/");
    EXPECT_EQ(RemoveSlash("/d/"), "/d");
    EXPECT_EQ(SlashToForward("a\\b\\c"), "a/b/c");
    EXPECT_EQ(SlashToBack("a/b"), "a\\b");
}

TEST(Gbls, SplitAtAndIsNumeric) {
    std::string text = "PKBACK# 007", head;
    SplitAt(text, "PKBACK# ", head);
    EXPECT_EQ(head, "");
    EXPECT_EQ(text, "007");
    std::string none = "abc";
    SplitAt(none, ",", head);
    EXPECT_EQ(head, "abc");
    EXPECT_EQ(none, "");
    EXPECT_TRUE(IsNumeric(""));
    EXPECT_TRUE(IsNumeric("007"));
    EXPECT_FALSE(IsNumeric("7A"));
}

TEST(Gbls, ExtensionOfLongNames) {
    struct Case {
        std::string name;
        std::size_t pos;
    } cases[] = {
        {"a.txt", 1},
        {"noext", 5},
        {"dir.d/noext", 11},
        {"a.b.c", 3},
        {std::string(300, 'x') + ".bak", 300},
        {std::string(255, 'y') + "." + std::string(10, 'z'), 255},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtensionPos(c.name), c.pos) << c.name.size();
    EXPECT_EQ(ChangeExtension(std::string(300, 'x') + ".bak", ".zip"), std::string(300, 'x') + ".zip");
    EXPECT_EQ(archive::ExtractFileExt("dir/Backup.BAK"), ".BAK");
}

TEST(Gbls, EntryNamesInCodePage850) {
    // "sub\dir\Ação.bak": separators become "/", the letters their code page 850 bytes.
    const StoredName n = AnsiToOemName("sub\\dir\\A\xC3\xA7\xC3\xA3o.bak", true);
    EXPECT_EQ(n.bytes, "sub/dir/A\x87\xC6o.bak");
    EXPECT_FALSE(n.utf8);
    const StoredName raw = AnsiToOemName("sub\\A\xC3\xA7\xC3\xA3o.bak", false);
    EXPECT_EQ(raw.bytes, "sub/A\xC3\xA7\xC3\xA3o.bak");
    EXPECT_TRUE(raw.utf8);
    // A name that code page 850 cannot express keeps its UTF-8 bytes with the flag.
    const StoredName cjk = AnsiToOemName("\xE6\x97\xA5\xE6\x9C\xAC.txt", true);
    EXPECT_EQ(cjk.bytes, "\xE6\x97\xA5\xE6\x9C\xAC.txt");
    EXPECT_TRUE(cjk.utf8);
    EXPECT_EQ(AnsiToOemName("plain/a.txt", false).utf8, false);
    // Malformed UTF-8 is kept byte for byte and flagged rather than turned into "?".
    EXPECT_FALSE(Utf8ToCp850("bad\xC3").has_value());
    // Every code page 850 byte comes back from UTF-8 as itself.
    std::string all;
    for (int b = 0x20; b < 0x100; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8ToCp850(Cp850ToUtf8(all)).value(), all);
    EXPECT_EQ(OemToAnsiName("sub/A\x87\xC6o.bak", true), "sub/A\xC3\xA7\xC3\xA3o.bak");
}

TEST(Gbls, DosDateTime) {
    const double fallback = 29221.0 + 1.0 / 1440.0;
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(0), fallback);
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime((44u << 25) | (0u << 21) | (1u << 16)), fallback);   // month 0
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime((44u << 25) | (2u << 21) | (30u << 16)), fallback);  // 30 February
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime((44u << 25) | (1u << 21) | (31u << 16) | (24u << 11)), fallback);
    // 2024-01-31 23:59:58 = day 45322 plus the time.
    const uint32_t v = (44u << 25) | (1u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    EXPECT_NEAR(DosDateTimeToDateTime(v), 45322.0 + (23 * 3600 + 59 * 60 + 58) / 86400.0, 1e-9);
    // 2024-02-29 exists.
    EXPECT_NEAR(DosDateTimeToDateTime((44u << 25) | (2u << 21) | (29u << 16)), 45351.0, 1e-9);

    // Local time of the file: with TZ fixed, an instant maps to its wall clock.
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(FileTimeToDos(1706745598), v);  // 2024-01-31T23:59:58Z
    EXPECT_EQ(FileTimeToDos(0), 0x00210000u);  // before 1980: 1980-01-01 00:00
    setenv("TZ", "America/Sao_Paulo", 1);
    tzset();
    EXPECT_EQ(FileTimeToDos(1706745598) >> 11, ((44u << 25) | (1u << 21) | (31u << 16) | (20u << 11)) >> 11);
    unsetenv("TZ");
    tzset();
}

TEST(Gbls, PercentRatioAndMethodNames) {
    EXPECT_EQ(Percent(0, 50), 0);
    EXPECT_EQ(Percent(10, 25), 100);
    EXPECT_EQ(Percent(200, 1), 0);    // 0.5 rounds to even
    EXPECT_EQ(Percent(200, 3), 2);    // 1.5 rounds to even
    EXPECT_EQ(Percent(100, -5), 0);
    EXPECT_EQ(CompressionRatio(0, 0), 0);
    EXPECT_EQ(CompressionRatio(100, 120), 0);
    EXPECT_EQ(CompressionRatio(1000, 250), 75);
    EXPECT_EQ(CompressionRatio(int64_t{6} << 30, int64_t{3} << 30), 50);
    EXPECT_EQ(DeflateName(0), "DeflateN");
    EXPECT_EQ(DeflateName(2), "DeflateX");
    EXPECT_EQ(DeflateName(4), "DeflateF");
    EXPECT_EQ(DeflateName(6), "DeflateS");
    EXPECT_EQ(DeflateName(1), "DeflateN");
    EXPECT_EQ(Deflate64Name(4), "Def-64F");
}

TEST(Gbls, StoredNamesByMode) {
    TZip zip;
    struct Case {
        TStoredDirNames mode;
        const char* expected;
    } cases[] = {
        {sdRelative, "sub/f.txt"},
        {sdNone, "f.txt"},
        {sdAbsolute, "/data/sub/f.txt"},
        {sdAbsoluteNoDrv, "/data/sub/f.txt"},
        {sdAbsoluteNoRoot, "data/sub/f.txt"},
        {sdRelativeStoreStart, "data/sub/f.txt"},
    };
    for (const auto& c : cases) {
        zip.StoredDirNames = c.mode;
        EXPECT_EQ(zip.StoredFileName("/data/sub/f.txt", "/DATA/"), c.expected) << c.mode;
    }
    zip.StoredDirNames = sdAbsoluteNoRoot;
    EXPECT_EQ(zip.StoredFileName("//server/share/docs/a.txt", ""), "docs/a.txt");
    zip.StoredDirNames = sdRelative;
    EXPECT_EQ(zip.StoredFileName("/other/f.txt", "/data/"), "/other/f.txt");
    SetLines(zip.ExcludeSpec, {"*.tmp", "/data/sub/skip*"});
    EXPECT_TRUE(zip.IsExcluded("a.TMP", "/data/"));
    EXPECT_TRUE(zip.IsExcluded("sub/skipme.txt", "/data/"));
    EXPECT_FALSE(zip.IsExcluded("sub/keep.txt", "/data/"));
}

TEST(Gbls, DefaultExtensionRules) {
    TZip zip;
    EXPECT_EQ(zip.GetDefaultExt(), ".zip");
    zip.SetArchiveFile("/b/Backup");
    EXPECT_EQ(zip.ArchiveFile(), "/b/Backup.zip");
    zip.SetDefaultExt("JARS");
    EXPECT_EQ(zip.GetDefaultExt(), ".jar");
    EXPECT_EQ(zip.ArchiveFile(), "/b/Backup.jar");
    zip.SetDefaultExt(".");
    EXPECT_EQ(zip.GetDefaultExt(), ".ZIP");
    zip.SetArchiveFile("C:\\Copias\\x.bak.zip");
    EXPECT_EQ(zip.ArchiveFile(), "C:/Copias/x.bak.zip");
    zip.SetCompressMethod(cmLzx);
    EXPECT_EQ(zip.CompressMethod(), cmDeflate);
    zip.SetCompressMethod(cmStore);
    EXPECT_EQ(zip.CompressMethod(), cmStore);
}
