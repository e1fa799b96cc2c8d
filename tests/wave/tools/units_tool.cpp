// Reads requests from standard input, one a line, and prints what the unit
// functions make of them, one line each (used by the Python reference test):
//   time FRAMES UNIT RATE TEMPO BEATSPERBAR OPTIONS   -> [text]
//   level VALUE UNIT OPTIONS                          -> [text]
//   rms RATE POSITION SAMPLES...                      -> [text] of FormatLevelAt
//   parse UNIT RATE TEMPO BEATSPERBAR TEXT...         -> result frames
//   frames seconds|beats|video VALUE RATE ARG         -> the frame count
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "wave/memory.h"
#include "wave/time_units.h"

using namespace ob;

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string what;
        in >> what;
        if (what == "time") {
            unsigned long long frames;
            uint32_t unit, rate, tempo, bpb, options;
            in >> frames >> unit >> rate >> tempo >> bpb >> options;
            std::cout << "[" << FormatTime(frames, unit, rate, tempo, bpb, options) << "]\n";
        } else if (what == "level") {
            std::string value;
            uint32_t unit, options;
            in >> value >> unit >> options;
            std::cout << "[" << FormatLevel(std::strtod(value.c_str(), nullptr), unit, options)
                      << "]\n";
        } else if (what == "rms") {
            uint32_t rate;
            unsigned long long position;
            in >> rate >> position;
            std::vector<float> samples;
            for (double v; in >> v;) samples.push_back(float(v));
            WaveRecord record;
            record.sampleRate = rate;
            record.frameCount = uint32_t(samples.size());
            record.leftSamples = samples.data();
            std::cout << "[" << FormatLevelAt(record, 0, kLevelRmsDb, position, 0, 0) << "]\n";
            record.leftSamples = nullptr;
        } else if (what == "parse") {
            uint32_t unit, rate, tempo, bpb;
            in >> unit >> rate >> tempo >> bpb;
            std::string text;
            std::getline(in, text);
            uint32_t frames = 0;
            int result = ParseTime(text, unit, rate, tempo, bpb, frames);
            std::cout << result << " " << (result == 0 ? frames : 0) << "\n";
        } else if (what == "frames") {
            std::string kind;
            double value, arg;
            uint32_t rate;
            in >> kind >> value >> rate >> arg;
            long long n = kind == "seconds" ? SecondsToFrames(value, rate)
                          : kind == "beats" ? BeatsToFrames(value, rate, uint32_t(arg))
                                            : VideoFramesToFrames(value, rate, arg);
            std::cout << n << "\n";
        } else {
            std::cout << "?\n";
        }
    }
    return 0;
}
