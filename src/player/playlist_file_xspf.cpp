// XSPF: an XML playlist, read with expat.
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <playlist version="1" xmlns="http://xspf.org/ns/0/">
//     <title>Road Trip</title>
//     <trackList>
//       <track>
//         <location>file:///music/Highway%20Rain/01.flac</location>
//         <creator>The Paper Lanterns</creator>
//         <title>Hollow Golden, Pt. 2</title>
//         <duration>443996</duration>
//       </track>
//     </trackList>
//   </playlist>
//
// Only what a playlist here holds is read: the playlist's title and, per
// track, its first location, title, creator and duration (milliseconds).
// Other elements (links, meta, extensions, other namespaces) are passed
// over with what they hold. A DOCTYPE is refused: a playlist needs no
// declarations, and entity declarations are how XML is made to explode.
#include <expat.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "host/text.h"
#include "player/playlist_file_formats.h"

namespace player::playlist_files {
namespace {

constexpr std::string_view kNamespace = "http://xspf.org/ns/0/";
constexpr char kNamespaceSeparator = ' ';

enum class Kind { kOther, kPlaylist, kPlaylistTitle, kTrackList, kTrack, kLocation, kTitle, kCreator, kDuration };

struct Open {
  Kind kind;
  std::size_t line;
};

class XspfReader {
 public:
  explicit XspfReader(const ReadContext& context)
      : context_(context), parser_(XML_ParserCreateNS(nullptr, kNamespaceSeparator)) {}
  ~XspfReader() { XML_ParserFree(parser_); }
  XspfReader(const XspfReader&) = delete;
  XspfReader& operator=(const XspfReader&) = delete;

  PlaylistFileContents read(std::string_view bytes) {
    if (parser_ == nullptr) throw std::bad_alloc();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &XspfReader::onStart, &XspfReader::onEnd);
    XML_SetCharacterDataHandler(parser_, &XspfReader::onText);
    XML_SetStartDoctypeDeclHandler(parser_, &XspfReader::onDoctype);
    // Fed in pieces: XML_Parse takes an int length.
    constexpr std::size_t kPiece = std::size_t{1} << 24;
    bool ok = true;
    bool last = false;
    for (std::size_t at = 0; ok && !last; at += kPiece) {
      const std::size_t size = std::min(kPiece, bytes.size() - at);
      last = at + size == bytes.size();
      ok = XML_Parse(parser_, bytes.data() + at, static_cast<int>(size), last) == XML_STATUS_OK;
    }
    if (!problem_.empty()) context_.fail(problem_line_, problem_);
    if (!ok) {
      context_.fail(XML_GetCurrentLineNumber(parser_),
                    std::string("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(parser_)));
    }
    return std::move(contents_);
  }

 private:
  static XspfReader& self(void* data) { return *static_cast<XspfReader*>(data); }

  // Handlers are called from C: a failure is kept and stops the parser
  // rather than thrown through it.
  template <typename Work>
  void guarded(Work work) {
    try {
      work();
    } catch (const std::exception& e) {
      stop(e.what());
    }
  }

  void stop(std::string problem, std::size_t line = 0) {
    if (!problem_.empty()) return;
    problem_ = std::move(problem);
    problem_line_ = line != 0 ? line : XML_GetCurrentLineNumber(parser_);
    XML_StopParser(parser_, XML_FALSE);
  }

  static void onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    self(data).stop("a DOCTYPE, which a playlist has no use for");
  }

  // Expat may report what it has parsed already after the parser was
  // stopped (the end of an empty element): nothing is done after a problem.
  static void onStart(void* data, const XML_Char* name, const XML_Char**) {
    XspfReader& reader = self(data);
    if (reader.problem_.empty()) reader.guarded([&] { reader.start(name); });
  }

  static void onEnd(void* data, const XML_Char*) {
    XspfReader& reader = self(data);
    if (reader.problem_.empty()) reader.guarded([&] { reader.end(); });
  }

  static void onText(void* data, const XML_Char* text, int size) {
    XspfReader& reader = self(data);
    if (!reader.problem_.empty() || reader.open_.empty()) return;
    switch (reader.open_.back().kind) {
      case Kind::kPlaylistTitle:
      case Kind::kLocation:
      case Kind::kTitle:
      case Kind::kCreator:
      case Kind::kDuration:
        reader.guarded([&] { reader.text_.append(text, static_cast<std::size_t>(size)); });
        break;
      default:
        break;
    }
  }

  void start(std::string_view name) {
    const std::size_t line = XML_GetCurrentLineNumber(parser_);
    // "URI local" with a namespace, "local" without one.
    std::string_view local = name;
    bool ours = true;
    if (const std::size_t space = name.find(kNamespaceSeparator); space != std::string_view::npos) {
      ours = name.substr(0, space) == kNamespace;
      local = name.substr(space + 1);
    }
    const Kind parent = open_.empty() ? Kind::kOther : open_.back().kind;
    Kind kind = Kind::kOther;
    if (open_.empty()) {
      if (!ours || local != "playlist") {
        return stop("not an XSPF playlist: its root element is <" + std::string(local.substr(0, 40)) + ">");
      }
      kind = Kind::kPlaylist;
    } else if (ours && parent == Kind::kPlaylist) {
      if (local == "title") kind = Kind::kPlaylistTitle;
      if (local == "trackList") kind = Kind::kTrackList;
    } else if (ours && parent == Kind::kTrackList && local == "track") {
      kind = Kind::kTrack;
      track_ = PlaylistEntry();
      has_location_ = false;
    } else if (ours && parent == Kind::kTrack) {
      if (local == "location") kind = Kind::kLocation;
      if (local == "title") kind = Kind::kTitle;
      if (local == "creator") kind = Kind::kCreator;
      if (local == "duration") kind = Kind::kDuration;
    }
    text_.clear();
    open_.push_back({kind, line});
  }

  void end() {
    const Open element = open_.back();
    open_.pop_back();
    const std::string_view text = trimmed(text_);
    switch (element.kind) {
      case Kind::kPlaylistTitle:
        contents_.name = std::string(text);
        break;
      case Kind::kLocation:
        // Further locations are other places of the same track.
        if (!has_location_) {
          std::optional<std::string> location = locationOfUri(text, context_.folder);
          if (!location) return stop("a <location> that is no URI of a file", element.line);
          track_.location = std::move(*location);
          has_location_ = true;
        }
        break;
      case Kind::kTitle:
        track_.title = std::string(text);
        break;
      case Kind::kCreator:
        track_.creator = std::string(text);
        break;
      case Kind::kDuration: {
        uint64_t milliseconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
        if (error != std::errc() || end != text.data() + text.size() || text.empty() || milliseconds > 1e12) {
          return stop("<duration> needs a number of milliseconds", element.line);
        }
        track_.length = milliseconds > 0 ? static_cast<double>(milliseconds) / 1000.0 : -1;
        break;
      }
      case Kind::kTrack:
        if (!has_location_) return stop("a <track> without a <location>", element.line);
        contents_.entries.push_back(std::move(track_));
        break;
      default:
        break;
    }
    text_.clear();
  }

  const ReadContext& context_;
  XML_Parser parser_;
  PlaylistFileContents contents_;
  std::vector<Open> open_;
  std::string text_;  // the text of the open element being read
  PlaylistEntry track_;
  bool has_location_ = false;
  std::string problem_;
  std::size_t problem_line_ = 0;
};

// `text` as XML character data: escaped, and without what XML cannot hold
// (control characters, U+FFFE and U+FFFF, bytes that are not UTF-8).
void appendXmlText(std::string& out, std::string_view text) {
  const std::string line = oneLineText(text);
  for (std::size_t i = 0; i < line.size();) {
    const std::size_t start = i;
    const char32_t c = host::decodeUtf8(line, i);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case 0xFFFE:
      case 0xFFFF:
        host::appendUtf8(out, host::kReplacementChar);
        break;
      default:
        out.append(line, start, i - start);
    }
  }
}

void appendElement(std::string& out, std::string_view indent, std::string_view name, std::string_view text) {
  out += indent;
  out += '<';
  out += name;
  out += '>';
  appendXmlText(out, text);
  out += "</";
  out += name;
  out += ">\n";
}

}  // namespace

PlaylistFileContents parseXspf(std::string_view bytes, const ReadContext& context) {
  return XspfReader(context).read(bytes);
}

std::string formatXspf(const std::vector<PlaylistEntry>& entries, const std::filesystem::path& folder,
                       std::string_view name) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" xmlns=\"";
  out += kNamespace;
  out += "\">\n";
  if (!name.empty()) appendElement(out, "  ", "title", name);
  out += "  <trackList>\n";
  for (const PlaylistEntry& entry : entries) {
    out += "    <track>\n";
    appendElement(out, "      ", "location", uriForWrite(entry.location, folder));
    if (!entry.creator.empty()) appendElement(out, "      ", "creator", entry.creator);
    if (!entry.title.empty()) appendElement(out, "      ", "title", entry.title);
    const long long milliseconds = entry.length > 0 ? std::llround(std::min(entry.length, 1e9) * 1000) : 0;
    if (milliseconds > 0) appendElement(out, "      ", "duration", std::to_string(milliseconds));
    out += "    </track>\n";
  }
  out += "  </trackList>\n</playlist>\n";
  return out;
}

}  // namespace player::playlist_files
