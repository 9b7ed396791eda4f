// Stands in for the presentation application ("PowerPoint.Application"): a local COM server
// with the small part of its object model that a screen saver drives (open a presentation,
// set up and run a looping slide show with its sounds off, quit). COM starts it with
// -Embedding; it registers its class object and its application object as the running one,
// and ends once Quit has been called and its objects are released (see README.md).
// Settings come from presentation_standin.cfg beside the program, read at start: a server
// started by COM is not guaranteed the caller's environment.
#include "automation.h"
#include "standin_support.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

using namespace standin;

namespace {

constexpr CLSID kClsid = {0x91493441, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr wchar_t kSource[] = L"PowerPoint stand-in";
constexpr wchar_t kShowClass[] = L"PresentationStandinShow";
constexpr wchar_t kControlClass[] = L"PresentationStandinControl";
constexpr UINT kEndMessage = WM_APP + 1;  // posted by Quit, so that the call returns first
constexpr UINT kGraceMs = 3000;           // how long an ending server waits for its objects' release

// --- Settings -------------------------------------------------------------------------------

struct Config {
    std::wstring log;
    std::vector<std::wstring> fail;  // members that fail: "Open" or "Presentations.Open"
    std::optional<std::wstring> fail_text;
    std::optional<HRESULT> fail_hresult;
};
Config g_config;

void Log(const std::string& line) {
    if (!g_config.log.empty()) AppendLine(g_config.log, line);
}

std::string ReadConfig(const std::wstring& path, Config& config) {
    std::string error;
    const auto settings = ReadSettings(path, {"log", "fail", "fail-text", "fail-hresult"}, error);
    for (const Setting& s : settings) {
        if (s.key == "log") {
            config.log = Wide(s.value);
        } else if (s.key == "fail") {
            config.fail.push_back(Wide(s.value));
        } else if (s.key == "fail-text") {
            config.fail_text = Wide(s.value);
        } else if (s.key == "fail-hresult") {
            if (auto v = ParseFailureCode(s.value)) config.fail_hresult = *v;
            else if (error.empty()) error = Quoted(path) + ": " + ValueError(s, "a failure HRESULT such as 0x80004005");
        }
    }
    return error;
}

// --- The documents and the show -------------------------------------------------------------

constexpr LONG kSoundNone = 0, kSoundStopPrevious = 1, kSoundFile = 2;  // PpSoundEffectType
constexpr LONG kShowSpeaker = 1, kShowWindow = 2, kShowKiosk = 3;      // PpSlideShowType
constexpr LONG kMsoTrue = -1, kMsoFalse = 0, kMsoCTrue = 1;            // MsoTriState

struct Presentation {
    std::wstring path, name;
    COLORREF color = RGB(0x1F, 0x38, 0x64);
    std::vector<LONG> sound;  // each slide's SoundEffect.Type
    LONG loop_until_stopped = kMsoFalse;
    LONG show_type = kShowSpeaker;
};

struct Model {
    std::vector<Presentation> presentations;  // never shrinks: objects refer to them by index
    LONG visible = kMsoFalse;
    bool quitting = false;  // Quit was called
    bool ending = false;    // registrations revoked; waiting for the objects' release
    int show_of = -1;       // the presentation whose show runs
    HWND show_window = nullptr;
    int show_slide = 0;     // 0-based; equal to the slide count: the end screen
};
Model g_model;
HWND g_control = nullptr;  // receives kEndMessage

// Reads a presentation file; on failure returns nullopt and an error naming the file.
std::optional<Presentation> ReadPresentation(const std::wstring& path, std::wstring& error) {
    std::string why;
    const auto settings = ReadSettings(path, {"slides", "color", "sounds"}, why);
    Presentation p;
    int slides = 3;
    std::vector<long long> sounds;
    for (const Setting& s : settings) {
        if (!why.empty()) break;
        if (s.key == "slides") {
            if (auto v = ParseInteger(s.value, 1, 999)) slides = int(*v);
            else why = Quoted(path) + ": " + ValueError(s, "a whole number from 1 to 999");
        } else if (s.key == "color") {
            if (auto v = ParseColor(s.value)) p.color = *v;
            else why = Quoted(path) + ": " + ValueError(s, "a colour RRGGBB");
        } else if (s.key == "sounds") {
            for (size_t start = 0; why.empty() && start <= s.value.size();) {
                const size_t comma = std::min(s.value.find(',', start), s.value.size());
                if (auto v = ParseInteger(std::string_view(s.value).substr(start, comma - start), 1, 999))
                    sounds.push_back(*v);
                else why = Quoted(path) + ": " + ValueError(s, "a list of slide numbers such as 1,3");
                start = comma + 1;
            }
        }
    }
    p.sound.assign(size_t(slides), kSoundNone);
    for (long long k : sounds) {
        if (!why.empty()) break;
        if (k > slides) why = Quoted(path) + ": sounds= names slide " + std::to_string(k) + " of " +
                              std::to_string(slides);
        else p.sound[size_t(k - 1)] = kSoundFile;
    }
    if (!why.empty()) {
        error = Wide(why);
        return std::nullopt;
    }
    p.path = path;
    p.name = path.substr(path.find_last_of(L"\\/") + 1);
    return p;
}

void EndShow() {
    if (g_model.show_window) DestroyWindow(g_model.show_window);
    g_model.show_window = nullptr;
    g_model.show_of = -1;
}

LRESULT CALLBACK ShowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_model.show_of < 0) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
    case WM_TIMER: {
        // One slide a second; a show that does not loop stops on its end screen.
        const Presentation& p = g_model.presentations[size_t(g_model.show_of)];
        const int slides = int(p.sound.size());
        if (++g_model.show_slide >= slides) {
            g_model.show_slide = p.loop_until_stopped != kMsoFalse ? 0 : slides;
            if (g_model.show_slide == slides) KillTimer(window, wparam);
        }
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        const Presentation& p = g_model.presentations[size_t(g_model.show_of)];
        HBRUSH brush = CreateSolidBrush(p.color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        HFONT font = CreateFontW(64, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        const std::wstring text = g_model.show_slide < int(p.sound.size())
                                      ? L"slide " + std::to_wstring(g_model.show_slide + 1)
                                      : L"End of slide show";
        DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        DeleteObject(font);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_KEYDOWN:
        Log("show key 0x" + [&] {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X", unsigned(wparam));
            return std::string(hex);
        }());
        // Escape ends a show, as it does in the application.
        if (wparam == VK_ESCAPE) {
            Log("show ended by Escape");
            EndShow();
        }
        return 0;
    case WM_LBUTTONDOWN:
        Log("show click " + std::to_string(short(LOWORD(lparam))) + "," + std::to_string(short(HIWORD(lparam))));
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

// --- The objects ----------------------------------------------------------------------------

enum class Kind { Application, Presentations, Presentation, SlideShowSettings, Slides, Slide, SlideShowTransition,
                  SoundEffect, SlideShowWindow };

// DISPIDs, one set per object. Item is a collection's default member, as in type libraries.
enum : DISPID {
    kPresentations = 1, kQuit, kVisible, kName,                          // Application
    kOpen = 1, kCount,                                                   // Presentations
    kSlideShowSettings = 1, kSlides, kSlideShowWindow, kFullName = 5,    // Presentation (kName too)
    kLoopUntilStopped = 1, kShowType, kRun,                              // SlideShowSettings
    kItem = DISPID_VALUE,                                                // Slides (kCount too)
    kSlideShowTransition = 1, kSlideIndex,                               // Slide
    kSoundEffect = 1,                                                    // SlideShowTransition
    kType = 1,                                                           // SoundEffect
    kHeight = 1, kWidth,                                                 // SlideShowWindow
};

// In the order of Kind.
const Interface kInterfaces[] = {
    {"Application",
     kSource,
     {{L"Presentations", kPresentations, kGet},
      {L"Quit", kQuit, kMethod},
      {L"Visible", kVisible, kGet | kPut, VT_I4},
      {L"Name", kName, kGet}}},
    {"Presentations",
     kSource,
     {{L"Open",
       kOpen,
       kMethod,
       VT_EMPTY,
       {{L"FileName", VT_BSTR},
        {L"ReadOnly", VT_I4, true, kMsoFalse},
        {L"Untitled", VT_I4, true, kMsoFalse},
        {L"WithWindow", VT_I4, true, kMsoTrue}}},
      {L"Count", kCount, kGet}}},
    {"Presentation",
     kSource,
     {{L"SlideShowSettings", kSlideShowSettings, kGet},
      {L"Slides", kSlides, kGet},
      {L"SlideShowWindow", kSlideShowWindow, kGet},
      {L"Name", kName, kGet},
      {L"FullName", kFullName, kGet}}},
    {"SlideShowSettings",
     kSource,
     {{L"LoopUntilStopped", kLoopUntilStopped, kGet | kPut, VT_I4},
      {L"ShowType", kShowType, kGet | kPut, VT_I4},
      {L"Run", kRun, kMethod}}},
    {"Slides", kSource, {{L"Item", kItem, kMethod, VT_EMPTY, {{L"Index", VT_I4}}}, {L"Count", kCount, kGet}}},
    {"Slide", kSource, {{L"SlideShowTransition", kSlideShowTransition, kGet}, {L"SlideIndex", kSlideIndex, kGet}}},
    {"SlideShowTransition", kSource, {{L"SoundEffect", kSoundEffect, kGet}}},
    {"SoundEffect", kSource, {{L"Type", kType, kGet | kPut, VT_I4}}},
    {"SlideShowWindow", kSource, {{L"Height", kHeight, kGet}, {L"Width", kWidth, kGet}}},
};

std::atomic<long> g_live{0};  // objects alive, the application included

void EndWhenReleased() {
    if (g_model.ending && g_live == 0) PostQuitMessage(0);
}

// The failure the settings ask of this member, if any: with a description it is raised as
// DISP_E_EXCEPTION (scode fail-hresult or E_FAIL); with fail-text empty, or fail-hresult alone,
// the code is returned as it is.
HRESULT InjectedFailure(const Interface& i, const Member& m, std::wstring& error) {
    const std::wstring qualified = Wide(i.log_name) + L"." + m.name;
    bool named = false;
    for (const std::wstring& f : g_config.fail) named = named || EqualNoCase(f, m.name) || EqualNoCase(f, qualified);
    if (!named) return S_OK;
    const HRESULT code = g_config.fail_hresult.value_or(E_FAIL);
    if (g_config.fail_text) error = *g_config.fail_text;
    else if (!g_config.fail_hresult) error = L"The stand-in was told to fail " + std::wstring(m.name);
    return code;
}

// Reads or writes an enumerated property; a value outside `allowed` is refused as the
// application refuses it, with a description.
HRESULT Property(Call& call, LONG& field, std::initializer_list<LONG> allowed) {
    if (call.access != kPut) {
        call.result = Variant::Int(field);
        return S_OK;
    }
    const LONG value = call.args[0]->lVal;
    for (LONG a : allowed) {
        if (a != value) continue;
        field = value;
        return S_OK;
    }
    call.error = std::wstring(call.member.name) + L": the value " + std::to_wstring(value) + L" is out of range";
    return E_INVALIDARG;
}

class AutomationObject final : public IDispatch {
public:
    explicit AutomationObject(Kind kind, int presentation = -1, int slide = -1)
        : kind_(kind), presentation_(presentation), slide_(slide) {
        ++g_live;
    }
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --refs_;
        if (left == 0) {
            delete this;
            EndWhenReleased();
        }
        return ULONG(left);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return GetIdsOfNames(Table(), riid, names, count, ids, Log);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* arg_error) override {
        return standin::Invoke(Table(), id, riid, flags, params, result, excep, arg_error,
                               [this](Call& call) { return Perform(call); }, Log);
    }

private:
    ~AutomationObject() { --g_live; }

    const Interface& Table() const { return kInterfaces[int(kind_)]; }
    Presentation& Document() const { return g_model.presentations[size_t(presentation_)]; }

    static Variant New(Kind kind, int presentation = -1, int slide = -1) {
        return Variant::Object(new AutomationObject(kind, presentation, slide));
    }

    HRESULT NoShow(Call& call) const {
        call.error = L"There is no slide show running for this presentation";
        return E_FAIL;
    }

    HRESULT Perform(Call& call) {
        if (g_model.quitting) return CO_E_SERVER_STOPPING;
        if (const HRESULT hr = InjectedFailure(Table(), call.member, call.error); FAILED(hr)) return hr;
        const DISPID id = call.member.id;
        switch (kind_) {
        case Kind::Application:
            if (id == kPresentations) call.result = New(Kind::Presentations);
            if (id == kQuit) {
                g_model.quitting = true;
                PostMessageW(g_control, kEndMessage, 0, 0);
            }
            if (id == kVisible) return Property(call, g_model.visible, {kMsoTrue, kMsoFalse, kMsoCTrue});
            if (id == kName) call.result = Variant::String(kSource);
            return S_OK;
        case Kind::Presentations:
            if (id == kCount) call.result = Variant::Int(LONG(g_model.presentations.size()));
            if (id == kOpen) return Open(call);
            return S_OK;
        case Kind::Presentation:
            if (id == kSlideShowSettings) call.result = New(Kind::SlideShowSettings, presentation_);
            if (id == kSlides) call.result = New(Kind::Slides, presentation_);
            if (id == kName) call.result = Variant::String(Document().name);
            if (id == kFullName) call.result = Variant::String(Document().path);
            if (id == kSlideShowWindow) {
                if (g_model.show_of != presentation_) return NoShow(call);
                call.result = New(Kind::SlideShowWindow, presentation_);
            }
            return S_OK;
        case Kind::SlideShowSettings:
            if (id == kLoopUntilStopped)
                return Property(call, Document().loop_until_stopped, {kMsoTrue, kMsoFalse, kMsoCTrue});
            if (id == kShowType) return Property(call, Document().show_type, {kShowSpeaker, kShowWindow, kShowKiosk});
            return Run(call);
        case Kind::Slides: {
            const LONG count = LONG(Document().sound.size());
            if (id == kCount) {
                call.result = Variant::Int(count);
                return S_OK;
            }
            const LONG index = call.args[0]->lVal;
            if (index < 1 || index > count) {
                call.error = L"Slides.Item: the index " + std::to_wstring(index) + L" is out of the range 1 to " +
                             std::to_wstring(count);
                return DISP_E_BADINDEX;
            }
            call.result = New(Kind::Slide, presentation_, int(index - 1));
            return S_OK;
        }
        case Kind::Slide:
            if (id == kSlideShowTransition) call.result = New(Kind::SlideShowTransition, presentation_, slide_);
            if (id == kSlideIndex) call.result = Variant::Int(slide_ + 1);
            return S_OK;
        case Kind::SlideShowTransition:
            call.result = New(Kind::SoundEffect, presentation_, slide_);
            return S_OK;
        case Kind::SoundEffect:
            // The two values a program may set; ppSoundFile comes only with a sound file.
            return Property(call, Document().sound[size_t(slide_)], {kSoundNone, kSoundStopPrevious});
        case Kind::SlideShowWindow: {
            if (g_model.show_of != presentation_) return NoShow(call);
            RECT r;
            GetWindowRect(g_model.show_window, &r);
            const LONG pixels = id == kHeight ? r.bottom - r.top : r.right - r.left;
            call.result = Variant::Float(float(pixels) * 0.75f);  // points at 96 dpi
            return S_OK;
        }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT Open(Call& call) {
        std::wstring error;
        auto p = ReadPresentation(call.args[0]->bstrVal ? call.args[0]->bstrVal : L"", error);
        if (!p) {
            call.error = error;
            return E_FAIL;
        }
        g_model.presentations.push_back(std::move(*p));
        call.result = New(Kind::Presentation, int(g_model.presentations.size() - 1));
        return S_OK;
    }

    // Opens the show's window: full screen and topmost, or a plain window for ppShowTypeWindow.
    HRESULT Run(Call& call) {
        EndShow();
        const Presentation& p = Document();
        const bool windowed = p.show_type == kShowWindow;
        const int width = windowed ? 640 : GetSystemMetrics(SM_CXSCREEN);
        const int height = windowed ? 480 : GetSystemMetrics(SM_CYSCREEN);
        g_model.show_of = presentation_;
        g_model.show_slide = 0;
        const std::wstring title = L"Slide Show - " + p.name;
        g_model.show_window = CreateWindowExW(windowed ? 0 : WS_EX_TOPMOST, kShowClass, title.c_str(),
                                              (windowed ? WS_OVERLAPPEDWINDOW : WS_POPUP) | WS_VISIBLE,
                                              windowed ? 100 : 0, windowed ? 100 : 0, width, height, nullptr, nullptr,
                                              GetModuleHandleW(nullptr), nullptr);
        if (!g_model.show_window) {
            g_model.show_of = -1;
            call.error = L"The slide show window could not be made (error " + std::to_wstring(GetLastError()) + L")";
            return E_FAIL;
        }
        SetTimer(g_model.show_window, 1, 1000, nullptr);
        SetForegroundWindow(g_model.show_window);
        call.result = New(Kind::SlideShowWindow, presentation_);
        return S_OK;
    }

    std::atomic<long> refs_{1};
    const Kind kind_;
    const int presentation_, slide_;
};

AutomationObject* g_application = nullptr;  // the server's own reference until it ends
DWORD g_class_cookie = 0, g_running_cookie = 0;

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // a static object
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    // Every caller gets the one application, as with the real one.
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        const std::string call = "IClassFactory::CreateInstance " + InterfaceName(riid);
        HRESULT hr = S_OK;
        if (!out) hr = E_POINTER;
        else *out = nullptr;
        if (SUCCEEDED(hr) && outer) hr = CLASS_E_NOAGGREGATION;
        if (SUCCEEDED(hr) && (g_model.quitting || !g_application)) hr = CO_E_SERVER_STOPPING;
        if (SUCCEEDED(hr)) hr = g_application->QueryInterface(riid, out);
        Log(call + " -> " + HresultName(hr));
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        Log(std::string("IClassFactory::LockServer ") + (lock ? "TRUE" : "FALSE") + " -> S_OK");
        return S_OK;
    }
};
ClassFactory g_factory;

// After Quit: no new callers, no show, and the end once every object is released (or when the
// grace time is over, so a caller that leaks a reference cannot keep the server forever).
void BeginEnd() {
    if (g_model.ending) return;
    EndShow();
    if (g_running_cookie) RevokeActiveObject(g_running_cookie, nullptr);
    if (g_class_cookie) CoRevokeClassObject(g_class_cookie);
    g_model.ending = true;
    g_application->Release();
    SetTimer(nullptr, 0, kGraceMs, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
    EndWhenReleased();
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kEndMessage) {
        BeginEnd();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSW show{};
    show.lpfnWndProc = ShowProc;
    show.hInstance = instance;
    show.hCursor = LoadCursor(nullptr, IDC_ARROW);
    show.lpszClassName = kShowClass;
    WNDCLASSW control{};
    control.lpfnWndProc = ControlProc;
    control.hInstance = instance;
    control.lpszClassName = kControlClass;
    return RegisterClassW(&show) && RegisterClassW(&control);
}

std::string Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring out;
    for (int k = 1; argv && k < count; ++k) out += (k > 1 ? L" " : L"") + std::wstring(argv[k]);
    LocalFree(argv);
    return Utf8(out);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::string config_error = ReadConfig(ModuleFolder(nullptr) + L"presentation_standin.cfg", g_config);
    Log("started " + Arguments() + " pid=" + std::to_string(GetCurrentProcessId()));
    if (!config_error.empty()) Log("config error: " + config_error);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) || !RegisterClasses(instance)) {
        Log("ended: COM or the window classes did not start");
        return 1;
    }
    g_control = CreateWindowExW(0, kControlClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    g_application = new AutomationObject(Kind::Application);
    HRESULT hr = CoRegisterClassObject(kClsid, &g_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &g_class_cookie);
    if (FAILED(hr)) Log("CoRegisterClassObject -> " + HresultName(hr));
    hr = RegisterActiveObject(g_application, kClsid, ACTIVEOBJECT_STRONG, &g_running_cookie);
    if (FAILED(hr)) Log("RegisterActiveObject -> " + HresultName(hr));

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Objects still alive here are references the caller never released.
    Log("ended objects=" + std::to_string(g_live.load()));
    if (g_control) DestroyWindow(g_control);
    CoUninitialize();
    return 0;
}
