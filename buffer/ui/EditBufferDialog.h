#pragma once
#include <QDialog>
#include <functional>
#include <memory>

#include "buffer/BufferEditor.h"
#include "core/Prompt.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QTabBar;
class QToolBar;

namespace vantor::ui {

class HexViewWidget;

// The Edit Buffer dialog: a tab per memory area, the hex view of the selected one, the caret
// address, checksum and range texts, the format choices, Read Only and the tool bar.
class EditBufferDialog : public QDialog {
    Q_OBJECT
public:
    EditBufferDialog(DataBuffer &buffer, std::vector<EditArea> areas, EditorSettings &settings, bool readOnly,
                     Prompt &prompt, QWidget *parent = nullptr);
    ~EditBufferDialog() override;

    // Told at once when the user changes Read Only (and again when the dialog closes).
    std::function<void(bool)> onReadOnlyChanged;

    BufferEditor &editor() { return *editor_; }
    HexViewWidget *hexView() const { return view_; }
    bool readOnly() const;
    void setReadOnly(bool readOnly);
    void selectArea(int index);
    void setAddressFormat(int format);
    void setDataFormat(int format);

    // The tools, as the tool bar runs them.
    void gotoTool();
    void copyTool();
    void fillTool();
    void combineTool(LogicOp op);
    void swapTool();

    QString addressText() const;
    QString checksumText() const;
    QString rangeText() const;

protected:
    void done(int result) override;

private:
    void buildToolBar(bool swapOn);
    void buildAreaTabs();
    void buildTexts();
    void buildChoices(const EditorSettings &settings, bool readOnly);
    void watchView();
    void layOut(QWidget *close);
    void showArea();
    void refreshChecksum();
    void applyReadOnly();

    std::unique_ptr<BufferEditor> editor_;
    Prompt &prompt_;
    HexViewWidget *view_;
    QTabBar *tabs_;
    QLabel *address_, *checksum_, *range_;
    QComboBox *addressFormat_, *dataFormat_;
    QCheckBox *readOnly_;
    QToolBar *toolbar_;
    QAction *tools_[7] = {};
    DataBuffer &buffer_;
    int listener_ = 0;
};

}  // namespace vantor::ui
