#pragma once
// The name QSerialPort is handed for a device path. Qt takes a bare relative name ("st/r1") for
// one under /dev, and names files in UTF-8, so a path whose bytes are not UTF-8 cannot reach it
// as given: that one goes through a symbolic link with a plain name in a private folder, which
// lasts as long as this object (the port needs it only while opening).

#include <QString>
#include <string>

namespace velmar {

class QtPortName {
  public:
    explicit QtPortName(const std::string& device);
    ~QtPortName();
    QtPortName(const QtPortName&) = delete;
    QtPortName& operator=(const QtPortName&) = delete;

    const QString& name() const { return name_; }

  private:
    QString name_;
    std::string link_;    // "" without a link
    std::string folder_;  // the link's folder
};

}  // namespace velmar
