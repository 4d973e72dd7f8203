#pragma once

#include <string>

// A fresh, empty folder for one test to write in (with a trailing slash). Its name carries the process
// id, so that test runs of several builds side by side never share a folder.
std::string scratchfolder(const std::string& name);

// A fresh folder named after the running test and numbered: ctest runs tests side by side, and a test
// may want several.
std::string testfolder();
