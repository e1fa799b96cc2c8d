// The SMDI dialogs against orbick-sampler-sim --smdi over the SCSI socket
// (ORBICK_SCSI_SOCKET), offscreen: the bus scan lists the simulated sampler
// and puts its address into the fields, the "Sampler Transfer" dialog shows
// the SMDI controls for an SMDI preset, a receive through "Receive: SMDI"
// fills a new editor with the sampler's words, and without pass-through the
// type's dialog is not shown and the message says why.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <vector>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/sampler_dialogs.h"
#include "app/shell_startup.h"
#include "app/smdi_dialog.h"
#include "base/dialog_guard.h"
#include "sampler/sampler_preset.h"
#include "sampler/sampler_types.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;
using shelltest::TempFolder;
using shelltest::TestUi;

namespace {

// The simulated SMDI sampler at target 2.
class SmdiSimulator {
  public:
    bool Start(const QString& folder, const QStringList& extra = {}) {
        socket = folder + "/scsi.sock";
        store = folder + "/store";
        QDir().mkpath(store);
        process.start(
            ORBICK_SAMPLER_SIM,
            QStringList{"--smdi", "--listen", socket, "--store", store, "--target", "2"} + extra);
        if (!process.waitForStarted(5000)) return false;
        for (int i = 0; i < 50 && !process.canReadLine(); ++i) process.waitForReadyRead(100);
        if (process.readLine().trimmed() != "listening") return false;
        setenv("ORBICK_SCSI_SOCKET", socket.toLocal8Bit().constData(), 1);
        return true;
    }
    ~SmdiSimulator() {
        unsetenv("ORBICK_SCSI_SOCKET");
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
    }
    // The words of a held sample (after the six header lines).
    std::vector<long> Words(int number) const {
        std::vector<long> words;
        QFile f(store + QString("/sample_%1.txt").arg(number));
        if (!f.open(QIODevice::ReadOnly)) return words;
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        for (int i = 6; i < lines.size(); ++i) words.push_back(lines[i].toLong());
        return words;
    }
    QString socket, store;
    QProcess process;
};

QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; list && i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}

}  // namespace

class SmdiWindowTest : public QObject {
    Q_OBJECT
  private:
    MainFrame* frame_ = nullptr;
    TestUi* ui_ = nullptr;
    TempFolder temp_;

  private slots:
    void init() {
        frame_ = shelltest::Start(temp_.path);
        ui_ = new TestUi(frame_);
        SetUserInterface(ui_);
    }
    void cleanup() {
        StopShell(frame_);
        frame_ = nullptr;
        delete ui_;
        ui_ = nullptr;
        unsetenv("ORBICK_SCSI_SOCKET");
        gSamplerType = kSamplerSds12;
        gSamplerDynamicDialog = true;
        gCurrentSamplerPreset = BuiltInSamplerPreset(0);
        SetDialogInUse(kDialogSamplerTransfer, false);
    }

    void scanFindsTheSamplerAndFillsTheAddress() {
        SmdiSimulator sim;
        QVERIFY(sim.Start(temp_.path));
        WaveRecord wave;
        InitTransferContext(gTransfer, &wave);
        QVERIFY(SetupSamplerType(gTransfer, kSamplerSmdi) == 0);
        gTransfer.words[kWordLayer] = 6;
        gTransfer.channel() = 3;
        gTransfer.messageFlags() = kMessageQuiet;
        SmdiParamWindow dialog(frame_, 1, gTransfer);
        QCOMPARE(dialog.windowTitle(), QString("Receive: SMDI"));
        QCOMPARE(Rows(dialog.Controls()->Devices()),
                 QStringList{" 0  2  SIMULATESMDI SAMPLER    1.0"});
        QCOMPARE(dialog.findChild<QSpinBox*>("deviceId")->value(), 2);
        QCOMPARE(dialog.findChild<QSpinBox*>("hostAdapter")->value(), 0);
        QVERIFY(!dialog.findChild<QCheckBox*>("verbose")->isChecked());  // quiet shows unchecked
        dialog.findChild<QSpinBox*>("soundNumber")->setValue(31999);
        dialog.findChild<QSpinBox*>("lun")->setValue(1);
        dialog.findChild<QCheckBox*>("verbose")->setChecked(true);
        dialog.accept();
        QCOMPARE(gTransfer.sampleNumber(), 31999);
        QCOMPARE(gTransfer.words[kWordLayer], 2);
        QCOMPARE(gTransfer.words[kWordInstrument], 1);
        QCOMPARE(gTransfer.channel(), 0);
        QCOMPARE(gTransfer.messageFlags() & int32_t(kMessageQuiet), 0);
        SmdiParamWindow send(frame_, 0, gTransfer);
        QCOMPARE(send.windowTitle(), QString("Send: SMDI"));
    }

    void transferDialogShowsTheSmdiControlsForAnSmdiPreset() {
        SmdiSimulator sim;
        QVERIFY(sim.Start(temp_.path));
        frame_->NewWave();
        WaveRecord* wave = frame_->Editors().front()->Record();
        InitTransferContext(gTransfer, wave);
        TransferDialogState state;
        QVERIFY(BeginTransferDialog(state, 0, *wave));
        {
            SamplerTransferDialog dialog(frame_, state);
            dialog.ChoosePreset(4);  // "E-Mu E4 on SMDI device 2"
            QCOMPARE(state.selectedType, int32_t(kSamplerSmdi));
            QVERIFY(dialog.findChild<QRadioButton*>("radio7721")->isChecked());
            QVERIFY(dialog.Smdi()->isVisibleTo(&dialog));
            QCOMPARE(Rows(dialog.Smdi()->Devices()).size(), 1);
            QCOMPARE(dialog.Smdi()->findChild<QSpinBox*>("deviceId")->value(), 2);
            QCOMPARE(dialog.Smdi()->findChild<QSpinBox*>("soundNumber")->value(), 1);
        }
        EndTransferDialog();
    }

    void receiveThroughTheOwnDialogFillsANewEditor() {
        SmdiSimulator sim;
        QVERIFY(
            sim.Start(temp_.path, {"--tone", "3:700:22050:2:100:400:1", "--packet-length", "999"}));
        frame_->CloseAllEditors();
        gSamplerDynamicDialog = false;  // Receive opens the type's own dialog
        gSamplerType = kSamplerSmdi;
        QString title;
        QStringList rows;
        bool driven = false;
        QTimer poll, late;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d || driven || d->objectName() != "smdiParamDialog") return;
            driven = true;
            title = d->windowTitle();
            rows = Rows(d->findChild<QListWidget*>("devicesFound"));
            if (auto* n = d->findChild<QSpinBox*>("soundNumber")) n->setValue(3);
            if (auto* ok = d->findChild<QPushButton*>("ok"))
                ok->click();
            else
                d->reject();
        });
        // Nothing may be left open: any other modal dialog is rejected late.
        connect(&late, &QTimer::timeout, this, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
        });
        poll.start(20);
        QTimer::singleShot(20000, &late, [&late] { late.start(50); });
        frame_->RunCommand(40006);
        poll.stop();
        late.stop();
        QVERIFY(driven);
        QCOMPARE(title, QString("Receive: SMDI"));
        QCOMPARE(rows.size(), 1);
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QVERIFY(WaveHasData(record));
        QCOMPARE(record->frameCount, 700u);
        QVERIFY(record->rightSamples != nullptr);
        std::vector<long> words = sim.Words(3);
        QCOMPARE(words.size(), size_t(1400));
        for (size_t f = 0; f < 700; ++f)
            if (record->leftSamples[f] != float(words[2 * f]) / 32768.0f ||
                record->rightSamples[f] != float(words[2 * f + 1]) / 32768.0f)
                QFAIL(qPrintable(QString("frame %1 differs").arg(f)));
        QCOMPARE(record->sustainLoopId, 0);
        QVERIFY(record->loops && record->loops->start == 100 && record->loops->end == 400 &&
                record->loops->type == 1);
    }

    void withoutPassThroughTheDialogIsNotShown() {
        if (!QDir("/dev").entryList({"sg*"}, QDir::System).isEmpty())
            QSKIP("this machine has generic SCSI devices");
        frame_->NewWave();
        WaveRecord wave;
        InitTransferContext(gTransfer, &wave);
        SmdiParamWindow dialog(frame_, 0, gTransfer);
        QVERIFY(dialog.findChild<QLabel*>("smdiUnavailable")->isVisibleTo(&dialog));
        QVERIFY(!dialog.Controls()->PassThrough());
        QVERIFY(Rows(dialog.Controls()->Devices()).isEmpty());
    }
};

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    SmdiWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "smdi_window_tests.moc"
