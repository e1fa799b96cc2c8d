// The settings store through QSettings.
#include "app/shell_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "script/settings_store.h"

namespace ob {

namespace {
QString StorePath(const QString& folder) {
    return QDir(folder).filePath(kSettingsFileName);
}
}  // namespace

bool ReadShellSettings(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo::exists(StorePath(folder))) return false;
    QSettings settings(StorePath(folder), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return false;
    SettingsStore store;
    for (const QString& key : settings.childKeys()) {
        QVariant value = settings.value(key);
        // A value QSettings splits at commas is joined back as it was.
        QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(',')
                                                                : value.toString();
        store.values[key.toStdString()] = text.toStdString();
    }
    ApplyStoredSettings(store);
    return true;
}

bool WriteShellSettings(const QString& folder) {
    if (folder.isEmpty()) return false;
    if (!QDir().mkpath(folder)) return false;
    QSettings settings(StorePath(folder), QSettings::IniFormat);
    // Recent slots that became empty must not come back from the old file.
    for (int i = 1; i <= kRecentFileCount; ++i) settings.remove(QString("MRU%1").arg(i));
    for (const auto& [name, value] : StoredSettingsValues())
        settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace ob
