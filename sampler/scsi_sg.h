// The SCSI bus over the Linux generic SCSI driver: every /dev/sgN that the
// user may open, addressed by the H:C:T:L its sysfs entry names (adapter H,
// target T, LUN L), named by its `vendor` and `model`. Commands go through
// the SG_IO ioctl, which keeps its own time limit.
#pragma once

#include <memory>
#include <string>

#include "sampler/scsi_bus.h"

namespace ob {

// `sysfsRoot` is the scsi_generic class folder, `devRoot` the folder of the
// sgN nodes (tests point both at folders of their own).
std::unique_ptr<ScsiBus> NewSgScsiBus(const std::string& sysfsRoot, const std::string& devRoot);

}  // namespace ob
