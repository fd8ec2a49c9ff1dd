#include "host/FindHostFilePattern.h"

#include <cstring>
#include <string>
#include <vector>

#include "framework/Raii.h"

namespace exl {

namespace {

void CopyBounded(const std::string& text, char (&output)[kHostPathBufferSize]) {
    std::size_t length = text.size() < kHostPathBufferSize - 1 ? text.size() : kHostPathBufferSize - 1;
    std::memcpy(output, text.data(), length);
    output[length] = '\0';
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string PatternFromLine(std::string line) {
    // The tag and one separator, wherever the tag stands; a shorter line has no rest.
    line.erase(0, line.size() < 4 ? line.size() : 4);
    std::string::size_type slash = line.find('/');
    if (slash != std::string::npos) line.erase(slash);
    std::string::size_type first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    std::string::size_type last = line.size();
    while (last > first && IsBlank(line[last - 1])) --last;
    return line.substr(first, last - first);
}

}  // namespace

std::int16_t FindHostFilePattern(const char* tag, const char* fallback, char (&output)[kHostPathBufferSize],
                                 int lineLimit, const char* hostIniPath) {
    // Opened for update although only read: the host expects its INI to be writable.
    UniqueFile file = OpenFile(hostIniPath, "r+t");
    if (!file) {
        CopyBounded(fallback, output);
        return kPatternNoFile;
    }
    std::vector<char> line(lineLimit > 2 ? lineLimit : 2, '\0');
    while (std::fgets(line.data(), static_cast<int>(line.size()), file.get())) {
        if (std::strstr(line.data(), tag)) {
            CopyBounded(PatternFromLine(line.data()), output);
            return kPatternFound;
        }
    }
    CopyBounded(fallback, output);
    return kPatternNoLine;
}

}  // namespace exl
