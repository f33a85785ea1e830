#pragma once
// The registry of numbered message texts (the string tables of the units).
// Each unit keeps its texts as a constexpr table of rows and registers it at
// start-up; anyone looks a text up by its number.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace core {

// One numbered text.
struct NumberedText {
    int Number;
    const char* Text;
};

// Adds a unit's table. Registering the same table again does nothing; a
// number that another table already gives another text raises Exception.
void register_texts(std::span<const NumberedText> table);
// Removes a table registered before (nothing when it is not registered).
void unregister_texts(std::span<const NumberedText> table);

// The text registered under Number, or nullopt.
std::optional<std::string_view> find_text(int number);
// The text registered under Number, "" when there is none.
std::string message_text(int number);

} // namespace core
