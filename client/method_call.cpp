#include "method_call.h"

#include <cstring>

namespace kelocli {

namespace {

constexpr LCID kCallLocale = LOCALE_SYSTEM_DEFAULT;  // 0x0800

}  // namespace

// The VARIANTs of one call, on the stack, owning the strings made for it.
class ArgumentList {
  public:
    ArgumentList() = default;
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;
    ~ArgumentList() {
        for (UINT i = 0; i < made_; ++i) SysFreeString(strings_[i]);
    }

    // False when there are more arguments than any method takes.
    bool Build(std::initializer_list<Argument> arguments) {
        if (arguments.size() > static_cast<std::size_t>(kMostArguments)) return false;
        for (const Argument& argument : arguments) {
            VARIANT& variant = variants_[count_++];
            const std::uint64_t header = argument.type_;  // the type, reserved words 0
            std::memcpy(&variant, &header, sizeof header);
            variant.llVal = static_cast<LONGLONG>(argument.bits_);
            if (argument.copy_ != nullptr) {
                variant.bstrVal = SysAllocString(argument.copy_);
                strings_[made_++] = variant.bstrVal;
            }
        }
        return true;
    }
    DISPPARAMS Parameters() {
        DISPPARAMS parameters = {};
        parameters.rgvarg = count_ == 0 ? nullptr : variants_;
        parameters.cArgs = count_;
        return parameters;
    }

  private:
    VARIANT variants_[kMostArguments];
    BSTR strings_[kMostArguments];
    UINT count_ = 0;
    UINT made_ = 0;
};

HRESULT LookUpMethod(IDispatch* dispatch, DISPID* dispIds, Method method, DISPID* id) {
    LPOLESTR name = const_cast<LPOLESTR>(MethodName(method));
    DISPID found = -1;
    const HRESULT code = dispatch->GetIDsOfNames(IID_NULL, &name, 1, kCallLocale, &found);
    if (FAILED(code)) return code;
    dispIds[static_cast<int>(method)] = found;
    *id = found;
    return S_OK;
}

HRESULT InvokeMethod(IDispatch* dispatch, DISPID id, std::initializer_list<Argument> arguments,
                     VARIANT* result) {
    ArgumentList list;
    if (!list.Build(arguments)) return E_INVALIDARG;
    DISPPARAMS parameters = list.Parameters();
    if (result != nullptr) {
        std::memset(result, 0, sizeof *result);
        VariantInit(result);
    }
    return dispatch->Invoke(id, IID_NULL, kCallLocale, DISPATCH_METHOD, &parameters, result,
                            nullptr, nullptr);
}

}  // namespace kelocli
