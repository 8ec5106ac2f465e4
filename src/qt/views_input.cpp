#include "qt/views_input.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

#include "core/text.h"
#include "qt/form_window.h"
#include "qt/qt_convert.h"
#include "qt/views_basic.h"

namespace lirafok::qt {

namespace {

void setTextColors(QWidget* w, const ui::Control& c) {
    QPalette pal = w->palette();
    const QColor back = toQColor(c.backColor());
    const QColor fore = toQColor(c.foreColor());
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::Active, QPalette::Text, fore);
    pal.setColor(QPalette::Inactive, QPalette::Text, fore);
    w->setPalette(pal);
}

void setCaptionColors(QWidget* w, const ui::Control& c) {
    QPalette pal = w->palette();
    const QColor fore = toQColor(c.foreColor());
    pal.setColor(QPalette::Window, toQColor(c.backColor()));
    pal.setColor(QPalette::Active, QPalette::WindowText, fore);
    pal.setColor(QPalette::Inactive, QPalette::WindowText, fore);
    pal.setColor(QPalette::Active, QPalette::ButtonText, fore);
    pal.setColor(QPalette::Inactive, QPalette::ButtonText, fore);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

}  // namespace

// --- TextBoxView ---

TextBoxView::TextBoxView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto& tb = static_cast<ui::TextBox&>(c);
    if (tb.multiLine()) {
        m_multi = new QPlainTextEdit(parentWidget());
        m_multi->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        m_multi->setTabChangesFocus(false);
        setWidget(m_multi);
        watch(m_multi->viewport());
        connect(m_multi, &QPlainTextEdit::textChanged, this, &TextBoxView::userEdited);
        connect(m_multi, &QPlainTextEdit::cursorPositionChanged, this, &TextBoxView::userSelected);
        connect(m_multi, &QPlainTextEdit::selectionChanged, this, &TextBoxView::userSelected);
    } else {
        m_line = new QLineEdit(parentWidget());
        if (tb.maxLength() > 0) m_line->setMaxLength(tb.maxLength());
        setWidget(m_line);
        connect(m_line, &QLineEdit::textChanged, this, &TextBoxView::userEdited);
        connect(m_line, &QLineEdit::cursorPositionChanged, this, &TextBoxView::userSelected);
        connect(m_line, &QLineEdit::selectionChanged, this, &TextBoxView::userSelected);
    }
}

QString TextBoxView::widgetText() const {
    return m_multi ? m_multi->toPlainText() : m_line->text();
}

void TextBoxView::applyCaption() {
    const QString text = toWidgetLineBreaks(toQ(m_control->caption()));
    if (text == widgetText()) return;  // the user's own typing coming back
    if (m_multi)
        m_multi->setPlainText(text);
    else
        m_line->setText(text);
    applyTextSelection();
}

void TextBoxView::applyColors() {
    setTextColors(m_widget, *m_control);
}

void TextBoxView::applyAlignment() {
    if (m_line)
        m_line->setAlignment(horizontalAlignment(m_control->alignment()) | Qt::AlignVCenter);
}

void TextBoxView::applyEnabled() {
    ControlViewBase::applyEnabled();
    bool locked = static_cast<ui::TextBox*>(m_control)->locked();
    if (m_multi)
        m_multi->setReadOnly(locked);
    else
        m_line->setReadOnly(locked);
}

void TextBoxView::applyTextSelection() {
    auto& tb = static_cast<ui::TextBox&>(*m_control);
    const QString model = toQ(tb.text());
    const int start = modelToWidgetPos(model, tb.selStart());
    const int end = modelToWidgetPos(model, tb.selStart() + tb.selLength());
    if (m_multi) {
        QTextCursor cur = m_multi->textCursor();
        const int max = m_multi->document()->characterCount() - 1;
        cur.setPosition(std::min(start, max));
        cur.setPosition(std::min(end, max), QTextCursor::KeepAnchor);
        m_multi->setTextCursor(cur);
    } else {
        m_line->setSelection(start, end - start);
        if (end == start) m_line->setCursorPosition(start);
    }
}

void TextBoxView::userEdited() {
    if (!m_control || m_applying) return;
    auto& tb = static_cast<ui::TextBox&>(*m_control);
    const QString text = toModelLineBreaks(widgetText());
    const std::string utf8 = fromQ(text);
    if (m_multi && tb.maxLength() > 0 &&
        static_cast<int>(lirafok::text::charLength(utf8)) > tb.maxLength()) {
        Applying guard(m_applying);
        m_multi->setPlainText(toWidgetLineBreaks(toQ(tb.text())));
        m_multi->moveCursor(QTextCursor::End);
        return;
    }
    tb.userType(utf8);
    if (!m_control) return;  // the Change handler unloaded the form
    userSelected();
}

void TextBoxView::userSelected() {
    if (!m_control || m_applying) return;
    auto& tb = static_cast<ui::TextBox&>(*m_control);
    const QString model = toQ(tb.text());
    if (toWidgetLineBreaks(model) != widgetText()) return;  // the text itself is still on its way
    int wStart, wEnd;
    if (m_multi) {
        QTextCursor cur = m_multi->textCursor();
        wStart = cur.selectionStart();
        wEnd = cur.selectionEnd();
    } else if (m_line->hasSelectedText()) {
        wStart = m_line->selectionStart();
        wEnd = wStart + int(m_line->selectedText().size());
    } else {
        wStart = wEnd = m_line->cursorPosition();
    }
    const int start = widgetToModelPos(model, wStart);
    const int end = widgetToModelPos(model, wEnd);
    Applying guard(m_applying);
    tb.setSelection(start, end - start);
}

// --- ListBoxView ---

ListBoxView::ListBoxView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* l = new QListWidget(parentWidget());
    l->setUniformItemSizes(true);
    l->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto& lb = static_cast<ui::ListBox&>(c);
    l->setSelectionMode(lb.multiSelect() ? QAbstractItemView::MultiSelection
                                         : QAbstractItemView::SingleSelection);
    setWidget(l);
    watch(l->viewport());
    connect(l, &QListWidget::currentRowChanged, this, [this](int row) {
        // Single selection: the mouse is handled in the event filter, so a change of the
        // current row that gets here came from the keyboard.
        if (!m_control || m_applying || row < 0) return;
        auto& lb = static_cast<ui::ListBox&>(*m_control);
        if (!lb.multiSelect() && row != lb.listIndex()) lb.userSelect({row});
    });
    connect(l, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_control || m_applying) return;
        auto& lb = static_cast<ui::ListBox&>(*m_control);
        if (!lb.multiSelect()) return;
        std::vector<int> rows;
        const int current = list()->currentRow();
        bool currentSelected = false;
        for (int i = 0; i < list()->count(); ++i) {
            if (!list()->item(i)->isSelected()) continue;
            if (i == current)
                currentSelected = true;
            else
                rows.push_back(i);
        }
        // The entry the user touched last is the list's current entry.
        if (currentSelected) rows.push_back(current);
        lb.userSelect(rows);
    });
}

bool ListBoxView::reportsMouseDown() const {
    return m_control && static_cast<ui::ListBox*>(m_control)->multiSelect();
}

bool ListBoxView::eventFilter(QObject* watched, QEvent* event) {
    if (m_control && watched == list()->viewport() &&
        !static_cast<ui::ListBox*>(m_control)->multiSelect()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            list()->setFocus(Qt::MouseFocusReason);
            if (!m_control) return true;
            QListWidgetItem* item = list()->itemAt(me->position().toPoint());
            if (!item) return true;
            if (me->button() == Qt::LeftButton)
                static_cast<ui::ListBox*>(m_control)->userClickItem(list()->row(item));
            else
                m_control->userMouseDown(me->button() == Qt::RightButton ? 2 : 4);
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (m_control->onDblClick) m_control->onDblClick();
            return true;
        }
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease)
            return true;
    }
    return ControlViewBase::eventFilter(watched, event);
}

void ListBoxView::applyItems() {
    auto& lb = static_cast<ui::ListBox&>(*m_control);
    QSignalBlocker block(list());
    const int n = lb.listCount();
    // Rewrite in place: a full clear would lose the scroll position on every refresh.
    while (list()->count() > n) delete list()->takeItem(list()->count() - 1);
    for (int i = 0; i < n; ++i) {
        const QString text = toQ(lb.list(i));
        if (i < list()->count()) {
            if (list()->item(i)->text() != text) list()->item(i)->setText(text);
        } else {
            list()->addItem(text);
        }
    }
    if (n == 0) m_appliedTopIndex = 0;
}

void ListBoxView::applySelection() {
    auto& lb = static_cast<ui::ListBox&>(*m_control);
    QSignalBlocker block(list());
    for (int i = 0; i < list()->count(); ++i) {
        bool sel = lb.selected(i);
        if (list()->item(i)->isSelected() != sel) list()->item(i)->setSelected(sel);
    }
    const int index = lb.listIndex();
    if (index >= 0 && index < list()->count())
        list()->setCurrentRow(index, QItemSelectionModel::NoUpdate);
    else
        list()->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    if (lb.topIndex() != m_appliedTopIndex) {
        m_appliedTopIndex = lb.topIndex();
        list()->verticalScrollBar()->setValue(lb.topIndex());
    } else if (index >= 0 && index < list()->count()) {
        list()->scrollToItem(list()->item(index));
    }
}

void ListBoxView::applyColors() {
    setTextColors(m_widget, *m_control);
}

// --- ComboBoxView ---

ComboBoxView::ComboBoxView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* cb = new QComboBox(parentWidget());
    cb->setEditable(true);
    cb->setInsertPolicy(QComboBox::NoInsert);
    setWidget(cb);
    connect(cb, &QComboBox::editTextChanged, this, [this](const QString& t) {
        if (!m_control || m_applying) return;
        static_cast<ui::ComboBox*>(m_control)->userType(fromQ(t));
    });
    connect(cb, &QComboBox::activated, this, [this](int i) {
        if (!m_control || m_applying || i < 0) return;
        static_cast<ui::ComboBox*>(m_control)->userChoose(fromQ(combo()->itemText(i)));
    });
}

void ComboBoxView::applyItems() {
    auto& cb = static_cast<ui::ComboBox&>(*m_control);
    QSignalBlocker block(combo());
    combo()->clear();
    for (const std::string& s : cb.items()) combo()->addItem(toQ(s));
    applyCaption();
}

void ComboBoxView::applySelection() {
    auto& cb = static_cast<ui::ComboBox&>(*m_control);
    QSignalBlocker block(combo());
    combo()->setCurrentIndex(cb.listIndex());
    applyCaption();
}

void ComboBoxView::applyCaption() {
    QSignalBlocker block(combo());
    const QString text = toQ(m_control->caption());
    if (combo()->currentText() != text) combo()->setEditText(text);
}

void ComboBoxView::applyColors() {
    setTextColors(m_widget, *m_control);
}

// --- CheckBoxView ---

CheckBoxView::CheckBoxView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* b = new ModelCheckBox(parentWidget());
    setWidget(b);
    connect(b, &QCheckBox::clicked, this, [this] {
        if (!m_control || m_applying) return;
        m_control->userClick();
        if (m_control) applyValue();
    });
}

void CheckBoxView::applyCaption() {
    checkBox()->setText(toQ(m_control->caption()));
}

void CheckBoxView::applyValue() {
    QSignalBlocker block(checkBox());
    int v = static_cast<ui::CheckBox*>(m_control)->value();
    checkBox()->setTristate(v == 2);
    checkBox()->setCheckState(v == 0 ? Qt::Unchecked : v == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

void CheckBoxView::applyColors() {
    setCaptionColors(m_widget, *m_control);
}

void CheckBoxView::applyAlignment() {
    checkBox()->setLayoutDirection(m_control->alignment() == ui::align::kRight ? Qt::RightToLeft
                                                                               : Qt::LeftToRight);
}

// --- OptionButtonView ---

OptionButtonView::OptionButtonView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* b = new ModelRadioButton(parentWidget());
    b->setAutoExclusive(false);
    setWidget(b);
    connect(b, &QRadioButton::clicked, this, [this] {
        if (!m_control || m_applying) return;
        m_control->userClick();
        if (m_control) applyValue();
    });
}

void OptionButtonView::applyCaption() {
    radio()->setText(toQ(m_control->caption()));
}

void OptionButtonView::applyValue() {
    QSignalBlocker block(radio());
    radio()->setChecked(static_cast<ui::OptionButton*>(m_control)->value());
}

void OptionButtonView::applyColors() {
    setCaptionColors(m_widget, *m_control);
}

void OptionButtonView::applyAlignment() {
    radio()->setLayoutDirection(m_control->alignment() == ui::align::kRight ? Qt::RightToLeft
                                                                            : Qt::LeftToRight);
}

}  // namespace lirafok::qt
