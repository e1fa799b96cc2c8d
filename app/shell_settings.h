// The settings store of the windowed shell: an INI file (orbick.ini, section
// [General]) in the settings folder, read and written with QSettings. Reading
// goes through the core's range checks (script/settings_store.h), so batch
// mode and the shell take the same values.
#pragma once

#include <QString>

namespace ob {

// Reads the store of `folder` when present; every value out of range keeps
// its default. Returns false when there is no store.
bool ReadShellSettings(const QString& folder);
// Writes every value (all but TargetDir; empty recent slots are left out).
bool WriteShellSettings(const QString& folder);

}  // namespace ob
