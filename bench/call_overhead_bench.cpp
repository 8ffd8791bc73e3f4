// The client's own cost per call: each kind of Louie member against a bare IDispatch::Invoke with
// the same arguments, both against a stand-in server object registered in this process, so that
// the call itself costs next to nothing and what remains is the library's work around it.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "benches.h"
#include "kelocli.h"
#include "method_table.h"

namespace bench {

namespace {

constexpr LCID kLocale = LOCALE_SYSTEM_DEFAULT;
constexpr double kGoalNanoseconds = 50;

// Methods the stand-in knows; identifiers are their positions + 1. The string queries answer a
// string, everything else a 16-bit 0.
const wchar_t* const kMethods[] = {
    L"NotifyProcessID", L"Close",    L"Paint",         L"IsRaster",         L"Open",
    L"Attach",          L"SETPOV",   L"GETPOV",        L"PickColor",        L"ChangeFont",
    L"GETFILENAME",     L"GetWidth", L"GetHeight",     L"GetHorizontalRes", L"GetVerticalRes",
    L"GetDepth",        L"Crop",     L"GetMainThread", L"GetProcessID"};
constexpr int kCount = sizeof kMethods / sizeof kMethods[0];
constexpr DISPID kStringAnswerId = 11;  // GETFILENAME
const wchar_t kAnswer[] = L"C:\\pictures\\harbour.png";

class StandIn final : public IDispatch, public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
        } else if (iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the stack of its user
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        for (int i = 0; i < kCount && count == 1; ++i) {
            if (lstrcmpiW(names[0], kMethods[i]) == 0) {
                *ids = i + 1;
                return S_OK;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (result == nullptr) return S_OK;
        if (id == kStringAnswerId) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(kAnswer);
        } else {
            result->vt = VT_I2;
            result->iVal = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    static DISPID Id(const wchar_t* name) {
        for (int i = 0; i < kCount; ++i) {
            if (lstrcmpiW(name, kMethods[i]) == 0) return i + 1;
        }
        return DISPID_UNKNOWN;
    }
};

// A bare call: the arguments filled in place, one Invoke, the result read.
template <typename Fill>
HRESULT Bare(IDispatch* server, DISPID id, UINT count, Fill fill, VARIANT* result) {
    VARIANT arguments[8];
    fill(arguments);
    DISPPARAMS parameters = {count ? arguments : nullptr, nullptr, count, 0};
    VariantInit(result);
    return server->Invoke(id, IID_NULL, kLocale, DISPATCH_METHOD, &parameters, result, nullptr,
                          nullptr);
}

// One argument: its type and its value in the value field.
template <typename Value>
void Set(VARIANT& v, VARTYPE type, Value value) {
    v.vt = type;
    std::memcpy(&v.llVal, &value, sizeof value);
}

// Nanoseconds per server call of each, from interleaved batches; prints the difference. `calls`
// is the number of server calls one member call makes.
template <typename Member, typename Baseline>
void Compare(const char* what, Member member, Baseline baseline, int calls = 1) {
    constexpr int kBatch = 20000;
    constexpr int kRounds = 25;
    for (int i = 0; i < 1000; ++i) {
        member();
        baseline();
    }
    std::vector<double> members, baselines;
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        for (int i = 0; i < kBatch; ++i) member();
        members.push_back((Now() - start) / kBatch / calls * 1e9);
        start = Now();
        for (int i = 0; i < kBatch; ++i) baseline();
        baselines.push_back((Now() - start) / kBatch / calls * 1e9);
    }
    // The fastest batch of each: what the calls cost when nothing else ran meanwhile.
    const double m = *std::min_element(members.begin(), members.end());
    const double b = *std::min_element(baselines.begin(), baselines.end());
    std::printf("  %-34s %7.1f ns   bare %7.1f ns   own %+6.1f ns  (goal <= %.0f: %s)\n", what, m,
                b, m - b, kGoalNanoseconds, m - b <= kGoalNanoseconds ? "met" : "MISSED");
}

}  // namespace

void BenchCallOverhead() {
    StandIn standIn;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(kelocli::kServerClassId, static_cast<IClassFactory*>(&standIn),
                                     CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
        std::printf("Call overhead: the stand-in server could not be registered\n");
        return;
    }
    Louie* louie = new Louie;
    IDispatch* server = &standIn;
    const DISPID idPaint = StandIn::Id(L"Paint");
    const DISPID idIsRaster = StandIn::Id(L"IsRaster");
    const DISPID idOpen = StandIn::Id(L"Open");
    const DISPID idChangeFont = StandIn::Id(L"ChangeFont");
    const DISPID idNotifyProcessID = StandIn::Id(L"NotifyProcessID");
    const DISPID idSETPOV = StandIn::Id(L"SETPOV");
    const DISPID idGETPOV = StandIn::Id(L"GETPOV");
    const DISPID idPickColor = StandIn::Id(L"PickColor");
    const DISPID idGETFILENAME = StandIn::Id(L"GETFILENAME");
    const DISPID idGetWidth = StandIn::Id(L"GetWidth");
    const DISPID idGetHeight = StandIn::Id(L"GetHeight");
    const DISPID idGetHorizontalRes = StandIn::Id(L"GetHorizontalRes");
    const DISPID idGetVerticalRes = StandIn::Id(L"GetVerticalRes");
    const DISPID idGetDepth = StandIn::Id(L"GetDepth");
    std::printf(
        "Client's own cost per server call: Louie member - bare Invoke, same arguments, "
        "stand-in server in this process\n");

    RECT source = {0, 0, 4000, 3000}, target = {0, 0, 1024, 768};
    Compare(
        "Paint (8 x I2 from rectangles)", [&] { louie->Paint(&source, &target); },
        [&] {
            VARIANT result;
            Bare(
                server, idPaint, 8,
                [&](VARIANT* a) {
                    const LONG values[8] = {source.left, source.top, source.right, source.bottom,
                                            target.left, target.top, target.right, target.bottom};
                    for (int i = 0; i < 8; ++i) Set(a[i], VT_I2, static_cast<short>(values[i]));
                },
                &result);
        });
    Compare(
        "IsRaster (no argument)", [&] { louie->IsRaster(); },
        [&] {
            VARIANT result;
            Bare(
                server, idIsRaster, 0, [](VARIANT*) {}, &result);
        });
    char path[] = "C:\\pictures\\harbour.png";
    Compare(
        "Open (one string)", [&] { louie->Open(path); },
        [&] {
            VARIANT result;
            BSTR name = SysAllocString(kAnswer);
            Bare(
                server, idOpen, 1, [&](VARIANT* a) { Set(a[0], VT_BSTR, name); }, &result);
            SysFreeString(name);
        });
    char face[] = "DejaVu Serif", style[] = "Bold";
    Compare(
        "ChangeFont (2 strings, 2 R4)", [&] { louie->ChangeFont(face, style, 11.0f, 1.0f); },
        [&] {
            VARIANT result;
            BSTR faceText = SysAllocString(L"DejaVu Serif");
            BSTR styleText = SysAllocString(L"Bold");
            Bare(
                server, idChangeFont, 4,
                [&](VARIANT* a) {
                    Set(a[0], VT_BSTR, faceText);
                    Set(a[1], VT_BSTR, styleText);
                    Set(a[2], VT_R4, 11.0f);
                    Set(a[3], VT_R4, 1.0f);
                },
                &result);
            SysFreeString(faceText);
            SysFreeString(styleText);
        });
    Compare(
        "NotifyProcessID (one I4)", [&] { louie->NotifyProcessID(1234); },
        [&] {
            VARIANT result;
            Bare(
                server, idNotifyProcessID, 1, [](VARIANT* a) { Set(a[0], VT_I4, 1234L); }, &result);
        });
    Compare(
        "SetPointOfView (6 R8, I2)", [&] { louie->SetPointOfView(1, 2, 3, 0.5, -0.25, 0, 0); },
        [&] {
            VARIANT result;
            Bare(
                server, idSETPOV, 7,
                [](VARIANT* a) {
                    const double values[6] = {1, 2, 3, 0.5, -0.25, 0};
                    for (int i = 0; i < 6; ++i) Set(a[i], VT_R8, values[i]);
                    Set(a[6], VT_I2, short{0});
                },
                &result);
        });
    double eye[6] = {};
    Compare(
        "GetPointOfView (6 R8 by reference)",
        [&] { louie->GetPointOfView(&eye[0], &eye[1], &eye[2], &eye[3], &eye[4], &eye[5]); },
        [&] {
            VARIANT result;
            Bare(
                server, idGETPOV, 6,
                [&](VARIANT* a) {
                    for (int i = 0; i < 6; ++i) Set(a[i], VT_BYREF | VT_R8, &eye[i]);
                },
                &result);
        });
    IRGB colour = {};
    Compare(
        "PickColor (2 I4, I4 answer)", [&] { louie->PickColor(&colour, 10, 20); },
        [&] {
            VARIANT result;
            Bare(
                server, idPickColor, 2,
                [](VARIANT* a) {
                    Set(a[0], VT_I4, 10L);
                    Set(a[1], VT_I4, 20L);
                },
                &result);
        });
    Compare(
        "GetFileName (string answer)",
        [&] {
            BSTR name = nullptr;
            louie->GetFileName(&name);
            SysFreeString(name);
        },
        [&] {
            VARIANT result;
            Bare(
                server, idGETFILENAME, 0, [](VARIANT*) {}, &result);
            VariantClear(&result);
        });
    const DISPID sizeIds[5] = {idGetWidth, idGetHeight, idGetHorizontalRes, idGetVerticalRes,
                               idGetDepth};
    long width = 0, height = 0;
    short dpiX = 0, dpiY = 0, depth = 0;
    Compare(
        "GetInfo, per each of its 5 calls",
        [&] { louie->GetInfo(&width, &height, &dpiX, &dpiY, &depth); },
        [&] {
            for (int i = 0; i < 5; ++i) {
                VARIANT result;
                Bare(
                    server, sizeIds[i], 0, [](VARIANT*) {}, &result);
            }
        },
        5);

    delete louie;
    CoRevokeClassObject(cookie);
}

}  // namespace bench
