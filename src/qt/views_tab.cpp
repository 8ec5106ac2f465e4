#include "qt/views_tab.h"

#include "qt/form_window.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

TabView::TabView(ui::Control& c, FormWindow& w) : ControlViewBase(c, w) {
    auto* t = new QTabWidget(parentWidget());
    t->setAutoFillBackground(true);
    setWidget(t);
    connect(t, &QTabWidget::currentChanged, this, [this](int i) {
        if (!m_control || m_applying) return;
        model().userClickTab(i);
        // The model has the last word on the current tab.
        if (m_control) {
            Applying guard(m_applying);
            applyValue();
        }
    });
}

void TabView::applyItems() {
    QTabWidget* t = tabs();
    const auto& captions = model().tabCaptions();
    const int n = static_cast<int>(captions.size());
    while (t->count() > n) {
        QWidget* page = t->widget(t->count() - 1);
        t->removeTab(t->count() - 1);
        delete page;
    }
    while (t->count() < n) t->addTab(new QWidget, QString());
    for (int i = 0; i < n; ++i) t->setTabText(i, toQ(captions[static_cast<std::size_t>(i)]));
    applyValue();
}

void TabView::applyValue() {
    if (model().tab() >= 0) tabs()->setCurrentIndex(model().tab());
}

}  // namespace lirafok::qt
