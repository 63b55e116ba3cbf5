// libFuzzer target for the SELECT splitter and the level-query rewriting.
//
// Input: arbitrary bytes taken as statement text. The text is split and
// formatted, the formatted text is split again, and the node and tracks
// statements are built for a path taken from the input's first words. The
// sanitizers catch out-of-range reads and undefined behaviour; the checks
// below catch a split that does not survive its own formatting.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "query/level_query.h"
#include "query/sql_select.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  query::SQLSelect select(text);
  const std::string formatted = select.format();

  // Every core but the first has its operator.
  if (select.hasSelect() && select.compoundOperators().size() + 1 != select.coreCount()) std::abort();

  // Formatting is a fixed point once the text has passed through it, as long
  // as every core has a column: a bare "SELECT" that ends the text is no
  // keyword when read back.
  query::SQLSelect again(formatted);
  const std::string twice = again.format();
  bool every_core_has_columns = true;
  for (std::size_t i = 0; i < again.coreCount(); ++i) {
    every_core_has_columns = every_core_has_columns && !again.core(i).columns().empty();
  }
  if (every_core_has_columns && query::SQLSelect(twice).format() != twice) std::abort();

  // A path of up to three levels: the null marker, a quoted word and a
  // piece of the input itself.
  std::vector<std::string> path;
  path.emplace_back(query::kNullLabel);
  if (size > 1) path.emplace_back("it's");
  if (size > 2) path.emplace_back(text.substr(0, size / 3));
  for (std::size_t levels = 0; levels <= path.size(); ++levels) {
    const std::span<const std::string> prefix(path.data(), levels);
    const std::string node = query::nodeStatement(text.substr(0, size / 2), text, prefix);
    const std::string tracks = query::tracksStatement(text, prefix);
    if (select.hasSelect() != !tracks.empty()) std::abort();
    // The tracks statement is itself a statement the splitter understands.
    if (!tracks.empty() && !query::SQLSelect(tracks).hasSelect()) std::abort();
  }
  return 0;
}
