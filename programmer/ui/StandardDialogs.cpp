#include "programmer/ui/MainWindowDialogs.h"

namespace vantor::ui {

MainWindowDialogs standardDialogs() {
    MainWindowDialogs d;
    return d;
}

}  // namespace vantor::ui
