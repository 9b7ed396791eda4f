#include "gui/headless/headless_backend.h"

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

std::unique_ptr<Window> HeadlessBackend::NewWindow(Application& app, const WindowSpec& spec) {
    auto* headless = dynamic_cast<HeadlessApplication*>(&app);
    if (headless == nullptr) throw std::logic_error("a headless window needs the headless application");
    return std::make_unique<HeadlessWindow>(*headless, spec);
}

}  // namespace scr
