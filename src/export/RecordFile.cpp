#include "export/RecordFile.h"

#include <algorithm>
#include <cstring>

#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl {

bool LineReader::Fill() {
    // fread in text mode turns CR LF into "\n" and stops at ^Z, as fgets would.
    filled_ = std::fread(buffer_.data(), 1, buffer_.size(), stream_);
    at_ = 0;
    return filled_ > 0;
}

bool LineReader::Next(std::string& line, bool& hadLineEnd) {
    line.clear();
    hadLineEnd = false;
    bool readAny = false;
    while (at_ < filled_ || Fill()) {
        readAny = true;
        const char* begin = buffer_.data() + at_;
        const char* newline = static_cast<const char*>(std::memchr(begin, '\n', filled_ - at_));
        if (newline) {
            line.append(begin, newline);
            at_ += static_cast<std::size_t>(newline - begin) + 1;
            hadLineEnd = true;
            return true;
        }
        line.append(begin, filled_ - at_);
        at_ = filled_;
    }
    return readAny;
}

std::vector<std::string> ReadFieldListNames(const std::string& fieldListFile, std::int32_t fieldTotal) {
    std::vector<std::string> names;
    if (fieldTotal < 1) return names;
    IniSnapshot fieldList(fieldListFile);
    names.reserve(static_cast<std::size_t>(fieldTotal));
    for (std::int32_t field = 1; field <= fieldTotal; ++field)
        names.push_back(fieldList.Get(kFieldListSection, Format("%i", field), ""));
    return names;
}

std::int32_t WriteRecords(std::FILE* result, std::FILE* recordFile, const std::vector<std::string>& fieldNames) {
    std::int32_t recordCount = 0;
    if (fieldNames.empty()) return recordCount;
    LineReader lines(result);
    std::string line;
    std::string output;
    bool hadLineEnd = false;
    for (;;) {
        for (std::size_t field = 0; field < fieldNames.size(); ++field) {
            if (!lines.Next(line, hadLineEnd)) return recordCount;
            // A NUL ends the value, as it ends any C string the sheet writer reads; a
            // lone CR ends it, as it ends the line for the profile reader, so what
            // follows cannot pose as a record or field line of its own.
            line.erase(std::min({line.find('\0'), line.find('\r'), line.size(), kRecordValueMaxChars}));
            // The line end becomes a blank, which the profile reader trims again.
            if (hadLineEnd) line.push_back(' ');
            output.clear();
            if (field == 0) output = Format("[%i]\n", ++recordCount);
            output.append(fieldNames[field]).append(1, '=').append(line).append(1, '\n');
            std::fwrite(output.data(), 1, output.size(), recordFile);
        }
    }
}

void WriteRecordCount(std::FILE* recordFile, std::int32_t recordCount) {
    std::fprintf(recordFile, "[%s]\n%s=%i\n", kRecordCountSection, kRecordCountKey, recordCount);
}

}  // namespace exl
