#pragma once
#include <cstdint>

#include "host/HostInterface.h"

namespace exl {

enum HostPatternResult : std::int16_t {
    kPatternFound = 0,
    kPatternNoFile = 1,    // the host INI could not be opened: output holds the fallback
    kPatternNoLine = 2,    // no line holds the tag: output holds the fallback
};

constexpr const char* kHostIniPath = ".\\orvanta.ini";
constexpr int kHostIniLineLimit = 255;

// Looks up the default file pattern for a tag ("EXL", "XLS") in the host INI: the
// first line holding the tag, less its first four characters, cut at the first
// "/", trimmed. Each read takes at most lineLimit - 1 characters.
std::int16_t FindHostFilePattern(const char* tag, const char* fallback, char (&output)[kHostPathBufferSize],
                                 int lineLimit, const char* hostIniPath);

}  // namespace exl
