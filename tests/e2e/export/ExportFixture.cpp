#include "ExportFixture.h"

#include "ExcelOptions.h"
#include "framework/Ini.h"

namespace exl::test {

void ExportFixture::SetUp() {
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    ForgetExcelOptions();
    ASSERT_TRUE(host.Load(BinDir() + "\\ExcelKopplung.dll"));
    ASSERT_EQ(host.SetUp(), 1);
    temporaryBefore = TemporaryFiles();
}

void ExportFixture::TearDown() {
    excel.Quit();
    standin::StandinClient::Unregister();
    for (const std::string& file : TemporaryFiles())
        if (!temporaryBefore.count(file)) DeleteFileA(file.c_str());
    host.Unload();
    OleUninitialize();
}

std::string ExportFixture::SettingsValue(const std::string& section, const std::string& key) {
    return ReadIniString(scratch.File("exl\\rizeraru.ini"), section, key, "<absent>");
}

std::string ExportFixture::WriteTwoTableProfile(int version) {
    const std::string profile = scratch.File("exl\\stueckliste.exl");
    WriteFile(profile,
              "[Datei]\r\nTabelle=2\r\n"
              "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=2\r\n"
              "Feld_1=Pos\r\nSpalte_1=A\r\nSpaltenkopf_1=Pos\r\nAnzZeich_1=?\r\nTyp_1=1\r\n"
              "Feld_2=Benennung\r\nSpalte_2=B\r\nSpaltenkopf_2=" +
                  ToAnsi("Bezeichnung (lang)") +
                  "\r\nAnzZeich_2=13\r\nTyp_2=1\r\n"
                  "[Tabelle 2]\r\nBlatt=2\r\nKopfzeile=0\r\nStartzeile=1\r\nAnzahl=1\r\n"
                  "Feld_1=Werkstoff\r\nSpalte_1=C\r\n");
    WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=" + std::to_string(version) + "\r\n");
    return profile;
}

void ExportFixture::AnswerQueriesWith(const std::string& resultContent) {
    host.SetInfoQueryHandler([resultContent](const std::string&, const std::string& resultPath, std::uint8_t) {
        WriteFile(resultPath, resultContent);
    });
}

std::int16_t ExportFixture::Run(std::function<void(UiDriver&)> steps) {
    UiScript script(std::move(steps));
    std::int16_t result = host.RunCommand();
    script.Join();
    return result;
}

std::vector<ShownMessageBox> ExportFixture::RunConfirmed(const DialogSteps& onDialog, const BoxAnswer& answer) {
    int result = -1;
    std::vector<ShownMessageBox> boxes = RunConfirming(
        kExportTitle, [this] { return static_cast<int>(host.RunCommand()); }, result, onDialog, answer);
    EXPECT_EQ(result, 0);
    return boxes;
}

std::set<std::string> ExportFixture::TemporaryFiles() {
    char directory[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("TMP", directory, MAX_PATH);
    std::string base = length ? std::string(directory) : std::string("..\\exl");
    std::set<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "\\exl*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        files.insert(base + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

}  // namespace exl::test
