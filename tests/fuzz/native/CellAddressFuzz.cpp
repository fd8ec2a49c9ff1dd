// libFuzzer target: the stand-in's cell addresses.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PureReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string broken = exl::fuzz::CheckAddress(std::string(reinterpret_cast<const char*>(data), size));
    if (!broken.empty()) {
        std::fprintf(stderr, "finding [cell-address] %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
