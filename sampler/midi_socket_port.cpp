// The socket port: connect on Open, a reader thread that hands every piece
// read to the sink, non-blocking sends.
#include "sampler/midi_socket_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace ob {

namespace {

class SocketMidiPort : public MidiPort {
  public:
    explicit SocketMidiPort(std::string path) : path_(std::move(path)) {}
    ~SocketMidiPort() override { Close(); }

    bool Open(MidiInputSink* sink, bool input) override {
        Close();
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path_.empty() || path_.size() >= sizeof address.sun_path) return false;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::pipe2(wake_, O_CLOEXEC) != 0) {
            ::close(fd);
            wake_[0] = wake_[1] = -1;
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        fd_ = fd;
        sink_ = sink;
        input_ = input;
        reader_ = std::thread([this] { Read(); });
        return true;
    }

    MidiSendStatus Send(const uint8_t* data, size_t size) override {
        if (fd_ < 0) return kMidiSendFailed;
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::send(fd_, data + done, size - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (done == 0) return kMidiNotReady;
                // Part of the message is out: the rest must follow it.
                pollfd p{fd_, POLLOUT, 0};
                if (::poll(&p, 1, 1000) <= 0) return kMidiSendFailed;
                continue;
            }
            return kMidiSendFailed;
        }
        if (sink_) sink_->OnOutputDone();
        return kMidiSent;
    }

    void Close() override {
        if (reader_.joinable()) {
            char b = 0;
            ssize_t ignored = ::write(wake_[1], &b, 1);
            (void)ignored;
            reader_.join();
        }
        for (int* fd : {&fd_, &wake_[0], &wake_[1]}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
        sink_ = nullptr;
    }

  private:
    void Read() {
        uint8_t buffer[4096];
        for (;;) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (p[1].revents) return;  // Close asked us to stop
            if (!p[0].revents) continue;
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                if (input_) sink_->OnBytes(buffer, size_t(n));
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            break;  // the peer closed the connection or the socket failed
        }
        if (input_) sink_->OnInputError();
        // Wait for Close so the thread ends in one place.
        pollfd w{wake_[0], POLLIN, 0};
        while (::poll(&w, 1, -1) < 0 && errno == EINTR) {
        }
    }

    std::string path_;
    int fd_ = -1;
    int wake_[2] = {-1, -1};
    MidiInputSink* sink_ = nullptr;
    bool input_ = false;
    std::thread reader_;
};

}  // namespace

std::unique_ptr<MidiPort> NewSocketMidiPort(const std::string& path) {
    return std::make_unique<SocketMidiPort>(path);
}

}  // namespace ob
