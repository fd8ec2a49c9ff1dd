#include "FakeDispatch.h"

namespace exl::test {

FakeDispatch::FakeDispatch(FakeWorld& world, std::string name, Handler handler)
    : world_(world), name_(std::move(name)), handler_(std::move(handler)) {
    ++world_.liveObjects;
}

FakeDispatch::~FakeDispatch() {
    --world_.liveObjects;
    world_.finalReleases.push_back(name_);
}

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || (answersDispatch_ && IsEqualIID(iid, IID_IDispatch))) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG FakeDispatch::AddRef() { return ++references_; }

ULONG FakeDispatch::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT FakeDispatch::Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* parameters,
                             VARIANT* result, EXCEPINFO* exception, UINT*) {
    RecordedInvoke call;
    call.object = name_;
    call.member = member;
    call.iid = iid;
    call.lcid = lcid;
    call.flags = flags;
    call.wantsResult = result != nullptr;
    if (parameters) {
        const UINT named = parameters->cNamedArgs;
        for (UINT i = 0; i < named; ++i) {
            call.named.push_back(parameters->rgdispidNamedArgs[i]);
            Variant copy;
            VariantCopy(copy.Put(), &parameters->rgvarg[i]);
            call.namedValues.push_back(std::move(copy));
        }
        // Positional arguments follow the named ones in rgvarg, last argument first.
        for (UINT i = parameters->cArgs; i > named; --i) {
            Variant copy;
            VariantCopy(copy.Put(), &parameters->rgvarg[i - 1]);
            call.arguments.push_back(std::move(copy));
        }
    }
    // Kept alive across the handler, which may make this object die.
    AddRef();
    HRESULT status = handler_ ? handler_(call, result, exception) : S_OK;
    world_.calls.push_back(std::move(call));
    Release();
    return status;
}

std::wstring TextOf(const Variant& value) {
    return value.Type() == VT_BSTR ? BstrToWide(value.Get().bstrVal) : std::wstring();
}

}  // namespace exl::test
