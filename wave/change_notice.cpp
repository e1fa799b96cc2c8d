// The observer list of change notification.
#include "wave/change_notice.h"

#include <algorithm>

namespace ob {

namespace {
std::vector<ChangeObserver*>& Observers() {
    static std::vector<ChangeObserver*> observers;
    return observers;
}
}  // namespace

void AddChangeObserver(ChangeObserver* observer) {
    auto& list = Observers();
    if (observer && std::find(list.begin(), list.end(), observer) == list.end())
        list.push_back(observer);
}

void RemoveChangeObserver(ChangeObserver* observer) {
    auto& list = Observers();
    list.erase(std::remove(list.begin(), list.end(), observer), list.end());
}

void NotifyChange(const ChangeNotice& notice) {
    if (Observers().empty()) return;
    // A copy, so that an observer may remove itself while being told.
    auto list = Observers();
    for (ChangeObserver* observer : list) observer->OnChange(notice);
}

void NotifyChange(WaveRecord* record, uint32_t what) {
    NotifyChange({record, what, 0, 0});
}

void NotifySamplesChanged(WaveRecord* record, uint32_t firstFrame, uint32_t endFrame) {
    NotifyChange({record, kChangeSamples, firstFrame, endFrame});
}

}  // namespace ob
