// The server as an automation server: its registration, one process for every object, names
// and identifiers, and bad calls from a raw IDispatch client that it answers without going down.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <cstring>

#include "e2e_support.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::Files;
using Microsoft::WRL::ComPtr;

const CLSID kServerClass = {
    0xCF495723, 0x8632, 0x11CE, {0xBC, 0xAF, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x1B}};

TEST(Registration, NamesTheServerAsLocalServer) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CLASSES_ROOT,
                            L"CLSID\\{CF495723-8632-11CE-BCAF-000000001B1B}\\LocalServer32", 0,
                            KEY_READ, &key));
    wchar_t command[MAX_PATH * 2] = {};
    DWORD size = sizeof command;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, nullptr, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(command), &size));
    RegCloseKey(key);
    EXPECT_NE(nullptr, std::wcsstr(command, L"pimbaxsrv.exe\"")) << command;
    EXPECT_EQ(L'"', command[0]);
}

TEST(Process, OneServerProcessServesEveryDocument) {
    DocumentPtr first = e2e::OpenDocument(Files().Path("bmp24.bmp"));
    DocumentPtr second = e2e::OpenDocument(Files().Path("page.txt"));
    const DWORD server = e2e::ServerProcessOf(*first);
    EXPECT_NE(0u, server);
    EXPECT_NE(GetCurrentProcessId(), server);
    EXPECT_EQ(server, e2e::ServerProcessOf(*second));
    long process = 0;
    long thread = 0;
    second->GetProcessID(&process, &thread);
    EXPECT_NE(0, thread);
    // Each keeps its own document.
    EXPECT_EQ(1, first->IsRaster());
    EXPECT_EQ(1, second->IsEntity());
}

class RawClient : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoCreateInstance(kServerClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                         reinterpret_cast<void**>(dispatch_.GetAddressOf())));
    }

    DISPID Id(const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 12345;
        last_ = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
        return id;
    }

    // Invokes with the arguments in rgvarg order (the first argument first).
    HRESULT Call(DISPID id, std::vector<VARIANT> arguments, VARIANT* result = nullptr,
                 UINT* argumentError = nullptr) {
        DISPPARAMS parameters = {arguments.empty() ? nullptr : arguments.data(), nullptr,
                                 static_cast<UINT>(arguments.size()), 0};
        return dispatch_->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &parameters,
                                 result, nullptr, argumentError);
    }

    static VARIANT Short(short value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I2;
        v.iVal = value;
        return v;
    }
    static VARIANT Long(long value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
        return v;
    }

    ComPtr<IDispatch> dispatch_;
    HRESULT last_ = S_OK;
};

TEST_F(RawClient, NamesAreCaseInsensitiveAndNumberedByTheMethodTable) {
    EXPECT_EQ(1, Id(L"Open"));
    EXPECT_EQ(1, Id(L"OPEN"));
    EXPECT_EQ(15, Id(L"getfilename"));
    EXPECT_EQ(48, Id(L"SetPov"));
    EXPECT_EQ(53, Id(L"Test"));
    EXPECT_EQ(DISPID_UNKNOWN, Id(L"Print"));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, last_);
    EXPECT_EQ(DISPID_UNKNOWN, Id(L""));
    EXPECT_EQ(DISP_E_UNKNOWNNAME, last_);
}

TEST_F(RawClient, BadCallsAreAnsweredAndTheServerKeepsServing) {
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(0, {}, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(25, {}, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(999, {}, &result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(Id(L"Open"), {}, &result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(Id(L"Resize"), {Short(1), Short(2)}, &result));
    UINT bad = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(Id(L"Open"), {Short(3)}, &result, &bad));
    EXPECT_EQ(0u, bad);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"12");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(Id(L"Resize"), {Short(1), text, Short(0)}, &result, &bad));
    EXPECT_EQ(1u, bad);
    VariantClear(&text);
    EXPECT_EQ(DISP_E_OVERFLOW,
              Call(Id(L"Resize"), {Long(70000), Short(2), Short(0)}, &result, &bad));
    EXPECT_EQ(0u, bad);
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, Call(Id(L"CopyAs"), {missing}, &result));
    // GETPOV wants pointers to doubles.
    EXPECT_EQ(
        DISP_E_TYPEMISMATCH,
        Call(Id(L"GETPOV"), {Short(0), Short(0), Short(0), Short(0), Short(0), Short(0)}, &result));
    // Named arguments and other kinds of call.
    DISPID named = 0;
    VARIANT argument = Short(1);
    DISPPARAMS parameters = {&argument, &named, 1, 1};
    EXPECT_EQ(DISP_E_NONAMEDARGS, dispatch_->Invoke(Id(L"CopyAs"), IID_NULL, 0, DISPATCH_METHOD,
                                                    &parameters, &result, nullptr, nullptr));
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              dispatch_->Invoke(Id(L"IsRaster"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, &result,
                                nullptr, nullptr));

    // Still serving: a well-formed call answers as usual.
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"IsRaster"), {}, &result));
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(-1, result.iVal);
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"GetProcessID"), {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_NE(0, result.lVal);
}

TEST_F(RawClient, AcceptsOtherIntegerWidthsAndInputsByReference) {
    const std::string narrow = Files().Path("bmp24.bmp");
    const std::wstring path(narrow.begin(), narrow.end());
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(path.c_str());
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = &name;
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"Open"), {byReference}, &result));
    EXPECT_EQ(0, result.iVal);
    VariantClear(&name);
    LONG width = 20;
    VARIANT widthByReference;
    VariantInit(&widthByReference);
    widthByReference.vt = VT_BYREF | VT_I4;
    widthByReference.plVal = &width;
    VARIANT height;
    VariantInit(&height);
    height.vt = VT_UI1;
    height.bVal = 7;
    ASSERT_EQ(S_OK, Call(Id(L"Resize"), {widthByReference, height, Short(1)}, &result));
    EXPECT_EQ(0, result.iVal);
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"GetWidth"), {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(20, result.lVal);
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"GetDepth"), {}, &result));
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(24, result.iVal);
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"GetSectionName"), {}, &result));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_LE(SysStringLen(result.bstrVal), 19u);
    VariantClear(&result);
}

TEST_F(RawClient, NotifyProcessIdRefusesAProcessThatDoesNotExist) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(L"NotifyProcessID"), {Long(0x7FFFFFF0)}, &result));
    EXPECT_EQ(-5, result.iVal);
    ASSERT_EQ(S_OK, Call(Id(L"NotifyProcessID"), {Long(static_cast<long>(GetCurrentProcessId()))},
                         &result));
    EXPECT_EQ(0, result.iVal);
}

}  // namespace
