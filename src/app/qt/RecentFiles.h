#pragma once
// The most recently used data files, kept in the user's profile under the
// program's organisation name (not in the settings file, which belongs to the
// operator's set-up rather than to the person using it).

#include <QString>
#include <QStringList>

namespace sondrel {

inline constexpr const char* kOrganisationName = "Quorrin";
inline constexpr const char* kApplicationName = "Sondrel";
inline constexpr int kRecentFileCount = 4;

class RecentFiles {
  public:
    // Reads the list from the profile of the organisation and application
    // names set on the running QCoreApplication.
    RecentFiles();

    // Newest first, at most kRecentFileCount.
    const QStringList& files() const { return files_; }
    // Puts the file first (once), drops the oldest beyond the limit, and saves.
    void add(const QString& path);

  private:
    void save() const;
    QStringList files_;
};

}  // namespace sondrel
