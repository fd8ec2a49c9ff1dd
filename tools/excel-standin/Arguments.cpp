#include "Arguments.h"

#include <oleauto.h>

#include <cwchar>

#include "DispatchError.h"
#include "Text.h"

namespace exl::standin {
namespace {

const VARIANT* Follow(const VARIANT* value) {
    while (value && value->vt == (VT_BYREF | VT_VARIANT)) value = value->pvarVal;
    return value;
}

bool IsMissing(const VARIANT* value) {
    return !value || (value->vt == VT_ERROR && value->scode == DISP_E_PARAMNOTFOUND) ||
           (value->vt == (VT_BYREF | VT_ERROR) && value->pscode && *value->pscode == DISP_E_PARAMNOTFOUND);
}

// Changes `value` to `type` as Excel's type library would; throws on failure.
void Coerce(const VARIANT& value, VARTYPE type, VARIANT& out) {
    VariantInit(&out);
    if (IsMissing(&value) || FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&value), 0, type)))
        throw DispatchError::Code(DISP_E_TYPEMISMATCH);
}

}  // namespace

size_t Arguments::Count() const { return params_.cArgs - params_.cNamedArgs; }

const VARIANT* Arguments::At(size_t i) const {
    if (i >= Count()) return nullptr;
    const VARIANT* value = Follow(&params_.rgvarg[params_.cArgs - 1 - i]);
    return IsMissing(value) ? nullptr : value;
}

const VARIANT* Arguments::PutValue() const {
    for (UINT i = 0; i < params_.cNamedArgs; ++i)
        if (params_.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) return Follow(&params_.rgvarg[i]);
    return nullptr;
}

void Arguments::Expect(size_t least, size_t most) const {
    if (Count() > most) throw DispatchError::Code(DISP_E_BADPARAMCOUNT);
    for (size_t i = 0; i < least; ++i)
        if (!At(i)) throw DispatchError::Code(DISP_E_PARAMNOTFOUND);
}

std::wstring Arguments::Text(const VARIANT& value) {
    VARIANT converted;
    Coerce(value, VT_BSTR, converted);
    std::wstring text(converted.bstrVal ? converted.bstrVal : L"", SysStringLen(converted.bstrVal));
    VariantClear(&converted);
    return text;
}

long Arguments::Long(const VARIANT& value) {
    VARIANT converted;
    Coerce(value, VT_I4, converted);
    return converted.lVal;
}

double Arguments::Number(const VARIANT& value) {
    VARIANT converted;
    Coerce(value, VT_R8, converted);
    return converted.dblVal;
}

bool Arguments::Bool(const VARIANT& value) {
    VARIANT converted;
    Coerce(value, VT_BOOL, converted);
    return converted.boolVal != VARIANT_FALSE;
}

std::wstring QuoteText(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': quoted += L"\\\\"; break;
        case L'"': quoted += L"\\\""; break;
        case L'\n': quoted += L"\\n"; break;
        case L'\r': quoted += L"\\r"; break;
        case L'\t': quoted += L"\\t"; break;
        default:
            if (c < 0x20) {
                wchar_t escape[8];
                std::swprintf(escape, 8, L"\\x%02X", static_cast<unsigned>(c));
                quoted += escape;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + L"\"";
}

namespace {

// "array 4x1": rows x columns (one number for one dimension); " from 0,0" when a
// lower bound is not 1; "array:VT8" for elements other than VARIANTs.
std::wstring RenderArray(VARTYPE elements, SAFEARRAY* array) {
    std::wstring text = elements == VT_VARIANT ? L"array" : L"array:VT" + std::to_wstring(elements);
    if (!array) return text + L" null";
    std::wstring sizes, bases;
    bool oneBased = true;
    for (UINT dimension = 1; dimension <= SafeArrayGetDim(array); ++dimension) {
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(array, dimension, &lower);
        SafeArrayGetUBound(array, dimension, &upper);
        sizes += (dimension > 1 ? L"x" : L"") + std::to_wstring(upper - lower + 1);
        bases += (dimension > 1 ? L"," : L"") + std::to_wstring(lower);
        oneBased = oneBased && lower == 1;
    }
    return text + L" " + sizes + (oneBased ? L"" : L" from " + bases);
}

}  // namespace

std::wstring RenderArgument(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT)) return L"&" + RenderArgument(*value.pvarVal);
    if (value.vt & VT_ARRAY) {
        bool byReference = value.vt & VT_BYREF;
        SAFEARRAY* array = byReference ? (value.pparray ? *value.pparray : nullptr) : value.parray;
        return (byReference ? L"&" : L"") + RenderArray(value.vt & VT_TYPEMASK, array);
    }
    switch (value.vt) {
    case VT_BSTR: return QuoteText(std::wstring(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal)));
    case VT_I2: return L"I2:" + std::to_wstring(value.iVal);
    case VT_I4: return L"I4:" + std::to_wstring(value.lVal);
    case VT_BOOL:
        return value.boolVal == VARIANT_TRUE    ? L"true"
               : value.boolVal == VARIANT_FALSE ? L"false"
                                                : L"BOOL:" + std::to_wstring(value.boolVal);
    case VT_ERROR: return value.scode == DISP_E_PARAMNOTFOUND ? L"missing" : L"ERROR:" + HexCode(value.scode);
    case VT_EMPTY: return L"empty";
    case VT_DISPATCH: return L"dispatch";
    default: return (value.vt & VT_BYREF ? L"&VT" : L"VT") + std::to_wstring(value.vt & ~VT_BYREF);
    }
}

std::wstring RenderCall(const std::wstring& kind, const std::wstring& member, WORD flags, const DISPPARAMS& params) {
    std::wstring line = kind + L"." + member + L" ";
    static const struct {
        WORD flag;
        const wchar_t* name;
    } kFlags[] = {{DISPATCH_METHOD, L"method"},
                  {DISPATCH_PROPERTYGET, L"get"},
                  {DISPATCH_PROPERTYPUT, L"put"},
                  {DISPATCH_PROPERTYPUTREF, L"putref"}};
    bool first = true;
    for (const auto& entry : kFlags) {
        if (!(flags & entry.flag)) continue;
        line += (first ? L"" : L"|") + std::wstring(entry.name);
        first = false;
    }
    if (first) line += L"none";
    if (!params.rgvarg) return line;
    for (UINT i = params.cArgs; i-- > params.cNamedArgs;) line += L" " + RenderArgument(params.rgvarg[i]);
    for (UINT i = 0; i < params.cNamedArgs && params.rgdispidNamedArgs; ++i) {
        if (params.rgdispidNamedArgs[i] != DISPID_PROPERTYPUT)
            line += L" #" + std::to_wstring(params.rgdispidNamedArgs[i]) + L"=" + RenderArgument(params.rgvarg[i]);
    }
    for (UINT i = 0; i < params.cNamedArgs && params.rgdispidNamedArgs; ++i) {
        if (params.rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) line += L" " + RenderArgument(params.rgvarg[i]);
    }
    return line;
}

}  // namespace exl::standin
