// The MIDI keyboard window: an on-screen keyboard that plays the active
// editor's sound pitched by the key's distance from the key map's root key
// (keys outside low..high stay silent and are drawn greyed). A held key
// sustains in the sustain loop; letting go plays on through the release
// loop or the tail. The computer keyboard plays too (Z S X D C ... for the
// octave of the root key, Q 2 W 3 E ... the octave above), and so does an
// ALSA sequencer input port ("Sample Orbick:Keyboard") that other programs
// connect to.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QScrollArea;

namespace ob {

class EditorWindow;
class MainFrame;
class NoteInputPort;
struct WaveRecord;

// The keys 0..127, white keys in a row with black keys over them.
class PianoKeys : public QWidget {
    Q_OBJECT
  public:
    explicit PianoKeys(QWidget* parent);
    // What the keys show: the key range and root of the sound, the held key.
    void ShowKeyMap(int low, int high, int root);
    void SetHeld(int key);
    int KeyAt(QPointF pos) const;
    QRect KeyRect(int key) const;
    QSize sizeHint() const override;

  signals:
    void pressed(int key);
    void released(int key);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int low_ = 0, high_ = 127, root_ = 60, held_ = -1;
    int mouseKey_ = -1;
};

class KeyboardWindow : public QWidget {
    Q_OBJECT
  public:
    explicit KeyboardWindow(QWidget* parent);
    ~KeyboardWindow() override;
    static KeyboardWindow* Instance();

    // A key went down: the active editor's sound plays at the key's pitch.
    // Returns the play result (kNoteOutsideKeyRange for keys outside the
    // key range, kPlayBadRange without a sound).
    int NoteOn(int key);
    // A key came up: the held note goes on to its release.
    void NoteOff(int key);
    int HeldKey() const { return held_; }
    PianoKeys* Keys() const { return keys_; }
    // The sequencer address of the input port, "" without one.
    QString InputAddress() const;
    // Shows the active editor's key map.
    void RefreshKeyMap();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    WaveRecord* ActiveRecord() const;
    int KeyForText(const QString& text) const;

    PianoKeys* keys_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* sound_ = nullptr;
    QLabel* input_ = nullptr;
    std::unique_ptr<NoteInputPort> port_;
    int held_ = -1;
};

// MIDI Keyboard (40920): shows the one keyboard window.
void OpenKeyboardWindow(MainFrame* frame, EditorWindow* editor);

}  // namespace ob
