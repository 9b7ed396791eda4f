#include "gui/headless/application_headless.h"

#include <stdexcept>

namespace scr {

HeadlessApplication::HeadlessApplication(std::string exe_name)
    : exe_name_(std::move(exe_name)), title_(TitleFromExeName(exe_name_)) {}

void HeadlessApplication::DispatchOne() {
    auto message = std::move(queue_.front());
    queue_.pop_front();
    Guard(message);
}

void HeadlessApplication::ProcessMessages() {
    ++process_messages_calls_;
    // Like the real loop: until the queue is empty, messages posted meanwhile included.
    while (!queue_.empty()) DispatchOne();
}

void HeadlessApplication::Run() {
    while (!terminated_) {
        if (!queue_.empty()) {
            DispatchOne();
        } else if (Idle() && queue_.empty() && !terminated_) {
            throw std::logic_error("the message loop would wait for ever: nothing queued and no terminate request");
        }
    }
}

void HeadlessApplication::ShowException(const std::exception& error) {
    reports_.push_back({title_, ExceptionReportText(error.what())});
}

}  // namespace scr
