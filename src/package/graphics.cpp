#include "package/graphics.h"

#include <mutex>
#include <vector>

#include "package/errors.h"
#include "package/jpeg.h"

namespace scr {

namespace {

struct GraphicKind {
    std::string name;
    GraphicFactory factory;
};

struct GraphicRegistry {
    std::mutex mutex;
    std::vector<GraphicKind> kinds{
        {std::string(TJPEGImage::kClassName), [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }}};
};

GraphicRegistry& Graphics() {
    static GraphicRegistry registry;
    return registry;
}

}  // namespace

void RegisterGraphicClass(std::string_view class_name, GraphicFactory factory) {
    auto& r = Graphics();
    std::lock_guard<std::mutex> hold(r.mutex);
    r.kinds.push_back({std::string(class_name), factory});
}

GraphicFactory FindGraphicClass(std::string_view class_name) {
    auto& r = Graphics();
    std::lock_guard<std::mutex> hold(r.mutex);
    for (auto it = r.kinds.rbegin(); it != r.kinds.rend(); ++it)
        if (it->name == class_name) return it->factory;
    return nullptr;
}

SlidePlacement PlaceOnSlide(int w, int h, int sw, int sh) {
    const int left = (sw - w) / 2, top = (sh - h) / 2;
    const Rect shown = Rect{left, top, left + w, top + h}.intersected({0, 0, sw, sh});
    if (shown.empty()) return {};
    return {shown.translated(-left, -top), {shown.left, shown.top}};
}

// ---------------------------------------------------------------------------------------------

const ClassInfo& TPicture::StaticClass() {
    static const ClassInfo info{"TPicture", nullptr, {}};
    return info;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    Changed();
}

std::unique_ptr<TGraphic> TPicture::TakeGraphic() {
    auto g = std::move(graphic_);
    Changed();
    return g;
}

void TPicture::Assign(const TPicture& other) {
    if (&other == this) return;
    SetGraphic(other.graphic_ ? other.graphic_->Clone() : nullptr);
}

bool TPicture::DefinesBinary(std::string_view name) const { return SameText(name, "Data"); }

void TPicture::ReadBinary(std::string_view, MemoryStream& data) {
    // The payload: the graphic's class name (u8 length, bytes), then the graphic's own data.
    uint8_t length = 0;
    data.ReadBuffer(&length, 1);
    std::string class_name(length, '\0');
    data.ReadBuffer(class_name.data(), length);
    std::unique_ptr<TGraphic> graphic;
    if (GraphicFactory factory = FindGraphicClass(class_name)) {
        graphic = factory();
        graphic->ReadData(data);
    }
    // An unknown kind leaves the picture without a graphic; the rest of the payload is ignored.
    SetGraphic(std::move(graphic));
}

// ---------------------------------------------------------------------------------------------

namespace {

TImage& Img(TPersistent& o) { return static_cast<TImage&>(o); }
const TImage& Img(const TPersistent& o) { return static_cast<const TImage&>(o); }

#define SCR_IMAGE_INT(field)                                                                     \
    PropInfo {                                                                                   \
        #field, &kIntegerType, [](const TPersistent& o) -> PropValue { return int64_t(Img(o).field); }, \
            [](TPersistent& o, const PropValue& v) { Img(o).field = int32_t(std::get<int64_t>(v)); } \
    }
#define SCR_IMAGE_BOOL(field)                                                                    \
    PropInfo {                                                                                   \
        #field, &kBooleanType, [](const TPersistent& o) -> PropValue { return int64_t(Img(o).field); }, \
            [](TPersistent& o, const PropValue& v) { Img(o).field = std::get<int64_t>(v) != 0; } \
    }

const TypeInfo kPictureObjectType{"TPicture", PropKind::Object};

const PropInfo kImageProps[] = {
    SCR_IMAGE_INT(Left),
    SCR_IMAGE_INT(Top),
    SCR_IMAGE_INT(Width),
    SCR_IMAGE_INT(Height),
    SCR_IMAGE_BOOL(Center),
    {"Picture", &kPictureObjectType,
     [](const TPersistent& o) -> PropValue {
         return const_cast<TPersistent*>(static_cast<const TPersistent*>(&Img(o).Picture));
     },
     [](TPersistent& o, const PropValue& v) {
         if (auto* picture = dynamic_cast<TPicture*>(std::get<TPersistent*>(v)))
             Img(o).Picture.Assign(*picture);
         else
             Img(o).Picture.SetGraphic(nullptr);
     }},
    SCR_IMAGE_BOOL(Proportional),
    SCR_IMAGE_BOOL(Stretch),
    SCR_IMAGE_BOOL(Transparent),
    SCR_IMAGE_BOOL(Visible),
};

std::unique_ptr<TComponent> CreateImage() { return std::make_unique<TImage>(); }

}  // namespace

const ClassInfo& TImage::StaticClass() {
    static const ClassInfo info{"TImage", &TComponent::StaticClass(), kImageProps, CreateImage};
    return info;
}

}  // namespace scr
