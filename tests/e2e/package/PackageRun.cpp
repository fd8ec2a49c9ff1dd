#include "PackageRun.h"

#include <gtest/gtest.h>

#include <vector>

#include "Scratch.h"
#include "UiDriver.h"
#include "framework/Raii.h"
#include "workbook/zip/ZipReader.h"

namespace exl::test {

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (data.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &size) || !info)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

std::set<std::string> Unpack(const std::string& zip, const std::string& folder) {
    const std::string bytes = ReadFile(zip);
    std::string error;
    workbook::ZipArchive archive;
    EXPECT_EQ(archive.Open(bytes, error), workbook::ZipProblem::None) << error;
    std::set<std::string> names;
    for (const workbook::ZipEntryInfo& entry : archive.Entries()) {
        std::string path = folder;
        for (std::size_t start = 0, slash; (slash = entry.name.find('/', start)) != std::string::npos;
             start = slash + 1)
            CreateDirectoryA((path = folder + "\\" + entry.name.substr(0, slash)).c_str(), nullptr);
        if (entry.name.back() == '/') continue;
        std::string file = folder + "\\" + entry.name;
        for (char& c : file)
            if (c == '/') c = '\\';
        std::string content;
        EXPECT_TRUE(archive.Read(entry, content)) << entry.name;
        WriteFile(file, content);
        names.insert(entry.name);
    }
    return names;
}

namespace {

// Only Windows' own folders on the path, while it lives.
class BarePath {
public:
    BarePath() {
        char saved[32767] = {};
        GetEnvironmentVariableA("PATH", saved, sizeof saved);
        saved_ = saved;
        char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        GetSystemDirectoryA(system, MAX_PATH);
        SetEnvironmentVariableA("PATH", (std::string(system) + ";" + windows).c_str());
    }
    ~BarePath() { SetEnvironmentVariableA("PATH", saved_.c_str()); }

private:
    std::string saved_;
};

}  // namespace

HostRun ExportSample(const std::string& host, const std::string& dll, const std::string& drawing,
                     const std::string& profile, const std::string& workDir) {
    std::string command = "\"" + host + "\"";
    if (!dll.empty()) command += " --dll \"" + dll + "\"";
    command += " --drawing \"" + drawing + "\" --choose \"" + profile + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    HostRun run;
    {
        BarePath bare;
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &startup,
                            &process)) {
            ADD_FAILURE() << "cannot start " << command;
            return run;
        }
    }
    const UniqueHandle thread(process.hThread), hostProcess(process.hProcess);
    try {
        UiDriver ui(process.dwThreadId);
        HWND dialog = ui.WaitForWindow("Excel-Kopplung");
        ui.ClickAndWait(dialog, 2009);  // browse: the host answers with the profile
        ui.Click(dialog, 2011);         // element information as well
        ui.Click(dialog, IDOK);
        ShownMessageBox box = ui.WaitForMessageBox(60000);
        run.finalMessage = box.text;
        ui.Answer(box, IDOK);
    } catch (const UiTimeout& timeout) {
        ADD_FAILURE() << timeout.what();
    }
    if (WaitForSingleObject(hostProcess.get(), 30000) != WAIT_OBJECT_0) TerminateProcess(hostProcess.get(), 99);
    GetExitCodeProcess(hostProcess.get(), &run.exitCode);
    return run;
}

void ExpectSampleWorkbook(standin::StandinClient& excel) {
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Version(), 16);
    EXPECT_EQ(excel.WorkbookCount(), 1);
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"Pos.");
    // The sample profile keeps values as text ("AlsText"): only whole numbers stay numbers.
    EXPECT_EQ(excel.StoredCell(1, 1, L"C2"), L"text' \"Getriebe GT-20\"");
    EXPECT_EQ(excel.StoredCell(1, 1, L"B6"), L"number 3");
    EXPECT_EQ(excel.StoredCell(1, 1, L"D9"), L"text' \"0012345\"");
    EXPECT_EQ(excel.Cell(1, 2, L"C1"), L"Gr\u00f6\u00dfe");
    EXPECT_EQ(excel.StoredCell(1, 2, L"B3"), L"text' \"M\u00fcller & S\u00f6hne GmbH\"");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

}  // namespace exl::test
