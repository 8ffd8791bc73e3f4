// A scriptable stand-in for the image server, for tests.
//
// A ScriptedServer registers a class factory for the server's class identifier in the test's own
// process (CoRegisterClassObject, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE), so that the library's
// real CoCreateInstance reaches it directly. Every object it makes answers the server's method
// names with fixed identifiers, records each lookup and each Invoke, and answers from a script of
// replies per method name. Unscripted methods succeed with an empty answer.
#ifndef KELOCLI_TESTS_SCRIPTED_SERVER_H
#define KELOCLI_TESTS_SCRIPTED_SERVER_H

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

namespace testsupport {

// The identifier every object gives a method name (case-insensitive): a fixed value per name, far
// from the library's cache entries so that a test sees which one was used. -1 for unknown names.
DISPID ScriptedDispId(const std::wstring& name);

// One argument as Invoke saw it.
struct SeenArgument {
    VARTYPE type = VT_EMPTY;
    LONGLONG bits = 0;           // the value field's first 8 bytes (iVal, lVal, fltVal, dblVal ...)
    std::wstring text;           // for VT_BSTR: the string's units, SysStringLen of them
    bool nullText = false;       // for VT_BSTR: the BSTR was null
    BSTR textPointer = nullptr;  // for VT_BSTR: the pointer itself
    double* target = nullptr;    // for VT_BYREF | VT_R8

    short AsShort() const { return static_cast<short>(bits & 0xFFFF); }
    long AsLong() const { return static_cast<long>(bits & 0xFFFFFFFF); }
    float AsFloat() const;
    double AsDouble() const;
};

// One Invoke as the server object saw it.
struct SeenCall {
    std::wstring method;  // the name the identifier belongs to
    DISPID id = 0;
    std::vector<SeenArgument> arguments;  // in rgvarg order
    UINT argumentCount = 0;               // cArgs
    UINT namedCount = 0;                  // cNamedArgs
    bool namedIdsNull = true;
    bool argumentsNull = true;  // rgvarg was null
    LCID locale = 0;
    WORD flags = 0;
    bool resultRequested = false;  // a result VARIANT was passed
    bool iidNull = true;
    bool exceptionInfoNull = true;
    bool argumentErrorNull = true;
};

// A scripted answer: the HRESULT of Invoke, the result VARIANT's type and value field, and
// doubles to write through the by-reference arguments in rgvarg order.
struct Reply {
    HRESULT code = S_OK;
    VARTYPE type = VT_EMPTY;
    LONGLONG bits = 0;
    std::wstring text;      // for VT_BSTR results
    bool nullText = false;  // VT_BSTR with a null string
    std::vector<double> writeThrough;

    static Reply Short(short value);
    static Reply Long(long value);
    static Reply Text(const std::wstring& text);
    static Reply Failure(HRESULT code);
    static Reply Doubles(std::vector<double> values, short result = 0);
};

class ScriptedServer {
  public:
    // Registers the class factory; the calling thread must be initialised for COM.
    ScriptedServer();
    // Revokes it. Objects still held by the library keep working until released.
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Every later call of `method` answers `reply`.
    void Answer(const std::wstring& method, const Reply& reply);
    // The next calls of `method` answer these replies in turn; afterwards the standing reply.
    void AnswerNext(const std::wstring& method, const std::vector<Reply>& replies);
    // Lookups of `method` fail with `code` (DISP_E_UNKNOWNNAME by default) until Allow is called.
    void RefuseLookup(const std::wstring& method, HRESULT code = DISP_E_UNKNOWNNAME);
    void AllowLookup(const std::wstring& method);
    // Object creation fails with `code` (S_OK lets it succeed again); with `times`, only the next
    // that many creations fail.
    void FailCreation(HRESULT code, int times = -1);
    int CreationAttempts() const { return attempts_; }

    const std::vector<std::wstring>& Lookups() const { return lookups_; }
    const std::vector<SeenCall>& Calls() const { return calls_; }
    std::vector<SeenCall> CallsOf(const std::wstring& method) const;
    // Names of the calls, in order.
    std::vector<std::wstring> CallNames() const;
    int ObjectsCreated() const { return created_; }
    int ObjectsAlive() const { return alive_; }
    // Forgets what was seen (not the script).
    void ClearRecords();

  private:
    friend class ScriptedObject;
    friend class ScriptedFactory;
    HRESULT Lookup(const std::wstring& name, DISPID* id);
    HRESULT Call(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

    std::map<std::wstring, Reply> standing_;
    std::map<std::wstring, std::vector<Reply>> queued_;
    std::map<std::wstring, HRESULT> refused_;
    HRESULT creationFailure_ = S_OK;
    int failuresLeft_ = -1;
    int attempts_ = 0;
    std::vector<std::wstring> lookups_;
    std::vector<SeenCall> calls_;
    int created_ = 0;
    int alive_ = 0;
    IClassFactory* factory_ = nullptr;
    DWORD cookie_ = 0;
};

}  // namespace testsupport

#endif
