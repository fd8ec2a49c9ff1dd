#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "RecordingUi.h"
#include "Scratch.h"
#include "framework/Application.h"
#include "framework/CodePage.h"
#include "framework/Dialog.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"
#include "framework/UiSeam.h"

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

// The messages a window of the test's thread was handed, by number.
std::vector<UINT> handedMessages;

LRESULT CALLBACK RecordingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT || message == WM_COMMAND || message == WM_KEYDOWN) handedMessages.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(UiSeamTest, APauseDispatchesPaintMessagesOnlyAndLastsItsTime) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ExlPauseTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("ExlPauseTest", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    UpdateWindow(window);
    handedMessages.clear();

    // A click on a menu, a key and a part of the window to paint again, all waiting.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    InvalidateRect(window, nullptr, TRUE);
    const DWORD start = GetTickCount();
    UiSeam::Platform().PauseKeepingWindowsPainted(200);
    const DWORD waited = GetTickCount() - start;

    // Wine may paint twice (the display's own expose event); nothing else may come.
    ASSERT_FALSE(handedMessages.empty());
    for (UINT handed : handedMessages) EXPECT_EQ(handed, static_cast<UINT>(WM_PAINT));
    EXPECT_GE(waited, 180u) << "GetTickCount counts in steps of 10 to 16 ms";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE)) << "the command still waits";
    EXPECT_TRUE(PeekMessageA(&message, window, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) << "the key still waits";
    DestroyWindow(window);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
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

// Memory that runs out in a handler ends the dialog, and DoModal raises it again once
// the platform's dialog procedure is behind it, so the command can say so.
TEST(DialogTest, MemoryRunningOutInAHandlerIsRaisedByDoModal) {
    class Failing : public Dialog {
    public:
        Failing() : Dialog(2005, nullptr) {}

    protected:
        bool OnInitDialog() override { throw std::bad_alloc(); }
    };
    Failing dialog;
    EXPECT_THROW(dialog.DoModal(), std::bad_alloc);
    EXPECT_EQ(dialog.Hwnd(), nullptr) << "the dialog stays up";
}

}  // namespace
}  // namespace exl::test
