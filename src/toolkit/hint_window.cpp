#include "toolkit/hint_window.h"

namespace zentrim::toolkit {

std::u16string_view ShortHint(std::u16string_view hint) {
    const std::size_t bar = hint.find(u'|');
    return bar == std::u16string_view::npos ? hint : hint.substr(0, bar);
}

std::u16string_view LongHint(std::u16string_view hint) {
    const std::size_t bar = hint.find(u'|');
    return bar == std::u16string_view::npos ? hint : hint.substr(bar + 1);
}

} // namespace zentrim::toolkit
