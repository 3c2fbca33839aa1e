#pragma once

#include <string>

// The language code the system locale of this run should give ("" when not checked).
extern std::string g_expectedLanguage;
