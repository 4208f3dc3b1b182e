#include "open_dialog.h"

// ---------------------------------------------------------------------------------------------
// TOpenDialog

bool TOpenDialog::Execute() {
    // The window reads no files; the component exists for the layout only.
    ++executed_;
    return false;
}
