#include "gui/application.h"

#include <stdexcept>

namespace scr {

Application::Application(std::string exe_name) : exe_name_(std::move(exe_name)), title_(TitleFromExeName(exe_name_)) {}

void Application::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(std::runtime_error("Unknown error"));
    }
}

bool Application::Idle() {
    bool done = true;
    if (on_idle_) Guard([&] { on_idle_(done); });
    return done;
}

std::string ExceptionReportText(std::string_view message) {
    std::string text(message);
    // Bytes compare unsigned: a code-page letter at the end gains a full stop too.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

std::string TitleFromExeName(std::string_view exe_name) {
    const auto cut = exe_name.find_last_of("\\/:");
    std::string_view file = cut == std::string_view::npos ? exe_name : exe_name.substr(cut + 1);
    const auto dot = file.find_last_of('.');
    if (dot != std::string_view::npos) file = file.substr(0, dot);
    return std::string(file);
}

}  // namespace scr
