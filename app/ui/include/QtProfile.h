#pragma once
// The per-user settings of the workstation kept by QSettings under the company
// "Ostrel" and the application "KR70" (~/.config/Ostrel/KR70.conf).
#include "Profile.h"

#include <QSettings>

namespace kr70::ui {

class QtProfile final : public Profile {
 public:
  QtProfile() : settings_("Ostrel", "KR70") {}
  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback) override {
    return settings_.value(path(section, key), QString::fromStdString(fallback)).toString().toStdString();
  }
  int32_t getInt(const std::string& section, const std::string& key, int32_t fallback) override {
    bool ok = false;
    const int value = settings_.value(path(section, key), fallback).toInt(&ok);
    return ok ? value : fallback;
  }
  void setString(const std::string& section, const std::string& key, const std::string& value) override {
    settings_.setValue(path(section, key), QString::fromStdString(value));
  }
  void setInt(const std::string& section, const std::string& key, int32_t value) override {
    settings_.setValue(path(section, key), value);
  }

 private:
  static QString path(const std::string& section, const std::string& key) {
    return QString::fromStdString(section + "/" + key);
  }
  QSettings settings_;
};

}  // namespace kr70::ui
