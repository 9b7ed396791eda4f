// scrpack info: what each of the saver's readers finds in a package, read the way they read it.
#include <algorithm>
#include <iomanip>
#include <optional>
#include <sstream>

#include "base/os.h"
#include "json.h"
#include "package/errors.h"
#include "package/items.h"
#include "package/jpeg.h"
#include "package/settings.h"
#include "package/writer.h"
#include "pictures.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kInfoHelp[] = R"(Usage: scrpack info [--json] [--screen WxH] FILE

Shows what the saver's readers find in the package FILE, read the way each of
them reads it: the trailer fields, the settings record (read like the saver
window does, at trailer field 2), every picture item listed in the settings
(read like a slideshow step), the sound and Flash items, and the picture the
preview would draw (the first appended item, found through trailer field 1).

  --json          one JSON object with the keys "trailer", "settings",
                  "pictures", "sounds", "flash", "preview" and "screen";
                  failures appear as {"error": ...}
  --screen WxH    the screen that each picture's size is compared with
                  (default 1920x1080): the saver shows a larger picture
                  centred and cut to the screen

Texts are converted from the ANSI code page to UTF-8.
Exit status: 0 read, 1 the trailer or the settings could not be read, 2 bad usage.
)";

struct PictureReport {
    std::optional<int64_t> offset;
    std::string error;  // empty when the item was read
    std::string graphic;  // class name; empty when the picture holds no graphic
    int width = 0, height = 0;
    bool grayscale = false, progressive = false;
};

struct ItemReport {
    int64_t offset = 0;
    std::optional<std::string> name;  // ANSI
    std::optional<int64_t> size;
    std::string error;
};

struct Report {
    scr::imaging::Size screen;
    std::string trailer_error;
    int32_t field1 = 0, field2 = 0;
    std::string settings_error;
    scr::TSSFileLocations settings;
    std::vector<PictureReport> pictures;
    std::vector<ItemReport> sounds, flash;
    PictureReport preview;
};

void describe_image(const scr::TImage& image, PictureReport& r) {
    const scr::TGraphic* g = image.Picture.Graphic();
    if (!g) return;
    r.graphic = std::string(g->ClassName());
    r.width = g->Width();
    r.height = g->Height();
    if (auto* jpeg = dynamic_cast<const scr::TJPEGImage*>(g)) {
        r.grayscale = jpeg->Grayscale();
        r.progressive = jpeg->Progressive();
    }
}

template <typename F>
std::string error_of(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// Sound or Flash item i, with what extraction would meet when copying it.
ItemReport read_item(int64_t file_size, int32_t offset, int32_t (scr::TSSFileLocations::*size_of)(int) const,
                     std::string (scr::TSSFileLocations::*name_of)(int) const,
                     const scr::TSSFileLocations& s, int i) {
    ItemReport r;
    r.offset = offset;
    std::string name_error = error_of([&] { r.name = (s.*name_of)(i); });
    std::string size_error = error_of([&] { r.size = (s.*size_of)(i); });
    if (!name_error.empty()) r.error = name_error;
    else if (!scr::IsSafeItemFileName(*r.name)) r.error = scr::msg::InvalidItemName(*r.name);
    else if (!size_error.empty()) r.error = size_error;
    else if (*r.size < 0 || offset < 0 || offset + *r.size > file_size) r.error = scr::msg::kReadError;
    return r;
}

Report gather(const std::string& path) {
    Report rep;
    int64_t file_size = 0;
    // The saver window's way: fields 1 and 2 in sequence at size - 40, then the settings.
    rep.trailer_error = error_of([&] {
        scr::FileStream f = scr::FileStream::OpenRead(path);
        file_size = f.Size();
        if (f.Seek(-scr::kTrailerSize, scr::SeekOrigin::End) < 0) throw scr::EReadError(scr::msg::kReadError);
        rep.field1 = scr::ReadTrailerField(f);
        rep.field2 = scr::ReadTrailerField(f);
    });
    if (rep.trailer_error.empty()) {
        rep.settings_error = error_of([&] {
            scr::FileStream f = scr::FileStream::OpenRead(path);
            scr::LocateSettingsFromTrailer(f);
            scr::LoadComponentStream(f, rep.settings);
        });
    } else {
        rep.settings_error = rep.trailer_error;
    }
    if (rep.trailer_error.empty() && rep.settings_error.empty()) {
        const scr::TSSFileLocations& s = rep.settings;
        for (int i = 0; i < s.PicCount(); ++i) {
            PictureReport r;
            r.offset = s.PicOffset(i);
            r.error = error_of([&] {
                std::unique_ptr<scr::TImage> image = scr::ReadPictureItem(path, s, i);
                describe_image(*image, r);
            });
            rep.pictures.push_back(std::move(r));
        }
        for (int i = 0; i < s.SndCount(); ++i)
            rep.sounds.push_back(read_item(file_size, s.SndOffset(i), &scr::TSSFileLocations::SndSize,
                                           &scr::TSSFileLocations::SndFileName, s, i));
        for (int i = 0; i < s.FlashCount(); ++i)
            rep.flash.push_back(read_item(file_size, s.FlashOffset(i), &scr::TSSFileLocations::FlashSize,
                                          &scr::TSSFileLocations::FlashFileName, s, i));
    }
    // The preview's way: field 1 alone, then one component at the first appended byte.
    rep.preview.error = error_of([&] {
        scr::FileStream f = scr::FileStream::OpenRead(path);
        scr::LocateFirstItem(f);
        describe_image(*scr::LoadImageComponent(f), rep.preview);
    });
    return rep;
}

std::string utf8(std::string_view ansi) { return scr::sys::AnsiToUtf8(ansi); }

// --- JSON ------------------------------------------------------------------------------------

bool fits(const PictureReport& r, scr::imaging::Size screen) {
    return r.width <= screen.width && r.height <= screen.height;
}

void json_picture(JsonWriter& j, const PictureReport& r, scr::imaging::Size screen) {
    j.begin_object();
    if (r.offset) j.field("offset", *r.offset);
    if (!r.error.empty()) {
        j.field("error", utf8(r.error));
    } else {
        j.key("graphic");
        if (r.graphic.empty()) j.null();
        else j.string(r.graphic);
        j.field("width", int64_t(r.width));
        j.field("height", int64_t(r.height));
        j.field("grayscale", r.grayscale);
        j.field("progressive", r.progressive);
        if (!r.graphic.empty()) j.field("fits_screen", fits(r, screen));
    }
    j.end_object();
}

void json_item(JsonWriter& j, const ItemReport& r) {
    j.begin_object();
    j.field("offset", r.offset);
    if (r.name) j.field("name", utf8(*r.name));
    if (r.size) j.field("size", *r.size);
    if (!r.error.empty()) j.field("error", utf8(r.error));
    j.end_object();
}

void json_field(JsonWriter& j, const scr::SettingsField& field, const scr::FieldValue& v) {
    switch (field.kind) {
    case scr::FieldKind::Text:
        j.string(utf8(v.text));
        break;
    case scr::FieldKind::Boolean:
        j.boolean(v.number != 0);
        break;
    case scr::FieldKind::Pitch:
        j.string(v.ident.empty() ? std::to_string(v.number) : std::string(v.ident));
        break;
    case scr::FieldKind::Styles:
        j.begin_array();
        for (std::string_view n : v.members) j.string(n);
        j.end_array();
        break;
    default:
        j.number(v.number);
        break;
    }
}

// Fields of a group (the caption font) form an object under the group's name.
void json_settings(JsonWriter& j, const scr::TSSFileLocations& s) {
    j.begin_object();
    std::string_view open_group;
    for (const scr::SettingsField& field : scr::SettingsFields()) {
        const std::string_view group = field.group();
        if (group != open_group) {
            if (!open_group.empty()) j.end_object();
            if (!group.empty()) {
                j.key(group);
                j.begin_object();
            }
            open_group = group;
        }
        j.key(group.empty() ? field.name : field.name.substr(group.size() + 1));
        json_field(j, field, scr::FormatField(field, s));
    }
    if (!open_group.empty()) j.end_object();
    j.end_object();
}

void print_json(std::ostream& out, const Report& rep) {
    JsonWriter j(out);
    j.begin_object();
    j.key("trailer");
    j.begin_object();
    if (rep.trailer_error.empty()) {
        j.field("field1", int64_t(rep.field1));
        j.field("field2", int64_t(rep.field2));
    } else {
        j.field("error", utf8(rep.trailer_error));
    }
    j.end_object();
    j.key("settings");
    if (rep.settings_error.empty()) {
        json_settings(j, rep.settings);
        j.key("pictures");
        j.begin_array();
        for (const PictureReport& r : rep.pictures) json_picture(j, r, rep.screen);
        j.end_array();
        j.key("sounds");
        j.begin_array();
        for (const ItemReport& r : rep.sounds) json_item(j, r);
        j.end_array();
        j.key("flash");
        j.begin_array();
        for (const ItemReport& r : rep.flash) json_item(j, r);
        j.end_array();
    } else {
        j.begin_object();
        j.field("error", utf8(rep.settings_error));
        j.end_object();
    }
    j.key("preview");
    json_picture(j, rep.preview, rep.screen);
    j.key("screen");
    j.begin_object();
    j.field("width", int64_t(rep.screen.width));
    j.field("height", int64_t(rep.screen.height));
    j.end_object();
    j.end_object();
}

// --- Text ------------------------------------------------------------------------------------

std::string text_literal(std::string_view ansi) { return JsonWriter::escape(utf8(ansi)); }

std::string picture_text(const PictureReport& r, scr::imaging::Size screen) {
    if (!r.error.empty()) return "error: " + utf8(r.error);
    if (r.graphic.empty()) return "no graphic";
    std::string s = r.graphic + " " + std::to_string(r.width) + "x" + std::to_string(r.height);
    if (r.grayscale) s += ", grayscale";
    if (r.progressive) s += ", progressive";
    const std::string box = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    return s + (fits(r, screen) ? ", fits " + box : ", larger than " + box + " (cut)");
}

std::string text_value(const scr::SettingsField& field, const scr::FieldValue& v) {
    switch (field.kind) {
    case scr::FieldKind::Text:
        return text_literal(v.text);
    case scr::FieldKind::Boolean:
        return v.number ? "true" : "false";
    case scr::FieldKind::Color:
        if (v.ident.empty()) {
            std::ostringstream hex;
            hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << v.number;
            return hex.str();
        }
        return std::string(v.ident);
    case scr::FieldKind::Styles: {
        std::string list;
        for (std::string_view n : v.members) list += (list.empty() ? "" : ",") + std::string(n);
        return "[" + list + "]";
    }
    default:
        return v.ident.empty() ? std::to_string(v.number) : std::string(v.ident);
    }
}

// One line a property; a group's fields share one line, in their line order.
void print_settings_text(std::ostream& out, const scr::TSSFileLocations& s) {
    const auto fields = scr::SettingsFields();
    for (std::size_t i = 0; i < fields.size();) {
        const std::string_view group = fields[i].group();
        std::size_t end = i + 1;
        while (!group.empty() && end < fields.size() && fields[end].group() == group) ++end;
        std::vector<std::pair<int, std::string>> parts;
        for (std::size_t k = i; k < end; ++k) {
            std::string part = text_value(fields[k], scr::FormatField(fields[k], s));
            if (!fields[k].label.empty()) part = std::string(fields[k].label) + " " + part;
            parts.emplace_back(fields[k].line_rank, std::move(part));
        }
        std::stable_sort(parts.begin(), parts.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string line;
        for (const auto& part : parts) line += (line.empty() ? "" : ", ") + part.second;
        out << "  " << std::left << std::setw(24) << (group.empty() ? fields[i].name : group) << std::right << ' '
            << line << '\n';
        i = end;
    }
}

void print_item_list(std::ostream& out, const char* title, const std::vector<ItemReport>& items) {
    out << title << " (" << items.size() << ")\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ItemReport& r = items[i];
        out << "  " << std::setw(4) << i + 1 << "  offset " << r.offset;
        if (r.size) out << "  size " << *r.size;
        if (r.name) out << "  " << text_literal(*r.name);
        if (!r.error.empty()) out << "  error: " << utf8(r.error);
        out << '\n';
    }
}

void print_text(std::ostream& out, const std::string& path, const Report& rep) {
    out << "Package " << path << '\n';
    if (rep.trailer_error.empty())
        out << "Trailer: field 1 = " << rep.field1 << " (appended bytes), field 2 = " << rep.field2
            << " (settings offset)\n";
    else
        out << "Trailer: error: " << utf8(rep.trailer_error) << '\n';
    if (!rep.settings_error.empty()) {
        out << "Settings: error: " << utf8(rep.settings_error) << '\n';
    } else {
        out << "Settings:\n";
        print_settings_text(out, rep.settings);
        out << "Pictures (" << rep.pictures.size() << ")\n";
        for (std::size_t i = 0; i < rep.pictures.size(); ++i)
            out << "  " << std::setw(4) << i + 1 << "  offset " << *rep.pictures[i].offset << "  "
                << picture_text(rep.pictures[i], rep.screen) << '\n';
        print_item_list(out, "Sounds", rep.sounds);
        print_item_list(out, "Flash items", rep.flash);
    }
    out << "Preview: " << picture_text(rep.preview, rep.screen) << '\n';
}

}  // namespace

int InfoCommand(const Args& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    scr::imaging::Size screen{1920, 1080};
    std::string path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            out << kInfoHelp;
            return kExitOk;
        }
        if (a == "--json") {
            json = true;
        } else if (a == "--screen" || a.rfind("--screen=", 0) == 0) {
            std::string value = a.size() > 8 ? a.substr(9) : (i + 1 < args.size() ? args[++i] : "");
            const auto box = ParseBox(value);
            if (!box) throw UsageError("--screen: expected WxH (such as 1920x1080), not \"" + value + "\"");
            screen = *box;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option " + a);
        } else if (path.empty()) {
            path = a;
        } else {
            throw UsageError("more than one package given");
        }
    }
    if (path.empty()) throw UsageError("no package given");

    Report rep = gather(path);
    rep.screen = screen;
    if (json) print_json(out, rep);
    else print_text(out, path, rep);
    if (!rep.trailer_error.empty()) {
        err << "scrpack: " << path << ": trailer: " << utf8(rep.trailer_error) << '\n';
        return kExitBadPackage;
    }
    if (!rep.settings_error.empty()) {
        err << "scrpack: " << path << ": settings: " << utf8(rep.settings_error) << '\n';
        return kExitBadPackage;
    }
    return kExitOk;
}

}  // namespace scrpack
