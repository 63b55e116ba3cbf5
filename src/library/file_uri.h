// The locations of scanned tracks: "file://" URIs of absolute paths.
//
//   fileUri("/music/Björk/100% Hits.mp3")  == "file:///music/Björk/100%25 Hits.mp3"
//   uriFilePath("file:///music/Bj%C3%B6rk") == "/music/Björk"
//
// Only what must be encoded is: '%' itself, control characters and bytes
// that are not UTF-8 (a file name may hold any byte but '/' and NUL). Every
// other character, spaces and non-ASCII letters included, is kept as it is,
// so that the paths read well in the tree and in title formatting and match
// the locations library files give. uriFilePath undoes the encoding for
// any "file://" location, and takes a plain path as it is.
#ifndef VOSTREL_LIBRARY_FILE_URI_H_
#define VOSTREL_LIBRARY_FILE_URI_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace library {

// The URI of `path`, which should be absolute and lexically normal.
std::string fileUri(const std::filesystem::path& path);

// Appends `plain` (a part of a path) to `uri`, encoded as fileUri does.
void appendUriPath(std::string& uri, std::string_view plain);

// Appends `encoded` (a part of a URI's path) to `plain`, decoded as
// uriFilePath decodes it.
void appendUriDecoded(std::string& plain, std::string_view encoded);

// The file a location names: a "file://" URI decoded ("%41" becomes "A";
// a '%' not followed by two hex digits stays), or a plain path as given.
std::filesystem::path uriFilePath(std::string_view location);

}  // namespace library

#endif  // VOSTREL_LIBRARY_FILE_URI_H_
