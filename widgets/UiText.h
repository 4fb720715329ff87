#pragma once
#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "core/Colour.h"

class QDialogButtonBox;

namespace vantor::ui {

// Texts of the core arrive as UTF-8 English; the translation of the running language is
// looked up by the whole text (context "Strings"), so string-table entries and engine
// literals are translated in one place.
QString uiText(std::string_view english);
// A string-table entry by id, translated.
QString uiString(int id);
QString fromUtf8(std::string_view text);
// OK, Cancel and Close of a button box in the running language, with mnemonics (Qt's own
// translations are not always installed).
void translateButtons(QDialogButtonBox *box);
std::string toUtf8(const QString &text);

inline QColor toQColor(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

}  // namespace vantor::ui
