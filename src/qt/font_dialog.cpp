#include "qt/font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "qt/font_resolver.h"
#include "qt/qt_convert.h"
#include "ui/font_rules.h"

namespace lirafok::qt {

namespace {

QString sizeText(double s) {
    return std::fabs(s - std::round(s)) < 0.01 ? QString::number(std::lround(s))
                                               : QString::number(s, 'f', 1);
}

}  // namespace

std::vector<double> FontDialog::offeredSizes(const ui::FontDialogRequest& r) {
    std::vector<double> steps = {6,  7,  8,  9,  10, 11, 12, 13, 14, 16,
                                 18, 20, 22, 24, 26, 28, 36, 48, 72};
    if (!r.limitSize) return steps;
    const ui::FontSizeRange range = ui::fontDialogSizes(r);
    std::vector<double> out;
    for (double s : steps)
        if (s >= range.min && s <= range.max) out.push_back(s);
    for (double s : {range.min, range.max, r.preset.size})
        if (s >= range.min && s <= range.max && std::find(out.begin(), out.end(), s) == out.end())
            out.push_back(s);
    std::sort(out.begin(), out.end());
    return out;
}

FontDialog::FontDialog(const ui::FontDialogRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setWindowTitle(QString::fromUtf8("フォントの指定"));
    auto* grid = new QGridLayout(this);

    grid->addWidget(new QLabel(QString::fromUtf8("フォント名:")), 0, 0);
    m_faces = new QListWidget;
    QStringList families = QFontDatabase::families();
    if (request.screenFontsOnly) {
        // Screen fonts: faces that scale smoothly on the screen; drop the symbol-only ones.
        families.erase(std::remove_if(families.begin(), families.end(),
                                      [](const QString& f) {
                                          return QFontDatabase::isPrivateFamily(f) ||
                                                 !QFontDatabase::isSmoothlyScalable(f);
                                      }),
                       families.end());
    }
    // Every face listed must be one the dialog offers (the families are installed, and the
    // preset's face may be offered although it is missing).
    families.erase(std::remove_if(families.begin(), families.end(),
                                  [&](const QString& f) {
                                      return !ui::fontDialogOffers(request, fromQ(f), m_installed);
                                  }),
                   families.end());
    const QString preset = toQ(request.preset.name);
    if (!preset.isEmpty() && !families.contains(preset) &&
        ui::fontDialogOffers(request, request.preset.name, m_installed))
        families.prepend(preset);
    m_faces->addItems(families);
    QString select = preset;
    if (!families.contains(select)) select = fallbackFamilies(preset, FontPurpose::Text).value(0);
    const auto found = m_faces->findItems(select, Qt::MatchExactly);
    if (!found.isEmpty())
        m_faces->setCurrentItem(found.first());
    else if (m_faces->count() > 0)
        m_faces->setCurrentRow(0);
    grid->addWidget(m_faces, 1, 0, 5, 1);

    grid->addWidget(new QLabel(QString::fromUtf8("サイズ:")), 0, 1);
    m_size = new QComboBox;
    m_size->setEditable(true);
    for (double s : offeredSizes(request)) m_size->addItem(sizeText(s));
    m_size->lineEdit()->setValidator(new QDoubleValidator(1, 999, 1, m_size));
    const ui::FontSizeRange sizes = ui::fontDialogSizes(request);
    m_size->setEditText(sizeText(
        std::clamp(request.preset.size > 0 ? request.preset.size : 9, sizes.min, sizes.max)));
    grid->addWidget(m_size, 1, 1);
    if (request.limitSize) {
        auto* range = new QLabel(
            QString::fromUtf8("(%1～%2 ポイント)").arg(sizeText(sizes.min), sizeText(sizes.max)));
        grid->addWidget(range, 2, 1);
    }
    m_bold = new QCheckBox(QString::fromUtf8("太字"));
    m_bold->setChecked(request.preset.bold);
    m_italic = new QCheckBox(QString::fromUtf8("斜体"));
    m_italic->setChecked(request.preset.italic);
    grid->addWidget(m_bold, 3, 1);
    grid->addWidget(m_italic, 4, 1);

    grid->setRowStretch(5, 1);

    m_preview = new QLabel(QString::fromUtf8("Aa あア亜 0123"));
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setMinimumHeight(60);
    grid->addWidget(m_preview, 6, 0, 1, 2);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 7, 0, 1, 2);

    connect(m_faces, &QListWidget::currentRowChanged, this, &FontDialog::updatePreview);
    connect(m_size, &QComboBox::currentTextChanged, this, &FontDialog::updatePreview);
    connect(m_bold, &QCheckBox::toggled, this, &FontDialog::updatePreview);
    connect(m_italic, &QCheckBox::toggled, this, &FontDialog::updatePreview);
    updatePreview();
    resize(460, 420);
}

ui::FontChoice FontDialog::choice() const {
    ui::FontChoice pick;
    if (m_faces->currentItem()) pick.name = fromQ(m_faces->currentItem()->text());
    bool ok = false;
    double size = m_size->currentText().toDouble(&ok);
    pick.size = ok ? size : m_request.preset.size;
    pick.bold = m_bold->isChecked();
    pick.italic = m_italic->isChecked();
    // The list holds only offered faces, so the rules always give an answer.
    return ui::fontDialogResult(m_request, pick, m_installed).value_or(ui::FontChoice{});
}

void FontDialog::updatePreview() {
    ui::FontChoice c = choice();
    m_preview->setFont(resolveFont(ui::Font{c.name, c.size, c.bold, c.italic}));
}

}  // namespace lirafok::qt
