// The package as a user gets it: unpacked into a fresh folder, its orvanta-host.exe
// runs its own plug-in there, with nothing of the build on the path, on the packaged
// sample drawing and profile, against the stand-in registered as Excel 16.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "PackageRun.h"
#include "Scratch.h"

namespace exl::test {
namespace {

using standin::StandinClient;

const std::string kMsiName = "ExcelKopplung-" EXL_VERSION ".msi";

TEST(Package, UnpackedAloneItsHostFillsAWorkbookFromTheSample) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    const std::string zip = WindowsPath(EXL_PACKAGE_ZIP);
    ScratchDirectory folder(false);
    EXPECT_EQ(Unpack(zip, folder.Path()),
              (std::set<std::string>{"ExcelKopplung.dll", "string_exl.txt", "orvanta-host.exe", "LIESMICH.txt",
                                     "zeichnung.txt", "exl/stueckliste.exl", kMsiName}));
    EXPECT_EQ(zip.substr(zip.find_last_of('\\') + 1),
              "ExcelKopplung-" + FileVersion(folder.File("ExcelKopplung.dll")) + ".zip");
    // The installer in it is the build's own, byte for byte.
    EXPECT_EQ(ReadFile(folder.File(kMsiName)), ReadFile(WindowsPath(EXL_PACKAGE_MSI)));
    // The guide is for Notepad on any Windows: code page 1252 with CR LF.
    const std::string guide = ReadFile(folder.File("LIESMICH.txt"));
    EXPECT_NE(guide.find(ToAnsi("Übergabe-Profil")), std::string::npos);
    for (std::size_t at = guide.find('\n'); at != std::string::npos; at = guide.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && guide[at - 1] == '\r') << "line end at " << at;

    StandinClient excel;
    excel.Quit();
    ASSERT_TRUE(StandinClient::Register({16}));
    const HostRun run = ExportSample(folder.File("orvanta-host.exe"), "", "zeichnung.txt",
                                     folder.File("exl\\stueckliste.exl"), folder.Path());
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.finalMessage, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
    ExpectSampleWorkbook(excel);
    EXPECT_NE(ReadFile(folder.File("exl\\rizeraru.ini")).find("Version=10"), std::string::npos);
    excel.Quit();
    StandinClient::Unregister();
    OleUninitialize();
}

}  // namespace
}  // namespace exl::test
