// The pictures of a build: folders expanded, the show order, and the pictures prepared in
// parallel ahead of the writer. Also the content check of sounds.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "prepare.h"

namespace scrpack {

// "WxH" (or "WXH") with both sides 1 to 30,000; nullopt for anything else.
std::optional<scr::imaging::Size> ParseBox(std::string_view text);

// Whether a native path names a folder.
bool IsFolder(const std::string& path);
// The picture files of a folder (by their extension: JPEG, PNG, WebP, HEIC/HEIF), as paths,
// sorted by name. InputError when the folder cannot be read.
std::vector<std::string> PicturesInFolder(const std::string& folder);

enum class Order { AsGiven, Name, Date };
// Puts the pictures in show order. Name: by file name (letter case ignored, then exactly),
// then by path. Date: by when each was taken (EXIF), else by the file's modification time;
// equal times keep the order given.
void SortPictures(std::vector<std::string>& paths, Order order);

// The whole of a file (InputError naming it when it cannot be read or is beyond max_size).
std::vector<uint8_t> ReadFile(const std::string& path, uint64_t max_size);

// Whether a sound file is WAV, MP3 or MIDI by its first bytes.
bool IsKnownSound(std::span<const uint8_t> head);

// Prepares pictures on `jobs` threads, in show order and a bounded distance ahead of the
// one taken last; the result of each picture depends on nothing but its file.
class PicturePreparer {
public:
    using Progress = std::function<void(std::size_t prepared, std::size_t total)>;
    PicturePreparer(std::vector<std::string> paths, scr::imaging::PrepareOptions options, int jobs,
                    Progress progress = {});
    ~PicturePreparer();
    PicturePreparer(const PicturePreparer&) = delete;
    PicturePreparer& operator=(const PicturePreparer&) = delete;

    // Waits for picture `index` and hands it over (each index once, in order). InputError
    // naming the file when it could not be prepared.
    scr::imaging::PreparedPicture take(std::size_t index);

private:
    void work();

    struct Slot {
        bool ready = false;
        scr::imaging::PreparedPicture picture;
        std::exception_ptr error;
    };
    const std::vector<std::string> paths_;
    const scr::imaging::PrepareOptions options_;
    const Progress progress_;
    const std::size_t ahead_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;   // the next picture a worker starts
    std::size_t taken_ = 0;  // pictures handed over
    std::size_t prepared_ = 0;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace scrpack
