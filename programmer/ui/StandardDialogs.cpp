#include "buffer/ui/EditBufferDialog.h"
#include "programmer/Application.h"
#include "programmer/Document.h"
#include "programmer/ui/MainWindowDialogs.h"
#include "programmer/ui/QtServices.h"

namespace vantor::ui {

MainWindowDialogs standardDialogs() {
    MainWindowDialogs d;
    d.editBuffer = [](QWidget *parent, Document &doc) {
        static EditorSettings settings;  // kept from one opening to the next
        Application &app = doc.app();
        QtPrompt prompt(parent);
        EditBufferDialog dialog(doc.buffer(), BufferEditor::areasOf(doc.currentDevice), settings, app.BufReadOnly != 0,
                                prompt, parent);
        dialog.onReadOnlyChanged = [&app](bool readOnly) { app.BufReadOnly = readOnly ? 1 : 0; };
        dialog.exec();
    };
    return d;
}

}  // namespace vantor::ui
