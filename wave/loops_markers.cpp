// Loops and markers of a wave: nodes, lookups by id and name, set and
// delete, the tidy that keeps them inside the wave, and list copies.
#include <new>
#include <utility>

#include "wave/memory.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

// The last frame, or 0 for an empty wave (positions clamp onto it).
uint32_t LastFrame(const WaveRecord& record) {
    return record.frameCount ? record.frameCount - 1 : 0;
}

bool ValidId(int id) {
    return id >= 0 && id <= 255;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

void FreeLoopList(LoopNode* node) {
    while (node) {
        LoopNode* next = node->next;
        FreeLoopNode(node);
        node = next;
    }
}

void FreeMarkerList(MarkerNode* node) {
    while (node) {
        MarkerNode* next = node->next;
        FreeMarkerNode(node);
        node = next;
    }
}

// Unlinks the loop `*link` points at, frees it and clears the roles it had.
void UnlinkLoop(WaveRecord& record, LoopNode** link) {
    LoopNode* node = *link;
    *link = node->next;
    if (record.sustainLoopId == node->id) record.sustainLoopId = -1;
    if (record.releaseLoopId == node->id) record.releaseLoopId = -1;
    FreeLoopNode(node);
}

}  // namespace

// ---- Nodes ----

LoopNode* NewLoopNode() {
    void* block = Allocate(sizeof(LoopNode), kAllocHeap | kAllocZero);
    return block ? new (block) LoopNode : nullptr;
}

void FreeLoopNode(LoopNode* node) {
    if (!node) return;
    node->~LoopNode();
    Release(node, sizeof(LoopNode), kAllocHeap);
}

MarkerNode* NewMarkerNode(const char* name) {
    void* block = Allocate(sizeof(MarkerNode), kAllocHeap | kAllocZero);
    if (!block) return nullptr;
    auto* node = new (block) MarkerNode;
    if (name) node->name = name;
    return node;
}

void FreeMarkerNode(MarkerNode* node) {
    if (!node) return;
    node->~MarkerNode();
    Release(node, sizeof(MarkerNode), kAllocHeap);
}

// ---- Loops ----

LoopNode* FindLoop(WaveRecord& record, int id) {
    for (LoopNode* node = record.loops; node; node = node->next)
        if (node->id == id) return node;
    return nullptr;
}

LoopNode* AddDefaultLoop(WaveRecord& record, int id) {
    if (!ValidId(id)) return nullptr;
    LoopNode* node = FindLoop(record, id);
    if (!node) {
        node = NewLoopNode();
        if (!node) return nullptr;
        node->id = static_cast<uint8_t>(id);
        node->next = record.loops;
        record.loops = node;
    }
    node->playCount = 1;
    node->type = 0;
    node->start = 0;
    node->end = LastFrame(record);
    return node;
}

LoopNode* SetLoop(WaveRecord& record, uint32_t start, uint32_t end, uint8_t type, int id) {
    if (!ValidId(id)) return nullptr;
    uint32_t last = LastFrame(record);
    if (start > last) start = last;
    if (end > last) end = last;
    if (start > end) std::swap(start, end);
    if (start == end) {
        DeleteLoop(record, id);
        return nullptr;
    }
    LoopNode* node = FindLoop(record, id);
    if (!node) {
        node = NewLoopNode();
        if (!node) return nullptr;
        node->next = record.loops;
        record.loops = node;
    }
    node->start = start;
    node->end = end;
    node->id = static_cast<uint8_t>(id);
    node->type = type;
    return node;
}

void DeleteLoop(WaveRecord& record, int id) {
    for (LoopNode** link = &record.loops; *link; link = &(*link)->next) {
        if ((*link)->id == id) {
            UnlinkLoop(record, link);
            return;
        }
    }
    // No such loop: a role naming it still goes.
    if (record.sustainLoopId == id) record.sustainLoopId = -1;
    if (record.releaseLoopId == id) record.releaseLoopId = -1;
}

// ---- Markers ----

MarkerNode* FindMarker(WaveRecord& record, int id) {
    for (MarkerNode* node = record.markers; node; node = node->next)
        if (node->id == id) return node;
    return nullptr;
}

MarkerNode* FindMarkerByName(WaveRecord& record, const std::string& name) {
    for (MarkerNode* node = record.markers; node; node = node->next)
        if (SameTextIgnoringCase(node->name, name)) return node;
    return nullptr;
}

MarkerNode* SetMarker(WaveRecord& record, uint32_t position, int id, const char* name) {
    if (!ValidId(id)) return nullptr;
    uint32_t last = LastFrame(record);
    if (position > last) position = last;
    MarkerNode* existing = FindMarker(record, id);
    if (existing && !name) {
        existing->position = position;
        return existing;
    }
    // The new node is obtained before the old one goes, so running out of
    // memory leaves the marker as it was.
    MarkerNode* node = NewMarkerNode(name);
    if (!node) return nullptr;
    if (existing) DeleteMarker(record, id);
    node->position = position;
    node->id = static_cast<uint8_t>(id);
    node->next = record.markers;
    record.markers = node;
    return node;
}

void DeleteMarker(WaveRecord& record, int id) {
    for (MarkerNode** link = &record.markers; *link; link = &(*link)->next) {
        if ((*link)->id == id) {
            MarkerNode* node = *link;
            *link = node->next;
            FreeMarkerNode(node);
            return;
        }
    }
}

void DeleteMarkerByName(WaveRecord& record, const std::string& name) {
    // The first marker in list order (the newest) with that name, like FindMarkerByName.
    for (MarkerNode** link = &record.markers; *link; link = &(*link)->next) {
        if (SameTextIgnoringCase((*link)->name, name)) {
            MarkerNode* node = *link;
            *link = node->next;
            FreeMarkerNode(node);
            return;
        }
    }
}

// ---- Lists as a whole ----

void TidyLoopsAndMarkers(WaveRecord& record) {
    uint32_t last = LastFrame(record);
    for (LoopNode** link = &record.loops; *link;) {
        LoopNode* node = *link;
        if (node->end < node->start) std::swap(node->start, node->end);
        if (node->start > last) node->start = last;
        if (node->end > last) node->end = last;
        if (node->start == node->end) {
            UnlinkLoop(record, link);
        } else {
            link = &node->next;
        }
    }
    // An empty wave has no frame a marker could stand on.
    for (MarkerNode** link = &record.markers; *link;) {
        MarkerNode* node = *link;
        if (record.frameCount == 0 || node->position > last) {
            *link = node->next;
            FreeMarkerNode(node);
        } else {
            link = &node->next;
        }
    }
}

void ClearLists(WaveRecord& record, unsigned what) {
    if (what & kListLoops) {
        FreeLoopList(record.loops);
        record.loops = nullptr;
        record.sustainLoopId = -1;
        record.releaseLoopId = -1;
    }
    if (what & kListMarkers) {
        FreeMarkerList(record.markers);
        record.markers = nullptr;
    }
}

int CopyLists(unsigned what, const WaveRecord& from, WaveRecord& to) {
    if (&from == &to) return 1;
    LoopNode* loops = nullptr;
    MarkerNode* markers = nullptr;
    bool ok = true;
    if (what & kListLoops) {
        LoopNode** tail = &loops;
        for (const LoopNode* node = from.loops; node && ok; node = node->next) {
            LoopNode* copy = NewLoopNode();
            if (!copy) {
                ok = false;
                break;
            }
            *copy = *node;
            copy->next = nullptr;
            *tail = copy;
            tail = &copy->next;
        }
    }
    if (ok && (what & kListMarkers)) {
        MarkerNode** tail = &markers;
        for (const MarkerNode* node = from.markers; node; node = node->next) {
            MarkerNode* copy = NewMarkerNode(node->name.c_str());
            if (!copy) {
                ok = false;
                break;
            }
            copy->position = node->position;
            copy->id = node->id;
            *tail = copy;
            tail = &copy->next;
        }
    }
    ClearLists(to, what);
    if (!ok) {
        FreeLoopList(loops);
        FreeMarkerList(markers);
        return 0;
    }
    if (what & kListLoops) {
        to.loops = loops;
        to.sustainLoopId = from.sustainLoopId;
        to.releaseLoopId = from.releaseLoopId;
    }
    if (what & kListMarkers) to.markers = markers;
    return 1;
}

}  // namespace ob
