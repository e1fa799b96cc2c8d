// The clip list, active clips, resolving a clip's samples, copies, detaching.
#include "wave/clips.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "wave/memory.h"

namespace ob {

Clip* gClips = nullptr;

namespace {

// The source of detached clips: a record that never holds a wave, so a
// detached clip never refers to a wave that is gone.
WaveRecord gDetachedSource;

void FreeCopies(Clip& clip) {
    size_t bytes = size_t(clip.length) * sizeof(float);
    Release(clip.leftCopy, bytes, kAllocLarge);
    Release(clip.rightCopy, bytes, kAllocLarge);
    clip.leftCopy = clip.rightCopy = nullptr;
}

void Unlink(Clip* clip) {
    *clip->backLink = clip->next;
    if (clip->next) clip->next->backLink = clip->backLink;
}

}  // namespace

uint32_t LowestFreeClipNumber() {
    for (uint32_t n = 1;; ++n)
        if (!FindClip(n)) return n;
}

Clip* NewClip(const std::string& name) {
    Clip* clip = new (std::nothrow) Clip;
    if (!clip) return nullptr;
    clip->number = LowestFreeClipNumber();
    clip->name = name.substr(0, kClipNameMax);
    clip->next = gClips;
    clip->backLink = &gClips;
    if (gClips) gClips->backLink = &clip->next;
    gClips = clip;
    return clip;
}

Clip* FindClip(uint32_t number) {
    for (Clip* c = gClips; c; c = c->next)
        if (c->number == number) return c;
    return nullptr;
}

Clip* FindClipByName(const std::string& name) {
    for (Clip* c = gClips; c; c = c->next)
        if (::strcasecmp(c->name.c_str(), name.c_str()) == 0) return c;
    return nullptr;
}

std::vector<Clip*> AllClips() {
    std::vector<Clip*> list;
    for (Clip* c = gClips; c; c = c->next) list.push_back(c);
    return list;
}

void EraseClip(Clip* clip) {
    if (!clip) return;
    for (int i = 0; i < kEditorSlots; ++i)
        if (gEditorSlots[i] && gEditorSlots[i]->clipLink == clip)
            gEditorSlots[i]->clipLink = nullptr;
    Unlink(clip);
    FreeCopies(*clip);
    delete clip;
}

void EraseAllClips() {
    while (gClips) EraseClip(gClips);
}

Clip* ActiveClip(const WaveRecord& record) {
    return static_cast<Clip*>(record.clipLink);
}

void SetActiveClip(WaveRecord& record, Clip* clip) {
    record.clipLink = clip;
}

bool ClipUsedElsewhere(const Clip* clip, const WaveRecord* record) {
    for (int i = 1; i < kEditorSlots; ++i)
        if (gEditorSlots[i] && gEditorSlots[i] != record && gEditorSlots[i]->clipLink == clip)
            return true;
    return false;
}

bool ResolveClip(const Clip* clip, ClipSamples& out) {
    out = ClipSamples{};
    if (!clip || !clip->source || clip->length == 0) return false;
    if (clip->leftCopy) {
        out.left = clip->leftCopy;
        out.right = clip->rightCopy;
        out.length = clip->length;
        return true;
    }
    if (clip->clipFlags & kClipDetached) return false;  // a detached clip without copy
    const WaveRecord& source = *clip->source;
    if (!source.leftSamples || clip->start >= source.frameCount) return false;
    out.length = std::min(clip->length, source.frameCount - clip->start);
    out.left = source.leftSamples + clip->start;
    out.right = source.rightSamples ? source.rightSamples + clip->start : nullptr;
    return true;
}

bool HasUsableClip(const WaveRecord& record) {
    ClipSamples samples;
    return ResolveClip(ActiveClip(record), samples);
}

int TakeClipCopy(Clip& clip) {
    if (clip.leftCopy) return kClipAlready;
    ClipSamples samples;
    if (!ResolveClip(&clip, samples)) return kClipNone;
    size_t bytes = size_t(samples.length) * sizeof(float);
    float* left = static_cast<float*>(Allocate(bytes, kAllocLarge));
    float* right =
        samples.right && left ? static_cast<float*>(Allocate(bytes, kAllocLarge)) : nullptr;
    if (!left || (samples.right && !right)) {
        Release(left, bytes, kAllocLarge);
        return kClipNoMemory;
    }
    std::memcpy(left, samples.left, bytes);
    if (right) std::memcpy(right, samples.right, bytes);
    clip.leftCopy = left;
    clip.rightCopy = right;
    clip.length = samples.length;
    return kClipDone;
}

void DefineClip(Clip& clip, WaveRecord& source, uint32_t first, uint32_t last) {
    FreeCopies(clip);
    if (first > last) std::swap(first, last);
    uint32_t lastFrame = source.frameCount ? source.frameCount - 1 : 0;
    last = std::min(last, lastFrame);
    first = std::min(first, last);
    clip.source = &source;
    clip.start = first;
    clip.length = source.frameCount ? last - first + 1 : 0;
    clip.sampleRate = source.sampleRate;
    clip.clipFlags &= ~kClipDetached;
}

void AdoptClipSamples(Clip& clip, float* left, float* right, uint32_t length, uint32_t rate) {
    FreeCopies(clip);
    clip.leftCopy = left;
    clip.rightCopy = right;
    clip.length = length;
    clip.start = 0;
    clip.sampleRate = rate;
}

void DetachClipsOf(const WaveRecord& record) {
    for (Clip* c = gClips; c;) {
        Clip* next = c->next;
        if (c->source == &record) {
            if (c->leftCopy) {
                c->clipFlags |= kClipDetached;
                c->source = &gDetachedSource;
            } else {
                EraseClip(c);
            }
        }
        c = next;
    }
}

std::string ClipListLine(const Clip& clip) {
    char line[160];
    std::snprintf(line, sizeof line, "%2d %c%c\t%-32s \t%d", int(clip.number),
                  clip.leftCopy ? 'C' : ' ', clip.rightCopy ? 'S' : ' ', clip.name.c_str(),
                  int(clip.length));
    return line;
}

std::string InitialActiveClipText(const WaveRecord& record) {
    const Clip* clip = ActiveClip(record);
    if (!clip) return "Initial active clip for this wave: None";
    return "Initial active clip for this wave: " + std::to_string(clip->number);
}

}  // namespace ob
