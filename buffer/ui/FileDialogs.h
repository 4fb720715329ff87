#pragma once
#include <QDialog>

#include "buffer/DataFile.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace vantor::ui {

// "Load File": format, unused-byte fill and the two offsets of a file about to be loaded.
class LoadFileDialog : public QDialog {
    Q_OBJECT
public:
    LoadFileDialog(const QString &path, const LoadSettings &initial, std::uint32_t topAddress,
                   QWidget *parent = nullptr);
    LoadSettings settings() const { return settings_; }

public slots:
    void accept() override;

private:
    LoadSettings settings_;
    std::uint32_t topAddress_;
    QComboBox *format_;
    QButtonGroup *fill_;
    QLineEdit *fileStart_;
    QLineEdit *bufferStart_;
};

// "Save File": format and the buffer range written.
class SaveFileDialog : public QDialog {
    Q_OBJECT
public:
    SaveFileDialog(const QString &path, const SaveSettings &initial, QWidget *parent = nullptr);
    SaveSettings settings() const { return settings_; }

public slots:
    void accept() override;

private:
    SaveSettings settings_;
    QComboBox *format_;
    QLineEdit *start_;
    QLineEdit *size_;
};

// The open and save file choosers with the program's filter; empty when cancelled.
QString chooseFileToLoad(QWidget *parent, const QString &directory);
QString chooseFileToSave(QWidget *parent, const QString &directory);

}  // namespace vantor::ui
