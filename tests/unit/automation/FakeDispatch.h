#pragma once
// An in-process IDispatch for unit tests: records every Invoke exactly as it
// arrives (interface id, locale, flags, arguments in the caller's order, named
// arguments) and answers through a handler. Objects count themselves, so a test
// can assert that every reference handed out was released, and log their final
// release, so a test can assert the order.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Variant.h"

namespace exl::test {

struct RecordedInvoke {
    std::string object;
    DISPID member = 0;
    IID iid = {};
    LCID lcid = 0;
    WORD flags = 0;
    std::vector<Variant> arguments;  // the caller's order: rgvarg reversed, positional only
    std::vector<DISPID> named;
    std::vector<Variant> namedValues;
    bool wantsResult = false;
};

// What all fakes of one test share: the call log, the release log and the count of
// objects alive.
struct FakeWorld {
    std::vector<RecordedInvoke> calls;
    std::vector<std::string> finalReleases;  // object names in the order they died
    int liveObjects = 0;
};

class FakeDispatch final : public IDispatch {
public:
    // Answers one Invoke; gets the recorded call, the result slot (may be null) and
    // the exception slot (may be null).
    using Handler = std::function<HRESULT(const RecordedInvoke& call, VARIANT* result, EXCEPINFO* exception)>;

    // Starts with one reference, which the creator owns.
    FakeDispatch(FakeWorld& world, std::string name, Handler handler);

    ULONG References() const { return references_; }
    const std::string& Name() const { return name_; }
    // Whether QueryInterface answers IID_IDispatch (IUnknown is always answered).
    void SetAnswersDispatch(bool answers) { answersDispatch_ = answers; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    ~FakeDispatch();

    FakeWorld& world_;
    std::string name_;
    Handler handler_;
    ULONG references_ = 1;
    bool answersDispatch_ = true;
};

// Wide text of a VT_BSTR argument; "" for other types.
std::wstring TextOf(const Variant& value);

}  // namespace exl::test
