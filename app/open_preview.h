// The sound preview of the Open dialog: a Preview button and an Auto
// Preview box under the file list. A WAV file (8-bit or 16-bit PCM, 32-bit
// float) plays from disk through the player; other files give "This format
// is not supported for preview" in the dialog. The preview stops when the
// dialog closes.
#pragma once

class QFileDialog;

namespace ob {

void AttachSoundPreview(QFileDialog& dialog);

}  // namespace ob
