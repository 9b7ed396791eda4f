// The saver's program entry with the real package reader and the real forms.
#include "app/entry.h"
#include "app/main_forms.h"
#include "app/preview_picture.h"

namespace scr {

int ProgramMain(Backend& backend) {
    return ProgramEntry(backend, ReadPreviewPicture, CreateMainForm);
}

}  // namespace scr
