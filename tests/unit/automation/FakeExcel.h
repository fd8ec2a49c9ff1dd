#pragma once
// A small in-process Excel for unit tests of the connection and the writer: every
// object handed out is a fresh FakeDispatch (as a cross-process proxy would be),
// named by its kind, so the world's release log shows which kind went when. The
// launcher stands in for the running-object table and the class factory.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FakeDispatch.h"
#include "export/ExcelLauncher.h"

namespace exl::test {

struct FakeExcel {
    FakeWorld world;
    int workbooks = 0;           // open workbooks
    bool hasActiveWorkbook = true;
    int sheets = 3;              // sheets of every workbook
    bool visible = false;
    std::set<DISPID> answersNothing;  // object gets that answer VT_DISPATCH null
    // The n-th Invoke (from 1) fails with this status (and, for DISP_E_EXCEPTION,
    // with scode 0x800A03EC and the description "Fehler"), and so do the failTimes - 1
    // Invokes after it (all of them for a negative failTimes), as a busy Excel's do.
    int failAt = 0;
    HRESULT failWith = E_FAIL;
    int failTimes = 1;
    std::map<std::wstring, std::wstring> cells;  // "sheet!address" -> text (Value2 wins)
    std::vector<std::wstring> valuePuts;         // "sheet!address=text" of every Value put

    IDispatch* NewApplication();
    int Invokes() const { return static_cast<int>(world.calls.size()); }

private:
    bool Fails(int call) const;
    IDispatch* NewObject(const std::string& kind, int sheet = 0, const std::wstring& address = L"");
    HRESULT Answer(const std::string& kind, int sheet, const std::wstring& address, const RecordedInvoke& call,
                   VARIANT* result, EXCEPINFO* exception);
};

// The settings file's Excel "Version", "(none)" when it has none.
std::string StoredVersion();

class FakeLauncher : public ExcelLauncher {
public:
    explicit FakeLauncher(FakeExcel& excel) : excel_(excel) {}

    IDispatch* AttachRunning(const std::wstring& progId) override;
    IDispatch* StartNew(const std::string& progId) override;
    void RaiseMainWindow() override { log.push_back("raise"); }
    bool IsRegistered(const std::wstring& progId) override;
    std::string CurrentExcelProgId() override;

    std::set<int> running;    // versions with an instance in the running-object table
    std::set<int> startable;  // versions whose class can be created
    std::set<int> broken;     // registered, but neither running nor startable
    std::string curVer;       // what CurrentExcelProgId answers; reading it logs "curver"
    bool runningAnswersDispatch = true;
    // "attach 10 (Version=10)", "start 9 (Version=9)", "curver", "raise": the settings file's
    // "Version" as it stood when the attempt was made.
    std::vector<std::string> log;

private:
    FakeExcel& excel_;
};

}  // namespace exl::test
