#include "library/libav_api.h"

#include <dlfcn.h>

#include <mutex>

namespace library {
namespace {

#define VOSTREL_STRINGIFY2(x) #x
#define VOSTREL_STRINGIFY(x) VOSTREL_STRINGIFY2(x)
constexpr const char* kLibraries[] = {
    "libavutil.so." VOSTREL_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." VOSTREL_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." VOSTREL_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
};

// Loads the libraries, which stay loaded for the process's life; false
// when one is missing or lacks a function.
bool load(LibavApi& api) {
  void* handles[std::size(kLibraries)] = {};
  for (std::size_t i = 0; i < std::size(kLibraries); ++i) {
    handles[i] = dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL);
    if (handles[i] == nullptr) return false;
  }
  // Each function is looked up in the three: dlsym on a library also
  // searches what it depends on, but only in load order.
  auto find = [&handles](const char* name) -> void* {
    for (void* handle : handles) {
      if (void* symbol = dlsym(handle, name)) return symbol;
    }
    return nullptr;
  };
  bool all = true;
#define VOSTREL_LIBAV_FIND(name)                               \
  api.name = reinterpret_cast<decltype(&::name)>(find(#name)); \
  all = all && api.name != nullptr;
  VOSTREL_LIBAV_FUNCTIONS(VOSTREL_LIBAV_FIND)
#undef VOSTREL_LIBAV_FIND
  return all;
}

}  // namespace

const LibavApi* libavApi() {
  static LibavApi api;
  static bool loaded = false;
  static std::once_flag once;
  std::call_once(once, [] {
    loaded = load(api);
    // Hostile files would fill stderr.
    if (loaded) api.av_log_set_level(AV_LOG_QUIET);
  });
  return loaded ? &api : nullptr;
}

}  // namespace library
