#include "ui/form.h"

#include <stdexcept>

#include "ui/timer.h"

namespace lirafok::ui {

Form::Form(FormHost& host, std::string name) : m_host(host), m_name(std::move(name)) {}

Form::~Form() = default;

void Form::addControl(Control& c) {
    m_controls.push_back(&c);
}

Control* Form::findControl(const std::string& name, int index) const {
    for (Control* c : m_controls)
        if (c->name() == name && c->index() == index) return c;
    return nullptr;
}

void Form::setToolTips(std::initializer_list<std::pair<const char*, const char*>> tips) {
    for (const auto& [key, tip] : tips) {
        std::string name = key;
        int index = -1;
        if (const auto open = name.find('('); open != std::string::npos) {
            index = std::stoi(name.substr(open + 1));
            name.resize(open);
        }
        bool found = false;
        for (Control* c : m_controls) {
            if (c->name() != name || (index >= 0 && c->index() != index)) continue;
            c->setToolTip(tip);
            found = true;
        }
        if (!found) throw std::logic_error("no control " + std::string(key) + " on " + m_name);
    }
}

void Form::setCaption(const std::string& c) {
    if (c == m_caption) return;
    m_caption = c;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::move(int left, int top, int width, int height) {
    bool resized = width != m_width || height != m_height;
    if (!resized && left == m_left && top == m_top) return;
    m_left = left;
    m_top = top;
    m_width = width < 0 ? 0 : width;
    m_height = height < 0 ? 0 : height;
    if (m_loaded) m_host.formChanged(*this);
    if (resized && m_loaded && !m_loading) Form_Resize();
}

void Form::setScale(double left, double top, double width, double height) {
    m_customScale = true;
    m_scaleLeft = left;
    m_scaleTop = top;
    m_scaleWidth = width;
    m_scaleHeight = height;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::setFontZoom(double z) {
    if (z == m_fontZoom) return;
    m_fontZoom = z;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::resetScale() {
    m_customScale = false;
    m_scaleLeft = m_scaleTop = 0;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::setBackColor(Color c) {
    m_backColor = c;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::setTopMost(bool t) {
    if (t == m_topMost) return;
    m_topMost = t;
    if (m_loaded) m_host.formChanged(*this);
}

void Form::load() {
    if (m_loaded || m_loading) return;
    m_loading = true;
    m_loaded = true;
    Form_Load();
    m_loading = false;
}

void Form::show(bool modal) {
    load();
    if (!m_loaded) return;  // Form_Load unloaded the window again
    bool wasVisible = m_visible;
    m_visible = true;
    m_modal = modal;
    if (!wasVisible || modal) {
        m_host.showForm(*this, modal);
    } else {
        m_minimized = false;
        m_host.raiseForm(*this);
    }
    m_modal = false;
}

void Form::hide() {
    if (!m_visible) return;
    m_visible = false;
    m_host.hideForm(*this);
}

bool Form::unload(UnloadMode mode) {
    if (!m_loaded || m_unloading) return true;
    m_unloading = true;
    bool cancel = false;
    Form_QueryUnload(cancel, mode);
    if (cancel) {
        m_unloading = false;
        return false;
    }
    Form_Unload();
    for (Control* c : m_controls)
        if (c->kind() == ControlKind::Timer) static_cast<Timer*>(c)->shutdown();
    m_visible = false;
    m_loaded = false;
    m_host.unloadForm(*this);
    m_unloading = false;
    if (onUnloaded) onUnloaded(*this);
    return true;
}

void Form::destroySilently() {
    if (!m_loaded) return;
    for (Control* c : m_controls)
        if (c->kind() == ControlKind::Timer) static_cast<Timer*>(c)->shutdown();
    m_visible = false;
    m_loaded = false;
    m_host.unloadForm(*this);
    if (onUnloaded) onUnloaded(*this);
}

void Form::userResizeInner(int innerW, int innerH) {
    move(m_left, m_top, innerW + kFrameWidth, innerH + kFrameHeight);
}

void Form::userMove(int left, int top) {
    m_left = left;
    m_top = top;
}

void Form::setFullScreen(bool on, int monitor) {
    if (on == m_fullScreen && monitor == m_fullScreenMonitor) return;
    m_fullScreen = on;
    m_fullScreenMonitor = monitor;
    if (m_loaded) m_host.formChanged(*this);
}

}  // namespace lirafok::ui
