// The socket SCSI bus.
#include "sampler/scsi_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace ob {

namespace {

constexpr int kSocketTargets = 8;
constexpr size_t kResponseHead = 12;  // magic, four bytes, one word

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void PutWord(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

uint32_t GetWord(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

class SocketScsiBus : public ScsiBus {
  public:
    explicit SocketScsiBus(std::string path) : path_(std::move(path)) {}
    ~SocketScsiBus() override { Close(); }

    bool Available() override { return true; }

    std::vector<ScsiDeviceEntry> List() override {
        std::vector<ScsiDeviceEntry> list;
        for (int t = 0; t < kSocketTargets; ++t) list.push_back({{0, t, 0}, ""});
        return list;
    }

    ScsiReply Execute(const ScsiCommand& command) override {
        ScsiReply reply;
        const ScsiAddress& a = command.address;
        if (a.adapter != 0 || a.target < 0 || a.target >= kSocketTargets || a.lun < 0 ||
            a.lun > 255) {
            reply.host = kScsiHostNoTarget;
            return reply;
        }
        const bool out = command.direction == kScsiDataOut;
        const bool in = command.direction == kScsiDataIn;
        if (command.cdb.size() < 6 || command.cdb.size() > 16 ||
            (out && command.dataOut.size() > kScsiMaxData) ||
            (in && command.allocation > kScsiMaxData))
            return reply;  // host failure: the request cannot be carried
        if (fd_.load() < 0 && !Connect()) {
            reply.host = kScsiHostNoTarget;
            return reply;
        }
        const int64_t deadline = NowMs() + std::max<int64_t>(1, command.timeoutMs);
        const uint32_t allocation = in ? command.allocation : 0;
        std::vector<uint8_t> request = {'S',
                                        'C',
                                        'S',
                                        'Q',
                                        uint8_t(a.target),
                                        uint8_t(a.lun),
                                        uint8_t(command.cdb.size()),
                                        uint8_t(command.direction)};
        PutWord(request, out ? uint32_t(command.dataOut.size()) : 0);
        PutWord(request, allocation);
        PutWord(request, uint32_t(std::min<int64_t>(command.timeoutMs, 0x7FFFFFFF)));
        request.insert(request.end(), command.cdb.begin(), command.cdb.end());
        if (out) request.insert(request.end(), command.dataOut.begin(), command.dataOut.end());

        int io = Transfer(request.data(), request.size(), true, deadline);
        uint8_t head[kResponseHead];
        if (io == 0) io = Transfer(head, sizeof head, false, deadline);
        if (io == 0) {
            uint32_t dataLength = GetWord(head + 8);
            if (std::memcmp(head, "SCSR", 4) != 0 || head[6] > kScsiMaxSense ||
                dataLength > allocation || head[4] > kScsiHostFailure) {
                io = -1;
            } else {
                reply.sense.resize(head[6]);
                reply.data.resize(dataLength);
                if (!reply.sense.empty())
                    io = Transfer(reply.sense.data(), reply.sense.size(), false, deadline);
                if (io == 0 && !reply.data.empty())
                    io = Transfer(reply.data.data(), reply.data.size(), false, deadline);
                reply.host = ScsiHostStatus(head[4]);
                reply.status = head[5];
            }
        }
        if (io != 0) {
            // A broken or late exchange: the connection is closed and the
            // next command connects again.
            Close();
            ScsiReply failed;
            failed.host = io == 1 ? kScsiHostTimedOut : kScsiHostFailure;
            return failed;
        }
        return reply;
    }

    void Interrupt() override {
        int fd = fd_.load();
        if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
    }

    void Close() override {
        int fd = fd_.exchange(-1);
        if (fd >= 0) ::close(fd);
    }

  private:
    bool Connect() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.size() >= sizeof address.sun_path) return false;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return false;
        }
        fd_.store(fd);
        return true;
    }

    // Sends or receives exactly `size` bytes before the deadline: 0 done,
    // 1 timed out, -1 failed (closed, interrupted or short).
    int Transfer(uint8_t* data, size_t size, bool sending, int64_t deadline) {
        size_t done = 0;
        while (done < size) {
            int fd = fd_.load();
            if (fd < 0) return -1;
            int64_t left = deadline - NowMs();
            if (left <= 0) return 1;
            pollfd p{fd, short(sending ? POLLOUT : POLLIN), 0};
            int ready = ::poll(&p, 1, int(std::min<int64_t>(left, 100)));
            if (ready < 0 && errno != EINTR) return -1;
            if (ready <= 0) continue;
            ssize_t n = sending ? ::send(fd, data + done, size - done, MSG_NOSIGNAL)
                                : ::recv(fd, data + done, size - done, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) return -1;
            done += size_t(n);
        }
        return 0;
    }

    std::string path_;
    std::atomic<int> fd_{-1};
};

}  // namespace

std::unique_ptr<ScsiBus> NewSocketScsiBus(const std::string& path) {
    return std::make_unique<SocketScsiBus>(path);
}

}  // namespace ob
