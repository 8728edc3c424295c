#pragma once
// The window's remembered language, kept in the settings file beside the port assignments.

#include <QString>
#include <string>
#include <utility>

namespace velmar {

class QtLanguageSetting {
  public:
    // The user's settings file.
    QtLanguageSetting() = default;
    // A given file, for tests.
    explicit QtLanguageSetting(QString file) : file_(std::move(file)) {}

    // The saved language code; "" when none is saved or the file cannot be read.
    std::string load() const;
    bool save(const std::string& code);

  private:
    QString file_;  // empty: the user's default
};

}  // namespace velmar
