// Before any Qt header: Qt defines `slots` as a keyword, and chip.set has a member of that name.
#include "devices/SettingsMemory.h"

#include <memory>

#include "buffer/ui/EditBufferDialog.h"
#include "devices/ConfigFile.h"
#include "devices/DeviceInfo.h"
#include "devices/ui/DeviceDialogs.h"
#include "programmer/Application.h"
#include "programmer/Document.h"
#include "programmer/ui/MainWindowDialogs.h"
#include "programmer/ui/QtServices.h"

namespace vantor::ui {

namespace {

// Located afresh each time: the file may be removed, or become read-only, while we run. A missing
// one is created; the user hears once where it went, or that settings cannot be kept.
SettingsMemory settingsMemory(Document &doc, bool &told) {
    const auto found =
        SettingsMemory::locateOrCreate(doc.library().libraryDirectory(), SettingsMemory::userDirectory());
    if ((found.created || found.file.empty()) && !told) {
        told = true;
        doc.info().appendLine(found.created
                                  ? "Device settings are now kept in the new file " + found.file.string() + "\n"
                                  : std::string("chip.set cannot be created: device settings are not kept\n"),
                              found.created ? colour::Black : colour::Red, false);
    }
    return SettingsMemory(found.file);
}

}  // namespace

MainWindowDialogs standardDialogs() {
    MainWindowDialogs d;
    d.selectDevice = [](QWidget *parent, Document &doc, DeviceRecord &chosen) {
        Application &app = doc.app();
        SelectDeviceDialog dialog(doc.library(), app.profile(),
                                  app.programDirectory() / Artbank::defaultPath().filename(), parent,
                                  doc.hasDevice() ? &doc.device() : nullptr);
        if (!dialog.opened() || dialog.exec() != QDialog::Accepted) return false;
        chosen = dialog.selectedDevice();
        return true;
    };
    d.config = [](QWidget *parent, Document &doc) {
        QtPrompt prompt(parent);
        const std::filesystem::path file =
            doc.library().libraryDirectory() / "cfg" / (std::string(doc.device().config_name) + ".cfg");
        ConfigDeviceDialog dialog(file, doc.device(), prompt, parent);
        if (!dialog.opened() || dialog.exec() != QDialog::Accepted) return false;
        const auto &bytes = dialog.configBytes();
        std::copy(bytes.begin(), bytes.end(), doc.device().config_data);
        // The file has just been read whole: what it shows may now be written.
        cfg::markConfiguration(doc.device(), &dialog.form().file());
        return true;
    };
    d.operateSettings = [](QWidget *parent, Document &doc) {
        Application &app = doc.app();
        QtPrompt prompt(parent);
        OperateSettingsDialog dialog(doc.device(), app.operationOptions(), app.autoItems().data(),
                                     doc.loadedFile().has_value(), prompt, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    d.editBuffer = [](QWidget *parent, Document &doc) {
        static EditorSettings settings;  // kept from one opening to the next
        Application &app = doc.app();
        QtPrompt prompt(parent);
        EditBufferDialog dialog(doc.buffer(), BufferEditor::areasOf(doc.device()), settings, app.bufferReadOnly(),
                                prompt, parent);
        dialog.onReadOnlyChanged = [&app](bool readOnly) { app.setBufferReadOnly(readOnly); };
        dialog.exec();
    };
    auto told = std::make_shared<bool>(false);
    d.saveDeviceSettings = [told](Document &doc, const DeviceRecord &outgoing) {
        Application &app = doc.app();
        settingsMemory(doc, *told)
            .SaveDeviceSettings(outgoing, app.autoItems().data(), app.operationOptions().areaMask);
    };
    d.loadDeviceSettings = [told](Document &doc, DeviceRecord &incoming) {
        Application &app = doc.app();
        QtPrompt prompt;
        const std::filesystem::path libDir = doc.library().libraryDirectory();
        settingsMemory(doc, *told)
            .RestoreDeviceSettings(libDir, incoming, app.autoItems().data(), app.operationOptions().areaMask, prompt);
    };
    return d;
}

}  // namespace vantor::ui
