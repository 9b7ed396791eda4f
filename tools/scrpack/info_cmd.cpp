// scrpack info: what each of the saver's readers finds in a package, read the way they read it.
#include <iomanip>
#include <optional>
#include <sstream>

#include "base/os.h"
#include "json.h"
#include "package/errors.h"
#include "package/items.h"
#include "package/jpeg.h"
#include "package/settings.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kInfoHelp[] = R"(Usage: scrpack info [--json] FILE

Shows what the saver's readers find in the package FILE, read the way each of
them reads it: the trailer fields, the settings record (read like the saver
window does, at trailer field 2), every picture item listed in the settings
(read like a slideshow step), the sound and Flash items, and the picture the
preview would draw (the first appended item, found through trailer field 1).

  --json    one JSON object with the keys "trailer", "settings", "pictures",
            "sounds", "flash" and "preview"; failures appear as {"error": ...}

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
        std::unique_ptr<scr::TComponent> object = scr::LoadComponentStream(f);
        auto* image = dynamic_cast<scr::TImage*>(object.get());
        if (!image) throw scr::Exception(scr::msg::kInvalidClassTypecast);
        describe_image(*image, rep.preview);
    });
    return rep;
}

std::string utf8(std::string_view ansi) { return scr::sys::AnsiToUtf8(ansi); }

std::vector<std::string> style_names(uint32_t style) {
    std::vector<std::string> out;
    for (std::size_t bit = 0; bit < scr::kFontStylesType.names.size(); ++bit)
        if (style & (1u << bit)) out.emplace_back(scr::kFontStylesType.names[bit]);
    return out;
}

std::string pitch_name(scr::TFontPitch pitch) {
    auto names = scr::kFontPitchType.names;
    return std::size_t(pitch) < names.size() ? std::string(names[std::size_t(pitch)]) : std::to_string(int(pitch));
}

// --- JSON ------------------------------------------------------------------------------------

void json_picture(JsonWriter& j, const PictureReport& r) {
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

void json_settings(JsonWriter& j, const scr::TSSFileLocations& s) {
    j.begin_object();
    for (const scr::PropInfo& prop : scr::TSSFileLocations::StaticClass().own_properties()) {
        scr::PropValue v = scr::GetPropValue(s, prop);
        j.key(prop.name);
        if (auto* font = dynamic_cast<const scr::TFont*>(
                std::holds_alternative<scr::TPersistent*>(v) ? std::get<scr::TPersistent*>(v) : nullptr)) {
            j.begin_object();
            j.field("Charset", int64_t(font->Charset));
            j.field("Color", int64_t(font->Color));
            j.field("Height", int64_t(font->Height));
            j.field("Name", utf8(font->Name));
            j.field("Pitch", pitch_name(font->Pitch));
            j.key("Style");
            j.begin_array();
            for (const std::string& n : style_names(font->Style)) j.string(n);
            j.end_array();
            j.end_object();
        } else if (prop.type->kind == scr::PropKind::Enumeration && prop.type == &scr::kBooleanType) {
            j.boolean(std::get<int64_t>(v) != 0);
        } else if (prop.type->kind == scr::PropKind::Enumeration) {
            int64_t n = std::get<int64_t>(v);
            auto names = prop.type->names;
            if (n >= 0 && std::size_t(n) < names.size()) j.string(names[std::size_t(n)]);
            else j.number(n);
        } else if (std::holds_alternative<int64_t>(v)) {
            j.number(std::get<int64_t>(v));
        } else if (std::holds_alternative<std::string>(v)) {
            j.string(utf8(std::get<std::string>(v)));
        } else {
            j.null();
        }
    }
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
        for (const PictureReport& r : rep.pictures) json_picture(j, r);
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
    json_picture(j, rep.preview);
    j.end_object();
}

// --- Text ------------------------------------------------------------------------------------

std::string text_literal(std::string_view ansi) { return JsonWriter::escape(utf8(ansi)); }

std::string picture_text(const PictureReport& r) {
    if (!r.error.empty()) return "error: " + utf8(r.error);
    if (r.graphic.empty()) return "no graphic";
    std::string s = r.graphic + " " + std::to_string(r.width) + "x" + std::to_string(r.height);
    if (r.grayscale) s += ", grayscale";
    if (r.progressive) s += ", progressive";
    return s;
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
        const scr::TSSFileLocations& s = rep.settings;
        for (const scr::PropInfo& prop : scr::TSSFileLocations::StaticClass().own_properties()) {
            scr::PropValue v = scr::GetPropValue(s, prop);
            out << "  " << std::left << std::setw(24) << prop.name << std::right << ' ';
            if (std::holds_alternative<scr::TPersistent*>(v)) {
                const scr::TFont& f = s.TextFont;
                std::string style;
                for (const std::string& n : style_names(f.Style)) style += (style.empty() ? "" : ",") + n;
                std::string color(scr::IdentOf(scr::ColorIdents(), f.Color));
                std::string charset(scr::IdentOf(scr::CharsetIdents(), f.Charset));
                std::ostringstream hex;
                hex << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << f.Color;
                out << text_literal(f.Name) << ", height " << f.Height << ", colour "
                    << (color.empty() ? hex.str() : color) << ", charset "
                    << (charset.empty() ? std::to_string(f.Charset) : charset) << ", pitch " << pitch_name(f.Pitch)
                    << ", style [" << style << "]";
            } else if (prop.type == &scr::kBooleanType) {
                out << (std::get<int64_t>(v) ? "true" : "false");
            } else if (std::holds_alternative<int64_t>(v)) {
                out << std::get<int64_t>(v);
            } else if (std::holds_alternative<std::string>(v)) {
                out << text_literal(std::get<std::string>(v));
            }
            out << '\n';
        }
        out << "Pictures (" << rep.pictures.size() << ")\n";
        for (std::size_t i = 0; i < rep.pictures.size(); ++i)
            out << "  " << std::setw(4) << i + 1 << "  offset " << *rep.pictures[i].offset << "  "
                << picture_text(rep.pictures[i]) << '\n';
        print_item_list(out, "Sounds", rep.sounds);
        print_item_list(out, "Flash items", rep.flash);
    }
    out << "Preview: " << picture_text(rep.preview) << '\n';
}

}  // namespace

int InfoCommand(const Args& args, std::ostream& out, std::ostream& err) {
    bool json = false;
    std::string path;
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out << kInfoHelp;
            return kExitOk;
        }
        if (a == "--json") json = true;
        else if (a.size() > 1 && a[0] == '-') throw UsageError("unknown option " + a);
        else if (path.empty()) path = a;
        else throw UsageError("more than one package given");
    }
    if (path.empty()) throw UsageError("no package given");

    Report rep = gather(path);
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
