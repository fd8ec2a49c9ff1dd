// The entry point of the real DLL, loaded the way the host loads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <thread>

#include "HostSimulator.h"
#include "Scratch.h"
#include "UiScript.h"

namespace exl::test {
namespace {

std::string DllPath() { return BinDir() + "\\ExcelKopplung.dll"; }

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.Load(DllPath())); }

    // Runs the command with the export dialog cancelled at once.
    std::int16_t RunCancelled(EntrySlot* block) {
        UiScript script([](UiDriver& ui) { ui.Close(ui.WaitForWindow(ToAnsi("Excel-Kopplung"))); });
        std::int16_t result = host.Entry(kEntryRunCommand, block);
        script.Join();
        return result;
    }

    ScratchDirectory scratch;
    orvanta::HostSimulator host;
};

std::int32_t __cdecl ReturnsWide(std::int32_t argument) { return argument + 0x10000; }

TEST_F(EntryTest, QueryAndUnknownTypesLeaveTheBlockAlone) {
    struct TypeCase {
        std::int32_t type;
        std::int16_t expected;
    };
    for (TypeCase c : {TypeCase{2, 7}, TypeCase{0, -1}, TypeCase{5, -1}, TypeCase{6, -1}, TypeCase{-1, -1},
                       TypeCase{0x7FFFFFFF, -1}}) {
        EntrySlot block[4] = {0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC, 0xDDDDDDDD};
        EXPECT_EQ(host.Entry(c.type, block), c.expected) << "type " << c.type;
        EXPECT_EQ(block[0], 0xAAAAAAAAu);
        EXPECT_EQ(block[1], 0xBBBBBBBBu);
        EXPECT_EQ(block[2], 0xCCCCCCCCu);
        EXPECT_EQ(block[3], 0xDDDDDDDDu);
    }
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(5, nullptr)), 0xFFFFu);
}

TEST_F(EntryTest, TypeOneCallsTheFunctionAndAnswersTheLow16Bits) {
    EntrySlot block[2] = {ToSlot(reinterpret_cast<void*>(&ReturnsWide)), 0x1234};
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntryCallFunction, block)), 0x1234u);
    block[1] = 0x7FFF;
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntryCallFunction, block)), 0x7FFFu);
}

TEST_F(EntryTest, NullFunctionOrBlockIsRejectedNotCalled) {
    EntrySlot block[2] = {0, 5};
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntryCallFunction, block)), 0xFFFFu);
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntryCallFunction, nullptr)), 0xFFFFu);
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntrySetUp, nullptr)), 0xFFFFu);
    EXPECT_EQ(static_cast<std::uint16_t>(host.Entry(kEntryRunCommand, nullptr)), 0xFFFFu);
}

TEST_F(EntryTest, SetUpAnswersOne) { EXPECT_EQ(host.SetUp(), 1); }

TEST_F(EntryTest, RequestsBeforeSetUpAnswerZeroAndReachNoHost) {
    std::string argument = "Excel-Kopplung";
    EntrySlot block[2] = {ToSlot(argument.c_str()), 0};
    EXPECT_EQ(RunCancelled(block), 0);
    EXPECT_TRUE(host.Requests().empty());
}

TEST_F(EntryTest, FileSelectionBeforeSetUpCountsAsNoChoice) {
    std::string argument = "Excel-Kopplung";
    EntrySlot block[2] = {ToSlot(argument.c_str()), 0};
    std::string shown = "<unread>";
    UiScript script([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(ToAnsi("Excel-Kopplung"));
        ui.SetText(dialog, 2001, "C:\\vorher.exl");
        ui.ClickAndWait(dialog, 2009);  // browse: the standby callback answers 0
        shown = ui.Text(dialog, 2001);
        ui.Close(dialog);
    });
    EXPECT_EQ(host.Entry(kEntryRunCommand, block), 0);
    script.Join();
    EXPECT_EQ(shown, "C:\\vorher.exl");
    EXPECT_TRUE(host.Requests().empty());
}

TEST_F(EntryTest, CommandArgumentsAreCopiedIntoTheLibrary) {
    ASSERT_EQ(host.SetUp(), 1);
    std::string argument = "Excel-Kopplung";
    EntrySlot block[2] = {ToSlot(argument.c_str()), 0};
    EXPECT_EQ(RunCancelled(block), 0);
    const char* copy = FromSlot<const char>(block[0]);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, argument.c_str());
    EXPECT_STREQ(copy, "Excel-Kopplung");
    EXPECT_EQ(block[1], 0u) << "a null second argument stays null";

    std::string second = "zweites";
    block[0] = ToSlot(argument.c_str());
    block[1] = ToSlot(second.c_str());
    EXPECT_EQ(RunCancelled(block), 0);
    EXPECT_NE(FromSlot<const char>(block[1]), second.c_str());
    EXPECT_STREQ(FromSlot<const char>(block[1]), "zweites");
}

TEST_F(EntryTest, OverlongCommandArgumentIsCutNotOverrun) {
    ASSERT_EQ(host.SetUp(), 1);
    std::string argument(1000, 'x');
    EntrySlot block[2] = {ToSlot(argument.c_str()), ToSlot(argument.c_str())};
    EXPECT_EQ(RunCancelled(block), 0);
    EXPECT_EQ(std::strlen(FromSlot<const char>(block[0])), 255u);
    EXPECT_EQ(std::strlen(FromSlot<const char>(block[1])), 255u);
}

TEST_F(EntryTest, NullFirstArgumentRunsWithAnEmptyCopy) {
    ASSERT_EQ(host.SetUp(), 1);
    EntrySlot block[2] = {0, 0};
    EXPECT_EQ(RunCancelled(block), 0);
    EXPECT_STREQ(FromSlot<const char>(block[0]), "");
}

TEST_F(EntryTest, SecondSetUpReplacesCallbackAndContext) {
    ASSERT_EQ(host.SetUp(), 1);
    // A second pair: the second host's context (and callback) handed over through the same entry.
    orvanta::HostSimulator second;
    EntrySlot setUp[2] = {ToSlot(reinterpret_cast<void*>(orvanta::HostSimulator::CallbackFunction())),
                          static_cast<EntrySlot>(second.Context())};
    ASSERT_EQ(host.Entry(kEntrySetUp, setUp), 1);
    std::string argument = "Excel-Kopplung";
    EntrySlot block[2] = {ToSlot(argument.c_str()), 0};
    EXPECT_EQ(RunCancelled(block), 0);
    EXPECT_TRUE(host.Requests().empty());
    ASSERT_EQ(second.Requests().size(), 1u);
    EXPECT_EQ(second.Requests()[0].code, kRequestHostText);
    EXPECT_EQ(second.Requests()[0].context, second.Context());
}

TEST(EntryLoadTest, LoadsOnAThreadWithoutCom) {
    bool loaded = false;
    std::int16_t answer = 0;
    std::thread([&] {
        orvanta::HostSimulator host;
        loaded = host.Load(DllPath());
        answer = host.Entry(kEntryQuery, nullptr);
        // No COM on this thread before or after loading.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    }).join();
    EXPECT_TRUE(loaded);
    EXPECT_EQ(answer, 7);
}

TEST(EntryLoadTest, ExportsCarryTheirExactNames) {
    HMODULE module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    for (const char* name : {"_Orvanta_Entry@8", "DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(module, "Orvanta_Entry"), nullptr);
    using Register = HRESULT(__stdcall*)();
    using CanUnload = HRESULT(__stdcall*)();
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    auto reg = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    EXPECT_EQ(reg(), S_OK);
    EXPECT_EQ(canUnload(), S_OK);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(get(IID_IUnknown, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    FreeLibrary(module);
}

TEST(EntryLoadTest, ImportsOnlyWindowsOwnLibraries) {
    HMODULE module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
#ifdef EXL_LOW_ADDRESSES_64
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    std::set<std::string> names;
    for (; import->Name != 0; ++import) {
        std::string name = reinterpret_cast<const char*>(base + import->Name);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    // shell32 opens a saved workbook file with its program; zlib is linked in.
    const std::set<std::string> windows = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "ole32.dll",
                                           "oleaut32.dll", "comctl32.dll", "msvcrt.dll",   "shell32.dll"};
    EXPECT_FALSE(names.empty());
    for (const std::string& name : names) EXPECT_TRUE(windows.count(name)) << name << " is not one of Windows' own";
    FreeLibrary(module);
}

}  // namespace
}  // namespace exl::test
