// The server as an automation server: its registration, one process for every object, the
// protocol table as the server answers it, bad calls from a raw IDispatch client that it answers
// without going down, and calls of one client going on while another's call works at length.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwctype>
#include <thread>

#include "e2e_support.h"
#include "method_table.h"
#include "unique_resource.h"

namespace {

const testing::Environment* const keeper = testing::AddGlobalTestEnvironment(e2e::ServerKeeper());

using e2e::DocumentPtr;
using e2e::Files;
using Microsoft::WRL::ComPtr;

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
        ASSERT_EQ(S_OK, CoCreateInstance(kelocli::kServerClassId, nullptr, CLSCTX_LOCAL_SERVER,
                                         IID_IDispatch,
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

// Every name of the protocol table, in any case, has the table's identifier; a call with the
// table's argument types is taken and answers the table's type, one argument fewer is a wrong
// count, and an argument of another type is reported at its index.
TEST_F(RawClient, AnswersTheProtocolTable) {
    for (std::size_t m = 0; m < kelocli::MethodCount(); ++m) {
        const kelocli::MethodInfo& method = kelocli::MethodInfos()[m];
        std::wstring lower = method.name;
        for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
        const DISPID id = Id(lower.c_str());
        ASSERT_EQ(static_cast<DISPID>(method.method), Id(method.name)) << lower;
        ASSERT_EQ(static_cast<DISPID>(method.method), id) << lower;
        double out[kelocli::kMostArguments] = {};
        std::vector<VARIANT> arguments(static_cast<std::size_t>(method.argumentCount));
        for (int i = 0; i < method.argumentCount; ++i) {
            VARIANT& v = arguments[static_cast<std::size_t>(i)];
            VariantInit(&v);
            v.vt = kelocli::WireType(method.arguments[i]);
            if (v.vt == VT_BSTR) v.bstrVal = nullptr;  // the empty string
            if (v.vt == (VT_BYREF | VT_R8)) v.pdblVal = &out[i];
        }
        VARIANT result;
        VariantInit(&result);
        const HRESULT taken = Call(id, arguments, &result);
        EXPECT_NE(DISP_E_TYPEMISMATCH, taken) << lower;
        EXPECT_NE(DISP_E_BADPARAMCOUNT, taken) << lower;
        EXPECT_NE(DISP_E_MEMBERNOTFOUND, taken) << lower;
        const VARTYPE answers[] = {VT_EMPTY, VT_I2, VT_I4, VT_BSTR};
        if (SUCCEEDED(taken)) {
            EXPECT_EQ(answers[static_cast<int>(method.answer)], result.vt) << lower;
        }
        VariantClear(&result);
        if (method.argumentCount == 0) continue;
        std::vector<VARIANT> fewer(arguments.begin(), arguments.end() - 1);
        EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(id, fewer, &result)) << lower;
        VARIANT& last = arguments.back();
        last.vt = VT_DISPATCH;
        last.pdispVal = nullptr;
        UINT bad = 99;
        EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(id, arguments, &result, &bad)) << lower;
        EXPECT_EQ(static_cast<UINT>(method.argumentCount - 1), bad) << lower;
    }
    EXPECT_EQ(DISPID_UNKNOWN, Id(L"Print"));
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

// Objects are locked one by one: while one client's drawing, resized to the largest size, is
// published (drawn into its section at the largest size the budget allows), another client's
// calls each answer within 100 ms.
TEST(Concurrency, AnotherClientsCallsAnswerWhileALargeDrawingIsPublished) {
    DocumentPtr mine = e2e::OpenDocument(Files().Path("bmp8.bmp"));
    e2e::MemoryTarget target(26, 18);
    Huey view(mine.get());
    view.AttachWindow(nullptr, target.Dc());
    RECT source = {0, 0, 13, 9};
    RECT area = {0, 0, 26, 18};
    const std::string other = Files().Path("png8.png");
    const char* const labels[] = {"GetInfo", "Paint", "GetSectionName", "Open"};
    // Four calls of a host; the slowest of each kind is kept.
    auto round = [&](DWORD slowest[4]) {
        char name[20] = {};
        long width = 0;
        const DWORD times[] = {
            e2e::Timed([&] { mine->GetInfo(&width, nullptr, nullptr, nullptr, nullptr); }),
            e2e::Timed([&] { view.Paint(&source, &area); }),
            e2e::Timed([&] { mine->GetSectionName(name); }),
            e2e::Timed([&] { mine->Open(const_cast<char*>(other.c_str())); }),
        };
        for (int i = 0; i < 4; ++i) slowest[i] = std::max(slowest[i], times[i]);
    };
    DWORD warm[4] = {};
    round(warm);  // the first paint loads the painting helper into this process

    std::atomic<bool> ready{false};
    std::atomic<bool> publishing{true};
    short published = -100;
    BITMAPINFOHEADER header = {};
    std::thread large([&] {
        DocumentPtr drawing = e2e::OpenDocument(Files().Path("drawing.emf"));
        char name[20] = {};
        drawing->GetSectionName(name);  // the playback helper is up
        ready = true;
        drawing->Resize(32767, 32767, 0);
        published = drawing->GetSectionName(name);
        publishing = false;
        const kelocli::UniqueHandle section(OpenFileMappingA(FILE_MAP_READ, FALSE, name));
        const kelocli::UniqueView view(MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 40));
        if (view) std::memcpy(&header, view.Get(), sizeof header);
    });
    while (!ready) Sleep(1);
    DWORD slowest[4] = {};
    int rounds = 0;
    for (; publishing; ++rounds) round(slowest);
    large.join();
    for (int i = 0; i < 4; ++i) {
        std::printf("%d rounds during the publication: %s at most %lu ms\n", rounds, labels[i],
                    slowest[i]);
        EXPECT_LE(slowest[i], 100u) << labels[i];
    }
    EXPECT_EQ(0, published);
    EXPECT_GE(rounds, 2);
    // Published at the largest size of its aspect within 64 MiB, its resolution lowered as much.
    const std::uint64_t bytes = (static_cast<std::uint64_t>(header.biWidth) * 3 + 3) / 4 * 4 *
                                static_cast<std::uint64_t>(header.biHeight);
    EXPECT_LE(bytes, 64ull << 20);
    EXPECT_GT(bytes, 62ull << 20);
    EXPECT_EQ(header.biWidth, header.biHeight);
    EXPECT_NEAR(3780.0 * header.biWidth / 32767, header.biXPelsPerMeter, 2.0);
}

}  // namespace
