#pragma once
#include <cstdint>
#include <string>

namespace exl {

constexpr const char* kSettingsFile = ".\\exl\\rizeraru.ini";

// [Excel] "Version" 0: no Excel, the list goes into a workbook file.
constexpr std::int16_t kFileVersion = 0;
// A "Version" that is no number at all ("neun", empty). The platform's reader would
// give 0 for it, which now names the file; this value, like every other unknown
// one, keeps the old answer (catalogue entry 0-15).
constexpr std::int16_t kUnreadableVersion = -1;

// The export options that outlive a run. Only the value 1 switches a yes/no
// field on; anything else counts as off.
struct ExportSettings {
    std::int32_t assemblyInfo = 1;   // [Orvanta] "Baugruppeninfo"
    std::int32_t elementInfo = 0;    // [Orvanta] "Elementinfo"
    std::int32_t levelZeroOnly = 0;  // [Orvanta] "Baugruppen-Level"
    std::string profilePath;         // [Excel] "Vorlage"
    std::int32_t newWorkbook = 0;    // [Excel] "neue Mappe"
    std::int16_t excelVersion = 10;  // [Excel] "Version"
};

inline bool IsOn(std::int32_t yesNo) { return yesNo == 1; }

// Reads the six keys in the order "Baugruppeninfo", "Elementinfo", "Baugruppen-Level",
// "neue Mappe", "Version", "Vorlage", each with its default.
ExportSettings LoadExportSettings(const std::string& file = kSettingsFile);
// Writes five keys in the order "Baugruppeninfo", "Baugruppen-Level", "Elementinfo",
// "Vorlage", "neue Mappe"; never "Version".
void SaveExportSettings(const ExportSettings& settings, const std::string& file = kSettingsFile);
// [Excel] "Version" as decimal text, at once.
void WriteExcelVersion(std::int16_t version, const std::string& file = kSettingsFile);
// [Excel] "Version", default 10; a value that is no number gives kUnreadableVersion.
std::int16_t ReadExcelVersion(const std::string& file = kSettingsFile);

}  // namespace exl
