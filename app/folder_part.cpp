#include "app/folder_part.h"

Text FolderPart(const Text& path) {
  const auto last = path.str().find_last_of("/\\");
  if (last == std::string::npos) return Text();
  return Text(path.str().substr(0, last + 1));
}
