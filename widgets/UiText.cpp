#include "widgets/UiText.h"

#include <QCoreApplication>

#include "core/StringTable.h"

namespace vantor::ui {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string toUtf8(const QString &text) { return text.toUtf8().toStdString(); }

QString uiText(std::string_view english) {
    const std::string source(english);
    const QString translated = QCoreApplication::translate("Strings", source.c_str());
    return translated;
}

QString uiString(int id) { return uiText(loadString(id)); }

}  // namespace vantor::ui
