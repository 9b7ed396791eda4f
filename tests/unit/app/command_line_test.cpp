#include "app/command_line.h"
#include "gui/services.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace scr {
namespace {

struct ModeCase {
    const char* argument;  // as typed; the entry upper-cases it before the tests
    uint8_t mode;
};

TEST(SelectRunMode, EveryFormOfTheSwitches) {
    const ModeCase cases[] = {
        {"", kConfigure},          {"/c", kConfigure},         {"/c:5678", kConfigure},
        {"-C", kConfigure},        {"c", kConfigure},          {"Configure", kConfigure},
        {"/p", kPreview},          {"/PREVIEW", kPreview},     {"-p", kPreview},
        {"p", kPreview},           {"Pxyz", kPreview},         {"/a", kChangePassword},
        {"-a", kChangePassword},   {"a", kChangePassword},     {"/A:12", kChangePassword},
        {"/s", kScreenSaver},      {"-S", kScreenSaver},       {"S", kScreenSaver},
        {"/X", kScreenSaver},      {"/saver", kScreenSaver},   {"/", kScreenSaver},
        {"-", kScreenSaver},       {"//p", kScreenSaver},      {"x/p", kScreenSaver},
        {" /p", kScreenSaver},     {"\xe1", kScreenSaver},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SelectRunMode(AsciiUpper(c.argument)), c.mode) << '"' << c.argument << '"';
    }
}

TEST(SelectRunMode, UnmatchedArgumentKeepsTheCurrentMode) {
    EXPECT_EQ(SelectRunMode("/S", kPreview), kPreview);
    EXPECT_EQ(SelectRunMode("", kPreview), kConfigure);
}

TEST(AsciiUpper, OnlyAsciiLettersChange) {
    EXPECT_EQ(AsciiUpper("/preview:az{}`"), "/PREVIEW:AZ{}`");
    // Code-page letters (0xE9, 0xFF) are not ASCII and stay as they are.
    EXPECT_EQ(AsciiUpper("\xe9\xff"), "\xe9\xff");
}

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"saver.scr", {"saver.scr"}},
        {"\"C:\\Program Files\\my saver.scr\" /p 5678", {"C:\\Program Files\\my saver.scr", "/p", "5678"}},
        {"saver.scr\t/c:1234  ", {"saver.scr", "/c:1234"}},
        {"a b\"c d\"e f", {"a", "bc de", "f"}},
        {"a \"\" b", {"a", "", "b"}},
        {"a \"unterminated quote", {"a", "unterminated quote"}},
        {"a\\\"b", {"a\\b"}},  // backslashes are ordinary characters
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(ParseWindowHandle, StrictDecimalWithin32Bits) {
    struct Case {
        const char* text;
        std::optional<std::intptr_t> handle;  // empty: must throw
    } cases[] = {
        {"5678", 5678},
        {"0", 0},
        {"+12", 12},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"-2147483648", std::intptr_t(std::numeric_limits<int32_t>::min())},
        // An unsigned 32-bit handle is the same handle sign-extended.
        {"4294967295", -1},
        {"", std::nullopt},
        {"ABC", std::nullopt},
        {"12a", std::nullopt},
        {" 12", std::nullopt},
        {"12 ", std::nullopt},
        {"-", std::nullopt},
        {"0x10", std::nullopt},
        {"4294967296", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.handle) {
            EXPECT_EQ(ParseWindowHandle(c.text), *c.handle) << c.text;
        } else {
            EXPECT_THROW(ParseWindowHandle(c.text), EConvertError) << c.text;
        }
    }
}

TEST(InstanceSemaphoreName, FileNamePartOfTheModulePath) {
    EXPECT_EQ(InstanceSemaphoreName("C:\\Windows\\Example.scr"), "Example.scrSemaphore");
    EXPECT_EQ(InstanceSemaphoreName("Z:\\a b\\c\\My Saver.SCR"), "My Saver.SCRSemaphore");
    EXPECT_EQ(InstanceSemaphoreName("D:saver.scr"), "saver.scrSemaphore");
    EXPECT_EQ(InstanceSemaphoreName("saver.scr"), "saver.scrSemaphore");
}

TEST(SystemLibraryPath, OneBackslashBetweenDirectoryAndName) {
    EXPECT_EQ(SystemLibraryPath("C:\\Windows\\system32", "MPR.DLL"), "C:\\Windows\\system32\\MPR.DLL");
    EXPECT_EQ(SystemLibraryPath("C:\\", "MPR.DLL"), "C:\\MPR.DLL");
    EXPECT_EQ(SystemLibraryPath("", "MPR.DLL"), "MPR.DLL");
}

}  // namespace
}  // namespace scr
