// quillobarent-cli: find the tester, watch its readings, download its stored records; the same
// link and the same texts as the window, without it. The commands are in the quillo_cli library.
#include "cli/commands.h"

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A reader that went away is a write error, reported with its exit code; the instrument
    // still hears the end-of-link byte.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return Cli::runProgram(argc, argv);
}
