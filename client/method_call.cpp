#include "method_call.h"

#include <cstring>

#include "unique_resource.h"

namespace kelocli {

namespace {

constexpr LCID kCallLocale = LOCALE_SYSTEM_DEFAULT;  // 0x0800

}  // namespace

Argument Argument::Short(short value) {
    Argument argument(Kind::Short);
    argument.short_ = value;
    return argument;
}

Argument Argument::LowShort(LONG value) {
    return Short(static_cast<short>(value & 0xFFFF));
}

Argument Argument::Long(long value) {
    Argument argument(Kind::Long);
    argument.long_ = value;
    return argument;
}

Argument Argument::Handle(const void* handle) {
    // Handles shared between processes keep their value in their low 32 bits.
    return Long(static_cast<long>(reinterpret_cast<INT_PTR>(handle)));
}

Argument Argument::Float(float value) {
    Argument argument(Kind::Float);
    argument.float_ = value;
    return argument;
}

Argument Argument::Double(double value) {
    Argument argument(Kind::Double);
    argument.double_ = value;
    return argument;
}

Argument Argument::Text(const wchar_t* text) {
    Argument argument(Kind::Text);
    argument.text_ = text;
    return argument;
}

Argument Argument::String(BSTR text) {
    Argument argument(Kind::String);
    argument.string_ = text;
    return argument;
}

Argument Argument::DoubleOut(double* target) {
    Argument argument(Kind::DoubleOut);
    argument.doubleOut_ = target;
    return argument;
}

// The VARIANTs of one call, on the stack, owning the strings made for it.
class ArgumentList {
  public:
    // False when there are more arguments than any method takes.
    bool Build(std::initializer_list<Argument> arguments) {
        if (arguments.size() > static_cast<std::size_t>(kMostArguments)) return false;
        for (const Argument& argument : arguments) Append(argument);
        return true;
    }
    DISPPARAMS Parameters() {
        DISPPARAMS parameters = {};
        parameters.rgvarg = count_ == 0 ? nullptr : variants_;
        parameters.cArgs = count_;
        return parameters;
    }

  private:
    void Append(const Argument& argument) {
        VARIANT& variant = variants_[count_];
        VariantInit(&variant);
        switch (argument.kind_) {
            case Argument::Kind::Short:
                variant.vt = VT_I2;
                variant.iVal = argument.short_;
                break;
            case Argument::Kind::Long:
                variant.vt = VT_I4;
                variant.lVal = argument.long_;
                break;
            case Argument::Kind::Float:
                variant.vt = VT_R4;
                variant.fltVal = argument.float_;
                break;
            case Argument::Kind::Double:
                variant.vt = VT_R8;
                variant.dblVal = argument.double_;
                break;
            case Argument::Kind::Text:
                strings_[count_].Reset(SysAllocString(argument.text_));
                variant.vt = VT_BSTR;
                variant.bstrVal = strings_[count_].Get();
                break;
            case Argument::Kind::String:
                variant.vt = VT_BSTR;
                variant.bstrVal = argument.string_;
                break;
            case Argument::Kind::DoubleOut:
                variant.vt = VT_BYREF | VT_R8;
                variant.pdblVal = argument.doubleOut_;
                break;
        }
        ++count_;
    }

    VARIANT variants_[kMostArguments];
    UniqueBstr strings_[kMostArguments];
    UINT count_ = 0;
};

HRESULT ResolveMethod(IDispatch* dispatch, DISPID* dispIds, Method method, DISPID* id) {
    DISPID& entry = dispIds[static_cast<int>(method)];
    if (entry == -1) {
        LPOLESTR name = const_cast<LPOLESTR>(MethodName(method));
        DISPID found = -1;
        const HRESULT code = dispatch->GetIDsOfNames(IID_NULL, &name, 1, kCallLocale, &found);
        if (FAILED(code)) return code;
        entry = found;
    }
    *id = entry;
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

HRESULT CallMethod(IDispatch* dispatch, DISPID* dispIds, Method method,
                   std::initializer_list<Argument> arguments, VARIANT* result) {
    if (dispatch == nullptr) return S_OK;
    DISPID id;
    const HRESULT lookup = ResolveMethod(dispatch, dispIds, method, &id);
    if (FAILED(lookup)) return lookup;
    return InvokeMethod(dispatch, id, arguments, result);
}

}  // namespace kelocli
