// The saver's program entry with the real package reader.
#include "app/entry.h"
#include "app/preview_picture.h"

namespace scr {

int ProgramMain(Backend& backend) {
    return ProgramEntry(backend, ReadPreviewPicture);
}

}  // namespace scr
