#include "library_tables/track_search.h"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <unordered_map>

#include "host/text.h"

namespace library_tables {
namespace {

// Between the values of a track's text: no folded value holds it (control
// characters are taken out), so a term never matches across two values.
constexpr char kValueSeparator = '\x1f';

constexpr std::array<std::string_view, 7> kSearchedFields = {"artist", "album artist", "album", "title",
                                                             "genre",  "composer",     "date"};

constexpr utf8proc_option_t kFoldOptions =
    static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPAT | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD |
                                   UTF8PROC_LUMP | UTF8PROC_STRIPMARK | UTF8PROC_STRIPCC);

// Appends `c` to `out`, a run of spaces as one.
void appendCollapsed(std::string& out, char c) {
  if (c == ' ' && !out.empty() && out.back() == ' ') return;
  out.push_back(c);
}

// Valid UTF-8 for utf8proc: every invalid byte becomes U+FFFD.
std::string repaired(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t pos = 0; pos < text.size();) host::appendUtf8(out, host::decodeUtf8(text, pos));
  return out;
}

void appendFolded(std::string_view text, std::string& out) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    // Most tags are plain ASCII: fold them here, as utf8proc would.
    for (char c : text) {
      if (c >= 'A' && c <= 'Z') {
        out.push_back(static_cast<char>(c - 'A' + 'a'));
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        appendCollapsed(out, ' ');
      } else if (c > 0x1f && c != 0x7f) {
        out.push_back(c);
      }
    }
    return;
  }
  utf8proc_uint8_t* mapped = nullptr;
  utf8proc_ssize_t length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                         static_cast<utf8proc_ssize_t>(text.size()), &mapped, kFoldOptions);
  if (length < 0) {
    const std::string valid = repaired(text);
    length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(valid.data()),
                          static_cast<utf8proc_ssize_t>(valid.size()), &mapped, kFoldOptions);
  }
  if (length < 0) return;  // out of memory: the value cannot be found
  for (utf8proc_ssize_t i = 0; i < length; ++i) appendCollapsed(out, static_cast<char>(mapped[i]));
  std::free(mapped);
}

void appendTrackText(const host::Track* track, const std::array<host::FieldId, 7>& fields, std::string& out) {
  if (track == nullptr) return;
  for (host::FieldId id : fields) {
    host::FieldPtr field = track->findMeta(id);
    if (field == nullptr) continue;
    for (std::string_view value : field->values()) {
      appendFolded(value, out);
      out.push_back(kValueSeparator);
    }
  }
}

}  // namespace

std::string foldForSearch(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  appendFolded(text, out);
  return out;
}

std::vector<std::string> searchTerms(std::string_view text) {
  // Typographic quotes count as the plain one.
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t quote = 0;
    for (std::string_view typographic : {"\u201c", "\u201d", "\u201e"}) {
      if (text.substr(at).starts_with(typographic)) quote = typographic.size();
    }
    plain += quote > 0 ? '"' : text[at];
    at += quote > 0 ? quote : 1;
  }
  const std::string folded = foldForSearch(plain);
  std::vector<std::string> terms;
  std::string term;
  bool quoted = false;
  auto finish = [&] {
    while (!term.empty() && term.back() == ' ') term.pop_back();
    if (!term.empty()) terms.push_back(std::move(term));
    term.clear();
  };
  for (char c : folded) {
    if (c == '"') {
      finish();
      quoted = !quoted;
    } else if (c == ' ' && !quoted) {
      finish();
    } else if (!(c == ' ' && term.empty())) {
      term.push_back(c);
    }
  }
  finish();
  return terms;
}

SearchIndex& SearchIndex::instance() {
  static SearchIndex index;
  return index;
}

void SearchIndex::clear() {
  library_.reset();
  text_.clear();
  starts_.assign(1, 0);
}

void SearchIndex::update(const host::TrackListPtr& library) {
  if (library == library_ && library != nullptr) return;
  static const host::TrackList kEmpty;
  const host::TrackList& tracks = library ? *library : kEmpty;
  const host::TrackList& previous = library_ ? *library_ : kEmpty;
  std::array<host::FieldId, 7> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i] = host::internField(kSearchedFields[i]);

  std::string text;
  text.reserve(std::max(text_.size(), tracks.size() * 16));
  std::vector<std::size_t> starts;
  starts.reserve(tracks.size() + 1);
  starts.push_back(0);
  // Where each record of the previous library was, made at the first track
  // that is not in its old place (the common change appends or replaces a
  // few tracks and leaves the order alone).
  std::unordered_map<const host::Track*, std::size_t> old_positions;
  bool mapped = false;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const host::Track* track = tracks[i].get();
    std::size_t found = previous.size();
    if (i < previous.size() && previous[i].get() == track) {
      found = i;
    } else if (!previous.empty()) {
      if (!mapped) {
        old_positions.reserve(previous.size());
        for (std::size_t p = 0; p < previous.size(); ++p) old_positions.emplace(previous[p].get(), p);
        mapped = true;
      }
      if (auto it = old_positions.find(track); it != old_positions.end()) found = it->second;
    }
    if (found < previous.size()) {
      text.append(text_, starts_[found], starts_[found + 1] - starts_[found]);
    } else {
      appendTrackText(track, fields, text);
      text.push_back('\0');
      ++folded_tracks_;
    }
    starts.push_back(text.size());
  }
  library_ = library ? library : std::make_shared<const host::TrackList>();
  text_ = std::move(text);
  starts_ = std::move(starts);
}

std::vector<uint32_t> SearchIndex::match(const std::vector<std::string>& terms) const {
  std::vector<uint32_t> found;
  if (terms.empty()) return found;
  // The longest term first: it is likely the rarest, and only the tracks it
  // finds are searched for the others.
  std::vector<const std::string*> order;
  for (const std::string& term : terms) order.push_back(&term);
  std::stable_sort(order.begin(), order.end(),
                   [](const std::string* a, const std::string* b) { return a->size() > b->size(); });
  // Each term is prepared once, not at every track searched.
  using Searcher = std::boyer_moore_horspool_searcher<std::string::const_iterator>;
  std::vector<Searcher> searchers;
  searchers.reserve(order.size());
  for (const std::string* term : order) searchers.emplace_back(term->begin(), term->end());

  // One pass over all the text for the first term, jumping to the next
  // track after each hit. Hits come in order, so the track of a hit is
  // found by walking on from the last one.
  const auto begin = text_.cbegin();
  const auto end = text_.cend();
  std::size_t track = 0;
  for (auto at = begin; at != end;) {
    const auto hit = std::search(at, end, searchers.front());
    if (hit == end) break;
    const auto offset = static_cast<std::size_t>(hit - begin);
    while (starts_[track + 1] <= offset) ++track;
    found.push_back(static_cast<uint32_t>(track));
    at = begin + static_cast<std::ptrdiff_t>(starts_[track + 1]);
  }
  for (std::size_t t = 1; t < order.size(); ++t) {
    std::erase_if(found, [&](uint32_t i) {
      const auto from = begin + static_cast<std::ptrdiff_t>(starts_[i]);
      const auto to = begin + static_cast<std::ptrdiff_t>(starts_[i + 1]);
      return std::search(from, to, searchers[t]) == to;
    });
  }
  return found;
}

db::FilteredLibrary TrackFilter::apply(const host::TrackListPtr& library) {
  if (last_.tracks != nullptr && library == library_) return last_;
  SearchIndex& index = SearchIndex::instance();
  index.update(library);
  auto positions = std::make_shared<std::vector<uint32_t>>(index.match(terms_));
  const host::TrackListPtr& all = index.library();
  library_ = library;
  if (positions->size() == all->size()) {
    // Every track matches: the library itself, as without a filter.
    last_ = {all, nullptr};
    return last_;
  }
  auto tracks = std::make_shared<host::TrackList>();
  tracks->reserve(positions->size());
  for (uint32_t p : *positions) tracks->push_back((*all)[p]);
  last_ = {std::move(tracks), std::move(positions)};
  return last_;
}

std::shared_ptr<TrackFilter> makeTrackFilter(std::string_view text) {
  std::vector<std::string> terms = searchTerms(text);
  if (terms.empty()) return nullptr;
  return std::make_shared<TrackFilter>(std::move(terms));
}

}  // namespace library_tables
