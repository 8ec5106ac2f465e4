#include "qt/key_preview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "qt/form_window.h"
#include "ui/form.h"

namespace lirafok::qt {

void KeyPreview::install() {
    static KeyPreview* preview = nullptr;
    if (preview || !qApp) return;
    preview = new KeyPreview;
    preview->setParent(qApp);
    qApp->installEventFilter(preview);
}

int KeyPreview::keyCode(int qtKey) {
    namespace k = ui::key;
    switch (qtKey) {
        case Qt::Key_Space:
            return k::kSpace;
        case Qt::Key_F11:
            return k::kF11;
        case Qt::Key_Escape:
            return k::kEscape;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return k::kReturn;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return k::kPlus;
        case Qt::Key_Minus:
            return k::kMinus;
        case Qt::Key_BracketLeft:
            return k::kBracketLeft;
        case Qt::Key_BracketRight:
            return k::kBracketRight;
        case Qt::Key_Left:
            return k::kLeft;
        case Qt::Key_Up:
            return k::kUp;
        case Qt::Key_Right:
            return k::kRight;
        case Qt::Key_Down:
            return k::kDown;
        // The play key of keyboards (XF86AudioPlay) is their play/pause key.
        case Qt::Key_MediaPlay:
        case Qt::Key_MediaTogglePlayPause:
            return k::kMediaPlayPause;
        case Qt::Key_MediaPause:
            return k::kMediaPause;
        case Qt::Key_MediaStop:
            return k::kMediaStop;
        case Qt::Key_MediaNext:
            return k::kMediaNext;
        case Qt::Key_MediaPrevious:
            return k::kMediaPrevious;
        default:
            // Letters and digits are their own codes, as the windows' keys name them.
            if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) ||
                (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
                return qtKey;
            return 0;
    }
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    // A key event travels up from the focused widget to its parents: the form sees it once,
    // at the widget it was sent to.
    QWidget* focus = QApplication::focusWidget();
    if (widget != focus && !(focus == nullptr && widget->isWindow())) return false;
    auto* window = qobject_cast<FormWindow*>(widget->window());
    if (!window || !window->form()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const int code = keyCode(key->key());
    if (code == 0) return false;
    // Held keys repeat only for seeking; a held Space must not toggle play on and off.
    if (key->isAutoRepeat() && code != ui::key::kLeft && code != ui::key::kRight) return false;
    int shift = 0;
    if (key->modifiers() & Qt::ShiftModifier) shift |= ui::key::kShiftMask;
    if (key->modifiers() & Qt::ControlModifier) shift |= ui::key::kCtrlMask;
    if (key->modifiers() & Qt::AltModifier) shift |= ui::key::kAltMask;
    return window->form()->userKeyDown(code, shift);
}

}  // namespace lirafok::qt
