// The one call mechanism behind every server method.
//
// A call looks the method's name up on first use (caching the identifier in the Louie's DISPID
// cache), turns the arguments into VARIANTs with rgvarg[0] holding the FIRST argument, invokes it
// with DISPATCH_METHOD and locale 0x0800, and frees the strings it made, whatever the outcome.
// Without a server (null dispatch) it returns 0 at once and touches nothing.
#ifndef KELOCLI_CLIENT_METHOD_CALL_H
#define KELOCLI_CLIENT_METHOD_CALL_H

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "method_table.h"

namespace kelocli {

// One positional argument: the type and value field of the VARIANT it travels as, built in place
// where the member names it. A string to copy is made into a BSTR only once the method's
// identifier is known.
class Argument {
  public:
    static Argument Short(short value) {
        return Argument(VT_I2, static_cast<std::uint16_t>(value));
    }
    // A 32-bit host value (a coordinate) sent as its low 16 bits.
    static Argument LowShort(LONG value) { return Short(static_cast<short>(value & 0xFFFF)); }
    static Argument Long(long value) { return Argument(VT_I4, static_cast<std::uint32_t>(value)); }
    // A window or device-context handle, sent as a 32-bit integer: handles shared between
    // processes keep their value in their low 32 bits.
    static Argument Handle(const void* handle) {
        return Long(static_cast<long>(reinterpret_cast<INT_PTR>(handle)));
    }
    static Argument Float(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return Argument(VT_R4, bits);
    }
    static Argument Double(double value) {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return Argument(VT_R8, bits);
    }
    // A wide string copied into a fresh BSTR for the call.
    static Argument Text(const wchar_t* text) {
        Argument argument(VT_BSTR, 0);
        argument.copy_ = text;
        return argument;
    }
    // A BSTR sent as it is: neither copied nor freed.
    static Argument String(BSTR text) { return Argument(VT_BSTR, Bits(text)); }
    // A double the server writes through.
    static Argument DoubleOut(double* target) { return Argument(VT_BYREF | VT_R8, Bits(target)); }

  private:
    friend class ArgumentList;
    // Each part is written and read at its own width, so that the call reads back what the
    // member just stored without waiting.
    Argument(VARTYPE type, std::uint64_t bits) : type_(type), bits_(bits) {}
    static std::uint64_t Bits(const void* pointer) { return reinterpret_cast<UINT_PTR>(pointer); }
    VARTYPE type_;
    std::uint64_t bits_;             // the value field's first 8 bytes
    const wchar_t* copy_ = nullptr;  // Text: what the BSTR is made from
};

// Looks the method's name up by one GetIDsOfNames and fills its cache entry. A failed lookup
// leaves the entry at -1 and returns the lookup's code.
HRESULT LookUpMethod(IDispatch* dispatch, DISPID* dispIds, Method method, DISPID* id);

// Finds the method's identifier: from the cache, or by LookUpMethod. Inline, so that a call whose
// identifier is cached goes straight from the member to the Invoke.
inline HRESULT ResolveMethod(IDispatch* dispatch, DISPID* dispIds, Method method, DISPID* id) {
    const DISPID cached = dispIds[static_cast<int>(method)];
    if (cached == -1) return LookUpMethod(dispatch, dispIds, method, id);
    *id = cached;
    return S_OK;
}

// Invokes an identifier already resolved. `result` may be null (no result VARIANT is passed);
// otherwise it is initialised with a cleared value field before the call.
HRESULT InvokeMethod(IDispatch* dispatch, DISPID id, std::initializer_list<Argument> arguments,
                     VARIANT* result);

// ResolveMethod then InvokeMethod; returns 0 at once when `dispatch` is null.
inline HRESULT CallMethod(IDispatch* dispatch, DISPID* dispIds, Method method,
                          std::initializer_list<Argument> arguments, VARIANT* result) {
    if (dispatch == nullptr) return S_OK;
    DISPID id;
    const HRESULT lookup = ResolveMethod(dispatch, dispIds, method, &id);
    if (FAILED(lookup)) return lookup;
    return InvokeMethod(dispatch, id, arguments, result);
}

}  // namespace kelocli

#endif
