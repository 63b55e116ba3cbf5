// `scan`: brings the library cache of the music folders up to date and
// says what it found.
//
//   vostrel scan [--library DIR]... [--threads N]
//   Scanned 1 music folder in 0.42 s: 3 added, 1 changed, 1 removed, 95 unchanged, 2 unreadable
//
// The folders are those every command uses (see library::chooseLibrarySource).
// While it reads, a progress line goes to stderr when that is a terminal.
// Ctrl+C stops the scan; what was read so far stays in the cache. In the
// desktop program the scan runs there and its library replaces the live one.
#ifndef VOSTREL_APP_SCAN_COMMAND_H_
#define VOSTREL_APP_SCAN_COMMAND_H_

#include <string>

#include "app/command_env.h"
#include "app/context.h"
#include "library/library_scan.h"

namespace CLI {
class App;
}

namespace app {

struct ScanCommand {
  unsigned threads = 0;  // 0: the default
};

CLI::App* addScanCommand(CLI::App& cli, ScanCommand& command);
int runScanCommand(CommandEnv& env, const GlobalOptions& global, const ScanCommand& command);

// The summary line of a scan of `folders` folders.
std::string scanSummary(std::size_t folders, const library::ScanResult& result);

}  // namespace app

#endif  // VOSTREL_APP_SCAN_COMMAND_H_
