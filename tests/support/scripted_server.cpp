#include "scripted_server.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "method_table.h"

namespace testsupport {

namespace {

const wchar_t* const kNames[] = {
    L"Open",           L"FastOpen",       L"ThreadOpen",
    L"Close",          L"Attach",         L"Paint",
    L"RealizePalette", L"GetSectionName", L"Resurrect",
    L"GetWidth",       L"GetHeight",      L"GetHorizontalRes",
    L"GetVerticalRes", L"GetDepth",       L"GETFILENAME",
    L"GetProcessID",   L"GetMainThread",  L"NotifyProcessID",
    L"OpenStatus",     L"IsRaster",       L"RefreshOptions",
    L"Save",           L"SaveAs",         L"UndoRedo",
    L"CopyAs",         L"PasteFrom",      L"Resize",
    L"Rotate",         L"Crop",           L"Grayize",
    L"Blackize",       L"Reduce",         L"Equalize",
    L"ChangeFont",     L"Gamma",          L"Invert",
    L"ReverseBW",      L"ChangeColor",    L"PickColor",
    L"Rasterize",      L"ThreeDize",      L"Vectorize",
    L"PrepRaster",     L"GetFontInfo",    L"GetPaletteInfo",
    L"SETPOV",         L"GETPOV",         L"GET3DINFO",
    L"SaveScript",     L"Convert",        L"Test",
};
constexpr DISPID kFirstId = 7001;

std::wstring Upper(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& unit : upper) unit = static_cast<wchar_t>(std::towupper(unit));
    return upper;
}

std::wstring NameOf(DISPID id) {
    const DISPID index = id - kFirstId;
    if (index < 0 || index >= static_cast<DISPID>(sizeof kNames / sizeof kNames[0])) return L"?";
    return kNames[index];
}

}  // namespace

DISPID ScriptedDispId(const std::wstring& name) {
    const std::wstring wanted = Upper(name);
    for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        if (Upper(kNames[i]) == wanted) return kFirstId + static_cast<DISPID>(i);
    }
    return -1;
}

float SeenArgument::AsFloat() const {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double SeenArgument::AsDouble() const {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Reply Reply::Short(short value) {
    Reply reply;
    reply.type = VT_I2;
    reply.bits = static_cast<unsigned short>(value);
    return reply;
}

Reply Reply::Long(long value) {
    Reply reply;
    reply.type = VT_I4;
    reply.bits = static_cast<unsigned long>(value);
    return reply;
}

Reply Reply::Text(const std::wstring& text) {
    Reply reply;
    reply.type = VT_BSTR;
    reply.text = text;
    return reply;
}

Reply Reply::Failure(HRESULT code) {
    Reply reply;
    reply.code = code;
    return reply;
}

Reply Reply::Doubles(std::vector<double> values, short result) {
    Reply reply = Short(result);
    reply.writeThrough = std::move(values);
    return reply;
}

// One server object: an IDispatch that hands everything to its ScriptedServer.
class ScriptedObject final : public IDispatch {
  public:
    explicit ScriptedObject(ScriptedServer* server) : server_(server) { ++server_->alive_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            --server_->alive_;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (count != 1) return E_INVALIDARG;
        return server_->Lookup(names[0], ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override {
        return server_->Call(id, iid, locale, flags, parameters, result, exception, argumentError);
    }

  private:
    ScriptedServer* server_;
    ULONG references_ = 0;
};

class ScriptedFactory final : public IClassFactory {
  public:
    explicit ScriptedFactory(ScriptedServer* server) : server_(server) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        if (server_ == nullptr) return E_UNEXPECTED;
        ++server_->attempts_;
        if (FAILED(server_->creationFailure_) && server_->failuresLeft_ != 0) {
            if (server_->failuresLeft_ > 0) --server_->failuresLeft_;
            return server_->creationFailure_;
        }
        ScriptedObject* made = new ScriptedObject(server_);
        made->AddRef();
        const HRESULT code = made->QueryInterface(iid, object);
        made->Release();
        if (SUCCEEDED(code)) ++server_->created_;
        return code;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    void Detach() { server_ = nullptr; }

  private:
    ScriptedServer* server_;
    ULONG references_ = 0;
};

ScriptedServer::ScriptedServer() {
    ScriptedFactory* factory = new ScriptedFactory(this);
    factory->AddRef();
    factory_ = factory;
    CoRegisterClassObject(kelocli::kServerClassId, factory_, CLSCTX_LOCAL_SERVER,
                          REGCLS_MULTIPLEUSE, &cookie_);
}

ScriptedServer::~ScriptedServer() {
    CoRevokeClassObject(cookie_);
    static_cast<ScriptedFactory*>(factory_)->Detach();
    factory_->Release();
}

void ScriptedServer::Answer(const std::wstring& method, const Reply& reply) {
    standing_[Upper(method)] = reply;
}

void ScriptedServer::AnswerNext(const std::wstring& method, const std::vector<Reply>& replies) {
    std::vector<Reply>& queue = queued_[Upper(method)];
    queue.insert(queue.end(), replies.begin(), replies.end());
}

void ScriptedServer::RefuseLookup(const std::wstring& method, HRESULT code) {
    refused_[Upper(method)] = code;
}

void ScriptedServer::AllowLookup(const std::wstring& method) {
    refused_.erase(Upper(method));
}

void ScriptedServer::FailCreation(HRESULT code, int times) {
    creationFailure_ = code;
    failuresLeft_ = times;
}

std::vector<SeenCall> ScriptedServer::CallsOf(const std::wstring& method) const {
    std::vector<SeenCall> matching;
    for (const SeenCall& call : calls_) {
        if (Upper(call.method) == Upper(method)) matching.push_back(call);
    }
    return matching;
}

std::vector<std::wstring> ScriptedServer::CallNames() const {
    std::vector<std::wstring> names;
    for (const SeenCall& call : calls_) names.push_back(call.method);
    return names;
}

void ScriptedServer::ClearRecords() {
    lookups_.clear();
    calls_.clear();
}

HRESULT ScriptedServer::Lookup(const std::wstring& name, DISPID* id) {
    lookups_.push_back(name);
    *id = DISPID_UNKNOWN;
    const auto refused = refused_.find(Upper(name));
    if (refused != refused_.end()) return refused->second;
    *id = ScriptedDispId(name);
    return *id == -1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT ScriptedServer::Call(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                             VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    SeenCall call;
    call.method = NameOf(id);
    call.id = id;
    call.locale = locale;
    call.flags = flags;
    call.resultRequested = result != nullptr;
    call.iidNull = IsEqualIID(iid, IID_NULL);
    call.exceptionInfoNull = exception == nullptr;
    call.argumentErrorNull = argumentError == nullptr;
    if (parameters != nullptr) {
        call.argumentCount = parameters->cArgs;
        call.namedCount = parameters->cNamedArgs;
        call.namedIdsNull = parameters->rgdispidNamedArgs == nullptr;
        call.argumentsNull = parameters->rgvarg == nullptr;
        for (UINT i = 0; i < parameters->cArgs && parameters->rgvarg != nullptr; ++i) {
            const VARIANT& variant = parameters->rgvarg[i];
            SeenArgument seen;
            seen.type = variant.vt;
            std::memcpy(&seen.bits, &variant.llVal, sizeof seen.bits);
            if (variant.vt == VT_BSTR) {
                seen.textPointer = variant.bstrVal;
                seen.nullText = variant.bstrVal == nullptr;
                if (variant.bstrVal != nullptr) {
                    seen.text.assign(variant.bstrVal, SysStringLen(variant.bstrVal));
                }
            }
            if (variant.vt == (VT_BYREF | VT_R8)) seen.target = variant.pdblVal;
            call.arguments.push_back(seen);
        }
    }

    const std::wstring key = Upper(call.method);
    Reply reply;
    auto queue = queued_.find(key);
    if (queue != queued_.end() && !queue->second.empty()) {
        reply = queue->second.front();
        queue->second.erase(queue->second.begin());
    } else if (standing_.count(key) != 0) {
        reply = standing_[key];
    }
    calls_.push_back(call);

    size_t written = 0;
    for (const SeenArgument& argument : call.arguments) {
        if (argument.target != nullptr && written < reply.writeThrough.size()) {
            *argument.target = reply.writeThrough[written++];
        }
    }
    if (result != nullptr && reply.type != VT_EMPTY) {
        result->vt = reply.type;
        if (reply.type == VT_BSTR) {
            result->bstrVal =
                reply.nullText
                    ? nullptr
                    : SysAllocStringLen(reply.text.data(), static_cast<UINT>(reply.text.size()));
        } else {
            std::memcpy(&result->llVal, &reply.bits, sizeof reply.bits);
        }
    }
    return reply.code;
}

}  // namespace testsupport
