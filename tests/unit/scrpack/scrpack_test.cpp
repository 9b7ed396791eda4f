// The package tool end to end, in-process: build a saver, read it back with info and extract,
// and check the exit status of bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "jpeg_maker.h"

#include "base/os.h"
#include "package/items.h"
#include "package/settings.h"
#include "package/writer.h"
#include "scrpack.h"

namespace scrpack {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes make_jpeg(int width, int height, bool grayscale, bool progressive) {
    using scr::test::JpegKind;
    return scr::test::MakeJpeg(width, height,
                               grayscale ? JpegKind::Grayscale : progressive ? JpegKind::Progressive : JpegKind::Baseline);
}

struct Outcome {
    int status;
    std::string out, err;
};

Outcome run(const Args& args) {
    std::ostringstream out, err;
    int status = Main(args, out, err);
    return {status, out.str(), err.str()};
}

class ScrpackTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("scrpack-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        stub_ = write("stub.scr", Bytes(1536, 0x4D));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Native names go through the same file services as the tool's (the ANSI code page on
    // Windows), not through std::filesystem's own conversion.
    std::string path(const std::string& name) const { return JoinNative(dir_.string(), name); }
    std::string write(const std::string& name, const Bytes& bytes) {
        scr::sys::File f = scr::sys::File::Create(path(name));
        EXPECT_EQ(f.write(bytes.data(), int64_t(bytes.size())), int64_t(bytes.size()));
        return path(name);
    }
    std::string write_text(const std::string& name, const std::string& text) {
        return write(name, Bytes(text.begin(), text.end()));
    }
    static Bytes read(const std::string& p) {
        scr::sys::File f = scr::sys::File::OpenRead(p);
        Bytes bytes(std::size_t(f.size()));
        EXPECT_EQ(f.read(bytes.data(), int64_t(bytes.size())), int64_t(bytes.size()));
        return bytes;
    }

    fs::path dir_;
    std::string stub_;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A file name with a u umlaut, as the platform spells file names: the tool takes native text
// (the ANSI code page on Windows, UTF-8 elsewhere); manifests are UTF-8 everywhere.
#ifdef _WIN32
const std::string kMusic = "m\xFCsic.wav";
#else
const std::string kMusic = "m\xC3\xBCsic.wav";
#endif

TEST_F(ScrpackTest, BuildThenInfoRoundTripsEverySettingAndItem) {
    const Bytes colour = make_jpeg(64, 48, false, false);
    const Bytes gray = make_jpeg(33, 17, true, false);
    const Bytes prog = make_jpeg(20, 30, false, true);
    write("a.jpg", colour);
    write("b gray.jpg", gray);
    write("c.jpg", prog);
    write("wave one.mp3", Bytes(100, 1));
    write(kMusic, Bytes(7, 2));
    write("show.swf", Bytes(5, 3));
    const std::string manifest = write_text("pack.txt",
        "# every setting\n"
        "stub = stub.scr\n"
        "output = out.scr\n"
        "text = \"  Caf\xC3\xA9 \"\n"
        "title = Holiday \"2024\"\n"
        "author = Ann\n"
        "email = mailto:ann@example.org\n"
        "web = http://example.org/\n"
        "mode = photo\n"
        "interval = 32768\n"
        "sound-random = 3\n"
        "random-pic = yes\n"
        "random-style = on\n"
        "clear-old-image = 1\n"
        "sound-loop = true\n"
        "mute = false\n"
        "font.name = Arial\n"
        "font.size = 14\n"
        "font.color = clYellow\n"
        "font.charset = EASTEUROPE_CHARSET\n"
        "font.style = bold, strikeout\n"
        "font.pitch = fpFixed\n"
        "description = first, with comma\n"
        "description = second\n"
        "picture = a.jpg\n"
        "picture = b gray.jpg\n"
        "sound = wave one.mp3\n"
        "sound = m\xC3\xBCsic.wav\n"
        "flash = show.swf\n");
    Outcome b = run({"build", "-m", manifest, "--picture", path("c.jpg"), "--author", "Bob"});
    ASSERT_EQ(b.status, kExitOk) << b.err;

    Outcome i = run({"info", "--json", path("out.scr")});
    ASSERT_EQ(i.status, kExitOk) << i.err << i.out;
    const std::string& j = i.out;
    const int64_t p1 = 1536, p2 = p1 + colour.size() + 77, p3 = p2 + gray.size() + 77, s1 = p3 + prog.size() + 77;
    const int64_t s2 = s1 + 100, f1 = s2 + 7, settings = f1 + 5;
    const int64_t file = int64_t(fs::file_size(path("out.scr")));
    const std::string expected[] = {
        "\"field1\": " + std::to_string(file - 40 - 1536),
        "\"field2\": " + std::to_string(settings),
        "\"Text\": \"  Caf\xC3\xA9 \"",
        "\"TextFont\": {\n      \"Charset\": 238,\n      \"Color\": 65535,\n      \"Height\": -19,\n"
        "      \"Name\": \"Arial\",\n      \"Pitch\": \"fpFixed\",\n      \"Style\": [\n        \"fsBold\",\n"
        "        \"fsStrikeOut\"\n      ]\n    }",
        "\"lRandomStyle\": true", "\"lRandomPic\": true", "\"lClearOldImage\": true",
        "\"Interval\": 32768", "\"SoundRandom\": 3", "\"lSoundLoop\": true", "\"lMute\": false",
        "\"Title\": \"Holiday \\\"2024\\\"\"", "\"Author\": \"Bob\"", "\"Email\": \"mailto:ann@example.org\"",
        "\"Web\": \"http://example.org/\"", "\"Ver\": \"photo\"",
        "\"PicCommaList\": \"" + std::to_string(p1) + "," + std::to_string(p2) + "," + std::to_string(p3) + "\"",
        "\"PicFileNamesCommaList\": \"a.jpg,\\\"b gray.jpg\\\",c.jpg\"",
        "\"SndCommaList\": \"" + std::to_string(s1) + "," + std::to_string(s2) + "\"",
        "\"SndFileNamesCommaList\": \"\\\"wave one.mp3\\\",m\xC3\xBCsic.wav\"",
        "\"SndSizesCommaList\": \"100,7\"",
        "\"FlashCommaList\": \"" + std::to_string(f1) + "\"",
        "\"FlashFileNamesCommaList\": \"show.swf\"",
        "\"FlashSizesCommaList\": \"5\"",
        "\"DescriptCommaList\": \"\\\"first, with comma\\\",second\"",
        "{\n      \"offset\": " + std::to_string(p1) + ",\n      \"graphic\": \"TJPEGImage\",\n      \"width\": 64,\n"
        "      \"height\": 48,\n      \"grayscale\": false,\n      \"progressive\": false,\n"
        "      \"fits_screen\": true\n    }",
        "\"width\": 33,\n      \"height\": 17,\n      \"grayscale\": true,\n      \"progressive\": false",
        "\"width\": 20,\n      \"height\": 30,\n      \"grayscale\": false,\n      \"progressive\": true",
        "{\n      \"offset\": " + std::to_string(s2) + ",\n      \"name\": \"m\xC3\xBCsic.wav\",\n      \"size\": 7\n    }",
        "\"flash\": [\n    {\n      \"offset\": " + std::to_string(f1) + ",\n      \"name\": \"show.swf\",\n      \"size\": 5",
        "\"preview\": {\n    \"graphic\": \"TJPEGImage\",\n    \"width\": 64,\n    \"height\": 48,",
    };
    for (const std::string& e : expected) EXPECT_TRUE(has(j, e)) << "missing: " << e << "\nin:\n" << j;
    EXPECT_FALSE(has(j, "error"));

    // The readable form carries the same facts.
    Outcome t = run({"info", path("out.scr")});
    EXPECT_EQ(t.status, kExitOk);
    EXPECT_TRUE(has(t.out, "TJPEGImage 33x17, grayscale")) << t.out;
    EXPECT_TRUE(has(t.out, "\"Arial\", height -19, colour clYellow, charset EASTEUROPE_CHARSET")) << t.out;

    // Extraction gives back the very bytes that went in.
    const std::string sep(1, scr::sys::PathSeparator());
    Outcome x = run({"extract", path("out.scr"), path("x")});
    ASSERT_EQ(x.status, kExitOk) << x.err;
    EXPECT_EQ(read(path("x" + sep + "picture-001.jpg")), colour);
    EXPECT_EQ(read(path("x" + sep + "picture-002.jpg")), gray);
    EXPECT_EQ(read(path("x" + sep + "picture-003.jpg")), prog);
    EXPECT_EQ(read(path("x" + sep + "wave one.mp3")), Bytes(100, 1));
    EXPECT_EQ(read(path("x" + sep + kMusic)), Bytes(7, 2));
    EXPECT_EQ(read(path("x" + sep + "show.swf")), Bytes(5, 3));
}

TEST_F(ScrpackTest, ExitStatusOfBadUsageAndBadPackages) {
    write("a.jpg", make_jpeg(8, 8, false, false));
    write("bad.jpg", Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});  // a PNG signature
    write("short.scr", Bytes(30, ' '));
    write("nonumber.scr", Bytes(100, 'x'));
    write("-dash.jpg", make_jpeg(8, 8, true, false));
    write_text("typo.txt", "# settings\ntitle = x\nintervall = 5\n");
    write_text("novalue.txt", "title\n");
    ASSERT_EQ(run({"build", "-s", stub_, "-o", path("ok.scr"), path("a.jpg")}).status, kExitOk);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_);  // "-dash.jpg" only works as a relative name
    const int dash = run({"build", "-s", stub_, "-o", path("dash.scr"), "--", "-dash.jpg"}).status;
    fs::current_path(cwd);
    ASSERT_EQ(dash, kExitOk);

    struct Case {
        Args args;
        int status;
        std::string err_part;
    };
    std::vector<Case> cases = {
        {{}, kExitUsage, "Usage"},
        {{"--help"}, kExitOk, ""},
        {{"build", "--help"}, kExitOk, ""},
        {{"info", "--help"}, kExitOk, ""},
        {{"extract", "--help"}, kExitOk, ""},
        {{"frobnicate"}, kExitUsage, "unknown command"},
        {{"info"}, kExitUsage, "no package"},
        {{"info", "--yaml", path("ok.scr")}, kExitUsage, "unknown option"},
        {{"extract", path("ok.scr")}, kExitUsage, "expected a package and a directory"},
        {{"build", "-o", path("o.scr"), path("a.jpg")}, kExitUsage, "no stub"},
        {{"build", "-s", stub_, path("a.jpg")}, kExitUsage, "no output"},
        {{"build", "-s", stub_, "-o", path("o.scr")}, kExitUsage, "no pictures"},
        {{"build", "-s", stub_, "-o", path("o.scr"), "--interval", "5s", path("a.jpg")}, kExitUsage, "interval"},
        {{"build", "-s", stub_, "-o", path("o.scr"), "--font-color", "clPink", path("a.jpg")}, kExitUsage, "clPink"},
        {{"build", "-s", stub_, "-o", path("o.scr"), "-dash.jpg"}, kExitUsage, "unknown option -dash.jpg"},
        {{"build", "-m", path("typo.txt"), "-s", stub_, "-o", path("o.scr")}, kExitUsage, "typo.txt:3: unknown key"},
        {{"build", "-m", path("novalue.txt"), "-s", stub_, "-o", path("o.scr")}, kExitUsage, "novalue.txt:1: expected key"},
        {{"build", "-m", path("missing.txt"), "-s", stub_, "-o", path("o.scr")}, kExitUsage, "Cannot open manifest"},
        {{"build", "-s", stub_, "-o", path("o.scr"), "--mute", "--interval"}, kExitUsage, "needs a value"},
        {{"build", "-s", stub_, "-o", path("o.scr"), path("a.jpg"), path("bad.jpg")}, kExitBadPackage, "bad.jpg"},
        {{"build", "-s", stub_, "-o", path("o.scr"), path("missing.jpg")}, kExitBadPackage, "missing.jpg"},
        {{"info", path("ok.scr")}, kExitOk, ""},
        {{"info", "--json", path("missing.scr")}, kExitBadPackage, "Cannot open file"},
        {{"info", "--json", path("short.scr")}, kExitBadPackage, "Stream read error"},
        {{"info", "--json", stub_}, kExitBadPackage, "settings: Invalid stream format"},
        {{"info", path("nonumber.scr")}, kExitBadPackage, "Invalid stream format"},
        {{"extract", stub_, path("x")}, kExitBadPackage, "Invalid stream format"},
    };
#ifndef _WIN32
    // UTF-8 arguments are converted; a character that Windows-1252 lacks is refused.
    cases.push_back({{"build", "-s", stub_, "-o", path("o.scr"), "--title", "\xE2\x82\xAC\xE4\xB8\xAD", path("a.jpg")},
                     kExitUsage, "ANSI code page"});
#endif
    for (const Case& c : cases) {
        Outcome r = run(c.args);
        std::string cmd;
        for (const std::string& a : c.args) cmd += a + " ";
        EXPECT_EQ(r.status, c.status) << cmd << "\n" << r.err;
        EXPECT_TRUE(has(r.err + r.out, c.err_part)) << cmd << "\n" << r.err;
    }
    // A failed build leaves nothing behind, not even a partial file.
    EXPECT_FALSE(fs::exists(path("o.scr")));
    EXPECT_FALSE(fs::exists(path("o.scr.part")));
}

TEST_F(ScrpackTest, InfoReportsTheReadersErrorsAsJson) {
    write("a.jpg", make_jpeg(8, 8, false, false));
    ASSERT_EQ(run({"build", "-s", stub_, "-o", path("ok.scr"), path("a.jpg")}).status, kExitOk);
    // A bare program: its last 40 bytes read as a trailer of non-numbers, both 0.
    Outcome r = run({"info", "--json", stub_});
    EXPECT_EQ(r.status, kExitBadPackage);
    EXPECT_TRUE(has(r.out, "\"trailer\": {\n    \"field1\": 0,\n    \"field2\": 0\n  }")) << r.out;
    EXPECT_TRUE(has(r.out, "\"settings\": {\n    \"error\": \"Invalid stream format\"\n  }")) << r.out;
    EXPECT_TRUE(has(r.out, "\"preview\": {\n    \"error\": \"Invalid stream format\"\n  }")) << r.out;
    EXPECT_FALSE(has(r.out, "\"pictures\""));
}

// A package whose stored names try to leave the target directory, written by hand.
TEST_F(ScrpackTest, ExtractRefusesHostileStoredNames) {
    scr::TSSFileLocations s;
    s.SndCommaList = {"0", "0", "0"};
    s.SndFileNamesCommaList = {"../escape.mp3", "ok.mp3", "sub/x.mp3"};
    s.SndSizesCommaList = {"4", "4", "4"};
    s.FlashCommaList = {"0"};
    s.FlashFileNamesCommaList = {"good.swf"};
    s.FlashSizesCommaList = {"-1"};  // a negative size is refused, not copied
    Bytes file(16, 'Z');
    Bytes settings = scr::settings_stream(s);
    int32_t at = int32_t(file.size());
    file.insert(file.end(), settings.begin(), settings.end());
    auto t = scr::trailer_bytes(int32_t(settings.size()), at);
    file.insert(file.end(), t.begin(), t.end());
    write("hostile.scr", file);

    Outcome r = run({"extract", path("hostile.scr"), path("out")});
    EXPECT_EQ(r.status, kExitBadPackage);
    EXPECT_TRUE(has(r.err, "Invalid item file name \"../escape.mp3\"")) << r.err;
    EXPECT_TRUE(has(r.err, "Invalid item file name \"sub/x.mp3\"")) << r.err;
    EXPECT_TRUE(has(r.err, "Stream read error")) << r.err;
    EXPECT_FALSE(fs::exists(path("escape.mp3")));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "sub"));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "good.swf"));
    EXPECT_EQ(read(path("out" + std::string(1, scr::sys::PathSeparator()) + "ok.mp3")), Bytes(4, 'Z'));

    Outcome i = run({"info", "--json", path("hostile.scr")});
    EXPECT_EQ(i.status, kExitOk);
    EXPECT_TRUE(has(i.out, "\"error\": \"Invalid item file name \\\"../escape.mp3\\\"\"")) << i.out;
}

TEST_F(ScrpackTest, BuildRefusesNamesTheReaderWouldRefuse) {
    write("a.jpg", make_jpeg(8, 8, false, false));
#ifdef _WIN32
    // These cannot be files on Windows; the names are refused before anything is opened.
    const char* names[] = {"CON", "trailing.", "x|y.mp3"};
#else
    const char* names[] = {"CON", "trailing.", "a:b.mp3", "x|y.mp3"};
#endif
    for (const char* name : names) {
#ifndef _WIN32
        write(name, Bytes(3, 1));
#endif
        Outcome r = run({"build", "-s", stub_, "-o", path("o.scr"), path("a.jpg"), "--sound", path(name)});
        EXPECT_EQ(r.status, kExitBadPackage) << name;
        EXPECT_TRUE(has(r.err, std::string("Invalid item file name \"") + name + "\"")) << r.err;
        EXPECT_FALSE(fs::exists(path("o.scr")));
    }
}

#ifndef _WIN32
// A picture's name is only carried along, so a name the code page cannot hold is stored with
// '?'; a sound's name becomes a file again on extraction, so it is refused instead.
TEST_F(ScrpackTest, NamesOutsideTheCodePage) {
    fs::create_directories(dir_ / "\xE4\xB8\xAD");
    write("\xE4\xB8\xAD/\xE4\xB8\xAD.jpg", make_jpeg(8, 8, false, false));
    write("\xE4\xB8\xAD/s\xE4\xB8\xAD.mp3", Bytes(3, 1));
    write_text("m.txt", "stub = stub.scr\npicture = \xE4\xB8\xAD/\xE4\xB8\xAD.jpg\n");
    Outcome b = run({"build", "-m", path("m.txt"), "-o", path("o.scr")});
    ASSERT_EQ(b.status, kExitOk) << b.err;
    EXPECT_TRUE(has(run({"info", "--json", path("o.scr")}).out, "\"PicFileNamesCommaList\": \"?.jpg\""));
    Outcome s = run({"build", "-m", path("m.txt"), "-o", path("o2.scr"), "--sound", path("\xE4\xB8\xAD/s\xE4\xB8\xAD.mp3")});
    EXPECT_EQ(s.status, kExitUsage);
    EXPECT_TRUE(has(s.err, "ANSI code page")) << s.err;
}

// Messages reach the terminal as UTF-8 whether they hold a native path (UTF-8 already) or a
// stored name (ANSI), never converted twice.
TEST_F(ScrpackTest, MessagesWithNonAsciiNamesAreReadable) {
    write("a.jpg", make_jpeg(8, 8, false, false));
    write("m\xC3\xBCsic.", Bytes(3, 1));
    struct Case {
        std::string sound;
        std::string message;
    };
    const Case cases[] = {
        {path("gone-\xC3\xBC.mp3"), "Cannot open file " + path("gone-\xC3\xBC.mp3")},
        {path("m\xC3\xBCsic."), "Invalid item file name \"m\xC3\xBCsic.\""},
    };
    for (const Case& c : cases) {
        Outcome r = run({"build", "-s", stub_, "-o", path("o.scr"), path("a.jpg"), "--sound", c.sound});
        EXPECT_EQ(r.status, kExitBadPackage);
        EXPECT_TRUE(has(r.err, c.message)) << r.err;
    }
}
#endif

}  // namespace
}  // namespace scrpack
