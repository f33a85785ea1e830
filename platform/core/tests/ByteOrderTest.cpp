// Little-endian loads and stores, the appending writer and the bounded reader.

#include "platform/core/ByteOrder.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/core/SysUtils.h"

using namespace core;

TEST(ByteOrder, LoadsAndStoresRoundTrip) {
    struct Case {
        int width;
        std::uint64_t value;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {2, 0x0000, {0x00, 0x00}},
        {2, 0xBEEF, {0xEF, 0xBE}},
        {4, 0x04034B50, {0x50, 0x4B, 0x03, 0x04}},
        {4, 0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}},
        {8, 0x0102030405060708ull, {8, 7, 6, 5, 4, 3, 2, 1}},
        {8, 0xFFFFFFFF00000001ull, {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        std::uint8_t buf[8] = {};
        if (c.width == 2) put_le16(buf, std::uint32_t(c.value));
        if (c.width == 4) put_le32(buf, std::uint32_t(c.value));
        if (c.width == 8) put_le64(buf, c.value);
        EXPECT_EQ(std::vector<std::uint8_t>(buf, buf + c.width), c.bytes) << c.value;
        const std::uint64_t back = c.width == 2 ? get_le16(c.bytes.data())
                                   : c.width == 4 ? get_le32(c.bytes.data())
                                                  : get_le64(c.bytes.data());
        EXPECT_EQ(back, c.value);
    }
    // Stores take the low bytes only; loads through untyped pointers agree.
    std::uint8_t two[3] = {0, 0, 0x77};
    put_le16(two, 0x12345678);
    EXPECT_EQ(two[0], 0x78);
    EXPECT_EQ(two[1], 0x56);
    EXPECT_EQ(two[2], 0x77);
    const char text[] = "PK\x05\x06";
    EXPECT_EQ(get_le32(static_cast<const void*>(text)), 0x06054B50u);
    static constexpr std::uint8_t fixed[] = {1, 2};
    static_assert(get_le16(fixed) == 0x0201);
}

TEST(ByteOrder, WriterAppends) {
    std::vector<std::uint8_t> out{0xAA};
    ByteWriter(out).u8(1).le16(0x0302).le32(0x07060504).le64(0x0F0E0D0C0B0A0908ull).bytes(std::string_view("xy"));
    const std::vector<std::uint8_t> want{0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 'x', 'y'};
    EXPECT_EQ(out, want);
}

TEST(ByteOrder, ReaderStaysWithinItsBytes) {
    const std::vector<std::uint8_t> data{1, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9};
    ByteReader r(data);
    EXPECT_EQ(r.ReadLE16(), 1u);
    EXPECT_EQ(r.ReadLE32(), 2u);
    EXPECT_EQ(r.ReadInt32(), -1);
    EXPECT_EQ(r.Position(), 10u);
    EXPECT_EQ(r.Remaining(), 1u);
    // A read past the end raises and moves nothing.
    struct Case {
        const char* what;
        std::function<void(ByteReader&)> read;
    };
    const Case past_end[] = {
        {"16 bits", [](ByteReader& b) { b.ReadLE16(); }},
        {"32 bits", [](ByteReader& b) { b.ReadLE32(); }},
        {"64 bits", [](ByteReader& b) { b.ReadLE64(); }},
        {"a span", [](ByteReader& b) { b.Read(2); }},
        {"a skip", [](ByteReader& b) { b.Skip(5); }},
    };
    for (const Case& c : past_end) {
        try {
            c.read(r);
            ADD_FAILURE() << c.what;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), "Stream read error") << c.what;
        }
        EXPECT_EQ(r.Position(), 10u) << c.what;
    }
    EXPECT_EQ(r.ReadByte(), 9);
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_TRUE(r.Read(0).empty());
    EXPECT_THROW(r.ReadByte(), EReadError);
    ByteReader empty({});
    EXPECT_THROW(empty.ReadByte(), EReadError);
}
