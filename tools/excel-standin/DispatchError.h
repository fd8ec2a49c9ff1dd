#pragma once
// How a member of the stand-in fails: a plain HRESULT, or DISP_E_EXCEPTION with
// exception information, filled at once or left to the deferred fill-in.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace exl::standin {

inline constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);  // Excel's run-time error 1004
inline constexpr wchar_t kExcelSource[] = L"Microsoft Excel";

struct DispatchError {
    HRESULT hr = E_FAIL;  // DISP_E_EXCEPTION when the fields below apply
    HRESULT scode = 0;
    std::wstring description;
    std::wstring source;
    bool deferred = false;

    static DispatchError Code(HRESULT hr);
    static DispatchError Exception(HRESULT scode, const std::wstring& description,
                                   const std::wstring& source = kExcelSource, bool deferred = false);
    // Fills `info` (when given) and answers the HRESULT Invoke returns. A deferred
    // exception leaves scode and texts empty and names the fill-in, which owns
    // the texts until it runs; without allowDeferred the fill-in runs at once.
    HRESULT Fill(EXCEPINFO* info, bool allowDeferred) const;
};

}  // namespace exl::standin
