#pragma once

#include "platform/geometry.h"
#include "text/text.h"

// "Youtube to Mp4 - " and the product's domain.
Text WindowTitle();

// The browser pane's first page: the service's banner picture, linked to the
// product's site.
Text BannerHtml();

// Creates the six controls in their fixed order on the open main window;
// returns once the browser pane is ready and has been handed the banner.
void BuildControls(Size client);
