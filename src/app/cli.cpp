#include "app/cli.h"

#include <iostream>

namespace app {

int runCommandLine(int, char**) {
  std::cerr << "vostrel: no command given\n";
  return kExitBadInput;
}

}  // namespace app
