// Wildcard masks and the file scan.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include "archive/arcFileScan.h"
#include "archive/arcGbls.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

TEST(Mask, Rules) {
    struct Case {
        std::string name, mask;
        bool match;
    } cases[] = {
        {"Backup.bak", "*.bak", true},
        {"Backup.BAK", "*.bak", true},        // a to z fold
        {"backup.bak", "*.BAK", true},
        {"\xC3\x89.txt", "\xC3\xA9.txt", false},  // accented capitals do not fold
        {"readme", "*.", true},               // "*." matches names without a dot
        {"read.me", "*.", false},
        {"a", "a?", false},
        {"ab", "a?", true},
        {"", "*?", true},                     // "*?" behaves as "*"
        {"x", "*?", true},
        {"abc", "*", true},
        {"", "", true},
        {"a", "", false},
        {"abc", "a*c", true},
        {"abcbc", "a*bc", true},
        {"abcbd", "a*bc", false},
        {"a.b.c", "*.c", true},
        {"aXbXc", "a*b*c", true},
        {"Backup_Loja_20240131.bak", "Backup_*_2024????.bak", true},
        {"Backup_Loja_2024013.bak", "Backup_*_2024????.bak", false},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(Mask, ManyStarsAndLongNames) {
    // More "*"-positions than any fixed stack would hold, and a long name that
    // fails only at its last character: answered at once.
    std::string mask;
    for (int i = 0; i < 40; ++i) mask += "*a";
    mask += "*b";
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesMask(name, mask));
    EXPECT_TRUE(MatchesMask(name + "b", mask));
    EXPECT_TRUE(MatchesMask(std::string(300, 'n') + ".bak", "*.bak"));
}

TEST(Mask, AttributeSets) {
    const TarcFileAttrs defaults = AttrSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed});
    EXPECT_TRUE(AttributeMatch(defaults, 0x20));
    EXPECT_TRUE(AttributeMatch(defaults, 0x22));   // hidden file with the archive bit
    EXPECT_TRUE(AttributeMatch(defaults, 0));
    EXPECT_TRUE(AttributeMatch(defaults, 0x80));
    EXPECT_FALSE(AttributeMatch(defaults, 0x100));  // temporary only
    EXPECT_FALSE(AttributeMatch(defaults, 0x10));
    EXPECT_FALSE(AttributeMatch(AttrSet({fsVolumeID}), 0x08));
    EXPECT_EQ(AttrsToMask(AttrSet({fsZeroAttr, fsReadOnly, fsHidden, fsDirectory, fsCompressed})), 0x813u);
}

namespace {

struct ScanResult {
    std::vector<std::string> files;
    std::vector<std::string> roots;
    std::vector<std::string> folders;
};

ScanResult scan(const std::vector<std::string>& masks, bool hidden = false, bool recurse = true,
                TarcFileAttrs attrs = AttrSet({fsZeroAttr, fsReadOnly, fsArchive, fsCompressed})) {
    ScanResult r;
    TarcFileScan s;
    s.FileSpec = masks;
    s.IncludeHiddenDirs = hidden;
    s.RecurseDirs = recurse;
    s.Attributes = attrs;
    s.OnRootDirChange = [&](TarcFileScan&, const std::string& d) { r.roots.push_back(d); };
    s.OnEntry = [&](const std::string& p, const TSearchRec& rec, void*) {
        if (rec.Attr & 0x10) r.folders.push_back(p);
        else r.files.push_back(PathJoin(p, rec.Name));
    };
    s.Execute();
    EXPECT_TRUE(s.FileSpec.empty());
    return r;
}

}  // namespace

TEST(Scan, TreeInStableOrderWithoutSpecialFiles) {
    ScratchDir d;
    const std::string root = d.path() + "/";
    write_file(root + "b.txt", "b");
    write_file(root + "a.txt", "a");
    write_file(root + "sub/c.dat", "c");
    write_file(root + ".hidden/h.txt", "h");
    write_file(root + ".dotfile", "x");
    ASSERT_EQ(::mkfifo((root + "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("..", (root + "sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink("a.txt", (root + "link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (root + "dangling").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", (root + "sock").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    const ScanResult all = scan({root});
    EXPECT_EQ(all.roots, (std::vector<std::string>{root}));
    // A hidden file is taken (its archive bit matches); a hidden folder is not entered;
    // the link to a file counts as a file, the link to a folder is never followed.
    EXPECT_EQ(all.files, (std::vector<std::string>{root + ".dotfile", root + "a.txt", root + "b.txt",
                                                   root + "link.txt", root + "sub/c.dat"}));
    const ScanResult with_hidden = scan({root + "*.txt"}, true);
    EXPECT_EQ(with_hidden.files, (std::vector<std::string>{root + ".hidden/h.txt", root + "a.txt", root + "b.txt",
                                                          root + "link.txt"}));
    EXPECT_EQ(scan({root + "*.txt"}, false, false).files.size(), 3u);
    // Folders are handed over only when the filter asks for them.
    const ScanResult folders = scan({root}, false, true, AttrSet({fsArchive, fsDirectory}));
    EXPECT_EQ(folders.folders, (std::vector<std::string>{root + ".hidden", root + "sub"}));
    ::close(sock);
}

TEST(Scan, MasksGroupByFolder) {
    ScratchDir d;
    const std::string root = d.path() + "/";
    write_file(root + "x.bak", "1");
    write_file(root + "y.bak", "2");
    write_file(root + "z.txt", "3");
    write_file(root + "o/w.bak", "4");
    // A mask and a name it covers form one group with the wider mask, in either order.
    for (const auto& masks : {std::vector<std::string>{root + "x.bak", root + "*.bak"},
                             std::vector<std::string>{root + "*.bak", root + "x.bak"}}) {
        const ScanResult r = scan(masks, false, false);
        EXPECT_EQ(r.roots.size(), 1u);
        EXPECT_EQ(r.files, (std::vector<std::string>{root + "x.bak", root + "y.bak"}));
    }
    // Different folders make different groups; "*.*" takes names without a dot too.
    write_file(root + "o/noext", "5");
    const ScanResult two = scan({root + "z.txt", root + "o/*.*"}, false, false);
    EXPECT_EQ(two.roots, (std::vector<std::string>{root, root + "o/"}));
    EXPECT_EQ(two.files, (std::vector<std::string>{root + "z.txt", root + "o/noext", root + "o/w.bak"}));
    // A backslash in a setting is a separator.
    const ScanResult back = scan({SlashToBack(root) + "z.txt"}, false, false);
    EXPECT_EQ(back.files, (std::vector<std::string>{root + "z.txt"}));
    // A missing folder contributes nothing and raises nothing.
    EXPECT_TRUE(scan({root + "nope/*"}).files.empty());
}
