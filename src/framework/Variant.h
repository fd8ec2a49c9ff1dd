#pragma once
// Holders for the automation value types, so no caller ever frees a BSTR or
// clears a VARIANT by hand, and the conversions of ANSI text to and from BSTR.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <vector>

namespace exl {

// ANSI text (the system's ANSI code page) to a new BSTR of the same characters; the
// caller owns it. Embedded NULs are kept. Throws std::bad_alloc when out of memory.
BSTR AnsiToBstr(const std::string& ansi);
// A BSTR back to ANSI (its whole length, by the length prefix); characters without an
// ANSI form become the code page's default character. A null BSTR gives "".
std::string BstrToAnsi(BSTR text);

// Owns one BSTR (null allowed, which COM treats as "").
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR owned) : text_(owned) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return text_; }
    // For out-parameters: frees the held text and hands out the slot.
    BSTR* Put();

private:
    BSTR text_ = nullptr;
};

// Owns one SAFEARRAY and destroys it, elements included, when replaced or destroyed.
class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* owned) : array_(owned) {}
    ~SafeArray() { Reset(); }
    SafeArray(SafeArray&& other) noexcept : array_(other.Detach()) {}
    SafeArray& operator=(SafeArray&& other) noexcept;
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* Get() const { return array_; }
    // Hands the array over to the caller, who destroys it; this holds none after.
    SAFEARRAY* Detach();

private:
    void Reset();

    SAFEARRAY* array_ = nullptr;
};

// Owns one VARIANT and clears it when replaced or destroyed.
class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    // VT_BSTR of ANSI text.
    static Variant Text(const std::string& ansi);
    // VT_BOOL as VARIANT_TRUE or VARIANT_FALSE.
    static Variant Boolean(bool value);
    // VT_I2.
    static Variant Int16(std::int16_t value);
    // An optional argument left out: VT_ERROR holding DISP_E_PARAMNOTFOUND.
    static Variant Missing();
    // VT_ARRAY | VT_VARIANT; the variant takes the array over.
    static Variant Array(SafeArray array);

    const VARIANT& Get() const { return value_; }
    VARTYPE Type() const { return value_.vt; }
    // For out-parameters: clears the held value and hands out the slot.
    VARIANT* Put();
    // Coerces in place; the COM status of the coercion.
    HRESULT ChangeType(VARTYPE type);
    // Hands over the IDispatch of a VT_DISPATCH value (caller owns it, may be null)
    // and leaves this empty. nullptr for any other type.
    IDispatch* DetachDispatch();

private:
    VARIANT value_;
};

}  // namespace exl
