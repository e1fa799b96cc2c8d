// The keyboard window's ALSA sequencer input port.
#include "audio/note_input.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ob {

namespace {
// ALSA's own diagnostics would go to stderr; the window says what failed.
void SilentErrors(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

bool DecodeNoteEvent(int seqType, int note, int velocity, NoteEvent* out) {
    if (seqType != SND_SEQ_EVENT_NOTEON && seqType != SND_SEQ_EVENT_NOTEOFF) return false;
    if (note < 0 || note > 127) return false;
    out->key = note;
    out->velocity = velocity < 0 ? 0 : velocity > 127 ? 127 : velocity;
    out->on = seqType == SND_SEQ_EVENT_NOTEON && velocity > 0;
    return true;
}

struct NoteInputPort::Impl {
    snd_seq_t* seq = nullptr;
    int port = -1;
    int wake[2] = {-1, -1};  // Close writes a byte to end the thread's poll
    std::atomic<bool> stop{false};
    std::thread thread;
    NoteHandler handler;

    void Run() {
        std::vector<pollfd> fds(size_t(snd_seq_poll_descriptors_count(seq, POLLIN)) + 1);
        int n = snd_seq_poll_descriptors(seq, fds.data() + 1, unsigned(fds.size() - 1), POLLIN);
        fds.resize(size_t(n) + 1);
        fds[0] = {wake[0], POLLIN, 0};
        while (!stop.load()) {
            if (poll(fds.data(), nfds_t(fds.size()), -1) < 0) continue;
            if (fds[0].revents) break;
            snd_seq_event_t* event = nullptr;
            while (snd_seq_event_input(seq, &event) >= 0 && event) {
                NoteEvent note;
                if (DecodeNoteEvent(event->type, event->data.note.note, event->data.note.velocity,
                                    &note))
                    handler(note);
                event = nullptr;
            }
        }
    }
};

NoteInputPort::NoteInputPort() : impl_(std::make_unique<Impl>()) {}

NoteInputPort::~NoteInputPort() {
    Close();
}

bool NoteInputPort::Open(NoteHandler handler, std::string* error) {
    Close();
    Impl& p = *impl_;
    auto fail = [&](const char* text) {
        if (error) *error = text;
        Close();
        return false;
    };
    snd_lib_error_set_handler(SilentErrors);
    if (snd_seq_open(&p.seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        p.seq = nullptr;
        return fail("No MIDI sequencer is available.");
    }
    snd_seq_set_client_name(p.seq, "Sample Orbick");
    p.port = snd_seq_create_simple_port(
        p.seq, "Keyboard", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (p.port < 0) return fail("The MIDI input port could not be made.");
    if (pipe(p.wake) != 0) return fail("The MIDI input port could not be made.");
    p.handler = std::move(handler);
    p.stop.store(false);
    p.thread = std::thread([&p] { p.Run(); });
    return true;
}

void NoteInputPort::Close() {
    Impl& p = *impl_;
    p.stop.store(true);
    if (p.thread.joinable()) {
        char byte = 1;
        if (write(p.wake[1], &byte, 1) < 0) {
        }
        p.thread.join();
    }
    for (int& fd : p.wake) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    if (p.seq) snd_seq_close(p.seq);
    p.seq = nullptr;
    p.port = -1;
    p.handler = nullptr;
}

bool NoteInputPort::IsOpen() const {
    return impl_->seq && impl_->thread.joinable();
}

std::string NoteInputPort::Address() const {
    if (!IsOpen()) return "";
    return std::to_string(snd_seq_client_id(impl_->seq)) + ":" + std::to_string(impl_->port);
}

}  // namespace ob
