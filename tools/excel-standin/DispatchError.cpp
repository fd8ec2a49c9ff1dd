#include "DispatchError.h"

#include <oleauto.h>

namespace exl::standin {
namespace {

struct DeferredInfo {
    HRESULT scode;
    std::wstring description;
    std::wstring source;
};

BSTR MakeBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

HRESULT STDAPICALLTYPE FillDeferred(EXCEPINFO* info) {
    if (!info || !info->pvReserved) return E_INVALIDARG;
    auto* deferred = static_cast<DeferredInfo*>(info->pvReserved);
    info->pvReserved = nullptr;
    info->pfnDeferredFillIn = nullptr;
    info->scode = deferred->scode;
    info->bstrDescription = MakeBstr(deferred->description);
    info->bstrSource = MakeBstr(deferred->source);
    delete deferred;
    return S_OK;
}

}  // namespace

DispatchError DispatchError::Code(HRESULT hr) {
    DispatchError error;
    error.hr = hr;
    return error;
}

DispatchError DispatchError::Exception(HRESULT scode, const std::wstring& description, const std::wstring& source,
                                       bool deferred) {
    DispatchError error;
    error.hr = DISP_E_EXCEPTION;
    error.scode = scode;
    error.description = description;
    error.source = source;
    error.deferred = deferred;
    return error;
}

HRESULT DispatchError::Fill(EXCEPINFO* info, bool allowDeferred) const {
    if (hr != DISP_E_EXCEPTION || !info) return hr;
    *info = EXCEPINFO{};
    if (deferred) {
        info->pvReserved = new DeferredInfo{scode, description, source};
        info->pfnDeferredFillIn = &FillDeferred;
        if (!allowDeferred) FillDeferred(info);
    } else {
        info->scode = scode;
        info->bstrDescription = MakeBstr(description);
        info->bstrSource = MakeBstr(source);
    }
    return hr;
}

}  // namespace exl::standin
