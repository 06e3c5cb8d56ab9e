#pragma once

#include <libsoup/soup.h>

#include <string>

#include "service/service_options.h"

// Everything the handlers need; it must outlive the server.
struct ServiceSetup {
  ServiceOptions options;
  std::string origin;  // "http://127.0.0.1:PORT", the prefix of every address handed out
};

// The routes:
//   /vd/vd.php?vid=ID&vformat=mp4  the bare address ORIGIN/get/ID.mp4, or empty
//   /get/ID.mp4                    302 to ORIGIN/media/ID.mp4
//   /media/ID.mp4                  the file itself
//   /ad.png                        the banner picture
//   /                              the product page
void AddServiceRoutes(SoupServer* server, const ServiceSetup& setup);
