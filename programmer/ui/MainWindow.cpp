#include "programmer/ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "buffer/ui/FileDialogs.h"
#include "core/StringIds.h"
#include "core/StringTable.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceLibrary.h"
#include "devices/MemoryLayout.h"
#include "devices/SelectDeviceForm.h"
#include "devices/ui/DeviceDialogs.h"
#include "devices/ui/DeviceInfoDialog.h"
#include "programmer/Application.h"
#include "programmer/ProgrammerModels.h"
#include "programmer/ui/ConnectDialog.h"
#include "programmer/ui/ProgressDialog.h"
#include "programmer/ui/QtEngineSink.h"
#include "programmer/ui/SimulatorControl.h"
#include "widgets/InfoView.h"
#include "widgets/UiText.h"
#include "core/Version.h"

namespace vantor::ui {

namespace {

QPixmap statusPixmap(bool online) {
    QPixmap pm(14, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(90, 90, 90));
    p.setBrush(online ? QColor(40, 180, 70) : QColor(0xC0, 0xC0, 0xC0));
    p.drawEllipse(QRectF(1.5, 1.5, 11, 11));
    return pm;
}

QLineEdit *fieldEdit(QWidget *parent, const QString &name, const QString &accessible) {
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    e->setAccessibleName(accessible);
    e->setMinimumWidth(220);
    return e;
}

}  // namespace

MainWindow::MainWindow(MainWindowContext context, QWidget *parent) : QMainWindow(parent), ctx_(std::move(context)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(tr("Vantor - TR600 Series MCU Development Kit"));
    info_ = new InfoView(this);
    info_->setObjectName(QStringLiteral("infoWindow"));
    info_->setAccessibleName(tr("Information window"));
    info_->setChinese(ctx_.app->isChinese());
    infoSink_ = std::make_unique<InfoViewSink>(info_);
    doc_ = std::make_unique<Document>(*ctx_.app, *ctx_.library, *infoSink_, *ctx_.prompt);
    doc_->setRecentFileStore(ctx_.profile);
    sink_ = new QtEngineSink(this);
    doc_->setEngineSink(sink_);
    Document::Hooks hooks;
    if (ctx_.dialogs.saveDeviceSettings)
        hooks.saveDeviceSettings = [this](const DeviceRecord &d) { ctx_.dialogs.saveDeviceSettings(*doc_, d); };
    if (ctx_.dialogs.loadDeviceSettings)
        hooks.loadDeviceSettings = [this](DeviceRecord &d) { ctx_.dialogs.loadDeviceSettings(*doc_, d); };
    if (ctx_.simulator) hooks.deviceApplied = [this](const DeviceRecord &d) { ctx_.simulator->insertChipFor(d); };
    doc_->setHooks(std::move(hooks));

    connect(sink_, &QtEngineSink::operationStarted, this, &MainWindow::operationStarted);
    connect(sink_, &QtEngineSink::operationEnded, this, &MainWindow::operationEnded);
    connect(sink_, &QtEngineSink::operationResult, this, &MainWindow::operationResult);
    connect(sink_, &QtEngineSink::status, this, [this](const QString &text) {
        if (progress_) progress_->setText(text);
        info_->appendText(text.trimmed() + QStringLiteral("\n"), toQColor(colour::StatusPurple), false);
    });
    connect(sink_, &QtEngineSink::step, this, [this] {
        if (progress_) progress_->step();
    });
    connect(sink_, &QtEngineSink::range, this, [this](int n) {
        if (progress_) progress_->setRange(n);
    });
    connect(sink_, &QtEngineSink::messageLine, info_, &InfoView::appendText);
    connect(sink_, &QtEngineSink::bufferWritten, this,
            [this](std::uint32_t first, std::uint32_t last) { doc_->buffer().notifyChanged(first, last); });
    if (ctx_.watcher) {
        connect(ctx_.watcher, &DeviceWatcher::arrived, this, &MainWindow::deviceArrived);
        connect(ctx_.watcher, &DeviceWatcher::removed, this, &MainWindow::deviceRemoved);
    }
    if (ctx_.simulator && ctx_.simulator != ctx_.watcher) {
        connect(ctx_.simulator, &DeviceWatcher::arrived, this, &MainWindow::deviceArrived);
        connect(ctx_.simulator, &DeviceWatcher::removed, this, &MainWindow::deviceRemoved);
    }

    buildActions();
    buildMenus();
    buildToolBar();
    buildCentral();
    rebuildHistory();
    refreshDevicePanel();
    refreshCounters();
    resize(960, 640);
}

MainWindow::~MainWindow() {
    // The engine must not send notices to a sink that is going away.
    if (CProgrammer *p = ctx_.app->programmer()) {
        p->Cancel();
        p->setEnvironment(ctx_.app->engineEnvironment(nullptr, ctx_.prompt));
    }
}

QAction *MainWindow::addCommand(int id, const QString &text, const QKeySequence &shortcut) {
    auto *a = new QAction(text, this);
    a->setObjectName(QStringLiteral("command%1").arg(id));
    a->setData(id);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    actions_[id] = a;
    return a;
}

QAction *MainWindow::action(int commandId) const {
    const auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::buildActions() {
    QStyle *s = style();
    connect(addCommand(cmd::LoadFile, tr("&Load File..."), QKeySequence(Qt::CTRL | Qt::Key_L)), &QAction::triggered,
            this, &MainWindow::chooseAndLoad);
    action(cmd::LoadFile)->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    connect(addCommand(cmd::SaveFile, tr("&Save File..."), QKeySequence(Qt::CTRL | Qt::Key_S)), &QAction::triggered,
            this, &MainWindow::chooseAndSave);
    action(cmd::SaveFile)->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(addCommand(cmd::Exit, tr("Exit(&X)"), QKeySequence(Qt::CTRL | Qt::Key_X)), &QAction::triggered, this,
            &QWidget::close);
    connect(addCommand(cmd::DataBuffer, tr("&Data Buffer"), QKeySequence(Qt::CTRL | Qt::Key_B)), &QAction::triggered,
            this, &MainWindow::editBuffer);
    action(cmd::DataBuffer)->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(addCommand(cmd::ClearInfo, tr("&Clear Info. Window")), &QAction::triggered, info_, &QPlainTextEdit::clear);
    connect(addCommand(cmd::SelectDevice, tr("Select &Device"), QKeySequence(Qt::CTRL | Qt::Key_D)),
            &QAction::triggered, this, &MainWindow::selectDevice);
    action(cmd::SelectDevice)->setIcon(s->standardIcon(QStyle::SP_ComputerIcon));
    connect(addCommand(cmd::Config, tr("&Config")), &QAction::triggered, this, &MainWindow::openConfig);
    action(cmd::Config)->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    connect(addCommand(cmd::Information, tr("&Infomation"), QKeySequence(Qt::CTRL | Qt::Key_I)), &QAction::triggered,
            this, &MainWindow::showDeviceInfo);
    action(cmd::Information)->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));
    connect(addCommand(cmd::Settings, tr("Settings...")), &QAction::triggered, this, &MainWindow::openSettings);
    action(cmd::Settings)->setIcon(s->standardIcon(QStyle::SP_FileDialogListView));
    connect(addCommand(cmd::AutoProgram, tr("Auto Program"), QKeySequence(Qt::Key_F5)), &QAction::triggered, this,
            &MainWindow::runAuto);
    action(cmd::AutoProgram)->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    connect(addCommand(cmd::Reconnect, tr("Re&connect...")), &QAction::triggered, this, &MainWindow::reconnect);
    addCommand(cmd::TestHardware, tr("&Test Hardware..."))->setEnabled(false);
    addCommand(cmd::Upgrade, tr("&Upgrade..."))->setEnabled(false);
    connect(addCommand(cmd::Content, tr("Content(&C)"), QKeySequence::HelpContents), &QAction::triggered, this,
            &MainWindow::showContents);
    connect(addCommand(cmd::About, tr("About(&A)...")), &QAction::triggered, this, &MainWindow::showAbout);
    QAction *english = addCommand(cmd::English, tr("&English"));
    QAction *chinese = addCommand(cmd::Chinese, QStringLiteral("&Chinese (中文)"));
    english->setCheckable(true);
    chinese->setCheckable(true);
    english->setChecked(!ctx_.app->isChinese());
    chinese->setChecked(ctx_.app->isChinese());
    connect(english, &QAction::triggered, this, [this] { setLanguage(Application::Language::English); });
    connect(chinese, &QAction::triggered, this, [this] { setLanguage(Application::Language::Chinese); });
}

void MainWindow::buildMenus() {
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(action(cmd::LoadFile));
    file->addAction(action(cmd::SaveFile));
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Recent Files"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    file->addSeparator();
    file->addAction(action(cmd::Exit));
    rebuildRecent();

    QMenu *buffer = menuBar()->addMenu(tr("&Buffer"));
    buffer->addAction(action(cmd::DataBuffer));
    buffer->addAction(action(cmd::ClearInfo));

    // The Device menu keeps its first four items; the history entries follow them, and the
    // toolbar's Device button drops the same entries.
    deviceMenu_ = menuBar()->addMenu(tr("&Device"));
    deviceMenu_->setObjectName(QStringLiteral("deviceMenu"));
    deviceMenu_->addAction(action(cmd::SelectDevice));
    deviceMenu_->addAction(action(cmd::Config));
    deviceMenu_->addAction(action(cmd::Information));
    deviceMenu_->addSeparator();
    historyMenu_ = new QMenu(uiString(sid::HistoryDevice), this);
    historyMenu_->setObjectName(QStringLiteral("historyMenu"));

    operateMenu_ = menuBar()->addMenu(tr("&Operate"));
    operateMenu_->setObjectName(QStringLiteral("operateMenu"));
    operateMenu_->addAction(action(cmd::Settings));
    operateMenu_->addAction(action(cmd::AutoProgram));
    operateMenu_->addSeparator();

    QMenu *programmer = menuBar()->addMenu(tr("&Programmer"));
    programmer->addAction(action(cmd::Reconnect));
    programmer->addAction(action(cmd::TestHardware));
    programmer->addAction(action(cmd::Upgrade));

    if (ctx_.simulator) {
        QMenu *sim = menuBar()->addMenu(tr("&Simulator"));
        sim->setObjectName(QStringLiteral("simulatorMenu"));
        QAction *unplug = sim->addAction(tr("&Unplug Programmer"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U));
        unplug->setObjectName(QStringLiteral("simUnplug"));
        connect(unplug, &QAction::triggered, ctx_.simulator, &SimulatorControl::unplug);
        for (int code : kListedModels) {
            const ProgrammerModel *m = findModel(code);
            QAction *plug =
                sim->addAction(tr("&Plug In %1").arg(fromUtf8(m->libraryFile.substr(0, m->libraryFile.find('.')))));
            plug->setObjectName(QStringLiteral("simPlug") + QString::number(code, 16).toUpper());
            if (code == ctx_.simulator->modelCode()) plug->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
            connect(plug, &QAction::triggered, ctx_.simulator, [this, code] { ctx_.simulator->plug(code); });
        }
    }

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(action(cmd::Content));
    help->addAction(action(cmd::About));

    // The language menu stands apart at the right end of the menu bar.
    auto *languageMenu = new QMenu(tr("&Language"), this);
    languageMenu->setObjectName(QStringLiteral("languageMenu"));
    languageMenu->addAction(action(cmd::English));
    languageMenu->addAction(action(cmd::Chinese));
    languageButton_ = new QToolButton(menuBar());
    languageButton_->setObjectName(QStringLiteral("languageButton"));
    languageButton_->setText(tr("&Language"));
    languageButton_->setMenu(languageMenu);
    languageButton_->setPopupMode(QToolButton::InstantPopup);
    languageButton_->setAutoRaise(true);
    languageButton_->setAccessibleName(tr("Language"));
    menuBar()->setCornerWidget(languageButton_, Qt::TopRightCorner);
}

void MainWindow::buildToolBar() {
    QToolBar *bar = addToolBar(tr("Commands"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    const std::pair<int, QString> buttons[] = {
        {cmd::LoadFile, tr("Load")},
        {cmd::SaveFile, tr("Save")},
        {cmd::DataBuffer, tr("Edit")},
        {cmd::SelectDevice, tr("Device")},
        {cmd::Config, tr("Config")},
        {cmd::Information, tr("Info.")},
        {cmd::Settings, uiString(sid::ToolbarSettings)},
        {cmd::AutoProgram, tr("Auto")},
    };
    for (const auto &[id, label] : buttons) {
        auto *button = new QToolButton(bar);
        // A style picture smaller than the bar's size would centre the button's contents higher.
        const QIcon icon = action(id)->icon();
        if (icon.actualSize(bar->iconSize()) != bar->iconSize())
            action(id)->setIcon(QIcon(
                icon.pixmap(bar->iconSize()).scaled(bar->iconSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        button->setIconSize(bar->iconSize());
        action(id)->setIconText(label);  // the button shows the short label, the menu the full text
        button->setDefaultAction(action(id));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setObjectName(QStringLiteral("toolButton%1").arg(id));
        button->setAccessibleName(label);
        button->setMinimumWidth(56);
        // Device drops the history, Load the recent files.
        if (id == cmd::SelectDevice) {
            button->setMenu(historyMenu_);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        } else if (id == cmd::LoadFile) {
            button->setMenu(recentMenu_);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
        bar->addWidget(button);
        if (id == cmd::DataBuffer || id == cmd::Settings) bar->addSeparator();
    }
}

QGroupBox *MainWindow::buildDevicePanel(QWidget *parent) {
    auto *box = new QGroupBox(tr("Device"), parent);
    auto *form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    vendor_ = fieldEdit(box, QStringLiteral("vendorField"), tr("Vendor"));
    device_ = fieldEdit(box, QStringLiteral("deviceField"), tr("Device"));
    size_ = fieldEdit(box, QStringLiteral("sizeField"), tr("Size"));
    pins_ = fieldEdit(box, QStringLiteral("pinsField"), tr("Pins"));
    adapter_ = fieldEdit(box, QStringLiteral("adapterField"), tr("Adapter"));
    file_ = fieldEdit(box, QStringLiteral("fileField"), tr("File"));
    const std::pair<int, QLineEdit *> rows[] = {{sid::InfoVendorLabel, vendor_},
                                                {sid::InfoDeviceLabel, device_},
                                                {sid::InfoSizeLabel, size_},
                                                {sid::InfoPinsLabel, pins_},
                                                {sid::InfoAdapterLabel, adapter_}};
    for (const auto &[id, edit] : rows) {
        auto *label = new QLabel(uiString(id).simplified(), box);
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    auto *fileLabel = new QLabel(tr("File :"), box);
    fileLabel->setBuddy(file_);
    form->addRow(fileLabel, file_);
    return box;
}

QGroupBox *MainWindow::buildStatisticsPanel(QWidget *parent) {
    auto *box = new QGroupBox(tr("Statistics"), parent);
    auto *stats = new QGridLayout(box);
    QFont countFont = font();
    countFont.setBold(true);
    countFont.setPointSizeF(countFont.pointSizeF() * 1.3);
    const auto countLabel = [&](const QString &name, const QString &accessible, const QColor &colour) {
        auto *label = new QLabel(box);
        label->setObjectName(name);
        label->setAccessibleName(accessible);
        label->setFont(countFont);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
        return label;
    };
    success_ = countLabel(QStringLiteral("successCount"), tr("Success count"), QColor(0, 0, 0xFF));
    failure_ = countLabel(QStringLiteral("failureCount"), tr("Failure count"), QColor(0xFF, 0, 0));
    auto *reset = new QPushButton(tr("Reset"), box);
    reset->setObjectName(QStringLiteral("resetButton"));
    reset->setAccessibleName(tr("Reset statistics"));
    connect(reset, &QPushButton::clicked, this, &MainWindow::resetCounters);
    stats->addWidget(new QLabel(tr("Success:"), box), 0, 0);
    stats->addWidget(success_, 0, 1);
    stats->addWidget(new QLabel(tr("Failure:"), box), 1, 0);
    stats->addWidget(failure_, 1, 1);
    stats->addWidget(reset, 0, 2, 2, 1, Qt::AlignVCenter);
    stats->setColumnStretch(1, 1);
    return box;
}

QGroupBox *MainWindow::buildOperationPanel(QWidget *parent) {
    auto *box = new QGroupBox(tr("Operation"), parent);
    auto *ops = new QGridLayout(box);
    operationSelector_ = new QComboBox(box);
    operationSelector_->setObjectName(QStringLiteral("operationSelector"));
    operationSelector_->setAccessibleName(tr("Operation"));
    runButton_ = new QPushButton(tr("&Run"), box);
    runButton_->setObjectName(QStringLiteral("runButton"));
    runButton_->setAccessibleName(tr("Run the chosen operation"));
    connect(runButton_, &QPushButton::clicked, this, [this] {
        const QVariant op = operationSelector_->currentData();
        if (op.isValid()) runEntry(op.toInt());
    });
    autoButton_ = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), tr("&Auto Program"), box);
    autoButton_->setObjectName(QStringLiteral("autoButton"));
    autoButton_->setAccessibleName(tr("Auto Program"));
    connect(autoButton_, &QPushButton::clicked, this, &MainWindow::runAuto);
    ops->addWidget(operationSelector_, 0, 0);
    ops->addWidget(runButton_, 0, 1);
    ops->addWidget(autoButton_, 1, 0, 1, 2);
    ops->setColumnStretch(0, 1);
    return box;
}

void MainWindow::buildCentral() {
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralPanel"));
    QGroupBox *panels[] = {buildDevicePanel(central), buildStatisticsPanel(central), buildOperationPanel(central)};
    auto *left = new QVBoxLayout;
    for (QGroupBox *panel : panels) left->addWidget(panel);
    left->addStretch();
    auto *leftWidget = new QWidget(central);
    leftWidget->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftWidget->setMaximumWidth(400);

    auto *splitter = new QSplitter(Qt::Horizontal, central);
    splitter->addWidget(leftWidget);
    splitter->addWidget(info_);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(splitter);
    setCentralWidget(central);

    barIcon_ = new QLabel(this);
    barModel_ = new QLabel(this);
    barModel_->setObjectName(QStringLiteral("infoBarModel"));
    barMode_ = new QLabel(this);
    barMode_->setObjectName(QStringLiteral("infoBarMode"));
    statusBar()->addWidget(barIcon_);
    statusBar()->addWidget(barModel_, 1);
    statusBar()->addPermanentWidget(barMode_);
}

QString MainWindow::infoBarModel() const { return barModel_->text(); }
QString MainWindow::infoBarMode() const { return barMode_->text(); }

void MainWindow::setInfoBar(const ConnectState &state) {
    const QString model = fromUtf8(state.modelName),
                  mode = uiString(state.online ? sid::OnlineMode : sid::DisconnectMode);
    barModel_->setText(model);
    barMode_->setText(mode);
    barIcon_->setPixmap(statusPixmap(state.online));
    // A label's accessible name replaces its text for screen readers: the name carries both.
    barModel_->setAccessibleName(tr("Programmer model: %1").arg(model));
    barMode_->setAccessibleName(tr("Connection mode: %1").arg(mode));
    barIcon_->setAccessibleName(mode);
}

void MainWindow::start() {
    if (!ctx_.app->isDisconnected()) {
        showConnectState(true);
    } else {
        setInfoBar(doc_->connectState());
        QMetaObject::invokeMethod(this, &MainWindow::reconnect, Qt::QueuedConnection);
    }
}

void MainWindow::showConnectState(bool selectDevice) {
    setInfoBar(doc_->showConnectState(selectDevice));
    refreshDevicePanel();
    rebuildHistory();
}

void MainWindow::refreshDevicePanel() {
    const DeviceRecord &d = doc_->device();
    const bool has = doc_->hasDevice();
    vendor_->setText(has ? fromUtf8(d.vendor_name) : QString());
    device_->setText(has ? fromUtf8(d.device_name) : QString());
    size_->setText(has ? fromUtf8(SizeText(d))
                             .replace(QLatin1String("Bytes"), tr("Bytes"))
                             .replace(QLatin1String("Words"), tr("Words"))
                       : QString());
    pins_->setText(has ? (d.pin_count ? QString::number(d.pin_count) : QStringLiteral("---")) : QString());
    adapter_->setText(has ? uiText(DeviceLibrary::AdapterText(d.adapter_index)) : QString());
    adapter_->setCursorPosition(0);
    file_->setText(doc_->loadedFile() ? QString::fromStdString(doc_->loadedFile()->path.string()) : QString());
    file_->setCursorPosition(0);
    file_->setToolTip(file_->text());
    action(cmd::Config)->setEnabled(doc_->canConfigure() && bool(ctx_.dialogs.config));
    action(cmd::Information)->setEnabled(has);
    action(cmd::SelectDevice)->setEnabled(bool(ctx_.dialogs.selectDevice) && !ctx_.library->path().empty());
    action(cmd::DataBuffer)->setEnabled(bool(ctx_.dialogs.editBuffer));
    action(cmd::Settings)->setEnabled(has && bool(ctx_.dialogs.operateSettings));
    action(cmd::AutoProgram)->setEnabled(has);  // every operation needs a device
    autoButton_->setEnabled(has);
    rebuildOperate();
}

void MainWindow::rebuildOperate() {
    const QList<QAction *> entries = operateMenu_->actions();
    for (int i = 3; i < entries.size(); ++i) {
        operateMenu_->removeAction(entries[i]);
        entries[i]->deleteLater();
    }
    operationSelector_->clear();
    if (!doc_->hasDevice()) {
        runButton_->setEnabled(false);
        return;
    }
    for (const OperateEntry &e : operateEntries(doc_->device())) {
        QAction *a = operateMenu_->addAction(uiText(e.text));
        a->setObjectName(QStringLiteral("operate%1").arg(e.op));
        a->setData(e.commandId);
        const int runs = e.runs;
        // Entries whose command has no handler do nothing, as before.
        if (runs >= 0) connect(a, &QAction::triggered, this, [this, runs] { runEntry(runs); });
        operationSelector_->addItem(uiText(e.listName), e.runs);
    }
    runButton_->setEnabled(operationSelector_->count() > 0);
}

void MainWindow::rebuildHistory() {
    std::vector<DeviceHistoryEntry> history;
    for (const HistoryEntry &h : ctx_.app->deviceHistory()) history.push_back({h.vendorIndex, h.deviceName});
    std::vector<HistoryMenuItem> items = historyMenuItems(history);
    for (HistoryMenuItem &item : items) item.command = item.entry ? cmd::History + item.entry : cmd::HistoryNone;
    const auto select = [this](int entry) { applyHistory(entry); };
    // Removed entries live on until the event loop deletes them: they must not be found by name.
    for (QMenu *menu : {historyMenu_, deviceMenu_})
        for (QAction *a : menu->actions())
            if (a->objectName().startsWith(QLatin1String("history"))) a->setObjectName({});
    fillHistoryMenu(historyMenu_, items, 0, select);
    fillHistoryMenu(deviceMenu_, items, kDeviceMenuFixedItems, select);
    for (QMenu *menu : {historyMenu_, deviceMenu_})
        for (QAction *a : menu->actions())
            if (const int entry = a->data().toInt() - cmd::History; entry >= 1 && entry < kHistorySize)
                a->setObjectName(QStringLiteral("history%1").arg(entry));
}

void MainWindow::rebuildRecent() {
    recentMenu_->clear();
    int n = 0;
    for (const std::string &path : doc_->recentFiles()) {
        const QString p = fromUtf8(path);
        QAction *a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(p));
        a->setData(cmd::RecentFirst + n - 1);
        connect(a, &QAction::triggered, this, [this, p] { loadFile(p); });
    }
    recentMenu_->setEnabled(n > 0);
}

void MainWindow::refreshCounters() {
    success_->setText(QString::number(ctx_.app->successCount()));
    failure_->setText(QString::number(ctx_.app->failureCount()));
}

void MainWindow::setCommandsEnabled(bool enabled) {
    menuBar()->setEnabled(enabled);
    centralWidget()->setEnabled(enabled);
    for (QToolBar *bar : findChildren<QToolBar *>()) bar->setEnabled(enabled);
    for (auto &[id, a] : actions_) a->blockSignals(!enabled);  // shortcuts too
}

void MainWindow::operationStarted() {
    if (!progress_) {
        progress_ = new ProgressDialog(this);
        connect(progress_, &ProgressDialog::cancelRequested, this, [this] {
            if (CProgrammer *p = ctx_.app->programmer()) p->Cancel();
        });
    }
    setCommandsEnabled(false);
    progress_->show();
}

void MainWindow::operationEnded() {
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    setCommandsEnabled(true);
    refreshCounters();
    if (closeWhenIdle_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::operationResult(int result) {
    refreshCounters();
    ctx_.app->PlayResultSound(result);
}

void MainWindow::runEntry(int op) { doc_->runOperation(Op(op)); }

void MainWindow::runAuto() { doc_->runAuto(); }

void MainWindow::resetCounters() {
    const auto answer = ctx_.prompt->ask(loadString(sid::ConfirmClearStatistics), "Vantor", Prompt::Icon::Question,
                                         Prompt::Buttons::YesNo);
    if (answer != Prompt::Answer::Yes) return;
    ctx_.app->resetCounters();
    refreshCounters();
}

QString MainWindow::loadedFileDirectory() const {
    const auto &loaded = doc_->loadedFile();
    return loaded ? QFileInfo(fromUtf8(loaded->path.string())).absolutePath() : QString();
}

void MainWindow::chooseAndLoad() {
    const QString path = chooseFileToLoad(this, loadedFileDirectory());
    if (!path.isEmpty()) loadFile(path);
}

void MainWindow::loadFile(const QString &path) {
    const std::filesystem::path p = toUtf8(path);
    LoadFileDialog dialog(path, doc_->loadDialogSettings(p), doc_->deviceDataSize(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    doc_->loadFile(p, dialog.settings());
    QApplication::restoreOverrideCursor();
    refreshDevicePanel();
    rebuildRecent();
}

void MainWindow::chooseAndSave() {
    const QString path = chooseFileToSave(this, loadedFileDirectory());
    if (!path.isEmpty()) saveFileAs(path);
}

void MainWindow::saveFileAs(const QString &path) {
    const std::filesystem::path p = toUtf8(path);
    SaveFileDialog dialog(path, doc_->saveDialogSettings(p), this);
    if (dialog.exec() != QDialog::Accepted) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    doc_->saveFile(p, dialog.settings());
    QApplication::restoreOverrideCursor();
}

void MainWindow::editBuffer() {
    if (ctx_.dialogs.editBuffer) doc_->editBuffer([this] { ctx_.dialogs.editBuffer(this, *doc_); });
}

void MainWindow::selectDevice() {
    if (!ctx_.dialogs.selectDevice) return;
    DeviceRecord chosen;
    if (!ctx_.dialogs.selectDevice(this, *doc_, chosen)) return;
    doc_->applyDevice(chosen);
    refreshDevicePanel();
    rebuildHistory();
}

void MainWindow::applyHistory(int entry) {
    if (doc_->applyHistory(entry)) {
        refreshDevicePanel();
        rebuildHistory();
    }
}

void MainWindow::openConfig() {
    if (ctx_.dialogs.config && doc_->hasDevice()) ctx_.dialogs.config(this, *doc_);
}

void MainWindow::openSettings() {
    if (ctx_.dialogs.operateSettings && doc_->hasDevice()) ctx_.dialogs.operateSettings(this, *doc_);
}

void MainWindow::showDeviceInfo() {
    if (!doc_->hasDevice()) return;
    DeviceInfoDialog dialog(doc_->device(), ctx_.programDirectory / Artbank::defaultPath().filename(),
                            ctx_.app->isChinese(), this);
    dialog.exec();
}

void MainWindow::reconnect() {
    Application &app = *ctx_.app;
    // The dialog's worker connects an object of its own; the window's programmer is closed and
    // left alone until the dialog has ended, and arrivals meanwhile are the dialog's business.
    app.closeProgrammer();
    Application::Connection attempt;  // written by the worker, read after it has ended
    ConnectDialog dialog(
        doc_->connectTried(), ConnectDialog::listedModels(app), app.selectedModel(),
        [&app, &attempt] {
            attempt = app.TryConnect();
            return attempt.model;
        },
        this);
    dialog.setConnectDelay(ctx_.connectDelayMs);
    connecting_ = true;
    const bool connected = dialog.exec() == QDialog::Accepted;
    connecting_ = false;
    doc_->useConnection(std::move(attempt));
    const int model = dialog.model();
    if (model == -1) {
        setInfoBar(doc_->connectState());
        return;
    }
    const bool changed = app.SelectModel(model, connected);
    showConnectState(changed);
}

void MainWindow::deviceArrived() {
    if (connecting_) return;
    if (doc_->programmerArrived()) setInfoBar(doc_->connectState());
}

void MainWindow::deviceRemoved() {
    if (ctx_.app->programmerRemoved()) setInfoBar(doc_->connectState());
}

void MainWindow::setLanguage(Application::Language language) {
    action(cmd::English)->setChecked(!ctx_.app->isChinese());
    action(cmd::Chinese)->setChecked(ctx_.app->isChinese());
    if (language == ctx_.app->language()) return;
    ctx_.app->setLanguage(language);
    restart_ = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainWindow::showContents() {
    const std::filesystem::path manual = ctx_.programDirectory / "manual" / "index.html";
    const QString path = fromUtf8(manual.string());
    std::error_code ec;
    if (!std::filesystem::exists(manual, ec)) {
        ctx_.prompt->ask(toUtf8(tr("The manual is missing: %1\nplease reinstall the application").arg(path)), "Vantor",
                         Prompt::Icon::Warning);
        return;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened = openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url);
    if (!opened)
        ctx_.prompt->ask(toUtf8(tr("No program to show web pages was found. The manual is at:\n%1\n"
                                   "Open it in a web browser.")
                                    .arg(path)),
                         "Vantor", Prompt::Icon::Information);
}

void MainWindow::showAbout() {
    QString text = tr("<h3>Vantor</h3><p>TR600 Series MCU Development Kit</p><p>Program version V%1.%2%3</p>")
                       .arg(kVersionMajor)
                       .arg(kVersionMinor)
                       .arg(kVersionPatch);
    if (const ProgrammerIdentity id = ctx_.app->programmerIdentity(); id.known)
        text += tr("<p>Firmware version %1<br>Serial number %2</p>").arg(fromUtf8(id.firmware), fromUtf8(id.serial));
    else text += tr("<p>No programmer connected.</p>");
    QMessageBox box(QMessageBox::Information, tr("About Vantor"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    box.exec();
}

void MainWindow::keyPressEvent(QKeyEvent *event) {
    // The window never closes or acts on a stray Enter, Escape or Space.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space: event->accept(); return;
    default: QMainWindow::keyPressEvent(event);
    }
}

void MainWindow::closeEvent(QCloseEvent *event) {
    // Once the user agreed to stop a running operation, its end closes the window unasked.
    if (const std::string question = doc_->exitQuestion(); !question.empty() && !closeWhenIdle_) {
        if (ctx_.prompt->ask(question, "Vantor", Prompt::Icon::Question, Prompt::Buttons::YesNo) !=
            Prompt::Answer::Yes) {
            restart_ = false;
            event->ignore();
            return;
        }
    }
    CProgrammer *p = ctx_.app->programmer();
    if (p && p->isBusy()) {
        // The worker still talks to this window: stop it and close when it has ended.
        p->Cancel();
        closeWhenIdle_ = true;
        event->ignore();
        return;
    }
    if (doc_->hasDevice() && ctx_.dialogs.saveDeviceSettings) ctx_.dialogs.saveDeviceSettings(*doc_, doc_->device());
    event->accept();
}

}  // namespace vantor::ui
