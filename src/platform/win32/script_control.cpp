// The system's script control (the "MSScriptControl.ScriptControl" automation object),
// driven through its dual interface by name, so that no type library header is needed.
#include "platform/script_control.h"

#include <string>

#include "platform/win32/handles.h"

#include <oleauto.h>

namespace wb {

namespace {

constexpr CLSID kScriptControlClass = {
    0x0E59F1D5, 0x1FBE, 0x11D0, {0x8F, 0xF2, 0x00, 0xA0, 0xD1, 0x00, 0x38, 0xBC}};
constexpr IID kScriptControlInterface = {
    0x0E59F1D3, 0x1FBE, 0x11D0, {0x8F, 0xF2, 0x00, 0xA0, 0xD1, 0x00, 0x38, 0xBC}};

// IScriptControl is dual: its first methods are those of IDispatch. The instance must be
// released by ScriptControlClose while COM still runs.
ComPtr<IDispatch> g_control;

ComPtr<IDispatch>& Control() noexcept { return g_control; }

// Owns one BSTR made from ANSI text.
class Bstr {
public:
    explicit Bstr(const char* text) noexcept {
        int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        if (n <= 0) return;
        std::wstring wide(static_cast<size_t>(n), L'\0');
        if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n) != n) return;
        value_ = SysAllocString(wide.c_str());
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value_); }
    BSTR get() const noexcept { return value_; }
private:
    BSTR value_ = nullptr;
};

// Calls member `name` with at most one argument; a property put when `put` is set.
bool Call(const wchar_t* name, VARIANT* argument, bool put) noexcept {
    ComPtr<IDispatch>& control = Control();
    if (!control) return false;
    DISPID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return false;
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {argument, put ? &putId : nullptr, argument ? 1u : 0u, put ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    HRESULT hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                                   put ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD, &params,
                                   put ? nullptr : &result, &exception, &badArgument);
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return SUCCEEDED(hr);
}

bool CallWithText(const wchar_t* name, const char* text, bool put) noexcept {
    Bstr value(text);
    if (!value.get()) return false;
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = value.get();
    return Call(name, &argument, put);
}

}  // namespace

bool ScriptControlOpen() noexcept {
    ComPtr<IDispatch>& control = Control();
    if (FAILED(CoCreateInstance(kScriptControlClass, nullptr, CLSCTX_INPROC_SERVER,
                                kScriptControlInterface, control.put_void()))) {
        control.reset();
        return false;
    }
    Call(L"Reset", nullptr, false);
    ScriptControlSetLanguage("VBScript");
    return true;
}

bool ScriptControlReady() noexcept { return static_cast<bool>(Control()); }

bool ScriptControlSetLanguage(const char* language) noexcept {
    return CallWithText(L"Language", language, true);
}

bool ScriptControlSetTimeout(long milliseconds) noexcept {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = milliseconds;
    return Call(L"Timeout", &argument, true);
}

bool ScriptControlAddCode(const char* text) noexcept {
    return CallWithText(L"AddCode", text, false);
}

void ScriptControlClose() noexcept { Control().reset(); }

}  // namespace wb
