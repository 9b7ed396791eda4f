// Trailer fields, locating data in a package file, picture items read by index, and sound and
// Flash items copied to (and removed from) the temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "base/os.h"
#include "jpeg_maker.h"
#include "package/errors.h"
#include "package/items.h"
#include "package/jpeg.h"
#include "stream_builder.h"

namespace scr {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// A directory of its own for each test, removed afterwards.
class ItemsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("scr-items-" + std::to_string(rd()));
        fs::create_directories(dir_ / "tmp");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p.string();
    }
    std::string Temp() const { return (dir_ / "tmp").string() + sys::PathSeparator(); }
    std::string Slurp(const std::string& name) const {
        std::ifstream in(dir_ / "tmp" / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_ / "tmp")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir_;
};

TEST(Trailer, FieldText) {
    struct Case {
        std::string text;
        int32_t value;
    };
    const Case cases[] = {
        {"18056091            ", 18056091}, {"            18056091", 18056091}, {"\t\r\n42\x01  ", 42},
        {"-17", -17},  {"+5", 5},   {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", 0},  {"99999999999999999999", 0}, {"12 34", 0}, {"abc", 0}, {"", 0}, {"-", 0},
        {"0x10", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToInt32Def0(c.text), c.value) << c.text;
}

// A package: a fake program image, two pictures, a sound, a Flash item, the settings, a trailer.
struct Package {
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> sound, flash;
    int64_t settings_at = 0;
};

Package MakePackage(int image_size = 1000, const std::string& sound_name = "song one.wav") {
    Package p;
    Bytes b;
    b.text(std::string(std::size_t(image_size), 'M'));
    const int64_t first = int64_t(b.v.size());
    b.append(test::PictureItem(test::MakeJpeg(5, 4)));
    const int64_t second = int64_t(b.v.size());
    b.append(test::PictureItem(test::MakeJpeg(7, 6, test::JpegKind::Grayscale)));
    const int64_t sound_at = int64_t(b.v.size());
    for (int i = 0; i < 9000; ++i) p.sound.push_back(uint8_t(i * 7));
    b.append(p.sound);
    const int64_t flash_at = int64_t(b.v.size());
    p.flash = {'F', 'W', 'S', 1, 2, 3};
    b.append(p.flash);
    p.settings_at = int64_t(b.v.size());
    Bytes s;
    s.header("TSSFileLocations").prop("Ver").str("photo");
    s.prop("PicCommaList").str(std::to_string(first) + "," + std::to_string(second));
    s.prop("SndCommaList").str(std::to_string(sound_at));
    s.prop("SndFileNamesCommaList").str(FormatCommaText({sound_name}));
    s.prop("SndSizesCommaList").str(std::to_string(p.sound.size()));
    s.prop("FlashCommaList").str(std::to_string(flash_at));
    s.prop("FlashFileNamesCommaList").str("movie.swf");
    s.prop("FlashSizesCommaList").str(std::to_string(p.flash.size()));
    s.end().end();
    b.append(s.v);
    const int64_t appended = int64_t(b.v.size()) - first;
    b.text(test::TrailerField(std::to_string(appended))).text(test::TrailerField(std::to_string(p.settings_at)));
    p.bytes = b.v;
    return p;
}

TEST_F(ItemsTest, TheThreeReadersFindTheirData) {
    const Package p = MakePackage();
    FileStream file = FileStream::OpenRead(Write("saver.scr", p.bytes));

    EXPECT_EQ(LocateFirstItem(file), 1000);
    auto first = LoadComponentStream(file);
    EXPECT_NE(dynamic_cast<TImage*>(first.get()), nullptr);

    EXPECT_EQ(LocateSettingsFromTrailer(file), p.settings_at);
    TSSFileLocations saver;
    LoadComponentStream(file, saver);
    EXPECT_EQ(file.Position(), int64_t(p.bytes.size()) - 40);
    EXPECT_EQ(saver.PicCount(), 2);

    EXPECT_EQ(LocateSettingsFromField2(file), p.settings_at);
    auto setup = LoadComponentStream(file);
    EXPECT_EQ(static_cast<TSSFileLocations&>(*setup).Ver, "photo");
}

TEST_F(ItemsTest, BrokenTrailersMakeTheFollowingReadFail) {
    struct Case {
        std::string field1, field2;
        const char* message;
    };
    const Case cases[] = {
        {"junk", "junk", "Invalid stream format"},        // both read as 0: start of the file
        {"99999", "99999999", "Stream read error"},       // before the start; past the end
    };
    for (const auto& c : cases) {
        Bytes b;
        b.text(std::string(100, 'M')).text(test::TrailerField(c.field1)).text(test::TrailerField(c.field2));
        FileStream file = FileStream::OpenRead(Write("broken.scr", b.v));
        for (auto locate : {&LocateFirstItem, &LocateSettingsFromTrailer, &LocateSettingsFromField2}) {
            locate(file);
            try {
                LoadComponentStream(file);
                ADD_FAILURE() << "no error";
            } catch (const EReadError& e) {
                EXPECT_STREQ(e.what(), c.message);
            }
        }
    }
    // Shorter than a trailer: the field cannot be read at all.
    FileStream tiny = FileStream::OpenRead(Write("tiny.scr", std::vector<uint8_t>(30, ' ')));
    EXPECT_THROW(LocateSettingsFromTrailer(tiny), EReadError);
}

TEST_F(ItemsTest, ReadPictureItemByIndex) {
    const Package p = MakePackage();
    const std::string path = Write("saver.scr", p.bytes);
    FileStream file = FileStream::OpenRead(path);
    LocateSettingsFromTrailer(file);
    TSSFileLocations s;
    LoadComponentStream(file, s);

    auto image = ReadPictureItem(path, s, 1);
    auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Width(), 7);
    EXPECT_TRUE(jpeg->Grayscale());
    EXPECT_THROW(ReadPictureItem(path, s, 2), Exception);

    // An entry that is not a number reads at the file's start and fails there.
    s.PicCommaList[0] = "x";
    try {
        ReadPictureItem(path, s, 0);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Invalid stream format");
    }
    // The settings stream is not a picture.
    s.PicCommaList[0] = std::to_string(p.settings_at);
    try {
        ReadPictureItem(path, s, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid class typecast");
    }
    const std::string missing = (dir_ / "missing.scr").string();
    try {
        ReadPictureItem(missing, s, 1);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + missing);
    }
}

TEST_F(ItemsTest, ExtractAndDelete) {
    const Package p = MakePackage();
    MemoryStream source = MemoryStream::View(p.bytes);
    TSSFileLocations s;
    LocateSettingsFromTrailer(source);
    LoadComponentStream(source, s);

    ExtractItems(source, s, Temp());
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"movie.swf", "song one.wav"}));
    EXPECT_EQ(Slurp("song one.wav"), std::string(p.sound.begin(), p.sound.end()));
    EXPECT_EQ(Slurp("movie.swf"), std::string(p.flash.begin(), p.flash.end()));

    DeleteExtractedItems(s, Temp());
    EXPECT_TRUE(TempFiles().empty());
    DeleteExtractedItems(s, Temp());  // nothing left: passed over silently
}

TEST_F(ItemsTest, ExtractionEdgeCases) {
    const Package p = MakePackage();
    MemoryStream source = MemoryStream::View(p.bytes);
    TSSFileLocations s;
    LocateSettingsFromTrailer(source);
    LoadComponentStream(source, s);
    const std::string sound_at = s.SndCommaList[0];

    // Size 0 gives an empty file; two items of one name leave the second's bytes.
    s.SndCommaList = {sound_at, std::to_string(p.settings_at - 6)};
    s.SndFileNamesCommaList = {"same.wav", "same.wav"};
    s.SndSizesCommaList = {"0", "6"};
    s.FlashCommaList.clear();
    ExtractItems(source, s, Temp());
    EXPECT_EQ(TempFiles(), std::vector<std::string>{"same.wav"});
    EXPECT_EQ(Slurp("same.wav"), std::string(p.flash.begin(), p.flash.end()));
    DeleteExtractedItems(s, Temp());

    // Three offsets, two sizes: two files written, the third created empty, then the error.
    s.SndCommaList = {sound_at, sound_at, sound_at};
    s.SndFileNamesCommaList = {"a.wav", "b.wav", "c.wav"};
    s.SndSizesCommaList = {"1", "2"};
    s.FlashCommaList = {sound_at};
    s.FlashFileNamesCommaList = {"never.swf"};
    s.FlashSizesCommaList = {"1"};
    try {
        ExtractItems(source, s, Temp());
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Index is out of bounds");
    }
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(Slurp("c.wav"), "");
    for (const char* n : {"a.wav", "b.wav", "c.wav"}) fs::remove(dir_ / "tmp" / n);

    // A negative size is refused; an item running past the end copies what there is, then fails.
    const struct {
        std::string offset, size;
    } bad[] = {{sound_at, "-5"}, {std::to_string(p.bytes.size() - 10), "100"}};
    for (const auto& c : bad) {
        s.SndCommaList = {c.offset};
        s.SndFileNamesCommaList = {"x.wav"};
        s.SndSizesCommaList = {c.size};
        s.FlashCommaList.clear();
        try {
            ExtractItems(source, s, Temp());
            FAIL();
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
    }
    EXPECT_EQ(Slurp("x.wav").size(), 10u);
}

TEST_F(ItemsTest, UnsafeItemNamesAreRefusedBeforeAnythingIsWritten) {
    const Package p = MakePackage();
    MemoryStream source = MemoryStream::View(p.bytes);
    TSSFileLocations s;
    LocateSettingsFromTrailer(source);
    LoadComponentStream(source, s);
    const std::string outside = (dir_ / "victim.txt").string();
    std::ofstream(outside) << "keep";
    const char* names[] = {"", ".", "..", "../victim.txt", "..\\victim.txt", "sub/x.wav", "C:x.wav",
                           "a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "tab\there", "bell\x07"};
    for (const char* name : names) {
        s.FlashFileNamesCommaList = {name};
        try {
            ExtractItems(source, s, Temp());
            ADD_FAILURE() << name;
        } catch (const Exception& e) {
            EXPECT_EQ(e.what(), "Invalid item file name \"" + std::string(name) + "\"");
        }
        EXPECT_TRUE(TempFiles().empty()) << name;  // not even the valid sound was written
        EXPECT_THROW(DeleteExtractedItems(s, Temp()), Exception);
    }
    EXPECT_TRUE(fs::exists(outside));
    for (const char* ok : {"song.mp3", "a b.wav", "\xE9t\xE9.wav", ".hidden", "x.y.z"})
        EXPECT_TRUE(IsSafeItemFileName(ok)) << ok;
}

TEST(Paths, JoinPathAddsExactlyOneSeparator) {
    const char sep = sys::PathSeparator();
    const std::string s(1, sep);
    EXPECT_EQ(JoinPath("dir", "f.wav"), "dir" + s + "f.wav");
    EXPECT_EQ(JoinPath("dir" + s, "f.wav"), "dir" + s + "f.wav");
    const std::string temp = GetTempDir();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), sep);
    EXPECT_EQ(JoinPath(temp, "x"), temp + "x");
}

}  // namespace
}  // namespace scr
