#pragma once

#include <optional>
#include <string>
#include <string_view>

// A video ID names a file only when it is made of letters, digits, "_" and
// "-": nothing that a path could use to leave the media folder.
bool IsServableVideoId(std::string_view id);

// mediaDir/ID.mp4 when the ID is servable and that is a regular file.
std::optional<std::string> MediaFileFor(const std::string& mediaDir, std::string_view id);
