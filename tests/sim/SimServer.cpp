#include "sim/SimServer.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <algorithm>
#include <deque>
#include <optional>
#include <utility>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

void setError(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
}

timespec toTimespec(Clock::duration d)
{
    if (d < Clock::duration::zero())
        d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    timespec ts;
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}

} // namespace

uint8_t sum8(const Bytes &bytes, size_t n)
{
    uint8_t s = 0;
    for (size_t i = 0; i < n && i < bytes.size(); ++i)
        s = static_cast<uint8_t>(s + bytes[i]);
    return s;
}

bool linkComPort(const std::string &portsDir, int number, const std::string &device,
                 std::string *error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(portsDir, ec);
    if (ec) {
        setError(error, "cannot create " + portsDir + ": " + ec.message());
        return false;
    }
    const fs::path link = fs::path(portsDir) / ("COM" + std::to_string(number));
    fs::remove(link, ec);
    fs::create_symlink(device, link, ec);
    if (ec) {
        setError(error, "cannot link " + link.string() + ": " + ec.message());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- FrameLog

void FrameLog::add(ReceivedFrame frame)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_frames.push_back(std::move(frame));
    }
    m_changed.notify_all();
}

std::vector<ReceivedFrame> FrameLog::frames() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_frames;
}

std::vector<Bytes> FrameLog::bytes() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<Bytes> out;
    out.reserve(m_frames.size());
    for (const ReceivedFrame &f : m_frames)
        out.push_back(f.bytes);
    return out;
}

size_t FrameLog::count() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_frames.size();
}

void FrameLog::clear()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_frames.clear();
}

bool FrameLog::waitForCount(size_t n, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_frames.size() >= n; });
}

bool FrameLog::waitFor(const std::function<bool(const std::vector<ReceivedFrame> &)> &pred,
                       std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return pred(m_frames); });
}

// ---------------------------------------------------------------- SimServer

struct SimServer::Impl {
    SimServer *owner = nullptr;
    mutable std::recursive_mutex mutex;  // handlers, faults, port state
    std::vector<Handler> handlers;

    struct FaultRule {
        std::function<bool(const Bytes &)> pred;
        Fault fault;
        int remaining;
    };
    std::deque<FaultRule> faults;

    int master = -1;
    int slave = -1;  // kept open so the master never sees a hang-up
    std::string slaveName;
    std::string portsDir;
    int linkNumber = 0;
    bool paced = false;
    std::chrono::milliseconds resyncTimeout{500};
    size_t dropped = 0;

    int wake[2] = {-1, -1};
    std::thread thread;
    std::thread::id threadId;
    std::atomic<bool> stopping{false};
    bool started = false;

    enum class Command { Disconnect, Reconnect, SendHeld };
    struct PendingCommand {
        Command command;
        bool done = false;
        bool result = false;
    };
    std::mutex commandMutex;
    std::condition_variable commandDone;
    std::deque<PendingCommand *> commands;

    Bytes rx;
    Clock::time_point lastRx;
    Clock::time_point wireFree;      // when the line is idle again (paced)
    Clock::time_point reappearAt{};
    bool reappearPending = false;

    bool openPty(std::string *error);
    void closePty();
    bool relink(std::string *error);
    void run();
    void wakeUp();
    bool sleepUntil(Clock::time_point deadline);
    void runCommands();
    bool execute(Command c);
    // Runs c on the server's thread and waits for its result.
    bool request(Command c);
    void receive(Clock::time_point now, const uint8_t *data, size_t n);
    void assemble();
    void deliver(const Bytes &frame, Bytes answer, int delayMs);
    // Answers kept back (Fault::Held), in order, with the frames still to
    // arrive before each comes.
    std::deque<std::pair<Bytes, int>> held;
    bool send(const Bytes &bytes);
};

bool SimServer::Impl::openPty(std::string *error)
{
    int m = -1, s = -1;
    char name[256] = {};
    termios tio;
    std::memset(&tio, 0, sizeof tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (::openpty(&m, &s, name, &tio, nullptr) != 0) {
        setError(error, std::string("openpty: ") + std::strerror(errno));
        return false;
    }
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    ::fcntl(m, F_SETFD, FD_CLOEXEC);
    ::fcntl(s, F_SETFD, FD_CLOEXEC);
    master = m;
    slave = s;
    slaveName = name;
    rx.clear();
    return true;
}

void SimServer::Impl::closePty()
{
    // The link goes first, so that whoever sees the line fail finds it gone.
    if (linkNumber > 0 && master >= 0) {
        std::error_code ec;
        std::filesystem::remove(std::filesystem::path(portsDir) / ("COM" + std::to_string(linkNumber)), ec);
    }
    if (master >= 0)
        ::close(master);
    if (slave >= 0)
        ::close(slave);
    master = slave = -1;
    rx.clear();
    held.clear();
}

bool SimServer::Impl::relink(std::string *error)
{
    if (linkNumber <= 0 || master < 0)
        return true;
    return linkComPort(portsDir, linkNumber, slaveName, error);
}

void SimServer::Impl::wakeUp()
{
    const char c = 1;
    [[maybe_unused]] ssize_t r = ::write(wake[1], &c, 1);
}

bool SimServer::Impl::sleepUntil(Clock::time_point deadline)
{
    for (;;) {
        if (stopping)
            return false;
        const auto now = Clock::now();
        if (now >= deadline)
            return true;
        pollfd p{wake[0], POLLIN, 0};
        const timespec ts = toTimespec(deadline - now);
        if (::ppoll(&p, 1, &ts, nullptr) > 0 && (p.revents & POLLIN)) {
            char buf[64];
            [[maybe_unused]] ssize_t r = ::read(wake[0], buf, sizeof buf);
            runCommands();
        }
    }
}

bool SimServer::Impl::execute(Command c)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (c == Command::Disconnect) {
        closePty();
        return true;
    }
    if (c == Command::SendHeld) {
        while (!held.empty()) {
            send(held.front().first);
            held.pop_front();
        }
        return true;
    }
    if (master >= 0)
        return true;
    reappearPending = false;
    return openPty(nullptr) && relink(nullptr);
}

void SimServer::Impl::runCommands()
{
    for (;;) {
        PendingCommand *pc = nullptr;
        {
            std::lock_guard<std::mutex> guard(commandMutex);
            if (commands.empty())
                return;
            pc = commands.front();
            commands.pop_front();
        }
        const bool result = execute(pc->command);
        {
            std::lock_guard<std::mutex> guard(commandMutex);
            pc->result = result;
            pc->done = true;
        }
        commandDone.notify_all();
    }
}

void SimServer::Impl::receive(Clock::time_point now, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        // On a 9600 baud line a byte is complete one byte time after the
        // later of its send time and the end of the previous byte.
        wireFree = std::max(now, wireFree) + kByteTime9600;
        rx.push_back(data[i]);
    }
    lastRx = now;
}

void SimServer::Impl::assemble()
{
    while (!rx.empty() && master >= 0 && !stopping) {
        const uint8_t header = rx[0];
        const Handler *chosen = nullptr;
        size_t length = 0;
        bool needMore = false;
        for (const Handler &h : handlers) {
            if (h.header != header || !h.frameLength)
                continue;
            const FrameLength fl = h.frameLength(rx);
            if (fl.kind == FrameLength::NotMine)
                continue;
            if (fl.kind == FrameLength::NeedMore || rx.size() < fl.length) {
                needMore = true;
            } else {
                chosen = &h;
                length = std::max<size_t>(fl.length, 1);
            }
            break;
        }
        if (needMore)
            return;
        if (!chosen) {
            ++dropped;
            rx.erase(rx.begin());
            continue;
        }
        Bytes frame(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(length));
        rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string name = chosen->name;
        Bytes answer = chosen->answer ? chosen->answer(frame) : Bytes{};
        const int delay = !answer.empty() && chosen->delayMs ? chosen->delayMs(frame) : 0;
        owner->m_log.add(ReceivedFrame{frame, name, lastRx});
        for (auto &kept : held)
            --kept.second;
        while (!held.empty() && held.front().second <= 0) {
            send(held.front().first);
            held.pop_front();
        }
        deliver(frame, std::move(answer), delay);
    }
}

void SimServer::Impl::deliver(const Bytes &frame, Bytes answer, int delayMs)
{
    if (answer.empty())
        return;
    std::optional<Fault> fault;
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (it->pred && !it->pred(frame))
            continue;
        fault = it->fault;
        if (it->remaining > 0 && --it->remaining == 0)
            faults.erase(it);
        break;
    }
    if (paced && !sleepUntil(wireFree))
        return;
    if (delayMs > 0 && !sleepUntil(Clock::now() + std::chrono::milliseconds(delayMs)))
        return;
    if (fault) {
        switch (fault->kind) {
        case Fault::NoAnswer:
            return;
        case Fault::Late:
            if (!sleepUntil(Clock::now() + std::chrono::milliseconds(fault->delayMs)))
                return;
            break;
        case Fault::BadChecksum:
            answer.back() = static_cast<uint8_t>(answer.back() + 1);
            break;
        case Fault::Truncated:
            answer.resize(fault->keep > 0 ? std::min(fault->keep, answer.size()) : answer.size() - 1);
            break;
        case Fault::Noise:
            answer.insert(answer.begin(), fault->noise.begin(), fault->noise.end());
            break;
        case Fault::Held:
            held.emplace_back(std::move(answer), fault->heldFrames);
            return;
        case Fault::Vanish:
            closePty();
            if (fault->reappearAfterMs >= 0) {
                reappearPending = true;
                reappearAt = Clock::now() + std::chrono::milliseconds(fault->reappearAfterMs);
            }
            return;
        }
    }
    send(answer);
}

bool SimServer::Impl::send(const Bytes &bytes)
{
    auto next = std::max(Clock::now(), wireFree);
    size_t at = 0;
    while (at < bytes.size() && master >= 0) {
        size_t chunk = bytes.size() - at;
        if (paced) {
            // Each byte reaches the other side when its last bit has gone out.
            next += kByteTime9600;
            if (!sleepUntil(next))
                return false;
            chunk = 1;
        }
        const ssize_t n = ::write(master, bytes.data() + at, chunk);
        if (n > 0) {
            at += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{master, POLLOUT, 0};
        const timespec ts = toTimespec(std::chrono::milliseconds(100));
        ::ppoll(&p, 1, &ts, nullptr);
        if (stopping)
            return false;
    }
    if (paced)
        wireFree = next;
    return at == bytes.size();
}

void SimServer::Impl::run()
{
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    uint8_t buf[4096];
    while (!stopping) {
        pollfd p[2];
        int nfds = 1;
        p[0] = {wake[0], POLLIN, 0};
        {
            std::lock_guard<std::recursive_mutex> guard(mutex);
            if (master >= 0) {
                p[1] = {master, POLLIN, 0};
                nfds = 2;
            }
        }
        Clock::duration wait = std::chrono::seconds(1);
        const auto now = Clock::now();
        if (!rx.empty())
            wait = std::min<Clock::duration>(wait, lastRx + resyncTimeout - now);
        if (reappearPending)
            wait = std::min<Clock::duration>(wait, reappearAt - now);
        const timespec ts = toTimespec(wait);
        const int r = ::ppoll(p, static_cast<nfds_t>(nfds), &ts, nullptr);
        if (stopping)
            break;
        if (r > 0 && (p[0].revents & POLLIN)) {
            char drain[64];
            [[maybe_unused]] ssize_t d = ::read(wake[0], drain, sizeof drain);
        }
        runCommands();
        std::lock_guard<std::recursive_mutex> guard(mutex);
        if (nfds == 2 && r > 0 && master == p[1].fd && (p[1].revents & POLLIN)) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                receive(Clock::now(), buf, static_cast<size_t>(n));
        }
        const auto later = Clock::now();
        if (!rx.empty() && later - lastRx >= resyncTimeout) {
            dropped += rx.size();
            rx.clear();
        }
        assemble();
        if (reappearPending && Clock::now() >= reappearAt) {
            reappearPending = false;
            if (master < 0 && openPty(nullptr))
                relink(nullptr);
        }
    }
}

SimServer::SimServer() : d(std::make_unique<Impl>())
{
    d->owner = this;
}

SimServer::~SimServer()
{
    stop();
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->closePty();
}

void SimServer::addHandler(Handler handler)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->handlers.push_back(std::move(handler));
}

void SimServer::removeHandler(const std::string &name)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    std::erase_if(d->handlers, [&](const Handler &h) { return h.name == name; });
}

void SimServer::clearHandlers()
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->handlers.clear();
}

bool SimServer::start(std::string *error)
{
    if (d->started)
        return true;
    if (::pipe2(d->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        setError(error, std::string("pipe: ") + std::strerror(errno));
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> guard(d->mutex);
        if (!d->openPty(error)) {
            ::close(d->wake[0]);
            ::close(d->wake[1]);
            d->wake[0] = d->wake[1] = -1;
            return false;
        }
    }
    d->stopping = false;
    d->started = true;
    d->thread = std::thread([this] { d->run(); });
    d->threadId = d->thread.get_id();
    return true;
}

void SimServer::stop()
{
    if (!d->started)
        return;
    d->stopping = true;
    d->wakeUp();
    if (d->thread.joinable())
        d->thread.join();
    d->started = false;
    {
        std::lock_guard<std::mutex> guard(d->commandMutex);
        for (Impl::PendingCommand *pc : d->commands)
            pc->done = true;
        d->commands.clear();
    }
    d->commandDone.notify_all();
    ::close(d->wake[0]);
    ::close(d->wake[1]);
    d->wake[0] = d->wake[1] = -1;
}

bool SimServer::running() const
{
    return d->started && !d->stopping;
}

std::string SimServer::slavePath() const
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    return d->slaveName;
}

bool SimServer::linkAs(const std::string &portsDir, int number, std::string *error)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->portsDir = portsDir;
    d->linkNumber = number;
    if (d->master < 0)
        return true;
    return d->relink(error);
}

std::string SimServer::linkPath() const
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    if (d->linkNumber <= 0)
        return {};
    return (std::filesystem::path(d->portsDir) / ("COM" + std::to_string(d->linkNumber))).string();
}

void SimServer::setPaced(bool paced)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->paced = paced;
}

bool SimServer::paced() const
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    return d->paced;
}

void SimServer::injectFault(const Fault &fault, int count)
{
    if (count == 0)
        return;
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->faults.push_back({nullptr, fault, count});
}

void SimServer::injectFaultWhen(std::function<bool(const Bytes &)> pred, const Fault &fault,
                                int count)
{
    if (count == 0)
        return;
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->faults.push_back({std::move(pred), fault, count});
}

void SimServer::clearFaults()
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->faults.clear();
}

bool SimServer::Impl::request(Command c)
{
    if (!started || std::this_thread::get_id() == threadId)
        return execute(c);
    PendingCommand pc{c};
    std::unique_lock<std::mutex> lock(commandMutex);
    commands.push_back(&pc);
    wakeUp();
    commandDone.wait(lock, [&] { return pc.done; });
    return pc.result;
}

void SimServer::disconnectPort()
{
    d->request(Impl::Command::Disconnect);
}

void SimServer::sendHeld()
{
    d->request(Impl::Command::SendHeld);
}

bool SimServer::reconnectPort()
{
    return d->request(Impl::Command::Reconnect);
}

bool SimServer::connected() const
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    return d->master >= 0;
}

void SimServer::setResyncTimeout(std::chrono::milliseconds timeout)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    d->resyncTimeout = timeout;
}

size_t SimServer::droppedBytes() const
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    return d->dropped;
}

void SimServer::withLock(const std::function<void()> &fn)
{
    std::lock_guard<std::recursive_mutex> guard(d->mutex);
    fn();
}

} // namespace sim
