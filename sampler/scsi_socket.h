// The SCSI bus over a Unix stream socket (ORBICK_SCSI_SOCKET): adapter 0,
// targets 0 to 7, LUN 0. Each command is one request and one response
// (integers big-endian):
//   request  "SCSQ", target, LUN, CDB length (6..16), direction (0 none,
//            1 out, 2 in), data-out length (4), data-in allocation (4),
//            time-out ms (4), CDB, data out;
//   response "SCSR", host status, SCSI status, sense length (<= 32), 0,
//            data-in length (4, <= allocation), sense, data in.
// The connection is made when a command is due and kept until Close. A bad
// response, a short read or a late one (past the time-out) closes it; the
// next command connects again.
#pragma once

#include <memory>
#include <string>

#include "sampler/scsi_bus.h"

namespace ob {

std::unique_ptr<ScsiBus> NewSocketScsiBus(const std::string& path);

}  // namespace ob
