#pragma once

#include <QDialog>

// The "Keyboard shortcuts" sheet: every key of the Studio with what it does, the timeline's from
// its keyboard map, in two columns. Closes with Escape or its button. GUI thread.

namespace tarnix {

class KeyboardShortcutsSheet : public QDialog {
    Q_OBJECT
public:
    explicit KeyboardShortcutsSheet(QWidget* parent = nullptr);
};

} // namespace tarnix
