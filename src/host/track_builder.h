// Making tracks: TrackStore holds the records of a library in large blocks,
// TrackBuilder writes one record at a time into it.
//
//   host::TrackBuilder builder;                       // a store of its own
//   builder.setPath("file:///music/a.flac");
//   builder.addMeta("Artist", "A");
//   builder.addMeta("genre", "Rock");
//   builder.addMeta("genre", "Pop");                  // a second value
//   host::TrackHandle track = builder.build();       // ready for the next one
//
// Records with the same fields in the same order share one field layout,
// kept by the store. A store never frees or moves a record while it lives, and every handle of
// its tracks keeps it alive: handles are aliases of one shared owner. Values
// that repeat (artist, album, genre, codec ...) are stored once per store,
// together, apart from the records, where the records' slots reach them (a
// record beyond a slot's reach stores them again just ahead of it, for
// itself and the records after it); the store notices per field whether its
// values repeat and stops looking up those that do not (titles), so that
// unique values cost no table room. A record's own texts (its path, a
// title) lie behind its slots, and no text another record uses lies among
// them. A store is written by one builder at a time;
// its records, once built, are read from any thread.
#ifndef VOSTREL_HOST_TRACK_BUILDER_H_
#define VOSTREL_HOST_TRACK_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/track.h"

namespace host {

class TrackStore {
 public:
  TrackStore();
  ~TrackStore();
  TrackStore(const TrackStore&) = delete;
  TrackStore& operator=(const TrackStore&) = delete;

  // `size` bytes aligned to 8 for a record, never moved or freed while the
  // store lives.
  char* allocate(std::size_t size) { return records_.allocate(size, 8); }
  // Where allocate(n) for any n up to `size` will place a record; a
  // record made there takes its bytes with take().
  char* room(std::size_t size) { return records_.room(size, 8); }
  void take(char* at, std::size_t size) { records_.take(at, size); }

  // What the store has of a value of field `field` for a record to be made
  // at `at`: a stored copy within reach, or none, and whether the value is
  // to be shared (values of the field repeat): then the caller stores it
  // and tells keep().
  struct Shared {
    const char* text = nullptr;
    bool keep = false;
  };
  Shared shared(FieldId field, std::string_view value, const char* at);
  // Stores a value to be shared among the shared values, when they lie
  // within reach of a record at `at`; else nullptr: the caller stores it.
  const char* storeShared(std::string_view value, const char* at);
  // Makes `text`, stored by storeShared() or the caller, the copy that
  // records after it share.
  void keep(TextRef text);
  // The store's layout of these fields (each slot's id, name and value
  // count; `first` is filled in), made on first use: records with the same
  // fields share one.
  const FieldLayout* layout(const FieldSlot* fields, std::size_t count, uint32_t meta_count);
  // Bytes taken from the system for records and shared values.
  std::size_t reservedBytes() const { return records_.reserved() + texts_.reserved(); }

 private:
  struct Table;
  // Blocks handed out in order; they grow from small (a test's single
  // track) to large (a library). Blocks are mapped from the system, which
  // places them near one another (and near every other store's), so that
  // the records' slots reach the shared values in their own blocks.
  class Arena {
   public:
    Arena() = default;
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    char* allocate(std::size_t size, std::size_t align) {
      char* at = room(size, align);
      take(at, size);
      return at;
    }
    // Makes room for `size` bytes at `align` (in a new block if need be)
    // and returns where they start; take() then uses them.
    char* room(std::size_t size, std::size_t align);
    // REQUIRES: `at` was returned by room() for at least `size` bytes, and
    // nothing was taken since.
    void take(char* at, std::size_t size) {
      left_ -= static_cast<std::size_t>(at - cursor_) + size;
      cursor_ = at + size;
    }
    std::size_t reserved() const { return reserved_; }

   private:
    struct Block {
      char* bytes;
      std::size_t size;
    };
    std::vector<Block> blocks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t next_block_ = 0;
    std::size_t reserved_ = 0;
  };
  struct FieldStats {
    uint32_t seen = 0;
    uint32_t added = 0;
    bool off = false;  // values of this field are mostly unique
  };

  Arena records_;
  // The shared values, apart from the records: a scan that reads them
  // finds them close together rather than one per record's worth of
  // memory.
  Arena texts_;
  std::unique_ptr<Table> table_;
  std::vector<FieldStats> stats_;  // by FieldId
  // The layouts, by their meta count and slots' names and counts as bytes.
  std::unordered_map<std::string, const FieldLayout*> layouts_;
  Arena layout_bytes_;
  std::string key_;  // scratch of layout()
};

// Values longer than this cannot be stored in a track, nor can a track whose
// path and values together are; a record's slots reach all its text.
inline constexpr std::size_t kMaxValueSize = std::size_t{1} << 30;

class TrackBuilder {
 public:
  // Writes into `store`; a builder without one makes its own.
  explicit TrackBuilder(std::shared_ptr<TrackStore> store = std::make_shared<TrackStore>());

  const std::shared_ptr<TrackStore>& store() const { return store_; }

  void setPath(std::string_view path);
  void setSubsong(uint32_t subsong) { subsong_ = subsong; }
  void setSize(uint64_t size) { size_ = size; }
  void setMtime(int64_t mtime) { mtime_ = mtime; }
  // Any of these, or any field, gives the track an info record.
  void setLength(double seconds) { length_ = seconds; has_info_ = true; }
  void setReplayGain(const ReplayGain& gain) { gain_ = gain; has_info_ = true; }
  void setHasInfo() { has_info_ = true; }

  // Appends a value to the tag or technical field of that name; a field
  // named again (in any letter case) continues with its first spelling.
  // Throws std::length_error for a value over kMaxValueSize bytes.
  void addMeta(std::string_view name, std::string_view value) { addValue(false, internName(name), value); }
  void addTech(std::string_view name, std::string_view value) { addValue(true, internName(name), value); }
  void addValue(bool tech, NameId name, std::string_view value);

  // The path set, "" before any.
  std::string_view path() const { return {text_.data(), path_size_}; }
  bool hasInfo() const { return has_info_; }

  // Writes the record and starts the next, empty track.
  TrackHandle build();
  // Forgets the track begun.
  void clear();

 private:
  struct Field {
    FieldId id;
    NameId name;
    bool tech;
    uint32_t count;
  };
  struct Value {
    uint32_t field;   // index in fields_
    uint32_t offset;  // in text_
    uint32_t size;
  };

  std::shared_ptr<TrackStore> store_;
  std::string text_;  // the path, then the values, back to back
  std::size_t path_size_ = 0;
  std::vector<Field> fields_;
  std::vector<Value> values_;
  // Scratch of build(), kept for its storage.
  std::vector<TrackStore::Shared> stored_;
  std::vector<uint32_t> order_;
  std::vector<uint32_t> next_;
  std::vector<FieldSlot> slots_;
  uint32_t subsong_ = 0;
  uint64_t size_ = 0;
  int64_t mtime_ = 0;
  double length_ = 0.0;
  ReplayGain gain_;
  bool has_info_ = false;
};

}  // namespace host

#endif  // VOSTREL_HOST_TRACK_BUILDER_H_
