// Excel's default number of sheets from the registry of the current user, read for
// the stored Excel version and shown in the profile editor's label 2027.
#include <gtest/gtest.h>

#include <vector>

#include "ProfileTestSupport.h"
#include "Scratch.h"
#include "catalogue/MessageCatalogue.h"
#include "settings/ExportSettings.h"
#include "framework/Ini.h"
#include "framework/Raii.h"
#include "profile/ExcelDefaultSheets.h"
#include "profile/ProfileDialog.h"
#include "resource.h"

namespace exl::test {
namespace {

struct RegistryValue {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

RegistryValue Dword(const std::string& name, DWORD value) {
    return {name, REG_DWORD, {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}};
}

std::string OptionsKey(int version) { return Format("Software\\Microsoft\\Office\\%i.0\\Excel\\Options", version); }

// Excel's options key of one version with the given values, removed again at the end.
class ScopedOptionsKey {
public:
    ScopedOptionsKey(int version, const std::vector<RegistryValue>& values) : path_(OptionsKey(version)) {
        RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        HKEY created = nullptr;
        ok_ = RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                              nullptr) == ERROR_SUCCESS;
        const UniqueRegKey key(created);
        for (const RegistryValue& value : values)
            ok_ = ok_ && RegSetValueExA(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    }
    ~ScopedOptionsKey() { RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str()); }
    bool Ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};

TEST(ExcelDefaultSheetsTest, ReadsTheLowest8BitsOfDefSheetsForTheStoredVersion) {
    struct SheetsCase {
        const char* what;
        int keyVersion;  // 0: no key at all
        std::vector<RegistryValue> values;
        std::int16_t readVersion;
        int expected;
    };
    const std::string longName(200, 'A');  // sorts before "DefSheets" and outgrows any short buffer
    const SheetsCase cases[] = {
        {"version 9, 3", 9, {Dword("DefSheets", 3)}, 9, 3},
        {"version 8", 8, {Dword("DefSheets", 5)}, 8, 5},
        {"version 10", 10, {Dword("DefSheets", 16)}, 10, 16},
        {"only the lowest 8 bits", 10, {Dword("DefSheets", 0x1FF)}, 10, 255},
        {"256 is 0", 10, {Dword("DefSheets", 0x100)}, 10, 0},
        {"other values first", 9, {Dword(longName, 7), Dword("Abc", 8), Dword("DefSheets", 4), Dword("Zoom", 9)}, 9, 4},
        {"case counts", 9, {Dword("defsheets", 6), Dword("DEFSHEETS", 6)}, 9, 0},
        {"a longer name is another value", 9, {Dword("DefSheetsX", 6)}, 9, 0},
        {"no value", 9, {Dword("Zoom", 100)}, 9, 0},
        {"short binary data", 9, {{"DefSheets", REG_BINARY, {7}}}, 9, 7},
        {"empty data", 9, {{"DefSheets", REG_BINARY, {}}}, 9, 0},
        {"text data counts as its bytes", 9, {{"DefSheets", REG_SZ, {'4', 0}}}, 9, '4'},
        {"the key of another version", 9, {Dword("DefSheets", 3)}, 10, 0},
        {"no key for version 7", 7, {Dword("DefSheets", 3)}, 7, 0},
        {"no key for version 11", 11, {Dword("DefSheets", 3)}, 11, 0},
        {"no key at all", 0, {}, 9, 0},
    };
    for (const SheetsCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.keyVersion == 0) {
            RegDeleteKeyA(HKEY_CURRENT_USER, OptionsKey(c.readVersion).c_str());
            EXPECT_EQ(ReadExcelDefaultSheets(c.readVersion), c.expected);
            continue;
        }
        ScopedOptionsKey key(c.keyVersion, c.values);
        ASSERT_TRUE(key.Ok());
        EXPECT_EQ(ReadExcelDefaultSheets(c.readVersion), c.expected);
    }
}

TEST(ExcelDefaultSheetsTest, TheEditorShowsTheSheetsOfTheVersionInTheSettings) {
    struct LabelCase {
        const char* settings;  // content of .\exl\rizeraru.ini, or none
        int shown;
    };
    const LabelCase cases[] = {{"[Excel]\r\nVersion=9\r\n", 3}, {"[Excel]\r\nVersion=10\r\n", 12}, {nullptr, 12},
                               {"[Excel]\r\nVersion=8\r\n", 0}};
    ScopedOptionsKey nine(9, {Dword("DefSheets", 3)});
    ScopedOptionsKey ten(10, {Dword("DefSheets", 0x30C)});
    ASSERT_TRUE(nine.Ok() && ten.Ok());
    for (const LabelCase& c : cases) {
        ScratchDirectory scratch;
        if (c.settings) WriteFile(scratch.File("exl\\rizeraru.ini"), c.settings);
        ProfileDialog dialog;
        dialog.profilePath = scratch.File("exl\\neu.exl");
        std::string label;
        RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(ProfileEditorTitle());
            label = ui.Text(window, IDC_PROFILE_DEFAULT_SHEETS);
            ui.Close(window);
        });
        EXPECT_EQ(label, Format("(%s %i)", MessageCatalogue::Text(2, 18).c_str(), c.shown));
        EXPECT_FALSE(FileExists(scratch.File("exl\\neu.exl"))) << "opening and Cancel create no profile";
    }
}

}  // namespace
}  // namespace exl::test
