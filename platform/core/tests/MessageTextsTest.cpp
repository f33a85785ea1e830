// The registry of numbered message texts.

#include "platform/core/MessageTexts.h"
#include "platform/core/SysUtils.h"

#include <gtest/gtest.h>

namespace {

constexpr core::NumberedText kFirst[] = {
    {90001, "Unknown GIF version"},
    {90002, "Nothing to do"},
    {90003, "Directory does not exist... Create?"},
};
constexpr core::NumberedText kSecond[] = {
    {90002, "Nothing to do"},  // the same text under the same number
    {90010, "Disk full"},
};
constexpr core::NumberedText kClash[] = {
    {90020, "Free"},
    {90001, "Another text"},
};

struct Registered {
    explicit Registered(std::span<const core::NumberedText> t) : table(t) { core::register_texts(table); }
    ~Registered() { core::unregister_texts(table); }
    std::span<const core::NumberedText> table;
};

}  // namespace

TEST(MessageTexts, LookupsByNumber) {
    Registered first(kFirst);
    struct Case { int number; const char* text; };
    const Case cases[] = {
        {90001, "Unknown GIF version"},
        {90002, "Nothing to do"},
        {90003, "Directory does not exist... Create?"},
        {90004, ""},  // unknown
        {0, ""},
        {-1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::message_text(c.number), c.text) << c.number;
        EXPECT_EQ(core::find_text(c.number).has_value(), *c.text != '\0') << c.number;
    }
}

TEST(MessageTexts, UnknownNumberBeforeRegistrationAndAfterRemoval) {
    EXPECT_FALSE(core::find_text(90010).has_value());
    {
        Registered second(kSecond);
        EXPECT_EQ(core::find_text(90010), "Disk full");
    }
    EXPECT_FALSE(core::find_text(90010).has_value());
    EXPECT_EQ(core::message_text(90010), "");
}

TEST(MessageTexts, RegisteringATableTwiceIsOneRegistration) {
    core::register_texts(kFirst);
    core::register_texts(kFirst);
    core::unregister_texts(kFirst);
    EXPECT_FALSE(core::find_text(90001).has_value());
    core::unregister_texts(kFirst);  // not registered: nothing happens
}

TEST(MessageTexts, ANumberSharedWithTheSameTextStaysWhileOneTableHasIt) {
    Registered first(kFirst);
    {
        Registered second(kSecond);
        EXPECT_EQ(core::message_text(90002), "Nothing to do");
    }
    EXPECT_EQ(core::message_text(90002), "Nothing to do");
    EXPECT_EQ(core::message_text(90010), "");
}

TEST(MessageTexts, ANumberWithAnotherTextIsRefusedWhole) {
    Registered first(kFirst);
    EXPECT_THROW(core::register_texts(kClash), Exception);
    EXPECT_EQ(core::message_text(90001), "Unknown GIF version");
    EXPECT_FALSE(core::find_text(90020).has_value());  // nothing of the refused table
}
