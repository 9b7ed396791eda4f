// The Flash stand-in as the saver will meet it: created by ProgID, hosted in place through
// OleCreate with a storage, driven through IDispatch, then closed and released.
#include "check_common.h"
#include "check_sections.h"

#include <ocidl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

using namespace standin;

namespace check {
namespace {

constexpr CLSID kFlashClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr COLORREF kHostColor = RGB(0, 128, 0);

// A container's site with the least an in-place control needs. It lives on the heap and is
// freed only when the control has given back every reference it took.
class Site final : public IOleClientSite, public IOleInPlaceSite {
public:
    explicit Site(HWND window) : window_(window) {}
    long refs() const { return refs_; }
    int deactivations() const { return deactivations_; }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceSite) || IsEqualIID(riid, IID_IOleWindow))
            *out = static_cast<IOleInPlaceSite*>(this);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs_); }

    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !pos || !clip || !info) return E_POINTER;
        *frame = nullptr;  // Wine accepts null frame and document windows (WINE-NOTES)
        *document = nullptr;
        GetClientRect(window_, pos);
        *clip = *pos;
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override {
        ++deactivations_;
        return S_OK;
    }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

private:
    HWND window_;
    long refs_ = 1;
    int deactivations_ = 0;
};

HWND MakeHost() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = CreateSolidBrush(kHostColor);
    wc.lpszClassName = L"StandinCheckHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"stand-in check host", WS_POPUP | WS_VISIBLE, 100,
                                100, 320, 240, nullptr, nullptr, wc.hInstance, nullptr);
    if (!host) Fail("cannot make the host window");
    return host;
}

// A point of `window`'s client area on the screen.
POINT ScreenPoint(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    return p;
}

POINT Centre(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return ScreenPoint(window, r.right / 2, r.bottom / 2);
}

void CheckRegistration() {
    for (const wchar_t* progid : {L"ShockwaveFlash.ShockwaveFlash", L"ShockwaveFlash.ShockwaveFlash.1"}) {
        CLSID clsid{};
        ExpectHr(Utf8(progid) + " is registered", CLSIDFromProgID(progid, &clsid), S_OK);
        if (!IsEqualCLSID(clsid, kFlashClsid)) Fail(Utf8(progid) + " names " + GuidText(clsid));
    }
}

// Movie files, good and bad, in a control that is not hosted (CoCreateInstance and
// IPersistStreamInit::InitNew: the other way a container may start one).
void CheckMovieFiles(const std::wstring& log) {
    ComPtr<IDispatch> flash;
    ExpectHr("CoCreateInstance", CoCreateInstance(kFlashClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&flash)),
             S_OK);
    ComPtr<IPersistStreamInit> persist;
    if (!flash || FAILED(flash.As(&persist)) || FAILED(persist->InitNew())) return Fail("IPersistStreamInit::InitNew");
    persist.Reset();

    struct MovieCase {
        const char* what;
        const wchar_t* file;
        const char* content;  // null: the file does not exist
        size_t size;          // of content, so that it may hold NUL bytes
        long frames;          // TotalFrames after loading
        const char* log;      // the line loading leaves, %WORK% expanded
    };
    const std::string too_big(70000, '#');
    const MovieCase cases[] = {
        {"plain movie", L"good.movie", "frames=3\nrate=2\ncolor=FF0000\n", 0, 3,
         "movie loaded frames=3 rate=2 color=FF0000"},
        {"CRLF, comments, spaces, no colour", L"crlf.movie", "# a movie\r\n frames = 5 \r\nrate=0.5\r\n", 0, 5,
         "movie loaded frames=5 rate=0.5 color=808080"},
        {"fail-play flag", L"failing.movie", "frames=2\nfail-play\n", 0, 2,
         "movie loaded frames=2 rate=12 color=808080 fail-play"},
        {"missing file", L"absent.movie", nullptr, 0, 0,
         R"(movie error: "%WORK%\absent.movie": cannot open (error 2))"},
        {"empty file", L"empty.movie", "", 0, 0, R"(movie error: "%WORK%\empty.movie": no frames= line)"},
        {"frames not a number", L"letters.movie", "frames=abc\n", 0, 0,
         R"(movie error: "%WORK%\letters.movie": line 1: frames="abc" is not a whole number from 1 to 100000)"},
        {"zero frames", L"zero.movie", "frames=0\n", 0, 0,
         R"(movie error: "%WORK%\zero.movie": line 1: frames="0" is not a whole number from 1 to 100000)"},
        {"frames beyond 64 bits", L"huge.movie", "frames=99999999999999999999999\n", 0, 0,
         R"(movie error: "%WORK%\huge.movie": line 1: frames="99999999999999999999999" )"
         "is not a whole number from 1 to 100000"},
        {"zero rate", L"still.movie", "frames=2\nrate=0\n", 0, 0,
         R"(movie error: "%WORK%\still.movie": line 2: rate="0" is not frames a second from 0.01 to 1000)"},
        {"rate with trailing text", L"rate.movie", "frames=2\nrate=2fps\n", 0, 0,
         R"(movie error: "%WORK%\rate.movie": line 2: rate="2fps" is not frames a second from 0.01 to 1000)"},
        {"colour not hexadecimal", L"colour.movie", "frames=2\ncolor=GG0000\n", 0, 0,
         R"(movie error: "%WORK%\colour.movie": line 2: color="GG0000" is not a colour RRGGBB)"},
        {"unknown key", L"typo.movie", "frame=2\n", 0, 0,
         R"(movie error: "%WORK%\typo.movie": line 1: unknown key "frame")"},
        {"flag with a value", L"flag.movie", "frames=2\nfail-play=yes\n", 0, 0,
         R"(movie error: "%WORK%\flag.movie": line 2: fail-play="yes" is not a flag without a value)"},
        {"binary file", L"binary.movie", "frames=2\n\0\x01\x02", 12, 0,
         R"(movie error: "%WORK%\binary.movie": not a text file (it contains a NUL byte))"},
        {"file too big", L"big.movie", too_big.c_str(), 0, 0,
         R"(movie error: "%WORK%\big.movie": larger than 65536 bytes)"},
    };
    for (const MovieCase& c : cases) {
        const std::wstring path = WorkFile(c.file);
        DeleteFileW(path.c_str());
        if (c.content) WriteText(path, std::string_view(c.content, c.size ? c.size : std::strlen(c.content)));
        ExpectHr(std::string(c.what) + ": Movie put", Put(flash.Get(), L"Movie", Variant::String(path)).hr, S_OK);
        ExpectEq(std::string(c.what) + ": log", LastLine(log, 1), Expand(c.log));
        const Result frames = Get(flash.Get(), L"TotalFrames");
        ExpectEq(std::string(c.what) + ": TotalFrames", VariantText(*frames.value),
                 "VT_I4:" + std::to_string(c.frames));
    }
    flash.Reset();
    ExpectEq("unhosted control: last log line", LastLine(log), "released");
}

void CheckNames(IDispatch* flash, const std::wstring& log) {
    const struct {
        const wchar_t* name;
        DISPID want;
    } names[] = {{L"Movie", 102},       {L"movie", 102}, {L"TOTALFRAMES", 124}, {L"CurrentFrame", 128},
                 {L"play", 112},        {L"Stop", 113},  {L"Rewind", DISPID_UNKNOWN}, {L"", DISPID_UNKNOWN}};
    for (const auto& n : names) {
        auto* name = const_cast<LPOLESTR>(n.name);
        DISPID id = 0;
        const HRESULT hr = flash->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        const std::string what = "GetIDsOfNames " + Quoted(n.name);
        ExpectHr(what, hr, n.want == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
        ExpectEq(what + ": DISPID", id, n.want);
    }
    ExpectEq("GetIDsOfNames log line", LastLine(log, 2), R"(Flash.GetIDsOfNames "Stop" -> S_OK 113)");
    ExpectEq("GetIDsOfNames log line of an unknown name", LastLine(log, 1),
             R"(Flash.GetIDsOfNames "Rewind" -> DISP_E_UNKNOWNNAME -1)");
}

// Ways of calling that a type-library server refuses, and two it must take.
void CheckStrictness(IDispatch* flash, const std::wstring& log) {
    const Case cases[] = {
        {"put without DISPID_PROPERTYPUT", L"Movie", 0, DISPATCH_PROPERTYPUT, {{VT_BSTR, 0, L"x"}}, {},
         DISP_E_PARAMNOTFOUND, R"(Flash.Movie PROPERTYPUT #1=VT_BSTR:"x" -> DISP_E_PARAMNOTFOUND)"},
        {"put on a method", L"Play", 0, DISPATCH_PROPERTYPUT, {{VT_I4, 1}}, {DISPID_PROPERTYPUT},
         DISP_E_MEMBERNOTFOUND, "Flash.Play PROPERTYPUT [-3]=VT_I4:1 -> DISP_E_MEMBERNOTFOUND"},
        {"put on a read-only property", L"TotalFrames", 0, DISPATCH_PROPERTYPUT, {{VT_I4, 3}},
         {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND, ""},
        {"PROPERTYPUTREF", L"Movie", 0, DISPATCH_PROPERTYPUTREF, {{VT_BSTR, 0, L"x"}}, {DISPID_PROPERTYPUT},
         DISP_E_MEMBERNOTFOUND, ""},
        {"property called as a method", L"TotalFrames", 0, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND,
         "Flash.TotalFrames METHOD -> DISP_E_MEMBERNOTFOUND"},
        {"property read with METHOD|PROPERTYGET", L"TotalFrames", 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {},
         S_OK, "Flash.TotalFrames METHOD|PROPERTYGET -> S_OK VT_I4:0"},
        {"method read as a property", L"CurrentFrame", 0, DISPATCH_PROPERTYGET, {}, {}, DISP_E_MEMBERNOTFOUND,
         "Flash.CurrentFrame PROPERTYGET -> DISP_E_MEMBERNOTFOUND"},
        {"method called with METHOD|PROPERTYGET", L"CurrentFrame", 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {},
         S_OK, "Flash.CurrentFrame METHOD|PROPERTYGET -> S_OK VT_I4:0"},
        {"argument to a method without parameters", L"Play", 0, DISPATCH_METHOD, {{VT_I4, 1}}, {},
         DISP_E_BADPARAMCOUNT, "Flash.Play METHOD #1=VT_I4:1 -> DISP_E_BADPARAMCOUNT"},
        {"argument to a property read", L"TotalFrames", 0, DISPATCH_PROPERTYGET, {{VT_I4, 1}}, {},
         DISP_E_BADPARAMCOUNT, ""},
        {"named argument to a property read", L"TotalFrames", 0, DISPATCH_PROPERTYGET, {{VT_I4, 1}}, {0},
         DISP_E_NONAMEDARGS, ""},
        {"put of a null object", L"Movie", 0, DISPATCH_PROPERTYPUT, {{VT_DISPATCH}}, {DISPID_PROPERTYPUT},
         DISP_E_TYPEMISMATCH, "Flash.Movie PROPERTYPUT value=VT_DISPATCH:null -> DISP_E_TYPEMISMATCH"},
        {"no flags", L"Play", 0, 0, {}, {}, DISP_E_MEMBERNOTFOUND, "Flash.Play 0x0 -> DISP_E_MEMBERNOTFOUND"},
        {"unknown DISPID", nullptr, 999, DISPATCH_METHOD, {{VT_I2, 7}}, {}, DISP_E_MEMBERNOTFOUND,
         "Flash.#999 METHOD #1=VT_I2:7 -> DISP_E_MEMBERNOTFOUND"},
    };
    for (const Case& c : cases) RunCase(flash, c, log);

    DISPPARAMS none{};
    ExpectHr("Invoke with an interface ID", flash->Invoke(124, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none,
                                                          nullptr, nullptr, nullptr),
             DISP_E_UNKNOWNINTERFACE);
    ExpectHr("Invoke without DISPPARAMS",
             flash->Invoke(124, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
             E_INVALIDARG);
}

long CurrentFrame(IDispatch* flash) {
    const Result r = Method(flash, L"CurrentFrame");
    return r.value->vt == VT_I4 ? r.value->lVal : -1;
}

// Frames advance with real time after Play, stop with Stop, and end at the last frame.
void CheckPlayback(IDispatch* flash, HWND child, const std::wstring& log) {
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };

    const std::wstring red = WorkFile(L"red.movie");
    WriteText(red, "frames=20\nrate=2\ncolor=FF0000\n");
    ExpectHr("Movie put", Put(flash, L"Movie", Variant::String(red)).hr, S_OK);
    ExpectEq("Movie put log line", LastLine(log), "Flash.Movie PROPERTYPUT value=VT_BSTR:" + Quoted(red) + " -> S_OK");
    ExpectEq("Movie get", VariantText(*Get(flash, L"Movie").value), "VT_BSTR:" + Quoted(red));
    ExpectScreenColor("flash-red", Centre(child), RGB(255, 0, 0));
    ExpectEq("CurrentFrame before Play", CurrentFrame(flash), 0);

    const auto before_play = Clock::now();
    ExpectHr("Play", Method(flash, L"Play").hr, S_OK);
    const auto after_play = Clock::now();
    ExpectEq("Play log line", LastLine(log), "Flash.Play METHOD -> S_OK");
    for (double at : {0.25, 0.75, 1.25}) {
        const double wait = at - seconds(Clock::now() - after_play);
        if (wait > 0) PumpMessages(DWORD(wait * 1000));
        const auto t0 = Clock::now();
        const long frame = CurrentFrame(flash);
        const auto t1 = Clock::now();
        // The control's clock started between before_play and after_play.
        const long low = long(std::floor(seconds(t0 - after_play) * 2));
        const long high = long(std::floor(seconds(t1 - before_play) * 2));
        if (frame < low || frame > high)
            Fail("CurrentFrame " + std::to_string(at) + " s after Play: " + std::to_string(frame) + ", expected " +
                 std::to_string(low) + " to " + std::to_string(high));
    }
    ExpectHr("Stop", Method(flash, L"Stop").hr, S_OK);
    const long stopped = CurrentFrame(flash);
    PumpMessages(700);
    ExpectEq("CurrentFrame 0.7 s after Stop", CurrentFrame(flash), stopped);

    const std::wstring blue = WorkFile(L"blue.movie");
    WriteText(blue, "frames=2\nrate=10\ncolor=0000FF\n");
    Put(flash, L"Movie", Variant::String(blue));
    ExpectEq("CurrentFrame after loading another movie", CurrentFrame(flash), 0);
    Method(flash, L"Play");
    ExpectScreenColor("flash-blue", Centre(child), RGB(0, 0, 255));  // takes a while: the movie ends meanwhile
    ExpectEq("CurrentFrame of an ended movie", CurrentFrame(flash), 1);
    ExpectEq("CurrentFrame log line", LastLine(log), "Flash.CurrentFrame METHOD -> S_OK VT_I4:1");

    const std::wstring failing = WorkFile(L"failing.movie");
    WriteText(failing, "frames=2\nfail-play\n");
    Put(flash, L"Movie", Variant::String(failing));
    const Result play = Method(flash, L"Play");
    ExpectHr("Play of a fail-play movie", play.hr, DISP_E_EXCEPTION);
    ExpectEq("its description", Utf8(play.description), "The movie was told to fail Play");
    ExpectEq("its source", Utf8(play.source), "Flash stand-in");
    ExpectHr("its scode", play.scode, E_FAIL);
    ExpectEq("its log line", LastLine(log),
             R"(Flash.Play METHOD -> DISP_E_EXCEPTION scode=E_FAIL "The movie was told to fail Play")");
    Put(flash, L"Movie", Variant::String(blue));
}

void CheckObjectRects(IOleInPlaceObject* inplace, HWND host, HWND child) {
    const RECT pos{10, 20, 110, 100};
    ExpectHr("SetObjectRects", inplace->SetObjectRects(&pos, &pos), S_OK);
    RECT got{};
    GetWindowRect(child, &got);
    MapWindowPoints(HWND_DESKTOP, host, reinterpret_cast<POINT*>(&got), 2);
    ExpectEq("child window after SetObjectRects", RectText(&got), RectText(&pos));
    ExpectScreenColor("flash-moved-inside", ScreenPoint(host, 60, 60), RGB(0, 0, 255));
    ExpectScreenColor("flash-moved-outside", ScreenPoint(host, 200, 200), kHostColor);
}

}  // namespace

void CheckFlash() {
    const std::wstring log = WorkFile(L"flash.log");
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"FLASH_STANDIN_LOG", log.c_str());
    CheckRegistration();
    CheckMovieFiles(log);

    HWND host = MakeHost();
    auto* site = new Site(host);
    ComPtr<IStorage> storage;
    ExpectHr("StgCreateDocfile",
             StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE, 0,
                              &storage),
             S_OK);
    ComPtr<IOleObject> object;
    const auto t0 = GetTickCount64();
    const HRESULT created = OleCreate(kFlashClsid, IID_IOleObject, OLERENDER_DRAW, nullptr, site, storage.Get(),
                                      reinterpret_cast<void**>(object.GetAddressOf()));
    ExpectHr("OleCreate", created, S_OK);
    if (FAILED(created)) return;
    OleSetContainedObject(object.Get(), TRUE);
    RECT client{};
    GetClientRect(host, &client);
    ExpectHr("DoVerb OLEIVERB_INPLACEACTIVATE",
             object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, host, &client), S_OK);
    Note("OleCreate and DoVerb took " + std::to_string(GetTickCount64() - t0) + " ms");
    const auto lines = LogLines(log);
    for (const char* line : {"IPersistStorage::InitNew -> S_OK", "IOleObject::SetClientSite site=set -> S_OK",
                             "IOleObject::DoVerb verb=-5 rect=0,0,320,240 -> S_OK"})
        if (!Contains(lines, line)) Fail(std::string("no log line ") + line);

    ComPtr<IOleInPlaceObject> inplace;
    HWND child = nullptr;
    if (FAILED(object.As(&inplace)) || FAILED(inplace->GetWindow(&child)) || GetParent(child) != host)
        Fail("the control's window is not a child of the site's window");
    ComPtr<IDispatch> flash;
    object.As(&flash);
    if (flash && child) {
        ExpectScreenColor("flash-black", Centre(child), RGB(0, 0, 0));
        CheckNames(flash.Get(), log);
        CheckStrictness(flash.Get(), log);
        CheckPlayback(flash.Get(), child, log);
        CheckObjectRects(inplace.Get(), host, child);
    }

    // Taken down the way a container does it.
    ExpectHr("Close", object->Close(OLECLOSE_NOSAVE), S_OK);
    if (IsWindow(child)) Fail("the control's window outlives Close");
    ExpectEq("OnInPlaceDeactivate calls", site->deactivations(), 1);
    object->SetClientSite(nullptr);
    flash.Reset();
    inplace.Reset();
    object.Reset();
    storage.Reset();
    ExpectEq("hosted control: last log line", LastLine(log), "released");
    ExpectEq("site references left", site->refs(), 1);
    if (site->refs() == 1) delete site;  // otherwise the control may still call it
    DestroyWindow(host);
    CoFreeUnusedLibraries();
    Note("after CoFreeUnusedLibraries: " + LastLine(log));
}

void CheckFlashUnloaded() {
    const std::wstring log = WorkFile(L"flash.log");
    ExpectEq("flash log after OleUninitialize", LastLine(log), "dll unload objects=0 locks=0");
}

}  // namespace check
