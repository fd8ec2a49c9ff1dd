#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/ExportSettings.h"

namespace exl {

// What the query step hands the driver: either the end of the command (its
// message already shown) or the record file with its count and the two files
// the driver deletes before Excel is contacted. The paths are filled as far as
// names were made, also when the command ended, so the files left behind can be found.
struct QueryOutcome {
    bool commandEnded = true;
    std::int32_t recordCount = 0;
    std::string recordFile;     // the first temporary name
    std::string resultFile;     // the second, written by the host
    std::string fieldListFile;  // the third
};

// The mode flags of the information query for these settings.
std::uint8_t QueryModeFlagsFor(const ExportSettings& settings);

// One temporary name, or none when it cannot be made. Making a name creates no file.
using TemporaryNameMaker = std::function<std::optional<std::string>()>;
// The runtime's _tempnam("..\\exl", "exl").
std::optional<std::string> MakeTemporaryName();

// Writes the search file and field-list file from the profile, asks the host to
// search the drawing (request code 51) and turns its result file into the record file.
QueryOutcome RunInformationQuery(const ExportSettings& settings);
// The same with the temporary names taken from makeName.
QueryOutcome RunInformationQuery(const ExportSettings& settings, const TemporaryNameMaker& makeName);

}  // namespace exl
