#pragma once
// The files of the information query: the search file for the host, the
// numbered field-list file, the host's result file and the record file that the
// sheet writer reads. All are written and read as text streams (CR LF on disk).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace exl {

// Field-list file: [Felder] with "1=name", "2=name", ... and "Anz=total".
constexpr const char* kFieldListSection = "Felder";
constexpr const char* kFieldTotalKey = "Anz";

// Record file: one section "[n]" per record with "name=value " lines, then
// [Anzahl] "Anzahl" with the record count.
constexpr const char* kRecordCountSection = "Anzahl";
constexpr const char* kRecordCountKey = "Anzahl";
// A value line holds at most this many characters of a result line; the sheet
// writer's profile reads could not see more.
constexpr std::size_t kRecordValueMaxChars = 254;

// Search file lines.
constexpr const char* kSearchSpecHead = "FORMAT: ?\nREPEAT:\n";
constexpr const char* kSearchLineFormat = "SEARCH: %s:\n";
constexpr const char* kSearchSpecEnd = "END   :\n";

// Reads a text stream line by line, whatever a line's length: a line is
// everything up to "\n" (not included), or up to the end of the stream.
class LineReader {
public:
    explicit LineReader(std::FILE* stream) : stream_(stream) {}
    // False when the stream has nothing left. hadLineEnd tells whether the line
    // ended with "\n" (the last line of a stream may not).
    bool Next(std::string& line, bool& hadLineEnd);

private:
    bool Fill();

    std::FILE* stream_;
    std::vector<char> buffer_ = std::vector<char>(65536);
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
};

// The field names of a field-list file, fields 1 to fieldTotal, as stored there
// (OEM code page). A missing key gives an empty name.
std::vector<std::string> ReadFieldListNames(const std::string& fieldListFile, std::int32_t fieldTotal);

// Cuts the result stream into records of fieldNames.size() lines and writes them to
// the record stream: "[n]" before the first field of record n, then "name=value"
// per line. Each line of the result is one value, however long; the value keeps
// at most 254 characters, a NUL or a lone CR ends it, and a line that ended with a
// line end gets one blank in its place. A record cut short by the end of the result
// keeps the fields it has. Names are written as given. Returns the number of records begun.
std::int32_t WriteRecords(std::FILE* result, std::FILE* recordFile, const std::vector<std::string>& fieldNames);

// "[Anzahl]" and "Anzahl=n".
void WriteRecordCount(std::FILE* recordFile, std::int32_t recordCount);

}  // namespace exl
