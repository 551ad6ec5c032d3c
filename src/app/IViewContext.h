#pragma once

#include "app/ViewState.h"

namespace dravik {

// How the scene reaches the window's views.
class IViewContext {
public:
    virtual ~IViewContext() = default;

    virtual ViewState& worldView() = 0;
    virtual void setWorldView(const ViewState& state) = 0;
    virtual ScreenViewState& screenView() = 0;

protected:
    IViewContext() = default;
    IViewContext(const IViewContext&) = default;
    IViewContext& operator=(const IViewContext&) = default;
};

} // namespace dravik
