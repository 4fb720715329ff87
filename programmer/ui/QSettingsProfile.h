#pragma once
#include <QSettings>
#include <memory>

#include "core/Profile.h"

namespace vantor::ui {

// The settings store of the desktop program: QSettings("TarvikTech", "Vantor"), which is the
// registry key on Windows and ~/.config/TarvikTech/Vantor.conf on Linux (shared with the CLI).
class QSettingsProfile : public Profile {
public:
    QSettingsProfile();                                 // the per-user store
    explicit QSettingsProfile(const QString &iniFile);  // a given INI file (tests)

    int readInt(std::string_view section, std::string_view key, int defaultValue) override;
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) override;
    void writeInt(std::string_view section, std::string_view key, int value) override;
    void writeString(std::string_view section, std::string_view key, std::string_view value) override;
    void sync() { settings_->sync(); }
    QString fileName() const { return settings_->fileName(); }

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace vantor::ui
