#pragma once
// The folder of the last firmware file opened, kept between runs in the writer's settings
// file (beside the port assignment), so the open dialog starts where the technician was.

#include <QString>
#include <string>

namespace velmar {

class RecentFolder {
  public:
    // `settingsFile`: the settings file in INI form.
    explicit RecentFolder(QString settingsFile);

    // "" when none was kept, or the file cannot be read safely.
    std::string load() const;
    // Keeps the folder of `filePath`.
    void rememberFileIn(const std::string& filePath);

  private:
    QString file_;
};

}  // namespace velmar
