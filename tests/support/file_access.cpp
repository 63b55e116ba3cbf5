#include "support/file_access.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testing_support {
namespace {

constexpr uint32_t kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capabilities (the raw calls: libcap is not needed
// for two bits).
bool capabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capget, &header, data) == 0;
}
bool setCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

WithoutAccessOverride::WithoutAccessOverride() {
  __user_cap_data_struct data[2]{};
  if (!capabilities(data) || (data[0].effective & kOverrides) == 0) return;
  data[0].effective &= ~kOverrides;
  lowered_ = setCapabilities(data);
}

WithoutAccessOverride::~WithoutAccessOverride() {
  __user_cap_data_struct data[2]{};
  if (!lowered_ || !capabilities(data)) return;
  data[0].effective |= data[0].permitted & kOverrides;
  setCapabilities(data);
}

RestoreMode::RestoreMode(std::filesystem::path path)
    : path_(std::move(path)), perms_(std::filesystem::status(path_).permissions()) {}

RestoreMode::~RestoreMode() {
  std::error_code ec;
  std::filesystem::permissions(path_, perms_, ec);
}

}  // namespace testing_support
