// The presentation stand-in as the saver will meet it: started by COM through its ProgID,
// found again with GetActiveObject, driven from Open to Quit, and gone afterwards.
#include "check_common.h"
#include "check_sections.h"

#include <oleauto.h>

using namespace standin;

namespace check {
namespace {

constexpr CLSID kClsid = {0x91493441, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
constexpr COLORREF kShowColor = RGB(0x33, 0x66, 0x99);

std::wstring LogPath() { return WorkFile(L"presentation.log"); }

struct Server {
    ComPtr<IDispatch> app;
    Handle process;
};

// Writes the server's settings file, then starts it through COM. False when it did not start.
bool Start(Server& s, const std::string& settings) {
    WriteText(g_standins + L"\\presentation_standin.cfg", "log=" + Utf8(LogPath()) + "\n" + Expand(settings));
    DeleteFileW(LogPath().c_str());
    CLSID clsid{};
    ExpectHr("CLSIDFromProgID PowerPoint.Application", CLSIDFromProgID(L"PowerPoint.Application", &clsid), S_OK);
    if (!IsEqualCLSID(clsid, kClsid)) Fail("PowerPoint.Application names " + GuidText(clsid));
    const ULONGLONG t0 = GetTickCount64();
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&s.app));
    ExpectHr("CoCreateInstance", hr, S_OK);
    if (FAILED(hr)) return false;
    Note("CoCreateInstance took " + std::to_string(GetTickCount64() - t0) + " ms");
    const std::string first = LogLines(LogPath()).empty() ? "" : LogLines(LogPath())[0];
    const std::string prefix = "started -Embedding pid=";
    if (first.rfind(prefix, 0) != 0) {
        Fail("first log line: " + first);
        return true;
    }
    const DWORD pid = DWORD(std::stoul(first.substr(prefix.size())));
    s.process = Handle(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!s.process) Fail("cannot open the server's process " + std::to_string(pid));
    return true;
}

// Quits the server (every other reference to it must be gone) and waits for its end.
void Stop(Server& s) {
    ExpectHr("Quit", Method(s.app.Get(), L"Quit").hr, S_OK);
    const ULONGLONG t0 = GetTickCount64();
    s.app.Reset();
    if (!s.process) return;
    if (WaitForSingleObject(s.process.get(), 10000) != WAIT_OBJECT_0)
        return Fail("the server still runs 10 s after Quit");
    Note("the server ended " + std::to_string(GetTickCount64() - t0) + " ms after Quit");
    ExpectEq("last log line", LastLine(LogPath()), "ended objects=0");
}

// Walks the object model, each step only while every step before it succeeded; keeps the first
// failure.
class Driver {
public:
    Driver() { failure_.hr = S_OK; }
    Result Do(const char* step, IDispatch* on, const wchar_t* member, WORD flags, std::vector<Variant> args = {}) {
        if (failed() || !on) return Result();
        Result r = flags == DISPATCH_PROPERTYPUT ? Put(on, member, std::move(args[0]))
                                                 : Invoke(on, IdOf(on, member), flags, std::move(args));
        if (FAILED(r.hr)) {
            failed_step_ = step;
            failure_ = Result{r.hr, Variant(), r.description, r.source, r.scode, r.arg_error};
        }
        return r;
    }
    ComPtr<IDispatch> Object(const char* step, IDispatch* on, const wchar_t* member, WORD flags,
                             std::vector<Variant> args = {}) {
        return ObjectOf(Do(step, on, member, flags, std::move(args)));
    }
    bool failed() const { return !failed_step_.empty(); }
    const std::string& failed_step() const { return failed_step_; }
    const Result& failure() const { return failure_; }

private:
    std::string failed_step_;
    Result failure_;
};

// The saver's way through the object model: open the presentation, set up a looping show with
// every slide's sound off, run it and look at its window. Returns the window's height.
std::string Sequence(Driver& d, IDispatch* app, bool look_at_show) {
    auto presentations = d.Object("Presentations", app, L"Presentations", DISPATCH_PROPERTYGET);
    auto presentation = d.Object("Open", presentations.Get(), L"Open", DISPATCH_METHOD,
                                 Args(Variant::String(WorkFile(L"talk.ppt")), Variant::Int(-1), Variant::Int(-1),
                                      Variant::Int(0)));
    auto settings = d.Object("SlideShowSettings", presentation.Get(), L"SlideShowSettings", DISPATCH_PROPERTYGET);
    d.Do("LoopUntilStopped", settings.Get(), L"LoopUntilStopped", DISPATCH_PROPERTYPUT, Args(Variant::Int(-1)));
    d.Do("ShowType", settings.Get(), L"ShowType", DISPATCH_PROPERTYPUT, Args(Variant::Int(1)));
    auto slides = d.Object("Slides", presentation.Get(), L"Slides", DISPATCH_PROPERTYGET);
    const Result count = d.Do("Count", slides.Get(), L"Count", DISPATCH_PROPERTYGET);
    for (LONG k = 1; count.value->vt == VT_I4 && k <= count.value->lVal; ++k) {
        auto slide = d.Object("Item", slides.Get(), L"Item", DISPATCH_METHOD, Args(Variant::Int(k)));
        auto transition = d.Object("SlideShowTransition", slide.Get(), L"SlideShowTransition", DISPATCH_PROPERTYGET);
        auto sound = d.Object("SoundEffect", transition.Get(), L"SoundEffect", DISPATCH_PROPERTYGET);
        d.Do("Type", sound.Get(), L"Type", DISPATCH_PROPERTYPUT, Args(Variant::Int(0)));
    }
    auto run = d.Object("Run", settings.Get(), L"Run", DISPATCH_METHOD);
    if (look_at_show && !d.failed()) ExpectScreenColor("show", POINT{20, 20}, kShowColor);
    auto window = d.Object("SlideShowWindow", presentation.Get(), L"SlideShowWindow", DISPATCH_PROPERTYGET);
    return VariantText(*d.Do("Height", window.Get(), L"Height", DISPATCH_PROPERTYGET).value);
}

void CheckSequence() {
    ComPtr<IUnknown> running;
    ExpectHr("GetActiveObject before the start", GetActiveObject(kClsid, nullptr, &running), MK_E_UNAVAILABLE);
    Server s;
    if (!Start(s, "")) return;
    ExpectHr("GetActiveObject", GetActiveObject(kClsid, nullptr, &running), S_OK);
    ComPtr<IUnknown> created;
    s.app.As(&created);
    if (running.Get() != created.Get()) Fail("GetActiveObject gives another object than CoCreateInstance");
    running.Reset();
    created.Reset();
    {
        Driver d;
        ExpectEq("SlideShowWindow.Height", Sequence(d, s.app.Get(), true), "VT_R4:576");
        if (d.failed()) Fail("step " + d.failed_step() + " -> " + HresultName(d.failure().hr));
    }
    Stop(s);

    // The whole log but for the name look-ups, and the process number in the first line.
    std::vector<std::string> lines;
    for (std::string& line : LogLines(LogPath()))
        if (line.find(".GetIDsOfNames ") == std::string::npos) lines.push_back(std::move(line));
    if (!lines.empty()) lines[0] = lines[0].substr(0, lines[0].find(" pid="));
    std::vector<std::string> expected = {
        "started -Embedding",
        "IClassFactory::CreateInstance IDispatch -> S_OK",
        "Application.Presentations PROPERTYGET -> S_OK VT_DISPATCH",
        R"(Presentations.Open METHOD FileName=VT_BSTR:"%WORK%\talk.ppt")"
        R"( ReadOnly=VT_I4:-1 Untitled=VT_I4:-1 WithWindow=VT_I4:0)"
        R"( -> S_OK VT_DISPATCH)",
        "Presentation.SlideShowSettings PROPERTYGET -> S_OK VT_DISPATCH",
        "SlideShowSettings.LoopUntilStopped PROPERTYPUT value=VT_I4:-1 -> S_OK",
        "SlideShowSettings.ShowType PROPERTYPUT value=VT_I4:1 -> S_OK",
        "Presentation.Slides PROPERTYGET -> S_OK VT_DISPATCH",
        "Slides.Count PROPERTYGET -> S_OK VT_I4:3",
    };
    for (int k = 1; k <= 3; ++k) {
        expected.push_back("Slides.Item METHOD Index=VT_I4:" + std::to_string(k) + " -> S_OK VT_DISPATCH");
        expected.push_back("Slide.SlideShowTransition PROPERTYGET -> S_OK VT_DISPATCH");
        expected.push_back("SlideShowTransition.SoundEffect PROPERTYGET -> S_OK VT_DISPATCH");
        expected.push_back("SoundEffect.Type PROPERTYPUT value=VT_I4:0 -> S_OK");
    }
    for (const char* line : {"SlideShowSettings.Run METHOD -> S_OK VT_DISPATCH",
                             "Presentation.SlideShowWindow PROPERTYGET -> S_OK VT_DISPATCH",
                             "SlideShowWindow.Height PROPERTYGET -> S_OK VT_R4:576", "Application.Quit METHOD -> S_OK",
                             "ended objects=0"})
        expected.push_back(line);
    for (size_t k = 0; k < std::max(lines.size(), expected.size()); ++k)
        ExpectEq("log line " + std::to_string(k + 1), k < lines.size() ? lines[k] : "(none)",
                 k < expected.size() ? Expand(expected[k]) : "(none)");
}

// Right and wrong ways of calling, on one server.
void CheckCalls() {
    WriteText(WorkFile(L"garbled.ppt"), "slides=many\n");
    Server s;
    if (!Start(s, "")) return;
    {
        Driver d;
        auto presentations = d.Object("Presentations", s.app.Get(), L"Presentations", DISPATCH_PROPERTYGET);
        auto presentation = d.Object("Open", presentations.Get(), L"Open", DISPATCH_METHOD,
                                     Args(Variant::String(WorkFile(L"talk.ppt"))));
        auto settings = d.Object("SlideShowSettings", presentation.Get(), L"SlideShowSettings", DISPATCH_PROPERTYGET);
        auto slides = d.Object("Slides", presentation.Get(), L"Slides", DISPATCH_PROPERTYGET);
        auto slide = d.Object("Item", slides.Get(), L"Item", DISPATCH_METHOD, Args(Variant::Int(2)));
        auto transition = d.Object("SlideShowTransition", slide.Get(), L"SlideShowTransition", DISPATCH_PROPERTYGET);
        auto sound = d.Object("SoundEffect", transition.Get(), L"SoundEffect", DISPATCH_PROPERTYGET);
        if (d.failed()) return Fail("step " + d.failed_step() + " -> " + HresultName(d.failure().hr));

        enum Target { kApp, kPresentations, kPresentation, kSettings, kSlides, kSound };
        IDispatch* const targets[] = {s.app.Get(),    presentations.Get(), presentation.Get(),
                                      settings.Get(), slides.Get(),        sound.Get()};
        const WORD get = DISPATCH_PROPERTYGET, put = DISPATCH_PROPERTYPUT, method = DISPATCH_METHOD;
        const std::vector<DISPID> named_put = {DISPID_PROPERTYPUT};
        const std::pair<Target, Case> cases[] = {
            {kSettings,
             {"put without DISPID_PROPERTYPUT", L"LoopUntilStopped", 0, put, {{VT_I4, -1}}, {}, DISP_E_PARAMNOTFOUND,
              "SlideShowSettings.LoopUntilStopped PROPERTYPUT #1=VT_I4:-1 -> DISP_E_PARAMNOTFOUND"}},
            {kSettings,
             {"put on a method", L"Run", 0, put, {{VT_I4, 1}}, named_put, DISP_E_MEMBERNOTFOUND,
              "SlideShowSettings.Run PROPERTYPUT [-3]=VT_I4:1 -> DISP_E_MEMBERNOTFOUND"}},
            {kSettings,
             {"method read as a property", L"Run", 0, get, {}, {}, DISP_E_MEMBERNOTFOUND,
              "SlideShowSettings.Run PROPERTYGET -> DISP_E_MEMBERNOTFOUND"}},
            {kSettings,
             {"property called as a method", L"ShowType", 0, method, {}, {}, DISP_E_MEMBERNOTFOUND, ""}},
            {kSettings,
             {"property read with METHOD|PROPERTYGET", L"ShowType", 0, method | get, {}, {}, S_OK,
              "SlideShowSettings.ShowType METHOD|PROPERTYGET -> S_OK VT_I4:1"}},
            {kSettings,
             {"put of text that is a number", L"ShowType", 0, put, {{VT_BSTR, 0, L"3"}}, named_put, S_OK,
              R"(SlideShowSettings.ShowType PROPERTYPUT value=VT_BSTR:"3" -> S_OK)"}},
            {kSettings,
             {"put of text that is no number", L"ShowType", 0, put, {{VT_BSTR, 0, L"abc"}}, named_put,
              DISP_E_TYPEMISMATCH, R"(SlideShowSettings.ShowType PROPERTYPUT value=VT_BSTR:"abc")"
                                   R"( -> DISP_E_TYPEMISMATCH)"}},
            {kSettings,
             {"put out of range", L"ShowType", 0, put, {{VT_I4, 9}}, named_put, DISP_E_EXCEPTION,
              R"(SlideShowSettings.ShowType PROPERTYPUT value=VT_I4:9)"
              R"( -> DISP_E_EXCEPTION scode=E_INVALIDARG "ShowType: the value 9 is out of range")"}},
            {kSettings,
             {"put of a VT_BOOL", L"LoopUntilStopped", 0, put, {{VT_BOOL, 1}}, named_put, S_OK,
              "SlideShowSettings.LoopUntilStopped PROPERTYPUT value=VT_BOOL:-1 -> S_OK"}},
            {kPresentations,
             {"no arguments", L"Open", 0, method, {}, {}, DISP_E_BADPARAMCOUNT,
              "Presentations.Open METHOD FileName=missing ReadOnly=missing Untitled=missing WithWindow=missing -> "
              "DISP_E_BADPARAMCOUNT"}},
            {kPresentations,
             {"too many arguments", L"Open", 0, method, {{VT_BSTR, 0, L"a"}, {VT_I4}, {VT_I4}, {VT_I4}, {VT_I4}}, {},
              DISP_E_BADPARAMCOUNT,
              R"(Presentations.Open METHOD #1=VT_BSTR:"a" #2=VT_I4:0 #3=VT_I4:0 #4=VT_I4:0 #5=VT_I4:0)"
              R"( -> DISP_E_BADPARAMCOUNT)"}},
            {kPresentations,
             {"required argument passed as missing", L"Open", 0, method, {{VT_ERROR}}, {}, DISP_E_PARAMNOTOPTIONAL,
              "Presentations.Open METHOD FileName=VT_ERROR:0x80020004 ReadOnly=missing Untitled=missing "
              "WithWindow=missing -> DISP_E_PARAMNOTOPTIONAL"}},
            {kPresentations,
             {"file name by name, the rest left off", L"Open", 0, method, {{VT_BSTR, 0, L"%WORK%\\talk.ppt"}}, {0},
              S_OK,
              R"(Presentations.Open METHOD FileName=VT_BSTR:"%WORK%\talk.ppt")"
              R"( ReadOnly=missing Untitled=missing WithWindow=missing)"
              R"( -> S_OK VT_DISPATCH)"}},
            {kPresentations,
             {"unknown named argument", L"Open", 0, method, {{VT_BSTR, 0, L"a"}, {VT_I4}}, {0, 7},
              DISP_E_PARAMNOTFOUND, ""}},
            {kPresentations,
             {"required argument skipped among named ones", L"Open", 0, method, {{VT_I4}}, {3},
              DISP_E_PARAMNOTOPTIONAL, ""}},
            {kPresentations,
             {"file name that is an object", L"Open", 0, method, {{VT_DISPATCH}}, {}, DISP_E_TYPEMISMATCH, ""}},
            {kPresentations,
             {"missing file", L"Open", 0, method, {{VT_BSTR, 0, L"%WORK%\\absent.ppt"}}, {}, DISP_E_EXCEPTION,
              R"x(Presentations.Open METHOD FileName=VT_BSTR:"%WORK%\absent.ppt")x"
              R"x( ReadOnly=missing Untitled=missing WithWindow=missing)x"
              R"x( -> DISP_E_EXCEPTION scode=E_FAIL "\"%WORK%\absent.ppt\": cannot open (error 2)")x"}},
            {kPresentations,
             {"garbled file", L"Open", 0, method, {{VT_BSTR, 0, L"%WORK%\\garbled.ppt"}}, {}, DISP_E_EXCEPTION,
              R"x(Presentations.Open METHOD FileName=VT_BSTR:"%WORK%\garbled.ppt")x"
              R"x( ReadOnly=missing Untitled=missing WithWindow=missing)x"
              R"x( -> DISP_E_EXCEPTION scode=E_FAIL "\"%WORK%\garbled.ppt\": line 1: slides=\"many\")x"
              R"x( is not a whole number from 1 to 999")x"}},
            {kPresentations,
             {"Count", L"Count", 0, get, {}, {}, S_OK, "Presentations.Count PROPERTYGET -> S_OK VT_I4:2"}},
            {kSlides,
             {"index beyond the last slide", L"Item", 0, method, {{VT_I4, 4}}, {}, DISP_E_EXCEPTION,
              R"(Slides.Item METHOD Index=VT_I4:4)"
              R"( -> DISP_E_EXCEPTION scode=DISP_E_BADINDEX "Slides.Item: the index 4 is out of the range 1 to 3")"}},
            {kSlides, {"index 0", L"Item", 0, method, {{VT_I4, 0}}, {}, DISP_E_EXCEPTION, ""}},
            {kSlides,
             {"index as text", L"Item", 0, method, {{VT_BSTR, 0, L"abc"}}, {}, DISP_E_TYPEMISMATCH,
              R"(Slides.Item METHOD Index=VT_BSTR:"abc" -> DISP_E_TYPEMISMATCH)"}},
            {kSlides,
             {"index as VT_I2", L"Item", 0, method, {{VT_I2, 2}}, {}, S_OK,
              "Slides.Item METHOD Index=VT_I2:2 -> S_OK VT_DISPATCH"}},
            {kSlides,
             {"Item as the default member", nullptr, DISPID_VALUE, method | get, {{VT_I4, 3}}, {}, S_OK,
              "Slides.Item METHOD|PROPERTYGET Index=VT_I4:3 -> S_OK VT_DISPATCH"}},
            {kSlides,
             {"put on a read-only property", L"Count", 0, put, {{VT_I4, 1}}, named_put, DISP_E_MEMBERNOTFOUND, ""}},
            {kSound,
             {"sound of a slide named in sounds=", L"Type", 0, get, {}, {}, S_OK,
              "SoundEffect.Type PROPERTYGET -> S_OK VT_I4:2"}},
            {kSound,
             {"sound type a program cannot set", L"Type", 0, put, {{VT_I4, 2}}, named_put, DISP_E_EXCEPTION, ""}},
            {kPresentation,
             {"show window before Run", L"SlideShowWindow", 0, get, {}, {}, DISP_E_EXCEPTION,
              R"(Presentation.SlideShowWindow PROPERTYGET)"
              R"( -> DISP_E_EXCEPTION scode=E_FAIL "There is no slide show running for this presentation")"}},
            {kPresentation,
             {"Name", L"Name", 0, get, {}, {}, S_OK, R"(Presentation.Name PROPERTYGET -> S_OK VT_BSTR:"talk.ppt")"}},
            {kApp,
             {"argument to Quit", L"Quit", 0, method, {{VT_I4, 1}}, {}, DISP_E_BADPARAMCOUNT,
              "Application.Quit METHOD #1=VT_I4:1 -> DISP_E_BADPARAMCOUNT"}},
            {kApp,
             {"unknown DISPID", nullptr, 999, method, {}, {}, DISP_E_MEMBERNOTFOUND,
              "Application.#999 METHOD -> DISP_E_MEMBERNOTFOUND"}},
        };
        for (const auto& [target, c] : cases) RunCase(targets[target], c, LogPath());

        // Names: any case; a method's parameters by name give their positions.
        LPOLESTR names[] = {const_cast<LPOLESTR>(L"open"), const_cast<LPOLESTR>(L"FILENAME"),
                            const_cast<LPOLESTR>(L"WithWindow")};
        DISPID ids[3] = {};
        ExpectHr("GetIDsOfNames open,FILENAME,WithWindow",
                 presentations->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
        ExpectEq("their log line", LastLine(LogPath()),
                 R"(Presentations.GetIDsOfNames "open","FILENAME","WithWindow" -> S_OK 1,0,3)");
        LPOLESTR unknown = const_cast<LPOLESTR>(L"Close");
        ExpectHr("GetIDsOfNames of a member it lacks",
                 presentations->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);

        // A windowed show, ended with Escape as a user would.
        d.Do("ShowType", settings.Get(), L"ShowType", DISPATCH_PROPERTYPUT, Args(Variant::Int(2)));
        auto run = d.Object("Run", settings.Get(), L"Run", DISPATCH_METHOD);
        const Result height = d.Do("Height", run.Get(), L"Height", DISPATCH_PROPERTYGET);
        ExpectEq("height of a windowed show", VariantText(*height.value), "VT_R4:360");
        HWND show = FindWindowW(L"PresentationStandinShow", L"Slide Show - talk.ppt");
        if (!show) Fail("no window of the show");
        PostMessageW(show, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpMessages(300);
        if (IsWindow(show)) Fail("the show's window outlives Escape");
        ExpectEq("log line of the key", LastLine(LogPath(), 1), "show key 0x1B");
        ExpectEq("log line of the end", LastLine(LogPath()), "show ended by Escape");
        ExpectHr("SlideShowWindow after Escape", Get(presentation.Get(), L"SlideShowWindow").hr, DISP_E_EXCEPTION);
        ExpectHr("Height of the ended show's window", Get(run.Get(), L"Height").hr, DISP_E_EXCEPTION);
        if (d.failed()) Fail("step " + d.failed_step() + " -> " + HresultName(d.failure().hr));
    }
    Stop(s);
}

// Failures the settings file asks for, each on a server of its own.
void CheckInjectedFailures() {
    const struct {
        const char* what;
        const char* settings;
        const char* step;  // the first step of the sequence that fails; "" for none
        HRESULT want;
        const char* description;  // null: no EXCEPINFO
        HRESULT scode;
        const char* log;  // a line the log must hold, "" for none
    } cases[] = {
        {"fail=Open with fail-text", "fail=Open\nfail-text=Custom failure\n", "Open", DISP_E_EXCEPTION,
         "Custom failure", E_FAIL, ""},
        {"fail=Open alone", "fail=Open\n", "Open", DISP_E_EXCEPTION, "The stand-in was told to fail Open", E_FAIL, ""},
        {"fail-hresult alone is returned as it is", "fail=Open\nfail-hresult=0x80070002\n", "Open",
         HRESULT(0x80070002), nullptr, S_OK, ""},
        {"empty fail-text returns E_FAIL as it is", "fail=SlideShowSettings.Run\nfail-text=\n", "Run", E_FAIL, nullptr,
         S_OK, ""},
        {"fail-text with fail-hresult as its scode", "fail=type\nfail-text=No sound here\nfail-hresult=0x8007000E\n",
         "Type", DISP_E_EXCEPTION, "No sound here", E_OUTOFMEMORY, ""},
        {"a bad setting is reported and left out", "fail-hresult=7\n", "", S_OK, nullptr, S_OK,
         R"(config error: "%STANDINS%\presentation_standin.cfg": line 2: fail-hresult="7")"
         R"( is not a failure HRESULT such as 0x80004005)"},
    };
    for (const auto& c : cases) {
        Server s;
        if (!Start(s, c.settings)) continue;
        {
            Driver d;
            Sequence(d, s.app.Get(), false);
            ExpectEq(std::string(c.what) + ": failed step", d.failed_step(), c.step);
            ExpectHr(std::string(c.what) + ": HRESULT", d.failure().hr, c.want);
            ExpectEq(std::string(c.what) + ": description", Utf8(d.failure().description),
                     c.description ? c.description : "");
            ExpectEq(std::string(c.what) + ": source", Utf8(d.failure().source),
                     c.description ? "PowerPoint stand-in" : "");
            ExpectHr(std::string(c.what) + ": scode", d.failure().scode, c.scode);
        }
        std::string wanted = Expand(c.log);
        for (size_t at = wanted.find("%STANDINS%"); at != std::string::npos; at = wanted.find("%STANDINS%"))
            wanted.replace(at, 10, Utf8(g_standins));
        if (!wanted.empty() && !Contains(LogLines(LogPath()), wanted))
            Fail(std::string(c.what) + ": no line " + wanted);
        Stop(s);
    }
}

}  // namespace

void CheckPresentation() {
    WriteText(WorkFile(L"talk.ppt"), "slides=3\ncolor=336699\nsounds=2\n");
    CheckSequence();
    CheckCalls();
    CheckInjectedFailures();
}

}  // namespace check
