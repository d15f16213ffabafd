// taron-sim: serves a simulated controller on a pseudo-terminal linked as a
// COM port in a ports folder, until SIGINT or SIGTERM. It answers the
// detector's identification probes and the controller protocol of the chosen
// kind and firmware version letter, and an adapter box's module requests.
//   taron-sim --ports-dir DIR --com N [--paced] [--kind 20|21|48] [--version LETTER]
//             [--detected 0-8]
// The default is kind 48 version "I", the newest firmware the program fully
// serves, so that every page and read of the program has its data.
// --detected puts another device on the port as the detector sees it: 0
// nothing, 1-6 a controller of either generation (1, 5 and 6 belong to other
// programs), 7 and 8 the bootloaders.
#include "sim/SimAdapter.h"
#include "sim/SimController.h"
#include "sim/SimProbes.h"
#include "sim/SimServer.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr, "usage: taron-sim --ports-dir DIR --com N [--paced] "
                         "[--kind 20|21|48] [--version LETTER] [--detected 0-8] [--trouble-codes] [--log FILE] "
                         "[--program-started]\n");
}

// A whole decimal number from lo to hi, or -1.
int numberIn(const char *text, long lo, long hi)
{
    char *end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return (end && end != text && !*end && n >= lo && n <= hi) ? static_cast<int>(n) : -1;
}

// Detected kind the probes present for a device kind.
int detectedKindOf(int kind)
{
    return kind == 20 ? 2 : kind == 21 ? 3 : 4;
}

// A plausible image: a four-cylinder engine on a board with six outputs.
void fillImage(sim::SimControllerState &s)
{
    s.Value16[28] = 2;                 // six injector outputs
    s.Payload[0x03][0] = 40;           // T
    s.Payload[0x03][1] = 0x07;         // RPM 2000
    s.Payload[0x03][2] = 0xD0;
    s.Payload[0x03][4] = 15;           // mask: four cylinders
    s.Payload[0xD8][1] = 15;           // mask: four cylinders
    s.Payload[0xD8][4] = 40;           // T
    s.Payload[0xD8][5] = 0x07;         // RPM 2000
    s.Payload[0xD8][6] = 0xD0;
    // The engine idles on gas: 800 rpm, 3.50 ms petrol and 4.20 ms gas on four
    // cylinders, reducer 50.3 degrees, gas 27.9 degrees, 13.8 V.
    const uint8_t live[24] = {100, 67, 120, 152, 128, 90, 0x6D, 0x92,
                              (5 << 5) | 0x02, 0x8E, 0x02, 0x8E, 0x02, 0x8E, 0x02, 0x8E,
                              0x03, 0x11, 0x03, 0x11, 0x03, 0x11, 0x03, 0x11};
    for (int i = 0; i < 24; ++i) {
        s.Payload[0x05][i] = live[i];
        s.Payload[0x0B][i] = live[i];
    }
    s.Payload[0x0B][40] = 60;          // manifold pressure
    s.Payload[0x0B][48] = 25;          // engine load
    // The gas model: m 1.10, b 0.50 ms, thresholds 5/10/15/20 ms with
    // enrichments 0/+5/+5/0 %, no bank-2 correction; model 2 on the same line.
    const uint16_t model[10] = {1126, 94, 935, 1870, 2805, 3740, 4096, 4301, 4301, 4096};
    for (int i = 0; i < 10; ++i) {
        s.Payload[0x10][2 * i] = uint8_t(model[i] >> 8);
        s.Payload[0x10][2 * i + 1] = uint8_t(model[i]);
        s.Model[i + 1] = model[i];
    }
    s.Model[11] = 1024;
    const int xs[6] = {0, 281, 842, 1496, 2805, 4675};
    for (int k = 0; k < 20; ++k) {
        const uint16_t x = k < 6 ? uint16_t(xs[k]) : 0xFFFF;
        const uint16_t y = k < 6 ? uint16_t(xs[k] * 11 / 10 + 94) : 0xFFFF;
        for (auto *page : {&s.MapD4[k / 10], &s.Model2[k / 10]}) {
            (*page)[(k % 10) * 4] = uint8_t(x >> 8);
            (*page)[(k % 10) * 4 + 1] = uint8_t(x);
            (*page)[(k % 10) * 4 + 2] = uint8_t(y >> 8);
            (*page)[(k % 10) * 4 + 3] = uint8_t(y);
        }
    }
    s.Pages[1] = 0;
    s.Pages[4] = 0;                    // no device error
    s.Pages[6] = 1;
}

// Active and stored trouble codes, the current freeze frame and two entries
// of the freeze-frame history.
void fillTroubleCodes(sim::SimControllerState &s)
{
    s.Payload[0x13][2] = 0xC1;         // active group 3: bits 1, 7, 8
    s.Payload[0x13][9] = 0x04;         // stored group 2: bit 3
    s.Counters[148] = 2;               // freeze frame of group 3, bit 1
    s.Counters[149] = 0x01;
    s.Words[150] = 0x6D92;
    s.Words[152] = 654;
    s.Words[154] = 785;
    s.Counters[156] = 120;
    s.Counters[157] = 60;
    s.Counters[158] = 152;
    s.Counters[159] = 128;
    s.Counters[160] = 90;
    s.DebugCount = 2;                  // entries 1 (newest) and 0; the rest empty
    for (size_t e = 0; e < s.DebugRecords.size(); ++e) {
        auto &r = s.DebugRecords[e];
        r.fill(0);
        r[0] = e == 0 ? 1 : e == 1 ? 2 : 255;  // group - 1
        r[1] = e == 0 ? 0x04 : 0x01;           // bit mask
        r[2] = 0x6D;                           // RPM period
        r[3] = 0x92;
        r[8] = 120;                            // Psys, Pcol, Tred, Tgas, supply
        r[9] = 60;
        r[10] = 152;
        r[11] = 128;
        r[12] = 90;
        r[19] = uint8_t(30 + e);               // gas working time
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::string portsDir;
    int com = 1;
    bool paced = false;
    bool troubleCodes = false;
    // Started by a script that starts the program itself: no hint how to.
    bool programStarted = false;
    std::string logFile;
    int kind = 48;
    char version = 'I';
    int detected = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--ports-dir" && i + 1 < argc) {
            portsDir = argv[++i];
        } else if (a == "--com" && i + 1 < argc) {
            com = numberIn(argv[++i], 1, 255);
            if (com < 0) {
                usage();
                return 2;
            }
        } else if (a == "--kind" && i + 1 < argc) {
            const std::string k = argv[++i];
            if (k != "20" && k != "21" && k != "48") {
                usage();
                return 2;
            }
            kind = std::atoi(k.c_str());
        } else if (a == "--version" && i + 1 < argc) {
            const std::string v = argv[++i];
            if (v.size() != 1 || !std::isalpha(static_cast<unsigned char>(v[0]))) {
                usage();
                return 2;
            }
            version = static_cast<char>(std::toupper(static_cast<unsigned char>(v[0])));
        } else if (a == "--detected" && i + 1 < argc) {
            detected = numberIn(argv[++i], 0, 8);
            if (detected < 0) {
                usage();
                return 2;
            }
        } else if (a == "--log" && i + 1 < argc) {
            logFile = argv[++i];
        } else if (a == "--paced") {
            paced = true;
        } else if (a == "--trouble-codes") {
            troubleCodes = true;
        } else if (a == "--program-started") {
            programStarted = true;
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
    sim::SimController controller(static_cast<uint8_t>(kind), version);
    fillImage(controller.State);
    if (troubleCodes)
        fillTroubleCodes(controller.State);
    if (kind == 48)
        controller.State.Param8[30] = 104; // working pressure 1,00 bar
    sim::SimProbes probes;
    probes.install(server);
    controller.Install(server);
    probes.attach(controller, server);
    probes.present(detected >= 0 ? detected : detectedKindOf(kind));
    // The adapter box shares the port and answers its module requests.
    sim::SimAdapter adapter;
    adapter.Install(server);
    std::string error;
    if (!server.start(&error) || !server.linkAs(portsDir, com, &error)) {
        std::fprintf(stderr, "taron-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("taron-sim: kind %d version %c on %s as COM%d in %s%s\n", kind, version,
                server.slavePath().c_str(), com, portsDir.c_str(),
                paced ? " (paced at 9600 baud)" : "");
    if (!programStarted)
        std::printf("start the program against it with:\n  PORTS_DIR=%s build/bin/taron\n",
                    portsDir.c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
    // Every request frame received, one a line in hex, for a look afterwards.
    if (!logFile.empty())
        if (std::FILE *f = std::fopen(logFile.c_str(), "w")) {
            for (const auto &frame : server.log().bytes()) {
                for (size_t i = 0; i < frame.size(); ++i)
                    std::fprintf(f, i ? " %02X" : "%02X", frame[i]);
                std::fputc('\n', f);
            }
            std::fclose(f);
        }
    std::printf("taron-sim: stopped\n");
    return 0;
}
