#include "widgets/UiText.h"

#include <QCoreApplication>
#include <vector>

#include "core/StringTable.h"

namespace vantor::ui {

namespace {

// Formats whose text before the first conversion is looked up when a formatted message has no
// translation of its own ("Load File: /home/a.hex" takes its prefix from "Load File: %s\n").
const std::vector<std::string> &formatTexts() {
    static const std::vector<std::string> formats = [] {
        std::vector<std::string> f;
        for (const StringEntry &e : allStrings())
            if (e.text.find('%') != std::string_view::npos && e.text.find('%') > 0) f.emplace_back(e.text);
        for (const char *extra : {"Programming [%s]...", "Reading [%s]...", "Verifying [%s]...", "Blank Checking [%s]...",
                                  "Elapsed Time: %d.%2.2dS"})
            f.emplace_back(extra);
        return f;
    }();
    return formats;
}

}  // namespace

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string toUtf8(const QString &text) { return text.toUtf8().toStdString(); }

QString uiText(std::string_view english) {
    const QString original = fromUtf8(english);
    if (english.empty()) return original;
    const std::string source(english);
    const QString translated = QCoreApplication::translate("Strings", source.c_str());
    if (translated != original) return translated;
    // Without a translation installed every text stays as it is.
    if (QCoreApplication::translate("Strings", "Disconnect mode") == QLatin1String("Disconnect mode")) return original;
    for (const std::string &format : formatTexts()) {
        const std::string prefix = format.substr(0, format.find('%'));
        if (source.compare(0, prefix.size(), prefix) != 0) continue;
        const QString f = QCoreApplication::translate("Strings", format.c_str());
        return f.left(f.indexOf(QLatin1Char('%'))) + fromUtf8(english.substr(prefix.size()));
    }
    return original;
}

QString uiString(int id) { return uiText(loadString(id)); }

}  // namespace vantor::ui
