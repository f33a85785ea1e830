#pragma once
// Rules the print and save parameters share (private to report_support).

#include "platform/core/Classes.h"

namespace report_support::detail {

// Writing MaxPage: a range that ran to the last page keeps running to it.
inline void set_max_page(int& max_page, int& to_page, int value) {
    if (to_page == max_page) to_page = value;
    max_page = value;
}

// Writing Filter: stop listening for the old filter's destruction, listen for the new one's.
template <class Filter>
void set_filter(TComponent& params, Filter*& slot, Filter* value) {
    if (slot == value) return;
    if (slot) params.RemoveFreeNotification(slot);
    slot = value;
    if (slot) params.FreeNotification(slot);
}

// A freed filter leaves the parameters without one.
template <class Filter>
void forget_filter(Filter*& slot, TComponent* gone, TOperation operation) {
    if (operation == opRemove && gone && static_cast<TComponent*>(slot) == gone) slot = nullptr;
}

}  // namespace report_support::detail
