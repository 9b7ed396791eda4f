// Scripted automation servers and ActiveX controls for the headless backend. A test names the
// classes that exist and gives each a tree of objects (members answering values, objects of
// their own, handlers, failures); the program then reaches them through the backend's
// ConnectAutomation and NewActiveXControl as it would the real ones, and every call lands in the
// backend's log:
//
//   automation start PowerPoint.Application            (attach, when one runs already)
//   automation PowerPoint.Application.Presentations get
//   automation Presentations.Open call ("C:\x.ppt", -1, -1, 0)
//   automation SlideShowSettings.LoopUntilStopped put -1
//   automation Slides.Item call (2) -> failed 0x8002000B "Invalid index."
//   activex create ShockwaveFlash.ShockwaveFlash at 0,0,640,480
//   activex Movie put "C:\a.swf"
//   activex bounds 0,0,800,600     activex hide     activex show
//   activex destroy ShockwaveFlash.ShockwaveFlash
//
// Members answer like a type-library server: a read (Get) also calls a method, a call (Call)
// of a property fails with "Member not found.", and so does a write (Put) of a method or of a
// read-only property. Names match in any case.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/automation.h"

namespace scr {

class Application;
class HeadlessCom;
class Window;

// More result codes that the fakes raise (the system's values).
inline constexpr int32_t kOleMemberNotFound = int32_t(0x80020003);    // DISP_E_MEMBERNOTFOUND
inline constexpr int32_t kOleUnknownName = int32_t(0x80020006);       // DISP_E_UNKNOWNNAME
inline constexpr int32_t kOleException = int32_t(0x80020009);         // DISP_E_EXCEPTION
inline constexpr int32_t kOleBadParamCount = int32_t(0x8002000E);     // DISP_E_BADPARAMCOUNT
inline constexpr int32_t kOleClassNotRegistered = int32_t(0x80040154);  // REGDB_E_CLASSNOTREG
inline constexpr int32_t kOleInvalidClassString = int32_t(0x800401F3);  // CO_E_CLASSSTRING

// The system's text for a result code, as the Win32 backend would show it, for the codes that
// tests meet; "OLE error 0x%08X" for the rest.
std::string HeadlessOleErrorText(int32_t code);

// A value as the log writes it: -1, true, 0.5, 2.0 (a double always shows a point), "text"
// (a quote inside as \"), <Name> for a scripted object, <nothing> for an empty reference, empty.
std::string AutomationValueText(const Variant& v);

// One object of a script: its members, what they answer, and how often they were invoked. The
// script methods return the object they script (Object and MethodObject: the new object), so
// a tree is written in a few chained lines.
class ScriptedObject {
public:
    using Handler = std::function<Variant(const std::vector<Variant>& args)>;
    using Setter = std::function<void(const Variant& value)>;

    // channel: the log's first word ("automation" or "activex"); name: the object's name in the
    // log, empty for a control's own members.
    ScriptedObject(HeadlessCom& com, std::string channel, std::string name);
    virtual ~ScriptedObject() = default;
    ScriptedObject(const ScriptedObject&) = delete;
    ScriptedObject& operator=(const ScriptedObject&) = delete;

    // --- The script ---
    // A property that reads as value and keeps what is written.
    ScriptedObject& Property(const std::string& member, Variant value = {});
    // A property that can only be read.
    ScriptedObject& ReadOnly(const std::string& member, Variant value);
    // A property read through get (given the index arguments of the read, if any) and written
    // through set; a null set makes it read-only.
    ScriptedObject& Computed(const std::string& member, Handler get, Setter set = nullptr);
    ScriptedObject& Method(const std::string& member, Variant result = {});
    ScriptedObject& Method(const std::string& member, Handler handler);
    // A read-only property / a method whose value is an object of its own, which is returned
    // for scripting; the log names it object_name (by default the member's name).
    ScriptedObject& Object(const std::string& member, const std::string& object_name = "");
    ScriptedObject& MethodObject(const std::string& member, const std::string& object_name = "");
    // The member fails once its flags and arguments pass: with the server's own description,
    // or (FailCode) with a bare result code, for which the caller sees the system's text.
    ScriptedObject& Fail(const std::string& member, const std::string& description, int32_t code = kOleFail);
    ScriptedObject& FailCode(const std::string& member, int32_t code);
    // The member answers again.
    ScriptedObject& Succeed(const std::string& member);
    // Gives the member a fixed dispatch id, for GetById and its kin.
    ScriptedObject& Id(const std::string& member, int32_t dispid);

    // --- Inspection ---
    const std::string& name() const { return name_; }
    // The property's value now (what was last written).
    const Variant& Value(const std::string& member) const;
    // How often the member was invoked, failed calls included.
    int Calls(const std::string& member) const;

    // --- For the backend ---
    enum class Access { Get, Put, Call };
    // Logs and performs one access by name (or by dispid when name is null).
    Variant Invoke(Access access, const std::string* name, int32_t dispid, const std::vector<Variant>& args);
    // The control of this object has been created on a window of app (nullptr: destroyed).
    virtual void Hosted(Application* /*app*/) {}

private:
    struct Member {
        std::string name;
        bool method = false;
        bool writable = false;
        int32_t dispid = 0;  // 0: none given
        Variant value;
        Handler handler;
        Setter setter;
        std::shared_ptr<ScriptedObject> object;
        bool fails = false;
        std::string fail_text;  // empty: the system's text for fail_code
        int32_t fail_code = 0;
        int calls = 0;
    };
    Member& Add(const std::string& member);
    ScriptedObject& Give(const std::string& member, bool method, Variant value, Handler handler, Setter setter,
                         bool writable);
    Member* Lookup(const std::string& member);
    // The member the script gave; a member it did not give is the test's own mistake.
    const Member& Find(const std::string& member) const;
    Member& Find(const std::string& member);
    std::shared_ptr<ScriptedObject> NewChild(const std::string& member, const std::string& object_name);
    // The error the access raises before the member runs, or 0.
    static int32_t Refusal(const Member& m, Access access, size_t arg_count);

    HeadlessCom& com_;
    std::string channel_;
    std::string name_;
    std::vector<Member> members_;
};

// The Flash control's members (Movie 102, TotalFrames 124, CurrentFrame 128, Play 112,
// Stop 113) over scripted movies. Writing Movie loads the movie scripted for that path (an
// unknown path loads nothing: TotalFrames 0, as a missing file does); CurrentFrame is 0 until
// Play and then advances with the application's clock, rate frames a second, up to the last
// frame; Stop holds it and Play goes on from there.
class HeadlessFlash : public ScriptedObject {
public:
    explicit HeadlessFlash(HeadlessCom& com);
    // A movie of `frames` frames; with fail_play its Play raises "The movie cannot be played".
    HeadlessFlash& AddMovie(const std::string& path, int frames, double rate = 12, bool fail_play = false);
    // The path last written to Movie.
    const std::string& movie() const { return path_; }
    bool playing() const { return playing_; }

    void Hosted(Application* app) override { app_ = app; }

private:
    struct Clip {
        int frames = 0;
        double rate = 12;
        bool fail_play = false;
    };
    uint32_t Now() const;
    uint32_t PlayedMs() const;
    int CurrentFrame() const;
    void Load(const std::string& path);
    void Play();
    void Stop();

    std::map<std::string, Clip> movies_;
    std::string path_;
    Clip clip_;
    bool playing_ = false;
    uint32_t play_start_ = 0;  // the tick of the last Play
    uint32_t played_ms_ = 0;   // before the last Play
    Application* app_ = nullptr;
};

// The classes a headless run can reach, and the log they write to. Held by HeadlessBackend as
// `com`:
//
//   HeadlessBackend backend;
//   auto& app = backend.com.Server("PowerPoint.Application");
//   auto& show = app.Object("Presentations").MethodObject("Open", "Presentation");
//   show.Object("SlideShowSettings").Property("LoopUntilStopped", 0).Property("ShowType", 1)
//       .MethodObject("Run", "SlideShowWindow");
//   show.Object("Slides").ReadOnly("Count", 3).MethodObject("Item", "Slide")
//       .Object("SlideShowTransition").Object("SoundEffect").Property("Type", 2);
//   app.Method("Quit");
//   backend.com.FlashControl().AddMovie("C:\\a.swf", 10, 5);
class HeadlessCom {
public:
    explicit HeadlessCom(std::vector<std::string>& log) : log_(log) {}
    HeadlessCom(const HeadlessCom&) = delete;
    HeadlessCom& operator=(const HeadlessCom&) = delete;

    // --- The script ---
    // An automation server that ConnectAutomation finds under prog_id; its application object.
    ScriptedObject& Server(const std::string& prog_id);
    // A control class that NewActiveXControl creates; the control's own object.
    ScriptedObject& Control(const std::string& class_name);
    // The Flash control under class_name.
    HeadlessFlash& FlashControl(const std::string& class_name = "ShockwaveFlash.ShockwaveFlash");
    // Another name (a CLSID "{...}", a versioned ProgID) for a class already scripted.
    void Alias(const std::string& alias, const std::string& class_name);
    // Whether the server runs already: RunningOrNew then attaches to it. A start sets it.
    void SetRunning(const std::string& prog_id, bool running);
    bool Running(const std::string& prog_id) const;
    // The server cannot be started: ConnectAutomation raises code (0: it starts again).
    void FailStart(const std::string& prog_id, int32_t code);

    // --- Inspection ---
    // Objects handed to the program (a control's own included) and not yet released by it.
    int live_objects() const { return live_; }

    // --- For the backend and the scripted objects ---
    std::shared_ptr<AutomationObject> Connect(const std::string& prog_id, ConnectKind kind);
    std::unique_ptr<ActiveXControl> NewControl(Window& parent, const std::string& class_name, const Rect& bounds);
    // A new reference to a scripted object, counted while the program holds it.
    std::shared_ptr<AutomationObject> Share(const std::shared_ptr<ScriptedObject>& object);
    void Log(const std::string& line) { log_.push_back(line); }
    void Released() { --live_; }

private:
    struct Class {
        std::shared_ptr<ScriptedObject> root;
        bool control = false;
        bool running = false;
        int32_t start_failure = 0;
    };
    Class& Add(const std::string& name, bool control, std::shared_ptr<ScriptedObject> root);
    Class* Find(const std::string& name);
    const Class* Find(const std::string& name) const;
    // The failure a missing class gives, as the system reports it for that kind of name.
    static EOleException Unregistered(const std::string& name);

    std::vector<std::string>& log_;
    std::map<std::string, Class> classes_;        // by lower-case name
    std::map<std::string, std::string> aliases_;  // lower-case alias -> lower-case name
    int live_ = 0;
};

}  // namespace scr
