// render: draws frames of the transition styles from two pictures, for reviewers and for the
// end-to-end tests' reference frames.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "contact_sheet.h"
#include "image_io.h"
#include "gui/headless/headless_application.h"
#include "gui/headless/headless_window.h"
#include "gui/transition_control.h"
#include "transition/transition_view.h"

namespace {

using namespace scr;
using namespace scr::render;

constexpr const char* kUsage =
    "usage: render frame --old A --new B --style N --progress P [--step S] [--seed N] --out F.png\n"
    "       render show  --old A --new B [--style N] [--step S] [--seed N] [--reverse] --out DIR\n"
    "       render sheet --old A --new B --progress P [--step S] [--seed N] [--columns C]\n"
    "                    [--thumb-width W] --out F.png\n"
    "       render slide --picture P --screen WxH --out F.png\n"
    "       render --help\n"
    "\n"
    "frame  writes the frame that style N (0..255) builds at progress P (0..100) when picture A\n"
    "       is replaced by picture B.\n"
    "show   writes every frame of a whole show, as the picture show control runs it with its\n"
    "       defaults (style 51, step 4), to DIR/frame_NNN.png, starting from picture A.\n"
    "slide  writes the slide the saver makes of picture P on a W x H screen, before any caption:\n"
    "       black, with P at its own size in the middle (cut evenly when larger).\n"
    "sheet  writes a contact sheet of styles 1..127 at progress P, each under its number\n"
    "       (16 columns of 160 pixels wide thumbnails unless told otherwise).\n"
    "\n"
    "A and B are PNG or JPEG pictures of the same size. --step is the progress added per frame\n"
    "(stored as the control stores it: 0 as 1, above 100 as 100); --seed (default 1) seeds the\n"
    "random styles. Exit status: 0 done, 1 a picture could not be read or written, 2 bad usage.\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Args {
public:
    Args(int argc, char** argv, const std::set<std::string>& options, const std::set<std::string>& flags) {
        for (int i = 2; i < argc; ++i) {
            const std::string a = argv[i];
            if (flags.count(a)) {
                values_[a] = "1";
            } else if (options.count(a)) {
                if (i + 1 >= argc) throw UsageError(a + " needs a value");
                values_[a] = argv[++i];
            } else {
                throw UsageError("unknown argument " + a);
            }
        }
    }
    bool has(const std::string& name) const { return values_.count(name) > 0; }
    std::string text(const std::string& name) const {
        auto it = values_.find(name);
        if (it == values_.end()) throw UsageError(name + " is required");
        return it->second;
    }
    long number(const std::string& name, long lo, long hi) const {
        const std::string t = text(name);
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(t.c_str(), &end, 10);
        if (t.empty() || *end != '\0' || errno != 0 || v < lo || v > hi)
            throw UsageError(name + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
        return v;
    }
    long number(const std::string& name, long lo, long hi, long fallback) const {
        return has(name) ? number(name, lo, hi) : fallback;
    }

private:
    std::map<std::string, std::string> values_;
};

int StoredStep(long step) { return step == 0 ? 1 : step > 100 ? 100 : int(step); }

struct Pictures {
    Bitmap old_picture, new_picture;
};

Pictures ReadPair(const Args& args) {
    Pictures p{ReadImage(args.text("--old")), ReadImage(args.text("--new"))};
    if (p.old_picture.width() != p.new_picture.width() || p.old_picture.height() != p.new_picture.height())
        throw ImageError("the pictures differ in size: " + args.text("--old") + " is " +
                         std::to_string(p.old_picture.width()) + "x" + std::to_string(p.old_picture.height()) + ", " +
                         args.text("--new") + " is " + std::to_string(p.new_picture.width()) + "x" +
                         std::to_string(p.new_picture.height()));
    return p;
}

int Frame(const Args& args) {
    const int style = int(args.number("--style", 0, 255));
    const int progress = int(args.number("--progress", 0, 100));
    const int step = StoredStep(args.number("--step", 0, 65535, 4));
    const uint32_t seed = uint32_t(args.number("--seed", 0, 4294967295L, 1));
    const std::string out = args.text("--out");
    const Pictures p = ReadPair(args);
    SeededRandom random(seed);
    WritePng(out, RenderFrame(p.old_picture, p.new_picture, style, progress, step, random));
    return 0;
}

int Show(const Args& args) {
    const int style = int(args.number("--style", 0, 255, 51));
    const int step = StoredStep(args.number("--step", 0, 65535, 4));
    const uint32_t seed = uint32_t(args.number("--seed", 0, 4294967295L, 1));
    const std::filesystem::path dir = args.text("--out");
    const Pictures p = ReadPair(args);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw ImageError("cannot create " + dir.string() + ": " + ec.message());

    // The show runs as in the saver: a control on a window, on the application's (virtual) clock.
    HeadlessApplication app("render");
    HeadlessWindow window(app, WindowParams::Popup({0, 0, p.new_picture.width(), p.new_picture.height()}, 0));
    window.SetVisible(true);
    app.set_recording(false);
    TransitionControl control(app, window);
    TTransitionView& view = control.View();
    view.SetThreaded(false);
    SeededRandom random(seed);
    view.SetRandomSource(&random);

    // The old picture goes up first, in one step, as the previous show would have left it.
    TViewPicture picture;
    picture.SetGraphic(std::make_shared<TBitmapGraphic>(p.old_picture.clone()));
    view.SetStep(100);
    view.SetPicture(&picture);
    view.Start();

    int frames = 0;
    view.OnProgress = [&](TCustomTransitionView&) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%03d.png", frames++);
        WritePng((dir / name).string(), window.surface());
    };
    view.SetStep(uint16_t(step));
    view.SetStyle(TShowStyle(style));
    view.SetReverse(args.has("--reverse"));
    const uint32_t t0 = app.TickCount();
    picture.SetGraphic(std::make_shared<TBitmapGraphic>(p.new_picture.clone()));
    view.SetPicture(&picture);
    view.Start();
    std::printf("%d frames in %s, %u ms of show time\n", frames, dir.string().c_str(), app.TickCount() - t0);
    return 0;
}

int Slide(const Args& args) {
    const std::string screen = args.text("--screen");
    int sw = 0, sh = 0;
    char extra = 0;
    if (std::sscanf(screen.c_str(), "%dx%d%c", &sw, &sh, &extra) != 2 || sw <= 0 || sh <= 0 || sw > 16384 || sh > 16384)
        throw UsageError("--screen must be WIDTHxHEIGHT, each from 1 to 16384");
    const Bitmap picture = ReadImage(args.text("--picture"));
    Bitmap slide(sw, sh);
    // Division truncates toward zero: a picture one pixel wider than the screen loses its
    // rightmost column.
    CopyBitmapRect(slide, (sw - picture.width()) / 2, (sh - picture.height()) / 2, picture,
                   {0, 0, picture.width(), picture.height()});
    WritePng(args.text("--out"), slide);
    return 0;
}

int Sheet(const Args& args) {
    SheetOptions o;
    o.progress = int(args.number("--progress", 0, 100));
    o.step = StoredStep(args.number("--step", 0, 65535, 4));
    o.seed = uint32_t(args.number("--seed", 0, 4294967295L, 1));
    o.columns = int(args.number("--columns", 1, 127, 16));
    o.thumb_width = int(args.number("--thumb-width", 8, 1024, 160));
    const std::string out = args.text("--out");
    const Pictures p = ReadPair(args);
    WritePng(out, ContactSheet(p.old_picture, p.new_picture, o));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::set<std::string> common = {"--old", "--new", "--step", "--seed", "--out"};
    try {
        if (command == "frame") {
            auto o = common;
            o.insert({"--style", "--progress"});
            return Frame(Args(argc, argv, o, {}));
        }
        if (command == "show") {
            auto o = common;
            o.insert("--style");
            return Show(Args(argc, argv, o, {"--reverse"}));
        }
        if (command == "slide") return Slide(Args(argc, argv, {"--picture", "--screen", "--out"}, {}));
        if (command == "sheet") {
            auto o = common;
            o.insert({"--progress", "--columns", "--thumb-width"});
            return Sheet(Args(argc, argv, o, {}));
        }
        throw UsageError(command.empty() ? "no command given" : "unknown command " + command);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "render: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "render: %s\n", e.what());
        return 1;
    }
}
