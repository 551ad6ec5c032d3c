#include "app/ViewContextImpl.h"

namespace dravik {

ViewState& ViewContextImpl::worldView()
{
    return world;
}

void ViewContextImpl::setWorldView(const ViewState& state)
{
    world = state;
}

ScreenViewState& ViewContextImpl::screenView()
{
    return screen;
}

} // namespace dravik
