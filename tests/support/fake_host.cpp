#include "support/fake_host.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "host/track_builder.h"

namespace testing_support {
namespace {

class FakeScript : public host::TitleFormatScript {
 public:
  explicit FakeScript(std::string text) : text(std::move(text)) {}
  std::string text;
};

}  // namespace

FakeHost::FakeHost(std::filesystem::path profile) : profile_(std::move(profile)) {
  std::filesystem::create_directories(profile_ / "configuration");
}

std::string FakeHost::profileFolder() const { return "file://" + profile_.string(); }

host::FileStats FakeHost::fileStats(std::string_view path) const {
  std::string plain(path);
  if (plain.starts_with("file://")) plain.erase(0, 7);
  std::error_code ec;
  const auto size = std::filesystem::file_size(plain, ec);
  if (ec) return {};
  return {true, size, 0};
}

std::size_t FakeHost::createPlaylist(std::string_view name) {
  playlists.push_back({std::string(name), {}, {}});
  return playlists.size() - 1;
}

std::size_t FakeHost::insertionPoint(std::size_t playlist) const {
  const FakePlaylist& list = playlists.at(playlist);
  for (std::size_t i = list.selected.size(); i > 0; --i) {
    if (list.selected[i - 1]) return i;
  }
  return list.items.size();
}

void FakeHost::removeAllItems(std::size_t playlist) {
  playlists.at(playlist).items.clear();
  playlists.at(playlist).selected.clear();
}

std::size_t FakeHost::insertItems(std::size_t playlist, std::size_t position, const host::TrackList& tracks,
                                  bool select) {
  FakePlaylist& list = playlists.at(playlist);
  position = std::min(position, list.items.size());
  list.items.insert(list.items.begin() + static_cast<std::ptrdiff_t>(position), tracks.begin(), tracks.end());
  list.selected.insert(list.selected.begin() + static_cast<std::ptrdiff_t>(position), tracks.size(), select);
  return position;
}

host::TitleFormatScriptPtr FakeHost::compileTitleFormat(std::string_view text, std::string* error) const {
  if (text.find("!bad") != std::string_view::npos) {
    if (error) *error = "does not compile";
    return nullptr;
  }
  return std::make_shared<FakeScript>(std::string(text));
}

bool FakeHost::formatTitle(const host::Track& track, const host::TitleFormatScript& script,
                           std::string& out) const {
  if (!format_failure.empty()) throw std::runtime_error(format_failure);
  const auto& text = static_cast<const FakeScript&>(script).text;
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    const std::size_t end = text.find('%', i + 1);
    if (end == std::string::npos) return false;
    const std::string field = text.substr(i + 1, end - i - 1);
    if (host::FieldPtr f = track.findMeta(host::internField(field))) out += f->values().front();
    i = end;
  }
  return true;
}

host::TrackHandle makeTrack(std::string path, std::vector<std::pair<std::string, std::vector<std::string>>> meta,
                            double length) {
  host::TrackBuilder builder;
  builder.setPath(path);
  builder.setLength(length);
  for (auto& [name, values] : meta) {
    for (const std::string& value : values) builder.addMeta(name, value);
  }
  return builder.build();
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vostrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace testing_support
