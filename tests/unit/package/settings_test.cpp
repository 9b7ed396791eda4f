// The settings record: initial values, the worked examples of a settings stream, comma text
// and the item accessors.
#include <gtest/gtest.h>

#include <functional>

#include "package/errors.h"
#include "package/settings.h"
#include "stream_builder.h"

namespace scr {
namespace {

using test::Bytes;

void Read(const Bytes& b, TSSFileLocations& s) {
    MemoryStream m = MemoryStream::View(b.v);
    LoadComponentStream(m, s);
}

TEST(Settings, InitialValuesAndTheDefaultFont) {
    TSSFileLocations s;
    EXPECT_EQ(s.TextFont.Name, "MS Sans Serif");
    EXPECT_EQ(s.TextFont.Height, -11);  // 8 points at 96 pixels per inch
    EXPECT_EQ(s.TextFont.Size(), 8);
    EXPECT_EQ(s.TextFont.Color, 0x80000008u);
    EXPECT_EQ(s.TextFont.Charset, 1);
    EXPECT_EQ(s.TextFont.Style, 0u);
    EXPECT_EQ(s.TextFont.Pitch, fpDefault);
    EXPECT_EQ(s.Interval, 0);
    EXPECT_EQ(s.PicCount(), 0);
}

TEST(Settings, OnlyVerSetLeavesEverythingElseAtItsInitialValue) {
    Bytes b;
    b.header("TSSFileLocations").prop("Ver").str("photo").end().end();
    TSSFileLocations s;
    Read(b, s);
    EXPECT_EQ(s.Ver, "photo");
    EXPECT_EQ(s.Interval, 0);
    EXPECT_EQ(s.SndCount(), 0);
    EXPECT_EQ(s.TextFont.Height, -11);
}

TEST(Settings, WorkedExampleOfASettingsStream) {
    Bytes b;
    b.header("TSSFileLocations");
    b.prop("Text").str("Hello");
    b.prop("TextFont.Charset").ident("DEFAULT_CHARSET");
    b.prop("TextFont.Color").ident("clWindowText");
    b.prop("TextFont.Height").u8(TagInt8).u8(0xE0);
    b.prop("TextFont.Name").str("Arial");
    b.prop("TextFont.Style").set({"fsBold"});
    b.prop("lRandomStyle").boolean(true);
    b.prop("lRandomPic").boolean(false);
    b.prop("Interval").u8(TagInt16).raw({0x88, 0x13});
    b.prop("SoundRandom").integer(2);
    b.prop("lMute").boolean(true);
    b.prop("Title").utf8("Caf\xC3\xA9");
    b.prop("PicCommaList").str("100,2000");
    b.prop("DescriptCommaList").str("\"a, b\",\"c \"\"d\"\"\"");
    b.end().end();
    TSSFileLocations s;
    s.lRandomPic = true;
    Read(b, s);
    EXPECT_EQ(s.Text, "Hello");
    EXPECT_EQ(s.TextFont.Charset, 1);
    EXPECT_EQ(s.TextFont.Color, 0x80000008u);
    EXPECT_EQ(s.TextFont.Height, -32);
    EXPECT_EQ(s.TextFont.Name, "Arial");
    EXPECT_EQ(s.TextFont.Style, uint32_t(fsBold));
    EXPECT_TRUE(s.lRandomStyle);
    EXPECT_FALSE(s.lRandomPic);
    EXPECT_EQ(s.Interval, 5000);
    EXPECT_EQ(s.SoundRandom, 2);
    EXPECT_TRUE(s.lMute);
    EXPECT_EQ(s.Title, "Caf\xE9");
    EXPECT_EQ(s.PicCommaList, (StringList{"100", "2000"}));
    EXPECT_EQ(s.DescriptCommaList, (StringList{"a, b", "c \"d\""}));
}

TEST(Settings, NamesAreMatchedWithoutRegardToCase) {
    Bytes b;
    b.header("TSSFileLocations");
    b.prop("textfont.height").integer(-20);
    b.prop("LRANDOMPIC").ident("TRUE");
    b.prop("TextFont.Style").set({"FSBOLD", "fsNoSuch"});
    b.prop("TextFont.Size").integer(12);  // sets Height at 96 pixels per inch
    b.end().end();
    TSSFileLocations s;
    Read(b, s);
    EXPECT_TRUE(s.lRandomPic);
    EXPECT_EQ(s.TextFont.Style, uint32_t(fsBold));
    EXPECT_EQ(s.TextFont.Height, -16);
}

TEST(Settings, AnIdentifierForHeightNamesTheRecordAndPath) {
    Bytes b;
    b.header("TSSFileLocations").prop("TextFont.Height").ident("clRed").end().end();
    TSSFileLocations s;
    try {
        Read(b, s);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Error reading TSSFileLocations.TextFont.Height: Invalid property value");
    }
}

TEST(Settings, ReadWithoutTargetCreatesARecord) {
    Bytes b;
    b.header("TSSFileLocations").prop("Title").str("T").end().end();
    MemoryStream m = MemoryStream::View(b.v);
    auto object = LoadComponentStream(m);
    auto* s = dynamic_cast<TSSFileLocations*>(object.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Title, "T");
}

TEST(Settings, PropertiesEnumerateInDeclaredOrderWithCommaListsAsText) {
    TSSFileLocations s;
    s.SndFileNamesCommaList = {"a b.wav", "c.mp3"};
    std::vector<std::string> names;
    for (const PropInfo* p : TSSFileLocations::StaticClass().Properties()) names.emplace_back(p->name);
    const std::vector<std::string> expected = {
        "Name", "Tag", "Text", "TextFont", "lRandomStyle", "lRandomPic", "lClearOldImage", "Interval",
        "SoundRandom", "lSoundLoop", "lMute", "Title", "Author", "Email", "Web", "Ver", "PicCommaList",
        "PicFileNamesCommaList", "SndCommaList", "SndFileNamesCommaList", "SndSizesCommaList",
        "FlashCommaList", "FlashFileNamesCommaList", "FlashSizesCommaList", "DescriptCommaList"};
    EXPECT_EQ(names, expected);
    const PropInfo* p = TSSFileLocations::StaticClass().FindProperty("SndFileNamesCommaList");
    EXPECT_EQ(std::get<std::string>(GetPropValue(s, *p)), "\"a b.wav\",c.mp3");
    // Setting a list twice replaces it.
    p->set(s, std::string("x,y"));
    p->set(s, std::string("z"));
    EXPECT_EQ(s.SndFileNamesCommaList, StringList{"z"});
}

TEST(CommaText, Parsing) {
    struct Case {
        std::string text;
        StringList items;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"a,b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {"a,  ", {"a"}},
        {"a b", {"a", "b"}},                        // a blank ends an unquoted item
        {"\"a b\"", {"a b"}},
        {"  \"x, y\" , z ", {"x, y", "z"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"\"", {""}},
        {",", {"", ""}},
        {"\"open", {"open"}},                       // an unclosed quote runs to the end
        {"a\tb\nc", {"a", "b", "c"}},
        {std::string("a,b\0c", 5), {"a", "b"}},     // the text ends at a NUL
        {"\xE9t\xE9,\x80", {"\xE9t\xE9", "\x80"}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCommaText(c.text), c.items) << c.text;
}

TEST(CommaText, FormattingRoundTrips) {
    const StringList lists[] = {
        {},
        {""},
        {"", ""},
        {"a", ""},
        {"", "a"},
        {"plain", "with blank", "with,comma", "with\"quote", "tab\there"},
        {"100", "2000", "-5"},
    };
    for (const auto& list : lists) EXPECT_EQ(ParseCommaText(FormatCommaText(list)), list);
    EXPECT_EQ(FormatCommaText({""}), "\"\"");
    EXPECT_EQ(FormatCommaText({}), "");
    EXPECT_EQ(FormatCommaText({"a b", "c\"d", "e"}), "\"a b\",\"c\"\"d\",e");
}

TEST(Settings, ItemAccessors) {
    TSSFileLocations s;
    s.PicCommaList = {"100", "x", "99999999999"};
    s.SndCommaList = {"5", "6", "7"};
    s.SndFileNamesCommaList = {"a.wav"};
    s.SndSizesCommaList = {" 12 ", "-3"};
    s.FlashCommaList = {"8"};
    s.FlashFileNamesCommaList = {"m.swf"};
    s.FlashSizesCommaList = {"9"};
    EXPECT_EQ(s.PicCount(), 3);
    EXPECT_EQ(s.PicOffset(0), 100);
    EXPECT_EQ(s.PicOffset(1), 0);   // not a number
    EXPECT_EQ(s.PicOffset(2), 0);   // does not fit 32 bits
    EXPECT_EQ(s.SndCount(), 3);
    EXPECT_EQ(s.SndOffset(2), 7);
    EXPECT_EQ(s.SndFileName(0), "a.wav");
    EXPECT_EQ(s.SndSize(0), 12);
    EXPECT_EQ(s.SndSize(1), -3);
    EXPECT_EQ(s.FlashOffset(0), 8);
    EXPECT_EQ(s.FlashFileName(0), "m.swf");
    EXPECT_EQ(s.FlashSize(0), 9);

    const std::function<void()> out_of_bounds[] = {
        [&] { s.PicOffset(-1); },         [&] { s.PicOffset(3); },       [&] { s.SndFileName(1); },
        [&] { s.SndSize(2); },            [&] { s.FlashOffset(1); },     [&] { s.FlashFileName(-1); },
        [&] { s.FlashSize(1); },          [&] { TSSFileLocations().PicOffset(0); },
    };
    for (const auto& call : out_of_bounds) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Index is out of bounds");
        }
    }
}

}  // namespace
}  // namespace scr
