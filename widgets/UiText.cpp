#include "widgets/UiText.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
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
    // Table entries padded with blanks for the information window ("Blank      ") are also
    // shown trimmed (the operation selector).
    for (const StringEntry &e : allStrings()) {
        const std::string_view table = e.text;
        if (table.size() > source.size() && table.substr(0, source.size()) == source &&
            table.find_first_not_of(' ', source.size()) == std::string_view::npos) {
            const std::string padded(table);
            return QCoreApplication::translate("Strings", padded.c_str()).trimmed();
        }
    }
    for (const std::string &format : formatTexts()) {
        const std::string prefix = format.substr(0, format.find('%'));
        if (source.compare(0, prefix.size(), prefix) != 0) continue;
        const QString f = QCoreApplication::translate("Strings", format.c_str());
        return f.left(f.indexOf(QLatin1Char('%'))) + fromUtf8(english.substr(prefix.size()));
    }
    // Labels that lead a value ("File Format: IntelHEX").
    for (const StringEntry &e : allStrings()) {
        if (e.text.size() < 3 || !e.text.ends_with(": ") || !english.starts_with(e.text)) continue;
        const std::string label(e.text);
        return QCoreApplication::translate("Strings", label.c_str()) + uiText(english.substr(label.size()));
    }
    return original;
}

QString uiString(int id) { return uiText(loadString(id)); }

void translateButtons(QDialogButtonBox *box) {
    const std::pair<QDialogButtonBox::StandardButton, const char *> names[] = {
        {QDialogButtonBox::Ok, QT_TRANSLATE_NOOP("vantor::ui::Buttons", "&OK")},
        {QDialogButtonBox::Cancel, QT_TRANSLATE_NOOP("vantor::ui::Buttons", "&Cancel")},
        {QDialogButtonBox::Close, QT_TRANSLATE_NOOP("vantor::ui::Buttons", "&Close")}};
    for (const auto &[which, text] : names)
        if (QPushButton *b = box->button(which)) b->setText(QCoreApplication::translate("vantor::ui::Buttons", text));
}

}  // namespace vantor::ui
