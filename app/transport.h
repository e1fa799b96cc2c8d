// Playback in the windowed shell: the audio commands of the command table
// (Play, Play Looped, Play Affect, Stop Play, Record and Record Prefs, Play
// Prefs, the Scrub mode, MIDI Keyboard), the Transport toolbar, the play
// position line driven by a 50 ms timer, and the end of a playback (the
// playback thread posts it; the main thread closes the player).
#pragma once

#include <QObject>
#include <QTimer>
#include <vector>

#include "app/command_table.h"

namespace ob {

class MainFrame;

// Gives the audio rows of the table their handlers (called once while the
// table is built).
void InstallAudioCommands(std::vector<Command>& table);

// The play position line of the played editor, every 50 ms while the player
// is open; the line goes when the playback stops.
class PlayPositionTimer : public QObject {
    Q_OBJECT
  public:
    explicit PlayPositionTimer(QObject* parent);
    ~PlayPositionTimer() override;
    static PlayPositionTimer* Instance();
    // One tick now (tests, and right after a play command).
    void Tick();
    // The playback thread said the last buffer has played.
    void PlaybackEnded();

  signals:
    void playbackStateChanged();

  private:
    QTimer timer_;
    int shownEditor_ = 0;
    bool wasOpen_ = false;
};

// Start-up: the Transport toolbar, edit-and-play, the position timer, the
// end-of-playback notice and "orbick.play" of the settings folder.
void StartTransport(MainFrame* frame);

}  // namespace ob
