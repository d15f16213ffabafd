// taron-sim: serves the simulated device on a pseudo-terminal linked as a
// COM port in a ports folder, until SIGINT or SIGTERM.
//   taron-sim --ports-dir DIR --com N [--paced]
#include "sim/SimServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr, "usage: taron-sim --ports-dir DIR --com N [--paced]\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::string portsDir;
    int com = 1;
    bool paced = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ports-dir" && i + 1 < argc) {
            portsDir = argv[++i];
        } else if (a == "--com" && i + 1 < argc) {
            char *end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end || n < 1 || n > 255) {
                usage();
                return 2;
            }
            com = static_cast<int>(n);
        } else if (a == "--paced") {
            paced = true;
        } else {
            usage();
            return 2;
        }
    }
    if (portsDir.empty()) {
        usage();
        return 2;
    }

    // Block the stop signals before the server thread starts, so that only
    // sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    sim::SimServer server;
    server.setPaced(paced);
    // Device handlers are registered here.
    std::string error;
    if (!server.start(&error) || !server.linkAs(portsDir, com, &error)) {
        std::fprintf(stderr, "taron-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("taron-sim: serving %s as COM%d in %s%s\n", server.slavePath().c_str(), com,
                portsDir.c_str(), paced ? " (paced at 9600 baud)" : "");
    std::printf("start the program against it with:\n  PORTS_DIR=%s build/bin/taron\n",
                portsDir.c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
    std::printf("taron-sim: stopped\n");
    return 0;
}
