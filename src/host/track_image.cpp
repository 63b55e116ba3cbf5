// Saving and loading track images; see track_image.h.
//
//   header     kMagic, layout, track count, names size, body size, checksum
//   names      a count, then per name its size and bytes (4-byte sizes);
//              then the field layouts: a count, then per layout its meta
//              count and field count, and per field its name's index and
//              value count (4 bytes each); padded to 8 bytes
//   offsets    per track, where its record starts in the body (8 bytes)
//   body       the records, each preceded by the shared texts it is the
//              first to use (or the first within a slot's reach) and
//              followed by its path and its own texts
//
// In the body a value slot holds, as in memory, the distance to its text,
// and a track's layout its index in the table of layouts (field ids are
// looked up again when loading), so that loading patches one word a record.
#include "host/track_image.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "host/track_builder.h"

namespace host {

struct TrackImageAccess {
  static const FieldLayout*& layout(Track& track) { return track.layout_; }
  static const TextSlot* values(const Track& track) { return track.values(); }
  static std::size_t headSize(const Track& track) { return Track::headSize(track.flags_); }
  // The flags' byte, which a damaged image may hold anything in.
  static uint8_t flags(const Track& track) { return track.flags_; }
  static bool knownFlags(uint8_t flags) { return (flags & ~(Track::kHasInfo | Track::kHasGain)) == 0; }
  static std::size_t headSize(uint8_t flags) { return Track::headSize(flags); }
};

namespace {

static_assert(std::endian::native == std::endian::little, "images are little-endian");
static_assert(sizeof(void*) == sizeof(uint64_t));
static_assert(sizeof(Track) % 8 == 0);

// Version 1 kept each record's field entries in the record; version 2 keeps
// them once per layout, ahead of the body; version 3 has four-byte value
// slots that hold distances, the path behind them and the replay gain only
// where there is one.
constexpr uint64_t kMagic = 0x0003'4547'414d'4954;  // "TIMAGE", version 3
// Changes with the record layout, so that another build's images are not
// taken for this one's.
constexpr uint64_t kLayout =
    (uint64_t{sizeof(Track)} << 32) | (sizeof(FieldSlot) << 16) | (sizeof(ReplayGain) << 8) | sizeof(TextSlot);

struct Header {
  uint64_t magic = kMagic;
  uint64_t layout = kLayout;
  uint64_t tracks = 0;
  uint64_t names_size = 0;
  uint64_t body_size = 0;
  uint64_t checksum = 0;       // of the names and offsets
  uint64_t body_checksum = 0;  // of the body
};

// A sum of the bytes in the manner of Fletcher's, in four lanes: it
// catches damage (changed, lost or moved words), not tampering, at about
// the speed of reading them. Bytes may come in pieces, each but the last
// a multiple of kChecksumPiece bytes.
constexpr std::size_t kChecksumPiece = 32;

class Checksum {
 public:
  void add(std::string_view bytes) {
    // In locals, which the compiler keeps in registers.
    uint64_t s0 = sums_[0], s1 = sums_[1], s2 = sums_[2], s3 = sums_[3];
    uint64_t w0 = weighted_[0], w1 = weighted_[1], w2 = weighted_[2], w3 = weighted_[3];
    std::size_t at = 0;
    for (; at + kChecksumPiece <= bytes.size(); at += kChecksumPiece) {
      uint64_t words[4];
      std::memcpy(words, bytes.data() + at, sizeof words);
      w0 += s0 += words[0];
      w1 += s1 += words[1];
      w2 += s2 += words[2];
      w3 += s3 += words[3];
    }
    sums_[0] = s0, sums_[1] = s1, sums_[2] = s2, sums_[3] = s3;
    weighted_[0] = w0, weighted_[1] = w1, weighted_[2] = w2, weighted_[3] = w3;
    size_ += bytes.size();
    for (; at < bytes.size(); ++at) tail_ = (tail_ ^ static_cast<uint8_t>(bytes[at])) * kPrime;
  }
  uint64_t value() const {
    uint64_t hash = size_ ^ tail_;
    for (int lane = 0; lane < 4; ++lane) hash = (hash ^ sums_[lane] ^ (weighted_[lane] << 1)) * kPrime;
    return hash;
  }

 private:
  static constexpr uint64_t kPrime = 0x100000001b3;
  uint64_t sums_[4] = {1, 2, 3, 4};
  uint64_t weighted_[4] = {};
  uint64_t size_ = 0;
  uint64_t tail_ = 0;
};

uint64_t checksum(std::string_view bytes) {
  Checksum sum;
  sum.add(bytes);
  return sum.value();
}

template <typename T>
void putRaw(std::string& out, T value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

void padTo8(std::string& out) { out.resize((out.size() + 7) / 8 * 8, '\0'); }

}  // namespace

// Writes an image in two passes, so that it never needs to be held whole:
// the first lays it out (where each record and text goes, the names), the
// second makes the body again piece by piece, placing every text as the
// first did, and hands each piece on, the header last, once the body's
// checksum is known.
class TrackImageWriter::Saver {
 public:
  explicit Saver(const TrackList& tracks) : tracks_(tracks) {
    offsets_.reserve(tracks.size());
    for (const TrackHandle& track : tracks) {
      layoutIndex(&track->layout());
      offsets_.push_back(place(*track, nullptr));
    }
    body_size_ = end_;
    putRaw(head_, static_cast<uint32_t>(names_.size()));
    for (NameId name : names_) {
      const std::string_view text = nameText(name);
      putRaw(head_, static_cast<uint32_t>(text.size()));
      head_.append(text);
    }
    putRaw(head_, static_cast<uint32_t>(layouts_.size()));
    for (const FieldLayout* layout : layouts_) {
      putRaw(head_, layout->meta_count);
      putRaw(head_, layout->meta_count + layout->tech_count);
      for (uint32_t f = 0; f < layout->meta_count + layout->tech_count; ++f) {
        putRaw(head_, nameIndex(layout->fields[f].name_id));
        putRaw(head_, layout->fields[f].value_count);
      }
    }
    padTo8(head_);
    names_size_ = head_.size();
    for (uint64_t offset : offsets_) putRaw(head_, offset);
  }

  uint64_t size() const { return sizeof(Header) + head_.size() + body_size_; }

  bool write(const TrackImageSink& sink) {
    if (!sink(sizeof(Header), head_)) return false;
    const uint64_t body_at = sizeof(Header) + head_.size();
    Checksum body_sum;
    std::string piece;  // the body from `done` on
    uint64_t done = 0;
    // Hands on what is made, but for the sum's sake in multiples of its
    // piece size until the last.
    auto flush = [&](bool last) {
      const std::size_t size = last ? piece.size() : piece.size() / kChecksumPiece * kChecksumPiece;
      const std::string_view bytes = std::string_view(piece).substr(0, size);
      body_sum.add(bytes);
      if (!bytes.empty() && !sink(body_at + done, bytes)) return false;
      done += size;
      piece.erase(0, size);
      return true;
    };
    texts_ = Texts();
    end_ = 0;
    for (const TrackHandle& track : tracks_) {
      Out out{&piece, done};
      place(*track, &out);
      if (piece.size() >= kPieceSize && !flush(false)) return false;
    }
    if (!flush(true)) return false;
    Header header;
    header.tracks = tracks_.size();
    header.names_size = names_size_;
    header.body_size = body_size_;
    header.checksum = checksum(head_);
    header.body_checksum = body_sum.value();
    return sink(0, std::string_view(reinterpret_cast<const char*>(&header), sizeof header));
  }

 private:
  static constexpr std::size_t kPieceSize = std::size_t{1} << 20;
  // A slot points back to a text placed before at most about this far; a
  // text further back is placed again. A record with its texts is far
  // smaller than the rest of a slot's reach.
  static constexpr uint64_t kBack = TextSlot::kReach / 4;

  // The record's bytes before its path: the track, its replay gain, its
  // value slots.
  static std::size_t recordSpan(const Track& track) {
    return TrackImageAccess::headSize(track) + std::size_t{track.layout().value_count} * sizeof(TextSlot);
  }

  // The layout's index in the image; gives its fields' names theirs.
  uint32_t layoutIndex(const FieldLayout* layout) {
    auto [it, added] = layout_index_.try_emplace(layout, static_cast<uint32_t>(layouts_.size()));
    if (added) {
      layouts_.push_back(layout);
      for (uint32_t f = 0; f < layout->meta_count + layout->tech_count; ++f) nameIndex(layout->fields[f].name_id);
    }
    return it->second;
  }

  static std::size_t textSize(TextRef ref) { return sizeof(uint32_t) + ref.size() + 1; }

  // The texts a record keeps for itself lie right behind its path (a
  // title): they go into the image behind the record without a slot in the
  // table of texts, which then holds the shared ones only and stays small
  // however large the library. The stretch taken for them may run on over
  // texts stored after the record, which it cannot use: a store places a
  // shared text ahead of the record that uses it first (as the image does),
  // never among a record's own.
  class OwnTexts {
   public:
    OwnTexts(const Track& track, std::size_t span) {
      from_ = reinterpret_cast<const char*>(&track) + span + textSize(track.pathRef());
      std::size_t size = 0;
      const TextSlot* values = TrackImageAccess::values(track);
      for (uint32_t v = 0; v < track.layout().value_count; ++v) size += textSize(values[v].ref());
      to_ = from_ + size;
    }
    bool operator()(TextRef ref) const { return ref.data() > from_ && ref.data() < to_; }

   private:
    const char* from_;
    const char* to_;
  };

  // Where place() writes: the body from `done` on.
  struct Out {
    std::string* piece;
    uint64_t done;
  };

  // Appends `ref`'s bytes at the body's end (to `out`, when writing);
  // returns where its bytes start.
  uint64_t append(TextRef ref, Out* out) {
    const uint64_t offset = end_ + sizeof(uint32_t);
    end_ += textSize(ref);
    if (out != nullptr) out->piece->append(ref.data() - sizeof(uint32_t), textSize(ref));
    return offset;
  }

  // Lays out at the body's end the shared texts `track` is the first to
  // use (or the first within reach), then its record, its path and its own
  // texts; when writing, appends them to `out` with the slots made to point
  // to the texts' places and the layout made its index. Returns where the
  // record starts.
  uint64_t place(const Track& track, Out* out) {
    const std::size_t span = recordSpan(track);
    const std::size_t head = TrackImageAccess::headSize(track);
    const OwnTexts own(track, span);
    const TextSlot* values = TrackImageAccess::values(track);
    const uint32_t count = track.layout().value_count;
    // The shared texts' places; the own ones' are known once the record is.
    places_.assign(count, 0);
    for (uint32_t v = 0; v < count; ++v) {
      const TextRef ref = values[v].ref();
      if (own(ref)) continue;
      Slot& slot = texts_.find(ref.data());
      if (slot.text != nullptr && end_ - slot.offset < kBack) {
        places_[v] = slot.offset;
      } else {
        const bool added = slot.text == nullptr;
        places_[v] = append(ref, out);
        slot = {ref.data(), places_[v]};
        if (added) texts_.added();  // may move the slots
      }
    }
    const uint64_t start = (end_ + 7) / 8 * 8;
    std::size_t at = 0;  // the record's place in the piece
    if (out != nullptr) {
      out->piece->resize(start - out->done, '\0');  // the padding before the record
      at = out->piece->size();
      out->piece->append(reinterpret_cast<const char*>(&track), span);
      TrackImageAccess::layout(*reinterpret_cast<Track*>(out->piece->data() + at)) =
          reinterpret_cast<const FieldLayout*>(static_cast<uintptr_t>(layout_index_.at(&track.layout())));
    }
    end_ = start + span;
    append(track.pathRef(), out);
    for (uint32_t v = 0; v < count; ++v) {
      const TextRef ref = values[v].ref();
      if (own(ref)) places_[v] = append(ref, out);
      if (out != nullptr) {
        const uint64_t slot_at = start + head + uint64_t{v} * sizeof(TextSlot);
        const auto distance = static_cast<int32_t>(static_cast<int64_t>(places_[v]) - static_cast<int64_t>(slot_at));
        std::memcpy(out->piece->data() + at + head + v * sizeof(TextSlot), &distance, sizeof distance);
      }
    }
    return start;
  }

  // The texts met so far by address, in open addressing: a library has
  // millions of values, and a node-based map would take most of the time.
  struct Slot {
    const char* text = nullptr;
    uint64_t offset = 0;
  };
  class Texts {
   public:
    Slot& find(const char* text) {
      const std::size_t mask = slots_.size() - 1;
      for (std::size_t i = hash(text) & mask;; i = (i + 1) & mask) {
        if (slots_[i].text == nullptr || slots_[i].text == text) return slots_[i];
      }
    }
    // After a new slot was filled.
    void added() {
      if (++used_ * 2 <= slots_.size()) return;
      std::vector<Slot> old(slots_.size() * 2);
      old.swap(slots_);
      for (const Slot& slot : old) {
        if (slot.text != nullptr) find(slot.text) = slot;
      }
    }

   private:
    static std::size_t hash(const char* text) {
      return static_cast<std::size_t>((reinterpret_cast<uintptr_t>(text) * 0x9e3779b97f4a7c15u) >> 20);
    }
    std::vector<Slot> slots_ = std::vector<Slot>(1024);
    std::size_t used_ = 0;
  };

  uint32_t nameIndex(NameId name) {
    auto [it, added] = name_index_.try_emplace(name, static_cast<uint32_t>(names_.size()));
    if (added) names_.push_back(name);
    return it->second;
  }

  const TrackList& tracks_;
  std::vector<uint64_t> offsets_;
  std::vector<uint64_t> places_;  // scratch of place()
  uint64_t end_ = 0;              // of the body laid out so far
  uint64_t body_size_ = 0;
  std::string head_;  // the names, then the offsets
  std::size_t names_size_ = 0;
  Texts texts_;
  std::unordered_map<NameId, uint32_t> name_index_;
  std::vector<NameId> names_;
  std::unordered_map<const FieldLayout*, uint32_t> layout_index_;
  std::vector<const FieldLayout*> layouts_;
};

TrackImageWriter::TrackImageWriter(const TrackList& tracks) : saver_(std::make_unique<Saver>(tracks)) {}
TrackImageWriter::~TrackImageWriter() = default;
uint64_t TrackImageWriter::size() const { return saver_->size(); }
bool TrackImageWriter::write(const TrackImageSink& sink) { return saver_->write(sink); }

namespace {

// Taking fresh pages from the system is much of a large load's time: a
// second thread makes the pages of the body ready from its far end while
// the loading thread fills it from the start, until they meet. Making a
// page ready leaves its bytes as they are.
class Prefault {
 public:
  static constexpr uint64_t kFrom = uint64_t{8} << 20;  // smaller bodies load in a moment
  static constexpr uint64_t kChunk = uint64_t{1} << 20;

  Prefault(char* body, uint64_t size) {
    if (size < kFrom) return;
    try {
      thread_ = std::thread([this, body, size] { run(body, size); });
    } catch (const std::system_error&) {
      // No thread to be had: the loading thread takes the pages itself.
    }
  }
  ~Prefault() {
    reached(UINT64_MAX);
    if (thread_.joinable()) thread_.join();
  }
  Prefault(const Prefault&) = delete;
  Prefault& operator=(const Prefault&) = delete;

  // The loading thread has filled the body up to `offset`.
  void reached(uint64_t offset) { reached_.store(offset, std::memory_order_relaxed); }

 private:
  void run(char* body, uint64_t size) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(body);
    uintptr_t end = (start + size) / page * page;
    for (;;) {
      const uint64_t before = end - start;  // the body's bytes before `end`
      if (before < 2 * kChunk || reached_.load(std::memory_order_relaxed) >= before - 2 * kChunk) return;
      const uintptr_t from = (end - kChunk) / page * page;
      if (::madvise(reinterpret_cast<void*>(from), end - from, MADV_POPULATE_WRITE) != 0) return;
      end = from;
    }
  }

  std::atomic<uint64_t> reached_{0};
  std::thread thread_;
};

// Restores the records of a body in place, in order. A record is the
// track, whose layout index becomes the layout, its replay gain if any, its
// value slots, which hold the distances to their texts as they are, and its
// path. A record's texts lie before it (the shared ones, placed ahead of
// the record that uses them first) or in the space between its slots and
// the next record (its path and its own texts), never over it or a later
// record: no text changes once checked.
class Loader {
 public:
  Loader(char* body, uint64_t size) : body_(body), size_(size) {}

  // Restores the record at `offset`, which must end before `limit` (the
  // next record), so that no patch lands in a record checked before.
  bool record(uint64_t offset, uint64_t limit, const std::vector<const FieldLayout*>& layouts) {
    if (offset % 8 != 0 || limit > size_ || offset > limit || limit - offset < sizeof(Track)) return false;
    auto* track = reinterpret_cast<Track*>(body_ + offset);
    const uint8_t flags = TrackImageAccess::flags(*track);
    if (!TrackImageAccess::knownFlags(flags)) return false;
    const std::size_t head = TrackImageAccess::headSize(flags);
    const auto index = reinterpret_cast<uintptr_t>(TrackImageAccess::layout(*track));
    if (index >= layouts.size() || limit - offset < head) return false;
    const FieldLayout* layout = layouts[index];
    const uint64_t values_from = offset + head;
    if ((limit - values_from) / sizeof(TextSlot) < layout->value_count) return false;
    record_ = {offset, values_from + uint64_t{layout->value_count} * sizeof(TextSlot), limit};
    TrackImageAccess::layout(*track) = layout;
    if (!text(record_.end + sizeof(uint32_t))) return false;  // the path
    for (uint32_t v = 0; v < layout->value_count; ++v) {
      const uint64_t slot_at = values_from + uint64_t{v} * sizeof(TextSlot);
      int32_t distance;
      std::memcpy(&distance, body_ + slot_at, sizeof distance);
      if (!text(static_cast<int64_t>(slot_at) + distance)) return false;
    }
    return true;
  }

 private:
  // Whether a text of the record being restored may start at `offset` of
  // the body.
  bool text(int64_t offset) const {
    if (offset < static_cast<int64_t>(sizeof(uint32_t)) || static_cast<uint64_t>(offset) >= size_) return false;
    const auto at = static_cast<uint64_t>(offset);
    uint32_t word;
    std::memcpy(&word, body_ + at - sizeof word, sizeof word);
    const uint64_t length = word & TextRef::kMaxLength;
    if (length >= size_ - at || body_[at + length] != '\0') return false;
    const uint64_t from = at - sizeof word, to = at + length + 1;
    // Before the record (in one restored already, if in one), or after
    // it: never over it or one restored later.
    return !(to > record_.start && (from < record_.end || to > record_.limit));
  }

  char* body_;
  uint64_t size_;
  struct {
    uint64_t start, end, limit;
  } record_{};  // the one being restored: where it starts, ends, and the next one starts
};

}  // namespace

std::string saveTrackImage(const TrackList& tracks) {
  TrackImageWriter writer(tracks);
  std::string image(writer.size(), '\0');
  writer.write([&image](uint64_t offset, std::string_view bytes) {
    std::memcpy(image.data() + offset, bytes.data(), bytes.size());
    return true;
  });
  return image;
}

bool loadTrackImage(std::string_view image, TrackList& tracks, const NameCheck& usable_name) {
  return loadTrackImage(
      image.size(),
      [image](uint64_t offset, char* into, std::size_t size) {
        std::memcpy(into, image.data() + offset, size);
        return true;
      },
      tracks, usable_name);
}

void resealTrackImage(std::string& image) {
  Header header;
  if (image.size() < sizeof header) return;
  std::memcpy(&header, image.data(), sizeof header);
  const uint64_t payload_size = image.size() - sizeof header;
  if (header.names_size > payload_size || header.tracks > (payload_size - header.names_size) / sizeof(uint64_t) ||
      header.body_size != payload_size - header.names_size - header.tracks * sizeof(uint64_t)) {
    return;
  }
  const std::string_view payload = std::string_view(image).substr(sizeof header);
  const std::size_t head_size = header.names_size + header.tracks * sizeof(uint64_t);
  header.checksum = checksum(payload.substr(0, head_size));
  header.body_checksum = checksum(payload.substr(head_size));
  std::memcpy(image.data(), &header, sizeof header);
}

bool loadTrackImage(uint64_t image_size, const ImageReader& read, TrackList& tracks, const NameCheck& usable_name) {
  Header header;
  if (image_size < sizeof header || !read(0, reinterpret_cast<char*>(&header), sizeof header)) return false;
  const uint64_t payload_size = image_size - sizeof header;
  if (header.magic != kMagic || header.layout != kLayout || header.names_size > payload_size ||
      header.tracks > (payload_size - header.names_size) / sizeof(uint64_t) ||
      header.body_size != payload_size - header.names_size - header.tracks * sizeof(uint64_t)) {
    return false;
  }
  // The names and offsets, then the body straight into the store.
  std::string head(header.names_size + header.tracks * sizeof(uint64_t), '\0');
  if (!read(sizeof header, head.data(), head.size()) || checksum(head) != header.checksum) return false;
  std::vector<NameId> names;
  std::string_view rest = std::string_view(head).substr(0, header.names_size);
  auto take = [&rest](uint64_t size) {
    const std::string_view bytes = rest.substr(0, size);
    rest.remove_prefix(bytes.size());
    return bytes;
  };
  uint32_t count = 0;
  if (rest.size() < sizeof count) return false;
  std::memcpy(&count, take(sizeof count).data(), sizeof count);
  for (uint32_t n = 0; n < count; ++n) {
    uint32_t size = 0;
    if (rest.size() < sizeof size) return false;
    std::memcpy(&size, take(sizeof size).data(), sizeof size);
    if (size == 0 || size > rest.size()) return false;
    const std::string_view text = take(size);
    if (usable_name && !usable_name(text)) return false;
    names.push_back(internName(text));
  }
  // The layouts go into the store the tracks will be in.
  auto store = std::make_shared<TrackStore>();
  std::vector<const FieldLayout*> layouts;
  std::vector<FieldSlot> slots;
  if (rest.size() < sizeof count) return false;
  std::memcpy(&count, take(sizeof count).data(), sizeof count);
  for (uint32_t l = 0; l < count; ++l) {
    uint32_t counts[2];  // meta fields, all fields
    if (rest.size() < sizeof counts) return false;
    std::memcpy(counts, take(sizeof counts).data(), sizeof counts);
    if (counts[0] > counts[1] || counts[1] > rest.size() / 8) return false;
    slots.assign(counts[1], FieldSlot());
    uint64_t values = 0;
    for (FieldSlot& slot : slots) {
      uint32_t field[2];  // name index, value count
      std::memcpy(field, take(sizeof field).data(), sizeof field);
      if (field[0] >= names.size() || field[1] == 0) return false;
      slot.name_id = names[field[0]];
      slot.value_count = field[1];
      values += field[1];
    }
    if (values > header.body_size / sizeof(TextSlot)) return false;
    layouts.push_back(store->layout(slots.data(), slots.size(), counts[0]));
  }
  std::vector<uint64_t> offsets(header.tracks);
  if (!offsets.empty()) {
    std::memcpy(offsets.data(), head.data() + header.names_size, offsets.size() * sizeof(uint64_t));
  }
  if (header.body_size == 0) return header.tracks == 0;
  char* body = store->allocate(header.body_size);
  // Summed piece by piece as read, while each piece is in the cache.
  constexpr std::size_t kPiece = kChecksumPiece << 16;
  Checksum sum;
  {
    Prefault prefault(body, header.body_size);
    for (uint64_t at = 0; at < header.body_size; at += kPiece) {
      prefault.reached(at);
      const std::size_t size = static_cast<std::size_t>(std::min<uint64_t>(kPiece, header.body_size - at));
      if (!read(sizeof header + head.size() + at, body + at, size)) return false;
      sum.add(std::string_view(body + at, size));
    }
  }
  if (sum.value() != header.body_checksum) return false;
  Loader loader(body, header.body_size);
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const uint64_t limit = i + 1 < offsets.size() ? offsets[i + 1] : header.body_size;
    if (!loader.record(offsets[i], limit, layouts)) return false;
  }
  tracks.reserve(tracks.size() + offsets.size());
  for (uint64_t offset : offsets) {
    tracks.push_back(TrackHandle(store, reinterpret_cast<const Track*>(body + offset)));
  }
  return true;
}

}  // namespace host
