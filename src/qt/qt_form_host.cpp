#include "qt/qt_form_host.h"

#include <algorithm>

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "qt/form_window.h"
#include "qt/qt_convert.h"
#include "qt/twip_mapper.h"

namespace lirafok::qt {

QtFormHost::QtFormHost() = default;

QtFormHost::~QtFormHost() {
    for (auto& [form, e] : m_entries) {
        endLoops(e);
        if (e.window) {
            e.window->detachAll();
            delete e.window.data();
        }
    }
    for (auto& w : m_dying) delete w.data();
}

FormWindow* QtFormHost::windowOf(const ui::Form& form) const {
    auto it = m_entries.find(&form);
    return it == m_entries.end() ? nullptr : it->second.window.data();
}

FormWindow& QtFormHost::ensureWindow(ui::Form& form) {
    Entry& e = m_entries[&form];
    if (!e.window) {
        e.window = new FormWindow(form);
        if (onDropPath) e.window->setDropHandler(onDropPath);
    }
    return *e.window;
}

void QtFormHost::endLoops(Entry& e) {
    for (QEventLoop* loop : e.loops) loop->quit();
    e.loops.clear();
}

void QtFormHost::showForm(ui::Form& form, bool modal) {
    FormWindow& w = ensureWindow(form);
    w.applyForm();
    if (modal) {
        w.setWindowModality(Qt::ApplicationModal);
        w.show();
        w.raise();
        w.activateWindow();
        QEventLoop loop;
        m_entries[&form].loops.push_back(&loop);
        QPointer<FormWindow> guard(&w);
        loop.exec(QEventLoop::DialogExec);
        // The form may be gone by now; touch only what the guard says still exists.
        auto it = m_entries.find(&form);
        if (it != m_entries.end()) {
            auto& loops = it->second.loops;
            loops.erase(std::remove(loops.begin(), loops.end(), &loop), loops.end());
        }
        if (guard && guard->form()) {
            const bool visible = guard->isVisible();
            if (visible) guard->hide();
            guard->setWindowModality(Qt::NonModal);
            if (visible) guard->show();
        }
        return;
    }
    w.show();
    if (!form.showWithoutActivating()) {
        w.raise();
        w.activateWindow();
    }
}

void QtFormHost::raiseForm(ui::Form& form) {
    auto it = m_entries.find(&form);
    if (it == m_entries.end() || !it->second.window) return;
    FormWindow* w = it->second.window;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

void QtFormHost::hideForm(ui::Form& form) {
    auto it = m_entries.find(&form);
    if (it == m_entries.end()) return;
    if (it->second.window) it->second.window->hide();
    endLoops(it->second);
}

void QtFormHost::unloadForm(ui::Form& form) {
    auto it = m_entries.find(&form);
    if (it == m_entries.end()) return;
    Entry e = std::move(it->second);
    m_entries.erase(it);
    endLoops(e);
    if (!e.window) return;
    e.window->detachAll();
    e.window->hide();
    e.window->deleteLater();
    m_dying.push_back(e.window);
    // Forget windows that are gone already.
    m_dying.erase(
        std::remove_if(m_dying.begin(), m_dying.end(), [](auto& p) { return p.isNull(); }),
        m_dying.end());
}

void QtFormHost::formChanged(ui::Form& form) {
    if (FormWindow* w = windowOf(form)) w->applyForm();
}

int QtScreen::widthTwips() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() * kTwipsPerPixel : 1024 * kTwipsPerPixel;
}

int QtScreen::heightTwips() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() * kTwipsPerPixel : 768 * kTwipsPerPixel;
}

std::vector<std::string> QtScreen::monitorNames() {
    std::vector<std::string> out;
    QList<QScreen*> screens = QGuiApplication::screens();
    // The primary monitor first, as the screens list of the desktop settings shows it.
    std::stable_partition(screens.begin(), screens.end(),
                          [](QScreen* s) { return s == QGuiApplication::primaryScreen(); });
    for (QScreen* s : screens) {
        const QSize size = s->geometry().size();
        out.push_back(fromQ(s->name()) + " (" + std::to_string(size.width()) + "x" +
                      std::to_string(size.height()) + ")");
    }
    return out;
}

}  // namespace lirafok::qt
