// The saver window on the headless backend, from activation to destruction: the set-up, the
// slideshow's order, styles, caption and timing, the input rules, the password check, the
// hook of the Flash and presentation modes, and every road out of the run.
#include <filesystem>
#include <set>
#include <unistd.h>

#include "saver_harness.h"

namespace scr::test {
namespace {

using Status = RegistryDword::Status;
constexpr const char* kDesktop = "Control Panel\\Desktop";
constexpr const char* kPasswordCpl = "C:\\WINDOWS\\SYSTEM\\PASSWORD.CPL";

class SaverTest : public SaverHarness {};

// ---------------------------------------------------------------- set-up and slideshow

TEST_F(SaverTest, ActivationSetsUpABlackTopmostFullScreenWindowWithTheCursorHidden) {
    AddPicture(kRed);
    BuildPackage();
    Start();
    // Before the loop runs, the form sits at its design size in the middle of the screen.
    EXPECT_EQ(window().ClientRect(), (Rect{0, 0, 195, 126}));
    EXPECT_EQ(window().Bounds().left, (160 - 195) / 2);
    RunFor(10);
    EXPECT_EQ(window().Bounds(), (Rect{0, 0, 160, 120}));
    EXPECT_EQ(form->PShow->BoundsRect(), (Rect{0, 0, 160, 120}));
    EXPECT_EQ(window().color(), clBlack);
    EXPECT_TRUE(window().topmost());
    EXPECT_TRUE(window().Visible());
    EXPECT_TRUE(script().screen_saver_running);
    EXPECT_EQ(script().cursor_count, -1);
    EXPECT_EQ(LogCount("app window hidden"), 1);  // no task-bar button
    EXPECT_FALSE(form->FirstActivation);
}

TEST_F(SaverTest, ListOrderAndTheStyleCycleFrom52WithTheCaptionOnEveryOtherSlide) {
    AddPicture(kRed);
    AddPicture(kGreen);
    AddPicture(kBlue);
    settings.Interval = 500;
    BuildPackage();
    Start();
    form->PShow->View().SetStyle(125);  // the cycle wraps from 127 to 1
    RunFor(5 * 1600);
    ASSERT_GE(slides.size(), 5u);
    const uint32_t colours[] = {kRed, kGreen, kBlue, kRed, kGreen};
    const int styles[] = {126, 127, 1, 2, 3};
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(slides[i].centre, colours[i]);
        EXPECT_EQ(slides[i].style, styles[i]);
        EXPECT_EQ(slides[i].caption, i % 2 == 0);
    }
}

TEST_F(SaverTest, TheDefaultStyleCycleStartsAt52) {
    AddPicture(kRed);
    BuildPackage();
    Start();
    RunFor(2000);
    ASSERT_FALSE(slides.empty());
    EXPECT_EQ(slides[0].style, 52);
}

TEST_F(SaverTest, TheIntervalCountsFromTheEndOfEachTransition) {
    AddPicture(kRed);
    AddPicture(kGreen);
    settings.Interval = 700;
    BuildPackage();
    Start();
    RunFor(6000);
    ASSERT_GE(slides.size(), 3u);
    for (std::size_t i = 0; i + 1 < slides.size(); ++i) {
        EXPECT_GT(slides[i].end, slides[i].start);
        EXPECT_EQ(slides[i + 1].start, slides[i].end + 700) << "slide " << i + 1;
    }
    // One slide timer at a time, and none while a transition runs.
    EXPECT_LE(app->active_timers(), 1);
}

TEST_F(SaverTest, IntervalZeroShowsTheFirstPictureAndArmsNoTimer) {
    AddPicture(kRed);
    AddPicture(kGreen);
    settings.Interval = 0;
    BuildPackage();
    Start();
    RunFor(30000);
    ASSERT_EQ(slides.size(), 1u);
    EXPECT_EQ(slides[0].centre, kRed);
    EXPECT_EQ(app->active_timers(), 0);
}

TEST_F(SaverTest, OnePictureComesAgainThroughTheNextStyleWithTheCaptionAlternating) {
    AddPicture(kBlue);
    settings.Interval = 200;
    BuildPackage();
    Start();
    RunFor(4 * 1300);
    ASSERT_GE(slides.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(slides[i].centre, kBlue);
        EXPECT_EQ(slides[i].style, int(52 + i));
        EXPECT_EQ(slides[i].caption, i % 2 == 0);
    }
}

TEST_F(SaverTest, WithoutPicturesTheWindowStaysBlackAndNoTimerRuns) {
    settings.Interval = 100;
    AddSound("a.wav");
    BuildPackage();
    Start();
    RunFor(5000);
    EXPECT_TRUE(slides.empty());
    EXPECT_EQ(app->active_timers(), 0);
    EXPECT_EQ(PixelAt(window().surface(), 80, 60), 0u);
}

TEST_F(SaverTest, RandomPicturesAndStylesComeFromTheProgramsOneGenerator) {
    // Runs a random show of 4 pictures and returns its slides (picture colour, style).
    auto run = [this](uint32_t seed) {
        Reset();
        for (uint32_t c : {kRed, kGreen, kBlue, kWhite}) AddPicture(c);
        settings.lRandomPic = true;
        settings.lRandomStyle = true;
        settings.Text.clear();
        settings.Interval = 100;
        BuildPackage();
        Start(seed);
        RunFor(12 * 1200);
        std::vector<std::pair<uint32_t, int>> seen;
        for (const auto& s : slides) seen.emplace_back(s.centre, s.style);
        int picture_draws = 0, style_draws = 0;
        for (const auto& c : random->calls) {
            picture_draws += c.n == 4;
            style_draws += c.n == 127;
        }
        // Each slide asks for Random(4) and Random(127) (+1: style 0 never comes).
        EXPECT_GE(picture_draws, int(slides.size()));
        EXPECT_GE(style_draws, int(slides.size()));
        for (const auto& s : slides) {
            EXPECT_GE(s.style, 1);
            EXPECT_LE(s.style, 127);
            EXPECT_FALSE(s.caption);  // an empty text is never drawn
        }
        return seen;
    };
    const auto first = run(1234);
    ASSERT_GE(first.size(), 10u);
    EXPECT_EQ(run(1234), first);  // one seed, one show
    EXPECT_NE(run(99), first);
    std::set<uint32_t> pictures;
    for (const auto& s : first) pictures.insert(s.first);
    EXPECT_GE(pictures.size(), 3u);
    EXPECT_TRUE(pictures.count(0) == 0);
}

TEST_F(SaverTest, PicturesLargerThanTheScreenAreCutEvenlyAndSmallerOnesCentredOnBlack) {
    settings.Text.clear();
    BuildPackage();
    Start();
    RunFor(1);
    const struct {
        int w, h;
    } cases[] = {{160, 120}, {161, 120}, {159, 119}, {300, 40}, {2, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        // A picture whose every column carries its own value tells where it landed.
        std::vector<uint8_t> rgb(std::size_t(c.w) * c.h * 3);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                rgb[(std::size_t(y) * c.w + x) * 3] = uint8_t(40 + x % 200);
                rgb[(std::size_t(y) * c.w + x) * 3 + 1] = 200;
            }
        const auto jpeg = EncodeRgbJpeg(rgb, c.w, c.h, 100);
        WriteFile(Path("cut.jpg"), jpeg);
        PackageInput one;
        one.stub_path = Path("stub.exe");
        one.pictures.push_back({Path("cut.jpg"), "cut.jpg"});
        TSSFileLocations s;
        build_package(one, s, Path("cut.scr"));
        auto image = ReadPictureItem(Path("cut.scr"), s, 0);
        const Bitmap decoded = image->Picture.Graphic()->Pixels().clone();
        const Bitmap slide = form->ComposeSlide(*image);
        ASSERT_EQ(slide.width(), 160);
        const int left = (160 - c.w) / 2, top = (120 - c.h) / 2;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const int px = x - left, py = y - top;
                const bool inside = px >= 0 && px < c.w && py >= 0 && py < c.h;
                const uint32_t want = inside ? PixelAt(decoded, px, py) : 0;
                ASSERT_EQ(PixelAt(slide, x, y), want) << x << "," << y;
            }
    }
}

TEST_F(SaverTest, TheCaptionUsesTheFontsFaceSizeAndColourInTheRegularStyle) {
    AddPicture(kRed);
    settings.TextFont.Name = "Arial";
    settings.TextFont.SetSize(14);
    settings.TextFont.Style = fsBold;
    settings.TextFont.Color = 0x00FFFF;
    settings.Text = "Nuit";
    BuildPackage();
    Start();
    RunFor(1500);
    // 4 characters of 14 * 3 / 5 = 8 pixels, 19 high: centred, its bottom on the screen's.
    EXPECT_EQ(LogCount("text \"Nuit\" Arial 14pt at 64,101"), 1);
}

// ---------------------------------------------------------------- input

TEST_F(SaverTest, MouseMovesEndTheRunOnlyWhenBothDistancesReachThree) {
    const struct {
        std::vector<Point> moves;
        bool ends;
    } cases[] = {
        {{{10, 10}}, false},                              // the first move only records
        {{{10, 10}, {150, 10}, {10, 10}}, false},         // purely horizontal
        {{{10, 10}, {10, 110}}, false},                   // purely vertical
        {{{10, 10}, {12, 12}}, false},                    // two pixels each way
        {{{10, 10}, {13, 13}}, true},                     // three each way
        {{{10, 10}, {12, 11}, {13, 12}, {13, 13}}, true}, // small moves add up
        {{{10, 10}, {7, 100}}, true},                     // any direction
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.moves.size() << " moves, ends " << c.ends);
        Reset();
        AddPicture(kRed);
        BuildPackage();
        Start();
        RunFor(100);
        for (const Point& p : c.moves) window().InjectMouseMove(p.x, p.y);
        app->ProcessMessages();
        EXPECT_EQ(app->Terminated(), c.ends);
    }
}

TEST_F(SaverTest, AKeyEndsTheRunAndAClickOnThePictureDoesNot) {
    AddPicture(kRed);
    BuildPackage();
    Start();
    RunFor(100);
    window().InjectMouseDown(MouseButton::Left, 50, 50);  // on the picture show control
    window().InjectMouseUp(MouseButton::Left, 50, 50);
    app->ProcessMessages();
    EXPECT_FALSE(app->Terminated());
    window().InjectKeyDown(0x20);
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
    Destroy();
    // Closed: the flag cleared, the cursor shown once; the balance is even.
    EXPECT_FALSE(script().screen_saver_running);
    EXPECT_EQ(script().cursor_count, 0);
}

TEST_F(SaverTest, AClickOnTheFormsOwnSurfaceEndsTheRunWhenThePictureControlIsHidden) {
    AddFlash("movie.swf");
    settings.Ver = "flash";
    BuildPackage();
    Start();
    RunFor(100);
    EXPECT_FALSE(form->PShow->Visible());
    window().InjectMouseDown(MouseButton::Right, 50, 50);
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
}

// ---------------------------------------------------------------- the password check

TEST_F(SaverTest, PasswordCheckTable) {
    using Lib = HeadlessServices::PasswordLibrary;
    const struct {
        const char* name;
        bool key;
        RegistryDword value;
        bool library, entry, accepts;
        bool closes;
        int checks;  // times the library was asked for (loaded, if it exists)
    } rows[] = {
        {"no key", false, {}, true, true, false, true, 0},
        {"value missing", true, {Status::ValueMissing, 0}, true, true, false, true, 0},
        {"stored as text", true, {Status::WrongType, 0}, true, true, false, true, 0},
        {"zero", true, {Status::Ok, 0}, true, true, false, true, 0},
        {"no library", true, {Status::Ok, 1}, false, true, false, true, 1},
        {"no entry point", true, {Status::Ok, 1}, true, false, false, true, 1},
        {"accepted", true, {Status::Ok, 1}, true, true, true, true, 1},
        {"refused", true, {Status::Ok, 1}, true, true, false, false, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Reset();
        if (r.key) script().registry[kDesktop]["ScreenSaveUsePassword"] = r.value;
        if (r.library) script().password_libraries[kPasswordCpl] = Lib{r.entry, {r.accepts}};
        AddPicture(kRed);
        BuildPackage();
        Start();
        RunFor(100);
        window().InjectKeyDown(0x41);
        app->ProcessMessages();
        EXPECT_EQ(app->Terminated(), r.closes);
        EXPECT_EQ(LogCount("password check"), r.checks);
        EXPECT_EQ(form->MouseMoveIgnore, 5);
        // The cursor shows for the check (the log records the count during it) and hides again.
        if (r.checks > 0) {
            EXPECT_EQ(LogCount("password check " + std::string(kPasswordCpl)), 1);
        }
        EXPECT_EQ(script().cursor_count, r.closes ? 0 : -1);  // closing shows it once more
    }
}

TEST_F(SaverTest, ARefusedPasswordIgnoresFiveMovesThenAsksAgain) {
    script().registry[kDesktop]["ScreenSaveUsePassword"] = {Status::Ok, 1};
    script().password_libraries[kPasswordCpl] = HeadlessServices::PasswordLibrary{true, {false, true}};
    AddPicture(kRed);
    BuildPackage();
    Start();
    RunFor(100);
    window().InjectMouseMove(10, 10);
    window().InjectMouseMove(20, 20);  // a request: refused
    for (int i = 0; i < 5; ++i) window().InjectMouseMove(100 + 10 * i, 100 - 10 * i);  // ignored
    app->ProcessMessages();
    EXPECT_FALSE(app->Terminated());
    EXPECT_EQ(LogCount("password check"), 1);
    // The cursor was visible during the check: the count was 0 then.
    EXPECT_EQ(LogCount("password check " + std::string(kPasswordCpl) + " " + std::to_string(form->Handle()) + " cursor 0"), 1);
    window().InjectMouseMove(22, 21);  // not 3 away from (20, 20) in both directions
    app->ProcessMessages();
    EXPECT_EQ(LogCount("password check"), 1);
    window().InjectMouseMove(23, 23);
    app->ProcessMessages();
    EXPECT_EQ(LogCount("password check"), 2);
    EXPECT_TRUE(app->Terminated());
}

TEST_F(SaverTest, OutsideScreenSaverModeARequestClosesWithoutReadingTheRegistry) {
    script().registry[kDesktop]["ScreenSaveUsePassword"] = {Status::Ok, 1};
    AddPicture(kRed);
    BuildPackage();
    Start();
    RunFor(100);
    RunMode = kConfigure;
    window().InjectKeyDown(0x41);
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(LogCount("registry read"), 0);
}

TEST_F(SaverTest, StopMessageDisablesTheSlideTimerThenAsks) {
    script().registry[kDesktop]["ScreenSaveUsePassword"] = {Status::Ok, 1};
    script().password_libraries[kPasswordCpl] = HeadlessServices::PasswordLibrary{true, {false}};
    AddPicture(kRed);
    AddPicture(kGreen);
    settings.Interval = 300;
    BuildPackage();
    Start();
    RunFor(1500);
    const std::size_t shown = slides.size();
    form->PostPrivate(WM_SAVER_STOP);
    RunFor(5000);
    EXPECT_FALSE(app->Terminated());
    EXPECT_EQ(LogCount("password check"), 1);
    EXPECT_EQ(slides.size(), shown);  // refused: the show stays on its picture
    EXPECT_FALSE(form->SlideTimer->Enabled());
}

// ---------------------------------------------------------------- the input hook

TEST_F(SaverTest, TheHookCountsKeyReleasesButtonsAndMovesAwayFromWhereItStarted) {
    const struct {
        InputEvent event;
        bool ends;
    } cases[] = {
        {{0x100, {}, false}, false},           // a key press
        {{0x104, {}, false}, false},           // a system key
        {{0x101, {}, false}, true},            // a key release
        {{0x200, {300, 200}, true}, false},    // a move to where the cursor was
        {{0x200, {301, 200}, true}, true},     // a move elsewhere
        {{0x201, {300, 200}, true}, true},     // left press
        {{0x205, {300, 200}, true}, true},     // right release
        {{0x206, {300, 200}, true}, true},     // right double click
        {{0x207, {300, 200}, true}, true},     // middle press
        {{0x208, {300, 200}, true}, true},     // middle release
        {{0x209, {300, 200}, true}, false},    // middle double click
        {{0x20A, {300, 200}, true}, false},    // the wheel
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.event.message);
        Reset();
        script().cursor_pos = {300, 200};
        // A password is required, but the hook's road asks for none.
        script().registry[kDesktop]["ScreenSaveUsePassword"] = {Status::Ok, 1};
        script().password_libraries[kPasswordCpl] = HeadlessServices::PasswordLibrary{true, {false}};
        AddFlash("movie.swf");
        settings.Ver = "flash";
        BuildPackage();
        Start();
        RunFor(100);
        ASSERT_TRUE(script().hook_installed());
        script().FireHookEvent(c.event);
        app->ProcessMessages();
        EXPECT_EQ(app->Terminated(), c.ends);
        EXPECT_EQ(script().hook_installed(), !c.ends);  // it removes itself at the first that counts
        EXPECT_EQ(LogCount("password check"), 0);
    }
}

TEST_F(SaverTest, AMoveWithoutAPositionIsMeasuredWithTheCursor) {
    script().cursor_pos = {300, 200};
    settings.Ver = "flash";
    BuildPackage();
    Start();
    RunFor(100);
    script().FireHookEvent({0x200, {}, false});
    app->ProcessMessages();
    EXPECT_FALSE(app->Terminated());
    script().cursor_pos = {305, 200};
    script().FireHookEvent({0x200, {}, false});
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
}

TEST_F(SaverTest, ModesByExactName) {
    const struct {
        const char* ver;
        bool hook, show_visible, minimised;
    } cases[] = {
        {"photo", false, true, false},
        {"Photo", false, true, false},  // another letter case matches nothing
        {"flash", true, false, false},
        {"powerpoint", true, true, true},
        {"", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ver);
        Reset();
        AddPicture(kRed);
        settings.Ver = c.ver;
        BuildPackage();
        Start();
        RunFor(3000);
        EXPECT_EQ(script().hook_installed(), c.hook);
        EXPECT_EQ(form->PShow->Visible(), c.show_visible);
        EXPECT_EQ(window().State() == WindowState::Minimized, c.minimised);
        // The slideshow runs in every mode (behind the other content where there is some).
        EXPECT_FALSE(slides.empty());
        // Minimised, the window keeps the full screen as the bounds it gets back.
        EXPECT_EQ(window().Bounds(), (Rect{0, 0, 160, 120}));
    }
}

// ---------------------------------------------------------------- the roads out

TEST_F(SaverTest, UnreadableSettingsEndTheRunWithoutCloseButTheSystemStateIsPutBack) {
    AddPicture(kRed);
    BuildPackage();
    // The settings stream starts at trailer field 2: spoil its signature.
    {
        std::fstream f(Path("Saver.scr"), std::ios::in | std::ios::out | std::ios::binary);
        f.seekg(-20, std::ios::end);
        char field[21] = {};
        f.read(field, 20);
        f.seekp(std::atol(field));
        f.write("XXXX", 4);
    }
    Start();
    EXPECT_TRUE(RunToEnd());
    EXPECT_EQ(LogCount("screen saver running 0"), 0);  // no FormClose
    Destroy();
    EXPECT_FALSE(script().screen_saver_running);
    EXPECT_EQ(script().cursor_count, 0);
}

TEST_F(SaverTest, ATrailerTooShortLeavesTheWindowAtItsDesignAndTheNextActivationTriesAgain) {
    WriteFile(Path("Saver.scr"), {'1', '2'});
    script().module_path = Path("Saver.scr");
    Start();
    RunFor(100);
    EXPECT_TRUE(form->FirstActivation);
    EXPECT_EQ(window().ClientRect(), (Rect{0, 0, 195, 126}));
    EXPECT_EQ(script().cursor_count, 0);
    EXPECT_TRUE(app->reports().empty());
}

TEST_F(SaverTest, ASecondActivationRepeatsNothing) {
    AddPicture(kRed);
    AddSound("a.wav");
    BuildPackage();
    Start();
    RunFor(100);
    const std::size_t log_size = backend().log.size();
    window().InjectActivate(false);
    window().InjectActivate(true);
    RunFor(100);
    for (std::size_t i = log_size; i < backend().log.size(); ++i) {
        EXPECT_NE(backend().log[i].rfind("ini read", 0), 0u) << backend().log[i];
        EXPECT_NE(backend().log[i].rfind("screen saver running", 0), 0u) << backend().log[i];
        EXPECT_NE(backend().log[i].rfind("cursor", 0), 0u) << backend().log[i];
    }
    EXPECT_EQ(script().cursor_count, -1);
}

TEST_F(SaverTest, ExtractedItemsExistDuringTheRunAndAreGoneAfterIt) {
    AddPicture(kRed);
    AddSound("tune.wav", 321);
    AddFlash("movie.swf", 123);
    BuildPackage();
    Start();
    RunFor(100);
    EXPECT_EQ(std::filesystem::file_size(ItemDir() + "tune.wav"), 321u);
    EXPECT_EQ(std::filesystem::file_size(ItemDir() + "movie.swf"), 123u);
    window().InjectKeyDown(0x1B);
    EXPECT_TRUE(RunToEnd());
    Destroy();
    EXPECT_FALSE(std::filesystem::exists(ItemDir() + "tune.wav"));
    EXPECT_FALSE(std::filesystem::exists(ItemDir() + "movie.swf"));
}

TEST_F(SaverTest, TheStoredMutePreferenceOverridesThePackage) {
    const struct {
        const char* stored;  // nullptr: no file
        bool package, expected;
    } cases[] = {
        {nullptr, true, true}, {nullptr, false, false}, {"[Setup]\r\nmute=1\r\n", false, true},
        {"[Setup]\r\nmute=0\r\n", true, false}, {"[Setup]\r\nmute=0x1\r\n", false, true},
        {"[Setup]\r\nmute=yes\r\n", true, true}, {"[setup]\r\nMUTE= 7 \r\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "no file");
        Reset();
        AddPicture(kRed);
        settings.lMute = c.package;
        BuildPackage();
        if (c.stored) script().ini_files[(std::filesystem::path(Path("")) / "CONTROL.INI").string()] = c.stored;
        Start();
        RunFor(100);
        EXPECT_EQ(form->Settings->lMute, c.expected);
    }
}

}  // namespace
}  // namespace scr::test

namespace scr::test {
namespace {

// Under ASan freed memory sits in quarantine, so resident memory grows whatever the program does.
#if defined(__SANITIZE_ADDRESS__)
#define SCR_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCR_UNDER_ASAN 1
#endif
#endif

#if defined(__linux__) && !defined(SCR_UNDER_ASAN)
// Resident memory in bytes and open file descriptors of this process.
std::pair<long, long> ResourceUse() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    long fds = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++fds;
    return {resident * sysconf(_SC_PAGESIZE), fds};
}

TEST_F(SaverTest, AThousandSlidesLeaveMemoryAndHandlesFlat) {
    script().screen_size = {64, 48};
    AddPicture(kRed, 32, 24);
    AddPicture(kGreen, 80, 60);
    AddSound("a.wav");
    settings.Interval = 10;
    BuildPackage();
    Start();
    auto run_slides = [&](std::size_t n) {
        while (slides.size() < n) RunFor(5000);
    };
    // The headless backend's own records would grow with the run; the saver's memory must not.
    app->set_recording(false);
    random->recording = false;
    run_slides(50);
    const auto before = ResourceUse();
    run_slides(1000);
    const auto after = ResourceUse();
    RecordProperty("resident_after_50", std::to_string(before.first));
    RecordProperty("resident_after_1000", std::to_string(after.first));
    RecordProperty("open_handles", std::to_string(after.second));
    EXPECT_LT(after.first - before.first, 1 << 20) << "resident bytes grew from " << before.first << " to " << after.first;
    EXPECT_EQ(after.second, before.second) << "open handles";
    EXPECT_LE(app->active_timers(), 1);
    EXPECT_TRUE(app->reports().empty());
}
#endif

}  // namespace
}  // namespace scr::test
