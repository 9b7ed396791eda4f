#include "gui/headless/headless_backend.h"

#include <iterator>
#include <stdexcept>

namespace scr {

namespace {

class LoggedHandle : public SystemHandle {
public:
    explicit LoggedHandle(std::vector<std::string>& log) : log_(log) {}
    ~LoggedHandle() override { log_.push_back("semaphore closed"); }

private:
    std::vector<std::string>& log_;
};

class LoggedCanvas : public WindowCanvas {
public:
    explicit LoggedCanvas(std::vector<std::string>& log) : log_(log) {}
    ~LoggedCanvas() override { log_.push_back("canvas released"); }
    void StretchDraw(const Rect& d, const Bitmap& p) override {
        log_.push_back("draw " + std::to_string(p.width()) + "x" + std::to_string(p.height()) + " at " +
                       std::to_string(d.left) + "," + std::to_string(d.top) + "-" + std::to_string(d.right) + "," +
                       std::to_string(d.bottom));
    }

private:
    std::vector<std::string>& log_;
};

}  // namespace

SemaphoreResult HeadlessServices::CreateInstanceSemaphore(const std::string& name) {
    log_.push_back("semaphore " + name);
    SemaphoreResult r;
    if (!semaphore_fails) r.handle = std::make_unique<LoggedHandle>(log_);
    r.already_exists = semaphore_exists;
    return r;
}

void HeadlessServices::CallPasswordChange(const std::string& library_path, const std::string& key, WindowHandle window) {
    log_.push_back("password " + library_path + " " + key + " " + std::to_string(window));
}

bool HeadlessServices::WindowExists(WindowHandle) { return window_exists; }

bool HeadlessServices::WindowVisible(WindowHandle window) {
    const bool v = visible.front();
    if (visible.size() > 1) visible.pop_front();
    log_.push_back(std::string(v ? "visible " : "hidden ") + std::to_string(window));
    return v;
}

Rect HeadlessServices::WindowRectangle(WindowHandle window) {
    if (!window_exists) throw std::runtime_error("The window's rectangle cannot be read");
    (void)window;
    return window_rect;
}

std::unique_ptr<WindowCanvas> HeadlessServices::CanvasOnWindow(WindowHandle window) {
    log_.push_back("canvas " + std::to_string(window));
    return std::make_unique<LoggedCanvas>(log_);
}

std::unique_ptr<Application> HeadlessBackend::CreateApplication() {
    log.push_back("app created");
    return std::make_unique<HeadlessApplication>(services_.module_path, &log);
}

std::unique_ptr<Window> HeadlessBackend::NewWindow(Application& app, const WindowParams& params) {
    auto* headless = dynamic_cast<HeadlessApplication*>(&app);
    if (headless == nullptr) throw std::logic_error("a headless window needs the headless application");
    return std::make_unique<HeadlessWindow>(*headless, params);
}

}  // namespace scr

namespace scr {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The lines of an INI text, with the index of the line that starts each section.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsSection(const std::string& line, std::string* name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    if (name) *name = Lower(Trim(t.substr(1, t.size() - 2)));
    return true;
}

// The hook stays installed while this object lives.
class ScopedHook : public InputHook {
public:
    explicit ScopedHook(std::function<void()> remove) : remove_(std::move(remove)) {}
    ~ScopedHook() override { remove_(); }

private:
    std::function<void()> remove_;
};

}  // namespace

uint32_t HeadlessServices::SystemColor(int index) {
    static const uint32_t kDefaults[] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xD77800, 0xF0F0F0};
    return index >= 0 && index < int(std::size(kDefaults)) ? kDefaults[index] : 0;
}

int HeadlessServices::ShowCursor(bool show) {
    cursor_count += show ? 1 : -1;
    log_.push_back(show ? "cursor show" : "cursor hide");
    return cursor_count;
}

void HeadlessServices::SetScreenSaverRunning(bool running) {
    screen_saver_running = running;
    log_.push_back(running ? "screen saver running 1" : "screen saver running 0");
}

std::unique_ptr<InputHook> HeadlessServices::InstallInputHook(std::function<void(const InputEvent&)> on_event) {
    if (!hooks_available) {
        log_.push_back("hook refused");
        return nullptr;
    }
    hook_ = std::move(on_event);
    log_.push_back("hook installed");
    // A later hook replaces an earlier one, whose removal then changes nothing.
    return std::make_unique<ScopedHook>([this, serial = ++hook_serial_] {
        if (hook_serial_ != serial) return;
        hook_ = nullptr;
        log_.push_back("hook removed");
    });
}

void HeadlessServices::FireHookEvent(const InputEvent& event) {
    // A copy: the callback may remove the hook.
    if (auto fn = hook_) fn(event);
}

RegistryDword HeadlessServices::ReadUserDword(const std::string& key, const std::string& name) {
    log_.push_back("registry read " + key + " " + name);
    const auto k = registry.find(key);
    if (k == registry.end()) return {RegistryDword::Status::KeyMissing, 0};
    const auto v = k->second.find(name);
    if (v == k->second.end()) return {RegistryDword::Status::ValueMissing, 0};
    return v->second;
}

PasswordCheck HeadlessServices::VerifyScreenSavePassword(const std::string& library_path, WindowHandle window) {
    log_.push_back("password check " + library_path + " " + std::to_string(window) + " cursor " +
                   std::to_string(cursor_count));
    const auto it = password_libraries.find(library_path);
    if (it == password_libraries.end()) return PasswordCheck::NoLibrary;
    if (!it->second.has_entry) return PasswordCheck::NoEntryPoint;
    auto& answers = it->second.answers;
    const bool accepted = answers.empty() || answers.front();
    if (answers.size() > 1) answers.pop_front();
    return accepted ? PasswordCheck::Accepted : PasswordCheck::Refused;
}

std::string HeadlessServices::ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                                            const std::string& default_value) {
    log_.push_back("ini read " + path + " [" + section + "] " + key);
    const auto file = ini_files.find(path);
    if (file == ini_files.end()) return default_value;
    // Section and key names compare without regard to case, as the system's functions do.
    bool in_section = false;
    for (const std::string& line : Lines(file->second)) {
        std::string name;
        if (IsSection(line, &name)) {
            in_section = name == Lower(section);
            continue;
        }
        const auto eq = line.find('=');
        if (in_section && eq != std::string::npos && Lower(Trim(line.substr(0, eq))) == Lower(key))
            return Trim(line.substr(eq + 1));
    }
    return default_value;
}

bool HeadlessServices::WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                                      const std::string& value) {
    log_.push_back("ini write " + path + " [" + section + "] " + key + "=" + value);
    if (ini_read_only.count(path)) return false;
    std::vector<std::string> lines = Lines(ini_files[path]);
    bool in_section = false, written = false;
    std::size_t section_end = lines.size();
    bool section_found = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        std::string name;
        if (IsSection(lines[i], &name)) {
            if (in_section) section_end = i;
            in_section = name == Lower(section);
            if (in_section) section_found = true;
            continue;
        }
        const auto eq = lines[i].find('=');
        if (in_section && eq != std::string::npos && Lower(Trim(lines[i].substr(0, eq))) == Lower(key)) {
            lines[i] = key + "=" + value;
            written = true;
        }
    }
    if (!written) {
        if (!section_found) {
            lines.push_back("[" + section + "]");
            section_end = lines.size();
        } else if (in_section) {
            section_end = lines.size();
        }
        lines.insert(lines.begin() + std::ptrdiff_t(section_end), key + "=" + value);
    }
    // The system writes the whole file back with CRLF line ends.
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    ini_files[path] = text;
    return true;
}

TextSize HeadlessServices::MeasureText(const TextStyle& style, const std::string& ansi_text) {
    return {int(ansi_text.size()) * style.point_size * 3 / 5, (style.point_size * 4 + 2) / 3};
}

void HeadlessServices::PaintText(Bitmap& target, int x, int y, const TextStyle& style, const std::string& ansi_text) {
    log_.push_back("text \"" + ansi_text + "\" " + style.face + " " + std::to_string(style.point_size) + "pt at " +
                   std::to_string(x) + "," + std::to_string(y));
    const TextSize size = MeasureText(style, ansi_text);
    const Rect box = Rect{x, y, x + size.cx, y + size.cy}.intersected({0, 0, target.width(), target.height()});
    for (int row = box.top; row < box.bottom; ++row)
        for (int col = box.left; col < box.right; ++col) {
            uint8_t* p = target.pixel(col, row);
            p[0] = uint8_t(style.color >> 16);
            p[1] = uint8_t(style.color >> 8);
            p[2] = uint8_t(style.color);
        }
}

}  // namespace scr
