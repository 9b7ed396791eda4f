// scrpack extract: a package's items written out as files.
#include <cstdio>
#include <filesystem>
#include <set>

#include "base/os.h"
#include "package/errors.h"
#include "package/items.h"
#include "package/jpeg.h"
#include "package/settings.h"
#include "package/writer.h"
#include "scrpack.h"

namespace scrpack {

namespace {

const char kExtractHelp[] = R"(Usage: scrpack extract FILE DIR

Writes every item of the package FILE into DIR (created when missing): the
pictures as picture-001.jpg, picture-002.jpg, ... (their JPEG data unchanged),
and the sound and Flash items under the names stored in the package. A stored
name that is not a plain file name is refused and nothing is written for it;
files are never written outside DIR. An item that cannot be read is reported
and the others are still written.

Exit status: 0 every item written, 1 the package or an item could not be read,
2 bad usage.
)";

// Writes bytes to a new file; the partial file is removed when the write fails.
void write_file(const std::string& path, std::span<const uint8_t> bytes) {
    scr::FileStream out = scr::FileStream::Create(path);
    try {
        out.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    } catch (...) {
        out.file().close();
        scr::sys::RemoveFile(path);
        throw;
    }
}

void copy_item(scr::Stream& source, int32_t offset, int32_t size, const std::string& path) {
    // Refused before the file is created: a negative size or an item beyond the file's end.
    if (size < 0 || offset < 0 || int64_t(offset) + size > source.Size())
        throw scr::EReadError(scr::msg::kReadError);
    if (source.Seek(offset, scr::SeekOrigin::Begin) != offset) throw scr::EReadError(scr::msg::kReadError);
    scr::FileStream out = scr::FileStream::Create(path);
    try {
        out.CopyFrom(source, size);
    } catch (...) {
        out.file().close();
        scr::sys::RemoveFile(path);
        throw;
    }
}

}  // namespace

int ExtractCommand(const Args& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> paths;
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out << kExtractHelp;
            return kExitOk;
        }
        if (a.size() > 1 && a[0] == '-') throw UsageError("unknown option " + a);
        paths.push_back(a);
    }
    if (paths.size() != 2) throw UsageError("expected a package and a directory");
    const std::string& package = paths[0];
    const std::string& dir = paths[1];

    scr::TSSFileLocations settings;
    scr::FileStream source = scr::FileStream::OpenRead(package);
    scr::LocateSettingsFromTrailer(source);
    scr::LoadComponentStream(source, settings);

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(dir), ec);
    if (ec) throw scr::EFCreateError(dir);

    int failures = 0, written = 0;
    auto attempt = [&](const std::string& what, auto&& f) {
        try {
            f();
            ++written;
        } catch (const std::exception& e) {
            ++failures;
            err << "scrpack: " << what << ": " << scr::sys::AnsiToUtf8(e.what()) << '\n';
        }
    };

    const int width = settings.PicCount() >= 1000 ? int(std::to_string(settings.PicCount()).size()) : 3;
    for (int i = 0; i < settings.PicCount(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "picture-%0*d.jpg", width, i + 1);
        attempt("picture " + std::to_string(i + 1), [&] {
            std::unique_ptr<scr::TImage> image = scr::ReadPictureItem(package, settings, i);
            auto* jpeg = dynamic_cast<const scr::TJPEGImage*>(image->Picture.Graphic());
            if (!jpeg || jpeg->Empty()) throw scr::Exception("the picture holds no JPEG data");
            write_file(JoinNative(dir, name), jpeg->Data());
        });
    }
    struct Kind {
        const char* what;
        int count;
        int32_t (scr::TSSFileLocations::*offset)(int) const;
        int32_t (scr::TSSFileLocations::*size)(int) const;
        std::string (scr::TSSFileLocations::*name)(int) const;
    };
    const Kind kinds[] = {
        {"sound", settings.SndCount(), &scr::TSSFileLocations::SndOffset, &scr::TSSFileLocations::SndSize,
         &scr::TSSFileLocations::SndFileName},
        {"Flash item", settings.FlashCount(), &scr::TSSFileLocations::FlashOffset,
         &scr::TSSFileLocations::FlashSize, &scr::TSSFileLocations::FlashFileName},
    };
    for (const Kind& k : kinds) {
        for (int i = 0; i < k.count; ++i) {
            attempt(std::string(k.what) + " " + std::to_string(i + 1), [&] {
                std::string name = (settings.*k.name)(i);
                if (!scr::IsSafeItemFileName(name)) throw scr::Exception(scr::msg::InvalidItemName(name));
                copy_item(source, (settings.*k.offset)(i), (settings.*k.size)(i),
                          JoinNative(dir, AnsiToNativeName(name)));
            });
        }
    }
    out << "scrpack: wrote " << written << " items to " << dir;
    if (failures) out << "; " << failures << " could not be written";
    out << '\n';
    return failures ? kExitBadPackage : kExitOk;
}

}  // namespace scrpack
