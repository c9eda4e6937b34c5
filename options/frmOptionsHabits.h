#pragma once

class QDialog;

// The options window's keyboard and layout habits: Enter presses OK, the
// spin arrows are left out of the Tab order (the arrow keys and the mouse
// still reach them), and the alert lines keep their room while hidden, so
// the well grid does not squeeze when one shows.
namespace frmOptionsHabits {

void apply(QDialog& dialog);

}  // namespace frmOptionsHabits
