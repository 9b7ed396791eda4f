// A tiny encoder for component streams and packages, so tests state their bytes plainly.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "package/component.h"
#include "package/extended.h"

namespace scr::test {

class Bytes {
public:
    std::vector<uint8_t> v;

    Bytes& raw(std::initializer_list<int> bytes) {
        for (int b : bytes) v.push_back(uint8_t(b));
        return *this;
    }
    Bytes& text(std::string_view s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& append(const std::vector<uint8_t>& other) {
        v.insert(v.end(), other.begin(), other.end());
        return *this;
    }
    Bytes& u8(unsigned x) { return raw({int(x & 0xFF)}); }
    Bytes& u16(unsigned x) { return u8(x).u8(x >> 8); }
    Bytes& u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& u64(uint64_t x) { return u32(uint32_t(x)).u32(uint32_t(x >> 32)); }
    Bytes& sstr(std::string_view s) { return u8(unsigned(s.size())).text(s); }

    // "TPF0", class name, object name.
    Bytes& header(std::string_view cls, std::string_view name = "") { return text("TPF0").sstr(cls).sstr(name); }
    Bytes& prop(std::string_view name) { return sstr(name); }
    Bytes& end() { return u8(0); }

    // Values, each with its tag.
    Bytes& integer(int64_t x) {
        if (x >= -128 && x <= 127) return u8(TagInt8).u8(unsigned(x));
        if (x >= -32768 && x <= 32767) return u8(TagInt16).u16(unsigned(x));
        return u8(TagInt32).u32(uint32_t(x));
    }
    Bytes& int64(int64_t x) { return u8(TagInt64).u64(uint64_t(x)); }
    Bytes& ident(std::string_view s) { return u8(TagIdent).sstr(s); }
    Bytes& boolean(bool b) { return u8(b ? TagTrue : TagFalse); }
    Bytes& str(std::string_view s) { return u8(TagString).sstr(s); }
    Bytes& lstr(std::string_view s) { return u8(TagLString).u32(uint32_t(s.size())).text(s); }
    Bytes& utf8(std::string_view s) { return u8(TagUtf8String).u32(uint32_t(s.size())).text(s); }
    Bytes& wstr(std::u16string_view s) {
        u8(TagWString).u32(uint32_t(s.size()));
        for (char16_t c : s) u16(c);
        return *this;
    }
    Bytes& binary(const std::vector<uint8_t>& data) {
        return u8(TagBinary).u32(uint32_t(data.size())).append(data);
    }
    Bytes& set(std::initializer_list<std::string_view> names) {
        u8(TagSet);
        for (auto n : names) sstr(n);
        return u8(0);
    }
    Bytes& extended(double d) {
        u8(TagExtended);
        for (uint8_t b : DoubleToExtended(d)) u8(b);
        return *this;
    }
};

// The payload of "Picture.Data": graphic class name, u32 size, the JPEG bytes.
inline std::vector<uint8_t> PicturePayload(const std::vector<uint8_t>& jpeg, std::string_view cls = "TJPEGImage") {
    Bytes b;
    b.sstr(cls).u32(uint32_t(jpeg.size())).append(jpeg);
    return b.v;
}

// A whole picture item as packages store it.
inline std::vector<uint8_t> PictureItem(const std::vector<uint8_t>& jpeg, std::string_view cls = "TJPEGImage") {
    Bytes b;
    b.header("TImage");
    b.prop("Left").integer(0).prop("Top").integer(0).prop("Width").integer(105).prop("Height").integer(105);
    b.prop("Picture.Data").binary(PicturePayload(jpeg, cls));
    b.end().end();
    return b.v;
}

// A 20-byte trailer field, left-justified and filled with blanks.
inline std::string TrailerField(const std::string& text) {
    std::string f = text;
    f.resize(20, ' ');
    return f;
}

}  // namespace scr::test
