#pragma once
#include <QDialog>
#include <functional>

#include "buffer/BufferEditor.h"
#include "core/Prompt.h"

class QFormLayout;
class QDialogButtonBox;

namespace vantor::ui {

class NumberEdit;

// The small dialogs of the editor's tools: number fields and OK/Cancel. OK runs the tool; a
// refusal shows its message and keeps the dialog open with nothing changed.
class ToolDialog : public QDialog {
    Q_OBJECT
public:
    ToolDialog(const QString &title, Prompt &prompt, QWidget *parent);
    // A labelled number field; `unit` ("(HEX)", "(DEC)") is shown after it when not empty.
    NumberEdit *addField(const QString &name, const QString &label, NumberField field, const QString &unit,
                         std::uint32_t value, QFormLayout *form = nullptr);
    QFormLayout *form() const { return form_; }
    void setRunner(std::function<EditOutcome()> run) { run_ = std::move(run); }
    void accept() override;
    // Enter moves to the next field; only a focused OK accepts (Fill: its default is the whole area).
    void setEnterMovesOn();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateOk();

    Prompt &prompt_;
    QFormLayout *form_;
    QDialogButtonBox *buttons_;
    std::function<EditOutcome()> run_;
    NumberEdit *firstField_ = nullptr;
    bool orderSet_ = false;
    bool enterMovesOn_ = false;
};

// Each opens its tool dialog modally; true when the operation ran.
bool runGoto(QWidget *parent, BufferEditor &editor, Prompt &prompt, std::uint32_t &caretOffset);
bool runCopy(QWidget *parent, BufferEditor &editor, Prompt &prompt);
bool runFill(QWidget *parent, BufferEditor &editor, Prompt &prompt);
bool runCombine(QWidget *parent, BufferEditor &editor, Prompt &prompt, LogicOp op);

}  // namespace vantor::ui
