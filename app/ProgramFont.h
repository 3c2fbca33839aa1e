#pragma once
// The program's font: Tahoma 8 pt where it exists (Wine's stand-in is loaded when the system
// lacks the family), otherwise the platform's default user-interface font.

#include <QFont>

QFont ProgramFont();
