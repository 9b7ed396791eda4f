#include "app/entry.h"

#include "app/command_line.h"
#include "saver/run_mode.h"

namespace scr {

namespace {

void ChangePassword(Services& services, const std::string& handle_text) {
    // Converted first: a bad handle ends the mode before the library is touched.
    const WindowHandle window = ParseWindowHandle(handle_text);
    const std::string library = SystemLibraryPath(services.SystemDirectory(), "MPR.DLL");
    services.CallPasswordChange(library, "SCRSAVE", window);
}

}  // namespace

void DrawPreview(Services& services, WindowHandle parent, const std::string& package_path,
                 const PreviewPictureReader& read_picture) {
    const Rect frame = services.WindowRectangle(parent);
    // One more than the extent, so the picture also covers the window's last row and column.
    const int width = frame.right - frame.left + 1;
    const int height = frame.bottom - frame.top + 1;
    const std::optional<Bitmap> picture = read_picture(package_path);
    auto canvas = services.CanvasOnWindow(parent);
    if (picture && !picture->empty()) canvas->StretchDraw(Rect{0, 0, width, height}, *picture);
}

void RunPreview(Services& services, Application& app, std::string_view handle_text,
                const std::string& package_path, const PreviewPictureReader& read_picture) {
    const WindowHandle parent = ParseWindowHandle(handle_text);
    // Both waits sleep between tests (waking early for a message): polling without a pause would
    // keep a core busy for as long as the display settings show the preview.
    while (!services.WindowVisible(parent)) {
        // A handle that no longer names a window never becomes visible: give up rather than spin.
        if (!services.WindowExists(parent)) return;
        app.ProcessMessages();
        app.WaitMessage(kPreviewPollMs);
    }
    DrawPreview(services, parent, package_path, read_picture);
    // Drawn once; repaints of the parent are not answered. Hidden or destroyed ends the wait.
    while (services.WindowVisible(parent)) {
        app.ProcessMessages();
        app.WaitMessage(kPreviewPollMs);
    }
}

int ProgramEntry(Backend& backend, const PreviewPictureReader& read_picture, const MainFormFactory& create_main_form) {
    try {
        Services& services = backend.services();
        const auto args = SplitCommandLine(services.CommandLine());
        const std::string first = AsciiUpper(ArgumentAt(args, 1));
        const std::string second = AsciiUpper(ArgumentAt(args, 2));
        RunMode = SelectRunMode(first, RunMode);

        if (RunMode == kChangePassword) {
            ChangePassword(services, second);
            return 0;
        }

        const std::string module_path = services.ModulePath();
        const SemaphoreResult semaphore = services.CreateInstanceSemaphore(InstanceSemaphoreName(module_path));
        // Another saver of the same file name runs. Without a handle we go on as the only one.
        if (semaphore.handle && semaphore.already_exists) return 0;

        const auto app = backend.CreateApplication();
        app->Initialize();
        app->ProcessMessages();

        if (RunMode == kPreview) {
            RunPreview(services, *app, second, module_path, read_picture);
            return 0;
        }
        // The setup dialog or the saver window, as the main form: the loop runs until it closes.
        if (std::unique_ptr<TForm> form = create_main_form ? create_main_form(backend, *app, RunMode) : nullptr) {
            form->SetMainForm(true);
            form->Show();
            app->Run();
            form.reset();
            app->ProcessMessages();
        }
        return 0;
    } catch (...) {
        // The entry ends silently whatever went wrong; the exit status stays 0.
        return 0;
    }
}

}  // namespace scr
