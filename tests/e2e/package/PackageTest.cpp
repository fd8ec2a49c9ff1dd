// The package as a user gets it: unpacked into a fresh folder, its orvanta-host.exe
// runs its own plug-in there, with nothing of the build on the path, on the packaged
// sample drawing and profile, against the stand-in registered as Excel 16.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <set>

#include "Scratch.h"
#include "StandinClient.h"
#include "UiDriver.h"
#include "workbook/ZipReader.h"

namespace exl::test {
namespace {

using standin::StandinClient;

// "a.b.c.d" from the file's version resource; "" when it has none.
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

// The zip's files written below `folder`; their names as the zip holds them.
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

TEST(Package, UnpackedAloneItsHostFillsAWorkbookFromTheSample) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::string zip = WindowsPath(EXL_PACKAGE_ZIP);
    ScratchDirectory folder(false);
    EXPECT_EQ(Unpack(zip, folder.Path()),
              (std::set<std::string>{"ExcelKopplung.dll", "string_exl.txt", "orvanta-host.exe", "LIESMICH.txt",
                                     "zeichnung.txt", "exl/stueckliste.exl"}));
    const std::string name = zip.substr(zip.find_last_of('\\') + 1);
    EXPECT_EQ(name, "ExcelKopplung-" + FileVersion(folder.File("ExcelKopplung.dll")) + ".zip");
    // The guide is for Notepad on any Windows: code page 1252 with CR LF.
    const std::string guide = ReadFile(folder.File("LIESMICH.txt"));
    EXPECT_NE(guide.find(ToAnsi("Übergabe-Profil")), std::string::npos);
    for (std::size_t at = guide.find('\n'); at != std::string::npos; at = guide.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && guide[at - 1] == '\r') << "line end at " << at;

    StandinClient excel;
    excel.Quit();
    ASSERT_TRUE(StandinClient::Register({16}));
    std::string command = "\"" + folder.File("orvanta-host.exe") + "\" --drawing zeichnung.txt --choose \"" +
                          folder.File("exl\\stueckliste.exl") + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    {
        BarePath bare;
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(),
                                   &startup, &process));
    }
    std::string finalMessage;
    try {
        UiDriver ui(process.dwThreadId);
        HWND dialog = ui.WaitForWindow("Excel-Kopplung");
        ui.ClickAndWait(dialog, 2009);  // browse: the host answers with the packaged profile
        ui.Click(dialog, 2011);         // element information as well
        ui.Click(dialog, IDOK);
        ShownMessageBox box = ui.WaitForMessageBox(60000);
        finalMessage = box.text;
        ui.Answer(box, IDOK);
    } catch (const UiTimeout& timeout) {
        ADD_FAILURE() << timeout.what();
    }
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(finalMessage, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));

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
    EXPECT_NE(ReadFile(folder.File("exl\\rizeraru.ini")).find("Version=10"), std::string::npos);
    excel.Quit();
    StandinClient::Unregister();
    OleUninitialize();
}

}  // namespace
}  // namespace exl::test
