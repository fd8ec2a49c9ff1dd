#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "Scratch.h"
#include "framework/Application.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"

namespace exl::test {
namespace {

TEST(IniTest, ValuesAreCutAt254CharactersAndNumbersWrittenAsDecimal) {
    ScratchDirectory scratch(false);
    const std::string file = ".\\exl\\test.ini";
    EXPECT_EQ(ReadIniString(file, "A", "x", "vorgabe"), "vorgabe");
    EXPECT_EQ(ReadIniInt(file, "A", "n", 17), 17);
    ASSERT_TRUE(WriteIniString(file, "A", "x", std::string(400, 'z')));
    EXPECT_EQ(ReadIniString(file, "A", "x", "").size(), 254u);
    EXPECT_EQ(ReadIniString(file, "a", "X", "", 10), "zzzzzzzzz");
    ASSERT_TRUE(WriteIniInt(file, "A", "n", -12));
    EXPECT_EQ(ReadIniString(file, "A", "n", ""), "-12");
    EXPECT_EQ(ReadIniInt(file, "A", "n", 0), -12);
    ASSERT_TRUE(DeleteIniKey(file, "A", "n"));
    EXPECT_EQ(ReadIniInt(file, "A", "n", 5), 5);
}

TEST(CodePageTest, UmlautsRoundTripBetweenAnsiAndOem) {
    const std::string ansi = ToAnsi("Größe Ø §");
    const std::string oem = ToOem("Größe Ø §");
    EXPECT_EQ(ConvertAnsiToOem(ansi), oem);
    EXPECT_EQ(ConvertOemToAnsi(oem), ansi);
    EXPECT_EQ(static_cast<unsigned char>(oem[6]), 0x9Du) << "OEM code page 850 is expected";
    EXPECT_EQ(static_cast<unsigned char>(oem[8]), 0xF5u);
    EXPECT_EQ(ConvertAnsiToOem(std::string()), "");
}

TEST(ApplicationTest, TitleIsTheModuleNameWithoutExtension) {
    EXPECT_EQ(Application::Instance().Title(), "frame_tests");
    EXPECT_EQ(ModuleTitle(GetModuleHandleA("kernel32.dll")), "kernel32");
}

TEST(ApplicationTest, OleLockDecidesCanUnloadAndNeverGoesNegative) {
    Application& app = Application::Instance();
    EXPECT_EQ(app.CanUnloadNow(), S_OK);
    app.LockOle();
    EXPECT_EQ(app.CanUnloadNow(), S_FALSE);
    app.UnlockOle();
    app.UnlockOle();
    EXPECT_EQ(app.OleLockCount(), 0);
    EXPECT_EQ(app.CanUnloadNow(), S_OK);
}

TEST(MessageBoxTest, FrameworkAndSystemBoxesCarryTheirFlags) {
    RecordingUi ui;
    FrameworkMessageBox("Text");
    SystemMessageBox("Ende", "Titel", kClosingMessageFlags);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].caption, Application::Instance().Title());
    EXPECT_EQ(ui.boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(ui.boxes[1].flags, 0x10030u);
    EXPECT_FALSE(ui.boxes[1].hasOwner);
    EXPECT_EQ(kNoticeMessageFlags, 0x10040u);
}

}  // namespace
}  // namespace exl::test
