// Reading files as streams, the calendar fields of Unix times, and the text
// of a failed volume query: what engines and tools get from platform/os
// instead of calling the system themselves.
#include "platform/os/InputFile.h"
#include "platform/os/LocalTime.h"
#include "platform/os/ReplacingFile.h"
#include "platform/os/Volumes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>

#include "platform/os/tests/TempFolder.h"

using ostest::TempFolder;

TEST(OsInputFile, StreamsTheFileBytesAcrossBufferRefills) {
    TempFolder t;
    const std::string path = (t.dir / "batch.json").string();
    std::string bytes;
    for (int i = 0; bytes.size() < 200000; ++i) bytes += std::to_string(i) + (i % 7 ? ' ' : '\n');
    bytes += std::string("\0\xff\r\n", 4);
    os::write_file(path, bytes);
    os::InputFile in(path);
    const std::string read(std::istreambuf_iterator<char>(in.stream()), {});
    EXPECT_EQ(read, bytes);
}

TEST(OsInputFile, RefusesWhatCannotBeReadWithTheFileMessage) {
    TempFolder t;
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {(t.dir / "none.json").string(), "No such file or directory"},
        {t.dir.string(), "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            os::InputFile in(c.path);
            ADD_FAILURE() << "opened";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file \"" + c.path + "\". " + c.message);
        }
    }
}

TEST(OsLocalTime, FieldsFollowTheTimeZoneReadAgain) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    // 2021-03-04 05:06:07 UTC.
    const std::int64_t t = 1614834367;
    setenv("TZ", "UTC0", 1);
    os::read_time_zone();
    auto utc = os::utc_time_of(t);
    auto local = os::local_time_of(t);
    ASSERT_TRUE(utc && local);
    EXPECT_EQ(utc->tm_year, 121);
    EXPECT_EQ(utc->tm_mon, 2);
    EXPECT_EQ(utc->tm_mday, 4);
    EXPECT_EQ(utc->tm_hour, 5);
    EXPECT_EQ(utc->tm_min, 6);
    EXPECT_EQ(utc->tm_sec, 7);
    EXPECT_EQ(local->tm_hour, 5);
    // Three hours behind: the local fields move, the UTC ones do not.
    setenv("TZ", "BRT3", 1);
    os::read_time_zone();
    EXPECT_EQ(os::local_time_of(t)->tm_hour, 2);
    EXPECT_EQ(os::utc_time_of(t)->tm_hour, 5);
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    os::read_time_zone();
}

TEST(OsVolumes, NoVolumeTextIsTheSystemsNoDevice) { EXPECT_EQ(os::no_volume_text(), "No such device"); }
