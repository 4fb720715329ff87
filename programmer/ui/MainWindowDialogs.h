#pragma once
#include <functional>

#include "devices/DeviceRecord.h"

class QWidget;

namespace vantor {
class Document;
}

namespace vantor::ui {

// Where the dialogs of other subsystems plug into the main window. A hook that is empty
// leaves its command disabled.
struct MainWindowDialogs {
    // "Select &Device": true on OK, with the chosen device in `chosen` (the window applies it).
    std::function<bool(QWidget *parent, Document &doc, DeviceRecord &chosen)> selectDevice;
    // "&Config" on doc.device()'s configuration, lock and calibration bytes; true on OK.
    std::function<bool(QWidget *parent, Document &doc)> config;
    // "Settings..." on the options record and the Auto item list (doc.app()); true on OK.
    std::function<bool(QWidget *parent, Document &doc)> operateSettings;
    // "&Data Buffer": the buffer editor (the document masks word bytes before and after).
    std::function<void(QWidget *parent, Document &doc)> editBuffer;
    // Per-device settings memory around a device change.
    std::function<void(Document &doc, const DeviceRecord &outgoing)> saveDeviceSettings;
    std::function<void(Document &doc, DeviceRecord &incoming)> loadDeviceSettings;
};

// The dialogs this program has; each subsystem adds its hook in StandardDialogs.cpp.
MainWindowDialogs standardDialogs();

}  // namespace vantor::ui
