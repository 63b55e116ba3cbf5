// The vostrel executable: a command runs headless, no command starts the
// desktop program.
#include "app/cli.h"

int main(int argc, char** argv) { return app::runCommandLine(argc, argv); }
