#pragma once
// Puts forms on the screen as top-level windows.
//
// A form's window and its views are made when the form is first shown and dropped when it is
// unloaded. A modal show runs a nested event loop that returns once the form is hidden or
// unloaded; windows of an unloaded form are deleted only after the event that unloaded it has
// returned, because that event may come from one of the window's own widgets.
#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/form.h"
#include "ui/services.h"

class QEventLoop;
class QWidget;

namespace lirafok::qt {

class FormWindow;

class QtFormHost : public QObject, public ui::FormHost {
    Q_OBJECT
public:
    QtFormHost();
    ~QtFormHost() override;

    void showForm(ui::Form& form, bool modal) override;
    void hideForm(ui::Form& form) override;
    void raiseForm(ui::Form& form) override;
    void unloadForm(ui::Form& form) override;
    void formChanged(ui::Form& form) override;

    // The window of a form that has been shown and not unloaded, else nullptr.
    FormWindow* windowOf(const ui::Form& form) const;

    // What a file or folder dropped on a window does (see FormWindow::setDropHandler); set
    // before the first window is shown.
    std::function<bool(ui::Form&, const std::string& path)> onDropPath;

private:
    struct Entry {
        QPointer<FormWindow> window;
        std::vector<QEventLoop*> loops;  // modal shows waiting for this form
    };
    FormWindow& ensureWindow(ui::Form& form);
    void endLoops(Entry& e);

    std::map<const ui::Form*, Entry> m_entries;
    std::vector<QPointer<FormWindow>> m_dying;
};

// The screen size in twips.
class QtScreen : public ui::Screen {
public:
    int widthTwips() override;
    int heightTwips() override;
    std::vector<std::string> monitorNames() override;
};

}  // namespace lirafok::qt
