#include "package/settings.h"

#include "package/errors.h"
#include "package/items.h"

namespace scr {

namespace {

TSSFileLocations& S(TPersistent& o) { return static_cast<TSSFileLocations&>(o); }
const TSSFileLocations& S(const TPersistent& o) { return static_cast<const TSSFileLocations&>(o); }

#define SCR_STRING_PROP(field)                                                                   \
    PropInfo {                                                                                   \
        #field, &kStringType, [](const TPersistent& o) -> PropValue { return S(o).field; },      \
            [](TPersistent& o, const PropValue& v) { S(o).field = std::get<std::string>(v); }    \
    }
#define SCR_BOOL_PROP(field)                                                                     \
    PropInfo {                                                                                   \
        #field, &kBooleanType, [](const TPersistent& o) -> PropValue { return int64_t(S(o).field); }, \
            [](TPersistent& o, const PropValue& v) { S(o).field = std::get<int64_t>(v) != 0; }   \
    }
#define SCR_INT_PROP(field)                                                                      \
    PropInfo {                                                                                   \
        #field, &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(S(o).field); }, \
            [](TPersistent& o, const PropValue& v) { S(o).field = int32_t(std::get<int64_t>(v)); } \
    }
// A comma list reads as its formatted comma text and is replaced by parsing a new one.
#define SCR_LIST_PROP(field)                                                                     \
    PropInfo {                                                                                   \
        #field, &kStringType,                                                                    \
            [](const TPersistent& o) -> PropValue { return FormatCommaText(S(o).field); },       \
            [](TPersistent& o, const PropValue& v) { S(o).field = ParseCommaText(std::get<std::string>(v)); } \
    }

const TypeInfo kFontObjectType{"TFont", PropKind::Object};

const PropInfo kSettingsProps[] = {
    SCR_STRING_PROP(Text),
    {"TextFont", &kFontObjectType,
     [](const TPersistent& o) -> PropValue { return const_cast<TPersistent*>(static_cast<const TPersistent*>(&S(o).TextFont)); },
     [](TPersistent& o, const PropValue& v) {
         // The owned font takes the given font's attributes; "no font" leaves it as it is.
         if (auto* font = dynamic_cast<TFont*>(std::get<TPersistent*>(v))) S(o).TextFont.Assign(*font);
     }},
    SCR_BOOL_PROP(lRandomStyle),
    SCR_BOOL_PROP(lRandomPic),
    SCR_BOOL_PROP(lClearOldImage),
    SCR_INT_PROP(Interval),
    SCR_INT_PROP(SoundRandom),
    SCR_BOOL_PROP(lSoundLoop),
    SCR_BOOL_PROP(lMute),
    SCR_STRING_PROP(Title),
    SCR_STRING_PROP(Author),
    SCR_STRING_PROP(Email),
    SCR_STRING_PROP(Web),
    SCR_STRING_PROP(Ver),
    SCR_LIST_PROP(PicCommaList),
    SCR_LIST_PROP(PicFileNamesCommaList),
    SCR_LIST_PROP(SndCommaList),
    SCR_LIST_PROP(SndFileNamesCommaList),
    SCR_LIST_PROP(SndSizesCommaList),
    SCR_LIST_PROP(FlashCommaList),
    SCR_LIST_PROP(FlashFileNamesCommaList),
    SCR_LIST_PROP(FlashSizesCommaList),
    SCR_LIST_PROP(DescriptCommaList),
};

std::unique_ptr<TComponent> CreateSettings() { return std::make_unique<TSSFileLocations>(); }


const std::string& Entry(const StringList& list, int index) {
    if (index < 0 || std::size_t(index) >= list.size()) throw Exception(msg::kIndexOutOfBounds);
    return list[std::size_t(index)];
}

}  // namespace

const ClassInfo& TSSFileLocations::StaticClass() {
    // Built on first use, so that registration during start-up never sees it half made.
    static const ClassInfo info{"TSSFileLocations", &TComponent::StaticClass(), kSettingsProps, CreateSettings};
    return info;
}

int32_t TSSFileLocations::PicOffset(int index) const { return StrToInt32Def0(Entry(PicCommaList, index)); }
int32_t TSSFileLocations::SndOffset(int index) const { return StrToInt32Def0(Entry(SndCommaList, index)); }
std::string TSSFileLocations::SndFileName(int index) const { return Entry(SndFileNamesCommaList, index); }
int32_t TSSFileLocations::SndSize(int index) const { return StrToInt32Def0(Entry(SndSizesCommaList, index)); }
int32_t TSSFileLocations::FlashOffset(int index) const { return StrToInt32Def0(Entry(FlashCommaList, index)); }
std::string TSSFileLocations::FlashFileName(int index) const { return Entry(FlashFileNamesCommaList, index); }
int32_t TSSFileLocations::FlashSize(int index) const { return StrToInt32Def0(Entry(FlashSizesCommaList, index)); }

}  // namespace scr
