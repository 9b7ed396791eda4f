#include "package/font.h"

#include "base/geometry.h"
#include "base/os.h"

namespace scr {

namespace {

constexpr std::string_view kPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
constexpr std::string_view kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

TFont& F(TPersistent& o) { return static_cast<TFont&>(o); }
const TFont& F(const TPersistent& o) { return static_cast<const TFont&>(o); }
int64_t I(const PropValue& v) { return std::get<int64_t>(v); }

}  // namespace

const TypeInfo kFontPitchType{"TFontPitch", PropKind::Enumeration, OrdType::U8, {}, kPitchNames};
const TypeInfo kFontStylesType{"TFontStyles", PropKind::Set, OrdType::U8, {}, kStyleNames};

namespace {
const PropInfo kFontProps[] = {
    {"Charset", &kCharsetType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Charset); },
     [](TPersistent& o, const PropValue& v) { F(o).Charset = uint8_t(I(v)); }},
    {"Color", &kColorType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Color); },
     [](TPersistent& o, const PropValue& v) { F(o).Color = uint32_t(I(v)); }},
    {"Height", &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Height); },
     [](TPersistent& o, const PropValue& v) { F(o).Height = int32_t(I(v)); }},
    {"Name", &kStringType, [](const TPersistent& o) -> PropValue { return F(o).Name; },
     [](TPersistent& o, const PropValue& v) { F(o).Name = std::get<std::string>(v); }},
    {"Pitch", &kFontPitchType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Pitch); },
     [](TPersistent& o, const PropValue& v) { F(o).Pitch = TFontPitch(I(v)); }},
    {"Size", &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Size()); },
     [](TPersistent& o, const PropValue& v) { F(o).SetSize(int32_t(I(v))); }, false},
    {"Style", &kFontStylesType, [](const TPersistent& o) -> PropValue { return int64_t(F(o).Style); },
     [](TPersistent& o, const PropValue& v) { F(o).Style = uint32_t(I(v)) & 0x0F; }},
};
constexpr ClassInfo kFontClass{"TFont", nullptr, kFontProps};
}  // namespace

const ClassInfo& TFont::StaticClass() { return kFontClass; }

TFont::TFont() : Height(FontHeightFromPoints(8, sys::ScreenPixelsPerInch())) {}

void TFont::Assign(const TFont& other) {
    Charset = other.Charset;
    Color = other.Color;
    Height = other.Height;
    Name = other.Name;
    Pitch = other.Pitch;
    Style = other.Style;
}

int32_t TFont::Size() const { return FontPointsFromHeight(Height, sys::ScreenPixelsPerInch()); }

void TFont::SetSize(int32_t points) { Height = FontHeightFromPoints(points, sys::ScreenPixelsPerInch()); }

}  // namespace scr
