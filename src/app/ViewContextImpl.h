#pragma once

#include "app/IViewContext.h"

namespace dravik {

// Owns the screen and world view states; lent to the scene, outlives it.
class ViewContextImpl final : public IViewContext {
public:
    ViewState& worldView() override;
    void setWorldView(const ViewState& state) override;
    ScreenViewState& screenView() override;

private:
    ScreenViewState screen;
    ViewState world;
};

} // namespace dravik
