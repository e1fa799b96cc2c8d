// The handlers of the Multi-Clips commands, the system clipboard's Cut, Copy
// and Paste, and their dialogs (new clip, paste/replace position, Edit Clip).
#pragma once

#include <QByteArray>
#include <cstdint>

#include "app/command_table.h"

class QMimeData;

namespace ob {

struct WaveRecord;

void NewClipCommand(CommandContext& c);      // Multi-Clips Clip
void CopyClipCommand(CommandContext& c);     // Multi-Clips Copy
void CutClipCommand(CommandContext& c);      // Multi-Clips Cut
void PasteClipCommand(CommandContext& c);    // Multi-Clips Paste
void ReplaceClipCommand(CommandContext& c);  // Multi-Clips Replace
void EditClipsCommand(CommandContext& c);    // Multi-Clips Edit
void EraseClipCommand(CommandContext& c);    // Multi-Clips Erase
void EraseAllClipsCommand(CommandContext& c);
void PlayClipCommand(CommandContext& c);
void SystemCutCommand(CommandContext& c);
void SystemCopyCommand(CommandContext& c);
void SystemPasteCommand(CommandContext& c);

// The clipboard's wave image: "audio/wav" is written; a paste reads
// "audio/wav" or "audio/x-wav". Empty when the clipboard holds neither.
QByteArray ClipboardWaveBytes(const QMimeData* data);
// Installs the shell's emergency save for the right-channel fallback.
void InstallEmergencySave();

}  // namespace ob
