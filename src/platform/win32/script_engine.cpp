// VBScript and JScript through the engines' own scripting interfaces, with a script site
// of our own that records the first error and stops a script that runs too long.
#include "platform/script_engine.h"

#include <string>

#include "platform/win32/handles.h"

#include <activscp.h>
#include <oleauto.h>

namespace wb {

namespace {

// The engines' class IDs (vbscript.dll and jscript.dll register the same ones in the
// 32- and 64-bit halves of the registry).
constexpr CLSID kVBScriptClass = {
    0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};
constexpr CLSID kJScriptClass = {
    0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}};

constexpr IID kActiveScript = {
    0xBB1A2AE1, 0xA4F9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
constexpr IID kActiveScriptSite = {
    0xDB01A1E3, 0xA42B, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
constexpr IID kActiveScriptSiteWindow = {
    0xD10F6761, 0x83E9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
constexpr IID kActiveScriptSiteUIControl = {
    0xAEDAE97E, 0xD7EE, 0x4796, {0xB9, 0x60, 0x7F, 0x09, 0x2A, 0xE8, 0x44, 0xAB}};
constexpr IID kActiveScriptSiteInterruptPoll = {
    0x539698A0, 0xCDCA, 0x11CF, {0xA5, 0xEB, 0x00, 0xAA, 0x00, 0x47, 0xA0, 0x63}};
// The parse interface has a different ID in each bitness, because its source-context
// cookie is pointer-sized; asking a 64-bit engine for the 32-bit ID fails.
#ifdef _WIN64
constexpr IID kActiveScriptParse = {
    0xC7EF7658, 0xE1EE, 0x480E, {0x97, 0xEA, 0xD5, 0x2C, 0xB4, 0xD7, 0x6D, 0x17}};
using ActiveScriptParse = IActiveScriptParse64;
#else
constexpr IID kActiveScriptParse = {
    0xBB1A2AE2, 0xA4F9, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
using ActiveScriptParse = IActiveScriptParse32;
#endif

// "80020101": the engine has already reported the error to the site.
constexpr HRESULT kErrorReported = static_cast<HRESULT>(0x80020101L);

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const wchar_t* wide) {
    if (!wide || !*wide) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), n, nullptr, nullptr);
    text.resize(static_cast<size_t>(n - 1));
    return text;
}

// The system's message for an error code, with the code itself: engines leave the
// description empty for some errors (a division by zero gives only DISP_E_DIVBYZERO).
std::string ErrorCodeText(HRESULT code) {
    // By hand: the C library's formatting would add its whole printf to the stub.
    std::string text = "error 0x";
    const auto value = static_cast<uint32_t>(code);
    for (int shift = 28; shift >= 0; shift -= 4) text += "0123456789ABCDEF"[(value >> shift) & 15];
    char message[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(code), 0, message, sizeof message, nullptr);
    while (n > 0 && (message[n - 1] == '\r' || message[n - 1] == '\n' || message[n - 1] == ' ' ||
                     message[n - 1] == '.')) {
        message[--n] = '\0';
    }
    return n > 0 ? std::string(message) + " (" + text + ")" : text;
}

// "Source: description" from an engine's exception record, whose strings it frees.
std::string DescribeException(EXCEPINFO& info) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    std::string description = Narrow(info.bstrDescription);
    std::string source = Narrow(info.bstrSource);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info.bstrSource = info.bstrDescription = info.bstrHelpFile = nullptr;
    if (description.empty()) {
        HRESULT code = info.scode ? info.scode : static_cast<HRESULT>(info.wCode);
        description = code ? ErrorCodeText(code) : std::string();
    }
    if (source.empty()) return description;
    return description.empty() ? source : source + ": " + description;
}

// The host side of one script: the engine calls back into it on the script's thread.
// It offers a window for the engine's message boxes (or, in a run without windows, has them
// answered with their default), the interrupt poll, and keeps the first error of the run.
// Heap-made and reference-counted, since the engine holds it.
struct ScriptSite final : IActiveScriptSite, IActiveScriptSiteWindow,
                          IActiveScriptSiteUIControl, IActiveScriptSiteInterruptPoll {
    LONG References = 1;
    uint8_t AllowWindows = 1;
    LONG Modal = 0;    // message boxes of the script now open: their time does not count
    LONG Expired = 0;  // set by the watchdog once the script has used up its time
    LONG Stopped = 0;  // set once an engine has taken the request to stop
    uint8_t HasError = 0;
    ScriptFailure Error;

    // IUnknown, answered for all four interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kActiveScriptSite)) {
            *out = static_cast<IActiveScriptSite*>(this);
        } else if (IsEqualIID(iid, kActiveScriptSiteWindow)) {
            *out = static_cast<IActiveScriptSiteWindow*>(this);
        } else if (IsEqualIID(iid, kActiveScriptSiteUIControl)) {
            *out = static_cast<IActiveScriptSiteUIControl*>(this);
        } else if (IsEqualIID(iid, kActiveScriptSiteInterruptPoll)) {
            *out = static_cast<IActiveScriptSiteInterruptPoll*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&References));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&References);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IActiveScriptSite. The script gets no named items: what it uses it creates itself.
    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown** item,
                                          ITypeInfo** type) override {
        if (item) *item = nullptr;
        if (type) *type = nullptr;
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
        if (version) *version = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
        // The first error ends the script; a later one (from the engine's clean-up) would
        // only hide the cause.
        if (!error || HasError) return S_OK;
        HasError = 1;
        EXCEPINFO info = {};
        if (SUCCEEDED(error->GetExceptionInfo(&info))) Error.Text = DescribeException(info);
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        // The engine counts lines from 0 (the starting line handed to ParseScriptText).
        if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column)) && line < 0x7FFFFFFF) {
            Error.Line = static_cast<int32_t>(line) + 1;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

    // IActiveScriptSiteWindow: message boxes of the script belong to the setup's window.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = GetActiveWindow();
        return S_OK;
    }
    // The engine turns modeless windows off while it shows a message or input box: the
    // time the user takes to answer is not the script's running time.
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override {
        if (!enable) {
            InterlockedIncrement(&Modal);
        } else if (InterlockedDecrement(&Modal) < 0) {
            InterlockedExchange(&Modal, 0);
        }
        return S_OK;
    }

    // IActiveScriptSiteUIControl: MsgBox and InputBox of a quiet run must not wait for a
    // user who is not there; they return their default answer at once.
    HRESULT STDMETHODCALLTYPE GetUIBehavior(SCRIPTUICITEM, SCRIPTUICHANDLING* handling) override {
        if (!handling) return E_POINTER;
        *handling = AllowWindows ? SCRIPTUICHANDLING_ALLOW : SCRIPTUICHANDLING_NOUIDEFAULT;
        return S_OK;
    }

    // IActiveScriptSiteInterruptPoll: engines that poll stop here once the watchdog says
    // the time is up.
    HRESULT STDMETHODCALLTYPE QueryContinue() override {
        if (InterlockedCompareExchange(&Expired, 0, 0) == 0) return S_OK;
        InterlockedExchange(&Stopped, 1);
        return S_FALSE;
    }
};

// Asks the engine to stop its base thread once the limit has passed without the script
// ending. InterruptScriptThread is the one method documented as callable from another
// thread, without the engine calling back into the site there.
struct Watchdog {
    IActiveScript* Engine = nullptr;
    ScriptSite* Site = nullptr;
    HANDLE Done = nullptr;
    DWORD Limit = 0;
    HRESULT Result = S_OK;
};

DWORD WINAPI WatchScript(LPVOID parameter) {
    Watchdog* watch = static_cast<Watchdog*>(parameter);
    ScriptSite* site = watch->Site;
    const DWORD tick = watch->Limit < 100 ? watch->Limit : 100;
    DWORD used = 0;
    DWORD last = GetTickCount();
    while (used < watch->Limit) {
        if (WaitForSingleObject(watch->Done, tick) != WAIT_TIMEOUT) return 0;
        DWORD now = GetTickCount();
        if (InterlockedCompareExchange(&site->Modal, 0, 0) == 0) used += now - last;
        last = now;
    }
    InterlockedExchange(&site->Expired, 1);
    EXCEPINFO info = {};
    watch->Result = watch->Engine->InterruptScriptThread(SCRIPTTHREADID_BASE, &info, 0);
    // An engine that cannot interrupt (Wine's answer E_NOTIMPL) lets the script run to its
    // end, unless it polls the site; such a script was not stopped.
    if (SUCCEEDED(watch->Result)) InterlockedExchange(&site->Stopped, 1);
    return 0;
}

bool CreateEngine(ScriptLanguage language, ComPtr<IActiveScript>& engine) noexcept {
    if (language == ScriptLanguage::None) return false;
    const CLSID& id = language == ScriptLanguage::VBScript ? kVBScriptClass : kJScriptClass;
    return SUCCEEDED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, kActiveScript,
                                      engine.put_void())) &&
           engine;
}

void StopLimitText(ScriptFailure& failure, uint32_t limitMs) {
    failure.Text = "the script was stopped after " + std::to_string(limitMs / 1000) + " seconds";
}

}  // namespace

bool ScriptEngineAvailable(ScriptLanguage language) noexcept {
    ComPtr<IActiveScript> engine;
    if (!CreateEngine(language, engine)) return false;
    ComPtr<ActiveScriptParse> parse;
    return SUCCEEDED(engine->QueryInterface(kActiveScriptParse, parse.put_void())) && parse;
}

ScriptOutcome RunScriptText(ScriptLanguage language, const std::string& text, uint32_t limitMs,
                            bool allowWindows, ScriptFailure& failure) noexcept {
    failure = ScriptFailure{};
    ComPtr<IActiveScript> engine;
    if (!CreateEngine(language, engine)) return ScriptOutcome::NoEngine;
    ComPtr<ActiveScriptParse> parse;
    if (FAILED(engine->QueryInterface(kActiveScriptParse, parse.put_void())) || !parse) {
        return ScriptOutcome::NoEngine;
    }
    ScriptSite* site = new ScriptSite;
    site->AllowWindows = allowWindows ? 1 : 0;

    HRESULT hr = engine->SetScriptSite(site);
    if (SUCCEEDED(hr)) hr = parse->InitNew();
    // Started before the text is handed over, so that ParseScriptText runs it at once and
    // returns when it has ended.
    if (SUCCEEDED(hr)) hr = engine->SetScriptState(SCRIPTSTATE_STARTED);
    if (SUCCEEDED(hr)) {
        std::wstring wide = Widen(text);
        Watchdog watch;
        watch.Engine = engine.get();
        watch.Site = site;
        watch.Limit = limitMs;
        UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        watch.Done = done.get();
        UniqueHandle thread(done ? CreateThread(nullptr, 0, WatchScript, &watch, 0, nullptr)
                                 : nullptr);
        EXCEPINFO info = {};
        hr = parse->ParseScriptText(wide.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                    SCRIPTTEXT_ISVISIBLE, nullptr, &info);
        if (thread) {
            SetEvent(done.get());
            WaitForSingleObject(thread.get(), INFINITE);
        }
        if (FAILED(hr) && !site->HasError && hr != kErrorReported) {
            std::string described = DescribeException(info);
            site->Error.Text = described.empty() ? ErrorCodeText(hr) : described;
            site->HasError = 1;
        } else {
            // Strings the engine may have put there even when it reported to the site.
            DescribeException(info);
        }
    } else {
        site->Error.Text = ErrorCodeText(hr);
        site->HasError = 1;
    }
    engine->Close();
    parse.reset();
    engine.reset();

    ScriptOutcome outcome = ScriptOutcome::Ran;
    if (site->HasError || site->Stopped || FAILED(hr)) {
        outcome = ScriptOutcome::Failed;
        failure = site->Error;
        failure.TimedOut = site->Stopped ? 1 : 0;
        if (failure.TimedOut && !site->HasError) StopLimitText(failure, limitMs);
        if (failure.Text.empty()) failure.Text = ErrorCodeText(hr);
    }
    site->Release();
    return outcome;
}

}  // namespace wb
