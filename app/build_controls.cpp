#include "app/build_controls.h"

#include "app/build_config.h"
#include "app/control_numbers.h"
#include "app/window_geometry.h"
#include "platform/browser_pane.h"
#include "platform/controls.h"

Text WindowTitle() { return Text("Youtube to Mp4 - ") + PRODUCT_DOMAIN; }

Text BannerHtml() {
  return Text("about:<center><a href='http://") + PRODUCT_HOST + "'><img border=0 src='http://" + SERVICE_HOST +
         "/ad.png'></a></center>";
}

void BuildControls(Size client) {
  const ControlLayout layout = ControlLayoutForWindow(client);
  // A control that cannot be created is simply missing.
  CreateLabel(VideoIdLabel, layout.videoIdLabel, Text("Video ID https://") + VIDEO_SITE_HOST + "/watch?v=");
  CreateTextField(VideoIdField, layout.videoIdField, "q9JfxzGmj24");
  CreateButton(DownloadButton, layout.downloadButton, "Download", true);
  CreateButton(OpenFolderButton, layout.openFolderButton, "Open Folder", false);
  CreateBrowserPane(BrowserPane, layout.browserPane, BannerHtml());
  CreateProgressBar(ProgressBar, layout.progressBar);
}
