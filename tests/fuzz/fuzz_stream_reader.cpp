// The component stream reader on arbitrary bytes, into a settings record and without a target.
#include <cstddef>
#include <cstdint>

#include "package/component.h"
#include "package/errors.h"
#include "package/graphics.h"
#include "package/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scr;
    {
        MemoryStream s = MemoryStream::View({data, size});
        TSSFileLocations target;
        try {
            LoadComponentStream(s, target);
            // Everything a reader uses afterwards must be safe on whatever was read.
            for (const PropInfo* p : TSSFileLocations::StaticClass().Properties()) GetPropValue(target, *p);
            for (int i = 0; i < target.PicCount() && i < 64; ++i) target.PicOffset(i);
        } catch (const Exception&) {
        }
        if (s.Position() < 0 || s.Position() > int64_t(size)) __builtin_trap();
    }
    {
        MemoryStream s = MemoryStream::View({data, size});
        try {
            auto object = LoadComponentStream(s);
            if (auto* image = dynamic_cast<TImage*>(object.get()); image && image->Picture.Graphic())
                image->Picture.Graphic()->Width();
        } catch (const Exception&) {
        }
        if (s.Position() < 0 || s.Position() > int64_t(size)) __builtin_trap();
    }
    return 0;
}
