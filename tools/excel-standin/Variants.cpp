#include "Variants.h"

#include <oleauto.h>

namespace exl::standin {
namespace {

VARIANT Typed(VARTYPE type) {
    VARIANT value;
    VariantInit(&value);
    value.vt = type;
    return value;
}

}  // namespace

VARIANT TextVariant(const std::wstring& text) {
    VARIANT value = Typed(VT_BSTR);
    value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return value;
}

VARIANT ShortVariant(short number) {
    VARIANT value = Typed(VT_I2);
    value.iVal = number;
    return value;
}

VARIANT LongVariant(long number) {
    VARIANT value = Typed(VT_I4);
    value.lVal = number;
    return value;
}

VARIANT BoolVariant(bool flag) {
    VARIANT value = Typed(VT_BOOL);
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

VARIANT MissingVariant() {
    VARIANT value = Typed(VT_ERROR);
    value.scode = DISP_E_PARAMNOTFOUND;
    return value;
}

}  // namespace exl::standin
