#pragma once
// How long a test waits for something that must happen (a program to start,
// its frames, its end, a box, a reply, a lock given back) before it gives up
// and fails by name. These are limits for hangs, never measures of speed: a
// wait ends as soon as what it waits for happens, so the limit costs nothing
// when things go right. It holds on a machine whose every core is loaded
// three times over while ctest runs tests side by side.
//
// Waits that watch for something that must NOT happen (a window of silence,
// a second warning) keep their own short windows: they always run in full.

#include <chrono>

namespace testsupport {

inline constexpr int GiveUpMs = 120000;
inline constexpr std::chrono::milliseconds GiveUp{GiveUpMs};

} // namespace testsupport
