#include "service/media_library.h"

#include <sys/stat.h>

#include <algorithm>

namespace {
constexpr std::size_t MAX_VIDEO_ID_LENGTH = 64;

bool IsIdCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}
}  // namespace

bool IsServableVideoId(std::string_view id) {
  return !id.empty() && id.size() <= MAX_VIDEO_ID_LENGTH && std::all_of(id.begin(), id.end(), IsIdCharacter);
}

std::optional<std::string> MediaFileFor(const std::string& mediaDir, std::string_view id) {
  if (!IsServableVideoId(id)) return std::nullopt;
  std::string path = mediaDir + "/" + std::string(id) + ".mp4";
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return path;
}
