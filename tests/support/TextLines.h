#pragma once
// Text files as lines, for tests that compare files the plug-in writes in text mode.
#include <string>
#include <vector>

namespace exl::test {

// The lines joined, each ended with CR LF, as a text-mode stream writes them.
std::string Lines(const std::vector<std::string>& lines);
// The non-empty lines of a file, line ends removed (the platform's profile writer
// puts an empty line before every section).
std::vector<std::string> FileLines(const std::string& path);

}  // namespace exl::test
