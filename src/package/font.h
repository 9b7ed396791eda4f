// The caption font of the settings record.
#pragma once

#include <cstdint>
#include <string>

#include "package/component.h"

namespace scr {

enum TFontPitch : int { fpDefault = 0, fpVariable = 1, fpFixed = 2 };
// Style bits: 1 bold, 2 italic, 4 underline, 8 strike-out.
enum TFontStyle : uint32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline constexpr uint32_t clWindowText = 0x80000008;
inline constexpr uint8_t DEFAULT_CHARSET = 1;

extern const TypeInfo kFontPitchType;   // enumeration fpDefault, fpVariable, fpFixed
extern const TypeInfo kFontStylesType;  // set of fsBold, fsItalic, fsUnderline, fsStrikeOut

class TFont : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    // The default font: "MS Sans Serif", 8 points at the screen's resolution, clWindowText,
    // DEFAULT_CHARSET, no style.
    TFont();
    void Assign(const TFont& other);

    // Points from Height at the screen's resolution; setting it sets Height.
    int32_t Size() const;
    void SetSize(int32_t points);

    uint8_t Charset = DEFAULT_CHARSET;
    uint32_t Color = clWindowText;
    int32_t Height = 0;
    std::string Name = "MS Sans Serif";
    TFontPitch Pitch = fpDefault;
    uint32_t Style = 0;
};

}  // namespace scr
