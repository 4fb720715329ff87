#include "programmer/ui/DialogTour.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>
#include <QTextDocument>
#include <QTimer>

#include "buffer/ui/EditBufferDialog.h"
#include "buffer/ui/FileDialogs.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceLibrary.h"
#include "devices/ui/DeviceDialogs.h"
#include "devices/ui/DeviceInfoDialog.h"
#include "programmer/Application.h"
#include "programmer/ProgrammerModels.h"
#include "programmer/ui/ConnectDialog.h"
#include "programmer/ui/DesktopApp.h"
#include "programmer/ui/MainWindow.h"
#include "programmer/ui/ProgressDialog.h"
#include "programmer/ui/QtServices.h"
#include "widgets/UiText.h"

namespace vantor::ui {

namespace {

void showAndVisit(QWidget *w, const QString &name, const std::function<void(QWidget *, const QString &)> &visit) {
    w->show();
    QApplication::processEvents();
    visit(w, name);
    w->hide();
}

// Tool dialogs run modally: visit the one `open` starts, then cancel it.
void visitModal(const QString &name, const std::function<void()> &open,
                const std::function<void(QWidget *, const QString &)> &visit) {
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!d) return;
        QApplication::processEvents();
        visit(d, name);
        d->reject();
    });
    open();
}

}  // namespace

QStringList tourDialogs(DesktopApp &app, const std::function<void(QWidget *, const QString &name)> &visit) {
    QStringList missing;
    MainWindow *w = app.window();
    Document &doc = w->document();
    Application &a = app.app();
    const auto artbank = a.programDirectory() / Artbank::defaultPath().filename();

    SelectDeviceDialog select(doc.library(), a.profile(), artbank, w, doc.hasDevice() ? &doc.device() : nullptr);
    if (select.opened()) showAndVisit(&select, QStringLiteral("select-device"), visit);
    else missing << QStringLiteral("select-device");

    QtPrompt prompt(w);
    auto find = [&](const char *device, DeviceRecord &r) {
        return doc.library().FindDevice(std::uint16_t(device[0] == 'P' ? 48 : 10), device, r);
    };
    const std::pair<const char *, const char *> configs[] = {
        {"config-avr", "ATmega328P"}, {"config-pic", "PIC16F628A"}, {"config-8051", "AT89S52"}};
    for (const auto &[name, device] : configs) {
        DeviceRecord r;
        std::unique_ptr<ConfigDeviceDialog> config;
        if (find(device, r))
            config = std::make_unique<ConfigDeviceDialog>(
                doc.library().libraryDirectory() / "cfg" / (std::string(r.config_name) + ".cfg"), r, prompt, w);
        if (!config || !config->opened()) {
            missing << QLatin1String(name);
            continue;
        }
        // The page with the most choices: the clock of an AVR (second page), the oscillator of a PIC.
        config->tabs()->setCurrentIndex(device[0] == 'A' && device[2] == 'm' ? 1 : 0);
        showAndVisit(config.get(), QLatin1String(name), visit);
    }
    const std::pair<const char *, const char *> infos[] = {{"device-info-avr", "ATmega328P"},
                                                           {"device-info-pic", "PIC16F84A"}};
    for (const auto &[name, device] : infos) {
        DeviceRecord r;
        if (!find(device, r)) {
            missing << QLatin1String(name);
            continue;
        }
        DeviceInfoDialog info(r, artbank, a.isChinese(), w);
        showAndVisit(&info, QLatin1String(name), visit);
    }

    OptionsRecord options = a.operationOptions();
    std::uint8_t items[kAutoListSize];
    std::copy(a.autoItems().begin(), a.autoItems().end(), items);
    OperateSettingsDialog settings(doc.device(), options, items, doc.loadedFile().has_value(), prompt, w);
    showAndVisit(&settings, QStringLiteral("operate-settings"), visit);

    EditorSettings editorSettings;
    EditBufferDialog edit(doc.buffer(), BufferEditor::areasOf(doc.device()), editorSettings, false, prompt, w);
    showAndVisit(&edit, QStringLiteral("edit-buffer"), visit);
    edit.show();
    visitModal(
        QStringLiteral("edit-buffer-goto"), [&] { edit.gotoTool(); }, visit);
    visitModal(
        QStringLiteral("edit-buffer-copy"), [&] { edit.copyTool(); }, visit);
    visitModal(
        QStringLiteral("edit-buffer-fill"), [&] { edit.fillTool(); }, visit);
    visitModal(
        QStringLiteral("edit-buffer-and"), [&] { edit.combineTool(LogicOp::And); }, visit);
    visitModal(
        QStringLiteral("edit-buffer-or"), [&] { edit.combineTool(LogicOp::Or); }, visit);
    visitModal(
        QStringLiteral("edit-buffer-xor"), [&] { edit.combineTool(LogicOp::Xor); }, visit);
    edit.hide();

    const QString sample = doc.loadedFile() ? fromUtf8(doc.loadedFile()->path.string()) : QStringLiteral("blink.hex");
    LoadSettings load;
    load.format = formatForLoad(toUtf8(sample));
    LoadFileDialog loadDialog(sample, load, doc.deviceDataSize(), w);
    showAndVisit(&loadDialog, QStringLiteral("load-file"), visit);
    SaveFileDialog saveDialog(QStringLiteral("copy.hex"), doc.saveDialogSettings("copy.hex"), w);
    showAndVisit(&saveDialog, QStringLiteral("save-file"), visit);

    ConnectDialog connect(false, ConnectDialog::listedModels(a), kModelTR610, nullptr, w);
    showAndVisit(&connect, QStringLiteral("connect"), visit);
    return missing;
}

QStringList untranslatedTexts(QWidget *window) {
    QStringList texts{window->windowTitle()};
    auto addMenu = [&texts](auto &self, QMenu *menu) -> void {
        texts << menu->title();
        for (QAction *a : menu->actions()) {
            texts << a->text() << a->toolTip();
            if (a->menu()) self(self, a->menu());
        }
    };
    // A widget on a tab page counts as shown when it would be with its page chosen.
    auto shown = [window](QWidget *c) {
        for (QWidget *p = c; p && p != window; p = p->parentWidget())
            if (auto *stack = qobject_cast<QStackedWidget *>(p->parentWidget()))
                return c->isVisibleTo(p) && stack->isVisibleTo(window);
        return c->isVisibleTo(window);
    };
    for (QWidget *c : window->findChildren<QWidget *>()) {
        if (!shown(c)) continue;
        texts << c->accessibleName() << c->toolTip();
        if (auto *l = qobject_cast<QLabel *>(c)) {
            QTextDocument doc;
            doc.setHtml(l->text());
            texts << doc.toPlainText();
        } else if (auto *b = qobject_cast<QAbstractButton *>(c)) {
            texts << b->text();
        } else if (auto *g = qobject_cast<QGroupBox *>(c)) {
            texts << g->title();
        } else if (auto *combo = qobject_cast<QComboBox *>(c)) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        } else if (auto *list = qobject_cast<QListWidget *>(c)) {
            for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
        } else if (auto *tabs = qobject_cast<QTabBar *>(c)) {
            for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
        } else if (auto *bar = qobject_cast<QMenuBar *>(c)) {
            for (QAction *a : bar->actions())
                if (a->menu()) addMenu(addMenu, a->menu());
        }
    }
    return englishLeftIn(texts);
}

QStringList englishLeftIn(const QStringList &texts) {
    // Names and units that stay as they are in every language.
    static const QRegularExpression kept(QStringLiteral("\\b(Vantor|Intel "
                                                        "Hex|Motorola|Tektronix|English|Chinese|MHz|kHz|Hz|ms|mA|Ctrl|"
                                                        "Shift|Alt|debugWIRE)\\b|[\\w-]+\\.[A-Za-z0-9]{1,4}\\b"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]*[a-z][A-Za-z]*"));
    QStringList left;
    for (QString t : texts) {
        const QString shown = t;
        t.remove(QLatin1Char('&')).remove(kept);
        // A word that touches a digit is a part or register name (ATmega328P, 0xFF, 16bit is not).
        for (auto m = word.globalMatch(t); m.hasNext();) {
            const auto w = m.next();
            const qsizetype s = w.capturedStart(), e = w.capturedEnd();
            const bool partName = (s > 0 && t[s - 1].isDigit()) || (e < t.size() && t[e].isDigit());
            if (w.capturedLength() >= 2 && !partName) {
                left << shown;
                break;
            }
        }
    }
    left.removeDuplicates();
    return left;
}

}  // namespace vantor::ui
