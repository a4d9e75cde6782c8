#include "app/PictureFile.h"

#include <cstdio>

namespace penvo {

std::string PictureFileStem(const std::tm& Time) {
  char text[64];
  std::snprintf(text, sizeof text, "Penvo %04d-%02d-%02d %02d-%02d-%02d", Time.tm_year + 1900,
                Time.tm_mon + 1, Time.tm_mday, Time.tm_hour, Time.tm_min, Time.tm_sec);
  return text;
}

std::string FreePicturePath(const std::string& Dir, const std::string& Stem,
                            const std::function<bool(const std::string&)>& Taken) {
  std::string path = Dir + Stem + ".png";
  for (int n = 2; Taken(path); ++n) path = Dir + Stem + " (" + std::to_string(n) + ").png";
  return path;
}

}  // namespace penvo
