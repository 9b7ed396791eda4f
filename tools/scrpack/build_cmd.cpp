// scrpack build: settings from a manifest and the command line, items from files, one saver.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <mutex>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/geometry.h"
#include "base/os.h"
#include "package/errors.h"
#include "package/settings.h"
#include "package/writer.h"
#include "pictures.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kBuildUsage[] = R"(Usage: scrpack build --stub FILE --output FILE [OPTION...] [--] [PICTURE...]

Writes a saver: the stub program, then the pictures, sounds and Flash items back
to back, the settings record and the trailer. Pictures are JPEG files (natively
also PNG, WebP and HEIC/HEIF), or folders of them; each is turned upright by its
EXIF orientation and scaled down to fit the --fit box, and one that already fits
and stands upright is stored byte for byte. The build stops at the first picture
that cannot be read, naming it, and no output is left behind.
)";

const char kBuildNotes[] = R"(BOOL is true/false, yes/no, on/off or 1/0; a bare flag means true.
Items are stored under their file names without the directory; sound and Flash
names must be plain Windows file names (no separators, colons, <>"|?*, control
characters, trailing dots or blanks, or device names such as CON).

Manifest: a UTF-8 text file of "key = value" lines. Blank lines and lines
starting with # or ; are ignored. Keys are the long option names without the
dashes (font options also as font.name, font.size, ..., and the settings'
property names such as Interval or TextFont.Name); picture, sound, flash and
description may repeat. A value may be put in double quotes to keep leading or
trailing blanks. Relative paths are taken from the manifest's directory.
Example:
    stub = saver.scr
    output = holiday.scr
    title = Holiday 2024
    interval = 6000
    font.name = Arial
    font.size = 14
    font.color = clWhite
    picture = photos/beach.jpg
    picture = photos/harbour.jpg
    sound = music/waves.mp3

Text is stored in the Windows ANSI code page (Windows-1252 on other systems);
a character it cannot hold is an error.

Exit status: 0 written, 1 an input file could not be used, 2 bad usage.
)";

struct BuildState {
    std::string stub, output;
    std::vector<std::string> pictures, sounds, flash;  // native paths
    scr::TSSFileLocations settings;
    scr::imaging::PrepareOptions prepare;
    Order order = Order::AsGiven;
    int jobs = int(std::max(1u, std::thread::hardware_concurrency()));
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Keys of the manifest and option names, folded to one spelling: lower case, with '-' for
// '.' and '_'.
std::string fold(std::string_view key) {
    std::string k = lower(key);
    std::replace(k.begin(), k.end(), '.', '-');
    std::replace(k.begin(), k.end(), '_', '-');
    return k;
}

bool parse_bool(std::string_view key, std::string_view v) {
    std::string s = lower(v);
    if (s == "true" || s == "yes" || s == "on" || s == "1") return true;
    if (s == "false" || s == "no" || s == "off" || s == "0") return false;
    throw UsageError(std::string(key) + ": expected true or false, not \"" + std::string(v) + "\"");
}

// A whole decimal or hexadecimal (0x, $) number; nullopt when the text is anything else.
std::optional<int64_t> parse_number(std::string_view v) {
    bool negative = !v.empty() && v[0] == '-';
    if (negative) v.remove_prefix(1);
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        v.remove_prefix(2);
        base = 16;
    } else if (v.size() > 1 && v[0] == '$') {
        v.remove_prefix(1);
        base = 16;
    }
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, base);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size() || n > 0xFFFFFFFFull) return std::nullopt;
    return negative ? -int64_t(n) : int64_t(n);
}

int32_t parse_int32(std::string_view key, std::string_view v) {
    auto n = parse_number(v);
    if (!n || *n < INT32_MIN || *n > INT32_MAX)
        throw UsageError(std::string(key) + ": expected a 32-bit integer, not \"" + std::string(v) + "\"");
    return int32_t(*n);
}

uint32_t parse_color(std::string_view key, std::string_view v) {
    int64_t value = 0;
    if (scr::ValueOf(scr::ColorIdents(), v, value)) return uint32_t(value);
    auto n = parse_number(v);
    if (!n || *n < INT32_MIN || *n > int64_t(UINT32_MAX))
        throw UsageError(std::string(key) + ": expected a colour name such as clWhite or a number, not \"" +
                         std::string(v) + "\"");
    return uint32_t(*n);
}

uint8_t parse_charset(std::string_view key, std::string_view v) {
    int64_t value = 0;
    if (scr::ValueOf(scr::CharsetIdents(), v, value)) return uint8_t(value);
    auto n = parse_number(v);
    if (!n || *n < 0 || *n > 255)
        throw UsageError(std::string(key) + ": expected a charset name or 0 to 255, not \"" + std::string(v) + "\"");
    return uint8_t(*n);
}

uint32_t parse_style(std::string_view key, std::string_view v) {
    uint32_t style = 0;
    std::string word;
    auto flush = [&] {
        if (word.empty()) return;
        std::string w = lower(word);
        if (w.rfind("fs", 0) == 0) w = w.substr(2);
        if (w == "bold") style |= scr::fsBold;
        else if (w == "italic") style |= scr::fsItalic;
        else if (w == "underline") style |= scr::fsUnderline;
        else if (w == "strikeout") style |= scr::fsStrikeOut;
        else throw UsageError(std::string(key) + ": unknown style \"" + word + "\"");
        word.clear();
    };
    for (char c : v) {
        if (c == ',' || c == ' ' || c == '+' || c == '[' || c == ']' || c == '\t') flush();
        else word += c;
    }
    flush();
    return style;
}

scr::TFontPitch parse_pitch(std::string_view key, std::string_view v) {
    std::string p = lower(v);
    if (p.rfind("fp", 0) == 0) p = p.substr(2);
    if (p == "default") return scr::fpDefault;
    if (p == "variable") return scr::fpVariable;
    if (p == "fixed") return scr::fpFixed;
    throw UsageError(std::string(key) + ": expected fpDefault, fpVariable or fpFixed, not \"" + std::string(v) + "\"");
}

// --- The options ------------------------------------------------------------------------
// One table gives the command line's options, the manifest's keys and the help text.

enum class ValueKind {
    Path, Text, Integer, Flag, Points, Color, Charset, Styles, Pitch, Manifest,
    Box,      // WxH, or none
    Quality,  // 1 to 100
    Jobs,     // 1 to 256
    Order,    // name, date or as-given
};

struct Value {
    std::string text;  // Path: a native path; Text: ANSI text
    int64_t number = 0;
    std::optional<scr::imaging::Size> box;
};

enum class Section { Files, Pictures, Settings };

struct Option {
    std::string_view name;     // the long option and the manifest key
    char short_name;           // 0: none
    std::string_view aliases;  // more manifest keys, separated by blanks
    ValueKind kind;
    std::string_view arg;      // what the help calls the value
    Section section;
    std::string_view help;     // may run over several lines
    void (*set)(BuildState&, const Value&);
};

#define SCR_SET(expr) [](BuildState& st, const Value& v) { expr; }

const Option kOptions[] = {
    {"stub", 's', "", ValueKind::Path, "FILE", Section::Files,
     "the saver program that the package is appended to", SCR_SET(st.stub = v.text)},
    {"output", 'o', "", ValueKind::Path, "FILE", Section::Files,
     "the saver to write (replaced when it exists)", SCR_SET(st.output = v.text)},
    {"manifest", 'm', "", ValueKind::Manifest, "FILE", Section::Files,
     "read settings and items from FILE first (format below)", nullptr},
    {"picture", 'p', "", ValueKind::Path, "FILE", Section::Files,
     "a picture, or a folder of them; bare arguments are pictures too", SCR_SET(st.pictures.push_back(v.text))},
    {"sound", 0, "", ValueKind::Path, "FILE", Section::Files, "a background sound",
     SCR_SET(st.sounds.push_back(v.text))},
    {"flash", 0, "", ValueKind::Path, "FILE", Section::Files,
     "a Flash movie, or the presentation file in powerpoint mode", SCR_SET(st.flash.push_back(v.text))},
    {"fit", 0, "", ValueKind::Box, "WxH", Section::Pictures,
     "scale pictures larger than WxH down to fit inside it, keeping\ntheir shape (default 1920x1080); none: keep their size",
     SCR_SET(st.prepare.fit = v.box)},
    {"quality", 0, "", ValueKind::Quality, "Q", Section::Pictures,
     "JPEG quality of the pictures encoded anew, 1 to 100 (default 92)",
     SCR_SET(st.prepare.quality = int(v.number))},
    {"order", 0, "", ValueKind::Order, "ORDER", Section::Pictures,
     "as-given (default), name (by file name) or date (when taken,\nfrom the EXIF data, else the file's time)",
     SCR_SET(st.order = Order(v.number))},
    {"jobs", 'j', "", ValueKind::Jobs, "N", Section::Pictures,
     "prepare N pictures at a time (default: the number of cores)", SCR_SET(st.jobs = int(v.number))},
    {"mode", 0, "Ver", ValueKind::Text, "MODE", Section::Settings, "photo (default), flash or powerpoint",
     SCR_SET(st.settings.Ver = v.text)},
    {"text", 0, "", ValueKind::Text, "TEXT", Section::Settings, "caption drawn over the pictures",
     SCR_SET(st.settings.Text = v.text)},
    {"title", 0, "", ValueKind::Text, "TEXT", Section::Settings, "title in the setup dialog",
     SCR_SET(st.settings.Title = v.text)},
    {"author", 0, "", ValueKind::Text, "TEXT", Section::Settings, "author in the setup dialog",
     SCR_SET(st.settings.Author = v.text)},
    {"email", 0, "", ValueKind::Text, "TEXT", Section::Settings, "e-mail address in the setup dialog",
     SCR_SET(st.settings.Email = v.text)},
    {"web", 0, "", ValueKind::Text, "TEXT", Section::Settings, "web address in the setup dialog",
     SCR_SET(st.settings.Web = v.text)},
    {"description", 0, "", ValueKind::Text, "LINE", Section::Settings, "one description line (repeatable)",
     SCR_SET(st.settings.DescriptCommaList.push_back(v.text))},
    {"interval", 0, "", ValueKind::Integer, "MS", Section::Settings,
     "time between pictures in milliseconds (default 5000)", SCR_SET(st.settings.Interval = int32_t(v.number))},
    {"sound-random", 0, "SoundRandom", ValueKind::Integer, "N", Section::Settings,
     "2: a random sound each time; 3: one random sound,\nrepeated; anything else: list order (default 0)",
     SCR_SET(st.settings.SoundRandom = int32_t(v.number))},
    {"random-pic", 0, "lRandomPic", ValueKind::Flag, "", Section::Settings, "pictures in random order",
     SCR_SET(st.settings.lRandomPic = v.number != 0)},
    {"random-style", 0, "lRandomStyle", ValueKind::Flag, "", Section::Settings,
     "transition styles in random order", SCR_SET(st.settings.lRandomStyle = v.number != 0)},
    {"clear-old-image", 0, "lClearOldImage", ValueKind::Flag, "", Section::Settings,
     "the saver's clear-old-image setting", SCR_SET(st.settings.lClearOldImage = v.number != 0)},
    {"sound-loop", 0, "lSoundLoop", ValueKind::Flag, "", Section::Settings, "the saver's sound-loop setting",
     SCR_SET(st.settings.lSoundLoop = v.number != 0)},
    {"mute", 0, "lMute", ValueKind::Flag, "", Section::Settings,
     "no background sound unless the user turns it on", SCR_SET(st.settings.lMute = v.number != 0)},
    {"font-name", 0, "TextFont.Name", ValueKind::Text, "NAME", Section::Settings,
     "caption font (default MS Sans Serif)", SCR_SET(st.settings.TextFont.Name = v.text)},
    {"font-height", 0, "TextFont.Height", ValueKind::Integer, "N", Section::Settings,
     "Windows font height; negative: character height in pixels",
     SCR_SET(st.settings.TextFont.Height = int32_t(v.number))},
    {"font-size", 0, "TextFont.Size", ValueKind::Points, "POINTS", Section::Settings,
     "sets the height for 96 pixels per inch (default 8)",
     SCR_SET(st.settings.TextFont.Height = scr::FontHeightFromPoints(int(v.number), 96))},
    {"font-color", 0, "TextFont.Color font-colour", ValueKind::Color, "COLOUR", Section::Settings,
     "a name such as clWhite, or a number (0x00BBGGRR)", SCR_SET(st.settings.TextFont.Color = uint32_t(v.number))},
    {"font-charset", 0, "TextFont.Charset", ValueKind::Charset, "CHARSET", Section::Settings,
     "a name such as DEFAULT_CHARSET, or 0 to 255", SCR_SET(st.settings.TextFont.Charset = uint8_t(v.number))},
    {"font-style", 0, "TextFont.Style", ValueKind::Styles, "STYLES", Section::Settings,
     "any of bold, italic, underline, strikeout (fsBold...),\nseparated by commas or blanks",
     SCR_SET(st.settings.TextFont.Style = uint32_t(v.number))},
    {"font-pitch", 0, "TextFont.Pitch", ValueKind::Pitch, "PITCH", Section::Settings,
     "fpDefault, fpVariable or fpFixed", SCR_SET(st.settings.TextFont.Pitch = scr::TFontPitch(v.number))},
};

#undef SCR_SET

// The option that a key or option name stands for, or nullptr.
const Option* find_option(std::string_view key) {
    const std::string k = fold(key);
    for (const Option& o : kOptions) {
        if (k == o.name) return &o;
        std::string_view rest = o.aliases;
        while (!rest.empty()) {
            const std::size_t blank = rest.find(' ');
            if (k == fold(rest.substr(0, blank))) return &o;
            rest = blank == std::string_view::npos ? std::string_view{} : rest.substr(blank + 1);
        }
    }
    return nullptr;
}

const Option* find_short_option(char c) {
    for (const Option& o : kOptions)
        if (o.short_name && o.short_name == c) return &o;
    return nullptr;
}

std::string help_text() {
    constexpr std::size_t kColumn = 27;
    std::string out = kBuildUsage;
    static constexpr std::pair<Section, std::string_view> kSections[] = {
        {Section::Files, "Files:"},
        {Section::Pictures, "Pictures:"},
        {Section::Settings, "Settings (later values replace earlier ones; descriptions add up):"},
    };
    for (const auto& [section, title] : kSections) {
        out += "\n" + std::string(title) + "\n";
        for (const Option& o : kOptions) {
            if (o.section != section) continue;
            std::string left = o.short_name ? std::string("  -") + o.short_name + ", " : std::string(6, ' ');
            left += "--" + std::string(o.name);
            if (o.kind == ValueKind::Flag) left += "[=BOOL]";
            else left += " " + std::string(o.arg);
            std::string_view help = o.help;
            bool first = true;
            while (true) {
                const std::size_t nl = help.find('\n');
                const std::string_view line = help.substr(0, nl);
                if (first && left.size() + 1 < kColumn) {
                    out += left + std::string(kColumn - left.size(), ' ');
                } else {
                    if (first) out += left + "\n";
                    out += std::string(kColumn, ' ');
                }
                out += std::string(line) + "\n";
                first = false;
                if (nl == std::string_view::npos) break;
                help.remove_prefix(nl + 1);
            }
        }
    }
    return out + "\n" + kBuildNotes;
}

// Sets one option from its raw value. `text` gives the value as ANSI text and `path` as a
// native path; each is asked only by the options of its kind, since a path need not be
// expressible in the ANSI code page.
void apply(BuildState& st, const Option& option, std::string_view raw, const std::function<std::string()>& text,
           const std::function<std::string()>& path) {
    const std::string key(option.name);
    Value v;
    switch (option.kind) {
    case ValueKind::Path: v.text = path(); break;
    case ValueKind::Text: v.text = text(); break;
    case ValueKind::Integer: v.number = parse_int32(key, raw); break;
    case ValueKind::Flag: v.number = parse_bool(key, raw); break;
    case ValueKind::Points: {
        v.number = parse_int32(key, raw);
        // The height, and its negation, must stay 32-bit numbers.
        if ((v.number < 0 ? -v.number : v.number) * 96 > int64_t(INT32_MAX) * 72)
            throw UsageError(key + ": out of range");
        break;
    }
    case ValueKind::Color: v.number = parse_color(key, raw); break;
    case ValueKind::Charset: v.number = parse_charset(key, raw); break;
    case ValueKind::Styles: v.number = parse_style(key, raw); break;
    case ValueKind::Pitch: v.number = parse_pitch(key, raw); break;
    case ValueKind::Manifest: throw UsageError("a manifest cannot include another");
    case ValueKind::Box:
        if (lower(raw) != "none" && !(v.box = ParseBox(raw)))
            throw UsageError(key + ": expected WxH (such as 1920x1080) or none, not \"" + std::string(raw) + "\"");
        break;
    case ValueKind::Quality:
    case ValueKind::Jobs: {
        v.number = parse_int32(key, raw);
        const int64_t most = option.kind == ValueKind::Quality ? 100 : 256;
        if (v.number < 1 || v.number > most)
            throw UsageError(key + ": expected 1 to " + std::to_string(most) + ", not \"" + std::string(raw) + "\"");
        break;
    }
    case ValueKind::Order: {
        static constexpr std::pair<std::string_view, Order> kOrders[] = {
            {"as-given", Order::AsGiven}, {"name", Order::Name}, {"date", Order::Date}};
        const auto it = std::find_if(std::begin(kOrders), std::end(kOrders),
                                     [&](const auto& o) { return o.first == lower(raw); });
        if (it == std::end(kOrders))
            throw UsageError(key + ": expected name, date or as-given, not \"" + std::string(raw) + "\"");
        v.number = int64_t(it->second);
        break;
    }
    }
    option.set(st, v);
}

std::string dir_of(std::string_view path) { return std::string(path.substr(0, BaseNameStart(path))); }

std::string trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r')) --b;
    return std::string(s.substr(a, b - a));
}

void read_manifest(BuildState& st, const std::string& manifest_path) {
    std::ifstream in(manifest_path, std::ios::binary);
    if (!in) throw UsageError("Cannot open manifest " + manifest_path);
    const std::string base = dir_of(manifest_path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // UTF-8 mark
        std::string t = trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';') continue;
        auto where = [&] { return manifest_path + ":" + std::to_string(number) + ": "; };
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) throw UsageError(where() + "expected key = value");
        const std::string key = trim(t.substr(0, eq));
        std::string value = trim(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        try {
            const Option* option = find_option(key);
            if (!option) throw UsageError("unknown key \"" + fold(key) + "\"");
            const std::string name(option->name);
            auto text = [&] { return Utf8ToAnsiExact(value, name); };
            auto path = [&] {
                if (value.empty()) throw UsageError(name + ": empty path");
                std::string native = Utf8ToNativePath(value);
                return IsAbsoluteNative(native) ? native : base + native;
            };
            apply(st, *option, value, text, path);
        } catch (const UsageError& e) {
            throw UsageError(where() + e.what());
        }
    }
}

// The saver plays sounds through the system's media devices, which know WAV, MP3 and MIDI.
void warn_about_sounds(const std::vector<std::string>& sounds, std::ostream& err) {
    for (const std::string& path : sounds) {
        uint8_t head[12] = {};
        int64_t got = 0;
        try {
            got = scr::sys::File::OpenRead(path).read(head, sizeof head);
        } catch (const scr::EStreamError&) {
            continue;  // named when it is packed
        }
        if (!IsKnownSound({head, std::size_t(std::max<int64_t>(got, 0))}))
            err << "scrpack: warning: " << path
                << " is not a WAV, MP3 or MIDI sound by its content; the saver may not play it\n";
    }
}

bool stderr_is_terminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr));
#else
    return isatty(STDERR_FILENO);
#endif
}

}  // namespace

int BuildCommand(const Args& args, std::ostream& out, std::ostream& err) {
    BuildState st;
    // The tool's own defaults where the record's initial values would make no show.
    st.settings.Ver = "photo";
    st.settings.Interval = 5000;

    // Options are split first, so the manifest can be read before the rest applies.
    std::vector<std::pair<const Option*, std::optional<std::string>>> options;
    const Option* const picture = find_option("picture");
    std::string manifest;
    bool only_pictures = false;  // after "--", every argument is a picture
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!only_pictures && (a == "-h" || a == "--help")) {
            out << help_text();
            return kExitOk;
        }
        if (!only_pictures && a == "--") {
            only_pictures = true;
            continue;
        }
        if (only_pictures || a.size() < 2 || a[0] != '-') {
            options.emplace_back(picture, a);
            continue;
        }
        const Option* option = nullptr;
        std::optional<std::string> value;
        if (a.rfind("--", 0) == 0) {
            std::size_t eq = a.find('=');
            const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            option = find_option(name);
            if (!option) throw UsageError("unknown option --" + fold(name));
            if (eq != std::string::npos) value = a.substr(eq + 1);
        } else if (a.size() == 2) {
            option = find_short_option(a[1]);
        }
        if (!option) throw UsageError("unknown option " + a);
        if (!value && option->kind != ValueKind::Flag) {
            if (i + 1 >= args.size()) throw UsageError("option " + a + " needs a value");
            value = args[++i];
        }
        if (option->kind == ValueKind::Manifest) {
            if (!manifest.empty()) throw UsageError("only one manifest may be given");
            manifest = *value;
        } else {
            options.emplace_back(option, value);
        }
    }

    if (!manifest.empty()) read_manifest(st, manifest);
    for (const auto& [option, value] : options) {
        const std::string name(option->name);
        const std::string raw = value.value_or("true");
        auto path = [&] {
            if (raw.empty()) throw UsageError(name + ": empty path");
            return raw;
        };
        auto text = [&] { return ArgToAnsi(raw, name); };
        apply(st, *option, raw, text, path);
    }
    if (st.stub.empty()) throw UsageError("no stub program given (--stub)");
    if (st.output.empty()) throw UsageError("no output file given (--output)");
    if (st.pictures.empty() && st.flash.empty()) throw UsageError("no pictures or Flash items given");
    const std::string& ver = st.settings.Ver;
    if (ver != "photo" && ver != "flash" && ver != "powerpoint")
        err << "scrpack: warning: mode \"" << AnsiToNativeName(ver)
            << "\" is none of photo, flash, powerpoint; the saver will show nothing\n";
    else if (ver == "photo" && st.pictures.empty())
        err << "scrpack: warning: a photo show without pictures\n";
    else if (ver != "photo" && st.flash.empty())
        err << "scrpack: warning: mode " << ver << " without Flash or presentation items\n";

    // Folders stand for their picture files; then the show order.
    std::vector<std::string> pictures;
    for (const std::string& p : st.pictures) {
        if (!IsFolder(p)) {
            pictures.push_back(p);
            continue;
        }
        std::vector<std::string> inside = PicturesInFolder(p);
        if (inside.empty()) err << "scrpack: warning: no pictures in the folder " << p << '\n';
        pictures.insert(pictures.end(), inside.begin(), inside.end());
    }
    SortPictures(pictures, st.order);
    if (pictures.empty() && !st.pictures.empty() && st.flash.empty()) throw UsageError("no pictures or Flash items given");
    warn_about_sounds(st.sounds, err);

    scr::PackageInput input;
    input.stub_path = st.stub;
    auto items = [](const std::vector<std::string>& paths, bool exact) {
        std::vector<scr::PackageItemFile> list;
        for (const std::string& p : paths) list.push_back({p, StoredBaseName(p, exact)});
        return list;
    };
    // Picture names are only carried along, so a character the code page lacks becomes '?';
    // sound and Flash names become files on extraction and must survive exactly.
    input.pictures = items(pictures, false);
    input.sounds = items(st.sounds, true);
    input.flash = items(st.flash, true);

    // Progress only on a terminal, and only once preparing has taken more than a moment.
    const bool terminal = stderr_is_terminal();
    const auto start = std::chrono::steady_clock::now();
    std::mutex progress_mutex;
    bool shown = false;
    auto last = start;
    auto progress = [&](std::size_t done, std::size_t total) {
        if (!terminal) return;
        std::lock_guard lock(progress_mutex);
        const auto now = std::chrono::steady_clock::now();
        if (!shown && now - start < std::chrono::milliseconds(300)) return;
        // A few updates a second, and always the last one.
        if (shown && done < total && now - last < std::chrono::milliseconds(100)) return;
        shown = true;
        last = now;
        std::fprintf(stderr, "\rscrpack: %zu of %zu pictures ready", done, total);
        std::fflush(stderr);
    };
    std::size_t counts[3] = {};
    try {
        PicturePreparer preparer(pictures, st.prepare, st.jobs, progress);
        input.picture_source = [&](std::size_t i) {
            scr::imaging::PreparedPicture p = preparer.take(i);
            ++counts[int(p.how)];
            return std::move(p.jpeg);
        };
        scr::build_package(input, st.settings, st.output);
    } catch (...) {
        if (shown) std::fputc('\n', stderr);
        throw;
    }
    if (shown) std::fputc('\n', stderr);
    out << "scrpack: wrote " << st.output << ": " << input.pictures.size() << " pictures, "
        << input.sounds.size() << " sounds, " << input.flash.size() << " Flash items\n";
    if (!pictures.empty())
        out << "scrpack: pictures: " << counts[int(scr::imaging::Preparation::Kept)] << " kept as they were, "
            << counts[int(scr::imaging::Preparation::Transformed)] << " turned upright without re-encoding, "
            << counts[int(scr::imaging::Preparation::Encoded)] << " encoded anew\n";
    return kExitOk;
}

}  // namespace scrpack
