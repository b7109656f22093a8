#include "toolkit/bevel.h"

namespace zentrim::toolkit {

Bevel::Bevel(Form& owner, BevelProps props)
    : Control(owner, kKind, ControlInitFrom(props, false, false)), shape_(props.shape) {}

void Bevel::SetShape(BevelShape shape) {
    if (shape_ == shape) {
        return;
    }
    shape_ = shape;
    Notify(Change::Style);
}

} // namespace zentrim::toolkit
