// Messages about one editor and the dialog guard opened for a record.
#include "wave/record_report.h"

#include "wave/wave_record.h"

namespace ob {

void ReportMessage(const WaveRecord& record, const std::string& text) {
    ReportMessage(record.window, TitleOf(record), text);
}

void ReportEmptyEditor(const WaveRecord& record) {
    ReportMessage(record, kTextNoWave);
}
void ReportNoAffectArea(const WaveRecord& record) {
    ReportMessage(record, kTextNoAffectArea);
}
void ReportNoEditChannel(const WaveRecord& record) {
    ReportMessage(record, kTextNoEditChannel);
}

bool OpenProcessDialog(WaveRecord* record, ProcessDialog dialog, const std::function<void()>& run) {
    if (dialog < 0 || dialog >= kDialogCount) return false;
    if (DialogInUse(dialog)) {
        if (record)
            ReportMessage(*record, DialogGuardText(dialog));
        else
            ReportMessage(nullptr, kProgramCaption, DialogGuardText(dialog));
        return false;
    }
    SetDialogInUse(dialog, true);
    run();
    SetDialogInUse(dialog, false);
    return true;
}

}  // namespace ob
