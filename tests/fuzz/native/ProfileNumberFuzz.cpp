// libFuzzer target: the profile's number texts (character limits, typed numbers).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PureReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string broken = exl::fuzz::CheckNumbers(std::string(reinterpret_cast<const char*>(data), size));
    if (!broken.empty()) {
        std::fprintf(stderr, "finding [numbers] %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
