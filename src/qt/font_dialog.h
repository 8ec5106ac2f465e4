#pragma once
// A font dialog that honours what the program asks for: the size range, screen fonts only and
// a choice among installed faces. (QFontDialog knows no size limits.) Which faces it offers
// and what it returns follow ui/font_rules.h, as the headless dialog does.
#include <QDialog>

#include "qt/qt_services.h"
#include "ui/services.h"

class QComboBox;
class QCheckBox;
class QFontComboBox;
class QLabel;
class QListWidget;

namespace lirafok::qt {

class FontDialog : public QDialog {
    Q_OBJECT
public:
    explicit FontDialog(const ui::FontDialogRequest& request, QWidget* parent = nullptr);
    ui::FontChoice choice() const;

    // The sizes offered in the list: the usual steps within the request's limits, always
    // including the limits themselves and the preset size when it lies within them.
    static std::vector<double> offeredSizes(const ui::FontDialogRequest& request);

private:
    void updatePreview();

    ui::FontDialogRequest m_request;
    mutable QtInstalledFonts m_installed;
    QListWidget* m_faces;
    QComboBox* m_size;
    QCheckBox* m_bold;
    QCheckBox* m_italic;
    QLabel* m_preview;
};

}  // namespace lirafok::qt
