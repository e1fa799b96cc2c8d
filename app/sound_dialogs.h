// The Qt dialogs of opening and saving sounds: the RAW format choice, the
// Save As dialog with the types of the format table in display order, the
// questions through the user-interface seam, and the Open dialog's filters.
#pragma once

#include <QString>
#include <QStringList>

#include "formats/sound_io_ui.h"

class QWidget;

namespace ob {

class QtSoundIoUi : public SoundIoUi {
  public:
    explicit QtSoundIoUi(QWidget* parent) : parent_(parent) {}
    bool AskYesNo(const std::string& caption, const std::string& text, bool defaultAnswer) override;
    bool ChooseRawFormat(const std::string& path, int& code) override;
    bool ChooseSavePath(const std::string& caption, std::string& path, int& code) override;
    void Status(const std::string& text) override;

  private:
    QWidget* parent_;
};

// "Sound Files (*.wav *.aif ...)", one filter per format, "All Files (*)".
QStringList OpenFileFilters();
// The Save As type filters in display order, and the format code of each.
QStringList SaveFileFilters(std::vector<int>* codes);
// Object names the tests look for.
constexpr const char* kSaveAsDialogName = "saveAsDialog";
constexpr const char* kOpenDialogName = "openDialog";
constexpr const char* kRawDialogName = "rawFormatDialog";

}  // namespace ob
