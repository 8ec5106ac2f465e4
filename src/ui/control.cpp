#include "ui/control.h"

#include <algorithm>

#include "core/text.h"
#include "ui/form.h"

namespace lirafok::ui {

bool takesFocus(ControlKind k) {
    using K = ControlKind;
    return k == K::Button || k == K::TextBox || k == K::ListBox || k == K::ComboBox ||
           k == K::CheckBox || k == K::OptionButton || k == K::ScrollBar ||
           k == K::MultimediaControl || k == K::TabControl;
}

Control::Control(Form& form, ControlKind kind, std::string name, int index)
    : m_form(form), m_kind(kind), m_name(std::move(name)), m_index(index) {
    m_form.addControl(*this);
}

Control::~Control() = default;

std::string Control::path() const {
    std::string p = m_form.name() + "." + m_name;
    if (m_index >= 0) {
        p += '(';
        p += std::to_string(m_index);
        p += ')';
    }
    return p;
}

void Control::setCaption(const std::string& c) {
    if (c == m_caption) return;
    m_caption = c;
    changed(Prop::Caption);
}

void Control::setForeColor(Color c) {
    if (c == m_foreColor) return;
    m_foreColor = c;
    changed(Prop::ForeColor);
}

void Control::setBackColor(Color c) {
    if (c == m_backColor) return;
    m_backColor = c;
    changed(Prop::BackColor);
}

void Control::setFont(const Font& f) {
    if (f == m_font) return;
    m_font = f;
    changed(Prop::Font);
}

void Control::setFontName(const std::string& n) {
    Font f = m_font;
    f.name = n;
    setFont(f);
}

void Control::setFontSize(double s) {
    Font f = m_font;
    f.size = s;
    setFont(f);
}

void Control::setFontBold(bool b) {
    Font f = m_font;
    f.bold = b;
    setFont(f);
}

void Control::setFontItalic(bool i) {
    Font f = m_font;
    f.italic = i;
    setFont(f);
}

void Control::setVisible(bool v) {
    if (v == m_visible) return;
    m_visible = v;
    changed(Prop::Visible);
}

void Control::setEnabled(bool e) {
    if (e == m_enabled) return;
    m_enabled = e;
    changed(Prop::Enabled);
}

void Control::move(int left, int top, int width, int height) {
    if (left == m_left && top == m_top && width == m_width && height == m_height) return;
    m_left = left;
    m_top = top;
    m_width = width < 0 ? 0 : width;
    m_height = height < 0 ? 0 : height;
    changed(Prop::Geometry);
}

void Control::setAlignment(int a) {
    if (a == m_alignment) return;
    m_alignment = a;
    changed(Prop::Alignment);
}

void Control::setContainer(Control* container, int page) {
    if (m_container) {
        auto& v = m_container->m_contained;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_container = container;
    m_page = page;
    if (container) container->m_contained.push_back(this);
    changed(Prop::Geometry);
    changed(Prop::Visible);
    changed(Prop::Enabled);
}

void Control::userClick() {
    if (onClick) onClick();
}

// --- TextBox ---

void TextBox::setText(const std::string& t) {
    if (t == caption()) return;
    setCaption(t);
    int len = static_cast<int>(text::charLength(t));
    if (m_selStart > len) m_selStart = len;
    if (m_selStart + m_selLength > len) m_selLength = len - m_selStart;
    if (onChange) onChange();
}

void TextBox::setSelection(int start, int length) {
    int len = static_cast<int>(text::charLength(text()));
    m_selStart = std::clamp(start, 0, len);
    m_selLength = std::clamp(length, 0, len - m_selStart);
    changed(Prop::TextSelection);
}

std::string TextBox::selText() const {
    return text::mid(text(), static_cast<std::size_t>(m_selStart) + 1, m_selLength);
}

void TextBox::setSelText(const std::string& t) {
    std::string before = text::left(text(), static_cast<std::size_t>(m_selStart));
    std::string after = text::mid(text(), static_cast<std::size_t>(m_selStart + m_selLength) + 1);
    int start = m_selStart + static_cast<int>(text::charLength(t));
    setText(before + t + after);
    m_selStart = start;
    m_selLength = 0;
    changed(Prop::TextSelection);
}

// --- ListBox ---

const std::string& ListBox::list(int i) const {
    static const std::string empty;
    if (i < 0 || i >= listCount()) return empty;
    return m_items[static_cast<std::size_t>(i)];
}

void ListBox::setList(int i, const std::string& s) {
    if (i < 0 || i >= listCount()) return;
    m_items[static_cast<std::size_t>(i)] = s;
    changed(Prop::Items);
}

void ListBox::addItem(const std::string& s, int at) {
    if (at < 0 || at > listCount()) at = listCount();
    m_items.insert(m_items.begin() + at, s);
    m_selected.insert(m_selected.begin() + at, false);
    if (m_listIndex >= at) ++m_listIndex;
    changed(Prop::Items);
}

void ListBox::removeItem(int i) {
    if (i < 0 || i >= listCount()) return;
    m_items.erase(m_items.begin() + i);
    m_selected.erase(m_selected.begin() + i);
    if (m_listIndex == i)
        m_listIndex = -1;
    else if (m_listIndex > i)
        --m_listIndex;
    changed(Prop::Items);
}

void ListBox::clear() {
    m_items.clear();
    m_selected.clear();
    m_listIndex = -1;
    m_topIndex = 0;
    changed(Prop::Items);
}

bool ListBox::selected(int i) const {
    if (i < 0 || i >= listCount()) return false;
    return m_selected[static_cast<std::size_t>(i)];
}

void ListBox::setSelected(int i, bool s) {
    if (i < 0 || i >= listCount()) return;
    if (!m_multiSelect && s) {
        std::fill(m_selected.begin(), m_selected.end(), false);
        m_listIndex = i;
    }
    m_selected[static_cast<std::size_t>(i)] = s;
    if (!m_multiSelect && !s && m_listIndex == i) m_listIndex = -1;
    changed(Prop::Selection);
}

void ListBox::setListIndex(int i) {
    if (i < -1 || i >= listCount()) return;
    m_listIndex = i;
    if (!m_multiSelect) {
        std::fill(m_selected.begin(), m_selected.end(), false);
        if (i >= 0) m_selected[static_cast<std::size_t>(i)] = true;
    }
    changed(Prop::Selection);
    if (onClick) onClick();
}

void ListBox::setTopIndex(int i) {
    m_topIndex = std::clamp(i, 0, std::max(0, listCount() - 1));
    changed(Prop::Selection);
}

void ListBox::userClickItem(int i) {
    if (i < 0 || i >= listCount()) return;
    std::fill(m_selected.begin(), m_selected.end(), false);
    m_selected[static_cast<std::size_t>(i)] = true;
    m_listIndex = i;
    changed(Prop::Selection);
    userMouseDown(1);
    if (onClick) onClick();
}

void ListBox::userSelect(const std::vector<int>& items) {
    std::fill(m_selected.begin(), m_selected.end(), false);
    for (int i : items)
        if (i >= 0 && i < listCount()) m_selected[static_cast<std::size_t>(i)] = true;
    if (!items.empty()) m_listIndex = items.back();
    changed(Prop::Selection);
    if (onClick) onClick();
}

// --- ComboBox ---

void ComboBox::setText(const std::string& t) {
    if (t == caption()) return;
    setCaption(t);
    if (onChange) onChange();
}

bool ComboBox::userChoose(const std::string& t) {
    auto it = std::find(m_items.begin(), m_items.end(), t);
    if (it == m_items.end()) return false;
    int i = static_cast<int>(it - m_items.begin());
    std::fill(m_selected.begin(), m_selected.end(), false);
    m_selected[static_cast<std::size_t>(i)] = true;
    m_listIndex = i;
    changed(Prop::Selection);
    setText(t);
    if (onClick) onClick();
    return true;
}

// --- TabControl ---

void TabControl::setTabs(int n) {
    n = std::max(0, n);
    while (tabs() < n) {
        std::string caption = "Tab ";
        caption += std::to_string(tabs());
        m_captions.push_back(caption);
    }
    m_captions.resize(static_cast<std::size_t>(n));
    const int was = m_tab;
    if (m_tab >= n) m_tab = n - 1;
    if (m_tab < 0 && n > 0) m_tab = 0;
    setCaption(tabCaption(m_tab));
    changed(Prop::Items);
    if (m_tab != was) {
        changed(Prop::Value);
        containedChanged(Prop::Visible);
    }
}

const std::string& TabControl::tabCaption(int i) const {
    static const std::string empty;
    if (i < 0 || i >= tabs()) return empty;
    return m_captions[static_cast<std::size_t>(i)];
}

void TabControl::setTabCaption(int i, const std::string& c) {
    if (i < 0 || i >= tabs()) return;
    m_captions[static_cast<std::size_t>(i)] = c;
    if (i == m_tab) setCaption(c);
    changed(Prop::Items);
}

void TabControl::setTab(int i) {
    if (i < 0 || i >= tabs() || i == m_tab) return;
    const int previous = m_tab;
    m_tab = i;
    setCaption(tabCaption(i));
    changed(Prop::Value);
    containedChanged(Prop::Visible);
    if (onTabClick) onTabClick(previous);
}

// --- CheckBox, OptionButton, ScrollBar, Menu ---

void CheckBox::setValue(int v) {
    if (v == m_value) return;
    m_value = v;
    changed(Prop::Value);
    if (onClick) onClick();
}

void OptionButton::setValue(bool v) {
    if (v) {
        for (Control* c : form().controls()) {
            if (c == this || c->kind() != ControlKind::OptionButton) continue;
            auto* o = static_cast<OptionButton*>(c);
            if (o->m_group == m_group && o->m_value) {
                o->m_value = false;
                o->changed(Prop::Value);
            }
        }
    }
    bool was = m_value;
    m_value = v;
    if (was != v) changed(Prop::Value);
    if (v && onClick) onClick();
}

void ScrollBar::setValue(int v) {
    v = std::clamp(v, m_min, m_max);
    if (v == m_value) return;
    m_value = v;
    changed(Prop::Value);
    if (onChange) onChange();
}

void ScrollBar::setRange(int mn, int mx) {
    m_min = mn;
    m_max = mx;
    changed(Prop::Range);
}

void Menu::setChecked(bool c) {
    if (c == m_checked) return;
    m_checked = c;
    changed(Prop::Checked);
}

}  // namespace lirafok::ui
