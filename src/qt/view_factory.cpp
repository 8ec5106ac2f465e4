#include "qt/view_factory.h"

#include <QMenu>
#include <QMenuBar>
#include <map>

#include "qt/form_window.h"
#include "qt/qt_convert.h"
#include "qt/views_basic.h"
#include "qt/views_cdg.h"
#include "qt/views_input.h"
#include "qt/views_karaoke.h"
#include "qt/views_range.h"
#include "qt/views_tab.h"
#include "ui/form.h"

namespace lirafok::qt {

std::unique_ptr<ViewHandle> createView(ui::Control& c, FormWindow& w) {
    using K = ui::ControlKind;
    switch (c.kind()) {
        case K::Button:
            return std::make_unique<ButtonView>(c, w);
        case K::Panel:
        case K::Label:
            return std::make_unique<PanelView>(c, w);
        case K::Frame:
            return std::make_unique<FrameView>(c, w);
        case K::Line:
            return std::make_unique<LineView>(c, w);
        case K::TextBox:
            return std::make_unique<TextBoxView>(c, w);
        case K::ListBox:
            return std::make_unique<ListBoxView>(c, w);
        case K::ComboBox:
            return std::make_unique<ComboBoxView>(c, w);
        case K::CheckBox:
            return std::make_unique<CheckBoxView>(c, w);
        case K::OptionButton:
            return std::make_unique<OptionButtonView>(c, w);
        case K::SpinButton:
            return std::make_unique<SpinButtonView>(c, w);
        case K::ScrollBar:
            return std::make_unique<ScrollBarView>(c, w);
        case K::MultimediaControl:
            return std::make_unique<MMControlView>(c, w);
        case K::TabControl:
            return std::make_unique<TabView>(c, w);
        case K::CdgPicture:
            return std::make_unique<CdgPictureView>(c, w);
        case K::KaraokeScreen:
            return std::make_unique<KaraokeScreenView>(c, w);
        case K::Menu:
        case K::Timer:
        case K::CommonDialog:
            return nullptr;
    }
    return nullptr;
}

bool hasMenus(const ui::Form& form) {
    for (ui::Control* c : form.controls())
        if (c->kind() == ui::ControlKind::Menu) return true;
    return false;
}

std::vector<std::unique_ptr<ViewHandle>> buildMenus(ui::Form& form, QMenuBar& bar) {
    std::vector<ui::Menu*> menus;
    for (ui::Control* c : form.controls())
        if (c->kind() == ui::ControlKind::Menu) menus.push_back(static_cast<ui::Menu*>(c));
    auto hasChildren = [&](const ui::Menu& m) {
        for (ui::Menu* other : menus)
            if (other->parent() == m.name()) return true;
        return false;
    };

    std::vector<std::unique_ptr<ViewHandle>> views;
    std::map<std::string, QMenu*> dropDowns;
    // Parents come before their entries in the form's order, but do not rely on it: keep
    // placing entries until no more can be placed.
    std::vector<ui::Menu*> pending = menus;
    bool progress = true;
    while (!pending.empty() && progress) {
        progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            ui::Menu* m = *it;
            QWidget* owner = &bar;
            if (!m->parent().empty()) {
                auto found = dropDowns.find(m->parent());
                if (found == dropDowns.end()) {
                    ++it;
                    continue;
                }
                owner = found->second;
            }
            QAction* action;
            if (hasChildren(*m)) {
                auto* drop = new QMenu(toQ(m->caption()), owner);
                dropDowns[m->name()] = drop;
                action = drop->menuAction();
            } else {
                action = new QAction(toQ(m->caption()), owner);
            }
            action->setObjectName(toQ(m->path()));
            owner->addAction(action);
            auto view = std::make_unique<MenuView>(*m, action, m->parent().empty());
            m->attachView(view.get());
            views.push_back(std::move(view));
            it = pending.erase(it);
            progress = true;
        }
    }
    return views;
}

}  // namespace lirafok::qt
