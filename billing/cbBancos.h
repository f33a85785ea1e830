#pragma once
// The banks of the engine: one row per bank plug-in, in code order. Data
// only: the plug-in classes are attached to their rows by the unit start-up
// (billing/Startup.cpp), and the class descriptions take their names from here.

#include <span>
#include <string_view>

namespace billing {

struct BankRow {
    std::string_view code;        // three digits
    std::string_view class_name;  // "TcbBanco" + code
    std::string_view unit;        // unit that holds the class
    std::string_view name;        // what GetNomeBanco returns
};

std::span<const BankRow> bank_table();
// The row of a three-digit code; the code must be in the table.
const BankRow& bank_row(std::string_view code);

}  // namespace billing
