#include "app/ShowCommand.h"

// Desktops here hand no show command to a program: it starts as designed.
StartupShow StartupShowCommand() {
    return StartupShow::Normal;
}
