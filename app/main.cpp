#include "app/Startup.h"
#include "core/Trace.h"

#include <clocale>

int main(int argc, char **argv) {
    GuardStandardError();
    std::setlocale(LC_CTYPE, "");
    return RunProgram(argc, argv);
}
