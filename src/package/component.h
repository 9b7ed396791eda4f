// The component stream reader and the object model it fills: classes describe their
// published properties in tables (name, kind, type, getter, setter) that the reader, the
// package writer and the package tool all use; classes are found by name in a registry.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "package/stream.h"

namespace scr {

class TPersistent;
class TComponent;

// Value tags of the stream format.
enum ValueTag : uint8_t {
    TagEnd = 0, TagList = 1, TagInt8 = 2, TagInt16 = 3, TagInt32 = 4, TagExtended = 5,
    TagString = 6, TagIdent = 7, TagFalse = 8, TagTrue = 9, TagBinary = 10, TagSet = 11,
    TagLString = 12, TagNil = 13, TagCollection = 14, TagSingle = 15, TagCurrency = 16,
    TagDate = 17, TagWString = 18, TagInt64 = 19, TagUtf8String = 20,
};

enum class PropKind { Integer, Char, Enumeration, Float, String, Set, Object, Event, Int64 };

// Storage width of an integer, character, enumeration or set type.
enum class OrdType { S8, U8, S16, U16, S32, U32 };

struct IdentEntry {
    std::string_view name;
    int64_t value;
};

struct TypeInfo {
    std::string_view name;  // "Integer", "TColor", "TFontCharset", "Boolean", "TFontStyles", ...
    PropKind kind;
    OrdType ord = OrdType::S32;
    std::span<const IdentEntry> idents = {};        // integer types read from identifiers
    std::span<const std::string_view> names = {};   // enumeration names / set element names
};

// Built-in types.
extern const TypeInfo kIntegerType;   // signed 32-bit
extern const TypeInfo kInt64Type;
extern const TypeInfo kBooleanType;   // enumeration False, True
extern const TypeInfo kStringType;
extern const TypeInfo kCharType;
extern const TypeInfo kDoubleType;
extern const TypeInfo kColorType;     // TColor: 32-bit, colour identifiers (unsigned view)
extern const TypeInfo kCharsetType;   // TFontCharset: 0..255, charset identifiers

// The identifier tables of colours (49 names) and charsets (18 names), in table order.
std::span<const IdentEntry> ColorIdents();
std::span<const IdentEntry> CharsetIdents();
// Name of a value in a table, or empty when the value has no name (first match wins).
std::string_view IdentOf(std::span<const IdentEntry> table, int64_t value);
// Value of a name, ASCII letter case ignored; false when absent.
bool ValueOf(std::span<const IdentEntry> table, std::string_view name, int64_t& value);

// A property value as the table's getters and setters exchange it:
//  Integer, Char, Enumeration (ordinal), Set (bit mask), Int64 -> int64_t, in the type's width
//  (a TColor reads as 0..0xFFFFFFFF); Float -> double; String -> std::string (ANSI);
//  Object -> TPersistent* (nullptr for none); Event -> std::string method name or monostate.
using PropValue = std::variant<std::monostate, int64_t, double, std::string, TPersistent*>;

struct PropInfo {
    std::string_view name;
    const TypeInfo* type;
    PropValue (*get)(const TPersistent&);
    void (*set)(TPersistent&, const PropValue&);  // nullptr: read-only
    bool stored = true;                            // false: never written (TFont.Size)
};

class ClassInfo {
public:
    using Factory = std::unique_ptr<TComponent> (*)();
    constexpr ClassInfo(std::string_view name, const ClassInfo* parent, std::span<const PropInfo> props,
                        Factory create = nullptr)
        : name_(name), parent_(parent), props_(props), create_(create) {}

    std::string_view name() const { return name_; }
    const ClassInfo* parent() const { return parent_; }
    std::span<const PropInfo> own_properties() const { return props_; }
    Factory factory() const { return create_; }
    // The property of that name, own first then ancestors', ASCII letter case ignored.
    const PropInfo* FindProperty(std::string_view name) const;
    // Every published property, ancestors' first, in declared order.
    std::vector<const PropInfo*> Properties() const;
    bool InheritsFrom(const ClassInfo& other) const;

private:
    std::string_view name_;
    const ClassInfo* parent_;
    std::span<const PropInfo> props_;
    Factory create_;
};

// Base of every streamable object.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const ClassInfo& GetClass() const = 0;

    // Defined (unpublished) binary properties: whether the object reads one of this name
    // (ASCII case ignored) and reading it from a buffer of exactly the stored size.
    virtual bool DefinesBinary(std::string_view name) const;
    virtual void ReadBinary(std::string_view name, MemoryStream& data);

    bool loading() const { return loading_; }
    void set_loading(bool on) { loading_ = on; }
    // Called once after a stream read has set every property of the object.
    virtual void Loaded() {}

private:
    bool loading_ = false;
};

// A component: adds the published Name and Tag.
class TComponent : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    std::string Name;
    int32_t Tag = 0;
};

class TCollectionItem : public TPersistent {};

// A collection property value: tag 14 clears it and reads its items into it.
class TCollection : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    virtual TCollectionItem& Add() = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
};

// Generic access for tools: the current value of a published property.
PropValue GetPropValue(const TPersistent& object, const PropInfo& prop);
// ASCII case-insensitive equality of names.
bool SameText(std::string_view a, std::string_view b);

// Makes a class creatable by name when a stream is read without a target. TSSFileLocations
// and TImage are always registered. Lookup ignores ASCII letter case.
void RegisterStreamClass(const ClassInfo& info);
const ClassInfo* FindStreamClass(std::string_view name);

// Deepest nesting of lists, collections and child records a stream may hold.
inline constexpr int kMaxNesting = 100000;

// Reads one component stream at the stream's position into target and returns target.
// Afterwards (also after a failure) the stream stands just past the last byte consumed.
TPersistent& LoadComponentStream(Stream& stream, TPersistent& target);
// Reads one component stream into a new object of the registered class the stream names.
std::unique_ptr<TComponent> LoadComponentStream(Stream& stream);

}  // namespace scr
