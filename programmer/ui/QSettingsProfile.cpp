#include "programmer/ui/QSettingsProfile.h"

#include "widgets/UiText.h"

namespace vantor::ui {

namespace {
QString keyOf(std::string_view section, std::string_view key) { return fromUtf8(section) + '/' + fromUtf8(key); }
}  // namespace

QSettingsProfile::QSettingsProfile()
    : settings_(std::make_unique<QSettings>(QStringLiteral("TarvikTech"), QStringLiteral("Vantor"))) {}

QSettingsProfile::QSettingsProfile(const QString &iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

int QSettingsProfile::readInt(std::string_view section, std::string_view key, int defaultValue) {
    const QVariant v = settings_->value(keyOf(section, key));
    if (!v.isValid()) return defaultValue;
    bool ok = false;
    const int value = v.toString().trimmed().toInt(&ok, 0);
    return ok ? value : defaultValue;  // text that is not a number counts as absent
}

std::string QSettingsProfile::readString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) {
    const QVariant v = settings_->value(keyOf(section, key));
    return v.isValid() ? toUtf8(v.toString()) : std::string(defaultValue);
}

void QSettingsProfile::writeInt(std::string_view section, std::string_view key, int value) {
    settings_->setValue(keyOf(section, key), value);
}

void QSettingsProfile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    settings_->setValue(keyOf(section, key), fromUtf8(value));
}

}  // namespace vantor::ui
