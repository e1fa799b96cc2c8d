// A fake RealAudio encoder library for the export tests only: it exports the
// encoder's entry points, writes every input buffer it is given unchanged to
// the output file, and logs the other calls. Behaviour is steered by
// environment variables:
//   FAKE_RA_LOG           file that receives the log
//   FAKE_RA_BUFFER        input buffer size in bytes (default 1000)
//   FAKE_RA_FAIL_INIT     PackageInit fails
//   FAKE_RA_FAIL_ENCODE   the Nth Encode call fails
//   FAKE_RA_RESAMPLE      GetBufferSizes reports resampling
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Flavor {
    const char* name;
    uint16_t format[6];  // the fifth field is the channel count
};
const Flavor kFlavors[] = {
    {"Voice 8 kbps mono", {1, 0, 0, 0, 1, 16}},
    {"Music 64 kbps stereo", {1, 0, 0, 0, 2, 16}},
};

struct Encoder {
    std::FILE* out = nullptr;
    std::FILE* log = nullptr;
    int encodeCalls = 0;
    std::string initLine;  // logged once the output file names the log
};

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

void Log(Encoder* e, const std::string& line) {
    if (e->log) std::fprintf(e->log, "%s\n", line.c_str());
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int RAenc_PackageInit(int version) {
    return version == 3 && !std::getenv("FAKE_RA_FAIL_INIT") ? 0 : 1;
}
__attribute__((visibility("default"))) uint32_t RAenc_ProductVersion() {
    return (6u << 28) | (2u << 20) | (1u << 12) | 42u;
}
__attribute__((visibility("default"))) void* RAenc_Create() {
    return new Encoder;
}
__attribute__((visibility("default"))) int RAenc_GetNumFlavors(void*) {
    return 3;
}
__attribute__((visibility("default"))) int RAenc_GetFlavorByIndex(void*, int index,
                                                                  uint32_t* flavor) {
    if (index < 0 || index > 1) return 1;  // index 2 is listed but broken
    *flavor = uint32_t(index);
    return 0;
}
__attribute__((visibility("default"))) int RAenc_GetFlavorProperty(void*, uint32_t flavor,
                                                                   int property, const void** data,
                                                                   uint32_t* length) {
    if (flavor > 1) return 1;
    if (property == 0) {
        *data = kFlavors[flavor].name;
        *length = uint32_t(std::strlen(kFlavors[flavor].name) + 1);
        return 0;
    }
    if (property == 2) {
        *data = kFlavors[flavor].format;
        *length = sizeof kFlavors[flavor].format;
        return 0;
    }
    return 1;
}
struct InputFormat {
    uint16_t formatTag;
    uint32_t sampleRate;
    uint16_t bitsPerSample;
    uint16_t channels;
};
__attribute__((visibility("default"))) int RAenc_InitializeEncoder(void* h, uint32_t flavor,
                                                                   const InputFormat* f) {
    auto* e = static_cast<Encoder*>(h);
    char line[128];
    std::snprintf(line, sizeof line, "init flavor=%u tag=%u rate=%u bits=%u channels=%u", flavor,
                  f->formatTag, f->sampleRate, f->bitsPerSample, f->channels);
    e->initLine = line;
    return 0;
}
__attribute__((visibility("default"))) int RAenc_SetDestination(void*, int) {
    return 0;
}
__attribute__((visibility("default"))) int RAenc_SetOutputFile(void* h, const char* path) {
    auto* e = static_cast<Encoder*>(h);
    e->out = std::fopen(path, "wb");
    const char* logPath = std::getenv("FAKE_RA_LOG");
    std::FILE* log = logPath ? std::fopen(logPath, "w") : nullptr;
    if (log) std::fprintf(log, "%s\n", e->initLine.c_str());
    e->log = log;
    return e->out ? 0 : 1;
}
__attribute__((visibility("default"))) int RAenc_GetBufferSizes(void*, uint32_t* input,
                                                                uint32_t* second, int* resamples) {
    *input = uint32_t(EnvInt("FAKE_RA_BUFFER", 1000));
    *second = 0;
    *resamples = std::getenv("FAKE_RA_RESAMPLE") ? 1 : 0;
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Title(void* h, const char* t) {
    Log(static_cast<Encoder*>(h), std::string("title=") + t);
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Author(void* h, const char* t) {
    Log(static_cast<Encoder*>(h), std::string("author=") + t);
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Copyright(void* h, const char* t) {
    Log(static_cast<Encoder*>(h), std::string("copyright=") + t);
    return 0;
}
__attribute__((visibility("default"))) int RAenc_SelRecBit(void* h, int on) {
    Log(static_cast<Encoder*>(h), "selrec=" + std::to_string(on));
    return 0;
}
__attribute__((visibility("default"))) int RAenc_PerfPlayBit(void* h, int on) {
    Log(static_cast<Encoder*>(h), "perfplay=" + std::to_string(on));
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Start(void* h) {
    Log(static_cast<Encoder*>(h), "start");
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Encode(void* h, const void* buffer, uint32_t bytes,
                                                        int, uint32_t* outValue, int,
                                                        uint32_t* inOut) {
    auto* e = static_cast<Encoder*>(h);
    ++e->encodeCalls;
    if (e->encodeCalls == EnvInt("FAKE_RA_FAIL_ENCODE", 0)) return 1;
    if (e->out) std::fwrite(buffer, 1, bytes, e->out);
    Log(e, "encode " + std::to_string(bytes));
    *outValue = 0;
    *inOut = bytes;
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Done(void* h) {
    auto* e = static_cast<Encoder*>(h);
    Log(e, "done");
    if (e->out) std::fclose(e->out);
    e->out = nullptr;
    return 0;
}
__attribute__((visibility("default"))) int RAenc_Destroy(void* h) {
    auto* e = static_cast<Encoder*>(h);
    if (e->out) std::fclose(e->out);
    if (e->log) std::fclose(e->log);
    delete e;
    return 0;
}
__attribute__((visibility("default"))) void RAenc_PackageRelease() {}

}  // extern "C"
