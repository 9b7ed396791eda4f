// The Win32 backend's ActiveX host and automation client against the project's stand-ins for
// the Flash control and the presentation application, checked through the stand-ins' own logs:
// the calls, their flags and argument types, the order of hosting and teardown, the errors, and
// the release of every reference. The stand-ins' runner (../standins/check-standins.sh) makes
// the prefix and the display, registers the stand-ins and passes their folder and a work folder
// as --standins and --work (Windows paths); without them, or without a display, every test skips.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/win32/win32_automation.h"
#include "gui/win32/win32_backend.h"
#include "ole_raised.h"

namespace scr {
namespace {

using Lines = std::vector<std::string>;
using test::Raised;
using test::RaisedBy;

// From the command line.
std::string g_standins, g_work;

std::string Env(const char* name) {
    char value[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(value, n) : std::string();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

// The log's lines without the name look-ups, which would double every call.
Lines ReadLog(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(in, line);)
        if (line.find(".GetIDsOfNames ") == std::string::npos) lines.push_back(line);
    return lines;
}

bool Contains(const Lines& lines, const std::string& line) {
    for (const std::string& l : lines)
        if (l == line) return true;
    return false;
}

// Waits (dispatching messages) until the log has a line starting with prefix; that line.
std::string WaitForLine(Application& app, const std::string& path, const std::string& prefix,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        for (const std::string& line : ReadLog(path))
            if (line.rfind(prefix, 0) == 0) return line;
        app.ProcessMessages();
        Sleep(20);
    } while (std::chrono::steady_clock::now() < end);
    return "(no line " + prefix + "...)";
}

class ComLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Env("DISPLAY").empty()) GTEST_SKIP() << "no X display (DISPLAY is unset)";
        standins = g_standins;
        work = g_work;
        if (standins.empty() || work.empty())
            GTEST_SKIP() << "no --standins and --work: check-standins.sh gives them, with the stand-ins registered";
        app = backend.CreateApplication();
        app->Initialize();
    }
    std::string WorkFile(const std::string& name) const { return work + "\\" + name; }

    Win32Backend backend;
    std::unique_ptr<Application> app;
    std::string standins, work;
};

// --- The Flash control ----------------------------------------------------------------------

class FlashHostTest : public ComLayerTest {
protected:
    void SetUp() override {
        ComLayerTest::SetUp();
        if (IsSkipped()) return;
        log = WorkFile(std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".flash.log");
        DeleteFileA(log.c_str());
        // The control reads the variable at every line it writes.
        SetEnvironmentVariableA("FLASH_STANDIN_LOG", log.c_str());
        window = backend.NewWindow(*app, WindowParams::Popup({60, 60, 60 + 320, 60 + 240}, 0x008000));
        window->SetVisible(true);
        app->ProcessMessages();
    }
    void TearDown() override {
        window.reset();
        SetEnvironmentVariableA("FLASH_STANDIN_LOG", nullptr);
    }
    HWND Parent() const { return reinterpret_cast<HWND>(window->Handle()); }
    // The control's own window, in its parent's client coordinates.
    Rect ChildRect() const {
        HWND child = GetWindow(Parent(), GW_CHILD);
        if (child == nullptr) return {};
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, Parent(), reinterpret_cast<POINT*>(&r), 2);
        return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
    }

    std::string log;
    std::unique_ptr<Window> window;
};

TEST_F(FlashHostTest, HostsDrivesMovesAndReleasesTheControl) {
    const std::string movie = WorkFile("five.movie");
    WriteFile(movie, "frames=5\nrate=10\ncolor=FF0000\n");

    auto control = backend.NewActiveXControl(*window, "ShockwaveFlash.ShockwaveFlash", {0, 0, 320, 240});
    // Made, given its site first (the control asks for that), initialised as new, contained and
    // activated in place over the rectangle.
    const Lines hosting = {
        "DllGetClassObject {D27CDB6E-AE6D-11CF-96B8-444553540000} IClassFactory -> S_OK",
        "QueryInterface IOleObject -> S_OK",
        "IClassFactory::CreateInstance IOleObject -> S_OK",
        "IOleObject::GetMiscStatus aspect=1 -> S_OK",
        "IOleObject::SetClientSite site=set -> S_OK",
        "QueryInterface IPersistStreamInit -> S_OK",
        "IPersistStreamInit::InitNew -> S_OK",
        "QueryInterface IRunnableObject -> E_NOINTERFACE",  // OleSetContainedObject
        "QueryInterface IDispatch -> S_OK",
        "IOleObject::DoVerb verb=-5 rect=0,0,320,240 -> S_OK",
        "QueryInterface IOleInPlaceObject -> S_OK",
    };
    EXPECT_EQ(ReadLog(log), hosting);
    EXPECT_EQ(ChildRect(), (Rect{0, 0, 320, 240}));

    AutomationObject& flash = control->Dispatch();
    flash.PutById(102, movie);
    EXPECT_EQ(VariantToInt(flash.GetById(124)), 5);
    EXPECT_EQ(VariantToInt(flash.CallById(128)), 0);
    flash.CallById(112);
    // 10 frames a second: the frame climbs to the last one (4) and stays there.
    int frame = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (frame < 4 && std::chrono::steady_clock::now() < end) {
        app->ProcessMessages();
        Sleep(50);
        const int now = VariantToInt(flash.CallById(128));
        EXPECT_GE(now, frame);
        EXPECT_LE(now, 4);
        frame = now;
    }
    EXPECT_EQ(frame, 4);
    Sleep(300);
    EXPECT_EQ(VariantToInt(flash.CallById(128)), 4);
    const Lines driving = ReadLog(log);
    EXPECT_TRUE(Contains(driving, "Flash.Movie PROPERTYPUT value=VT_BSTR:\"" + movie + "\" -> S_OK"));
    EXPECT_TRUE(Contains(driving, "movie loaded frames=5 rate=10 color=FF0000"));
    EXPECT_TRUE(Contains(driving, "Flash.TotalFrames METHOD|PROPERTYGET -> S_OK VT_I4:5"));
    EXPECT_TRUE(Contains(driving, "Flash.CurrentFrame METHOD -> S_OK VT_I4:0"));
    EXPECT_TRUE(Contains(driving, "Flash.Play METHOD -> S_OK"));

    control->SetBounds({10, 20, 110, 100});
    EXPECT_EQ(ReadLog(log).back(), "IOleInPlaceObject::SetObjectRects pos=10,20,110,100 clip=10,20,110,100 -> S_OK");
    EXPECT_EQ(ChildRect(), (Rect{10, 20, 110, 100}));
    control->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(GetWindow(Parent(), GW_CHILD)));
    control->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(GetWindow(Parent(), GW_CHILD)));
    const Lines shown = ReadLog(log);
    EXPECT_EQ(Lines(shown.end() - 2, shown.end()),
              (Lines{"IOleObject::DoVerb verb=-3 rect=10,20,110,100 -> S_OK",
                     "IOleObject::DoVerb verb=-1 rect=10,20,110,100 -> S_OK"}));

    const size_t before = ReadLog(log).size();
    control.reset();
    const Lines all = ReadLog(log);
    const Lines teardown(all.begin() + long(before), all.end());
    const Lines want = {
        "IOleInPlaceObject::InPlaceDeactivate -> S_OK",
        "IOleObject::Close option=1 -> S_OK",
        "IOleObject::SetClientSite site=null -> S_OK",
        "released",
    };
    EXPECT_EQ(teardown, want);
    EXPECT_EQ(GetWindow(Parent(), GW_CHILD), nullptr);

    CoFreeUnusedLibraries();
    const Lines unloaded = ReadLog(log);
    ASSERT_GE(unloaded.size(), 2u);
    EXPECT_EQ(unloaded[unloaded.size() - 2], "DllCanUnloadNow objects=0 locks=0 -> S_OK");
    EXPECT_EQ(unloaded.back(), "dll unload objects=0 locks=0");
}

TEST_F(FlashHostTest, ErrorsOfTheControlAndOfItsCreation) {
    const std::string movie = WorkFile("failing.movie");
    WriteFile(movie, "frames=2\nfail-play\n");
    {
        auto control = backend.NewActiveXControl(*window, "{D27CDB6E-AE6D-11CF-96B8-444553540000}", {0, 0, 64, 48});
        AutomationObject& flash = control->Dispatch();
        flash.Put("movie", movie);  // names match in any case
        const Raised play = RaisedBy([&] { flash.Call("Play"); });
        EXPECT_EQ(play.message, "The movie was told to fail Play");
        EXPECT_EQ(play.result, int32_t(E_FAIL));
        const Raised rewind = RaisedBy([&] { flash.Call("Rewind"); });
        EXPECT_EQ(rewind.result, int32_t(DISP_E_UNKNOWNNAME));
        EXPECT_EQ(rewind.message, OleErrorText(DISP_E_UNKNOWNNAME));
        // TotalFrames is a property: a call alone is refused, as by a type-library server.
        EXPECT_EQ(RaisedBy([&] { flash.CallById(124); }).result, int32_t(DISP_E_MEMBERNOTFOUND));
    }
    EXPECT_EQ(ReadLog(log).back(), "released");

    const struct {
        const char* name;
        HRESULT result;
    } absent[] = {
        {"No.Such.Control", CO_E_CLASSSTRING},
        {"{00000000-1111-2222-3333-444444444444}", REGDB_E_CLASSNOTREG},
        {"{not a clsid", CO_E_CLASSSTRING},
    };
    for (const auto& a : absent) {
        const Raised r = RaisedBy([&] { backend.NewActiveXControl(*window, a.name, {0, 0, 10, 10}); });
        EXPECT_EQ(r.result, int32_t(a.result)) << a.name;
        // Wine has no text for these codes: "OLE error 0x800401F3" here, the system's words on Windows.
        EXPECT_EQ(r.message, OleErrorText(a.result)) << a.name;
    }
}

// --- The presentation application ---------------------------------------------------------------

class PresentationTest : public ComLayerTest {
protected:
    void SetUp() override {
        ComLayerTest::SetUp();
        if (IsSkipped()) return;
        talk = WorkFile("talk.ppt");
        WriteFile(talk, "slides=3\nsounds=2\n");
    }
    // Settings for the next server start; returns its log's path.
    std::string Configure(const std::string& name, const std::string& extra) {
        const std::string path = WorkFile(name + ".ppt.log");
        DeleteFileA(path.c_str());
        WriteFile(standins + "\\presentation_standin.cfg", "log=" + path + "\n" + extra);
        return path;
    }
    // Quit, then the server must end with nothing of it held.
    void QuitAndExpectEnd(std::shared_ptr<AutomationObject>& server, const std::string& log) {
        server->Call("Quit");
        server.reset();
        EXPECT_EQ(WaitForLine(*app, log, "ended "), "ended objects=0");
    }

    std::string talk;
};

TEST_F(PresentationTest, TheSaversSequenceWithItsFlagsAndTypes) {
    const std::string log = Configure("sequence", "");
    auto server = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
    {
        auto show = VariantToObject(VariantToObject(server->Get("Presentations"))
                                        ->Call("Open", {talk, int32_t(-1), int32_t(-1), int32_t(0)}));
        auto settings = VariantToObject(show->Get("SlideShowSettings"));
        settings->Put("LoopUntilStopped", int32_t(-1));
        settings->Put("ShowType", int32_t(1));
        auto slides = VariantToObject(show->Get("Slides"));
        const int count = VariantToInt(slides->Get("Count"));
        EXPECT_EQ(count, 3);
        for (int i = 1; i <= count; ++i) {
            auto slide = VariantToObject(slides->Call("Item", {int32_t(i)}));
            auto sound = VariantToObject(VariantToObject(slide->Get("SlideShowTransition"))->Get("SoundEffect"));
            sound->Put("Type", int32_t(0));
        }
        settings->Call("Run");
        auto window = VariantToObject(show->Get("SlideShowWindow"));
        // VT_R4 points: the full-screen show is 768 pixels high.
        const Variant height = window->Get("Height");
        ASSERT_TRUE(std::holds_alternative<double>(height));
        EXPECT_EQ(std::get<double>(height), 576.0);
    }
    QuitAndExpectEnd(server, log);

    Lines lines = ReadLog(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("started -Embedding pid=", 0), 0u) << lines[0];
    lines.erase(lines.begin());
    Lines want = {
        "IClassFactory::CreateInstance IDispatch -> S_OK",
        "Application.Presentations METHOD|PROPERTYGET -> S_OK VT_DISPATCH",
        "Presentations.Open METHOD FileName=VT_BSTR:\"" + talk +
            "\" ReadOnly=VT_I4:-1 Untitled=VT_I4:-1 WithWindow=VT_I4:0 -> S_OK VT_DISPATCH",
        "Presentation.SlideShowSettings METHOD|PROPERTYGET -> S_OK VT_DISPATCH",
        "SlideShowSettings.LoopUntilStopped PROPERTYPUT value=VT_I4:-1 -> S_OK",
        "SlideShowSettings.ShowType PROPERTYPUT value=VT_I4:1 -> S_OK",
        "Presentation.Slides METHOD|PROPERTYGET -> S_OK VT_DISPATCH",
        "Slides.Count METHOD|PROPERTYGET -> S_OK VT_I4:3",
    };
    for (int i = 1; i <= 3; ++i) {
        want.push_back("Slides.Item METHOD Index=VT_I4:" + std::to_string(i) + " -> S_OK VT_DISPATCH");
        want.push_back("Slide.SlideShowTransition METHOD|PROPERTYGET -> S_OK VT_DISPATCH");
        want.push_back("SlideShowTransition.SoundEffect METHOD|PROPERTYGET -> S_OK VT_DISPATCH");
        want.push_back("SoundEffect.Type PROPERTYPUT value=VT_I4:0 -> S_OK");
    }
    for (const char* line : {"SlideShowSettings.Run METHOD -> S_OK VT_DISPATCH",
                             "Presentation.SlideShowWindow METHOD|PROPERTYGET -> S_OK VT_DISPATCH",
                             "SlideShowWindow.Height METHOD|PROPERTYGET -> S_OK VT_R4:576", "Application.Quit METHOD -> S_OK",
                             "ended objects=0"})
        want.push_back(line);
    EXPECT_EQ(lines, want);
}

TEST_F(PresentationTest, FailuresRaiseTheServersTextOrTheSystemsAtOnce) {
    const struct {
        const char* name;
        const char* settings;
        std::string message;
        HRESULT result;
        const char* logged;  // how the stand-in answered
    } cases[] = {
        {"text", "fail=Open\nfail-text=The file is locked by another user\n", "The file is locked by another user",
         E_FAIL, "DISP_E_EXCEPTION scode=E_FAIL \"The file is locked by another user\""},
        {"text-and-code", "fail=Presentations.Open\nfail-text=No access\nfail-hresult=0x80070005\n", "No access",
         E_ACCESSDENIED, "DISP_E_EXCEPTION scode=0x80070005 \"No access\""},
        {"default-text", "fail=open\n", "The stand-in was told to fail Open", E_FAIL,
         "DISP_E_EXCEPTION scode=E_FAIL \"The stand-in was told to fail Open\""},
        {"plain-code", "fail=Open\nfail-text=\nfail-hresult=0x80070002\n", OleErrorText(HRESULT(0x80070002)), HRESULT(0x80070002),
         "0x80070002"},
        {"plain-unknown-code", "fail=Open\nfail-hresult=0x8004DEAD\n", "OLE error 0x8004DEAD", HRESULT(0x8004DEAD),
         "0x8004DEAD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string log = Configure(c.name, c.settings);
        auto server = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
        {
            auto presentations = VariantToObject(server->Get("Presentations"));
            const Raised r = RaisedBy([&] { presentations->Call("Open", {talk, int32_t(-1), int32_t(-1), int32_t(0)}); });
            EXPECT_EQ(r.message, c.message);
            EXPECT_EQ(r.result, int32_t(c.result));
        }
        // The failed call leaves nothing held: the run goes on and the server still ends clean.
        QuitAndExpectEnd(server, log);
        const Lines lines = ReadLog(log);
        EXPECT_TRUE(Contains(lines, "Presentations.Open METHOD FileName=VT_BSTR:\"" + talk +
                                        "\" ReadOnly=VT_I4:-1 Untitled=VT_I4:-1 WithWindow=VT_I4:0 -> " + c.logged));
    }
    // Not every system message is known to Wine; the one for a missing file is.
    EXPECT_EQ(OleErrorText(HRESULT(0x80070002)).find("OLE error"), std::string::npos);
}

TEST_F(PresentationTest, ArgumentsKeepTheirTypesAndText) {
    const std::string log = Configure("types", "");
    auto server = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
    server->Put("Visible", true);
    EXPECT_EQ(server->Get("Visible"), Variant(int32_t(-1)));
    server->Put("Visible", 0.0);
    Lines want = {
        "Application.Visible PROPERTYPUT value=VT_BOOL:-1 -> S_OK",
        "Application.Visible METHOD|PROPERTYGET -> S_OK VT_I4:-1",
        "Application.Visible PROPERTYPUT value=VT_R8:0 -> S_OK",
    };
    {
        auto presentations = VariantToObject(server->Get("Presentations"));
        // An ANSI path reaches the server as UTF-16 (its log is UTF-8), and its error comes back.
        if (GetACP() == 1252) {
            const std::string path = WorkFile("caf\xe9.ppt");
            const Raised r = RaisedBy([&] { presentations->Call("Open", {path}); });
            EXPECT_EQ(r.message, "\"" + path + "\": cannot open (error 2)");
            const std::string utf8 = WorkFile("caf\xc3\xa9.ppt");
            // The description is quoted in the log, its own quotes as \".
            want.push_back("Presentations.Open METHOD FileName=VT_BSTR:\"" + utf8 +
                           R"(" ReadOnly=missing Untitled=missing WithWindow=missing -> DISP_E_EXCEPTION scode=E_FAIL "\")" +
                           utf8 + R"x(\": cannot open (error 2)")x");
        }
        auto slides = VariantToObject(VariantToObject(presentations->Call("Open", {talk}))->Get("Slides"));
        // A read with an index reaches the default member as a method.
        EXPECT_EQ(VariantToInt(VariantToObject(slides->Get("Item", {int32_t(2)}))->Get("SlideIndex")), 2);
    }
    QuitAndExpectEnd(server, log);
    for (const char* line : {"Slides.Item METHOD|PROPERTYGET Index=VT_I4:2 -> S_OK VT_DISPATCH",
                             "Slide.SlideIndex METHOD|PROPERTYGET -> S_OK VT_I4:2"})
        want.push_back(line);
    Lines got;
    for (const std::string& line : ReadLog(log))
        if (line.rfind("Application.Visible", 0) == 0 || line.rfind("Presentations.Open METHOD FileName=VT_BSTR:\"" +
                                                                         WorkFile("caf"), 0) == 0 ||
            line.rfind("Slides.Item", 0) == 0 || line.rfind("Slide.SlideIndex", 0) == 0)
            got.push_back(line);
    EXPECT_EQ(got, want);
}

TEST_F(PresentationTest, AttachesToTheRunningServer) {
    const std::string log = Configure("attach", "");
    const Raised none = RaisedBy([&] { backend.ConnectAutomation("No.Such.Server", ConnectKind::RunningOrNew); });
    EXPECT_EQ(none.result, int32_t(CO_E_CLASSSTRING));

    auto first = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
    auto second = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
    auto by_clsid =
        backend.ConnectAutomation("{91493441-5A91-11CF-8700-00AA0060263B}", ConnectKind::RunningOrNew);
    // One object: the same IUnknown behind every connection.
    const auto identity = [](const std::shared_ptr<AutomationObject>& o) {
        IUnknown* unknown = nullptr;
        static_cast<Win32Dispatch&>(*o).Interface()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
        unknown->Release();  // the object stays alive through o
        return unknown;
    };
    EXPECT_EQ(identity(first), identity(second));
    EXPECT_EQ(identity(first), identity(by_clsid));
    EXPECT_EQ(std::get<std::string>(second->Get("Name")), "PowerPoint stand-in");
    // A new connection asks the running server's class object again, without a second start.
    auto fresh = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::New);
    fresh.reset();
    by_clsid.reset();
    second.reset();
    QuitAndExpectEnd(first, log);

    Lines lines = ReadLog(log);
    int starts = 0, creations = 0;
    for (const std::string& line : lines) {
        starts += line.rfind("started ", 0) == 0;
        creations += line.rfind("IClassFactory::CreateInstance", 0) == 0;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(creations, 2);
    EXPECT_TRUE(Contains(lines, "Application.Name METHOD|PROPERTYGET -> S_OK VT_BSTR:\"PowerPoint stand-in\""));
}

}  // namespace
}  // namespace scr

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);  // takes its own options out
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--standins") scr::g_standins = argv[i + 1];
        else if (option == "--work") scr::g_work = argv[i + 1];
    }
    return RUN_ALL_TESTS();
}
