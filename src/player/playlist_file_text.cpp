// What the playlist file formats share: decoding their text, splitting
// lines, and turning the paths and URIs they hold into locations and back.
// See playlist_file_formats.h.
#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "host/text.h"
#include "library/file_uri.h"
#include "player/playlist_file_formats.h"

namespace player::playlist_files {
namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F. The five bytes it
// leaves undefined read as the Latin-1 control characters of that value.
constexpr std::array<char32_t, 32> kWindows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::size_t lineOfOffset(std::string_view text, std::size_t offset) {
  LineReader lines(text.substr(0, offset));
  std::string_view line;
  while (lines.next(line)) {
  }
  // A line end just before `offset` starts the line the offset is on.
  const bool at_line_start = offset > 0 && (text[offset - 1] == '\n' || text[offset - 1] == '\r');
  return std::max<std::size_t>(lines.number(), 1) + (at_line_start ? 1 : 0);
}

// Converts `in` from `from` to `to` with iconv. False when the conversion is
// not available or a character has no place in `to` (or `in` is not valid
// `from`); `out` then holds what was converted before it.
bool convert(std::string_view in, const char* to, const char* from, std::string& out) {
  out.clear();
  const iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* in_ptr = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  std::array<char, 4096> buffer;
  bool ok = true;
  while (true) {
    char* out_ptr = buffer.data();
    std::size_t out_left = buffer.size();
    const std::size_t done = in_left > 0 ? ::iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left)
                                         : ::iconv(cd, nullptr, nullptr, &out_ptr, &out_left);
    out.append(buffer.data(), buffer.size() - out_left);
    if (done != static_cast<std::size_t>(-1)) {
      if (in_left == 0) break;
      continue;
    }
    if (errno == E2BIG) continue;
    ok = false;  // EILSEQ or EINVAL: a byte sequence that is not valid there
    break;
  }
  ::iconv_close(cd);
  return ok;
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The length of the URI scheme that `text` starts with ("http" in
// "http://x"), or 0. A single letter is a drive, not a scheme.
std::size_t schemeLength(std::string_view text) {
  if (text.empty() || !isAsciiLetter(text[0])) return 0;
  std::size_t i = 1;
  while (i < text.size() && (isAsciiLetter(text[i]) || (text[i] >= '0' && text[i] <= '9') || text[i] == '+' ||
                             text[i] == '-' || text[i] == '.')) {
    ++i;
  }
  return i >= 2 && i < text.size() && text[i] == ':' ? i : 0;
}

bool hasDriveLetter(std::string_view text) {
  return text.size() >= 3 && isAsciiLetter(text[0]) && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX sequences decoded; a '%' not followed by two hex digits stays.
std::string percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Every byte but the unreserved ones, '/' and the sub-delimiters encoded.
void appendPercentEncoded(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::string_view kKept = "-._~/!$&'()*+,;=:@";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (isAsciiLetter(c) || (c >= '0' && c <= '9') || kKept.find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
}

// The location of a local path: absolute, normal, as a URI. Nullopt for an
// empty path or one with a NUL byte, which can name no file.
std::optional<std::string> fileLocation(const std::string& path, const std::filesystem::path& folder) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  std::filesystem::path full(path);
  if (full.is_relative()) full = folder / full;
  return library::fileUri(full.lexically_normal());
}

// A "file:" URI's location; `text` starts with "file:" in any case.
std::optional<std::string> fileUriLocation(std::string_view text, const std::filesystem::path& folder) {
  std::string_view rest = text.substr(5);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    // Another host's file: kept as written, it is not a file here.
    if (!host.empty() && !startsWithNoCase(host, "localhost")) return std::string(text);
    if (slash == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(slash);
  }
  return fileLocation(percentDecoded(rest), folder);
}

// The part of `path` within `folder`, or empty when it lies outside.
std::filesystem::path insideFolder(const std::filesystem::path& path, const std::filesystem::path& folder) {
  if (folder.empty()) return {};
  const std::filesystem::path relative = path.lexically_normal().lexically_relative(folder.lexically_normal());
  if (relative.empty() || *relative.begin() == ".." || relative == ".") return {};
  return relative;
}

// A local file's location (another host's "file://x/..." is a URL here).
bool isFileLocation(std::string_view location) { return location.starts_with("file:///") || location.starts_with('/'); }

}  // namespace

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

void ReadContext::fail(std::size_t line, std::string_view problem) const {
  throw PlaylistFileError(file, line, problem);
}

std::string localeCodeset() {
  const locale_t user = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
  std::string codeset = ::nl_langinfo_l(CODESET, user);
  ::freelocale(user);
  return codeset;
}

bool isUtf8OrAscii(std::string_view codeset) {
  return codeset.empty() || startsWithNoCase(codeset, "utf-8") || startsWithNoCase(codeset, "utf8") ||
         startsWithNoCase(codeset, "ansi_x3.4-1968") || startsWithNoCase(codeset, "ascii") ||
         startsWithNoCase(codeset, "us-ascii");
}

std::size_t firstInvalidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = host::decodeUtf8(text, i);
    // decodeUtf8 turns each bad byte into U+FFFD; a real U+FFFD takes three.
    if (c == host::kReplacementChar && i - start != 3) return start;
  }
  return std::string_view::npos;
}

std::string decodePlaylistText(std::string_view bytes, bool utf8_only, std::string_view codeset,
                               const ReadContext& context) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    std::string text;
    if (!convert(bytes, "UTF-8", "UTF-16", text)) {
      context.fail(lineOfOffset(text, text.size()), "the UTF-16 text breaks off or is not valid");
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::size_t bad = firstInvalidUtf8(bytes);
  if (bad == std::string_view::npos) return std::string(bytes);
  if (utf8_only) context.fail(lineOfOffset(bytes, bad), "the text is not UTF-8, as an .m3u8 file's must be");
  std::string text;
  if (!isUtf8OrAscii(codeset) && convert(bytes, "UTF-8", std::string(codeset).c_str(), text)) return text;
  text.clear();
  text.reserve(bytes.size() + bytes.size() / 8);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      host::appendUtf8(text, byte < 0xA0 ? kWindows1252High[byte - 0x80] : static_cast<char32_t>(byte));
    }
  }
  return text;
}

std::string encodeForCodeset(std::string_view utf8, std::string_view codeset) {
  std::string out;
  if (isUtf8OrAscii(codeset) || !convert(utf8, std::string(codeset).c_str(), "UTF-8", out)) return std::string(utf8);
  return out;
}

std::string oneLineText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out += byte < 0x20 && byte != '\t' ? ' ' : byte == 0x7F ? ' ' : static_cast<char>(byte);
      ++i;
      continue;
    }
    host::appendUtf8(out, host::decodeUtf8(text, i));
  }
  return out;
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string displayTitle(const PlaylistEntry& entry) {
  if (entry.creator.empty() || entry.title.empty()) return entry.creator + entry.title;
  return entry.creator + " - " + entry.title;
}

std::string lineTitle(const PlaylistEntry& entry) { return std::string(trimmed(oneLineText(displayTitle(entry)))); }

long long wholeSeconds(double length) {
  const long long seconds = length > 0 ? std::llround(std::min(length, 1e9)) : -1;
  return seconds > 0 ? seconds : -1;
}

bool LineReader::next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  std::size_t end = text_.find_first_of("\r\n", pos_);
  if (end == std::string_view::npos) end = text_.size();
  line = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[pos_ - 1] == '\r')) ++pos_;
  ++number_;
  line = trimmed(line);
  return true;
}

bool hasControlCharacter(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\t') || byte == 0x7F;
  });
}

std::optional<std::string> locationOfPath(std::string_view text, const std::filesystem::path& folder) {
  if (startsWithNoCase(text, "file:")) return fileUriLocation(text, folder);
  if (const std::size_t scheme = schemeLength(text); scheme > 0 && text.substr(scheme).starts_with("://")) {
    return std::string(text);
  }
  std::string path(text);
  std::replace(path.begin(), path.end(), '\\', '/');
  // A Windows drive: the path from its root, which no file here has.
  if (hasDriveLetter(text)) path.insert(0, 1, '/');
  return fileLocation(path, folder);
}

std::optional<std::string> locationOfUri(std::string_view text, const std::filesystem::path& folder) {
  if (hasControlCharacter(text) || text.find('\t') != std::string_view::npos) return std::nullopt;
  if (startsWithNoCase(text, "file:")) return fileUriLocation(text, folder);
  if (schemeLength(text) > 0) return std::string(text);
  // A relative reference: its path, without a query or a fragment.
  return fileLocation(percentDecoded(text.substr(0, text.find_first_of("?#"))), folder);
}

std::string pathForWrite(std::string_view location, const std::filesystem::path& folder) {
  if (!isFileLocation(location)) return oneLineText(location);
  const std::filesystem::path path = library::uriFilePath(location);
  const std::filesystem::path relative = insideFolder(path, folder);
  const std::string& text = relative.empty() ? path.native() : relative.native();
  // What a reader would take otherwise as a comment, a drive or a URL.
  const bool misread =
      text.starts_with('#') || hasDriveLetter(text) || schemeLength(text) > 0 || startsWithNoCase(text, "file:");
  const bool unreadable = hasControlCharacter(text) || text.find('\\') != std::string::npos ||
                          firstInvalidUtf8(text) != std::string::npos || text.front() == ' ' || text.front() == '\t' ||
                          text.back() == ' ' || text.back() == '\t';
  if (unreadable) {
    std::string uri = "file://";
    appendPercentEncoded(uri, path.lexically_normal().native());
    return uri;
  }
  return misread ? "./" + text : text;
}

std::string uriForWrite(std::string_view location, const std::filesystem::path& folder) {
  if (!isFileLocation(location)) return oneLineText(location);
  const std::filesystem::path path = library::uriFilePath(location);
  const std::filesystem::path relative = insideFolder(path, folder);
  std::string uri;
  if (relative.empty()) {
    uri = "file://";
    appendPercentEncoded(uri, path.lexically_normal().native());
    return uri;
  }
  // A ':' before the first '/' would read as a scheme.
  const std::string& text = relative.native();
  if (text.substr(0, text.find('/')).find(':') != std::string::npos) uri = "./";
  appendPercentEncoded(uri, text);
  return uri;
}

}  // namespace player::playlist_files
