#include "pictures.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include "base/errors.h"
#include "base/os.h"
#include "scrpack.h"

namespace scrpack {

namespace im = scr::imaging;

std::optional<im::Size> ParseBox(std::string_view text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    auto side = [](std::string_view s) -> std::optional<int> {
        int v = 0;
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size() || v < 1 || v > im::kMaxSide) return std::nullopt;
        return v;
    };
    const auto w = side(text.substr(0, x)), h = side(text.substr(x + 1));
    if (!w || !h) return std::nullopt;
    return im::Size{*w, *h};
}

namespace {

#ifdef _WIN32
using StatBuffer = struct _stat64;
int StatPath(const std::string& path, StatBuffer& st) { return _stat64(path.c_str(), &st); }
#else
using StatBuffer = struct stat;
int StatPath(const std::string& path, StatBuffer& st) { return stat(path.c_str(), &st); }
#endif

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool IsPictureName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    static constexpr std::string_view kExtensions[] = {"jpg", "jpeg", "jpe", "jfif", "png",
                                                       "webp", "heic", "heif", "hif"};
    const std::string ext = Lower(name.substr(dot + 1));
    return std::find(std::begin(kExtensions), std::end(kExtensions), ext) != std::end(kExtensions);
}

bool NameLess(std::string_view a, std::string_view b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
}

std::string_view BaseName(std::string_view path) { return path.substr(BaseNameStart(path)); }

std::optional<int64_t> ModifiedSeconds(const std::string& path) {
    StatBuffer st{};
    if (StatPath(path, st) != 0) return std::nullopt;
    return int64_t(st.st_mtime);
}

}  // namespace

bool IsFolder(const std::string& path) {
    StatBuffer st{};
    return StatPath(path, st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}

std::vector<std::string> PicturesInFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) throw InputError("Cannot read the folder " + folder);
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (!name.empty() && name[0] != '.' && IsPictureName(name) && !IsFolder(JoinNative(folder, name)))
            names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), NameLess);
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(JoinNative(folder, name));
    return paths;
}

void SortPictures(std::vector<std::string>& paths, Order order) {
    if (order == Order::Name) {
        std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
            const std::string_view na = BaseName(a), nb = BaseName(b);
            return na != nb ? NameLess(na, nb) : a < b;
        });
    } else if (order == Order::Date) {
        std::vector<std::pair<int64_t, std::string>> dated;
        for (const std::string& path : paths) {
            std::optional<int64_t> when;
            try {
                when = im::PictureTakenAt(ReadFile(path, uint64_t(1) << 30));
            } catch (const InputError&) {
                // Unreadable files are named when they are prepared.
            }
            if (!when) when = ModifiedSeconds(path);
            dated.emplace_back(when.value_or(0), path);
        }
        std::stable_sort(dated.begin(), dated.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < paths.size(); ++i) paths[i] = std::move(dated[i].second);
    }
}

std::vector<uint8_t> ReadFile(const std::string& path, uint64_t max_size) {
    try {
        scr::sys::File f = scr::sys::File::OpenRead(path);
        const int64_t size = f.size();
        if (size < 0) throw InputError(path + ": cannot read its size");
        if (uint64_t(size) > max_size)
            throw InputError(path + ": larger than scrpack reads (" + std::to_string(max_size >> 20) + " MiB)");
        std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
        uint8_t extra;
        if (f.read(bytes.data(), size) != size || f.read(&extra, 1) != 0)
            throw InputError(path + ": changed while it was read");
        return bytes;
    } catch (const scr::EStreamError& e) {
        throw InputError(e.what());
    }
}

bool IsKnownSound(std::span<const uint8_t> b) {
    auto at = [&](std::size_t i, std::string_view s) {
        return b.size() >= i + s.size() && std::equal(s.begin(), s.end(), b.begin() + std::ptrdiff_t(i),
                                                      [](char c, uint8_t u) { return uint8_t(c) == u; });
    };
    if (at(0, "RIFF") && (at(8, "WAVE") || at(8, "RMID"))) return true;  // WAV, MIDI in RIFF
    if (at(0, "MThd")) return true;                                      // MIDI
    if (at(0, "ID3")) return true;                                       // MP3 with a tag first
    // An MPEG audio frame: the sync bits, a layer, a bit rate that is not "bad".
    return b.size() >= 3 && b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && (b[1] & 0x06) != 0 && (b[2] & 0xF0) != 0xF0;
}

// --- PicturePreparer -----------------------------------------------------------------------

PicturePreparer::PicturePreparer(std::vector<std::string> paths, im::PrepareOptions options, int jobs,
                                 Progress progress)
    : paths_(std::move(paths)),
      options_(options),
      progress_(std::move(progress)),
      ahead_(std::size_t(std::max(jobs, 1)) * 2),
      slots_(paths_.size()) {
    const int threads = int(std::min<std::size_t>(std::size_t(std::max(jobs, 1)), paths_.size()));
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

PicturePreparer::~PicturePreparer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void PicturePreparer::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        // Only a bounded number of prepared pictures wait in memory for the writer.
        changed_.wait(lock, [&] { return stop_ || next_ >= paths_.size() || next_ < taken_ + ahead_; });
        if (stop_ || next_ >= paths_.size()) return;
        const std::size_t index = next_++;
        lock.unlock();
        Slot result;
        try {
            result.picture = im::PreparePicture(ReadFile(paths_[index], uint64_t(1) << 30), options_);
        } catch (const im::PictureError& e) {
            result.error = std::make_exception_ptr(InputError(paths_[index] + ": " + e.what()));
        } catch (const std::bad_alloc&) {
            result.error = std::make_exception_ptr(InputError(paths_[index] + ": out of memory"));
        } catch (...) {
            result.error = std::current_exception();
        }
        lock.lock();
        result.ready = true;
        slots_[index] = std::move(result);
        ++prepared_;
        if (progress_) progress_(prepared_, paths_.size());
        changed_.notify_all();
    }
}

im::PreparedPicture PicturePreparer::take(std::size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return slots_[index].ready; });
    Slot slot = std::move(slots_[index]);
    slots_[index] = Slot{};
    taken_ = index + 1;
    changed_.notify_all();
    lock.unlock();
    if (slot.error) std::rethrow_exception(slot.error);
    return std::move(slot.picture);
}

}  // namespace scrpack
