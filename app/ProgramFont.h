#pragma once
// The windows' font: Tahoma 8 pt, 11 pixels as designed at 96 dpi (Wine's stand-in is loaded
// when the system lacks the family), otherwise the platform's default user-interface font at
// that size, so that the fixed layouts still fit.

#include <QFont>

QFont ProgramFont();
