#include "toolkit/bevel.h"

namespace zentrim::toolkit {

Bevel::Bevel(Form& owner, ControlProps props, BevelProps own)
    : Control(owner, kKind, std::move(props), kTraits), own_(std::move(own)) {}

void Bevel::SetShape(BevelShape shape) {
    if (own_.shape == shape) {
        return;
    }
    own_.shape = shape;
    Notify(Change::Style);
}

} // namespace zentrim::toolkit
