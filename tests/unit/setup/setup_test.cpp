// The setup dialog on the headless backend: what it shows for a package, how the stored mute
// value reads, when OK writes (and when it touches nothing), the links, the failures, and its
// layout at other screen resolutions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "gui/headless/headless_backend.h"
#include "package/writer.h"
#include "saver/run_mode.h"
#include "setup/mute_preference.h"
#include "setup/setup_form.h"

namespace scr {
namespace {

namespace fs = std::filesystem;

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_unique<HeadlessBackend>();
        settings = TSSFileLocations{};
        dir_ = fs::temp_directory_path() /
               ("setup_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        settings.Title = "Night Sky";
        settings.Author = "Nuit \xE9toil\xE9" "e";  // ANSI: shown as written
        settings.Email = "https://example.invalid/mail";
        settings.Web = "someone@example.invalid";
    }
    void TearDown() override {
        form.reset();
        app.reset();
        fs::remove_all(dir_);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Ini() const { return PreferencePath(Path("Saver.scr")); }

    void BuildPackage() {
        std::ofstream(Path("stub.exe"), std::ios::binary) << std::string(1500, 'M');
        PackageInput input;
        input.stub_path = Path("stub.exe");
        build_package(input, settings, Path("Saver.scr"));
        script().module_path = Path("Saver.scr");
    }
    void Open(int ppi = 96) {
        app.reset(static_cast<HeadlessApplication*>(backend_->CreateApplication().release()));
        form = CreateForm<TfrmSetup>(*backend_, *app, ppi);
        form->SetMainForm(true);
        form->Show();
        app->ProcessMessages();
    }
    HeadlessServices& script() { return backend_->script(); }
    HeadlessWindow& W(const std::unique_ptr<Window>& w) { return static_cast<HeadlessWindow&>(*w); }
    int LogCount(const std::string& prefix) const {
        int n = 0;
        for (const auto& e : backend_->log) n += e.rfind(prefix, 0) == 0;
        return n;
    }

    std::unique_ptr<HeadlessBackend> backend_;
    TSSFileLocations settings;
    std::unique_ptr<HeadlessApplication> app;
    std::unique_ptr<TfrmSetup> form;

private:
    fs::path dir_;
};

TEST_F(SetupTest, ShowsThePackagesTextsAndTheReminder) {
    BuildPackage();
    Open();
    EXPECT_EQ(form->Caption(), "Setup [Night Sky]");
    EXPECT_EQ(form->lblTitle->Text(), "Title:Night Sky");
    EXPECT_EQ(form->lblAuthor->Text(), "Author:Nuit \xE9toil\xE9" "e");
    // Shown and opened exactly as stored, whatever they hold.
    EXPECT_EQ(form->lblEmail->Text(), "https://example.invalid/mail");
    EXPECT_EQ(form->lblWeb->Text(), "someone@example.invalid");
    EXPECT_EQ(form->mRemind->Text(), "Thank you for using our product!");
    EXPECT_EQ(form->cbMute->Text(), "Mute music");
    EXPECT_EQ(form->OKButton->Text(), "&Ok");
    EXPECT_FALSE(form->cbMute->Checked());
    EXPECT_FALSE(form->MuteChanged);
    EXPECT_TRUE(app->reports().empty());
}

TEST_F(SetupTest, TheStoredValueSetsTheBoxAndAStoredOnCountsAsAChange) {
    const struct {
        const char* stored;  // nullptr: no file
        bool checked;
    } rows[] = {{nullptr, false}, {"1", true}, {"0", false}, {"0x1", true}, {"0X10", true},
                {"yes", false}, {"-1", true}, {"", false}, {" 2 ", true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.stored ? r.stored : "no file");
        TearDown();
        SetUp();
        settings.lMute = true;  // the package's own setting does not show here
        BuildPackage();
        script().ini_files.clear();
        if (r.stored) script().ini_files[Ini()] = std::string("[Setup]\r\nmute=") + r.stored + "\r\n";
        Open();
        EXPECT_EQ(form->cbMute->Checked(), r.checked);
        EXPECT_EQ(form->MuteChanged, r.checked);
    }
}

TEST_F(SetupTest, OkWritesOnlyWhenTheBoxChanged) {
    const struct {
        const char* stored;
        int clicks;
        const char* after;  // the file's text after OK; nullptr: no file
    } rows[] = {
        {"1", 0, "[Setup]\r\nmute=1\r\n"},           // the stored "on" counts as a change: written again
        {"0", 0, "[Setup]\r\nmute=0\n"},              // untouched, byte for byte
        {nullptr, 0, nullptr},                        // no file is created
        {nullptr, 1, "[Setup]\r\nmute=1\r\n"},
        {nullptr, 2, "[Setup]\r\nmute=0\r\n"},        // checked and unchecked again: "0"
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << (r.stored ? r.stored : "-") << " clicks " << r.clicks);
        TearDown();
        SetUp();
        BuildPackage();
        script().ini_files.clear();
        if (r.stored) script().ini_files[Ini()] = std::string("[Setup]\r\nmute=") + r.stored + (r.stored[0] == '0' ? "\n" : "\r\n");
        Open();
        for (int i = 0; i < r.clicks; ++i) W(form->cbMute).InjectClick();
        W(form->OKButton).InjectClick();
        app->ProcessMessages();
        EXPECT_TRUE(app->Terminated());
        const auto file = script().ini_files.find(Ini());
        if (r.after) {
            ASSERT_NE(file, script().ini_files.end());
            EXPECT_EQ(file->second, r.after);
        } else {
            EXPECT_EQ(file, script().ini_files.end());
        }
        EXPECT_EQ(LogCount("ini write"), r.after && (r.clicks > 0 || std::string(r.after).find("=1") != std::string::npos) ? 1 : 0);
    }
}

TEST_F(SetupTest, EnterPressesOkAndEscapeClosesWithoutStoring) {
    BuildPackage();
    Open();
    W(form->cbMute).InjectClick();
    static_cast<HeadlessWindow&>(form->window()).InjectDialogKey(0x1B);
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(LogCount("ini write"), 0);

    TearDown();
    SetUp();
    BuildPackage();
    Open();
    W(form->cbMute).InjectClick();
    static_cast<HeadlessWindow&>(form->window()).InjectDialogKey(0x0D);
    app->ProcessMessages();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(script().ini_files[Ini()], "[Setup]\r\nmute=1\r\n");
}

TEST_F(SetupTest, AFileThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
    BuildPackage();
    script().ini_read_only.insert(Ini());
    Open();
    W(form->cbMute).InjectClick();
    W(form->OKButton).InjectClick();
    app->ProcessMessages();
    EXPECT_FALSE(app->Terminated());
    ASSERT_EQ(app->reports().size(), 1u);
    EXPECT_EQ(app->reports()[0].text, "Unable to write to " + Ini() + ".");
    EXPECT_EQ(app->reports()[0].title, "Saver");
}

TEST_F(SetupTest, UnreadableSettingsAreReportedAndTheDesignTextsStay) {
    // The program's own stub, with no package: its last 20 bytes are no number, so the settings
    // are read from the start of the file.
    std::ofstream(Path("Saver.scr"), std::ios::binary) << std::string(3000, 'M');
    script().module_path = Path("Saver.scr");
    Open();
    ASSERT_EQ(app->reports().size(), 1u);
    EXPECT_EQ(app->reports()[0].text, "Invalid stream format.");
    EXPECT_EQ(form->Caption(), "Setup []");
    EXPECT_EQ(form->lblTitle->Text(), "Title:");
    EXPECT_EQ(form->lblAuthor->Text(), "Author:");
    EXPECT_EQ(form->mRemind->Text(), "");
    EXPECT_TRUE(form->Visible());
}

TEST_F(SetupTest, AFileTooShortForTheTrailerShowsTheDesignQuietly) {
    std::ofstream(Path("Saver.scr"), std::ios::binary) << "MZ";
    script().module_path = Path("Saver.scr");
    Open();
    EXPECT_TRUE(app->reports().empty());
    EXPECT_EQ(form->Caption(), "Setup []");
}

TEST_F(SetupTest, LinksShowTheHandOverTheWholeDialogAndOpenTheirTextAsShown) {
    BuildPackage();
    Open();
    W(form->lblEmail).InjectMouseEnter();
    app->ProcessMessages();
    EXPECT_TRUE(script().application_cursor_hand);
    W(form->lblEmail).InjectMouseLeave();
    W(form->lblWeb).InjectMouseEnter();
    app->ProcessMessages();
    EXPECT_TRUE(script().application_cursor_hand);
    W(form->lblWeb).InjectMouseLeave();
    app->ProcessMessages();
    EXPECT_FALSE(script().application_cursor_hand);
    W(form->lblEmail).InjectClick();
    W(form->lblWeb).InjectClick();
    app->ProcessMessages();
    const std::string owner = std::to_string(form->Handle());
    EXPECT_EQ(LogCount("shell open https://example.invalid/mail owner " + owner), 1);
    EXPECT_EQ(LogCount("shell open someone@example.invalid owner " + owner), 1);  // no mailto: added
}

TEST_F(SetupTest, TheLayoutScalesWithTheScreensResolution) {
    BuildPackage();
    const struct {
        int ppi;
        Rect client, ok, mute;
    } rows[] = {
        {96, {0, 0, 305, 259}, {214, 15, 289, 40}, {29, 71, 113, 86}},
        {144, {0, 0, 458, 389}, {321, 23, 434, 61}, {44, 107, 170, 130}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ppi);
        Open(r.ppi);
        EXPECT_EQ(form->window().ClientRect(), r.client);
        EXPECT_EQ(form->OKButton->Bounds(), r.ok);
        EXPECT_EQ(form->cbMute->Bounds(), r.mute);
        // The bottom panel keeps the OK button at the bottom.
        EXPECT_EQ(form->pnlBottom->Bounds().bottom, r.client.bottom);
        form.reset();
    }
}

}  // namespace
}  // namespace scr
