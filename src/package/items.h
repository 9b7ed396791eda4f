// Locating data in a package file and reaching single items: the trailer fields, the three
// ways of finding the data, picture items read on demand, and sound and Flash items copied to
// the temporary directory for the length of a run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "package/graphics.h"
#include "package/settings.h"
#include "package/stream.h"

namespace scr {

inline constexpr int kTrailerFieldSize = 20;
inline constexpr int kTrailerSize = 40;

// Text to a signed 32-bit integer after trimming blanks and control characters at both ends;
// 0 for text that is not a decimal integer or does not fit.
int32_t StrToInt32Def0(std::string_view text);
// Reads one 20-byte trailer field at the stream's position (EReadError "Stream read error"
// when fewer bytes come back).
int32_t ReadTrailerField(Stream& stream);

// The three readers' ways of finding their data; each leaves the stream positioned there and
// returns the position. A target outside the file leaves the stream at the end, so the read
// that follows fails with the stream reader's error.
// Preview: field 1 at size - 40, then the first appended byte (size - field 1 - 40).
int64_t LocateFirstItem(Stream& stream);
// Saver window: field 1 then field 2 in sequence, then the settings at field 2.
int64_t LocateSettingsFromTrailer(Stream& stream);
// Setup dialog: field 2 alone at size - 20, then the settings at field 2.
int64_t LocateSettingsFromField2(Stream& stream);

// The temporary-files directory, ending in the path separator.
std::string GetTempDir();
// Dir followed by Name with exactly one separator between them; Dir's last character is
// taken in the ANSI code page (a double-byte character's trail byte is never a separator).
std::string JoinPath(std::string_view dir, std::string_view name);
// Whether an item file name names a plain file inside a directory: not empty, not "." or
// "..", no path separator, no drive colon, no character forbidden in file names.
bool IsSafeItemFileName(std::string_view name);

// Reads one component stream without a target at the stream's position and returns it as
// the image component of a picture item. Exception "Invalid class typecast" when the stream
// holds another registered class (the settings record, say).
std::unique_ptr<TImage> LoadImageComponent(Stream& stream);

// Opens the package file (write access denied to others), seeks to PicOffset(index) and reads
// the image component there (LoadImageComponent); the file is closed on every path.
std::unique_ptr<TImage> ReadPictureItem(const std::string& package_path, const TSSFileLocations& settings,
                                        int index);

// Writes every sound item, then every Flash item, from source to JoinPath(dir, its file name).
// Every file name is checked before anything is written.
void ExtractItems(Stream& source, const TSSFileLocations& settings, const std::string& dir = GetTempDir());
// Deletes the extracted path of every sound item, then of every Flash item, ignoring failure.
void DeleteExtractedItems(const TSSFileLocations& settings, const std::string& dir = GetTempDir());

}  // namespace scr
