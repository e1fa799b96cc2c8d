// ALSA sequencer and rawmidi ports. Both read on their own thread and hand
// the bytes to the sink; error messages of the library are kept off the
// terminal (a machine without sound hardware is normal here).
#include "sampler/midi_alsa.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

namespace ob {

namespace {

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
    static bool done = false;
    if (!done) snd_lib_error_set_handler(QuietAlsa);
    done = true;
}

bool SoundSystemPresent() {
    return ::access("/dev/snd", F_OK) == 0;
}

// Stops a reader thread through a pipe.
struct Waker {
    int fd[2] = {-1, -1};
    bool Make() { return ::pipe(fd) == 0; }
    void Wake() {
        char b = 0;
        ssize_t ignored = ::write(fd[1], &b, 1);
        (void)ignored;
    }
    void Free() {
        for (int& f : fd) {
            if (f >= 0) ::close(f);
            f = -1;
        }
    }
    // Ends `reader` (when it runs) and closes the pipe.
    void Stop(std::thread& reader) {
        if (reader.joinable()) {
            Wake();
            reader.join();
        }
        Free();
    }
};

class SequencerPort : public MidiPort {
  public:
    SequencerPort(int client, int port) : client_(client), port_(port) {}
    ~SequencerPort() override { Close(); }

    bool Open(MidiInputSink* sink, bool input) override {
        Close();
        SilenceAlsaOnce();
        if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
            seq_ = nullptr;
            return false;
        }
        snd_seq_set_client_name(seq_, "Sample Orbick");
        own_ = snd_seq_create_simple_port(
            seq_, "transfer",
            SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE |
                SND_SEQ_PORT_CAP_SUBS_WRITE,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        if (own_ < 0 || snd_seq_connect_to(seq_, own_, client_, port_) < 0 ||
            (input && snd_seq_connect_from(seq_, own_, client_, port_) < 0) ||
            snd_midi_event_new(4096, &decoder_) < 0 || !waker_.Make()) {
            Close();
            return false;
        }
        snd_midi_event_no_status(decoder_, 1);
        sink_ = sink;
        if (input) reader_ = std::thread([this] { Read(); });
        return true;
    }

    MidiSendStatus Send(const uint8_t* data, size_t size) override {
        if (!seq_) return kMidiSendFailed;
        snd_seq_event_t event;
        MakeAlsaSysexEvent(event, own_, data, size);
        int r = snd_seq_event_output_direct(seq_, &event);
        if (r == -EAGAIN) return kMidiNotReady;
        if (r < 0) return kMidiSendFailed;
        if (sink_) sink_->OnOutputDone();
        return kMidiSent;
    }

    void Close() override {
        waker_.Stop(reader_);
        if (decoder_) snd_midi_event_free(decoder_);
        decoder_ = nullptr;
        if (seq_) snd_seq_close(seq_);
        seq_ = nullptr;
        sink_ = nullptr;
    }

  private:
    void Read() {
        int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
        std::vector<pollfd> fds(size_t(count) + 1);
        snd_seq_poll_descriptors(seq_, fds.data(), unsigned(count), POLLIN);
        fds[size_t(count)] = {waker_.fd[0], POLLIN, 0};
        std::vector<uint8_t> bytes;
        for (;;) {
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
            if (fds[size_t(count)].revents) return;
            snd_seq_event_t* event = nullptr;
            int r;
            while ((r = snd_seq_event_input(seq_, &event)) >= 0 && event) {
                bytes.clear();
                AlsaEventBytes(*event, decoder_, bytes);
                if (!bytes.empty()) sink_->OnBytes(bytes.data(), bytes.size());
            }
            if (r == -ENOSPC)
                sink_->OnInputError();  // events were lost
            else if (r < 0 && r != -EAGAIN)
                break;
        }
        sink_->OnInputError();
        pollfd w{waker_.fd[0], POLLIN, 0};
        while (::poll(&w, 1, -1) < 0 && errno == EINTR) {
        }
    }

    int client_, port_;
    snd_seq_t* seq_ = nullptr;
    snd_midi_event_t* decoder_ = nullptr;
    int own_ = -1;
    Waker waker_;
    MidiInputSink* sink_ = nullptr;
    std::thread reader_;
};

class RawPort : public MidiPort {
  public:
    explicit RawPort(std::string address) : address_(std::move(address)) {}
    ~RawPort() override { Close(); }

    bool Open(MidiInputSink* sink, bool input) override {
        Close();
        SilenceAlsaOnce();
        const char* a = address_.c_str();
        int r = snd_rawmidi_open(input ? &in_ : nullptr, &out_, a, SND_RAWMIDI_NONBLOCK);
        if (r < 0 && input) {
            out_ = nullptr;  // an input-only device
            r = snd_rawmidi_open(&in_, nullptr, a, SND_RAWMIDI_NONBLOCK);
        }
        if (r < 0 || !waker_.Make()) {
            in_ = out_ = nullptr;
            Close();
            return false;
        }
        sink_ = sink;
        if (in_) reader_ = std::thread([this] { Read(); });
        return true;
    }

    MidiSendStatus Send(const uint8_t* data, size_t size) override {
        if (!out_) return kMidiSendFailed;
        size_t done = 0;
        while (done < size) {
            ssize_t n = snd_rawmidi_write(out_, data + done, size - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n == -EAGAIN) {
                if (done == 0) return kMidiNotReady;
                ::usleep(1000);  // the rest of a started message must follow it
                continue;
            }
            return kMidiSendFailed;
        }
        snd_rawmidi_drain(out_);
        if (sink_) sink_->OnOutputDone();
        return kMidiSent;
    }

    void Close() override {
        waker_.Stop(reader_);
        if (in_) snd_rawmidi_close(in_);
        if (out_) snd_rawmidi_close(out_);
        in_ = out_ = nullptr;
        sink_ = nullptr;
    }

  private:
    void Read() {
        int count = snd_rawmidi_poll_descriptors_count(in_);
        std::vector<pollfd> fds(size_t(count) + 1);
        snd_rawmidi_poll_descriptors(in_, fds.data(), unsigned(count));
        fds[size_t(count)] = {waker_.fd[0], POLLIN, 0};
        uint8_t buffer[1024];
        for (;;) {
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
            if (fds[size_t(count)].revents) return;
            ssize_t n = snd_rawmidi_read(in_, buffer, sizeof buffer);
            if (n > 0)
                sink_->OnBytes(buffer, size_t(n));
            else if (n < 0 && n != -EAGAIN)
                break;
        }
        sink_->OnInputError();
        pollfd w{waker_.fd[0], POLLIN, 0};
        while (::poll(&w, 1, -1) < 0 && errno == EINTR) {
        }
    }

    std::string address_;
    snd_rawmidi_t* in_ = nullptr;
    snd_rawmidi_t* out_ = nullptr;
    Waker waker_;
    MidiInputSink* sink_ = nullptr;
    std::thread reader_;
};

}  // namespace

void AlsaEventBytes(const snd_seq_event_t& event, snd_midi_event_t* decoder,
                    std::vector<uint8_t>& out) {
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        const auto* p = static_cast<const uint8_t*>(event.data.ext.ptr);
        if (p) out.insert(out.end(), p, p + event.data.ext.len);
        return;
    }
    if (!decoder) return;
    unsigned char buffer[16];
    snd_seq_event_t copy = event;
    long n = snd_midi_event_decode(decoder, buffer, sizeof buffer, &copy);
    if (n > 0) out.insert(out.end(), buffer, buffer + n);
}

void MakeAlsaSysexEvent(snd_seq_event_t& event, int sourcePort, const uint8_t* data, size_t size) {
    snd_seq_ev_clear(&event);
    snd_seq_ev_set_source(&event, sourcePort);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_ev_set_sysex(&event, unsigned(size), const_cast<uint8_t*>(data));
}

void ListAlsaSequencerPorts(MidiDeviceLists& lists) {
    if (!SoundSystemPresent()) return;
    SilenceAlsaOnce();
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    int self = snd_seq_client_id(seq);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        int id = snd_seq_client_info_get_client(client);
        if (id == 0 || id == self) continue;  // the system client announces, it does not play
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            unsigned caps = snd_seq_port_info_get_capability(port);
            if (caps & SND_SEQ_PORT_CAP_NO_EXPORT) continue;
            MidiDevice d;
            d.kind = kMidiDeviceSequencer;
            d.client = id;
            d.port = snd_seq_port_info_get_port(port);
            char name[160];
            std::snprintf(name, sizeof name, "%s: %s (%d:%d)", snd_seq_client_info_get_name(client),
                          snd_seq_port_info_get_name(port), d.client, d.port);
            d.name = name;
            const unsigned out = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            const unsigned in = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
            if ((caps & out) == out) lists.outputs.push_back(d);
            if ((caps & in) == in) lists.inputs.push_back(d);
        }
    }
    snd_seq_close(seq);
}

void ListAlsaRawDevices(MidiDeviceLists& lists) {
    if (!SoundSystemPresent()) return;
    SilenceAlsaOnce();
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
        char ctlName[32];
        std::snprintf(ctlName, sizeof ctlName, "hw:%d", card);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, ctlName, 0) < 0) continue;
        int device = -1;
        while (snd_ctl_rawmidi_next_device(ctl, &device) >= 0 && device >= 0) {
            for (snd_rawmidi_stream_t stream :
                 {SND_RAWMIDI_STREAM_OUTPUT, SND_RAWMIDI_STREAM_INPUT}) {
                snd_rawmidi_info_t* info;
                snd_rawmidi_info_alloca(&info);
                snd_rawmidi_info_set_device(info, unsigned(device));
                snd_rawmidi_info_set_stream(info, stream);
                snd_rawmidi_info_set_subdevice(info, 0);
                if (snd_ctl_rawmidi_info(ctl, info) < 0) continue;
                unsigned subs = snd_rawmidi_info_get_subdevices_count(info);
                for (unsigned s = 0; s < subs; ++s) {
                    snd_rawmidi_info_set_subdevice(info, s);
                    if (snd_ctl_rawmidi_info(ctl, info) < 0) continue;
                    MidiDevice d;
                    d.kind = kMidiDeviceRaw;
                    char text[200];
                    std::snprintf(text, sizeof text, "hw:%d,%d,%u", card, device, s);
                    d.address = text;
                    std::snprintf(text, sizeof text, "%s (raw hw:%d,%d,%u)",
                                  snd_rawmidi_info_get_subdevice_name(info), card, device, s);
                    d.name = text;
                    (stream == SND_RAWMIDI_STREAM_OUTPUT ? lists.outputs : lists.inputs)
                        .push_back(d);
                }
            }
        }
        snd_ctl_close(ctl);
    }
}

std::unique_ptr<MidiPort> NewAlsaSequencerPort(int client, int port) {
    return std::make_unique<SequencerPort>(client, port);
}

std::unique_ptr<MidiPort> NewAlsaRawPort(const std::string& address) {
    return std::make_unique<RawPort>(address);
}

}  // namespace ob
