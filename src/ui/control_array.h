#pragma once
// A control array: N controls of one kind sharing a name, indexed 0..N-1 (`KASI(3)` is
// entry 3), built in place on their form.
#include <array>
#include <cstddef>
#include <utility>

namespace lirafok::ui {

class Form;

namespace detail {
template <class C, std::size_t... I>
std::array<C, sizeof...(I)> controlArray(Form& form, const char* name, std::index_sequence<I...>) {
    return {{C{form, name, static_cast<int>(I)}...}};
}
}  // namespace detail

template <class C, std::size_t N>
std::array<C, N> controlArray(Form& form, const char* name) {
    return detail::controlArray<C>(form, name, std::make_index_sequence<N>{});
}

}  // namespace lirafok::ui
