// The backend table: one object per platform hands out the application object, windows, the
// system services, hosted ActiveX controls and automation servers (later also the media
// player). Win32Backend is the real one; HeadlessBackend runs the whole program natively on a
// virtual clock.
#pragma once

#include <memory>

#include "gui/application.h"
#include "gui/automation.h"
#include "gui/media_player.h"
#include "gui/services.h"
#include "gui/window.h"

namespace scr {

class Backend {
public:
    virtual ~Backend() = default;

    virtual Services& services() = 0;
    // The one application object of the process.
    virtual std::unique_ptr<Application> CreateApplication() = 0;
    // A window of the given kind, hidden until SetVisible; it reports to its listener.
    virtual std::unique_ptr<Window> NewWindow(Application& app, const WindowParams& params) = 0;
    // The control of a class (ProgID, or CLSID as "{...}") in place over bounds (client
    // coordinates of parent). Throws EOleException with the system's message when it cannot be
    // made (not registered, say): the caller goes on without it.
    virtual std::unique_ptr<ActiveXControl> NewActiveXControl(Window& parent, const std::string& class_name_or_clsid,
                                                              const Rect& bounds) = 0;
    // The application object of an automation server (ProgID, or CLSID as "{...}"), found or
    // started as kind says. Throws EOleException.
    virtual std::shared_ptr<AutomationObject> ConnectAutomation(const std::string& prog_id, ConnectKind kind) = 0;
    // A media player whose notices arrive through app's loop; app must come from this backend.
    virtual std::unique_ptr<MediaPlayer> NewMediaPlayer(Application& app) = 0;
};

// The program's entry, supplied by the program and called by the platform's start-up code.
// It returns the process's exit status.
int ProgramMain(Backend& backend);

}  // namespace scr
