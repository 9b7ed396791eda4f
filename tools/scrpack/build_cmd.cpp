// scrpack build: settings from a manifest and the command line, items from files, one saver.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "package/errors.h"
#include "package/settings.h"
#include "package/writer.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kBuildHelp[] = R"(Usage: scrpack build --stub FILE --output FILE [OPTION...] [--] [PICTURE...]

Writes a saver: the stub program, then the pictures, sounds and Flash items back
to back, the settings record and the trailer. Every picture must be a readable
JPEG file; the build stops at the first one that is not, naming it, and no
output is left behind.

Files:
  -s, --stub FILE         the saver program that the package is appended to
  -o, --output FILE       the saver to write (replaced when it exists)
  -m, --manifest FILE     read settings and items from FILE first (format below)
  -p, --picture FILE      a JPEG picture; bare arguments are pictures too
      --sound FILE        a background sound
      --flash FILE        a Flash movie, or the presentation file in powerpoint mode
Items are stored under their file names without the directory; sound and Flash
names must be plain Windows file names (no separators, colons, <>"|?*, control
characters, trailing dots or blanks, or device names such as CON).

Settings (later values replace earlier ones; descriptions add up):
      --mode MODE            photo (default), flash or powerpoint
      --text TEXT            caption drawn over the pictures
      --title TEXT, --author TEXT, --email TEXT, --web TEXT
      --description LINE     one description line (repeatable)
      --interval MS          time between pictures in milliseconds (default 5000)
      --sound-random N       2: a random sound each time; 3: one random sound,
                             repeated; anything else: list order (default 0)
      --random-pic[=BOOL]    pictures in random order
      --random-style[=BOOL]  transition styles in random order
      --clear-old-image[=BOOL]
      --sound-loop[=BOOL]
      --mute[=BOOL]          no background sound unless the user turns it on
      --font-name NAME       caption font (default MS Sans Serif)
      --font-height N        Windows font height; negative: character height in pixels
      --font-size POINTS     sets the height for 96 pixels per inch (default 8)
      --font-color COLOUR    a name such as clWhite, or a number (0x00BBGGRR)
      --font-charset CHARSET a name such as DEFAULT_CHARSET, or 0 to 255
      --font-style STYLES    any of bold, italic, underline, strikeout (fsBold...),
                             separated by commas or blanks
      --font-pitch PITCH     fpDefault, fpVariable or fpFixed
BOOL is true/false, yes/no, on/off or 1/0; a bare flag means true.

Manifest: a UTF-8 text file of "key = value" lines. Blank lines and lines
starting with # or ; are ignored. Keys are the long option names without the
dashes (font options also as font.name, font.size, ...); picture, sound, flash
and description may repeat. A value may be put in double quotes to keep
leading or trailing blanks. Relative paths are taken from the manifest's
directory. Example:
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
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Keys of the manifest and option names, folded to one spelling.
std::string canonical_key(std::string_view key) {
    std::string k = lower(key);
    std::replace(k.begin(), k.end(), '.', '-');
    std::replace(k.begin(), k.end(), '_', '-');
    static const std::pair<const char*, const char*> kAliases[] = {
        {"ver", "mode"},
        {"lrandomstyle", "random-style"},
        {"lrandompic", "random-pic"},
        {"lclearoldimage", "clear-old-image"},
        {"soundrandom", "sound-random"},
        {"lsoundloop", "sound-loop"},
        {"lmute", "mute"},
        {"textfont-name", "font-name"},
        {"textfont-height", "font-height"},
        {"textfont-size", "font-size"},
        {"textfont-color", "font-color"},
        {"textfont-charset", "font-charset"},
        {"textfont-style", "font-style"},
        {"textfont-pitch", "font-pitch"},
        {"font-colour", "font-color"},
    };
    for (const auto& [from, to] : kAliases)
        if (k == from) return to;
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

// Sets one setting from its raw value. `text` gives the value as ANSI text and `path`
// as a native path; each is asked only by the settings of its kind, since a path need not be
// expressible in the ANSI code page.
bool apply(BuildState& st, const std::string& key, std::string_view raw,
           const std::function<std::string()>& text, const std::function<std::string()>& path) {
    scr::TSSFileLocations& s = st.settings;
    if (key == "stub") st.stub = path();
    else if (key == "output") st.output = path();
    else if (key == "picture") st.pictures.push_back(path());
    else if (key == "sound") st.sounds.push_back(path());
    else if (key == "flash") st.flash.push_back(path());
    else if (key == "mode") s.Ver = text();
    else if (key == "text") s.Text = text();
    else if (key == "title") s.Title = text();
    else if (key == "author") s.Author = text();
    else if (key == "email") s.Email = text();
    else if (key == "web") s.Web = text();
    else if (key == "description") s.DescriptCommaList.push_back(text());
    else if (key == "interval") s.Interval = parse_int32(key, raw);
    else if (key == "sound-random") s.SoundRandom = parse_int32(key, raw);
    else if (key == "random-pic") s.lRandomPic = parse_bool(key, raw);
    else if (key == "random-style") s.lRandomStyle = parse_bool(key, raw);
    else if (key == "clear-old-image") s.lClearOldImage = parse_bool(key, raw);
    else if (key == "sound-loop") s.lSoundLoop = parse_bool(key, raw);
    else if (key == "mute") s.lMute = parse_bool(key, raw);
    else if (key == "font-name") s.TextFont.Name = text();
    else if (key == "font-height") s.TextFont.Height = parse_int32(key, raw);
    else if (key == "font-size") {
        // Points to pixels at 96 per inch, rounded like the platform's MulDiv.
        int64_t points = parse_int32(key, raw);
        int64_t px = (points * 96 + (points >= 0 ? 36 : -36)) / 72;
        if (px < INT32_MIN + 1 || px > INT32_MAX) throw UsageError("font-size: out of range");
        s.TextFont.Height = int32_t(-px);
    }
    else if (key == "font-color") s.TextFont.Color = parse_color(key, raw);
    else if (key == "font-charset") s.TextFont.Charset = parse_charset(key, raw);
    else if (key == "font-style") s.TextFont.Style = parse_style(key, raw);
    else if (key == "font-pitch") s.TextFont.Pitch = parse_pitch(key, raw);
    else return false;
    return true;
}

bool is_flag(const std::string& key) {
    return key == "random-pic" || key == "random-style" || key == "clear-old-image" || key == "sound-loop" ||
           key == "mute";
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
        std::string key = canonical_key(trim(t.substr(0, eq)));
        std::string value = trim(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (key == "manifest") throw UsageError(where() + "a manifest cannot include another");
        try {
            auto text = [&] { return Utf8ToAnsiExact(value, key); };
            auto path = [&] {
                if (value.empty()) throw UsageError(key + ": empty path");
                std::string native = Utf8ToNativePath(value);
                return IsAbsoluteNative(native) ? native : base + native;
            };
            if (!apply(st, key, value, text, path)) throw UsageError("unknown key \"" + key + "\"");
        } catch (const UsageError& e) {
            throw UsageError(where() + e.what());
        }
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
    std::vector<std::pair<std::string, std::optional<std::string>>> options;
    std::string manifest;
    bool only_pictures = false;  // after "--", every argument is a picture
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!only_pictures && (a == "-h" || a == "--help")) {
            out << kBuildHelp;
            return kExitOk;
        }
        if (!only_pictures && a == "--") {
            only_pictures = true;
            continue;
        }
        if (only_pictures || a.size() < 2 || a[0] != '-') {
            options.emplace_back("picture", a);
            continue;
        }
        std::string name;
        std::optional<std::string> value;
        if (a.rfind("--", 0) == 0) {
            std::size_t eq = a.find('=');
            name = canonical_key(a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2));
            if (eq != std::string::npos) value = a.substr(eq + 1);
        } else if (a.size() == 2) {
            static const std::pair<char, const char*> kShort[] = {
                {'s', "stub"}, {'o', "output"}, {'m', "manifest"}, {'p', "picture"}};
            for (const auto& [c, long_name] : kShort)
                if (a[1] == c) name = long_name;
            if (name.empty()) throw UsageError("unknown option " + a);
        } else {
            throw UsageError("unknown option " + a);
        }
        if (!value && !is_flag(name)) {
            if (i + 1 >= args.size()) throw UsageError("option " + a + " needs a value");
            value = args[++i];
        }
        if (name == "manifest") {
            if (!manifest.empty()) throw UsageError("only one manifest may be given");
            manifest = *value;
        } else {
            options.emplace_back(name, value);
        }
    }

    if (!manifest.empty()) read_manifest(st, manifest);
    for (const auto& option : options) {
        const std::string& name = option.first;
        const std::string raw = option.second.value_or("true");
        auto path = [&] {
            if (raw.empty()) throw UsageError(name + ": empty path");
            return raw;
        };
        auto text = [&] { return ArgToAnsi(raw, name); };
        if (!apply(st, name, raw, text, path)) throw UsageError("unknown option --" + name);
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

    scr::PackageInput input;
    input.stub_path = st.stub;
    auto items = [](const std::vector<std::string>& paths, bool exact) {
        std::vector<scr::PackageItemFile> list;
        for (const std::string& p : paths) list.push_back({p, StoredBaseName(p, exact)});
        return list;
    };
    // Picture names are only carried along, so a character the code page lacks becomes '?';
    // sound and Flash names become files on extraction and must survive exactly.
    input.pictures = items(st.pictures, false);
    input.sounds = items(st.sounds, true);
    input.flash = items(st.flash, true);

    // Progress only on a terminal, and only once packing has taken more than a moment.
    const bool terminal = stderr_is_terminal();
    const auto start = std::chrono::steady_clock::now();
    bool shown = false;
    auto last = start;
    auto progress = [&](std::size_t done, std::size_t total) {
        if (!terminal) return;
        const auto now = std::chrono::steady_clock::now();
        if (!shown && now - start < std::chrono::milliseconds(300)) return;
        // A few updates a second, and always the last one.
        if (shown && done < total && now - last < std::chrono::milliseconds(100)) return;
        shown = true;
        last = now;
        std::fprintf(stderr, "\rscrpack: packed %zu of %zu items", done, total);
        std::fflush(stderr);
    };
    try {
        scr::build_package(input, st.settings, st.output, progress);
    } catch (...) {
        if (shown) std::fputc('\n', stderr);
        throw;
    }
    if (shown) std::fputc('\n', stderr);
    out << "scrpack: wrote " << st.output << ": " << input.pictures.size() << " pictures, "
        << input.sounds.size() << " sounds, " << input.flash.size() << " Flash items\n";
    return kExitOk;
}

}  // namespace scrpack
