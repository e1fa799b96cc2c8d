// The current user-interface implementation and the batch one.
#include "base/user_interface.h"

#include <cstdio>

namespace ob {

namespace {
BatchUserInterface gBatch;
UserInterface* gCurrent = &gBatch;
}  // namespace

void BatchUserInterface::MessageBox(void*, const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s", caption.c_str(), text.c_str());
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
}

UserInterface& UI() {
    return *gCurrent;
}

UserInterface* SetUserInterface(UserInterface* ui) {
    UserInterface* previous = gCurrent == &gBatch ? nullptr : gCurrent;
    gCurrent = ui ? ui : &gBatch;
    return previous;
}

}  // namespace ob
