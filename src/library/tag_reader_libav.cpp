#include "library/tag_reader_libav.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "library/field_names.h"
#include "library/libav_api.h"
#include "library/stated_length.h"

namespace library {
namespace {

// The demuxers asked: audio formats only. Pictures, text, playlists and
// video-only formats are never probed into tracks, and no demuxer that
// opens other files or URLs (playlists, image sequences) is among them.
constexpr const char* kAudioFormats =
    "aac,ac3,eac3,aiff,amr,ape,asf,au,caf,dsf,dts,dtshd,flac,iff,matroska,mov,mp3,mpc,mpc8,ogg,shn,tak,tta,truehd,"
    "mlp,w64,wav,wsd,wv";
// What is read to recognise the format and the streams' parameters.
constexpr const char* kProbeBytes = "262144";
constexpr const char* kAnalyzeMicroseconds = "2000000";
// A file that takes longer is given up: a damaged file may send a demuxer
// searching a large file for a sync word.
constexpr auto kDeadline = std::chrono::seconds(2);
// Time given to decoding a stream whose length no header states; a longer
// stream's length stays unknown.
constexpr auto kCountingDeadline = std::chrono::seconds(10);
// Packets read to find one of the audio stream (others may come first).
constexpr int kMaxPackets = 256;

// libavformat's names for the usual tags, and TagLib's.
constexpr std::pair<std::string_view, std::string_view> kTagNames[] = {
    {"album_artist", "ALBUMARTIST"}, {"track", "TRACKNUMBER"},    {"disc", "DISCNUMBER"},
    {"publisher", "LABEL"},          {"encoded_by", "ENCODEDBY"}, {"lyrics", "LYRICS"},
};
// Entries of the container, not tags of the music.
constexpr std::string_view kTechnicalKeys[] = {
    "encoder",  "creation_time", "major_brand", "minor_version",    "compatible_brands", "handler_name",   "vendor_id",
    "duration", "language",      "bps",         "number_of_frames", "number_of_bytes",   "encoder_options"};

// How the formats of kAudioFormats begin (after any ID3v2 tag).
struct Signature {
  std::size_t offset;
  std::string_view bytes;
};
constexpr Signature kSignatures[] = {
    {0, "ajkg"},
    {0, "FRM8"},
    {0, "DSD "},
    {0, "\x1A\x45\xDF\xA3"},
    {0, "OggS"},
    {0, "fLaC"},
    {0, "RIFF"},
    {0, "RF64"},
    {0, "BW64"},
    {0, "riff"},
    {0, "FORM"},
    {0, "MAC "},
    {0, "MPCK"},
    {0, "MP+"},
    {0, "wvpk"},
    {0, "TTA1"},
    {0, "tBaK"},
    {0, "caff"},
    {0, ".snd"},
    {0, "#!AMR"},
    {0, "\x30\x26\xB2\x75"},
    {0, "\x0B\x77"},
    {0, "\x77\x0B"},
    {0, "\x7F\xFE\x80\x01"},
    {0, "\xFE\x7F\x01\x80"},
    {0, "\x1F\xFF\xE8\x00"},
    {0, "DTSHDHDR"},
    {0, "1bit"},
    {4, "ftyp"},
    {4, "\xF8\x72\x6F\xBA"},
    {4, "\xF8\x72\x6F\xBB"},
};

// The first bytes of `file` after its ID3v2 tags (at most a few): enough
// for every signature.
std::string fileHead(const std::filesystem::path& file) {
  constexpr std::size_t kHeadBytes = 16;
  std::ifstream in(file, std::ios::binary);
  std::string head;
  for (int tags = 0; tags < 4; ++tags) {
    head.assign(kHeadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    // "ID3", version, revision, flags, then the size in 4 bytes of 7 bits.
    if (head.size() < 10 || !head.starts_with("ID3")) break;
    auto byte = [&head](int i) { return static_cast<uint64_t>(static_cast<unsigned char>(head[i]) & 0x7F); };
    uint64_t end = static_cast<uint64_t>(in.tellg()) - head.size() + 10 +
                   ((byte(6) << 21) | (byte(7) << 14) | (byte(8) << 7) | byte(9));
    if ((head[5] & 0x10) != 0) end += 10;  // a footer
    in.clear();
    in.seekg(static_cast<std::streamoff>(end));
  }
  return head;
}

// The functions, once readWithLibav has found them.
const LibavApi& lib() { return *libavApi(); }

struct Deadline {
  std::chrono::steady_clock::time_point at;
};

bool passed(const Deadline& deadline) { return std::chrono::steady_clock::now() > deadline.at; }

// libavformat's interrupt callback: 1 gives up what it is doing.
int pastDeadline(void* opaque) { return passed(*static_cast<const Deadline*>(opaque)) ? 1 : 0; }

struct InputCloser {
  void operator()(AVFormatContext* context) const { lib().avformat_close_input(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

struct DictionaryFreer {
  void operator()(AVDictionary* dictionary) const { lib().av_dict_free(&dictionary); }
};

// The codec's name as the tracks TagLib reads give it.
std::string codecName(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_AAC:
      return "AAC";
    case AV_CODEC_ID_ALAC:
      return "ALAC";
    case AV_CODEC_ID_AC3:
      return "AC-3";
    case AV_CODEC_ID_EAC3:
      return "E-AC-3";
    case AV_CODEC_ID_DTS:
      return "DTS";
    case AV_CODEC_ID_FLAC:
      return "FLAC";
    case AV_CODEC_ID_MP1:
      return "MP1";
    case AV_CODEC_ID_MP2:
      return "MP2";
    case AV_CODEC_ID_MP3:
      return "MP3";
    case AV_CODEC_ID_OPUS:
      return "Opus";
    case AV_CODEC_ID_VORBIS:
      return "Vorbis";
    case AV_CODEC_ID_SPEEX:
      return "Speex";
    case AV_CODEC_ID_SHORTEN:
      return "Shorten";
    case AV_CODEC_ID_APE:
      return "Monkey's Audio";
    case AV_CODEC_ID_WAVPACK:
      return "WavPack";
    case AV_CODEC_ID_TTA:
      return "TTA";
    case AV_CODEC_ID_TAK:
      return "TAK";
    case AV_CODEC_ID_MUSEPACK7:
    case AV_CODEC_ID_MUSEPACK8:
      return "Musepack";
    case AV_CODEC_ID_TRUEHD:
      return "TrueHD";
    case AV_CODEC_ID_MLP:
      return "MLP";
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
      return "WMA";
    case AV_CODEC_ID_WMAPRO:
      return "WMA Pro";
    case AV_CODEC_ID_WMALOSSLESS:
      return "WMA Lossless";
    case AV_CODEC_ID_AMR_NB:
    case AV_CODEC_ID_AMR_WB:
      return "AMR";
    case AV_CODEC_ID_PCM_ALAW:
      return "A-law";
    case AV_CODEC_ID_PCM_MULAW:
      return "mu-law";
    default:
      break;
  }
  if (id >= AV_CODEC_ID_DSD_LSBF && id <= AV_CODEC_ID_DSD_MSBF_PLANAR) return "DSD";
  if (id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT) return "PCM";
  const char* name = lib().avcodec_get_name(id);
  return name != nullptr ? name : "";
}

bool isDsd(AVCodecID id) { return id >= AV_CODEC_ID_DSD_LSBF && id <= AV_CODEC_ID_DSD_MSBF_PLANAR; }

// Bits per sample of lossless codecs, whose samples have a width; 0 for the
// others.
int bitsPerSample(const AVCodecParameters& codec) {
  if (isDsd(codec.codec_id)) return 1;
  const bool lossless = codec.codec_id < AV_CODEC_ID_ADPCM_IMA_QT || codec.codec_id == AV_CODEC_ID_FLAC ||
                        codec.codec_id == AV_CODEC_ID_ALAC || codec.codec_id == AV_CODEC_ID_SHORTEN ||
                        codec.codec_id == AV_CODEC_ID_APE || codec.codec_id == AV_CODEC_ID_WAVPACK ||
                        codec.codec_id == AV_CODEC_ID_TTA || codec.codec_id == AV_CODEC_ID_TAK ||
                        codec.codec_id == AV_CODEC_ID_WMALOSSLESS;
  if (!lossless) return 0;
  return codec.bits_per_raw_sample > 0 ? codec.bits_per_raw_sample : codec.bits_per_coded_sample;
}

// The seconds of `stream`, or of the whole file; 0 when unknown.
double lengthOf(const AVFormatContext& input, const AVStream& stream) {
  if (stream.duration > 0 && stream.duration != AV_NOPTS_VALUE) return stream.duration * av_q2d(stream.time_base);
  if (input.duration > 0 && input.duration != AV_NOPTS_VALUE) return input.duration / double(AV_TIME_BASE);
  return 0;
}

// Adds the tags of `dictionary` to `tags`, those of the container before
// those of the stream: a name already there keeps its values.
void collectTags(const AVDictionary* dictionary, std::vector<std::pair<std::string, std::string>>& tags) {
  const std::size_t before = tags.size();
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = lib().av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
    std::string name = tagNameForLibavKey(entry->key);
    if (name.empty() || fieldNameProblem(name) != nullptr) continue;
    const auto end = tags.begin() + static_cast<std::ptrdiff_t>(before);
    if (std::any_of(tags.begin(), end, [&](const auto& tag) { return tag.first == name; })) continue;
    tags.emplace_back(std::move(name), entry->value);
  }
}

struct CodecFreer {
  void operator()(AVCodecContext* context) const { lib().avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { lib().av_frame_free(&frame); }
};

// The seconds of the audio stream `audio`, counted by decoding it; 0 when
// it cannot be decoded or `deadline` passes first. For raw streams whose
// header gives no length (Shorten). `has_packet`: set when a packet of the
// stream was read.
double decodedLength(AVFormatContext& input, int audio, AVPacket& packet, const Deadline& deadline, bool& has_packet) {
  const AVCodecParameters& parameters = *input.streams[audio]->codecpar;
  const AVCodec* decoder = lib().avcodec_find_decoder(parameters.codec_id);
  if (decoder == nullptr || parameters.sample_rate <= 0) return 0;
  const std::unique_ptr<AVCodecContext, CodecFreer> codec(lib().avcodec_alloc_context3(decoder));
  const std::unique_ptr<AVFrame, FrameFreer> frame(lib().av_frame_alloc());
  if (!codec || !frame || lib().avcodec_parameters_to_context(codec.get(), &parameters) < 0 ||
      lib().avcodec_open2(codec.get(), decoder, nullptr) < 0) {
    return 0;
  }
  int64_t samples = 0;
  bool more = true;
  while (more) {
    if (passed(deadline)) return 0;
    more = lib().av_read_frame(&input, &packet) >= 0;
    if (more && packet.stream_index != audio) {
      lib().av_packet_unref(&packet);
      continue;
    }
    has_packet |= more && packet.size > 0;
    const int sent = lib().avcodec_send_packet(codec.get(), more ? &packet : nullptr);  // none: drain
    lib().av_packet_unref(&packet);
    if (sent < 0 && sent != AVERROR(EAGAIN)) return 0;
    while (lib().avcodec_receive_frame(codec.get(), frame.get()) >= 0) samples += frame->nb_samples;
  }
  return static_cast<double>(samples) / parameters.sample_rate;
}

void addNumber(host::TrackBuilder& builder, const char* name, int64_t value) {
  if (value > 0 && value <= INT32_MAX) builder.addTech(name, std::to_string(value));
}

}  // namespace

bool mayBeLibavAudio(std::string_view head) {
  for (const Signature& signature : kSignatures) {
    if (head.substr(std::min(signature.offset, head.size())).starts_with(signature.bytes)) return true;
  }
  // An MPEG audio frame or an ADTS frame: 11 bits of sync.
  return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
         (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
}

std::string tagNameForLibavKey(std::string key) {
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  for (std::string_view technical : kTechnicalKeys) {
    if (key == technical) return "";
  }
  if (key.starts_with("_statistics_")) return "";
  for (const auto& [libav, taglib] : kTagNames) {
    if (key == libav) return std::string(taglib);
  }
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  return key;
}

bool readWithLibav(const std::filesystem::path& file, uint64_t size, host::TrackBuilder& builder) {
  // Loading libavformat is costly, and probing with it too: most files
  // that come here are covers, text and playlists.
  if (!mayBeLibavAudio(fileHead(file)) || libavApi() == nullptr) return false;
  Deadline deadline{std::chrono::steady_clock::now() + kDeadline};
  AVFormatContext* opened = lib().avformat_alloc_context();
  if (opened == nullptr) return false;
  opened->interrupt_callback = {pastDeadline, &deadline};
  AVDictionary* options = nullptr;
  lib().av_dict_set(&options, "format_whitelist", kAudioFormats, 0);
  lib().av_dict_set(&options, "protocol_whitelist", "file", 0);
  lib().av_dict_set(&options, "probesize", kProbeBytes, 0);
  lib().av_dict_set(&options, "formatprobesize", kProbeBytes, 0);
  lib().av_dict_set(&options, "analyzeduration", kAnalyzeMicroseconds, 0);
  // The "file:" protocol: a name with a colon is no URL.
  const std::string url = "file:" + file.string();
  const int status = lib().avformat_open_input(&opened, url.c_str(), nullptr, &options);
  const std::unique_ptr<AVDictionary, DictionaryFreer> unused(options);
  if (status < 0) return false;  // frees `opened`
  const Input input(opened);
  // Recognised by its content, not only by its name.
  if (input->probe_score <= AVPROBE_SCORE_EXTENSION) return false;
  if (lib().avformat_find_stream_info(input.get(), nullptr) < 0) return false;
  const int audio = lib().av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (audio < 0) return false;
  const AVStream& stream = *input->streams[audio];
  const AVCodecParameters& codec = *stream.codecpar;
  if (codec.codec_id == AV_CODEC_ID_NONE) return false;

  // Audio is there when a packet of it is.
  AVPacket* packet = lib().av_packet_alloc();
  if (packet == nullptr) return false;
  bool has_packet = false;
  double length = lengthOf(*input, stream);
  if (length <= 0) {
    // Reading starts at the first packet, which the search for the
    // streams' parameters kept.
    deadline.at = std::chrono::steady_clock::now() + kCountingDeadline;
    length = decodedLength(*input, audio, *packet, deadline, has_packet);
  }
  for (int i = 0; i < kMaxPackets && !has_packet; ++i) {
    if (lib().av_read_frame(input.get(), packet) < 0) break;
    has_packet = packet->stream_index == audio && packet->size > 0;
    lib().av_packet_unref(packet);
  }
  lib().av_packet_free(&packet);
  if (!has_packet) return false;

  std::vector<std::pair<std::string, std::string>> tags;
  collectTags(input->metadata, tags);
  collectTags(stream.metadata, tags);
  for (const auto& [name, value] : tags) {
    try {
      builder.addMeta(name, value);
    } catch (const std::length_error&) {
      // Leaves out a value too long to store.
    }
  }
  const int64_t bit_rate = codec.bit_rate > 0 ? codec.bit_rate : input->bit_rate;
  const int kbps = bit_rate > 0 ? static_cast<int>(std::lround(bit_rate / 1000.0)) : 0;
  builder.setLength(checkedLength(length, kbps, size));
  if (const std::string name = codecName(codec.codec_id); !name.empty()) builder.addTech("codec", name);
  addNumber(builder, "bitrate", kbps);
  // DSD streams count bytes of 8 one-bit samples.
  addNumber(builder, "samplerate", isDsd(codec.codec_id) ? int64_t{codec.sample_rate} * 8 : codec.sample_rate);
  addNumber(builder, "channels", codec.ch_layout.nb_channels);
  addNumber(builder, "bitspersample", bitsPerSample(codec));
  builder.setHasInfo();
  return true;
}

}  // namespace library
