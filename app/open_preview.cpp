// The Open dialog's sound preview.
#include "app/open_preview.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "audio/player.h"
#include "audio/preview.h"

namespace ob {

void AttachSoundPreview(QFileDialog& dialog) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return;  // a native dialog has no room for it
    auto* row = new QWidget(&dialog);
    row->setObjectName("previewRow");
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* play = new QPushButton("Pre&view", row);
    play->setObjectName("previewButton");
    play->setAutoDefault(false);
    auto* automatic = new QCheckBox("Auto Pre&view", row);
    automatic->setObjectName("autoPreview");
    auto* message = new QLabel(row);
    message->setObjectName("previewMessage");
    layout->addWidget(play);
    layout->addWidget(automatic);
    layout->addWidget(message, 1);
    grid->addWidget(row, grid->rowCount(), 0, 1, grid->columnCount());

    auto current = std::make_shared<QString>();
    auto preview = [message, current] {
        message->clear();
        if (current->isEmpty() || !QFileInfo(*current).isFile()) return;
        std::string text;
        if (PreviewSoundFile(current->toStdString(), &text) != kPreviewOk)
            message->setText(QString::fromStdString(text));
    };
    QObject::connect(&dialog, &QFileDialog::currentChanged, row,
                     [current, automatic, preview](const QString& path) {
                         *current = path;
                         if (automatic->isChecked()) preview();
                     });
    QObject::connect(play, &QPushButton::clicked, row, [&dialog, current, preview] {
        if (current->isEmpty() && !dialog.selectedFiles().isEmpty())
            *current = dialog.selectedFiles().first();
        // A second click stops the preview that plays.
        if (PlayerOpen() && PlayedEditor() == 0 && PlaybackRunning()) {
            StopPlay();
            return;
        }
        preview();
    });
    QObject::connect(&dialog, &QDialog::finished, row, [] {
        if (PlayerOpen() && PlayedEditor() == 0) StopPlay();
    });
}

}  // namespace ob
