// TfrmSetup: the configuration dialog. It shows the title, author and contact links of the saver
// in this executable, taken from the package's settings record, and stores the one preference,
// the mute switch, in "CONTROL.INI" beside the executable when the user changed it.
#pragma once

#include <memory>
#include <string>

#include "gui/form.h"

namespace scr {

class TfrmSetup : public TForm {
public:
    // The design at 96 pixels per inch; every place and size is scaled by the screen's
    // resolution (ppi) when the dialog is made.
    static FormDesign Design(int ppi);

    TfrmSetup(Backend& backend, Application& app, int ppi);
    ~TfrmSetup() override;

    // --- Controls, real child windows of the system's standard kinds ---
    std::unique_ptr<Window> pnlTop, pnlMiddle, pnlBottom;
    std::unique_ptr<Window> lblTitle, lblAuthor, cbMute, lblEmail, lblWeb, mRemind, OKButton;

    // Set whenever the check box changes state, by the user or by the stored value.
    bool MuteChanged = false;

    // --- Handlers ---
    void FormCreate();
    void FormShow();
    void cbMuteClick() { MuteChanged = true; }
    void lblEmailMouseEnter();
    void lblEmailMouseLeave();
    void lblEmailClick();
    void lblWebClick();
    void OKButtonClick();

private:
    std::unique_ptr<Window> MakeControl(const WindowParams& params, std::function<void()> on_click = {},
                                        bool link = false);
    Rect Scaled(int left, int top, int width, int height) const;
    int Scale(int v) const;

    int ppi_;
    // The owner side of each control: forwards its clicks and hovering to the form's handlers.
    std::vector<std::unique_ptr<WindowListener>> events_;
};

}  // namespace scr
