#include "FakeExcel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "export/ExcelMembers.h"
#include "settings/ExportSettings.h"
#include "framework/Ini.h"
#include "framework/Variant.h"

namespace exl::test {

namespace {

// Into the caller's result, or released at once when the caller passed none.
void ReturnObject(VARIANT* result, IDispatch* object) {
    Variant value = Variant::Object(object);
    if (result) *result = value.Detach();
}

// Numbers beyond int count as INT_MAX, as a long ProgID from CurVer may hold one.
int VersionOf(const std::string& progId) {
    const long long version = std::strtoll(progId.c_str() + progId.find_last_of('.') + 1, nullptr, 10);
    return static_cast<int>(std::min<long long>(version, INT_MAX));
}
int VersionOf(const std::wstring& progId) { return VersionOf(std::string(progId.begin(), progId.end())); }

}  // namespace

std::string StoredVersion() { return ReadIniString(kSettingsFile, "Excel", "Version", "(none)"); }

IDispatch* FakeExcel::NewApplication() { return NewObject("Application"); }

bool FakeExcel::Fails(int call) const {
    return failAt > 0 && call >= failAt && (failTimes < 0 || call < failAt + failTimes);
}

IDispatch* FakeExcel::NewObject(const std::string& kind, int sheet, const std::wstring& address) {
    return new FakeDispatch(world, kind, [this, kind, sheet, address](const RecordedInvoke& call, VARIANT* result,
                                                                        EXCEPINFO* exception) {
        return Answer(kind, sheet, address, call, result, exception);
    });
}

HRESULT FakeExcel::Answer(const std::string& kind, int sheet, const std::wstring& address,
                          const RecordedInvoke& call, VARIANT* result, EXCEPINFO* exception) {
    // world.calls receives this call after the answer, so it is call number size() + 1.
    if (Fails(Invokes() + 1)) {
        if (failWith != DISP_E_EXCEPTION) return failWith;
        exception->scode = static_cast<SCODE>(0x800A03EC);
        exception->bstrDescription = WideToBstr(L"Fehler");
        return DISP_E_EXCEPTION;
    }
    if (answersNothing.count(call.member) && call.flags != DISPATCH_PROPERTYPUT) {
        ReturnObject(result, nullptr);
        return S_OK;
    }
    switch (call.member) {
    case excel::kVisible:
        visible = call.namedValues.at(0).Get().boolVal == VARIANT_TRUE;
        return S_OK;
    case excel::kWorkbooks: ReturnObject(result, NewObject("Workbooks")); return S_OK;
    case excel::kActiveWorkbook:
        ReturnObject(result, workbooks > 0 && hasActiveWorkbook ? NewObject("Workbook") : nullptr);
        return S_OK;
    case excel::kCount:
        result->vt = VT_I4;
        result->lVal = kind == "Workbooks" ? workbooks : sheets;
        return S_OK;
    case excel::kAdd:
    case excel::kOpen:
        ++workbooks;
        ReturnObject(result, NewObject("Workbook"));
        return S_OK;
    case excel::kSheets: ReturnObject(result, NewObject("Sheets")); return S_OK;
    case excel::kItem: {
        const int index = call.arguments.at(0).Get().iVal;
        if (index < 1 || index > sheets) return DISP_E_BADINDEX;
        ReturnObject(result, NewObject("Worksheet", index));
        return S_OK;
    }
    case excel::kSelect: return S_OK;
    case excel::kRange:
        ReturnObject(result, NewObject("Range", sheet, TextOf(call.arguments.at(0))));
        return S_OK;
    case excel::kValue:
    case excel::kValue2: {
        const std::wstring key = std::to_wstring(sheet) + L"!" + address;
        const std::wstring text = TextOf(call.namedValues.at(0));
        if (call.member == excel::kValue) valuePuts.push_back(key + L"=" + text);
        cells[key] = text;
        return S_OK;
    }
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

IDispatch* FakeLauncher::AttachRunning(const std::wstring& progId) {
    const int version = VersionOf(progId);
    log.push_back("attach " + std::to_string(version) + " (Version=" + StoredVersion() + ")");
    if (!running.count(version) || !runningAnswersDispatch) return nullptr;
    return excel_.NewApplication();
}

IDispatch* FakeLauncher::StartNew(const std::string& progId) {
    const int version = VersionOf(progId);
    log.push_back("start " + std::to_string(version) + " (Version=" + StoredVersion() + ")");
    if (!startable.count(version)) return nullptr;
    return excel_.NewApplication();
}

bool FakeLauncher::IsRegistered(const std::wstring& progId) {
    const int version = VersionOf(progId);
    return running.count(version) || startable.count(version) || broken.count(version);
}

std::string FakeLauncher::CurrentExcelProgId() {
    log.push_back("curver");
    return curVer;
}

}  // namespace exl::test
