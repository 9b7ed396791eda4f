// The package writer: encodes component streams the way the authoring side does, and lays
// out a whole saver (stub executable, items, settings stream, trailer). Readers never use
// it; the package tool and the tests build their packages with it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "package/errors.h"
#include "package/items.h"

namespace scr {

// A package that cannot be written as asked: bad input, too large, or an output error.
class PackageWriteError : public Exception {
public:
    using Exception::Exception;
};

// Encodes one component stream into memory. Text arguments are in the ANSI code page, as
// the readers hold them; names (classes, properties, identifiers) are plain ASCII.
class ComponentWriter {
public:
    void signature();
    // Class name and object name of a component record (no prefix byte: packages have none).
    void begin_object(std::string_view class_name, std::string_view object_name = {});
    // The 0x00 that ends a property list or a child list.
    void end_list();

    void property_name(std::string_view name);

    // Values, each with its tag, following the writer's encoding rules.
    void integer(int64_t value);  // smallest of tags 2, 3, 4; refuses values beyond 32 bits
    void boolean(bool value);     // tag 8 or 9
    void ident(std::string_view name);
    void set(std::span<const std::string> members);
    void string(std::string_view ansi);  // tag 6, 12, or 20 in UTF-8 when any byte >= 0x80
    void binary(std::span<const uint8_t> data);

    // Whole property entries.
    void integer_property(std::string_view name, int64_t value);
    void boolean_property(std::string_view name, bool value);
    void ident_property(std::string_view name, std::string_view ident);
    void set_property(std::string_view name, std::span<const std::string> members);
    // Left out when the text is empty, as the writer leaves out empty strings.
    void string_property(std::string_view name, std::string_view ansi);
    // A colour or charset with a name in its table is written as that name, else as a number.
    void color_property(std::string_view name, uint32_t color);
    void charset_property(std::string_view name, uint8_t charset);

    const std::vector<uint8_t>& bytes() const { return out_; }
    std::vector<uint8_t> take() { return std::move(out_); }

private:
    void byte(uint8_t b) { out_.push_back(b); }
    void u32(uint32_t v);
    void short_string(std::string_view s);

    std::vector<uint8_t> out_;
};

// --- Picture items -------------------------------------------------------------------------

// Bytes that a picture item adds around its JPEG data.
inline constexpr uint32_t kPictureItemHeaderSize = 75;
inline constexpr uint32_t kPictureItemOverhead = kPictureItemHeaderSize + 2;

// The bytes of a picture item up to its JPEG data, for a JPEG of jpeg_size bytes; the item
// ends with the JPEG bytes and kPictureItemTail.
std::array<uint8_t, kPictureItemHeaderSize> picture_item_header(uint32_t jpeg_size);
inline constexpr std::array<uint8_t, 2> kPictureItemTail{0, 0};
// A whole picture item.
std::vector<uint8_t> picture_item(std::span<const uint8_t> jpeg);

// --- The settings record's fields ----------------------------------------------------------

// How a field of the settings record is stored and shown.
enum class FieldKind {
    Text,     // ANSI text, left out of the stream when empty; a comma list reads as its comma text
    Boolean,
    Integer,  // signed 32-bit
    Color,    // stored as its colour name when it has one, else as a signed 32-bit number
    Charset,  // stored as its charset name when it has one, else as 0 to 255
    Pitch,    // stored as its name, and only when it is not fpDefault
    Styles,   // a set of style names
};

// One stored field of the settings record. The caption font's attributes are fields of their
// own ("TextFont.Charset", ...), grouped under the font's property name.
struct SettingsField {
    std::string_view name;   // the property name in the stream
    FieldKind kind;
    // Where the field stands in its group's one-line description (0 first) and the word that
    // introduces it there (none for the first); unused for fields outside a group.
    int line_rank;
    std::string_view label;
    int64_t (*number)(const TSSFileLocations&);    // every kind but Text
    std::string (*text)(const TSSFileLocations&);  // Text

    // "TextFont" for "TextFont.Height"; empty for a field of the record itself.
    std::string_view group() const;
};

// Every stored field, in the order the stream holds them (the record's property order).
std::span<const SettingsField> SettingsFields();

// A field's value, formatted once for the writer and for every way the tool shows it.
struct FieldValue {
    int64_t number = 0;                     // a Color reads 0 to 0xFFFFFFFF; Styles is the bit mask
    std::string text;                       // Text, in the ANSI code page
    std::string_view ident;                 // Color, Charset, Pitch: the value's name, if it has one
    std::vector<std::string_view> members;  // Styles: the names of the set's members
};
FieldValue FormatField(const SettingsField& field, const TSSFileLocations& settings);

// --- Settings, trailer, layout -------------------------------------------------------------

// The settings stream of a record: every field of SettingsFields() in order.
std::vector<uint8_t> settings_stream(const TSSFileLocations& settings);

// Both fields as decimal text, left-justified and filled with blanks.
std::array<uint8_t, std::size_t(kTrailerSize)> trailer_bytes(int32_t field1, int32_t field2);

// Every offset, size and the file length must stay below 2 GiB (signed 32-bit).
inline constexpr uint64_t kMaxPackageFileSize = 0x7FFFFFFFu;

// Where everything goes, from the sizes alone: items back to back after the stub (pictures,
// then sounds, then Flash items), then the settings stream. Throws PackageWriteError when
// any of it would reach 2 GiB.
struct PackageLayout {
    uint64_t stub_size = 0;
    std::vector<int32_t> picture_offsets;
    std::vector<int32_t> sound_offsets;
    std::vector<int32_t> flash_offsets;
    int32_t settings_offset = 0;  // trailer field 2
};
PackageLayout plan_package(uint64_t stub_size, std::span<const uint64_t> jpeg_sizes,
                           std::span<const uint64_t> sound_sizes,
                           std::span<const uint64_t> flash_sizes);
// Trailer field 1 for a settings stream of settings_size bytes; throws PackageWriteError
// when the file would reach 2 GiB.
int32_t appended_length(const PackageLayout& layout, uint64_t settings_size);

// --- Item names ----------------------------------------------------------------------------

// Throws PackageWriteError naming the item when a stored file name would be refused on
// extraction (empty, ".", "..", a path separator, a drive colon, a character forbidden in
// file names), and also when Windows would not create the file under that very name
// (a trailing dot or blank, a reserved device name).
void check_item_name(std::string_view ansi_name);

// --- Whole packages ------------------------------------------------------------------------

struct PackageItemFile {
    std::string path;         // where the bytes come from (native file name)
    std::string stored_name;  // the name in the package, ANSI code page
};

// The JPEG data of picture `index`, made by the caller (a picture scaled or turned upright,
// say) instead of read from the picture's file.
using PictureSource = std::function<std::vector<uint8_t>(std::size_t index)>;

struct PackageInput {
    std::string stub_path;
    std::vector<PackageItemFile> pictures;   // JPEG files, in show order
    std::vector<PackageItemFile> sounds;      // in play order
    std::vector<PackageItemFile> flash;       // Flash movies or presentation files
    // When set, asked once for each picture, in show order, while the saver is written; the
    // pictures' paths are then only named in messages.
    PictureSource picture_source;
};

// Progress of a build: items written so far out of the total.
using PackageProgress = std::function<void(std::size_t done, std::size_t total)>;

// Writes a saver to out_path. The item lists of `settings` (offsets, names, sizes, picture
// names) are replaced by those of the input; every other property is written as given.
// Stored names are checked with check_item_name, and the sizes known beforehand with
// plan_package, before anything is written; each picture's JPEG headers are parsed before
// it is packed. The saver is written beside out_path and renamed only when complete, so a
// failed build leaves no half-written saver. Throws PackageWriteError naming the file at
// fault, the file errors (EFOpenError, EFCreateError) of an input or output that cannot be
// opened, or whatever the picture source throws.
void build_package(const PackageInput& input, TSSFileLocations& settings,
                   const std::string& out_path, const PackageProgress& progress = {});

}  // namespace scr
