#include "export/records/RecordFile.h"

#include <algorithm>
#include <cstring>

#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl {

bool LineReader::Fill() {
    at_ = 0;
    filled_ = 0;
    while (filled_ == 0 && !atEnd_) {
        const std::size_t read = std::fread(raw_.data(), 1, raw_.size(), stream_);
        if (read == 0) {
            atEnd_ = true;
            if (heldCr_) buffer_[filled_++] = '\r';
            heldCr_ = false;
            break;
        }
        for (std::size_t i = 0; i < read; ++i) {
            const char c = raw_[i];
            // A CR is known to be a lone one only when the next byte is seen.
            if (heldCr_ && c != '\n') buffer_[filled_++] = '\r';
            heldCr_ = false;
            if (c == '\x1A') {
                atEnd_ = true;
                break;
            }
            if (c == '\r')
                heldCr_ = true;
            else
                buffer_[filled_++] = c;
        }
    }
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

std::int32_t ReadRecordCount(const IniSnapshot& records) {
    return records.GetInt(kRecordCountSection, kRecordCountKey, 0);
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

std::int32_t BuildRecordFile(std::FILE* result, std::FILE* recordFile, const std::string& fieldListFile,
                             std::int32_t fieldTotal) {
    std::vector<std::string> names = ReadFieldListNames(fieldListFile, fieldTotal);
    for (std::string& name : names) name = ConvertOemToAnsi(name);
    std::int32_t recordCount = WriteRecords(result, recordFile, names);
    WriteRecordCount(recordFile, recordCount);
    return recordCount;
}

}  // namespace exl
