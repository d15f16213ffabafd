// A simulated serial device served on a pseudo-terminal from its own thread.
//
// Bytes that arrive are assembled into frames by a table of handlers: each
// handler names the header byte its frames start with, a function that tells
// from the bytes received so far how long the frame is, and a function that
// turns a complete frame into the answer bytes. Every complete frame is
// recorded with its arrival time. Faults can be injected into the answers:
// none at all, late, wrong checksum, truncated, noise first, or the port going
// away (and coming back later). Answers can be paced at 9600 baud.
//
//   sim::SimServer server;
//   server.addHandler({"controller", 0xC0,
//                      [](const sim::Bytes &b) { return sim::FrameLength::complete(4); },
//                      [&](const sim::Bytes &frame) { return answerFor(frame); }});
//   server.start();
//   server.linkAs(portsDir, 5);               // PORTS_DIR=portsDir, port 5
//   server.injectFault(sim::Fault::badChecksum());
//   server.log().waitForCount(1, 1s);
//
// Handler functions run on the server thread under the server's lock;
// withLock() runs test code under the same lock (it waits while an answer is
// being paced or delayed).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// What a handler says about the bytes received so far (the first is its header).
struct FrameLength {
    enum Kind { NeedMore, Complete, NotMine };
    Kind kind = NeedMore;
    size_t length = 0;  // total frame length, header included (Complete)

    // More bytes are needed before the length is known.
    static FrameLength needMore() { return {NeedMore, 0}; }
    // The frame is n bytes long; the server waits until n bytes are there.
    static FrameLength complete(size_t n) { return {Complete, n}; }
    // Not a frame of this handler: the next handler with the same header is
    // asked; when none takes it, the header byte is dropped and the server
    // looks for the next header.
    static FrameLength notMine() { return {NotMine, 0}; }
};

struct Handler {
    std::string name;
    uint8_t header = 0;
    std::function<FrameLength(const Bytes &soFar)> frameLength;
    // The answer to a complete frame; empty means no answer. Runs on the
    // server thread.
    std::function<Bytes(const Bytes &frame)> answer;
    // How long the device takes before it answers a frame, in ms (none: at
    // once). Asked only for frames it answers; the server answers nothing
    // else meanwhile, as a device answers one request after the other.
    std::function<int(const Bytes &frame)> delayMs = {};
};

struct ReceivedFrame {
    Bytes bytes;
    std::string handler;    // name of the handler that took it
    Clock::time_point at;   // when its last byte arrived
};

// The frames received, in order; thread-safe.
class FrameLog
{
public:
    void add(ReceivedFrame frame);
    std::vector<ReceivedFrame> frames() const;
    std::vector<Bytes> bytes() const;  // just the bytes of each frame
    size_t count() const;
    void clear();
    // Waits until at least n frames are recorded; false on timeout.
    bool waitForCount(size_t n, std::chrono::milliseconds timeout) const;
    // Waits until pred holds for the frames recorded; false on timeout.
    bool waitFor(const std::function<bool(const std::vector<ReceivedFrame> &)> &pred,
                 std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<ReceivedFrame> m_frames;
};

// A fault applied to one answer instead of sending it as it is.
struct Fault {
    enum Kind { NoAnswer, Late, BadChecksum, Truncated, Noise, Vanish, Held };
    Kind kind = NoAnswer;
    int delayMs = 0;           // Late: wait this long before answering
    size_t keep = 0;           // Truncated: bytes kept (0: all but the last)
    Bytes noise;               // Noise: bytes sent before the answer
    int reappearAfterMs = -1;  // Vanish: come back after this long (-1: stay away)
    int heldFrames = 1;        // Held: frames to arrive before the answer comes

    static Fault of(Kind k) { Fault f; f.kind = k; return f; }
    static Fault noAnswer() { return of(NoAnswer); }
    static Fault late(int ms) { Fault f = of(Late); f.delayMs = ms; return f; }
    // The answer's last byte is altered.
    static Fault badChecksum() { return of(BadChecksum); }
    static Fault truncated(size_t keepBytes = 0) { Fault f = of(Truncated); f.keep = keepBytes; return f; }
    static Fault noiseFirst(Bytes bytes) { Fault f = of(Noise); f.noise = std::move(bytes); return f; }
    // Instead of answering, the port goes away: the pseudo-terminal is closed
    // and its COM link removed; with reappearMs >= 0 a new one is linked
    // after that time.
    static Fault vanish(int reappearMs = -1) { Fault f = of(Vanish); f.reappearAfterMs = reappearMs; return f; }
    // The answer comes only once the next frame has arrived (or the
    // frames-th next), just before that frame's answer and after answers
    // held before it: later than any wait, whatever the machine's load.
    static Fault held(int frames = 1) { Fault f = of(Held); f.heldFrames = frames; return f; }
    // The answer comes only when the test sends what is held (sendHeld),
    // at the moment it chooses: after the program gave up, say.
    static Fault heldUntilSent() { return held(std::numeric_limits<int>::max()); }
};

// Seconds per byte at 9600 baud with 10 bits a byte: about 1.0417 ms.
inline constexpr std::chrono::nanoseconds kByteTime9600{1041667};

class SimServer
{
public:
    SimServer();
    ~SimServer();  // stops the server, removes its COM link
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Handlers may be added and removed while the server runs. Handlers with
    // the same header are asked in the order they were added.
    void addHandler(Handler handler);
    void removeHandler(const std::string &name);
    void clearHandlers();

    // Opens the pseudo-terminal (slave in raw mode) and starts the thread.
    bool start(std::string *error = nullptr);
    void stop();
    bool running() const;

    // Path of the slave side the program opens (changes after the port came back).
    std::string slavePath() const;

    // Links the slave as COM<number> in portsDir (created when missing); the
    // link follows the port when it goes away and comes back.
    bool linkAs(const std::string &portsDir, int number, std::string *error = nullptr);
    std::string linkPath() const;

    // Pace answers at 9600 baud and let no answer start before the request's
    // bytes could have arrived on a 9600 baud line.
    void setPaced(bool paced);
    bool paced() const;

    // The next count answers get the fault.
    void injectFault(const Fault &fault, int count = 1);
    // Answers to frames for which pred holds get the fault, count times
    // (-1: as long as the rule stays).
    void injectFaultWhen(std::function<bool(const Bytes &frame)> pred, const Fault &fault,
                         int count = -1);
    void clearFaults();
    // Sends now every answer kept back (Fault::held), in order, whatever
    // frames they still wait for; returns once they are on the line.
    void sendHeld();

    // The port goes away now (as a pulled cable), or comes back on a new
    // pseudo-terminal with the link renewed.
    void disconnectPort();
    bool reconnectPort();
    bool connected() const;

    // A partial frame older than this is dropped (default 500 ms).
    void setResyncTimeout(std::chrono::milliseconds timeout);

    FrameLog &log() { return m_log; }
    const FrameLog &log() const { return m_log; }
    // Bytes dropped because no handler took them.
    size_t droppedBytes() const;

    // Runs fn under the server's lock, so that state that handlers share
    // with the test is read or changed between frames.
    void withLock(const std::function<void()> &fn);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    FrameLog m_log;
};

// Links device as COM<number> in portsDir (creating the folder, replacing an
// existing link). Returns false and sets error on failure.
bool linkComPort(const std::string &portsDir, int number, const std::string &device,
                 std::string *error = nullptr);

// 8-bit sum of bytes [0, n).
uint8_t sum8(const Bytes &bytes, size_t n);

} // namespace sim
