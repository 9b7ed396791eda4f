// The settings record of a package: the show's options, the package's texts and the index of
// its items (offsets, file names and sizes as comma lists).
#pragma once

#include <cstdint>
#include <string>

#include "package/commatext.h"
#include "package/component.h"
#include "package/font.h"

namespace scr {

class TSSFileLocations : public TComponent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    TSSFileLocations() = default;

    std::string Text;
    TFont TextFont;
    bool lRandomStyle = false;
    bool lRandomPic = false;
    bool lClearOldImage = false;
    int32_t Interval = 0;
    int32_t SoundRandom = 0;
    bool lSoundLoop = false;
    bool lMute = false;
    std::string Title;
    std::string Author;
    std::string Email;
    std::string Web;
    std::string Ver;

    // The owned lists; the comma-list properties read them as comma text and replace them
    // from comma text.
    StringList PicCommaList;
    StringList PicFileNamesCommaList;
    StringList SndCommaList;
    StringList SndFileNamesCommaList;
    StringList SndSizesCommaList;
    StringList FlashCommaList;
    StringList FlashFileNamesCommaList;
    StringList FlashSizesCommaList;
    StringList DescriptCommaList;

    // Item accessors; an index outside the named list raises Exception "Index is out of bounds".
    int PicCount() const { return int(PicCommaList.size()); }
    int32_t PicOffset(int index) const;
    int SndCount() const { return int(SndCommaList.size()); }
    int32_t SndOffset(int index) const;
    std::string SndFileName(int index) const;
    int32_t SndSize(int index) const;
    int FlashCount() const { return int(FlashCommaList.size()); }
    int32_t FlashOffset(int index) const;
    std::string FlashFileName(int index) const;
    int32_t FlashSize(int index) const;
};

}  // namespace scr
