// Where Ctrl+S puts the picture: a file in the user's pictures folder named after the moment.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace penvo {

// "Penvo YYYY-MM-DD HH-MM-SS" for the local time Time.
std::string PictureFileStem(const std::tm& Time);

// Dir (ending in its separator) with Stem + ".png", or when Taken says that name is taken, the
// first free one of Stem + " (2).png", " (3).png" and so on.
std::string FreePicturePath(const std::string& Dir, const std::string& Stem,
                            const std::function<bool(const std::string&)>& Taken);

}  // namespace penvo
