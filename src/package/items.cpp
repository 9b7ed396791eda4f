#include "package/items.h"

#include <climits>

#include "base/os.h"
#include "package/errors.h"

namespace scr {

namespace {
bool IsTrimmed(char c) { return uint8_t(c) <= 32; }
}  // namespace

int32_t StrToInt32Def0(std::string_view text) {
    while (!text.empty() && IsTrimmed(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return 0;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > int64_t(INT32_MAX) + 1) return 0;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return 0;
    return int32_t(value);
}

int32_t ReadTrailerField(Stream& stream) {
    char field[kTrailerFieldSize];
    stream.ReadBuffer(field, kTrailerFieldSize);
    return StrToInt32Def0(std::string_view(field, kTrailerFieldSize));
}

namespace {
// Positions the stream; a target before the file's start leaves it at the end, where the read
// that follows fails just as it would on the system, which refuses such a seek.
int64_t SeekTo(Stream& stream, int64_t target) {
    if (target < 0 || stream.Seek(target, SeekOrigin::Begin) < 0) return stream.Seek(0, SeekOrigin::End);
    return target;
}
}  // namespace

int64_t LocateFirstItem(Stream& stream) {
    const int64_t size = stream.Size();
    SeekTo(stream, size - kTrailerSize);
    const int32_t appended = ReadTrailerField(stream);
    return SeekTo(stream, size - appended - kTrailerSize);
}

int64_t LocateSettingsFromTrailer(Stream& stream) {
    SeekTo(stream, stream.Size() - kTrailerSize);
    ReadTrailerField(stream);  // field 1: converted, not used here
    const int32_t settings = ReadTrailerField(stream);
    return SeekTo(stream, settings);
}

int64_t LocateSettingsFromField2(Stream& stream) {
    SeekTo(stream, stream.Size() - kTrailerFieldSize);
    const int32_t settings = ReadTrailerField(stream);
    return SeekTo(stream, settings);
}

std::string GetTempDir() {
    std::string dir = sys::TempDirectory();
    // An empty answer would turn every item path into one at the root of the drive.
    if (dir.empty()) throw Exception("The temporary directory cannot be found");
    return dir;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    // Find where the last character starts, stepping whole double-byte characters.
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < dir.size();) {
        last = i;
        i += sys::IsDBCSLeadByte(uint8_t(dir[i])) && i + 1 < dir.size() ? 2 : 1;
    }
    std::string out(dir);
    const bool ends_in_separator = last != std::string_view::npos && dir.size() - last == 1 &&
                                   dir[last] == sys::PathSeparator();
    if (!ends_in_separator) out += sys::PathSeparator();
    out += name;
    return out;
}

bool IsSafeItemFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size();) {
        const uint8_t b = uint8_t(name[i]);
        if (sys::IsDBCSLeadByte(b) && i + 1 < name.size()) {
            // A trail byte may have any value, a backslash's included, without being one.
            if (uint8_t(name[i + 1]) == 0) return false;
            i += 2;
            continue;
        }
        if (!sys::IsFileNameChar(b)) return false;
        ++i;
    }
    return true;
}

std::unique_ptr<TImage> LoadImageComponent(Stream& stream) {
    std::unique_ptr<TComponent> object = LoadComponentStream(stream);
    if (auto* image = dynamic_cast<TImage*>(object.get())) {
        object.release();
        return std::unique_ptr<TImage>(image);
    }
    throw Exception(msg::kInvalidClassTypecast);
}

std::unique_ptr<TImage> ReadPictureItem(const std::string& package_path, const TSSFileLocations& settings,
                                        int index) {
    const int32_t offset = settings.PicOffset(index);
    FileStream file = FileStream::OpenRead(package_path);
    SeekTo(file, offset);
    return LoadImageComponent(file);
}

namespace {

void CheckNames(const StringList& names, int count) {
    for (int i = 0; i < count && std::size_t(i) < names.size(); ++i)
        if (!IsSafeItemFileName(names[std::size_t(i)]))
            throw Exception(msg::InvalidItemName(names[std::size_t(i)]));
}

// Every name that extraction or deletion would use is checked before any file is touched.
void CheckAllNames(const TSSFileLocations& settings) {
    CheckNames(settings.SndFileNamesCommaList, settings.SndCount());
    CheckNames(settings.FlashFileNamesCommaList, settings.FlashCount());
}

void ExtractOne(Stream& source, int32_t offset, const std::string& path, const TSSFileLocations& settings,
                int32_t (TSSFileLocations::*size_of)(int) const, int index) {
    SeekTo(source, offset);
    FileStream out = FileStream::Create(path);
    const int32_t size = (settings.*size_of)(index);
    out.CopyFrom(source, size);  // a negative size is refused with "Stream read error"
}

}  // namespace

void ExtractItems(Stream& source, const TSSFileLocations& settings, const std::string& dir) {
    CheckAllNames(settings);
    for (int i = 0; i < settings.SndCount(); ++i)
        ExtractOne(source, settings.SndOffset(i), JoinPath(dir, settings.SndFileName(i)), settings,
                   &TSSFileLocations::SndSize, i);
    for (int i = 0; i < settings.FlashCount(); ++i)
        ExtractOne(source, settings.FlashOffset(i), JoinPath(dir, settings.FlashFileName(i)), settings,
                   &TSSFileLocations::FlashSize, i);
}

void DeleteExtractedItems(const TSSFileLocations& settings, const std::string& dir) {
    CheckAllNames(settings);
    for (int i = 0; i < settings.SndCount(); ++i) sys::RemoveFile(JoinPath(dir, settings.SndFileName(i)));
    for (int i = 0; i < settings.FlashCount(); ++i) sys::RemoveFile(JoinPath(dir, settings.FlashFileName(i)));
}

}  // namespace scr
