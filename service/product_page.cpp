#include "service/product_page.h"

std::string ProductPageHtml() {
  const std::string domain = YT_PRODUCT_DOMAIN;
  return "<!DOCTYPE html>\n"
         "<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
         domain +
         " - save videos as MP4</title>\n"
         "<style>body{font-family:sans-serif;margin:0;background:#f4f7fb;color:#1a2a40}"
         "header{background:#2b6cb0;color:#fff;padding:24px 32px}h1{margin:0;font-size:28px}"
         "main{padding:24px 32px;max-width:640px}li{margin:6px 0}</style></head>\n"
         "<body><header><h1>" +
         domain +
         "</h1><p>Save any video as an MP4 file.</p></header>\n"
         "<main><ol><li>Type the video's ID.</li><li>Press <b>Download</b> and choose a file name.</li>"
         "<li>Watch the bar fill; the video opens when it is saved.</li></ol>\n"
         "<p>This page is served by the local conversion service for development and tests.</p>"
         "</main></body></html>\n";
}
