#include "package/component.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

#include "base/bytes.h"
#include "base/os.h"
#include "package/errors.h"
#include "package/extended.h"
#include "package/graphics.h"
#include "package/settings.h"

namespace scr {

// ---------------------------------------------------------------------------------------------
// Types and identifier tables

namespace {

constexpr IdentEntry kColors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", 0x8000000A}, {"clActiveCaption", 0x80000002}, {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001}, {"clBtnFace", 0x8000000F}, {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010}, {"clBtnText", 0x80000012}, {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000}, {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C}, {"clGrayText", 0x80000011}, {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clInactiveBorder", 0x8000000B}, {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013}, {"clInfoBk", 0x80000018}, {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004}, {"clMenuText", 0x80000007}, {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000}, {"cl3DDkShadow", 0x80000015}, {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005}, {"clWindowFrame", 0x80000006}, {"clWindowText", 0x80000008},
};
static_assert(std::size(kColors) == 49);

constexpr IdentEntry kCharsets[] = {
    {"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2}, {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129}, {"JOHAB_CHARSET", 130},
    {"GB2312_CHARSET", 134}, {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},
    {"TURKISH_CHARSET", 162}, {"HEBREW_CHARSET", 177}, {"ARABIC_CHARSET", 178},
    {"BALTIC_CHARSET", 186}, {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},
    {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255},
};
static_assert(std::size(kCharsets) == 18);

constexpr std::string_view kBooleanNames[] = {"False", "True"};

}  // namespace

const TypeInfo kIntegerType{"Integer", PropKind::Integer, OrdType::S32};
const TypeInfo kInt64Type{"Int64", PropKind::Int64};
const TypeInfo kBooleanType{"Boolean", PropKind::Enumeration, OrdType::U8, {}, kBooleanNames};
const TypeInfo kStringType{"String", PropKind::String};
const TypeInfo kCharType{"Char", PropKind::Char, OrdType::U8};
const TypeInfo kDoubleType{"Double", PropKind::Float};
const TypeInfo kColorType{"TColor", PropKind::Integer, OrdType::U32, kColors};
const TypeInfo kCharsetType{"TFontCharset", PropKind::Integer, OrdType::U8, kCharsets};

std::span<const IdentEntry> ColorIdents() { return kColors; }
std::span<const IdentEntry> CharsetIdents() { return kCharsets; }

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view IdentOf(std::span<const IdentEntry> table, int64_t value) {
    for (const auto& e : table)
        if (e.value == value) return e.name;
    return {};
}

bool ValueOf(std::span<const IdentEntry> table, std::string_view name, int64_t& value) {
    for (const auto& e : table)
        if (SameText(e.name, name)) {
            value = e.value;
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Classes

const PropInfo* ClassInfo::FindProperty(std::string_view name) const {
    for (const ClassInfo* c = this; c; c = c->parent_)
        for (const auto& p : c->props_)
            if (SameText(p.name, name)) return &p;
    return nullptr;
}

std::vector<const PropInfo*> ClassInfo::Properties() const {
    std::vector<const ClassInfo*> chain;
    for (const ClassInfo* c = this; c; c = c->parent_) chain.push_back(c);
    std::vector<const PropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const auto& p : (*it)->props_) out.push_back(&p);
    return out;
}

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
    for (const ClassInfo* c = this; c; c = c->parent_)
        if (c == &other) return true;
    return false;
}

bool TPersistent::DefinesBinary(std::string_view) const { return false; }
void TPersistent::ReadBinary(std::string_view, MemoryStream&) {}

namespace {
const PropInfo kComponentProps[] = {
    {"Name", &kStringType, [](const TPersistent& o) -> PropValue { return static_cast<const TComponent&>(o).Name; },
     [](TPersistent& o, const PropValue& v) { static_cast<TComponent&>(o).Name = std::get<std::string>(v); }},
    {"Tag", &kIntegerType,
     [](const TPersistent& o) -> PropValue { return int64_t(static_cast<const TComponent&>(o).Tag); },
     [](TPersistent& o, const PropValue& v) { static_cast<TComponent&>(o).Tag = int32_t(std::get<int64_t>(v)); }},
};
constexpr ClassInfo kComponentClass{"TComponent", nullptr, kComponentProps};
constexpr ClassInfo kCollectionClass{"TCollection", nullptr, {}};
}  // namespace

const ClassInfo& TComponent::StaticClass() { return kComponentClass; }
const ClassInfo& TCollection::StaticClass() { return kCollectionClass; }

PropValue GetPropValue(const TPersistent& object, const PropInfo& prop) { return prop.get(object); }

// ---------------------------------------------------------------------------------------------
// Class registry

namespace {

struct ClassRegistry {
    std::mutex mutex;
    std::vector<const ClassInfo*> classes;
    ClassRegistry() : classes{&TSSFileLocations::StaticClass(), &TImage::StaticClass()} {}
};

ClassRegistry& Registry() {
    static ClassRegistry registry;
    return registry;
}

// Stream reads never overlap: one process-wide lock for a whole read.
std::recursive_mutex& ReadLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace

void RegisterStreamClass(const ClassInfo& info) {
    auto& r = Registry();
    std::lock_guard<std::mutex> hold(r.mutex);
    if (std::find(r.classes.begin(), r.classes.end(), &info) == r.classes.end()) r.classes.push_back(&info);
}

const ClassInfo* FindStreamClass(std::string_view name) {
    auto& r = Registry();
    std::lock_guard<std::mutex> hold(r.mutex);
    for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it)
        if (SameText((*it)->name(), name)) return *it;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The reader

namespace {

// Nesting of collections read into real objects recurses on the machine stack; no class of
// this system nests collections, so a small bound is ample. Skipped values never recurse.
constexpr int kMaxObjectNesting = 256;

int64_t NarrowOrdinal(int64_t v, OrdType ord) {
    switch (ord) {
        case OrdType::S8: return int8_t(uint8_t(v));
        case OrdType::U8: return uint8_t(v);
        case OrdType::S16: return int16_t(uint16_t(v));
        case OrdType::U16: return uint16_t(v);
        case OrdType::S32: return int32_t(uint32_t(v));
        case OrdType::U32: return uint32_t(v);
    }
    return v;
}

[[noreturn]] void InvalidValue() { throw EReadError(msg::kInvalidPropertyValue); }
[[noreturn]] void ReadFailed() { throw EReadError(msg::kReadError); }

class Reader {
public:
    explicit Reader(Stream& stream) : stream_(stream) {}

    // Moves the stream back by what was read ahead and not consumed.
    void Finish() {
        if (end_ > pos_) stream_.Seek(-int64_t(end_ - pos_), SeekOrigin::Current);
        pos_ = end_ = 0;
    }

    // Bytes that can still be consumed: the unread part of the buffer and the rest of the stream.
    int64_t Left() const { return int64_t(end_ - pos_) + stream_.Remaining(); }
    // Refuses a count read from the stream before anything is sized by it.
    void CheckCount(uint64_t count) const {
        if (count > uint64_t(Left())) ReadFailed();
    }

    void Read(void* out, std::size_t count) {
        auto* dst = static_cast<uint8_t*>(out);
        while (count > 0) {
            if (pos_ == end_) {
                // Large remainders go straight to the caller's buffer.
                if (count >= sizeof buffer_) {
                    stream_.ReadBuffer(dst, int64_t(count));
                    return;
                }
                Fill();
            }
            const std::size_t n = std::min(count, end_ - pos_);
            std::memcpy(dst, buffer_ + pos_, n);
            pos_ += n;
            dst += n;
            count -= n;
        }
    }

    void Skip(uint64_t count) {
        CheckCount(count);
        const std::size_t buffered = std::min<std::size_t>(end_ - pos_, count);
        pos_ += buffered;
        count -= buffered;
        if (count > 0 && stream_.Seek(int64_t(count), SeekOrigin::Current) < 0) ReadFailed();
    }

    uint8_t ReadByte() {
        if (pos_ == end_) Fill();
        return buffer_[pos_++];
    }
    uint8_t PeekByte() {
        if (pos_ == end_) Fill();
        return buffer_[pos_];
    }

    uint32_t ReadU32() {
        uint8_t b[4];
        Read(b, 4);
        return LoadLE32(b);
    }
    uint64_t ReadU64() {
        uint8_t b[8];
        Read(b, 8);
        return LoadLE64(b);
    }

    std::string ReadShortString() {
        const uint8_t n = ReadByte();
        std::string s(n, '\0');
        Read(s.data(), n);
        return s;
    }

    std::string ReadBytes(uint64_t count) {
        CheckCount(count);
        std::string s(std::size_t(count), '\0');
        Read(s.data(), std::size_t(count));
        return s;
    }

    // The payload of tags 2, 3 and 4.
    int64_t ReadIntPayload(uint8_t tag) {
        switch (tag) {
            case TagInt8: return int8_t(ReadByte());
            case TagInt16: {
                uint8_t b[2];
                Read(b, 2);
                return int16_t(LoadLE16(b));
            }
            case TagInt32: return int32_t(ReadU32());
        }
        InvalidValue();
    }

    // An identifier value: tag 7's text, or the name of tags 8, 9, 0 and 13.
    std::string ReadIdent(uint8_t tag) {
        switch (tag) {
            case TagIdent: return ReadShortString();
            case TagFalse: return "False";
            case TagTrue: return "True";
            case TagEnd: return "Null";
            case TagNil: return "nil";
        }
        InvalidValue();
    }

    // A string value in the ANSI code page.
    std::string ReadStringValue(uint8_t tag) {
        switch (tag) {
            case TagString: return ReadShortString();
            case TagLString: return ReadBytes(ReadU32());
            case TagUtf8String: return sys::Utf8ToAnsi(ReadBytes(ReadU32()));
            case TagWString: {
                const std::string raw = ReadBytes(uint64_t(ReadU32()) * 2);
                std::u16string wide(raw.size() / 2, u'\0');
                for (std::size_t i = 0; i < wide.size(); ++i)
                    wide[i] = char16_t(LoadLE16(reinterpret_cast<const uint8_t*>(raw.data()) + 2 * i));
                return sys::Utf16ToAnsi(wide);
            }
        }
        InvalidValue();
    }

    // Skips one value whose tag has been read. Lists and collections are walked with an
    // explicit stack, so nesting depth costs heap, not machine stack.
    void SkipValue(uint8_t tag) {
        enum class Frame : uint8_t { List, Collection, ItemProps };
        std::vector<Frame> stack;
        int levels = 0;  // lists and collections open; an item's properties are no extra level
        auto scalar = [&](uint8_t t) {
            switch (t) {
                case TagEnd: case TagFalse: case TagTrue: case TagNil: return;
                case TagList: case TagCollection:
                    if (++levels > kMaxNesting) throw EReadError(msg::kNestingTooDeep);
                    stack.push_back(t == TagList ? Frame::List : Frame::Collection);
                    return;
                case TagInt8: Skip(1); return;
                case TagInt16: Skip(2); return;
                case TagInt32: case TagSingle: Skip(4); return;
                case TagExtended: Skip(10); return;
                case TagString: case TagIdent: Skip(ReadByte()); return;
                case TagBinary: case TagLString: case TagUtf8String: Skip(ReadU32()); return;
                case TagWString: Skip(uint64_t(ReadU32()) * 2); return;
                case TagSet:
                    for (uint8_t n = ReadByte(); n != 0; n = ReadByte()) Skip(n);
                    return;
                case TagCurrency: case TagDate: case TagInt64: Skip(8); return;
            }
            InvalidValue();  // no tag above 20 exists
        };
        scalar(tag);
        while (!stack.empty()) {
            switch (stack.back()) {
                case Frame::List: {
                    const uint8_t t = ReadByte();
                    if (t == TagEnd) {
                        stack.pop_back();
                        --levels;
                    } else {
                        scalar(t);
                    }
                    break;
                }
                case Frame::Collection: {
                    uint8_t t = ReadByte();
                    if (t == TagEnd) {
                        stack.pop_back();
                        --levels;
                        break;
                    }
                    if (t == TagInt8 || t == TagInt16 || t == TagInt32) {
                        ReadIntPayload(t);
                        t = ReadByte();
                    }
                    if (t != TagList) InvalidValue();
                    stack.push_back(Frame::ItemProps);
                    break;
                }
                case Frame::ItemProps: {
                    const uint8_t n = ReadByte();
                    if (n == 0) {
                        stack.pop_back();
                        break;
                    }
                    Skip(n);
                    scalar(ReadByte());
                    break;
                }
            }
        }
    }

    // Reads the optional prefix of a component record.
    void ReadPrefix() {
        if (PeekByte() < 0xF0) return;
        const uint8_t flags = ReadByte();
        if (flags & 0x02) ReadIntPayload(ReadByte());
    }

    // Child records are parsed and skipped; nesting is counted, not recursed.
    void SkipChildren() {
        int depth = 0;
        for (;;) {
            if (PeekByte() == 0) {
                ReadByte();
                if (depth == 0) return;
                --depth;
                continue;
            }
            ReadPrefix();
            ReadShortString();  // class name
            ReadShortString();  // object name
            for (uint8_t n = ReadByte(); n != 0; n = ReadByte()) {
                Skip(n);
                SkipValue(ReadByte());
            }
            if (++depth > kMaxNesting) throw EReadError(msg::kNestingTooDeep);
        }
    }

    // One property entry of object, whose name length byte is next and non-zero. Every failure
    // after the name is reported with the object's name and the stored path.
    void ReadProperty(TPersistent& object, const std::string& object_name, int nesting) {
        const std::string path = ReadShortString();
        try {
            ReadPropertyValue(object, path, nesting);
        } catch (const Exception& e) {
            throw EReadError(msg::PropertyError(object_name, path, e.what()));
        }
    }

    void ReadProperties(TPersistent& object, const std::string& object_name, int nesting) {
        while (PeekByte() != 0) ReadProperty(object, object_name, nesting);
        ReadByte();
    }

private:
    void ReadPropertyValue(TPersistent& object, const std::string& path, int nesting) {
        TPersistent* current = &object;
        std::string_view rest = path;
        for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos; rest.remove_prefix(dot + 1)) {
            const PropInfo* p = current->GetClass().FindProperty(rest.substr(0, dot));
            if (!p) {
                SkipValue(ReadByte());
                return;
            }
            TPersistent* next = nullptr;
            if (p->type->kind == PropKind::Object) {
                const PropValue v = p->get(*current);
                if (auto* o = std::get_if<TPersistent*>(&v)) next = *o;
            }
            if (!next) {
                SkipValue(ReadByte());
                throw EReadError(msg::kInvalidPropertyPath);
            }
            current = next;
        }
        if (const PropInfo* p = current->GetClass().FindProperty(rest)) {
            ReadKnownValue(*current, *p, nesting);
        } else if (current->DefinesBinary(rest)) {
            const uint8_t tag = ReadByte();
            if (tag != TagBinary) {
                SkipValue(tag);
                InvalidValue();
            }
            const uint32_t count = ReadU32();
            CheckCount(count);
            std::vector<uint8_t> bytes(count);
            Read(bytes.data(), count);
            MemoryStream data(std::move(bytes));
            current->ReadBinary(rest, data);
        } else {
            SkipValue(ReadByte());
        }
    }

    void ReadKnownValue(TPersistent& object, const PropInfo& p, int nesting) {
        const TypeInfo& type = *p.type;
        const uint8_t tag = ReadByte();
        // A collection is filled in place, so it needs no setter.
        const bool in_place = type.kind == PropKind::Object && tag == TagCollection;
        if (!p.set && !in_place) throw EReadError(msg::kPropertyReadOnly);
        switch (type.kind) {
            case PropKind::Integer: {
                int64_t v;
                if (tag == TagInt8 || tag == TagInt16 || tag == TagInt32) {
                    v = ReadIntPayload(tag);
                } else if (tag == TagIdent && !type.idents.empty()) {
                    if (!ValueOf(type.idents, ReadShortString(), v)) InvalidValue();
                } else {
                    InvalidValue();
                }
                p.set(object, NarrowOrdinal(v, type.ord));
                return;
            }
            case PropKind::Char: {
                const std::string s = ReadStringValue(tag);
                if (s.size() > 1) InvalidValue();
                p.set(object, int64_t(s.empty() ? 0 : uint8_t(s[0])));
                return;
            }
            case PropKind::Enumeration: {
                const std::string name = ReadIdent(tag);
                for (std::size_t i = 0; i < type.names.size(); ++i)
                    if (SameText(type.names[i], name)) {
                        p.set(object, int64_t(i));
                        return;
                    }
                InvalidValue();
            }
            case PropKind::Set: {
                if (tag != TagSet) InvalidValue();
                uint32_t mask = 0;
                for (std::string name = ReadShortString(); !name.empty(); name = ReadShortString())
                    for (std::size_t i = 0; i < type.names.size() && i < 32; ++i)
                        if (SameText(type.names[i], name)) mask |= uint32_t(1) << i;
                p.set(object, int64_t(mask));
                return;
            }
            case PropKind::Float: {
                double v;
                if (tag == TagExtended) {
                    std::array<uint8_t, 10> b;
                    Read(b.data(), 10);
                    v = ExtendedToDouble(b);
                } else {
                    v = double(ReadIntPayload(tag));
                }
                p.set(object, v);
                return;
            }
            case PropKind::String:
                p.set(object, ReadStringValue(tag));
                return;
            case PropKind::Int64: {
                const int64_t v = tag == TagInt64 ? int64_t(ReadU64()) : ReadIntPayload(tag);
                p.set(object, v);
                return;
            }
            case PropKind::Object: {
                if (tag == TagNil) {
                    p.set(object, static_cast<TPersistent*>(nullptr));
                } else if (tag == TagCollection) {
                    const PropValue v = p.get(object);
                    auto* held = std::get_if<TPersistent*>(&v);
                    auto* collection = held ? dynamic_cast<TCollection*>(*held) : nullptr;
                    if (!collection) {
                        SkipValue(tag);
                        InvalidValue();
                    }
                    ReadCollection(*collection, nesting + 1);
                } else if (tag == TagIdent) {
                    // A reference to another object by name; no object of this system has any.
                    ReadShortString();
                } else {
                    InvalidValue();
                }
                return;
            }
            case PropKind::Event: {
                if (tag == TagNil)
                    p.set(object, std::monostate{});
                else if (tag == TagIdent)
                    p.set(object, ReadShortString());
                else
                    InvalidValue();
                return;
            }
        }
        InvalidValue();
    }

    void ReadCollection(TCollection& collection, int nesting) {
        if (nesting > kMaxObjectNesting) throw EReadError(msg::kNestingTooDeep);
        collection.Clear();
        for (uint8_t t = ReadByte(); t != TagEnd; t = ReadByte()) {
            if (t == TagInt8 || t == TagInt16 || t == TagInt32) {
                ReadIntPayload(t);
                t = ReadByte();
            }
            if (t != TagList) InvalidValue();
            TCollectionItem& item = collection.Add();
            ReadProperties(item, std::string(item.GetClass().name()), nesting);
        }
    }

    void Fill() {
        end_ = std::size_t(std::max<int64_t>(stream_.Read(buffer_, sizeof buffer_), 0));
        pos_ = 0;
        if (end_ == 0) ReadFailed();
    }

    Stream& stream_;
    uint8_t buffer_[4096];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

std::string DisplayName(const TPersistent& object) {
    if (auto* c = dynamic_cast<const TComponent*>(&object); c && !c->Name.empty()) return c->Name;
    return std::string(object.GetClass().name());
}

// The shared body of both forms; creates the object when target is null.
TPersistent& ReadRoot(Stream& stream, TPersistent* target, std::unique_ptr<TComponent>& created) {
    std::lock_guard<std::recursive_mutex> hold(ReadLock());
    Reader reader(stream);
    TPersistent* object = nullptr;
    try {
        char signature[4];
        reader.Read(signature, 4);
        if (std::memcmp(signature, "TPF0", 4) != 0) throw EReadError(msg::kInvalidStreamFormat);
        reader.ReadPrefix();
        const std::string class_name = reader.ReadShortString();
        std::string name = reader.ReadShortString();
        if (target) {
            object = target;
        } else {
            const ClassInfo* info = FindStreamClass(class_name);
            if (!info || !info->factory()) throw EClassNotFound(msg::ClassNotFound(class_name));
            created = info->factory()();
            object = created.get();
        }
        if (auto* component = dynamic_cast<TComponent*>(object)) component->Name = std::move(name);
        object->set_loading(true);
        reader.ReadProperties(*object, DisplayName(*object), 0);
        reader.SkipChildren();
        object->set_loading(false);
        reader.Finish();
    } catch (...) {
        if (object) object->set_loading(false);
        created.reset();
        try {
            reader.Finish();
        } catch (...) {
            // The original failure is what the caller needs to see.
        }
        throw;
    }
    object->Loaded();
    return *object;
}

}  // namespace

TPersistent& LoadComponentStream(Stream& stream, TPersistent& target) {
    std::unique_ptr<TComponent> none;
    return ReadRoot(stream, &target, none);
}

std::unique_ptr<TComponent> LoadComponentStream(Stream& stream) {
    std::unique_ptr<TComponent> created;
    ReadRoot(stream, nullptr, created);
    return created;
}

}  // namespace scr
