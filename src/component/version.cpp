#include "component/version.h"

#include <array>
#include <cstdint>

#include "host/host.h"

// The version comes from the build, which has it from the one place it is
// written (the project's CMakeLists.txt).
#ifndef VOSTREL_VERSION
#error "VOSTREL_VERSION is set by the build"
#endif

namespace component {
namespace {

constexpr std::array<uint64_t, 4> kRequiredPieces = {0, 3, 8, 8};

// The number at the start of `piece`: its leading digits, 0 when none.
// Saturates rather than wrapping, so a huge piece still reads as large.
uint64_t pieceNumber(std::string_view piece) {
  uint64_t value = 0;
  for (char c : piece) {
    if (c < '0' || c > '9') break;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
  }
  return value;
}

}  // namespace

const ComponentVersion& vostrelVersion() {
  static const ComponentVersion version{
      "Vostrel", VOSTREL_VERSION,
      "Tree based library viewer with SQL queries for Framix\n"
      "Written by the Vostrel developers.\n"
      "\n"
      "\n"
      "Thanks to the authors of SQLite (https://www.sqlite.org/)."};
  return version;
}

int compareWithRequiredVersion(std::string_view version) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < kRequiredPieces.size(); ++i) {
    if (start > version.size()) return 0;  // the text ran out
    std::size_t end = version.find('.', start);
    if (end == std::string_view::npos) end = version.size();
    const uint64_t piece = pieceNumber(version.substr(start, end - start));
    if (i + 1 == kRequiredPieces.size()) return piece >= kRequiredPieces[i] ? 1 : -1;
    if (piece > kRequiredPieces[i]) return 1;
    if (piece < kRequiredPieces[i]) return -1;
    start = end + 1;
  }
  return 0;
}

bool panelLayerVersionPasses(std::span<const ComponentVersion> installed) {
  for (const ComponentVersion& component : installed) {
    if (component.name != kPanelLayerName) continue;
    const int result = compareWithRequiredVersion(component.version);
    if (result != 0) return result > 0;
  }
  return false;
}

std::string startUpPopupText() {
  std::string text = "You have not installed the correct version of Framix.\n";
  text += "Framix version ";
  text += kRequiredPanelLayerVersion;
  text += " or higher is required\n\n";
  text += host::kComponentFileName;
  text += " will not work without it.";
  return text;
}

}  // namespace component
