#include "dispatch/arguments.h"

#include <climits>

#include "dispatch/host_strings.h"
#include "budgets.h"

namespace pimbax {

namespace {

using kelocli::Wire;

// The integer value of a variant of an integer type; false for any other type.
bool ReadInteger(VARTYPE type, const void* value, long long* integer, bool* unsigned32) {
    *unsigned32 = false;
    switch (type) {
        case VT_I1:
            *integer = *static_cast<const signed char*>(value);
            return true;
        case VT_UI1:
            *integer = *static_cast<const unsigned char*>(value);
            return true;
        case VT_I2:
            *integer = *static_cast<const SHORT*>(value);
            return true;
        case VT_UI2:
            *integer = *static_cast<const USHORT*>(value);
            return true;
        case VT_I4:
        case VT_INT:
            *integer = *static_cast<const LONG*>(value);
            return true;
        case VT_UI4:
        case VT_UINT:
            *integer = *static_cast<const ULONG*>(value);
            *unsigned32 = true;
            return true;
        case VT_I8:
            *integer = *static_cast<const LONGLONG*>(value);
            return true;
        case VT_UI8: {
            const ULONGLONG big = *static_cast<const ULONGLONG*>(value);
            *integer =
                big > static_cast<ULONGLONG>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(big);
            return true;
        }
        default:
            return false;
    }
}

HRESULT ReadArgument(const VARIANT& given, Wire kind, int i, Arguments& out) {
    const VARIANT* variant = &given;
    if (variant->vt == (VT_BYREF | VT_VARIANT)) {
        if (variant->pvarVal == nullptr) return DISP_E_TYPEMISMATCH;
        variant = variant->pvarVal;
    }
    const VARTYPE type = variant->vt;
    if (kind == Wire::DoubleOut) {
        if (type != (VT_BYREF | VT_R8) || variant->pdblVal == nullptr) return DISP_E_TYPEMISMATCH;
        out.out[i] = variant->pdblVal;
        return S_OK;
    }
    if (type == VT_ERROR && variant->scode == DISP_E_PARAMNOTFOUND) return DISP_E_PARAMNOTFOUND;
    const bool byReference = (type & VT_BYREF) != 0;
    const VARTYPE base = type & ~VT_BYREF;
    if ((type & (VT_ARRAY | VT_VECTOR)) != 0 || (byReference && variant->byref == nullptr)) {
        return DISP_E_TYPEMISMATCH;
    }
    const void* value = byReference ? variant->byref : static_cast<const void*>(&variant->llVal);

    if (kind == Wire::Text || kind == Wire::Name) {
        if (base != VT_BSTR) return DISP_E_TYPEMISMATCH;
        const BSTR text = *static_cast<const BSTR*>(value);
        const std::size_t length = text == nullptr ? 0 : SysStringLen(text);
        out.cut[i] = kind == Wire::Name && length > kMaxHostNameUnits;
        out.text[i] = FromHostUnits(text == nullptr ? L"" : text, length);
        return S_OK;
    }
    const bool real = kind == Wire::Float || kind == Wire::Double;
    if (real && (base == VT_R4 || base == VT_R8)) {
        out.real[i] =
            base == VT_R4 ? *static_cast<const float*>(value) : *static_cast<const double*>(value);
        return S_OK;
    }
    long long integer = 0;
    bool unsigned32 = false;
    if (!ReadInteger(base, value, &integer, &unsigned32)) return DISP_E_TYPEMISMATCH;
    if (real) {
        out.real[i] = static_cast<double>(integer);
    } else if (kind == Wire::Short) {
        if (integer < SHRT_MIN || integer > SHRT_MAX) return DISP_E_OVERFLOW;
    } else {
        if (unsigned32) integer = static_cast<LONG>(static_cast<ULONG>(integer));
        if (integer < LONG_MIN || integer > LONG_MAX) return DISP_E_OVERFLOW;
    }
    out.integer[i] = integer;
    return S_OK;
}

}  // namespace

HRESULT ReadArguments(const kelocli::MethodInfo& method, const DISPPARAMS& parameters,
                      Arguments& out, UINT* argumentError) {
    for (int i = 0; i < method.argumentCount; ++i) {
        const HRESULT read = ReadArgument(parameters.rgvarg[i], method.arguments[i], i, out);
        if (FAILED(read)) {
            if (argumentError != nullptr) *argumentError = static_cast<UINT>(i);
            return read;
        }
    }
    return S_OK;
}

}  // namespace pimbax
