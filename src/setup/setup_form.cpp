#include "setup/setup_form.h"

#include "base/geometry.h"
#include "package/component.h"
#include "package/errors.h"
#include "package/items.h"
#include "package/settings.h"
#include "package/stream.h"
#include "setup/mute_preference.h"

namespace scr {

namespace {
constexpr int kClientWidth = 305, kClientHeight = 259;
constexpr int kTopHeight = 145, kMiddleHeight = 64, kBottomHeight = 50;
constexpr uint32_t kWindowText = 0x000000;

struct ControlEvents : WindowListener {
    std::function<void()> click, enter, leave;
    void HandleClick() override {
        if (click) click();
    }
    void HandleMouseEnter() override {
        if (enter) enter();
    }
    void HandleMouseLeave() override {
        if (leave) leave();
    }
};

}  // namespace

FormDesign TfrmSetup::Design(int ppi) {
    FormDesign d;
    d.border_style = TBorderStyle::bsDialog;
    d.position = TPosition::poScreenCenter;
    d.client_width = MulDiv(kClientWidth, ppi, 96);
    d.client_height = MulDiv(kClientHeight, ppi, 96);
    d.color = clBtnFace;
    d.caption = "Setup []";
    return d;
}

int TfrmSetup::Scale(int v) const { return MulDiv(v, ppi_, 96); }

Rect TfrmSetup::Scaled(int left, int top, int width, int height) const {
    return {Scale(left), Scale(top), Scale(left) + Scale(width), Scale(top) + Scale(height)};
}

std::unique_ptr<Window> TfrmSetup::MakeControl(const WindowParams& params, std::function<void()> on_click, bool link) {
    auto control = backend().NewWindow(application(), params);
    auto events = std::make_unique<ControlEvents>();
    events->click = std::move(on_click);
    if (link) {
        events->enter = [this] { lblEmailMouseEnter(); };
        events->leave = [this] { lblEmailMouseLeave(); };
    }
    control->SetListener(events.get());
    events_.push_back(std::move(events));
    return control;
}

TfrmSetup::TfrmSetup(Backend& backend, Application& app, int ppi) : TForm(backend, app, Design(ppi)), ppi_(ppi) {
    auto panel = [&](int top, int height) {
        WindowParams s;
        s.kind = WindowKind::Child;
        s.parent = &window();
        s.bounds = Scaled(0, top, kClientWidth, height);
        s.color = clBtnFace;
        return backend.NewWindow(app, s);
    };
    pnlTop = panel(0, kTopHeight);
    pnlMiddle = panel(kTopHeight, kMiddleHeight);
    pnlBottom = panel(kClientHeight - kBottomHeight, kBottomHeight);

    auto label = [&](Window& parent, int left, int top, const std::string& text, ControlFont font, bool link,
                     std::function<void()> on_click) {
        WindowParams s;
        s.kind = WindowKind::Label;
        s.parent = &parent;
        s.caption = text;
        s.bounds = Scaled(left, top, 0, 0);
        s.color = clBtnFace;
        s.font = font;
        s.font.height = -Scale(-font.height);
        s.auto_size = true;
        s.notify = link;
        s.tab_stop = false;
        return MakeControl(s, std::move(on_click), link);
    };
    const ControlFont form_font{"MS Sans Serif", -11, false, false, kWindowText};
    lblTitle = label(*pnlTop, 29, 23, "Title:", ControlFont{"MS Sans Serif", -13, true, false, kWindowText}, false, {});
    lblAuthor = label(*pnlTop, 29, 44, "Author:", form_font, false, {});
    {
        WindowParams s;
        s.kind = WindowKind::CheckBox;
        s.parent = pnlTop.get();
        s.caption = "Mute music";
        s.bounds = Scaled(29, 71, 84, 15);
        s.color = clBtnFace;
        s.font = form_font;
        s.font.height = -Scale(11);
        cbMute = MakeControl(s, [this] { cbMuteClick(); });
    }
    const ControlFont link_font{"MS Sans Serif", -11, false, true, clBlue};
    lblEmail = label(*pnlTop, 29, 106, "Email:", link_font, true, [this] { lblEmailClick(); });
    lblWeb = label(*pnlTop, 29, 127, "Web address:", link_font, true, [this] { lblWebClick(); });
    {
        WindowParams s;
        s.kind = WindowKind::Memo;
        s.parent = pnlMiddle.get();
        s.bounds = Scaled(10, 8, 287, 52);
        s.color = clBtnFace;
        s.font = form_font;
        s.font.height = -Scale(11);
        s.tab_stop = false;
        mRemind = MakeControl(s);
    }
    {
        WindowParams s;
        s.kind = WindowKind::Button;
        s.parent = pnlBottom.get();
        s.caption = "&Ok";
        s.bounds = Scaled(214, 15, 75, 25);
        s.font = form_font;
        s.font.height = -Scale(11);
        s.default_button = true;
        OKButton = MakeControl(s, [this] { OKButtonClick(); });
    }

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
}

TfrmSetup::~TfrmSetup() {
    DoDestroy();
    // The controls go before the panels that hold them, and all before the form's window.
    OKButton.reset();
    mRemind.reset();
    lblWeb.reset();
    lblEmail.reset();
    cbMute.reset();
    lblAuthor.reset();
    lblTitle.reset();
    pnlBottom.reset();
    pnlMiddle.reset();
    pnlTop.reset();
}

void TfrmSetup::FormCreate() { MuteChanged = false; }

void TfrmSetup::FormShow() {
    // The program's own file, others may read it but not write it meanwhile.
    FileStream file = FileStream::OpenRead(application().ExeName());
    // Trailer field 2 alone: the last 20 bytes. A file too short for it shows the design.
    const int64_t size = file.Size();
    if (size < kTrailerFieldSize) return;
    const int64_t settings_at = LocateSettingsFromField2(file);
    (void)settings_at;
    const std::unique_ptr<TComponent> component = LoadComponentStream(file);
    const auto* settings = dynamic_cast<const TSSFileLocations*>(component.get());
    if (settings == nullptr) throw Exception(msg::kInvalidClassTypecast);

    // A stored "on" changes the box, and so counts as a change: OK then writes it again.
    cbMute->SetChecked(ReadMutePreference(services(), application().ExeName(), false));
    SetCaption("Setup [" + settings->Title + "]");
    lblTitle->SetCaption("Title:" + settings->Title);
    lblAuthor->SetCaption("Author:" + settings->Author);
    lblEmail->SetCaption(settings->Email);
    lblWeb->SetCaption(settings->Web);
    mRemind->AppendLine("Thank you for using our product!");
}

void TfrmSetup::lblEmailMouseEnter() { services().SetApplicationCursor(true); }

void TfrmSetup::lblEmailMouseLeave() { services().SetApplicationCursor(false); }

// The texts go to the shell exactly as shown: no mailto: or other prefix is added.
void TfrmSetup::lblEmailClick() { services().ShellOpen(Handle(), lblEmail->Text()); }

void TfrmSetup::lblWebClick() { services().ShellOpen(Handle(), lblWeb->Text()); }

void TfrmSetup::OKButtonClick() {
    if (MuteChanged && !WriteMutePreference(services(), application().ExeName(), cbMute->Checked()))
        throw Exception("Unable to write to " + PreferencePath(application().ExeName()));
    Close();
}

}  // namespace scr
