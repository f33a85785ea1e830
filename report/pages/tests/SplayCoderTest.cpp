// The splay-tree coder of page payloads.
#include <gtest/gtest.h>

#include <random>

#include "platform/core/Streams.h"
#include "report/pages/BRPageStream.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<uint8_t> hex(const std::string& h) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

// Codes through the stream coder, one symbol a call.
std::vector<uint8_t> encode_by_symbol(const std::vector<uint8_t>& plain) {
    TMemoryStream s;
    {
        TBRCompress coder(s, true);
        for (uint8_t v : plain) coder.EncodeSymbol(v);
    }
    return s.Bytes();
}

}  // namespace

TEST(SplayCoder, KnownCodes) {
    struct Case {
        std::string plain, code;
    } cases[] = {
        {"61", "46"}, {"616263", "463D01"}, {"61616161", "4645"}, {"000000", "800F"}, {"FF", "0000"}, {"", ""},
    };
    for (const auto& c : cases) {
        auto plain = hex(c.plain), code = hex(c.code);
        EXPECT_EQ(TBRCompress::Encode(plain), code) << c.plain;
        EXPECT_EQ(encode_by_symbol(plain), code) << c.plain;
        EXPECT_EQ(TBRCompress::Decode(code, plain.size()), plain) << c.plain;
    }
}

TEST(SplayCoder, RandomPayloadsRoundTripThroughBothForms) {
    std::mt19937 rng(26);
    for (int round = 0; round < 60; ++round) {
        size_t n = rng() % 5000;
        std::vector<uint8_t> plain(n);
        // Skewed and flat alphabets, and long runs that push leaves deep.
        int shape = round % 3;
        for (auto& b : plain) b = uint8_t(shape == 0 ? rng() : shape == 1 ? rng() % 7 : (rng() % 50 ? 0 : rng()));
        auto code = TBRCompress::Encode(plain);
        ASSERT_EQ(encode_by_symbol(plain), code);
        ASSERT_EQ(TBRCompress::Decode(code, n), plain);
        TMemoryStream s;
        s.WriteBuffer(code.data(), int64_t(code.size()));
        s.WriteBuffer("next", 4);
        s.SetPosition(0);
        std::vector<uint8_t> back;
        {
            TBRCompress decoder(s, false);
            for (size_t i = 0; i < n; ++i) back.push_back(decoder.DecodeSymbol());
        }
        ASSERT_EQ(back, plain);
        // The decoder gives back what it read ahead: the stream is after the code.
        EXPECT_EQ(s.Position(), int64_t(code.size()));
    }
}

TEST(SplayCoder, CodeThatEndsEarlyIsAStreamError) {
    std::vector<uint8_t> plain(1000, 'x');
    plain[500] = 0xFF;
    auto code = TBRCompress::Encode(plain);
    auto cut = std::vector<uint8_t>(code.begin(), code.end() - 1);
    EXPECT_THROW(TBRCompress::Decode(cut, plain.size()), EReadError);
    EXPECT_THROW(TBRCompress::Decode({}, 1), EReadError);
    // A size far past what the code can hold is refused before any allocation.
    EXPECT_THROW(TBRCompress::Decode(code, size_t(1) << 40), EReadError);
    TMemoryStream s;
    s.WriteBuffer(cut.data(), int64_t(cut.size()));
    s.SetPosition(0);
    TBRCompress decoder(s, false);
    EXPECT_THROW(
        for (size_t i = 0; i < plain.size(); ++i) decoder.DecodeSymbol(), EReadError);
}

TEST(SplayCoder, MatchesTheIndependentReferenceCoder) {
    std::mt19937 rng(7);
    for (int round = 0; round < 8; ++round) {
        std::vector<uint8_t> plain(rng() % 3000);
        for (auto& b : plain) b = uint8_t(round % 2 ? rng() : "BRP page "[rng() % 9]);
        test_support::ScratchDir dir("splay");
        std::string in = dir / "plain", out = dir / "code";
        test_support::write_file(in, std::string(plain.begin(), plain.end()));
        int status = test_support::run_status(test_support::python_script("tests/oracles/splay_coder.py") +
                                              " code < " + in + " > " + out);
        ASSERT_EQ(status, 0);
        auto code = TBRCompress::Encode(plain);
        EXPECT_EQ(test_support::read_file(out), std::string(code.begin(), code.end())) << round;
    }
}
