#pragma once
// An independent look at a zip file with zlib alone: walks the local headers and
// the central directory byte by byte and inflates every entry, so a test can tell
// a well-formed workbook file without the stand-in's own reader.
#include <map>
#include <string>

namespace exl::test {

struct ZipCheckResult {
    bool ok = false;
    std::string problem;                         // the first fault found
    std::map<std::string, std::string> entries;  // name -> inflated content
};

ZipCheckResult CheckZip(const std::string& bytes);

}  // namespace exl::test
