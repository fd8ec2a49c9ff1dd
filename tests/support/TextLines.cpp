#include "TextLines.h"

#include <sstream>

#include "Scratch.h"

namespace exl::test {

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream content(ReadFile(path));
    std::string line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

}  // namespace exl::test
