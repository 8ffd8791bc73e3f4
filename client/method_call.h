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

#include <initializer_list>

#include "method_table.h"

namespace kelocli {

// One positional argument, described by value; strings are made into BSTRs only once the
// method's identifier is known.
class Argument {
  public:
    static Argument Short(short value);
    // A 32-bit host value (a coordinate) sent as its low 16 bits.
    static Argument LowShort(LONG value);
    static Argument Long(long value);
    // A window or device-context handle, sent as a 32-bit integer.
    static Argument Handle(const void* handle);
    static Argument Float(float value);
    static Argument Double(double value);
    // A wide string copied into a fresh BSTR for the call.
    static Argument Text(const wchar_t* text);
    // A BSTR sent as it is: neither copied nor freed.
    static Argument String(BSTR text);
    // A double the server writes through.
    static Argument DoubleOut(double* target);

    enum class Kind { Short, Long, Float, Double, Text, String, DoubleOut };
    Kind kind() const { return kind_; }

  private:
    friend class ArgumentList;
    explicit Argument(Kind kind) : kind_(kind) {}
    Kind kind_;
    union {
        short short_;
        long long_;
        float float_;
        double double_;
        const wchar_t* text_;
        BSTR string_;
        double* doubleOut_;
    };
};

// Finds the method's identifier: from the cache, or by one GetIDsOfNames that fills the cache.
// A failed lookup leaves the entry at -1 and returns the lookup's code.
HRESULT ResolveMethod(IDispatch* dispatch, DISPID* dispIds, Method method, DISPID* id);

// Invokes an identifier already resolved. `result` may be null (no result VARIANT is passed);
// otherwise it is initialised with a cleared value field before the call.
HRESULT InvokeMethod(IDispatch* dispatch, DISPID id, std::initializer_list<Argument> arguments,
                     VARIANT* result);

// ResolveMethod then InvokeMethod; returns 0 at once when `dispatch` is null.
HRESULT CallMethod(IDispatch* dispatch, DISPID* dispIds, Method method,
                   std::initializer_list<Argument> arguments, VARIANT* result);

}  // namespace kelocli

#endif
