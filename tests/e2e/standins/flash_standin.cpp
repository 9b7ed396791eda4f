// Stands in for the Flash ActiveX control: an in-process COM server under the control's CLSID
// and ProgID that an OLE container can host in place, driven through IDispatch (Movie,
// TotalFrames, CurrentFrame, Play, Stop). Its "movies" are small text files (see README.md);
// its window shows the loaded movie's colour so that a screenshot tells which movie is on.
// Every call is one line in the file named by FLASH_STANDIN_LOG (no log when it is unset).
#include "automation.h"
#include "standin_support.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>

using Microsoft::WRL::ComPtr;
using namespace standin;

namespace {

constexpr CLSID kClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr wchar_t kWindowClass[] = L"FlashStandinWindow";

HINSTANCE g_module = nullptr;
std::atomic<long> g_objects{0};  // live controls
std::atomic<long> g_locks{0};    // IClassFactory::LockServer
bool g_class_registered = false;

void Log(const std::string& line) {
    const std::wstring path = EnvironmentValue(L"FLASH_STANDIN_LOG");
    if (!path.empty()) AppendLine(path, line);
}

HRESULT Logged(const std::string& call, HRESULT hr) {
    Log(call + " -> " + HresultName(hr));
    return hr;
}

// --- Movies ---------------------------------------------------------------------------------

struct Movie {
    int frames = 0;  // 0: no movie
    double rate = 12;
    COLORREF color = RGB(0x80, 0x80, 0x80);
    bool fail_play = false;
};

// Reads a movie file; on failure says why in `error` and returns an empty movie.
Movie LoadMovie(const std::wstring& path, std::string& error) {
    const auto settings = ReadSettings(path, {"frames", "rate", "color", "fail-play"}, error);
    if (!error.empty()) return {};
    Movie movie;
    bool has_frames = false;
    for (const Setting& s : settings) {
        if (s.key == "frames") {
            auto v = ParseInteger(s.value, 1, 100000);
            if (!v) return error = Quoted(path) + ": " + ValueError(s, "a whole number from 1 to 100000"), Movie();
            movie.frames = int(*v);
            has_frames = true;
        } else if (s.key == "rate") {
            auto v = ParseNumber(s.value, 0.01, 1000);
            if (!v) return error = Quoted(path) + ": " + ValueError(s, "frames a second from 0.01 to 1000"), Movie();
            movie.rate = *v;
        } else if (s.key == "color") {
            auto v = ParseColor(s.value);
            if (!v) return error = Quoted(path) + ": " + ValueError(s, "a colour RRGGBB"), Movie();
            movie.color = *v;
        } else if (s.key == "fail-play") {
            if (s.has_value) return error = Quoted(path) + ": " + ValueError(s, "a flag without a value"), Movie();
            movie.fail_play = true;
        }
    }
    if (!has_frames) {
        error = Quoted(path) + ": no frames= line";
        return {};
    }
    return movie;
}

// --- The control's window -------------------------------------------------------------------

// The window keeps the colour to paint in its user data, so painting never reaches the control.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongPtrW(window, GWLP_USERDATA)));
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool RegisterWindowClass() {
    if (g_class_registered) return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = g_module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    g_class_registered = RegisterClassW(&wc) != 0;
    return g_class_registered;
}

// --- The control ----------------------------------------------------------------------------

enum : DISPID { kMovie = 102, kPlay = 112, kStop = 113, kTotalFrames = 124, kCurrentFrame = 128 };

const Interface kDispatch{"Flash",
                          L"Flash stand-in",
                          {{L"Movie", kMovie, kGet | kPut, VT_BSTR},
                           {L"TotalFrames", kTotalFrames, kGet},
                           {L"CurrentFrame", kCurrentFrame, kMethod},
                           {L"Play", kPlay, kMethod},
                           {L"Stop", kStop, kMethod}}};

class FlashControl final : public IOleObject,
                           public IOleInPlaceObject,
                           public IPersistStreamInit,
                           public IPersistStorage,
                           public IDispatch {
public:
    FlashControl() { ++g_objects; }
    FlashControl(const FlashControl&) = delete;
    FlashControl& operator=(const FlashControl&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject))
            *out = static_cast<IOleObject*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceObject) || IsEqualIID(riid, IID_IOleWindow))
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (IsEqualIID(riid, IID_IPersistStreamInit) || IsEqualIID(riid, IID_IPersist))
            *out = static_cast<IPersistStreamInit*>(this);
        else if (IsEqualIID(riid, IID_IPersistStorage))
            *out = static_cast<IPersistStorage*>(this);
        else if (IsEqualIID(riid, IID_IDispatch))
            *out = static_cast<IDispatch*>(this);
        if (*out) AddRef();
        return Logged("QueryInterface " + InterfaceName(riid), *out ? S_OK : E_NOINTERFACE);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override {
        const long left = --refs_;
        if (left == 0) {
            Log("released");
            delete this;
        }
        return ULONG(left);
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        client_site_ = site;
        return Logged(std::string("IOleObject::SetClientSite site=") + (site ? "set" : "null"), S_OK);
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (!site) return Logged("IOleObject::GetClientSite", E_POINTER);
        *site = client_site_.Get();
        if (*site) (*site)->AddRef();
        return Logged("IOleObject::GetClientSite", S_OK);
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return Logged("IOleObject::SetHostNames", S_OK); }
    STDMETHODIMP Close(DWORD save_option) override {
        Deactivate();
        if (advise_holder_) advise_holder_->SendOnClose();
        return Logged("IOleObject::Close option=" + std::to_string(save_option), S_OK);
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return Logged("IOleObject::SetMoniker", E_NOTIMPL); }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return Logged("IOleObject::GetMoniker", E_NOTIMPL);
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override {
        return Logged("IOleObject::InitFromData", E_NOTIMPL);
    }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** out) override {
        if (out) *out = nullptr;
        return Logged("IOleObject::GetClipboardData", E_NOTIMPL);
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* active_site, LONG, HWND, LPCRECT rect) override {
        const std::string call = "IOleObject::DoVerb verb=" + std::to_string(verb) + " rect=" + RectText(rect);
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return Logged(call, Activate(active_site ? active_site : client_site_.Get(), rect));
        case OLEIVERB_HIDE:
            if (window_) ShowWindow(window_, SW_HIDE);
            return Logged(call, S_OK);
        default:
            return Logged(call, E_NOTIMPL);
        }
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override {
        if (out) *out = nullptr;
        return Logged("IOleObject::EnumVerbs", E_NOTIMPL);
    }
    STDMETHODIMP Update() override { return Logged("IOleObject::Update", S_OK); }
    STDMETHODIMP IsUpToDate() override { return Logged("IOleObject::IsUpToDate", S_OK); }
    STDMETHODIMP GetUserClassID(CLSID* out) override {
        if (!out) return Logged("IOleObject::GetUserClassID", E_POINTER);
        *out = kClsid;
        return Logged("IOleObject::GetUserClassID", S_OK);
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* out) override {
        if (out) *out = nullptr;
        return Logged("IOleObject::GetUserType", OLE_S_USEREG);
    }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
        const std::string call = "IOleObject::SetExtent aspect=" + std::to_string(aspect) + " size=" +
                                 (size ? std::to_string(size->cx) + "x" + std::to_string(size->cy) : "null");
        if (aspect != DVASPECT_CONTENT) return Logged(call, DV_E_DVASPECT);
        if (!size) return Logged(call, E_POINTER);
        extent_ = *size;
        return Logged(call, S_OK);
    }
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
        const std::string call = "IOleObject::GetExtent aspect=" + std::to_string(aspect);
        if (aspect != DVASPECT_CONTENT) return Logged(call, DV_E_DVASPECT);
        if (!size) return Logged(call, E_POINTER);
        *size = extent_;
        return Logged(call + " size=" + std::to_string(size->cx) + "x" + std::to_string(size->cy), S_OK);
    }
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override {
        HRESULT hr = advise_holder_ ? S_OK : CreateOleAdviseHolder(&advise_holder_);
        if (SUCCEEDED(hr)) hr = advise_holder_->Advise(sink, cookie);
        return Logged("IOleObject::Advise", hr);
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        return Logged("IOleObject::Unadvise cookie=" + std::to_string(cookie),
                      advise_holder_ ? advise_holder_->Unadvise(cookie) : OLE_E_NOCONNECTION);
    }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override {
        if (out) *out = nullptr;
        return Logged("IOleObject::EnumAdvise", advise_holder_ ? advise_holder_->EnumAdvise(out) : E_FAIL);
    }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override {
        if (!status) return Logged("IOleObject::GetMiscStatus", E_POINTER);
        *status = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                  OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
        return Logged("IOleObject::GetMiscStatus aspect=" + std::to_string(aspect), S_OK);
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return Logged("IOleObject::SetColorScheme", E_NOTIMPL); }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return Logged("IOleInPlaceObject::GetWindow", E_POINTER);
        *out = window_;
        return Logged("IOleInPlaceObject::GetWindow", window_ ? S_OK : E_FAIL);
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override {
        return Logged("IOleInPlaceObject::ContextSensitiveHelp", E_NOTIMPL);
    }
    STDMETHODIMP InPlaceDeactivate() override {
        Deactivate();
        return Logged("IOleInPlaceObject::InPlaceDeactivate", S_OK);
    }
    STDMETHODIMP UIDeactivate() override { return Logged("IOleInPlaceObject::UIDeactivate", S_OK); }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override {
        const std::string call = "IOleInPlaceObject::SetObjectRects pos=" + RectText(pos) + " clip=" + RectText(clip);
        if (!pos) return Logged(call, E_POINTER);
        if (window_) MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return Logged(call, S_OK);
    }
    STDMETHODIMP ReactivateAndUndo() override {
        return Logged("IOleInPlaceObject::ReactivateAndUndo", INPLACE_E_NOTUNDOABLE);
    }

    // IPersist, IPersistStreamInit, IPersistStorage: the control keeps no state to save.
    STDMETHODIMP GetClassID(CLSID* out) override {
        if (!out) return Logged("IPersist::GetClassID", E_POINTER);
        *out = kClsid;
        return Logged("IPersist::GetClassID", S_OK);
    }
    STDMETHODIMP IsDirty() override { return Logged("IPersist::IsDirty", S_FALSE); }
    STDMETHODIMP Load(IStream*) override { return Logged("IPersistStreamInit::Load", S_OK); }
    STDMETHODIMP Save(IStream*, BOOL) override { return Logged("IPersistStreamInit::Save", S_OK); }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return Logged("IPersistStreamInit::GetSizeMax", E_POINTER);
        size->QuadPart = 0;
        return Logged("IPersistStreamInit::GetSizeMax", S_OK);
    }
    STDMETHODIMP InitNew() override { return Logged("IPersistStreamInit::InitNew", S_OK); }
    STDMETHODIMP InitNew(IStorage*) override { return Logged("IPersistStorage::InitNew", S_OK); }
    STDMETHODIMP Load(IStorage*) override { return Logged("IPersistStorage::Load", S_OK); }
    STDMETHODIMP Save(IStorage*, BOOL) override { return Logged("IPersistStorage::Save", S_OK); }
    STDMETHODIMP SaveCompleted(IStorage*) override { return Logged("IPersistStorage::SaveCompleted", S_OK); }
    STDMETHODIMP HandsOffStorage() override { return Logged("IPersistStorage::HandsOffStorage", S_OK); }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return Logged("IDispatch::GetTypeInfoCount", E_POINTER);
        *count = 0;
        return Logged("IDispatch::GetTypeInfoCount", S_OK);
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out) *out = nullptr;
        return Logged("IDispatch::GetTypeInfo", DISP_E_BADINDEX);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return GetIdsOfNames(kDispatch, riid, names, count, ids, Log);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* arg_error) override {
        return standin::Invoke(kDispatch, id, riid, flags, params, result, excep, arg_error,
                               [this](Call& call) { return Perform(call); }, Log);
    }

private:
    using Clock = std::chrono::steady_clock;

    ~FlashControl() {
        Deactivate();
        --g_objects;
    }

    HRESULT Activate(IOleClientSite* site, LPCRECT rect) {
        if (window_) {
            ShowWindow(window_, SW_SHOW);
            return S_OK;
        }
        if (!site) return E_UNEXPECTED;
        ComPtr<IOleInPlaceSite> inplace;
        if (FAILED(site->QueryInterface(IID_PPV_ARGS(&inplace)))) return E_NOINTERFACE;
        if (inplace->CanInPlaceActivate() != S_OK) return E_FAIL;
        HRESULT hr = inplace->OnInPlaceActivate();
        if (FAILED(hr)) return hr;
        HWND parent = nullptr;
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> document;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof info;
        hr = inplace->GetWindow(&parent);
        // The site's rectangle wins; the one given to DoVerb serves when the site has none.
        if (SUCCEEDED(hr) && FAILED(inplace->GetWindowContext(&frame, &document, &pos, &clip, &info))) {
            if (rect) pos = *rect;
            else hr = E_INVALIDARG;
        }
        if (SUCCEEDED(hr) && !RegisterWindowClass()) hr = HRESULT_FROM_WIN32(GetLastError());
        if (SUCCEEDED(hr)) {
            window_ = CreateWindowExW(0, kWindowClass, L"Flash stand-in", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                      pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                                      g_module, nullptr);
            if (!window_) hr = HRESULT_FROM_WIN32(GetLastError());
        }
        if (FAILED(hr)) {
            inplace->OnInPlaceDeactivate();
            return hr;
        }
        SetWindowLongPtrW(window_, GWLP_USERDATA, LONG_PTR(movie_.frames ? movie_.color : RGB(0, 0, 0)));
        inplace_site_ = inplace;
        return S_OK;
    }

    void Deactivate() {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        if (inplace_site_) inplace_site_->OnInPlaceDeactivate();
        inplace_site_.Reset();
    }

    int CurrentFrame() const {
        if (movie_.frames == 0) return 0;
        double seconds = played_seconds_;
        if (playing_) seconds += std::chrono::duration<double>(Clock::now() - play_start_).count();
        return int(std::min<double>(movie_.frames - 1, std::floor(seconds * movie_.rate)));
    }

    HRESULT Perform(Call& call) {
        switch (call.member.id) {
        case kMovie:
            if (call.access == kGet) {
                call.result = Variant::String(movie_path_);
                return S_OK;
            }
            LoadMovie(call.args[0]->bstrVal);
            return S_OK;
        case kTotalFrames:
            call.result = Variant::Int(movie_.frames);
            return S_OK;
        case kCurrentFrame:
            call.result = Variant::Int(CurrentFrame());
            return S_OK;
        case kPlay:
            if (movie_.fail_play) {
                call.error = L"The movie was told to fail Play";
                return E_FAIL;
            }
            if (!playing_ && movie_.frames) {
                playing_ = true;
                play_start_ = Clock::now();
            }
            return S_OK;
        case kStop:
            if (playing_) played_seconds_ += std::chrono::duration<double>(Clock::now() - play_start_).count();
            playing_ = false;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // A new movie starts stopped at frame 0, whether it loaded or not.
    void LoadMovie(const wchar_t* path) {
        movie_path_ = path ? path : L"";
        std::string error;
        movie_ = ::LoadMovie(movie_path_, error);
        if (movie_.frames)
            Log("movie loaded frames=" + std::to_string(movie_.frames) + " rate=" + NumberText(movie_.rate) +
                " color=" + ColorText(movie_.color) + (movie_.fail_play ? " fail-play" : ""));
        else
            Log("movie error: " + error);
        playing_ = false;
        played_seconds_ = 0;
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, LONG_PTR(movie_.frames ? movie_.color : RGB(0, 0, 0)));
            InvalidateRect(window_, nullptr, FALSE);
        }
    }

    std::atomic<long> refs_{1};
    ComPtr<IOleClientSite> client_site_;
    ComPtr<IOleInPlaceSite> inplace_site_;
    ComPtr<IOleAdviseHolder> advise_holder_;
    HWND window_ = nullptr;
    SIZEL extent_{8467, 6350};  // 320 x 240 pixels at 96 dpi, in HIMETRIC
    std::wstring movie_path_;
    Movie movie_;
    bool playing_ = false;
    Clock::time_point play_start_{};
    double played_seconds_ = 0;
};

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    // The factory is a static object: its count does not keep anything alive.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        const std::string call = "IClassFactory::CreateInstance " + InterfaceName(riid);
        if (!out) return Logged(call, E_POINTER);
        *out = nullptr;
        if (outer) return Logged(call, CLASS_E_NOAGGREGATION);
        auto* control = new (std::nothrow) FlashControl;
        if (!control) return Logged(call, E_OUTOFMEMORY);
        const HRESULT hr = control->QueryInterface(riid, out);
        control->Release();
        return Logged(call, hr);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return Logged(std::string("IClassFactory::LockServer ") + (lock ? "TRUE" : "FALSE"), S_OK);
    }
};

ClassFactory g_factory;

// --- Registration ---------------------------------------------------------------------------

struct RegistryValue {
    const wchar_t* key;    // below HKEY_CLASSES_ROOT
    const wchar_t* name;   // null: the key's default value
    const wchar_t* value;  // null: this DLL's path
};

#define FLASH_CLSID L"{D27CDB6E-AE6D-11CF-96B8-444553540000}"
const RegistryValue kRegistry[] = {
    {L"CLSID\\" FLASH_CLSID, nullptr, L"Flash control stand-in"},
    {L"CLSID\\" FLASH_CLSID L"\\InprocServer32", nullptr, nullptr},
    {L"CLSID\\" FLASH_CLSID L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"CLSID\\" FLASH_CLSID L"\\ProgID", nullptr, L"ShockwaveFlash.ShockwaveFlash.1"},
    {L"CLSID\\" FLASH_CLSID L"\\VersionIndependentProgID", nullptr, L"ShockwaveFlash.ShockwaveFlash"},
    {L"ShockwaveFlash.ShockwaveFlash", nullptr, L"Flash control stand-in"},
    {L"ShockwaveFlash.ShockwaveFlash\\CLSID", nullptr, FLASH_CLSID},
    {L"ShockwaveFlash.ShockwaveFlash\\CurVer", nullptr, L"ShockwaveFlash.ShockwaveFlash.1"},
    {L"ShockwaveFlash.ShockwaveFlash.1", nullptr, L"Flash control stand-in"},
    {L"ShockwaveFlash.ShockwaveFlash.1\\CLSID", nullptr, FLASH_CLSID},
};
const wchar_t* const kRegistryTrees[] = {L"CLSID\\" FLASH_CLSID, L"ShockwaveFlash.ShockwaveFlash",
                                         L"ShockwaveFlash.ShockwaveFlash.1"};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    const std::string call = "DllGetClassObject " + GuidText(clsid) + " " + InterfaceName(riid);
    if (!out) return Logged(call, E_POINTER);
    *out = nullptr;
    if (!IsEqualCLSID(clsid, kClsid)) return Logged(call, CLASS_E_CLASSNOTAVAILABLE);
    return Logged(call, g_factory.QueryInterface(riid, out));
}

STDAPI DllCanUnloadNow() {
    const long objects = g_objects, locks = g_locks;
    const HRESULT hr = objects == 0 && locks == 0 ? S_OK : S_FALSE;
    // The window class goes with the DLL: a later load registers it again at its new address.
    if (hr == S_OK && g_class_registered) g_class_registered = !UnregisterClassW(kWindowClass, g_module);
    return Logged("DllCanUnloadNow objects=" + std::to_string(objects) + " locks=" + std::to_string(locks), hr);
}

STDAPI DllRegisterServer() {
    std::wstring module(MAX_PATH, L'\0');
    module.resize(GetModuleFileNameW(g_module, module.data(), MAX_PATH));
    for (const RegistryValue& v : kRegistry) {
        HKEY key = nullptr;
        LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, v.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (rc == ERROR_SUCCESS) {
            const std::wstring value = v.value ? v.value : module;
            rc = RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                DWORD((value.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        if (rc != ERROR_SUCCESS) return Logged("DllRegisterServer", SELFREG_E_CLASS);
    }
    return Logged("DllRegisterServer " + Quoted(module), S_OK);
}

STDAPI DllUnregisterServer() {
    for (const wchar_t* tree : kRegistryTrees) {
        const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, tree);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return Logged("DllUnregisterServer", SELFREG_E_CLASS);
    }
    return Logged("DllUnregisterServer", S_OK);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // Objects still counted here were never released by their host.
        Log("dll unload objects=" + std::to_string(g_objects.load()) + " locks=" + std::to_string(g_locks.load()));
    }
    return TRUE;
}
