#include "library/cover_art.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <fstream>
#include <string_view>
#include <vector>

namespace library {
namespace fs = std::filesystem;
namespace {

// The picture type of a front cover, in ID3v2, FLAC and ASF alike.
constexpr int kFrontCover = 3;
constexpr int kUnknownType = -1;

// The pictures of a file in tag order, best picked by pick().
class Candidates {
 public:
  void add(int type, const TagLib::ByteVector& data, std::size_t offset = 0) {
    if (data.size() <= offset) return;
    const uint64_t size = data.size() - offset;
    if (size > kMaxCoverBytes) {
      refused_ = "the picture in the tags is too large (" + std::to_string(size) + " bytes)";
      return;
    }
    list_.push_back({type, data, offset});
  }
  std::string pick(std::string& refused) const {
    auto best = std::find_if(list_.begin(), list_.end(), [](const Item& item) { return item.type == kFrontCover; });
    if (best == list_.end()) best = list_.begin();
    if (best == list_.end()) {
      refused = refused_;
      return {};
    }
    return std::string(best->data.data() + best->offset, best->data.size() - best->offset);
  }

 private:
  struct Item {
    int type;
    TagLib::ByteVector data;  // shares its bytes with the tag's: no copy
    std::size_t offset;
  };
  std::vector<Item> list_;
  std::string refused_;
};

void addId3v2(Candidates& out, TagLib::ID3v2::Tag* tag) {
  if (tag == nullptr) return;
  for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
    if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
      out.add(static_cast<int>(picture->type()), picture->picture());
    }
  }
}

void addFlacPictures(Candidates& out, const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
  for (const TagLib::FLAC::Picture* picture : pictures) out.add(static_cast<int>(picture->type()), picture->data());
}

void addXiph(Candidates& out, TagLib::Ogg::XiphComment* tag) {
  if (tag != nullptr) addFlacPictures(out, tag->pictureList());
}

// APE binary items: a description ending in NUL, then the picture.
void addApe(Candidates& out, TagLib::APE::Tag* tag) {
  if (tag == nullptr) return;
  const TagLib::APE::ItemListMap& items = tag->itemListMap();  // keys in upper case
  for (const char* key : {"COVER ART (FRONT)", "COVER ART (OTHER)"}) {
    auto item = items.find(key);
    if (item == items.end() || item->second.type() != TagLib::APE::Item::Binary) continue;
    const TagLib::ByteVector& data = item->second.binaryData();
    const int end = data.find('\0');
    if (end < 0) continue;
    out.add(std::string_view(key) == "COVER ART (FRONT)" ? kFrontCover : kUnknownType, data,
            static_cast<std::size_t>(end) + 1);
  }
}

void addMp4(Candidates& out, TagLib::MP4::Tag* tag) {
  if (tag == nullptr || !tag->contains("covr")) return;
  for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList()) out.add(kUnknownType, art.data());
}

void addAsf(Candidates& out, TagLib::ASF::Tag* tag) {
  if (tag == nullptr || !tag->contains("WM/Picture")) return;
  for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
    const TagLib::ASF::Picture picture = attribute.toPicture();
    if (picture.isValid()) out.add(static_cast<int>(picture.type()), picture.picture());
  }
}

// The pictures of `file`'s tags, by its format.
void collect(Candidates& out, TagLib::File* file) {
  using namespace TagLib;
  if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
    addId3v2(out, mpeg->ID3v2Tag());
    addApe(out, mpeg->APETag());
  } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
    addFlacPictures(out, flac->pictureList());
    addXiph(out, flac->xiphComment());
  } else if (auto* vorbis = dynamic_cast<Ogg::Vorbis::File*>(file)) {
    addXiph(out, vorbis->tag());
  } else if (auto* opus = dynamic_cast<Ogg::Opus::File*>(file)) {
    addXiph(out, opus->tag());
  } else if (auto* speex = dynamic_cast<Ogg::Speex::File*>(file)) {
    addXiph(out, speex->tag());
  } else if (auto* mp4 = dynamic_cast<MP4::File*>(file)) {
    addMp4(out, mp4->tag());
  } else if (auto* ape = dynamic_cast<APE::File*>(file)) {
    addApe(out, ape->APETag());
  } else if (auto* wavpack = dynamic_cast<WavPack::File*>(file)) {
    addApe(out, wavpack->APETag());
  } else if (auto* mpc = dynamic_cast<MPC::File*>(file)) {
    addApe(out, mpc->APETag());
  } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
    addId3v2(out, tta->ID3v2Tag());
  } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
    addId3v2(out, wav->ID3v2Tag());
  } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
    addId3v2(out, aiff->tag());
  } else if (auto* asf = dynamic_cast<ASF::File*>(file)) {
    addAsf(out, asf->tag());
  }
}

bool fillState(CoverSource& source) {
  std::error_code ec;
  const auto size = fs::file_size(source.file, ec);
  if (ec) return false;
  const auto time = fs::last_write_time(source.file, ec);
  if (ec) return false;
  source.size = size;
  source.mtime = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  return true;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

CoverPicture readEmbeddedCover(const fs::path& track_file) {
  CoverPicture cover;
  cover.source.file = track_file;
  cover.source.embedded = true;
  if (!fillState(cover.source)) return cover;
  TagLib::FileRef ref(track_file.c_str(), /*readAudioProperties=*/false);
  if (ref.isNull()) return cover;
  Candidates candidates;
  collect(candidates, ref.file());
  cover.bytes = candidates.pick(cover.refused);
  return cover;
}

std::optional<fs::path> findFolderImage(const fs::path& folder) {
  static constexpr std::array<std::string_view, 4> kNames = {"cover", "folder", "front", "album"};
  static constexpr std::array<std::string_view, 4> kExtensions = {".jpg", ".jpeg", ".png", ".webp"};
  std::optional<fs::path> best;
  std::size_t best_rank = kNames.size();
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string extension = lower(path.extension().string());
    if (std::find(kExtensions.begin(), kExtensions.end(), extension) == kExtensions.end()) continue;
    const auto name = std::find(kNames.begin(), kNames.end(), lower(path.stem().string()));
    const auto rank = static_cast<std::size_t>(name - kNames.begin());
    // Ties (cover.jpg and Cover.PNG) go to the smaller name, so that the
    // choice does not depend on the order the folder lists them in.
    if (rank < best_rank || (rank == best_rank && best && path < *best)) {
      std::error_code type_ec;
      if (!it->is_regular_file(type_ec)) continue;
      best = path;
      best_rank = rank;
    }
  }
  return best;
}

CoverPicture readFolderCover(const fs::path& track_file) {
  CoverPicture folder;
  const std::optional<fs::path> image = findFolderImage(track_file.parent_path());
  if (!image) return folder;
  folder.source.file = *image;
  if (!fillState(folder.source)) return folder;
  if (folder.source.size > kMaxCoverBytes) {
    folder.refused = "the image file is too large (" + std::to_string(folder.source.size) + " bytes)";
    return folder;
  }
  std::ifstream in(*image, std::ios::binary);
  folder.bytes.resize(folder.source.size);
  if (!in.read(folder.bytes.data(), static_cast<std::streamsize>(folder.bytes.size()))) folder.bytes.clear();
  return folder;
}

CoverPicture readCover(const fs::path& track_file) {
  CoverPicture cover = readEmbeddedCover(track_file);
  if (cover.found()) return cover;
  CoverPicture folder = readFolderCover(track_file);
  // Without a folder image, what was wrong with the tag's picture is told.
  return folder.found() || !folder.refused.empty() || cover.refused.empty() ? folder : cover;
}

}  // namespace library
