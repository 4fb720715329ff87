#include "widgets/UiText.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRegularExpression>
#include <vector>

#include "core/StringTable.h"

namespace vantor::ui {

namespace {

// Messages the core composes from parts, as formats: each is looked up like a table format.
// Patterns with more conversions come before those they would also match.
constexpr const char *kComposedMessages[] = {
    "Device settings are now kept in the new file %s\n",
    "A %s was plugged in, but the %s is selected: use Programmer > Reconnect to work with it\n",
    "File Start must be a hexadecimal number from %X to %X.",
    "%s\nBuffer Start must be a hexadecimal number from %X to %X.",
    "Buffer Start Address must be a hexadecimal number from %X to %X.",
    "Data Size must be a hexadecimal number from %X to %X: the range ends at the end of the buffer.",
    "No device of the type %s has \"%s\" in its name. Shorten the search text or choose the type All.",
    "No device of the type %s. Shorten the search text or choose the type All.",
    "No device has \"%s\" in its name. Shorten the search text or choose the type All.",
    "%s refused: the configuration file %s is missing or damaged, so there is no configuration to write. "
    "Nothing was written; reinstall the application.",
    "%s failed: the bytes written could not be read back (%s)",
    "%s failed: byte %d reads back %2.2X, %2.2X was written (bits %2.2X differ)",
    "%s failed: no device selected",
    "%s failed: memory area %d of the device (0x%X bytes at 0x%X) lies outside the buffer",
    "%s failed at the start of %s: %s",
    "memory area %d",
    "Reading the device ID failed: %s",
    "Verify failed at address 0x%X: %s",
    "Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X",
    "Blank check failed at address 0x%X: %s",
    "Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X\n",
    "Write Cal. Byte failed: address 0x%X is outside the device's memory",
    "Write Cal. Byte failed: %s (address 0x%X)",
};

// A choice of the configuration as the lock-out warnings list it: "[x] RSTDISBL: ...",
// "(*) Mode 3: ...", "CKSEL = External clock (0000)".
QString choiceText(const QString &line) {
    for (const char *mark : {"[x] ", "[ ] ", "(*) "})
        if (line.startsWith(QLatin1String(mark))) return QLatin1String(mark) + uiText(toUtf8(line.mid(4)));
    const qsizetype equals = line.indexOf(QLatin1String(" = "));
    if (equals > 0)
        return uiText(toUtf8(line.left(equals))) + QLatin1String(" = ") + uiText(toUtf8(line.mid(equals + 3)));
    return line;
}

// printf conversions ("%s", "%8.8XH", "%2.2d") in a format.
const QRegularExpression &conversion() {
    static const QRegularExpression re(QStringLiteral("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?([sdiuxXc])"));
    return re;
}

struct Format {
    std::string source;
    QRegularExpression whole;  // the format with each conversion as a group
};

// Formats of the string table, the engine's progress texts and the composed messages: a
// formatted message is translated through its format, its values carried over.
const std::vector<Format> &formats() {
    static const std::vector<Format> list = [] {
        std::vector<std::string> sources(std::begin(kComposedMessages), std::end(kComposedMessages));
        for (const StringEntry &e : allStrings())
            if (e.text.find('%') != std::string_view::npos && e.text.find('%') > 0) sources.emplace_back(e.text);
        for (const char *extra : {"Programming [%s]...", "Reading [%s]...", "Verifying [%s]...",
                                  "Blank Checking [%s]...", "Elapsed Time: %d.%2.2dS"})
            sources.emplace_back(extra);
        std::vector<Format> f;
        for (const std::string &source : sources) {
            const QString text = fromUtf8(source);
            QString pattern = QStringLiteral("^");
            qsizetype at = 0;
            for (auto m = conversion().globalMatch(text); m.hasNext();) {
                const auto c = m.next();
                pattern += QRegularExpression::escape(text.mid(at, c.capturedStart() - at));
                const QChar type = c.captured(1).at(0);
                pattern += type == QLatin1Char('s') || type == QLatin1Char('c')   ? QStringLiteral("(.*?)")
                           : type == QLatin1Char('x') || type == QLatin1Char('X') ? QStringLiteral("([0-9A-Fa-f]+)")
                                                                                  : QStringLiteral("(\\s*-?[0-9]+)");
                at = c.capturedEnd();
            }
            pattern += QRegularExpression::escape(text.mid(at)) + QStringLiteral("$");
            f.push_back({source, QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)});
        }
        return f;
    }();
    return list;
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
    // A whole formatted message: its format translated, each value in turn (a text value, such
    // as a model name, translated too).
    for (const Format &format : formats()) {
        const auto m = format.whole.match(original);
        if (!m.hasMatch()) continue;
        const QString f = QCoreApplication::translate("Strings", format.source.c_str());
        QString out;
        qsizetype at = 0;
        int value = 0;
        for (auto c = conversion().globalMatch(f); c.hasNext();) {
            const auto conv = c.next();
            const QString captured = m.captured(++value);
            out += f.mid(at, conv.capturedStart() - at) +
                   (conv.captured(1) == QLatin1String("s") ? uiText(toUtf8(captured)) : captured);
            at = conv.capturedEnd();
        }
        return out + f.mid(at);
    }
    // The start of one ("Load File: " and a path still to come) takes its format's prefix.
    for (const Format &format : formats()) {
        const std::string prefix = format.source.substr(0, format.source.find('%'));
        if (prefix.empty() || source.compare(0, prefix.size(), prefix) != 0) continue;
        const QString f = QCoreApplication::translate("Strings", format.source.c_str());
        return f.left(f.indexOf(QLatin1Char('%'))) + fromUtf8(english.substr(prefix.size()));
    }
    // Labels that lead a value ("File Format: IntelHEX").
    for (const StringEntry &e : allStrings()) {
        if (e.text.size() < 3 || !e.text.ends_with(": ") || !english.starts_with(e.text)) continue;
        const std::string label(e.text);
        return QCoreApplication::translate("Strings", label.c_str()) + uiText(english.substr(label.size()));
    }
    // A message of several lines, each its own text (the lock-out warnings): line by line, the
    // indentation kept.
    if (original.contains(QLatin1Char('\n'))) {
        QStringList lines = original.split(QLatin1Char('\n'));
        for (QString &line : lines) {
            const qsizetype text = line.indexOf(QRegularExpression(QStringLiteral("\\S")));
            if (text < 0) continue;
            const QString body = line.mid(text), translated = uiText(toUtf8(body));
            line = line.left(text) + (translated != body ? translated : choiceText(body));
        }
        return lines.join(QLatin1Char('\n'));
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
