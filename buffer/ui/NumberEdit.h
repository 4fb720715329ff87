#pragma once
#include <QLineEdit>
#include <optional>

#include "buffer/BufferEditor.h"

namespace vantor::ui {

// A line edit that takes only digits of its base, up to its number of digits; anything else is
// refused with a beep.
class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    NumberEdit(NumberField field, QWidget *parent = nullptr);
    void setField(NumberField field);
    void setValue(std::uint32_t value);
    std::optional<std::uint32_t> value() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    NumberField field_;
};

}  // namespace vantor::ui
