// The headless backend's automation servers and ActiveX controls: what the program's own tests
// will check sequences with. Calls are logged in order, members answer like a type-library
// server, scripted failures carry the server's text or the system's, and a Flash movie's frames
// follow the virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/headless/headless_backend.h"
#include "ole_raised.h"

namespace scr {
namespace {

std::vector<std::string> ComLines(const std::vector<std::string>& log) {
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (line.rfind("automation ", 0) == 0 || line.rfind("activex ", 0) == 0 || line.rfind("message ", 0) == 0)
            lines.push_back(line);
    return lines;
}

// The presentation application as the saver meets it, in the few lines a test needs.
ScriptedObject& ScriptPresentation(HeadlessCom& com) {
    auto& app = com.Server("PowerPoint.Application");
    auto& show = app.Object("Presentations").MethodObject("Open", "Presentation");
    show.Object("SlideShowSettings").Property("LoopUntilStopped", 0).Property("ShowType", 2).MethodObject(
        "Run", "SlideShowWindow");
    show.Object("Slides").ReadOnly("Count", 2).MethodObject("Item", "Slide").Object("SlideShowTransition").Object(
        "SoundEffect").Property("Type", 2);
    show.Object("SlideShowWindow");
    app.Method("Quit");
    return app;
}

TEST(AutomationValueText, TellsTheTypesApart) {
    const struct {
        Variant in;
        const char* text;
    } cases[] = {
        {int32_t(-1), "-1"},
        {true, "true"},
        {false, "false"},
        {-1.0, "-1.0"},
        {0.5, "0.5"},
        {576.0, "576.0"},
        {1e20, "1e+20"},
        {std::string("C:\\a \"b\".ppt"), "\"C:\\a \\\"b\\\".ppt\""},
        {std::string(), "\"\""},
        {std::shared_ptr<AutomationObject>(), "<nothing>"},
        {Variant{}, "empty"},
    };
    for (const auto& c : cases) EXPECT_EQ(AutomationValueText(c.in), c.text);
}

TEST(HeadlessCom, RecordsThePresentationSequenceAndCountsReferences) {
    HeadlessBackend backend;
    ScriptedObject& app_script = ScriptPresentation(backend.com);
    {
        auto app = backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew);
        auto show = VariantToObject(VariantToObject(app->Get("Presentations"))
                                        ->Call("Open", {std::string("C:\\x.ppt"), int32_t(-1), int32_t(-1), int32_t(0)}));
        auto settings = VariantToObject(show->Get("SlideShowSettings"));
        settings->Put("LoopUntilStopped", int32_t(-1));
        settings->Put("ShowType", int32_t(1));
        auto slides = VariantToObject(show->Get("Slides"));
        const int count = VariantToInt(slides->Get("Count"));
        for (int i = 1; i <= count; ++i) {
            auto sound = VariantToObject(
                VariantToObject(VariantToObject(slides->Call("Item", {int32_t(i)}))->Get("SlideShowTransition"))
                    ->Get("SoundEffect"));
            sound->Put("Type", int32_t(0));
        }
        settings->Call("Run");
        auto window = show->Get("SlideShowWindow");
        EXPECT_GT(backend.com.live_objects(), 0);
        app->Call("Quit");
    }
    EXPECT_EQ(backend.com.live_objects(), 0);
    EXPECT_EQ(app_script.Calls("Quit"), 1);
    const std::vector<std::string> want = {
        "automation start PowerPoint.Application",
        "automation PowerPoint.Application.Presentations get",
        R"(automation Presentations.Open call ("C:\x.ppt", -1, -1, 0))",
        "automation Presentation.SlideShowSettings get",
        "automation SlideShowSettings.LoopUntilStopped put -1",
        "automation SlideShowSettings.ShowType put 1",
        "automation Presentation.Slides get",
        "automation Slides.Count get",
        "automation Slides.Item call (1)",
        "automation Slide.SlideShowTransition get",
        "automation SlideShowTransition.SoundEffect get",
        "automation SoundEffect.Type put 0",
        "automation Slides.Item call (2)",
        "automation Slide.SlideShowTransition get",
        "automation SlideShowTransition.SoundEffect get",
        "automation SoundEffect.Type put 0",
        "automation SlideShowSettings.Run call",
        "automation Presentation.SlideShowWindow get",
        "automation PowerPoint.Application.Quit call",
    };
    EXPECT_EQ(ComLines(backend.log), want);
}

TEST(HeadlessCom, MembersAnswerLikeATypeLibraryServer) {
    HeadlessBackend backend;
    auto& script = backend.com.Server("Test.Server");
    script.Property("Visible", 0).ReadOnly("Name", std::string("server")).Method("Count", int32_t(3)).Id("Count", 7);
    auto server = backend.ConnectAutomation("Test.Server", ConnectKind::New);
    backend.log.clear();

    enum Access { Get, GetIndexed, Put, Call, GetById, CallById };
    const struct {
        Access access;
        const char* member;
        int32_t dispid;
        int32_t error;  // 0: answers
        const char* line;
    } cases[] = {
        {Get, "Count", 0, 0, "automation Test.Server.Count get"},  // a read also calls a method
        {Get, "VISIBLE", 0, 0, "automation Test.Server.Visible get"},
        {GetIndexed, "Visible", 0, kOleBadParamCount,
         "automation Test.Server.Visible get (1) -> failed 0x8002000E \"Invalid number of parameters.\""},
        {Put, "Visible", 0, 0, "automation Test.Server.Visible put -1"},
        {Put, "Name", 0, kOleMemberNotFound,
         "automation Test.Server.Name put -1 -> failed 0x80020003 \"Member not found.\""},
        {Put, "Count", 0, kOleMemberNotFound,
         "automation Test.Server.Count put -1 -> failed 0x80020003 \"Member not found.\""},
        {Call, "Name", 0, kOleMemberNotFound,
         "automation Test.Server.Name call -> failed 0x80020003 \"Member not found.\""},
        {Call, "count", 0, 0, "automation Test.Server.Count call"},
        {Get, "Colour", 0, kOleUnknownName,
         "automation Test.Server.Colour get -> failed 0x80020006 \"Unknown name.\""},
        {GetById, nullptr, 7, 0, "automation Test.Server.Count get"},
        {CallById, nullptr, 77, kOleMemberNotFound,
         "automation Test.Server.#77 call -> failed 0x80020003 \"Member not found.\""},
    };
    for (const auto& c : cases) {
        const std::string what = c.line;
        backend.log.clear();
        const test::Raised r = test::RaisedBy([&] {
            switch (c.access) {
            case Get: server->Get(c.member); break;
            case GetIndexed: server->Get(c.member, {int32_t(1)}); break;
            case Put: server->Put(c.member, int32_t(-1)); break;
            case Call: server->Call(c.member); break;
            case GetById: server->GetById(c.dispid); break;
            case CallById: server->CallById(c.dispid); break;
            }
        });
        EXPECT_EQ(r.result, c.error) << what;
        EXPECT_EQ(ComLines(backend.log), std::vector<std::string>{c.line});
    }
    EXPECT_EQ(VariantToInt(script.Value("Visible")), -1);
    EXPECT_EQ(script.Calls("Count"), 4);  // the refused put counts too
}

TEST(HeadlessCom, ScriptedFailuresCarryTheServersTextOrTheSystems) {
    const struct {
        const char* description;  // null: a bare code
        int32_t code;
        const char* message;
        const char* logged;
    } cases[] = {
        {"The file is damaged", kOleFail, "The file is damaged", "0x80004005 \"The file is damaged\""},
        {"No such slide", int32_t(0x8002000B), "No such slide", "0x8002000B \"No such slide\""},
        {nullptr, kOleFail, "Unspecified error", "0x80004005 \"Unspecified error\""},
        {nullptr, int32_t(0x80070002), "The system cannot find the file specified.",
         "0x80070002 \"The system cannot find the file specified.\""},
        {nullptr, int32_t(0x80041234), "OLE error 0x80041234", "0x80041234 \"OLE error 0x80041234\""},
    };
    for (const auto& c : cases) {
        HeadlessBackend backend;
        auto& open = backend.com.Server("PowerPoint.Application").Object("Presentations").Method("Open");
        if (c.description != nullptr)
            open.Fail("Open", c.description, c.code);
        else
            open.FailCode("Open", c.code);
        auto presentations = VariantToObject(
            backend.ConnectAutomation("PowerPoint.Application", ConnectKind::RunningOrNew)->Get("Presentations"));
        const test::Raised r = test::RaisedBy([&] { presentations->Call("Open", {std::string("C:\\x.ppt")}); });
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.result, c.code) << c.message;
        EXPECT_EQ(ComLines(backend.log).back(),
                  std::string(R"(automation Presentations.Open call ("C:\x.ppt") -> failed )") + c.logged);
        open.Succeed("Open");
        EXPECT_NO_THROW(presentations->Call("Open", {std::string("C:\\x.ppt")}));
    }
}

TEST(HeadlessCom, ConnectStartsAttachesOrFailsAsScripted) {
    HeadlessBackend backend;
    backend.com.Server("PowerPoint.Application");
    backend.com.Server("Other.Server");
    backend.com.Alias("{91493441-5A91-11CF-8700-00AA0060263B}", "PowerPoint.Application");
    backend.com.FailStart("Other.Server", int32_t(0x80080005));

    const struct {
        const char* prog_id;
        ConnectKind kind;
        int32_t error;
        const char* line;
    } steps[] = {
        {"PowerPoint.Application", ConnectKind::RunningOrNew, 0, "automation start PowerPoint.Application"},
        {"powerpoint.application", ConnectKind::RunningOrNew, 0, "automation attach powerpoint.application"},
        {"{91493441-5A91-11CF-8700-00AA0060263B}", ConnectKind::RunningOrNew, 0,
         "automation attach {91493441-5A91-11CF-8700-00AA0060263B}"},
        {"PowerPoint.Application", ConnectKind::New, 0, "automation start PowerPoint.Application"},
        {"Other.Server", ConnectKind::RunningOrNew, int32_t(0x80080005),
         "automation start Other.Server -> failed 0x80080005 \"Server execution failed\""},
        {"Absent.Server", ConnectKind::RunningOrNew, kOleInvalidClassString,
         "automation start Absent.Server -> failed 0x800401F3 \"Invalid class string\""},
        {"{00000000-1111-2222-3333-444444444444}", ConnectKind::New, kOleClassNotRegistered,
         "automation start {00000000-1111-2222-3333-444444444444} -> failed 0x80040154 \"Class not registered\""},
    };
    for (const auto& s : steps) {
        backend.log.clear();
        EXPECT_EQ(test::RaisedBy([&] { backend.ConnectAutomation(s.prog_id, s.kind); }).result, s.error) << s.line;
        EXPECT_EQ(ComLines(backend.log), std::vector<std::string>{s.line});
    }
    EXPECT_TRUE(backend.com.Running("PowerPoint.Application"));
    EXPECT_FALSE(backend.com.Running("Other.Server"));
    EXPECT_EQ(backend.com.live_objects(), 0);
}

class HeadlessFlashTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = backend.CreateApplication();
        window = backend.NewWindow(*app, WindowParams::Popup({0, 0, 640, 480}, 0));
        headless = static_cast<HeadlessApplication*>(app.get());
    }
    HeadlessBackend backend;
    std::unique_ptr<Application> app;
    std::unique_ptr<Window> window;
    HeadlessApplication* headless = nullptr;
};

TEST_F(HeadlessFlashTest, FramesFollowTheVirtualClock) {
    backend.com.FlashControl().AddMovie("C:\\a.swf", 10, 4).AddMovie("C:\\one.swf", 1);
    auto control = backend.NewActiveXControl(*window, "ShockwaveFlash.ShockwaveFlash", {0, 0, 640, 480});
    AutomationObject& flash = control->Dispatch();
    flash.PutById(102, std::string("C:\\a.swf"));
    EXPECT_EQ(VariantToInt(flash.GetById(124)), 10);

    enum Step { Advance, Play, Stop, Load, LoadOne, LoadAbsent };
    const struct {
        Step step;
        uint32_t ms;
        int frame;  // CurrentFrame after the step
    } steps[] = {
        {Advance, 1000, 0},  // not playing yet
        {Play, 0, 0},       {Advance, 249, 0}, {Advance, 1, 1},  // 4 frames a second
        {Advance, 500, 3},  {Stop, 0, 3},      {Advance, 5000, 3},  // Stop holds the frame
        {Play, 0, 3},       {Advance, 250, 4}, {Advance, 60000, 9},  // never past the last frame
        {Load, 0, 0},       {Advance, 1000, 0},                      // a new movie starts stopped
        {Play, 0, 0},       {LoadOne, 0, 0},   {Play, 0, 0},       {Advance, 5000, 0},
        {LoadAbsent, 0, 0}, {Play, 0, 0},      {Advance, 5000, 0},
    };
    int i = 0;
    for (const auto& s : steps) {
        switch (s.step) {
        case Advance: headless->Advance(s.ms); break;
        case Play: flash.CallById(112); break;
        case Stop: flash.CallById(113); break;
        case Load: flash.Put("Movie", std::string("C:\\a.swf")); break;
        case LoadOne: flash.Put("Movie", std::string("C:\\one.swf")); break;
        case LoadAbsent: flash.Put("Movie", std::string("C:\\absent.swf")); break;
        }
        EXPECT_EQ(VariantToInt(flash.CallById(128)), s.frame) << "step " << i;
        ++i;
    }
    EXPECT_EQ(VariantToInt(flash.Get("TotalFrames")), 0);  // like a file the control cannot read
    EXPECT_EQ(std::get<std::string>(flash.GetById(102)), "C:\\absent.swf");
}

TEST_F(HeadlessFlashTest, ControlsAreLoggedFromCreationToDestruction) {
    backend.com.FlashControl().AddMovie("C:\\bad.swf", 2, 12, true);
    backend.com.Alias("{D27CDB6E-AE6D-11CF-96B8-444553540000}", "ShockwaveFlash.ShockwaveFlash");
    EXPECT_THROW(backend.NewActiveXControl(*window, "Absent.Control", {0, 0, 1, 1}), EOleException);
    auto control = backend.NewActiveXControl(*window, "{D27CDB6E-AE6D-11CF-96B8-444553540000}", {0, 0, 640, 480});
    control->Dispatch().Put("Movie", std::string("C:\\bad.swf"));
    EXPECT_EQ(test::RaisedBy([&] { control->Dispatch().Call("Play"); }).message, "The movie cannot be played");
    control->SetBounds({0, 0, 800, 600});
    control->SetVisible(false);
    control->SetVisible(true);
    EXPECT_EQ(backend.com.live_objects(), 1);
    control.reset();
    EXPECT_EQ(backend.com.live_objects(), 0);
    app->ShowMessage("The presentation cannot be shown.");
    EXPECT_EQ(headless->messages(), std::vector<std::string>{"The presentation cannot be shown."});
    const std::vector<std::string> want = {
        R"(activex create Absent.Control -> failed 0x800401F3 "Invalid class string")",
        "activex create {D27CDB6E-AE6D-11CF-96B8-444553540000} at 0,0,640,480",
        R"(activex Movie put "C:\bad.swf")",
        R"(activex Play call -> failed 0x80004005 "The movie cannot be played")",
        "activex bounds 0,0,800,600",
        "activex hide",
        "activex show",
        "activex destroy {D27CDB6E-AE6D-11CF-96B8-444553540000}",
        "message The presentation cannot be shown.",
    };
    EXPECT_EQ(ComLines(backend.log), want);
}

}  // namespace
}  // namespace scr
