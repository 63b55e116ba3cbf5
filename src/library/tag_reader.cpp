#include "library/tag_reader.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apeproperties.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacproperties.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/itfile.h>
#include <taglib/modfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/s3mfile.h>
#include <taglib/speexfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xmfile.h>

#include "library/field_names.h"
#include "library/stated_length.h"
#include "library/tag_reader_libav.h"

namespace library {
namespace {

// Whether the bytes of `stream` at `offset` are `expected`.
bool bytesAt(TagLib::IOStream& stream, long offset, const char* expected) {
  const TagLib::ByteVector wanted(expected);
  stream.seek(offset);
  return stream.readBlock(wanted.size()) == wanted;
}

// Whether `file`, opened from `stream`, holds audio of its format (see
// tag_reader.h): the readers that take any bytes are checked here.
bool holdsAudio(TagLib::File* file, TagLib::IOStream& stream) {
  namespace T = TagLib;
  // A frame, however far from the start: some files begin with junk.
  if (auto* mpeg = dynamic_cast<T::MPEG::File*>(file)) return mpeg->firstFrameOffset() >= 0;
  if (dynamic_cast<T::RIFF::WAV::File*>(file)) {
    return T::RIFF::WAV::File::isSupported(&stream) ||
           ((bytesAt(stream, 0, "RF64") || bytesAt(stream, 0, "BW64")) && bytesAt(stream, 8, "WAVE"));
  }
  if (dynamic_cast<T::RIFF::AIFF::File*>(file)) return T::RIFF::AIFF::File::isSupported(&stream);
  if (dynamic_cast<T::APE::File*>(file)) return T::APE::File::isSupported(&stream);
  if (auto* mpc = dynamic_cast<T::MPC::File*>(file)) {
    const auto* props = mpc->audioProperties();
    return T::MPC::File::isSupported(&stream) ||
           (props != nullptr && props->mpcVersion() >= 4 && props->mpcVersion() <= 6);
  }
  if (dynamic_cast<T::WavPack::File*>(file)) return T::WavPack::File::isSupported(&stream);
  if (dynamic_cast<T::TrueAudio::File*>(file)) return T::TrueAudio::File::isSupported(&stream);
  if (auto* mod = dynamic_cast<T::Mod::File*>(file)) {
    // Modules name their kind at byte 1080, except the first ones, of 15
    // instruments: for these the song's length (1 to 128 patterns) and its
    // order of patterns (each below 64) must make sense.
    const auto* props = mod->audioProperties();
    if (props == nullptr) return false;
    if (props->instrumentCount() != 15) return true;
    constexpr long kLengthAt = 20 + 15 * 30;  // after the title and the instruments
    stream.seek(kLengthAt);
    const TagLib::ByteVector song = stream.readBlock(2 + 128);
    if (song.size() != 2 + 128 || song[0] == 0 || static_cast<unsigned char>(song[0]) > 128) return false;
    for (unsigned int i = 2; i < song.size(); ++i) {
      if (static_cast<unsigned char>(song[i]) >= 64) return false;
    }
    return true;
  }
  return true;  // a reader that refuses what is not its format
}

// The codec's name as library files give it; "" when unknown.
std::string codecName(TagLib::File* file) {
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
    const auto* props = mpeg->audioProperties();
    const int layer = props != nullptr ? props->layer() : 3;
    return layer == 1 ? "MP1" : layer == 2 ? "MP2" : "MP3";
  }
  if (dynamic_cast<TagLib::FLAC::File*>(file) || dynamic_cast<TagLib::Ogg::FLAC::File*>(file)) return "FLAC";
  if (dynamic_cast<TagLib::Ogg::Vorbis::File*>(file)) return "Vorbis";
  if (dynamic_cast<TagLib::Ogg::Opus::File*>(file)) return "Opus";
  if (dynamic_cast<TagLib::Ogg::Speex::File*>(file)) return "Speex";
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
    const auto* props = mp4->audioProperties();
    if (props == nullptr) return "";
    if (props->codec() == TagLib::MP4::Properties::AAC) return "AAC";
    if (props->codec() == TagLib::MP4::Properties::ALAC) return "ALAC";
    return "";
  }
  if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
    const auto* props = asf->audioProperties();
    if (props == nullptr) return "WMA";
    switch (props->codec()) {
      case TagLib::ASF::Properties::WMA9Pro: return "WMA Pro";
      case TagLib::ASF::Properties::WMA9Lossless: return "WMA Lossless";
      default: return "WMA";
    }
  }
  if (dynamic_cast<TagLib::APE::File*>(file)) return "Monkey's Audio";
  if (dynamic_cast<TagLib::WavPack::File*>(file)) return "WavPack";
  if (dynamic_cast<TagLib::MPC::File*>(file)) return "Musepack";
  if (dynamic_cast<TagLib::TrueAudio::File*>(file)) return "TTA";
  if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
    const auto* props = wav->audioProperties();
    const int format = props != nullptr ? props->format() : 0;
    if (format == 1 || format == 3) return "PCM";
    if (format == 6) return "A-law";
    if (format == 7) return "mu-law";
    return "";
  }
  if (dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) return "PCM";
  if (dynamic_cast<TagLib::Mod::File*>(file)) return "MOD";
  if (dynamic_cast<TagLib::S3M::File*>(file)) return "S3M";
  if (dynamic_cast<TagLib::IT::File*>(file)) return "IT";
  if (dynamic_cast<TagLib::XM::File*>(file)) return "XM";
  return "";
}

// Bits per sample for the formats that store them; 0 otherwise.
int bitsPerSample(const TagLib::AudioProperties* props) {
  if (auto* p = dynamic_cast<const TagLib::FLAC::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::RIFF::WAV::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::RIFF::AIFF::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::APE::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::WavPack::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::TrueAudio::Properties*>(props)) return p->bitsPerSample();
  if (auto* p = dynamic_cast<const TagLib::MP4::Properties*>(props)) return p->bitsPerSample();
  return 0;
}

// "-6.50 dB", "+1.2", "0.988": the number at the start; false when none.
bool parseGain(const std::string& text, float* value) {
  std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return false;
  if (text[start] == '+') ++start;
  const char* end = text.data() + text.size();
  float parsed = 0;
  const auto [ptr, ec] = std::from_chars(text.data() + start, end, parsed);
  if (ec != std::errc() || ptr == text.data() + start) return false;
  *value = parsed;
  return true;
}

// Reads the replay gain fields of `properties` into `gain`; whether any was
// there.
bool readReplayGain(const TagLib::PropertyMap& properties, host::ReplayGain& gain) {
  struct Field {
    const char* name;
    float host::ReplayGain::*member;
  };
  static constexpr Field kFields[] = {
      {"REPLAYGAIN_TRACK_GAIN", &host::ReplayGain::track_gain},
      {"REPLAYGAIN_TRACK_PEAK", &host::ReplayGain::track_peak},
      {"REPLAYGAIN_ALBUM_GAIN", &host::ReplayGain::album_gain},
      {"REPLAYGAIN_ALBUM_PEAK", &host::ReplayGain::album_peak},
  };
  bool any = false;
  for (const Field& field : kFields) {
    const auto it = properties.find(field.name);
    if (it == properties.end() || it->second.isEmpty()) continue;
    any |= parseGain(it->second.front().to8Bit(true), &(gain.*field.member));
  }
  return any;
}

// MP4 files keep replay gain in iTunes freeform atoms, which TagLib's
// property map leaves out.
bool readMp4ReplayGain(TagLib::File* file, host::ReplayGain& gain) {
  auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file);
  if (mp4 == nullptr || mp4->tag() == nullptr) return false;
  TagLib::PropertyMap properties;
  for (const auto& [key, item] : mp4->tag()->itemMap()) {
    constexpr std::string_view kPrefix = "----:com.apple.iTunes:";
    const std::string name = key.to8Bit(true);
    if (name.size() <= kPrefix.size() || !name.starts_with(kPrefix)) continue;
    const TagLib::StringList values = item.toStringList();
    if (!values.isEmpty()) properties.insert(TagLib::String(name.substr(kPrefix.size()), TagLib::String::UTF8), values);
  }
  return !properties.isEmpty() && readReplayGain(properties, gain);
}

// The tags of `file`. Monkey's Audio files may begin with an ID3v2 tag,
// which TagLib's reader of them skips: its fields count, after those of an
// APE tag and before those of an ID3v1 tag.
TagLib::PropertyMap readProperties(TagLib::File* file, TagLib::IOStream& stream) {
  auto* ape = dynamic_cast<TagLib::APE::File*>(file);
  if (ape == nullptr || !bytesAt(stream, 0, "ID3")) return file->properties();
  const TagLib::ID3v2::Tag id3v2(file, 0);
  if (id3v2.isEmpty()) return file->properties();
  TagLib::PropertyMap properties = ape->hasAPETag() ? ape->APETag()->properties() : TagLib::PropertyMap();
  auto fill = [&properties](const TagLib::PropertyMap& from) {
    for (const auto& [key, values] : from) {
      if (!properties.contains(key)) properties.insert(key, values);
    }
  };
  fill(id3v2.properties());
  if (ape->hasID3v1Tag()) fill(ape->ID3v1Tag()->properties());
  return properties;
}

void addNumber(host::TrackBuilder& builder, const char* name, int value) {
  if (value > 0) builder.addTech(name, std::to_string(value));
}

}  // namespace

MusicFileRead readMusicFile(const std::filesystem::path& file, std::string_view location, const FileFacts& facts,
                            host::TrackBuilder& builder) {
  // Read only: a scan changes nothing, and needs no write permission. The
  // stream outlives the reference, which reads through it.
  TagLib::FileStream stream(file.c_str(), true);
  if (!stream.isOpen()) return {};
  const TagLib::FileRef ref(&stream, true, TagLib::AudioProperties::Average);
  TagLib::File* opened = ref.file();
  builder.clear();
  builder.setPath(location);
  builder.setSize(facts.size);
  builder.setMtime(facts.mtime);
  if (opened == nullptr || !opened->isValid() || !holdsAudio(opened, stream)) {
    // What TagLib refuses, libavformat may read; TagLib's tracks stay as
    // TagLib reads them.
    if (readWithLibav(file, facts.size, builder)) return {builder.build(), true};
    return {nullptr, true};
  }

  const TagLib::PropertyMap properties = readProperties(opened, stream);
  for (const auto& [key, values] : properties) {
    const std::string name = key.to8Bit(true);
    if (fieldNameProblem(name) != nullptr || values.isEmpty()) continue;
    for (const TagLib::String& value : values) {
      try {
        builder.addMeta(name, value.to8Bit(true));
      } catch (const std::length_error&) {
        // Leaves out a value too long to store.
      }
    }
  }
  host::ReplayGain gain;
  const bool has_gain = readReplayGain(properties, gain);
  if (readMp4ReplayGain(opened, gain) || has_gain) builder.setReplayGain(gain);

  if (const TagLib::AudioProperties* audio = opened->audioProperties()) {
    builder.setLength(checkedLength(audio->lengthInMilliseconds() / 1000.0, audio->bitrate(), facts.size));
    if (const std::string codec = codecName(opened); !codec.empty()) builder.addTech("codec", codec);
    addNumber(builder, "bitrate", audio->bitrate());
    addNumber(builder, "samplerate", audio->sampleRate());
    addNumber(builder, "channels", audio->channels());
    addNumber(builder, "bitspersample", bitsPerSample(audio));
  }
  builder.setHasInfo();
  return {builder.build(), true};
}

}  // namespace library
