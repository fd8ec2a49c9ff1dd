#include "framework/Variant.h"

#include <climits>
#include <new>

namespace exl {

BSTR AnsiToBstr(const std::string& ansi) {
    if (ansi.size() > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
    const int length = static_cast<int>(ansi.size());
    // Single-byte code pages give one UTF-16 unit per byte; ask anyway so a
    // double-byte system code page converts correctly too.
    const int wide = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
    if (!text) throw std::bad_alloc();
    if (wide > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, text, wide);
    return text;
}

std::string BstrToAnsi(BSTR text) {
    if (!text) return std::string();
    const int wide = static_cast<int>(SysStringLen(text));
    if (wide == 0) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_ACP, 0, text, wide, &ansi[0], length, nullptr, nullptr);
    return ansi;
}

BSTR* Bstr::Put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
}

SafeArray& SafeArray::operator=(SafeArray&& other) noexcept {
    if (this != &other) {
        Reset();
        array_ = other.Detach();
    }
    return *this;
}

SAFEARRAY* SafeArray::Detach() {
    SAFEARRAY* array = array_;
    array_ = nullptr;
    return array;
}

void SafeArray::Reset() {
    if (array_) SafeArrayDestroy(array_);
    array_ = nullptr;
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&value_);
        value_ = other.value_;
        VariantInit(&other.value_);
    }
    return *this;
}

Variant Variant::Text(const std::string& ansi) {
    Variant result;
    result.value_.bstrVal = AnsiToBstr(ansi);
    result.value_.vt = VT_BSTR;
    return result;
}

Variant Variant::Boolean(bool value) {
    Variant result;
    result.value_.vt = VT_BOOL;
    result.value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

Variant Variant::Int16(std::int16_t value) {
    Variant result;
    result.value_.vt = VT_I2;
    result.value_.iVal = value;
    return result;
}

Variant Variant::Missing() {
    Variant result;
    result.value_.vt = VT_ERROR;
    result.value_.scode = DISP_E_PARAMNOTFOUND;
    return result;
}

Variant Variant::Array(SafeArray array) {
    Variant result;
    result.value_.parray = array.Detach();
    result.value_.vt = VT_ARRAY | VT_VARIANT;
    return result;
}

VARIANT* Variant::Put() {
    VariantClear(&value_);
    return &value_;
}

HRESULT Variant::ChangeType(VARTYPE type) {
    if (value_.vt == type) return S_OK;
    return VariantChangeType(&value_, &value_, 0, type);
}

IDispatch* Variant::DetachDispatch() {
    if (value_.vt != VT_DISPATCH) return nullptr;
    IDispatch* dispatch = value_.pdispVal;
    VariantInit(&value_);
    return dispatch;
}

}  // namespace exl
