#include "export/ExcelConnection.h"

#include <algorithm>
#include <cstring>

#include "catalogue/MessageCatalogue.h"
#include "export/ExcelMembers.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"

namespace exl {

namespace {

constexpr std::int16_t kNewestVersion = 10;
constexpr std::int16_t kOldestVersion = 8;
constexpr const char* kProgIdFormat = "Excel.Application.%i";
constexpr char kProgIdPrefix[] = "Excel.Application.";
// Beyond any Excel version: a longer number only has to stay above 10.
constexpr int kVersionCap = 1000;

// Catalogue entries of section 0.
constexpr int kUnknownVersionMessage = 15;
constexpr int kTooFewSheetsMessage = 9;
constexpr int kTooFewSheetsCaption = 10;

// 0-6 for version 10, 0-7 for 9, 0-8 for 8.
int NotStartedMessage(std::int16_t version) { return 6 + (kNewestVersion - version); }

std::wstring WideAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// "Excel.Application.N" with N a whole number above 10: the ProgID of an Excel newer
// than XP. ProgIDs match without regard to case; nothing may follow the digits.
bool NamesNewerExcel(const std::string& progId) {
    const std::size_t prefixLength = sizeof kProgIdPrefix - 1;
    if (progId.size() <= prefixLength || _strnicmp(progId.c_str(), kProgIdPrefix, prefixLength) != 0) return false;
    int number = 0;
    for (std::size_t at = prefixLength; at < progId.size(); ++at) {
        if (progId[at] < '0' || progId[at] > '9') return false;
        number = std::min(number * 10 + (progId[at] - '0'), kVersionCap);
    }
    return number > kNewestVersion;
}

}  // namespace

ExcelConnection::ExcelConnection(ExportSettings& settings, const std::string& profilePath, ExcelLauncher& launcher)
    : settings_(settings), profile_(profilePath), launcher_(launcher) {}

ExcelConnection::~ExcelConnection() { ReleaseLatestFirst(); }

ExcelConnection::Outcome ExcelConnection::Connect() {
    const Outcome started = StartExcel();
    if (started != Outcome::Ready) {
        ReleaseLatestFirst();
        return started;
    }
    launcher_.RaiseMainWindow();
    PutProperty(application_, excel::kVisible, Variant::Boolean(true));
    workbooks_.Attach(RequireObject(GetDispatchProperty(application_, excel::kWorkbooks)));
    workbook_.Attach(RequireObject(ChooseWorkbook()));
    sheets_.Attach(RequireObject(GetDispatchProperty(workbook_, excel::kSheets)));
    const std::int32_t sheetCount = GetInt32Property(sheets_, excel::kCount);
    if (sheetCount < profile_.TableCountForSheetCheck()) {
        SystemMessageBox(MessageCatalogue::Text(kMessageSection, kTooFewSheetsMessage),
                         MessageCatalogue::Text(kMessageSection, kTooFewSheetsCaption), kNoticeMessageFlags);
        ReleaseLatestFirst();
        return Outcome::EndedEarly;
    }
    return Outcome::Ready;
}

ExcelConnection::Outcome ExcelConnection::StartExcel() {
    std::int16_t version = settings_.excelVersion;
    if (version < kOldestVersion || version > kNewestVersion) {
        FrameworkMessageBox(MessageCatalogue::Text(kMessageSection, kUnknownVersionMessage));
        return Outcome::EndedEarly;
    }
    for (; version >= kOldestVersion; --version) {
        settings_.excelVersion = version;
        WriteExcelVersion(version);
        const std::string progId = ProgIdToTry(version);
        IDispatch* application = launcher_.AttachRunning(WideAscii(progId));
        if (!application) application = launcher_.StartNew(progId);
        if (application) {
            application_.Attach(application);
            return Outcome::Ready;
        }
        FrameworkMessageBox(MessageCatalogue::Text(kMessageSection, NotStartedMessage(version)));
    }
    return Outcome::NoExcel;
}

std::string ExcelConnection::ProgIdToTry(std::int16_t version) {
    const std::string progId = Format(kProgIdFormat, version);
    // Every Excel since 2003 registers only its own versioned ProgID, so an XP that is
    // not registered stands for the newest Excel installed, as CurVer names it.
    if (version != kNewestVersion || launcher_.IsRegistered(WideAscii(progId))) return progId;
    const std::string current = launcher_.CurrentExcelProgId();
    return NamesNewerExcel(current) ? current : progId;
}

IDispatch* ExcelConnection::ChooseWorkbook() {
    const std::string excelTemplate = profile_.ExcelTemplate();
    if (!excelTemplate.empty()) {
        // Excel resolves and tests the path itself; it is handed over exactly as read.
        const Variant fileName = Variant::Text(excelTemplate);
        const Variant* m = &missing_;
        static_assert(excel::kOpenOptionalArguments == 12, "the file name and twelve missing arguments");
        return CallDispatchMethod(workbooks_, excel::kOpen, {&fileName, m, m, m, m, m, m, m, m, m, m, m, m});
    }
    if (IsOn(settings_.newWorkbook)) return AddWorkbook();
    if (GetInt32Property(workbooks_, excel::kCount) != 0) {
        // Workbooks can all be hidden (a personal macro workbook): then none is active.
        if (IDispatch* active = GetDispatchProperty(application_, excel::kActiveWorkbook)) return active;
    }
    return AddWorkbook();
}

IDispatch* ExcelConnection::AddWorkbook() { return CallDispatchMethod(workbooks_, excel::kAdd, {&missing_}); }

void ExcelConnection::Release() {
    range_.Release();
    worksheet_.Release();
    workbooks_.Release();
    workbook_.Release();
    application_.Release();
    sheets_.Release();
}

void ExcelConnection::ReleaseLatestFirst() {
    range_.Release();
    sheets_.Release();
    workbooks_.Release();
    worksheet_.Release();
    workbook_.Release();
    application_.Release();
}

}  // namespace exl
