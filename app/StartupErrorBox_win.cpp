#include "app/StartupErrorBox.h"

#include "core/WideText_win.h"

void ShowStartupErrorBox(const std::string &utf8Text) {
    const std::string text = wintext::ToCodePage(CP_ACP, wintext::Utf8ToWide(utf8Text));
    MessageBoxA(nullptr, text.c_str(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}
