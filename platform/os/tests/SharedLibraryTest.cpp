#include "platform/os/SharedLibrary.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>

#include "platform/os/tests/TempFolder.h"

namespace {

using CosFunction = double (*)(double);

}  // namespace

TEST(SharedLibrary, LoadsByNameOrNotAtAll) {
    ostest::TempFolder t;
    const std::string text_file = (t.dir / "libnot-a-library.so").string();
    std::ofstream(text_file) << "this is not a shared library\n";
    struct Case {
        std::string name;
        bool loaded;
    } cases[] = {
        {"libm.so.6", true},                      // found on the loader's search path
        {"libtamblero-absent.so", false},         // missing
        {(t.dir / "absent.so").string(), false},  // missing path
        {text_file, false},                       // refused by the loader
        {"", false},
    };
    for (const Case& c : cases) {
        os::SharedLibrary library = os::SharedLibrary::open(c.name);
        EXPECT_EQ(library.loaded(), c.loaded) << c.name;
        if (!c.loaded) {
            EXPECT_EQ(library.symbol("cos"), nullptr) << c.name;
        }
    }
}

TEST(SharedLibrary, SymbolsWhileLoaded) {
    os::SharedLibrary library = os::SharedLibrary::open("libm.so.6");
    ASSERT_TRUE(library.loaded());
    auto cosine = reinterpret_cast<CosFunction>(library.symbol("cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(library.symbol("tamblero_no_such_symbol"), nullptr);

    // Moving hands the library on; the one moved from holds nothing.
    os::SharedLibrary other = std::move(library);
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.symbol("cos"), nullptr);
    EXPECT_NE(other.symbol("cos"), nullptr);
    other.close();
    EXPECT_FALSE(other.loaded());
    EXPECT_EQ(other.symbol("cos"), nullptr);
    other.close();  // closing twice is harmless
}

TEST(ThreadSlot, AllocatedUntilReleased) {
    os::ThreadSlot slot;
    EXPECT_FALSE(slot.allocated());
    ASSERT_TRUE(slot.allocate());
    EXPECT_TRUE(slot.allocated());
    EXPECT_TRUE(slot.allocate());  // already there
    slot.release();
    EXPECT_FALSE(slot.allocated());
    slot.release();
    // Slots given back are not used up: many rounds still find one.
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(slot.allocate()) << i;
        slot.release();
    }
}
