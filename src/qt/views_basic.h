#pragma once
// Views of the passive and push-button controls: buttons, panels, labels, frames, lines.
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>

#include "qt/control_view.h"
#include "qt/font_resolver.h"

namespace lirafok::qt {

// A push button that also answers Enter and Return while it has the focus.
class KeyButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

// A three-dimensional panel or a plain label: a caption drawn in its colours inside an
// optional bevel, vertically centred for panels, from the top (and word-wrapped) for labels.
class PanelWidget : public QWidget {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Sunken };
    explicit PanelWidget(QWidget* parent) : QWidget(parent) {}
    void setText(const QString& t);
    QString text() const { return m_text; }
    void setBevel(Bevel b);
    void setTextAlignment(Qt::Alignment a);
    Qt::Alignment textAlignment() const { return m_align; }
    void setLabelStyle(bool label);  // top-aligned and word-wrapped

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_text;
    Bevel m_bevel = Bevel::Raised;
    Qt::Alignment m_align = Qt::AlignLeft;
    bool m_label = false;
};

// A line drawn from the top-left to the bottom-right corner of its rectangle (horizontal or
// vertical when the rectangle is one pixel thin).
class LineWidget : public QWidget {
    Q_OBJECT
public:
    explicit LineWidget(QWidget* parent) : QWidget(parent) {}
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor m_color = Qt::black;
};

class ButtonView : public ControlViewBase {
    Q_OBJECT
public:
    ButtonView(ui::Control& c, FormWindow& w);
    KeyButton* button() const { return static_cast<KeyButton*>(m_widget.data()); }
    void applyGeometry() override;

protected:
    void applyCaption() override;
    void applyFont() override;
    // A mode button is also drawn pressed while its mode is on (its caption not black).
    void applyColors() override;
};

// Panels (three-dimensional, caption centred vertically) and labels.
class PanelView : public ControlViewBase {
    Q_OBJECT
public:
    PanelView(ui::Control& c, FormWindow& w);
    PanelWidget* panel() const { return static_cast<PanelWidget*>(m_widget.data()); }
    FontPurpose fontPurpose() const { return m_purpose; }

    void applyGeometry() override;

protected:
    void applyCaption() override;
    void applyColors() override;
    void applyFont() override;
    void applyAlignment() override;

private:
    FontPurpose m_purpose = FontPurpose::Text;
};

class FrameView : public ControlViewBase {
    Q_OBJECT
public:
    FrameView(ui::Control& c, FormWindow& w);
    QGroupBox* box() const { return static_cast<QGroupBox*>(m_widget.data()); }

protected:
    void applyCaption() override;
};

class LineView : public ControlViewBase {
    Q_OBJECT
public:
    LineView(ui::Control& c, FormWindow& w);
    void applyGeometry() override;

protected:
    void applyColors() override;
};

// Horizontal alignment of the model's value: 0 left, 1 right, 2 centre. The values 3 to 8 of
// three-dimensional panels (right in 3..5, centre in 6..8) are understood as well.
Qt::Alignment horizontalAlignment(int modelAlignment);

}  // namespace lirafok::qt
