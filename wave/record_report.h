// Messages about one editor: reported with the record's window as owner and
// its title as caption, and the dialog guard opened for a record.
#pragma once

#include <functional>
#include <string>

#include "base/dialog_guard.h"
#include "base/messages.h"

namespace ob {

struct WaveRecord;

void ReportMessage(const WaveRecord& record, const std::string& text);
void ReportEmptyEditor(const WaveRecord& record);
void ReportNoAffectArea(const WaveRecord& record);
void ReportNoEditChannel(const WaveRecord& record);

// Runs `run` with the dialog's flag set. When the flag is already set the guard
// text is reported (with the record's window and title, or the program caption
// without a record) and false is returned.
bool OpenProcessDialog(WaveRecord* record, ProcessDialog dialog, const std::function<void()>& run);

}  // namespace ob
