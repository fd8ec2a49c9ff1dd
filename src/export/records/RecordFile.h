#pragma once
// The files of the information query: the search file for the host, the
// numbered field-list file, the host's result file and the record file that the
// sheet writer reads. All are text files with CR LF on disk; the result is read
// through LineReader, which does the text mode's work.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace exl {

class IniSnapshot;

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

// How the result file is opened: for update although only read (a result the host
// left read-only counts as no answer), and in binary, because LineReader does the
// text mode's work itself.
constexpr const char* kResultOpenMode = "r+b";

// Reads a stream opened in binary mode line by line as the runtime's text mode
// would, whatever a line's length: CR LF is one line end, a lone CR stays, and
// the first ^Z ends the stream. (Wine's runtime reads on past a ^Z that one of
// its buffer refills meets; Windows' does not.) A line is everything up to "\n"
// (not included), or up to the end of the stream.
class LineReader {
public:
    explicit LineReader(std::FILE* stream) : stream_(stream) {}
    // False when the stream has nothing left. hadLineEnd tells whether the line
    // ended with "\n" (the last line of a stream may not).
    bool Next(std::string& line, bool& hadLineEnd);

private:
    bool Fill();

    static constexpr std::size_t kChunk = 65536;
    std::FILE* stream_;
    std::vector<char> raw_ = std::vector<char>(kChunk);
    // One more than a chunk: a CR held back from the chunk before may come first.
    std::vector<char> buffer_ = std::vector<char>(kChunk + 1);
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool heldCr_ = false;
    bool atEnd_ = false;
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
// The count as the platform reads it, 0 when absent; from the snapshot, since the
// platform's reader would take in the whole file, millions of keys, for one number.
std::int32_t ReadRecordCount(const IniSnapshot& records);

// The whole record file from the result stream and the field-list file of
// fieldTotal fields: the records with the names back in the ANSI code page,
// then the count. Returns the record count.
std::int32_t BuildRecordFile(std::FILE* result, std::FILE* recordFile, const std::string& fieldListFile,
                             std::int32_t fieldTotal);

}  // namespace exl
