// The dialogs of the Loops/Markers menu and the Cut/Keep List: Set Marker,
// Set Loop, Auto Locate, and the Cut or Keep List with its Preview.
#pragma once

class QWidget;

namespace ob {

struct WaveRecord;

void RunSetMarkerDialog(QWidget* parent, WaveRecord* record);
void RunSetLoopDialog(QWidget* parent, WaveRecord* record);
void RunAutoLocateDialog(QWidget* parent);
void RunCutKeepListDialog(QWidget* parent, WaveRecord* record);

// The Cut or Keep List's mode as last chosen (0 clips, 1 files, 2 cut).
extern int gCutKeepMode;

// Object names the tests look for.
constexpr const char* kSetMarkerDialogName = "setMarkerDialog";
constexpr const char* kSetLoopDialogName = "setLoopDialog";
constexpr const char* kAutoLocateDialogName = "autoLocateDialog";
constexpr const char* kCutKeepDialogName = "cutKeepListDialog";

}  // namespace ob
