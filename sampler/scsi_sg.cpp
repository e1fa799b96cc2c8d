// The generic SCSI driver bus.
#include "sampler/scsi_sg.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace ob {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kHostNoConnect = 0x01;  // the target did not answer selection
constexpr unsigned kHostBadTarget = 0x04;
constexpr unsigned kHostTimeOut = 0x03;
constexpr unsigned kDriverTimeOut = 0x06;
constexpr unsigned kDriverSense = 0x08;  // sense data follow: not a failure

struct SgNode {
    ScsiAddress address;
    std::string name;
    std::string path;
};

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\0')) s.pop_back();
    size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return Trimmed(line.substr(0, 64));
}

bool ParseHctl(const std::string& text, ScsiAddress& a) {
    int h, c, t, l;
    char tail;
    if (std::sscanf(text.c_str(), "%d:%d:%d:%d%c", &h, &c, &t, &l, &tail) != 4) return false;
    if (h < 0 || c < 0 || t < 0 || l < 0) return false;
    a = {h, t, l};
    return true;
}

class SgScsiBus : public ScsiBus {
  public:
    SgScsiBus(std::string sysfs, std::string dev)
        : sysfs_(std::move(sysfs)), dev_(std::move(dev)) {}

    bool Available() override {
        for (const SgNode& n : Nodes()) {
            int fd = ::open(n.path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                ::close(fd);
                return true;
            }
        }
        return false;
    }

    std::vector<ScsiDeviceEntry> List() override {
        std::vector<ScsiDeviceEntry> list;
        for (const SgNode& n : Nodes())
            if (n.address.lun == 0) list.push_back({n.address, n.name});
        return list;
    }

    ScsiReply Execute(const ScsiCommand& command) override {
        ScsiReply reply;
        const ScsiAddress& a = command.address;
        std::string path;
        for (const SgNode& n : Nodes())
            if (n.address.adapter == a.adapter && n.address.target == a.target &&
                n.address.lun == a.lun) {
                path = n.path;
                break;
            }
        if (path.empty()) {
            reply.host = kScsiHostNoTarget;
            return reply;
        }
        const bool out = command.direction == kScsiDataOut;
        const bool in = command.direction == kScsiDataIn;
        if (command.cdb.size() < 6 || command.cdb.size() > 16 ||
            (out && command.dataOut.size() > kScsiMaxData) ||
            (in && command.allocation > kScsiMaxData))
            return reply;
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            reply.host = kScsiHostNoTarget;
            return reply;
        }
        std::vector<uint8_t> cdb = command.cdb;
        std::vector<uint8_t> dataOut = command.dataOut;
        std::vector<uint8_t> dataIn(in ? command.allocation : 0);
        uint8_t sense[kScsiMaxSense] = {};
        sg_io_hdr_t h{};
        h.interface_id = 'S';
        h.cmd_len = uint8_t(cdb.size());
        h.cmdp = cdb.data();
        h.mx_sb_len = sizeof sense;
        h.sbp = sense;
        h.timeout = unsigned(std::clamp<int64_t>(command.timeoutMs, 1, 0x7FFFFFFF));
        if (out) {
            h.dxfer_direction = SG_DXFER_TO_DEV;
            h.dxfer_len = unsigned(dataOut.size());
            h.dxferp = dataOut.data();
        } else if (in && !dataIn.empty()) {
            h.dxfer_direction = SG_DXFER_FROM_DEV;
            h.dxfer_len = unsigned(dataIn.size());
            h.dxferp = dataIn.data();
        } else {
            h.dxfer_direction = SG_DXFER_NONE;
        }
        int io = ::ioctl(fd, SG_IO, &h);
        ::close(fd);
        if (io < 0) return reply;  // host failure
        if (h.host_status == kHostNoConnect || h.host_status == kHostBadTarget) {
            reply.host = kScsiHostNoTarget;
            return reply;
        }
        if (h.host_status == kHostTimeOut || (h.driver_status & 0x0F) == kDriverTimeOut) {
            reply.host = kScsiHostTimedOut;
            return reply;
        }
        if (h.host_status != 0 || (h.driver_status & ~kDriverSense & 0x0F) != 0) return reply;
        reply.host = kScsiHostDone;
        reply.status = h.status;
        reply.sense.assign(sense, sense + std::min<size_t>(h.sb_len_wr, sizeof sense));
        if (in) {
            size_t got =
                dataIn.size() - std::clamp<size_t>(size_t(std::max(h.resid, 0)), 0, dataIn.size());
            dataIn.resize(got);
            reply.data = std::move(dataIn);
        }
        return reply;
    }

  private:
    std::vector<SgNode> Nodes() {
        std::vector<SgNode> nodes;
        std::error_code ec;
        fs::directory_iterator it(sysfs_, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (name.rfind("sg", 0) != 0) continue;
            fs::path device = it->path() / "device";
            std::error_code linkError;
            fs::path target = fs::read_symlink(device, linkError);
            if (linkError) target = fs::canonical(device, linkError);
            if (linkError) continue;
            SgNode n;
            if (!ParseHctl(target.filename().string(), n.address)) continue;
            std::string vendor = ReadLine(device / "vendor");
            std::string model = ReadLine(device / "model");
            n.name = Trimmed(vendor + " " + model);
            n.path = (fs::path(dev_) / name).string();
            nodes.push_back(std::move(n));
        }
        std::sort(nodes.begin(), nodes.end(), [](const SgNode& x, const SgNode& y) {
            return std::tie(x.address.adapter, x.address.target, x.address.lun) <
                   std::tie(y.address.adapter, y.address.target, y.address.lun);
        });
        return nodes;
    }

    std::string sysfs_, dev_;
};

}  // namespace

std::unique_ptr<ScsiBus> NewSgScsiBus(const std::string& sysfsRoot, const std::string& devRoot) {
    return std::make_unique<SgScsiBus>(sysfsRoot, devRoot);
}

}  // namespace ob
