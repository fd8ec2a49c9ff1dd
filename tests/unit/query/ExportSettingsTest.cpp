#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Scratch.h"
#include "TextLines.h"
#include "settings/ExportSettings.h"
#include "framework/Ini.h"

namespace exl::test {
namespace {

TEST(ExportSettingsTest, AMissingFileLoadsTheDefaults) {
    ScratchDirectory scratch(false);
    ExportSettings settings = LoadExportSettings();
    EXPECT_EQ(settings.assemblyInfo, 1);
    EXPECT_EQ(settings.elementInfo, 0);
    EXPECT_EQ(settings.levelZeroOnly, 0);
    EXPECT_EQ(settings.newWorkbook, 0);
    EXPECT_EQ(settings.excelVersion, 10);
    EXPECT_EQ(settings.profilePath, "");
    EXPECT_EQ(ReadExcelVersion(), 10);
    EXPECT_FALSE(FileExists(kSettingsFile)) << "loading writes nothing";
}

TEST(ExportSettingsTest, YesNoKeysLoadAsStoredAndOnlyOneCountsAsOn) {
    ScratchDirectory scratch(false);
    struct Case {
        const char* stored;
        std::int32_t loaded;
        bool on;
    };
    const std::vector<Case> cases = {{"1", 1, true}, {"0", 0, false}, {"2", 2, false}, {"-1", -1, false},
                                     {"ja", 0, false}, {"1x", 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteFile(kSettingsFile, std::string("[Orvanta]\r\nBaugruppeninfo=") + c.stored + "\r\nElementinfo=" +
                                     c.stored + "\r\nBaugruppen-Level=" + c.stored + "\r\n[Excel]\r\nneue Mappe=" +
                                     c.stored + "\r\n");
        ExportSettings settings = LoadExportSettings();
        for (std::int32_t value : {settings.assemblyInfo, settings.elementInfo, settings.levelZeroOnly,
                                   settings.newWorkbook}) {
            EXPECT_EQ(value, c.loaded);
            EXPECT_EQ(IsOn(value), c.on);
        }
    }
}

TEST(ExportSettingsTest, SaveWritesFiveKeysInOrderAndNeverTheVersion) {
    ScratchDirectory scratch(false);
    ExportSettings settings;
    settings.assemblyInfo = 0;
    settings.elementInfo = 1;
    settings.levelZeroOnly = 2;
    settings.profilePath = "D:\\Profile\\St\xFC" "ckliste.exl";
    settings.newWorkbook = 1;
    settings.excelVersion = 8;
    SaveExportSettings(settings);
    EXPECT_EQ(FileLines(kSettingsFile),
              (std::vector<std::string>{"[Orvanta]", "Baugruppeninfo=0", "Baugruppen-Level=2", "Elementinfo=1",
                                        "[Excel]", "Vorlage=D:\\Profile\\St\xFC" "ckliste.exl", "neue Mappe=1"}));
    EXPECT_EQ(ReadExcelVersion(), 10) << "the save leaves the version alone";

    ExportSettings loaded = LoadExportSettings();
    EXPECT_EQ(loaded.assemblyInfo, 0);
    EXPECT_EQ(loaded.elementInfo, 1);
    EXPECT_EQ(loaded.levelZeroOnly, 2);
    EXPECT_EQ(loaded.profilePath, settings.profilePath);
    EXPECT_EQ(loaded.newWorkbook, 1);
    EXPECT_EQ(loaded.excelVersion, 10);
}

TEST(ExportSettingsTest, TheVersionIsWrittenAtOnceAndKeptBySaves) {
    ScratchDirectory scratch(false);
    WriteExcelVersion(9);
    EXPECT_EQ(FileLines(kSettingsFile), (std::vector<std::string>{"[Excel]", "Version=9"}));
    EXPECT_EQ(ReadExcelVersion(), 9);
    SaveExportSettings(ExportSettings());
    WriteExcelVersion(8);
    EXPECT_EQ(FileLines(kSettingsFile),
              (std::vector<std::string>{"[Excel]", "Version=8", "Vorlage=", "neue Mappe=0", "[Orvanta]",
                                        "Baugruppeninfo=1", "Baugruppen-Level=0", "Elementinfo=0"}));
    EXPECT_EQ(LoadExportSettings().excelVersion, 8);
}

TEST(ExportSettingsTest, ALongProfilePathLoadsWith254CharactersAndOddVersionsAs16Bit) {
    ScratchDirectory scratch(false);
    WriteFile(kSettingsFile, "[Excel]\r\nVorlage=" + std::string(400, 'p') + "\r\nVersion=65545\r\n");
    ExportSettings settings = LoadExportSettings();
    EXPECT_EQ(settings.profilePath, std::string(254, 'p'));
    EXPECT_EQ(settings.excelVersion, 9);
    // Only a written zero names the file; a text without digits stays an unknown version.
    struct Case {
        const char* stored;
        std::int16_t read;
    } versions[] = {{"neun", kUnreadableVersion}, {"0", kFileVersion}, {"00", kFileVersion},
                    {"-0", kFileVersion},         {"0abc", kFileVersion}};
    for (const Case& c : versions) {
        WriteFile(kSettingsFile, std::string("[Excel]\r\nVersion=") + c.stored + "\r\n");
        EXPECT_EQ(ReadExcelVersion(), c.read) << c.stored;
    }
}

TEST(ExportSettingsTest, AnotherFileCanBeNamed) {
    ScratchDirectory scratch(false);
    const std::string file = scratch.File("anders.ini");
    ExportSettings settings;
    settings.profilePath = "p.exl";
    SaveExportSettings(settings, file);
    WriteExcelVersion(8, file);
    EXPECT_FALSE(FileExists(kSettingsFile));
    EXPECT_EQ(LoadExportSettings(file).profilePath, "p.exl");
    EXPECT_EQ(ReadExcelVersion(file), 8);
}

}  // namespace
}  // namespace exl::test
