// Byte-exact checks of the package writer: what readers meet in packages must follow the
// writer's encoding rules to the byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "package/settings.h"
#include "package/stream.h"
#include "package/writer.h"

namespace scr {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct IntCase {
    int64_t value;
    Bytes encoded;
};

TEST(ComponentWriter, IntegersTakeTheSmallestTag) {
    const IntCase cases[] = {
        {0, {2, 0x00}},
        {-1, {2, 0xFF}},
        {-128, {2, 0x80}},
        {127, {2, 0x7F}},
        {128, {3, 0x80, 0x00}},
        {-129, {3, 0x7F, 0xFF}},
        {5000, {3, 0x88, 0x13}},
        {-32768, {3, 0x00, 0x80}},
        {32767, {3, 0xFF, 0x7F}},
        {32768, {4, 0x00, 0x80, 0x00, 0x00}},
        {-32769, {4, 0xFF, 0x7F, 0xFF, 0xFF}},
        {2147483647, {4, 0xFF, 0xFF, 0xFF, 0x7F}},
        {-2147483648LL, {4, 0x00, 0x00, 0x00, 0x80}},
    };
    for (const IntCase& c : cases) {
        ComponentWriter w;
        w.integer(c.value);
        EXPECT_EQ(w.bytes(), c.encoded) << c.value;
    }
    ComponentWriter w;
    EXPECT_THROW(w.integer(2147483648LL), PackageWriteError);
    EXPECT_THROW(w.integer(-2147483649LL), PackageWriteError);
}

TEST(ComponentWriter, StringsPickTheirTagByLengthAndBytes) {
    struct Case {
        std::string ansi;
        Bytes encoded;
    };
    std::string s255(255, 'a'), s256(256, 'b'), s300(300, 'c');
    const Case cases[] = {
        {"", {6, 0}},
        {"photo", cat({{6, 5}, bytes_of("photo")})},
        {s255, cat({{6, 255}, bytes_of(s255)})},
        {s256, cat({{12, 0x00, 0x01, 0, 0}, bytes_of(s256)})},
        {s300, cat({{12, 0x2C, 0x01, 0, 0}, bytes_of(s300)})},
        // An e acute in Windows-1252 becomes UTF-8 C3 A9 under tag 20.
        {"\xE9", {20, 2, 0, 0, 0, 0xC3, 0xA9}},
        {"caf\xE9!", cat({{20, 6, 0, 0, 0}, bytes_of("caf\xC3\xA9!")})},
        // The euro sign sits at 0x80 in Windows-1252: E2 82 AC in UTF-8.
        {"\x80", {20, 3, 0, 0, 0, 0xE2, 0x82, 0xAC}},
    };
    for (const Case& c : cases) {
        ComponentWriter w;
        w.string(c.ansi);
        EXPECT_EQ(w.bytes(), c.encoded) << c.ansi.size();
    }
}

TEST(ComponentWriter, PropertyEntries) {
    ComponentWriter w;
    w.boolean_property("lMute", true);
    w.boolean_property("lRandomPic", false);
    w.string_property("Title", "");  // empty strings are left out
    w.ident_property("Pitch", "fpFixed");
    std::vector<std::string> style{"fsBold", "fsItalic"};
    w.set_property("S", style);
    w.set_property("E", {});
    w.color_property("C", 0x80000008);
    w.color_property("D", 0x00123456);
    w.color_property("F", 0xFFFFFFFF);
    w.charset_property("H", 1);
    w.charset_property("I", 3);
    w.property_name("B");
    w.binary(Bytes{0xAB, 0x00});
    Bytes expected = cat({
        {5}, bytes_of("lMute"), {9},
        {10}, bytes_of("lRandomPic"), {8},
        {5}, bytes_of("Pitch"), {7, 7}, bytes_of("fpFixed"),
        {1, 'S', 11, 6}, bytes_of("fsBold"), {8}, bytes_of("fsItalic"), {0},
        {1, 'E', 11, 0},
        {1, 'C', 7, 12}, bytes_of("clWindowText"),
        {1, 'D', 4, 0x56, 0x34, 0x12, 0x00},
        {1, 'F', 2, 0xFF},  // a colour is stored as its signed 32-bit value
        {1, 'H', 7, 15}, bytes_of("DEFAULT_CHARSET"),
        {1, 'I', 2, 3},
        {1, 'B', 10, 2, 0, 0, 0, 0xAB, 0x00},
    });
    EXPECT_EQ(w.bytes(), expected);
}

TEST(ComponentWriter, RefusesWhatWouldReadBackDifferently) {
    ComponentWriter w;
    EXPECT_THROW(w.property_name(""), PackageWriteError);  // would end the property list
    EXPECT_THROW(w.property_name(std::string(256, 'x')), PackageWriteError);
    EXPECT_THROW(w.begin_object(std::string(0xF0, 'T')), PackageWriteError);  // a prefix byte
    EXPECT_THROW(w.ident(""), PackageWriteError);
    std::vector<std::string> bad{"fsBold", ""};
    EXPECT_THROW(w.set(bad), PackageWriteError);
}

TEST(PictureItem, ExactLayout) {
    const Bytes jpeg{0xFF, 0xD8, 0x01, 0x02, 0xFF, 0xD9};
    Bytes expected = cat({
        bytes_of("TPF0"), {6}, bytes_of("TImage"), {0},
        {4}, bytes_of("Left"), {2, 0},
        {3}, bytes_of("Top"), {2, 0},
        {5}, bytes_of("Width"), {2, 0x69},
        {6}, bytes_of("Height"), {2, 0x69},
        {12}, bytes_of("Picture.Data"), {10, 6 + 15, 0, 0, 0},
        {10}, bytes_of("TJPEGImage"), {6, 0, 0, 0},
        jpeg, {0, 0},
    });
    EXPECT_EQ(picture_item(jpeg), expected);
    EXPECT_EQ(expected.size(), jpeg.size() + kPictureItemOverhead);
}

TEST(SettingsStream, SmallRecordExactBytes) {
    TSSFileLocations s;
    s.Ver = "photo";
    s.Interval = 5000;
    s.lMute = true;
    s.TextFont.Style = fsBold | fsUnderline;
    s.SndFileNamesCommaList = {"a b.mp3", "c.mp3"};
    auto prop = [](std::string_view name) {
        Bytes b = bytes_of(name);
        b.insert(b.begin(), uint8_t(name.size()));
        return b;
    };
    Bytes expected = cat({
        bytes_of("TPF0"), {16}, bytes_of("TSSFileLocations"), {0},
        prop("TextFont.Charset"), {7, 15}, bytes_of("DEFAULT_CHARSET"),
        prop("TextFont.Color"), {7, 12}, bytes_of("clWindowText"),
        prop("TextFont.Height"), {2, 0xF5},
        prop("TextFont.Name"), {6, 13}, bytes_of("MS Sans Serif"),
        prop("TextFont.Style"), {11, 6}, bytes_of("fsBold"), {11}, bytes_of("fsUnderline"), {0},
        prop("lRandomStyle"), {8},
        prop("lRandomPic"), {8},
        prop("lClearOldImage"), {8},
        prop("Interval"), {3, 0x88, 0x13},
        prop("SoundRandom"), {2, 0},
        prop("lSoundLoop"), {8},
        prop("lMute"), {9},
        prop("Ver"), {6, 5}, bytes_of("photo"),
        prop("SndFileNamesCommaList"), {6, 15}, bytes_of("\"a b.mp3\",c.mp3"),
        {0, 0},
    });
    EXPECT_EQ(settings_stream(s), expected);
}

TEST(SettingsStream, PitchOnlyWhenNotDefaultAndOddValuesAsNumbers) {
    TSSFileLocations s;
    s.TextFont.Pitch = fpFixed;
    s.TextFont.Color = 0x00123456;
    s.TextFont.Charset = 3;
    s.TextFont.Name = "";
    const Bytes b = settings_stream(s);
    auto contains = [&](const Bytes& needle) {
        return std::search(b.begin(), b.end(), needle.begin(), needle.end()) != b.end();
    };
    EXPECT_TRUE(contains(cat({{14}, bytes_of("TextFont.Pitch"), {7, 7}, bytes_of("fpFixed"),
                              {14}, bytes_of("TextFont.Style"), {11, 0}})));
    EXPECT_TRUE(contains(cat({{14}, bytes_of("TextFont.Color"), {4, 0x56, 0x34, 0x12, 0x00}})));
    EXPECT_TRUE(contains(cat({{16}, bytes_of("TextFont.Charset"), {2, 3}})));
    EXPECT_FALSE(contains(bytes_of("TextFont.Name")));  // empty strings are left out
}

// Every property written by the writer reads back unchanged through the reader.
TEST(SettingsStream, RoundTripsThroughTheReader) {
    struct Case {
        const char* what;
        void (*set)(TSSFileLocations&);
    };
    const Case cases[] = {
        {"initial values", [](TSSFileLocations&) {}},
        {"every property", [](TSSFileLocations& s) {
             s.Text = "Caption \xE9t\xE9";
             s.TextFont.Charset = 238;
             s.TextFont.Color = 0x80000005;
             s.TextFont.Height = 32768;
             s.TextFont.Name = "Arial";
             s.TextFont.Pitch = fpVariable;
             s.TextFont.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
             s.lRandomStyle = s.lRandomPic = s.lClearOldImage = s.lSoundLoop = s.lMute = true;
             s.Interval = -2147483647 - 1;
             s.SoundRandom = 3;
             s.Title = std::string(300, 't');
             s.Author = "A. Author";
             s.Email = "mailto:a@example.org";
             s.Web = "http://example.org/";
             s.Ver = "powerpoint";
             s.PicCommaList = {"1000", "2000"};
             s.PicFileNamesCommaList = {"one.jpg", "two words.jpg"};
             s.SndCommaList = {"3000"};
             s.SndFileNamesCommaList = {"m\xFCsic.mp3"};
             s.SndSizesCommaList = {"12"};
             s.FlashCommaList = {"3012", "3020"};
             s.FlashFileNamesCommaList = {"a.swf", "b,c.swf"};
             s.FlashSizesCommaList = {"8", "9"};
             s.DescriptCommaList = {"line one, with comma", "", "say \"hi\""};
         }},
        {"boundaries", [](TSSFileLocations& s) {
             s.Interval = 127;
             s.SoundRandom = -129;
             s.TextFont.Height = -32768;
             s.TextFont.Color = 0xFFFFFFFF;
             s.TextFont.Charset = 255;
             s.DescriptCommaList = {""};
         }},
    };
    for (const Case& c : cases) {
        TSSFileLocations s;
        c.set(s);
        std::vector<uint8_t> bytes = settings_stream(s);
        MemoryStream in(bytes);
        TSSFileLocations r;
        LoadComponentStream(in, r);
        EXPECT_EQ(in.Position(), int64_t(bytes.size())) << c.what;
        for (const PropInfo& prop : TSSFileLocations::StaticClass().own_properties()) {
            PropValue a = GetPropValue(s, prop), b = GetPropValue(r, prop);
            if (std::holds_alternative<TPersistent*>(a)) continue;  // the font, compared below
            EXPECT_EQ(a, b) << c.what << ": " << prop.name;
        }
        for (const PropInfo& prop : TFont::StaticClass().own_properties())
            EXPECT_EQ(GetPropValue(s.TextFont, prop), GetPropValue(r.TextFont, prop)) << c.what << ": " << prop.name;
    }
}

TEST(Trailer, FieldsAreLeftJustified) {
    auto t = trailer_bytes(18056091, 20850500);
    std::string s(t.begin(), t.end());
    EXPECT_EQ(s, "18056091            20850500            ");
    auto n = trailer_bytes(-2147483647 - 1, 0);
    EXPECT_EQ(std::string(n.begin(), n.end()), "-2147483648         0                   ");
}

TEST(Layout, ItemsBackToBackAfterTheStub) {
    const uint64_t jpegs[] = {100, 50};
    const uint64_t sounds[] = {0, 7};
    const uint64_t flash[] = {9};
    PackageLayout l = plan_package(1000, jpegs, sounds, flash);
    EXPECT_EQ(l.picture_offsets, (std::vector<int32_t>{1000, 1177}));
    EXPECT_EQ(l.sound_offsets, (std::vector<int32_t>{1304, 1304}));
    EXPECT_EQ(l.flash_offsets, (std::vector<int32_t>{1311}));
    EXPECT_EQ(l.settings_offset, 1320);
    EXPECT_EQ(appended_length(l, 80), 400);
}

TEST(Layout, RefusesPackagesThatReachTwoGiB) {
    const uint64_t max = kMaxPackageFileSize;
    // The last byte of the trailer may sit at 2^31 - 2, not at 2^31 - 1.
    PackageLayout fits = plan_package(max - 40 - 100, {}, {}, {});
    EXPECT_EQ(appended_length(fits, 100), 100);
    EXPECT_THROW(appended_length(fits, 101), PackageWriteError);

    struct Case {
        uint64_t stub;
        std::vector<uint64_t> jpegs, sounds, flash;
    };
    const Case too_big[] = {
        {max + 1, {}, {}, {}},
        {1000, {max}, {}, {}},
        {1000, {1u << 30, 1u << 30}, {}, {}},
        {1000, {}, {max - 999}, {}},
        {1000, {10}, {1u << 30}, {1u << 30}},
        {1000, {}, {}, {UINT64_MAX}},
    };
    for (const Case& c : too_big)
        EXPECT_THROW(plan_package(c.stub, c.jpegs, c.sounds, c.flash), PackageWriteError);
    try {
        plan_package(1000, std::vector<uint64_t>{10}, std::vector<uint64_t>{1u << 30, 1u << 30}, {});
        FAIL();
    } catch (const PackageWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("2 GiB at sound 2"), std::string::npos) << e.what();
    }
}

TEST(ItemNames, HostileNamesAreRefused) {
    const char* refused[] = {"", ".", "..", "../evil.mp3", "a/b.mp3", "a\\b.mp3", "C:x.mp3",
                             "x.mp3:stream", "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b",
                             "tab\tname", "trailing.", "trailing ", "CON", "nul.mp3", "Com1.wav",
                             "lpt9", "CONOUT$"};
    for (const char* name : refused) {
        EXPECT_THROW(check_item_name(name), PackageWriteError) << name;
    }
    const char* accepted[] = {"song.mp3", "my song.mp3", "caf\xE9.wav", ".hidden", "con2.mp3",
                              "console.mp3", "a,b.swf", "...x"};
    for (const char* name : accepted) EXPECT_NO_THROW(check_item_name(name)) << name;
    try {
        check_item_name("../x");
        FAIL();
    } catch (const PackageWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("\"../x\""), std::string::npos);
    }
}

}  // namespace
}  // namespace scr
