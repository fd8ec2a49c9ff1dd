#pragma once
// Runs the export command through the real DLL, the host simulator, the Excel
// stand-in and the real dialogs, in a scratch working directory of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "HostSimulator.h"
#include "Scratch.h"
#include "StandinClient.h"
#include "UiScript.h"

namespace exl::test {

// What the export dialog's title reads with the shipped catalogue.
inline const std::string kExportTitle = "Excel-Kopplung";

class ExportFixture : public ::testing::Test {
protected:
    explicit ExportFixture(bool withCatalogue = true) : scratch(withCatalogue) {}
    void SetUp() override;
    void TearDown() override;

    // Settings file and profile.
    void WriteSettings(const std::string& content) { WriteFile(scratch.File("exl\\rizeraru.ini"), content); }
    std::string Settings() { return ReadFile(scratch.File("exl\\rizeraru.ini")); }
    std::string SettingsValue(const std::string& section, const std::string& key);
    // Writes the two-table sample profile and settings that name it (version `version`).
    std::string WriteTwoTableProfile(int version = 10);

    // The host answers every information query with this result file (OEM text).
    void AnswerQueriesWith(const std::string& resultContent);

    // Runs the command; `steps` drive the dialogs and message boxes meanwhile.
    std::int16_t Run(std::function<void(UiDriver&)> steps);
    // Confirms the export dialog with OK (after `onDialog`) and returns every message
    // box that follows until the command ends, each answered as `answer` says, or
    // else with its first button.
    std::vector<ShownMessageBox> RunConfirmed(const DialogSteps& onDialog = {}, const BoxAnswer& answer = {});

    // Files named "exl*" in the temporary directory, where the command's scratch files go.
    std::set<std::string> TemporaryFiles();

    ScratchDirectory scratch;
    orvanta::HostSimulator host;
    standin::StandinClient excel;
    std::set<std::string> temporaryBefore;
};

}  // namespace exl::test
