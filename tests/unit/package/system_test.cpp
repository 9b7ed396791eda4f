// The system services as the package layer relies on them: files, the ANSI code page and the
// file-name rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/os.h"
#include "package/errors.h"

namespace scr {
namespace {

TEST(System, FileWriteSeekReadAndErrors) {
    namespace fs = std::filesystem;
    const std::string path = (fs::temp_directory_path() / ("scr-sys-" + std::to_string(std::random_device()()))).string();
    {
        sys::File f = sys::File::Create(path);
        EXPECT_EQ(f.write("0123456789", 10), 10);
        EXPECT_EQ(f.size(), 10);
    }
    {
        sys::File f = sys::File::OpenRead(path);
        EXPECT_EQ(f.seek(-4, sys::SeekOrigin::End), 6);
        char buf[8] = {};
        EXPECT_EQ(f.read(buf, 8), 4);
        EXPECT_STREQ(buf, "6789");
        EXPECT_EQ(f.read(buf, 8), 0);
        EXPECT_EQ(f.position(), 10);
        sys::File moved = std::move(f);
        EXPECT_FALSE(f.is_open());
        EXPECT_TRUE(moved.is_open());
    }
    EXPECT_TRUE(sys::RemoveFile(path));
    EXPECT_FALSE(sys::RemoveFile(path));
    try {
        sys::File::OpenRead(path);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.what(), "Cannot open file " + path);
    }
    const std::string bad = path + "/no/such/dir/x";
    try {
        sys::File::Create(bad);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.what(), "Cannot create file " + bad);
    }
}

TEST(System, CodePageConversions) {
    // The round trip through UTF-8 keeps every byte of the code page that has a character.
    for (int b = 1; b < 256; ++b) {
        const std::string ansi(1, char(b));
        EXPECT_EQ(sys::Utf8ToAnsi(sys::AnsiToUtf8(ansi)), ansi) << b;
    }
    EXPECT_EQ(sys::AnsiToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(sys::Utf8ToAnsi("\xE4\xB8\x80"), "?");       // no such character in the code page
    EXPECT_EQ(sys::Utf16ToAnsi(u"\u20AC\u00FF\u4E00"), "\x80\xFF?");
    EXPECT_EQ(sys::Utf16ToAnsi(u"A"), "A");
}

TEST(System, FileNameCharacters) {
    for (char c : std::string("<>:\"/\\|?*\t\x01")) EXPECT_FALSE(sys::IsFileNameChar(uint8_t(c))) << int(c);
    for (char c : std::string("aZ09 .-_()~\xE9")) EXPECT_TRUE(sys::IsFileNameChar(uint8_t(c))) << int(c);
    EXPECT_FALSE(sys::IsFileNameChar(0));
    EXPECT_GT(sys::ScreenPixelsPerInch(), 0);
}

}  // namespace
}  // namespace scr
