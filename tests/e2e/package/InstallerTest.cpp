// The Windows Installer package as an IT department uses it: msiexec installs it
// silently into a folder it names, upgrades it with a newer one, refuses an older
// one and removes it, and the user's profiles and settings outlive all of that. Runs
// in a Wine prefix of its own, made afresh for each run, so no installation of an
// earlier run is registered. The package is the one from the zip; the newer version
// is the same binaries packaged by the build as the next version (EXL_UPGRADE_MSI).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "PackageRun.h"
#include "Scratch.h"
#include "Screenshot.h"
#include "UiDriver.h"
#include "framework/Raii.h"

namespace exl::test {
namespace {

using standin::StandinClient;
// Relative path ("exl/a.exl", "exl/") -> content, a long one as its size and checksum
// so that a failure prints readably.
using Tree = std::map<std::string, std::string>;

std::string Fingerprint(const std::string& content) {
    if (content.size() <= 80) return content;
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : content) hash = (hash ^ c) * 16777619u;
    char text[48];
    std::snprintf(text, sizeof text, "<%zu bytes, %08x>", content.size(), static_cast<unsigned>(hash));
    return text;
}

const char kInstalledFiles[][20] = {"ExcelKopplung.dll", "string_exl.txt", "LIESMICH.txt", "exl/stueckliste.exl"};
constexpr DWORD kInstallFailure = ERROR_INSTALL_FAILURE;  // 1603

// The zip unpacked once for the whole program: the package as shipped.
const std::string& Package() {
    static const std::string folder = [] {
        std::string path = BinDir() + "\\installer-package";
        RemoveTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
        Unpack(WindowsPath(EXL_PACKAGE_ZIP), path);
        return path;
    }();
    return folder;
}

std::string PackagedMsi() { return Package() + "\\ExcelKopplung-" EXL_VERSION ".msi"; }

// Every file and folder below `folder` with its content; empty when it is missing.
Tree ReadTree(const std::string& folder, const std::string& prefix = "") {
    Tree tree;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return tree;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[prefix + name + "/"] = "";
            for (const auto& entry : ReadTree(folder + "\\" + name, prefix + name + "/")) tree.insert(entry);
        } else {
            tree[prefix + name] = Fingerprint(ReadFile(folder + "\\" + name));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return tree;
}

// What a fresh installation leaves: the package's own files.
Tree Shipped() {
    Tree tree{{"exl/", ""}};
    for (const char* name : kInstalledFiles) {
        std::string path = Package() + "\\" + name;
        for (char& c : path)
            if (c == '/') c = '\\';
        tree[name] = Fingerprint(ReadFile(path));
    }
    return tree;
}

std::string Install(const std::string& msi, const std::string& folder = "") {
    return "/i \"" + msi + "\" /qn" + (folder.empty() ? "" : " INSTALLDIR=\"" + folder + "\"");
}

// A property of the package's Property table; "" when it has none.
std::string PackageProperty(const std::string& msi, const std::string& name) {
    MSIHANDLE database = 0, view = 0, record = 0;
    std::string value;
    const std::string query = "SELECT `Value` FROM `Property` WHERE `Property` = '" + name + "'";
    if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        char text[256] = {};
        DWORD size = sizeof text;
        if (MsiRecordGetStringA(record, 1, text, &size) == ERROR_SUCCESS) value = text;
    }
    for (MSIHANDLE handle : {record, view, database})
        if (handle) MsiCloseHandle(handle);
    return value;
}

bool Installed(const std::string& productCode) {
    return MsiQueryProductStateA(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

// What Add/Remove Programs shows of an installed product.
std::wstring ProductInfo(const std::string& productCode, const wchar_t* property) {
    const std::wstring code(productCode.begin(), productCode.end());
    wchar_t value[256] = {};
    DWORD size = 256;
    return MsiGetProductInfoW(code.c_str(), property, value, &size) == ERROR_SUCCESS ? value : L"<none>";
}

// msiexec started with the arguments; without /qn the test drives its dialogs.
struct MsiexecRun {
    explicit MsiexecRun(const std::string& arguments) : command("msiexec.exe " + arguments) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
            throw std::runtime_error("cannot start " + command);
        thread.reset(started.hThread);
        process.reset(started.hProcess);
        uiThread = started.dwThreadId;
    }
    // The installation's result once msiexec has ended; it is ended when it does not.
    DWORD ExitCode() {
        DWORD exitCode = STILL_ACTIVE;
        if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 99);
            ADD_FAILURE() << command << " does not end";
        }
        GetExitCodeProcess(process.get(), &exitCode);
        return exitCode;
    }
    std::string command;
    UniqueHandle thread, process;
    DWORD uiThread = 0;
};

DWORD Msiexec(const std::string& arguments) { return MsiexecRun(arguments).ExitCode(); }

// Windows Installer's dialogs give their controls no ids: a control by its text or class.
struct ChildSearch {
    std::string text;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM context) {
    auto& search = *reinterpret_cast<ChildSearch*>(context);
    char buffer[512] = {};
    if (search.className) {
        GetClassNameA(child, buffer, sizeof buffer);
        if (lstrcmpiA(buffer, search.className) == 0) search.found = child;
    } else {
        GetWindowTextA(child, buffer, sizeof buffer);
        if (search.text == buffer) search.found = child;
    }
    return search.found == nullptr;
}

HWND ChildWindow(HWND dialog, const std::string& text, const char* className = nullptr) {
    ChildSearch search{text, className, nullptr};
    EnumChildWindows(dialog, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Asked of the window itself: GetWindowText does not ask a control of another process.
std::string WindowText(HWND window) {
    char buffer[512] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return buffer;
}

// The installer's dialog (every one has the same title) that offers the button.
HWND WaitForDialogWithButton(UiDriver& ui, const std::string& button) {
    const std::string title = ToAnsi("Excel-Kopplung für Orvanta – Installation");
    for (int attempt = 0; attempt < 600; ++attempt) {
        for (HWND window : ui.ThreadWindows())
            if (IsWindowVisible(window) && WindowText(window) == title && ChildWindow(window, button)) return window;
        Sleep(100);
    }
    throw UiTimeout("no installer dialog with the button " + button);
}

void Press(HWND dialog, const std::string& button) { PostMessageA(ChildWindow(dialog, button), BM_CLICK, 0, 0); }

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    static void TearDownTestSuite() { OleUninitialize(); }

    const std::string msi_ = PackagedMsi();
    const std::string code_ = PackageProperty(msi_, "ProductCode");
    const std::string newerMsi_ = WindowsPath(EXL_UPGRADE_MSI);
    const std::string newerCode_ = PackageProperty(newerMsi_, "ProductCode");
};

TEST_F(Installer, PutsTheFilesIntoTheGivenFolderWhereTheHostExportsWithThem) {
    const std::string folder = "C:\\Werkstatt 1\\Orvanta CAD";  // neither folder exists yet
    ASSERT_FALSE(FileExists("C:\\Werkstatt 1"));
    ASSERT_EQ(Msiexec(Install(msi_, folder)), 0u);
    EXPECT_EQ(ReadTree(folder), Shipped());
    EXPECT_EQ(PackageProperty(msi_, "ProductVersion"), FileVersion(folder + "\\ExcelKopplung.dll"));
    EXPECT_TRUE(Installed(code_));
    EXPECT_EQ(ProductInfo(code_, L"InstalledProductName"), L"Excel-Kopplung f\u00fcr Orvanta");
    EXPECT_EQ(ProductInfo(code_, L"Publisher"), L"Orvanta");
    EXPECT_EQ(ProductInfo(code_, L"VersionString"), L"" EXL_VERSION);

    StandinClient excel;
    excel.Quit();
    ASSERT_TRUE(StandinClient::Register({16}));
    const HostRun run = ExportSample(Package() + "\\orvanta-host.exe", folder + "\\ExcelKopplung.dll",
                                     Package() + "\\zeichnung.txt", folder + "\\exl\\stueckliste.exl", folder);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.finalMessage, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
    ExpectSampleWorkbook(excel);
    excel.Quit();
    StandinClient::Unregister();

    // The removal leaves the settings the export wrote and the profile beside them.
    const Tree settings = ReadTree(folder);
    ASSERT_EQ(settings.count("exl/rizeraru.ini"), 1u);
    EXPECT_EQ(Msiexec("/x \"" + msi_ + "\" /qn"), 0u);
    EXPECT_EQ(ReadTree(folder), (Tree{{"exl/", ""},
                                      {"exl/rizeraru.ini", settings.at("exl/rizeraru.ini")},
                                      {"exl/stueckliste.exl", settings.at("exl/stueckliste.exl")}}));
    EXPECT_FALSE(Installed(code_));
}

TEST_F(Installer, TheNewerVersionReplacesTheOlderInPlaceAndNeitherTouchesTheUsersFiles) {
    const std::string folder = "C:\\Orvanta";
    ASSERT_EQ(Msiexec(Install(msi_, folder)), 0u);
    const Tree users{{"exl/", ""},
                     {"exl/stueckliste.exl", "[Datei]\r\nTabelle=1\r\n"},
                     {"exl/eigenes.exl", "[Datei]\r\nTabelle=2\r\n"},
                     {"exl/rizeraru.ini", "[Excel]\r\nVersion=9\r\n"}};
    for (const auto& [name, content] : users)
        if (name.back() != '/') WriteFile(folder + "\\exl\\" + name.substr(4), content);
    Tree expected = Shipped();
    for (const auto& entry : users) expected[entry.first] = entry.second;
    ASSERT_EQ(ReadTree(folder), expected);

    struct Step {
        const char* what;
        std::string arguments;
        DWORD exitCode;
        bool olderInstalled;
    } const steps[] = {
        {"the same version again", Install(msi_, folder), 0, true},
        // Without INSTALLDIR: the folder of the installed version, not the default.
        {"the newer version", Install(newerMsi_), 0, false},
        {"the newer version again", Install(newerMsi_), 0, false},
        {"the older version over the newer", Install(msi_, folder), kInstallFailure, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(Msiexec(step.arguments), step.exitCode);
        EXPECT_EQ(ReadTree(folder), expected);
        EXPECT_EQ(Installed(code_), step.olderInstalled);
        EXPECT_NE(Installed(newerCode_), step.olderInstalled);
    }
    EXPECT_EQ(ProductInfo(newerCode_, L"VersionString"), L"" EXL_UPGRADE_VERSION);
    EXPECT_EQ(ReadTree("C:\\Program Files (x86)\\Orvanta"), Tree{});
    EXPECT_EQ(ReadTree("C:\\Program Files\\Orvanta"), Tree{});

    // Removed by its product code, as IT tools do: only the user's files stay.
    EXPECT_EQ(Msiexec("/x " + newerCode_ + " /qn"), 0u);
    EXPECT_EQ(ReadTree(folder), users);
    EXPECT_FALSE(Installed(newerCode_));
}

TEST_F(Installer, KeepsAProfileOfTheSampleNameThatIsThereAlready) {
    const std::string folder = "C:\\Vorhanden";
    const std::string own = "[Datei]\r\nTabelle=3\r\n";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\exl").c_str(), nullptr);
    WriteFile(folder + "\\exl\\stueckliste.exl", own);
    ASSERT_EQ(Msiexec(Install(msi_, folder)), 0u);
    Tree expected = Shipped();
    expected["exl/stueckliste.exl"] = own;
    EXPECT_EQ(ReadTree(folder), expected);
    EXPECT_EQ(Msiexec("/x \"" + msi_ + "\" /qn"), 0u);
    EXPECT_EQ(ReadTree(folder), (Tree{{"exl/", ""}, {"exl/stueckliste.exl", own}}));
}

TEST_F(Installer, ItsDialogShowsTheFolderAndInstallsThere) {
    const std::string folder = "C:\\Orvanta Dialog";
    MsiexecRun msiexec("/i \"" + msi_ + "\" INSTALLDIR=\"" + folder + "\"");
    try {
        UiDriver ui(msiexec.uiThread);
        HWND welcome = WaitForDialogWithButton(ui, "&Installieren");
        EXPECT_EQ(WindowText(ChildWindow(welcome, "", "Edit")), folder + "\\");
        EXPECT_TRUE(ChildWindow(welcome, ToAnsi("Das Plug-in überträgt Stücklisten aus Orvanta-Zeichnungen nach "
                                                "Excel. Es wird in den Arbeitsordner des CAD-Programms installiert. "
                                                "Vorhandene Übergabe-Profile und die Einstellungen in "
                                                "exl\\rizeraru.ini bleiben erhalten.")));
        EXPECT_TRUE(SaveWindowImage(welcome, ScreenshotDir() + "\\installer-dialog.bmp"));
        Press(welcome, "&Installieren");
        HWND done = WaitForDialogWithButton(ui, "&Fertig stellen");
        EXPECT_TRUE(ChildWindow(done, "Die Excel-Kopplung ist in " + folder + "\\ installiert."));
        Press(done, "&Fertig stellen");
    } catch (const UiTimeout& timeout) {
        ADD_FAILURE() << timeout.what();
    }
    EXPECT_EQ(msiexec.ExitCode(), 0u);
    EXPECT_EQ(ReadTree(folder), Shipped());
    EXPECT_EQ(Msiexec("/x \"" + msi_ + "\" /qn"), 0u);
}

TEST_F(Installer, AFolderThatCannotBeMadeEndsTheInstallationWithNothingInstalled) {
    // A file where the folder should be; as root, Wine ignores write protection.
    const std::string folder = "C:\\Belegt";
    WriteFile(folder, "eine Datei");
    EXPECT_EQ(Msiexec(Install(msi_, folder)), kInstallFailure);

    MsiexecRun msiexec("/i \"" + msi_ + "\" INSTALLDIR=\"" + folder + "\"");
    try {
        UiDriver ui(msiexec.uiThread);
        Press(WaitForDialogWithButton(ui, "&Installieren"), "&Installieren");
        HWND failed = WaitForDialogWithButton(ui, "&Beenden");
        EXPECT_TRUE(ChildWindow(failed, "Installation fehlgeschlagen"));
        EXPECT_TRUE(ChildWindow(failed, ToAnsi("Die Excel-Kopplung konnte nicht installiert werden; es wurde nichts "
                                               "installiert oder geändert. Ist der Arbeitsordner ein Ordner, in den "
                                               "Sie schreiben dürfen? Warum es scheiterte, steht in einem Protokoll, "
                                               "wenn man msiexec mit /l*v <Datei> aufruft.")));
        EXPECT_TRUE(SaveWindowImage(failed, ScreenshotDir() + "\\installer-failed.bmp"));
        Press(failed, "&Beenden");
    } catch (const UiTimeout& timeout) {
        ADD_FAILURE() << timeout.what();
    }
    EXPECT_EQ(msiexec.ExitCode(), kInstallFailure);

    EXPECT_EQ(ReadFile(folder), "eine Datei");
    EXPECT_FALSE(Installed(code_));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Orvanta\\Excel-Kopplung", 0, KEY_READ | KEY_WOW64_32KEY,
                            &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
}

TEST_F(Installer, TheOlderVersionSaysInGermanWhyItIsNotInstalled) {
    ASSERT_EQ(Msiexec(Install(newerMsi_, "C:\\Orvanta Neuer")), 0u);
    MsiexecRun msiexec("/i \"" + msi_ + "\"");
    try {
        UiDriver ui(msiexec.uiThread);
        ShownMessageBox box = ui.WaitForMessageBox(60000);
        EXPECT_EQ(box.text, ToAnsi("Eine neuere Version der Excel-Kopplung ist bereits installiert. "
                                   "Diese ältere Version wird nicht installiert."));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(SaveWindowImage(box.window, ScreenshotDir() + "\\installer-downgrade.bmp"));
        ui.Answer(box, IDOK);
        Press(WaitForDialogWithButton(ui, "&Beenden"), "&Beenden");  // the failed installation's end
    } catch (const UiTimeout& timeout) {
        ADD_FAILURE() << timeout.what();
    }
    EXPECT_EQ(msiexec.ExitCode(), kInstallFailure);
    EXPECT_TRUE(Installed(newerCode_));
    EXPECT_FALSE(Installed(code_));
    EXPECT_EQ(Msiexec("/x " + newerCode_ + " /qn"), 0u);
}

}  // namespace
}  // namespace exl::test
