// The program entry: mode selection, the password change of mode 0, the instance semaphore,
// the application object and the preview of mode 1. Written against the backend table so that
// the whole sequence runs natively in tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/bitmap.h"
#include "gui/backend.h"
#include "gui/form.h"

namespace scr {

// Reads the preview's picture from a package file: trailer field 1, then the first item of
// the appended data, decoded. Empty when the picture holds no graphic; throws when the file
// holds no readable picture item.
using PreviewPictureReader = std::function<std::optional<Bitmap>(const std::string& package_path)>;

// Creates the main form of a mode: the setup dialog for mode 2, the saver window for mode 3.
// Empty when the mode has none.
using MainFormFactory = std::function<std::unique_ptr<TForm>(Backend& backend, Application& app, uint8_t run_mode)>;

// Runs the whole entry and returns the exit status, which is always 0: every exception that
// reaches it ends the run silently.
int ProgramEntry(Backend& backend, const PreviewPictureReader& read_picture, const MainFormFactory& create_main_form);

// The longest sleep between two tests of the preview's parent window: short enough that the
// preview ends soon after the display settings hide it, long enough not to keep a core busy.
inline constexpr uint32_t kPreviewPollMs = 50;

// Mode 1 after the application object is ready: waits until the parent is visible, draws the
// picture once, then waits until the parent is hidden or destroyed.
void RunPreview(Services& services, Application& app, std::string_view handle_text,
                const std::string& package_path, const PreviewPictureReader& read_picture);

// Draws the package's first picture stretched over (0, 0)-(Width, Height) of the parent,
// Width and Height being one more than the window's extent.
void DrawPreview(Services& services, WindowHandle parent, const std::string& package_path,
                 const PreviewPictureReader& read_picture);

}  // namespace scr
