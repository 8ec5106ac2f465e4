#pragma once
// Hands every key press in a form's window to the form first (its Form_KeyDown), whichever
// control has the focus, so that a window's own keys (Space on the player) work everywhere in
// it. Keys the form does not use go on to the focused control as usual.
#include <QObject>

namespace lirafok::qt {

class KeyPreview : public QObject {
    Q_OBJECT
public:
    // Watches the whole application; install once, after the QApplication exists.
    static void install();

    // The form's key code for a Qt key, 0 when the key has none.
    static int keyCode(int qtKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace lirafok::qt
