// The read-back verifier against archives made by independent tools.

#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/arcVerify.h"
#include "TestUtil.h"

using namespace archive;
using namespace archive_test;

TEST(Verify, DigestsAndSingleEntryArchives) {
    ScratchDir dir;
    const std::string data = text_bytes(200000);
    write_file(dir / "data.bin", data);
    const auto digest = DigestFile(dir / "data.bin");
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(digest->size, static_cast<int64_t>(data.size()));
    EXPECT_EQ(digest->crc, static_cast<uint32_t>(::crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size())));
    EXPECT_FALSE(DigestFile(dir / "missing").has_value());
    EXPECT_FALSE(DigestFile(dir.path()).has_value());

    struct Case {
        const char* what;
        const char* python;  // lines writing into z
        VerifyFault fault;
    };
    const Case cases[] = {
        {"deflated", "z.write(sys.argv[2], 'd.bin', zipfile.ZIP_DEFLATED)", VerifyFault::None},
        {"stored", "z.write(sys.argv[2], 'd.bin', zipfile.ZIP_STORED)", VerifyFault::None},
        {"two entries", "z.write(sys.argv[2], 'd.bin')\nz.writestr('e', 'x')", VerifyFault::EntryCount},
        {"other content", "z.writestr('d.bin', 'other')", VerifyFault::SizeMismatch},
        {"bzip2", "z.write(sys.argv[2], 'd.bin', zipfile.ZIP_BZIP2)", VerifyFault::Method},
    };
    for (const Case& c : cases) {
        const std::string zip = dir / "case.zip";
        std::string body = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w')\n";
        body += c.python;
        body += "\nz.close()\n";
        write_file(dir / "make.py", body);
        ASSERT_EQ(run("rm -f '" + zip + "' && /usr/bin/python3 '" + (dir / "make.py") + "' '" + zip + "' '" +
                      (dir / "data.bin") + "'")
                      .status,
                  0)
            << c.what;
        const VerifyResult r = VerifySingleEntryArchive(zip, *digest);
        EXPECT_EQ(r.Fault, c.fault) << c.what;
        if (c.fault == VerifyFault::None) {
            EXPECT_EQ(r.Found.size, digest->size) << c.what;
            EXPECT_EQ(r.Found.crc, digest->crc) << c.what;
        }
        if (c.fault == VerifyFault::EntryCount) {
            EXPECT_EQ(r.Entries, 2u);
        } else if (c.fault == VerifyFault::Method) {
            EXPECT_EQ(r.Method, 12u);
        } else if (c.fault == VerifyFault::SizeMismatch) {
            EXPECT_EQ(r.Found.size, 5);
        }
    }
    EXPECT_EQ(VerifySingleEntryArchive(dir / "missing.zip", *digest).Fault, VerifyFault::Unreadable);
    write_file(dir / "short.zip", "PK");
    EXPECT_EQ(VerifySingleEntryArchive(dir / "short.zip", *digest).Fault, VerifyFault::NotZip);
}
