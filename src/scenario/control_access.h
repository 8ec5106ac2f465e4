#pragma once
// What the runner reads from one control and whether a user could act on it, apart from
// finding the control by its path. Kept free of the session so that tests can ask it of any
// form.
#include <string>

#include "ui/control.h"

namespace lirafok::scenario {

struct Value {
    std::string text;
    bool numeric = false;  // compared as a number
};

// Exact decimal text: whole numbers without exponent (colours reach 16777215), others with
// every significant digit.
std::string num(double v);

// The property `prop` of a control as `expect PATH.PROP` reads it. Throws std::runtime_error
// when the control has no such property.
//
// A tab control reads like a list of its tabs: `ListCount` is the number of tabs, `List(N)`
// the caption of tab N, `ListIndex` and `Value` the current tab (from 0), `Caption` the
// current tab's caption; `click PATH item N` picks tab N.
Value readProperty(const ui::Control& c, const std::string& prop);

// Why a user cannot reach the control inside its window: "hidden", "disabled", or "on tab N
// of T, which is not the current one"; empty when it can be reached.
std::string unreachableWhy(const ui::Control& c);

}  // namespace lirafok::scenario
