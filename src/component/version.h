// The component's version record and the check that the panel layer it
// needs is installed in a recent enough version.
//
//   std::vector<ComponentVersion> installed = registry.components();
//   if (!panelLayerVersionPasses(installed))
//     host.popupMessage(startUpPopupText(), host::kComponentFileName);
#ifndef VOSTREL_COMPONENT_VERSION_H_
#define VOSTREL_COMPONENT_VERSION_H_

#include <span>
#include <string>
#include <string_view>

namespace component {

// What a component reports about itself to the host.
struct ComponentVersion {
  std::string name;
  std::string version;
  std::string about;
};

// This component's record: "Vostrel", the version the build sets ("1.0.3") and
// the about text.
const ComponentVersion& vostrelVersion();

// The panel layer the component draws its panels in, and the oldest version
// of it that works.
inline constexpr std::string_view kPanelLayerName = "Framix";
inline constexpr std::string_view kRequiredPanelLayerVersion = "0.3.8.8";

// Compares a version text with 0.3.8.8 piece by piece: pieces are split at
// "." and read as decimal numbers (non-digits end a piece's number, an
// empty piece reads 0). Returns +1 when it is newer or equal (decided),
// -1 when older (decided), and 0 when the text runs out before a decision,
// as "0.3.8" does.
int compareWithRequiredVersion(std::string_view version);

// True when a component named exactly "Framix" (case-sensitive) passes the
// comparison. Components are examined in the host's order; one whose text
// runs out undecided gives way to the next of that name.
bool panelLayerVersionPasses(std::span<const ComponentVersion> installed);

// The popup shown at start-up when the check fails.
std::string startUpPopupText();

}  // namespace component

#endif  // VOSTREL_COMPONENT_VERSION_H_
