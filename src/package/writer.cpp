#include "package/writer.h"

#include "base/os.h"
#include "package/commatext.h"
#include "package/component.h"
#include "package/errors.h"
#include "package/font.h"
#include "package/jpeg.h"
#include "package/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <type_traits>

namespace scr {

namespace {

void put_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

// --- ComponentWriter ------------------------------------------------------------------------

void ComponentWriter::u32(uint32_t v) {
    uint8_t b[4];
    put_u32(b, v);
    out_.insert(out_.end(), b, b + 4);
}

void ComponentWriter::short_string(std::string_view s) {
    if (s.size() > 255)
        throw PackageWriteError("Name longer than 255 bytes: " + std::string(s.substr(0, 40)) + "...");
    byte(uint8_t(s.size()));
    out_.insert(out_.end(), s.begin(), s.end());
}

void ComponentWriter::signature() {
    out_.insert(out_.end(), {'T', 'P', 'F', '0'});
}

void ComponentWriter::begin_object(std::string_view class_name, std::string_view object_name) {
    // A leading byte of 0xF0 or above would read as a prefix, and no name is that long.
    if (class_name.empty() || class_name.size() >= 0xF0)
        throw PackageWriteError("Invalid class name: " + std::string(class_name));
    short_string(class_name);
    short_string(object_name);
}

void ComponentWriter::end_list() { byte(0); }

void ComponentWriter::property_name(std::string_view name) {
    // An empty name would read as the end of the property list.
    if (name.empty()) throw PackageWriteError("Empty property name");
    short_string(name);
}

void ComponentWriter::integer(int64_t value) {
    if (value >= -128 && value <= 127) {
        byte(TagInt8);
        byte(uint8_t(int8_t(value)));
    } else if (value >= -32768 && value <= 32767) {
        byte(TagInt16);
        uint16_t v = uint16_t(int16_t(value));
        byte(uint8_t(v));
        byte(uint8_t(v >> 8));
    } else if (value >= std::numeric_limits<int32_t>::min() &&
               value <= std::numeric_limits<int32_t>::max()) {
        byte(TagInt32);
        u32(uint32_t(int32_t(value)));
    } else {
        throw PackageWriteError("Integer out of 32-bit range: " + std::to_string(value));
    }
}

void ComponentWriter::boolean(bool value) { byte(value ? TagTrue : TagFalse); }

void ComponentWriter::ident(std::string_view name) {
    if (name.empty()) throw PackageWriteError("Empty identifier");
    byte(TagIdent);
    short_string(name);
}

void ComponentWriter::set(std::span<const std::string> members) {
    byte(TagSet);
    for (const std::string& m : members) {
        // An empty member would end the set early.
        if (m.empty()) throw PackageWriteError("Empty set member");
        short_string(m);
    }
    byte(0);
}

void ComponentWriter::string(std::string_view ansi) {
    bool ascii = std::all_of(ansi.begin(), ansi.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        std::string utf8 = sys::AnsiToUtf8(ansi);
        if (utf8.size() > std::numeric_limits<uint32_t>::max())
            throw PackageWriteError("String too long");
        byte(TagUtf8String);
        u32(uint32_t(utf8.size()));
        out_.insert(out_.end(), utf8.begin(), utf8.end());
    } else if (ansi.size() <= 255) {
        byte(TagString);
        short_string(ansi);
    } else {
        if (ansi.size() > std::numeric_limits<uint32_t>::max())
            throw PackageWriteError("String too long");
        byte(TagLString);
        u32(uint32_t(ansi.size()));
        out_.insert(out_.end(), ansi.begin(), ansi.end());
    }
}

void ComponentWriter::binary(std::span<const uint8_t> data) {
    if (data.size() > std::numeric_limits<uint32_t>::max())
        throw PackageWriteError("Binary value too long");
    byte(TagBinary);
    u32(uint32_t(data.size()));
    out_.insert(out_.end(), data.begin(), data.end());
}

void ComponentWriter::integer_property(std::string_view name, int64_t value) {
    property_name(name);
    integer(value);
}

void ComponentWriter::boolean_property(std::string_view name, bool value) {
    property_name(name);
    boolean(value);
}

void ComponentWriter::ident_property(std::string_view name, std::string_view id) {
    property_name(name);
    ident(id);
}

void ComponentWriter::set_property(std::string_view name, std::span<const std::string> members) {
    property_name(name);
    set(members);
}

void ComponentWriter::string_property(std::string_view name, std::string_view ansi) {
    if (ansi.empty()) return;
    property_name(name);
    string(ansi);
}

void ComponentWriter::color_property(std::string_view name, uint32_t color) {
    std::string_view id = IdentOf(ColorIdents(), int64_t(color));
    property_name(name);
    if (!id.empty())
        ident(id);
    else
        integer(int32_t(color));  // a colour is a signed 32-bit value in the stream
}

void ComponentWriter::charset_property(std::string_view name, uint8_t charset) {
    std::string_view id = IdentOf(CharsetIdents(), charset);
    property_name(name);
    if (!id.empty())
        ident(id);
    else
        integer(charset);
}

// --- Picture items -------------------------------------------------------------------------

std::array<uint8_t, kPictureItemHeaderSize> picture_item_header(uint32_t jpeg_size) {
    if (jpeg_size > std::numeric_limits<uint32_t>::max() - 15)
        throw PackageWriteError("JPEG too large for a picture item");
    ComponentWriter w;
    w.signature();
    w.begin_object("TImage");
    w.integer_property("Left", 0);
    w.integer_property("Top", 0);
    w.integer_property("Width", 105);
    w.integer_property("Height", 105);
    w.property_name("Picture.Data");
    // The binary value holds the graphic class name, the JPEG size and the JPEG bytes; only
    // its head is built here so that large pictures can be copied straight from their file.
    std::vector<uint8_t> head = w.take();
    head.push_back(TagBinary);
    uint8_t n[4];
    put_u32(n, jpeg_size + 15);
    head.insert(head.end(), n, n + 4);
    static constexpr std::string_view kGraphic = "TJPEGImage";
    head.push_back(uint8_t(kGraphic.size()));
    head.insert(head.end(), kGraphic.begin(), kGraphic.end());
    put_u32(n, jpeg_size);
    head.insert(head.end(), n, n + 4);

    std::array<uint8_t, kPictureItemHeaderSize> out{};
    if (head.size() != out.size()) throw std::logic_error("picture item header size");
    std::copy(head.begin(), head.end(), out.begin());
    return out;
}

std::vector<uint8_t> picture_item(std::span<const uint8_t> jpeg) {
    if (jpeg.size() > kMaxPackageFileSize) throw PackageWriteError("JPEG too large for a package");
    auto head = picture_item_header(uint32_t(jpeg.size()));
    std::vector<uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    out.insert(out.end(), kPictureItemTail.begin(), kPictureItemTail.end());
    return out;
}

// --- Trailer and layout --------------------------------------------------------------------

std::array<uint8_t, std::size_t(kTrailerSize)> trailer_bytes(int32_t field1, int32_t field2) {
    std::array<uint8_t, std::size_t(kTrailerSize)> out;
    out.fill(' ');
    std::string a = std::to_string(field1), b = std::to_string(field2);
    std::copy(a.begin(), a.end(), out.begin());
    std::copy(b.begin(), b.end(), out.begin() + kTrailerFieldSize);
    return out;
}

namespace {

// Adds size to the running offset and returns where the item starts; refuses 2 GiB.
int32_t place(uint64_t& at, uint64_t size, const char* what, std::size_t index) {
    if (at > kMaxPackageFileSize || size > kMaxPackageFileSize - at)
        throw PackageWriteError("The package would reach 2 GiB at " + std::string(what) + " " +
                                std::to_string(index + 1) + "; offsets and sizes must fit 31 bits");
    int32_t start = int32_t(at);
    at += size;
    return start;
}

}  // namespace

PackageLayout plan_package(uint64_t stub_size, std::span<const uint64_t> jpeg_sizes,
                           std::span<const uint64_t> sound_sizes,
                           std::span<const uint64_t> flash_sizes) {
    PackageLayout layout;
    layout.stub_size = stub_size;
    if (stub_size > kMaxPackageFileSize)
        throw PackageWriteError("The stub executable alone reaches 2 GiB");
    uint64_t at = stub_size;
    for (std::size_t i = 0; i < jpeg_sizes.size(); ++i) {
        if (jpeg_sizes[i] > kMaxPackageFileSize)
            throw PackageWriteError("The package would reach 2 GiB at picture " + std::to_string(i + 1));
        layout.picture_offsets.push_back(place(at, jpeg_sizes[i] + kPictureItemOverhead, "picture", i));
    }
    for (std::size_t i = 0; i < sound_sizes.size(); ++i)
        layout.sound_offsets.push_back(place(at, sound_sizes[i], "sound", i));
    for (std::size_t i = 0; i < flash_sizes.size(); ++i)
        layout.flash_offsets.push_back(place(at, flash_sizes[i], "Flash item", i));
    layout.settings_offset = place(at, 0, "the settings", 0);
    return layout;
}

int32_t appended_length(const PackageLayout& layout, uint64_t settings_size) {
    uint64_t end = uint64_t(layout.settings_offset) + settings_size + kTrailerSize;
    if (end > kMaxPackageFileSize)
        throw PackageWriteError("The package would reach 2 GiB; offsets and sizes must fit 31 bits");
    return int32_t(end - kTrailerSize - layout.stub_size);
}

// --- Item names ----------------------------------------------------------------------------

void check_item_name(std::string_view name) {
    auto refuse = [&](const std::string& why) {
        throw PackageWriteError(msg::InvalidItemName(std::string(name)) + ": " + why);
    };
    if (name.empty()) refuse("empty");
    if (name == "." || name == "..") refuse("not a file name");
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\') refuse("holds a path separator");
        if (c == ':') refuse("holds a drive or stream colon");
        if (!sys::IsFileNameChar(u)) refuse("holds a character not allowed in file names");
    }
    // Whatever else the extracting reader refuses, with its own rule.
    if (!IsSafeItemFileName(name)) refuse("not a plain file name");
    if (name.back() == '.' || name.back() == ' ') refuse("ends in a dot or blank");
    // Device names stay devices in any directory, with or without an extension.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = char(std::toupper(static_cast<unsigned char>(c)));
    static constexpr const char* kDevices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3",
                                               "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
                                               "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6",
                                               "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
    for (const char* d : kDevices)
        if (stem == d) refuse("a reserved device name");
}


// --- Settings fields and stream -----------------------------------------------------------

namespace {

template <auto Member>
int64_t record_number(const TSSFileLocations& s) {
    return int64_t(s.*Member);
}

template <auto Member>
int64_t font_number(const TSSFileLocations& s) {
    return int64_t(s.TextFont.*Member);
}

template <auto Member>
std::string record_text(const TSSFileLocations& s) {
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(s.*Member)>, StringList>)
        return FormatCommaText(s.*Member);
    else
        return s.*Member;
}

std::string font_name(const TSSFileLocations& s) { return s.TextFont.Name; }

using S = TSSFileLocations;
constexpr auto kText = FieldKind::Text;
constexpr auto kBool = FieldKind::Boolean;
constexpr auto kInt = FieldKind::Integer;

// The record's published properties in their declared order; the font's attributes in the
// order the authoring side writes them.
constexpr SettingsField kFields[] = {
    {"Text", kText, 0, {}, nullptr, record_text<&S::Text>},
    {"TextFont.Charset", FieldKind::Charset, 3, "charset", font_number<&TFont::Charset>, nullptr},
    {"TextFont.Color", FieldKind::Color, 2, "colour", font_number<&TFont::Color>, nullptr},
    {"TextFont.Height", kInt, 1, "height", font_number<&TFont::Height>, nullptr},
    {"TextFont.Name", kText, 0, {}, nullptr, font_name},
    {"TextFont.Pitch", FieldKind::Pitch, 4, "pitch", font_number<&TFont::Pitch>, nullptr},
    {"TextFont.Style", FieldKind::Styles, 5, "style", font_number<&TFont::Style>, nullptr},
    {"lRandomStyle", kBool, 0, {}, record_number<&S::lRandomStyle>, nullptr},
    {"lRandomPic", kBool, 0, {}, record_number<&S::lRandomPic>, nullptr},
    {"lClearOldImage", kBool, 0, {}, record_number<&S::lClearOldImage>, nullptr},
    {"Interval", kInt, 0, {}, record_number<&S::Interval>, nullptr},
    {"SoundRandom", kInt, 0, {}, record_number<&S::SoundRandom>, nullptr},
    {"lSoundLoop", kBool, 0, {}, record_number<&S::lSoundLoop>, nullptr},
    {"lMute", kBool, 0, {}, record_number<&S::lMute>, nullptr},
    {"Title", kText, 0, {}, nullptr, record_text<&S::Title>},
    {"Author", kText, 0, {}, nullptr, record_text<&S::Author>},
    {"Email", kText, 0, {}, nullptr, record_text<&S::Email>},
    {"Web", kText, 0, {}, nullptr, record_text<&S::Web>},
    {"Ver", kText, 0, {}, nullptr, record_text<&S::Ver>},
    {"PicCommaList", kText, 0, {}, nullptr, record_text<&S::PicCommaList>},
    {"PicFileNamesCommaList", kText, 0, {}, nullptr, record_text<&S::PicFileNamesCommaList>},
    {"SndCommaList", kText, 0, {}, nullptr, record_text<&S::SndCommaList>},
    {"SndFileNamesCommaList", kText, 0, {}, nullptr, record_text<&S::SndFileNamesCommaList>},
    {"SndSizesCommaList", kText, 0, {}, nullptr, record_text<&S::SndSizesCommaList>},
    {"FlashCommaList", kText, 0, {}, nullptr, record_text<&S::FlashCommaList>},
    {"FlashFileNamesCommaList", kText, 0, {}, nullptr, record_text<&S::FlashFileNamesCommaList>},
    {"FlashSizesCommaList", kText, 0, {}, nullptr, record_text<&S::FlashSizesCommaList>},
    {"DescriptCommaList", kText, 0, {}, nullptr, record_text<&S::DescriptCommaList>},
};

}  // namespace

std::string_view SettingsField::group() const {
    const std::size_t dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(0, dot);
}

std::span<const SettingsField> SettingsFields() { return kFields; }

FieldValue FormatField(const SettingsField& field, const TSSFileLocations& settings) {
    FieldValue v;
    if (field.kind == FieldKind::Text) {
        v.text = field.text(settings);
        return v;
    }
    v.number = field.number(settings);
    switch (field.kind) {
    case FieldKind::Color:
        v.ident = IdentOf(ColorIdents(), v.number);
        break;
    case FieldKind::Charset:
        v.ident = IdentOf(CharsetIdents(), v.number);
        break;
    case FieldKind::Pitch:
        if (v.number >= 0 && std::size_t(v.number) < kFontPitchType.names.size())
            v.ident = kFontPitchType.names[std::size_t(v.number)];
        break;
    case FieldKind::Styles:
        for (std::size_t bit = 0; bit < kFontStylesType.names.size(); ++bit)
            if (v.number & (int64_t(1) << bit)) v.members.push_back(kFontStylesType.names[bit]);
        break;
    default:
        break;
    }
    return v;
}

namespace {

void write_field(ComponentWriter& w, const SettingsField& field, const FieldValue& v) {
    switch (field.kind) {
    case FieldKind::Text:
        w.string_property(field.name, v.text);
        return;
    case FieldKind::Boolean:
        w.boolean_property(field.name, v.number != 0);
        return;
    case FieldKind::Integer:
        w.integer_property(field.name, v.number);
        return;
    case FieldKind::Color:
        w.color_property(field.name, uint32_t(v.number));
        return;
    case FieldKind::Charset:
        w.charset_property(field.name, uint8_t(v.number));
        return;
    case FieldKind::Pitch:
        if (v.number == fpDefault) return;
        if (v.ident.empty()) throw PackageWriteError("Invalid font pitch " + std::to_string(v.number));
        w.ident_property(field.name, v.ident);
        return;
    case FieldKind::Styles: {
        const std::vector<std::string> members(v.members.begin(), v.members.end());
        w.set_property(field.name, members);
        return;
    }
    }
}

}  // namespace

std::vector<uint8_t> settings_stream(const TSSFileLocations& settings) {
    ComponentWriter w;
    w.signature();
    // Name is the object name, and Tag keeps its default.
    w.begin_object(TSSFileLocations::StaticClass().name(), settings.Name);
    for (const SettingsField& field : SettingsFields()) write_field(w, field, FormatField(field, settings));
    w.end_list();
    w.end_list();
    return w.take();
}

// --- Whole packages ------------------------------------------------------------------------

namespace {

constexpr std::size_t kCopyBlock = std::size_t(1) << 20;

// The saver under construction, beside its final name; deleted unless committed.
class PartialOutput {
public:
    explicit PartialOutput(std::string path) : path_(std::move(path)), file_(sys::File::Create(path_)) {}
    ~PartialOutput() {
        if (!committed_) {
            file_.close();
            sys::RemoveFile(path_);
        }
    }
    PartialOutput(const PartialOutput&) = delete;
    PartialOutput& operator=(const PartialOutput&) = delete;

    void write(const void* data, std::size_t size) {
        if (size && file_.write(data, int64_t(size)) != int64_t(size))
            throw PackageWriteError("Cannot write " + path_ + " (disk full?)");
        written_ += size;
    }
    uint64_t written() const { return written_; }

    void commit(const std::string& final_path) {
        file_.close();
        sys::RemoveFile(final_path);
        if (std::rename(path_.c_str(), final_path.c_str()) != 0)
            throw PackageWriteError("Cannot rename " + path_ + " to " + final_path);
        committed_ = true;
    }

private:
    std::string path_;
    sys::File file_;
    uint64_t written_ = 0;
    bool committed_ = false;
};

uint64_t file_size(const std::string& path) {
    sys::File f = sys::File::OpenRead(path);
    int64_t size = f.size();
    if (size < 0) throw PackageWriteError("Cannot read the size of " + path);
    return uint64_t(size);
}

// Copies a whole file whose size was taken when the package was planned.
void copy_file(PartialOutput& out, const std::string& path, uint64_t expected) {
    sys::File in = sys::File::OpenRead(path);
    std::vector<uint8_t> block(std::min<uint64_t>(expected, kCopyBlock));
    uint64_t left = expected;
    while (left) {
        int64_t want = int64_t(std::min<uint64_t>(left, block.size()));
        int64_t got = in.read(block.data(), want);
        if (got <= 0) throw PackageWriteError(path + " changed while it was packed");
        out.write(block.data(), std::size_t(got));
        left -= uint64_t(got);
    }
    uint8_t extra;
    if (in.read(&extra, 1) != 0) throw PackageWriteError(path + " changed while it was packed");
}

std::vector<uint8_t> read_whole(const std::string& path, uint64_t expected) {
    sys::File in = sys::File::OpenRead(path);
    std::vector<uint8_t> bytes(expected);
    uint8_t extra;
    if (in.read(bytes.data(), int64_t(expected)) != int64_t(expected) || in.read(&extra, 1) != 0)
        throw PackageWriteError(path + " changed while it was packed");
    return bytes;
}

void check_offset(const PartialOutput& out, int32_t planned) {
    if (out.written() != uint64_t(planned)) throw std::logic_error("package layout mismatch");
}

}  // namespace

void build_package(const PackageInput& input, TSSFileLocations& settings,
                   const std::string& out_path, const PackageProgress& progress) {
    // Everything that can be refused from names and sizes is refused before writing.
    for (const PackageItemFile& item : input.sounds) check_item_name(item.stored_name);
    for (const PackageItemFile& item : input.flash) check_item_name(item.stored_name);

    const uint64_t stub_size = file_size(input.stub_path);
    std::vector<uint64_t> picture_sizes, sound_sizes, flash_sizes;
    if (!input.picture_source) {
        for (const PackageItemFile& item : input.pictures) {
            picture_sizes.push_back(file_size(item.path));
            if (picture_sizes.back() == 0) throw PackageWriteError(item.path + ": empty file, not a JPEG picture");
        }
    }
    for (const PackageItemFile& item : input.sounds) sound_sizes.push_back(file_size(item.path));
    for (const PackageItemFile& item : input.flash) flash_sizes.push_back(file_size(item.path));
    plan_package(stub_size, picture_sizes, sound_sizes, flash_sizes);

    const std::size_t total = input.pictures.size() + input.sounds.size() + input.flash.size();
    std::size_t done = 0;
    auto step = [&] {
        ++done;
        if (progress) progress(done, total);
    };

    PartialOutput out(out_path + ".part");
    copy_file(out, input.stub_path, stub_size);
    // Pictures first, as they come: the sizes of made pictures are known only once made.
    picture_sizes.resize(input.pictures.size());
    for (std::size_t i = 0; i < input.pictures.size(); ++i) {
        const std::string& path = input.pictures[i].path;
        std::vector<uint8_t> jpeg =
            input.picture_source ? input.picture_source(i) : read_whole(path, picture_sizes[i]);
        if (jpeg.empty()) throw PackageWriteError(path + ": empty file, not a JPEG picture");
        try {
            ReadJpegInfo(jpeg);
        } catch (const EJPEG& e) {
            throw PackageWriteError(path + ": not a readable JPEG picture (" + e.what() + ")");
        }
        picture_sizes[i] = jpeg.size();
        plan_package(stub_size, std::span(picture_sizes).first(i + 1), sound_sizes, flash_sizes);
        auto head = picture_item_header(uint32_t(jpeg.size()));
        out.write(head.data(), head.size());
        out.write(jpeg.data(), jpeg.size());
        out.write(kPictureItemTail.data(), kPictureItemTail.size());
        step();
    }
    const PackageLayout layout = plan_package(stub_size, picture_sizes, sound_sizes, flash_sizes);

    auto fill = [](StringList& offsets, StringList& names, StringList* sizes,
                   const std::vector<int32_t>& at, const std::vector<PackageItemFile>& items,
                   const std::vector<uint64_t>& item_sizes) {
        offsets.clear();
        names.clear();
        if (sizes) sizes->clear();
        for (std::size_t i = 0; i < items.size(); ++i) {
            offsets.push_back(std::to_string(at[i]));
            names.push_back(items[i].stored_name);
            if (sizes) sizes->push_back(std::to_string(item_sizes[i]));
        }
    };
    fill(settings.PicCommaList, settings.PicFileNamesCommaList, nullptr, layout.picture_offsets,
         input.pictures, picture_sizes);
    fill(settings.SndCommaList, settings.SndFileNamesCommaList, &settings.SndSizesCommaList,
         layout.sound_offsets, input.sounds, sound_sizes);
    fill(settings.FlashCommaList, settings.FlashFileNamesCommaList, &settings.FlashSizesCommaList,
         layout.flash_offsets, input.flash, flash_sizes);
    const std::vector<uint8_t> stream = settings_stream(settings);
    const int32_t field1 = appended_length(layout, stream.size());

    for (std::size_t i = 0; i < input.sounds.size(); ++i) {
        check_offset(out, layout.sound_offsets[i]);
        copy_file(out, input.sounds[i].path, sound_sizes[i]);
        step();
    }
    for (std::size_t i = 0; i < input.flash.size(); ++i) {
        check_offset(out, layout.flash_offsets[i]);
        copy_file(out, input.flash[i].path, flash_sizes[i]);
        step();
    }
    check_offset(out, layout.settings_offset);
    out.write(stream.data(), stream.size());
    const auto trailer = trailer_bytes(field1, layout.settings_offset);
    out.write(trailer.data(), trailer.size());
    out.commit(out_path);
}

}  // namespace scr
