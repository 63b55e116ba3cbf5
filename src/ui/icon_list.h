// IconList: the process-wide list of 16 x 16 node icons that every panel
// and every icon button uses. It holds the built-in strip (447 icons, 194 is
// the folder every new node starts with), then the icons of each file named
// in the advanced setting "Icon file paths (separate by |)", in order. A
// strip adds one icon per 16 pixels of its width; a file that does not load
// adds nothing.
//
//   IconList::instance().load(dataDir + "/icons.png", settings.icon_file_paths);
//   painter.drawImage(x, y, IconList::instance().icon(node.attributes()->icon));
#ifndef VOSTREL_UI_ICON_LIST_H_
#define VOSTREL_UI_ICON_LIST_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include <QImage>
#include <QString>

namespace ui {

inline constexpr int kIconSize = 16;

class IconList {
 public:
  static IconList& instance();

  // Replaces the list: the strip at `builtinStrip`, then every path of
  // `iconFilePaths` split at "|". Returns the number of icons.
  std::size_t load(const QString& builtinStrip, std::string_view iconFilePaths);
  // Appends the icons of one strip file; returns how many it added.
  std::size_t addStrip(const QString& path);
  void clear() { icons_.clear(); }

  std::size_t size() const { return icons_.size(); }
  // The icon at `index`; a null image when there is none.
  const QImage& icon(std::size_t index) const;

 private:
  IconList() = default;
  std::vector<QImage> icons_;
  QImage none_;
};

}  // namespace ui

#endif  // VOSTREL_UI_ICON_LIST_H_
