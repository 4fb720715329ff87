#pragma once
// Opens every dialog of the desktop program in turn, each filled as a user would see it, and
// hands it to a visitor before closing it: the screenshots and the translation check walk the
// same dialogs.
#include <QString>
#include <functional>

class QWidget;

namespace vantor::ui {

class DesktopApp;

// `visit` gets each window while it is shown; its name is the picture's file name.
// Returns the names of dialogs that could not be opened (a device missing from the library).
QStringList tourDialogs(DesktopApp &app, const std::function<void(QWidget *, const QString &name)> &visit);

// Visible texts of `window` and its menus (labels, buttons, titles, list and tab entries,
// accessible names) in which an English word is left: a run of two or more letters with a
// lower-case one, other than names that are not translated (Vantor, Intel Hex, ...).
QStringList untranslatedTexts(QWidget *window);
// The texts of `texts` in which such an English word is left.
QStringList englishLeftIn(const QStringList &texts);

}  // namespace vantor::ui
