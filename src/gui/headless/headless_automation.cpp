#include "gui/headless/headless_automation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "gui/application.h"
#include "gui/headless/headless_backend.h"
#include "gui/window.h"

namespace scr {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string Hex(int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(code));
    return text;
}

std::string RectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string ArgsText(const std::vector<Variant>& args) {
    std::string text;
    for (const Variant& a : args) text += (text.empty() ? "(" : ", ") + AutomationValueText(a);
    return text.empty() ? text : text + ")";
}

// What the program holds of a scripted object; counted, so a test can see that everything
// handed out was given back.
class ScriptedReference final : public AutomationObject {
public:
    ScriptedReference(HeadlessCom& com, std::shared_ptr<ScriptedObject> object) : com_(com), object_(std::move(object)) {}
    ~ScriptedReference() override { com_.Released(); }
    ScriptedReference(const ScriptedReference&) = delete;
    ScriptedReference& operator=(const ScriptedReference&) = delete;

    const ScriptedObject& object() const { return *object_; }

    Variant Get(const std::string& name, const std::vector<Variant>& args) override {
        return object_->Invoke(ScriptedObject::Access::Get, &name, 0, args);
    }
    void Put(const std::string& name, const Variant& value) override {
        object_->Invoke(ScriptedObject::Access::Put, &name, 0, {value});
    }
    Variant Call(const std::string& name, const std::vector<Variant>& args) override {
        return object_->Invoke(ScriptedObject::Access::Call, &name, 0, args);
    }
    Variant GetById(int32_t dispid) override { return object_->Invoke(ScriptedObject::Access::Get, nullptr, dispid, {}); }
    void PutById(int32_t dispid, const Variant& value) override {
        object_->Invoke(ScriptedObject::Access::Put, nullptr, dispid, {value});
    }
    Variant CallById(int32_t dispid, const std::vector<Variant>& args) override {
        return object_->Invoke(ScriptedObject::Access::Call, nullptr, dispid, args);
    }

private:
    HeadlessCom& com_;
    std::shared_ptr<ScriptedObject> object_;
};

class HeadlessActiveXControl final : public ActiveXControl {
public:
    HeadlessActiveXControl(HeadlessCom& com, const std::shared_ptr<ScriptedObject>& object, std::string name,
                           Application& app)
        : com_(com), object_(object), name_(std::move(name)), dispatch_(com.Share(object)) {
        object_->Hosted(&app);
    }
    ~HeadlessActiveXControl() override {
        object_->Hosted(nullptr);
        com_.Log("activex destroy " + name_);
    }
    HeadlessActiveXControl(const HeadlessActiveXControl&) = delete;
    HeadlessActiveXControl& operator=(const HeadlessActiveXControl&) = delete;

    AutomationObject& Dispatch() override { return *dispatch_; }
    void SetBounds(const Rect& bounds) override { com_.Log("activex bounds " + RectText(bounds)); }
    void SetVisible(bool visible) override { com_.Log(visible ? "activex show" : "activex hide"); }
    void SetFocus() override { com_.Log("activex focus"); }

private:
    HeadlessCom& com_;
    std::shared_ptr<ScriptedObject> object_;
    std::string name_;
    std::shared_ptr<AutomationObject> dispatch_;
};

}  // namespace

std::string HeadlessOleErrorText(int32_t code) {
    static const std::map<uint32_t, const char*> texts = {
        {0x80004001, "Not implemented"},
        {0x80004003, "Invalid pointer"},
        {0x80004005, "Unspecified error"},
        {0x80070002, "The system cannot find the file specified."},
        {0x80070057, "The parameter is incorrect."},
        {0x80020003, "Member not found."},
        {0x80020005, "Type mismatch."},
        {0x80020006, "Unknown name."},
        {0x80020009, "Exception occurred."},
        {0x8002000A, "Out of present range."},
        {0x8002000B, "Invalid index."},
        {0x8002000E, "Invalid number of parameters."},
        {0x80040154, "Class not registered"},
        {0x800401F3, "Invalid class string"},
        {0x80080005, "Server execution failed"},
    };
    const auto it = texts.find(uint32_t(code));
    return it != texts.end() ? it->second : "OLE error " + Hex(code);
}

std::string AutomationValueText(const Variant& v) {
    if (const auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    if (const auto* d = std::get_if<double>(&v)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.15g", *d);
        std::string s = text;
        // A double never reads like an integer, so the log tells the types apart.
        if (std::isfinite(*d) && s.find_first_of(".e") == std::string::npos) s += ".0";
        return s;
    }
    if (const auto* s = std::get_if<std::string>(&v)) {
        std::string text = "\"";
        for (char c : *s) text += c == '"' ? std::string("\\\"") : std::string(1, c);
        return text + "\"";
    }
    if (const auto* o = std::get_if<std::shared_ptr<AutomationObject>>(&v)) {
        if (!*o) return "<nothing>";
        const auto* scripted = dynamic_cast<const ScriptedReference*>(o->get());
        return "<" + (scripted != nullptr ? scripted->object().name() : std::string("object")) + ">";
    }
    return "empty";
}

// --- ScriptedObject ----------------------------------------------------------------------------

ScriptedObject::ScriptedObject(HeadlessCom& com, std::string channel, std::string name)
    : com_(com), channel_(std::move(channel)), name_(std::move(name)) {}

ScriptedObject::Member& ScriptedObject::Add(const std::string& member) {
    // Scripting a member again starts it afresh, keeping its dispatch id.
    for (Member& m : members_) {
        if (Lower(m.name) == Lower(member)) {
            const int32_t dispid = m.dispid;
            m = Member{};
            m.name = member;
            m.dispid = dispid;
            return m;
        }
    }
    members_.push_back(Member{});
    members_.back().name = member;
    return members_.back();
}

ScriptedObject::Member* ScriptedObject::Lookup(const std::string& member) {
    for (Member& m : members_)
        if (Lower(m.name) == Lower(member)) return &m;
    return nullptr;
}

const ScriptedObject::Member& ScriptedObject::Find(const std::string& member) const {
    const Member* m = const_cast<ScriptedObject*>(this)->Lookup(member);
    if (m == nullptr) throw std::logic_error("the script has no member " + member + " on " + name_);
    return *m;
}

ScriptedObject::Member& ScriptedObject::Find(const std::string& member) {
    return const_cast<Member&>(std::as_const(*this).Find(member));
}

std::shared_ptr<ScriptedObject> ScriptedObject::NewChild(const std::string& member, const std::string& object_name) {
    return std::make_shared<ScriptedObject>(com_, channel_, object_name.empty() ? member : object_name);
}

ScriptedObject& ScriptedObject::Give(const std::string& member, bool method, Variant value, Handler handler,
                                     Setter setter, bool writable) {
    Member& m = Add(member);
    m.method = method;
    m.value = std::move(value);
    m.handler = std::move(handler);
    m.setter = std::move(setter);
    m.writable = writable;
    return *this;
}

ScriptedObject& ScriptedObject::Property(const std::string& member, Variant value) {
    return Give(member, false, std::move(value), nullptr, nullptr, true);
}

ScriptedObject& ScriptedObject::ReadOnly(const std::string& member, Variant value) {
    return Give(member, false, std::move(value), nullptr, nullptr, false);
}

ScriptedObject& ScriptedObject::Computed(const std::string& member, Handler get, Setter set) {
    const bool writable = bool(set);
    return Give(member, false, {}, std::move(get), std::move(set), writable);
}

ScriptedObject& ScriptedObject::Method(const std::string& member, Variant result) {
    return Give(member, true, std::move(result), nullptr, nullptr, false);
}

ScriptedObject& ScriptedObject::Method(const std::string& member, Handler handler) {
    return Give(member, true, {}, std::move(handler), nullptr, false);
}

ScriptedObject& ScriptedObject::Object(const std::string& member, const std::string& object_name) {
    auto child = NewChild(member, object_name);
    Add(member).object = child;
    return *child;
}

ScriptedObject& ScriptedObject::MethodObject(const std::string& member, const std::string& object_name) {
    auto child = NewChild(member, object_name);
    Member& m = Add(member);
    m.method = true;
    m.object = child;
    return *child;
}

ScriptedObject& ScriptedObject::Fail(const std::string& member, const std::string& description, int32_t code) {
    Member& m = Find(member);
    m.fails = true;
    m.fail_text = description;
    m.fail_code = code;
    return *this;
}

ScriptedObject& ScriptedObject::FailCode(const std::string& member, int32_t code) { return Fail(member, "", code); }

ScriptedObject& ScriptedObject::Succeed(const std::string& member) {
    Find(member).fails = false;
    return *this;
}

ScriptedObject& ScriptedObject::Id(const std::string& member, int32_t dispid) {
    Find(member).dispid = dispid;
    return *this;
}

const Variant& ScriptedObject::Value(const std::string& member) const { return Find(member).value; }

int ScriptedObject::Calls(const std::string& member) const {
    const Member* m = const_cast<ScriptedObject*>(this)->Lookup(member);
    return m != nullptr ? m->calls : 0;
}

int32_t ScriptedObject::Refusal(const Member& m, Access access, size_t arg_count) {
    switch (access) {
    case Access::Get:
        // A read also calls a method; a plain property takes no index.
        return !m.method && !m.handler && arg_count > 0 ? kOleBadParamCount : 0;
    case Access::Put:
        return m.method || !m.writable ? kOleMemberNotFound : 0;
    case Access::Call:
        return m.method ? 0 : kOleMemberNotFound;
    }
    return 0;
}

Variant ScriptedObject::Invoke(Access access, const std::string* name, int32_t dispid, const std::vector<Variant>& args) {
    Member* m = name != nullptr ? Lookup(*name) : nullptr;
    for (Member& candidate : members_)
        if (name == nullptr && candidate.dispid != 0 && candidate.dispid == dispid) m = &candidate;
    const std::string member = m != nullptr ? m->name : name != nullptr ? *name : "#" + std::to_string(dispid);
    std::string line = channel_ + " " + (name_.empty() ? member : name_ + "." + member);
    if (access == Access::Get) line += " get" + std::string(args.empty() ? "" : " ") + ArgsText(args);
    if (access == Access::Put) line += " put " + AutomationValueText(args.at(0));
    if (access == Access::Call) line += " call" + std::string(args.empty() ? "" : " ") + ArgsText(args);

    try {
        int32_t refusal = m == nullptr ? (name != nullptr ? kOleUnknownName : kOleMemberNotFound) : 0;
        if (m != nullptr) {
            ++m->calls;
            refusal = Refusal(*m, access, args.size());
        }
        if (refusal != 0) throw EOleException(HeadlessOleErrorText(refusal), refusal);
        if (m->fails)
            throw EOleException(m->fail_text.empty() ? HeadlessOleErrorText(m->fail_code) : m->fail_text, m->fail_code);
        Variant result;
        if (access == Access::Put) {
            if (m->setter)
                m->setter(args[0]);
            else
                m->value = args[0];
        } else if (m->handler) {
            result = m->handler(args);
        } else if (m->object) {
            result = com_.Share(m->object);
        } else {
            result = m->value;
        }
        com_.Log(line);
        return result;
    } catch (const EOleException& e) {
        com_.Log(line + " -> failed " + Hex(e.Result()) + " \"" + e.what() + "\"");
        throw;
    }
}

// --- HeadlessFlash -----------------------------------------------------------------------------

HeadlessFlash::HeadlessFlash(HeadlessCom& com) : ScriptedObject(com, "activex", "") {
    Computed(
        "Movie", [this](const std::vector<Variant>&) -> Variant { return path_; },
        [this](const Variant& v) {
            const auto* path = std::get_if<std::string>(&v);
            if (path == nullptr) throw EOleException(HeadlessOleErrorText(kOleTypeMismatch), kOleTypeMismatch);
            Load(*path);
        });
    Computed("TotalFrames", [this](const std::vector<Variant>&) -> Variant { return int32_t(clip_.frames); });
    Method("CurrentFrame", [this](const std::vector<Variant>&) -> Variant { return int32_t(CurrentFrame()); });
    Method("Play", [this](const std::vector<Variant>&) -> Variant {
        Play();
        return {};
    });
    Method("Stop", [this](const std::vector<Variant>&) -> Variant {
        Stop();
        return {};
    });
    Id("Movie", 102).Id("TotalFrames", 124).Id("CurrentFrame", 128).Id("Play", 112).Id("Stop", 113);
}

HeadlessFlash& HeadlessFlash::AddMovie(const std::string& path, int frames, double rate, bool fail_play) {
    if (frames < 1 || !(rate > 0)) throw std::logic_error("a scripted movie needs frames and a rate above 0");
    movies_[path] = Clip{frames, rate, fail_play};
    return *this;
}

uint32_t HeadlessFlash::Now() const { return app_ != nullptr ? app_->TickCount() : 0; }

uint32_t HeadlessFlash::PlayedMs() const { return played_ms_ + (playing_ ? Now() - play_start_ : 0); }

int HeadlessFlash::CurrentFrame() const {
    if (clip_.frames == 0) return 0;
    const double frame = std::floor(PlayedMs() * clip_.rate / 1000.0);
    return int(std::min<double>(clip_.frames - 1, frame));
}

void HeadlessFlash::Load(const std::string& path) {
    path_ = path;
    const auto it = movies_.find(path);
    clip_ = it != movies_.end() ? it->second : Clip{};
    playing_ = false;
    played_ms_ = 0;
}

void HeadlessFlash::Play() {
    if (clip_.fail_play) throw EOleException("The movie cannot be played", kOleFail);
    if (playing_) return;
    playing_ = true;
    play_start_ = Now();
}

void HeadlessFlash::Stop() {
    played_ms_ = PlayedMs();
    playing_ = false;
}

// --- HeadlessCom -------------------------------------------------------------------------------

HeadlessCom::Class& HeadlessCom::Add(const std::string& name, bool control, std::shared_ptr<ScriptedObject> root) {
    Class& c = classes_[Lower(name)];
    if (!c.root || c.control != control) {
        c.root = std::move(root);
        c.control = control;
    }
    return c;
}

HeadlessCom::Class* HeadlessCom::Find(const std::string& name) {
    std::string key = Lower(name);
    if (const auto alias = aliases_.find(key); alias != aliases_.end()) key = alias->second;
    const auto it = classes_.find(key);
    return it != classes_.end() ? &it->second : nullptr;
}

const HeadlessCom::Class* HeadlessCom::Find(const std::string& name) const {
    return const_cast<HeadlessCom*>(this)->Find(name);
}

ScriptedObject& HeadlessCom::Server(const std::string& prog_id) {
    return *Add(prog_id, false, std::make_shared<ScriptedObject>(*this, "automation", prog_id)).root;
}

ScriptedObject& HeadlessCom::Control(const std::string& class_name) {
    return *Add(class_name, true, std::make_shared<ScriptedObject>(*this, "activex", "")).root;
}

HeadlessFlash& HeadlessCom::FlashControl(const std::string& class_name) {
    Class& c = Add(class_name, true, std::make_shared<HeadlessFlash>(*this));
    auto* flash = dynamic_cast<HeadlessFlash*>(c.root.get());
    if (flash == nullptr) {
        c.root = std::make_shared<HeadlessFlash>(*this);
        flash = static_cast<HeadlessFlash*>(c.root.get());
    }
    return *flash;
}

void HeadlessCom::Alias(const std::string& alias, const std::string& class_name) {
    if (Find(class_name) == nullptr) throw std::logic_error("the script has no class " + class_name);
    aliases_[Lower(alias)] = Lower(class_name);
}

void HeadlessCom::SetRunning(const std::string& prog_id, bool running) {
    Class* c = Find(prog_id);
    if (c == nullptr) throw std::logic_error("the script has no class " + prog_id);
    c->running = running;
}

bool HeadlessCom::Running(const std::string& prog_id) const {
    const Class* c = Find(prog_id);
    return c != nullptr && c->running;
}

void HeadlessCom::FailStart(const std::string& prog_id, int32_t code) {
    Class* c = Find(prog_id);
    if (c == nullptr) throw std::logic_error("the script has no class " + prog_id);
    c->start_failure = code;
}

EOleException HeadlessCom::Unregistered(const std::string& name) {
    // A ProgID that is not registered fails its look-up; a CLSID fails at the creation.
    const int32_t code = !name.empty() && name[0] == '{' ? kOleClassNotRegistered : kOleInvalidClassString;
    return EOleException(HeadlessOleErrorText(code), code);
}

std::shared_ptr<AutomationObject> HeadlessCom::Connect(const std::string& prog_id, ConnectKind kind) {
    Class* c = Find(prog_id);
    const bool attach = c != nullptr && !c->control && c->running && kind == ConnectKind::RunningOrNew;
    const std::string line = std::string("automation ") + (attach ? "attach " : "start ") + prog_id;
    try {
        if (c == nullptr || c->control) throw Unregistered(prog_id);
        if (!attach && c->start_failure != 0)
            throw EOleException(HeadlessOleErrorText(c->start_failure), c->start_failure);
    } catch (const EOleException& e) {
        Log(line + " -> failed " + Hex(e.Result()) + " \"" + e.what() + "\"");
        throw;
    }
    c->running = true;
    Log(line);
    return Share(c->root);
}

std::unique_ptr<ActiveXControl> HeadlessCom::NewControl(Window& parent, const std::string& class_name,
                                                        const Rect& bounds) {
    const std::string line = "activex create " + class_name;
    Class* c = Find(class_name);
    if (c == nullptr || !c->control) {
        const EOleException e = Unregistered(class_name);
        Log(line + " -> failed " + Hex(e.Result()) + " \"" + e.what() + "\"");
        throw e;
    }
    Log(line + " at " + RectText(bounds));
    return std::make_unique<HeadlessActiveXControl>(*this, c->root, class_name, parent.application());
}

std::shared_ptr<AutomationObject> HeadlessCom::Share(const std::shared_ptr<ScriptedObject>& object) {
    ++live_;
    return std::make_shared<ScriptedReference>(*this, object);
}

// --- The backend's factories -------------------------------------------------------------------

std::unique_ptr<ActiveXControl> HeadlessBackend::NewActiveXControl(Window& parent, const std::string& class_name_or_clsid,
                                                                   const Rect& bounds) {
    return com.NewControl(parent, class_name_or_clsid, bounds);
}

std::shared_ptr<AutomationObject> HeadlessBackend::ConnectAutomation(const std::string& prog_id, ConnectKind kind) {
    return com.Connect(prog_id, kind);
}

}  // namespace scr
