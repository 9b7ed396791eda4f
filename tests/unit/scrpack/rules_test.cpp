// Rules that several parts of the program share: the point-size rule, the settings field
// table against the reader's property table, and the build options against their manifest keys.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "jpeg_maker.h"

#include "base/geometry.h"
#include "base/os.h"
#include "package/settings.h"
#include "package/writer.h"
#include "scrpack.h"

namespace {

// The rule as it was written before it had one home: with doubles in the font (both ways)
// and with integers in the package tool.
int HeightWithDoubles(int points, int ppi) { return -int(std::llround(double(points) * ppi / 72.0)); }
int PointsWithDoubles(int height, int ppi) { return -int(std::llround(double(height) * 72.0 / ppi)); }
int HeightWithIntegers(int points) {
    const int64_t p = points;
    return int(-((p * 96 + (p >= 0 ? 36 : -36)) / 72));
}

TEST(FontSizeRule, SameResultsAsEveryFormerSpelling) {
    for (int ppi : {72, 96, 120, 144, 168, 192, 240, 288, 300, 600}) {
        for (int n = -200000; n <= 200000; ++n) {
            ASSERT_EQ(scr::FontHeightFromPoints(n, ppi), HeightWithDoubles(n, ppi)) << n << " pt at " << ppi;
            ASSERT_EQ(scr::FontPointsFromHeight(n, ppi), PointsWithDoubles(n, ppi)) << n << " px at " << ppi;
        }
    }
    for (int n = -200000; n <= 200000; ++n) ASSERT_EQ(scr::FontHeightFromPoints(n, 96), HeightWithIntegers(n)) << n;
    // The far ends of what the tool accepts.
    for (int n : {1610612735, -1610612735}) EXPECT_EQ(scr::FontHeightFromPoints(n, 96), HeightWithIntegers(n));
}

// The writer and the tool describe the record with their own field table; it must list the
// reader's properties in the reader's order, the caption font's stored attributes included.
TEST(SettingsFields, FollowTheReadersPropertyTable) {
    std::vector<std::string> from_fields, from_reader;
    std::string last_top;
    for (const scr::SettingsField& f : scr::SettingsFields()) {
        const std::string top(f.group().empty() ? f.name : f.group());
        if (top != last_top) from_fields.push_back(top);
        last_top = top;
        if (!f.group().empty()) from_fields.push_back(std::string(f.name));
    }
    for (const scr::PropInfo& p : scr::TSSFileLocations::StaticClass().own_properties()) {
        from_reader.emplace_back(p.name);
        if (p.type->kind == scr::PropKind::Object)
            for (const scr::PropInfo& q : scr::TFont::StaticClass().own_properties())
                if (q.stored) from_reader.push_back(std::string(p.name) + "." + std::string(q.name));
    }
    EXPECT_EQ(from_fields, from_reader);
}

struct Outcome {
    int status;
    std::string err;
};

Outcome run(const scrpack::Args& args) {
    std::ostringstream out, err;
    const int status = scrpack::Main(args, out, err);
    return {status, err.str()};
}

std::vector<uint8_t> read(const std::string& p) {
    scr::sys::File f = scr::sys::File::OpenRead(p);
    std::vector<uint8_t> bytes(std::size_t(f.size()));
    f.read(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

void write(const std::string& p, const std::vector<uint8_t>& bytes) {
    scr::sys::File f = scr::sys::File::Create(p);
    f.write(bytes.data(), int64_t(bytes.size()));
}

// Each setting given as an option, as its manifest key and as the record's property name
// makes the same saver.
TEST(BuildOptions, OptionManifestKeyAndPropertyNameAgree) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("scrpack-rules-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(dir);
    const std::string d = dir.string() + "/";
    write(d + "stub.scr", std::vector<uint8_t>(100, 'M'));
    write(d + "a.jpg", scr::test::MakeJpeg(8, 8));
    struct Case {
        const char* option;
        const char* key;
        const char* property;
        const char* value;
    };
    const Case cases[] = {
        {"--mode", "mode", "Ver", "flash"},
        {"--text", "text", "Text", "Hello"},
        {"--interval", "interval", "Interval", "1234"},
        {"--sound-random", "sound-random", "SoundRandom", "2"},
        {"--random-pic", "random-pic", "lRandomPic", "yes"},
        {"--random-style", "random-style", "lRandomStyle", "on"},
        {"--clear-old-image", "clear-old-image", "lClearOldImage", "1"},
        {"--sound-loop", "sound-loop", "lSoundLoop", "true"},
        {"--mute", "mute", "lMute", "true"},
        {"--font-name", "font.name", "TextFont.Name", "Arial"},
        {"--font-height", "font.height", "TextFont.Height", "-33"},
        {"--font-size", "font.size", "TextFont.Size", "20"},
        {"--font-color", "font.colour", "TextFont.Color", "clRed"},
        {"--font-charset", "font.charset", "TextFont.Charset", "GREEK_CHARSET"},
        {"--font-style", "font.style", "TextFont.Style", "bold underline"},
        {"--font-pitch", "font.pitch", "TextFont.Pitch", "fpFixed"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(run({"build", "-s", d + "stub.scr", "-o", d + "o.scr", std::string(c.option) + "=" + c.value, d + "a.jpg"}).status, 0);
        const std::vector<uint8_t> by_option = read(d + "o.scr");
        for (const char* key : {c.key, c.property}) {
            const std::string manifest = d + "m.txt";
            const std::string text = std::string(key) + " = " + c.value + "\npicture = a.jpg\n";
            write(manifest, std::vector<uint8_t>(text.begin(), text.end()));
            Outcome r = run({"build", "-m", manifest, "-s", d + "stub.scr", "-o", d + "o.scr"});
            ASSERT_EQ(r.status, 0) << key << ": " << r.err;
            EXPECT_EQ(read(d + "o.scr"), by_option) << key;
        }
    }
    fs::remove_all(dir);
}

}  // namespace
