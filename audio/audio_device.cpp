// The choice of the audio backend.
#include "audio/audio_device.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "audio/file_device.h"

namespace ob {

namespace {

// What a malformed ORBICK_AUDIO gives: no devices at all, so nothing reaches
// a sound card the user did not mean.
class NoDevices : public AudioBackend {
  public:
    std::vector<std::string> OutputDevices() override { return {}; }
    std::vector<std::string> InputDevices() override { return {}; }
    bool OutputSupports(int, const AudioFormat&) override { return false; }
    bool InputSupports(int, const AudioFormat&) override { return false; }
    int CheckOutput(int) override { return kDeviceBadId; }
    int CheckInput(int) override { return kDeviceBadId; }
    int OpenOutput(int, const AudioFormat&, const AudioBuffering&,
                   std::unique_ptr<AudioOutput>&) override {
        return kDeviceBadId;
    }
    int OpenInput(int, const AudioFormat&, const AudioBuffering&,
                  std::unique_ptr<AudioInput>&) override {
        return kDeviceBadId;
    }
};

std::mutex gBackendMutex;
std::unique_ptr<AudioBackend> gBackend;

std::unique_ptr<AudioBackend> BackendFromEnvironment() {
    const char* setting = std::getenv("ORBICK_AUDIO");
    if (!setting || !*setting) return MakeAlsaBackend();
    std::string text = setting;
    if (text == "alsa") return MakeAlsaBackend();
    FileDeviceConfig config;
    if (text.rfind("file:", 0) == 0 && ParseFileDeviceConfig(text.substr(5), config))
        return MakeFileBackend(config);
    std::fprintf(stderr, "orbick: ORBICK_AUDIO \"%s\" is not understood: no audio devices\n",
                 setting);
    return std::make_unique<NoDevices>();
}

}  // namespace

AudioBackend& Audio() {
    std::lock_guard<std::mutex> lock(gBackendMutex);
    if (!gBackend) gBackend = BackendFromEnvironment();
    return *gBackend;
}

void SetAudioBackend(std::unique_ptr<AudioBackend> backend) {
    std::lock_guard<std::mutex> lock(gBackendMutex);
    gBackend = std::move(backend);
}

}  // namespace ob
