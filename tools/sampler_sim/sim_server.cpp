#include "tools/sampler_sim/sim_server.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace sim {

namespace {
FILE* gLog = nullptr;
}  // namespace

void OpenLog(const std::string& path) {
    if (!path.empty()) gLog = std::fopen(path.c_str(), "w");
}

void Log(const char* format, ...) {
    if (!gLog) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(gLog, format, args);
    va_end(args);
    std::fputc('\n', gLog);
    std::fflush(gLog);
}

int ServeSocket(const std::string& path, int connections, const std::function<void(int)>& session) {
    signal(SIGPIPE, SIG_IGN);
    int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (server < 0 || path.size() >= sizeof address.sun_path) return 1;
    std::strcpy(address.sun_path, path.c_str());
    ::unlink(path.c_str());
    if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 4) != 0) {
        std::perror("orbick-sampler-sim");
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    for (int served = 0; connections < 0 || served < connections; ++served) {
        int fd = ::accept(server, nullptr, nullptr);
        if (fd < 0) continue;
        Log("connection");
        session(fd);
        ::close(fd);
        Log("connection closed");
    }
    ::close(server);
    ::unlink(path.c_str());
    return 0;
}

}  // namespace sim
