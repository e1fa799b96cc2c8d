// What a simulated sampler model needs from the simulator: the connection's
// messages, the log, the faults asked for on the command line and the store
// folder. Each model is written on its own from its protocol description.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<unsigned char>;

struct SimIo {
    // The next complete system-exclusive message; false on timeout or when the peer left.
    std::function<bool(Bytes& message, int timeoutMs)> next;
    std::function<void(const Bytes& message)> send;
    std::function<void(const std::string& line)> log;
    // Takes one use of fault `kind` at index (block or packet; -1 = "h"); true when it applies.
    std::function<bool(const char* kind, long index)> fault;
    std::function<bool(long index)> silent;
    std::string store;  // folder for what the model takes and gives ("" = none)
};

// Korg DSS-1 (dsm1 false) or DSM-1: one connection.
void RunKorgTarget(SimIo& io, bool dsm1);
// Akai S612: one connection.
void RunS612Target(SimIo& io);

}  // namespace sim
