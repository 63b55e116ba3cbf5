// Searching the library as a panel's search field does.
//
// A search text is split into terms at white space; text in double quotes
// is one term (a phrase), and an unclosed quote runs to the end. A track
// matches when every term is found inside at least one of its artist, album
// artist, album, title, genre, composer and date values. Both sides are
// folded alike with utf8proc: case folded, compatibility forms and
// diacritics taken away, white space lumped to single spaces, so that
// "bruckner" finds "Brückner" and "ｂａｃｈ" finds "Bach".
//
//   auto filter = makeTrackFilter("bruckner \"symphony no. 4\"");
//   database.setLibraryFilter(filter);   // MediaLibrary narrows on it
//
// SearchIndex keeps a folded copy of those fields per track, made once for
// a library and carried over to the next one (tracks are immutable records,
// so a track in both lists keeps its folded text). TrackFilter computes the
// matching tracks once per text and library.
#ifndef VOSTREL_LIBRARY_TABLES_TRACK_SEARCH_H_
#define VOSTREL_LIBRARY_TABLES_TRACK_SEARCH_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/library_filter.h"
#include "host/track.h"

namespace library_tables {

// `text` folded for searching. Invalid UTF-8 bytes become U+FFFD.
std::string foldForSearch(std::string_view text);

// The folded terms of a search text; empty when it holds nothing to search
// for (empty, spaces, empty quotes).
std::vector<std::string> searchTerms(std::string_view text);

// The folded search text of every track of one library.
class SearchIndex {
 public:
  // The process-wide index, shared by every connection.
  static SearchIndex& instance();

  // Makes the index describe `library`, keeping the folded text of every
  // track it held before. Nothing to do when it already does.
  void update(const host::TrackListPtr& library);
  // Positions of the tracks in the indexed library that match every one of
  // `terms` (folded, none empty), ascending.
  std::vector<uint32_t> match(const std::vector<std::string>& terms) const;

  const host::TrackListPtr& library() const { return library_; }
  // The folded text of track `i`: its values, fields apart by U+001F.
  std::string_view trackText(std::size_t i) const {
    return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i] - 1);
  }
  // Folded tracks since the process started (tests check the carry-over).
  uint64_t foldedTracks() const { return folded_tracks_; }
  void clear();

 private:
  host::TrackListPtr library_;
  // Every track's text followed by a zero; starts_ has one entry more than
  // the library, the end of the last.
  std::string text_;
  std::vector<std::size_t> starts_{0};
  uint64_t folded_tracks_ = 0;
};

// A search text as a library filter. Keeps the matching tracks of the last
// library it was applied to.
class TrackFilter : public db::LibraryFilter {
 public:
  // REQUIRES: terms not empty.
  explicit TrackFilter(std::vector<std::string> terms) : terms_(std::move(terms)) {}
  db::FilteredLibrary apply(const host::TrackListPtr& library) override;
  const std::vector<std::string>& terms() const { return terms_; }

 private:
  std::vector<std::string> terms_;
  host::TrackListPtr library_;
  db::FilteredLibrary last_;
};

// The filter for `text`, or nullptr when the text searches for nothing (the
// whole library).
std::shared_ptr<TrackFilter> makeTrackFilter(std::string_view text);

}  // namespace library_tables

#endif  // VOSTREL_LIBRARY_TABLES_TRACK_SEARCH_H_
