#pragma once
#include <cstdint>
#include <string>

#include "export/ExportSettings.h"

namespace exl {

// What the query step hands the driver: either the end of the command (its
// message already shown) or the record file with its count and the two files
// the driver deletes before Excel is contacted.
struct QueryOutcome {
    bool commandEnded = true;
    std::int32_t recordCount = 0;
    std::string recordFile;     // the first temporary name
    std::string resultFile;     // the second, written by the host
    std::string fieldListFile;  // the third
};

// The mode flags of the information query for these settings.
std::uint8_t QueryModeFlagsFor(const ExportSettings& settings);

// Writes the search-spec and field-list files from the profile, asks the host to
// search the drawing (request code 51) and turns its result file into the record file.
QueryOutcome RunInformationQuery(const ExportSettings& settings);

}  // namespace exl
