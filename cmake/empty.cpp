// Keeps a library with no units of its own a valid static library.
namespace taron_detail { [[maybe_unused]] static int emptyUnit = 0; }
