#include "app/qt/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace sondrel {

namespace {
const QString kGroup = QStringLiteral("Recent File List");
QString key(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}
}  // namespace

RecentFiles::RecentFiles() {
    QSettings profile;
    profile.beginGroup(kGroup);
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString file = profile.value(key(i)).toString();
        if (!file.isEmpty() && !files_.contains(file)) files_.append(file);
    }
}

void RecentFiles::add(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kRecentFileCount) files_.removeLast();
    save();
}

void RecentFiles::save() const {
    QSettings profile;
    profile.beginGroup(kGroup);
    for (int i = 0; i < kRecentFileCount; ++i) {
        if (i < files_.size())
            profile.setValue(key(i), files_[i]);
        else
            profile.remove(key(i));
    }
}

}  // namespace sondrel
