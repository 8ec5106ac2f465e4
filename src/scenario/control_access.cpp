#include "scenario/control_access.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "device/mm_control.h"
#include "ui/timer.h"

namespace lirafok::scenario {

std::string num(double v) {
    std::ostringstream o;
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        o << static_cast<long long>(v);
    else
        o << std::setprecision(15) << v;
    return o.str();
}

namespace {

// The N of "List(N)".
int argument(const std::string& prop, const std::string& name) {
    const std::string inner = prop.substr(name.size() + 1, prop.size() - name.size() - 2);
    char* end = nullptr;
    long v = std::strtol(inner.c_str(), &end, 10);
    if (inner.empty() || *end) throw std::runtime_error("not a number: " + inner);
    return static_cast<int>(v);
}

bool call(const std::string& prop, const std::string& name) {
    return prop.rfind(name + "(", 0) == 0 && prop.back() == ')';
}

}  // namespace

Value readProperty(const ui::Control& c, const std::string& p) {
    auto b = [](bool v) { return Value{v ? "true" : "false", false}; };
    auto n = [](double v) { return Value{num(v), true}; };
    if (p == "Caption" || p == "Text") return {c.caption(), false};
    if (p == "ForeColor") return n(c.foreColor());
    if (p == "BackColor") return n(c.backColor());
    if (p == "Visible") return b(c.visible());
    if (p == "Enabled") {
        if (auto* t = dynamic_cast<const ui::Timer*>(&c))
            return b(t->timerEnabled() && c.enabled());
        return b(c.enabled());
    }
    if (p == "Left") return n(c.left());
    if (p == "Top") return n(c.top());
    if (p == "Width") return n(c.width());
    if (p == "Height") return n(c.height());
    if (p == "FontName") return {c.font().name, false};
    if (p == "FontSize") return n(c.font().size);
    if (p == "FontBold") return b(c.font().bold);
    if (p == "FontItalic") return b(c.font().italic);
    if (p == "Alignment") return n(c.alignment());
    if (auto* tab = dynamic_cast<const ui::TabControl*>(&c)) {
        if (p == "Value" || p == "ListIndex") return n(tab->tab());
        if (p == "ListCount") return n(tab->tabs());
        if (call(p, "List")) return {tab->tabCaption(argument(p, "List")), false};
    }
    if (p == "Value") {
        if (auto* s = dynamic_cast<const ui::ScrollBar*>(&c)) return n(s->value());
        if (auto* k = dynamic_cast<const ui::CheckBox*>(&c)) return n(k->value());
        if (auto* o = dynamic_cast<const ui::OptionButton*>(&c)) return b(o->value());
        throw std::runtime_error(c.path() + " has no Value");
    }
    if (p == "Checked") {
        if (auto* m = dynamic_cast<const ui::Menu*>(&c)) return b(m->checked());
        if (auto* k = dynamic_cast<const ui::CheckBox*>(&c)) return b(k->value() != 0);
        throw std::runtime_error(c.path() + " has no Checked");
    }
    if (p == "Interval" || p == "UpdateInterval") {
        if (auto* t = dynamic_cast<const ui::Timer*>(&c)) return n(t->interval());
        if (auto* m = dynamic_cast<const device::MMControl*>(&c)) return n(m->UpdateInterval());
        throw std::runtime_error(c.path() + " has no Interval");
    }
    if (auto* list = dynamic_cast<const ui::ListBox*>(&c)) {
        if (p == "ListCount") return n(list->listCount());
        if (p == "ListIndex") return n(list->listIndex());
        if (call(p, "List")) return {list->list(argument(p, "List")), false};
        if (call(p, "Selected")) return b(list->selected(argument(p, "Selected")));
    }
    if (auto* t = dynamic_cast<const ui::TextBox*>(&c)) {
        if (p == "SelStart") return n(t->selStart());
        if (p == "SelLength") return n(t->selLength());
        if (p == "SelText") return {t->selText(), false};
    }
    throw std::runtime_error("unknown property " + p + " of " + c.path());
}

std::string unreachableWhy(const ui::Control& c) {
    // The control itself first, then each container outwards: the first obstacle is named.
    for (const ui::Control* at = &c; at; at = at->container()) {
        const std::string who = at == &c ? std::string("it") : at->path();
        if (!at->visible()) return at == &c ? "hidden" : "hidden: " + who + " is hidden";
        if (!at->enabled()) return at == &c ? "disabled" : "disabled: " + who + " is disabled";
        auto* tab = dynamic_cast<const ui::TabControl*>(at->container());
        if (tab && at->containerPage() != tab->tab())
            return "hidden: " + who + " is on tab " + std::to_string(at->containerPage()) + " of " +
                   tab->path() + ", and tab " + std::to_string(tab->tab()) + " is the current one";
    }
    return {};
}

}  // namespace lirafok::scenario
