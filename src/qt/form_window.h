#pragma once
// A form on the screen: a top-level window with an optional menu bar above a client area in
// which every control's widget sits at its mapped position.
//
// The window shows what the form holds (caption, outer geometry in twips, scale, back colour,
// always-on-top) and reports the user's moves, resizes and close requests to the form. It
// never changes the form's state on its own.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qt/twip_mapper.h"
#include "ui/form.h"

class QMenuBar;

namespace lirafok::qt {

class ViewHandle;

class FormWindow : public QWidget {
    Q_OBJECT
public:
    explicit FormWindow(ui::Form& form);
    ~FormWindow() override;

    ui::Form* form() const { return m_form; }
    QWidget* client() const { return m_client; }
    QMenuBar* menuBar() const { return m_menuBar; }
    const TwipMapper& mapper() const { return m_mapper; }

    // Re-reads the form's caption, geometry, scale, back colour and window flags.
    void applyForm();
    // Stacks passive controls (frames, panels, labels, lines) under the others, larger under
    // smaller, once control geometry has settled.
    void scheduleRestack();
    // The form is unloaded: every view lets go of its control; the window only waits to be
    // deleted.
    void detachAll();
    // The view of a control, for tests and printing.
    ViewHandle* viewOf(const ui::Control& control) const;
    // The pixel size of the client area the form's geometry asks for.
    QSize expectedClientSize() const { return m_mapper.innerPixels(); }

    // Files or folders dropped on the window go to `handler` (first local path only); it
    // answers whether it took the path. Without a handler the window accepts no drops.
    using DropHandler = std::function<bool(ui::Form&, const std::string& path)>;
    void setDropHandler(DropHandler handler);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The form's context menu, when it has one.
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildViews();
    void layoutChildren();
    void restack();
    void applyFlags();
    void applyFullScreen();
    // Places every control's widget again (full screen entered or left).
    void refitViews();
    bool hasFocusableControl() const;

    ui::Form* m_form;
    QWidget* m_client = nullptr;
    QMenuBar* m_menuBar = nullptr;
    TwipMapper m_mapper;
    // The scale the mapper's units were taken from: a new scale takes new units, a new size
    // alone does not.
    struct ScaleKey {
        bool custom = false;
        double left = 0, top = 0, width = 0, height = 0;
        bool operator==(const ScaleKey&) const = default;
    };
    std::optional<ScaleKey> m_scaleKey;
    std::vector<std::unique_ptr<ViewHandle>> m_views;
    bool m_applying = false;
    bool m_restackPending = false;
    QPoint m_appliedPos{-100000, -100000};
    double m_appliedZoom = 1;
    DropHandler m_dropHandler;
};

}  // namespace lirafok::qt
