// The simulated Ensoniq EPS-family sampler of orbick-sampler-sim (--eps):
// wavesamples addressed by instrument, layer and wavesample number, each with
// its 422-byte parameter block and its wave memory.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<unsigned char>;

// What the simulator's connection offers the target.
struct Link {
    std::function<bool(Bytes& message, int timeoutMs)> next;  // false: timeout or gone
    std::function<void(const Bytes& message)> send;
    std::function<bool(const char* kind, long index)> fault;  // takes one use of a fault
    std::function<bool(long index)> silent;                   // --silence at this index
    std::function<void(const std::string& line)> log;
};

// Options of the Ensoniq target; false when `name` is not one of them.
//   --eps-tone I:L:W:LEN:RATECODE[:LSTART:LEND:MODE[:START]]  hold a wavesample
//   --eps-error P:CODE   answer the command of P with response CODE once
//   --eps-copy 1         parameter blocks carry copy marks
// P is a block index from 0, or h for the parameter request.
bool EnsoniqOption(const std::string& name, const char* value);
// After the options: the store folder (may be empty) and the held wavesamples.
bool EnsoniqStart(const std::string& store, std::string& error);
// Serves one connection whose first message is `first`.
void EnsoniqSession(Link& link, const Bytes& first);

}  // namespace sim
