// The export into a workbook file ("als Datei (.xlsx)", "Version" 0) through the
// real DLL, the host simulator and real message boxes: what the user sees, what is
// left on disk. The files whose cells count are kept in build\file-exports, where
// check-file-exports.py reads them with openpyxl.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>

#include "framework/Raii.h"
#include "Drawing.h"
#include "ImportPatch.h"
#include "TextLines.h"
#include "ExportFixture.h"
#include "catalogue/MessageCatalogue.h"
#include "export/progress/TransferProgress.h"
#include "resource.h"
#include "workbook/sheet/WorkbookWriting.h"

namespace exl::test {
namespace {

using standin::StandinClient;
using Answer = std::function<int(const ShownMessageBox&)>;
using Strings = std::vector<std::string>;

int FirstButton(const ShownMessageBox& box) { return box.buttons.empty() ? IDOK : box.buttons.front(); }

int NoToQuestions(const ShownMessageBox& box) {
    for (int button : box.buttons)
        if (button == IDNO) return IDNO;
    return FirstButton(box);
}

std::string Entry(int key) { return MessageCatalogue::Text(0, key); }

// The entry with its "%s" given the values in order, as the message shows it.
std::string Entry(int key, const Strings& values) {
    std::string text = Entry(key);
    std::size_t at = 0;
    for (const std::string& value : values) {
        at = text.find("%s", at);
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
}

std::string ExportsFolder() { return BinDir() + "\\..\\file-exports"; }

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class FileExportTest : public ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        StandinClient::Unregister();
        CreateDirectoryA(ExportsFolder().c_str(), nullptr);
    }

    // The profile of the export, named by the settings with "Version" 0.
    std::string WriteProfile(const std::string& text) {
        WriteFile(profile, text);
        WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=0\r\n");
        return profile;
    }
    // One table on sheet 1: heading in row 1, values from row 2, field "Name" in column A.
    void OneFieldProfile(const std::string& extra = "") {
        WriteProfile(Lines({"[Datei]", "Tabelle=1", extra, "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                            "Anzahl=1", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name"}));
        AnswerQueriesWith("eins\r\nzwei\r\n");
    }
    std::string TemplateCopy() {
        const std::string path = scratch.File("vorlage.xlsx");
        CopyFileA(WindowsPath(EXL_TEST_TEMPLATE).c_str(), path.c_str(), FALSE);
        return path;
    }
    // A variant of the template that workbooks.py made ("zip64": vorlage-zip64.xlsx).
    static std::string Variant(const std::string& name) {
        return ReadFile(WindowsPath(std::string(EXL_TEST_DATA) + "/vorlage-" + name + ".xlsx"));
    }
    // The profile that fills the template's first sheet with ten rows below a heading.
    void TemplateProfile(const std::string& vorlage) {
        WriteProfile(Lines({"[Datei]", "Tabelle=1", "Excelvorlage=" + vorlage, "[Tabelle 1]", "Blatt=1", "Kopfzeile=1",
                            "Startzeile=2", "Anzahl=3", "Feld_1=Pos", "Spalte_1=A", "Spaltenkopf_1=Pos",
                            "Feld_2=Menge", "Spalte_2=B", "Spaltenkopf_2=Anzahl", "Feld_3=Leer", "Spalte_3=C",
                            "Spaltenkopf_3="}));
        std::string result;
        for (int n = 1; n <= 10; ++n) result += "P" + std::to_string(n) + "\r\n" + std::to_string(n) + "\r\n\r\n";
        AnswerQueriesWith(result);
    }
    // The host answers the next file selection with this path (ANSI here, OEM to the plug-in).
    void ChooseTarget(const std::string& ansiPath) {
        host.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(ConvertToOem(ansiPath)));
    }
    static std::string ConvertToOem(std::string text) {
        CharToOemBuffA(text.data(), text.data(), static_cast<DWORD>(text.size()));
        return text;
    }

    // Confirms the export dialog, then answers every message box with `answer`, and
    // returns the boxes' texts.
    Strings RunAnswering(const Answer& answer = FirstButton) {
        std::atomic<bool> returned{false};
        Strings texts;
        UiScript script([&](UiDriver& ui) {
            ui.Click(ui.WaitForWindow(kExportTitle), IDOK);
            while (!returned) {
                try {
                    const ShownMessageBox box = ui.WaitForMessageBox(200);
                    texts.push_back(box.text);
                    ui.Answer(box, answer(box));
                } catch (const UiTimeout&) {
                }
            }
        });
        EXPECT_EQ(host.RunCommand(), 0);
        returned = true;
        script.Join();
        return texts;
    }

    // Runs the command into `target`, where an old list stands, and calls `fail` once the
    // user has agreed to replace it, so that what it arms strikes in the writing.
    Strings RunFailingInTheWriting(const std::string& target, const std::function<void()>& fail) {
        WriteFile(target, "die alte Liste");
        ChooseTarget(target);
        return RunAnswering([&](const ShownMessageBox& box) {
            if (box.text == Entry(21, {target})) fail();
            return FirstButton(box);
        });
    }

    void Keep(const std::string& file, const std::string& name) {
        EXPECT_TRUE(CopyFileA(file.c_str(), (ExportsFolder() + "\\" + name).c_str(), FALSE)) << file;
    }
    // Neither the command's temporary files nor a workbook's temporary file are left.
    void ExpectNothingLeft() {
        EXPECT_EQ(TemporaryFiles(), temporaryBefore);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(scratch.File("exl*.tmp").c_str(), &found);
        EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary file stays: " << found.cFileName;
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }

    const std::string profile = scratch.File("exl\\liste.exl");
};

// Windows opens .xlsx files with a command that copies the file it is given.
class CopyingOpener {
public:
    explicit CopyingOpener(const std::string& copy) {
        const std::string command = "C:\\windows\\system32\\cmd.exe /c copy \"%1\" \"" + copy + "\"";
        Set("Software\\Classes\\.xlsx", "ExlTest.Mappe");
        Set("Software\\Classes\\ExlTest.Mappe\\shell\\open\\command", command);
    }
    ~CopyingOpener() {
        for (const char* key : {"Software\\Classes\\ExlTest.Mappe\\shell\\open\\command",
                                "Software\\Classes\\ExlTest.Mappe\\shell\\open", "Software\\Classes\\ExlTest.Mappe\\shell",
                                "Software\\Classes\\ExlTest.Mappe", "Software\\Classes\\.xlsx"})
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }

private:
    static void Set(const char* key, const std::string& value) {
        HKEY opened = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr),
                  ERROR_SUCCESS);
        const UniqueRegKey held(opened);
        RegSetValueExA(held.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
};

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 200 && !FileExists(path); ++i) Sleep(100);
    return FileExists(path);
}

TEST_F(FileExportTest, SampleGivesTheCellsOfTheStandInAndOpensTheFile) {
    // The sample drawing and profile, with "AlsText" on both sides so that the
    // stand-in holds every text exactly as the drawing does.
    std::string sample = ReadFile(SourceDir() + "\\samples\\exl\\stueckliste.exl");
    sample.replace(sample.find("[Datei]"), 7, "[Datei]\r\nAlsText=1");
    WriteFile(profile, sample);
    auto drawing = std::make_shared<orvanta::Drawing>();
    std::string error;
    ASSERT_TRUE(drawing->Load(SourceDir() + "\\samples\\zeichnung.txt", error)) << error;
    host.SetInfoQueryHandler(orvanta::DrawingAnswer(drawing));
    const std::string settings = "[Orvanta]\r\nBaugruppeninfo=1\r\nElementinfo=1\r\n[Excel]\r\nVorlage=" + profile +
                                 "\r\nneue Mappe=1\r\nVersion=";

    WriteSettings(settings + "10\r\n");
    ASSERT_TRUE(StandinClient::Register({10}));
    EXPECT_EQ(RunAnswering(), Strings{Entry(13)});
    ASSERT_TRUE(excel.Connect());
    std::string expected;
    for (int sheet = 1; sheet <= 2; ++sheet)
        for (const std::wstring& line : excel.SheetCells(1, sheet)) {
            const int length = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
            std::string utf8(static_cast<std::size_t>(length), '\0');
            WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], length, nullptr, nullptr);
            utf8.resize(static_cast<std::size_t>(length) - 1);
            expected += "Tabelle" + std::to_string(sheet) + "\t" + utf8 + "\n";
        }
    WriteFile(ExportsFolder() + "\\sample.expected", expected);
    excel.Quit();
    StandinClient::Unregister();

    WriteSettings(settings + "0\r\n");
    const std::string target = scratch.File(ToAnsi("Stückliste §1.xlsx"));
    ChooseTarget(target);
    CopyingOpener opener(scratch.File("geoeffnet.xlsx"));
    EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
    const auto selections = host.RequestsWithCode(kRequestFileSelection);
    ASSERT_EQ(selections.size(), 1u);
    EXPECT_EQ(selections[0].prompt, Entry(18));
    EXPECT_EQ(selections[0].pathOffered, ConvertToOem(scratch.File("exl\\liste.xlsx")));
    ASSERT_TRUE(FileExists(target));
    Keep(target, "sample.xlsx");
    ExpectNothingLeft();
    EXPECT_TRUE(WaitForFile(scratch.File("geoeffnet.xlsx"))) << "the associated program was not started";
    EXPECT_EQ(ReadFile(scratch.File("geoeffnet.xlsx")), ReadFile(target));
    EXPECT_EQ(SettingsValue("Excel", "Version"), "0");
}

TEST_F(FileExportTest, TemplateIsFilledAndStaysAsItWas) {
    const std::string vorlage = TemplateCopy();
    const std::string before = ReadFile(vorlage);
    TemplateProfile(vorlage);
    const std::string target = scratch.File("kopie.xlsx");
    ChooseTarget(target);
    EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
    EXPECT_EQ(ReadFile(vorlage), before) << "the template is never changed";
    ASSERT_TRUE(FileExists(target));
    Keep(target, "template.xlsx");
    ExpectNothingLeft();
}

// Streaming zip writers (Go's, Java's, Python's on a pipe) put data descriptors after
// every entry, with or without their signature, and zip64 records into large files.
// check-file-exports.py reads each filled copy as it reads template.xlsx.
TEST_F(FileExportTest, TemplatesOfStreamingZipWritersAreFilled) {
    for (const char* variant : {"datenbeschreibung", "ohne-signatur", "zip64", "python-strom"}) {
        SCOPED_TRACE(variant);
        const std::string vorlage = scratch.File("vorlage-" + std::string(variant) + ".xlsx");
        WriteFile(vorlage, Variant(variant));
        TemplateProfile(vorlage);
        const std::string target = scratch.File("kopie.xlsx");
        DeleteFileA(target.c_str());
        ChooseTarget(target);
        EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
        EXPECT_EQ(ReadFile(vorlage), Variant(variant)) << "the template is never changed";
        ASSERT_TRUE(FileExists(target));
        Keep(target, "template-" + std::string(variant) + ".xlsx");
        ExpectNothingLeft();
        host.ClearRequests();
    }
}

TEST_F(FileExportTest, SheetProblemsWriteNothing) {
    const std::string vorlage = TemplateCopy();  // Liste, Zweites, Diagramm (a chart sheet)
    struct Case {
        const char* name;
        std::string datei;
        int sheet;
        Strings messages;
    } cases[] = {
        {"Blatt is the chart sheet", "Excelvorlage=" + vorlage, 3, {Entry(30, {"1", "3"})}},
        {"Blatt beyond the template's sheets", "Excelvorlage=" + vorlage, 4, {Entry(29, {"1", "4"})}},
        {"Blatt 0 in a new workbook", "", 0, {Entry(29, {"1", "0"})}},
        {"more tables than the template has sheets", "Excelvorlage=" + vorlage + "\r\nTabelle=4", 1, {Entry(9)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearRequests();
        WriteProfile(Lines({"[Datei]", c.datei, "Tabelle=1", "[Tabelle 1]", "Blatt=" + std::to_string(c.sheet),
                            "Anzahl=1", "Feld_1=Name", "Spalte_1=A"}));
        AnswerQueriesWith("eins\r\n");
        EXPECT_EQ(RunAnswering(), c.messages);
        EXPECT_TRUE(host.RequestsWithCode(kRequestFileSelection).empty()) << "no target is asked for";
        ExpectNothingLeft();
    }
}

TEST_F(FileExportTest, CellsExcelWouldRefuseWriteNothing) {
    struct Case {
        const char* column;
        int headerRow;
        int startRow;
        std::string cell;
    } cases[] = {
        {"", 1, 2, "1"},         // the heading's cell has no column
        {"1", 0, 2, "12"},       // a column of digits
        {"XFE", 0, 2, "XFE2"},   // beyond XFD
        {"A\xE4", 0, 2, "A\xE4" "2"},
        {"B", 0, 0, "B0"},       // the first record lands in row 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        host.ClearRequests();
        WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=" + std::to_string(c.headerRow),
                            "Startzeile=" + std::to_string(c.startRow), "Anzahl=2", "Feld_1=Leer", "Spalte_1=A",
                            "Feld_2=Name", std::string("Spalte_2=") + c.column}));
        // The first field's values are empty, so its cells would be no problem.
        AnswerQueriesWith("\r\neins\r\n\r\nzwei\r\n");
        EXPECT_EQ(RunAnswering(), Strings{Entry(31, {"1", "2", "Name", c.cell})});
        EXPECT_TRUE(host.RequestsWithCode(kRequestFileSelection).empty());
        ExpectNothingLeft();
    }
}

TEST_F(FileExportTest, ReplaceIsAskedAndSelectionCanBeCancelled) {
    OneFieldProfile();
    const std::string target = scratch.File("liste.xlsx");
    struct Case {
        const char* name;
        bool exists;
        bool chosen;
        Answer answer;
        Strings messages;
        bool replaced;
    } cases[] = {
        {"replace: Ja", true, true, FirstButton, {Entry(21, {target}), Entry(19)}, true},
        {"replace: Nein", true, true, NoToQuestions, {Entry(21, {target})}, false},
        {"selection cancelled", false, false, FirstButton, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(target.c_str());
        if (c.exists) WriteFile(target, "bisher");
        if (c.chosen)
            ChooseTarget(target);
        else
            host.QueueFileSelection(orvanta::FileSelectionAnswer::NoChoice());
        EXPECT_EQ(RunAnswering(c.answer), c.messages);
        if (c.replaced)
            EXPECT_EQ(ReadFile(target).substr(0, 2), "PK");
        else if (c.exists)
            EXPECT_EQ(ReadFile(target), "bisher");
        else
            EXPECT_FALSE(FileExists(target));
        ExpectNothingLeft();
    }
}

TEST_F(FileExportTest, WithoutAnyExcelTheFileIsOffered) {
    OneFieldProfile();
    WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\n");
    const std::string target = scratch.File("liste.xlsx");
    ChooseTarget(target);
    EXPECT_EQ(RunAnswering(), (Strings{Entry(6), Entry(7), Entry(8), Entry(20), Entry(19)}));
    EXPECT_TRUE(FileExists(target));
    EXPECT_EQ(SettingsValue("Excel", "Version"), "8") << "the last version tried stays";
    ExpectNothingLeft();

    DeleteFileA(target.c_str());
    WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\n");
    EXPECT_EQ(RunAnswering(NoToQuestions), (Strings{Entry(6), Entry(7), Entry(8), Entry(20)}));
    EXPECT_FALSE(FileExists(target));
    EXPECT_EQ(TemporaryFiles().size(), temporaryBefore.size() + 1) << "ends early as before: the record file stays";
}

// A compound file, as an .xls is one; with the stream in it, an encrypted workbook.
std::string CompoundFile(bool encrypted) {
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes += std::string(504, '\0');
    if (encrypted)
        for (char c : std::string("EncryptedPackage")) bytes += std::string(1, c) + '\0';
    return bytes + std::string(512, '\0');
}

TEST_F(FileExportTest, UnusableTemplatesAndTargetsWriteNothing) {
    const std::string good = TemplateCopy();
    const std::string target = scratch.File("liste.xlsx");
    struct Case {
        const char* name;
        std::string templateContent;  // "-": no template; "missing": named but absent
        std::string chosen;
        std::function<void()> prepare;
        Strings messages;
    };
    const std::string vorlage = scratch.File("vorlage-test.xlsx");
    const std::string xls = scratch.File("vorlage.xls");
    UniqueHandle held;
    const std::vector<Case> cases = {
        {".xls template", "xls", target, {}, {Entry(22, {xls})}},
        {"a text file as template", "Das ist keine Mappe.", target, {}, {Entry(22, {vorlage})}},
        {"template missing", "missing", target, {}, {Entry(23, {vorlage})}},
        {"template damaged", ReadFile(good).substr(0, 3000), target, {}, {Entry(24, {vorlage})}},
        {"template with a password", CompoundFile(true), target, {}, {Entry(24, {vorlage})}},
        {"an .xls renamed .xlsx", CompoundFile(false), target, {}, {Entry(22, {vorlage})}},
        {"zip without the workbook part", Variant("ohne-mappe"), target, {}, {Entry(24, {vorlage})}},
        {"sheet outside the file", Variant("ausserhalb"), target, {}, {Entry(40, {vorlage, "../../etc/passwd"})}},
        {"sheet in another encoding", Variant("latin1"), target, {},
         {Entry(41, {vorlage, "xl/worksheets/sheet2.xml", "ISO-8859-1"})}},
        {"packed by bzip2", Variant("bzip2"), target, {}, {Entry(37, {vorlage, "12"})}},
        // 204,000,168 bytes of XML in 700 KB: refused by its size, never unpacked.
        {"sheet of 200 MB", Variant("200mb"), target, {}, {Entry(38, {vorlage, "xl/worksheets/sheet1.xml", "195", "128"})}},
        {"target folder missing", "-", scratch.File("fehlt\\liste.xlsx"), {},
         {Entry(25, {scratch.File("fehlt\\liste.xlsx")})}},
        {"target write-protected", "-", target,
         [&] {
             WriteFile(target, "bisher");
             SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
         },
         {Entry(26, {target})}},
        // The other program opens it without sharing after the test has read it.
        {"target open in another program", "-", target, [&] { WriteFile(target, "bisher"); }, {Entry(27, {target})}},
        {"target is the template", ReadFile(good), vorlage, {}, {Entry(28, {vorlage})}},
        {"target without the workbook's extension", "-", scratch.File("liste.xls"), {},
         {Entry(33, {scratch.File("liste.xls"), ".xlsx"})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target.c_str());
        DeleteFileA(vorlage.c_str());
        std::string named;
        if (c.templateContent == "xls") {
            WriteFile(xls, CompoundFile(false));
            named = xls;
        } else if (c.templateContent != "-") {
            if (c.templateContent != "missing") WriteFile(vorlage, c.templateContent);
            named = vorlage;
        }
        OneFieldProfile(named.empty() ? "" : "Excelvorlage=" + named);
        if (c.prepare) c.prepare();
        const std::string before = FileExists(c.chosen) ? ReadFile(c.chosen) : "";
        if (c.name == std::string("target open in another program"))
            held.reset(CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (c.templateContent == "-" || c.name == std::string("target is the template")) ChooseTarget(c.chosen);
        EXPECT_EQ(RunAnswering(), c.messages);
        held.reset();
        EXPECT_EQ(FileExists(c.chosen) ? ReadFile(c.chosen) : "", before) << "the target stays as it was";
        ExpectNothingLeft();
        host.ClearRequests();
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileExportTest, ValuesReachTheFileAsTheDrawingHoldsThem) {
    // Two tables on one sheet: table 2 writes column B from row 3 on, after table 1.
    WriteProfile(Lines({"[Datei]", "Tabelle=2", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2", "Anzahl=3",
                        "Feld_1=Wert", "Spalte_1=A", "Spaltenkopf_1=Wert", "Feld_2=Menge", "Spalte_2=B",
                        "Spaltenkopf_2=Menge", "Feld_3=Leer", "Spalte_3=C", "Spaltenkopf_3=", "[Tabelle 2]",
                        "Blatt=1", "Kopfzeile=0", "Startzeile=3", "Anzahl=1", "Feld_1=Nummer", "Spalte_1=B"}));
    // Per record: Wert, Menge, Leer, Nummer (the host answers in the OEM code page).
    const std::string umlauts(254, '\x81');  // 254 times "ü" in code page 850
    AnswerQueriesWith("a\x01" "b\tc\r\n0012\r\n\r\n\r\n" + umlauts + "\r\n42\r\n\r\n7\r\n\r\n-7\r\n\r\nx\r\n");
    const std::string target = scratch.File("werte.xlsx");
    ChooseTarget(target);
    EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
    Keep(target, "values.xlsx");
    ExpectNothingLeft();
}

TEST_F(FileExportTest, LastRowOfTheSheetIsReached) {
    // Startzeile is 16 bits: the last row takes 1,015,810 records.
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Startzeile=32767", "Anzahl=1",
                        "Feld_1=Name", "Spalte_1=XFD"}));
    std::string result;
    for (int n = 1; n < 1015810; ++n) result += "\r\n";
    AnswerQueriesWith(result + "unten\r\n");
    const std::string target = scratch.File("unten.xlsx");
    ChooseTarget(target);
    EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
    Keep(target, "lastrow.xlsx");
}

// Each template of the corpus (template-corpus.py) filled with its records, or refused
// with the message the manifest names; the results go to build\file-exports\corpus,
// where template-corpus.py holds them against their templates.
TEST_F(FileExportTest, EveryTemplateOfTheCorpusIsFilledOrRefused) {
    const std::string corpus = WindowsPath(EXL_TEST_CORPUS);
    const std::vector<std::string> manifest = FileLines(corpus + "\\manifest.txt");
    ASSERT_GE(manifest.size(), 30u);
    CreateDirectoryA((ExportsFolder() + "\\corpus").c_str(), nullptr);
    for (const std::string& line : manifest) {
        const std::size_t tab = line.find('\t'), secondTab = line.find('\t', tab + 1);
        const std::string name = line.substr(0, tab);
        const int records = std::stoi(line.substr(tab + 1, secondTab - tab - 1));
        Strings outcome;  // "saved", or the message key and its values
        for (std::size_t at = secondTab + 1, bar = 0; bar != std::string::npos; at = bar + 1) {
            bar = line.find('|', at);
            outcome.push_back(line.substr(at, bar == std::string::npos ? bar : bar - at));
        }
        SCOPED_TRACE(name);
        host.ClearRequests();
        const std::string vorlage = scratch.File(name);
        ASSERT_TRUE(CopyFileA((corpus + "\\" + name).c_str(), vorlage.c_str(), FALSE));
        WriteProfile(Lines({"[Datei]", "Tabelle=1", "Excelvorlage=" + vorlage, "[Tabelle 1]", "Blatt=1",
                            "Kopfzeile=1", "Startzeile=2", "Anzahl=3", "Feld_1=Pos", "Spalte_1=A", "Spaltenkopf_1=Pos",
                            "Feld_2=Menge", "Spalte_2=B", "Spaltenkopf_2=Menge", "Feld_3=Benennung", "Spalte_3=C",
                            "Spaltenkopf_3=Benennung"}));
        std::string answers;
        for (int n = 1; n <= records; ++n)
            answers += "P" + std::to_string(n) + "\r\n" + std::to_string(n) + "\r\nTeil " + std::to_string(n) + "\r\n";
        AnswerQueriesWith(answers);
        const bool macros = name.back() == 'm';
        const std::string target = scratch.File(std::string("gefuellt") + (macros ? ".xlsm" : ".xlsx"));
        DeleteFileA(target.c_str());
        if (outcome == Strings{"saved"}) {
            ChooseTarget(target);
            EXPECT_EQ(RunAnswering(), Strings{Entry(19)});
            Keep(target, "corpus\\" + name);
        } else {
            EXPECT_EQ(RunAnswering(), Strings{Entry(std::stoi(outcome[0]), Strings(outcome.begin() + 1, outcome.end()))});
            EXPECT_TRUE(host.RequestsWithCode(kRequestFileSelection).empty()) << "no target is asked for";
            EXPECT_FALSE(FileExists(target));
        }
        EXPECT_EQ(ReadFile(vorlage), ReadFile(corpus + "\\" + name)) << "the template is never changed";
        ExpectNothingLeft();
    }
}

// The DLL's clock, driven by the test through its import of GetTickCount: a
// millisecond passes at each reading, so the progress window comes after the same
// number of rows on any machine. Once the window is up, the clock reads its position
// and clicks Abbrechen as the UI driver does, from the writing thread itself, so
// nothing races the writing.
class DrivenClock {
public:
    DrivenClock()
        : start_(GetTickCount()), now_(start_),
          patch_(GetModuleHandleA("ExcelKopplung.dll"), "kernel32.dll", "GetTickCount",
                 reinterpret_cast<void*>(&DrivenClock::Read)) {
        current_ = this;
    }
    ~DrivenClock() { current_ = nullptr; }
    DrivenClock(const DrivenClock&) = delete;
    DrivenClock& operator=(const DrivenClock&) = delete;

    bool Installed() const { return patch_.Installed(); }
    // The window's text when Abbrechen was clicked; "" while it was not.
    const std::string& Position() const { return position_; }

private:
    static DWORD WINAPI Read() {
        DrivenClock& self = *current_;
        ++self.now_;
        // FindWindow costs far more than a row: looked for once in 16 readings.
        if (self.position_.empty() && self.now_ - self.start_ >= TransferProgress::kShowAfterMs && self.now_ % 16 == 0)
            self.ClickAbbrechen();
        return self.now_;
    }
    void ClickAbbrechen() {
        HWND window = FindWindowA(nullptr, ToAnsi("Übergabe nach Excel").c_str());
        if (!window) return;
        char text[256] = {};
        GetDlgItemTextA(window, IDC_PROGRESS_TEXT, text, sizeof text);
        position_ = text;
        PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
    }

    static DrivenClock* current_;
    DWORD start_;
    DWORD now_;
    std::string position_;
    ImportPatch patch_;
};

DrivenClock* DrivenClock::current_ = nullptr;

TEST_F(FileExportTest, AbbrechenWhileWritingLeavesTheTargetAsItWas) {
    constexpr int kRecords = 3000;
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2", "Anzahl=1",
                        "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name"}));
    std::string result;
    for (int n = 1; n <= kRecords; ++n) result += "Teil " + std::to_string(n) + "\r\n";
    AnswerQueriesWith(result);
    const std::string target = scratch.File("liste.xlsx");
    WriteFile(target, "die alte Liste");
    ChooseTarget(target);
    const DrivenClock clock;
    ASSERT_TRUE(clock.Installed());
    EXPECT_EQ(RunAnswering(), (Strings{Entry(21, {target}), Entry(34)}));
    // The window's looks are the progress window's own test.
    EXPECT_EQ(clock.Position().rfind("Tabelle 1 von 1: Zeile ", 0), 0u) << clock.Position();
    EXPECT_NE(clock.Position().find(" von 3.001"), std::string::npos) << clock.Position();
    EXPECT_TRUE(ReadFile(target) == "die alte Liste") << "the target was replaced";
    ExpectNothingLeft();
}

// Failures of the DLL's own calls, armed by the test at a moment of its choosing,
// through the DLL's imports: its allocations of kLeastFailing bytes and more (malloc,
// which its operator new and zlib use) fail as in a 32-bit process whose address
// space has no such block left (a 64-bit test process never runs out); its writes to
// files fail as on a full disk. Unarmed, the DLL calls what it always called.
class DllFaults {
public:
    static constexpr std::size_t kLeastFailing = 64 * 1024;

    DllFaults()
        : malloc_(Dll(), "msvcrt.dll", "malloc", reinterpret_cast<void*>(&DllFaults::Allocate)),
          writeFile_(Dll(), "kernel32.dll", "WriteFile", reinterpret_cast<void*>(&DllFaults::Write)) {
        current_ = this;
    }
    ~DllFaults() { current_ = nullptr; }
    DllFaults(const DllFaults&) = delete;
    DllFaults& operator=(const DllFaults&) = delete;

    bool Installed() const { return malloc_.Installed() && writeFile_.Installed(); }
    void FailAllocations() { allocationsFail_ = true; }
    void FailWrites() { writesFail_ = true; }
    int FailedAllocations() const { return failedAllocations_; }

private:
    using WriteFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    static HMODULE Dll() { return GetModuleHandleA("ExcelKopplung.dll"); }
    static void* __cdecl Allocate(std::size_t size) {
        DllFaults& self = *current_;
        if (self.allocationsFail_ && size >= kLeastFailing) {
            ++self.failedAllocations_;
            return nullptr;
        }
        return reinterpret_cast<void*(__cdecl*)(std::size_t)>(self.malloc_.Original())(size);
    }
    static BOOL WINAPI Write(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
        DllFaults& self = *current_;
        if (!self.writesFail_)
            return reinterpret_cast<WriteFunction>(self.writeFile_.Original())(file, bytes, count, written, overlapped);
        if (written) *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }

    static DllFaults* current_;
    std::atomic<bool> allocationsFail_{false};
    std::atomic<bool> writesFail_{false};
    std::atomic<int> failedAllocations_{0};
    ImportPatch malloc_;
    ImportPatch writeFile_;
};

DllFaults* DllFaults::current_ = nullptr;

// A workbook whose one sheet unpacks to far more than DllFaults::kLeastFailing.
std::string LargeSheetWorkbook() {
    class Rows : public workbook::RowSource {
    public:
        bool NextRow(workbook::SheetRow& row) override {
            if (next_ > 5000) return false;
            row.number = next_;
            row.cells = {{1, workbook::CellKind::Text, "Teil " + std::to_string(next_++)}};
            return true;
        }

    private:
        std::uint32_t next_ = 1;
    } rows;
    workbook::StringSink sink;
    workbook::ZipWriter zip(sink);
    std::string problem;
    EXPECT_TRUE(workbook::WriteNewWorkbook({"Tabelle1"}, {&rows}, zip, problem)) << problem;
    return sink.Bytes();
}

// Memory that runs out while the file is written, in zlib or in the plug-in's own
// code: the command ends with its message and answers 0, the old file stays, and
// neither the workbook's temporary file nor the command's files are left.
TEST_F(FileExportTest, MemoryRunningOutWhileWritingEndsWithItsOwnMessage) {
    const std::string target = scratch.File("liste.xlsx");
    const std::string vorlage = scratch.File("gross.xlsx");
    WriteFile(vorlage, LargeSheetWorkbook());
    const struct {
        const char* name;
        std::string datei;
    } cases[] = {
        {"a new workbook", ""},
        {"a template with a large sheet", "Excelvorlage=" + vorlage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearRequests();
        OneFieldProfile(c.datei);
        DllFaults faults;
        ASSERT_TRUE(faults.Installed());
        EXPECT_EQ(RunFailingInTheWriting(target, [&] { faults.FailAllocations(); }),
                  (Strings{Entry(21, {target}), Entry(42)}));
        EXPECT_GT(faults.FailedAllocations(), 0);
        EXPECT_TRUE(ReadFile(target) == "die alte Liste") << "the target was replaced";
        ExpectNothingLeft();
    }
}

// A write that fails (a full disk) is told with what the system said of it after
// 0-32; the old file stays and nothing is left.
TEST_F(FileExportTest, AFailedWriteSaysWhatTheSystemSaid) {
    OneFieldProfile();
    const std::string target = scratch.File("liste.xlsx");
    DllFaults faults;
    ASSERT_TRUE(faults.Installed());
    const Strings texts = RunFailingInTheWriting(target, [&] { faults.FailWrites(); });
    ASSERT_EQ(texts.size(), 2u);
    // The entry, then the system's own text of the error, which ends in its number.
    const std::string entry = Entry(32, {target}) + "\n\n";
    EXPECT_EQ(texts[1].substr(0, entry.size()), entry) << texts[1];
    EXPECT_GT(texts[1].size(), entry.size() + 6) << texts[1];
    EXPECT_EQ(texts[1].substr(texts[1].size() - 5), "(112)") << texts[1];
    EXPECT_TRUE(ReadFile(target) == "die alte Liste") << "the target was replaced";
    ExpectNothingLeft();
}

}  // namespace
}  // namespace exl::test
