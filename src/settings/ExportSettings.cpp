#include "settings/ExportSettings.h"

#include "framework/Ini.h"

namespace exl {

namespace {

constexpr const char* kOrvantaSection = "Orvanta";
constexpr const char* kExcelSection = "Excel";
constexpr const char* kAssemblyInfoKey = "Baugruppeninfo";
constexpr const char* kElementInfoKey = "Elementinfo";
constexpr const char* kLevelZeroOnlyKey = "Baugruppen-Level";
constexpr const char* kProfilePathKey = "Vorlage";
constexpr const char* kNewWorkbookKey = "neue Mappe";
constexpr const char* kVersionKey = "Version";

constexpr std::int16_t kDefaultExcelVersion = 10;

}  // namespace

ExportSettings LoadExportSettings(const std::string& file) {
    const ExportSettings defaults;
    ExportSettings settings;
    settings.assemblyInfo = ReadIniInt(file, kOrvantaSection, kAssemblyInfoKey, defaults.assemblyInfo);
    settings.elementInfo = ReadIniInt(file, kOrvantaSection, kElementInfoKey, defaults.elementInfo);
    settings.levelZeroOnly = ReadIniInt(file, kOrvantaSection, kLevelZeroOnlyKey, defaults.levelZeroOnly);
    settings.newWorkbook = ReadIniInt(file, kExcelSection, kNewWorkbookKey, defaults.newWorkbook);
    settings.excelVersion = ReadExcelVersion(file);
    settings.profilePath = ReadIniString(file, kExcelSection, kProfilePathKey, defaults.profilePath);
    return settings;
}

void SaveExportSettings(const ExportSettings& settings, const std::string& file) {
    WriteIniInt(file, kOrvantaSection, kAssemblyInfoKey, settings.assemblyInfo);
    WriteIniInt(file, kOrvantaSection, kLevelZeroOnlyKey, settings.levelZeroOnly);
    WriteIniInt(file, kOrvantaSection, kElementInfoKey, settings.elementInfo);
    WriteIniString(file, kExcelSection, kProfilePathKey, settings.profilePath);
    WriteIniInt(file, kExcelSection, kNewWorkbookKey, settings.newWorkbook);
}

void WriteExcelVersion(std::int16_t version, const std::string& file) {
    WriteIniInt(file, kExcelSection, kVersionKey, version);
}

std::int16_t ReadExcelVersion(const std::string& file) {
    const auto version = static_cast<std::int16_t>(ReadIniInt(file, kExcelSection, kVersionKey, kDefaultExcelVersion));
    if (version != kFileVersion) return version;
    // The platform reads a text without digits as 0 too: only a written zero names the file.
    const std::string text = ReadIniString(file, kExcelSection, kVersionKey, "");
    const std::size_t digit = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const bool written = digit < text.size() && text[digit] >= '0' && text[digit] <= '9';
    return written ? kFileVersion : kUnreadableVersion;
}

}  // namespace exl
