// The saver's program entry with the real package reader.
#include "app/entry.h"
#include "app/preview_picture.h"

namespace scr {

int ProgramMain(ProgramPlatform& platform) {
    return ProgramEntry(platform, ReadPreviewPicture);
}

}  // namespace scr
