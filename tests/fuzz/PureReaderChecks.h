#pragma once
// Invariants of the readers that are pure C++: shared by the in-process fuzzer
// under Wine and the native libFuzzer targets, so both check the same rules.
// Each returns empty when every invariant holds, else what broke.
#include <string>

namespace exl::fuzz {

// CharacterLimitFromText and NumberFromText against the C library's strtol.
std::string CheckNumbers(const std::string& input);
// ParseCell, ParseRect and ColumnName: cells inside the sheet, names that parse back.
std::string CheckAddress(const std::string& input);

}  // namespace exl::fuzz
