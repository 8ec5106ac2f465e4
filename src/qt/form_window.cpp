#include "qt/form_window.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QEvent>
#include <QMenuBar>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "qt/control_view.h"
#include "qt/font_resolver.h"
#include "qt/qt_convert.h"
#include "qt/view_factory.h"

namespace lirafok::qt {

namespace {

// The first local file or folder of a drag, empty when there is none.
QString localPath(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

// Controls that hold others on top of them.
bool isPassive(ui::ControlKind k) {
    return k == ui::ControlKind::Frame || k == ui::ControlKind::Panel ||
           k == ui::ControlKind::Label || k == ui::ControlKind::Line ||
           k == ui::ControlKind::TabControl;
}

}  // namespace

FormWindow::FormWindow(ui::Form& form) : QWidget(nullptr, Qt::Window), m_form(&form) {
    setObjectName(toQ(form.name()));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Captions and menus use the program's standard face unless a control says otherwise.
    setFont(resolveFont(ui::Font{}));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    if (hasMenus(form)) {
        m_menuBar = new QMenuBar(this);
        m_menuBar->setNativeMenuBar(false);
    }
    applyForm();
    buildViews();
}

FormWindow::~FormWindow() {
    detachAll();
    m_views.clear();
}

void FormWindow::buildViews() {
    if (m_menuBar) m_views = buildMenus(*m_form, *m_menuBar);
    for (ui::Control* c : m_form->controls()) {
        std::unique_ptr<ViewHandle> view = createView(*c, *this);
        if (!view) continue;
        c->attachView(view.get());
        m_views.push_back(std::move(view));
    }
    for (auto& v : m_views) v->applyAll();
    restack();
}

ViewHandle* FormWindow::viewOf(const ui::Control& control) const {
    for (auto& v : m_views)
        if (v->control() == &control) return v.get();
    return nullptr;
}

void FormWindow::detachAll() {
    for (auto& v : m_views) v->detach();
    m_form = nullptr;
}

void FormWindow::applyFlags() {
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
    if (m_form->resizable()) flags |= Qt::WindowMaximizeButtonHint;
    if (m_form->topMost()) flags |= Qt::WindowStaysOnTopHint;
    setAttribute(Qt::WA_ShowWithoutActivating, m_form->showWithoutActivating());
    if (flags != windowFlags()) {
        const bool wasVisible = isVisible();
        setWindowFlags(flags);  // hides the window
        if (wasVisible) show();
    }
}

// Full screen on the monitor the form asks for (as ui::Screen::monitorNames() orders them:
// the primary one first), or back to the window's own geometry.
void FormWindow::applyFullScreen() {
    if (m_form->fullScreen()) {
        QList<QScreen*> screens = QGuiApplication::screens();
        std::stable_partition(screens.begin(), screens.end(),
                              [](QScreen* s) { return s == QGuiApplication::primaryScreen(); });
        const int monitor = m_form->fullScreenMonitor();
        QScreen* target = monitor >= 0 && monitor < screens.size() ? screens[monitor] : screen();
        if (m_menuBar) m_menuBar->hide();
        if (!isFullScreen() || screen() != target) {
            if (isFullScreen()) showNormal();
            if (windowHandle()) windowHandle()->setScreen(target);
            if (target) move(target->geometry().topLeft());
            showFullScreen();
            // Without a window manager (a bare X server) nobody acts on the full-screen state:
            // the window takes the monitor's geometry itself.
            if (target) setGeometry(target->geometry());
        }
        layoutChildren();
        refitViews();
        return;
    }
    if (m_menuBar) m_menuBar->show();
    if (isFullScreen()) showNormal();
    layoutChildren();
    refitViews();
}

void FormWindow::refitViews() {
    for (auto& v : m_views)
        if (auto* cv = dynamic_cast<ControlViewBase*>(v.get()); cv && cv->control())
            cv->applyGeometry();
}

void FormWindow::applyForm() {
    if (!m_form) return;
    m_applying = true;
    setWindowTitle(toQ(m_form->caption()));
    applyFlags();
    if (m_form->fullScreen() || isFullScreen()) {
        applyFullScreen();
        if (m_form->fullScreen()) {
            m_applying = false;
            return;
        }
    }

    QPalette pal = m_client->palette();
    pal.setColor(QPalette::Window, toQColor(m_form->backColor()));
    m_client->setPalette(pal);

    const ScaleKey key{m_form->customScale(), m_form->scaleLeft(), m_form->scaleTop(),
                       m_form->scaleWidth(), m_form->scaleHeight()};
    TwipMapper mapper = TwipMapper::forForm(*m_form);
    if (key.custom && m_scaleKey == key) mapper = m_mapper.resized(mapper.innerPixels());
    m_scaleKey = key;
    const bool remap = !(mapper == m_mapper);
    m_mapper = mapper;
    const int menuHeight = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    const QSize inner = m_mapper.innerPixels();
    const QSize outer(std::max(1, inner.width()), std::max(1, inner.height() + menuHeight));
    if (m_form->resizable()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (size() != outer) resize(outer);
    } else {
        setFixedSize(outer);
    }
    const QPoint pos(twipsToPixels(m_form->left()), twipsToPixels(m_form->top()));
    if (pos != m_appliedPos) {
        m_appliedPos = pos;
        move(pos);
    }
    layoutChildren();
    if (remap)
        for (auto& v : m_views)
            if (auto* cv = dynamic_cast<ControlViewBase*>(v.get()); cv && cv->control())
                cv->applyGeometry();
    if (m_form->fontZoom() != m_appliedZoom) {
        m_appliedZoom = m_form->fontZoom();
        for (auto& v : m_views)
            if (auto* cv = dynamic_cast<ControlViewBase*>(v.get()); cv && cv->control())
                cv->update(ui::Prop::Font);
    }
    m_applying = false;
}

void FormWindow::layoutChildren() {
    const int menuHeight =
        m_menuBar && m_menuBar->isVisibleTo(this) ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar) m_menuBar->setGeometry(0, 0, width(), menuHeight);
    m_client->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
}

void FormWindow::scheduleRestack() {
    if (m_restackPending) return;
    m_restackPending = true;
    QTimer::singleShot(0, this, [this] {
        m_restackPending = false;
        restack();
    });
}

void FormWindow::restack() {
    // Frames and panels of a layout hold other controls on top of them: passive controls go
    // under the active ones, and a larger passive control under a smaller one it may contain.
    std::vector<ControlViewBase*> passive, active;
    for (auto& v : m_views) {
        auto* cv = dynamic_cast<ControlViewBase*>(v.get());
        if (!cv || !cv->control() || !cv->widget()) continue;
        (isPassive(cv->control()->kind()) ? passive : active).push_back(cv);
    }
    auto area = [](ControlViewBase* v) {
        const QSize s = v->widget()->size();
        return qint64(s.width()) * s.height();
    };
    std::stable_sort(passive.begin(), passive.end(),
                     [&](ControlViewBase* a, ControlViewBase* b) { return area(a) > area(b); });
    for (ControlViewBase* v : passive) v->widget()->raise();
    for (ControlViewBase* v : active) v->widget()->raise();
}

bool FormWindow::hasFocusableControl() const {
    if (!m_form) return false;
    for (ui::Control* c : m_form->controls())
        if (ui::takesFocus(c->kind()) && c->effectivelyVisible() && c->effectivelyEnabled())
            return true;
    return false;
}

void FormWindow::closeEvent(QCloseEvent* event) {
    // Closing is the form's decision (QueryUnload may cancel); if it unloads, the host
    // removes this window.
    event->ignore();
    if (m_form) m_form->userClose();
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
    if (!m_form || m_applying || !isVisible() || isMinimized()) return;
    // Full screen lays the controls out over the whole monitor; the form keeps its own size
    // for when it leaves full screen.
    if (isFullScreen() || m_form->fullScreen()) {
        refitViews();
        return;
    }
    const QSize client = m_client->size();
    if (client == m_mapper.innerPixels()) return;  // our own resize arriving
    m_form->userResizeInner(client.width() * kTwipsPerPixel, client.height() * kTwipsPerPixel);
}

void FormWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!m_form || m_applying || !isVisible() || isFullScreen() || m_form->fullScreen()) return;
    m_appliedPos = pos();
    m_form->userMove(pos().x() * kTwipsPerPixel, pos().y() * kTwipsPerPixel);
}

void FormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_form)
        m_form->userSetMinimized(isMinimized());
    // A form receives the focus itself only when none of its controls can take it; only then
    // does leaving the window count as the form losing the focus.
    if (event->type() == QEvent::ActivationChange && m_form && !isActiveWindow() &&
        !hasFocusableControl())
        m_form->userLoseFocus();
}

void FormWindow::setDropHandler(DropHandler handler) {
    m_dropHandler = std::move(handler);
    setAcceptDrops(bool(m_dropHandler));
}

void FormWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (m_form && m_dropHandler && !localPath(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FormWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_form) return;
    const auto entries = m_form->contextMenu();
    if (entries.empty()) return;
    QMenu menu(this);
    for (const ui::ContextEntry& e : entries) menu.addAction(toQ(e.caption));
    QAction* chosen = menu.exec(event->globalPos());
    if (!chosen || !m_form) return;
    const int i = static_cast<int>(menu.actions().indexOf(chosen));
    // The entries are asked for again: the menu ran an event loop, the window may have changed.
    const auto now = m_form->contextMenu();
    if (i >= 0 && i < static_cast<int>(now.size()) && now[static_cast<std::size_t>(i)].action)
        now[static_cast<std::size_t>(i)].action();
}

void FormWindow::dropEvent(QDropEvent* event) {
    const QString path = localPath(event->mimeData());
    if (!m_form || !m_dropHandler || path.isEmpty()) return;
    if (m_dropHandler(*m_form, fromQ(path))) event->acceptProposedAction();
}

}  // namespace lirafok::qt
