#pragma once
#include <QDialog>
#include <filesystem>

#include "devices/DeviceRecord.h"

namespace vantor::ui {

class RichTextView;

// "Device Info.": the device summary, its memory layout and the adapter document.
class DeviceInfoDialog : public QDialog {
    Q_OBJECT
public:
    DeviceInfoDialog(const DeviceRecord &device, const std::filesystem::path &artbankPath, bool chinese,
                     QWidget *parent = nullptr);
    QString plainText() const;

private:
    RichTextView *view_;
};

}  // namespace vantor::ui
