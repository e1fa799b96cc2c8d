// What every simulated target's process shares: the log file and the Unix
// socket it serves the editor's connections on.
#pragma once

#include <functional>
#include <string>

namespace sim {

// Opens the log (an empty path: no log); lines go there flushed, one per call.
void OpenLog(const std::string& path);
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Listens on the Unix socket `path`, prints "listening" (the tests wait for
// that line), and serves `connections` connections one after another (-1:
// without end) with `session`, which gets the connection's descriptor; the
// log has "connection" and "connection closed" round each session. 0 when
// done, 1 when the socket cannot be made. SIGPIPE is ignored, so a peer that
// leaves only ends its session.
int ServeSocket(const std::string& path, int connections, const std::function<void(int)>& session);

}  // namespace sim
