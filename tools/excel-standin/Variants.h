#pragma once
// VARIANTs of the shapes automation clients pass; the caller clears them.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace exl::standin {

VARIANT TextVariant(const std::wstring& text);  // VT_BSTR, embedded nulls kept
VARIANT ShortVariant(short value);              // VT_I2
VARIANT LongVariant(long value);                // VT_I4
VARIANT BoolVariant(bool value);                // VT_BOOL: VARIANT_TRUE or VARIANT_FALSE
VARIANT MissingVariant();                       // VT_ERROR with DISP_E_PARAMNOTFOUND

}  // namespace exl::standin
