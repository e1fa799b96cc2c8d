// Length-changing edits on a 10 M-frame stereo wave: each runs in a process
// of its own (this program started again with the edit's name), which
// reports the edit's time and the process's peak resident memory in copies
// of the wave (the wave itself is one; the goal is at most about two, the
// undo backup included).
#include "dsp/length_edit.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_wave.h"
#include "dsp/clip_edit.h"
#include "dsp/operation.h"
#include "wave/undo.h"

using namespace ob;

namespace {

constexpr uint32_t kFrames = 10000000;

long PeakKb() {
    long kb = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
        std::fclose(status);
    }
    return kb;
}

int RunOne(const std::string& op) {
    WaveRecord* w = MakeBenchWave(kFrames, true, 44100);
    if (!w) return 1;
    for (uint32_t i = 0; i < kFrames; ++i) {
        w->leftSamples[i] = float(i % 1000) / 1000.0f;
        w->rightSamples[i] = -w->leftSamples[i];
    }
    gBackups = 1;
    gEditing.affectArea = kAffectMouse;
    w->mouseStart = 2000000;
    w->mouseLength = 1000000;
    w->mouseChannels = 3;
    DefineClipByFrames(*w, "bench", 4000000, 4999999);  // one million frames
    auto start = std::chrono::steady_clock::now();
    int result = -1;
    if (op == "delete")
        result = DeleteArea(*w);
    else if (op == "trim")
        result = TrimToArea(*w);
    else if (op == "paste")
        result = PasteActiveClip(*w, 1000);
    else if (op == "replace")
        result = ReplaceActiveClip(*w, 1000);
    else if (op == "replace_past_end")
        result = ReplaceActiveClip(*w, kFrames - 10);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double wave = double(kFrames) * 2 * 4 / 1024.0;  // kB
    std::printf("%-17s %s  %.3f s  peak %.2f copies of the wave (%.0f MB)\n", op.c_str(),
                result == kEditDone ? "done" : "FAILED", seconds, PeakKb() / wave,
                PeakKb() / 1024.0);
    return result == kEditDone ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2) return RunOne(argv[1]);
    int status = 0;
    for (const char* op : {"delete", "trim", "paste", "replace", "replace_past_end"}) {
        std::fflush(stdout);
        pid_t pid = fork();
        if (pid == 0) {
            execl("/proc/self/exe", argv[0], op, static_cast<char*>(nullptr));
            _exit(127);
        }
        int child = 0;
        if (pid < 0 || waitpid(pid, &child, 0) < 0 || !WIFEXITED(child) || WEXITSTATUS(child) != 0)
            status = 1;
    }
    return status;
}
