// The small dialogs of the Setup and View menus: Backups, Smoothing, Set
// Colors, and the editor's Name.
#pragma once

class QWidget;

namespace ob {

void RunBackupsDialog(QWidget* parent);
void RunSmoothingDialog(QWidget* parent);
void RunSetColorsDialog(QWidget* parent);

}  // namespace ob
