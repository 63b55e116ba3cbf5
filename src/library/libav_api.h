// libavformat, libavcodec and libavutil, loaded when first needed.
//
//   if (const LibavApi* av = libavApi()) av->avformat_open_input(...);
//
// They are loaded at run time, not linked: with the dozens of libraries
// they bring (their codecs' own) they would add some 20 MB and a tenth of
// a second to every start of the program, which reads most music with
// TagLib and needs them only for the rare file TagLib does not read.
// Without them installed, libavApi() gives nullptr and those files are not
// tracks.
#ifndef VOSTREL_LIBRARY_LIBAV_API_H_
#define VOSTREL_LIBRARY_LIBAV_API_H_

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace library {

// The functions used, with the signatures of the headers built against
// (the libraries loaded are those of the same major versions).
struct LibavApi {
  // clang-format off
#define VOSTREL_LIBAV_FUNCTIONS(X)                                                                               \
  X(av_dict_free) X(av_dict_get) X(av_dict_set) X(av_find_best_stream) X(av_frame_alloc) X(av_frame_free)        \
  X(av_log_set_level) X(av_packet_alloc) X(av_packet_free) X(av_packet_unref) X(av_read_frame)                   \
  X(avcodec_alloc_context3) X(avcodec_find_decoder) X(avcodec_free_context) X(avcodec_get_name) X(avcodec_open2) \
  X(avcodec_parameters_to_context) X(avcodec_receive_frame) X(avcodec_send_packet) X(avformat_alloc_context)     \
  X(avformat_close_input) X(avformat_find_stream_info) X(avformat_open_input)
  // clang-format on
#define VOSTREL_LIBAV_MEMBER(name) decltype(&::name) name = nullptr;
  VOSTREL_LIBAV_FUNCTIONS(VOSTREL_LIBAV_MEMBER)
#undef VOSTREL_LIBAV_MEMBER
};

// The functions, loaded (and libavformat's log silenced) at the first
// call; nullptr when the libraries or a function cannot be found. Safe to
// call from several threads at once.
const LibavApi* libavApi();

}  // namespace library

#endif  // VOSTREL_LIBRARY_LIBAV_API_H_
