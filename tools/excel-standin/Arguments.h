#pragma once
// The arguments of one Invoke in the caller's order, with Excel-like coercion,
// and their rendering for the call log.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace exl::standin {

class Arguments {
public:
    explicit Arguments(const DISPPARAMS& params) : params_(params) {}

    // Positional arguments (without the value of a property put).
    size_t Count() const;
    // Positional argument i (0 = first in the caller's order), by-reference
    // variants followed; nullptr when absent or passed as "missing".
    const VARIANT* At(size_t i) const;
    // The DISPID_PROPERTYPUT value, nullptr when the call carries none.
    const VARIANT* PutValue() const;

    // Throws DISP_E_BADPARAMCOUNT for more than `most` positional arguments and
    // DISP_E_PARAMNOTFOUND when one of the first `least` is absent or missing.
    void Expect(size_t least, size_t most) const;
    // Coerced values of a present argument; DISP_E_TYPEMISMATCH when they do not convert.
    static std::wstring Text(const VARIANT& value);
    static long Long(const VARIANT& value);
    static bool Bool(const VARIANT& value);
    static double Number(const VARIANT& value);

private:
    const DISPPARAMS& params_;
};

// "Kind.Member flags args" as the call log keeps it (format in main.cpp).
std::wstring RenderCall(const std::wstring& kind, const std::wstring& member, WORD flags, const DISPPARAMS& params);
std::wstring RenderArgument(const VARIANT& value);
// "text" with backslash, double quote and control characters escaped.
std::wstring QuoteText(const std::wstring& text);

}  // namespace exl::standin
