#pragma once
// The task-modal "Application Error" box shown when start-up fails, without owner window.

#include <string>

void ShowStartupErrorBox(const std::string &utf8Text);
