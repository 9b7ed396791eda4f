// The component stream reader: every tag and property kind, the error messages, the stream
// position afterwards, and hostile input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "package/component.h"
#include "package/errors.h"
#include "package/settings.h"
#include "stream_builder.h"

namespace scr {
namespace {

using test::Bytes;
using ::testing::HasSubstr;

// A class with one property of every kind the reader knows.
class TItem : public TCollectionItem {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }
    int32_t Value = 0;
    std::string Label;
};

class TItems : public TCollection {
public:
    TCollectionItem& Add() override { return *items.emplace_back(std::make_unique<TItem>()); }
    void Clear() override { items.clear(); }
    int Count() const override { return int(items.size()); }
    std::vector<std::unique_ptr<TItem>> items;
};

class TSub : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }
    int32_t Depth = 0;
};

constexpr std::string_view kModeNames[] = {"mdOne", "mdTwo", "mdThree"};
constexpr std::string_view kFlagNames[] = {"fA", "fB", "fC"};
const TypeInfo kModeType{"TMode", PropKind::Enumeration, OrdType::U8, {}, kModeNames};
const TypeInfo kFlagsType{"TFlags", PropKind::Set, OrdType::U8, {}, kFlagNames};
const TypeInfo kS8Type{"ShortInt", PropKind::Integer, OrdType::S8};
const TypeInfo kU16Type{"Word", PropKind::Integer, OrdType::U16};
const TypeInfo kSubType{"TSub", PropKind::Object};
const TypeInfo kItemsType{"TItems", PropKind::Object};
const TypeInfo kEventType{"TNotifyEvent", PropKind::Event};

class TAll : public TComponent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }
    int32_t Int = 0;
    int64_t S8 = 0, U16 = 0;
    uint32_t Color = 0;
    uint8_t Charset = 0;
    int64_t Char = -1;
    bool Flag = false;
    int64_t Mode = 0;
    int64_t Flags = 0;
    double Real = 0;
    std::string Str;
    int64_t Big = 0;
    TSub Sub;
    TSub* SubRef = &Sub;
    TItems Items;
    std::string OnClick = "unset";
    int32_t Fixed = 7;
    int loaded_calls = 0;
    bool loading_seen = false;
    void Loaded() override { ++loaded_calls; }
};

template <class C>
C& As(TPersistent& o) { return static_cast<C&>(o); }
template <class C>
const C& As(const TPersistent& o) { return static_cast<const C&>(o); }
int64_t I(const PropValue& v) { return std::get<int64_t>(v); }

const PropInfo kItemProps[] = {
    {"Value", &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(As<TItem>(o).Value); },
     [](TPersistent& o, const PropValue& v) { As<TItem>(o).Value = int32_t(I(v)); }},
    {"Label", &kStringType, [](const TPersistent& o) -> PropValue { return As<TItem>(o).Label; },
     [](TPersistent& o, const PropValue& v) { As<TItem>(o).Label = std::get<std::string>(v); }},
};
const ClassInfo& TItem::StaticClass() {
    static const ClassInfo info{"TItem", nullptr, kItemProps};
    return info;
}

const PropInfo kSubProps[] = {
    {"Depth", &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(As<TSub>(o).Depth); },
     [](TPersistent& o, const PropValue& v) { As<TSub>(o).Depth = int32_t(I(v)); }},
};
const ClassInfo& TSub::StaticClass() {
    static const ClassInfo info{"TSub", nullptr, kSubProps};
    return info;
}

#define ALL_PROP(name, type, field, cast)                                                        \
    PropInfo {                                                                                   \
        name, type, [](const TPersistent& o) -> PropValue { return int64_t(As<TAll>(o).field); }, \
            [](TPersistent& o, const PropValue& v) {                                             \
                As<TAll>(o).loading_seen = o.loading();                                          \
                As<TAll>(o).field = cast(I(v));                                                  \
            }                                                                                    \
    }

const PropInfo kAllProps[] = {
    ALL_PROP("Int", &kIntegerType, Int, int32_t),
    ALL_PROP("S8", &kS8Type, S8, int64_t),
    ALL_PROP("U16", &kU16Type, U16, int64_t),
    ALL_PROP("Color", &kColorType, Color, uint32_t),
    ALL_PROP("Charset", &kCharsetType, Charset, uint8_t),
    ALL_PROP("Char", &kCharType, Char, int64_t),
    ALL_PROP("Flag", &kBooleanType, Flag, bool),
    ALL_PROP("Mode", &kModeType, Mode, int64_t),
    ALL_PROP("Flags", &kFlagsType, Flags, int64_t),
    {"Real", &kDoubleType, [](const TPersistent& o) -> PropValue { return As<TAll>(o).Real; },
     [](TPersistent& o, const PropValue& v) { As<TAll>(o).Real = std::get<double>(v); }},
    {"Str", &kStringType, [](const TPersistent& o) -> PropValue { return As<TAll>(o).Str; },
     [](TPersistent& o, const PropValue& v) { As<TAll>(o).Str = std::get<std::string>(v); }},
    ALL_PROP("Big", &kInt64Type, Big, int64_t),
    {"Sub", &kSubType,
     [](const TPersistent& o) -> PropValue { return static_cast<TPersistent*>(As<TAll>(const_cast<TPersistent&>(o)).SubRef); },
     [](TPersistent& o, const PropValue& v) { As<TAll>(o).SubRef = static_cast<TSub*>(std::get<TPersistent*>(v)); }},
    {"Items", &kItemsType,
     [](const TPersistent& o) -> PropValue { return static_cast<TPersistent*>(&As<TAll>(const_cast<TPersistent&>(o)).Items); },
     nullptr},
    {"OnClick", &kEventType,
     [](const TPersistent& o) -> PropValue { return As<TAll>(o).OnClick; },
     [](TPersistent& o, const PropValue& v) {
         As<TAll>(o).OnClick = std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "";
     }},
    {"Fixed", &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(As<TAll>(o).Fixed); }, nullptr},
};

std::unique_ptr<TComponent> CreateAll() { return std::make_unique<TAll>(); }
const ClassInfo& TAll::StaticClass() {
    static const ClassInfo info{"TAll", &TComponent::StaticClass(), kAllProps, CreateAll};
    return info;
}

// A stream of one TAll with the given property entries.
Bytes AllStream() { return std::move(Bytes().header("TAll")); }

TAll ReadAll(const Bytes& b) {
    TAll all;
    MemoryStream s = MemoryStream::View(b.v);
    LoadComponentStream(s, all);
    return all;
}

std::string ReadError(const Bytes& b) {
    TAll all;
    MemoryStream s = MemoryStream::View(b.v);
    try {
        LoadComponentStream(s, all);
    } catch (const EReadError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(Reader, IntegersTakeEachTagAndStoreInTheTypesWidth) {
    struct Case {
        const char* prop;
        Bytes value;
        int64_t TAll::*field;
        int64_t expected;
    };
    auto s8 = &TAll::S8, u16 = &TAll::U16, big = &TAll::Big;
    const Case cases[] = {
        {"S8", std::move(Bytes().integer(-5)), s8, -5},
        {"S8", std::move(Bytes().integer(300)), s8, 44},             // 300 kept in 8 bits
        {"U16", std::move(Bytes().integer(-1)), u16, 0xFFFF},        // sign-extended then cut
        {"U16", std::move(Bytes().integer(0x12345)), u16, 0x2345},
        {"Big", std::move(Bytes().int64(INT64_MIN)), big, INT64_MIN},
        {"Big", std::move(Bytes().integer(-70000)), big, -70000},
    };
    for (const auto& c : cases) {
        Bytes b = AllStream();
        b.prop(c.prop).append(c.value.v).end().end();
        EXPECT_EQ(ReadAll(b).*c.field, c.expected) << c.prop;
    }
    Bytes b = AllStream();
    b.prop("Int").u8(TagInt16).raw({0x88, 0x13}).end().end();
    EXPECT_EQ(ReadAll(b).Int, 5000);
    b = AllStream();
    b.prop("Int").u8(TagInt8).u8(0xE0).end().end();
    EXPECT_EQ(ReadAll(b).Int, -32);
}

TEST(Reader, IdentifiersMapThroughTheirTablesIgnoringCase) {
    Bytes b = AllStream();
    b.prop("Color").ident("clWindowText").prop("Charset").ident("default_charset").end().end();
    TAll a = ReadAll(b);
    EXPECT_EQ(a.Color, 0x80000008u);
    EXPECT_EQ(a.Charset, 1);
    b = AllStream();
    b.prop("Color").integer(0x0000FF).prop("Charset").integer(0x1EE).end().end();  // low 8 bits
    a = ReadAll(b);
    EXPECT_EQ(a.Color, 0xFFu);
    EXPECT_EQ(a.Charset, 0xEE);
    EXPECT_EQ(ColorIdents().size(), 49u);
    EXPECT_EQ(CharsetIdents().size(), 18u);
}

TEST(Reader, EnumerationsBooleansAndSets) {
    Bytes b = AllStream();
    b.prop("Flag").boolean(true).prop("Mode").ident("MDTHREE").prop("Flags").set({"fC", "FA", "fZ"}).end().end();
    TAll a = ReadAll(b);
    EXPECT_TRUE(a.Flag);
    EXPECT_EQ(a.Mode, 2);
    EXPECT_EQ(a.Flags, 0b101);  // the unknown member is dropped
    b = AllStream();
    b.prop("Flag").ident("TRUE").end().end();
    EXPECT_TRUE(ReadAll(b).Flag);
    b = AllStream();
    b.prop("Flag").boolean(true).prop("Flag").boolean(false).end().end();
    EXPECT_FALSE(ReadAll(b).Flag);
}

TEST(Reader, FloatsFromExtendedAndIntegers) {
    const double values[] = {0.1, -2.5e300, 5e-324, std::numeric_limits<double>::infinity(), -0.0};
    for (double d : values) {
        Bytes b = AllStream();
        b.prop("Real").extended(d).end().end();
        const double got = ReadAll(b).Real;
        EXPECT_EQ(got, d);
        EXPECT_EQ(std::signbit(got), std::signbit(d));
    }
    Bytes b = AllStream();
    b.prop("Real").extended(std::numeric_limits<double>::quiet_NaN()).end().end();
    EXPECT_TRUE(std::isnan(ReadAll(b).Real));
    b = AllStream();
    b.prop("Real").integer(-40000).end().end();
    EXPECT_EQ(ReadAll(b).Real, -40000.0);
}

TEST(Reader, StringsInEveryForm) {
    const std::string long_text(300, 'x');
    struct Case {
        Bytes value;
        std::string expected;
    };
    const Case cases[] = {
        {std::move(Bytes().str("abc")), "abc"},
        {std::move(Bytes().lstr(long_text)), long_text},
        {std::move(Bytes().utf8("\xC3\xA9")), "\xE9"},
        {std::move(Bytes().utf8("\xE2\x82\xAC\xE4\xB8\x80")), "\x80?"},  // euro sign, then unmappable
        {std::move(Bytes().wstr(u"\u00E9t\u00E9")), "\xE9t\xE9"},
        {std::move(Bytes().str("")), ""},
    };
    for (const auto& c : cases) {
        Bytes b = AllStream();
        b.prop("Str").append(c.value.v).end().end();
        EXPECT_EQ(ReadAll(b).Str, c.expected);
    }
}

TEST(Reader, CharactersHoldAtMostOne) {
    Bytes b = AllStream();
    b.prop("Char").str("Q").end().end();
    EXPECT_EQ(ReadAll(b).Char, 'Q');
    b = AllStream();
    b.prop("Char").utf8("\xC3\xA9").end().end();
    EXPECT_EQ(ReadAll(b).Char, 0xE9);
    b = AllStream();
    b.prop("Char").str("QR").end().end();
    EXPECT_EQ(ReadError(b), "Error reading TAll.Char: Invalid property value");
}

TEST(Reader, ObjectsCollectionsAndEvents) {
    Bytes b = AllStream();
    b.prop("Sub.Depth").integer(9);
    b.prop("Items").u8(TagCollection);
    b.u8(TagList).prop("Value").integer(1).prop("Label").str("one").end();
    b.integer(5).u8(TagList).prop("Value").integer(2).end();  // with an order index
    b.end();
    b.prop("OnClick").ident("ButtonClick").end().end();
    TAll a = ReadAll(b);
    EXPECT_EQ(a.Sub.Depth, 9);
    ASSERT_EQ(a.Items.Count(), 2);
    EXPECT_EQ(a.Items.items[0]->Label, "one");
    EXPECT_EQ(a.Items.items[1]->Value, 2);
    EXPECT_EQ(a.OnClick, "ButtonClick");

    // A second collection value replaces the items; nil clears the object and the event.
    b = AllStream();
    b.prop("Items").u8(TagCollection).u8(TagList).prop("Value").integer(3).end().end();
    b.prop("Items").u8(TagCollection).end();
    b.prop("Sub").u8(TagNil).prop("OnClick").u8(TagNil).end().end();
    a = ReadAll(b);
    EXPECT_EQ(a.Items.Count(), 0);
    EXPECT_EQ(a.SubRef, nullptr);
    EXPECT_EQ(a.OnClick, "");
}

TEST(Reader, WithoutTargetCreatesTheRegisteredClassByAnyCase) {
    RegisterStreamClass(TAll::StaticClass());
    Bytes b;
    b.header("tall", "Named").prop("Int").integer(4).end().end();
    MemoryStream s = MemoryStream::View(b.v);
    auto object = LoadComponentStream(s);
    auto* all = dynamic_cast<TAll*>(object.get());
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->Int, 4);
    EXPECT_EQ(all->Name, "Named");
    EXPECT_EQ(all->loaded_calls, 1);
    EXPECT_TRUE(all->loading_seen);
    EXPECT_FALSE(all->loading());
}

TEST(Reader, WithTargetIgnoresTheStoredClassName) {
    Bytes b;
    b.header("TSomethingElse").prop("Int").integer(11).end().end();
    TAll a = ReadAll(b);
    EXPECT_EQ(a.Int, 11);
    EXPECT_EQ(a.loaded_calls, 1);
}

TEST(Reader, UnknownEntriesAreSkippedWhateverTheirTag) {
    std::vector<Bytes> values;
    values.push_back(std::move(Bytes().integer(100000)));
    values.push_back(std::move(Bytes().lstr(std::string(5000, 'z'))));
    values.push_back(std::move(Bytes().binary(std::vector<uint8_t>(6000, 0xAB))));
    values.push_back(std::move(Bytes().set({"a", "b"})));
    values.push_back(std::move(Bytes().u8(TagCollection).u8(TagList).prop("X").u8(TagList).integer(1).end().end().end()));
    values.push_back(std::move(Bytes().u8(TagList).u8(TagList).str("in").end().u8(TagNil).end()));
    values.push_back(std::move(Bytes().extended(1.5)));
    values.push_back(std::move(Bytes().wstr(u"wide")));
    values.push_back(std::move(Bytes().utf8("u")));
    values.push_back(std::move(Bytes().u8(TagSingle).u32(0)));
    values.push_back(std::move(Bytes().u8(TagCurrency).u64(1)));
    values.push_back(std::move(Bytes().u8(TagDate).u64(2)));
    values.push_back(std::move(Bytes().int64(3)));
    values.push_back(std::move(Bytes().ident("x")));
    values.push_back(std::move(Bytes().boolean(true)));
    values.push_back(std::move(Bytes().u8(TagEnd)));
    for (const auto& v : values) {
        Bytes b = AllStream();
        b.prop("Unknown").append(v.v).prop("Nope.Deeper").append(v.v).prop("Int").integer(42).end().end();
        SCOPED_TRACE(int(v.v[0]));
        EXPECT_EQ(ReadAll(b).Int, 42);
    }
}

TEST(Reader, ErrorMessages) {
    struct Case {
        Bytes stream;
        const char* message;
    };
    auto all = [] { return AllStream(); };
    const Case cases[] = {
        {std::move(all().prop("Int").ident("clRed").end().end()), "Error reading TAll.Int: Invalid property value"},
        {std::move(all().prop("Color").ident("clNoSuch").end().end()), "Error reading TAll.Color: Invalid property value"},
        {std::move(all().prop("Int").str("1").end().end()), "Error reading TAll.Int: Invalid property value"},
        {std::move(all().prop("Mode").ident("mdFour").end().end()), "Error reading TAll.Mode: Invalid property value"},
        {std::move(all().prop("Flags").ident("fA").end().end()), "Error reading TAll.Flags: Invalid property value"},
        {std::move(all().prop("Int.Depth").integer(1).end().end()), "Error reading TAll.Int.Depth: Invalid property path"},
        {std::move(all().prop("Fixed").integer(1).end().end()), "Error reading TAll.Fixed: Property is read-only"},
        {std::move(all().prop("Sub").u8(TagCollection).end().end().end()), "Error reading TAll.Sub: Invalid property value"},
        {std::move(all().prop("Str").u8(TagLString).u32(10).text("abc")), "Error reading TAll.Str: Stream read error"},
        {std::move(all().prop("Int").u8(21).end().end()), "Error reading TAll.Int: Invalid property value"},
        {std::move(all().prop("X").u8(21).end().end()), "Error reading TAll.X: Invalid property value"},
        {std::move(Bytes().text("TPF1").sstr("TAll").sstr("").end().end()), "Invalid stream format"},
        {std::move(Bytes().text("TP")), "Stream read error"},
        {std::move(all().prop("Int").integer(1)), "Stream read error"},  // no end marker
    };
    for (const auto& c : cases) EXPECT_EQ(ReadError(c.stream), c.message);

    // After a path fails, the value was skipped: the position is past it.
    Bytes b = AllStream();
    b.prop("Int.Depth").lstr("abcdef").end().end();
    MemoryStream s = MemoryStream::View(b.v);
    TAll a;
    EXPECT_THROW(LoadComponentStream(s, a), EReadError);
    EXPECT_EQ(s.Position(), int64_t(b.v.size()) - 2);
}

TEST(Reader, ClassNotFoundAndTheExceptionHierarchy) {
    Bytes b;
    b.header("TNoSuchClass").end().end();
    MemoryStream s = MemoryStream::View(b.v);
    try {
        LoadComponentStream(s);
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class TNoSuchClass not found");
        EXPECT_NE(dynamic_cast<const EFilerError*>(&e), nullptr);
        EXPECT_NE(dynamic_cast<const EStreamError*>(&e), nullptr);
        EXPECT_NE(dynamic_cast<const Exception*>(&e), nullptr);
    }
}

TEST(Reader, TargetKeepsWhatWasSetBeforeAFailure) {
    Bytes b = AllStream();
    b.prop("Int").integer(3).prop("Mode").ident("bad").prop("S8").integer(1).end().end();
    TAll a;
    MemoryStream s = MemoryStream::View(b.v);
    EXPECT_THROW(LoadComponentStream(s, a), EReadError);
    EXPECT_EQ(a.Int, 3);
    EXPECT_EQ(a.S8, 0);
    EXPECT_FALSE(a.loading());
    EXPECT_EQ(a.loaded_calls, 0);
}

TEST(Reader, PrefixesAndChildRecordsAreParsedAndSkipped) {
    Bytes b;
    b.text("TPF0").u8(0xF2).integer(3).sstr("TAll").sstr("");
    b.prop("Int").integer(1).end();
    // Two children, the first with a grandchild; each with a property and its own end markers.
    b.u8(0xF3).integer(0).sstr("TChild").sstr("c1").prop("A").str("x").end();
    b.sstr("TGrand").sstr("").prop("B").integer(2).end().end();
    b.end();
    b.sstr("TChild").sstr("c2").end().end();
    b.end();
    b.text("after");
    MemoryStream s = MemoryStream::View(b.v);
    TAll a;
    LoadComponentStream(s, a);
    EXPECT_EQ(a.Int, 1);
    EXPECT_EQ(s.Position(), int64_t(b.v.size()) - 5);
}

// A stream position check through a file-like stream that counts what it was asked for.
TEST(Reader, PositionIsJustPastTheLastByteConsumed) {
    Bytes b = AllStream();
    b.prop("Int").integer(8).end().end();
    const int64_t stream_end = int64_t(b.v.size());
    b.text(std::string(10000, '#'));  // more than one read-ahead block follows
    MemoryStream s = MemoryStream::View(b.v);
    ReadAll(b);
    TAll a;
    LoadComponentStream(s, a);
    EXPECT_EQ(s.Position(), stream_end);

    // After a failure in the middle of a value the position is where the reader stopped.
    Bytes bad = AllStream();
    bad.prop("Mode").ident("nosuchmode");
    const int64_t failed_at = int64_t(bad.v.size());
    bad.prop("Int").integer(1).end().end().text(std::string(5000, '#'));
    MemoryStream s2 = MemoryStream::View(bad.v);
    EXPECT_THROW(LoadComponentStream(s2, a), EReadError);
    EXPECT_EQ(s2.Position(), failed_at);
}

TEST(Reader, CountsLargerThanWhatIsLeftFailBeforeAllocating) {
    // Each count claims nearly 4 GiB while only a few bytes follow.
    const uint8_t tags[] = {TagBinary, TagLString, TagWString, TagUtf8String};
    for (uint8_t tag : tags) {
        for (const char* prop : {"Str", "Unknown"}) {
            if (tag == TagBinary && prop == std::string("Str")) continue;  // wrong kind for a string
            Bytes b = AllStream();
            b.prop(prop).u8(tag).u32(0xFFFFFFF0u).text("abc").end().end();
            EXPECT_EQ(ReadError(b), std::string("Error reading TAll.") + prop + ": Stream read error")
                << int(tag) << prop;
        }
    }
    // A wide string whose count doubled exceeds the rest by one byte.
    Bytes b = AllStream();
    b.prop("Str").u8(TagWString).u32(3).raw({'a', 0, 'b', 0, 'c'});
    EXPECT_EQ(ReadError(b), "Error reading TAll.Str: Stream read error");
}

TEST(Reader, DeepNestingIsSkippedWithoutExhaustingTheStack) {
    for (int depth : {20000, 90000}) {
        Bytes b = AllStream();
        b.prop("Deep");
        for (int i = 0; i < depth; ++i) b.u8(TagList);
        for (int i = 0; i < depth; ++i) b.end();
        b.prop("Nested");
        for (int i = 0; i < depth; ++i) b.u8(TagCollection).u8(TagList).prop("P");
        b.u8(TagNil);
        for (int i = 0; i < depth; ++i) b.end().end();
        b.prop("Int").integer(6).end().end();
        EXPECT_EQ(ReadAll(b).Int, 6) << depth;
    }
    // Beyond the bound the read fails cleanly.
    Bytes b = AllStream();
    b.prop("Deep");
    for (int i = 0; i < kMaxNesting + 2; ++i) b.u8(TagList);
    EXPECT_EQ(ReadError(b), "Error reading TAll.Deep: Stream nesting is too deep");
    // Children nested thousands deep as well.
    Bytes c = AllStream();
    c.end();
    for (int i = 0; i < 50000; ++i) c.sstr("TChild").sstr("").end();
    for (int i = 0; i < 50000; ++i) c.end();
    c.end();
    EXPECT_NO_THROW(ReadAll(c));
}

TEST(Reader, GenericPropertyAccessListsAncestorsFirst) {
    TAll a;
    a.Name = "n";
    a.Color = 0x80000008;
    const auto props = TAll::StaticClass().Properties();
    ASSERT_GE(props.size(), 3u);
    EXPECT_EQ(props[0]->name, "Name");
    EXPECT_EQ(props[1]->name, "Tag");
    EXPECT_EQ(std::get<std::string>(GetPropValue(a, *props[0])), "n");
    const PropInfo* color = TAll::StaticClass().FindProperty("COLOR");
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(std::get<int64_t>(GetPropValue(a, *color)), 0x80000008);
    EXPECT_EQ(IdentOf(ColorIdents(), 0x80000008), "clWindowText");
    EXPECT_EQ(IdentOf(ColorIdents(), 0x123456), "");
}

}  // namespace
}  // namespace scr
