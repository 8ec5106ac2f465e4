#pragma once
// Views of the controls a user types into or picks from: text boxes, list boxes, combo
// boxes, check boxes and option buttons.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "qt/control_view.h"

namespace lirafok::qt {

// Check and option buttons whose state only the model changes: a click asks the model, and
// the model's answer comes back as a Value change.
class ModelCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

class ModelRadioButton : public QRadioButton {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {}
};

// Single-line text boxes become a QLineEdit, multi-line ones a QPlainTextEdit. The model keeps
// CR LF line breaks and counts its selection in code points; the view converts both ways.
class TextBoxView : public ControlViewBase {
    Q_OBJECT
public:
    TextBoxView(ui::Control& c, FormWindow& w);
    QLineEdit* lineEdit() const { return m_line; }
    QPlainTextEdit* textEdit() const { return m_multi; }

protected:
    void applyCaption() override;
    void applyColors() override;
    void applyAlignment() override;
    void applyTextSelection() override;
    void applyEnabled() override;

private:
    void userEdited();
    void userSelected();
    QString widgetText() const;

    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_multi = nullptr;
};

// Single selection: a press on an entry is the user's pick (MouseDown, then Click); arrow keys
// select without MouseDown. Multiple selection: each press toggles an entry.
class ListBoxView : public ControlViewBase {
    Q_OBJECT
public:
    ListBoxView(ui::Control& c, FormWindow& w);
    QListWidget* list() const { return static_cast<QListWidget*>(m_widget.data()); }

protected:
    void applyItems() override;
    void applySelection() override;
    void applyColors() override;
    bool reportsMouseDown() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_appliedTopIndex = 0;
};

class ComboBoxView : public ControlViewBase {
    Q_OBJECT
public:
    ComboBoxView(ui::Control& c, FormWindow& w);
    QComboBox* combo() const { return static_cast<QComboBox*>(m_widget.data()); }

protected:
    void applyItems() override;
    void applySelection() override;
    void applyCaption() override;
    void applyColors() override;
};

class CheckBoxView : public ControlViewBase {
    Q_OBJECT
public:
    CheckBoxView(ui::Control& c, FormWindow& w);
    QCheckBox* checkBox() const { return static_cast<QCheckBox*>(m_widget.data()); }

protected:
    void applyCaption() override;
    void applyValue() override;
    void applyColors() override;
    void applyAlignment() override;
};

class OptionButtonView : public ControlViewBase {
    Q_OBJECT
public:
    OptionButtonView(ui::Control& c, FormWindow& w);
    QRadioButton* radio() const { return static_cast<QRadioButton*>(m_widget.data()); }

protected:
    void applyCaption() override;
    void applyValue() override;
    void applyColors() override;
    void applyAlignment() override;
};

}  // namespace lirafok::qt
